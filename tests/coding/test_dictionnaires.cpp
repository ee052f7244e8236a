// The window "Dictionnaires" driven as a researcher drives it: "Fichier >
// Dictionnaires..." from the texts' window, a LIWC file taken in, the counts
// read beside the categories and entries, an entry clicked and its lines
// read, the table by text, by value and by attribute, the texts unticked;
// categories and entries added, renamed and removed through the dialogs,
// refusals told; "Coder avec le dictionnaire..." with Ctrl+Z and Ctrl+Maj+Z;
// the copy coded by the dictionary, read by the reliability's store; a count
// stopped with "Arrêter"; a read-only analysis.
#include "../words/corpusexample.h"

#include "coding/filedialogs.h"
#include "coding/frmchemin.h"
#include "coding/frmdictionnaires.h"
#include "coding/session.h"
#include "common/messages.h"
#include "store/history.h"
#include "store/reliabilitystore.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace codingtest;
using coding::frmDictionnaires;

namespace {

// corpusexample.h's analysis; hand counts in tests/words/test_dictionaries:
//   1 le chat dort   2 le chien et le chat   3 etat dort   (text 1, Le Monde)
//   4 un chien       5 chiens et chats                      (text 2, Libération)
// Animaux (chat*, chien): 1:1 2:2 4:1 5:1 = 5 in 4 segments; Sommeil
// (dort): 2 in 2; Pays (état): 1 in 1.
const QByteArray kLiwc = "%\r\n1\tAnimaux\r\n2\tSommeil\r\n3\tPays\r\n%\r\n"
                         "chat*\t1\r\nchien\t1\r\ndort\t2\r\n\xc3\xa9tat\t3\r\n";

void pick(QComboBox *box, const QString &text)
{
    QVERIFY(box);
    const int found = box->findText(text);
    QVERIFY2(found >= 0, qPrintable(text));
    box->setCurrentIndex(found);
}

} // namespace

class TestDictionnaires : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void takeInAndCount();
    void entryLines();
    void tables_data();
    void tables();
    void editing_data();
    void editing();
    void removal_data();
    void removal();
    void codingUndoRedo();
    void codedCopy();
    void stopped();
    void readOnly();

private:
    // Opens the window from the texts' window's menu.
    void openWindow();
    // Takes the LIWC file in through the button and waits for the count.
    void takeIn();
    void waitForCount();
    // Answers the next dialog `name`: `fill` sets its controls, then "ok"
    // (or "annuler") is clicked.
    void answer(const QString &name, std::function<void(QDialog *)> fill, bool cancel = false);
    void answerText(const QString &name, const QString &text);
    // The categories as read: "name|occurrences|segments", children indented.
    QStringList tree() const;
    QStringList entries() const;
    QStringList table(const char *name) const;
    template <typename T> T *child(const char *name) const
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }

    QTemporaryDir m_dir;
    QString m_db;
    QString m_dic;
    corpusexample::Values m_values;
    coding::frmChemin *m_chemin = nullptr;
    frmDictionnaires *m_window = nullptr;
    QStringList m_messages;
    bool m_yes = true;
    bool m_answered = false;
};

void TestDictionnaires::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    messages::setHandler([this](const messages::Shown &shown) {
        m_messages << shown.text;
        return m_yes;
    });
    m_dic = m_dir.filePath(QStringLiteral("animaux.dic"));
    QFile file(m_dic);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(kLiwc);
}

void TestDictionnaires::init()
{
    m_messages.clear();
    m_yes = true;
    m_db = freshDatabase(m_dir, QStringLiteral("%1.mdb").arg(QTest::currentTestFunction()));
    m_values = corpusexample::fill(m_db);
    coding::dialogs::setFileHook([this](QWidget *, const QString &) { return m_dic; });
}

void TestDictionnaires::cleanup()
{
    coding::dialogs::setFileHook({});
    coding::dialogs::setSaveDatabaseHook({});
    if (m_chemin)
        m_chemin->close();
    m_chemin = nullptr;
    m_window = nullptr;
    QTest::qWait(0);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestDictionnaires::openWindow()
{
    m_chemin = coding::start(m_db);
    QVERIFY(m_chemin);
    QVERIFY(QTest::qWaitForWindowExposed(m_chemin));
    auto *action = m_chemin->findChild<QAction *>(QStringLiteral("dictionnaires"));
    QVERIFY(action);
    QCOMPARE(action->text(), QStringLiteral("&Dictionnaires..."));
    action->trigger();
    m_window = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<frmDictionnaires *>(w))
            m_window = d;
    QVERIFY(m_window);
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QCOMPARE(m_window->objectName(), QStringLiteral("Dictionnaires"));
}

