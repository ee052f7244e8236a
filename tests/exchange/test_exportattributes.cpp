// The exports that carry the texts' attributes. The SPSS and Stata files,
// read back with ReadStat's own parser: their variables (names made valid,
// labels, types), value labels and records must be those of the analysis;
// dates are checked against their values worked out by hand; a failed write
// leaves the old file as it was. The CSV export: one column per attribute
// after the text's columns.
#include "../coding/codingtest.h"

#include "common/safefile.h"
#include "exchange/csvexport.h"
#include "exchange/statexport.h"
#include "store/attributestore.h"
#include "store/codebookstore.h"
#include "store/codingstore.h"
#include "store/connection.h"

#include <QProcess>
#include <QtTest>

#include <readstat.h>

#include <cerrno>
#include <map>

using namespace codingtest;

namespace {

struct Variable {
    QString name;
    QString label;
    QString labels; // its value labels' set
    readstat_type_t type = READSTAT_TYPE_STRING;
    QString format;
};

// What ReadStat reads back from a file.
struct ReadBack {
    std::vector<Variable> variables;
    std::map<QString, std::map<int, QString>> labelSets;
    std::vector<QStringList> records; // each value as text, "." when missing
    long rows = -1;
    readstat_error_t error = READSTAT_OK;
};

int onMetadata(readstat_metadata_t *metadata, void *context)
{
    static_cast<ReadBack *>(context)->rows = readstat_get_row_count(metadata);
    return READSTAT_HANDLER_OK;
}

int onVariable(int, readstat_variable_t *variable, const char *labels, void *context)
{
    auto *back = static_cast<ReadBack *>(context);
    Variable v;
    v.name = QString::fromUtf8(readstat_variable_get_name(variable));
    v.label = QString::fromUtf8(readstat_variable_get_label(variable));
    v.labels = QString::fromUtf8(labels);
    v.type = readstat_variable_get_type(variable);
    v.format = QString::fromUtf8(readstat_variable_get_format(variable));
    back->variables.push_back(v);
    return READSTAT_HANDLER_OK;
}

int onValue(int row, readstat_variable_t *variable, readstat_value_t value, void *context)
{
    auto *back = static_cast<ReadBack *>(context);
    if (size_t(row) >= back->records.size())
        back->records.resize(size_t(row) + 1);
    QStringList &record = back->records[size_t(row)];
    QString text;
    if (readstat_value_is_system_missing(value)) {
        text = QStringLiteral(".");
    } else {
        switch (readstat_value_type(value)) {
        case READSTAT_TYPE_STRING:
        case READSTAT_TYPE_STRING_REF:
            text = QString::fromUtf8(readstat_string_value(value));
            break;
        case READSTAT_TYPE_INT8:
        case READSTAT_TYPE_INT16:
        case READSTAT_TYPE_INT32:
            text = QString::number(readstat_int32_value(value));
            break;
        default:
            text = QString::number(readstat_double_value(value), 'g', 15);
        }
    }
    Q_UNUSED(variable);
    record << text;
    return READSTAT_HANDLER_OK;
}

int onLabel(const char *set, readstat_value_t value, const char *label, void *context)
{
    static_cast<ReadBack *>(context)
        ->labelSets[QString::fromUtf8(set)][readstat_int32_value(value)] = QString::fromUtf8(label);
    return READSTAT_HANDLER_OK;
}

ReadBack readBack(const QString &file, bool stata)
{
    ReadBack back;
    readstat_parser_t *parser = readstat_parser_init();
    readstat_set_metadata_handler(parser, &onMetadata);
    readstat_set_variable_handler(parser, &onVariable);
    readstat_set_value_handler(parser, &onValue);
    readstat_set_value_label_handler(parser, &onLabel);
    const QByteArray path = QFile::encodeName(file);
    back.error = stata ? readstat_parse_dta(parser, path.constData(), &back)
                       : readstat_parse_sav(parser, path.constData(), &back);
    readstat_parser_free(parser);
    return back;
}

const coding::StatFileWriter &writerFor(bool stata)
{
    static const coding::SpssWriter spss;
    static const coding::StataWriter dta;
    return stata ? static_cast<const coding::StatFileWriter &>(dta) : spss;
}

} // namespace

