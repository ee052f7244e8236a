#pragma once
// The attributes that describe the texts of an analysis ("journal", "date",
// "auteur"…; schema version 3): each has a name, unique whatever its case,
// and for each text at most one value. A file of an older version reads as
// having no attributes; writing to one throws StoreError (the coding
// application upgrades a file before it writes).
//
// An attribute whose values are all dates AAAA-MM-JJ is typed as a date, one
// whose values are all numbers as a number (for sorting and the exports);
// any other, or one without values, is text.
#include "store/undostore.h"

#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

class Connection;

namespace attributes {

inline constexpr int kMaxNameLength = 64;
inline constexpr int kMaxValueLength = 255;

struct Attribute {
    qint64 number = 0; // its order of creation
    QString name;
};

enum class Kind { Text, Number, Date };

// The attributes in their order of creation.
std::vector<Attribute> list(Connection &db);
// The attribute of that name (case ignored), if any.
std::optional<Attribute> find(Connection &db, const QString &name);

// Why a name cannot be an attribute's (empty, over 64 characters, holding a
// control character), in French; empty when it can. A name is trimmed first.
QString nameFault(const QString &name);
// Why a value cannot be stored (over 255 characters, holding a control
// character other than a tab), in French; empty when it can.
QString valueFault(const QString &value);

// Adds an attribute (its name trimmed) and returns its number. A refused
// name, or one another attribute has (case ignored), throws StoreError.
qint64 add(Connection &db, const QString &name);
// Renames attribute `number`, with the same checks. Throws StoreError.
void rename(Connection &db, qint64 number, const QString &name);
// Removes attribute `number` and its values. Throws StoreError.
void remove(Connection &db, qint64 number);

// The value of attribute `number` for text `text` (a row of "Chemin").
std::optional<QString> value(Connection &db, qint64 number, qint64 text);
// Sets it (trimmed); an empty value removes it. A refused value throws
// StoreError.
void setValue(Connection &db, qint64 number, qint64 text, const QString &value);
// The values of attribute `number`, by text number.
std::map<qint64, QString> values(Connection &db, qint64 number);
// How many texts have a value for attribute `number`.
qint64 valueCount(Connection &db, qint64 number);

// The type of an attribute that holds these values.
Kind kindOf(const std::vector<QString> &values);
Kind kindOf(Connection &db, qint64 number);

// Whether a value reads as a date AAAA-MM-JJ (a real day of the calendar) or
// as a number (digits, an optional sign, one decimal point or comma).
bool isDate(const QString &value);
bool isNumber(const QString &value);

// ----- The texts the attributes describe -----

struct Text {
    qint64 number = 0; // its row of "Chemin"
    QString path;      // as recorded ("/corpus/a.txt", "/corpus/a.txt#2")
};
// The texts of the analysis in number order.
std::vector<Text> texts(Connection &db);
// The file name of a recorded path, whichever separator it uses: the part
// after the last "/" or "\" ("a.txt#2" for "C:\corpus\a.txt#2").
QString fileName(const QString &path);

// ----- Undoable edits -----
// Each is one step (store/undostore.h), written in one transaction with the
// checks above, and returned with the images of every row it touched; an
// edit that changes nothing returns a step without rows. Each throws
// StoreError (nothing written) on failure, and refuses a file replaced or
// deleted since it was opened.

undo::ChangeSet addStep(Connection &db, const QString &name);
undo::ChangeSet renameStep(Connection &db, qint64 number, const QString &name);
// The attribute and its values, in one step.
undo::ChangeSet removeStep(Connection &db, qint64 number);

// One value to write: that of attribute `attribute` for text `text`
// (trimmed; empty removes it).
struct Assignment {
    qint64 attribute = 0;
    qint64 text = 0;
    QString value;
};
// Writes values of existing attributes for existing texts; the step is
// named `description` ("le collage de 4 valeurs"). A value refused, a text
// or an attribute that is not there, refuses them all.
undo::ChangeSet assignStep(Connection &db, const std::vector<Assignment> &cells,
                           const QString &description);

// A table of values to take in at once (a CSV file): columns named after
// attributes, each found whatever its case or else created, and for each
// text one value per column (empty removes the text's value).
struct Sheet {
    QStringList names;
    struct Row {
        qint64 text = 0;
        QStringList values; // as many as names
    };
    std::vector<Row> rows;
};
struct SheetCount {
    int attributes = 0; // columns
    int created = 0;    // of them, attributes the analysis did not have
    int texts = 0;      // rows
    int values = 0;     // fields that hold a value
};
undo::ChangeSet sheetStep(Connection &db, const Sheet &sheet, const QString &description,
                          SheetCount *count = nullptr);

} // namespace attributes
