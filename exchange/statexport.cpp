#include "exchange/statexport.h"

#include "common/frenchorder.h"
#include "common/safefile.h"
#include "store/attributestore.h"
#include "store/codebookstore.h"
#include "store/codingstore.h"
#include "store/exportstore.h"
#include "store/storeerror.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>

#include <readstat.h>

#include <map>
#include <set>

namespace coding {

namespace {

// The bytes of `text` cut to at most `limit`, never inside a character.
QByteArray cutUtf8(const QByteArray &text, qint64 limit)
{
    if (text.size() <= limit)
        return text;
    qint64 end = limit;
    while (end > 0 && (static_cast<unsigned char>(text.at(end)) & 0xC0) == 0x80)
        --end;
    return text.left(end);
}

ssize_t writeBytes(const void *data, size_t length, void *context)
{
    auto *file = static_cast<SafeFile *>(context);
    return file->write(static_cast<const char *>(data), qint64(length)) == qint64(length)
               ? ssize_t(length)
               : -1;
}

} // namespace

// One export: the variables planned from the analysis, then one record per
// segment.
class StatExport
{
public:
    StatExport(const StatFileWriter &format, CodingStore &store, const QString &file,
               const ExportProgress &progress)
        : m_format(format), m_store(store), m_file(file), m_progress(progress), m_out(file)
    {
    }

    ~StatExport()
    {
        if (m_writer)
            readstat_writer_free(m_writer);
    }

    StatOutcome run()
    {
        try {
            Connection &db = m_store.connection();
            const ExportShape shape = exportShape(db);
            ExportReader reader(db);
            m_total = reader.segmentCount();
            m_writer = readstat_writer_init();
            readstat_set_data_writer(m_writer, &writeBytes);
            plan(shape);
            if (m_byReference && !addReferences())
                return cancelled();
            if (!m_out.open(QIODevice::WriteOnly))
                return writeFailure();
            readstat_error_t rc = readstat_error_t(m_format.begin(m_writer, &m_out, long(m_total)));
            if (rc == READSTAT_OK)
                rc = readstat_validate_metadata(m_writer);
            for (int i = 0; rc == READSTAT_OK && i < int(m_columns.size()); ++i) {
                rc = readstat_validate_variable(m_writer, m_columns[size_t(i)].variable);
                if (rc != READSTAT_OK)
                    return refused(rc, m_columns[size_t(i)].name);
            }
            if (rc != READSTAT_OK)
                return refused(rc, QString());
            if (m_progress && !m_progress(0, m_total))
                return cancelled();
            reader.forEachSegment([this](const ExportSegment &s) { return segment(s); });
            if (m_failed)
                return m_outcome.message.isEmpty() ? writeFailure() : failed();
            if (m_cancelled)
                return cancelled();
            if (m_outcome.records != m_total)
                return changed();
            rc = readstat_end_writing(m_writer);
            if (rc == READSTAT_ERROR_ROW_COUNT_MISMATCH)
                return changed();
            if (rc != READSTAT_OK)
                return refused(rc, QString());
        } catch (const StoreError &e) {
            m_out.discard();
            m_outcome.status = ExportOutcome::Failed;
            m_outcome.message = QStringLiteral("Le codage n'a pas pu être lu ; le fichier « %1 » "
                                               "n'a pas été écrit.\n\n%2")
                                    .arg(m_file, e.message());
            return m_outcome;
        }
        if (!m_out.commit())
            return writeFailure();
        if (m_progress)
            m_progress(m_total, m_total);
        m_outcome.status = ExportOutcome::Done;
        m_outcome.variables = qint64(m_columns.size());
        return m_outcome;
    }

private:
    enum class Kind { TextNumber, Path, SegmentNumber, Attribute, ListValue, ListFlag, Segment };

    struct Column {
        Kind kind = Kind::TextNumber;
        QString name;
        readstat_variable_t *variable = nullptr;
        int list = 0;       // 0 to 4, for the lists' columns
        qint64 value = 0;   // the value of a 0/1 column
        qint64 attribute = 0;
        attributes::Kind attributeKind = attributes::Kind::Text;
    };

    QByteArray label(const QString &text) const
    {
        return text.left(m_format.maxLabelLength()).toUtf8();
    }