void TestDictionnaires::waitForCount()
{
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->busy(), 30000);
}

void TestDictionnaires::takeIn()
{
    openWindow();
    QVERIFY(child<QPushButton>("importer")->isEnabled());
    QTest::mouseClick(child<QPushButton>("importer"), Qt::LeftButton);
    waitForCount();
    QVERIFY(m_window->counted());
}

void TestDictionnaires::answer(const QString &name, std::function<void(QDialog *)> fill, bool cancel)
{
    m_answered = false;
    QTimer::singleShot(0, this, [this, name, fill, cancel] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        QCOMPARE(dialog->objectName(), name);
        fill(dialog);
        QTest::mouseClick(dialog->findChild<QPushButton *>(cancel ? QStringLiteral("annuler")
                                                                  : QStringLiteral("ok")),
                          Qt::LeftButton);
        m_answered = true;
    });
}

void TestDictionnaires::answerText(const QString &name, const QString &text)
{
    answer(name, [text](QDialog *dialog) {
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("nom"));
        QVERIFY(edit);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    });
}

QStringList TestDictionnaires::tree() const
{
    QStringList lines;
    auto *view = child<QTreeWidget>("categories");
    for (QTreeWidgetItemIterator it(view); *it; ++it) {
        const QTreeWidgetItem *item = *it;
        lines << QStringLiteral("%1%2|%3|%4")
                     .arg(item->parent() ? QStringLiteral("  ") : QString(), item->text(0),
                          item->text(1), item->text(2));
    }
    return lines;
}

QStringList TestDictionnaires::entries() const
{
    return table("entrees");
}

QStringList TestDictionnaires::table(const char *name) const
{
    auto *view = child<QTableWidget>(name);
    QStringList lines;
    for (int r = 0; r < view->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < view->columnCount(); ++c)
            cells << (view->item(r, c) ? view->item(r, c)->text() : QString());
        lines << cells.join(QLatin1Char('|'));
    }
    return lines;
}

void TestDictionnaires::takeInAndCount()
{
    takeIn();
    QCOMPARE(child<QComboBox>("dictionnaire")->currentText(),
             QStringLiteral("animaux (3 catégories, 4 entrées)"));
    QCOMPARE(tree(), (QStringList{QStringLiteral("Animaux|5|4"), QStringLiteral("Sommeil|2|2"),
                                  QStringLiteral("Pays|1|1")}));
    // Animaux is chosen first; its entries in the file's order, counted:
    // chat* in 1, 2, 5; chien in 2, 4.
    QCOMPARE(entries(), (QStringList{QStringLiteral("chat*|3|3"), QStringLiteral("chien|2|2")}));
    QCOMPARE(child<QLabel>("etat_compte")->text(), QStringLiteral("Compté dans 5 segments (15 mots)."));
    QCOMPARE(m_window->statusBar()->currentMessage(),
             QStringLiteral("Dictionnaire « animaux » pris : 3 catégories, 4 entrées."));
    // Kept in the analysis.
    {
        Raw db(m_db);
        QCOMPARE(rows(db, QStringLiteral("SELECT nom, source FROM Dictionnaires")),
                 QStringList{QStringLiteral("animaux|") + m_dic});
    }
    // The same file again: kept beside, under another name, when the user
    // says "Non" to replacing.
    m_yes = false;
    QTest::mouseClick(child<QPushButton>("importer"), Qt::LeftButton);
    waitForCount();
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(m_messages.front().startsWith(QStringLiteral("L'analyse a déjà un dictionnaire « animaux ».")));
    QCOMPARE(child<QComboBox>("dictionnaire")->currentText(),
             QStringLiteral("animaux (2) (3 catégories, 4 entrées)"));
    m_messages.clear();
    // A file that does not read: told, nothing taken.
    const QString bad = m_dir.filePath(QStringLiteral("mauvais.dic"));
    QFile file(bad);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("chat*\t1\r\n");
    file.close();
    coding::dialogs::setFileHook([bad](QWidget *, const QString &) { return bad; });
    QTest::mouseClick(child<QPushButton>("importer"), Qt::LeftButton);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(m_messages.front().startsWith(QStringLiteral("Le dictionnaire « %1 » n'a pas pu être "
                                                         "lu : rien n'a été pris.\n\nLigne 1 : ")
                                              .arg(bad)));
    m_messages.clear();
    Raw db(m_db);
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM Dictionnaires")), QStringLiteral("2"));
}

