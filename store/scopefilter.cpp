#include "store/scopefilter.h"

#include "store/attributestore.h"
#include "store/storeerror.h"

#include <sqlite3.h>

namespace results {

int ScopeFilter::bind(sqlite3_stmt *stmt) const
{
    for (const auto &[index, value] : bindings) {
        int rc = SQLITE_OK;
        if (const auto *i = std::get_if<qint64>(&value))
            rc = sqlite3_bind_int64(stmt, index, *i);
        else if (const auto *d = std::get_if<double>(&value))
            rc = sqlite3_bind_double(stmt, index, *d);
        else {
            const QByteArray &t = std::get<QByteArray>(value);
            rc = sqlite3_bind_text(stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        }
        if (rc != SQLITE_OK)
            return rc;
    }
    return SQLITE_OK;
}

QString whereClause(const QStringList &conditions)
{
    return conditions.isEmpty() ? QString()
                                : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

ScopeFilter textFilter(Connection &db, const Scope &scope, const QString &textColumn)
{
    ScopeFilter filter;
    if (!scope.all) {
        QByteArray json = "[";
        for (size_t i = 0; i < scope.texts.size(); ++i) {
            if (i > 0)
                json += ',';
            json += QByteArray::number(scope.texts[i]);
        }
        json += ']';
        filter.conditions << textColumn + QStringLiteral(" IN (SELECT value FROM json_each(?1))");
        filter.bindings.emplace_back(1, json);
    }
    int n = kFirstConditionParameter;
    for (const Condition &c : scope.conditions) {
        QString test = QStringLiteral("attribut = ?%1").arg(n);
        filter.bindings.emplace_back(n, c.attribute);
        if (!c.range) {
            test += QStringLiteral(" AND valeur = ?%1").arg(n + 1);
            filter.bindings.emplace_back(n + 1, c.value.toUtf8());
        } else {
            const attributes::Kind kind = attributes::kindOf(db, c.attribute);
            if (kind == attributes::Kind::Text)
                throw StoreError(QStringLiteral("L'attribut « %1 » ne se prend pas par intervalle : "
                                                "ses valeurs ne sont pas toutes des dates "
                                                "(AAAA-MM-JJ) ni toutes des nombres.")
                                     .arg(c.name));
            const bool dates = kind == attributes::Kind::Date;
            const QString value = dates ? QStringLiteral("valeur")
                                        : QStringLiteral("CAST(replace(valeur, ',', '.') AS REAL)");
            const QString bounds[2] = {c.from.trimmed(), c.to.trimmed()};
            for (int i = 0; i < 2; ++i) {
                const QString &bound = bounds[i];
                if (bound.isEmpty())
                    continue;
                if (dates ? !attributes::isDate(bound) : !attributes::isNumber(bound))
                    throw StoreError(
                        QStringLiteral("La borne « %1 » de l'attribut « %2 » n'est pas %3.")
                            .arg(bound, c.name,
                                 dates ? QStringLiteral("une date AAAA-MM-JJ")
                                       : QStringLiteral("un nombre")));
                test += QStringLiteral(" AND %1 %2 ?%3")
                            .arg(value, i == 0 ? QStringLiteral(">=") : QStringLiteral("<="))
                            .arg(n + 1 + i);
                if (dates)
                    filter.bindings.emplace_back(n + 1 + i, bound.toUtf8());
                else
                    filter.bindings.emplace_back(
                        n + 1 + i, QString(bound).replace(QLatin1Char(','), QLatin1Char('.')).toDouble());
            }
        }
        filter.conditions << textColumn
                                 + QStringLiteral(" IN (SELECT texte FROM ValeursAttributs WHERE %1)")
                                       .arg(test);
        n += 3;
    }
    return filter;
}

ScopeFilter segmentFilter(Connection &db, const Scope &scope, const QString &segmentColumn)
{
    ScopeFilter filter = textFilter(db, scope, QStringLiteral("numtexte"));
    if (!filter.conditions.isEmpty())
        filter.conditions = QStringList{segmentColumn + QStringLiteral(" IN (SELECT numero FROM textes")
                                        + whereClause(filter.conditions) + QLatin1Char(')')};
    return filter;
}

} // namespace results
