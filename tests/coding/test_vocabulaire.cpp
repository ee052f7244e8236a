// The window "Vocabulaire" driven as a researcher drives it: opened from the
// texts' window and from a text's coding window (one window per analysis),
// the segments chosen, the boxes ticked, "Compter" clicked and the table
// read; sorted by a column; copied and exported; the characteristic words of
// a value. The analysis is tests/words/corpusexample.h, whose words are
// counted by hand there.
#include "../words/corpusexample.h"

#include "coding/filedialogs.h"
#include "coding/frmchemin.h"
#include "coding/frmtextes.h"
#include "coding/frmvocabulaire.h"
#include "common/messages.h"
#include "store/codebookstore.h"
#include "words/stopwords.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

using namespace codingtest;
using coding::frmVocabulaire;

class TestVocabulaireWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void oneWindow();
    void count_data();
    void count();
    void sortByColumn_data();
    void sortByColumn();
    void copyAndExport();
    void characteristicWords_data();
    void characteristicWords();

private:
    // The table as the user reads it: the header, then a line per row,
    // cells joined by "|".
    static QStringList tableLines(const QTableView *table);
    static void pick(QComboBox *box, const QString &text);
    // Clicks a box's square, as the user does.
    static void tick(QCheckBox *box)
    {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        QVERIFY(box->isChecked());
    }
    template <typename T> T *child(const char *name) const
    {
        T *found = m_window->findChild<T *>(QLatin1String(name));
        if (!found)
            qWarning("no %s in the window", name);
        return found;
    }

    QTemporaryDir m_dir;
    QString m_db;
    coding::frmChemin *m_chemin = nullptr;
    frmVocabulaire *m_window = nullptr;
    QStringList m_messages;
};

void TestVocabulaireWindow::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    m_db = freshDatabase(m_dir);
    corpusexample::fill(m_db);
    codebook::setListName(*Connection::open(m_db), 1, QStringLiteral("Thème"));
    messages::setHandler([this](const messages::Shown &shown) {
        m_messages << shown.text;
        return false;
    });
}

void TestVocabulaireWindow::init()
{
    m_messages.clear();
    m_chemin = coding::start(m_db);
    QVERIFY(m_chemin);
    QVERIFY(QTest::qWaitForWindowExposed(m_chemin));
    auto *open = m_chemin->findChild<QAction *>(QStringLiteral("vocabulaire"));
    QVERIFY(open);
    open->trigger();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *v = qobject_cast<frmVocabulaire *>(w))
            m_window = v;
    QVERIFY(m_window);
    QVERIFY(m_window->isVisible());
}

void TestVocabulaireWindow::cleanup()
{
    if (m_window)
        m_window->close();
    if (m_chemin)
        m_chemin->close();
    m_chemin = nullptr;
    m_window = nullptr;
    QTest::qWait(0);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));
}

QStringList TestVocabulaireWindow::tableLines(const QTableView *table)
{
    const QAbstractItemModel *model = table->model();
    QStringList header;
    for (int c = 0; c < model->columnCount(); ++c)
        header << model->headerData(c, Qt::Horizontal).toString();
    QStringList lines{header.join(QLatin1Char('|'))};
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->index(r, c).data().toString();
        lines << cells.join(QLatin1Char('|'));
    }
    return lines;
}

void TestVocabulaireWindow::pick(QComboBox *box, const QString &text)
{
    const int found = box->findText(text);
    QVERIFY2(found >= 0, qPrintable(text));
    box->setCurrentIndex(found);
}

void TestVocabulaireWindow::oneWindow()
{
    // The same window from the texts' window again, and from a text's
    // coding window.
    m_chemin->findChild<QAction *>(QStringLiteral("vocabulaire"))->trigger();
    coding::frmTextes *text = m_chemin->openText(0);
    QVERIFY(text);
    auto *fromText = text->findChild<QAction *>(QStringLiteral("vocabulaire"));
    QVERIFY(fromText);
    fromText->trigger();
    int windows = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        windows += qobject_cast<frmVocabulaire *>(w) != nullptr && w->isVisible();
    QCOMPARE(windows, 1);
    // The stop words' list says where it comes from.
    QVERIFY(child<QCheckBox>("sans_mots_vides")->toolTip().contains(words::stopWordsSource()));
    text->close();
}

