// Suggestions as the coder meets them. The analysis: six texts of themed
// sentences (work, school, health), list 1 coded by theme but for the last
// segment of texts 1, 3 and 5, and the last two of text 2. In the coding
// window the lookup of an uncoded segment shows the suggestion (never
// stored until accepted), Ctrl+Entrée accepts it, typing, Escape and Return
// leave it; the window "Suggestions" lists the uncoded segments with their
// suggestion, sorts and filters them, accepts a selection or all above a
// confidence as one step that Annuler takes back, opens a segment, and
// measures the suggestions' reliability. What the database holds is read
// directly.
#include "codingtest.h"
#include "themedcorpus.h"

#include "coding/contenussubform.h"
#include "coding/frmresultats.h"
#include "coding/frmsuggestions.h"
#include "coding/frmtextes.h"
#include "coding/session.h"
#include "coding/suggester.h"
#include "common/messages.h"
#include "store/codingstore.h"
#include "store/history.h"
#include "store/suggestionstore.h"

#include <QAction>
#include <QCheckBox>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace codingtest;
using namespace themedcorpus;

namespace {


// Segment i (from 0) of text t (from 0) is on theme (t + i) % 3.
int themeOf(int text, int i)
{
    return (text + i) % 3;
}

bool leftUncoded(int text, int i)
{
    return (i == 8 && text % 2 == 0) || (text == 1 && i >= 7);
}

} // namespace

class TestSuggestionsWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void lookup_data();
    void lookup();
    void listed();
    void accepted_data();
    void accepted();
    void reliability();
    void measureStopped();
    void keptModel_data();
    void keptModel();
    void resultsWithoutAccepted_data();
    void resultsWithoutAccepted();

private:
    // Opens text `text` (0-based) in the coding window once list 1's model
    // is learnt.
    coding::frmTextes *openText(int text);
    coding::frmSuggestions *openSuggestions();
    QString undoText() const { return m_session->history().undoText(); }
    qint64 valueOf(const QString &theme) const
    {
        for (int t = 0; t < 3; ++t)
            if (theme == QString::fromUtf8(kThemes[t]))
                return m_values[t];
        return 0;
    }

    QTemporaryDir m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_db;
    std::unique_ptr<coding::Session> m_session;
    QPointer<QWidget> m_window;
    qint64 m_values[3] = {};
    std::vector<qint64> m_texts;
    // The segments left uncoded, with their theme.
    std::vector<std::pair<qint64, int>> m_uncoded;
    QStringList m_asked;
};

void TestSuggestionsWindow::initTestCase()
{
    QVERIFY(m_settings.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
    QStandardPaths::setTestModeEnabled(true);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

void TestSuggestionsWindow::init()
{
    QSettings().clear();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_db = freshDatabase(*m_dir);
    Raw db(m_db);
    for (int t = 0; t < 3; ++t)
        m_values[t] = addValue(db, 1, QString::fromUtf8(kThemes[t]));
    db.exec(QStringLiteral("INSERT INTO Proprietes (cle, valeur) VALUES ('codeur', 'Marie')"));
    m_texts.clear();
    m_uncoded.clear();
    qint64 segment = 0;
    for (int text = 0; text < 6; ++text) {
        QStringList segments;
        for (int i = 0; i < 9; ++i)
            segments << sentence(themeOf(text, i), text + i);
        m_texts.push_back(addText(db, QStringLiteral("/corpus/texte%1.txt").arg(text + 1), segments));
        for (int i = 0; i < 9; ++i) {
            ++segment;
            if (leftUncoded(text, i)) {
                m_uncoded.emplace_back(segment, themeOf(text, i));
                continue;
            }
            db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) VALUES (%1, %2)")
                        .arg(segment)
                        .arg(m_values[themeOf(text, i)]));
        }
    }
    m_asked.clear();
    messages::setHandler([this](const messages::Shown &shown) {
        m_asked << shown.text;
        return true;
    });
}

