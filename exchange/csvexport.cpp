#include "exchange/csvexport.h"

#include "exchange/csv.h"
#include "common/frenchorder.h"
#include "common/safefile.h"
#include "store/attributestore.h"
#include "store/codebookstore.h"
#include "store/exportstore.h"
#include "store/storeerror.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include <map>

#include <sys/stat.h>

namespace coding {
namespace {

// Makes each label of the header unique: a label found twice gets its
// column's own precision (the list, the value's number) appended.
void makeUnique(QStringList &labels, const QStringList &precisions)
{
    QHash<QString, int> seen;
    for (const QString &l : labels)
        ++seen[l];
    for (int i = 0; i < labels.size(); ++i)
        if (seen.value(labels.at(i)) > 1 && !precisions.at(i).isEmpty())
            labels[i] += QStringLiteral(" (%1)").arg(precisions.at(i));
}

// The text's columns, one per attribute of the texts, then the segment's;
// `precisions` receives what tells each apart when two labels are the same.
QStringList fixedColumns(const ExportOptions &options, const QStringList &attributeNames,
                         QStringList *precisions = nullptr)
{
    QStringList columns{QStringLiteral("numtexte"),
                        options.fileName ? QStringLiteral("fichier") : QStringLiteral("chemin")};
    QStringList what(2, QString());
    for (const QString &name : attributeNames) {
        columns << (options.raw ? name : csv::inert(name));
        what << QStringLiteral("attribut");
    }
    columns << QStringLiteral("numsegment") << QStringLiteral("texte");
    what << QString() << QString();
    if (precisions)
        *precisions = what;
    return columns;
}

// One column of the wide layout.
struct WideColumn {
    int list = 0; // 0 to 4
    qint64 value = 0;
};

class Export
{
public:
    Export(CodingStore &store, const QString &file, const ExportOptions &options,
           const ExportProgress &progress)
        : m_store(store), m_file(file), m_options(options), m_progress(progress),
          m_out(file), m_writer(&m_out, options.separator),
          m_separator(options.separator.toLatin1())
    {
    }

    ExportOutcome run()
    {
        try {
            if (!prepareHeader())
                return m_outcome;
            if (!m_out.open(QIODevice::WriteOnly))
                return writeFailure();
            if (!m_writer.writeBom() || !m_writer.write(m_header))
                return writeFailure();
            ExportReader reader(m_store.connection(),
                                m_options.withoutSuggestions ? ExportReader::Suggestions::LeftOut
                                : marked()                   ? ExportReader::Suggestions::Marked
                                                             : ExportReader::Suggestions::Ignored);
            m_total = reader.segmentCount();
            if (m_progress && !m_progress(0, m_total))
                return cancelled();
            reader.forEachSegment([this](const ExportSegment &s) { return segment(s); });
        } catch (const StoreError &e) {
            m_out.discard();
            m_outcome.status = ExportOutcome::Failed;
            m_outcome.message = QStringLiteral("Le codage n'a pas pu être lu ; le fichier « %1 » "
                                               "n'a pas été écrit.\n\n%2")
                                    .arg(m_file, e.message());
            return m_outcome;
        }
        if (!m_failed && !m_cancelled)
            flush();
        if (m_failed)
            return m_outcome.message.isEmpty() ? writeFailure() : failed();
        if (m_cancelled)
            return cancelled();
        if (!m_out.commit())
            return writeFailure();
        if (m_progress)
            m_progress(m_total, m_total);
        m_outcome.status = ExportOutcome::Done;
        return m_outcome;
    }

private:
    QString text(const QString &value) const { return m_options.raw ? value : csv::inert(value); }

    bool prepareHeader()
    {
        const std::array<QString, kLists> names = codebook::listNames(m_store.connection());
        QStringList attributeNames;
        for (const attributes::Attribute &a : attributes::list(m_store.connection())) {
            attributeNames << a.name;
            m_attributes.push_back(attributes::values(m_store.connection(), a.number));
        }
        if (m_options.layout == ExportOptions::Layout::Long) {
            m_header = exportHeader(names, m_options, attributeNames);
            return true;
        }
        QStringList precisions;
        m_header = fixedColumns(m_options, attributeNames, &precisions);
        for (int k = 0; k < kLists; ++k) {
            // The columns of a list in the order the coding window lists its values.
            std::vector<french::OrderedValue> values;
            for (const ListValue &v : m_store.listValues(k + 1)) {
                if (!v.value.isEmpty())
                    values.push_back({v.numero, v.value});
            }
            french::sortFrench(values);
            for (const french::OrderedValue &v : values) {
                m_columnOf[k].insert(v.numero, int(m_columns.size()));
                m_columns.push_back(WideColumn{k, v.numero});
                m_header << text(names[size_t(k)] + QStringLiteral(": ") + v.text);
                precisions << QStringLiteral("n° %1").arg(v.numero);
            }
        }
        m_header << QStringLiteral("note");
        precisions << QString();
        makeUnique(m_header, precisions);
        return true;
    }

