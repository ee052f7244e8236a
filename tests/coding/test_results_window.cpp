// The window "Résultats" driven as a researcher drives it: Ctrl+R from the
// texts' window, a variable crossed with another at the segment unit, a
// cell clicked, one of its segments opened in the coding window; the table
// copied, exported, and the chart saved; a list crossed with an attribute of
// the texts, conditions on the attributes, a chart over dates by month or
// by year.
#include "../store/attributesexample.h"

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
#include <QLineEdit>
#include <QListWidget>
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
    void attributeCross_data();
    void attributeCross();
    void attributeConditions_data();
    void attributeConditions();
    void attributeRefusedBound();
    void attributeDateChart_data();
    void attributeDateChart();

private:
    // The table as the user reads it, a line per row, cells joined by "|".
    QStringList tableLines() const;
    // Picks the line of that text in a box, as the user does.
    static void pick(QComboBox *box, const QString &text);
    // Makes a condition in the editor ("journal=Le Monde",
    // "date=2003-01-01..2003-12-31") and adds it.
    void addCondition(const QString &condition);

    QTemporaryDir m_dir;
    QString m_db;
    QString m_attributes; // attributesexample.h, for the tests named attribute...
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
    m_attributes = freshDatabase(m_dir, QStringLiteral("attributs.mdb"));
    attributesexample::fill(m_attributes);
    codebook::setListName(*Connection::open(m_attributes), 1, QStringLiteral("Thème"));
    messages::setHandler([this](const messages::Shown &shown) {
        m_messages << shown.text;
        return false;
    });
}

void TestResultsWindow::init()
{
    m_messages.clear();
    m_chemin = coding::start(
        QByteArray(QTest::currentTestFunction()).startsWith("attribute") ? m_attributes : m_db);
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

QStringList TestResultsWindow::tableLines() const
{
    auto *table = m_window->findChild<QTableWidget *>(QStringLiteral("tableau"));
    QStringList lines;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            cells << table->item(r, c)->text();
        lines << cells.join(QLatin1Char('|'));
    }
    return lines;
}

void TestResultsWindow::pick(QComboBox *box, const QString &text)
{
    const int index = box->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    box->setFocus();
    box->setCurrentIndex(index);
}

void TestResultsWindow::addCondition(const QString &condition)
{
    const QString name = condition.section(QLatin1Char('='), 0, 0);
    const QString value = condition.section(QLatin1Char('='), 1);
    pick(m_window->findChild<QComboBox *>(QStringLiteral("condition_attribut")), name);
    auto *operation = m_window->findChild<QComboBox *>(QStringLiteral("condition_operateur"));
    if (value.contains(QLatin1String(".."))) {
        QVERIFY(operation->isEnabled());
        pick(operation, QStringLiteral("de … à …"));
        auto *from = m_window->findChild<QLineEdit *>(QStringLiteral("condition_de"));
        auto *to = m_window->findChild<QLineEdit *>(QStringLiteral("condition_a"));
        QVERIFY(from->isEnabled());
        from->clear();
        to->clear();
        QTest::keyClicks(from, value.section(QStringLiteral(".."), 0, 0));
        QTest::keyClicks(to, value.section(QStringLiteral(".."), 1));
    } else {
        pick(operation, QStringLiteral("="));
        pick(m_window->findChild<QComboBox *>(QStringLiteral("condition_valeur")), value);
    }
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("ajouter_condition")),
                      Qt::LeftButton);
}

// List 1 (Thème) and journal, either way round: each text's counts (see
// attributesexample.h) in its journal's column, text 3 in "(sans valeur)".
// [[1, 0, 2], [0, 1, 1], [4, 1, 0]], N = 10: chi2 = 601/90 = 6.6778, ddl 4,
// p = exp(-x/2) (1 + x/2) = 0.1539, V = sqrt(6.6778 / 20) = 0.5778 (the
// figures worked out in tests/cli/test_resultats_attributs.cpp). A cell
// lists its segments: Abeille in the texts without a journal, segments 6
// and 7.
void TestResultsWindow::attributeCross_data()
{
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("cross");
    QTest::addColumn<QString>("header");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("row");    // the cell clicked
    QTest::addColumn<int>("column");

    QTest::newRow("Thème by journal")
        << QStringLiteral("Thème") << QStringLiteral("journal")
        << QStringLiteral("Thème \\ journal (lignes de codage)|Le Monde|Libération|(sans valeur)|Total")
        << QStringList{QStringLiteral("Abeille|1|0|2|3"), QStringLiteral("Chat|0|1|1|2"),
                       QStringLiteral("Zèbre|4|1|0|5"), QStringLiteral("Total|5|2|3|10"),
                       QStringLiteral("Non codé||||2")}
        << 0 << 3;
    QTest::newRow("journal by Thème")
        << QStringLiteral("journal") << QStringLiteral("Thème")
        << QStringLiteral("journal \\ Thème (lignes de codage)|Abeille|Chat|Zèbre|Total")
        << QStringList{QStringLiteral("Le Monde|1|0|4|5"), QStringLiteral("Libération|0|1|1|2"),
                       QStringLiteral("(sans valeur)|2|1|0|3"), QStringLiteral("Total|3|2|5|10"),
                       QStringLiteral("Non codé||||2")}
        << 2 << 1;
}