void TestSuggestionsWindow::cleanup()
{
    delete m_window.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_session.reset();
    messages::setHandler({});
    m_dir.reset();
}

coding::frmTextes *TestSuggestionsWindow::openText(int text)
{
    m_session = std::make_unique<coding::Session>(coding::CodingStore::open(m_db));
    auto *w = new coding::frmTextes(*m_session, m_texts[size_t(text)],
                                    QStringLiteral("/corpus/texte%1.txt").arg(text + 1));
    m_window = w;
    if (!w->Form_Load())
        return nullptr;
    w->show();
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w))
        return nullptr;
    // Learnt in the background; the window does not wait for it.
    if (!QTest::qWaitFor([this] { return m_session->suggester().model(1) != nullptr; }, 60000))
        return nullptr;
    return w;
}

coding::frmSuggestions *TestSuggestionsWindow::openSuggestions()
{
    m_session = std::make_unique<coding::Session>(coding::CodingStore::open(m_db));
    coding::frmSuggestions *w = m_session->openSuggestions();
    m_window = w;
    if (!w || !QTest::qWaitForWindowExposed(w))
        return nullptr;
    if (!QTest::qWaitFor([w] { return !w->busy(); }, 60000))
        return nullptr;
    return w;
}

void TestSuggestionsWindow::lookup_data()
{
    QTest::addColumn<QString>("keys"); // "^" Ctrl+Entrée, "!" Escape, ">" Return, letters typed
    QTest::addColumn<QString>("stored"); // list 1 of the new row afterwards
    QTest::addColumn<bool>("recorded");  // as an accepted suggestion
    QTest::addColumn<int>("focusList");  // where the focus is then
    QTest::addColumn<QString>("step");   // Édition's "Annuler ..."
    // The last segment of text 1 is on health: "Santé" is suggested.
    QTest::newRow("Ctrl+Entrée accepts and goes on")
        << "^" << "Santé" << true << 2
        << "Annuler l'acceptation de la suggestion « Santé » (ligne de codage n° %1)";
    QTest::newRow("typing chooses another value")
        << "ec" << "École" << false << 1 << "Annuler le choix de « École » (ligne de codage n° %1)";
    QTest::newRow("Escape puts it away") << "!" << "" << false << 1
                                         << "Annuler l'ajout d'une ligne de codage au segment n° 9";
    QTest::newRow("Return goes on without it")
        << ">" << "" << false << 2 << "Annuler l'ajout d'une ligne de codage au segment n° 9";
    QTest::newRow("Escape, then Ctrl+Entrée: nothing to accept")
        << "!^" << "" << false << 1 << "Annuler l'ajout d'une ligne de codage au segment n° 9";
}