    // Adds a variable, its name made valid unless `asItIs`.
    readstat_variable_t *add(Column column, readstat_type_t type, size_t width,
                             const QString &label, bool asItIs = false)
    {
        const QString name = asItIs ? column.name : m_format.variableName(column.name, m_taken);
        column.variable = readstat_add_variable(m_writer, name.toUtf8().constData(), type, width);
        readstat_variable_set_label(column.variable, this->label(label).constData());
        column.name = name;
        m_columns.push_back(column);
        return column.variable;
    }

    void plan(const ExportShape &shape)
    {
        Connection &db = m_store.connection();
        // The segment's text, written last, keeps its name.
        m_taken << QStringLiteral("texte");
        Column c;
        c.kind = Kind::TextNumber;
        c.name = QStringLiteral("numtexte");
        readstat_variable_set_measure(add(c, READSTAT_TYPE_INT32, 0,
                                          QStringLiteral("Numéro du texte")),
                                      READSTAT_MEASURE_NOMINAL);
        c.kind = Kind::Path;
        c.name = QStringLiteral("chemin");
        add(c, READSTAT_TYPE_STRING, size_t(std::max<qint64>(1, shape.longestPath)),
            QStringLiteral("Chemin du texte"));
        c.kind = Kind::SegmentNumber;
        c.name = QStringLiteral("numsegment");
        readstat_variable_set_measure(add(c, READSTAT_TYPE_INT32, 0,
                                          QStringLiteral("Numéro du segment")),
                                      READSTAT_MEASURE_NOMINAL);

        for (const attributes::Attribute &a : attributes::list(db)) {
            std::map<qint64, QString> values = attributes::values(db, a.number);
            std::vector<QString> all;
            qint64 width = 1;
            for (const auto &entry : values) {
                all.push_back(entry.second);
                width = std::max<qint64>(width, entry.second.toUtf8().size());
            }
            c = Column{};
            c.kind = Kind::Attribute;
            c.name = a.name;
            c.attribute = a.number;
            c.attributeKind = attributes::kindOf(all);
            readstat_variable_t *v = nullptr;
            if (c.attributeKind == attributes::Kind::Text) {
                v = add(c, READSTAT_TYPE_STRING, size_t(width), a.name);
            } else {
                v = add(c, READSTAT_TYPE_DOUBLE, 0, a.name);
                if (c.attributeKind == attributes::Kind::Date)
                    readstat_variable_set_format(v, m_format.dateFormat().toUtf8().constData());
                readstat_variable_set_measure(v, READSTAT_MEASURE_SCALE);
            }
            m_attributes.emplace(a.number, std::move(values));
        }

        const std::array<QString, kLists> names = codebook::listNames(db);
        for (int k = 0; k < kLists; ++k) {
            std::vector<french::OrderedValue> values;
            for (const ListValue &v : m_store.listValues(k + 1)) {
                if (!v.value.isEmpty())
                    values.push_back({v.numero, v.value});
            }
            if (values.empty())
                continue;
            french::sortFrench(values);
            const QString &listName = names[size_t(k)];
            if (shape.severalValues[size_t(k)]) {
                for (const french::OrderedValue &v : values) {
                    c = Column{};
                    c.kind = Kind::ListFlag;
                    c.list = k;
                    c.value = v.numero;
                    c.name = listName + QLatin1Char('_') + v.text;
                    m_flagColumn[k].insert(v.numero, int(m_columns.size()));
                    readstat_variable_set_measure(
                        add(c, READSTAT_TYPE_INT8, 0, listName + QStringLiteral(": ") + v.text),
                        READSTAT_MEASURE_NOMINAL);
                }
                continue;
            }
            c = Column{};
            c.kind = Kind::ListValue;
            c.list = k;
            c.name = listName;
            const QString setName = m_format.variableName(QStringLiteral("etiq_") + listName,
                                                          m_labelSets);
            readstat_label_set_t *labels =
                readstat_add_label_set(m_writer, READSTAT_TYPE_INT32, setName.toUtf8().constData());
            for (const french::OrderedValue &v : values)
                readstat_label_int32_value(labels, int32_t(v.numero),
                                           cutUtf8(v.text.toUtf8(), m_format.maxValueLabelBytes()).constData());
            readstat_variable_t *var = add(c, READSTAT_TYPE_INT32, 0, listName);
            readstat_variable_set_label_set(var, labels);
            readstat_variable_set_measure(var, READSTAT_MEASURE_NOMINAL);
        }

        c = Column{};
        c.kind = Kind::Segment;
        c.name = QStringLiteral("texte");
        m_segmentWidth = std::max<qint64>(1, shape.longestSegment);
        m_byReference = m_segmentWidth > m_format.maxStringWidth()
                        && m_format.longStringsByReference();
        if (!m_byReference)
            m_segmentWidth = std::min(m_segmentWidth, m_format.maxStringWidth());
        add(c, m_byReference ? READSTAT_TYPE_STRING_REF : READSTAT_TYPE_STRING,
            m_byReference ? 0 : size_t(m_segmentWidth), QStringLiteral("Texte du segment"), true);
    }

