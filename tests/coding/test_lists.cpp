// The edits of the lists and of the coding rows as steps of the history,
// without a window: each step undone and redone gives back exactly the rows
// it changed, numbers included; a step whose rows another program changed
// is refused and nothing is written; the rules on the empty value and on
// NUL hold in the store; the values' French order. Then the list window as
// a user drives it: Entrée adds and leaves the box ready for the next value,
// a definition typed first is saved with its value in one step, a codebook
// taken in from "Fichier" shows its values and "Annuler" takes them back;
// the menu "Listes" shows the lists' names.
#include "codingtest.h"

#include "coding/filedialogs.h"
#include "coding/frmchemin.h"
#include "coding/frmvarcomp.h"
#include "coding/session.h"
#include "common/frenchorder.h"
#include "common/messages.h"
#include "store/history.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/liststore.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace codingtest;
using coding::History;

namespace {

// Every row of the tables a step may touch, numbers included.
QStringList snapshot(Raw &db)
{
    QStringList all;
    all << rows(db, QStringLiteral("SELECT * FROM Contenus ORDER BY numero"));
    for (int k = 1; k <= 5; ++k)
        all << rows(db, QStringLiteral("SELECT '%1', * FROM var_comp_0%1 ORDER BY numero").arg(k));
    for (const char *table : {"Listes", "Definitions"})
        if (db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE name = '%1'")
                          .arg(QLatin1String(table)))
            == QStringLiteral("1"))
            all << rows(db, QStringLiteral("SELECT '%1', * FROM %1 ORDER BY 1, 2, 3")
                                .arg(QLatin1String(table)));
    return all;
}

using Step = std::function<void(History &)>;

// The entries of a list box, in the order shown.
QStringList entries(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

} // namespace

Q_DECLARE_METATYPE(Step)

class TestLists : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void frenchOrder_data();
    void frenchOrder();
    void step_undoneAndRedone_data();
    void step_undoneAndRedone();
    void changedElsewhere_refused_data();
    void changedElsewhere_refused();
    void rules_refusedInTheStore_data();
    void rules_refusedInTheStore();
    void history_keepsItsDepth();
    void window_returnAdds_data();
    void window_returnAdds();
    void window_importsCodebook_data();
    void window_importsCodebook();
    void listsMenu_showsNames_data();
    void listsMenu_showsNames();

private:
    QStringList m_shown; // the messages shown
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_db;
    std::unique_ptr<coding::CodingStore> m_store;
    std::unique_ptr<History> m_history;
};

// Text 1: segments 1 to 4. List 1: Installation (36, used by 5 rows),
// Départ (37, used by 2), Autre (38, unused). List 2: positif (13).
// Coding rows 1 to 8. Installation has a definition, list 2 a name.
void TestLists::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_db = freshDatabase(*m_dir);
    Raw db(m_db);
    addText(db, QStringLiteral("/corpus/a.txt"),
            {QStringLiteral("Un."), QStringLiteral("Deux."), QStringLiteral("Trois."),
             QStringLiteral("Quatre.")});
    QCOMPARE(addValue(db, 1, QStringLiteral("Installation")), 36);
    QCOMPARE(addValue(db, 1, QStringLiteral("Départ")), 37);
    QCOMPARE(addValue(db, 1, QStringLiteral("Autre")), 38);
    QCOMPARE(addValue(db, 2, QStringLiteral("positif")), 13);
    QVERIFY(db.exec(QStringLiteral(
        "INSERT INTO Contenus (numtexte, numvar01, numvar02, numvar03) VALUES"
        " (1, 36, 13, 1), (1, 37, 1, 1), (2, 36, 1, 1), (2, 1, 13, 1), (3, 36, 13, 1),"
        " (3, 37, 13, 1), (4, 36, 1, 1), (4, 36, 13, 1);"
        "INSERT INTO Definitions (liste, numero, definition) VALUES (1, 36, 'Mise en place.');"
        "INSERT INTO Listes (liste, nom) VALUES (2, 'Ton')")));
    m_store = coding::CodingStore::open(m_db);
    m_history = std::make_unique<History>(m_store->connection());
    m_shown.clear();
    messages::setHandler([this](const messages::Shown &shown) {
        m_shown << shown.text;
        return true;
    });
}