void TestSuggestionsWindow::lookup()
{
    QFETCH(QString, keys);
    QFETCH(QString, stored);
    QFETCH(bool, recorded);
    QFETCH(int, focusList);
    QFETCH(QString, step);
    coding::frmTextes *w = openText(0);
    QVERIFY(w);
    QTest::keyClick(w, Qt::Key_End, Qt::AltModifier); // the last segment: uncoded
    QTest::keyClick(w, Qt::Key_N, Qt::ControlModifier);
    coding::ContenusSubform *subform = w->subform();
    QComboBox *box = subform->combo(0, 1);
    QCOMPARE(QApplication::focusWidget(), box);
    const qint64 row = subform->codingAt(0);

    // Shown as a suggestion: greyed in the lookup, named under the rows,
    // nothing stored.
    QCOMPARE(box->currentIndex(), -1);
    QVERIFY2(box->placeholderText().startsWith(QStringLiteral("Santé ? (")),
             qPrintable(box->placeholderText()));
    auto *label = w->findChild<QLabel *>(QStringLiteral("suggestion"));
    QVERIFY(label && label->isVisible());
    QVERIFY2(label->text().startsWith(QStringLiteral("Suggestion, non enregistrée : « Santé » "
                                                     "(confiance ")),
             qPrintable(label->text()));
    QVERIFY2(label->text().contains(QStringLiteral("indices : ")), qPrintable(label->text()));
    Raw db(m_db);
    QCOMPARE(rows(db, QStringLiteral("SELECT numvar01 FROM Contenus WHERE numero = %1").arg(row)),
             QStringList{"1"});

    for (const QChar c : keys) {
        if (c == QLatin1Char('^'))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
        else if (c == QLatin1Char('!'))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        else if (c == QLatin1Char('>'))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        else
            QTest::keyClicks(QApplication::focusWidget(), QString(c));
    }
    QCOMPARE(QApplication::focusWidget(), subform->combo(0, focusList));
    QCOMPARE(subform->combo(0, 1)->currentText(), stored);
    QVERIFY(!label->isVisible() || focusList != 1);
    const QStringList value = rows(db, QStringLiteral("SELECT coalesce(v.variable01, '') FROM"
                                                      " Contenus k JOIN var_comp_01 v ON v.numero"
                                                      " = k.numvar01 WHERE k.numero = %1")
                                           .arg(row));
    QCOMPARE(value, QStringList{stored});
    const QStringList records =
        rows(db, QStringLiteral("SELECT contenu, valeur, codeur FROM SuggestionsAcceptees"));
    QCOMPARE(records, recorded ? QStringList{QStringLiteral("%1|%2|Marie").arg(row).arg(m_values[2])}
                               : QStringList{});
    QCOMPARE(undoText(), step.contains(QStringLiteral("%1")) ? step.arg(row) : step);
    if (recorded) {
        // Annuler takes back the value and the record together.
        m_session->history().undo();
        QCOMPARE(rows(db, QStringLiteral("SELECT numvar01 FROM Contenus WHERE numero = %1").arg(row)),
                 QStringList{"1"});
        QCOMPARE(rows(db, QStringLiteral("SELECT count(*) FROM SuggestionsAcceptees")),
                 QStringList{"0"});
    }
}

void TestSuggestionsWindow::listed()
{
    coding::frmSuggestions *w = openSuggestions();
    QVERIFY(w);
    auto *tree = w->findChild<QTreeWidget *>(QStringLiteral("liste_suggestions"));
    QVERIFY(tree);
    // Every uncoded segment, with its theme suggested.
    QCOMPARE(tree->topLevelItemCount(), int(m_uncoded.size()));
    // The lookup's model, learnt in the background from the same coding.
    QVERIFY(QTest::qWaitFor([this] { return m_session->suggester().model(1) != nullptr; }, 60000));
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = tree->topLevelItem(i);
        const qint64 segment = item->text(1).toLongLong();
        const auto it = std::find_if(m_uncoded.begin(), m_uncoded.end(),
                                     [&](const auto &u) { return u.first == segment; });
        QVERIFY(it != m_uncoded.end());
        QCOMPARE(item->text(2), QString::fromUtf8(kThemes[it->second]));
        QVERIFY(!item->text(4).isEmpty()); // the reasons
        // The coding window's lookup gives the same, the last segment of
        // text 2 too, whose segment before is not coded either (the
        // suggestion for that one stands for its value in both).
        const std::optional<suggestions::Suggestion> s = m_session->suggester().suggest(segment, 1);
        QVERIFY(s);
        QCOMPARE(item->data(3, Qt::UserRole).toDouble(), s->confidence);
    }
    // Sorted by confidence, most confident first, then the other way.
    auto confidences = [tree] {
        std::vector<double> c;
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            c.push_back(QLocale().toDouble(tree->topLevelItem(i)->text(3)));
        return c;
    };
    std::vector<double> c = confidences();
    QVERIFY(std::is_sorted(c.rbegin(), c.rend()));
    QTest::mouseClick(tree->header()->viewport(), Qt::LeftButton, {},
                      QPoint(tree->header()->sectionViewportPosition(3) + 5, 5));
    c = confidences();
    QVERIFY(std::is_sorted(c.begin(), c.end()));
    // Filtered as typed, accents and case ignored, over the value, the
    // reasons ("précédent:Santé") and the segment: "SANTE" keeps exactly
    // the rows naming Santé.
    auto *filtre = w->findChild<QLineEdit *>(QStringLiteral("filtre"));
    QTest::keyClicks(filtre, QStringLiteral("SANTE"));
    int shown = 0;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = tree->topLevelItem(i);
        const bool names = item->text(2) == QStringLiteral("Santé")
                           || item->text(4).contains(QStringLiteral("Santé"));
        QCOMPARE(!item->isHidden(), names);
        shown += names ? 1 : 0;
    }
    QVERIFY(shown > 0 && shown < tree->topLevelItemCount());
    // A double-click opens the segment in its coding window.
    QSignalSpy wanted(m_session.get(), &coding::Session::segmentWanted);
    QTreeWidgetItem *first = nullptr;
    for (int i = 0; i < tree->topLevelItemCount() && !first; ++i)
        if (!tree->topLevelItem(i)->isHidden())
            first = tree->topLevelItem(i);
    tree->setCurrentItem(first);
    QTest::keyClick(tree, Qt::Key_Return);
    QCOMPARE(wanted.count(), 1);
    QCOMPARE(wanted.at(0).at(1).toLongLong(), first->text(1).toLongLong());
    QCOMPARE(wanted.at(0).at(0).toLongLong(), first->text(0).toLongLong());
}

