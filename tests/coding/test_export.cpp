// The CSV exports as a researcher meets them: the options dialog and what it
// remembers, formulas made inert or left raw, a full disk that leaves the
// earlier export intact, the long and wide layouts read back by Python's csv
// module, the codebook, and where the file dialog starts (--exporter:
// tests/cli/test_exporter.cpp).
#include "exportanalysis.h"

#include "exchange/codebookexport.h"
#include "exchange/csvexport.h"
#include "coding/filedialogs.h"
#include "coding/frmchemin.h"
#include "coding/frmexport.h"
#include "common/messages.h"
#include "common/safefile.h"
#include "store/codebookstore.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/exportstore.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>

using namespace codingtest;
using namespace exporttest;
using coding::ExportOptions;

namespace {

// The rows of a CSV file as Python's csv module reads it (UTF-8 with its
// byte-order mark, the given separator); empty when python3 fails.
QList<QStringList> readByPython(const QString &file, QChar separator, QString *error)
{
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv, json, sys\n"
                                 "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
                                 "    rows = list(csv.reader(f, delimiter=sys.argv[2]))\n"
                                 "sys.stdout.write(json.dumps(rows))\n"),
                  file, QString(separator)});
    QList<QStringList> rows;
    if (!python.waitForFinished(30000) || python.exitCode() != 0) {
        *error = QString::fromUtf8(python.readAllStandardError());
        return rows;
    }
    for (const QJsonValue &row : QJsonDocument::fromJson(python.readAllStandardOutput()).array()) {
        QStringList fields;
        for (const QJsonValue &field : row.toArray())
            fields << field.toString();
        rows << fields;
    }
    return rows;
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void optionsDialog_rememberedAndToldInTheStatus_data();
    void optionsDialog_rememberedAndToldInTheStatus();
    void failure_keepsTheEarlierExport_data();
    void failure_keepsTheEarlierExport();
    void layouts_readByPython_data();
    void layouts_readByPython();
    void blocks_neverSplitASegment();
    void codebook();
    void startFolder_data();
    void startFolder();
    void suggestionChoices_data();
    void suggestionChoices();

private:
    QTemporaryDir m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_db;
    qint64 m_culture = 0, m_economie = 0, m_ironie = 0;
    QList<messages::Shown> m_shown;
    QPointer<coding::frmChemin> m_chemin;
};

void TestExport::initTestCase()
{
    QVERIFY(m_settings.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void TestExport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_db = freshDatabase(*m_dir);
    exporttest::Analysis a;
    exporttest::write(m_db, a);
    m_culture = a.culture;
    m_economie = a.economie;
    m_ironie = a.ironie;
    m_shown.clear();
    messages::setHandler([this](const messages::Shown &shown) {
        m_shown << shown;
        return false;
    });
    QSettings().clear();
}

void TestExport::cleanup()
{
    if (m_chemin)
        m_chemin->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTRY_VERIFY(!m_chemin);
    messages::setHandler({});
    coding::dialogs::setSaveHook({});
    coding::dialogs::setOptionsHook({});
    SafeFile::setFaultHook({});
    m_dir.reset();
}

void TestExport::optionsDialog_rememberedAndToldInTheStatus_data()
{
    QTest::addColumn<bool>("raw");
    QTest::addColumn<QString>("segment");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("told");
    QTest::addColumn<bool>("codedOnly");
    QTest::addColumn<QString>("lines");
    QTest::newRow("protégé (par défaut)") << false << "'" + kFormula << "'@ironie"
                                          << "champs protégés pour les tableurs" << false
                                          << "5 lignes";
    QTest::newRow("brut") << true << kFormula << "@ironie" << "export brut" << false << "5 lignes";
    // Segment 2's empty row and segments 2 and 3 are left out, and said.
    QTest::newRow("codés seulement")
        << false << "'" + kFormula << "'@ironie"
        << "Laissés de côté : 1 ligne(s) de codage sans valeur (comptées « non codé » par "
           "--resultats) et 2 segment(s) non codé(s)."
        << true << "3 lignes";
}

void TestExport::optionsDialog_rememberedAndToldInTheStatus()
{
    QFETCH(bool, raw);
    QFETCH(QString, segment);
    QFETCH(QString, value);
    QFETCH(QString, told);
    QFETCH(bool, codedOnly);
    QFETCH(QString, lines);
    const QString target = m_dir->filePath(QStringLiteral("codage.csv"));
    coding::dialogs::setSaveHook([&](QWidget *, const QString &) { return target; });
    m_chemin = coding::start(m_db);
    QVERIFY(m_chemin);

    // The researcher ticks "Export brut" (or not) and clicks "Exporter...".
    bool seen = false;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        auto *brut = dialog->findChild<QCheckBox *>(QStringLiteral("brut"));
        QVERIFY(brut);
        QVERIFY(!brut->isChecked()); // nothing remembered yet
        QVERIFY(dialog->findChild<QRadioButton *>(QStringLiteral("longue"))->isChecked());
        if (raw)
            QTest::mouseClick(brut, Qt::LeftButton, {}, QPoint(5, brut->height() / 2));
        if (codedOnly) {
            auto *coded = dialog->findChild<QCheckBox *>(QStringLiteral("codes_seulement"));
            QTest::mouseClick(coded, Qt::LeftButton, {}, QPoint(5, coded->height() / 2));
        }
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("exporter")),
                          Qt::LeftButton);
        seen = true;
    });
    m_chemin->findChild<QAction *>(QStringLiteral("exporter"))->trigger();
    QVERIFY(seen);
    QVERIFY2(m_shown.isEmpty(), m_shown.isEmpty() ? "" : qPrintable(m_shown.first().text));
    const QString status = m_chemin->statusBar()->currentMessage();
    QVERIFY2(status.contains(told) && status.contains(lines),
             qPrintable(status));

    QList<QStringList> records;
    QVERIFY(parseCsv(QString::fromUtf8(storetest::bytesOf(target).mid(3)), QLatin1Char(';'),
                     &records));
    QCOMPARE(records.at(1).at(3), segment);
    QCOMPARE(records.at(1).at(7), value);

    // The next export proposes the same choice.
    bool proposed = !raw;
    coding::dialogs::setOptionsHook([&](QWidget *, ExportOptions &options) {
        proposed = options.raw;
        return false;
    });
    m_chemin->findChild<QAction *>(QStringLiteral("exporter"))->trigger();
    QCOMPARE(proposed, raw);
}

