// Inter-coder reliability as a researcher meets it: the window "Fiabilité
// inter-codeurs" from the files to a disagreement resolved into a
// consolidated analysis (--fiabilite: tests/cli/test_fiabilite.cpp).
// The coding of the copies is described in tests/store/reliabilitytest.h;
// the figures below are worked out by hand from it.
#include "../store/reliabilitytest.h"
#include "../store/reliabilityfigures.h"

#include "coding/coders.h"
#include "coding/filedialogs.h"
#include "coding/frmchemin.h"
#include "coding/session.h"
#include "store/codingstore.h"
#include "store/reliabilitystore.h"
#include "coding/frmfiabilite.h"
#include "common/messages.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace reliabilitytest;

namespace {


} // namespace

class TestFiabilite : public QObject
{
    Q_OBJECT
private slots:
    // The program's own locale: decimal comma in the windows.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }
    void init() { messages::setHandler([this](const messages::Shown &s) {
        m_shown << s.text;
        return true;
    }); }
    void cleanup()
    {
        messages::setHandler(nullptr);
        coding::dialogs::setOpenManyHook(nullptr);
        coding::dialogs::setSaveDatabaseHook(nullptr);
        coding::dialogs::setSaveHook(nullptr);
        coding::coders::setNameHook(nullptr);
        m_shown.clear();
    }