void TestLists::cleanup()
{
    messages::setHandler(nullptr);
    coding::dialogs::setFileHook(nullptr);
    m_history.reset();
    m_store.reset();
    m_dir.reset();
}

void TestLists::frenchOrder_data()
{
    // Each value as "number:text"; the expected order likewise.
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("case and accents ignored")
        << QStringList{"1:", "40:zoo", "41:Zèbre", "42:emu", "43:élan", "44:Eau", "45:Abricot",
                       "46:abeille"}
        << QStringList{"1:", "46:abeille", "45:Abricot", "44:Eau", "43:élan", "42:emu",
                       "41:Zèbre", "40:zoo"};
    QTest::newRow("accented letter with its base letter")
        << QStringList{"36:Documentation", "37:Dépendances", "38:dz", "39:Dîner"}
        << QStringList{"37:Dépendances", "39:Dîner", "36:Documentation", "38:dz"};
    QTest::newRow("equal but for case or accents: by number")
        << QStringList{"9:elan", "5:élan", "3:Elan", "4:ÉLAN", "2:Emu"}
        << QStringList{"3:Elan", "4:ÉLAN", "5:élan", "9:elan", "2:Emu"};
    QTest::newRow("ligatures spelled out")
        << QStringList{"1:ovale", "2:œuvre", "3:oeuf", "4:Odeur"}
        << QStringList{"4:Odeur", "3:oeuf", "2:œuvre", "1:ovale"};
}

void TestLists::frenchOrder()
{
    QFETCH(QStringList, values);
    QFETCH(QStringList, expected);
    std::vector<french::OrderedValue> ordered;
    for (const QString &v : values)
        ordered.push_back({v.section(QLatin1Char(':'), 0, 0).toLongLong(),
                           v.section(QLatin1Char(':'), 1)});
    french::sortFrench(ordered);
    QStringList got;
    for (const auto &v : ordered)
        got << QStringLiteral("%1:%2").arg(v.numero).arg(v.text);
    QCOMPARE(got, expected);
}

void TestLists::step_undoneAndRedone_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("codingRows"); // coding rows after the step (8 before)

    QTest::newRow("coding row added")
        << Step([](History &h) { h.addCoding(2); })
        << QStringLiteral("l'ajout d'une ligne de codage au segment n° 2") << 9;
    QTest::newRow("value chosen")
        << Step([](History &h) { h.setCodingValue(4, 1, 37); })
        << QStringLiteral("le choix de « Départ » (ligne de codage n° 4)") << 8;
    QTest::newRow("coding row deleted")
        << Step([](History &h) { h.deleteCoding(5); })
        << QStringLiteral("la suppression de la ligne de codage n° 5") << 7;
    QTest::newRow("value added")
        << Step([](History &h) { h.addValue(3, QStringLiteral("Économie")); })
        << QStringLiteral("l'ajout de « Économie »") << 8;
    QTest::newRow("value modified")
        << Step([](History &h) { h.modifyValue(1, 36, QStringLiteral("Arrivée")); })
        << QStringLiteral("la modification de « Installation » en « Arrivée »") << 8;
    QTest::newRow("used value deleted with its rows")
        << Step([](History &h) { h.deleteValue(1, 36, 5); })
        << QStringLiteral("la suppression de « Installation » (5 lignes)") << 3;
    QTest::newRow("unused value deleted")
        << Step([](History &h) { h.deleteValue(1, 38, 0); })
        << QStringLiteral("la suppression de « Autre »") << 8;
    QTest::newRow("list named")
        << Step([](History &h) { h.setListName(3, QStringLiteral(" Thème ")); })
        << QStringLiteral("le nom « Thème » de la liste 3") << 8;
    QTest::newRow("list renamed to its default")
        << Step([](History &h) { h.setListName(2, QStringLiteral("Variable de comparaison 2")); })
        << QStringLiteral("le nom « Variable de comparaison 2 » de la liste 2") << 8;
    QTest::newRow("definition written")
        << Step([](History &h) { h.setDefinition(1, 37, QStringLiteral("Fin d'un contrat.")); })
        << QStringLiteral("la définition de « Départ »") << 8;
    QTest::newRow("definition removed")
        << Step([](History &h) { h.setDefinition(1, 36, QStringLiteral("  ")); })
        << QStringLiteral("la définition de « Installation »") << 8;
    QTest::newRow("value replaced")
        << Step([](History &h) { h.replaceValue(1, 36, 37); })
        << QStringLiteral("le remplacement de « Installation » par « Départ » (5 lignes)") << 8;
}