void TestExport::failure_keepsTheEarlierExport_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("cause");
    QTest::newRow("disque plein à la dernière écriture")
        << int(SafeFile::Step::Flush) << ENOSPC << "le disque est plein";
    QTest::newRow("droits refusés au remplacement")
        << int(SafeFile::Step::Replace) << EACCES << "l'accès est refusé";
}

void TestExport::failure_keepsTheEarlierExport()
{
    QFETCH(int, step);
    QFETCH(int, error);
    QFETCH(QString, cause);
    const QString target = m_dir->filePath(QStringLiteral("codage.csv"));
    const QByteArray earlier = "\xEF\xBB\xBFnumtexte;ancien export\r\n";
    {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(earlier);
    }
    coding::dialogs::setSaveHook([&](QWidget *, const QString &) { return target; });
    coding::dialogs::setOptionsHook([](QWidget *, ExportOptions &) { return true; });
    SafeFile::setFaultHook(
        [&](SafeFile::Step s) { return int(s) == step ? error : 0; });
    m_chemin = coding::start(m_db);
    QVERIFY(m_chemin);
    m_chemin->findChild<QAction *>(QStringLiteral("exporter"))->trigger();

    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.at(0).kind, messages::Kind::Error);
    QVERIFY2(m_shown.at(0).text.contains(cause) && m_shown.at(0).text.contains(target),
             qPrintable(m_shown.at(0).text));
    QVERIFY(!m_shown.at(0).text.contains(QStringLiteral("Unknown")));
    QVERIFY(!m_chemin->statusBar()->currentMessage().contains(QStringLiteral("exporté")));
    QCOMPARE(storetest::bytesOf(target), earlier);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{QStringLiteral("a.mdb"), QStringLiteral("codage.csv")}));
}

void TestExport::layouts_readByPython_data()
{
    QTest::addColumn<bool>("wide");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<bool>("raw");
    QTest::addColumn<bool>("codedOnly");
    QTest::addColumn<bool>("fileName");
    const QChar semi(QLatin1Char(';'));
    const QChar comma(QLatin1Char(','));
    QTest::newRow("longue ;") << false << semi << false << false << false;
    QTest::newRow("longue , brut, codés, nom") << false << comma << true << true << true;
    QTest::newRow("large ;") << true << semi << false << false << false;
    QTest::newRow("large , brut, codés, nom") << true << comma << true << true << true;
}

