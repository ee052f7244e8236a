// The running text around the segment in the window `textes` (`contexte`),
// driven as the coder drives it: which segments it shows at the start, in
// the middle and at the end of a text, the current one highlighted and kept
// in sight as the coder moves; a click on a neighbour goes to it; a segment
// coded through the subform is marked, its values in its tooltip; the view
// follows a step undone or redone and a refresh. What is checked is what the
// coder sees: the labels, the view's pixels, its tooltips.
#include "codingtest.h"

#include "coding/contenussubform.h"
#include "coding/contextview.h"
#include "coding/frmtextes.h"
#include "coding/session.h"
#include "common/messages.h"
#include "store/codingstore.h"

#include <QApplication>
#include <QComboBox>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSettings>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <functional>

using namespace codingtest;
using coding::ContextView;
using coding::frmTextes;
using Numbers = QList<qint64>;
using Coder = std::function<void(frmTextes *)>;
Q_DECLARE_METATYPE(Coder)

namespace {

constexpr int kSegments = 20;
const QColor kCurrentGround(255, 232, 150);
const QColor kCodedMark(40, 140, 60);

Numbers range(qint64 first, qint64 last)
{
    Numbers n;
    for (qint64 i = first; i <= last; ++i)
        n << i;
    return n;
}

QString place(int rank)
{
    return QStringLiteral("Segment %1 sur %2 de ce texte").arg(rank).arg(kSegments);
}

} // namespace

class TestContext : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void view_showsTheNeighbours_data();
    void view_showsTheNeighbours();
    void view_followsTheMoves();
    void click_goesToTheNeighbour_data();
    void click_goesToTheNeighbour();
    void coded_markedWithItsValues_data();
    void coded_markedWithItsValues();
    void view_followsUndoRedoAndRefresh_data();
    void view_followsUndoRedoAndRefresh();

private:
    // Opens text A, the view of the given height (0: as the window lays it).
    frmTextes *open(int viewHeight = 0);
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void goTo(qint64 segment);
    Numbers shownNumbers() const;
    qint64 shownCurrent() const;
    // What the coder sees: the colour at the right end of a segment's first
    // line, the colour of its margin, its tooltip.
    QColor groundOf(qint64 segment) const;
    bool markedCoded(qint64 segment) const;
    QString toolTipOf(qint64 segment) const;

    QTemporaryDir m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_db;
    std::unique_ptr<coding::Session> m_session;
    QPointer<frmTextes> m_window;
    ContextView *m_view = nullptr;
    QList<messages::Shown> m_shown;
};

void TestContext::initTestCase()
{
    QVERIFY(m_settings.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

// Text A: segments 1 to 20 ("Phrase 1." ...); text B: segments 21 to 23.
// List 1 "Thème": Beta (36), Zeta (37); list 2 "Ton": positif (13),
// négatif (14).
void TestContext::init()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings().clear();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_db = freshDatabase(*m_dir);
    Raw db(m_db);
    QStringList a;
    for (int i = 1; i <= kSegments; ++i)
        a << QStringLiteral("Phrase %1.").arg(i);
    QCOMPARE(addText(db, QStringLiteral("/corpus/a.txt"), a), 1);
    QCOMPARE(addText(db, QStringLiteral("/corpus/b.txt"),
                     {QStringLiteral("Autre un."), QStringLiteral("Autre deux."),
                      QStringLiteral("Autre trois.")}),
             2);
    QCOMPARE(addValue(db, 1, QStringLiteral("Beta")), 36);
    QCOMPARE(addValue(db, 1, QStringLiteral("Zeta")), 37);
    QCOMPARE(addValue(db, 2, QStringLiteral("positif")), 13);
    QCOMPARE(addValue(db, 2, QStringLiteral("négatif")), 14);
    QVERIFY(db.exec(QStringLiteral("INSERT INTO Listes (liste, nom) VALUES (1, 'Thème'), "
                                   "(2, 'Ton')")));
    m_shown.clear();
    messages::setHandler([this](const messages::Shown &shown) {
        m_shown << shown;
        return true;
    });
    m_session = std::make_unique<coding::Session>(coding::CodingStore::open(m_db));
}

void TestContext::cleanup()
{
    delete m_window;
    m_view = nullptr;
    m_session.reset();
    messages::setHandler({});
    m_dir.reset();
}

frmTextes *TestContext::open(int viewHeight)
{
    auto *w = new frmTextes(*m_session, 1, QStringLiteral("/corpus/a.txt"));
    m_window = w;
    m_view = w->findChild<ContextView *>(QStringLiteral("contexte"));
    if (!m_view)
        return nullptr;
    if (viewHeight > 0) {
        m_view->setMinimumHeight(0);
        m_view->setFixedHeight(viewHeight);
    }
    if (!w->Form_Load())
        return nullptr;
    w->show();
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w))
        return nullptr;
    // A view resized taller reads its neighbours once the layout is done.
    QCoreApplication::processEvents();
    return w;
}

