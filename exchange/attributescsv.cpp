#include "exchange/attributescsv.h"

#include "analysis/textfile.h"
#include "common/filecause.h"
#include "exchange/csv.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QStringList>

#include <cerrno>

namespace {

QString decoded(const QByteArray &bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith(csv::kBom))
        view = view.sliced(3);
    textfile::Utf8Validator validator;
    if (validator.feed(view.data(), view.size()) && validator.finish())
        return QString::fromUtf8(view);
    QByteArray utf8;
    textfile::appendWindows1252(utf8, view.data(), view.size());
    return QString::fromUtf8(utf8);
}

struct Record {
    int line = 0; // where it starts, from 1
    QStringList fields;
};

// The separator the header holds more often, outside quotes.
QChar separatorOf(const QString &text)
{
    int semicolons = 0;
    int commas = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && (c == QLatin1Char('\n') || c == QLatin1Char('\r')))
            break;
        else if (!quoted && c == QLatin1Char(';'))
            ++semicolons;
        else if (!quoted && c == QLatin1Char(','))
            ++commas;
    }
    return commas > semicolons ? QLatin1Char(',') : QLatin1Char(';');
}

// Splits the text into records; false with the line of a quote left open.
bool split(const QString &text, QChar separator, std::vector<Record> *records, int *openLine)
{
    int line = 1;
    Record record;
    record.line = 1;
    QString field;
    bool any = false; // the record holds something (a separator, a character, quotes)
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto endRecord = [&] {
        record.fields << field;
        field.clear();
        // A record of empty fields only (";;;" below a spreadsheet's table)
        // is as blank as an empty line.
        bool blank = true;
        for (const QString &f : std::as_const(record.fields))
            blank = blank && f.trimmed().isEmpty();
        if (any && !blank)
            records->push_back(std::move(record));
        record = Record();
        any = false;
    };
    while (i < n) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"') && field.isEmpty()) {
            // A quoted field: up to the quote that is not doubled.
            const int start = line;
            any = true;
            ++i;
            for (;;) {
                if (i >= n) {
                    *openLine = start;
                    return false;
                }
                const QChar q = text.at(i);
                if (q == QLatin1Char('"')) {
                    if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (q == QLatin1Char('\n') || (q == QLatin1Char('\r')
                                               && !(i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))))
                    ++line;
                field += q;
                ++i;
            }
            // Characters after the closing quote are kept, as spreadsheets do.
            continue;
        }
        if (c == separator) {
            record.fields << field;
            field.clear();
            any = true;
            ++i;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            i += (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) ? 2
                                                                                              : 1;
            endRecord();
            ++line;
            record.line = line;
        } else {
            field += c;
            any = true;
            ++i;
        }
    }
    endRecord();
    return true;
}

QString lineFault(int line, const QString &what)
{
    return QStringLiteral("ligne %1 : %2").arg(line).arg(what);
}

QString slashes(QString path)
{
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

// Finds a text by its number, its file name or its path.
class TextFinder
{
public:
    explicit TextFinder(const std::vector<attributes::Text> &texts)
    {
        for (const attributes::Text &t : texts) {
            m_numbers.insert(t.number);
            m_names[attributes::fileName(t.path)].push_back(t.number);
            m_paths.insert(slashes(t.path), t.number);
        }
    }

    // The text's number, or 0 with the fault.
    qint64 find(const QString &given, QString *fault) const
    {
        bool ok = false;
        const qint64 number = given.toLongLong(&ok);
        if (ok && m_numbers.contains(number))
            return number;
        const auto named = m_names.constFind(given);
        if (named != m_names.constEnd()) {
            if (named->size() == 1)
                return named->front();
            QStringList numbers;
            for (qint64 n : *named)
                numbers << QString::number(n);
            *fault = QStringLiteral("le nom « %1 » est celui de plusieurs textes (n° %2) : "
                                    "donnez son numéro ou son chemin complet.")
                         .arg(given, numbers.join(QStringLiteral(", ")));
            return 0;
        }
        const auto path = m_paths.constFind(slashes(given));
        if (path != m_paths.constEnd())
            return *path;
        *fault = QStringLiteral("aucun texte « %1 » dans l'analyse.").arg(given);
        return 0;
    }

private:
    QSet<qint64> m_numbers;
    QHash<QString, std::vector<qint64>> m_names;
    QHash<QString, qint64> m_paths;
};

} // namespace