void TestExport::layouts_readByPython()
{
    QFETCH(bool, wide);
    QFETCH(QChar, separator);
    QFETCH(bool, raw);
    QFETCH(bool, codedOnly);
    QFETCH(bool, fileName);
    if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
        QSKIP("python3 is not installed");
    ExportOptions options;
    options.layout = wide ? ExportOptions::Layout::Wide : ExportOptions::Layout::Long;
    options.separator = separator;
    options.raw = raw;
    options.codedOnly = codedOnly;
    options.fileName = fileName;
    const QString target = m_dir->filePath(QStringLiteral("codage.csv"));
    auto store = coding::CodingStore::open(m_db);
    const coding::ExportOutcome outcome = coding::exportCsv(*store, target, options);
    QCOMPARE(outcome.status, coding::ExportOutcome::Done);

    QString error;
    const QList<QStringList> rows = readByPython(target, separator, &error);
    QVERIFY2(!rows.isEmpty(), qPrintable(error));

    const QString p1 = fileName ? QStringLiteral("entretien n°1.txt") : kPath1;
    const QString p2 = fileName ? QStringLiteral("autre.txt") : kPath2;
    const QString formula = raw ? kFormula : "'" + kFormula;
    const QString ironie = raw ? QStringLiteral("@ironie") : QStringLiteral("'@ironie");
    QStringList header{QStringLiteral("numtexte"),
                       fileName ? QStringLiteral("fichier") : QStringLiteral("chemin"),
                       QStringLiteral("numsegment"), QStringLiteral("texte")};
    QList<QStringList> expected;
    if (wide) {
        header << QStringLiteral("Thème: Culture") << QStringLiteral("Thème: Économie")
               << listName(2) + ": @ironie" << QStringLiteral("note");
        expected << header;
        expected << QStringList{"1", p1, "1", formula, "1", "1", "1", ""};
        if (!codedOnly)
            expected << QStringList{"1", p1, "2", kSecond, "0", "0", "0", ""}
                     << QStringList{"1", p1, "3", "Troisième.", "0", "0", "0", ""};
        expected << QStringList{"2", p2, "4", "Autre.", "0", "1", "0", ""};
    } else {
        for (int k = 1; k <= coding::kLists; ++k)
            header << listName(k) + " n°" << listName(k);
        header << QStringLiteral("note");
        expected << header;
        const QStringList none{"1", "", "1", "", "1", "", ""};
        const QString eco = QString::number(m_economie);
        const QString cul = QString::number(m_culture);
        const QString iro = QString::number(m_ironie);
        expected << QStringList{"1", p1, "1", formula, eco, "Économie", iro, ironie} + none
                 << QStringList{"1", p1, "1", formula, cul, "Culture", "1", ""} + none;
        if (!codedOnly)
            expected << QStringList{"1", p1, "2", kSecond, "1", "", "1", ""} + none
                     << QStringList{"1", p1, "3", "Troisième."} + QStringList(11, QString());
        expected << QStringList{"2", p2, "4", "Autre.", eco, "Économie", "1", ""} + none;
    }
    QCOMPARE(rows.size(), expected.size());
    for (int i = 0; i < rows.size(); ++i)
        QCOMPARE(rows.at(i), expected.at(i));
    QCOMPARE(outcome.records, qint64(expected.size() - 1));
}

void TestExport::blocks_neverSplitASegment()
{
    // A text read in several blocks: one segment with more coding rows than a
    // block holds, others with several rows around the blocks' ends.
    const int segments = 9000;
    const int many = int(coding::ExportReader::kBlock) * 2 + 500;
    Raw db(m_db);
    QStringList texts;
    for (int i = 1; i <= segments; ++i)
        texts << QStringLiteral("Phrase %1.").arg(i);
    const qint64 text = addText(db, QStringLiteral("/corpus/long.txt"), texts);
    const qint64 first = db.scalar(QStringLiteral("SELECT min(numero) FROM textes WHERE numtexte "
                                                  "= %1")
                                       .arg(text))
                             .toLongLong();
    QMap<qint64, int> rowsOf; // segment -> coding rows
    rowsOf[first + 9] = many;
    for (int i = 3990; i < 4010; ++i)
        rowsOf[first + i] = 3;
    rowsOf[first + segments - 1] = 2;
    QVERIFY(db.exec(QStringLiteral("BEGIN")));
    for (auto it = rowsOf.cbegin(); it != rowsOf.cend(); ++it)
        for (int r = 0; r < it.value(); ++r)
            QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) VALUES "
                                           "(%1, %2)")
                                .arg(it.key())
                                .arg(m_culture)));
    QVERIFY(db.exec(QStringLiteral("COMMIT")));

    auto store = coding::CodingStore::open(m_db);
    const QString target = m_dir->filePath(QStringLiteral("long.csv"));
    const coding::ExportOutcome outcome = coding::exportCsv(*store, target, {});
    QCOMPARE(outcome.status, coding::ExportOutcome::Done);
    QList<QStringList> records;
    QVERIFY(parseCsv(QString::fromUtf8(storetest::bytesOf(target).mid(3)), QLatin1Char(';'),
                     &records));
    QMap<qint64, int> written;
    qint64 previous = 0;
    for (const QStringList &r : records.mid(1)) {
        if (r.at(0).toLongLong() != text)
            continue;
        const qint64 segment = r.at(2).toLongLong();
        QVERIFY(segment >= previous); // in order, each segment's rows together
        if (segment != previous)
            QVERIFY(!written.contains(segment));
        previous = segment;
        ++written[segment];
    }
    QCOMPARE(written.size(), segments);
    for (auto it = written.cbegin(); it != written.cend(); ++it)
        QCOMPARE(it.value(), std::max(1, rowsOf.value(it.key())));
    QCOMPARE(outcome.segments, qint64(segments + 4));
}