    bool segment(const ExportSegment &s)
    {
        // With strL values, the first reading was the first half of the work.
        const qint64 shown = m_byReference ? (m_total + m_done) / 2 : m_done;
        if (m_progress && m_done > 0 && m_done % 256 == 0 && !m_progress(shown, m_total)) {
            m_cancelled = true;
            return false;
        }
        ++m_done;
        if (m_outcome.records >= m_total) {
            m_failed = true;
            changedMessage();
            return false;
        }
        // The first value of each list the segment's rows hold, and every
        // value of the lists written as 0/1 columns.
        std::array<qint64, kLists> first{};
        m_flags.assign(m_columns.size(), 0);
        for (const ExportCoding &coding : s.codings) {
            for (int k = 0; k < kLists; ++k) {
                if (coding.value[size_t(k)].isEmpty())
                    continue;
                const qint64 value = coding.numvar[size_t(k)];
                if (!first[size_t(k)])
                    first[size_t(k)] = value;
                if (m_flagColumn[k].isEmpty())
                    continue;
                const auto column = m_flagColumn[k].constFind(value);
                if (column == m_flagColumn[k].constEnd()) {
                    m_failed = true;
                    m_outcome.message =
                        QStringLiteral("La liste %1 a changé pendant l'exportation (valeur "
                                       "« %2 ») ; le fichier « %3 » n'a pas été écrit. "
                                       "Recommencez l'exportation.")
                            .arg(k + 1)
                            .arg(QString::fromUtf8(coding.value[size_t(k)]), m_file);
                    return false;
                }
                m_flags[size_t(*column)] = 1;
            }
        }

        readstat_error_t rc = readstat_begin_row(m_writer);
        for (size_t i = 0; rc == READSTAT_OK && i < m_columns.size(); ++i) {
            const Column &c = m_columns[i];
            switch (c.kind) {
            case Kind::TextNumber:
                rc = readstat_insert_int32_value(m_writer, c.variable, int32_t(s.textNumber));
                break;
            case Kind::Path:
                rc = readstat_insert_string_value(m_writer, c.variable, s.textPath.constData());
                break;
            case Kind::SegmentNumber:
                rc = readstat_insert_int32_value(m_writer, c.variable, int32_t(s.segmentNumber));
                break;
            case Kind::Attribute:
                rc = insertAttribute(c, s.textNumber);
                break;
            case Kind::ListValue:
                rc = first[size_t(c.list)]
                         ? readstat_insert_int32_value(m_writer, c.variable,
                                                       int32_t(first[size_t(c.list)]))
                         : readstat_insert_missing_value(m_writer, c.variable);
                break;
            case Kind::ListFlag:
                rc = readstat_insert_int8_value(m_writer, c.variable, int8_t(m_flags[i]));
                break;
            case Kind::Segment:
                rc = insertSegment(c, s.segmentText);
                break;
            }
        }
        if (rc == READSTAT_OK)
            rc = readstat_end_row(m_writer);
        if (rc != READSTAT_OK) {
            m_failed = true;
            if (rc == READSTAT_ERROR_ROW_COUNT_MISMATCH)
                changedMessage();
            else if (rc != READSTAT_ERROR_WRITE)
                refusedMessage(rc, QString());
            return false;
        }
        ++m_outcome.records;
        return true;
    }

    readstat_error_t insertAttribute(const Column &c, qint64 text)
    {
        const std::map<qint64, QString> &values = m_attributes.at(c.attribute);
        const auto found = values.find(text);
        if (found == values.end())
            return c.attributeKind == attributes::Kind::Text
                       ? readstat_insert_string_value(m_writer, c.variable, "")
                       : readstat_insert_missing_value(m_writer, c.variable);
        switch (c.attributeKind) {
        case attributes::Kind::Text:
            return readstat_insert_string_value(m_writer, c.variable,
                                                found->second.toUtf8().constData());
        case attributes::Kind::Number: {
            bool ok = false;
            const double number = QString(found->second).replace(QLatin1Char(','),
                                                                  QLatin1Char('.')).toDouble(&ok);
            return ok ? readstat_insert_double_value(m_writer, c.variable, number)
                      : readstat_insert_missing_value(m_writer, c.variable);
        }
        case attributes::Kind::Date: {
            const QDate date = QDate::fromString(found->second, QStringLiteral("yyyy-MM-dd"));
            return date.isValid()
                       ? readstat_insert_double_value(m_writer, c.variable,
                                                      m_format.dateValue(date.toJulianDay()))
                       : readstat_insert_missing_value(m_writer, c.variable);
        }
        }
        return READSTAT_OK;
    }

