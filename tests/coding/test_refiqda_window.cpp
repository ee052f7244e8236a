// The coding application's exchanges with other programs, as a researcher
// uses them: a codebook with more first-level codes than lists placed in the
// dialog, then the project exported from the menu; a project imported with
// its progress shown, to its end or stopped with "Arrêter".
#include "codingtest.h"

#include "coding/filedialogs.h"
#include "coding/frmchemin.h"
#include "coding/refiqdaactions.h"
#include "common/messages.h"
#include "exchange/qdpxarchive.h"
#include "../exchange/storedzip.h"

#include <QAction>
#include <QComboBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
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

    void projectImportedOrStopped_data()
    {
        QTest::addColumn<bool>("stop"); // "Arrêter" clicked as soon as the progress shows
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("coded");
        QTest::newRow("to the end")
            << false << QStringLiteral("Textes ajoutés : 2")
            << QStringList({QStringLiteral(" Deux.|Santé"), QStringLiteral("Trois.|Économie"),
                            QStringLiteral("Un.|Économie")});
        QTest::newRow("stopped")
            << true << QStringLiteral("L'importation du projet a été arrêtée ; rien n'en a été "
                                      "enregistré.")
            << QStringList();
    }
    void projectImportedOrStopped()
    {
        QFETCH(bool, stop);
        QFETCH(QString, shown);
        QFETCH(QStringList, coded);
        QTemporaryDir dir;
        const QString db = codingtest::freshDatabase(dir);
        const QString file = dir.filePath(QStringLiteral("projet.qdpx"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(storedZip(
                {{"project.qde",
                  "<Project xmlns=\"urn:QDA-XML:project:1.0\" name=\"p\"><CodeBook><Codes>"
                  "<Code guid=\"T\" name=\"Thème\" isCodable=\"false\">"
                  "<Code guid=\"T1\" name=\"Économie\"/><Code guid=\"T2\" name=\"Santé\"/>"
                  "</Code></Codes></CodeBook><Sources>"
                  "<TextSource guid=\"A\" name=\"a.txt\" plainTextPath=\"internal://A.txt\">"
                  "<PlainTextSelection guid=\"s1\" startPosition=\"0\" endPosition=\"3\">"
                  "<Coding guid=\"c1\"><CodeRef targetGUID=\"T1\"/></Coding></PlainTextSelection>"
                  "<PlainTextSelection guid=\"s2\" startPosition=\"4\" endPosition=\"9\">"
                  "<Coding guid=\"c2\"><CodeRef targetGUID=\"T2\"/></Coding></PlainTextSelection>"
                  "</TextSource>"
                  "<TextSource guid=\"B\" name=\"b.txt\" plainTextPath=\"internal://B.txt\">"
                  "<PlainTextSelection guid=\"s3\" startPosition=\"0\" endPosition=\"6\">"
                  "<Coding guid=\"c3\"><CodeRef targetGUID=\"T1\"/></Coding></PlainTextSelection>"
                  "</TextSource></Sources></Project>"},
                 {"sources/A.txt", "Un. Deux."},
                 {"sources/B.txt", "Trois."}}));
        }
        QStringList messagesShown;
        messages::setHandler([&](const messages::Shown &s) {
            messagesShown << s.text;
            return false;
        });
        coding::dialogs::setFileHook([&](QWidget *, const QString &) { return file; });
        QPointer<coding::frmChemin> chemin = coding::start(db);
        QVERIFY(chemin);
        const QByteArray before = storetest::bytesOf(db);
        // The import's progress, with its "Arrêter", once it shows.
        bool progressShown = false;
        QTimer look;
        look.setInterval(0);
        connect(&look, &QTimer::timeout, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *progress = qobject_cast<QProgressDialog *>(w);
                if (!progress || !progress->isVisible())
                    continue;
                for (QPushButton *b : progress->findChildren<QPushButton *>()) {
                    if (b->text() != QStringLiteral("Arrêter"))
                        continue;
                    progressShown = true;
                    look.stop();
                    if (stop)
                        b->click();
                }
            }
        });
        look.start();
        chemin->findChild<QAction *>(QStringLiteral("importer_qdpx"))->trigger();
        look.stop();
        QVERIFY(progressShown);
        QCOMPARE(messagesShown.size(), 1);
        QVERIFY2(messagesShown.at(0).contains(shown), qPrintable(messagesShown.at(0)));
        {
            Raw raw(db);
            QCOMPARE(codingtest::rows(raw, QStringLiteral(
                                               "SELECT t.texte, v.variable01 FROM Contenus c "
                                               "JOIN textes t ON t.numero = c.numtexte "
                                               "JOIN var_comp_01 v ON v.numero = c.numvar01 "
                                               "ORDER BY t.texte")),
                     coded);
        }
        if (stop)
            QVERIFY(storetest::bytesOf(db) == before);
        delete chemin;
        messages::setHandler({});
        coding::dialogs::setFileHook({});
    }

    // A project of two coders: the researcher chooses in frmCodeurs (or
    // its hook) one coder's codings or a copy per coder, or cancels; the
    // codings are never merged. A list already named is renamed only if
    // the researcher says "Oui".
    void severalCodersChosen_data()
    {
        QTest::addColumn<QString>("choice"); // "UA", "UB", "copies", "cancel", "dialog copies"
        QTest::addColumn<bool>("rename");    // the answer to the renaming question
        QTest::addColumn<QStringList>("coded");
        QTest::addColumn<QString>("listName");
        QTest::addColumn<QString>("shown"); // a part of the summary
        QTest::newRow("Alice") << "UA" << false << QStringList{"Un.|Économie"} << "Mien"
                               << QStringLiteral("Codage importé : celui de Alice ; codages des "
                                                 "autres codeurs, non importés : 1");
        QTest::newRow("Bruno, renamed") << "UB" << true << QStringList{"Un.|Santé"} << "Thème"
                                        << QStringLiteral("Codeurs du projet : Alice (1 codage), "
                                                          "Bruno (1 codage)");
        QTest::newRow("a copy each") << "copies" << false << QStringList() << "Mien"
                                     << QStringLiteral("Copie du codeur Bruno : ");
        QTest::newRow("a copy each, in the dialog") << "dialog copies" << false << QStringList()
                                                    << "Mien"
                                                    << QStringLiteral("Copie du codeur Alice : ");
        QTest::newRow("cancelled") << "cancel" << false << QStringList() << "Mien" << QString();
    }
    void severalCodersChosen()
    {
        QFETCH(QString, choice);
        QFETCH(bool, rename);
        QFETCH(QStringList, coded);
        QFETCH(QString, listName);
        QFETCH(QString, shown);
        QTemporaryDir dir;
        const QString db = codingtest::freshDatabase(dir);
        {
            Raw raw(db);
            raw.exec(QStringLiteral("INSERT INTO Listes VALUES (1, 'Mien')"));
        }
        const QString file = dir.filePath(QStringLiteral("projet.qdpx"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(storedZip(
                {{"project.qde",
                  "<Project xmlns=\"urn:QDA-XML:project:1.0\" name=\"p\"><Users>"
                  "<User guid=\"UA\" name=\"Alice\"/><User guid=\"UB\" name=\"Bruno\"/></Users>"
                  "<CodeBook><Codes><Code guid=\"T\" name=\"Thème\" isCodable=\"false\">"
                  "<Code guid=\"T1\" name=\"Économie\"/><Code guid=\"T2\" name=\"Santé\"/>"
                  "</Code></Codes></CodeBook><Sources>"
                  "<TextSource guid=\"A\" name=\"a.txt\" plainTextPath=\"internal://A.txt\">"
                  "<PlainTextSelection guid=\"s1\" startPosition=\"0\" endPosition=\"3\">"
                  "<Coding guid=\"c1\" creatingUser=\"UA\"><CodeRef targetGUID=\"T1\"/></Coding>"
                  "<Coding guid=\"c2\" creatingUser=\"UB\"><CodeRef targetGUID=\"T2\"/></Coding>"
                  "</PlainTextSelection></TextSource></Sources></Project>"},
                 {"sources/A.txt", "Un. Deux."}}));
        }
        QStringList messagesShown;
        QStringList questions;
        messages::setHandler([&](const messages::Shown &s) {
            if (s.kind == messages::Kind::Question) {
                questions << s.text;
                return rename;
            }
            messagesShown << s.text;
            return false;
        });
        coding::dialogs::setFileHook([&](QWidget *, const QString &) { return file; });
        std::vector<refiqda::ProjectCoder> offered;
        if (!choice.startsWith(QStringLiteral("dialog")))
            coding::setCoderChoiceHook(
                [&](QWidget *, const std::vector<refiqda::ProjectCoder> &coders)
                    -> std::optional<coding::CoderChoice> {
                    offered = coders;
                    if (choice == QStringLiteral("cancel"))
                        return std::nullopt;
                    if (choice == QStringLiteral("copies"))
                        return coding::CoderChoice{true, QString()};
                    return coding::CoderChoice{false, choice};
                });
        // The dialog itself, answered once it shows.
        QTimer look;
        look.setInterval(0);
        int rows = 0;
        connect(&look, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<coding::frmCodeurs *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            look.stop();
            rows = dialog->findChild<QTableWidget *>(QStringLiteral("codeurs"))->rowCount();
            dialog->findChild<QRadioButton *>(QStringLiteral("par_codeur"))->setChecked(true);
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("importer")),
                              Qt::LeftButton);
        });
        if (choice.startsWith(QStringLiteral("dialog")))
            look.start();
        QPointer<coding::frmChemin> chemin = coding::start(db);
        QVERIFY(chemin);
        chemin->findChild<QAction *>(QStringLiteral("importer_qdpx"))->trigger();
        coding::setCoderChoiceHook({});
        look.stop();
        if (choice.startsWith(QStringLiteral("dialog")))
            QCOMPARE(rows, 2);
        QCOMPARE(questions.size(), 1);
        QVERIFY2(questions.at(0).contains(QStringLiteral("Les listes 1 ont déjà un nom")),
                 qPrintable(questions.at(0)));
        if (!choice.startsWith(QStringLiteral("dialog"))) {
            QCOMPARE(offered.size(), size_t(2));
            QCOMPARE(offered[0].name, QStringLiteral("Alice"));
            QCOMPARE(offered[1].codings, 1);
        }
        if (shown.isEmpty()) {
            QCOMPARE(messagesShown, QStringList());
        } else {
            QCOMPARE(messagesShown.size(), 1);
            QVERIFY2(messagesShown.at(0).contains(shown), qPrintable(messagesShown.at(0)));
        }
        {
            Raw raw(db);
            QCOMPARE(codingtest::rows(raw, QStringLiteral(
                                               "SELECT t.texte || '|' || v.variable01 FROM Contenus c "
                                               "JOIN textes t ON t.numero = c.numtexte "
                                               "JOIN var_comp_01 v ON v.numero = c.numvar01 "
                                               "ORDER BY 1")),
                     coded);
            QCOMPARE(codingtest::rows(raw, QStringLiteral("SELECT nom FROM Listes WHERE liste = 1")),
                     QStringList{choice == QStringLiteral("cancel") ? QStringLiteral("Mien")
                                                                    : listName});
        }
        const bool copies = choice.endsWith(QStringLiteral("copies"));
        QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("a_Alice.mdb"))), copies);
        QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("a_Bruno.mdb"))), copies);
        delete chemin;
        messages::setHandler({});
        coding::dialogs::setFileHook({});
    }
};

QTEST_MAIN(TestRefiQdaWindow)
#include "test_refiqda_window.moc"
