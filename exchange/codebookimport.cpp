#include "exchange/codebookimport.h"

#include "exchange/codebookexport.h"
#include "exchange/csv.h"
#include "store/codebookstore.h"

#include <QFile>
#include <QRegularExpression>

namespace coding {
namespace {

// A codebook is a few hundred lines; a bigger file is not one.
constexpr qint64 kMostBytes = 64 * 1024 * 1024;

CodebookReading refused(int line, const QString &problem)
{
    CodebookReading reading;
    reading.message = QStringLiteral("ligne %1 : %2").arg(line).arg(problem);
    return reading;
}

QString headerShown(const QStringList &header, QChar separator)
{
    return header.join(separator);
}

} // namespace

CodebookReading parseCodebook(const QByteArray &bytes)
{
    int badLine = 0;
    const QString text = csv::decodeUtf8(bytes, &badLine);
    if (badLine > 0)
        return refused(badLine, QStringLiteral("le texte n'est pas en UTF-8 (enregistrez le "
                                               "fichier en UTF-8)"));
    const QStringList full = codebookHeader();
    QStringList short_ = full;
    short_.removeAll(QStringLiteral("numero"));

    // The separator is the header's.
    const qsizetype firstEnd = text.indexOf(QRegularExpression(QStringLiteral("[\\r\\n]")));
    const QString firstLine = firstEnd < 0 ? text : text.left(firstEnd);
    if (firstLine.trimmed().isEmpty())
        return refused(1, QStringLiteral("le fichier ne commence pas par l'en-tête « %1 »")
                              .arg(headerShown(full, QLatin1Char(';'))));
    const QChar separator = firstLine.contains(QLatin1Char(';')) ? QLatin1Char(';')
                                                                  : QLatin1Char(',');
    const csv::Parsed parsed = csv::parse(text, separator);
    if (parsed.records.empty() && parsed.badLine > 0)
        return refused(parsed.badLine, parsed.problem);

    QStringList header;
    for (const QString &field : parsed.records.front().fields)
        header << field.trimmed().toLower();
    const bool withNumber = header == full;
    if (!withNumber && header != short_)
        return refused(1, QStringLiteral("l'en-tête est « %1 », pour « %2 » (le livre de codes "
                                         "qu'exporte Analyse de contenu)")
                              .arg(parsed.records.front().fields.join(separator),
                                   headerShown(full, separator)));
    const int fields = int(header.size());
    const int valueField = withNumber ? 3 : 2;
    const int definitionField = valueField + 1;

    lists::Codebook codebook;
    for (size_t r = 1; r < parsed.records.size(); ++r) {
        const csv::Record &record = parsed.records[r];
        // Blank lines (a last line break, a spreadsheet's empty rows) hold nothing.
        if (record.fields.size() == 1 && record.fields.front().trimmed().isEmpty())
            continue;
        if (int(record.fields.size()) != fields)
            return refused(record.line, QStringLiteral("%1 champs au lieu de %2")
                                            .arg(record.fields.size())
                                            .arg(fields));
        const QString listText = record.fields.at(0).trimmed();
        bool number = false;
        const int list = listText.toInt(&number);
        if (!number || list < 1 || list > codebook::kLists)
            return refused(record.line, QStringLiteral("la liste « %1 » n'existe pas (listes 1 "
                                                       "à 5)")
                                            .arg(listText));
        const QString name = csv::fromInert(record.fields.at(1)).trimmed();
        if (name.contains(QChar(0)) || name.toUcs4().size() > 255)
            return refused(record.line, QStringLiteral("le nom de la liste contient un caractère "
                                                       "nul (NUL) ou dépasse 255 caractères"));
        const QString value = csv::fromInert(record.fields.at(valueField));
        if (!value.trimmed().isEmpty()) {
            const QString problem = lists::valueProblem(value);
            if (!problem.isEmpty())
                return refused(record.line, QStringLiteral("la valeur %1 ne peut pas être prise : "
                                                           "%2")
                                                .arg(lists::quoted(value), problem));
        }
        const QString definition = csv::fromInert(record.fields.at(definitionField));
        if (definition.contains(QChar(0)))
            return refused(record.line, QStringLiteral("la définition contient un caractère nul "
                                                       "(NUL)"));
        // Every line of a list repeats its name: the first one given counts.
        QString &listName = codebook.names[size_t(list - 1)];
        if (listName.isEmpty())
            listName = name;
        codebook.entries.push_back({list, value, definition});
    }
    if (parsed.badLine > 0)
        return refused(parsed.badLine, parsed.problem);
    CodebookReading reading;
    reading.codebook = std::move(codebook);
    return reading;
}

CodebookReading readCodebook(const QString &file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        CodebookReading reading;
        reading.message = QStringLiteral("Le livre de codes « %1 » ne peut pas être lu : %2.")
                              .arg(file, in.errorString());
        return reading;
    }
    if (in.size() > kMostBytes) {
        CodebookReading reading;
        reading.message = QStringLiteral("Le fichier « %1 » est trop gros pour un livre de codes "
                                         "(plus de 64 Mo).")
                              .arg(file);
        return reading;
    }
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        CodebookReading reading;
        reading.message = QStringLiteral("Le livre de codes « %1 » ne peut pas être lu : %2.")
                              .arg(file, in.errorString());
        return reading;
    }
    CodebookReading reading = parseCodebook(bytes);
    if (!reading.codebook)
        reading.message = QStringLiteral("Le livre de codes « %1 » n'a pas été importé, "
                                         "l'analyse n'a pas été changée : %2.")
                              .arg(file, reading.message);
    return reading;
}

} // namespace coding
