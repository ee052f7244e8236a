// Coding with few keys: the lookups reach a value by its first letters typed
// without accents, "Comme le segment précédent" (Ctrl+D) gives a segment the
// coding rows of the one before, and a plan of 30 segments coded from the
// keyboard as a coder would shows how many keys a segment takes. The
// database is read directly to see what was stored.
#include "codingtest.h"

#include "coding/contenussubform.h"
#include "coding/frmtextes.h"
#include "coding/session.h"
#include "coding/suggester.h"
#include "common/messages.h"
#include "store/codingcopy.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/history.h"
#include "store/storeerror.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <map>

using namespace codingtest;
using coding::frmTextes;

namespace {

// The keyboard search interval of these tests: long enough that keys sent
// one after the other never make a pause, even on a loaded machine.
constexpr int kInterval = 1500;

// The five lists of the plan, each value with what a coder types to reach
// it without accents (worked out from the French order of its list:
// Culture, Économie, Éducation, Emploi, Environnement, Logement, Santé...).
// The values are added in this order, which is not the French one.
struct Typed {
    const char *value;
    const char *keys;
};
const std::vector<std::vector<Typed>> kLists = {
    {{"Environnement", "en"}, {"Santé", "s"}, {"Économie", "e"}, {"Emploi", "em"},
     {"Éducation", "ed"}, {"Logement", "l"}, {"Sécurité", "se"}, {"Transport", "t"},
     {"Culture", "c"}},
    {{"État", "et"}, {"Entreprises", "en"}, {"Syndicats", "s"}, {"Citoyens", "c"},
     {"Élus locaux", "e"}, {"Experts", "ex"}, {"Associations", "a"}},
    {{"Favorable", "f"}, {"Défavorable", "d"}, {"Neutre", "n"}, {"Ambivalent", "a"}},
    {{"Nationale", "n"}, {"Locale", "l"}, {"Régionale", "r"}, {"Internationale", "i"},
     {"Européenne", "e"}},
    {{"Presse", "p"}, {"Rapport officiel", "rap"}, {"Radio", "r"}, {"Réseaux sociaux", "re"},
     {"Télévision", "t"}},
};

// The coding of 30 segments of one text, one row each: on average 2.55 of
// the five values repeat the segment before (five segments repeat all five).
const char *const kPlan[30][5] = {
    {"Économie", "État", "Défavorable", "Nationale", "Presse"},
    {"Économie", "État", "Défavorable", "Nationale", "Presse"},
    {"Économie", "Entreprises", "Favorable", "Nationale", "Rapport officiel"},
    {"Emploi", "Entreprises", "Défavorable", "Locale", "Rapport officiel"},
    {"Emploi", "Syndicats", "Neutre", "Locale", "Rapport officiel"},
    {"Santé", "Syndicats", "Neutre", "Locale", "Radio"},
    {"Santé", "Citoyens", "Neutre", "Locale", "Radio"},
    {"Santé", "Citoyens", "Neutre", "Locale", "Radio"},
    {"Logement", "Citoyens", "Favorable", "Régionale", "Radio"},
    {"Sécurité", "Citoyens", "Ambivalent", "Régionale", "Réseaux sociaux"},
    {"Sécurité", "Élus locaux", "Ambivalent", "Régionale", "Télévision"},
    {"Transport", "Élus locaux", "Défavorable", "Régionale", "Presse"},
    {"Transport", "Élus locaux", "Défavorable", "Régionale", "Presse"},
    {"Environnement", "Experts", "Neutre", "Internationale", "Presse"},
    {"Environnement", "Associations", "Défavorable", "Internationale", "Télévision"},
    {"Culture", "Experts", "Favorable", "Européenne", "Télévision"},
    {"Environnement", "Associations", "Favorable", "Nationale", "Réseaux sociaux"},
    {"Économie", "Associations", "Neutre", "Européenne", "Télévision"},
    {"Économie", "Associations", "Neutre", "Européenne", "Télévision"},
    {"Éducation", "État", "Neutre", "Nationale", "Presse"},
    {"Éducation", "Syndicats", "Neutre", "Nationale", "Rapport officiel"},
    {"Éducation", "État", "Neutre", "Locale", "Rapport officiel"},
    {"Logement", "État", "Défavorable", "Locale", "Radio"},
    {"Logement", "Citoyens", "Défavorable", "Internationale", "Radio"},
    {"Santé", "Citoyens", "Ambivalent", "Internationale", "Réseaux sociaux"},
    {"Transport", "Entreprises", "Ambivalent", "Régionale", "Réseaux sociaux"},
    {"Transport", "Entreprises", "Ambivalent", "Régionale", "Réseaux sociaux"},
    {"Culture", "Associations", "Favorable", "Internationale", "Radio"},
    {"Économie", "Associations", "Défavorable", "Internationale", "Radio"},
    {"Culture", "Citoyens", "Neutre", "Internationale", "Télévision"},
};

QString typedFor(int list, const QString &value)
{
    for (const Typed &t : kLists[size_t(list - 1)])
        if (QString::fromUtf8(t.value) == value)
            return QString::fromLatin1(t.keys);
    qFatal("no keys for %s", qPrintable(value));
}

} // namespace