void TestDictionnaires::entryLines()
{
    takeIn();
    // A click on "chat*": its three places, the word found in bold column.
    auto *list = child<QTableWidget>("entrees");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0, 0)).center());
    QCOMPARE(child<QLabel>("compte_entree")->text(),
             QStringLiteral("« chat* » : 3 occurrences dans 3 segments."));
    QAbstractItemModel *model = child<QTableView>("concordance")->model();
    QStringList lines;
    for (int r = 0; r < model->rowCount(); ++r)
        lines << QStringLiteral("%1|%2|%3|%4")
                     .arg(model->index(r, 0).data().toString(), model->index(r, 1).data().toString(),
                          model->index(r, 2).data().toString(), model->index(r, 3).data().toString());
    QCOMPARE(lines, (QStringList{QStringLiteral("1|1|Le |chat"),
                                 QStringLiteral("1|2|Le chat dort. Le chien et le |chat"),
                                 QStringLiteral("2|5|Un chien. Chiens et |chats")}));
    // Unticking text 2 counts again: chat* then only in 1 and 2.
    auto *texts = child<QListWidget>("textes");
    texts->item(1)->setCheckState(Qt::Unchecked);
    QTRY_VERIFY(m_window->busy());
    waitForCount();
    QCOMPARE(tree(), (QStringList{QStringLiteral("Animaux|3|2"), QStringLiteral("Sommeil|2|2"),
                                  QStringLiteral("Pays|1|1")}));
}

// The table of the tab "Tableau", as the user reads it (hand counts above;
// words: text 1 10, text 2 5; value Animaux 2 and 4, 7 words; Sommeil 1 and
// 3, 5 words; not coded 5, 3 words).
void TestDictionnaires::tables_data()
{
    QTest::addColumn<QString>("by");
    QTest::addColumn<QString>("choice"); // the list or attribute chosen
    QTest::addColumn<QString>("show");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("whole") << QStringLiteral("dans toute l'analyse") << QString()
                           << QStringLiteral("occurrences")
                           << QStringList{QStringLiteral("Animaux|5|4|33,33"),
                                          QStringLiteral("Sommeil|2|2|13,33"),
                                          QStringLiteral("Pays|1|1|6,67")};
    QTest::newRow("texts") << QStringLiteral("par texte") << QString() << QStringLiteral("occurrences")
                           << QStringList{QStringLiteral("1 - un.txt|3|2|1"),
                                          QStringLiteral("2 - deux.txt|2|0|0"),
                                          QStringLiteral("Total|5|2|1")};
    // Share: Animaux 3 of 10 words, 2 of 5; Sommeil 2 of 10.
    QTest::newRow("texts, share") << QStringLiteral("par texte") << QString()
                                  << QStringLiteral("part des mots (%)")
                                  << QStringList{QStringLiteral("1 - un.txt|30,00|20,00|10,00"),
                                                 QStringLiteral("2 - deux.txt|40,00|0,00|0,00"),
                                                 QStringLiteral("Total|33,33|13,33|6,67")};
    QTest::newRow("values, segments")
        << QStringLiteral("par valeur de la liste") << QStringLiteral("1 - Variable de comparaison 1")
        << QStringLiteral("segments")
        << QStringList{QStringLiteral("Animaux|2|0|0"), QStringLiteral("Sommeil|1|2|1"),
                       QStringLiteral("(non codé)|1|0|0"), QStringLiteral("Total|4|2|1")};
    QTest::newRow("attribute") << QStringLiteral("par valeur de l'attribut") << QStringLiteral("journal")
                               << QStringLiteral("occurrences")
                               << QStringList{QStringLiteral("Le Monde|3|2|1"),
                                              QStringLiteral("Libération|2|0|0"),
                                              QStringLiteral("Total|5|2|1")};
}

