// The window "Résultats" driven as a researcher drives it: Ctrl+R from the
// texts' window, a variable crossed with another at the segment unit, a
// cell clicked, one of its segments opened in the coding window; the table
// copied, exported, and the chart saved.
#include "../store/resultsexample.h"

#include "coding/filedialogs.h"
#include "coding/frmchemin.h"
#include "coding/frmresultats.h"
#include "coding/frmtextes.h"
#include "common/messages.h"
#include "store/codebookstore.h"
#include "store/connection.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

using namespace codingtest;
using namespace resultsexample;
using coding::frmResultats;

class TestResultsWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void frequencies();
    void cellOpensSegment_data();
    void cellOpensSegment();
    void copyExportChart();
    void severalCells_data();
    void severalCells();

private:
    QTemporaryDir m_dir;
    QString m_db;
    coding::frmChemin *m_chemin = nullptr;
    frmResultats *m_window = nullptr;
    QStringList m_messages;
};

void TestResultsWindow::initTestCase()
{
    // As the program does: figures in French.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    m_db = freshDatabase(m_dir);
    fill(m_db);
    // List 1 named by the researcher; list 2 keeps its default name.
    codebook::setListName(*Connection::open(m_db), 1, QStringLiteral("Thème"));
    messages::setHandler([this](const messages::Shown &shown) {
        m_messages << shown.text;
        return false;
    });
}

void TestResultsWindow::init()
{
    m_messages.clear();
    m_chemin = coding::start(m_db);
    QVERIFY(m_chemin);
    QVERIFY(QTest::qWaitForWindowExposed(m_chemin));
    QTest::keyClick(m_chemin, Qt::Key_R, Qt::ControlModifier);
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *r = qobject_cast<frmResultats *>(w))
            m_window = r;
    QVERIFY(m_window);
    QVERIFY(m_window->isVisible());
}

void TestResultsWindow::cleanup()
{
    if (m_chemin)
        m_chemin->close();
    m_chemin = nullptr;
    m_window = nullptr;
    QTest::qWait(0);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(m_messages.isEmpty());
}

void TestResultsWindow::frequencies()
{
    auto *table = m_window->findChild<QTableWidget *>(QStringLiteral("tableau"));
    QVERIFY(table);
    // List order, the unit in the header, the total and what was left out.
    QCOMPARE(table->horizontalHeaderItem(0)->text(),
             QStringLiteral("Thème (lignes de codage)"));
    QStringList lines;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            cells << table->item(r, c)->text();
        lines << cells.join(QLatin1Char('|'));
    }
    QCOMPARE(lines, (QStringList{QStringLiteral("Abeille|1|14,29"), QStringLiteral("Chat|1|14,29"),
                                 QStringLiteral("Zèbre|5|71,43"), QStringLiteral("Total|7|100,00"),
                                 QStringLiteral("Non codé|2|")}));
}

void TestResultsWindow::cellOpensSegment_data()
{
    QTest::addColumn<int>("row");    // of the table
    QTest::addColumn<int>("column"); // of the table
    QTest::addColumn<QList<qint64>>("segments");
    QTest::addColumn<int>("chosen"); // line of the segment list
    QTest::addColumn<qint64>("text");
    // Zèbre x X: segments 1 and 2 (text 1); the second one opened.
    QTest::newRow("Zèbre, X") << 2 << 1 << QList<qint64>{1, 2} << 1 << qint64(1);
    // Zèbre x Y: segments 1 and 4; segment 4 is in text 2.
    QTest::newRow("Zèbre, Y") << 2 << 2 << QList<qint64>{1, 4} << 1 << qint64(2);
    // The line's total: every segment holding Zèbre with a value of list 2.
    QTest::newRow("Zèbre, total") << 2 << 3 << QList<qint64>{1, 2, 4} << 0 << qint64(1);
}

void TestResultsWindow::cellOpensSegment()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QList<qint64>, segments);
    QFETCH(int, chosen);
    QFETCH(qint64, text);

    auto *croiser = m_window->findChild<QComboBox *>(QStringLiteral("croiser"));
    auto *unite = m_window->findChild<QComboBox *>(QStringLiteral("unite"));
    auto *table = m_window->findChild<QTableWidget *>(QStringLiteral("tableau"));
    auto *list = m_window->findChild<QTableView *>(QStringLiteral("segments"));
    croiser->setCurrentIndex(2); // list 2, as picked in the box
    unite->setCurrentIndex(1);   // segments
    QCOMPARE(table->columnCount(), 4);
    QVERIFY(m_window->findChild<QLabel *>(QStringLiteral("khi2"))->text().contains(
        QStringLiteral("ddl = 1")));

    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualItemRect(table->item(row, column)).center());
    QList<qint64> shown;
    for (int r = 0; r < list->model()->rowCount(); ++r)
        shown << list->model()->index(r, 0).data().toLongLong();
    QCOMPARE(shown, segments);
    QVERIFY(!list->model()->index(0, 2).data().toString().isEmpty());

    list->setFocus();
    list->setCurrentIndex(list->model()->index(chosen, 0));
    QTest::keyClick(list, Qt::Key_Return);
    coding::frmTextes *window = m_chemin->textWindow(text);
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->currentSegment(), segments.at(chosen));
}