class TestLookup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void typing_data();
    void typing();
    void returnKey_goesOn();
    void commePrecedent_oneShortcutInTheEditMenu();
    void commePrecedent_data();
    void commePrecedent();
    void copyCoding_refused_data();
    void copyCoding_refused();
    void plan_keysPerSegment_data();
    void plan_keysPerSegment();

private:
    // Opens the window of a text, active, on its first segment.
    frmTextes *openText(qint64 text);
    // Adds the values of the plan's lists; their numbers by list and text.
    void addPlanValues(Raw &db);
    // The coding rows of a segment, each as its five values' texts joined
    // by "|" (the empty value as nothing).
    QStringList codingOf(Raw &db, qint64 segment);
    // A key sent where the focus is (the window when it is elsewhere), and
    // counted.
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void type(const QString &text);

    int m_intervalBefore = 0;
    QTemporaryDir m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_db;
    qint64 m_text = 0;
    std::map<std::pair<int, QString>, qint64> m_numbers;
    std::unique_ptr<coding::Session> m_session;
    QPointer<frmTextes> m_window;
    QList<messages::Shown> m_shown;
    bool m_answer = true;
    int m_keys = 0;
    int m_planKeys = 0; // the keys of the plan without suggestions
};

void TestLookup::initTestCase()
{
    QVERIFY(m_settings.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
    m_intervalBefore = QApplication::keyboardInputInterval();
    QApplication::setKeyboardInputInterval(kInterval);
}

void TestLookup::cleanupTestCase()
{
    QApplication::setKeyboardInputInterval(m_intervalBefore);
}

void TestLookup::init()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings().clear();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_db = freshDatabase(*m_dir);
    Raw db(m_db);
    m_text = addText(db, QStringLiteral("/corpus/entretien.txt"),
                     {QStringLiteral("Premier segment."), QStringLiteral("Deuxième segment."),
                      QStringLiteral("Troisième segment.")});
    m_numbers.clear();
    m_shown.clear();
    m_answer = true;
    m_keys = 0;
    messages::setHandler([this](const messages::Shown &shown) {
        m_shown << shown;
        return m_answer;
    });
}

void TestLookup::cleanup()
{
    delete m_window.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_session.reset();
    messages::setHandler({});
    m_dir.reset();
}

frmTextes *TestLookup::openText(qint64 text)
{
    m_session = std::make_unique<coding::Session>(coding::CodingStore::open(m_db));
    m_window = new frmTextes(*m_session, text, QStringLiteral("/corpus/texte.txt"));
    if (!m_window->Form_Load())
        return nullptr;
    m_window->show();
    m_window->activateWindow();
    if (!QTest::qWaitForWindowActive(m_window))
        return nullptr;
    return m_window;
}

