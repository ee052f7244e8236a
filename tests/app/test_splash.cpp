// The start-up window: its look, and the hand-over to the main window by the
// timer, a key or a click on a clickable control, and by nothing else.
#include "app/frmMenu.h"
#include "app/frmSplash.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QtTest>

namespace {
QList<frmMenu *> mainWindows()
{
    QList<frmMenu *> found;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *m = qobject_cast<frmMenu *>(w))
            found << m;
    return found;
}
} // namespace

class TestSplash : public QObject
{
    Q_OBJECT
private:
    QPointer<frmSplash> splash;

    void open()
    {
        splash = new frmSplash();
        splash->show();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
    }
    // The splash is gone and exactly one main window is shown.
    void verifyHandedOver()
    {
        QVERIFY(splash.isNull() || splash->handedOver());
        QTRY_VERIFY(splash.isNull());
        const QList<frmMenu *> menus = mainWindows();
        QCOMPARE(menus.size(), 1);
        QVERIFY(menus.first()->isVisible());
        QVERIFY(!menus.first()->isModal());
    }
    void verifyStillThere()
    {
        QVERIFY(!splash.isNull());
        QVERIFY(!splash->handedOver());
        QVERIFY(splash->isVisible());
        QVERIFY(mainWindows().isEmpty());
    }

private slots:
    void cleanup()
    {
        delete splash;
        qDeleteAll(mainWindows());
    }

