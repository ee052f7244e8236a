// "Analyse " in the analysis window starts the coding application found
// beside the program, detached, on the analysis database itself; when it
// cannot, the desktop opens the file as before.
#include "codingtest.h"

#include "analysis/frmAnalyse.h"
#include "common/desktop.h"
#include "common/messages.h"
#include "common/pathsource.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct Paths : PathSource {
    QString text;
    QString db;
    QString textPath() const override { return text; }
    QString databasePath() const override { return db; }
};
} // namespace

class TestAnalyseButton : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_paths.db = codingtest::freshDatabase(m_dir, QStringLiteral("Mon analyse ; l'été.mdb"));
        m_paths.text = m_dir.filePath(QStringLiteral("texte.txt"));
        QFile f(m_paths.text);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Une phrase. Une autre.\r\n");
        f.close();
        // A text taken in before: the window shows its analysis panel at once.
        codingtest::Raw db(m_paths.db);
        codingtest::addText(db, m_paths.text, {QStringLiteral("Une phrase.")});
        m_started.clear();
        m_opened.clear();
        m_shown.clear();
        messages::setHandler([this](const messages::Shown &s) {
            m_shown << s.text;
            return false;
        });
        desktop::setOpenHook([this](const QString &path) {
            m_opened << path;
            return true;
        });
    }
    void cleanup()
    {
        desktop::setStartHook({});
        desktop::setOpenHook({});
        messages::setHandler({});
    }

    void startsTheCodingApplicationOnTheFileItself()
    {
        desktop::setStartHook([this](const QString &program, const QStringList &arguments) {
            m_started << QStringList{program} + arguments;
            return true;
        });
        const QString program =
            QCoreApplication::applicationDirPath() + QStringLiteral("/telmira-codage");
        QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program));
        clickAnalyse();
        QCOMPARE(m_started, (QList<QStringList>{{program, m_paths.db}}));
        QVERIFY(m_opened.isEmpty());
        QVERIFY(m_shown.isEmpty());
    }

    void fallsBackToTheDesktopWhenItCannotStart()
    {
        desktop::setStartHook([this](const QString &program, const QStringList &arguments) {
            m_started << QStringList{program} + arguments;
            return false;
        });
        clickAnalyse();
        QCOMPARE(m_started.size(), 1);
        QCOMPARE(m_opened, QStringList{m_paths.db});
        QVERIFY(m_shown.isEmpty());
    }

private:
    void clickAnalyse()
    {
        QWidget mainWindow;
        mainWindow.show();
        QPointer<frmAnalyse> w = new frmAnalyse(m_paths, &mainWindow);
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->show();
        QTRY_VERIFY(w->findChild<QGroupBox *>(QStringLiteral("Frame1"))->isVisible());
        QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
        w->close();
        QTRY_VERIFY(w.isNull());
    }

    QTemporaryDir m_dir;
    Paths m_paths;
    QList<QStringList> m_started;
    QStringList m_opened;
    QStringList m_shown;
};

QTEST_MAIN(TestAnalyseButton)
#include "test_analyse_button.moc"