void TestDictionnaires::tables()
{
    QFETCH(QString, by);
    QFETCH(QString, choice);
    QFETCH(QString, show);
    QFETCH(QStringList, rows);
    takeIn();
    auto *tabs = child<QTabWidget>("onglets");
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
    QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("onglet_tableau"));
    pick(child<QComboBox>("afficher"), show);
    pick(child<QComboBox>("par"), by);
    if (!choice.isEmpty())
        pick(child<QComboBox>(by.contains(QLatin1String("liste")) ? "liste_par" : "attribut_par"),
             choice);
    waitForCount();
    QCOMPARE(table("tableau"), rows);
    // What "Copier" puts on the clipboard is the same table, tab-separated.
    QTest::mouseClick(child<QPushButton>("copier"), Qt::LeftButton);
    const QStringList copied = QApplication::clipboard()->text().split(QLatin1Char('\n'));
    QCOMPARE(copied.at(1), QString(rows.front()).replace(QLatin1Char('|'), QLatin1Char('\t')));
    // "Exporter..." writes the same table as CSV (";", decimal commas).
    const QString csv = m_dir.filePath(QStringLiteral("tableau.csv"));
    QString proposed;
    coding::dialogs::setSaveHook([&](QWidget *, const QString &suggested) {
        proposed = suggested;
        return csv;
    });
    QTest::mouseClick(child<QPushButton>("exporter_tableau"), Qt::LeftButton);
    coding::dialogs::setSaveHook({});
    QCOMPARE(QFileInfo(proposed).fileName(), QStringLiteral("tables_dictionnaire.csv"));
    QList<QStringList> records;
    QVERIFY(parseCsv(QString::fromUtf8(storetest::bytesOf(csv)).mid(1), QLatin1Char(';'), &records));
    QCOMPARE(records.at(1).join(QLatin1Char('|')), rows.front());
    // The tab "Graphique": "Enregistrer le graphique..." writes it as PNG.
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(2).center());
    QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("onglet_graphique"));
    QVERIFY(child<QPushButton>("enregistrer_graphique")->isVisible());
    const QString png = m_dir.filePath(QStringLiteral("graphique.png"));
    QFile::remove(png);
    coding::dialogs::setChartHook([&](QWidget *, const QString &) { return png; });
    QTest::mouseClick(child<QPushButton>("enregistrer_graphique"), Qt::LeftButton);
    coding::dialogs::setChartHook({});
    QCOMPARE(QImage(png).size(), QSize(1200, 800));
    // The chart has a bar group per line but the total.
    QCOMPARE(m_window->chart().categories.size(), by == QLatin1String("dans toute l'analyse")
                                                      ? rows.size()
                                                      : rows.size() - 1);
}

