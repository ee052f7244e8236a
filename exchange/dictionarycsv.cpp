#include "exchange/dictionarycsv.h"

#include "exchange/csv.h"
#include "exchange/paragraphs.h"

namespace exchange {

namespace {

struct Record
{
    int line = 0; // where it starts, from 1
    QStringList fields;
};

// The separator the first record holds most, outside quotes.
QChar separatorOf(const QString &text)
{
    int semicolons = 0;
    int commas = 0;
    int tabs = 0;
    bool quoted = false;
    bool any = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (!quoted && (c == QLatin1Char('\n') || c == QLatin1Char('\r'))) {
            if (any)
                break;
        } else if (!quoted) {
            any = any || !c.isSpace();
            semicolons += c == QLatin1Char(';');
            commas += c == QLatin1Char(',');
            tabs += c == QLatin1Char('\t');
        }
    }
    if (tabs > semicolons && tabs > commas)
        return QLatin1Char('\t');
    return commas > semicolons ? QLatin1Char(',') : QLatin1Char(';');
}

// The records; a quote left open is thrown with its line.
std::vector<Record> split(const QString &text, QChar separator)
{
    std::vector<Record> records;
    int line = 1;
    Record record;
    record.line = 1;
    QString field;
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto endRecord = [&] {
        record.fields << field;
        field.clear();
        bool blank = true;
        for (const QString &f : std::as_const(record.fields))
            blank = blank && f.trimmed().isEmpty();
        if (!blank)
            records.push_back(std::move(record));
        record = Record();
    };
    while (i < n) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"') && field.trimmed().isEmpty()) {
            const int opened = line;
            field.clear();
            ++i;
            for (;;) {
                if (i >= n)
                    throw ReadFailure(
                        dictionaryLineFault(opened,
                                            QStringLiteral(
                                                "un guillemet ouvert n'est jamais refermé.")));
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
                if (q == QLatin1Char('\n')
                    || (q == QLatin1Char('\r')
                        && !(i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))))
                    ++line;
                field += q;
                ++i;
            }
            continue;
        }
        if (c == separator) {
            record.fields << field;
            field.clear();
            ++i;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            i += (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) ? 2
                                                                                              : 1;
            endRecord();
            ++line;
            record.line = line;
        } else {
            field += c;
            ++i;
        }
    }
    endRecord();
    return records;
}

// A header word without its case, accents nor plural.
QString folded(const QString &word)
{
    QString out;
    for (const QChar c : word.trimmed().toLower().normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            out += c;
    if (out.endsWith(QLatin1Char('s')))
        out.chop(1);
    return out;
}

bool isHeader(const Record &record)
{
    if (record.fields.size() < 2)
        return false;
    static const QStringList categories{QStringLiteral("categorie"), QStringLiteral("category")};
    static const QStringList entries{QStringLiteral("entree"), QStringLiteral("entry"),
                                     QStringLiteral("entrie"), QStringLiteral("mot"),
                                     QStringLiteral("word"),   QStringLiteral("terme"),
                                     QStringLiteral("motif"),  QStringLiteral("pattern")};
    return categories.contains(folded(record.fields.at(0)))
        && entries.contains(folded(record.fields.at(1)));
}

} // namespace

words::Dictionary DictionaryCsv::parse(const QString &text, QStringList *notes) const
{
    Q_UNUSED(notes);
    const std::vector<Record> records = split(text, separatorOf(text));
    DictionaryBuilder builder;
    for (size_t r = 0; r < records.size(); ++r) {
        const Record &record = records[r];
        if (r == 0 && isHeader(record))
            continue;
        for (qsizetype f = 2; f < record.fields.size(); ++f)
            if (!record.fields.at(f).trimmed().isEmpty())
                throw ReadFailure(
                    dictionaryLineFault(record.line,
                                        QStringLiteral(
                                            "deux champs étaient attendus (la catégorie, "
                                            "l'entrée), « %1 » a été trouvé en plus.")
                                            .arg(record.fields.at(f).trimmed())));
        const QString path = csv::fromInert(record.fields.at(0).trimmed());
        if (path.trimmed().isEmpty())
            throw ReadFailure(
                dictionaryLineFault(record.line,
                                    QStringLiteral("la catégorie de l'entrée « %1 » manque dans le "
                                                   "premier champ.")
                                        .arg(record.fields.value(1).trimmed())));
        const int category = builder.categoryAt(path, record.line);
        const QString written = csv::fromInert(record.fields.value(1).trimmed());
        if (written.trimmed().isEmpty())
            continue;
        words::DictionaryEntry entry;
        const QString fault = parseDictionaryEntry(written, true, &entry);
        if (!fault.isEmpty())
            throw ReadFailure(dictionaryLineFault(record.line, fault));
        builder.add(category, entry, record.line);
    }
    return builder.take();
}

DictionaryWriting DictionaryCsv::write(const words::Dictionary &dictionary)
{
    DictionaryWriting writing;
    writing.error = dictionaryFault(dictionary);
    if (!writing.ok())
        return writing;
    const QChar separator = QLatin1Char(';');
    QString out;
    const auto record = [&](const QString &category, const QString &entry) {
        out += csv::field(csv::inert(category), separator);
        out += separator;
        out += csv::field(csv::inert(entry), separator);
        out += QLatin1String(csv::kEndOfRecord);
    };
    record(QStringLiteral("catégorie"), QStringLiteral("entrée"));
    for (const words::DictionaryCategory &c : dictionary.categories) {
        if (c.entries.empty())
            record(c.path(), QString());
        for (const words::DictionaryEntry &e : c.entries)
            record(c.path(), writtenDictionaryEntry(e));
    }
    writing.bytes = QByteArray(csv::kBom) + out.toUtf8();
    return writing;
}

QString DictionaryCsv::writeFile(const words::Dictionary &dictionary, const QString &path)
{
    const DictionaryWriting writing = write(dictionary);
    if (!writing.ok())
        return writing.error;
    return saveDictionaryBytes(writing.bytes, path);
}

} // namespace exchange
