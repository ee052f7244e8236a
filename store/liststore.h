#pragma once
// The edits of the five lists and of the coding rows, each made as one
// undoable step (undo::ChangeSet, see store/undostore.h): the step is written
// in one transaction and returned with the images of every row it touched,
// the coding rows that a deleted value takes with it included.
//
// Rules kept whoever edits: row 1 of each list, the empty value every new
// coding row points to, is neither changed nor deleted nor replaced; a value
// holds no NUL character, is not empty and has at most 255 characters. Every
// failure throws StoreError with a French message naming the cause and the
// file.
#include "store/undostore.h"

#include <QString>
#include <array>
#include <optional>
#include <utility>
#include <vector>

class Connection;

namespace lists {

// The number of the empty value of every list.
inline constexpr qint64 kEmptyValue = 1;

struct Value {
    qint64 numero = 0;
    QString text; // empty for the value-less row
};

// Why a value cannot be stored in a list, in French ("la valeur contient un
// caractère nul..."); empty when it can. Checks the NUL character, the empty
// text and the 255 characters of the column.
QString valueProblem(const QString &value);

// The values of list K (1 to 5) in record order.
std::vector<Value> values(Connection &db, int list);
// The text of one value; nullopt when the list no longer has it.
std::optional<QString> valueText(Connection &db, int list, qint64 numero);
// The number of coding rows that use value `numero` of list K.
qint64 usageCount(Connection &db, int list, qint64 numero);

// A value is used by another number of coding rows than the user was told
// (another program coded meanwhile): nothing was deleted; ask again.
class UsageChanged : public StoreError
{
public:
    UsageChanged(const QString &message, qint64 uses) : StoreError(message), m_uses(uses) {}
    qint64 uses() const { return m_uses; }

private:
    qint64 m_uses;
};

// Coding rows.
undo::ChangeSet addCoding(Connection &db, qint64 segment);
undo::ChangeSet setCodingValue(Connection &db, qint64 coding, int list, qint64 value);
undo::ChangeSet deleteCoding(Connection &db, qint64 coding);

// Values. Deleting a value takes its coding rows and its definition with it,
// provided they are `expectedUses` rows (else UsageChanged). Replacing moves
// the coding rows of `from` to `to`, then deletes `from`.
// A definition given with a new value is written in the same step.
undo::ChangeSet addValue(Connection &db, int list, const QString &text,
                         const QString &definition = QString());
undo::ChangeSet modifyValue(Connection &db, int list, qint64 numero, const QString &text);
undo::ChangeSet deleteValue(Connection &db, int list, qint64 numero, qint64 expectedUses);
undo::ChangeSet replaceValue(Connection &db, int list, qint64 from, qint64 to);

// The codebook: the name of a list (empty: back to its default) and the
// definition of a value (empty removes it).
undo::ChangeSet setListName(Connection &db, int list, const QString &name);
undo::ChangeSet setDefinition(Connection &db, int list, qint64 numero, const QString &definition);

// A codebook taken in from another analysis: per list its name (empty or
// the default name: the list keeps its own) and its values with their
// definitions, in the order given. Values are matched on their text without
// the spaces around it, case and accents counting; the empty value is row 1.
struct CodebookEntry {
    int list = 0;        // 1 to 5
    QString value;       // as given; empty for the empty value
    QString definition;  // empty: the value keeps its own
};
struct Codebook {
    std::array<QString, 5> names;
    std::vector<CodebookEntry> entries;
};
// What a taking-in did: values added (with the lists and texts), values the
// analysis already had (they keep their number, their coding and, unless
// the codebook gives one, their definition), definitions written, lists
// renamed.
struct CodebookOutcome {
    std::vector<std::pair<int, QString>> added;
    std::vector<std::pair<int, QString>> present;
    int definitions = 0;
    int names = 0;
    // "ajoutées : 12; déjà présentes : 3; définitions changées : 2; noms de
    // listes : 5"
    QString line() const;
};
// Takes a codebook in as one step, described as the taking-in of `source`
// (a file's name); a codebook that changes nothing makes a step without
// rows. Nothing is written on failure.
undo::ChangeSet importCodebook(Connection &db, const Codebook &codebook, const QString &source,
                               CodebookOutcome *outcome);

// A value as a message or a menu quotes it: « Installation », cut after 40
// characters; the empty value as "la valeur vide".
QString quoted(const QString &text);

} // namespace lists