void TestExport::codebook()
{
    const QString target = m_dir->filePath(QStringLiteral("livre.csv"));
    auto store = coding::CodingStore::open(m_db);
    const coding::ExportOutcome outcome = coding::exportCodebook(*store, target, {});
    QCOMPARE(outcome.status, coding::ExportOutcome::Done);
    QList<QStringList> records;
    QVERIFY(parseCsv(QString::fromUtf8(storetest::bytesOf(target).mid(3)), QLatin1Char(';'),
                     &records));
    // Each list's empty value, then list 1's two values and list 2's one.
    QCOMPARE(records.size(), 1 + 5 + 3);
    QCOMPARE(records.at(0), coding::codebookHeader());
    QCOMPARE(records.at(1), (QStringList{"1", "Thème", "1", "", ""}));
    QCOMPARE(records.at(2), (QStringList{"1", "Thème", QString::number(m_culture), "Culture", ""}));
    QCOMPARE(records.at(3),
             (QStringList{"1", "Thème", QString::number(m_economie), "Économie", kDefinition}));
    QCOMPARE(records.at(5), (QStringList{"2", listName(2), QString::number(m_ironie), "'@ironie",
                                         "'-dit le contraire"}));
    QCOMPARE(records.at(8), (QStringList{"5", listName(5), "1", "", ""}));
}

void TestExport::startFolder_data()
{
    QTest::addColumn<QStringList>("candidates"); // "DIR" is a writable test folder
    QTest::addColumn<QString>("chosen");
    QTest::newRow("first usable") << QStringList{"", "DIR/absent", "DIR"} << "DIR";
    QTest::newRow("a file is no folder") << QStringList{"DIR/a.mdb", "DIR"} << "DIR";
    QTest::newRow("system folders skipped")
        << QStringList{"/usr/bin", "/etc", "/", "DIR"} << "DIR";
    QTest::newRow("none: home") << QStringList{"/opt", "DIR/absent"} << QDir::homePath();
}

void TestExport::startFolder()
{
    QFETCH(QStringList, candidates);
    QFETCH(QString, chosen);
    for (QString &c : candidates)
        c.replace(QStringLiteral("DIR"), m_dir->path());
    chosen.replace(QStringLiteral("DIR"), m_dir->path());
    QCOMPARE(coding::dialogs::startFolder(candidates), chosen);
}

// The two choices about accepted suggestions: left out (counted as not
// coded), or marked in a column of their own, which only the long layout
// has and which means nothing once they are left out.
void TestExport::suggestionChoices_data()
{
    QTest::addColumn<QStringList>("clicks"); // objectNames, in order
    QTest::addColumn<bool>("markEnabled");
    QTest::addColumn<bool>("without");
    QTest::addColumn<bool>("marked");
    QTest::newRow("nothing ticked") << QStringList{} << true << false << false;
    QTest::newRow("marked") << QStringList{"marquer_suggestions"} << true << false << true;
    QTest::newRow("left out") << QStringList{"sans_suggestions"} << false << true << false;
    QTest::newRow("marked, then left out")
        << QStringList{"marquer_suggestions", "sans_suggestions"} << false << true << false;
    QTest::newRow("marked, then the wide layout")
        << QStringList{"marquer_suggestions", "large"} << false << false << false;
    QTest::newRow("wide, then long again: the mark comes back")
        << QStringList{"marquer_suggestions", "large", "longue"} << true << false << true;
}

void TestExport::suggestionChoices()
{
    QFETCH(QStringList, clicks);
    QFETCH(bool, markEnabled);
    QFETCH(bool, without);
    QFETCH(bool, marked);
    coding::frmExport dialog{ExportOptions()};
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (const QString &name : clicks) {
        auto *button = dialog.findChild<QAbstractButton *>(name);
        QVERIFY2(button, qPrintable(name));
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, button->height() / 2));
    }
    QCOMPARE(dialog.findChild<QCheckBox *>(QStringLiteral("marquer_suggestions"))->isEnabled(),
             markEnabled);
    const ExportOptions o = dialog.options();
    QCOMPARE(o.withoutSuggestions, without);
    QCOMPARE(o.markSuggestions, marked);
}

QTEST_MAIN(TestExport)
#include "test_export.moc"
