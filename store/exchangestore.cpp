#include "store/exchangestore.h"

#include "store/attributestore.h"

#include "store/codebookstore.h"
#include "store/connection.h"
#include "store/notestore.h"
#include "store/properties.h"
#include "store/schemaversion.h"
#include "store/statement.h"
#include "store/storeerror.h"

#include <QFileInfo>
#include <sqlite3.h>
#include <QUuid>

namespace exchangestore {
namespace {

const QString kIdentifier = QStringLiteral("identifiant");

QString identifierOf(Connection &db)
{
    if (const auto id = properties::value(db, kIdentifier))
        return *id;
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (schema::version(db) >= 2) {
        try {
            properties::setValue(db, kIdentifier, id);
            return id;
        } catch (const StoreError &) {
            // A file that cannot be written: its name stands in.
        }
    }
    return QFileInfo(db.path()).completeBaseName();
}

} // namespace

Analysis read(Connection &db)
{
    Analysis a;
    a.identifier = identifierOf(db);
    a.coder = properties::value(db, properties::kCoder).value_or(QString());
    const std::array<QString, kLists> names = codebook::listNames(db);
    db.exec(QStringLiteral("BEGIN"));
    try {
        for (int k = 1; k <= kLists; ++k) {
            List &list = a.lists[size_t(k - 1)];
            list.name = names[size_t(k - 1)];
            const auto definitions = codebook::definitions(db, k);
            const QByteArray sql = QStringLiteral("SELECT numero, variable0%1 FROM var_comp_0%1 "
                                                  "WHERE numero <> 1 AND variable0%1 IS NOT NULL "
                                                  "ORDER BY numero")
                                       .arg(k)
                                       .toUtf8();
            Statement stmt(db, sql.constData());
            while (stmt.step()) {
                Value v{stmt.integer(0), stmt.text(1), QString()};
                const auto d = definitions.find(v.numero);
                if (d != definitions.end())
                    v.definition = d->second;
                list.values.push_back(std::move(v));
            }
        }
        Statement texts(db, "SELECT numero, chemin FROM Chemin ORDER BY numero");
        while (texts.step())
            a.texts.push_back({texts.integer(0), texts.text(1), {}});
        for (Text &text : a.texts)
            text.segments = segments(db, text.numero);
        Statement codings(db, "SELECT numero, numtexte, numvar01, numvar02, numvar03, numvar04, "
                              "numvar05 FROM Contenus ORDER BY numero");
        while (codings.step()) {
            CodingRow row;
            row.numero = codings.integer(0);
            row.segment = codings.integer(1);
            for (int k = 0; k < kLists; ++k)
                row.values[size_t(k)] = codings.isNull(2 + k) ? 1 : codings.integer(2 + k);
            a.codings.push_back(row);
        }
        for (const attributes::Attribute &attribute : attributes::list(db)) {
            Attribute out;
            out.name = attribute.name;
            out.values = attributes::values(db, attribute.number);
            std::vector<QString> all;
            bool integers = true;
            for (const auto &entry : out.values) {
                all.push_back(entry.second);
                integers = integers && !entry.second.contains(QLatin1Char('.'))
                           && !entry.second.contains(QLatin1Char(','));
            }
            switch (attributes::kindOf(all)) {
            case attributes::Kind::Text:
                out.kind = Attribute::Kind::Text;
                break;
            case attributes::Kind::Number:
                out.kind = integers ? Attribute::Kind::Integer : Attribute::Kind::Float;
                break;
            case attributes::Kind::Date:
                out.kind = Attribute::Kind::Date;
                break;
            }
            a.attributes.push_back(std::move(out));
        }
        // Those of removed segments and texts are left out.
        for (const notes::Entry &e : notes::list(db))
            a.notes.push_back({int(e.genre), e.target, e.note});
        db.exec(QStringLiteral("COMMIT"));
    } catch (...) {
        db.rollback();
        throw;
    }
    return a;
}

std::vector<Segment> segments(Connection &db, qint64 text)
{
    std::vector<Segment> result;
    Statement stmt(db, "SELECT numero, texte FROM textes WHERE numtexte = ?1 ORDER BY numero");
    stmt.bind(1, text);
    while (stmt.step())
        result.push_back({stmt.integer(0), stmt.text(1)});
    return result;
}

std::optional<qint64> textNumber(Connection &db, const QString &path)
{
    Statement stmt(db, "SELECT numero FROM Chemin WHERE chemin = ?1 ORDER BY numero LIMIT 1");
    stmt.bind(1, path);
    if (stmt.step())
        return stmt.integer(0);
    return std::nullopt;
}

std::optional<qint64> findValue(Connection &db, int list, const QString &text)
{
    checkListNumber(list);
    const QByteArray find = QStringLiteral("SELECT numero FROM var_comp_0%1 WHERE variable0%1 = ?1 "
                                           "ORDER BY numero LIMIT 1")
                                .arg(list)
                                .toUtf8();
    Statement stmt(db, find.constData());
    stmt.bind(1, text);
    if (stmt.step())
        return stmt.integer(0);
    return std::nullopt;
}

qint64 valueCount(Connection &db, int list)
{
    checkListNumber(list);
    const QByteArray count =
        QStringLiteral("SELECT count(*) FROM var_comp_0%1 WHERE numero <> 1").arg(list).toUtf8();
    Statement stmt(db, count.constData());
    return stmt.step() ? stmt.integer(0) : 0;
}

qint64 ensureValue(Connection &db, int list, const QString &text, const QString &definition)
{
    checkListNumber(list);
    if (text.isEmpty() || text.size() > 255 || text.contains(QChar(0)))
        throw StoreError(QStringLiteral("La valeur « %1 » ne peut pas entrer dans une liste "
                                        "(vide, plus de 255 caractères ou caractère nul).")
                             .arg(text.left(60)));
    qint64 numero = findValue(db, list, text).value_or(0);
    if (numero == 0) {
        const QByteArray insert =
            QStringLiteral("INSERT INTO var_comp_0%1 (variable0%1) VALUES (?1)").arg(list).toUtf8();
        Statement stmt(db, insert.constData());
        stmt.bind(1, text).run();
        numero = sqlite3_last_insert_rowid(db.handle());
    }
    if (!definition.trimmed().isEmpty() && schema::version(db) >= 2
        && codebook::definitions(db, list).count(numero) == 0)
        codebook::setDefinition(db, list, numero, definition);
    return numero;
}

namespace {

const char *const kInsertCodingRow = "INSERT INTO Contenus (numtexte, numvar01, numvar02, "
                                     "numvar03, numvar04, numvar05) VALUES (?1, ?2, ?3, ?4, ?5, ?6)";

} // namespace

CodingRowWriter::CodingRowWriter(Connection &db)
    : m_insert(std::make_unique<Statement>(db, kInsertCodingRow))
{
}

CodingRowWriter::~CodingRowWriter() = default;

void CodingRowWriter::add(qint64 segment, const std::array<qint64, kLists> &values)
{
    m_insert->bind(1, segment);
    for (int k = 0; k < kLists; ++k)
        m_insert->bind(2 + k, values[size_t(k)]);
    m_insert->run();
    m_insert->reset();
}

} // namespace exchangestore