// Edits through the buttons and their dialogs; refusals told, nothing
// changed; the counts follow.
void TestDictionnaires::editing_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message"); // empty: done
    QTest::addColumn<QStringList>("tree");

    // "chien*" added to Animaux: "chiens" (5) counts too: 6 in 4.
    QTest::newRow("entry added") << QStringLiteral("ajouter_entree") << QStringLiteral("Entree")
                                 << QStringLiteral("chien*") << QString()
                                 << QStringList{QStringLiteral("Animaux|6|4"),
                                                QStringLiteral("Sommeil|2|2"),
                                                QStringLiteral("Pays|1|1")};
    // "-chats" excluded from Animaux: 4 in 3.
    QTest::newRow("exclusion added") << QStringLiteral("ajouter_entree") << QStringLiteral("Entree")
                                     << QStringLiteral("-chats") << QString()
                                     << QStringList{QStringLiteral("Animaux|4|3"),
                                                    QStringLiteral("Sommeil|2|2"),
                                                    QStringLiteral("Pays|1|1")};
    QTest::newRow("entry refused")
        << QStringLiteral("ajouter_entree") << QStringLiteral("Entree") << QStringLiteral("ch*ien")
        << QStringLiteral("L'entrée n'a pas été ajoutée.\n\nL'entrée « ch*ien » a un « * » ailleurs "
                          "qu'à la fin d'un mot : seuls les préfixes (« économ* ») sont pris en "
                          "charge.")
        << QStringList{QStringLiteral("Animaux|5|4"), QStringLiteral("Sommeil|2|2"),
                       QStringLiteral("Pays|1|1")};
    QTest::newRow("entry twice") << QStringLiteral("ajouter_entree") << QStringLiteral("Entree")
                                 << QStringLiteral("chien")
                                 << QStringLiteral("L'entrée n'a pas été ajoutée.\n\nLa catégorie a "
                                                   "déjà l'entrée « chien ».")
                                 << QStringList{QStringLiteral("Animaux|5|4"),
                                                QStringLiteral("Sommeil|2|2"),
                                                QStringLiteral("Pays|1|1")};
    // A child of Animaux, empty: Animaux keeps its counts.
    QTest::newRow("subcategory") << QStringLiteral("nouvelle_sous_categorie")
                                 << QStringLiteral("NomCategorie") << QStringLiteral("Chats")
                                 << QString()
                                 << QStringList{QStringLiteral("Animaux|5|4"),
                                                QStringLiteral("  Chats|0|0"),
                                                QStringLiteral("Sommeil|2|2"),
                                                QStringLiteral("Pays|1|1")};
    QTest::newRow("renamed") << QStringLiteral("renommer_categorie") << QStringLiteral("NomCategorie")
                             << QStringLiteral("Bestiaire") << QString()
                             << QStringList{QStringLiteral("Bestiaire|5|4"),
                                            QStringLiteral("Sommeil|2|2"),
                                            QStringLiteral("Pays|1|1")};
    QTest::newRow("name taken") << QStringLiteral("renommer_categorie")
                                << QStringLiteral("NomCategorie") << QStringLiteral("Pays")
                                << QStringLiteral("La catégorie n'a pas été renommée.\n\nLe "
                                                  "dictionnaire a déjà une catégorie « Pays ».")
                                << QStringList{QStringLiteral("Animaux|5|4"),
                                               QStringLiteral("Sommeil|2|2"),
                                               QStringLiteral("Pays|1|1")};
    QTest::newRow("new category") << QStringLiteral("nouvelle_categorie")
                                  << QStringLiteral("NomCategorie") << QStringLiteral("Chose")
                                  << QString()
                                  << QStringList{QStringLiteral("Animaux|5|4"),
                                                 QStringLiteral("Sommeil|2|2"),
                                                 QStringLiteral("Pays|1|1"),
                                                 QStringLiteral("Chose|0|0")};
}

void TestDictionnaires::editing()
{
    QFETCH(QString, button);
    QFETCH(QString, dialog);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QStringList, tree);
    takeIn();
    answerText(dialog, typed);
    QTest::mouseClick(m_window->findChild<QPushButton *>(button), Qt::LeftButton);
    QVERIFY(m_answered);
    waitForCount();
    QCOMPARE(m_messages.join(QLatin1Char('\n')), message);
    m_messages.clear();
    QCOMPARE(this->tree(), tree);
}

// Removals ask first; "Non" keeps everything, "Oui" removes (and the
// counts follow). Entry "chien" chosen in Animaux.
void TestDictionnaires::removal_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<int>("kept"); // dictionaries left in the analysis

    const QStringList all{QStringLiteral("Animaux|5|4"), QStringLiteral("Sommeil|2|2"),
                          QStringLiteral("Pays|1|1")};
    const QString entry = QStringLiteral("Supprimer l'entrée « chien » de « Animaux » ?\n\nCela "
                                         "ne s'annule pas.");
    QTest::newRow("entry kept") << QStringLiteral("supprimer_entree") << false << entry << all << 1;
    // Without "chien": chat* alone, 3 in 3.
    QTest::newRow("entry removed") << QStringLiteral("supprimer_entree") << true << entry
                                   << QStringList{QStringLiteral("Animaux|3|3"),
                                                  QStringLiteral("Sommeil|2|2"),
                                                  QStringLiteral("Pays|1|1")}
                                   << 1;
    QTest::newRow("category removed")
        << QStringLiteral("supprimer_categorie") << true
        << QStringLiteral("Supprimer la catégorie « Animaux » (2 entrées) ?\n\nCela ne "
                          "s'annule pas.")
        << QStringList{QStringLiteral("Sommeil|2|2"), QStringLiteral("Pays|1|1")} << 1;
    const QString dictionary =
        QStringLiteral("Supprimer le dictionnaire « animaux » (3 catégories, 4 entrées) de "
                       "l'analyse ?\n\nCela ne s'annule pas : pour le garder, écrivez-le d'abord "
                       "dans un fichier. Le codage qu'il a fait reste.");
    QTest::newRow("dictionary kept") << QStringLiteral("supprimer") << false << dictionary << all << 1;
    QTest::newRow("dictionary removed") << QStringLiteral("supprimer") << true << dictionary
                                        << QStringList{} << 0;
}

