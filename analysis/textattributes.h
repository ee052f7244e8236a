#pragma once
// The attributes a text brings with it when it is taken in: those of an
// Iramuteq corpus's starred lines, and the title, author and date a
// document declares. Each attribute is found by its name, case ignored, or
// created; the values go through the checks of store/attributestore.h.
#include <QHash>
#include <QString>

class Connection;

namespace textattributes {

class Writer
{
public:
    explicit Writer(Connection &db) : m_db(db) {}

    // Gives text `text` (its number in "Chemin") value `value` of attribute
    // `name`, created when missing. `overwrite`: a value the text has
    // already is replaced; otherwise it stays as it is. Throws StoreError
    // (a refused name or value, a file of an older version).
    void set(qint64 text, const QString &name, const QString &value, bool overwrite);

private:
    Connection &m_db;
    QHash<QString, qint64> m_numbers; // attributes met so far, by their names case-folded
};

// A value as a document declares it, made fit for an attribute: control
// characters (line breaks) as spaces, runs of white space as one, no
// white space at its ends, at most attributes::kMaxValueLength characters.
QString fitted(const QString &value);

} // namespace textattributes