void TestVocabulaireWindow::count_data()
{
    QTest::addColumn<bool>("withoutStopWords");
    QTest::addColumn<bool>("byStem");
    QTest::addColumn<bool>("text2");      // text 2 ticked
    QTest::addColumn<QString>("journal"); // the attribute's value chosen, if any
    QTest::addColumn<QString>("coded");   // the value of Thème chosen, if any
    QTest::addColumn<QStringList>("table");
    QTest::addColumn<QString>("total");

    const QString all;
    QTest::newRow("every segment")
        << false << false << true << all << all
        << QStringList{"Mot|Effectif|Segments", "le|3|2",     "chat|2|2",   "chien|2|2",
                       "dort|2|2",              "et|2|2",     "chats|1|1",  "chiens|1|1",
                       "état|1|1",              "un|1|1"}
        << QStringLiteral("9 mots différents, 15 occurrences dans 5 segments");
    // le, et, un left out: 15 - 3 - 2 - 1 = 9 occurrences.
    QTest::newRow("without stop words")
        << true << false << true << all << all
        << QStringList{"Mot|Effectif|Segments", "chat|2|2", "chien|2|2", "dort|2|2",
                       "chats|1|1",             "chiens|1|1", "état|1|1"}
        << QStringLiteral("6 mots différents, 9 occurrences dans 5 segments");
    QTest::newRow("by stem")
        << false << true << true << all << all
        << QStringList{"Racine|Effectif|Segments|Formes",
                       "chat|3|3|chat, chats",
                       "chien|3|3|chien, chiens",
                       "le|3|2|le",
                       "dort|2|2|dort",
                       "et|2|2|et",
                       "état|1|1|état",
                       "un|1|1|un"}
        << QStringLiteral("7 racines différentes, 15 occurrences dans 5 segments");
    // Text 1: segments 1 to 3.
    QTest::newRow("text 1 only")
        << false << false << false << all << all
        << QStringList{"Mot|Effectif|Segments", "le|3|2", "chat|2|2", "dort|2|2",
                       "chien|1|1", "et|1|1", "état|1|1"}
        << QStringLiteral("6 mots différents, 10 occurrences dans 3 segments");
    QTest::newRow("journal = Libération")
        << false << false << true << QStringLiteral("Libération") << all
        << QStringList{"Mot|Effectif|Segments", "chats|1|1", "chien|1|1", "chiens|1|1",
                       "et|1|1", "un|1|1"}
        << QStringLiteral("5 mots différents, 5 occurrences dans 2 segments (journal = "
                          "Libération)");
    // Animaux: segments 2 and 4, segment 2 once though two rows hold it.
    QTest::newRow("coded Animaux")
        << false << false << true << all << QStringLiteral("Animaux")
        << QStringList{"Mot|Effectif|Segments", "chien|2|2", "le|2|1", "chat|1|1", "et|1|1",
                       "un|1|1"}
        << QStringLiteral("5 mots différents, 7 occurrences dans 2 segments (Thème = Animaux)");
}

void TestVocabulaireWindow::count()
{
    QFETCH(bool, withoutStopWords);
    QFETCH(bool, byStem);
    QFETCH(bool, text2);
    QFETCH(QString, journal);
    QFETCH(QString, coded);
    QFETCH(QStringList, table);
    QFETCH(QString, total);

    if (withoutStopWords)
        tick(child<QCheckBox>("sans_mots_vides"));
    if (byStem)
        tick(child<QCheckBox>("par_racine"));
    if (!text2) {
        auto *texts = child<QListWidget>("textes");
        QCOMPARE(texts->count(), 2);
        texts->item(1)->setCheckState(Qt::Unchecked);
    }
    if (!journal.isEmpty()) {
        pick(child<QComboBox>("attribut"), QStringLiteral("journal"));
        pick(child<QComboBox>("valeur_attribut"), journal);
    }
    if (!coded.isEmpty()) {
        pick(child<QComboBox>("liste_codee"), QStringLiteral("Thème"));
        pick(child<QComboBox>("valeur_codee"), coded);
    }
    QTest::mouseClick(child<QPushButton>("compter"), Qt::LeftButton);
    QCOMPARE(tableLines(child<QTableView>("vocabulaire")), table);
    QCOMPARE(child<QLabel>("total")->text(), total);
}

void TestVocabulaireWindow::sortByColumn_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QStringList>("words");
    // French order: état with the e's, after et.
    QTest::newRow("by word")
        << 0 << 1
        << QStringList{"chat", "chats", "chien", "chiens", "dort", "et", "état", "le", "un"};
    // Numbers from the largest at the first click; equal ones keep the
    // order they had (the count's, then the first click's).
    QTest::newRow("by segments, most first")
        << 2 << 1
        << QStringList{"le", "chat", "chien", "dort", "et", "chats", "chiens", "état", "un"};
    QTest::newRow("by segments, fewest first")
        << 2 << 2
        << QStringList{"chats", "chiens", "état", "un", "le", "chat", "chien", "dort", "et"};
}

