#include "store/connectionstring.h"

namespace connstr {

namespace {
const QString kPrefix = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=");
const QString kSuffix = QStringLiteral(";Mode=ReadWrite;Persist Security Info=False");
} // namespace

QString build(const QString &databasePath)
{
    return kPrefix + databasePath + kSuffix;
}

QString dataSource(const QString &connectionString)
{
    static const QString key = QStringLiteral("Data Source=");
    const int start = connectionString.indexOf(key, 0, Qt::CaseInsensitive);
    if (start < 0)
        return QString();
    const int from = start + key.size();
    int end = connectionString.lastIndexOf(QStringLiteral(";Mode="), -1, Qt::CaseInsensitive);
    if (end < from) {
        // No mode: the path runs to the next ';', or to the end.
        end = connectionString.indexOf(QLatin1Char(';'), from);
        if (end < 0)
            end = connectionString.size();
    }
    return connectionString.mid(from, end - from);
}

} // namespace connstr

QString sqlLiteral(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}
