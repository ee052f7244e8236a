// The new-analysis dialog: the title typed by the user becomes the name of a
// copy of the template in the program folder, handed to the main window; an
// existing analysis is replaced only when the user says so; a title that
// would leave the folder and a failed copy change nothing.
#include "app/Newanalyse.h"
#include "app/frmMenu.h"
#include "common/messages.h"
#include "store/places.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray contents(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}
QStringList entries(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                   | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}
} // namespace

class TestNewanalyse : public QObject
{
    Q_OBJECT
private:
    QByteArray templateBytes;
    // The program folder lies in a folder of its own, so that what other
    // programs do in the system's temporary folder meanwhile does not count
    // as a change beside it.
    QTemporaryDir outer;
    std::unique_ptr<QTemporaryDir> folder;
    frmMenu *menu = nullptr;
    QPointer<Newanalyse> dialog;
    QList<messages::Shown> shown;
    bool answer = false;

    QPlainTextEdit *Text1() { return dialog->findChild<QPlainTextEdit *>("Text1"); }
    QPushButton *OK() { return dialog->findChild<QPushButton *>("OKButton"); }
    QPushButton *Cancel() { return dialog->findChild<QPushButton *>("CancelButton"); }
    QLineEdit *Text3() { return menu->findChild<QLineEdit *>("Text3"); }
    bool edition() { return menu->findChild<QAction *>("edit_analyse")->isEnabled(); }

    void putTemplate()
    {
        QFile t(folder->filePath("telmira"));
        QVERIFY(t.open(QIODevice::WriteOnly));
        QCOMPARE(t.write(templateBytes), templateBytes.size());
    }
    void open()
    {
        dialog = new Newanalyse(*menu, folder->path());
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        Text1()->setFocus();
    }
    // Types the title as a user would; "\n" is the Enter key.
    void typeTitle(const QString &title)
    {
        const QStringList lines = title.split('\n');
        for (int i = 0; i < lines.size(); ++i) {
            if (i > 0)
                QTest::keyClick(Text1(), Qt::Key_Return);
            for (QChar c : lines.at(i)) {
                if (c.unicode() < 128)
                    QTest::keyClick(Text1(), c.toLatin1());
                else // a key of a French keyboard, by its character
                    QTest::sendKeyEvent(QTest::Click, Text1(), Qt::Key(c.toUpper().unicode()),
                                        QString(c), Qt::NoModifier);
            }
        }
    }
    void verifyNothingChanged(const QStringList &before)
    {
        QCOMPARE(entries(folder->path()), before);
        QVERIFY(Text3()->text().isEmpty());
        QVERIFY(!edition());
        QVERIFY(menu->findChild<QGroupBox *>("Frame2")->isHidden());
        QVERIFY(!menu->findChild<QGroupBox *>("Frame3")->isHidden());
    }

private slots:
    void initTestCase()
    {
        const QString t = qEnvironmentVariable("TELMIRA_TEMPLATE");
        QVERIFY2(!t.isEmpty(), "TELMIRA_TEMPLATE is not set");
        templateBytes = contents(t);
        QVERIFY(templateBytes.size() > 0);
        messages::setHandler([this](const messages::Shown &s) {
            shown << s;
            return answer;
        });
    }
    void init()
    {
        folder = std::make_unique<QTemporaryDir>(outer.filePath("programme-XXXXXX"));
        QVERIFY(folder->isValid());
        putTemplate();
        shown.clear();
        answer = false;
        menu = new frmMenu();
        menu->show();
        QVERIFY(QTest::qWaitForWindowExposed(menu));
    }
    void cleanup()
    {
        delete dialog;
        delete menu;
        menu = nullptr;
        folder.reset();
    }

