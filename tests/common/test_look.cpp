// Colours as the user sees them, read from grabbed images: a frame's inside is
// exactly its ground (the style's shade left out) while its line still shows;
// a status bar with the platform's look does not take its window's yellow.
#include "common/look.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QtTest>

class TestLook : public QObject
{
    Q_OBJECT
private slots:
    void frameInside_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("styled"); // styleFrame, or setFrameGround alone
        QTest::newRow("captioned frame") << "Détermination des phrases" << true;
        QTest::newRow("frame without caption") << "" << false;
    }
    void frameInside()
    {
        QFETCH(QString, caption);
        QFETCH(bool, styled);
        QWidget window;
        look::setBackground(&window, look::kLightYellow);
        auto *frame = new QGroupBox(caption, &window);
        if (styled)
            look::styleFrame(frame, look::kRed, look::font(look::kTimes, 12, true),
                             look::kLightYellow);
        else
            look::setFrameGround(frame, look::kLightYellow);
        frame->setGeometry(10, 10, 300, 200);
        window.resize(320, 220);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const QImage image = frame->grab().toImage();
        const int scale = image.width() / frame->width();
        const auto at = [&](int x, int y) { return QColor(image.pixel(x * scale, y * scale)); };
        // The inside, near the middle and just within the line.
        QCOMPARE(at(150, 120), QColor(255, 255, 192));
        QCOMPARE(at(4, 150), QColor(255, 255, 192));
        QCOMPARE(at(150, 196), QColor(255, 255, 192));
        // The line on the left is still drawn, darker than the ground.
        bool line = false;
        for (int x = 0; x < 3; ++x)
            line = line || at(x, 150).lightness() < QColor(255, 255, 192).lightness() - 20;
        QVERIFY(line);
    }

    void statusBarKeepsThePlatformsLook()
    {
        QMainWindow window;
        look::setBackground(&window, look::kLightYellow);
        auto *client = new QWidget(&window);
        look::setBackground(client, look::kLightYellow);
        window.setCentralWidget(client);
        auto *bar = new QStatusBar(&window);
        auto *panel = new QLabel(QStringLiteral("/textes/entretiens.txt"), bar);
        bar->addWidget(panel, 1);
        window.setStatusBar(bar);
        look::setPlatformLook(bar);
        window.resize(400, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const QImage image = bar->grab().toImage();
        const QColor ground(image.pixel(image.width() - 30, image.height() / 2));
        QCOMPARE(ground, QApplication::palette().color(QPalette::Window));
        QVERIFY(ground != look::kLightYellow);
        QCOMPARE(panel->palette().color(QPalette::WindowText),
                 QApplication::palette().color(QPalette::WindowText));
    }
};

QTEST_MAIN(TestLook)
#include "test_look.moc"
