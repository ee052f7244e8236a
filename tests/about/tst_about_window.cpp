// The About window as the user drives it.
#include "about/frmabout.h"
#include "about/memoryregistry.h"
#include "about/sysinfo.h"
#include "common/desktop.h"
#include "common/messages.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace about;

class TestAboutWindow : public QObject
{
    Q_OBJECT

private:
    QStringList m_started;
    QList<messages::Shown> m_shown;

private slots:
    void init()
    {
        m_started.clear();
        m_shown.clear();
        desktop::setStartHook([this](const QString &program, const QStringList &) {
            m_started << program;
            return true;
        });
        messages::setHandler([this](const messages::Shown &shown) {
            m_shown << shown;
            return false;
        });
    }
    void cleanup()
    {
        desktop::setStartHook({});
        messages::setHandler({});
    }

    void showsWhatTheUserReads()
    {
        MemoryRegistry registry;
        frmAbout w(registry);
        QCOMPARE(w.windowTitle(), QStringLiteral("Quillmere - A propos de "));
        auto text = [&w](const char *name) {
            auto *label = w.findChild<QLabel *>(QLatin1String(name));
            return label ? label->text() : QStringLiteral("<absent>");
        };
        QCOMPARE(text("Label1"), QStringLiteral("Quillmere - Telmira"));
        QCOMPARE(text("Label2"), QStringLiteral("Quillmere - Telmira"));
        QCOMPARE(text("lblVersion"), QStringLiteral("Version 1.0"));
        QCOMPARE(text("lblDisclaimer"), QString());
        QCOMPARE(text("Label5"), QStringLiteral("Équipe Telmira"));
        QCOMPARE(text("Label6"), QStringLiteral("Équipe Telmira"));
        QVERIFY(text("Label11").endsWith(QStringLiteral("@example.org")));
        QVERIFY(text("Label13").contains(QStringLiteral("example.org")));

        auto *logo = w.findChild<QLabel *>(QStringLiteral("imgLogo"));
        QVERIFY(logo);
        QVERIFY(!logo->pixmap().isNull());
        QCOMPARE(logo->pixmap().size(), QSize(125, 138));

        // The white banner is drawn over the dark one, not hidden behind it.
        auto *label1 = w.findChild<QLabel *>(QStringLiteral("Label1"));
        auto *label2 = w.findChild<QLabel *>(QStringLiteral("Label2"));
        QCOMPARE(label1->geometry(), label2->geometry());
        w.show();
        QCOMPARE(w.childAt(label1->geometry().center()), label1);

        auto *ok = w.findChild<QPushButton *>(QStringLiteral("cmdOK"));
        auto *sysInfo = w.findChild<QPushButton *>(QStringLiteral("cmdSysInfo"));
        QVERIFY(ok && sysInfo);
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QCOMPARE(sysInfo->text(), QStringLiteral("&Infos système..."));
        QVERIFY(ok->isDefault());
    }

    void keysClose_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
        QTest::newRow("Escape") << int(Qt::Key_Escape);
    }
    void keysClose()
    {
        QFETCH(int, key);
        MemoryRegistry registry;
        frmAbout w(registry);
        bool pressed = false;
        QTimer::singleShot(0, &w, [&] {
            QVERIFY(w.isVisible());
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget()
                                                        : static_cast<QWidget *>(&w),
                            Qt::Key(key));
            pressed = true;
        });
        // A key that failed to close the window must not hang the test.
        QTimer::singleShot(5000, &w, [&w] { w.hide(); });
        w.exec();
        QVERIFY(pressed);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(m_started.isEmpty());
        QVERIFY(m_shown.isEmpty());
    }

    void okCloses()
    {
        MemoryRegistry registry;
        frmAbout w(registry);
        w.show();
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
        QVERIFY(!w.isVisible());
    }

    void sysInfoStartsTheProgramAndStaysOpen()
    {
        MemoryRegistry registry;
        registry.setValue(kHKeyLocalMachine, QString::fromLatin1(kSysInfoKey),
                          QString::fromLatin1(kSysInfoValue), kRegSz,
                          QByteArray("/opt/infos/bin/infos").append('\0'));
        frmAbout w(registry);
        w.show();
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
        QCOMPARE(m_started, QStringList{QStringLiteral("/opt/infos/bin/infos")});
        QVERIFY(m_shown.isEmpty());
        QVERIFY(w.isVisible());
    }

    void sysInfoWithoutProgramShowsTheMessage()
    {
        MemoryRegistry registry;
        frmAbout w(registry);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        // Alt+I, the button's access key.
        QTest::keyClick(w.windowHandle(), Qt::Key_I, Qt::AltModifier);
        // An access key presses the button visibly, then clicks it.
        QTRY_COMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.first().kind, messages::Kind::Plain);
        QCOMPARE(m_shown.first().text,
                 QStringLiteral("Les informations système ne sont pas disponibles actuellement"));
        QVERIFY(m_started.isEmpty());
        QVERIFY(w.isVisible());
    }
};

QTEST_MAIN(TestAboutWindow)
#include "tst_about_window.moc"