    void look()
    {
        open();
        QCOMPARE(dialog->windowTitle(), QString("Telmira - Nouvelle analyse"));
        QVERIFY(dialog->isModal());
        QVERIFY(!(dialog->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(dialog->windowFlags() & Qt::WindowMinimizeButtonHint));
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
        auto *frame = dialog->findChild<QGroupBox *>("Frame1");
        QCOMPARE(frame->title(), QString("Intitulé de la nouvelle analyse"));
        QCOMPARE(frame->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(frame->font().pointSizeF(), 11.25);
        QVERIFY(frame->font().bold() && frame->font().italic());
        QCOMPARE(Text1()->font().pointSizeF(), 8.25);
        QVERIFY(!Text1()->font().italic());
        QCOMPARE(OK()->text(), QString("OK"));
        QCOMPARE(Cancel()->text(), QString("Annuler"));
        QVERIFY(!OK()->isDefault() && !OK()->autoDefault());
        QVERIFY(!Cancel()->isDefault() && !Cancel()->autoDefault());
        QVERIFY(Text1()->toPlainText().isEmpty());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(Text1()));
        QTest::keyClick(Text1(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(OK()));
        QTest::keyClick(OK(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(Cancel()));
    }

    void programFolder()
    {
        Newanalyse d(*menu);
        QCOMPARE(d.programFolder(), QCoreApplication::applicationDirPath());
        Newanalyse e(*menu, folder->path() + "/");
        QCOMPARE(e.programFolder(), folder->path());
    }

    // The examples: the file made, its content the template's, the main
    // window in its browse state with the new path, the dialog closed.
    void create_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("boxAfter");
        QTest::newRow("empty") << "" << "Sans_titre.mdb" << "Sans titre";
        QTest::newRow("spaces around") << "  Corpus 2003  " << "Corpus_2003.mdb" << "  Corpus 2003  ";
        QTest::newRow("line break") << "Entretiens\nmai" << "Entretiens__mai.mdb" << "Entretiens\nmai";
        QTest::newRow("ending in .mdb") << "avant.mdb" << "avant.mdb.mdb" << "avant.mdb";
        QTest::newRow("spaces only") << "   " << ".mdb" << "   ";
        QTest::newRow("accents") << QString::fromUtf8("Étude à Noël") << QString::fromUtf8("Étude_à_Noël.mdb")
                                 << QString::fromUtf8("Étude à Noël");
        QTest::newRow("trailing line break") << "mai\n" << "mai__.mdb" << "mai\n";
        QTest::newRow("three dots") << "..." << "....mdb" << "...";
    }
    void create()
    {
        QFETCH(QString, title);
        QFETCH(QString, file);
        QFETCH(QString, boxAfter);
        open();
        typeTitle(title);
        QCOMPARE(Text1()->toPlainText(), title);
        QTest::mouseClick(OK(), Qt::LeftButton);
        QCOMPARE(Text1()->toPlainText(), boxAfter);
        QVERIFY(shown.isEmpty());
        const QString made = folder->path() + "/" + file;
        QStringList expected{file, "telmira"};
        expected.sort();
        QCOMPARE(entries(folder->path()), expected);
        QVERIFY(contents(made) == templateBytes);
        QCOMPARE(Text3()->text(), made);
        QVERIFY(edition());
        QVERIFY(!menu->findChild<QGroupBox *>("Frame2")->isHidden());
        QVERIFY(!menu->findChild<QPushButton *>("Annuler")->isHidden());
        QVERIFY(menu->findChild<QGroupBox *>("Frame3")->isHidden());
        QVERIFY(!dialog->isVisible());
        QVERIFY(menu->isVisible());
    }

    // With a text already chosen, the new database brings "Traitement".
    void createWithText()
    {
        QFile text(folder->filePath("texte.txt"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.close();
        menu->findChild<QLineEdit *>("source")->setText(text.fileName());
        QVERIFY(menu->findChild<QPushButton *>("suite")->isHidden());
        open();
        typeTitle("Corpus");
        QTest::mouseClick(OK(), Qt::LeftButton);
        QVERIFY(!menu->findChild<QPushButton *>("suite")->isHidden());
    }

    void cancel_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Annuler") << false;
        QTest::newRow("close box") << true;
    }
    void cancel()
    {
        QFETCH(bool, closeBox);
        const QStringList before = entries(folder->path());
        open();
        typeTitle("Corpus");
        menu->hide(); // its unload makes the main window visible, whatever way
        if (closeBox)
            dialog->close();
        else
            QTest::mouseClick(Cancel(), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QVERIFY(menu->isVisible());
        verifyNothingChanged(before);
        QVERIFY(shown.isEmpty());
    }

    // Neither Enter nor Escape closes the dialog; Enter in the title starts a
    // new line.
    void keys()
    {
        open();
        QTest::keyClicks(Text1(), "a");
        QTest::keyClick(Text1(), Qt::Key_Return);
        QTest::keyClicks(Text1(), "b");
        QCOMPARE(Text1()->toPlainText(), QString("a\nb"));
        QCOMPARE(dialog->title(), QString("a\r\nb"));
        QTest::keyClick(Text1(), Qt::Key_Escape);
        QVERIFY(dialog->isVisible());
        OK()->setFocus();
        QTest::keyClick(OK(), Qt::Key_Return);
        QTest::keyClick(OK(), Qt::Key_Escape);
        QVERIFY(dialog->isVisible());
        QCOMPARE(entries(folder->path()), QStringList({"telmira"}));
    }

    // At most 255 characters, a line break counting two; a paste is cut to fit.
    void maxLength()
    {
        open();
        QTest::keyClicks(Text1(), QString(250, 'a'));
        QTest::keyClicks(Text1(), "bbbbbbbbbb");
        QCOMPARE(Text1()->toPlainText(), QString(250, 'a') + "bbbbb");
        QTest::keyClicks(Text1(), "c");
        QCOMPARE(Text1()->toPlainText().size(), 255);

        Text1()->clear();
        Text1()->insertPlainText(QString(300, 'x'));
        QCOMPARE(Text1()->toPlainText(), QString(255, 'x'));

        Text1()->clear();
        QTest::keyClicks(Text1(), QString(254, 'y'));
        QTest::keyClick(Text1(), Qt::Key_Return); // two characters: does not fit
        QCOMPARE(Text1()->toPlainText(), QString(254, 'y'));
        QCOMPARE(dialog->title().size(), 254);

        Text1()->clear();
        QTest::keyClicks(Text1(), QString(253, 'z'));
        QTest::keyClick(Text1(), Qt::Key_Return);
        QCOMPARE(dialog->title(), QString(253, 'z') + "\r\n");

        // A paste in the middle keeps what follows it.
        Text1()->clear();
        QTest::keyClicks(Text1(), QString(250, 'a') + "END");
        QTextCursor c = Text1()->textCursor();
        c.setPosition(10);
        Text1()->setTextCursor(c);
        Text1()->insertPlainText("0123456789");
        QCOMPARE(Text1()->toPlainText(), QString(10, 'a') + "01" + QString(240, 'a') + "END");
    }

    // An analysis of that name exists: "Non" keeps it and the dialog open,
    // "Oui" replaces it with a fresh copy.
    void existing_data()
    {
        QTest::addColumn<bool>("replace");
        QTest::newRow("Non") << false;
        QTest::newRow("Oui") << true;
    }
    void existing()
    {
        QFETCH(bool, replace);
        const QString target = folder->filePath("Corpus.mdb");
        {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("analyse précieuse");
        }
        const QStringList before = entries(folder->path());
        answer = replace;
        open();
        typeTitle("Corpus");
        QTest::mouseClick(OK(), Qt::LeftButton);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, messages::Kind::Question);
        QVERIFY(shown.first().text.contains("Corpus.mdb"));
        if (replace) {
            QVERIFY(contents(target) == templateBytes);
            QCOMPARE(Text3()->text(), target);
            QVERIFY(!dialog->isVisible());
        } else {
            QCOMPARE(contents(target), QByteArray("analyse précieuse"));
            verifyNothingChanged(before);
            QVERIFY(dialog->isVisible());
            QCOMPARE(Text1()->toPlainText(), QString("Corpus"));
        }
    }

    // A folder of that name is not replaced.
    void existingFolder()
    {
        QVERIFY(QDir(folder->path()).mkdir("Corpus.mdb"));
        const QStringList before = entries(folder->path());
        answer = true;
        open();
        typeTitle("Corpus");
        QTest::mouseClick(OK(), Qt::LeftButton);
        QVERIFY(!shown.isEmpty());
        QCOMPARE(shown.last().kind, messages::Kind::Error);
        QVERIFY(QFileInfo(folder->filePath("Corpus.mdb")).isDir());
        verifyNothingChanged(before);
        QVERIFY(dialog->isVisible());
    }

    // A title whose name would leave the program folder is refused; nothing
    // is written anywhere.
    void leavesFolder_data()
    {
        QTest::addColumn<QString>("title");
        QTest::newRow("slash") << "a/b";
        QTest::newRow("parent") << "../evasion";
        QTest::newRow("dot") << ".";
        QTest::newRow("dot dot") << "..";
        QTest::newRow("dot dot with spaces") << "  ..  ";
    }
    void leavesFolder()
    {
        QFETCH(QString, title);
        QDir(folder->path()).mkdir("a");
        const QStringList before = entries(folder->path());
        const QStringList parentBefore = entries(folder->path() + "/..");
        open();
        typeTitle(title);
        QTest::mouseClick(OK(), Qt::LeftButton);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, messages::Kind::Error);
        verifyNothingChanged(before);
        QVERIFY(entries(folder->path() + "/a").isEmpty());
        QCOMPARE(entries(folder->path() + "/.."), parentBefore);
        QVERIFY(dialog->isVisible());
    }

    // Installed: the template in the data folder, none beside the program;
    // the analysis goes into the documents' "Telmira" folder, made for it, and
    // the main window shows where.
    void installedProgram()
    {
        QVERIFY(QFile::remove(folder->filePath("telmira")));
        const QString bin = folder->filePath("usr/bin");
        const QString documents = folder->filePath("home/Documents");
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QDir().mkpath(folder->filePath("usr/share/telmira")));
        QVERIFY(QFile::copy(qEnvironmentVariable("TELMIRA_TEMPLATE"),
                            folder->filePath("usr/share/telmira/telmira")));
        places::setHook([&] { return places::Folders{bin, documents}; });
        dialog = new Newanalyse(*menu);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        Text1()->setFocus();
        typeTitle("Corpus 2003");
        QTest::mouseClick(OK(), Qt::LeftButton);
        places::setHook(nullptr);
        QVERIFY(shown.isEmpty());
        const QString made = documents + "/Telmira/Corpus_2003.mdb";
        QVERIFY(contents(made) == templateBytes);
        QCOMPARE(entries(bin), QStringList());
        QCOMPARE(Text3()->text(), made);
        QVERIFY(menu->statusBar()->currentMessage().contains(documents + "/Telmira"));
    }

    // A failed copy is told, leaves no file, keeps the dialog open and the main
    // window as it was; the user can then try again.
    void failedCopy()
    {
        QVERIFY(QFile::remove(folder->filePath("telmira")));
        open();
        typeTitle("Corpus");
        QTest::mouseClick(OK(), Qt::LeftButton);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, messages::Kind::Error);
        // The message names both places the template was looked for in.
        QVERIFY2(shown.first().text.contains("« telmira »")
                     && shown.first().text.contains("« " + folder->path() + " »")
                     && shown.first().text.contains(places::dataFolder(folder->path())),
                 qPrintable(shown.first().text));
        verifyNothingChanged(QStringList());
        QVERIFY(dialog->isVisible());

        putTemplate();
        QTest::mouseClick(OK(), Qt::LeftButton);
        QCOMPARE(shown.size(), 1);
        QVERIFY(contents(folder->filePath("Corpus.mdb")) == templateBytes);
        QVERIFY(!dialog->isVisible());
    }

