#include "store/suggestionstore.h"

#include "store/connection.h"
#include "store/properties.h"
#include "store/statement.h"
#include "store/storeerror.h"

#include <QLocale>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace suggestions {
namespace {

using undo::Image;
using undo::RowChange;
using undo::RowKey;
using undo::Table;

constexpr int kLists = 5;

bool tableExists(Connection &db, const char *name)
{
    Statement stmt(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    stmt.bind(1, QString::fromLatin1(name));
    return stmt.step();
}

void requireAvailable(Connection &db)
{
    if (!available(db))
        throw StoreError(QStringLiteral("L'analyse « %1 » date d'une version de Telmira qui ne "
                                        "garde pas trace des suggestions acceptées : ouvrez-la "
                                        "pour l'écriture dans « Analyse de contenu » pour la "
                                        "mettre à jour.")
                             .arg(db.path()));
}

Image acceptedImage(qint64 value, double confidence, const QString &coder, const QDateTime &when)
{
    Image image;
    image.numbers[0] = qint32(value);
    image.numbers[1] = qint32(std::llround(std::clamp(confidence, 0.0, 1.0) * 1e6));
    image.text = coder + undo::kAcceptedSeparator
                 + when.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
    return image;
}

// The change of field `list` of coding row `coding` to `value`, checked:
// the row exists, the value is in the list.
RowChange fieldChange(Connection &db, qint64 coding, int list, qint64 value, const QString &what)
{
    const RowKey key{Table::Contenus, 0, coding};
    const std::optional<Image> before = undo::read(db, key);
    if (!before)
        throw StoreError(QStringLiteral("%1 : la ligne de codage n° %2 n'existe plus dans la base "
                                        "de données « %3 ».")
                             .arg(what)
                             .arg(coding)
                             .arg(db.path()));
    const QByteArray sql =
        QStringLiteral("SELECT 1 FROM var_comp_0%1 WHERE numero = ?1").arg(list).toUtf8();
    Statement exists(db, sql.constData());
    exists.bind(1, value);
    if (!exists.step())
        throw StoreError(QStringLiteral("%1 : la valeur n° %2 n'est pas dans la liste %3 de la "
                                        "base de données « %4 ».")
                             .arg(what)
                             .arg(value)
                             .arg(list)
                             .arg(db.path()));
    Image after = *before;
    after.setNumber(list, value);
    return RowChange{key, before, after};
}

QString valueText(Connection &db, int list, qint64 value)
{
    const QByteArray sql =
        QStringLiteral("SELECT variable0%1 FROM var_comp_0%1 WHERE numero = ?1").arg(list).toUtf8();
    Statement stmt(db, sql.constData());
    stmt.bind(1, value);
    return stmt.step() ? stmt.text(0) : QString();
}

template <class Build>
auto inTransaction(Connection &db, Build build)
{
    undo::beginWrite(db);
    try {
        auto result = build();
        undo::commitWrite(db);
        return result;
    } catch (...) {
        db.rollback();
        throw;
    }
}

} // namespace

bool available(Connection &db)
{
    return tableExists(db, "SuggestionsAcceptees") && tableExists(db, "ModelesSuggestions");
}

QString fingerprint(Connection &db, int list, int learning)
{
    checkListNumber(list);
    // Each row holding a value adds the square of a number made of its
    // segment and value, modulo a prime: a value moved from one segment to
    // another changes the sum (a plain sum of the numbers would not).
    const QByteArray sql =
        QStringLiteral("SELECT count(DISTINCT numtexte), count(*),"
                       " coalesce(sum(((numtexte * 65599 + numvar0%1) % 2147483647)"
                       " * ((numtexte * 65599 + numvar0%1) % 2147483647) % 2147483647), 0)"
                       " FROM %2 WHERE numvar0%1 > 1")
            .arg(list)
            .arg(codingRows(db, true))
            .toUtf8();
    Statement coding(db, sql.constData());
    coding.step();
    QString result = QStringLiteral("apprentissage %1;segments %2;lignes %3;somme %4")
                         .arg(learning)
                         .arg(coding.integer(0))
                         .arg(coding.integer(1))
                         .arg(coding.integer(2));
    if (tableExists(db, "ValeursAttributs")) {
        Statement attributes(db, "SELECT count(*), coalesce(sum(length(v.valeur) * 31"
                                 " + v.texte * 7 + length(a.nom) * 131 + a.numero), 0)"
                                 " FROM ValeursAttributs v JOIN Attributs a"
                                 " ON a.numero = v.attribut");
        attributes.step();
        result += QStringLiteral(";attributs %1 %2")
                      .arg(attributes.integer(0))
                      .arg(attributes.integer(1));
    }
    return result;
}

std::optional<KeptModel> keptModel(Connection &db, int list, const QString &current)
{
    checkListNumber(list);
    if (!available(db))
        return std::nullopt;
    Statement stmt(db, "SELECT empreinte, appris, modele FROM ModelesSuggestions WHERE liste = ?1");
    stmt.bind(1, qint64(list));
    if (!stmt.step() || stmt.text(0) != current)
        return std::nullopt;
    KeptModel kept;
    kept.fingerprint = stmt.text(0);
    kept.learnt = stmt.text(1);
    const void *blob = sqlite3_column_blob(stmt.handle(), 2);
    kept.bytes = QByteArray(static_cast<const char *>(blob),
                            sqlite3_column_bytes(stmt.handle(), 2));
    return kept;
}

void keepModel(Connection &db, int list, const QString &fingerprint, const QByteArray &bytes)
{
    checkListNumber(list);
    requireAvailable(db);
    inTransaction(db, [&] {
        Statement stmt(db, "INSERT OR REPLACE INTO ModelesSuggestions (liste, empreinte, appris,"
                           " modele) VALUES (?1, ?2, ?3, ?4)");
        stmt.bind(1, qint64(list)).bind(2, fingerprint);
        stmt.bind(3, QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
        const int rc = sqlite3_bind_blob64(stmt.handle(), 4, bytes.constData(),
                                           sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
        if (rc != SQLITE_OK)
            undo::failWrite(db, QStringLiteral("Le modèle des suggestions n'a pas pu être gardé"),
                            rc);
        if (sqlite3_step(stmt.handle()) != SQLITE_DONE)
            undo::failWrite(db, QStringLiteral("Le modèle des suggestions n'a pas pu être gardé"),
                            sqlite3_extended_errcode(db.handle()));
        return 0;
    });
}

QString acceptingCoder(Connection &db)
{
    try {
        const std::optional<QString> coder = properties::value(db, properties::kCoder);
        if (coder && !coder->trimmed().isEmpty())
            return coder->trimmed();
    } catch (const StoreError &) {
        // An unreadable property: the system's user instead.
    }
    for (const char *name : {"USER", "USERNAME", "LOGNAME"}) {
        const QString user = qEnvironmentVariable(name).trimmed();
        if (!user.isEmpty())
            return user;
    }
    return QStringLiteral("Telmira");
}

coding::BulkOutcome acceptMany(Connection &db, int list, const std::vector<Accepted> &accepted,
                               const QString &coder, const QDateTime &when)
{
    checkListNumber(list);
    requireAvailable(db);
    coding::BulkOutcome outcome = inTransaction(db, [&] {
        // A suggestion is for a segment not coded in the list: one coded
        // since it was made (by hand, by another program) keeps its coding
        // and is counted as left alone.
        const QByteArray sql = QStringLiteral("SELECT 1 FROM Contenus WHERE numtexte = ?1"
                                              " AND numvar0%1 > 1 LIMIT 1")
                                   .arg(list)
                                   .toUtf8();
        Statement codedNow(db, sql.constData());
        std::vector<const Accepted *> kept;
        std::vector<coding::SegmentValue> assignments;
        qint64 codedMeanwhile = 0;
        std::map<qint64, bool> isCoded;
        for (const Accepted &a : accepted) {
            auto found = isCoded.find(a.segment);
            if (found == isCoded.end()) {
                codedNow.reset();
                codedNow.bind(1, a.segment);
                found = isCoded.emplace(a.segment, codedNow.step()).first;
                codedMeanwhile += found->second;
            }
            if (found->second)
                continue;
            kept.push_back(&a);
            assignments.push_back(coding::SegmentValue{a.segment, a.value});
        }
        coding::BulkOutcome done = coding::codeSegmentsInTransaction(db, list, assignments);
        done.unchanged += codedMeanwhile;
        std::vector<RowChange> records;
        for (size_t i = 0; i < kept.size(); ++i) {
            if (done.rows[i] == 0)
                continue;
            const RowKey key{Table::Accepted, list, done.rows[i]};
            // A record left by a value since emptied by hand is replaced.
            records.push_back(RowChange{key, undo::read(db, key),
                                        acceptedImage(kept[i]->value, kept[i]->confidence,
                                                      coder, when)});
        }
        undo::applyInTransaction(db, records, undo::Direction::Redo);
        done.set.rows.insert(done.set.rows.end(), records.begin(), records.end());
        // The rows given, one for each suggestion accepted (0 for those left).
        std::vector<qint64> given(accepted.size(), 0);
        for (size_t i = 0; i < kept.size(); ++i)
            given[size_t(kept[i] - accepted.data())] = done.rows[i];
        done.rows = std::move(given);
        return done;
    });
    if (!outcome.set.rows.empty())
        outcome.set.description = QStringLiteral("l'acceptation des suggestions (%1)")
                                      .arg(coding::segmentsText(outcome.segments));
    return outcome;
}

undo::ChangeSet acceptOnRow(Connection &db, qint64 coding, int list, qint64 value,
                            double confidence, const QString &coder, const QDateTime &when)
{
    checkListNumber(list);
    requireAvailable(db);
    const QString what = QStringLiteral("La suggestion n'a pas pu être acceptée");
    if (value <= 1)
        throw StoreError(QStringLiteral("%1 : elle ne propose aucune valeur.").arg(what));
    return inTransaction(db, [&] {
        undo::ChangeSet set;
        set.description = QStringLiteral("l'acceptation de la suggestion « %1 » (ligne de codage "
                                         "n° %2)")
                              .arg(valueText(db, list, value))
                              .arg(coding);
        set.rows.push_back(fieldChange(db, coding, list, value, what));
        const RowKey key{Table::Accepted, list, coding};
        set.rows.push_back(RowChange{key, undo::read(db, key),
                                     acceptedImage(value, confidence, coder, when)});
        undo::applyInTransaction(db, set.rows, undo::Direction::Redo);
        return set;
    });
}

std::optional<undo::ChangeSet> chooseOverAccepted(Connection &db, qint64 coding, int list,
                                                  qint64 value)
{
    checkListNumber(list);
    if (!available(db))
        return std::nullopt;
    const RowKey key{Table::Accepted, list, coding};
    const std::optional<Image> record = undo::read(db, key);
    if (!record)
        return std::nullopt;
    if (record->numbers[0] == value) {
        // The accepted value chosen again: it stays the suggestion accepted,
        // unless the field no longer holds it (then an ordinary choice).
        const std::optional<Image> row = undo::read(db, RowKey{Table::Contenus, 0, coding});
        if (row && row->numbers[size_t(list)] == value)
            return undo::ChangeSet{};
        return std::nullopt;
    }
    return inTransaction(db, [&] {
        undo::ChangeSet set;
        const QString text = valueText(db, list, value);
        set.description = text.isEmpty()
                              ? QStringLiteral("le retrait de la suggestion acceptée (ligne de "
                                               "codage n° %1)")
                                    .arg(coding)
                              : QStringLiteral("le choix de « %1 » (ligne de codage n° %2)")
                                    .arg(text)
                                    .arg(coding);
        set.rows.push_back(fieldChange(db, coding, list, value,
                                       QStringLiteral("La valeur n'a pas pu être enregistrée")));
        set.rows.push_back(RowChange{key, undo::read(db, key), std::nullopt});
        undo::applyInTransaction(db, set.rows, undo::Direction::Redo);
        return set;
    });
}

std::vector<qint64> acceptedCounts(Connection &db)
{
    std::vector<qint64> counts(kLists, 0);
    if (!available(db))
        return counts;
    for (int k = 1; k <= kLists; ++k) {
        const QByteArray sql = QStringLiteral("SELECT count(*) FROM SuggestionsAcceptees a"
                                              " JOIN Contenus k ON k.numero = a.contenu"
                                              " AND k.numvar0%1 = a.valeur WHERE a.liste = %1")
                                   .arg(k)
                                   .toUtf8();
        Statement stmt(db, sql.constData());
        stmt.step();
        counts[size_t(k - 1)] = stmt.integer(0);
    }
    return counts;
}

QString codingRows(Connection &db, bool leaveOut)
{
    if (!leaveOut || !available(db))
        return QStringLiteral("Contenus");
    QString columns;
    for (int k = 1; k <= kLists; ++k)
        columns += QStringLiteral(", CASE WHEN EXISTS (SELECT 1 FROM main.SuggestionsAcceptees a"
                                  " WHERE a.contenu = k.numero AND a.liste = %1"
                                  " AND a.valeur = k.numvar0%1) THEN 1 ELSE k.numvar0%1 END"
                                  " AS numvar0%1")
                       .arg(k);
    const QByteArray sql = (QStringLiteral("CREATE TEMP VIEW IF NOT EXISTS ContenusChoisis AS"
                                           " SELECT k.numero AS numero, k.numtexte AS numtexte")
                            + columns + QStringLiteral(" FROM main.Contenus k"))
                               .toUtf8();
    Statement view(db, sql.constData());
    view.run();
    return QStringLiteral("temp.ContenusChoisis");
}

} // namespace suggestions