void TestDictionnaires::removal()
{
    QFETCH(QString, button);
    QFETCH(bool, yes);
    QFETCH(QString, question);
    QFETCH(QStringList, tree);
    QFETCH(int, kept);
    takeIn();
    auto *list = child<QTableWidget>("entrees");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1, 0)).center());
    m_yes = yes;
    QTest::mouseClick(m_window->findChild<QPushButton *>(button), Qt::LeftButton);
    waitForCount();
    QCOMPARE(m_messages, QStringList{question});
    m_messages.clear();
    QCOMPARE(this->tree(), tree);
    Raw db(m_db);
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM Dictionnaires")), QString::number(kept));
}

// Coding list 2 (hand-worked in tests/words/test_dictionaries): values
// Animaux and Pays added, Sommeil added too here; segments 1 to 5 coded.
void TestDictionnaires::codingUndoRedo()
{
    takeIn();
    const QString holding = QStringLiteral("SELECT k.numtexte || ':' || v.variable02 FROM Contenus k"
                                           " JOIN var_comp_02 v ON v.numero = k.numvar02"
                                           " WHERE k.numvar02 > 1 ORDER BY k.numtexte, v.variable02");
    QStringList before;
    {
        Raw db(m_db);
        before = rows(db, holding);
    }
    QCOMPARE(before, QStringList{QStringLiteral("5:Jour")});
    answer(QStringLiteral("frmCoderDictionnaire"), [](QDialog *d) {
        pick(d->findChild<QComboBox *>(QStringLiteral("liste")),
             QStringLiteral("2 - Variable de comparaison 2"));
    });
    QTest::mouseClick(child<QPushButton>("coder"), Qt::LeftButton);
    QVERIFY(m_answered);
    QCOMPARE(m_window->statusBar()->currentMessage(),
             QStringLiteral("5 segments codés avec « animaux » sur la liste « Variable de "
                            "comparaison 2 » ; 3 valeurs ajoutées à la liste."));
    const QStringList after{QStringLiteral("1:Animaux"), QStringLiteral("1:Sommeil"),
                            QStringLiteral("2:Animaux"), QStringLiteral("3:Pays"),
                            QStringLiteral("3:Sommeil"), QStringLiteral("4:Animaux"),
                            QStringLiteral("5:Animaux"), QStringLiteral("5:Jour")};
    {
        Raw db(m_db);
        QCOMPARE(rows(db, holding), after);
    }
    auto *undo = m_window->findChild<QAction *>(QStringLiteral("annuler"));
    QVERIFY(undo);
    QCOMPARE(undo->text(), QStringLiteral("Annuler le codage par dictionnaire (5 segments)"));
    waitForCount();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    QTest::keyClick(m_window, Qt::Key_Z, Qt::ControlModifier);
    {
        Raw db(m_db);
        QCOMPARE(rows(db, holding), before);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM var_comp_02")), QStringLiteral("2"));
    }
    QTest::keyClick(m_window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    {
        Raw db(m_db);
        QCOMPARE(rows(db, holding), after);
    }
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));
}