void TestResultsWindow::copyExportChart()
{
    auto *croiser = m_window->findChild<QComboBox *>(QStringLiteral("croiser"));
    croiser->setCurrentIndex(2);
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("copier")), Qt::LeftButton);
    const QStringList copied =
        QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(copied.value(0), QStringLiteral("Thème \\ Variable de comparaison 2 (lignes de codage)"
                                             "\tX\tY\tTotal"));
    QCOMPARE(copied.value(3), QStringLiteral("Zèbre\t3\t2\t5"));
    QCOMPARE(copied.value(4), QStringLiteral("Total\t4\t2\t6"));

    const QString csvFile = m_dir.filePath(QStringLiteral("tableau.csv"));
    coding::dialogs::setSaveHook([&](QWidget *, const QString &) { return csvFile; });
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("exporter")),
                      Qt::LeftButton);
    coding::dialogs::setSaveHook({});
    const QByteArray bytes = storetest::bytesOf(csvFile);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QList<QStringList> records;
    QVERIFY(parseCsv(QString::fromUtf8(bytes.mid(3)), QLatin1Char(';'), &records));
    QCOMPARE(records.value(3), (QStringList{QStringLiteral("Zèbre"), QStringLiteral("3"),
                                            QStringLiteral("2"), QStringLiteral("5")}));

    for (const QString &name : {QStringLiteral("graphique.png"), QStringLiteral("graphique.svg")}) {
        const QString file = m_dir.filePath(name);
        coding::dialogs::setChartHook([&](QWidget *, const QString &) { return file; });
        QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("enregistrer")),
                          Qt::LeftButton);
        coding::dialogs::setChartHook({});
        if (name.endsWith(QLatin1String(".png"))) {
            const QImage image(file);
            QCOMPARE(image.size(), QSize(1200, 800));
        } else {
            const QByteArray svg = storetest::bytesOf(file);
            QVERIFY(svg.contains("<svg"));
            QVERIFY(svg.contains("Thème × Variable de comparaison 2"));
        }
    }

    // A chart that cannot be written says so, in French.
    coding::dialogs::setChartHook(
        [&](QWidget *, const QString &) { return m_dir.filePath(QStringLiteral("absent/g.svg")); });
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("enregistrer")),
                      Qt::LeftButton);
    coding::dialogs::setChartHook({});
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.first().contains(QStringLiteral("ne peut pas être créé")),
             qPrintable(m_messages.first()));
    m_messages.clear();
}

// Counted by segments, a segment holding two values is in two cells: the
// window says how many segments are, and the chi-square warns that its
// observations are not independent. From the example: list 1 alone,
// segments 1 (Zèbre, Abeille) and 4 (Chat, Zèbre); crossed with list 2,
// segment 1 alone (Zèbre X, Zèbre Y, Abeille X), segment 4's Chat having no
// value of list 2.
void TestResultsWindow::severalCells_data()
{
    QTest::addColumn<int>("cross"); // the box's line: 0 none, 2 list 2
    QTest::addColumn<int>("unit");  // 0 coding rows, 1 segments
    QTest::addColumn<QString>("note"); // empty: none shown
    QTest::addColumn<bool>("notIndependent");
    QTest::newRow("frequencies, coding rows") << 0 << 0 << QString() << false;
    QTest::newRow("frequencies, segments")
        << 0 << 1 << QStringLiteral("2 segments comptés dans plusieurs cases") << false;
    QTest::newRow("cross-table, coding rows") << 2 << 0 << QString() << false;
    QTest::newRow("cross-table, segments")
        << 2 << 1 << QStringLiteral("1 segment compté dans plusieurs cases") << true;
}

void TestResultsWindow::severalCells()
{
    QFETCH(int, cross);
    QFETCH(int, unit);
    QFETCH(QString, note);
    QFETCH(bool, notIndependent);
    m_window->findChild<QComboBox *>(QStringLiteral("croiser"))->setCurrentIndex(cross);
    m_window->findChild<QComboBox *>(QStringLiteral("unite"))->setCurrentIndex(unit);
    auto *notes = m_window->findChild<QLabel *>(QStringLiteral("notes"));
    QVERIFY(notes);
    QCOMPARE(notes->isVisibleTo(m_window), !note.isEmpty());
    QVERIFY2(notes->text().startsWith(note), qPrintable(notes->text()));
    const QString warning = m_window->findChild<QLabel *>(QStringLiteral("avertissement"))->text();
    QCOMPARE(warning.contains(QStringLiteral("ne sont pas indépendantes")), notIndependent);
    if (cross != 0)
        QVERIFY(m_window->findChild<QLabel *>(QStringLiteral("khi2"))->text().startsWith(
            QStringLiteral("χ² de Pearson (sans correction de Yates) = ")));
    // A copied table carries the note after its rows.
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("copier")), Qt::LeftButton);
    const QStringList copied = QApplication::clipboard()->text().split(QLatin1Char('\n'));
    QCOMPARE(!note.isEmpty() && copied.value(copied.size() - 2).startsWith(note), !note.isEmpty());
}

QTEST_MAIN(TestResultsWindow)
#include "test_results_window.moc"
