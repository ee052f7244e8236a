// The window "Rechercher" driven as a researcher drives it: Ctrl+F from the
// texts' window, a query typed and "Chercher" clicked, the count and the
// concordance read, the texts, an attribute's value and the coding chosen to
// narrow the search, the lines sorted by the word after, one opened in the
// coding window; the segments found coded with a value and Ctrl+Z taking it
// back; a search kept to coded (or not coded) segments made again after
// coding, Annuler and Rétablir; what the panel of choices tells as the user
// changes it; a query that cannot be read; segments added by another
// program found at the next search; the chart of the occurrences.
#include "codingtest.h"

#include "coding/frmchemin.h"
#include "coding/frmrecherche.h"
#include "coding/frmtextes.h"
#include "coding/restrictionpanel.h"
#include "coding/session.h"
#include "common/messages.h"
#include "store/attributestore.h"
#include "store/connection.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace codingtest;
using coding::frmRecherche;

namespace {

// The analysis of every test (a fresh copy each time):
//   text 1 /corpus/a.txt (journal = Le Monde, date 2003-01-15):
//     1 "L'État paie."
//     2 " Le chômage baisse; l'état aussi."
//     3 " Rien."
//   text 2 /corpus/b.txt (journal = Libération, date 2003-03-02):
//     4 "Emploi et \"emploi\"."
//     5 " Fin de l'État\nnouveau."
// List 1 holds « Économie » and « Social »; segment 2 has one coding row,
// « Économie ».
qint64 fill(const QString &path)
{
    qint64 economie = 0;
    {
        Raw db(path);
        addText(db, QStringLiteral("/corpus/a.txt"),
                {QStringLiteral("L'État paie."), QStringLiteral(" Le chômage baisse; l'état aussi."),
                 QStringLiteral(" Rien.")});
        addText(db, QStringLiteral("/corpus/b.txt"),
                {QStringLiteral("Emploi et \"emploi\"."),
                 QStringLiteral(" Fin de l'État\nnouveau.")});
        economie = addValue(db, 1, QStringLiteral("Économie"));
        addValue(db, 1, QStringLiteral("Social"));
        db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) VALUES (2, %1)")
                    .arg(economie));
    }
    std::shared_ptr<Connection> db = Connection::open(path);
    const qint64 journal = attributes::add(*db, QStringLiteral("journal"));
    attributes::setValue(*db, journal, 1, QStringLiteral("Le Monde"));
    attributes::setValue(*db, journal, 2, QStringLiteral("Libération"));
    const qint64 date = attributes::add(*db, QStringLiteral("date"));
    attributes::setValue(*db, date, 1, QStringLiteral("2003-01-15"));
    attributes::setValue(*db, date, 2, QStringLiteral("2003-03-02"));
    return economie;
}

void pick(QComboBox *box, const QString &text)
{
    const int found = box->findText(text);
    QVERIFY2(found >= 0, qPrintable(text));
    box->setCurrentIndex(found);
}

} // namespace

class TestRecherche : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void search_data();
    void search();
    void sort_data();
    void sort();
    void lineOpensSegment();
    void codeFound_data();
    void codeFound();
    void followsCoding_data();
    void followsCoding();
    void choicesTold_data();
    void choicesTold();
    void unreadableQuery();
    void segmentsAddedMeanwhile();
    void chart_data();
    void chart();

private:
    // Types the query and clicks "Chercher".
    void searchFor(const QString &query);
    // Chooses the segments coded (1) or not coded (2) with « Économie ».
    void keepCoded(int coded);
    // "Coder les segments trouvés…": every segment found gets « Économie ».
    void codeAllFound();
    // The concordance as the user reads it: "text|segment|found" per line.
    QStringList lines() const;
    template <typename T> T *child(const char *name) const
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }

    QTemporaryDir m_dir;
    QString m_db;
    qint64 m_economie = 0;
    coding::frmChemin *m_chemin = nullptr;
    frmRecherche *m_window = nullptr;
    QStringList m_messages;
};

void TestRecherche::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    // As the program does: figures in French.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    messages::setHandler([this](const messages::Shown &shown) {
        m_messages << shown.text;
        return false;
    });
}