void TestContext::press(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget *target = QApplication::focusWidget();
    if (!target || target->window() != m_window)
        target = m_window;
    QTest::keyClick(target, Qt::Key(key), modifiers);
}

void TestContext::goTo(qint64 segment)
{
    press(Qt::Key_G, Qt::ControlModifier);
    auto *go = m_window->findChild<QLineEdit *>(QStringLiteral("aller_numero"));
    QTest::keyClicks(go, QString::number(segment));
    QTest::keyClick(go, Qt::Key_Return);
}

Numbers TestContext::shownNumbers() const
{
    Numbers n;
    for (const ContextView::Shown &s : m_view->shown())
        n << s.segment;
    return n;
}

qint64 TestContext::shownCurrent() const
{
    qint64 current = 0;
    for (const ContextView::Shown &s : m_view->shown())
        if (s.current)
            current = current ? -1 : s.segment; // -1: more than one
    return current;
}

QColor TestContext::groundOf(qint64 segment) const
{
    const QRect r = m_view->segmentRect(segment);
    const QImage image = m_view->viewport()->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    // Right of the text on its first line: the paragraph's ground alone.
    const QPoint at(r.right() - 4, r.top() + 4);
    if (!m_view->viewport()->rect().contains(at))
        return QColor();
    return image.pixelColor(int(at.x() * ratio), int(at.y() * ratio));
}

bool TestContext::markedCoded(qint64 segment) const
{
    const QRect r = m_view->segmentRect(segment);
    const QImage image = m_view->viewport()->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    const QPoint at(3, r.center().y());
    return m_view->viewport()->rect().contains(at)
           && image.pixelColor(int(at.x() * ratio), int(at.y() * ratio)) == kCodedMark;
}