void TestVocabulaireWindow::sortByColumn()
{
    QFETCH(int, column);
    QFETCH(int, clicks);
    QFETCH(QStringList, words);
    QTest::mouseClick(child<QPushButton>("compter"), Qt::LeftButton);
    auto *table = child<QTableView>("vocabulaire");
    QHeaderView *header = table->horizontalHeader();
    for (int i = 0; i < clicks; ++i)
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column)
                                     + header->sectionSize(column) / 2,
                                 header->height() / 2));
    QStringList shown;
    for (int r = 0; r < table->model()->rowCount(); ++r)
        shown << table->model()->index(r, 0).data().toString();
    QCOMPARE(shown, words);
}

void TestVocabulaireWindow::copyAndExport()
{
    tick(child<QCheckBox>("par_racine"));
    QTest::mouseClick(child<QPushButton>("compter"), Qt::LeftButton);
    // Ctrl+Maj+C, as the menu says.
    QTest::keyClick(m_window, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    const QStringList copied =
        QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(copied.value(0), QStringLiteral("Racine\tEffectif\tSegments\tFormes"));
    QCOMPARE(copied.value(1), QStringLiteral("chat\t3\t3\tchat, chats"));
    QCOMPARE(copied.size(), 8);

    const QString file = m_dir.filePath(QStringLiteral("vocabulaire.csv"));
    QString suggested;
    coding::dialogs::setSaveHook([&](QWidget *, const QString &proposed) {
        suggested = proposed;
        return file;
    });
    QTest::mouseClick(child<QPushButton>("exporter"), Qt::LeftButton);
    coding::dialogs::setSaveHook({});
    QVERIFY(suggested.endsWith(QStringLiteral("a_vocabulaire.csv")));
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF" "Racine;Effectif;Segments;Formes\r\n"
                             "chat;3;3;chat, chats\r\n"
                             "chien;3;3;chien, chiens\r\n"));
    QVERIFY(bytes.endsWith("un;1;1;un\r\n"));
}

void TestVocabulaireWindow::characteristicWords_data()
{
    QTest::addColumn<QString>("chooser"); // a list or an attribute
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("table"); // the first lines
    // Sommeil: segments 1 and 3, c = 5 words; the others d = 10.
    // dort: a = 2, b = 0, E1 = 5 x 2 / 15 = 2/3: G² = 4 ln 3 = 4.39,
    //   p = erfc(sqrt(G²/2)) = 0.0361;
    // état: a = 1, b = 0, E1 = 1/3: G² = 2 ln 3 = 2.20, p = 0.1383;
    // chat: a = 1, b = 1, E1 = 2/3, E2 = 4/3: G² = 2 (ln 1.5 + ln 0.75) = 0.24,
    //   p = 0.6274;
    // le: a = 1, b = 2, E1 = 1, E2 = 2: G² = 0, neither sign, p = 1.
    QTest::newRow("Sommeil")
        << QStringLiteral("Thème") << QStringLiteral("Sommeil")
        << QStringList{"Mot|G²|Signe|Effectif|Ailleurs|p", "dort|4,39|+|2|0|0,0361",
                       "état|2,20|+|1|0|0,1383", "chat|0,24|+|1|1|0,6274", "le|0,00||1|2|1,0000"};
    // Libération: segments 4 and 5 (un chien chiens et chats), c = 5; the
    // others d = 10 (le 3, chat 2, dort 2, chien, et, état).
    // chats, chiens, un: a = 1, b = 0, E1 = 1/3: G² = 2 ln 3 = 2.20.
    // et: a = 1, b = 1: G² = 0.24 as chat above; chien the same.
    QTest::newRow("journal = Libération")
        << QStringLiteral("journal") << QStringLiteral("Libération")
        << QStringList{"Mot|G²|Signe|Effectif|Ailleurs|p", "chats|2,20|+|1|0|0,1383",
                       "chiens|2,20|+|1|0|0,1383", "un|2,20|+|1|0|0,1383"};
}

void TestVocabulaireWindow::characteristicWords()
{
    QFETCH(QString, chooser);
    QFETCH(QString, value);
    QFETCH(QStringList, table);
    auto *tabs = child<QTabWidget>("onglets");
    tabs->setCurrentIndex(1);
    pick(child<QComboBox>("liste"), chooser);
    pick(child<QComboBox>("valeur"), value);
    QTest::mouseClick(child<QPushButton>("calculer"), Qt::LeftButton);
    const QStringList shown = tableLines(child<QTableView>("mots_caracteristiques"));
    QCOMPARE(shown.mid(0, table.size()), table);
}

QTEST_MAIN(TestVocabulaireWindow)
#include "test_vocabulaire.moc"