void TestRecherche::init()
{
    m_messages.clear();
    m_db = freshDatabase(m_dir, QStringLiteral("%1.mdb").arg(QTest::currentTestFunction()));
    m_economie = fill(m_db);
    m_chemin = coding::start(m_db);
    QVERIFY(m_chemin);
    QVERIFY(QTest::qWaitForWindowExposed(m_chemin));
    QTest::keyClick(m_chemin, Qt::Key_F, Qt::ControlModifier);
    m_window = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *r = qobject_cast<frmRecherche *>(w))
            m_window = r;
    QVERIFY(m_window);
    QVERIFY(m_window->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestRecherche::cleanup()
{
    if (m_chemin)
        m_chemin->close();
    m_chemin = nullptr;
    m_window = nullptr;
    QTest::qWait(0);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));
}

void TestRecherche::searchFor(const QString &query)
{
    auto *requete = child<QLineEdit>("requete");
    QVERIFY(requete);
    requete->clear();
    requete->setFocus();
    QTest::keyClicks(requete, query);
    QTest::mouseClick(child<QPushButton>("chercher"), Qt::LeftButton);
}

QStringList TestRecherche::lines() const
{
    QAbstractItemModel *model = child<QTableView>("concordance")->model();
    while (model->canFetchMore({}))
        model->fetchMore({});
    QStringList shown;
    for (int r = 0; r < model->rowCount(); ++r)
        shown << QStringLiteral("%1|%2|%3")
                     .arg(model->index(r, 0).data().toString(), model->index(r, 1).data().toString(),
                          model->index(r, 3).data().toString());
    return shown;
}

void TestRecherche::search_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QList<int>>("unticked"); // lines of the texts' list the user unticks
    QTest::addColumn<QString>("attribute");   // "journal=Le Monde", or none
    QTest::addColumn<int>("coded");           // 0 all segments, 1 coded with, 2 not coded with
    QTest::addColumn<QString>("count");
    QTest::addColumn<QStringList>("lines");

    const QStringList etat{QStringLiteral("1|1|État"), QStringLiteral("1|2|état"),
                           QStringLiteral("2|5|État")};
    // Case and accents ignored.
    QTest::newRow("etat finds État") << QStringLiteral("etat") << QList<int>{} << QString() << 0
                                     << QStringLiteral("3 occurrences dans 3 segments") << etat;
    QTest::newRow("two in one segment")
        << QStringLiteral("emploi") << QList<int>{} << QString() << 0
        << QStringLiteral("2 occurrences dans 1 segment")
        << QStringList{QStringLiteral("2|4|Emploi"), QStringLiteral("2|4|emploi")};
    QTest::newRow("a prefix") << QStringLiteral("chom*") << QList<int>{} << QString() << 0
                              << QStringLiteral("1 occurrence dans 1 segment")
                              << QStringList{QStringLiteral("1|2|chômage")};
    QTest::newRow("either word")
        << QStringLiteral("rien OU paie") << QList<int>{} << QString() << 0
        << QStringLiteral("2 occurrences dans 2 segments")
        << QStringList{QStringLiteral("1|1|paie"), QStringLiteral("1|3|Rien")};
    QTest::newRow("a word left out")
        << QStringLiteral("etat -chomage") << QList<int>{} << QString() << 0
        << QStringLiteral("2 occurrences dans 2 segments")
        << QStringList{QStringLiteral("1|1|État"), QStringLiteral("2|5|État")};
    QTest::newRow("nothing") << QStringLiteral("absent") << QList<int>{} << QString() << 0
                             << QStringLiteral("Aucune occurrence.") << QStringList{};
    // Text 1 unticked: only segment 5.
    QTest::newRow("chosen texts") << QStringLiteral("etat") << QList<int>{0} << QString() << 0
                                  << QStringLiteral("1 occurrence dans 1 segment")
                                  << QStringList{QStringLiteral("2|5|État")};
    QTest::newRow("an attribute's value")
        << QStringLiteral("etat") << QList<int>{} << QStringLiteral("journal=Le Monde") << 0
        << QStringLiteral("2 occurrences dans 2 segments")
        << QStringList{QStringLiteral("1|1|État"), QStringLiteral("1|2|état")};
    // Segment 2 alone holds « Économie ».
    QTest::newRow("coded with") << QStringLiteral("etat") << QList<int>{} << QString() << 1
                                << QStringLiteral("1 occurrence dans 1 segment")
                                << QStringList{QStringLiteral("1|2|état")};
    QTest::newRow("not coded with")
        << QStringLiteral("etat") << QList<int>{} << QString() << 2
        << QStringLiteral("2 occurrences dans 2 segments")
        << QStringList{QStringLiteral("1|1|État"), QStringLiteral("2|5|État")};
}

