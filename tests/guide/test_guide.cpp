// The guide: F1 (or "Aide > Guide d'utilisation") opens it from the windows of
// both programs, in one window; its keyboard table names every shortcut of
// the coding window as the window's menus show it.
#include "../coding/codingtest.h"

#include "app/frmMenu.h"
#include "coding/filedialogs.h"
#include "coding/frmchemin.h"
#include "coding/frmtextes.h"
#include "coding/session.h"
#include "common/messages.h"
#include "common/qtfrench.h"
#include "guide/guide.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QTextDocument>
#include <QtTest>
#include <functional>
#include <memory>

namespace {
QList<QWidget *> guideWindows()
{
    QList<QWidget *> found;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frmGuide") && w->isVisible())
            found << w;
    return found;
}
void closeGuide()
{
    for (QWidget *w : guideWindows())
        w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
} // namespace

class TestGuide : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_db;
    QPointer<coding::frmChemin> m_chemin;

    // A window of either program, shown and active, as the row names it.
    QWidget *openWindow(const QString &which)
    {
        if (which == "frmMenu")
            return new frmMenu();
        m_chemin = coding::start(m_db);
        if (!m_chemin || which == "frmChemin")
            return m_chemin;
        return m_chemin->openText(0);
    }

private slots:
    void initTestCase()
    {
        // Settings and backups of a test's own, not the user's.
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(installQtFrenchTranslations());
        messages::setHandler([](const messages::Shown &) { return false; });
        m_dir = std::make_unique<QTemporaryDir>();
        m_db = codingtest::freshDatabase(*m_dir);
        codingtest::Raw db(m_db);
        codingtest::addText(db, "/textes/a.txt", {"Un.", "Deux."});
    }
    void cleanup()
    {
        closeGuide();
        if (m_chemin)
            m_chemin->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void opensWithF1_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("Telmira's main window") << "frmMenu";
        QTest::newRow("coding: list of texts") << "frmChemin";
        QTest::newRow("coding: text window") << "frmTextes";
    }
    void opensWithF1()
    {
        QFETCH(QString, window);
        QWidget *w = openWindow(window);
        QVERIFY(w);
        std::unique_ptr<QWidget> owned(window == "frmMenu" ? w : nullptr);
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));

        auto *aide = w->findChild<QMenu *>("aide");
        QVERIFY(aide);
        QCOMPARE(aide->title(), QString("&Aide"));
        QAction *item = aide->actions().value(0);
        QVERIFY(item);
        QCOMPARE(item->text(), QString("&Guide d'utilisation"));

        QTest::keyClick(w, Qt::Key_F1);
        QTRY_COMPARE(guideWindows().size(), 1);
        QWidget *shown = guideWindows().first();
        QCOMPARE(shown->windowTitle(), QString("Telmira - Guide d'utilisation"));
        auto *texte = shown->findChild<QTextBrowser *>("texte");
        QVERIFY(texte);
        QVERIFY(texte->toPlainText().contains("La démarche, pas à pas"));
        QVERIFY(texte->toPlainText().contains("Sauvegarder et partager une analyse"));

        // Again, from the menu: the same window comes forward.
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        item->trigger();
        QCOMPARE(guideWindows().size(), 1);
        QCOMPARE(guideWindows().first(), shown);
    }

    // The budget of the backups the guide states is the one the program
    // keeps: its defaults, and its example of the settings once written.
    void backupBudgetAsTheGuideSays_data()
    {
        QTest::addColumn<bool>("example"); // the guide's example written in the settings
        QTest::addColumn<int>("copies");
        QTest::addColumn<qint64>("megabytes");
        QTest::newRow("defaults") << false << 10 << qint64(2048);
        QTest::newRow("the guide's example") << true << 5 << qint64(500);
    }
    void backupBudgetAsTheGuideSays()
    {
        QFETCH(bool, example);
        QFETCH(int, copies);
        QFETCH(qint64, megabytes);
        QTextDocument guide;
        guide.setHtml(guide::html());
        const QString text = guide.toPlainText();
        const int start = text.indexOf("Sauvegardes automatiques.");
        QVERIFY(start >= 0);
        const QString section = text.mid(start, text.indexOf("Partager.", start) - start);
        const auto plainSpaces = [](QString t) {
            return t.replace(QChar(0x00A0), ' ').replace(QChar(0x202F), ' ');
        };
        QVERIFY2(plainSpaces(section).contains(
                     plainSpaces(QString("au plus %1 copies et au plus %2 Mio")
                                     .arg(backup::kKept)
                                     .arg(QLocale(QLocale::French).toString(backup::kKeptBytes >> 20)))),
                 qPrintable(section));
        QSettings settings;
        settings.remove("sauvegardes");
        if (example) {
            const int from = section.indexOf("[sauvegardes]");
            QVERIFY(from >= 0);
            const QStringList lines = section.mid(from).split('\n');
            for (int i = 1; i < lines.size() && lines.at(i).contains('='); ++i)
                settings.setValue("sauvegardes/" + lines.at(i).section('=', 0, 0).trimmed(),
                                  lines.at(i).section('=', 1).trimmed());
        }
        const backup::Budget budget = backup::budgetFromSettings();
        settings.remove("sauvegardes");
        QCOMPARE(budget.copies, copies);
        QCOMPARE(budget.bytes, megabytes * 1024 * 1024);
    }

    void keyboardTableNamesTheCodingWindowsKeys()
    {
        const QString html = guide::html();
        const int start = html.indexOf("<table");
        const int end = html.indexOf("</table>");
        QVERIFY(start >= 0 && end > start);
        QTextDocument table;
        table.setHtml(html.mid(start, end - start + 8));
        const QString keys = table.toPlainText();

        m_chemin = coding::start(m_db);
        QVERIFY(m_chemin);
        coding::frmTextes *w = m_chemin->openText(0);
        QVERIFY(w);
        int checked = 0;
        for (QAction *action : w->findChildren<QAction *>()) {
            for (const QKeySequence &key : action->shortcuts()) {
                const QString name = key.toString(QKeySequence::NativeText);
                QVERIFY2(keys.contains(name),
                         qPrintable(QString("%1 (%2) is missing from the guide")
                                        .arg(name, action->text())));
                ++checked;
            }
        }
        QVERIFY(checked >= 15);
    }
};

QTEST_MAIN(TestGuide)
#include "test_guide.moc"
