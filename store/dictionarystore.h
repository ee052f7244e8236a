#pragma once
// The dictionaries kept in an analysis (tables Dictionnaires,
// CategoriesDictionnaires, EntreesDictionnaires of schema version 5; their
// model is words/dictionary.h): listed, read, saved whole, renamed,
// deleted, and edited category by category and entry by entry.
//
// Every change is one transaction: written whole or not at all. Changes of
// a dictionary are not steps of the undo history (Édition > Annuler), which
// holds the coding: the windows ask before anything is deleted, and a
// dictionary can be written out to a file first.
//
// Rules kept whoever writes (the model's, words/dictionary.h): a
// dictionary's name is unique in the analysis, not empty, at most 255
// characters; a category's name is unique beside its siblings, holds no ">"
// nor line break, and nests one level at most (its parent is a top
// category); an entry's text is at most 255 characters, and a category never
// holds the same entry twice, nor counts and excludes the same one. A file
// too old to hold dictionaries (before version 5: opened read-only, or by an
// older program) has none, and keeping one there is refused. Failures throw
// StoreError in French, naming the cause; nothing is written then.
#include "words/dictionary.h"

#include <QString>
#include <optional>
#include <vector>

class Connection;

namespace dictionaries {

// Whether the file holds the dictionaries' tables.
bool available(Connection &db);

struct Summary
{
    qint64 number = 0;
    QString name;
    QString source;
    int categories = 0;
    qint64 entries = 0;
};

// The dictionaries, their names in French order; none in a file without the
// tables.
std::vector<Summary> list(Connection &db);
// The dictionary of that name (exactly), if any.
std::optional<qint64> find(Connection &db, const QString &name);

// A dictionary as kept, with the numbers of its rows (for edits).
struct Stored
{
    qint64 number = 0;
    words::Dictionary dictionary;          // categories in tree order
    std::vector<qint64> categories;        // [category]: its row
    std::vector<std::vector<qint64>> entries; // [category][entry]: its row
};
Stored read(Connection &db, qint64 number);

// Keeps a dictionary under its name (trimmed). A name already taken is
// refused, unless `replace`: the dictionary of that name is then replaced
// in the same transaction. Returns its number.
qint64 save(Connection &db, const words::Dictionary &dictionary, bool replace = false);
void rename(Connection &db, qint64 number, const QString &name);
void remove(Connection &db, qint64 number);
// `name`, or the first of "name (2)", "name (3)"... that no dictionary has.
QString freeName(Connection &db, const QString &name);

// Edits. A category is added at the end of its siblings (parent 0: at the
// top); removing one takes its children and entries with it. An entry is
// added at the end of its category.
qint64 addCategory(Connection &db, qint64 dictionary, qint64 parent, const QString &name);
void renameCategory(Connection &db, qint64 category, const QString &name);
void removeCategory(Connection &db, qint64 category);
qint64 addEntry(Connection &db, qint64 category, const words::DictionaryEntry &entry);
void changeEntry(Connection &db, qint64 entry, const words::DictionaryEntry &changed);
void removeEntry(Connection &db, qint64 entry);

} // namespace dictionaries