QString TestContext::toolTipOf(qint64 segment) const
{
    const QPoint at = m_view->segmentRect(segment).center();
    if (!m_view->viewport()->rect().contains(at))
        return QStringLiteral("(not in sight)");
    QHelpEvent help(QEvent::ToolTip, at, m_view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(m_view->viewport(), &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

void TestContext::view_showsTheNeighbours_data()
{
    QTest::addColumn<bool>("tall");
    QTest::addColumn<qint64>("segment");
    QTest::addColumn<Numbers>("expected");

    // A short view: three each side, fewer at the ends of the text.
    QTest::newRow("start") << false << qint64(1) << range(1, 4);
    QTest::newRow("second") << false << qint64(2) << range(1, 5);
    QTest::newRow("middle") << false << qint64(10) << range(7, 13);
    QTest::newRow("before the end") << false << qint64(19) << range(16, 20);
    QTest::newRow("end") << false << qint64(20) << range(17, 20);
    // A view of more lines than the text has segments: the whole text, and
    // never the other text's segments.
    QTest::newRow("tall, start") << true << qint64(1) << range(1, 20);
    QTest::newRow("tall, middle") << true << qint64(10) << range(1, 20);
    QTest::newRow("tall, end") << true << qint64(20) << range(1, 20);
}

void TestContext::view_showsTheNeighbours()
{
    QFETCH(bool, tall);
    QFETCH(qint64, segment);
    QFETCH(Numbers, expected);
    QVERIFY(open(tall ? 900 : 30));
    QCOMPARE(m_view->eachSide() >= kSegments, tall);
    if (!tall)
        QCOMPARE(m_view->eachSide(), ContextView::kMinimumEachSide);
    goTo(segment);
    QCOMPARE(m_window->currentSegment(), segment);
    QCOMPARE(m_window->findChild<QLabel *>(QStringLiteral("position"))->text(),
             place(int(segment)));
    QCOMPARE(m_window->findChild<QLabel *>(QStringLiteral("textes_numero"))->text(),
             QStringLiteral("Segment n° %1").arg(segment));

    QCOMPARE(shownNumbers(), expected);
    QCOMPARE(shownCurrent(), segment);
    // In reading order, one under the other; the current one in sight.
    for (int i = 1; i < expected.size(); ++i)
        QVERIFY(m_view->segmentRect(expected[i - 1]).bottom()
                < m_view->segmentRect(expected[i]).top());
    QVERIFY(m_view->viewport()->rect().contains(m_view->segmentRect(segment).center()));
    QCOMPARE(groundOf(segment), kCurrentGround);
    if (tall) {
        // The others on the plain ground, in a greyer ink.
        const qint64 other = segment == 1 ? 2 : segment - 1;
        QCOMPARE(groundOf(other), m_view->viewport()->palette().color(QPalette::Base));
    }
    QVERIFY(m_shown.isEmpty());
}

void TestContext::view_followsTheMoves()
{
    QVERIFY(open());
    QVERIFY(m_view->eachSide() >= ContextView::kMinimumEachSide);
    auto check = [this](qint64 segment) {
        QCOMPARE(m_window->currentSegment(), segment);
        QCOMPARE(shownCurrent(), segment);
        QVERIFY(shownNumbers().contains(segment - 1) || segment == 1);
        QVERIFY(shownNumbers().contains(segment + 1) || segment == kSegments);
        QVERIFY(m_view->viewport()->rect().contains(m_view->segmentRect(segment).center()));
        QCOMPARE(groundOf(segment), kCurrentGround);
    };
    // Each move as the coder makes it, and where it must land.
    const QList<std::pair<std::function<void()>, qint64>> moves = {
        {[this] { press(Qt::Key_End, Qt::AltModifier); }, kSegments},
        {[this] { press(Qt::Key_PageUp); }, kSegments - 1},
        {[this] {
             auto *list = m_window->findChild<QTableView *>(QStringLiteral("liste"));
             list->setFocus();
             QTest::keyClick(list, Qt::Key_Home, Qt::ControlModifier);
         },
         1},
        {[this] { goTo(12); }, 12},
    };
    check(1);
    for (qint64 s = 2; s <= 15 && !QTest::currentTestFailed(); ++s) {
        press(Qt::Key_Right, Qt::AltModifier);
        check(s);
    }
    for (const auto &[move, expected] : moves) {
        if (QTest::currentTestFailed())
            return;
        move();
        check(expected);
    }
}

void TestContext::click_goesToTheNeighbour_data()
{
    QTest::addColumn<qint64>("clicked");
    QTest::newRow("three before") << qint64(7);
    QTest::newRow("just before") << qint64(9);
    QTest::newRow("just after") << qint64(11);
    QTest::newRow("three after") << qint64(13);
    QTest::newRow("the current one: stays") << qint64(10);
}

void TestContext::click_goesToTheNeighbour()
{
    QFETCH(qint64, clicked);
    QVERIFY(open());
    goTo(10);
    const QRect r = m_view->segmentRect(clicked);
    QVERIFY2(m_view->viewport()->rect().contains(r.center()), "the segment is in sight");
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());

    QCOMPARE(m_window->currentSegment(), clicked);
    QCOMPARE(m_window->findChild<QLabel *>(QStringLiteral("position"))->text(),
             place(int(clicked)));
    QCOMPARE(m_window->findChild<QPlainTextEdit *>(QStringLiteral("texte"))->toPlainText(),
             QStringLiteral("Phrase %1.").arg(clicked));
    QCOMPARE(m_window->findChild<QTableView *>(QStringLiteral("liste"))->currentIndex().row(),
             int(clicked - 1));
    // The view moved with it.
    QCOMPARE(shownCurrent(), clicked);
    QCOMPARE(groundOf(clicked), kCurrentGround);
    QVERIFY(m_shown.isEmpty());
}

void TestContext::coded_markedWithItsValues_data()
{
    QTest::addColumn<Coder>("code");
    QTest::addColumn<QString>("toolTip");

    QTest::newRow("one value") << Coder([](frmTextes *w) {
        QTest::keyClick(w, Qt::Key_N, Qt::ControlModifier);
        QTest::keyClicks(w->subform()->combo(0, 1), QStringLiteral("B"));
    }) << QStringLiteral("Segment n° 5, codé :\nThème : Beta");
    QTest::newRow("two lists") << Coder([](frmTextes *w) {
        QTest::keyClick(w, Qt::Key_N, Qt::ControlModifier);
        QTest::keyClicks(w->subform()->combo(0, 1), QStringLiteral("Z"));
        QTest::keyClicks(w->subform()->combo(0, 2), QStringLiteral("p"));
    }) << QStringLiteral("Segment n° 5, codé :\nThème : Zeta ; Ton : positif");
    QTest::newRow("two rows") << Coder([](frmTextes *w) {
        QTest::keyClick(w, Qt::Key_N, Qt::ControlModifier);
        QTest::keyClicks(w->subform()->combo(0, 1), QStringLiteral("B"));
        QTest::keyClick(w, Qt::Key_N, Qt::ControlModifier);
        QTest::keyClicks(w->subform()->combo(1, 2), QStringLiteral("n"));
    }) << QStringLiteral("Segment n° 5, codé :\nThème : Beta\nTon : négatif");
    // A new row alone, on the five empty values, codes nothing.
    QTest::newRow("a row left empty") << Coder([](frmTextes *w) {
        QTest::keyClick(w, Qt::Key_N, Qt::ControlModifier);
    }) << QString();
    // Put back on the empty value: no longer coded.
    QTest::newRow("a value taken back") << Coder([](frmTextes *w) {
        QTest::keyClick(w, Qt::Key_N, Qt::ControlModifier);
        QComboBox *box = w->subform()->combo(0, 1);
        QTest::keyClicks(box, QStringLiteral("B"));
        QTest::keyClick(box, Qt::Key_Home);
    }) << QString();
}

void TestContext::coded_markedWithItsValues()
{
    QFETCH(Coder, code);
    QFETCH(QString, toolTip);
    const bool coded = !toolTip.isEmpty();
    const QString uncoded = QStringLiteral("Segment n° 5 : pas encore codé.");
    QVERIFY(open());
    goTo(5);
    QVERIFY(!markedCoded(5));
    QCOMPARE(toolTipOf(5), uncoded);

    code(m_window);
    QCOMPARE(markedCoded(5), coded);
    QCOMPARE(toolTipOf(5), coded ? toolTip : uncoded);
    // Its neighbours are not.
    QVERIFY(!markedCoded(4));
    QVERIFY(!markedCoded(6));
    // Still so seen from the next segment, read again from the analysis.
    press(Qt::Key_Right, Qt::AltModifier);
    QCOMPARE(shownCurrent(), qint64(6));
    QCOMPARE(markedCoded(5), coded);
    QCOMPARE(toolTipOf(5), coded ? toolTip : uncoded);
    QVERIFY(!markedCoded(6));
    QVERIFY(m_shown.isEmpty());
}

void TestContext::view_followsUndoRedoAndRefresh_data()
{
    QTest::addColumn<Coder>("change");
    QTest::addColumn<qint64>("segment");
    QTest::addColumn<QString>("toolTip"); // empty: not coded

    const Coder codeBeta = [](frmTextes *w) {
        QTest::keyClick(w, Qt::Key_N, Qt::ControlModifier);
        QTest::keyClicks(w->subform()->combo(0, 1), QStringLiteral("B"));
    };
    // The value undone leaves the row on the empty values: not coded.
    QTest::newRow("undone") << Coder([codeBeta](frmTextes *w) {
        codeBeta(w);
        QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier);
    }) << qint64(5) << QString();
    QTest::newRow("undone, then redone") << Coder([codeBeta](frmTextes *w) {
        codeBeta(w);
        QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    }) << qint64(5) << QStringLiteral("Segment n° 5, codé :\nThème : Beta");
    // Another program codes a neighbour; "Actualiser" (F5) shows it.
    QTest::newRow("refreshed after another program") << Coder([this](frmTextes *w) {
        Raw db(m_db);
        QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01, numvar02) "
                                       "VALUES (6, 37, 14)")));
        QTest::keyClick(w, Qt::Key_F5);
    }) << qint64(6) << QStringLiteral("Segment n° 6, codé :\nThème : Zeta ; Ton : négatif");
    // A value renamed in the list window: the tooltip names it anew.
    QTest::newRow("a list renamed elsewhere, then refreshed") << Coder([codeBeta, this](frmTextes *w) {
        codeBeta(w);
        Raw db(m_db);
        QVERIFY(db.exec(QStringLiteral("UPDATE Listes SET nom = 'Sujet' WHERE liste = 1")));
        QTest::keyClick(w, Qt::Key_F5);
    }) << qint64(5) << QStringLiteral("Segment n° 5, codé :\nSujet : Beta");
}

void TestContext::view_followsUndoRedoAndRefresh()
{
    QFETCH(Coder, change);
    QFETCH(qint64, segment);
    QFETCH(QString, toolTip);
    QVERIFY(open());
    goTo(5);
    change(m_window);
    QCOMPARE(shownCurrent(), qint64(5));
    QCOMPARE(markedCoded(segment), !toolTip.isEmpty());
    QCOMPARE(toolTipOf(segment), toolTip.isEmpty()
                                     ? QStringLiteral("Segment n° %1 : pas encore codé.").arg(segment)
                                     : toolTip);
    QVERIFY(m_shown.isEmpty());
}

QTEST_MAIN(TestContext)
#include "test_context.moc"