void TestLists::step_undoneAndRedone()
{
    QFETCH(Step, step);
    QFETCH(QString, name);
    QFETCH(int, codingRows);
    Raw db(m_db);
    const QStringList before = snapshot(db);
    QVERIFY(!m_history->canUndo());
    QCOMPARE(m_history->undoText(), QStringLiteral("Annuler"));

    step(*m_history);
    const QStringList after = snapshot(db);
    QVERIFY(after != before);
    QCOMPARE(db.count(QStringLiteral("Contenus")), codingRows);
    QCOMPARE(m_history->undoText(), QStringLiteral("Annuler ") + name);

    // Twice over: the rows come back with their numbers and values each time.
    for (int round = 0; round < 2; ++round) {
        QCOMPARE(m_history->undo(), QStringLiteral("Annulé : %1.").arg(name));
        QCOMPARE(snapshot(db), before);
        QVERIFY(!m_history->canUndo());
        QCOMPARE(m_history->redoText(), QStringLiteral("Rétablir ") + name);
        QCOMPARE(m_history->redo(), QStringLiteral("Rétabli : %1.").arg(name));
        QCOMPARE(snapshot(db), after);
        QVERIFY(!m_history->canRedo());
    }
    QCOMPARE(db.scalar(QStringLiteral("PRAGMA foreign_key_check")), QString());
}

void TestLists::changedElsewhere_refused_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<bool>("undoFirst"); // the step is undone, then redone
    QTest::addColumn<QString>("elsewhere");
    QTest::addColumn<QString>("message");

    QTest::newRow("row changed since the choice")
        << Step([](History &h) { h.setCodingValue(1, 1, 37); }) << false
        << QStringLiteral("UPDATE Contenus SET numvar01 = 38 WHERE numero = 1")
        << QStringLiteral("Impossible d'annuler le choix de « Départ » (ligne de codage n° 1) : la "
                          "ligne de codage n° 1 a été modifiée entre-temps, sans doute par un "
                          "autre programme. Rien n'a été changé.");
    QTest::newRow("segment of a deleted row gone")
        << Step([](History &h) { h.deleteValue(1, 36, 5); }) << false
        << QStringLiteral("DELETE FROM textes WHERE numero = 4")
        << QStringLiteral("Impossible d'annuler la suppression de « Installation » (5 lignes) : la "
                          "ligne de codage n° 8 renvoie à un segment ou à une valeur supprimés "
                          "entre-temps, sans doute par un autre programme. Rien n'a été changé.");
    QTest::newRow("added value coded with elsewhere")
        << Step([](History &h) { h.addValue(1, QStringLiteral("Nouveau")); }) << false
        << QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) VALUES (1, 39)")
        << QStringLiteral("Impossible d'annuler l'ajout de « Nouveau » : la valeur n° 39 de la "
                          "liste 1 est maintenant utilisée par 1 ligne de codage, sans doute par "
                          "un autre programme. Rien n'a été changé.");
    QTest::newRow("undone deletion, row changed before the redo")
        << Step([](History &h) { h.deleteCoding(3); }) << true
        << QStringLiteral("UPDATE Contenus SET numvar02 = 13 WHERE numero = 3")
        << QStringLiteral("Impossible de rétablir la suppression de la ligne de codage n° 3 : la "
                          "ligne de codage n° 3 a été modifiée entre-temps, sans doute par un "
                          "autre programme. Rien n'a été changé.");
}

void TestLists::changedElsewhere_refused()
{
    QFETCH(Step, step);
    QFETCH(bool, undoFirst);
    QFETCH(QString, elsewhere);
    QFETCH(QString, message);
    step(*m_history);
    if (undoFirst)
        m_history->undo();
    Raw db(m_db);
    QVERIFY(db.exec(elsewhere));
    const QStringList before = snapshot(db);
    const QString undoText = m_history->undoText();
    const QString redoText = m_history->redoText();
    try {
        undoFirst ? m_history->redo() : m_history->undo();
        QFAIL("the step was forced");
    } catch (const undo::Conflict &e) {
        QCOMPARE(e.message(), message);
    }
    QCOMPARE(snapshot(db), before);
    // The step stays where it was.
    QCOMPARE(m_history->undoText(), undoText);
    QCOMPARE(m_history->redoText(), redoText);
}

