#pragma once
// Dictionary files, in and out. One class per format behind one interface:
// the bytes or the file in, a words::Dictionary or a French error out
// ("Ligne 12 : ..."); nothing half-read is ever returned. The formats:
// LiwcDictionary (.dic), QuantedaYaml (.yml, .yaml), LexicoderDictionary
// (.lc3, .lcd) and DictionaryCsv (.csv, .txt); the CSV and the YAML are
// written too, and what they write reads back identically.
//
// Text is UTF-8, with or without a byte-order mark, UTF-16 with one, or else
// Windows-1252 (as exchange::decodeText decodes it). Lines end by CR LF, LF
// or CR and are counted from 1.
//
// Entries are written the same way in every format: a word ending in "*" is
// a prefix, an entry of several words (apart by spaces or tabs) a phrase,
// and quotes may enclose the entry's words ("\"pouvoir d'achat\""). The CSV
// and the YAML know one more mark: a leading "-" excludes ("-économe",
// "-\"sécurité sociale\""). A "*" elsewhere in a word, a lone "*", or a '"'
// other than the enclosing ones is refused, naming the entry.
//
// Memory: a file larger than kMaxBytes, or holding more than kMaxEntries
// entries and categories (an alias-laden YAML could claim far more than its
// size), is refused before it fills the memory.
#include "words/dictionary.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace exchange {

struct DictionaryReading
{
    std::optional<words::Dictionary> dictionary; // none when the file was refused
    QString error;                               // why, in French
    // What was taken with a reservation, in French, one per line concerned
    // ("Ligne 40 : ..."): the dictionary is whole apart from what they say.
    QStringList notes;
    bool ok() const { return dictionary.has_value(); }
};

struct DictionaryWriting
{
    QByteArray bytes; // the whole file
    QString error;    // empty when written
    bool ok() const { return error.isEmpty(); }
};

class DictionaryReader
{
public:
    static constexpr qint64 kMaxBytes = qint64(16) << 20;
    static constexpr qsizetype kMaxEntries = 1000000;

    virtual ~DictionaryReader() = default;

    // Reads a file's bytes; the dictionary's name and source are left empty.
    DictionaryReading read(const QByteArray &bytes) const;
    // Reads the file: the dictionary is named after the file (without its
    // folder nor its extension), its source is `path`. Errors about the file
    // itself name it.
    DictionaryReading readFile(const QString &path) const;

protected:
    // The reading of the decoded text; throws ReadFailure (paragraphs.h)
    // with the whole message, which read() returns.
    virtual words::Dictionary parse(const QString &text, QStringList *notes) const = 0;
};

// Chooses the reader by the file's extension (.dic, .yml/.yaml, .lc3/.lcd,
// .csv/.txt, whatever their case); any other is refused in French.
DictionaryReading readDictionaryFile(const QString &path);

// Writes the bytes to `path` whole or not at all (the file already there is
// kept when the writing fails); the error, in French, names the file.
QString saveDictionaryBytes(const QByteArray &bytes, const QString &path);

// The entries' syntax (see above). `marks` allows the "-" of an exclusion
// (the CSV and the YAML). Returns the fault in French, empty when `entry`
// was set.
QString parseDictionaryEntry(const QString &written, bool marks, words::DictionaryEntry *entry);
// The entry as the CSV and the YAML write it ("économ*", "-économe",
// "pouvoir d'achat"; quoted when it starts with "-" or with an apostrophe
// before "=", "+", "-" or "@", which would read otherwise);
// parseDictionaryEntry(…, true, …) gives it back.
QString writtenDictionaryEntry(const words::DictionaryEntry &entry);

// The text's lines, without their ends (CR LF, LF or CR): line n is at n - 1.
QStringList dictionaryLines(const QString &text);

// "Ligne 12 : what", or `what` with a capital when the line is 0.
QString dictionaryLineFault(int line, const QString &what);

// The first reason why a dictionary cannot be written as it stands (a name
// empty or holding ">", a path twice, a child before its parent or away
// from it, an entry that would not read back), in French; empty when none.
QString dictionaryFault(const words::Dictionary &dictionary);

// Builds a dictionary for the readers, keeping the model's rules
// (words/dictionary.h): categories in tree order, a parent created at the
// top when a child names it first, duplicates dropped, an entry both counted
// and excluded refused. Faults are thrown as ReadFailure, named by `line`.
class DictionaryBuilder
{
public:
    // The category at this place, created when new: `parent` empty for a
    // top category.
    int category(const QString &parent, const QString &name, int line);
    // The category named by "Parent > Enfant" or "Nom" (CSV, Lexicoder).
    int categoryAt(const QString &path, int line);
    // The index of an existing category, -1 when none.
    int find(const QString &parent, const QString &name) const;
    void add(int category, const words::DictionaryEntry &entry, int line);
    // The dictionary; a file without any category is refused.
    words::Dictionary take();

private:
    void count(int line);

    struct Node
    {
        words::DictionaryCategory category;
        std::vector<int> children;
        QHash<QString, bool> entries; // kind and text → excluded
    };
    std::vector<Node> m_nodes;
    std::vector<int> m_tops;
    QHash<QString, int> m_byPath;
    qsizetype m_count = 0;
};

} // namespace exchange
