// The coding application's exchanges with other programs, as a researcher
// uses them: a codebook with more first-level codes than lists placed in the
// dialog, then the project exported from the menu.
#include "codingtest.h"

#include "coding/filedialogs.h"
#include "coding/frmchemin.h"
#include "coding/refiqdaactions.h"
#include "common/messages.h"
#include "exchange/qdpxarchive.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using codingtest::Raw;

class TestRefiQdaWindow : public QObject
{
    Q_OBJECT

private slots:
    void codebookPlacedThenProjectExported()
    {
        QTemporaryDir dir;
        const QString db = codingtest::freshDatabase(dir);
        {
            Raw raw(db);
            codingtest::addText(raw, QStringLiteral("/corpus/a.txt"), {QStringLiteral("Un.")});
        }
        QStringList shown;
        messages::setHandler([&](const messages::Shown &s) {
            shown << s.text;
            return false;
        });
        QString answer = QFINDTESTDATA("../exchange/handwritten.qdc");
        coding::dialogs::setFileHook([&](QWidget *, const QString &) { return answer; });

        QPointer<coding::frmChemin> chemin = coding::start(db);
        QVERIFY(chemin);
        // The researcher sends the first three codes to list 2, the others
        // to list 4, and leaves the last one out.
        QTimer::singleShot(0, [] {
            auto *dialog = qobject_cast<coding::frmPlacement *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            for (int i = 0; i < 6; ++i) {
                auto *combo = dialog->findChild<QComboBox *>(QStringLiteral("liste_%1").arg(i));
                combo->setCurrentIndex(i < 3 ? 2 : i < 5 ? 4 : 0);
            }
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("importer")),
                              Qt::LeftButton);
        });
        chemin->findChild<QAction *>(QStringLiteral("importer_qdc"))->trigger();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.at(0).contains(QStringLiteral("Valeurs ajoutées aux listes : 3")),
                 qPrintable(shown.at(0)));
        {
            Raw raw(db);
            QCOMPARE(codingtest::rows(raw, QStringLiteral("SELECT variable02 FROM var_comp_02 "
                                                          "WHERE numero > 1 ORDER BY numero")),
                     QStringList({QStringLiteral("Economy"), QStringLiteral("Health care")}));
            QCOMPARE(codingtest::rows(raw, QStringLiteral("SELECT variable04 FROM var_comp_04 "
                                                          "WHERE numero > 1 ORDER BY numero")),
                     QStringList({QStringLiteral("Conservatives")}));
        }

        answer = dir.filePath(QStringLiteral("sortie.qdpx"));
        chemin->findChild<QAction *>(QStringLiteral("exporter_qdpx"))->trigger();
        const refiqda::ReadProject read = refiqda::readQdpx(answer);
        QCOMPARE(read.error, QString());
        QCOMPARE(read.project.sources.size(), size_t(1));
        QCOMPARE(read.project.codes.at(1).children.size(), size_t(2));

        delete chemin;
        messages::setHandler({});
        coding::dialogs::setFileHook({});
    }
};

QTEST_MAIN(TestRefiQdaWindow)
#include "test_refiqda_window.moc"