void TestLookup::addPlanValues(Raw &db)
{
    for (int k = 1; k <= int(kLists.size()); ++k)
        for (const Typed &t : kLists[size_t(k - 1)])
            m_numbers[{k, QString::fromUtf8(t.value)}] = addValue(db, k, QString::fromUtf8(t.value));
}

QStringList TestLookup::codingOf(Raw &db, qint64 segment)
{
    return rows(db, QStringLiteral("SELECT coalesce(v1.variable01, ''), coalesce(v2.variable02, ''),"
                                   " coalesce(v3.variable03, ''), coalesce(v4.variable04, ''),"
                                   " coalesce(v5.variable05, '') FROM Contenus c"
                                   " JOIN var_comp_01 v1 ON v1.numero = c.numvar01"
                                   " JOIN var_comp_02 v2 ON v2.numero = c.numvar02"
                                   " JOIN var_comp_03 v3 ON v3.numero = c.numvar03"
                                   " JOIN var_comp_04 v4 ON v4.numero = c.numvar04"
                                   " JOIN var_comp_05 v5 ON v5.numero = c.numvar05"
                                   " WHERE c.numtexte = %1 ORDER BY c.numero")
                        .arg(segment));
}

void TestLookup::key(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget *target = QApplication::focusWidget();
    if (!target || target->window() != m_window)
        target = m_window;
    QTest::keyClick(target, Qt::Key(key), modifiers);
    ++m_keys;
}

void TestLookup::type(const QString &text)
{
    for (const QChar c : text) {
        QWidget *target = QApplication::focusWidget();
        QVERIFY(target && target->window() == m_window);
        QTest::keyClicks(target, QString(c));
        ++m_keys;
    }
}

void TestLookup::typing_data()
{
    QTest::addColumn<QStringList>("values"); // list 1, in the order they were added
    QTest::addColumn<QString>("stored");     // the value stored before (empty: the empty value)
    QTest::addColumn<QString>("keys");       // typed; "<" Backspace, "!" Escape, "|" a pause
    QTest::addColumn<QString>("chosen");     // the value stored after
    QTest::addColumn<QString>("notice");     // what the label under the rows says

    // Added with Environnement first; in French order Économie comes first.
    const QStringList themes = {QStringLiteral("Environnement"), QStringLiteral("Santé"),
                                QStringLiteral("Économie"),      QStringLiteral("Emploi"),
                                QStringLiteral("Éducation"),     QStringLiteral("Logement")};
    const QString none;
    auto typed = [](const char *keys) {
        return QStringLiteral("Saisie : « %1 »").arg(QLatin1String(keys));
    };
    auto nothing = [](const char *keys) {
        return QStringLiteral("Aucune valeur ne commence par « %1 »").arg(QLatin1String(keys));
    };
    QTest::newRow("e: Économie, first in French order")
        << themes << none << "e" << "Économie" << typed("e");
    QTest::newRow("eco") << themes << none << "eco" << "Économie" << typed("eco");
    QTest::newRow("ECO") << themes << none << "ECO" << "Économie" << typed("ECO");
    QTest::newRow("EDU") << themes << none << "EDU" << "Éducation" << typed("EDU");
    QTest::newRow("en") << themes << none << "en" << "Environnement" << typed("en");
    QTest::newRow("sante, accent at the end") << themes << none << "sante" << "Santé" << typed("sante");
    QTest::newRow("e from a later value: from the top")
        << themes << "Environnement" << "e" << "Économie" << typed("e");
    QTest::newRow("exact match wins over a longer one")
        << QStringList{QStringLiteral("Écologie"), QStringLiteral("Eco")} << none << "Eco" << "Eco"
        << typed("Eco");
    QTest::newRow("equal but for case wins over equal once folded")
        << QStringList{QStringLiteral("Éco"), QStringLiteral("Eco")} << none << "eco" << "Eco"
        << typed("eco");
    QTest::newRow("ligature") << QStringList{QStringLiteral("Opinion"), QStringLiteral("Œuvres sociales")}
                              << none << "oeu" << "Œuvres sociales" << typed("oeu");
    QTest::newRow("a space goes on what is typed")
        << QStringList{QStringLiteral("Élus locaux"), QStringLiteral("Élus nationaux")} << none
        << "elus n" << "Élus nationaux" << typed("elus n");
    QTest::newRow("no match keeps the stored value")
        << themes << "Santé" << "xq" << "Santé" << nothing("xq");
    QTest::newRow("no match on the empty value") << themes << none << "q" << "" << nothing("q");
    QTest::newRow("no match after a match: the match stays")
        << themes << none << "ecx" << "Économie" << nothing("ecx");
    QTest::newRow("es is no value") << themes << none << "es" << "Économie" << nothing("es");
    QTest::newRow("Backspace shortens") << themes << none << "ecx<" << "Économie" << typed("ec");
    QTest::newRow("Backspace, then on") << themes << none << "edu<<m" << "Emploi" << typed("em");
    QTest::newRow("Backspace to nothing") << themes << none << "e<" << "Économie" << "";
    QTest::newRow("Escape starts again") << themes << none << "e!s" << "Santé" << typed("s");
    QTest::newRow("a pause starts again") << themes << none << "e|s" << "Santé" << typed("s");
    QTest::newRow("the same letter again: the next value")
        << themes << none << "ee" << "Éducation" << typed("ee");
    QTest::newRow("and again") << themes << none << "eee" << "Emploi" << typed("eee");
    QTest::newRow("the only one: stays") << themes << none << "ll" << "Logement" << typed("ll");
}