class TestExportAttributes : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    qint64 m_sante = 0;
    qint64 m_economie = 0;

    // Text 1 (two segments) of "Le Monde", 2003-01-15, 12 pages; text 2 (one
    // segment) without a newspaper, 2004-02-29, 3.5 pages. List 1 "Thème":
    // one value per segment; list 2 "Acteurs": two values on segment 1.
    QString analysis()
    {
        const QString path = freshDatabase(m_dir);
        Raw db(path);
        addText(db, QStringLiteral("/corpus/monde.txt"),
                {QStringLiteral("Le chômage baisse."), QStringLiteral("Les prix montent.")});
        addText(db, QStringLiteral("/corpus/autre.txt"), {QStringLiteral("Rien à signaler.")});
        const qint64 sante = m_sante = addValue(db, 1, QStringLiteral("Santé"));
        const qint64 economie = m_economie = addValue(db, 1, QStringLiteral("Économie"));
        const qint64 etat = addValue(db, 2, QStringLiteral("État"));
        const qint64 syndicats = addValue(db, 2, QStringLiteral("Syndicats"));
        db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01, numvar02) VALUES "
                               "(1, %1, %3), (1, 1, %4), (2, %2, 1)")
                    .arg(economie)
                    .arg(sante)
                    .arg(etat)
                    .arg(syndicats));
        auto c = Connection::open(path);
        codebook::setListName(*c, 1, QStringLiteral("Thème"));
        codebook::setListName(*c, 2, QStringLiteral("Acteurs"));
        const qint64 journal = attributes::add(*c, QStringLiteral("journal"));
        const qint64 date = attributes::add(*c, QStringLiteral("date de parution"));
        const qint64 pages = attributes::add(*c, QStringLiteral("pages"));
        attributes::setValue(*c, journal, 1, QStringLiteral("Le Monde"));
        attributes::setValue(*c, date, 1, QStringLiteral("2003-01-15"));
        attributes::setValue(*c, date, 2, QStringLiteral("2004-02-29"));
        attributes::setValue(*c, pages, 1, QStringLiteral("12"));
        attributes::setValue(*c, pages, 2, QStringLiteral("3,5"));
        return path;
    }