    void look()
    {
        open();
        QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(splash->palette().color(QPalette::Window), QColor(255, 255, 192));
        auto *timer = splash->findChild<QTimer *>("Timer1");
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 3000);
        QVERIFY(timer->isActive());
        struct Text {
            const char *name;
            QString text;
            double points;
        };
        const QList<Text> texts{
            {"Label5", "QUILLMERE", 24},
            {"Label1", "QUILLMERE", 24},
            {"Label8", "Telmira", 27.75},
            {"Label6", "Telmira", 27.75},
            {"Label2", "Version 1.0", 18},
            {"Label9", "Mai 2003", 14.25},
            {"Label3", "Windows 95, 98, NT, 2000 et XP &", 12},
            {"Label10", "MS ACCESS 2000 , XP", 12},
            {"Label7", "", 0},
        };
        for (const Text &t : texts) {
            auto *l = splash->findChild<QLabel *>(t.name);
            QVERIFY2(l, t.name);
            QCOMPARE(l->text(), t.text);
            if (t.points > 0)
                QCOMPARE(l->font().pointSizeF(), t.points);
        }
        QCOMPARE(splash->findChild<QLabel *>("Label3")->palette().color(QPalette::WindowText),
                 QColor(255, 0, 0));
        QVERIFY(!splash->findChild<QLabel *>("Label4")->text().isEmpty());
        QVERIFY(splash->findChild<QGroupBox *>("Frame1"));
        auto *logo = splash->findChild<QLabel *>("imgLogo");
        auto *bitmap = splash->findChild<QLabel *>("Image1");
        QVERIFY(logo && bitmap);
        QCOMPARE(logo->pixmap().size(), QSize(125, 138));
        QCOMPARE(bitmap->pixmap().size(), QSize(100, 220));
    }

    // With no input the main window comes after three seconds, not before.
    void timer()
    {
        QElapsedTimer clock;
        clock.start();
        open();
        qint64 handedOverAt = -1;
        connect(splash, &frmSplash::mainWindowShown, this,
                [&] { handedOverAt = clock.elapsed(); });
        QTRY_VERIFY_WITH_TIMEOUT(handedOverAt >= 0, 8000);
        QVERIFY2(handedOverAt >= 2900, qPrintable(QString::number(handedOverAt)));
        QVERIFY2(handedOverAt < 6000, qPrintable(QString::number(handedOverAt)));
        verifyHandedOver();
    }

    void key_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("handsOver");
        QTest::newRow("letter") << int(Qt::Key_A) << true;
        QTest::newRow("space") << int(Qt::Key_Space) << true;
        QTest::newRow("enter") << int(Qt::Key_Return) << true;
        QTest::newRow("escape") << int(Qt::Key_Escape) << true;
        QTest::newRow("shift alone") << int(Qt::Key_Shift) << false;
    }
    void key()
    {
        QFETCH(int, key);
        QFETCH(bool, handsOver);
        open();
        QTest::keyClick(splash, Qt::Key(key));
        if (handsOver)
            verifyHandedOver();
        else
            verifyStillThere();
    }

    // A key that reaches a control first still reaches the window.
    void keyOnControl()
    {
        open();
        QTest::keyClick(splash->findChild<QLabel *>("Label9"), Qt::Key_X);
        verifyHandedOver();
    }

    void click_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("handsOver");
        for (const char *name :
             {"Frame1", "Image1", "imgLogo", "Label2", "Label3", "Label4", "Label5", "Label8"})
            QTest::newRow(name) << name << true;
        for (const char *name : {"Label1", "Label6", "Label7", "Label9", "Label10"})
            QTest::newRow(name) << name << false;
    }
    void click()
    {
        QFETCH(QString, control);
        QFETCH(bool, handsOver);
        open();
        auto *w = splash->findChild<QWidget *>(control);
        QVERIFY(w);
        // A corner of the frame that no control covers.
        const QPoint at = control == "Frame1" ? QPoint(w->width() - 4, 6) : w->rect().center();
        QTest::mouseClick(w, Qt::LeftButton, {}, at);
        if (handsOver)
            verifyHandedOver();
        else
            verifyStillThere();
    }

    // Clicks as the window system delivers them, by place: the clickable label
    // of each pair is on top, and the band, the date and the engine line keep
    // their clicks to themselves instead of passing them to the frame.
    void clickAtPlace_data()
    {
        QTest::addColumn<QString>("under");
        QTest::addColumn<QString>("receiver");
        QTest::addColumn<bool>("handsOver");
        QTest::newRow("maker pair") << "Label1" << "Label5" << true;
        QTest::newRow("product pair") << "Label6" << "Label8" << true;
        QTest::newRow("date") << "Label9" << "Label9" << false;
        QTest::newRow("engine line") << "Label10" << "Label10" << false;
        QTest::newRow("version") << "Label2" << "Label2" << true;
    }
    void clickAtPlace()
    {
        QFETCH(QString, under);
        QFETCH(QString, receiver);
        QFETCH(bool, handsOver);
        open();
        auto *target = splash->findChild<QWidget *>(under);
        QVERIFY(target);
        // A point of the control that no other control covers (the left part
        // of the date and engine lines, clear of the bitmap and the logo).
        QPoint local = target->rect().center();
        if (under == "Label9" || under == "Label10")
            local = QPoint(target->width() / 3, target->height() / 2);
        const QPoint inWindow = target->mapTo(splash, local);
        QCOMPARE(splash->childAt(inWindow)->objectName(), receiver);
        QTest::mouseClick(splash->windowHandle(), Qt::LeftButton, {}, inWindow);
        if (handsOver)
            verifyHandedOver();
        else
            verifyStillThere();
    }

    // The band can be clicked where the version and date lines leave it
    // uncovered; that does nothing.
    void clickOnBand()
    {
        open();
        auto *band = splash->findChild<QWidget *>("Label7");
        auto *version = splash->findChild<QWidget *>("Label2");
        auto *date = splash->findChild<QWidget *>("Label9");
        const int x = (version->geometry().right() + date->geometry().left()) / 2;
        const QPoint inFrame(x, band->geometry().top() + 2);
        const QPoint inWindow = band->parentWidget()->mapTo(splash, inFrame);
        QCOMPARE(splash->childAt(inWindow), band);
        QTest::mouseClick(splash->windowHandle(), Qt::LeftButton, {}, inWindow);
        verifyStillThere();
    }

    // Only the first event counts: a second one after the hand-over neither
    // makes a second main window nor fails.
    void onlyOnce()
    {
        open();
        auto *label = splash->findChild<QWidget *>("Label5");
        QTest::mouseClick(label, Qt::LeftButton);
        QVERIFY(splash->handedOver());
        // Still there until the event loop deletes it.
        if (splash) {
            QTest::keyClick(splash, Qt::Key_A);
            QTest::mouseClick(splash->findChild<QWidget *>("Label8"), Qt::LeftButton);
        }
        verifyHandedOver();
    }

    // A press on one control released on another is no click.
    void pressWithoutRelease()
    {
        open();
        auto *label = splash->findChild<QWidget *>("Label5");
        QTest::mousePress(label, Qt::LeftButton);
        QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(-20, -20));
        verifyStillThere();
        QTest::mouseClick(label, Qt::RightButton);
        verifyStillThere();
    }
};

QTEST_MAIN(TestSplash)
#include "test_splash.moc"
