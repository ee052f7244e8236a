#include "exchange/iramuteqexport.h"

#include "common/safefile.h"
#include "store/attributestore.h"
#include "store/codebookstore.h"
#include "store/exportstore.h"
#include "store/storeerror.h"

#include <QHash>
#include <map>
#include <vector>

namespace coding {

namespace {

// "\n" for every line end of a stored segment (CR LF, a lone CR). A line
// of the text that would begin with "****" gets a space before it, so that
// Iramuteq never reads it as the starred line of a new text.
void appendSegment(QByteArray &out, const QByteArray &segment)
{
    const qsizetype n = segment.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = segment.at(i);
        if (c != '\r') {
            if (c == '*' && (out.isEmpty() || out.endsWith('\n'))
                && QByteArrayView(segment).sliced(i).startsWith("****"))
                out += ' ';
            out += c;
            continue;
        }
        out += '\n';
        if (i + 1 < n && segment.at(i + 1) == '\n')
            ++i;
    }
}

class Export
{
public:
    Export(CodingStore &store, const QString &file, const IramuteqOptions &options,
           const ExportProgress &progress)
        : m_store(store), m_file(file), m_options(options), m_progress(progress), m_out(file)
    {
    }

    ExportOutcome run()
    {
        try {
            Connection &db = m_store.connection();
            for (const attributes::Attribute &a : attributes::list(db))
                m_attributes.push_back({safeName(a.name).toUtf8(), attributes::values(db, a.number)});
            const std::array<QString, kLists> lists = codebook::listNames(db);
            for (int k = 0; k < kLists; ++k)
                m_lists[size_t(k)] = safeName(lists[size_t(k)]).toUtf8();
            if (!m_out.open(QIODevice::WriteOnly))
                return writeFailure();
            ExportReader reader(db);
            m_total = reader.segmentCount();
            if (m_progress && !m_progress(0, m_total))
                return cancelled();
            reader.forEachSegment([this](const ExportSegment &s) { return segment(s); });
        } catch (const StoreError &e) {
            m_out.discard();
            m_outcome.status = ExportOutcome::Failed;
            m_outcome.message = QStringLiteral("L'analyse n'a pas pu être lue ; le fichier « %1 » "
                                               "n'a pas été écrit.\n\n%2")
                                    .arg(m_file, e.message());
            return m_outcome;
        }
        if (m_cancelled)
            return cancelled();
        if (m_failed || !endUnit() || !flush() || !m_out.commit())
            return writeFailure();
        if (m_progress)
            m_progress(m_total, m_total);
        m_outcome.status = ExportOutcome::Done;
        return m_outcome;
    }

private:
    struct Attribute {
        QByteArray name;
        std::map<qint64, QString> values; // by text
    };

    bool segment(const ExportSegment &s)
    {
        if (m_progress && m_done > 0 && m_done % 256 == 0 && !m_progress(m_done, m_total)) {
            m_cancelled = true;
            return false;
        }
        ++m_done;
        if (m_options.withCodes)
            return codedSegment(s);
        if (s.textNumber != m_text) {
            if (!endUnit())
                return false;
            m_text = s.textNumber;
            starredLine(s.textNumber);
            m_open = true;
        } else {
            m_pending += ' ';
        }
        appendSegment(m_pending, s.segmentText);
        ++m_outcome.segments;
        return true;
    }

    bool codedSegment(const ExportSegment &s)
    {
        std::array<std::vector<QByteArray>, kLists> values;
        bool coded = false;
        for (const ExportCoding &c : s.codings)
            for (int k = 0; k < kLists; ++k) {
                const QByteArray &v = c.value[size_t(k)];
                if (v.isEmpty())
                    continue;
                const QByteArray safe = safeValue(QString::fromUtf8(v)).toUtf8();
                std::vector<QByteArray> &list = values[size_t(k)];
                if (std::find(list.begin(), list.end(), safe) == list.end())
                    list.push_back(safe);
                coded = true;
            }
        if (!coded)
            return true;
        starredLine(s.textNumber);
        for (int k = 0; k < kLists; ++k)
            for (const QByteArray &v : values[size_t(k)])
                m_pending += " *" + m_lists[size_t(k)] + '_' + v;
        m_pending += '\n';
        appendSegment(m_pending, s.segmentText);
        m_open = true;
        ++m_outcome.segments;
        return endUnit();
    }

    // The starred line of a text's attributes, without its line end.
    void starredLine(qint64 text)
    {
        m_pending += "****";
        for (const Attribute &a : m_attributes) {
            const auto v = a.values.find(text);
            if (v != a.values.end())
                m_pending += " *" + a.name + '_' + safeValue(v->second).toUtf8();
        }
        if (!m_options.withCodes)
            m_pending += '\n';
    }

    // Ends the unit in progress; what is pending goes to the file by 64 KiB.
    bool endUnit()
    {
        if (!m_open)
            return true;
        m_pending += '\n';
        m_open = false;
        ++m_outcome.records;
        return m_pending.size() < 64 * 1024 || flush();
    }

    bool flush()
    {
        if (!m_pending.isEmpty() && m_out.write(m_pending) != m_pending.size()) {
            m_failed = true;
            return false;
        }
        m_pending.resize(0);
        return true;
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

    ExportOutcome cancelled()
    {
        m_out.discard();
        m_outcome.status = ExportOutcome::Cancelled;
        return m_outcome;
    }

    CodingStore &m_store;
    QString m_file;
    IramuteqOptions m_options;
    ExportProgress m_progress;
    SafeFile m_out;
    std::vector<Attribute> m_attributes;
    std::array<QByteArray, kLists> m_lists;
    QByteArray m_pending;
    ExportOutcome m_outcome;
    qint64 m_text = 0; // the text whose unit is open (texts without codes)
    bool m_open = false;
    qint64 m_total = 0;
    qint64 m_done = 0;
    bool m_failed = false;
    bool m_cancelled = false;
};

} // namespace

QString safeValue(const QString &value)
{
    QString safe = value.trimmed();
    for (QChar &c : safe)
        if (c.isSpace() || c == QLatin1Char('*') || c.category() == QChar::Other_Control)
            c = QLatin1Char('_');
    return safe;
}

QString safeName(const QString &name)
{
    return safeValue(name).replace(QLatin1Char('_'), QLatin1Char('-'));
}

ExportOutcome exportIramuteq(CodingStore &store, const QString &file,
                             const IramuteqOptions &options, const ExportProgress &progress)
{
    const QString refused = refuseTheDatabase(store.path(), file, QStringLiteral("Le corpus"));
    if (!refused.isEmpty()) {
        ExportOutcome outcome;
        outcome.message = refused;
        return outcome;
    }
    return Export(store, file, options, progress).run();
}

} // namespace coding
