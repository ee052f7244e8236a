// "Fichier > Exporter pour Iramuteq..." as a researcher meets it: the units
// chosen in the dialog, the file written as worked out by hand, the summary
// in the status bar, and a full disk that leaves the earlier file intact
// (--iramuteq: tests/cli/test_iramuteq.cpp).
#include "exportanalysis.h"

#include "coding/filedialogs.h"
#include "coding/frmchemin.h"
#include "common/messages.h"
#include "common/safefile.h"
#include "store/attributestore.h"
#include "store/connection.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>

using namespace codingtest;

class TestIramuteqWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void exportFromTheMenu_data();
    void exportFromTheMenu();

private:
    QTemporaryDir m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
    QPointer<coding::frmChemin> m_chemin;
};

void TestIramuteqWindow::initTestCase()
{
    QVERIFY(m_settings.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void TestIramuteqWindow::cleanup()
{
    if (m_chemin)
        m_chemin->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTRY_VERIFY(!m_chemin);
    messages::setHandler({});
    coding::dialogs::setFileHook({});
    SafeFile::setFaultHook({});
    m_dir.reset();
}

void TestIramuteqWindow::exportFromTheMenu_data()
{
    QTest::addColumn<bool>("withCodes");
    QTest::addColumn<bool>("diskFull");
    QTest::addColumn<QString>("told");
    QTest::addColumn<QByteArray>("corpus");
    QTest::newRow("texts") << false << false
                           << "Corpus Iramuteq exporté : 2 textes, 4 segments"
                           << QByteArray("**** *journal_Le_Monde\n=1+1 est une formule. "
                                         "Deuxi\xC3\xA8me ; avec \"guillemets\",\net une ligne. "
                                         "Troisi\xC3\xA8me.\n****\nAutre.\n");
    // Segment 1's values in the order of its rows; segment 2 has an empty
    // row only, segment 3 none.
    QTest::newRow("coded segments")
        << true << false << "Corpus Iramuteq exporté : 2 segments codés"
        << QByteArray("**** *journal_Le_Monde *Th\xC3\xA8me_\xC3\x89" "conomie "
                      "*Th\xC3\xA8me_Culture *Variable-de-comparaison-2_@ironie\n"
                      "=1+1 est une formule.\n**** *Th\xC3\xA8me_\xC3\x89" "conomie\nAutre.\n");
    QTest::newRow("disk full") << false << true << "le disque est plein" << QByteArray();
}

void TestIramuteqWindow::exportFromTheMenu()
{
    QFETCH(bool, withCodes);
    QFETCH(bool, diskFull);
    QFETCH(QString, told);
    QFETCH(QByteArray, corpus);
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QString db = freshDatabase(*m_dir);
    exporttest::Analysis a;
    exporttest::write(db, a);
    {
        auto connection = Connection::open(db);
        attributes::setValue(*connection, attributes::add(*connection, QStringLiteral("journal")),
                             1, QStringLiteral("Le Monde"));
    }
    const QString target = m_dir->filePath(QStringLiteral("corpus.txt"));
    const QByteArray earlier = "**** *ancien\nAncien corpus.\n";
    {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(earlier);
    }
    QString caption;
    coding::dialogs::setFileHook([&](QWidget *, const QString &c) {
        caption = c;
        return target;
    });
    QList<messages::Shown> shown;
    messages::setHandler([&](const messages::Shown &s) {
        shown << s;
        return false;
    });
    if (diskFull)
        SafeFile::setFaultHook(
            [](SafeFile::Step s) { return s == SafeFile::Step::Flush ? ENOSPC : 0; });
    m_chemin = coding::start(db);
    QVERIFY(m_chemin);

    bool seen = false;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Exporter pour Iramuteq"));
        auto *box = dialog->findChild<QCheckBox *>(QStringLiteral("avec_codes"));
        QVERIFY(box);
        QVERIFY(!box->isChecked());
        if (withCodes)
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("exporter")),
                          Qt::LeftButton);
        seen = true;
    });
    QAction *item = m_chemin->findChild<QAction *>(QStringLiteral("exporter_iramuteq"));
    QVERIFY(item);
    QCOMPARE(item->text(), QStringLiteral("Exporter pour &Iramuteq..."));
    item->trigger();
    QVERIFY(seen);
    QCOMPARE(caption, QStringLiteral("Exporter pour Iramuteq"));
    if (diskFull) {
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.at(0).kind, messages::Kind::Error);
        QVERIFY2(shown.at(0).text.contains(told) && shown.at(0).text.contains(target),
                 qPrintable(shown.at(0).text));
        QCOMPARE(storetest::bytesOf(target), earlier);
        return;
    }
    QVERIFY2(shown.isEmpty(), shown.isEmpty() ? "" : qPrintable(shown.first().text));
    const QString status = m_chemin->statusBar()->currentMessage();
    QVERIFY2(status.contains(told) && status.contains(target), qPrintable(status));
    QCOMPARE(storetest::bytesOf(target), corpus);
}

QTEST_MAIN(TestIramuteqWindow)
#include "test_iramuteq_window.moc"
