#include "app/analysisname.h"

namespace analysisname {

QString fileStem(const QString &title)
{
    const QString t = title.isEmpty() ? kUntitled : title;
    qsizetype first = 0;
    qsizetype last = t.size();
    while (first < last && t.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && t.at(last - 1) == QLatin1Char(' '))
        --last;

    QString stem;
    stem.reserve(last - first);
    for (qsizetype i = first; i < last; ++i) {
        const QChar c = t.at(i);
        if (c == QLatin1Char(' ') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            stem += QLatin1Char('_');
        else
            stem += c;
    }
    return stem;
}

QString fileName(const QString &stem)
{
    return stem + QStringLiteral(".mdb");
}

QString refusal(const QString &stem)
{
    if (stem.contains(QLatin1Char('/')))
        return QStringLiteral("Le titre contient le caractère « / », qui ne peut pas figurer "
                              "dans un nom de fichier. Choisissez un autre titre.");
    if (stem.contains(QChar(0)))
        return QStringLiteral("Le titre contient un caractère nul, qui ne peut pas figurer "
                              "dans un nom de fichier. Choisissez un autre titre.");
    if (stem == QLatin1String(".") || stem == QLatin1String(".."))
        return QStringLiteral("Le titre « %1 » désigne un dossier et ne peut pas servir de "
                              "nom de fichier. Choisissez un autre titre.")
            .arg(stem);
    return QString();
}

} // namespace analysisname