    void windowToConsolidation()
    {
        QTemporaryDir dir;
        Analysis a;
        const QStringList files = coderCopies(dir, &a);
        coding::frmFiabilite w;
        w.show();
        coding::dialogs::setOpenManyHook([&](QWidget *) { return files; });
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("ajouter")), Qt::LeftButton);
        QCOMPARE(w.files(), files);
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("calculer")), Qt::LeftButton);
        QVERIFY2(m_shown.isEmpty(), qPrintable(m_shown.join(QLatin1Char('\n'))));

        const auto *table = w.findChild<QTableWidget *>(QStringLiteral("coefficients"));
        QCOMPARE(table->item(0, 3)->text(), QStringLiteral("0,444"));
        QCOMPARE(table->item(0, 5)->text(), QStringLiteral("0,400"));
        QCOMPARE(table->item(0, 6)->text(), QStringLiteral("66,7 %"));
        QCOMPARE(table->item(0, 8)->text(), QStringLiteral("1"));
        QCOMPARE(table->item(1, 3)->text(), QStringLiteral("indéfini (une seule valeur)"));
        QCOMPARE(table->item(2, 3)->text(), QStringLiteral("aucune paire"));

        // Each value of list 1 present/absent: with two values, the list's alpha.
        const auto *values = w.findChild<QTableWidget *>(QStringLiteral("valeurs"));
        QCOMPARE(values->rowCount(), 2);
        QCOMPARE(values->item(0, 1)->text(), QStringLiteral("Oui"));
        QCOMPARE(values->item(0, 3)->text(), QStringLiteral("0,444"));

        // Disagreements on list 1: segment 2 (Oui / Non) and 4 (A gave two).
        auto *list = w.findChild<QTableWidget *>(QStringLiteral("desaccords"));
        QCOMPARE(list->rowCount(), 2);
        QCOMPARE(list->item(0, 0)->text(), QStringLiteral("2"));
        QCOMPARE(list->item(0, 2)->text(), QStringLiteral("Deux."));
        QCOMPARE(list->item(0, 3)->text(), QStringLiteral("Oui"));
        QCOMPARE(list->item(0, 4)->text(), QStringLiteral("Non"));
        QCOMPARE(list->item(1, 3)->text(), QStringLiteral("(valeurs multiples)"));
        list->setCurrentCell(0, 0);
        const QString detail =
            w.findChild<QPlainTextEdit *>(QStringLiteral("segment_detail"))->toPlainText();
        QVERIFY2(detail.contains(QStringLiteral("Deux."))
                     && detail.contains(QStringLiteral("Variable de comparaison 1 = Non")),
                 qPrintable(detail));

        // A consolidated copy of B's analysis, then A's coding of segment 2.
        auto *coder = w.findChild<QComboBox *>(QStringLiteral("codeur_retenu"));
        coder->setCurrentIndex(1);
        const QString consolidated = dir.filePath(QStringLiteral("consolidation.mdb"));
        coding::dialogs::setSaveDatabaseHook(
            [&](QWidget *, const QString &, const QString &) { return consolidated; });
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("creer_consolidee")),
                          Qt::LeftButton);
        QVERIFY2(m_shown.isEmpty(), qPrintable(m_shown.join(QLatin1Char('\n'))));
        coder->setCurrentIndex(0);
        list->setCurrentCell(0, 0);
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("retenir")), Qt::LeftButton);
        QVERIFY2(m_shown.isEmpty(), qPrintable(m_shown.join(QLatin1Char('\n'))));
        QCOMPARE(list->item(0, 5)->text(), QStringLiteral("A"));
        Raw db(consolidated);
        QCOMPARE(codingtest::rows(db, QStringLiteral("SELECT numtexte, numvar01 FROM Contenus "
                                                     "ORDER BY numtexte, numero")),
                 (QStringList{QStringLiteral("1|%1").arg(a.oui), QStringLiteral("2|%1").arg(a.oui),
                              QStringLiteral("3|%1").arg(a.non), QStringLiteral("4|%1").arg(a.oui),
                              QStringLiteral("5|1"), QStringLiteral("6|%1").arg(a.oui)}));

        // The report: coefficients, values, disagreements.
        const QString report = dir.filePath(QStringLiteral("rapport.csv"));
        coding::dialogs::setSaveHook([&](QWidget *, const QString &) { return report; });
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("exporter")), Qt::LeftButton);
        QList<QStringList> records;
        QVERIFY(codingtest::parseCsv(QString::fromUtf8(storetest::bytesOf(report)).mid(1),
                                     QLatin1Char(';'), &records));
        QCOMPARE(records.value(1).mid(0, 8),
                 kTwoCoders[1].split(QLatin1Char(';')));
        QVERIFY(records.contains(QStringList{QStringLiteral("1"), QStringLiteral("2"),
                                             QStringLiteral("1"), QStringLiteral("Deux."),
                                             QStringLiteral("Oui"), QStringLiteral("Non")}));
    }

    // The ordinal order of a list, shown in its tab and changed there with
    // "Monter", "Descendre" and "Ordre de la liste". Values entered a "1 -
    // jamais", b "1 - parfois", c "2 - souvent"; segments coded (a, a),
    // (b, b), (a, b), (c, c): n = 8, n_a = n_b = 3, n_c = 2, the one
    // disagreement a-b. Nominal: 1 - 7 x 2 / (64 - 22) = 0.667. Ordinal,
    // d(c, k) = (n_c + ... + n_k - (n_c + n_k) / 2)^2:
    //   a, b, c: d_ab = 9, d_ac = 30.25, d_bc = 6.25: expected 2 x (81 +
    //     181.5 + 37.5) = 600, observed 2 x 9: 1 - 7 x 18 / 600 = 0.790;
    //   a, c, b: d_ab = 25, d_ac = d_cb = 6.25: expected 600, observed
    //     2 x 25: 1 - 7 x 50 / 600 = 0.417;
    //   b, a, c: d_ba = 9, as a, b, c: 0.790.
    void ordinalOrderChanged_data()
    {
        QTest::addColumn<QStringList>("moves"); // "up N", "down N" (line N) or "default"
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("alpha");
        const QString a = QStringLiteral("1 - jamais"), b = QStringLiteral("1 - parfois"),
                      c = QStringLiteral("2 - souvent");
        // a and b begin with 1: refused for ordinal, never merged.
        QTest::newRow("own order, refused") << QStringList{} << QStringList{a, b, c}
                                            << QStringLiteral("nominal") << QStringLiteral("0,667");
        QTest::newRow("c up") << QStringList{QStringLiteral("up 2")} << QStringList{a, c, b}
                              << QStringLiteral("ordinal (ordre choisi)") << QStringLiteral("0,417");
        QTest::newRow("c up, then b up")
            << QStringList{QStringLiteral("up 2"), QStringLiteral("up 2")} << QStringList{a, b, c}
            << QStringLiteral("ordinal (ordre choisi)") << QStringLiteral("0,790");
        QTest::newRow("a down") << QStringList{QStringLiteral("down 0")} << QStringList{b, a, c}
                                << QStringLiteral("ordinal (ordre choisi)")
                                << QStringLiteral("0,790");
        QTest::newRow("c up, then the list's order")
            << QStringList{QStringLiteral("up 2"), QStringLiteral("default")} << QStringList{a, b, c}
            << QStringLiteral("nominal") << QStringLiteral("0,667");
    }
    void ordinalOrderChanged()
    {
        QFETCH(QStringList, moves);
        QFETCH(QStringList, order);
        QFETCH(QString, level);
        QFETCH(QString, alpha);
        QTemporaryDir dir;
        Analysis base;
        base.base = codingtest::freshDatabase(dir, QStringLiteral("base.mdb"));
        qint64 va = 0, vb = 0, vc = 0;
        {
            Raw db(base.base);
            codingtest::addText(db, QStringLiteral("/corpus/t.txt"),
                                {QStringLiteral("Un."), QStringLiteral("Deux."),
                                 QStringLiteral("Trois."), QStringLiteral("Quatre.")});
            va = codingtest::addValue(db, 1, QStringLiteral("1 - jamais"));
            vb = codingtest::addValue(db, 1, QStringLiteral("1 - parfois"));
            vc = codingtest::addValue(db, 1, QStringLiteral("2 - souvent"));
        }
        const QString A = copyOf(dir, base, QStringLiteral("A.mdb"));
        const QString B = copyOf(dir, base, QStringLiteral("B.mdb"));
        const qint64 codedA[] = {va, vb, va, vc};
        const qint64 codedB[] = {va, vb, vb, vc};
        for (int segment = 1; segment <= 4; ++segment) {
            code(A, segment, codedA[segment - 1]);
            code(B, segment, codedB[segment - 1]);
        }

        coding::frmFiabilite w;
        w.show();
        w.addFile(A);
        w.addFile(B);
        w.findChild<QComboBox *>(QStringLiteral("niveau_1"))->setCurrentIndex(1); // ordinal
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("calculer")), Qt::LeftButton);
        // The refusal is told, in French.
        QVERIFY2(m_shown.join(QLatin1Char('\n')).contains(QStringLiteral("commencent par le même "
                                                                         "nombre (1)")),
                 qPrintable(m_shown.join(QLatin1Char('\n'))));
        auto *values = w.findChild<QListWidget *>(QStringLiteral("ordre_valeurs"));
        QVERIFY(values);
        for (const QString &move : moves) {
            if (move == QLatin1String("default")) {
                QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("ordre_defaut")),
                                  Qt::LeftButton);
                continue;
            }
            const QStringList parts = move.split(QLatin1Char(' '));
            values->setCurrentRow(parts.at(1).toInt());
            QTest::mouseClick(w.findChild<QPushButton *>(parts.at(0) == QLatin1String("up")
                                                             ? QStringLiteral("monter")
                                                             : QStringLiteral("descendre")),
                              Qt::LeftButton);
        }
        QStringList shown;
        for (int i = 0; i < values->count(); ++i)
            shown << values->item(i)->text();
        QCOMPARE(shown, order);
        const auto *table = w.findChild<QTableWidget *>(QStringLiteral("coefficients"));
        QCOMPARE(table->item(0, 2)->text(), level);
        QCOMPARE(table->item(0, 3)->text(), alpha);
        const QString origin = w.findChild<QLabel *>(QStringLiteral("ordre_origine"))->text();
        QVERIFY2(origin.startsWith(level == QLatin1String("nominal") ? QStringLiteral("Ordre des nombres")
                                                                     : QStringLiteral("Ordre choisi")),
                 qPrintable(origin));
    }

    // The bootstrap says how many of its resamples were usable, in the window
    // and in the report. Four segments, A and B coding each with the values
    // given: when they disagree everywhere, every resample holds only Oui-Non
    // pairs, alpha = 1 - 7 x 8 / (2 x 4 x 4) = -0.75 in all 1,000; when they
    // agree on Oui everywhere, alpha is undefined, and no resample is usable.
    void intervalResamples_data()
    {
        QTest::addColumn<bool>("disagree");
        QTest::addColumn<QString>("shown");      // the window's cell
        QTest::addColumn<QStringList>("report"); // ic95_bas;ic95_haut;tirages;tirages_utilisables
        QTest::newRow("every resample usable")
            << true << QStringLiteral("[-0,750 ; -0,750] (1000 tirages utilisables sur 1000)")
            << QStringList{QStringLiteral("-0.7500"), QStringLiteral("-0.7500"),
                           QStringLiteral("1000"), QStringLiteral("1000")};
        QTest::newRow("none usable")
            << false << QStringLiteral("indéfini (une seule valeur)")
            << QStringList{QStringLiteral("indéfini: une seule valeur"),
                           QStringLiteral("indéfini: une seule valeur"), QStringLiteral("1000"),
                           QStringLiteral("0")};
    }
    void intervalResamples()
    {
        QFETCH(bool, disagree);
        QFETCH(QString, shown);
        QFETCH(QStringList, report);
        QTemporaryDir dir;
        Analysis a = makeBase(dir);
        const QString A = copyOf(dir, a, QStringLiteral("A.mdb"));
        const QString B = copyOf(dir, a, QStringLiteral("B.mdb"));
        for (int segment = 1; segment <= 4; ++segment) {
            code(A, segment, a.oui);
            code(B, segment, disagree ? a.non : a.oui);
        }
        coding::frmFiabilite w;
        w.show();
        w.addFile(A);
        w.addFile(B);
        w.findChild<QCheckBox *>(QStringLiteral("intervalle"))->setChecked(true);
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("calculer")), Qt::LeftButton);
        const auto *table = w.findChild<QTableWidget *>(QStringLiteral("coefficients"));
        QCOMPARE(table->item(0, 4)->text(), shown);
        QVERIFY(w.findChild<QLabel *>(QStringLiteral("notes"))->text().contains(
            QStringLiteral("1000 tirages avec remise des segments appariés")));

        const QString file = dir.filePath(QStringLiteral("rapport.csv"));
        coding::dialogs::setSaveHook([&](QWidget *, const QString &) { return file; });
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("exporter")), Qt::LeftButton);
        QList<QStringList> records;
        QVERIFY(codingtest::parseCsv(QString::fromUtf8(storetest::bytesOf(file)).mid(1),
                                     QLatin1Char(';'), &records));
        QCOMPARE(records.value(0).mid(8, 4),
                 (QStringList{QStringLiteral("ic95_bas"), QStringLiteral("ic95_haut"),
                              QStringLiteral("tirages"), QStringLiteral("tirages_utilisables")}));
        QCOMPARE(records.value(1).mid(8, 4), report);
    }

    // The coder's name asked once and shown in the title; a copy for another
    // coder is a copy of the same analysis, named, without coding rows
    // unless asked.
    void coderAndCopy_data()
    {
        QTest::addColumn<bool>("withCoding");
        QTest::newRow("without coding") << false;
        QTest::newRow("with coding") << true;
    }
    void coderAndCopy()
    {
        QFETCH(bool, withCoding);
        QTemporaryDir dir;
        const QStringList files = coderCopies(dir);
        coding::Session session(coding::CodingStore::open(files[0]));
        coding::frmChemin chemin(session);
        int asked = 0;
        coding::coders::setNameHook([&](QWidget *, const QString &) {
            ++asked;
            return std::optional<QString>(QStringLiteral("  Marie "));
        });
        chemin.askCoderIfNone();
        chemin.askCoderIfNone();
        QCOMPARE(asked, 1);
        QCOMPARE(chemin.windowTitle(), QStringLiteral("Analyse de contenu - codeur : Marie"));
        {
            Raw db(files[0]);
            QCOMPARE(db.scalar(QStringLiteral("SELECT valeur FROM Proprietes WHERE cle = 'codeur'")),
                     QStringLiteral("Marie"));
        }

        coding::frmCopieCodeur dialog(session);
        dialog.findChild<QLineEdit *>(QStringLiteral("nom_codeur"))->setText(QStringLiteral("Paul"));
        dialog.findChild<QCheckBox *>(QStringLiteral("avec_codage"))->setChecked(withCoding);
        const QString copy = dir.filePath(QStringLiteral("Paul.mdb"));
        dialog.findChild<QLineEdit *>(QStringLiteral("fichier"))->setText(copy);
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("copier")), Qt::LeftButton);
        QVERIFY2(m_shown.isEmpty(), qPrintable(m_shown.join(QLatin1Char('\n'))));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        Raw db(copy);
        QCOMPARE(db.scalar(QStringLiteral("SELECT valeur FROM Proprietes WHERE cle = 'codeur'")),
                 QStringLiteral("Paul"));
        QCOMPARE(db.count(QStringLiteral("Contenus")), withCoding ? qint64(6) : qint64(0));
        QCOMPARE(db.scalar(QStringLiteral("PRAGMA application_id")), QStringLiteral("1414286674"));
        // The same analysis: texts, segments and lists compare equal.
        const auto both = reliability::readCopies({files[0], copy});
        QCOMPARE(both->sources[1].coder, QStringLiteral("Paul"));
        QVERIFY(QDir(dir.path()).entryList(QDir::Hidden | QDir::Files)
                    .filter(QStringLiteral(".tmp")).isEmpty());
    }

    // The coders and the lists are named as soon as the copies are added;
    // after "Calculer" the disagreements open on the first list that has
    // some, each list's count said in French. Base: list 1 Oui, Non; list 2
    // "Ton" with X and Y. Coder A is "Marie" (its property), B has no name
    // (its file's).
    void namesAndPlurals_data()
    {
        QTest::addColumn<bool>("list1Differs"); // else only list 2 differs
        QTest::addColumn<int>("opened");        // the list the tab opens on
        QTest::addColumn<QStringList>("choices");
        // Segment 1: A (Oui, X), B (Non or Oui, Y); segments 2 and 3 agree.
        QTest::newRow("listes 1 et 2")
            << true << 1
            << QStringList{QStringLiteral("Liste 1 : Variable de comparaison 1 (1 désaccord)"),
                           QStringLiteral("Liste 2 : Ton (1 désaccord)"),
                           QStringLiteral("Liste 3 : Variable de comparaison 3 (aucun désaccord)")};
        QTest::newRow("liste 2 seulement")
            << false << 2
            << QStringList{QStringLiteral("Liste 1 : Variable de comparaison 1 (aucun désaccord)"),
                           QStringLiteral("Liste 2 : Ton (1 désaccord)"),
                           QStringLiteral("Liste 3 : Variable de comparaison 3 (aucun désaccord)")};
    }
    void namesAndPlurals()
    {
        QFETCH(bool, list1Differs);
        QFETCH(int, opened);
        QFETCH(QStringList, choices);
        QTemporaryDir dir;
        Analysis a = makeBase(dir);
        qint64 y = 0;
        {
            Raw db(a.base);
            y = codingtest::addValue(db, 2, QStringLiteral("Y"));
            QVERIFY(db.exec(QStringLiteral("INSERT INTO Listes (liste, nom) VALUES (2, 'Ton')")));
        }
        const QString A = copyOf(dir, a, QStringLiteral("A.mdb"));
        const QString B = copyOf(dir, a, QStringLiteral("B.mdb"));
        QVERIFY(Raw(A).exec(QStringLiteral("INSERT INTO Proprietes (cle, valeur) VALUES "
                                           "('codeur', 'Marie')")));
        code(A, 1, a.oui, a.x);
        code(B, 1, list1Differs ? a.non : a.oui, y);
        for (int segment = 2; segment <= 3; ++segment) {
            code(A, segment, a.non, a.x);
            code(B, segment, a.non, a.x);
        }

        coding::frmFiabilite w;
        w.show();
        coding::dialogs::setOpenManyHook([&](QWidget *) { return QStringList{A, B}; });
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("ajouter")), Qt::LeftButton);
        // Named before anything is computed.
        const auto *files = w.findChild<QTreeWidget *>(QStringLiteral("fichiers"));
        QCOMPARE(files->topLevelItem(0)->text(0), QStringLiteral("Marie"));
        QCOMPARE(files->topLevelItem(1)->text(0), QStringLiteral("B"));
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("nom_liste_1"))->text(),
                 QStringLiteral("Variable de comparaison 1"));
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("nom_liste_2"))->text(),
                 QStringLiteral("Ton"));

        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("calculer")), Qt::LeftButton);
        QVERIFY2(m_shown.isEmpty(), qPrintable(m_shown.join(QLatin1Char('\n'))));
        auto *chosen = w.findChild<QComboBox *>(QStringLiteral("desaccords_liste"));
        QStringList shown;
        for (int i = 0; i < 3; ++i)
            shown << chosen->itemText(i);
        QCOMPARE(shown, choices);
        QCOMPARE(chosen->currentData().toInt(), opened);
        const auto *table = w.findChild<QTableWidget *>(QStringLiteral("desaccords"));
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->horizontalHeaderItem(3)->text(), QStringLiteral("Marie"));
        QCOMPARE(table->horizontalHeaderItem(4)->text(), QStringLiteral("B"));
    }

private:
    QStringList m_shown;
};

QTEST_MAIN(TestFiabilite)
#include "test_fiabilite.moc"