void TestRecherche::search()
{
    QFETCH(QString, query);
    QFETCH(QList<int>, unticked);
    QFETCH(QString, attribute);
    QFETCH(int, coded);
    QFETCH(QString, count);
    QFETCH(QStringList, lines);

    auto *textes = child<QListWidget>("textes");
    QCOMPARE(textes->count(), 2);
    for (int line : unticked)
        textes->item(line)->setCheckState(Qt::Unchecked);
    if (!attribute.isEmpty()) {
        pick(child<QComboBox>("attribut"), attribute.section(QLatin1Char('='), 0, 0));
        pick(child<QComboBox>("valeur_attribut"), attribute.section(QLatin1Char('='), 1));
    }
    if (coded > 0) {
        child<QComboBox>("codee")->setCurrentIndex(coded);
        child<QComboBox>("liste_codee")->setCurrentIndex(0);
        pick(child<QComboBox>("valeur_codee"), QStringLiteral("Économie"));
    }
    searchFor(query);
    QVERIFY(!child<QLabel>("erreur")->isVisible());
    QCOMPARE(child<QLabel>("compte")->text(), count);
    QCOMPARE(this->lines(), lines);
}

void TestRecherche::sort_data()
{
    QTest::addColumn<QString>("order");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("lines");
    // The words after "etat": "paie" (segment 1), "aussi" (2), "nouveau" (5).
    QTest::newRow("by the word after")
        << QStringLiteral("par le mot après") << QStringLiteral("etat")
        << QStringList{QStringLiteral("1|2|état"), QStringLiteral("2|5|État"),
                       QStringLiteral("1|1|État")};
    // After "État" of 1, "paie"; "état" of 2, "aussi"; "Emploi" of 4, "et";
    // "emploi" of 4, "Fin" (segment 5, the same text); "État" of 5, "nouveau".
    QTest::newRow("by the word after, five lines")
        << QStringLiteral("par le mot après") << QStringLiteral("etat OU emploi")
        << QStringList{QStringLiteral("1|2|état"), QStringLiteral("2|4|Emploi"),
                       QStringLiteral("2|4|emploi"), QStringLiteral("2|5|État"),
                       QStringLiteral("1|1|État")};
    // The words before, nearest first: nothing (segment 4 begins text 2);
    // "et", "Emploi"; "L"; "l", "baisse"...; "l", "de"...: a shorter run of
    // the same words first.
    QTest::newRow("by the word before")
        << QStringLiteral("par le mot avant") << QStringLiteral("etat OU emploi")
        << QStringList{QStringLiteral("2|4|Emploi"), QStringLiteral("2|4|emploi"),
                       QStringLiteral("1|1|État"), QStringLiteral("1|2|état"),
                       QStringLiteral("2|5|État")};
}

void TestRecherche::sort()
{
    QFETCH(QString, order);
    QFETCH(QString, query);
    QFETCH(QStringList, lines);
    // Sorted after a search, and a new search keeps the order chosen.
    searchFor(QStringLiteral("paie"));
    pick(child<QComboBox>("tri"), order);
    QCOMPARE(this->lines(), QStringList{QStringLiteral("1|1|paie")});
    searchFor(query);
    QCOMPARE(this->lines(), lines);
    // Back to the texts' order.
    pick(child<QComboBox>("tri"), QStringLiteral("dans l'ordre des textes"));
    QStringList inTextOrder = lines;
    std::stable_sort(inTextOrder.begin(), inTextOrder.end(), [](const QString &a, const QString &b) {
        return a.section(QLatin1Char('|'), 1, 1).toInt() < b.section(QLatin1Char('|'), 1, 1).toInt();
    });
    QCOMPARE(this->lines(), inTextOrder);
}

void TestRecherche::lineOpensSegment()
{
    searchFor(QStringLiteral("etat"));
    QSignalSpy wanted(&m_window->session(), &coding::Session::segmentWanted);
    auto *view = child<QTableView>("concordance");
    const QModelIndex third = view->model()->index(2, 3);
    view->scrollTo(third);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(third).center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(third).center());
    QCOMPARE(wanted.size(), 1);
    QCOMPARE(wanted.at(0).at(0).toLongLong(), qint64(2));
    QCOMPARE(wanted.at(0).at(1).toLongLong(), qint64(5));
    coding::frmTextes *text = m_chemin->textWindow(2);
    QVERIFY(text);
    QVERIFY(text->isVisible());
    QCOMPARE(text->currentSegment(), qint64(5));
}