void TestLists::rules_refusedInTheStore_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<QString>("message"); // a part of it

    QTest::newRow("empty value modified")
        << Step([](History &h) { h.modifyValue(2, 1, QStringLiteral("x")); })
        << QStringLiteral("La valeur vide (n° 1) de la liste 2 ne peut pas être modifiée");
    QTest::newRow("empty value deleted")
        << Step([](History &h) { h.deleteValue(1, 1, 1); })
        << QStringLiteral("La valeur vide (n° 1) de la liste 1 ne peut pas être supprimée");
    QTest::newRow("empty value replaced")
        << Step([](History &h) { h.replaceValue(1, 1, 36); })
        << QStringLiteral("La valeur vide (n° 1) de la liste 1 ne peut pas être remplacée");
    QTest::newRow("NUL added")
        << Step([](History &h) { h.addValue(1, QStringLiteral("a") + QChar(0) + QStringLiteral("b")); })
        << QStringLiteral("caractère nul (NUL)");
    QTest::newRow("NUL written over a value")
        << Step([](History &h) { h.modifyValue(1, 38, QString(QChar(0))); })
        << QStringLiteral("caractère nul (NUL)");
    QTest::newRow("256 characters")
        << Step([](History &h) { h.addValue(1, QString(256, QLatin1Char('x'))); })
        << QStringLiteral("elle a 256 caractères, pour 255 au plus");
    QTest::newRow("read-only analysis")
        << Step([](History &h) {
               h.setReadOnly(true);
               h.addValue(1, QStringLiteral("x"));
           })
        << QStringLiteral("L'analyse est ouverte en lecture seule");
    QTest::newRow("more rows use it than the user was told")
        << Step([](History &h) { h.deleteValue(1, 36, 4); })
        << QStringLiteral("« Installation » est maintenant utilisée par 5 lignes de codage.");
}

void TestLists::rules_refusedInTheStore()
{
    QFETCH(Step, step);
    QFETCH(QString, message);
    Raw db(m_db);
    const QStringList before = snapshot(db);
    try {
        step(*m_history);
        QFAIL("accepted");
    } catch (const StoreError &e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
    }
    QCOMPARE(snapshot(db), before);
    QVERIFY(!m_history->canUndo());
}

void TestLists::history_keepsItsDepth()
{
    QVERIFY(History::kDepth >= 200);
    // A thousand small transactions: this test is about the steps kept, not
    // about the disk.
    m_store->connection().exec(QStringLiteral("PRAGMA synchronous = OFF"));
    Raw db(m_db);
    // kDepth + 10 choices on one row, alternating between two values.
    for (int i = 0; i < History::kDepth + 10; ++i)
        m_history->setCodingValue(2, 2, i % 2 == 0 ? 13 : 1);
    QCOMPARE(m_history->undoCount(), History::kDepth);
    while (m_history->canUndo())
        m_history->undo();
    // The 10 oldest choices are no longer undoable: the row stays as the
    // tenth left it.
    QCOMPARE(db.scalar(QStringLiteral("SELECT numvar02 FROM Contenus WHERE numero = 2")),
             QStringLiteral("1"));
    QCOMPARE(m_history->redoCount(), History::kDepth);
    // A new step drops the steps undone.
    m_history->setCodingValue(2, 1, 38);
    QCOMPARE(m_history->redoCount(), 0);
    QCOMPARE(m_history->undoCount(), 1);
}

void TestLists::window_returnAdds_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("definition"); // typed in "definition_nouvelle"
    QTest::addColumn<QString>("returnIn");   // the box where Entrée is pressed
    QTest::addColumn<QString>("message");    // shown; empty when none
    QTest::addColumn<QString>("stored");     // "value|definition" rows of that text
    QTest::addColumn<QString>("left");       // in the value box afterwards

    QTest::newRow("Entrée dans la valeur")
        << QStringLiteral("Économie") << QString() << QStringLiteral("valeur") << QString()
        << QStringLiteral("Économie|NULL") << QString();
    QTest::newRow("Entrée dans la définition")
        << QStringLiteral("Économie") << QStringLiteral("Ce qui touche au budget.")
        << QStringLiteral("definition") << QString()
        << QStringLiteral("Économie|Ce qui touche au budget.") << QString();
    QTest::newRow("définition tapée, Entrée dans la valeur, espaces ôtés")
        << QStringLiteral("Économie") << QStringLiteral("  Argent. ") << QStringLiteral("valeur")
        << QString() << QStringLiteral("Économie|Argent.") << QString();
    QTest::newRow("valeur déjà là : refusée, le texte reste")
        << QStringLiteral("Autre") << QStringLiteral("Autre chose.") << QStringLiteral("valeur")
        << QStringLiteral("Cet élément existe déjà dans la liste.") << QStringLiteral("Autre|NULL")
        << QStringLiteral("Autre");
    QTest::newRow("espaces seulement : rien")
        << QStringLiteral("   ") << QString() << QStringLiteral("valeur") << QString() << QString()
        << QStringLiteral("   ");
}