    // Appends the segment's first four fields to the pending records.
    void start(const ExportSegment &s)
    {
        m_records += QByteArray::number(s.textNumber);
        m_records += m_separator;
        csv::appendField(m_records,
                         m_options.fileName ? fileNameOf(s.textPath) : QByteArrayView(s.textPath),
                         m_separator, !m_options.raw);
        for (const std::map<qint64, QString> &values : m_attributes) {
            m_records += m_separator;
            const auto value = values.find(s.textNumber);
            if (value != values.end())
                csv::appendField(m_records, value->second.toUtf8(), m_separator, !m_options.raw);
        }
        m_records += m_separator;
        m_records += QByteArray::number(s.segmentNumber);
        m_records += m_separator;
        csv::appendField(m_records, s.segmentText, m_separator, !m_options.raw);
    }

    // The last field of every record: the segment's note (empty when none).
    void appendNote(const ExportSegment &s)
    {
        m_records += m_separator;
        csv::appendField(m_records, s.note, m_separator, !m_options.raw);
    }

    // Ends a record; the pending records go to the file by 64 KiB.
    bool endRecord()
    {
        m_records += csv::kEndOfRecord;
        ++m_outcome.records;
        if (m_records.size() >= 64 * 1024)
            return flush();
        return true;
    }

    bool flush()
    {
        if (!m_writer.writeRecords(m_records)) {
            m_failed = true;
            return false;
        }
        m_records.resize(0);
        return true;
    }

    bool segment(const ExportSegment &s)
    {
        if (m_progress && m_done > 0 && m_done % 256 == 0 && !m_progress(m_done, m_total)) {
            m_cancelled = true;
            return false;
        }
        ++m_done;
        bool coded = false;
        for (const ExportCoding &c : s.codings)
            coded = coded || c.holdsValue();
        if (m_options.codedOnly && !coded) {
            ++m_outcome.segmentsLeft;
            m_outcome.emptyRowsLeft += qint64(s.codings.size());
            return true;
        }
        ++m_outcome.segments;
        return m_options.layout == ExportOptions::Layout::Long ? writeLong(s) : writeWide(s);
    }

    // The accepted suggestions have their columns (long layout only).
    bool marked() const
    {
        return m_options.markSuggestions && !m_options.withoutSuggestions
               && m_options.layout == ExportOptions::Layout::Long;
    }

    bool writeLong(const ExportSegment &s)
    {
        if (s.codings.empty()) {
            start(s);
            for (int i = 0; i < (marked() ? 3 : 2) * kLists; ++i)
                m_records += m_separator;
            appendNote(s);
            return endRecord();
        }
        for (const ExportCoding &c : s.codings) {
            if (m_options.codedOnly && !c.holdsValue()) {
                ++m_outcome.emptyRowsLeft;
                continue;
            }
            start(s);
            for (int k = 0; k < kLists; ++k) {
                m_records += m_separator;
                m_records += QByteArray::number(c.numvar[size_t(k)]);
                m_records += m_separator;
                csv::appendField(m_records, c.value[size_t(k)], m_separator, !m_options.raw);
                if (marked()) {
                    m_records += m_separator;
                    m_records += c.accepted[size_t(k)] ? '1' : '0';
                }
            }
            appendNote(s);
            if (!endRecord())
                return false;
        }
        return true;
    }

    bool writeWide(const ExportSegment &s)
    {
        m_ones.assign(m_columns.size(), 0);
        for (const ExportCoding &c : s.codings) {
            if (m_options.codedOnly && !c.holdsValue())
                ++m_outcome.emptyRowsLeft;
            for (int k = 0; k < kLists; ++k) {
                if (c.value[size_t(k)].isEmpty())
                    continue;
                const auto column = m_columnOf[k].constFind(c.numvar[size_t(k)]);
                if (column == m_columnOf[k].constEnd()) {
                    // A value added since the header was written.
                    m_failed = true;
                    m_outcome.message =
                        QStringLiteral("La liste %1 a changé pendant l'exportation (valeur "
                                       "« %2 ») ; le fichier « %3 » n'a pas été écrit. "
                                       "Recommencez l'exportation.")
                            .arg(k + 1)
                            .arg(QString::fromUtf8(c.value[size_t(k)]), m_file);
                    return false;
                }
                m_ones[size_t(*column)] = 1;
            }
        }
        start(s);
        for (const char v : m_ones) {
            m_records += m_separator;
            m_records += v ? '1' : '0';
        }
        appendNote(s);
        return endRecord();
    }