void TestRecherche::codeFound_data()
{
    QTest::addColumn<QList<int>>("selected"); // lines of the concordance chosen
    QTest::addColumn<bool>("onlySelection");
    QTest::addColumn<QString>("told");
    QTest::addColumn<QStringList>("coded"); // the segments holding « Économie » afterwards

    // "etat": segments 1, 2 and 5; 2 already holds the value.
    QTest::newRow("every segment found")
        << QList<int>{} << false << QStringLiteral("2 segments codés « Économie », 1 l'avait déjà.")
        << QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("5")};
    QTest::newRow("the lines chosen")
        << QList<int>{0, 2} << true << QStringLiteral("2 segments codés « Économie ».")
        << QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("5")};
    QTest::newRow("one line chosen") << QList<int>{0} << true
                                     << QStringLiteral("1 segment codé « Économie ».")
                                     << QStringList{QStringLiteral("1"), QStringLiteral("2")};
    // Lines chosen, but the box left unticked: every segment found.
    QTest::newRow("lines chosen, all coded")
        << QList<int>{0} << false << QStringLiteral("2 segments codés « Économie », 1 l'avait déjà.")
        << QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("5")};
}

void TestRecherche::codeFound()
{
    QFETCH(QList<int>, selected);
    QFETCH(bool, onlySelection);
    QFETCH(QString, told);
    QFETCH(QStringList, coded);

    searchFor(QStringLiteral("etat"));
    auto *view = child<QTableView>("concordance");
    for (int line : selected) {
        const QRect rect = view->visualRect(view->model()->index(line, 3));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, rect.center());
    }
    QCOMPARE(view->selectionModel()->selectedRows().size(), selected.size());

    bool answered = false;
    QTimer::singleShot(0, this, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        QCOMPARE(dialog->objectName(), QStringLiteral("frmCoderTrouves"));
        auto *only = dialog->findChild<QCheckBox *>(QStringLiteral("seulement_selection"));
        QVERIFY(only);
        QCOMPARE(only->isVisible(), !selected.isEmpty());
        if (onlySelection)
            QTest::mouseClick(only, Qt::LeftButton, {}, QPoint(4, only->height() / 2));
        QCOMPARE(only->isChecked(), onlySelection);
        pick(dialog->findChild<QComboBox *>(QStringLiteral("liste")),
             QStringLiteral("1 - Variable de comparaison 1"));
        pick(dialog->findChild<QComboBox *>(QStringLiteral("valeur")), QStringLiteral("Économie"));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("coder_ok")),
                          Qt::LeftButton);
        answered = true;
    });
    QTest::mouseClick(child<QPushButton>("coder"), Qt::LeftButton);
    QVERIFY(answered);
    QCOMPARE(m_window->statusBar()->currentMessage(), told);

    const QString holding = QStringLiteral("SELECT numtexte FROM Contenus WHERE numvar01 = %1 "
                                           "ORDER BY numtexte")
                                .arg(m_economie);
    {
        Raw db(m_db);
        QCOMPARE(rows(db, holding), coded);
    }
    // Édition > Annuler, from the search window, takes the whole step back.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    QTest::keyClick(m_window, Qt::Key_Z, Qt::ControlModifier);
    {
        Raw db(m_db);
        QCOMPARE(rows(db, holding), QStringList{QStringLiteral("2")});
        QCOMPARE(rows(db, QStringLiteral("SELECT count(*) FROM Contenus")),
                 QStringList{QStringLiteral("1")});
    }
}

void TestRecherche::keepCoded(int coded)
{
    child<QComboBox>("codee")->setCurrentIndex(coded);
    child<QComboBox>("liste_codee")->setCurrentIndex(0);
    pick(child<QComboBox>("valeur_codee"), QStringLiteral("Économie"));
}

void TestRecherche::codeAllFound()
{
    bool answered = false;
    QTimer::singleShot(0, this, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        pick(dialog->findChild<QComboBox *>(QStringLiteral("valeur")), QStringLiteral("Économie"));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("coder_ok")),
                          Qt::LeftButton);
        answered = true;
    });
    QTest::mouseClick(child<QPushButton>("coder"), Qt::LeftButton);
    QVERIFY(answered);
}

