#include "store/notestore.h"

#include "store/connection.h"
#include "store/schemaversion.h"
#include "store/statement.h"

#include <QLocale>

namespace notes {
namespace {

undo::RowKey keyOf(Genre genre, qint64 target)
{
    return {undo::Table::Note, int(genre), target};
}

void requireNotes(Connection &db)
{
    if (!available(db))
        throw StoreError(QStringLiteral("La base d'analyse « %1 » est d'une version antérieure : "
                                        "elle doit être mise à jour avant d'y enregistrer des "
                                        "notes.")
                             .arg(db.path()));
}

void checkGenre(Genre genre)
{
    if (int(genre) < 1 || int(genre) > 3)
        throw StoreError(QStringLiteral("Une note ne se rapporte qu'à un segment, à un texte ou "
                                        "à l'analyse."));
}

// Whether the segment or text of a note exists (the analysis always does).
bool targetExists(Connection &db, Genre genre, qint64 target)
{
    if (genre == Genre::Analysis)
        return target == 0;
    Statement stmt(db, genre == Genre::Segment ? "SELECT 1 FROM textes WHERE numero = ?1"
                                               : "SELECT 1 FROM Chemin WHERE numero = ?1");
    stmt.bind(1, target);
    return stmt.step();
}

template <class Build>
undo::ChangeSet inTransaction(Connection &db, Build build)
{
    undo::beginWrite(db);
    try {
        undo::ChangeSet set = build();
        undo::commitWrite(db);
        return set;
    } catch (...) {
        db.rollback();
        throw;
    }
}

} // namespace

QString normalized(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t.trimmed().isEmpty() ? QString() : t;
}

QString problem(const QString &text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n'))
            continue;
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("La note ne peut pas être enregistrée : elle contient un "
                                  "caractère de contrôle (U+%1).")
                .arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0')));
    }
    if (text.size() > kMostCharacters)
        return QStringLiteral("La note ne peut pas être enregistrée : elle compte %1 caractères, "
                              "au plus %2 sont permis.")
            .arg(QLocale(QLocale::French).toString(text.size()),
                 QLocale(QLocale::French).toString(kMostCharacters));
    return QString();
}

bool available(Connection &db)
{
    return schema::version(db) >= 3;
}

std::optional<QString> read(Connection &db, Genre genre, qint64 target)
{
    if (!available(db))
        return std::nullopt;
    const std::optional<undo::Image> image = undo::read(db, keyOf(genre, target));
    if (!image)
        return std::nullopt;
    return image->text;
}

undo::ChangeSet set(Connection &db, Genre genre, qint64 target, const QString &given)
{
    checkGenre(genre);
    requireNotes(db);
    const QString text = normalized(given);
    if (const QString refused = problem(text); !refused.isEmpty())
        throw StoreError(refused);
    return inTransaction(db, [&] {
        const undo::RowKey key = keyOf(genre, target);
        const std::optional<undo::Image> before = undo::read(db, key);
        std::optional<undo::Image> after;
        if (!text.isEmpty())
            after = undo::Image::ofText(text);
        undo::ChangeSet change;
        change.description = describe(genre, target);
        if (before.has_value() == after.has_value() && (!before || before->text == after->text))
            return change; // nothing to change
        // Removing a note left by a removed segment is allowed; writing one is not.
        if (after && !targetExists(db, genre, target))
            throw StoreError(QStringLiteral("%1 ne peut pas être enregistrée : %2 n'existe plus "
                                            "dans la base de données « %3 ».")
                                 .arg(change.description.left(1).toUpper()
                                          + change.description.mid(1),
                                      genre == Genre::Segment ? QStringLiteral("le segment")
                                                              : QStringLiteral("le texte"),
                                      db.path()));
        change.rows.push_back({key, before, after});
        undo::applyInTransaction(db, change.rows, undo::Direction::Redo);
        return change;
    });
}

void append(Connection &db, Genre genre, qint64 target, const QString &given)
{
    checkGenre(genre);
    requireNotes(db);
    const QString text = normalized(given);
    if (text.isEmpty())
        return;
    const undo::RowKey key = keyOf(genre, target);
    const std::optional<undo::Image> before = undo::read(db, key);
    const QString whole = before ? before->text + QStringLiteral("\n\n") + text : text;
    if (const QString refused = problem(whole); !refused.isEmpty())
        throw StoreError(refused);
    undo::applyInTransaction(db, {{key, before, undo::Image::ofText(whole)}},
                             undo::Direction::Redo);
}

std::vector<Entry> list(Connection &db)
{
    std::vector<Entry> entries;
    if (!available(db))
        return entries;
    // The segment's place: the segments of its text up to it, through the
    // index on (numtexte, numero).
    Statement stmt(db,
                   "SELECT n.genre, n.cible, n.note, c.numero, c.chemin, t.numero,"
                   " CASE WHEN t.numero IS NULL THEN 0 ELSE"
                   "  (SELECT count(*) FROM textes u WHERE u.numtexte = t.numtexte"
                   "   AND u.numero <= t.numero) END,"
                   " t.texte"
                   " FROM Notes n"
                   " LEFT JOIN textes t ON n.genre = 1 AND t.numero = n.cible"
                   " LEFT JOIN Chemin c ON c.numero ="
                   "  CASE n.genre WHEN 1 THEN t.numtexte WHEN 2 THEN n.cible END"
                   " WHERE (n.genre = 3 AND n.cible = 0)"
                   "  OR (n.genre = 2 AND c.numero IS NOT NULL)"
                   "  OR (n.genre = 1 AND t.numero IS NOT NULL AND c.numero IS NOT NULL)"
                   " ORDER BY n.genre <> 3, c.numero, n.genre <> 2, t.numero");
    while (stmt.step()) {
        Entry e;
        e.genre = Genre(stmt.integer(0));
        e.target = stmt.integer(1);
        e.note = stmt.text(2);
        if (e.genre != Genre::Analysis) {
            e.text = stmt.integer(3);
            e.path = stmt.text(4);
        }
        if (e.genre == Genre::Segment) {
            e.segment = stmt.integer(5);
            e.place = stmt.integer(6);
            e.segmentText = stmt.text(7);
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

std::vector<qint64> notedSegments(Connection &db, qint64 text)
{
    std::vector<qint64> segments;
    if (!available(db))
        return segments;
    Statement stmt(db, "SELECT t.numero FROM textes t JOIN Notes n ON n.genre = 1"
                       " AND n.cible = t.numero WHERE t.numtexte = ?1 ORDER BY t.numero");
    stmt.bind(1, text);
    while (stmt.step())
        segments.push_back(stmt.integer(0));
    return segments;
}

QString describe(Genre genre, qint64 target)
{
    switch (genre) {
    case Genre::Segment:
        return QStringLiteral("la note du segment n° %1").arg(target);
    case Genre::Text:
        return QStringLiteral("la note du texte n° %1").arg(target);
    case Genre::Analysis:
        break;
    }
    return QStringLiteral("la note de l'analyse");
}

} // namespace notes