// The copy: the values added to the analysis first (asked), the copy coded
// by the dictionary alone; the reliability's store reads both side by side.
void TestDictionnaires::codedCopy()
{
    takeIn();
    const QString copy = m_dir.filePath(QStringLiteral("copie_animaux.mdb"));
    QFile::remove(copy);
    QString suggested;
    coding::dialogs::setSaveDatabaseHook(
        [&](QWidget *, const QString &, const QString &proposed) {
            suggested = proposed;
            return copy;
        });
    answer(QStringLiteral("frmCopieDictionnaire"), [](QDialog *d) {
        pick(d->findChild<QComboBox *>(QStringLiteral("liste")),
             QStringLiteral("1 - Variable de comparaison 1"));
    });
    QTest::mouseClick(child<QPushButton>("copie_codee"), Qt::LeftButton);
    QVERIFY(m_answered);
    // Animaux and Sommeil are values of list 1 already; Pays is not.
    QCOMPARE(m_messages, (QStringList{QStringLiteral(
                 "« Pays » n'est pas une valeur de la liste « Variable de comparaison 1 ». L'y "
                 "ajouter, pour que la copie et l'analyse aient les mêmes listes ?\n\n(Une étape "
                 "que « Édition > Annuler » reprend.)")}));
    m_messages.clear();
    QCOMPARE(QFileInfo(suggested).fileName(), QStringLiteral("codedCopy_animaux.mdb"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(copy), 30000);
    waitForCount();
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));
    {
        Raw db(copy);
        // Animaux on 1, 2, 4, 5; Sommeil on 1, 3; Pays on 3: 7 rows.
        QCOMPARE(rows(db, QStringLiteral("SELECT k.numtexte || ':' || v.variable01 FROM Contenus k"
                                         " JOIN var_comp_01 v ON v.numero = k.numvar01"
                                         " ORDER BY k.numtexte, v.variable01")),
                 (QStringList{QStringLiteral("1:Animaux"), QStringLiteral("1:Sommeil"),
                              QStringLiteral("2:Animaux"), QStringLiteral("3:Pays"),
                              QStringLiteral("3:Sommeil"), QStringLiteral("4:Animaux"),
                              QStringLiteral("5:Animaux")}));
    }
    const auto both = reliability::readCopies({m_db, copy});
    QVERIFY(both);
    auto *undo = m_window->findChild<QAction *>(QStringLiteral("annuler"));
    QCOMPARE(undo->text(),
             QStringLiteral("Annuler l'ajout des catégories de « animaux » à la liste 1"));
}

// "Arrêter" right after "Compter": the count stops at its first batch and
// says so; "Compter" makes it again.
void TestDictionnaires::stopped()
{
    {
        Raw db(m_db);
        QStringList many;
        for (int i = 0; i < 12000; ++i)
            many << QStringLiteral("Le chat numéro %1 dort.").arg(i);
        addText(db, QStringLiteral("/beaucoup.txt"), many);
    }
    takeIn();
    QTest::mouseClick(child<QPushButton>("compter"), Qt::LeftButton);
    QVERIFY(m_window->busy());
    QVERIFY(child<QPushButton>("arreter")->isVisible());
    QTest::mouseClick(child<QPushButton>("arreter"), Qt::LeftButton);
    waitForCount();
    QVERIFY(!m_window->counted());
    QCOMPARE(child<QLabel>("etat_compte")->text(),
             QStringLiteral("Comptage arrêté : « Compter » le refait."));
    QCOMPARE(tree(), (QStringList{QStringLiteral("Animaux||"), QStringLiteral("Sommeil||"),
                                  QStringLiteral("Pays||")}));
    QTest::mouseClick(child<QPushButton>("compter"), Qt::LeftButton);
    waitForCount();
    // 12,000 "chat" and "dort" more, one each a segment (figures as shown).
    QCOMPARE(tree(), (QStringList{QStringLiteral("Animaux|%L1|%L2").arg(12005).arg(12004),
                                  QStringLiteral("Sommeil|%L1|%L2").arg(12002).arg(12002),
                                  QStringLiteral("Pays|1|1")}));
}

// An analysis read-only: dictionaries are read and counted, nothing is
// kept, edited or coded.
void TestDictionnaires::readOnly()
{
    {
        auto db = Connection::open(m_db);
        words::Dictionary d;
        d.name = QStringLiteral("gardé");
        d.categories.push_back({QStringLiteral("Animaux"), QString(),
                                {{words::DictionaryEntry::Kind::Word, QStringLiteral("chien"), false}}});
        dictionaries::save(*db, d);
    }
    openWindow();
    waitForCount();
    m_window->session().history().setReadOnly(true);
    QCOMPARE(tree(), QStringList{QStringLiteral("Animaux|2|2")});
    for (const char *name : {"importer", "renommer", "supprimer", "ajouter_entree", "coder",
                             "copie_codee", "nouvelle_categorie"})
        QVERIFY2(!child<QPushButton>(name)->isEnabled(), name);
    QVERIFY(child<QPushButton>("exporter")->isEnabled());
}

QTEST_MAIN(TestDictionnaires)
#include "test_dictionnaires.moc"