void TestLookup::typing()
{
    QFETCH(QStringList, values);
    QFETCH(QString, stored);
    QFETCH(QString, keys);
    QFETCH(QString, chosen);
    QFETCH(QString, notice);
    Raw db(m_db);
    std::map<QString, qint64> numbers{{QString(), 1}};
    for (const QString &v : values)
        numbers[v] = addValue(db, 1, v);
    QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) VALUES (1, %1)")
                        .arg(numbers.at(stored))));
    frmTextes *w = openText(m_text);
    QVERIFY(w);
    QComboBox *box = w->subform()->combo(0, 1);
    auto *label = w->subform()->findChild<QLabel *>(QStringLiteral("saisie_valeur"));
    QVERIFY(box && label);
    QCOMPARE(box->currentText(), stored);
    box->setFocus();
    for (const QChar c : keys) {
        if (c == QLatin1Char('<'))
            QTest::keyClick(box, Qt::Key_Backspace);
        else if (c == QLatin1Char('!'))
            QTest::keyClick(box, Qt::Key_Escape);
        else if (c == QLatin1Char('|'))
            QTest::qWait(kInterval + 300);
        else
            QTest::keyClicks(box, QString(c));
    }
    QCOMPARE(box->currentText(), chosen);
    QCOMPARE(codingOf(db, 1), QStringList{chosen + QStringLiteral("||||")});
    QCOMPARE(label->text(), notice);
    QVERIFY(m_shown.isEmpty());
}

void TestLookup::returnKey_goesOn()
{
    Raw db(m_db);
    QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte) VALUES (1), (1), (3)")));
    frmTextes *w = openText(m_text);
    QVERIFY(w);
    coding::ContenusSubform *subform = w->subform();
    auto *place = w->findChild<QLabel *>(QStringLiteral("position"));
    // From list to list, then to the next row.
    subform->combo(0, 4)->setFocus();
    key(Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), subform->combo(0, 5));
    key(Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), subform->combo(1, 1));
    // From the last list of the last row to the next segment: uncoded, the
    // focus waits on "Nouvelle ligne".
    subform->combo(1, 5)->setFocus();
    key(Qt::Key_Return);
    QCOMPARE(place->text(), QStringLiteral("Segment 2 sur 3 de ce texte"));
    QCOMPARE(QApplication::focusWidget(),
             subform->findChild<QPushButton *>(QStringLiteral("nouvelle_ligne")));
    // A segment with a row: its first list.
    key(Qt::Key_N, Qt::ControlModifier);
    subform->combo(0, 5)->setFocus();
    key(Qt::Key_Return);
    QCOMPARE(place->text(), QStringLiteral("Segment 3 sur 3 de ce texte"));
    QCOMPARE(QApplication::focusWidget(), subform->combo(0, 1));
    // Past the last segment: stays, and says so.
    subform->combo(0, 5)->setFocus();
    key(Qt::Key_Return);
    QCOMPARE(place->text(), QStringLiteral("Segment 3 sur 3 de ce texte"));
    QVERIFY(w->statusBar()->currentMessage().contains(QStringLiteral("dernier segment")));
    QVERIFY(m_shown.isEmpty());
}

