// The menu "Ajouter des textes..." with its progress dialog and summary.
#include "../analysis/mixedcorpus.h"
#include "coding/addtexts.h"
#include "coding/filedialogs.h"
#include "coding/frmchemin.h"
#include "common/messages.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QApplication>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

class TestAddTexts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void menu();
    void layout_data();
    void layout();

private:
    QString corpus(const QString &name) const { return m_corpus.filePath(name); }
    QTemporaryDir m_dir;
    QTemporaryDir m_corpus;
};

void TestAddTexts::initTestCase()
{
    QVERIFY(m_dir.isValid());
    mixedcorpus::write(m_corpus);
}

void TestAddTexts::menu()
{
    const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("menu.mdb"));
    QList<messages::Shown> shown;
    messages::setHandler([&](const messages::Shown &s) {
        shown << s;
        return false;
    });
    coding::dialogs::setTextsHook([this](QWidget *) {
        return coding::dialogs::TextChoice{{m_corpus.path()}, false};
    });
    coding::frmChemin *window = coding::start(path);
    QVERIFY(window);
    auto *list = window->findChild<QTreeWidget *>(QStringLiteral("Modifiable4"));
    QCOMPARE(list->topLevelItemCount(), 0);

    // The progress dialog shows while the texts go in; the summary follows.
    bool progressSeen = false;
    QString counts;
    QStringList lines;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        if (auto *p = window->findChild<QProgressDialog *>(QStringLiteral("progressionAjout")))
            progressSeen = progressSeen || p->isVisible();
        if (auto *bilan = window->findChild<QDialog *>(QStringLiteral("BilanAjout"))) {
            if (!bilan->isVisible())
                return;
            counts = bilan->findChild<QLabel *>(QStringLiteral("bilan"))->text();
            auto *details = bilan->findChild<QTreeWidget *>(QStringLiteral("details"));
            for (int i = 0; i < details->topLevelItemCount(); ++i)
                lines << details->topLevelItem(i)->text(0) + QLatin1Char(' ')
                             + details->topLevelItem(i)->text(1);
            QTest::mouseClick(bilan->findChild<QPushButton *>(QStringLiteral("fermer")),
                              Qt::LeftButton);
        }
    });
    watch.start(5);
    window->findChild<QAction *>(QStringLiteral("ajouterTextes"))->trigger();
    watch.stop();

    QVERIFY(progressSeen);
    QCOMPARE(counts,
             QStringLiteral("6 textes ajoutés, 1 échec, 1 fichier ignoré (pas un document)."));
    QCOMPARE(lines.size(), 8);
    QCOMPARE(lines.at(2), QStringLiteral("c_casse.docx échec"));
    QCOMPARE(lines.at(7), QStringLiteral("h_photo.png ignoré"));
    QCOMPARE(list->topLevelItemCount(), 6); // the list of texts follows
    QCOMPARE(list->topLevelItem(0)->text(1), corpus(QStringLiteral("a_entretien.docx")));
    QVERIFY(shown.isEmpty());
    window->close();
    coding::dialogs::setTextsHook({});
    messages::setHandler({});
}

// The dialog "Ajouter des textes" as the user meets it: "Garder la mise en
// page des PDF" ticked or not, then a PDF picked in the file dialog; the
// summary says how many lines of page layout were left out.
void TestAddTexts::layout_data()
{
    QTest::addColumn<bool>("keep");
    QTest::addColumn<QString>("counts");
    QTest::addColumn<QString>("detail"); // the file's line
    QTest::newRow("left out")
        << false << QStringLiteral("1 texte ajouté, en-têtes et pieds de page omis : 8.")
        << QStringLiteral("4 segments ; 8 lignes de mise en page omises (en-têtes, pieds de page, "
                          "numéros de page)");
    QTest::newRow("kept") << true << QStringLiteral("1 texte ajouté.")
                          << QStringLiteral("12 segments");
}

void TestAddTexts::layout()
{
    QFETCH(bool, keep);
    QFETCH(QString, counts);
    QFETCH(QString, detail);
    const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("mise-en-page.mdb"));
    const QString pdf = m_dir.filePath(QStringLiteral("rapport-pages.pdf"));
    mixedcorpus::writeReportWithLayout(pdf);
    coding::frmChemin *window = coding::start(path);
    QVERIFY(window);
    QString said, line;
    bool ticked = false, picked = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto *files = qobject_cast<QFileDialog *>(modal)) {
            if (!picked) {
                picked = true;
                files->selectFile(pdf);
                QMetaObject::invokeMethod(files, "accept");
            }
        } else if (modal->objectName() == QLatin1String("AjoutTextes") && !ticked) {
            ticked = true;
            auto *box = modal->findChild<QCheckBox *>(QStringLiteral("garderMiseEnPage"));
            QVERIFY(box && !box->isChecked());
            if (keep)
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
            // Clicked once this check has returned: the file dialog runs its own
            // loop, in which the check must run again.
            auto *files = modal->findChild<QPushButton *>(QStringLiteral("fichiers"));
            QTimer::singleShot(0, files, [files] { QTest::mouseClick(files, Qt::LeftButton); });
        } else if (modal->objectName() == QLatin1String("BilanAjout")) {
            said = modal->findChild<QLabel *>(QStringLiteral("bilan"))->text();
            line = modal->findChild<QTreeWidget *>(QStringLiteral("details"))->topLevelItem(0)->text(2);
            QTest::mouseClick(modal->findChild<QPushButton *>(QStringLiteral("fermer")),
                              Qt::LeftButton);
        }
    });
    watch.start(10);
    window->findChild<QAction *>(QStringLiteral("ajouterTextes"))->trigger();
    watch.stop();
    QVERIFY(ticked && picked);
    QCOMPARE(said, counts);
    QCOMPARE(line, detail);
    window->close();
}

QTEST_MAIN(TestAddTexts)
#include "test_addtexts.moc"