    // ReadStat writes strL values only if they are all known before the
    // first record: a first reading of the segments gives them, in the
    // order of the records. Returns false when cancelled.
    bool addReferences()
    {
        ExportReader reader(m_store.connection());
        bool going = true;
        qint64 read = 0;
        reader.forEachSegment([&](const ExportSegment &s) {
            if (m_progress && read > 0 && read % 256 == 0 && !m_progress(read / 2, m_total)) {
                going = false;
                return false;
            }
            ++read;
            m_references.push_back(readstat_add_string_ref(m_writer, s.segmentText.constData()));
            return true;
        });
        return going;
    }

    readstat_error_t insertSegment(const Column &c, const QByteArray &text)
    {
        if (m_byReference) {
            // The record's place: the records come in the order of the
            // first reading; a segment added since has no value.
            const size_t place = size_t(m_outcome.records);
            if (place >= m_references.size())
                return READSTAT_ERROR_ROW_COUNT_MISMATCH;
            return readstat_insert_string_ref(m_writer, c.variable, m_references[place]);
        }
        if (text.size() > m_segmentWidth) {
            ++m_outcome.truncated;
            return readstat_insert_string_value(m_writer, c.variable,
                                                cutUtf8(text, m_segmentWidth).constData());
        }
        return readstat_insert_string_value(m_writer, c.variable, text.constData());
    }

    void refusedMessage(readstat_error_t rc, const QString &variable)
    {
        // ReadStat's own messages are in English: its error number is given
        // for reference only.
        m_outcome.message =
            (variable.isEmpty()
                 ? QStringLiteral("Le fichier %1 « %2 » n'a pas pu être composé (erreur n° %3 de "
                                  "la bibliothèque ReadStat) ; aucun fichier n'a été remplacé.")
                       .arg(m_format.formatName(), m_file)
                       .arg(int(rc))
                 : QStringLiteral("Le fichier %1 « %2 » n'a pas pu être composé : la variable "
                                  "« %3 » est refusée par le format (erreur n° %4 de la "
                                  "bibliothèque ReadStat) ; aucun fichier n'a été remplacé.")
                       .arg(m_format.formatName(), m_file, variable)
                       .arg(int(rc)));
    }

    void changedMessage()
    {
        m_outcome.message = QStringLiteral("L'analyse a changé pendant l'exportation ; le fichier "
                                           "« %1 » n'a pas été écrit. Recommencez l'exportation.")
                                .arg(m_file);
    }

    StatOutcome refused(readstat_error_t rc, const QString &variable)
    {
        if (rc == READSTAT_ERROR_WRITE)
            return writeFailure();
        refusedMessage(rc, variable);
        return failed();
    }

    StatOutcome changed()
    {
        changedMessage();
        return failed();
    }

    StatOutcome writeFailure()
    {
        m_out.discard();
        m_outcome.status = ExportOutcome::Failed;
        m_outcome.message = QStringLiteral("Le fichier « %1 » ne peut pas être écrit : %2. "
                                           "Aucun fichier n'a été remplacé.")
                                .arg(m_file, m_out.errorString());
        return m_outcome;
    }

    StatOutcome failed()
    {
        m_out.discard();
        m_outcome.status = ExportOutcome::Failed;
        return m_outcome;
    }

    StatOutcome cancelled()
    {
        m_out.discard();
        m_outcome.status = ExportOutcome::Cancelled;
        return m_outcome;
    }

