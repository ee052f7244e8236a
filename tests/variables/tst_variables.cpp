// The variables window driven as a user drives it: typing into the input
// boxes, picking list entries, pressing the buttons; the database is read
// directly to see what was stored.
#include "common/messages.h"
#include "common/pathsource.h"
#include "store/recordsource.h"
#include "variables/frmoptions.h"
#include "variables/listeditor.h"

#include <QCryptographicHash>
#include <QDialogButtonBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

namespace {

struct TestPaths : PathSource {
    QString db;
    QString textPath() const override { return {}; }
    QString databasePath() const override { return db; }
};

// Designer names of one list editor, lists 1 to 5.
struct Names {
    const char *list, *input, *add, *modify, *remove;
    int tab;
};
const Names kNames[5] = {
    {"List1", "Text5", "Command2", "Command4", "Command3", 1},
    {"List2", "Text9", "Command7", "Command5", "Command6", 1},
    {"List3", "Text10", "Command10", "Command8", "Command9", 2},
    {"List4", "Text17", "Command11", "Command13", "Command12", 3},
    {"List5", "Text21", "Command14", "Command16", "Command15", 3},
};
// The number the first variable added to a fresh copy of the template gets.
const qint64 kFirstNew[5] = {36, 13, 5, 13, 11};

QString table(int k) { return QStringLiteral("var_comp_0%1").arg(k); }
QString column(int k) { return QStringLiteral("variable0%1").arg(k); }

void sql(const QString &path, const QString &statement)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr),
             SQLITE_OK);
    char *error = nullptr;
    const int rc = sqlite3_exec(db, "PRAGMA foreign_keys = ON", nullptr, nullptr, nullptr);
    QCOMPARE(rc, SQLITE_OK);
    const int rc2 = sqlite3_exec(db, statement.toUtf8().constData(), nullptr, nullptr, &error);
    const QString message = error ? QString::fromUtf8(error) : QString();
    sqlite3_free(error);
    sqlite3_close(db);
    QVERIFY2(rc2 == SQLITE_OK, qPrintable(message));
}