    // A name the file system refuses (too long) fails the same way.
    void refusedName()
    {
        open();
        Text1()->insertPlainText(QString(255, 'n'));
        QTest::mouseClick(OK(), Qt::LeftButton);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, messages::Kind::Error);
        verifyNothingChanged(QStringList({"telmira"}));
        QVERIFY(dialog->isVisible());
    }

    // Opened from the main window's button: each opening starts empty.
    void fromMainWindow()
    {
        QStringList seen;
        auto look = [&] {
            auto *d = qobject_cast<Newanalyse *>(QApplication::activeModalWidget());
            if (!d)
                return;
            auto *box = d->findChild<QPlainTextEdit *>("Text1");
            seen << box->toPlainText();
            QTest::keyClicks(box, "brouillon");
            QTest::mouseClick(d->findChild<QPushButton *>("CancelButton"), Qt::LeftButton);
        };
        QTimer::singleShot(0, this, look);
        QTest::mouseClick(menu->findChild<QPushButton *>("Command2"), Qt::LeftButton);
        QTimer::singleShot(0, this, look);
        QTest::mouseClick(menu->findChild<QPushButton *>("Command2"), Qt::LeftButton);
        QCOMPARE(seen, QStringList({"", ""}));
        QVERIFY(Text3()->text().isEmpty());
    }
};

QTEST_MAIN(TestNewanalyse)
#include "test_newanalyse.moc"