void TestLookup::commePrecedent_oneShortcutInTheEditMenu()
{
    Raw db(m_db);
    addPlanValues(db);
    QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) VALUES (1, %1)")
                        .arg(m_numbers.at({1, QStringLiteral("Santé")}))));
    frmTextes *w = openText(m_text);
    QVERIFY(w);
    auto *edition = w->findChild<QMenu *>(QStringLiteral("edition"));
    auto *comme = w->findChild<QAction *>(QStringLiteral("comme_precedent"));
    QVERIFY(edition && comme);
    QVERIFY(edition->actions().contains(comme));
    QCOMPARE(comme->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_D));
    // No other key of the window does the same.
    int uses = 0;
    for (const QAction *a : w->findChildren<QAction *>())
        uses += int(a->shortcuts().count(QKeySequence(Qt::CTRL | Qt::Key_D)));
    QCOMPARE(uses, 1);

    // Read-only: disabled, and the key changes nothing.
    const QString all = QStringLiteral("SELECT * FROM Contenus ORDER BY numero");
    const QStringList before = rows(db, all);
    w->goToNumber(2);
    m_session->history().setReadOnly(true);
    QVERIFY(!comme->isEnabled());
    key(Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(rows(db, all), before);
    m_session->history().setReadOnly(false);
    QVERIFY(comme->isEnabled());
    key(Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(codingOf(db, 2), QStringList{QStringLiteral("Santé||||")});
    QVERIFY(m_shown.isEmpty());
}

void TestLookup::commePrecedent_data()
{
    QTest::addColumn<qint64>("segment");        // the segment coded like the one before
    QTest::addColumn<QStringList>("previous");  // the rows of the segment before
    QTest::addColumn<QStringList>("current");   // the rows of the segment, before
    QTest::addColumn<bool>("answer");           // to "déjà codé"
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QStringList>("after");     // the rows of the segment, after
    QTest::addColumn<QString>("told");          // in the status bar

    const QString one = QStringLiteral("Économie|État|Favorable|Locale|Presse");
    const QString two = QStringLiteral("Santé||Neutre||Radio");
    const QString other = QStringLiteral("Culture|Experts|Ambivalent|Européenne|Télévision");
    const QString empty = QStringLiteral("||||");
    const QString copied = QStringLiteral("Comme le segment précédent (n° 1) : ");
    QTest::newRow("uncoded segment: copied without asking")
        << qint64(2) << QStringList{one} << QStringList{} << true << false << QStringList{one}
        << copied + QStringLiteral("1 ligne de codage.");
    QTest::newRow("two rows, in their order")
        << qint64(2) << QStringList{two, one} << QStringList{} << true << false
        << QStringList{two, one} << copied + QStringLiteral("2 lignes de codage.");
    QTest::newRow("coded segment, Oui: its rows replaced")
        << qint64(2) << QStringList{one} << QStringList{other, two} << true << true
        << QStringList{one} << copied + QStringLiteral("1 ligne de codage.");
    QTest::newRow("coded segment, Non: nothing changes")
        << qint64(2) << QStringList{one} << QStringList{other} << false << true
        << QStringList{other} << QStringLiteral("Rien n'a été changé.");
    QTest::newRow("a row left empty is no coding: replaced without asking")
        << qint64(2) << QStringList{one} << QStringList{empty} << true << false
        << QStringList{one} << copied + QStringLiteral("1 ligne de codage.");
    QTest::newRow("segment before uncoded")
        << qint64(2) << QStringList{} << QStringList{other} << true << false
        << QStringList{other} << QStringLiteral("Le segment précédent (n° 1) n'a aucun codage");
    QTest::newRow("segment before on empty values only")
        << qint64(2) << QStringList{empty} << QStringList{} << true << false << QStringList{}
        << QStringLiteral("Le segment précédent (n° 1) n'a aucun codage");
    QTest::newRow("first segment")
        << qint64(1) << QStringList{} << QStringList{other} << true << false
        << QStringList{other} << QStringLiteral("C'est le premier segment du texte");
}

void TestLookup::commePrecedent()
{
    QFETCH(qint64, segment);
    QFETCH(QStringList, previous);
    QFETCH(QStringList, current);
    QFETCH(bool, answer);
    QFETCH(bool, asked);
    QFETCH(QStringList, after);
    QFETCH(QString, told);
    Raw db(m_db);
    addPlanValues(db);
    auto insert = [&](qint64 seg, const QString &row) {
        const QStringList values = row.split(QLatin1Char('|'));
        QStringList numbers{QString::number(seg)};
        for (int k = 1; k <= 5; ++k)
            numbers << QString::number(values.at(k - 1).isEmpty()
                                           ? 1
                                           : m_numbers.at({k, values.at(k - 1)}));
        return db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01, numvar02, "
                                      "numvar03, numvar04, numvar05) VALUES (%1)")
                           .arg(numbers.join(QLatin1Char(','))));
    };
    // The segment before is 1 (none before segment 1); segment 3 is coded
    // too and stays as it is.
    for (const QString &row : previous)
        QVERIFY(insert(segment - 1, row));
    for (const QString &row : current)
        QVERIFY(insert(segment, row));
    QVERIFY(insert(3, QStringLiteral("Transport|Syndicats|Neutre|Régionale|Radio")));
    const QString all = QStringLiteral("SELECT * FROM Contenus ORDER BY numero");
    const QStringList before = rows(db, all);

    frmTextes *w = openText(m_text);
    QVERIFY(w);
    QVERIFY(w->goToNumber(segment));
    m_answer = answer;
    key(Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(m_shown.size(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(m_shown.at(0).kind, messages::Kind::Question);
        QCOMPARE(m_shown.at(0).text,
                 QStringLiteral("Le segment n° 2 est déjà codé. Remplacer ses lignes de codage "
                                "par celles du segment précédent (n° 1) ?"));
    }
    QCOMPARE(codingOf(db, segment), after);
    QCOMPARE(w->subform()->rowCount(), int(after.size()));
    QVERIFY2(w->statusBar()->currentMessage().startsWith(told),
             qPrintable(w->statusBar()->currentMessage()));
    if (segment > 1)
        QCOMPARE(codingOf(db, segment - 1), previous);
    QCOMPARE(codingOf(db, 3),
             QStringList{QStringLiteral("Transport|Syndicats|Neutre|Régionale|Radio")});
    auto *annuler = w->findChild<QAction *>(QStringLiteral("annuler"));
    if (after == current) {
        QCOMPARE(rows(db, all), before);
        QCOMPARE(m_session->history().undoCount(), 0);
        return;
    }
    // One step, named, that Édition > Annuler takes back whole; Rétablir
    // does it again.
    QCOMPARE(m_session->history().undoCount(), 1);
    QCOMPARE(annuler->text(),
             QStringLiteral("Annuler « Comme le segment précédent » au segment n° 2 (%1)")
                 .arg(previous.size() == 1 ? QStringLiteral("1 ligne")
                                           : QStringLiteral("%1 lignes").arg(previous.size())));
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(rows(db, all), before);
    QCOMPARE(w->subform()->rowCount(), int(current.size()));
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(codingOf(db, segment), after);
    QCOMPARE(w->subform()->rowCount(), int(after.size()));
    QCOMPARE(m_shown.size(), asked ? 1 : 0);
}

void TestLookup::copyCoding_refused_data()
{
    QTest::addColumn<qint64>("from");
    QTest::addColumn<qint64>("to");
    QTest::addColumn<QString>("cause");
    // Segments 1 to 3 are the first text's, 4 the other's; 1 and 4 coded.
    QTest::newRow("the same segment") << qint64(1) << qint64(1) << "c'est le même segment";
    QTest::newRow("another text") << qint64(4) << qint64(2) << "pas du même texte";
    QTest::newRow("segment gone") << qint64(1) << qint64(99) << "le segment n° 99 n'existe plus";
    QTest::newRow("no row to copy") << qint64(2) << qint64(3) << "n'a aucune ligne de codage";
}

void TestLookup::copyCoding_refused()
{
    QFETCH(qint64, from);
    QFETCH(qint64, to);
    QFETCH(QString, cause);
    Raw db(m_db);
    addText(db, QStringLiteral("/corpus/autre.txt"), {QStringLiteral("Autre.")});
    addPlanValues(db);
    QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) VALUES (1, %1), "
                                   "(4, %1)")
                        .arg(m_numbers.at({1, QStringLiteral("Santé")}))));
    const QString all = QStringLiteral("SELECT * FROM Contenus ORDER BY numero");
    const QStringList before = rows(db, all);
    std::unique_ptr<coding::CodingStore> store = coding::CodingStore::open(m_db);
    try {
        coding::copyCoding(store->connection(), from, to);
        QFAIL("copied");
    } catch (const StoreError &e) {
        QVERIFY2(e.message().contains(cause), qPrintable(e.message()));
    }
    QCOMPARE(rows(db, all), before);
    // The connection is left ready for the next write.
    QVERIFY(!store->connection().inTransaction());
    coding::copyCoding(store->connection(), 1, 2);
    QCOMPARE(codingOf(db, 2), QStringList{QStringLiteral("Santé||||")});
}