void TestSuggestionsWindow::accepted_data()
{
    QTest::addColumn<bool>("selection"); // else all above the threshold
    QTest::addColumn<double>("threshold");
    QTest::addColumn<bool>("measured"); // the reliability measured first
    QTest::newRow("the two selected") << true << 0.0 << false;
    QTest::newRow("all from 0.50") << false << 0.5 << false;
    // A measure ended earlier must not keep the list from following an undo.
    QTest::newRow("the two selected, after a measure") << true << 0.0 << true;
}

void TestSuggestionsWindow::accepted()
{
    QFETCH(bool, selection);
    QFETCH(double, threshold);
    QFETCH(bool, measured);
    coding::frmSuggestions *w = openSuggestions();
    QVERIFY(w);
    if (measured) {
        QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("mesurer")), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([w] { return !w->busy(); }, 60000));
    }
    auto *tree = w->findChild<QTreeWidget *>(QStringLiteral("liste_suggestions"));
    QStringList chosen; // "segment|value number"
    if (selection) {
        tree->setCurrentItem(tree->topLevelItem(0), 0, QItemSelectionModel::ClearAndSelect);
        tree->setCurrentItem(tree->topLevelItem(1), 0, QItemSelectionModel::Select);
        for (int i : {0, 1}) {
            const QTreeWidgetItem *item = tree->topLevelItem(i);
            chosen << QStringLiteral("%1|%2").arg(item->text(1)).arg(valueOf(item->text(2)));
        }
        QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("accepter_selection")),
                          Qt::LeftButton);
    } else {
        auto *seuil = w->findChild<QDoubleSpinBox *>(QStringLiteral("seuil"));
        seuil->setValue(threshold);
        auto *button = w->findChild<QPushButton *>(QStringLiteral("accepter_seuil"));
        // The suggestions shown whose confidence reaches it, with their theme.
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = tree->topLevelItem(i);
            if (QLocale().toDouble(item->text(3)) < threshold)
                continue;
            chosen << QStringLiteral("%1|%2").arg(item->text(1)).arg(valueOf(item->text(2)));
        }
        QVERIFY(!chosen.isEmpty());
        QVERIFY2(button->text().contains(QStringLiteral("(%1 segments)").arg(chosen.size())),
                 qPrintable(button->text()));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(m_asked.size(), 1); // asked first, answered yes
    }
    chosen.sort();
    Raw db(m_db);
    const QString byRecord = QStringLiteral(
        "SELECT k.numtexte || '|' || a.valeur FROM SuggestionsAcceptees a JOIN Contenus k"
        " ON k.numero = a.contenu AND k.numvar01 = a.valeur ORDER BY 1");
    QStringList recorded = rows(db, byRecord);
    recorded.sort();
    QCOMPARE(recorded, chosen);
    QCOMPARE(rows(db, QStringLiteral("SELECT DISTINCT codeur FROM SuggestionsAcceptees")),
             QStringList{"Marie"});
    QCOMPARE(undoText(), QStringLiteral("Annuler l'acceptation des suggestions (%1 segments)")
                             .arg(chosen.size()));
    // Out of the list: coded now.
    QCOMPARE(tree->topLevelItemCount(), int(m_uncoded.size()) - int(chosen.size()));
    // One step: Annuler takes it all back, and the segments are listed again.
    m_session->history().undo();
    QCOMPARE(rows(db, QStringLiteral("SELECT count(*) FROM SuggestionsAcceptees")),
             QStringList{"0"});
    QCOMPARE(rows(db, QStringLiteral("SELECT count(*) FROM Contenus")),
             QStringList{QString::number(54 - m_uncoded.size())});
    QVERIFY(QTest::qWaitFor([w] { return !w->busy(); }, 60000));
    QCOMPARE(tree->topLevelItemCount(), int(m_uncoded.size()));
}