void TestResultsWindow::attributeCross()
{
    QFETCH(QString, variable);
    QFETCH(QString, cross);
    QFETCH(QString, header);
    QFETCH(QStringList, lines);
    QFETCH(int, row);
    QFETCH(int, column);
    pick(m_window->findChild<QComboBox *>(QStringLiteral("variable")), variable);
    pick(m_window->findChild<QComboBox *>(QStringLiteral("croiser")), cross);
    auto *table = m_window->findChild<QTableWidget *>(QStringLiteral("tableau"));
    QStringList shownHeader;
    for (int c = 0; c < table->columnCount(); ++c)
        shownHeader << table->horizontalHeaderItem(c)->text();
    QCOMPARE(shownHeader.join(QLatin1Char('|')), header);
    QCOMPARE(tableLines(), lines);
    const QString test = m_window->findChild<QLabel *>(QStringLiteral("khi2"))->text();
    QVERIFY2(test.contains(QStringLiteral("= 6,6778 ; ddl = 4 ; p = 0,1539 ; V de Cramér = 0,5778 ; "
                                          "N = 10")),
             qPrintable(test));

    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualItemRect(table->item(row, column)).center());
    auto *list = m_window->findChild<QTableView *>(QStringLiteral("segments"));
    QList<qint64> shown;
    for (int r = 0; r < list->model()->rowCount(); ++r)
        shown << list->model()->index(r, 0).data().toLongLong();
    QCOMPARE(shown, (QList<qint64>{6, 7}));

    // An attribute alone is no table: the window says what to choose.
    pick(m_window->findChild<QComboBox *>(QStringLiteral("croiser")), QStringLiteral("(aucune)"));
    pick(m_window->findChild<QComboBox *>(QStringLiteral("variable")), QStringLiteral("journal"));
    QCOMPARE(table->rowCount(), 0);
    QVERIFY(m_window->findChild<QLabel *>(QStringLiteral("titre"))->text().contains(
        QStringLiteral("Un attribut se croise avec une liste")));
}

// The frequencies of Thème (Abeille, Chat, Zèbre) for the texts the
// conditions keep (attributesexample.h), the conditions written above the
// table and after a copied table; removed one by one.
void TestResultsWindow::attributeConditions_data()
{
    QTest::addColumn<QStringList>("conditions");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("journal = Le Monde: text 1")
        << QStringList{QStringLiteral("journal=Le Monde")}
        << QStringLiteral("Textes où journal = Le Monde")
        << QStringList{QStringLiteral("Abeille|1|20,00"), QStringLiteral("Chat|0|0,00"),
                       QStringLiteral("Zèbre|4|80,00"), QStringLiteral("Total|5|100,00"),
                       QStringLiteral("Non codé|2|")};
    QTest::newRow("a range of dates: texts 1 and 2")
        << QStringList{QStringLiteral("date=2003-01-01..2003-12-31")}
        << QStringLiteral("Textes où date de 2003-01-01 à 2003-12-31")
        << QStringList{QStringLiteral("Abeille|1|14,29"), QStringLiteral("Chat|1|14,29"),
                       QStringLiteral("Zèbre|5|71,43"), QStringLiteral("Total|7|100,00"),
                       QStringLiteral("Non codé|2|")};
    QTest::newRow("both: text 2")
        << QStringList{QStringLiteral("journal=Libération"), QStringLiteral("pages=..10")}
        << QStringLiteral("Textes où journal = Libération et pages jusqu'à 10")
        << QStringList{QStringLiteral("Abeille|0|0,00"), QStringLiteral("Chat|1|50,00"),
                       QStringLiteral("Zèbre|1|50,00"), QStringLiteral("Total|2|100,00"),
                       QStringLiteral("Non codé|0|")};
}

void TestResultsWindow::attributeConditions()
{
    QFETCH(QStringList, conditions);
    QFETCH(QString, shown);
    QFETCH(QStringList, lines);
    auto *label = m_window->findChild<QLabel *>(QStringLiteral("conditions_texte"));
    QVERIFY(!label->isVisibleTo(m_window));
    for (const QString &c : conditions)
        addCondition(c);
    QVERIFY(label->isVisibleTo(m_window));
    QCOMPARE(label->text(), shown);
    QCOMPARE(tableLines(), lines);
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("copier")), Qt::LeftButton);
    QVERIFY(QApplication::clipboard()->text().trimmed().endsWith(shown));

    // Removed, the whole analysis again: Abeille 3, Chat 2, Zèbre 5.
    auto *list = m_window->findChild<QListWidget *>(QStringLiteral("conditions"));
    QCOMPARE(list->count(), conditions.size());
    for (int i = 0; i < conditions.size(); ++i) {
        list->setCurrentRow(0);
        QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("retirer_condition")),
                          Qt::LeftButton);
    }
    QCOMPARE(list->count(), 0);
    QVERIFY(!label->isVisibleTo(m_window));
    QCOMPARE(tableLines().value(0), QStringLiteral("Abeille|3|30,00"));
}