private slots:
    void csvColumns_data()
    {
        QTest::addColumn<bool>("wide");
        QTest::addColumn<bool>("raw");
        QTest::newRow("long") << false << false;
        QTest::newRow("long, raw") << false << true;
        QTest::newRow("wide") << true << false;
    }
    void csvColumns()
    {
        QFETCH(bool, wide);
        QFETCH(bool, raw);
        const QString path = analysis();
        {
            // A name a spreadsheet would run as a formula.
            auto c = Connection::open(path);
            attributes::setValue(*c, attributes::add(*c, QStringLiteral("=source")), 2,
                                 QStringLiteral("@agence"));
        }
        coding::CodingStore store(Connection::open(path, Connection::Access::ReadOnly));
        coding::ExportOptions options;
        options.layout = wide ? coding::ExportOptions::Layout::Wide : coding::ExportOptions::Layout::Long;
        options.raw = raw;
        const QString out = m_dir.filePath(QStringLiteral("a.csv"));
        const coding::ExportOutcome outcome = coding::exportCsv(store, out, options);
        QVERIFY2(outcome.status == coding::ExportOutcome::Done, qPrintable(outcome.message));
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QList<QStringList> records;
        QVERIFY(parseCsv(QString::fromUtf8(file.readAll()).remove(QChar(0xFEFF)), QLatin1Char(';'),
                         &records));
        const QString formula = raw ? QStringLiteral("=source") : QStringLiteral("'=source");
        QCOMPARE(records.at(0).mid(0, 8),
                 (QStringList{"numtexte", "chemin", "journal", "date de parution", "pages",
                              formula, "numsegment", "texte"}));
        // Segment 1 has two coding rows in the long layout.
        const int last = wide ? 3 : 4;
        QCOMPARE(records.size(), last + 1);
        QCOMPARE(records.at(1).mid(0, 8),
                 (QStringList{"1", "/corpus/monde.txt", "Le Monde", "2003-01-15", "12", "", "1",
                              "Le chômage baisse."}));
        QCOMPARE(records.at(last).mid(0, 8),
                 (QStringList{"2", "/corpus/autre.txt", "", "2004-02-29", "3,5",
                              raw ? QStringLiteral("@agence") : QStringLiteral("'@agence"), "3",
                              "Rien à signaler."}));
    }

    void file_data()
    {
        QTest::addColumn<bool>("stata");
        // Days since 1960-01-01 (Stata) and seconds since 1582-10-14 (SPSS):
        // 1960-01-01 to 2003-01-01 is 43 years with 11 leap days, 15,706
        // days, so 2003-01-15 is day 15,720 and 2004-02-29 day 15,706 + 365
        // + 31 + 28 = 16,130. SPSS's day 0 lies 141,428 days before
        // 1970-01-01 (its offset of 12,219,379,200 seconds to Unix time),
        // which is 3,653 days after 1960-01-01: 137,775 days before it.
        QTest::addColumn<QString>("date1");
        QTest::addColumn<QString>("date2");
        QTest::newRow("SPSS") << false << QString::number((137775LL + 15720) * 86400)
                              << QString::number((137775LL + 16130) * 86400);
        QTest::newRow("Stata") << true << QStringLiteral("15720") << QStringLiteral("16130");
    }
    void file()
    {
        QFETCH(bool, stata);
        QFETCH(QString, date1);
        QFETCH(QString, date2);
        const QString path = analysis();
        coding::CodingStore store(Connection::open(path, Connection::Access::ReadOnly));
        const QString out = m_dir.filePath(stata ? QStringLiteral("a.dta") : QStringLiteral("a.sav"));
        const coding::StatOutcome outcome = writerFor(stata).write(store, out);
        QVERIFY2(outcome.status == coding::ExportOutcome::Done, qPrintable(outcome.message));
        QCOMPARE(outcome.records, 3);

        const ReadBack back = readBack(out, stata);
        QVERIFY2(back.error == READSTAT_OK, readstat_error_message(back.error));
        QCOMPARE(back.rows, 3L);
        QStringList names, labels;
        for (const Variable &v : back.variables) {
            names << v.name;
            labels << v.label;
        }
        QCOMPARE(names, (QStringList{"numtexte", "chemin", "numsegment", "journal",
                                     "date_de_parution", "pages", "Theme", "Acteurs_Etat",
                                     "Acteurs_Syndicats", "texte"}));
        QCOMPARE(labels, (QStringList{"Numéro du texte", "Chemin du texte", "Numéro du segment",
                                      "journal", "date de parution", "pages", "Thème",
                                      "Acteurs: État", "Acteurs: Syndicats", "Texte du segment"}));
        QCOMPARE(back.variables[4].format, stata ? QStringLiteral("%td") : QStringLiteral("DATE11"));
        const auto set = back.labelSets.find(back.variables[6].labels);
        QVERIFY2(set != back.labelSets.end(), qPrintable(back.variables[6].labels));
        const std::map<int, QString> &themes = set->second;
        QCOMPARE(themes.size(), size_t(2));
        QCOMPARE(themes.at(int(m_sante)), QStringLiteral("Santé"));
        QCOMPARE(themes.at(int(m_economie)), QStringLiteral("Économie"));
        const QString economie = QString::number(m_economie);
        const QString sante = QString::number(m_sante);

        QCOMPARE(int(back.records.size()), 3);
        QCOMPARE(back.records[0], (QStringList{"1", "/corpus/monde.txt", "1", "Le Monde", date1,
                                               "12", economie, "1", "1", "Le chômage baisse."}));
        QCOMPARE(back.records[1], (QStringList{"1", "/corpus/monde.txt", "2", "Le Monde", date1,
                                               "12", sante, "0", "0", "Les prix montent."}));
        QCOMPARE(back.records[2].mid(0, 7), (QStringList{"2", "/corpus/autre.txt", "3", "", date2,
                                                         "3.5", "."}));
        QCOMPARE(back.records[2].last(), QStringLiteral("Rien à signaler."));
    }

    // The command line writes the same files, and says what it wrote.
    void commandLine_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said"); // a part of stdout (0) or stderr (1)
        QTest::newRow("spss") << "--spss" << "c.sav" << 0
                              << "Codage exporté pour SPSS : 3 segments, 10 variables, dans";
        QTest::newRow("stata") << "--stata" << "c.dta" << 0
                               << "Codage exporté pour Stata : 3 segments, 10 variables, dans";
        QTest::newRow("no output") << "--spss" << "" << 1 << "Il faut une base d'analyse et un fichier";
        QTest::newRow("into a missing folder") << "--stata" << "absent/c.dta" << 1
                                               << "ne peut pas être écrit";
    }
    void commandLine()
    {
        QFETCH(QString, action);
        QFETCH(QString, file);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        if (!QFile::exists(codingProgram()))
            QSKIP("telmira-codage is not built");
        const QString path = analysis();
        QStringList arguments{action, path};
        if (!file.isEmpty())
            arguments << m_dir.filePath(file);
        QProcess program;
        withoutDisplay(program);
        program.start(codingProgram(), arguments);
        QVERIFY(program.waitForFinished(60000));
        const QString out = QString::fromUtf8(program.readAllStandardOutput());
        const QString err = QString::fromUtf8(program.readAllStandardError());
        QCOMPARE(program.exitCode(), exitCode);
        QVERIFY2((exitCode == 0 ? out : err).contains(said), qPrintable(out + err));
        if (exitCode == 0) {
            const ReadBack back = readBack(m_dir.filePath(file), action == QLatin1String("--stata"));
            QVERIFY2(back.error == READSTAT_OK, readstat_error_message(back.error));
            QCOMPARE(back.rows, 3L);
        }
    }

    void names_data()
    {
        QTest::addColumn<bool>("stata");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("made");
        const QString long70(70, QLatin1Char('a'));
        for (bool stata : {false, true}) {
            const char *format = stata ? "Stata" : "SPSS";
            QTest::addRow("%s: accents and spaces", format)
                << stata << QStringList{"Thème", "date de parution", "  l'État  "}
                << QStringList{"Theme", "date_de_parution", "l_Etat"};
            QTest::addRow("%s: leading digit or sign", format)
                << stata << QStringList{"2e tour", "_x", "%"} << QStringList{"v2e_tour", "x", "v"};
            QTest::addRow("%s: same name whatever the case", format)
                << stata << QStringList{"theme", "Thème", "THEME"}
                << QStringList{"theme", "Theme_2", "THEME_3"};
            QTest::addRow("%s: too long", format)
                << stata << QStringList{long70, long70}
                << QStringList{long70.left(stata ? 32 : 64),
                               long70.left(stata ? 30 : 62) + QStringLiteral("_2")};
        }
        QTest::newRow("SPSS: reserved words") << false << QStringList{"ALL", "with", "int"}
                                              << QStringList{"ALL_2", "with_2", "int"};
        QTest::newRow("Stata: reserved words") << true << QStringList{"int", "str12", "ALL"}
                                               << QStringList{"int_2", "str12_2", "ALL"};
    }
    void names()
    {
        QFETCH(bool, stata);
        QFETCH(QStringList, names);
        QFETCH(QStringList, made);
        QStringList taken;
        QStringList result;
        for (const QString &name : names)
            result << writerFor(stata).variableName(name, taken);
        QCOMPARE(result, made);
    }

    // A text longer than the longest string of the format: Stata keeps it
    // whole (strL), SPSS cuts it at a character's edge and says so.
    void longSegment_data()
    {
        QTest::addColumn<bool>("stata");
        QTest::newRow("SPSS") << false;
        QTest::newRow("Stata") << true;
    }
    void longSegment()
    {
        QFETCH(bool, stata);
        const QString path = freshDatabase(m_dir);
        // 40,000 "é" of two bytes each: 80,000 bytes.
        const QString text = QString(40000, QChar(0xE9));
        {
            Raw db(path);
            addText(db, QStringLiteral("/c/long.txt"), {text, QStringLiteral("Court.")});
        }
        coding::CodingStore store(Connection::open(path, Connection::Access::ReadOnly));
        const QString out = m_dir.filePath(stata ? QStringLiteral("l.dta") : QStringLiteral("l.sav"));
        const coding::StatOutcome outcome = writerFor(stata).write(store, out);
        QVERIFY2(outcome.status == coding::ExportOutcome::Done, qPrintable(outcome.message));
        const ReadBack back = readBack(out, stata);
        QVERIFY2(back.error == READSTAT_OK, readstat_error_message(back.error));
        QCOMPARE(int(back.records.size()), 2);
        QCOMPARE(back.records[1].last(), QStringLiteral("Court."));
        const QString read = back.records[0].last();
        QCOMPARE(outcome.truncated, stata ? 0 : 1);
        QCOMPARE(read, stata ? text : text.left(32767 / 2));
    }

    // A failed write leaves the old file byte for byte, and says why in French.
    void failedWriteKeepsOldFile_data()
    {
        QTest::addColumn<bool>("stata");
        QTest::newRow("SPSS") << false;
        QTest::newRow("Stata") << true;
    }
    void failedWriteKeepsOldFile()
    {
        QFETCH(bool, stata);
        const QString path = analysis();
        const QString out = m_dir.filePath(QStringLiteral("old.out"));
        {
            QFile old(out);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("ancien contenu");
        }
        SafeFile::setFaultHook([](SafeFile::Step step) {
            return step == SafeFile::Step::Write || step == SafeFile::Step::Flush ? ENOSPC : 0;
        });
        coding::CodingStore store(Connection::open(path, Connection::Access::ReadOnly));
        const coding::StatOutcome outcome = writerFor(stata).write(store, out);
        SafeFile::setFaultHook({});
        QCOMPARE(int(outcome.status), int(coding::ExportOutcome::Failed));
        QVERIFY2(outcome.message.contains(QStringLiteral("Aucun fichier n'a été remplacé")),
                 qPrintable(outcome.message));
        QFile old(out);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("ancien contenu"));
    }
};

QTEST_GUILESS_MAIN(TestExportAttributes)
#include "test_exportattributes.moc"