    ExportOutcome writeFailure()
    {
        m_out.discard();
        m_outcome.status = ExportOutcome::Failed;
        m_outcome.message = QStringLiteral("Le fichier « %1 » ne peut pas être écrit : %2. "
                                           "Aucun fichier n'a été remplacé.")
                                .arg(m_file, m_out.errorString());
        return m_outcome;
    }

    ExportOutcome failed()
    {
        m_out.discard();
        m_outcome.status = ExportOutcome::Failed;
        return m_outcome;
    }

    ExportOutcome cancelled()
    {
        m_out.discard();
        m_outcome.status = ExportOutcome::Cancelled;
        return m_outcome;
    }

    CodingStore &m_store;
    QString m_file;
    ExportOptions m_options;
    ExportProgress m_progress;
    SafeFile m_out;
    csv::Writer m_writer;
    char m_separator;
    QByteArray m_records; // written by 64 KiB
    std::vector<char> m_ones;
    QStringList m_header;
    std::vector<WideColumn> m_columns;
    std::array<QHash<qint64, int>, kLists> m_columnOf;
    // The values of each attribute of the texts, by text number.
    std::vector<std::map<qint64, QString>> m_attributes;
    ExportOutcome m_outcome;
    qint64 m_total = 0;
    qint64 m_done = 0;
    bool m_failed = false;
    bool m_cancelled = false;
};

} // namespace

QStringList exportHeader(const std::array<QString, kLists> &listNames,
                         const ExportOptions &options, const QStringList &attributeNames)
{
    QStringList precisions;
    QStringList header = fixedColumns(options, attributeNames, &precisions);
    for (int k = 0; k < kLists; ++k) {
        const QString name =
            options.raw ? listNames[size_t(k)] : csv::inert(listNames[size_t(k)]);
        header << name + QStringLiteral(" n°") << name;
        precisions << QStringLiteral("liste %1").arg(k + 1) << QStringLiteral("liste %1").arg(k + 1);
        if (options.markSuggestions && !options.withoutSuggestions) {
            header << name + QStringLiteral(" suggestion");
            precisions << QStringLiteral("liste %1").arg(k + 1);
        }
    }
    header << QStringLiteral("note");
    precisions << QString();
    makeUnique(header, precisions);
    return header;
}

QByteArrayView fileNameOf(QByteArrayView path)
{
    const qsizetype cut = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    return cut < 0 ? path : path.sliced(cut + 1);
}

QString refuseTheDatabase(const QString &database, const QString &file, const QString &what)
{
    struct stat a {};
    struct stat b {};
    if (::stat(QFile::encodeName(database).constData(), &a) == 0
        && ::stat(QFile::encodeName(file).constData(), &b) == 0 && a.st_dev == b.st_dev
        && a.st_ino == b.st_ino)
        return QStringLiteral("%1 ne peut pas être exporté dans la base d'analyse « %2 » "
                              "elle-même.")
            .arg(what, file);
    return QString();
}

ExportOutcome exportCsv(CodingStore &store, const QString &file, const ExportOptions &options,
                        const ExportProgress &progress)
{
    const QString refused = refuseTheDatabase(store.path(), file, QStringLiteral("Le codage"));
    if (!refused.isEmpty()) {
        ExportOutcome outcome;
        outcome.message = refused;
        return outcome;
    }
    return Export(store, file, options, progress).run();
}

QString describe(const ExportOptions &options)
{
    QStringList parts;
    parts << (options.layout == ExportOptions::Layout::Long ? QStringLiteral("disposition longue")
                                                            : QStringLiteral("disposition large"));
    if (options.codedOnly)
        parts << QStringLiteral("segments codés seulement");
    if (options.fileName)
        parts << QStringLiteral("nom du fichier du texte");
    if (options.withoutSuggestions)
        parts << QStringLiteral("sans les suggestions acceptées");
    else if (options.markSuggestions && options.layout == ExportOptions::Layout::Long)
        parts << QStringLiteral("suggestions acceptées marquées");
    parts << describeProtection(options);
    return parts.join(QStringLiteral(", "));
}

QString leftOutText(const ExportOutcome &outcome)
{
    return QStringLiteral("Laissés de côté : %1 ligne(s) de codage sans valeur (comptées « non "
                          "codé » par --resultats) et %2 segment(s) non codé(s).")
        .arg(outcome.emptyRowsLeft)
        .arg(outcome.segmentsLeft);
}

QString describeProtection(const ExportOptions &options)
{
    return options.raw ? QStringLiteral("export brut (valeurs telles qu'enregistrées)")
                       : QStringLiteral("champs protégés pour les tableurs");
}

} // namespace coding