void TestRecherche::followsCoding_data()
{
    QTest::addColumn<int>("searchedAfter"); // 0: the search coded from; 1, 2: a new search so kept
    QTest::addColumn<QStringList>("afterCoding");
    QTest::addColumn<QStringList>("afterUndo");
    QTest::addColumn<QString>("countAfterUndo");

    // "etat" in segments 1, 2 and 5; 2 alone holds « Économie ». Not coded
    // with it: 1 and 5, which the user codes with it from the concordance:
    // none is left; Annuler brings them back, Rétablir takes them away.
    const QStringList oneAndFive{QStringLiteral("1|1|État"), QStringLiteral("2|5|État")};
    QTest::newRow("not coded with, coded from the concordance")
        << 0 << QStringList{} << oneAndFive << QStringLiteral("2 occurrences dans 2 segments");
    // The same coding, then a search of the segments coded with it: 1, 2
    // and 5; Annuler leaves 2 alone, Rétablir brings 1 and 5 back.
    QTest::newRow("coded with, after coding")
        << 1
        << QStringList{QStringLiteral("1|1|État"), QStringLiteral("1|2|état"),
                       QStringLiteral("2|5|État")}
        << QStringList{QStringLiteral("1|2|état")} << QStringLiteral("1 occurrence dans 1 segment");
}

void TestRecherche::followsCoding()
{
    QFETCH(int, searchedAfter);
    QFETCH(QStringList, afterCoding);
    QFETCH(QStringList, afterUndo);
    QFETCH(QString, countAfterUndo);

    keepCoded(2);
    searchFor(QStringLiteral("etat"));
    QCOMPARE(lines(), (QStringList{QStringLiteral("1|1|État"), QStringLiteral("2|5|État")}));
    codeAllFound();
    QCOMPARE(m_window->statusBar()->currentMessage(),
             QStringLiteral("2 segments codés « Économie »."));
    if (searchedAfter > 0) {
        keepCoded(searchedAfter);
        searchFor(QStringLiteral("etat"));
    }
    QCOMPARE(lines(), afterCoding);
    const QString countAfterCoding = child<QLabel>("compte")->text();

    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    QTest::keyClick(m_window, Qt::Key_Z, Qt::ControlModifier); // Annuler
    QCOMPARE(lines(), afterUndo);
    QCOMPARE(child<QLabel>("compte")->text(), countAfterUndo);
    QTest::keyClick(m_window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); // Rétablir
    QCOMPARE(lines(), afterCoding);
    QCOMPARE(child<QLabel>("compte")->text(), countAfterCoding);
}

void TestRecherche::choicesTold_data()
{
    // What the user changes in the panel of choices, and the segments the
    // window then keeps (a restriction a window reads whenever the panel
    // says it changed).
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("tellings"); // changed() emitted
    QTest::addColumn<QString>("kept");  // texts|conditions|list value coded
    QTest::newRow("a text unticked") << "untick 2" << 1 << "1||0 0 1";
    // Both texts unticked at once: told once.
    QTest::newRow("Aucun") << "aucun" << 1 << "||0 0 1";
    QTest::newRow("Aucun then Tous") << "aucun tous" << 2 << "all||0 0 1";
    // The attribute (its first value, Le Monde, comes with it), then the value.
    QTest::newRow("an attribute's value") << "journal Libération" << 2
                                          << "all|journal = Libération|0 0 1";
    // "non codés avec": list 1 and « Économie » are already the first ones.
    QTest::newRow("not coded with") << "not-coded" << 1 << "all||1 economie 0";
}

void TestRecherche::choicesTold()
{
    QFETCH(QString, change);
    QFETCH(int, tellings);
    QFETCH(QString, kept);
    auto *panel = child<coding::RestrictionPanel>("choix");
    QVERIFY(panel);
    QSignalSpy told(panel, &coding::RestrictionPanel::changed);
    const QStringList steps = change.split(QLatin1Char(' '));
    if (steps.first() == QLatin1String("untick")) {
        auto *textes = child<QListWidget>("textes");
        const QListWidgetItem *item = textes->item(steps.at(1).toInt() - 1);
        const QRect rect = textes->visualItemRect(item);
        // The box of the item, at its left.
        QTest::mouseClick(textes->viewport(), Qt::LeftButton, {},
                          QPoint(rect.left() + rect.height() / 2, rect.center().y()));
        QCOMPARE(item->checkState(), Qt::Unchecked);
    } else if (steps.first() == QLatin1String("journal")) {
        pick(child<QComboBox>("attribut"), steps.at(0));
        pick(child<QComboBox>("valeur_attribut"), steps.at(1));
    } else if (steps.first() == QLatin1String("not-coded")) {
        keepCoded(2);
    } else {
        for (const QString &button : steps)
            QTest::mouseClick(child<QPushButton>(button.toLatin1().constData()), Qt::LeftButton);
    }
    QCOMPARE(told.size(), tellings);

    // What a search then keeps, as the window reads it from the panel.
    const search::Restriction r = panel->restriction();
    QString texts = r.scope.all ? QStringLiteral("all") : QString();
    for (qint64 t : r.scope.texts)
        texts += QString::number(t);
    const QString value = r.value == m_economie ? QStringLiteral("economie") : QString::number(r.value);
    QCOMPARE(QStringLiteral("%1|%2|%3 %4 %5")
                 .arg(texts, results::describe(r.scope.conditions))
                 .arg(r.list)
                 .arg(value)
                 .arg(int(r.coded)),
             kept);
}