void TestLists::window_returnAdds()
{
    QFETCH(QString, value);
    QFETCH(QString, definition);
    QFETCH(QString, returnIn);
    QFETCH(QString, message);
    QFETCH(QString, stored);
    QFETCH(QString, left);
    coding::Session session(coding::CodingStore::open(m_db));
    coding::frmVarComp w(1, session);
    QVERIFY(w.Form_Load());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *input = w.findChild<QLineEdit *>(QStringLiteral("Text5"));
    auto *definitionBox = w.findChild<QLineEdit *>(QStringLiteral("definition_nouvelle"));
    auto *list = w.findChild<QListWidget *>(QStringLiteral("List1"));
    QVERIFY(input && definitionBox && list);
    const int before = list->count();

    QTest::keyClicks(input, value);
    if (!definition.isEmpty()) {
        definitionBox->setFocus();
        QTest::keyClicks(definitionBox, definition);
    }
    QTest::keyClick(returnIn == QLatin1String("valeur") ? input : definitionBox, Qt::Key_Return);

    QCOMPARE(m_shown.join(QLatin1Char('\n')), message);
    QCOMPARE(input->text(), left);
    // The next value is typed at once.
    QCOMPARE(w.focusWidget(), static_cast<QWidget *>(input));
    Raw db(m_db);
    const QStringList rowsOfValue = rows(
        db, QStringLiteral("SELECT v.variable01, coalesce(d.definition, 'NULL') FROM var_comp_01 v "
                           "LEFT JOIN Definitions d ON d.liste = 1 AND d.numero = v.numero WHERE "
                           "v.variable01 = '%1'")
                .arg(value));
    QCOMPARE(rowsOfValue, stored.isEmpty() ? QStringList() : QStringList{stored});
    const bool added = message.isEmpty() && !stored.isEmpty();
    QCOMPARE(list->count(), before + (added ? 1 : 0));
    QCOMPARE(definitionBox->text().isEmpty(), added || definition.isEmpty());
    if (!added) {
        QVERIFY(!session.history().canUndo());
        return;
    }
    QVERIFY(entries(list).contains(value));

    // One step: "Annuler" of this window takes the value and its definition
    // back, and says so in this window's status bar.
    QCOMPARE(session.history().undoCount(), 1);
    w.findChild<QAction *>(QStringLiteral("annuler"))->trigger();
    QCOMPARE(rows(db, QStringLiteral("SELECT count(*) FROM var_comp_01 WHERE variable01 = '%1'")
                          .arg(value)),
             QStringList{QStringLiteral("0")});
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM Definitions WHERE definition <> "
                                      "'Mise en place.'")),
             QStringLiteral("0"));
    QCOMPARE(list->count(), before);
    QCOMPARE(w.findChild<QStatusBar *>(QStringLiteral("StatusBar1"))->currentMessage(),
             QStringLiteral("Annulé : l'ajout de « %1 ».").arg(value));
}