    const StatFileWriter &m_format;
    CodingStore &m_store;
    QString m_file;
    ExportProgress m_progress;
    SafeFile m_out;
    readstat_writer_t *m_writer = nullptr;
    std::vector<Column> m_columns;
    QStringList m_taken;
    QStringList m_labelSets;
    std::array<QHash<qint64, int>, kLists> m_flagColumn;
    std::vector<char> m_flags;
    std::map<qint64, std::map<qint64, QString>> m_attributes;
    std::vector<readstat_string_ref_t *> m_references;
    qint64 m_segmentWidth = 1;
    bool m_byReference = false;
    StatOutcome m_outcome;
    qint64 m_total = 0;
    qint64 m_done = 0;
    bool m_failed = false;
    bool m_cancelled = false;
};

StatOutcome StatFileWriter::write(CodingStore &store, const QString &file,
                                  const ExportProgress &progress) const
{
    const QString refused = refuseTheDatabase(store.path(), file, QStringLiteral("Le codage"));
    if (!refused.isEmpty()) {
        StatOutcome outcome;
        outcome.message = refused;
        return outcome;
    }
    return StatExport(*this, store, file, progress).run();
}

QString statSummary(const StatFileWriter &format, const StatOutcome &outcome,
                    const QString &file)
{
    QString text = QStringLiteral("Codage exporté pour %1 : %2 segment%3, %4 variables, dans « %5 ».")
                       .arg(format.formatName())
                       .arg(outcome.records)
                       .arg(outcome.records > 1 ? QStringLiteral("s") : QString())
                       .arg(outcome.variables)
                       .arg(file);
    if (outcome.truncated > 0)
        text += QStringLiteral(" %1 texte%2 de segment coupé%2 à 32 767 octets, la longueur la "
                               "plus grande d'une chaîne %3.")
                    .arg(outcome.truncated)
                    .arg(outcome.truncated > 1 ? QStringLiteral("s") : QString())
                    .arg(format.formatName());
    return text;
}

QString StatFileWriter::makeName(const QString &name, QStringList &taken) const
{
    QString ascii;
    for (const QChar c : name.normalized(QString::NormalizationForm_D)) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
                           || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
                           || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
        if (plain)
            ascii += c;
        else if (!ascii.endsWith(QLatin1Char('_')))
            ascii += QLatin1Char('_');
    }
    while (ascii.endsWith(QLatin1Char('_')))
        ascii.chop(1);
    while (ascii.startsWith(QLatin1Char('_')))
        ascii.remove(0, 1);
    if (ascii.isEmpty() || !ascii.at(0).isLetter())
        ascii.prepend(QLatin1Char('v'));
    ascii.truncate(maxNameLength());
    QString candidate = ascii;
    for (int n = 2; reserved(candidate) || taken.contains(candidate, Qt::CaseInsensitive); ++n) {
        const QString suffix = QStringLiteral("_%1").arg(n);
        candidate = ascii.left(maxNameLength() - int(suffix.size())) + suffix;
    }
    taken << candidate;
    return candidate;
}

QString SpssWriter::variableName(const QString &name, QStringList &taken) const
{
    return makeName(name, taken);
}

bool SpssWriter::reserved(const QString &name) const
{
    static const QStringList words = {"ALL", "AND", "BY", "EQ", "GE", "GT", "LE",
                                      "LT",  "NE",  "NOT", "OR", "TO", "WITH"};
    return words.contains(name, Qt::CaseInsensitive);
}

double SpssWriter::dateValue(qint64 julianDay) const
{
    return double(julianDay - QDate(1582, 10, 14).toJulianDay()) * 86400.0;
}

int SpssWriter::begin(void *writer, void *context, long rows) const
{
    return readstat_begin_writing_sav(static_cast<readstat_writer_t *>(writer), context, rows);
}

QString StataWriter::variableName(const QString &name, QStringList &taken) const
{
    return makeName(name, taken);
}

bool StataWriter::reserved(const QString &name) const
{
    static const QStringList words = {"byte", "double", "float", "if", "in", "int",
                                      "long", "strL", "using", "with", "str"};
    static const QRegularExpression strWidth(QStringLiteral("^str\\d+$"),
                                             QRegularExpression::CaseInsensitiveOption);
    return words.contains(name, Qt::CaseInsensitive) || strWidth.match(name).hasMatch();
}

double StataWriter::dateValue(qint64 julianDay) const
{
    return double(julianDay - QDate(1960, 1, 1).toJulianDay());
}

int StataWriter::begin(void *writer, void *context, long rows) const
{
    auto *w = static_cast<readstat_writer_t *>(writer);
    // Version 118 (Stata 14 and later): UTF-8 throughout.
    readstat_writer_set_file_format_version(w, 118);
    return readstat_begin_writing_dta(w, context, rows);
}

} // namespace coding