void TestSuggestionsWindow::reliability()
{
    coding::frmSuggestions *w = openSuggestions();
    QVERIFY(w);
    QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("mesurer")), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([w] { return !w->busy(); }, 60000));
    auto *coefficients = w->findChild<QTableWidget *>(QStringLiteral("coefficients"));
    // Every coded segment is compared once (54 segments, 5 left uncoded).
    QCOMPARE(coefficients->item(3, 1)->text(), QStringLiteral("49"));
    bool ok = false;
    const double alpha = QLocale().toDouble(coefficients->item(1, 1)->text(), &ok);
    QVERIFY2(ok && alpha >= -1 && alpha <= 1, qPrintable(coefficients->item(1, 1)->text()));
    auto *seuils = w->findChild<QTableWidget *>(QStringLiteral("seuils"));
    QCOMPARE(seuils->rowCount(), 6);
    QCOMPARE(seuils->item(0, 0)->text(), QStringLiteral("0,50"));
    QCOMPARE(seuils->item(5, 0)->text(), QStringLiteral("0,95"));
}

// "Arrêter" during a measure: nothing is shown as measured, the window says
// so and can measure again.
void TestSuggestionsWindow::measureStopped()
{
    coding::frmSuggestions *w = openSuggestions();
    QVERIFY(w);
    auto *mesurer = w->findChild<QPushButton *>(QStringLiteral("mesurer"));
    auto *arreter = w->findChild<QPushButton *>(QStringLiteral("arreter"));
    QTest::mouseClick(mesurer, Qt::LeftButton);
    QVERIFY(w->busy());
    QVERIFY(arreter->isVisible());
    QVERIFY(!mesurer->isEnabled());
    QTest::mouseClick(arreter, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([w] { return !w->busy(); }, 60000));
    QCOMPARE(w->findChild<QLabel *>(QStringLiteral("StatusBar1"))->text(),
             QStringLiteral("La mesure a été arrêtée."));
    QCOMPARE(w->findChild<QTableWidget *>(QStringLiteral("coefficients"))->item(1, 1)->text(),
             QStringLiteral("-"));
    QVERIFY(!arreter->isVisible());
    QVERIFY(mesurer->isEnabled());
}

