// The rules of the main window and the new-analysis dialog that need no
// window: title to file name, existence of a path, the remembering file
// dialogs; and Qt's own file dialog as the program configures it.
#include "app/analysisname.h"
#include "app/availability.h"
#include "app/filedialogs.h"
#include "common/qtfrench.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {
void touch(const QString &path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x");
}
} // namespace

class TestAppRules : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { filedialogs::setHook(nullptr); }

    void fileStem_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("stem");
        QTest::newRow("empty") << "" << "Sans_titre";
        QTest::newRow("spaces around") << "  Corpus 2003  " << "Corpus_2003";
        QTest::newRow("line break") << "Entretiens\r\nmai" << "Entretiens__mai";
        QTest::newRow("ending in .mdb") << "avant.mdb" << "avant.mdb";
        QTest::newRow("spaces only") << "   " << "";
        QTest::newRow("one space") << " " << "";
        QTest::newRow("accents") << QString::fromUtf8("Étude à Noël ç") << QString::fromUtf8("Étude_à_Noël_ç");
        QTest::newRow("trailing line break") << "mai\r\n" << "mai__";
        QTest::newRow("leading line break kept") << "\r\nmai" << "__mai";
        QTest::newRow("tabs kept, not trimmed") << "\ta\tb\t" << "\ta\tb\t";
        QTest::newRow("line break then spaces") << "  a \r\n  " << "a___";
        QTest::newRow("other characters") << "a*b?c:d\"e<f>g|h\\i" << "a*b?c:d\"e<f>g|h\\i";
        QTest::newRow("inner spaces") << "a  b" << "a__b";
        QTest::newRow("lone line feed") << "a\nb" << "a_b";
        QTest::newRow("nbsp kept") << QString::fromUtf8("a\u00a0b") << QString::fromUtf8("a\u00a0b");
    }
    void fileStem()
    {
        QFETCH(QString, title);
        QFETCH(QString, stem);
        QCOMPARE(analysisname::fileStem(title), stem);
    }

    void fileName()
    {
        QCOMPARE(analysisname::fileName("avant.mdb"), QString("avant.mdb.mdb"));
        QCOMPARE(analysisname::fileName(""), QString(".mdb"));
        QCOMPARE(analysisname::fileName("Sans_titre"), QString("Sans_titre.mdb"));
    }

    void refusal_data()
    {
        QTest::addColumn<QString>("stem");
        QTest::addColumn<bool>("refused");
        QTest::newRow("plain") << "Corpus_2003" << false;
        QTest::newRow("empty stem") << "" << false;
        QTest::newRow("slash") << "a/b" << true;
        QTest::newRow("parent path") << "../../etc/x" << true;
        QTest::newRow("absolute") << "/tmp/x" << true;
        QTest::newRow("dot") << "." << true;
        QTest::newRow("dot dot") << ".." << true;
        QTest::newRow("three dots") << "..." << false;
        QTest::newRow("nul") << QString("a") + QChar(0) + QString("b") << true;
        QTest::newRow("backslash") << "a\\b" << false;
    }
    void refusal()
    {
        QFETCH(QString, stem);
        QFETCH(bool, refused);
        QCOMPARE(!analysisname::refusal(stem).isEmpty(), refused);
    }

    void denotesFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("expected");
        QTest::newRow("empty") << "empty" << false;
        QTest::newRow("missing") << "missing" << false;
        QTest::newRow("folder") << "folder" << false;
        QTest::newRow("folder named like a text") << "folder.TXT" << false;
        QTest::newRow("text") << "a.txt" << true;
        QTest::newRow("no extension") << "noext" << true;
        QTest::newRow("other extension") << "b.bin" << true;
        QTest::newRow("file with trailing slash") << "a.txt/" << false;
    }
    void denotesFile()
    {
        QFETCH(QString, kind);
        QFETCH(bool, expected);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QDir(dir.path()).mkdir("folder");
        QDir(dir.path()).mkdir("folder.TXT");
        touch(dir.filePath("a.txt"));
        touch(dir.filePath("noext"));
        touch(dir.filePath("b.bin"));
        const QString path = kind == "empty" ? QString() : dir.path() + "/" + kind;
        QCOMPARE(availability::denotesFile(path), expected);
    }

    // A dialog returns its last choice when cancelled, and opens on it.
    void rememberingDialog()
    {
        QStringList openedOn;
        QStringList filters;
        QStringList answers{"", "/a/first.txt", "", "/a/second.TXT", ""};
        filedialogs::setHook([&](QWidget *, const QString &filter, const QString &initial) {
            filters << filter;
            openedOn << initial;
            return answers.takeFirst();
        });
        RememberingFileDialog dialog("Fichiers Texte (*.TXT)");
        QCOMPARE(dialog.show(nullptr), QString());
        QCOMPARE(dialog.show(nullptr), QString("/a/first.txt"));
        QCOMPARE(dialog.show(nullptr), QString("/a/first.txt"));
        QCOMPARE(dialog.show(nullptr), QString("/a/second.TXT"));
        QCOMPARE(dialog.show(nullptr), QString("/a/second.TXT"));
        QCOMPARE(openedOn, QStringList({"", "", "/a/first.txt", "/a/first.txt", "/a/second.TXT"}));
        QCOMPARE(filters, QStringList(5, "Fichiers Texte (*.TXT)"));
    }

    // Qt's own dialog: the one filter entry matches without regard to case,
    // opens on the remembered name, speaks French and accepts a name that
    // does not exist.
    void realDialog_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("initial");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("texts") << "Fichiers Texte (*.TXT)" << "b.TXT"
                               << QStringList({"a.txt", "b.TXT", "c.Txt"});
        QTest::newRow("databases") << "Fichiers Texte (*.mdb)" << "e.MDB"
                                   << QStringList({"d.mdb", "e.MDB"});
    }
    void realDialog()
    {
        QFETCH(QString, filter);
        QFETCH(QString, initial);
        QFETCH(QStringList, shown);
        QVERIFY(installQtFrenchTranslations());
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const char *name : {"a.txt", "b.TXT", "c.Txt", "d.mdb", "e.MDB", "f.doc", "g.txt.bak"})
            touch(dir.filePath(name));

        QStringList listed;
        QString filterShown, openText, cancelText, openedOn;
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            seen = true;
            // Whatever happens below, the dialog goes away.
            struct Closer {
                QFileDialog *d;
                ~Closer() { if (d->isVisible()) d->reject(); }
            } closer{dialog};
            filterShown = dialog->nameFilters().join("|");
            auto *box = dialog->findChild<QDialogButtonBox *>("buttonBox");
            QVERIFY(box);
            {
                for (QAbstractButton *b : box->buttons()) {
                    if (box->buttonRole(b) == QDialogButtonBox::AcceptRole)
                        openText = b->text();
                    if (box->buttonRole(b) == QDialogButtonBox::RejectRole)
                        cancelText = b->text();
                }
            }
            auto *view = dialog->findChild<QListView *>("listView");
            QVERIFY(view);
            // The folder is read in the background: wait for the expected
            // number of entries, then look at which they are.
            (void)QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) >= int(shown.size()); }, 2000);
            QTest::qWait(50);
            for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r)
                listed << view->model()->index(r, 0, view->rootIndex()).data().toString();
            // A name that does not exist is accepted as it stands.
            auto *edit = dialog->findChild<QLineEdit *>("fileNameEdit");
            QVERIFY(edit);
            openedOn = edit->text();
            edit->setText(dir.filePath("nouveau.txt"));
            QAbstractButton *open = nullptr;
            for (QAbstractButton *b : box->buttons())
                if (box->buttonRole(b) == QDialogButtonBox::AcceptRole)
                    open = b;
            QVERIFY(open);
            QVERIFY(open->isEnabled());
            QTest::mouseClick(open, Qt::LeftButton);
        });
        const QString chosen = filedialogs::getOpenFileName(nullptr, filter, dir.filePath(initial));
        QVERIFY(seen);
        listed.sort();
        QCOMPARE(listed, shown);
        QCOMPARE(filterShown, filter);
        QCOMPARE(openedOn, initial);
        QCOMPARE(openText.remove('&'), QString("Ouvrir"));
        QCOMPARE(cancelText, QString("Annuler"));
        QCOMPARE(chosen, dir.filePath("nouveau.txt"));
    }

    void realDialogCancelled()
    {
        QTimer::singleShot(0, this, [] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget()))
                dialog->reject();
        });
        QCOMPARE(filedialogs::getOpenFileName(nullptr, "Fichiers Texte (*.TXT)", QString()),
                 QString());
    }
};

QTEST_MAIN(TestAppRules)
#include "test_app_rules.moc"