AttributesCsv::Read AttributesCsv::read(const QByteArray &bytes,
                                        const std::vector<attributes::Text> &texts)
{
    Read result;
    const QString text = decoded(bytes);
    const QChar separator = separatorOf(text);
    std::vector<Record> records;
    int open = 0;
    if (!split(text, separator, &records, &open)) {
        result.error = lineFault(open, QStringLiteral("un guillemet ouvert n'est jamais refermé."));
        return result;
    }
    if (records.empty()) {
        result.error = QStringLiteral("Le fichier est vide : sa première ligne doit nommer les "
                                      "colonnes (le texte, puis un attribut par colonne).");
        return result;
    }

    const Record &header = records.front();
    const int columns = int(header.fields.size());
    if (columns < 2) {
        result.error = lineFault(header.line,
                                 QStringLiteral("l'en-tête ne nomme aucun attribut : après la "
                                                "colonne du texte, une colonne par attribut, "
                                                "séparées par « ; » ou « , »."));
        return result;
    }
    for (int c = 1; c < columns; ++c) {
        const QString name = header.fields.at(c).trimmed();
        const QString fault = attributes::nameFault(name);
        if (!fault.isEmpty()) {
            result.error = lineFault(header.line, QStringLiteral("colonne %1 : %2")
                                                      .arg(c + 1)
                                                      .arg(fault));
            return result;
        }
        for (const QString &before : std::as_const(result.sheet.names))
            if (before.compare(name, Qt::CaseInsensitive) == 0) {
                result.error = lineFault(header.line,
                                         QStringLiteral("la colonne « %1 » est donnée deux fois.")
                                             .arg(name));
                return result;
            }
        result.sheet.names << name;
    }

    const TextFinder finder(texts);
    std::map<qint64, int> lineOf;
    for (size_t r = 1; r < records.size(); ++r) {
        const Record &record = records[r];
        if (record.fields.size() != columns) {
            result.error = lineFault(record.line, QStringLiteral("%1 champs, quand l'en-tête a %2 "
                                                                 "colonnes.")
                                                      .arg(record.fields.size())
                                                      .arg(columns));
            result.sheet = {};
            return result;
        }
        const QString given = record.fields.front().trimmed();
        if (given.isEmpty()) {
            result.error = lineFault(record.line,
                                     QStringLiteral("la première colonne ne nomme aucun texte."));
            result.sheet = {};
            return result;
        }
        QString fault;
        const qint64 number = finder.find(given, &fault);
        if (number == 0) {
            result.error = lineFault(record.line, fault);
            result.sheet = {};
            return result;
        }
        const auto [earlier, fresh] = lineOf.emplace(number, record.line);
        if (!fresh) {
            result.error = lineFault(record.line, QStringLiteral("le texte n° %1 est déjà donné "
                                                                 "ligne %2.")
                                                      .arg(number)
                                                      .arg(earlier->second));
            result.sheet = {};
            return result;
        }
        attributes::Sheet::Row row;
        row.text = number;
        for (int c = 1; c < columns; ++c) {
            const QString value = record.fields.at(c).trimmed();
            const QString refused = attributes::valueFault(value);
            if (!refused.isEmpty()) {
                result.error = lineFault(record.line,
                                         QStringLiteral("colonne « %1 » : %2")
                                             .arg(result.sheet.names.at(c - 1), refused));
                result.sheet = {};
                return result;
            }
            row.values << value;
        }
        result.sheet.rows.push_back(std::move(row));
    }
    return result;
}

AttributesCsv::Read AttributesCsv::readFile(const QString &path,
                                            const std::vector<attributes::Text> &texts)
{
    Read result;
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("Le fichier « %1 » n'a pas pu être ouvert : %2.")
                           .arg(path, filecause::fromFileError(file.error(), errno));
        return result;
    }
    if (file.size() > kMaxBytes) {
        result.error = QStringLiteral("Le fichier « %1 » est trop gros pour un tableau "
                                      "d'attributs (%2 Mo au plus).")
                           .arg(path)
                           .arg(kMaxBytes / (1024 * 1024));
        return result;
    }
    errno = 0;
    const QByteArray bytes = file.read(kMaxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        result.error = QStringLiteral("Le fichier « %1 » n'a pas pu être lu : %2.")
                           .arg(path, filecause::fromFileError(file.error(), errno));
        return result;
    }
    if (bytes.size() > kMaxBytes) {
        result.error = QStringLiteral("Le fichier « %1 » est trop gros pour un tableau "
                                      "d'attributs (%2 Mo au plus).")
                           .arg(path)
                           .arg(kMaxBytes / (1024 * 1024));
        return result;
    }
    return read(bytes, texts);
}

QString AttributesCsv::write(const std::vector<attributes::Text> &texts,
                             const std::vector<attributes::Attribute> &names,
                             const std::vector<std::map<qint64, QString>> &values)
{
    const QChar separator = QLatin1Char(';');
    QString out;
    auto record = [&](const QStringList &fields) {
        for (int i = 0; i < fields.size(); ++i) {
            if (i > 0)
                out += separator;
            out += csv::field(fields.at(i), separator);
        }
        out += QLatin1Char('\n');
    };
    QStringList header{QStringLiteral("texte"), QStringLiteral("fichier")};
    for (const attributes::Attribute &a : names)
        header << a.name;
    record(header);
    for (const attributes::Text &t : texts) {
        QStringList fields{QString::number(t.number), attributes::fileName(t.path)};
        for (size_t a = 0; a < names.size(); ++a) {
            QString value;
            if (a < values.size()) {
                const auto found = values[a].find(t.number);
                if (found != values[a].end())
                    value = found->second;
            }
            fields << value;
        }
        record(fields);
    }
    return out;
}