// Rows of a query, each as its columns joined by '|', null shown as <null>.
QStringList query(const QString &path, const QString &statement)
{
    QStringList rows;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return {QStringLiteral("<cannot open>")};
    }
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, statement.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
        rows << QStringLiteral("<error> ") + QString::fromUtf8(sqlite3_errmsg(db));
    } else {
        while (sqlite3_step(st) == SQLITE_ROW) {
            QStringList cells;
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                if (sqlite3_column_type(st, c) == SQLITE_NULL)
                    cells << QStringLiteral("<null>");
                else
                    cells << QString::fromUtf8(
                        reinterpret_cast<const char *>(sqlite3_column_text(st, c)));
            }
            rows << cells.join(QLatin1Char('|'));
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

QStringList tableRows(const QString &path, int k)
{
    return query(path, QStringLiteral("select numero, %1 from %2 order by numero")
                           .arg(column(k), table(k)));
}

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QStringList entryTexts(QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

QList<int> entryData(QListWidget *list)
{
    QList<int> data;
    for (int i = 0; i < list->count(); ++i)
        data << list->item(i)->data(Qt::UserRole).toInt();
    return data;
}

} // namespace

class TestVariables : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_copies = 0;
    QList<messages::Shown> m_shown;
    bool m_answer = false; // to the questions: "Non" unless a test says otherwise

    // A new analysis database: a copy of the template.
    QString freshDatabase()
    {
        const QString templ = qEnvironmentVariable("TELMIRA_TEMPLATE");
        const QString path = m_dir.filePath(QStringLiteral("analyse%1.mdb").arg(++m_copies));
        if (!QFile::copy(templ, path))
            qFatal("cannot copy the template %s", qPrintable(templ));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }

    // Opens the window as the main window does, and shows it.
    std::unique_ptr<frmOptions> open(TestPaths &paths)
    {
        auto w = std::make_unique<frmOptions>(paths);
        if (!w->Form_Load()) {
            for (const messages::Shown &s : m_shown)
                qWarning("%s", qPrintable(s.text));
            return nullptr;
        }
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            return nullptr;
        return w;
    }

    // One list editor as the user reaches it: the window opened on `paths`,
    // on the tab of list k, with that list's box and input box.
    struct Editor {
        std::unique_ptr<frmOptions> w;
        QListWidget *list = nullptr;
        QLineEdit *input = nullptr;
    };
    Editor openOnList(TestPaths &paths, int k)
    {
        Editor e;
        e.w = open(paths);
        if (e.w) {
            const Names &n = kNames[k - 1];
            showTab(e.w.get(), n.tab);
            e.list = child<QListWidget>(e.w.get(), n.list);
            e.input = child<QLineEdit>(e.w.get(), n.input);
        }
        return e;
    }

    template <typename T> static T *child(QWidget *w, const char *name)
    {
        auto *c = w->findChild<T *>(QString::fromLatin1(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }

    static void showTab(frmOptions *w, int index)
    {
        QTabBar *bar = child<QTabWidget>(w, "SSTab1")->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }

    static void pick(QListWidget *list, int row)
    {
        QListWidgetItem *item = list->item(row);
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(item).center());
    }

    static void type(QLineEdit *input, const QString &text)
    {
        input->selectAll();
        QTest::keyClick(input, Qt::Key_Delete);
        QTest::keyClicks(input, text);
    }

    static void press(frmOptions *w, const char *button)
    {
        QTest::mouseClick(child<QPushButton>(w, button), Qt::LeftButton);
    }

    static int selectedCount(QListWidget *list) { return list->selectedItems().size(); }

private slots:
    void init()
    {
        m_shown.clear();
        m_answer = false;
        messages::setHandler([this](const messages::Shown &s) {
            m_shown << s;
            return m_answer;
        });
    }
    void cleanup() { messages::setHandler({}); }

    void windowLooksAsDrawn()
    {
        TestPaths paths;
        paths.db = freshDatabase();
        auto w = open(paths);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("Telmira - Variables"));
        QVERIFY(!(w->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(w->minimumSize(), w->maximumSize());

        auto *tabs = child<QTabWidget>(w.get(), "SSTab1");
        QCOMPARE(tabs->count(), 4);
        const QStringList captions = {"Analyse", "Variables de comparaison", "Variable principale",
                                      QStringLiteral("Variables de spécification")};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(tabs->tabText(i), captions.at(i));
            auto *frame = child<QGroupBox>(w.get(), qPrintable(QStringLiteral("Frame%1").arg(i + 1)));
            QCOMPARE(frame->title(), captions.at(i));
            QVERIFY(frame->font().bold() && frame->font().italic());
            QVERIFY(tabs->widget(i)->isAncestorOf(frame));
        }
        QCOMPARE(tabs->currentIndex(), 0);

        for (const char *name : {"OKButton", "CancelButton"}) {
            auto *b = child<QPushButton>(w.get(), name);
            QVERIFY(!b->isDefault());
            QVERIFY(!b->autoDefault());
        }
        QCOMPARE(child<QPushButton>(w.get(), "OKButton")->text(), QStringLiteral("OK"));
        QCOMPARE(child<QPushButton>(w.get(), "CancelButton")->text(), QStringLiteral("Annuler"));

        // Every editor's controls, hidden ones included, carry their designer names.
        const char *hidden[5][3] = {{"data1", "Text2", "Text4"},
                                    {"data2", "Text8", "Text6"},
                                    {"data3", "Text13", "Text11"},
                                    {"data4", "Text14", "Text16"},
                                    {"data5", "Text18", "Text20"}};
        for (int k = 0; k < 5; ++k) {
            QVERIFY(w->findChild<RecordSource *>(QString::fromLatin1(hidden[k][0])));
            QVERIFY(w->findChild<BoundField *>(QString::fromLatin1(hidden[k][1])));
            QVERIFY(w->findChild<BoundField *>(QString::fromLatin1(hidden[k][2])));
            auto *list = child<QListWidget>(w.get(), kNames[k].list);
            QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
            QVERIFY(!list->isSortingEnabled());
            QCOMPARE(child<QPushButton>(w.get(), kNames[k].add)->text(), QStringLiteral("Ajouter"));
            QCOMPARE(child<QPushButton>(w.get(), kNames[k].modify)->text(),
                     QStringLiteral("Modifier"));
            QCOMPARE(child<QPushButton>(w.get(), kNames[k].remove)->text(),
                     QStringLiteral("Supprimer"));
            QVERIFY(tabs->widget(kNames[k].tab)->isAncestorOf(list));
        }
    }

    void newAnalysisShowsOneEmptyEntryPerList()
    {
        TestPaths paths;
        paths.db = freshDatabase();
        auto w = open(paths);
        QVERIFY(w);
        QCOMPARE(child<QLabel>(w.get(), "Label1")->text(), paths.db);
        for (int k = 0; k < 5; ++k) {
            auto *list = child<QListWidget>(w.get(), kNames[k].list);
            QCOMPARE(entryTexts(list), QStringList{QString()});
            QCOMPARE(entryData(list), QList<int>{1});
            QCOMPARE(selectedCount(list), 0);
            QVERIFY(child<QLineEdit>(w.get(), kNames[k].input)->text().isEmpty());
        }
        QVERIFY(m_shown.isEmpty());
    }

    // The empty entry (row 1, the value every coding row starts on) is
    // neither changed nor deleted: a message points to "Ajouter".
    void newAnalysisEmptyEntryIsKept_data()
    {
        QTest::addColumn<int>("k");
        for (int k = 1; k <= 5; ++k)
            QTest::addRow("list %d", k) << k;
    }
    void newAnalysisEmptyEntryIsKept()
    {
        QFETCH(int, k);
        const Names &n = kNames[k - 1];
        TestPaths paths;
        paths.db = freshDatabase();
        auto [w, list, input] = openOnList(paths, k);
        QVERIFY(w);

        // Selecting the empty entry leaves the input empty; "Supprimer" then
        // does nothing.
        pick(list, 0);
        QCOMPARE(selectedCount(list), 1);
        QVERIFY(input->text().isEmpty());
        press(w.get(), n.remove);
        QCOMPARE(tableRows(paths.db, k), QStringList{"1|<null>"});
        QVERIFY(m_shown.isEmpty());

        for (const char *button : {n.modify, n.remove}) {
            m_shown.clear();
            pick(list, 0);
            type(input, QStringLiteral("Sexe"));
            press(w.get(), button);
            QCOMPARE(tableRows(paths.db, k), QStringList{"1|<null>"});
            QCOMPARE(m_shown.size(), 1);
            QCOMPARE(m_shown.at(0).kind, messages::Kind::Plain);
            QVERIFY(m_shown.at(0).text.startsWith(
                QStringLiteral("La première valeur de la liste, la valeur vide, ne peut pas être")));
            QVERIFY(m_shown.at(0).text.contains(QStringLiteral("« Ajouter »")));
            QCOMPARE(input->text(), QStringLiteral("Sexe"));
        }
        press(w.get(), n.add);
        QCOMPARE(tableRows(paths.db, k),
                 (QStringList{"1|<null>", QStringLiteral("%1|Sexe").arg(kFirstNew[k - 1])}));
        // The other lists are untouched.
        for (int other = 1; other <= 5; ++other)
            if (other != k)
                QCOMPARE(tableRows(paths.db, other), QStringList{"1|<null>"});
    }

    // A value holding a NUL character is refused by "Ajouter" and "Modifier".
    void nulRefused_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("Ajouter") << "Command2";
        QTest::newRow("Modifier") << "Command4";
    }
    void nulRefused()
    {
        QFETCH(QString, button);
        TestPaths paths;
        paths.db = freshDatabase();
        sql(paths.db, "insert into var_comp_01 (variable01) values ('abc')");
        auto [w, list, input] = openOnList(paths, 1);
        QVERIFY(w);
        const QStringList before = tableRows(paths.db, 1);
        pick(list, 1);
        const QString value = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
        input->setText(value);
        press(w.get(), qPrintable(button));
        QCOMPARE(tableRows(paths.db, 1), before);
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.at(0).kind, messages::Kind::Error);
        QVERIFY(m_shown.at(0).text.contains(QStringLiteral("caractère nul (NUL)")));
        QCOMPARE(input->text(), value);
    }

    void selectionCopiesEntryText()
    {
        TestPaths paths;
        paths.db = freshDatabase();
        sql(paths.db, "insert into var_comp_03 (variable03) values ('un'), ('deux'), ('trois')");
        auto [w, list, input] = openOnList(paths, 3);
        QVERIFY(w);
        QCOMPARE(entryTexts(list), (QStringList{"", "un", "deux", "trois"}));
        QCOMPARE(entryData(list), (QList<int>{1, 5, 6, 7}));
        pick(list, 2);
        QCOMPARE(input->text(), QStringLiteral("deux"));
        // With the arrow keys.
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(input->text(), QStringLiteral("trois"));
        // Typing over it, then picking the same entry again, brings it back.
        type(input, QStringLiteral("autre"));
        pick(list, 3);
        QCOMPARE(input->text(), QStringLiteral("trois"));
    }

    void spacesOnly()
    {
        TestPaths paths;
        paths.db = freshDatabase();
        sql(paths.db, "insert into var_comp_01 (variable01) values ('abc'), ('def')");
        auto [w, list, input] = openOnList(paths, 1);
        QVERIFY(w);
        const QStringList before = tableRows(paths.db, 1);

        type(input, QStringLiteral("   "));
        press(w.get(), "Command2");
        QCOMPARE(tableRows(paths.db, 1), before);
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(input->text(), QStringLiteral("   "));

        pick(list, 1);
        type(input, QStringLiteral("   "));
        press(w.get(), "Command4");
        QCOMPARE(tableRows(paths.db, 1), (QStringList{"1|<null>", "36|   ", "37|def"}));
        QCOMPARE(entryTexts(list), (QStringList{"", "   ", "def"}));
        QVERIFY(input->text().isEmpty());

        pick(list, 2);
        type(input, QStringLiteral(" "));
        press(w.get(), "Command3");
        QCOMPARE(tableRows(paths.db, 1), (QStringList{"1|<null>", "36|   "}));
        QCOMPARE(entryTexts(list), (QStringList{"", "   "}));
        QVERIFY(input->text().isEmpty());
        QVERIFY(m_shown.isEmpty());
    }

    void duplicateTest_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("duplicate");
        QTest::newRow("same") << "abc" << true;
        QTest::newRow("upper case") << "ABC" << false;
        QTest::newRow("leading blank") << " abc" << false;
        QTest::newRow("trailing blank") << "abc " << false;
    }
    void duplicateTest()
    {
        QFETCH(QString, typed);
        QFETCH(bool, duplicate);
        TestPaths paths;
        paths.db = freshDatabase();
        sql(paths.db, "insert into var_comp_02 (variable02) values ('abc'), ('xyz')");
        auto [w, list, input] = openOnList(paths, 2);
        QVERIFY(w);
        const QStringList before = tableRows(paths.db, 2);

        pick(list, 2);
        type(input, typed);
        press(w.get(), "Command7");
        if (duplicate) {
            QCOMPARE(m_shown.size(), 1);
            QCOMPARE(m_shown.first().kind, messages::Kind::Plain);
            QCOMPARE(m_shown.first().text, QStringLiteral("Cet élément existe déjà dans la liste."));
            QCOMPARE(input->text(), typed);
            QCOMPARE(tableRows(paths.db, 2), before);
            QCOMPARE(entryTexts(list), (QStringList{"", "abc", "xyz"}));
        } else {
            QVERIFY(m_shown.isEmpty());
            QCOMPARE(tableRows(paths.db, 2), before + QStringList{QStringLiteral("15|") + typed});
            // Listed where the statement returns it, nothing selected, input empty.
            QCOMPARE(entryTexts(list), (QStringList{"", "abc", "xyz", typed}));
            QCOMPARE(entryData(list), (QList<int>{1, 13, 14, 15}));
            QCOMPARE(selectedCount(list), 0);
            QVERIFY(input->text().isEmpty());
        }
    }

    void emptyInputDoesNothing()
    {
        TestPaths paths;
        paths.db = freshDatabase();
        sql(paths.db, "insert into var_comp_04 (variable04) values ('abc')");
        auto [w, list, input] = openOnList(paths, 4);
        QVERIFY(w);
        const QStringList before = tableRows(paths.db, 4);
        for (const char *button : {"Command11", "Command13", "Command12"}) {
            pick(list, 1);
            type(input, QString());
            press(w.get(), button);
            QCOMPARE(tableRows(paths.db, 4), before);
            QCOMPARE(entryTexts(list), (QStringList{"", "abc"}));
            QVERIFY(input->text().isEmpty());
        }
        QVERIFY(m_shown.isEmpty());
    }

    void typedWithoutSelectionChangesNothing()
    {
        TestPaths paths;
        paths.db = freshDatabase();
        sql(paths.db, "insert into var_comp_05 (variable05) values ('abc'), ('def')");
        auto [w, list, input] = openOnList(paths, 5);
        QVERIFY(w);
        const QStringList before = tableRows(paths.db, 5);
        for (const char *button : {"Command16", "Command15"}) {
            type(input, QStringLiteral("abc"));
            press(w.get(), button);
            QCOMPARE(tableRows(paths.db, 5), before);
            QCOMPARE(entryTexts(list), (QStringList{"", "abc", "def"}));
            QCOMPARE(input->text(), QStringLiteral("abc"));
        }
        QVERIFY(m_shown.isEmpty());
    }

    void sameValueTwiceDeletesExactlyOne()
    {
        TestPaths paths;
        paths.db = freshDatabase();
        sql(paths.db, "insert into var_comp_01 (variable01) values ('a'), ('b'), ('c')");
        auto [w, list, input] = openOnList(paths, 1);
        QVERIFY(w);
        // "Modifier" makes no duplicate test: 'c' becomes a second 'a'.
        pick(list, 3);
        type(input, QStringLiteral("a"));
        press(w.get(), "Command4");
        QCOMPARE(entryTexts(list), (QStringList{"", "a", "b", "a"}));
        QCOMPARE(tableRows(paths.db, 1), (QStringList{"1|<null>", "36|a", "37|b", "38|a"}));

        pick(list, 3);
        press(w.get(), "Command3");
        QCOMPARE(tableRows(paths.db, 1), (QStringList{"1|<null>", "36|a", "37|b"}));
        QCOMPARE(entryData(list), (QList<int>{1, 36, 37}));

        pick(list, 1);
        press(w.get(), "Command3");
        QCOMPARE(tableRows(paths.db, 1), (QStringList{"1|<null>", "37|b"}));
        QVERIFY(m_shown.isEmpty());
    }

    void emptyTable()
    {
        TestPaths paths;
        paths.db = freshDatabase();
        for (int k = 1; k <= 5; ++k)
            sql(paths.db, QStringLiteral("delete from %1").arg(table(k)));
        auto w = open(paths);
        QVERIFY(w);
        QCOMPARE(child<QLabel>(w.get(), "Label1")->text(), paths.db);
        for (int k = 0; k < 5; ++k)
            QCOMPARE(child<QListWidget>(w.get(), kNames[k].list)->count(), 0);

        showTab(w.get(), 2);
        auto *list = child<QListWidget>(w.get(), "List3");
        auto *input = child<QLineEdit>(w.get(), "Text10");
        for (const char *button : {"Command8", "Command9"}) {
            type(input, QStringLiteral("x"));
            press(w.get(), button);
            QCOMPARE(tableRows(paths.db, 3), QStringList());
            QCOMPARE(input->text(), QStringLiteral("x"));
        }
        type(input, QStringLiteral("premier"));
        press(w.get(), "Command10");
        QCOMPARE(tableRows(paths.db, 3), QStringList{"5|premier"});
        QCOMPARE(entryTexts(list), QStringList{"premier"});
        QCOMPARE(entryData(list), QList<int>{5});
        QVERIFY(input->text().isEmpty());
        QVERIFY(m_shown.isEmpty());
    }

    // A value that coding rows use is deleted, with them, only after a
    // question naming the count; an unused one without a word.
    void deletedVariableTakesItsCodings_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::newRow("Non") << false;
        QTest::newRow("Oui") << true;
    }
    void deletedVariableTakesItsCodings()
    {
        QFETCH(bool, answer);
        m_answer = answer;
        TestPaths paths;
        paths.db = freshDatabase();
        sql(paths.db, "insert into var_comp_04 (variable04) values ('garder'), ('jeter'), ('libre');"
                      "insert into Chemin (chemin) values ('/textes/a.txt');"
                      "insert into textes (numtexte, texte) values (1, 'Une phrase.');"
                      "insert into Contenus (numtexte, numvar04) values (1, 13), (1, 14), (1, 14), (1, 1)");
        auto [w, list, input] = openOnList(paths, 4);
        QVERIFY(w);
        pick(list, 2);
        QCOMPARE(input->text(), QStringLiteral("jeter"));
        press(w.get(), "Command12");
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.at(0).kind, messages::Kind::Question);
        QCOMPARE(m_shown.at(0).text,
                 QStringLiteral("« jeter » est utilisée par 2 lignes de codage. Les supprimer aussi ?"));
        if (answer) {
            QCOMPARE(tableRows(paths.db, 4), (QStringList{"1|<null>", "13|garder", "15|libre"}));
            QCOMPARE(query(paths.db, "select numero, numvar04 from Contenus order by numero"),
                     (QStringList{"1|13", "4|1"}));
            QVERIFY(input->text().isEmpty());
        } else {
            QCOMPARE(tableRows(paths.db, 4),
                     (QStringList{"1|<null>", "13|garder", "14|jeter", "15|libre"}));
            QCOMPARE(query(paths.db, "select count(*) from Contenus"), QStringList{"4"});
            QCOMPARE(input->text(), QStringLiteral("jeter"));
        }
        QCOMPARE(query(paths.db, "select count(*) from textes"), QStringList{"1"});

        m_shown.clear();
        pick(list, list->count() - 1);
        QCOMPARE(input->text(), QStringLiteral("libre"));
        press(w.get(), "Command12");
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(query(paths.db, "select count(*) from var_comp_04 where numero = 15"),
                 QStringList{"0"});
    }

    void editsStayAfterClosing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("OK") << "OKButton";
        QTest::newRow("Annuler") << "CancelButton";
        QTest::newRow("close box") << "";
    }
    void editsStayAfterClosing()
    {
        QFETCH(QString, how);
        TestPaths paths;
        paths.db = freshDatabase();
        {
            auto w = open(paths);
            QVERIFY(w);
            showTab(w.get(), 1);
            type(child<QLineEdit>(w.get(), "Text5"), QStringLiteral("Homme"));
            press(w.get(), "Command2");
            showTab(w.get(), 3);
            type(child<QLineEdit>(w.get(), "Text21"), QStringLiteral("Journal"));
            press(w.get(), "Command14");
            pick(child<QListWidget>(w.get(), "List5"), 1);
            type(child<QLineEdit>(w.get(), "Text21"), QStringLiteral("Revue"));
            press(w.get(), "Command16");
            // Typed but not stored: nothing to keep.
            type(child<QLineEdit>(w.get(), "Text17"), QStringLiteral("brouillon"));
            if (how.isEmpty())
                QVERIFY(w->close());
            else
                press(w.get(), qPrintable(how));
            QVERIFY(!w->isVisible());
        }
        QCOMPARE(tableRows(paths.db, 1), (QStringList{"1|<null>", "36|Homme"}));
        QCOMPARE(tableRows(paths.db, 5), (QStringList{"1|<null>", "11|Revue"}));
        QCOMPARE(tableRows(paths.db, 4), QStringList{"1|<null>"});

        // The next opening reads everything afresh.
        sql(paths.db, "insert into var_comp_03 (variable03) values ('ajout externe')");
        auto w = open(paths);
        QVERIFY(w);
        QCOMPARE(child<QTabWidget>(w.get(), "SSTab1")->currentIndex(), 0);
        QCOMPARE(entryTexts(child<QListWidget>(w.get(), "List1")), (QStringList{"", "Homme"}));
        QCOMPARE(entryTexts(child<QListWidget>(w.get(), "List3")),
                 (QStringList{"", "ajout externe"}));
        QCOMPARE(entryTexts(child<QListWidget>(w.get(), "List5")), (QStringList{"", "Revue"}));
        for (int k = 0; k < 5; ++k) {
            QCOMPARE(selectedCount(child<QListWidget>(w.get(), kNames[k].list)), 0);
            QVERIFY(child<QLineEdit>(w.get(), kNames[k].input)->text().isEmpty());
        }
    }

    // As the main window opens it: modal, until "OK" or "Annuler" closes it.
    void modalOpeningEndsOnEitherButton_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("OK") << "OKButton";
        QTest::newRow("Annuler") << "CancelButton";
    }
    void modalOpeningEndsOnEitherButton()
    {
        QFETCH(QString, button);
        TestPaths paths;
        paths.db = freshDatabase();
        frmOptions w(paths);
        QVERIFY(w.Form_Load());
        bool wasModal = false;
        QTimer::singleShot(0, &w, [&] {
            wasModal = w.isVisible() && QApplication::activeModalWidget() == &w;
            press(&w, qPrintable(button));
        });
        w.exec();
        QVERIFY(wasModal);
        QVERIFY(!w.isVisible());
    }

    void enterAndEscapeDoNotClose()
    {
        TestPaths paths;
        paths.db = freshDatabase();
        auto w = open(paths);
        QVERIFY(w);
        QTest::keyClick(w.get(), Qt::Key_Escape);
        QVERIFY(w->isVisible());
        QTest::keyClick(w.get(), Qt::Key_Return);
        QVERIFY(w->isVisible());
        child<QPushButton>(w.get(), "OKButton")->setFocus();
        QTest::keyClick(child<QPushButton>(w.get(), "OKButton"), Qt::Key_Return);
        QVERIFY(w->isVisible());
        showTab(w.get(), 1);
        auto *input = child<QLineEdit>(w.get(), "Text5");
        type(input, QStringLiteral("abc"));
        QTest::keyClick(input, Qt::Key_Escape);
        QTest::keyClick(input, Qt::Key_Enter);
        QVERIFY(w->isVisible());
        QCOMPARE(tableRows(paths.db, 1), QStringList{"1|<null>"});
        QCOMPARE(input->text(), QStringLiteral("abc"));

        // Enter on a focused editor button presses that button.
        auto *add = child<QPushButton>(w.get(), "Command2");
        add->setFocus();
        QTest::keyClick(add, Qt::Key_Return);
        QCOMPARE(tableRows(paths.db, 1), (QStringList{"1|<null>", "36|abc"}));
        QVERIFY(w->isVisible());
    }

    // The selected entry's record was deleted behind the window's back: no
    // other record may receive the value, and the operation ends silently.
    void modifyVanishedRecord_data()
    {
        QTest::addColumn<int>("entry");
        QTest::newRow("first value") << 1;
        QTest::newRow("middle value") << 2;
        QTest::newRow("last record") << 3;
    }
    void modifyVanishedRecord()
    {
        QFETCH(int, entry);
        TestPaths paths;
        paths.db = freshDatabase();
        sql(paths.db, "insert into var_comp_01 (variable01) values ('a'), ('b'), ('c')");
        auto [w, list, input] = openOnList(paths, 1);
        QVERIFY(w);
        const int numero = list->item(entry)->data(Qt::UserRole).toInt();
        pick(list, entry);
        sql(paths.db, QStringLiteral("delete from var_comp_01 where numero = %1").arg(numero));
        const QStringList before = tableRows(paths.db, 1);
        type(input, QStringLiteral("zzz"));
        press(w.get(), "Command4");
        QCOMPARE(tableRows(paths.db, 1), before);
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(input->text(), QStringLiteral("zzz"));

        // "Supprimer" on the vanished entry deletes nothing else either.
        pick(list, entry);
        type(input, QStringLiteral("zzz"));
        press(w.get(), "Command3");
        QCOMPARE(tableRows(paths.db, 1), before);
        QVERIFY(m_shown.isEmpty());
    }

    void addRefusedByStore_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("refused");
        QTest::newRow("255 characters") << 255 << false;
        QTest::newRow("256 characters") << 256 << true;
    }
    void addRefusedByStore()
    {
        QFETCH(int, length);
        QFETCH(bool, refused);
        TestPaths paths;
        paths.db = freshDatabase();
        sql(paths.db, "insert into var_comp_03 (variable03) values ('abc')");
        auto [w, list, input] = openOnList(paths, 3);
        QVERIFY(w);
        const QString value(length, QLatin1Char('x'));
        type(input, value);
        QCOMPARE(input->text(), value);
        press(w.get(), "Command10");
        if (refused) {
            QCOMPARE(m_shown.size(), 1);
            QCOMPARE(m_shown.first().kind, messages::Kind::Error);
            QVERIFY2(m_shown.first().text.contains(QStringLiteral("255")),
                     qPrintable(m_shown.first().text));
            // The value is quoted cut short, not spread across the screen.
            QVERIFY(!m_shown.first().text.contains(value));
            QCOMPARE(tableRows(paths.db, 3), (QStringList{"1|<null>", "5|abc"}));
            QCOMPARE(entryTexts(list), (QStringList{"", "abc"}));
            QCOMPARE(input->text(), value);
            // The refused row does not come back with the next operation.
            type(input, QStringLiteral("suite"));
            press(w.get(), "Command10");
            QCOMPARE(tableRows(paths.db, 3), (QStringList{"1|<null>", "5|abc", "6|suite"}));
        } else {
            QVERIFY(m_shown.isEmpty());
            QCOMPARE(tableRows(paths.db, 3),
                     (QStringList{"1|<null>", "5|abc", QStringLiteral("6|") + value}));
        }
    }

    // The database file was removed or moved away while the window was open:
    // the add is refused with the cause, and nothing claims to be stored.
    void addToDatabaseGone_data()
    {
        QTest::addColumn<bool>("moved");
        QTest::newRow("removed") << false;
        QTest::newRow("moved") << true;
    }
    void addToDatabaseGone()
    {
        QFETCH(bool, moved);
        TestPaths paths;
        paths.db = freshDatabase();
        auto [w, list, input] = openOnList(paths, 2);
        QVERIFY(w);
        const QString elsewhere = paths.db + QStringLiteral(".ailleurs");
        QVERIFY(moved ? QFile::rename(paths.db, elsewhere) : QFile::remove(paths.db));
        type(input, QStringLiteral("nouveau"));
        press(w.get(), "Command7");
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.first().kind, messages::Kind::Error);
        QVERIFY2(m_shown.first().text.contains(paths.db), qPrintable(m_shown.first().text));
        QVERIFY2(m_shown.first().text.contains(QStringLiteral("supprimé ou déplacé")),
                 qPrintable(m_shown.first().text));
        QCOMPARE(input->text(), QStringLiteral("nouveau"));
        QCOMPARE(entryTexts(list), QStringList{QString()});
        QVERIFY(!QFile::exists(paths.db));
        if (moved)
            QCOMPARE(tableRows(elsewhere, 2), QStringList{"1|<null>"});
    }

    // A value the store refuses in "Modifier" ends it silently, and is not
    // stored by a later move.
    void modifyRefusedByStore()
    {
        TestPaths paths;
        paths.db = freshDatabase();
        sql(paths.db, "insert into var_comp_01 (variable01) values ('a'), ('b')");
        auto [w, list, input] = openOnList(paths, 1);
        QVERIFY(w);
        const QStringList before = tableRows(paths.db, 1);
        pick(list, 1);
        type(input, QString(256, QLatin1Char('y')));
        press(w.get(), "Command4");
        QCOMPARE(tableRows(paths.db, 1), before);
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(input->text().size(), 256);

        pick(list, 2);
        type(input, QStringLiteral("B"));
        press(w.get(), "Command4");
        QCOMPARE(tableRows(paths.db, 1), (QStringList{"1|<null>", "36|a", "37|B"}));
    }

    void listBeyond32768Entries()
    {
        TestPaths paths;
        paths.db = freshDatabase();
        sql(paths.db, "with recursive n(i) as (select 1 union all select i + 1 from n where i < 40000)"
                      " insert into var_comp_02 (variable02) select 'v' || i from n");
        auto [w, list, input] = openOnList(paths, 2);
        QVERIFY(w);
        QCOMPARE(list->count(), 40001);
        QCOMPARE(list->item(40000)->text(), QStringLiteral("v40000"));
        QCOMPARE(list->item(40000)->data(Qt::UserRole).toInt(), 13 + 39999);

        pick(list, 35000);
        QCOMPARE(input->text(), QStringLiteral("v35000"));
        press(w.get(), "Command6");
        QCOMPARE(list->count(), 40000);
        QCOMPARE(query(paths.db, "select count(*) from var_comp_02 where variable02 = 'v35000'"),
                 QStringList{"0"});
        QCOMPARE(query(paths.db, "select count(*) from var_comp_02"), QStringList{"40000"});
    }

    void unusableDatabaseIsRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("text file") << "text";
        QTest::newRow("table missing") << "missing table";
        QTest::newRow("file missing") << "missing file";
    }
    void unusableDatabaseIsRefused()
    {
        QFETCH(QString, kind);
        TestPaths paths;
        if (kind == "text") {
            paths.db = m_dir.filePath(QStringLiteral("pas une base.mdb"));
            QFile f(paths.db);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("Ceci n'est pas une base de données.\n");
        } else if (kind == "missing table") {
            paths.db = freshDatabase();
            sql(paths.db, "drop table var_comp_04");
        } else {
            paths.db = m_dir.filePath(QStringLiteral("absente.mdb"));
        }
        const QByteArray before = fileHash(paths.db);

        frmOptions w(paths);
        QVERIFY(!w.Form_Load());
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.first().kind, messages::Kind::Error);
        QVERIFY2(m_shown.first().text.contains(paths.db), qPrintable(m_shown.first().text));
        QCOMPARE(fileHash(paths.db), before);
        QCOMPARE(QFile::exists(paths.db), kind != "missing file");
    }
};

QTEST_MAIN(TestVariables)
#include "tst_variables.moc"