void TestLists::window_importsCodebook_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("said");         // a part of the message shown
    QTest::addColumn<QStringList>("imported"); // list 1 as shown afterwards
    QTest::addColumn<QString>("title");        // of the list's window afterwards

    const QStringList own{QString(), QStringLiteral("Autre"), QStringLiteral("Départ"),
                          QStringLiteral("Installation")};
    QTest::newRow("deux valeurs nouvelles, une déjà là")
        << QByteArray("\xEF\xBB\xBFliste;nom;numero;valeur;definition\r\n"
                      "1;Lieu;5;Installation;\r\n"
                      "1;Lieu;6;Zèbre;Un animal.\r\n"
                      "1;Lieu;7;Arrivée;\r\n")
        << QStringLiteral("ajoutées : 2; déjà présentes : 1; définitions changées : 1; noms de "
                          "listes : 1")
        << QStringList{QString(), QStringLiteral("Arrivée"), QStringLiteral("Autre"),
                       QStringLiteral("Départ"), QStringLiteral("Installation"),
                       QStringLiteral("Zèbre")}
        << QStringLiteral("Lieu (liste 1)");
    QTest::newRow("fichier mal formé : rien ne change")
        << QByteArray("liste;nom;numero;valeur;definition\r\n"
                      "1;Lieu;5;Zèbre;\r\n"
                      "9;Lieu;6;Arrivée;\r\n")
        << QStringLiteral("ligne 3 : la liste « 9 » n'existe pas (listes 1 à 5)") << own
        << QStringLiteral("Variable de comparaison 1 (liste 1)");
}

void TestLists::window_importsCodebook()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, said);
    QFETCH(QStringList, imported);
    QFETCH(QString, title);
    const QString path = m_dir->filePath(QStringLiteral("livre.csv"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(file);
    }
    QString caption;
    coding::dialogs::setFileHook([&](QWidget *, const QString &asked) {
        caption = asked;
        return path;
    });
    coding::Session session(coding::CodingStore::open(m_db));
    coding::frmChemin chemin(session);
    coding::frmVarComp w(1, session);
    QVERIFY(w.Form_Load());
    auto *list = w.findChild<QListWidget *>(QStringLiteral("List1"));
    Raw db(m_db);
    const QStringList before = snapshot(db);

    QAction *importer = chemin.findChild<QAction *>(QStringLiteral("importer_livre_de_codes"));
    QVERIFY(importer);
    QVERIFY(chemin.findChild<QMenu *>(QStringLiteral("fichier"))->actions().contains(importer));
    importer->trigger();
    QCOMPARE(caption, QStringLiteral("Importer un livre de codes (CSV)"));
    QVERIFY2(m_shown.join(QLatin1Char('\n')).contains(said),
             qPrintable(m_shown.join(QLatin1Char('\n'))));
    QCOMPARE(entries(list), imported);
    QCOMPARE(w.findChild<QLabel *>(QStringLiteral("titre"))->text(), title);
    if (imported.size() == 4) {
        QCOMPARE(snapshot(db), before);
        QVERIFY(!session.history().canUndo());
        return;
    }
    QCOMPARE(db.scalar(QStringLiteral("SELECT d.definition FROM Definitions d JOIN var_comp_01 v "
                                      "ON v.numero = d.numero AND d.liste = 1 WHERE v.variable01 = "
                                      "'Zèbre'")),
             QStringLiteral("Un animal."));

    // "Annuler" in the start-up window takes the whole import back.
    QCOMPARE(session.history().undoCount(), 1);
    chemin.findChild<QAction *>(QStringLiteral("annuler"))->trigger();
    QCOMPARE(entries(list), (QStringList{QString(), QStringLiteral("Autre"),
                                         QStringLiteral("Départ"), QStringLiteral("Installation")}));
    QCOMPARE(snapshot(db), before);
    QCOMPARE(w.findChild<QLabel *>(QStringLiteral("titre"))->text(),
             QStringLiteral("Variable de comparaison 1 (liste 1)"));
}

void TestLists::listsMenu_showsNames_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<QString>("caption");
    QTest::newRow("liste sans nom") << 1 << QStringLiteral("&1 - Variable de comparaison 1...");
    QTest::newRow("liste nommée") << 2 << QStringLiteral("&2 - Ton...");
}

void TestLists::listsMenu_showsNames()
{
    QFETCH(int, list);
    QFETCH(QString, caption);
    coding::Session session(coding::CodingStore::open(m_db));
    coding::frmChemin chemin(session);
    auto *item = chemin.findChild<QAction *>(QStringLiteral("editer_var_comp_0%1").arg(list));
    QVERIFY(item);
    QCOMPARE(item->text(), caption);
    // The table's name is left to the tooltip.
    QCOMPARE(item->toolTip(), QStringLiteral("Liste %1 (table var_comp_0%1)").arg(list));
}

QTEST_MAIN(TestLists)
#include "test_lists.moc"
