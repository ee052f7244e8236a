#pragma once
// The part of the REFI-QDA exchange model (projects .qdpx, codebooks .qdc)
// that an analysis can carry: users, a tree of codes, plain-text sources with
// their coded selections, and the notes attached to selections, sources and
// the project. Plain structs, filled by the store from an analysis
// or by the readers from a file.
//
// Positions of a selection count Unicode code points from 0, as the standard
// does; `end` is the position just after the selection's last character.
#include <QString>
#include <map>
#include <vector>

namespace refiqda {

struct Code
{
    QString guid;
    QString name;
    QString description;
    bool codable = true;
    std::vector<Code> children;
};

struct Selection
{
    QString guid;
    qint64 start = 0;
    qint64 end = 0;
    QString creatingUser;         // a user's guid, or empty
    std::vector<QString> codings; // the guids of the codes applied to it
    // By coding, the guid of the user who applied it when the file says
    // (read from a file only; empty: the selection's creatingUser).
    std::vector<QString> codingUsers;
};

// A variable of the sources (an attribute of the texts), typed as the
// standard types them: "Text", "Integer", "Float", "Date" (or, read from a
// file, "Boolean", "DateTime").
struct Variable
{
    QString guid;
    QString name;
    QString type = QStringLiteral("Text");
};

// A source's value of a variable, as the file writes it ("2003-01-15",
// "3.5", "true").
struct VariableValue
{
    QString variable; // the variable's guid
    QString value;
};

struct Source
{
    QString guid;
    QString name;
    QString text;                 // the plain text
    std::vector<Selection> selections;
    std::vector<VariableValue> variables;
};

// A note of the project (the standard's Note, kept inline as plain text).
struct Note
{
    QString guid;
    QString name;
    QString text;
};

struct User
{
    QString guid;
    QString name;
};

// What a file holds and an analysis does not take, by French name ("notes",
// "ensembles (Sets)"...), with how many of each.
using NotTaken = std::map<QString, int>;

struct Project
{
    QString name;
    QString origin;
    std::vector<User> users;
    std::vector<Code> codes;
    std::vector<Variable> variables;
    std::vector<Source> sources;
    std::vector<Note> notes;
    std::vector<QString> noteRefs; // the notes of the project as a whole
    // The notes attached to a source or a selection, by its guid.
    std::map<QString, std::vector<QString>> noteRefsOf;
};

// Number of code points of a text (surrogate pairs count once).
qint64 codePoints(QStringView text);
// The UTF-16 index of code point `position` in `text` (clamped to its size).
qsizetype utf16Index(QStringView text, qint64 position);

// The guid of the user who applied coding `i` of `selection`: its own
// creatingUser, or the selection's, or empty.
QString codingUser(const Selection &selection, size_t i);

// A name-based (version 5) GUID, the same for the same key.
QString stableGuid(const QString &key);

} // namespace refiqda