void TestSuggestionsWindow::keptModel_data()
{
    QTest::addColumn<QString>("between"); // done to the file between the two sessions
    QTest::addColumn<bool>("learntAgain");
    QTest::newRow("nothing changed: the kept model serves") << QString() << false;
    QTest::newRow("a segment coded meanwhile: learnt again")
        << "INSERT INTO Contenus (numtexte, numvar01) VALUES (17, 37)" << true;
}

void TestSuggestionsWindow::keptModel()
{
    QFETCH(QString, between);
    QFETCH(bool, learntAgain);
    QVERIFY(openText(0));
    const QString kept = QStringLiteral("SELECT empreinte, appris FROM ModelesSuggestions"
                                        " WHERE liste = 1");
    Raw db(m_db);
    // Learnt in the background, then kept in the analysis.
    QVERIFY(QTest::qWaitFor([&] { return !rows(db, kept).isEmpty(); }, 60000));
    const QStringList first = rows(db, kept);
    delete m_window.data();
    m_session.reset();
    if (!between.isEmpty())
        db.exec(between);
    QTest::qWait(1100); // a learning again would be told by another second
    QVERIFY(openText(0));
    if (learntAgain)
        QVERIFY(QTest::qWaitFor([&] { return rows(db, kept) != first; }, 60000));
    else
        QCOMPARE(rows(db, kept), first);
    // Either way, the lookup of an uncoded segment shows a suggestion.
    QTest::keyClick(m_window, Qt::Key_End, Qt::AltModifier);
    QTest::keyClick(m_window, Qt::Key_N, Qt::ControlModifier);
    QVERIFY(static_cast<coding::frmTextes *>(m_window.data())->subform()->suggestionShown());
}

void TestSuggestionsWindow::resultsWithoutAccepted_data()
{
    QTest::addColumn<bool>("leftOut"); // "Sans les suggestions acceptées" ticked
    QTest::addColumn<QStringList>("lines");
    // The five segments left uncoded given their theme as accepted
    // suggestions: the last of texts 1, 3, 5 (Santé, École, Emploi) and the
    // last two of text 2 (Santé, Emploi). Each theme then holds 18 of 54
    // rows (33,33 %); left out, École holds 17 and the others 16, of 49:
    // 34,69 % and 32,65 %, and the five rows count as not coded.
    QTest::newRow("counted") << false
                             << QStringList{"École|18|33,33", "Emploi|18|33,33", "Santé|18|33,33",
                                            "Total|54|100,00", "Non codé|0|"};
    QTest::newRow("left out") << true
                              << QStringList{"École|17|34,69", "Emploi|16|32,65", "Santé|16|32,65",
                                             "Total|49|100,00", "Non codé|5|"};
}

void TestSuggestionsWindow::resultsWithoutAccepted()
{
    QFETCH(bool, leftOut);
    QFETCH(QStringList, lines);
    m_session = std::make_unique<coding::Session>(coding::CodingStore::open(m_db));
    std::vector<suggestions::Accepted> accepted;
    for (const auto &[segment, theme] : m_uncoded)
        accepted.push_back({segment, m_values[theme], 0.9});
    m_session->history().acceptSuggestions(1, accepted, QStringLiteral("Marie"));
    QWidget *w = m_session->openResults();
    m_window = w;
    QVERIFY(w);
    auto *box = w->findChild<QCheckBox *>(QStringLiteral("sans_suggestions"));
    QVERIFY(box && !box->isChecked());
    if (leftOut)
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    QCOMPARE(box->isChecked(), leftOut);
    auto *table = w->findChild<QTableWidget *>(QStringLiteral("tableau"));
    QStringList seen;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            cells << (table->item(r, c) ? table->item(r, c)->text() : QString());
        seen << cells.join(QLatin1Char('|'));
    }
    QCOMPARE(seen, lines);
}

QTEST_MAIN(TestSuggestionsWindow)
#include "test_suggestions_window.moc"