void TestResultsWindow::attributeRefusedBound()
{
    addCondition(QStringLiteral("date=2003..2004"));
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.first().contains(QStringLiteral("n'est pas une date AAAA-MM-JJ")),
             qPrintable(m_messages.first()));
    m_messages.clear();
    QCOMPARE(m_window->findChild<QListWidget *>(QStringLiteral("conditions"))->count(), 0);
    // A range is for dates and numbers only.
    pick(m_window->findChild<QComboBox *>(QStringLiteral("condition_attribut")),
         QStringLiteral("journal"));
    QVERIFY(!m_window->findChild<QComboBox *>(QStringLiteral("condition_operateur"))->isEnabled());
}

// Thème over the dates: text 1 (2003-02-10) holds 1, 0, 4; text 2
// (2003-05-01) 0, 1, 1; text 3 (2004-01-15) 2, 1, 0. By month, February 2003
// to January 2004, the months between at 0; by year, 2003 holds 1, 1, 5 (of
// 7) and 2004 2, 1, 0 (of 3).
void TestResultsWindow::attributeDateChart_data()
{
    QTest::addColumn<int>("period"); // 0 by month, 1 by year
    QTest::addColumn<int>("measure"); // 0 counts, 1 percentages
    QTest::addColumn<QStringList>("categories");
    QTest::addColumn<QList<QList<double>>>("values");

    QStringList months;
    QList<QList<double>> byMonth;
    for (int m = 2; m <= 12; ++m) {
        months << QStringLiteral("2003-%1").arg(m, 2, 10, QLatin1Char('0'));
        byMonth << (m == 2 ? QList<double>{1, 0, 4}
                           : m == 5 ? QList<double>{0, 1, 1} : QList<double>{0, 0, 0});
    }
    months << QStringLiteral("2004-01");
    byMonth << QList<double>{2, 1, 0};
    QTest::newRow("by month") << 0 << 0 << months << byMonth;
    QTest::newRow("by year") << 1 << 0 << QStringList{QStringLiteral("2003"), QStringLiteral("2004")}
                             << QList<QList<double>>{{1, 1, 5}, {2, 1, 0}};
    QTest::newRow("by year, percentages")
        << 1 << 1 << QStringList{QStringLiteral("2003"), QStringLiteral("2004")}
        << QList<QList<double>>{{100.0 / 7, 100.0 / 7, 500.0 / 7}, {200.0 / 3, 100.0 / 3, 0}};
}

void TestResultsWindow::attributeDateChart()
{
    QFETCH(int, period);
    QFETCH(int, measure);
    QFETCH(QStringList, categories);
    QFETCH(QList<QList<double>>, values);
    auto *periode = m_window->findChild<QComboBox *>(QStringLiteral("periode"));
    auto *mesure = m_window->findChild<QComboBox *>(QStringLiteral("mesure"));
    pick(m_window->findChild<QComboBox *>(QStringLiteral("croiser")), QStringLiteral("journal"));
    QVERIFY(!periode->isEnabled()); // not dates
    pick(m_window->findChild<QComboBox *>(QStringLiteral("croiser")), QStringLiteral("date"));
    QVERIFY(periode->isEnabled());
    periode->setCurrentIndex(period);
    mesure->setCurrentIndex(measure);
    const coding::ChartData &chart =
        m_window->findChild<coding::ChartView *>(QStringLiteral("graphique"))->chart();
    QCOMPARE(chart.categories, categories);
    QCOMPARE(chart.series, (QStringList{QStringLiteral("Abeille"), QStringLiteral("Chat"),
                                        QStringLiteral("Zèbre")}));
    QCOMPARE(chart.values.size(), size_t(values.size()));
    for (int i = 0; i < values.size(); ++i)
        for (int s = 0; s < 3; ++s)
            QVERIFY2(qAbs(chart.values[size_t(i)][size_t(s)] - values[i][s]) < 1e-9,
                     qPrintable(QStringLiteral("%1, %2").arg(categories[i]).arg(s)));
    // The table keeps the days.
    QCOMPARE(m_window->findChild<QTableWidget *>(QStringLiteral("tableau"))->columnCount(), 5);
}

QTEST_MAIN(TestResultsWindow)
#include "test_results_window.moc"