void TestLookup::plan_keysPerSegment_data()
{
    QTest::addColumn<bool>("suggested");
    QTest::newRow("without suggestions") << false;
    // Another text of 40 segments coded in all five lists first: every
    // lookup of an uncoded segment then shows a suggestion, which the coder
    // ignores; the keys are the same.
    QTest::newRow("suggestions shown and ignored") << true;
}

void TestLookup::plan_keysPerSegment()
{
    QFETCH(bool, suggested);
    // The plan is what it says: 2.5 values of 5 repeated on average, some
    // segments repeating all five.
    int repeated = 0;
    int allFive = 0;
    for (int s = 1; s < 30; ++s) {
        int same = 0;
        for (int k = 0; k < 5; ++k)
            same += qstrcmp(kPlan[s][k], kPlan[s - 1][k]) == 0 ? 1 : 0;
        repeated += same;
        allFive += same == 5 ? 1 : 0;
    }
    QVERIFY(repeated >= 72 && repeated <= 75); // 2.5 of 5 for 29 segments after the first
    QVERIFY(allFive >= 3);

    Raw db(m_db);
    addPlanValues(db);
    QStringList segments;
    for (int s = 1; s <= 30; ++s)
        segments << QStringLiteral("Segment %1 de l'entretien.").arg(s);
    const qint64 text = addText(db, QStringLiteral("/corpus/plan.txt"), segments);
    if (suggested) {
        QStringList learnt;
        for (int s = 1; s <= 40; ++s)
            learnt << QStringLiteral("Passage %1 d'un autre entretien.").arg(s);
        addText(db, QStringLiteral("/corpus/appris.txt"), learnt);
        // Its segments come after the plan's 30 (and the 3 of init).
        for (int s = 0; s < 40; ++s) {
            QStringList values;
            for (int k = 1; k <= 5; ++k)
                values << QString::number(m_numbers[{k, QString::fromUtf8(
                                                           kLists[size_t(k - 1)][size_t(s % 2)].value)}]);
            db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01, numvar02, numvar03,"
                                   " numvar04, numvar05) VALUES (%1, %2)")
                        .arg(34 + s)
                        .arg(values.join(QLatin1Char(','))));
        }
    }
    frmTextes *w = openText(text);
    QVERIFY(w);
    coding::ContenusSubform *subform = w->subform();
    if (suggested) {
        QVERIFY(QTest::qWaitFor(
            [this] {
                for (int k = 1; k <= 5; ++k)
                    if (!m_session->suggester().model(k))
                        return false;
                return true;
            },
            60000));
    }
    int shown = 0; // lookups that showed a suggestion

    // The coder's best strategy: "Comme le segment précédent" where it pays,
    // then only what differs; else a new row and its five values. Return
    // goes from list to list and, from the last, to the next segment;
    // Ctrl+1 to Ctrl+5 reach a list; Page suiv goes on from elsewhere.
    m_keys = 0;
    for (int s = 0; s < 30; ++s) {
        QStringList wanted;
        for (int k = 0; k < 5; ++k)
            wanted << QString::fromUtf8(kPlan[s][k]);
        QList<int> differing;
        int typedAll = 0;
        int typedDiffering = 0;
        for (int k = 1; k <= 5; ++k) {
            const int length = int(typedFor(k, wanted.at(k - 1)).size());
            typedAll += length;
            if (s == 0 || qstrcmp(kPlan[s][k - 1], kPlan[s - 1][k - 1]) != 0) {
                differing << k;
                typedDiffering += length;
            }
        }
        const int likePrevious =
            1 + typedDiffering + int(differing.size()) - (differing.contains(1) ? 1 : 0);
        const int fresh = 1 + typedAll + 4;
        int list = 1; // where the focus is
        if (s > 0 && likePrevious <= fresh) {
            key(Qt::Key_D, Qt::ControlModifier);
            for (int k : differing) {
                if (k == list + 1)
                    key(Qt::Key_Return);
                else if (k != list)
                    key(Qt::Key_1 + (k - 1), Qt::ControlModifier);
                list = k;
                QCOMPARE(QApplication::focusWidget(), subform->combo(0, k));
                shown += subform->suggestionShown() ? 1 : 0;
                type(typedFor(k, wanted.at(k - 1)));
            }
        } else {
            key(Qt::Key_N, Qt::ControlModifier);
            for (int k = 1; k <= 5; ++k) {
                if (k > 1)
                    key(Qt::Key_Return);
                QCOMPARE(QApplication::focusWidget(), subform->combo(0, k));
                shown += subform->suggestionShown() ? 1 : 0;
                type(typedFor(k, wanted.at(k - 1)));
            }
            list = 5;
        }
        QCOMPARE(w->currentRow(), s);
        for (int k = 1; k <= 5; ++k)
            QCOMPARE(subform->combo(0, k)->currentText(), wanted.at(k - 1));

        if (s < 29)
            key(list == 5 ? Qt::Key_Return : Qt::Key_PageDown);
    }
    const double average = double(m_keys) / 30;
    qInfo("%d keys for 30 segments: %.2f keys per segment", m_keys, average);
    QVERIFY2(average <= 8.0, qPrintable(QString::number(average)));
    if (!suggested) {
        m_planKeys = m_keys;
        QCOMPARE(shown, 0);
    } else {
        QCOMPARE(m_keys, m_planKeys);
        QVERIFY2(shown >= 5, qPrintable(QString::number(shown))); // the fresh segments' lookups
    }

    // Every stored value is the plan's.
    const std::vector<qint64> keys = m_session->store().segmentKeys(text);
    QCOMPARE(int(keys.size()), 30);
    for (int s = 0; s < 30; ++s) {
        QStringList wanted;
        for (int k = 0; k < 5; ++k)
            wanted << QString::fromUtf8(kPlan[s][k]);
        QCOMPARE(codingOf(db, keys[size_t(s)]), QStringList{wanted.join(QLatin1Char('|'))});
    }
    QVERIFY(m_shown.isEmpty());
}

QTEST_MAIN(TestLookup)
#include "test_lookup.moc"
