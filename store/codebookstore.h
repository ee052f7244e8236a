#pragma once
// The codebook of an analysis: the names the researcher gives the five lists
// and the definitions of their values (schema version 2). A version-1 file,
// which has neither, reads as the default names and no definitions; writing
// to one throws StoreError (the coding application upgrades a file before it
// writes).
#include <QString>
#include <array>
#include <map>

class Connection;

namespace codebook {

inline constexpr int kLists = 5;

// "Variable de comparaison k", the name of a list nobody has named.
QString defaultListName(int list);

// The names of lists 1 to 5 (index 0 to 4).
std::array<QString, kLists> listNames(Connection &db);
// Names list `list` (1 to 5); an empty name gives the list its default name
// back. A name over 255 characters or holding NUL is refused. Throws
// StoreError.
void setListName(Connection &db, int list, const QString &name);

// The definitions of list `list`'s values, by value number.
std::map<qint64, QString> definitions(Connection &db, int list);
// Sets the definition of value `value` of list `list`; an empty definition
// removes it. Throws StoreError.
void setDefinition(Connection &db, int list, qint64 value, const QString &definition);

} // namespace codebook