void TestRecherche::unreadableQuery()
{
    searchFor(QStringLiteral("etat"));
    QCOMPARE(child<QLabel>("compte")->text(), QStringLiteral("3 occurrences dans 3 segments"));
    // A quote never closed: told under the box, with its place; nothing is
    // searched, the lines of the search before stay.
    searchFor(QStringLiteral("\"etat"));
    auto *erreur = child<QLabel>("erreur");
    QVERIFY(erreur->isVisible());
    QVERIFY2(erreur->text().startsWith(QStringLiteral("La requête ne se lit pas au caractère 1")),
             qPrintable(erreur->text()));
    QCOMPARE(child<QLabel>("compte")->text(), QStringLiteral("3 occurrences dans 3 segments"));
    // Mended, the message goes: the phrase is in segment 2 only.
    searchFor(QStringLiteral("\"etat aussi\""));
    QVERIFY(!erreur->isVisible());
    QCOMPARE(child<QLabel>("compte")->text(), QStringLiteral("1 occurrence dans 1 segment"));
    QCOMPARE(lines(), QStringList{QStringLiteral("1|2|état aussi")});
}

void TestRecherche::segmentsAddedMeanwhile()
{
    searchFor(QStringLiteral("zebre"));
    QCOMPARE(child<QLabel>("compte")->text(), QStringLiteral("Aucune occurrence."));
    // Another program adds a text: the index no longer answers for the
    // segments, and is brought up to date before the next search.
    {
        Raw db(m_db);
        addText(db, QStringLiteral("/corpus/c.txt"), {QStringLiteral("Un zèbre passe.")});
    }
    searchFor(QStringLiteral("zebre"));
    QCOMPARE(child<QLabel>("compte")->text(), QStringLiteral("1 occurrence dans 1 segment"));
    QCOMPARE(lines(), QStringList{QStringLiteral("3|6|zèbre")});
}

void TestRecherche::chart_data()
{
    QTest::addColumn<QString>("by");
    QTest::addColumn<QStringList>("categories");
    QTest::addColumn<QList<double>>("values");
    // "etat": 2 occurrences in text 1, 1 in text 2.
    QTest::newRow("by text") << QStringLiteral("par texte")
                             << QStringList{QStringLiteral("1 - a.txt"), QStringLiteral("2 - b.txt")}
                             << QList<double>{2, 1};
    QTest::newRow("by attribute")
        << QStringLiteral("par journal")
        << QStringList{QStringLiteral("Le Monde"), QStringLiteral("Libération")}
        << QList<double>{2, 1};
    // Dates by month, the empty month between them included.
    QTest::newRow("by month")
        << QStringLiteral("par date")
        << QStringList{QStringLiteral("2003-01"), QStringLiteral("2003-02"), QStringLiteral("2003-03")}
        << QList<double>{2, 0, 1};
}

void TestRecherche::chart()
{
    QFETCH(QString, by);
    QFETCH(QStringList, categories);
    QFETCH(QList<double>, values);
    searchFor(QStringLiteral("etat"));
    pick(child<QComboBox>("par"), by);
    QTest::mouseClick(child<QPushButton>("graphique"), Qt::LeftButton);
    auto *dialog = m_window->findChild<QDialog *>(QStringLiteral("graphique_recherche"));
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    auto *view = dialog->findChild<coding::ChartView *>(QStringLiteral("vue_graphique"));
    QVERIFY(view);
    const coding::ChartData &shown = view->chart();
    QCOMPARE(shown.categories, categories);
    QList<double> heights;
    for (const std::vector<double> &bars : shown.values)
        heights << bars.at(0);
    QCOMPARE(heights, values);
    dialog->close();
}

QTEST_MAIN(TestRecherche)
#include "test_recherche.moc"
