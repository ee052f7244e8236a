// The coding application driven as a researcher drives it, mostly from the
// keyboard: choosing a text, moving through its segments, adding, changing
// and deleting coding rows, editing a list, exporting; the database is read
// directly to see what was stored.
#include "codingtest.h"

#include "coding/contenussubform.h"
#include "exchange/csvexport.h"
#include "coding/filedialogs.h"
#include "coding/frmchemin.h"
#include "coding/frmtextes.h"
#include "store/history.h"
#include "coding/segmentmodel.h"
#include "coding/session.h"
#include "common/messages.h"
#include "store/codebookstore.h"
#include "store/codingstore.h"
#include "store/storeerror.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWheelEvent>

#include <chrono>
#include <thread>

using namespace codingtest;
using coding::frmChemin;
using coding::frmTextes;

namespace {

const QStringList kSegments = {
    QStringLiteral("Première phrase."),
    QStringLiteral("Deuxième ; avec \"guillemets\", et une virgule."),
    QStringLiteral("Ligne un\r\nligne deux."),
    QStringLiteral("Dernière, à l'été."),
};

} // namespace

class TestCoding : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void chemin_listsTheTexts();
    void textes_movesThroughTheSegments();
    void codingRows_addedChangedDeletedFromTheKeyboard();
    void codingRows_deleteAsksFirst();
    void codingRows_newRowScrolledIntoView();
    void codingRow_goneElsewhere_changeToldAndReread();
    void lookup_listsValuesOrderedAndRefusesOthers();
    void listWindow_deleteAsksThenUndoes();
    void listWindow_replaceByAnotherValue();
    void listWindow_namesAndDefinitions();
    void readOnly_oneSwitchDisablesEveryEdit();
    void variableDeletedElsewhere_showsAtRefresh();
    void listWindow_addsWithTheVariablesRules();
    void nextUncoded();
    void segmentList_followsAndChooses();
    void export_readBack_data();
    void export_readBack();
    void export_cancelledLeavesNoFile();
    void exportDialog_namesTheCsvFile();
    void export_startsInTheLastFolderUsed();
    void export_neverOverTheDatabase_data();
    void export_neverOverTheDatabase();
    void store_waitsForTheOtherProgram();
    void foreignFile_refusedAndUnchanged_data();
    void foreignFile_refusedAndUnchanged();
    void noArgument_asksForTheFile();

private:
    frmChemin *startOn(const QString &path);
    frmTextes *openFirstText(frmChemin *chemin);
    // Starts on the test's database and opens its first text.
    frmTextes *startOnFirstText();
    void press(QWidget *window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    QTemporaryDir m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_db;
    qint64 m_text = 0;
    qint64 m_other = 0;
    qint64 m_alpha = 0, m_beta = 0, m_zeta = 0, m_elan = 0, m_positif = 0, m_negatif = 0;
    QList<messages::Shown> m_shown;
    bool m_answer = true;
    QPointer<frmChemin> m_chemin;
};

void TestCoding::initTestCase()
{
    // The export's remembered choices stay in the test's own folder.
    QVERIFY(m_settings.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void TestCoding::init()
{
    // Backups and the texts' places go to the tests' own folders.
    QStandardPaths::setTestModeEnabled(true);
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_db = freshDatabase(*m_dir);
    Raw db(m_db);
    m_text = addText(db, QStringLiteral("/corpus/entretien n°1.txt"), kSegments);
    m_other = addText(db, QStringLiteral("/corpus/autre.txt"), {QStringLiteral("Autre texte.")});
    m_zeta = addValue(db, 1, QStringLiteral("Zeta"));
    m_alpha = addValue(db, 1, QStringLiteral("alpha"));
    m_beta = addValue(db, 1, QStringLiteral("Beta"));
    m_elan = addValue(db, 1, QStringLiteral("élan"));
    m_positif = addValue(db, 2, QStringLiteral("positif"));
    m_negatif = addValue(db, 2, QStringLiteral("négatif"));

    m_shown.clear();
    m_answer = true;
    messages::setHandler([this](const messages::Shown &shown) {
        m_shown << shown;
        return m_answer;
    });
    coding::dialogs::setOpenHook([](QWidget *) { return QString(); });
    coding::dialogs::setSaveHook([](QWidget *, const QString &) { return QString(); });
    coding::dialogs::setOptionsHook([](QWidget *, coding::ExportOptions &) { return true; });
    QSettings().clear();
}

void TestCoding::cleanup()
{
    if (m_chemin)
        m_chemin->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTRY_VERIFY(!m_chemin);
    messages::setHandler({});
    coding::dialogs::setOpenHook({});
    coding::dialogs::setSaveHook({});
    coding::dialogs::setOptionsHook({});
    m_dir.reset();
}

frmChemin *TestCoding::startOn(const QString &path)
{
    m_chemin = coding::start(path);
    return m_chemin;
}

frmTextes *TestCoding::openFirstText(frmChemin *chemin)
{
    chemin->activateWindow();
    if (!QTest::qWaitForWindowActive(chemin))
        return nullptr;
    auto *texts = chemin->findChild<QTreeWidget *>(QStringLiteral("Modifiable4"));
    texts->setFocus();
    texts->setCurrentItem(texts->topLevelItem(0));
    QTest::keyClick(texts, Qt::Key_Return);
    frmTextes *w = chemin->textWindow(m_text);
    if (!w)
        return nullptr;
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w))
        return nullptr;
    return w;
}

frmTextes *TestCoding::startOnFirstText()
{
    frmChemin *chemin = startOn(m_db);
    return chemin ? openFirstText(chemin) : nullptr;
}

void TestCoding::press(QWidget *window, int key, Qt::KeyboardModifiers modifiers)
{
    QWidget *target = QApplication::focusWidget();
    if (!target || target->window() != window)
        target = window;
    QTest::keyClick(target, Qt::Key(key), modifiers);
}

void TestCoding::chemin_listsTheTexts()
{
    frmChemin *chemin = startOn(m_db);
    QVERIFY(chemin);
    QCOMPARE(chemin->objectName(), QStringLiteral("Chemin"));
    QCOMPARE(chemin->windowTitle(), QStringLiteral("Analyse de contenu"));
    auto *texts = chemin->findChild<QTreeWidget *>(QStringLiteral("Modifiable4"));
    QVERIFY(texts);
    QCOMPARE(texts->topLevelItemCount(), 2);
    auto line = [&](int i) {
        QStringList columns;
        for (int c = 0; c < 4; ++c)
            columns << texts->topLevelItem(i)->text(c);
        return columns.join(QLatin1Char('|'));
    };
    QCOMPARE(line(0), QStringLiteral("1|/corpus/entretien n°1.txt|4|0"));
    QCOMPARE(line(1), QStringLiteral("2|/corpus/autre.txt|1|0"));

    // Two coding rows on one segment count it once; a row on the five empty
    // values (segment 1) does not count.
    {
        Raw db(m_db);
        QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar02) VALUES "
                                       "(2, %1), (2, %1), (4, %1), (1, 1)")
                            .arg(m_positif)));
    }
    chemin->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(chemin));
    press(chemin, Qt::Key_F5);
    QCOMPARE(line(0), QStringLiteral("1|/corpus/entretien n°1.txt|4|2"));

    // Coding in the text's window shows when the list comes back.
    frmTextes *w = openFirstText(chemin);
    QVERIFY(w);
    QTest::keyClicks(w->subform()->combo(0, 1), QStringLiteral("Z"));
    chemin->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(chemin));
    QTRY_COMPARE(line(0), QStringLiteral("1|/corpus/entretien n°1.txt|4|3"));
    QVERIFY(m_shown.isEmpty());
}

void TestCoding::textes_movesThroughTheSegments()
{
    frmTextes *w = startOnFirstText();
    QVERIFY(w);
    QCOMPARE(w->objectName(), QStringLiteral("textes"));
    auto *place = w->findChild<QLabel *>(QStringLiteral("position"));
    auto *number = w->findChild<QLabel *>(QStringLiteral("textes_numero"));
    auto *text = w->findChild<QPlainTextEdit *>(QStringLiteral("texte"));
    auto *path = w->findChild<QLabel *>(QStringLiteral("chemin"));
    QVERIFY(place && number && text && path);
    QVERIFY(text->isReadOnly());
    QVERIFY(path->text().contains(QStringLiteral("/corpus/entretien n°1.txt")));
    QCOMPARE(place->text(), QStringLiteral("Segment 1 sur 4 de ce texte"));
    QCOMPARE(number->text(), QStringLiteral("Segment n° 1"));
    QCOMPARE(text->toPlainText(), kSegments.at(0));

    press(w, Qt::Key_Right, Qt::AltModifier);
    QCOMPARE(place->text(), QStringLiteral("Segment 2 sur 4 de ce texte"));
    QCOMPARE(text->toPlainText(), kSegments.at(1));
    press(w, Qt::Key_PageDown);
    QCOMPARE(place->text(), QStringLiteral("Segment 3 sur 4 de ce texte"));
    // CR LF shown as a line break.
    QCOMPARE(text->toPlainText(), QStringLiteral("Ligne un\nligne deux."));
    QCOMPARE(text->document()->blockCount(), 2);
    press(w, Qt::Key_End, Qt::AltModifier);
    QCOMPARE(place->text(), QStringLiteral("Segment 4 sur 4 de ce texte"));
    press(w, Qt::Key_Right, Qt::AltModifier); // past the last: stays
    QCOMPARE(place->text(), QStringLiteral("Segment 4 sur 4 de ce texte"));
    press(w, Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(place->text(), QStringLiteral("Segment 3 sur 4 de ce texte"));
    press(w, Qt::Key_Home, Qt::AltModifier);
    QCOMPARE(place->text(), QStringLiteral("Segment 1 sur 4 de ce texte"));
    press(w, Qt::Key_PageUp); // before the first: stays
    QCOMPARE(place->text(), QStringLiteral("Segment 1 sur 4 de ce texte"));

    // To a segment by its number.
    press(w, Qt::Key_G, Qt::ControlModifier);
    auto *go = w->findChild<QLineEdit *>(QStringLiteral("aller_numero"));
    QCOMPARE(QApplication::focusWidget(), go);
    QTest::keyClicks(go, QStringLiteral("3"));
    QTest::keyClick(go, Qt::Key_Return);
    QCOMPARE(number->text(), QStringLiteral("Segment n° 3"));
    QCOMPARE(place->text(), QStringLiteral("Segment 3 sur 4 de ce texte"));
    // Segment 5 belongs to the other text: nothing moves, the status says why.
    QVERIFY(!w->goToNumber(5));
    QCOMPARE(place->text(), QStringLiteral("Segment 3 sur 4 de ce texte"));
    QVERIFY(w->statusBar()->currentMessage().contains(QStringLiteral("pas de segment n° 5")));

    // The buttons too.
    QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("premier")), Qt::LeftButton);
    QCOMPARE(place->text(), QStringLiteral("Segment 1 sur 4 de ce texte"));
    QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("dernier")), Qt::LeftButton);
    QCOMPARE(place->text(), QStringLiteral("Segment 4 sur 4 de ce texte"));
    QVERIFY(!w->findChild<QPushButton *>(QStringLiteral("suivant"))->isEnabled());
    QVERIFY(m_shown.isEmpty());
}

void TestCoding::codingRows_addedChangedDeletedFromTheKeyboard()
{
    frmTextes *w = startOnFirstText();
    QVERIFY(w);
    auto *subform = w->findChild<coding::ContenusSubform *>(QStringLiteral("Contenus Sous-formulaire"));
    QVERIFY(subform);
    QCOMPARE(subform->rowCount(), 0);
    Raw db(m_db);

    // Segment 2: a new row points to row 1 of each list.
    press(w, Qt::Key_Right, Qt::AltModifier);
    press(w, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(subform->rowCount(), 1);
    QCOMPARE(rows(db, QStringLiteral("SELECT numtexte, numvar01, numvar02, numvar03, numvar04, "
                                     "numvar05 FROM Contenus")),
             QStringList{QStringLiteral("2|1|1|1|1|1")});
    // The focus is on its first list; typing picks a value and stores it.
    QCOMPARE(QApplication::focusWidget(), subform->combo(0, 1));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("al"));
    QCOMPARE(subform->combo(0, 1)->currentText(), QStringLiteral("alpha"));
    QCOMPARE(db.scalar(QStringLiteral("SELECT numvar01 FROM Contenus")),
             QString::number(m_alpha));
    // Ctrl+2: the second list of the row.
    press(w, Qt::Key_2, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), subform->combo(0, 2));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("n"));
    QCOMPARE(db.scalar(QStringLiteral("SELECT numvar02 FROM Contenus")),
             QString::number(m_negatif));
    // Arrow keys move through the list's values too.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(db.scalar(QStringLiteral("SELECT numvar02 FROM Contenus")),
             QString::number(m_positif));

    // A second row on the same segment.
    press(w, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(subform->rowCount(), 2);
    QCOMPARE(QApplication::focusWidget(), subform->combo(1, 1));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Z"));
    const qint64 second = subform->codingAt(1);
    QCOMPARE(db.scalar(QStringLiteral("SELECT numvar01 FROM Contenus WHERE numero = %1")
                           .arg(second)),
             QString::number(m_zeta));

    // The next segment shows its own (no) rows; back again shows both, read
    // from the database.
    press(w, Qt::Key_Right, Qt::AltModifier);
    QCOMPARE(subform->rowCount(), 0);
    // The focus, which was on a lookup, waits on "Nouvelle ligne".
    QCOMPARE(QApplication::focusWidget(),
             subform->findChild<QPushButton *>(QStringLiteral("nouvelle_ligne")));
    press(w, Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(subform->rowCount(), 2);
    QCOMPARE(subform->combo(0, 1)->currentText(), QStringLiteral("alpha"));
    QCOMPARE(subform->combo(0, 2)->currentText(), QStringLiteral("positif"));
    QCOMPARE(subform->combo(1, 1)->currentText(), QStringLiteral("Zeta"));
    QCOMPARE(subform->combo(1, 3)->currentIndex(), 0); // row 1: the empty value

    // Delete the second row (focus on it), answering "Oui".
    subform->combo(1, 4)->setFocus();
    press(w, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.at(0).kind, messages::Kind::Question);
    QCOMPARE(subform->rowCount(), 1);
    QCOMPARE(rows(db, QStringLiteral("SELECT numtexte, numvar01, numvar02 FROM Contenus")),
             QStringList{QStringLiteral("2|%1|%2").arg(m_alpha).arg(m_positif)});
}

void TestCoding::codingRows_deleteAsksFirst()
{
    Raw db(m_db);
    QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) VALUES (1, %1)")
                        .arg(m_beta)));
    frmTextes *w = startOnFirstText();
    QVERIFY(w);
    auto *subform = w->subform();
    QCOMPARE(subform->rowCount(), 1);
    m_answer = false;
    QTest::mouseClick(subform->findChild<QPushButton *>(QStringLiteral("supprimer_ligne")),
                      Qt::LeftButton);
    QCOMPARE(m_shown.size(), 1);
    QVERIFY(m_shown.at(0).text.contains(QStringLiteral("segment n° 1")));
    QCOMPARE(subform->rowCount(), 1);
    QCOMPARE(db.count(QStringLiteral("Contenus")), 1);
    m_answer = true;
    QTest::mouseClick(subform->findChild<QPushButton *>(QStringLiteral("supprimer_ligne")),
                      Qt::LeftButton);
    QCOMPARE(subform->rowCount(), 0);
    QCOMPARE(db.count(QStringLiteral("Contenus")), 0);
}

void TestCoding::codingRows_newRowScrolledIntoView()
{
    frmTextes *w = startOnFirstText();
    QVERIFY(w);
    auto *area = w->subform()->findChild<QScrollArea *>(QStringLiteral("lignes_defilement"));
    QVERIFY(area);
    // More rows than the area shows: each new one, with the focus, is in
    // sight at once.
    for (int i = 0; i < 12; ++i) {
        press(w, Qt::Key_N, Qt::ControlModifier);
        QComboBox *box = w->subform()->combo(i, 1);
        QCOMPARE(QApplication::focusWidget(), box);
        const QRect shown(box->mapTo(area->viewport(), QPoint(0, 0)), box->size());
        QVERIFY2(area->viewport()->rect().contains(shown),
                 qPrintable(QStringLiteral("row %1 out of sight").arg(i + 1)));
    }
    QVERIFY(area->verticalScrollBar()->value() > 0);
}

void TestCoding::codingRow_goneElsewhere_changeToldAndReread()
{
    Raw db(m_db);
    QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) VALUES (1, %1), "
                                   "(1, %2)")
                        .arg(m_alpha)
                        .arg(m_beta)));
    frmTextes *w = startOnFirstText();
    QVERIFY(w);
    auto *subform = w->subform();
    QCOMPARE(subform->rowCount(), 2);
    // Another program deletes the first row meanwhile.
    const qint64 gone = subform->codingAt(0);
    QVERIFY(db.exec(QStringLiteral("DELETE FROM Contenus WHERE numero = %1").arg(gone)));
    QComboBox *box = subform->combo(0, 1);
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("Z"));
    // At once the lookup shows what is stored, not the value refused.
    QCOMPARE(box->currentText(), QStringLiteral("alpha"));
    QTRY_COMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.at(0).kind, messages::Kind::Error);
    QVERIFY(m_shown.at(0).text.contains(QStringLiteral("n'existe plus")));
    QVERIFY(m_shown.at(0).text.contains(m_db));
    // The window shows what the database holds; the other row is untouched.
    QTRY_COMPARE(subform->rowCount(), 1);
    QCOMPARE(subform->combo(0, 1)->currentText(), QStringLiteral("Beta"));
    QCOMPARE(rows(db, QStringLiteral("SELECT numvar01 FROM Contenus")),
             QStringList{QString::number(m_beta)});
}

void TestCoding::lookup_listsValuesOrderedAndRefusesOthers()
{
    frmTextes *w = startOnFirstText();
    QVERIFY(w);
    press(w, Qt::Key_N, Qt::ControlModifier);
    QComboBox *box = w->subform()->combo(0, 1);
    QVERIFY(box);
    QVERIFY(!box->isEditable());
    // In French order (case and accents ignored); the empty value first.
    QStringList shown;
    QList<qint64> numbers;
    for (int i = 0; i < box->count(); ++i) {
        shown << box->itemText(i);
        numbers << box->itemData(i).toLongLong();
    }
    QCOMPARE(shown, (QStringList{QString(), QStringLiteral("alpha"), QStringLiteral("Beta"),
                                 QStringLiteral("élan"), QStringLiteral("Zeta")}));
    QCOMPARE(numbers, (QList<qint64>{1, m_alpha, m_beta, m_elan, m_zeta}));
    QCOMPARE(w->subform()->combo(0, 5)->count(), 1);
    Raw db(m_db);

    // Typing what no value starts with changes nothing.
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("qq"));
    QCOMPARE(box->currentIndex(), 0);
    QCOMPARE(db.scalar(QStringLiteral("SELECT numvar01 FROM Contenus")), QStringLiteral("1"));
    // Nor does the wheel rolled over it (it scrolls the rows).
    const QPoint inside = box->rect().center();
    QWheelEvent wheel(inside, box->mapToGlobal(inside), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(box, &wheel);
    QCOMPARE(box->currentIndex(), 0);
    QCOMPARE(db.scalar(QStringLiteral("SELECT numvar01 FROM Contenus")), QStringLiteral("1"));
    // The store itself refuses a number that is not in the list.
    const qint64 coding = w->subform()->codingAt(0);
    auto store = coding::CodingStore::open(m_db);
    QVERIFY_THROWS_EXCEPTION(StoreError, store->setCodingValue(coding, 1, 999));
    try {
        store->setCodingValue(coding, 1, 999);
    } catch (const StoreError &e) {
        QVERIFY(e.message().contains(QStringLiteral("n'est pas dans la liste 1")));
    }
    QCOMPARE(db.scalar(QStringLiteral("SELECT numvar01 FROM Contenus")), QStringLiteral("1"));
}

void TestCoding::listWindow_deleteAsksThenUndoes()
{
    Raw db(m_db);
    QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01, numvar02) VALUES "
                                   "(1, %1, %2), (2, %1, 1), (1, %3, 1)")
                        .arg(m_alpha)
                        .arg(m_positif)
                        .arg(m_beta)));
    const QString all = QStringLiteral("SELECT * FROM Contenus ORDER BY numero");
    const QStringList before = rows(db, all);
    frmTextes *w = startOnFirstText();
    QVERIFY(w);
    QCOMPARE(w->subform()->rowCount(), 2);

    // The list window, driven while it is open (modal).
    bool driven = false;
    QTimer::singleShot(0, this, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        QCOMPARE(dialog->objectName(), QStringLiteral("var_comp_01"));
        auto *list = dialog->findChild<QListWidget *>(QStringLiteral("List1"));
        auto *input = dialog->findChild<QLineEdit *>(QStringLiteral("Text5"));
        auto *modify = dialog->findChild<QPushButton *>(QStringLiteral("Command4"));
        auto *remove = dialog->findChild<QPushButton *>(QStringLiteral("Command3"));
        QVERIFY(list && input && modify && remove);
        // French order here too.
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text();
        QCOMPARE(texts, (QStringList{QString(), QStringLiteral("alpha"), QStringLiteral("Beta"),
                                     QStringLiteral("élan"), QStringLiteral("Zeta")}));

        // The empty value is neither changed nor deleted.
        list->setCurrentRow(0);
        QTest::keyClicks(input, QStringLiteral("x"));
        for (QPushButton *button : {modify, remove}) {
            m_shown.clear();
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(m_shown.size(), 1);
            QCOMPARE(m_shown.at(0).kind, messages::Kind::Plain);
            QVERIFY(m_shown.at(0).text.contains(QStringLiteral("valeur vide")));
            QVERIFY(m_shown.at(0).text.contains(QStringLiteral("« Ajouter »")));
        }
        QCOMPARE(rows(db, all), before);

        // A used value: asked first, "Non" keeps everything.
        list->setCurrentItem(list->findItems(QStringLiteral("alpha"), Qt::MatchExactly).first());
        QCOMPARE(input->text(), QStringLiteral("alpha"));
        m_shown.clear();
        m_answer = false;
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.at(0).kind, messages::Kind::Question);
        QCOMPARE(m_shown.at(0).text,
                 QStringLiteral("« alpha » est utilisée par 2 lignes de codage. Les supprimer "
                                "aussi ?"));
        QCOMPARE(rows(db, all), before);
        QCOMPARE(list->findItems(QStringLiteral("alpha"), Qt::MatchExactly).size(), 1);
        m_answer = true;
        QTest::mouseClick(remove, Qt::LeftButton);
        QVERIFY(list->findItems(QStringLiteral("alpha"), Qt::MatchExactly).isEmpty());
        // A value no coding uses goes without a word.
        m_shown.clear();
        list->setCurrentItem(list->findItems(QStringLiteral("Zeta"), Qt::MatchExactly).first());
        QTest::mouseClick(remove, Qt::LeftButton);
        QVERIFY(m_shown.isEmpty());
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("fermer")),
                          Qt::LeftButton);
        driven = true;
    });
    w->findChild<QAction *>(QStringLiteral("editer_var_comp_01"))->trigger();
    QVERIFY(driven);
    // The coding rows that used it went with it, in the database and on screen.
    QCOMPARE(rows(db, QStringLiteral("SELECT numvar01 FROM Contenus")),
             QStringList{QString::number(m_beta)});
    QCOMPARE(w->subform()->rowCount(), 1);
    QCOMPARE(w->subform()->combo(0, 1)->currentText(), QStringLiteral("Beta"));
    QCOMPARE(w->subform()->combo(0, 1)->findText(QStringLiteral("alpha")), -1);

    // Édition > Annuler, named after each step, from the coding window.
    auto *annuler = w->findChild<QAction *>(QStringLiteral("annuler"));
    auto *retablir = w->findChild<QAction *>(QStringLiteral("retablir"));
    QVERIFY(annuler && retablir);
    QCOMPARE(annuler->text(), QStringLiteral("Annuler la suppression de « Zeta »"));
    QVERIFY(!retablir->isEnabled());
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    press(w, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(annuler->text(), QStringLiteral("Annuler la suppression de « alpha » (2 lignes)"));
    press(w, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(rows(db, all), before);
    QCOMPARE(w->subform()->rowCount(), 2);
    QCOMPARE(w->subform()->combo(0, 1)->currentText(), QStringLiteral("alpha"));
    QCOMPARE(retablir->text(), QStringLiteral("Rétablir la suppression de « alpha » (2 lignes)"));
    press(w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(rows(db, QStringLiteral("SELECT numvar01 FROM Contenus")),
             QStringList{QString::number(m_beta)});
    QCOMPARE(w->subform()->rowCount(), 1);
}

void TestCoding::listWindow_replaceByAnotherValue()
{
    Raw db(m_db);
    QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) VALUES "
                                   "(1, %1), (2, %1), (1, %2)")
                        .arg(m_alpha)
                        .arg(m_beta)));
    const QString all = QStringLiteral("SELECT * FROM Contenus ORDER BY numero");
    const QStringList before = rows(db, all);
    frmTextes *w = startOnFirstText();
    QVERIFY(w);
    bool driven = false;
    QTimer::singleShot(0, this, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        auto *list = dialog->findChild<QListWidget *>(QStringLiteral("List1"));
        list->setCurrentItem(list->findItems(QStringLiteral("alpha"), Qt::MatchExactly).first());
        bool chosen = false;
        QTimer::singleShot(0, this, [&] {
            QWidget *chooser = QApplication::activeModalWidget();
            QVERIFY(chooser);
            QCOMPARE(chooser->objectName(), QStringLiteral("remplacer_par"));
            auto *values = chooser->findChild<QListWidget *>(QStringLiteral("valeurs"));
            QVERIFY(values);
            QCOMPARE(values->findItems(QStringLiteral("alpha"), Qt::MatchExactly).size(), 0);
            values->setCurrentItem(
                values->findItems(QStringLiteral("Beta"), Qt::MatchExactly).first());
            QTest::mouseClick(chooser->findChild<QPushButton *>(QStringLiteral("remplacer")),
                              Qt::LeftButton);
            chosen = true;
        });
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("remplacer")),
                          Qt::LeftButton);
        QVERIFY(chosen);
        QVERIFY(list->findItems(QStringLiteral("alpha"), Qt::MatchExactly).isEmpty());
        QTest::keyClick(dialog, Qt::Key_Escape);
        driven = true;
    });
    w->findChild<QAction *>(QStringLiteral("editer_var_comp_01"))->trigger();
    QVERIFY(driven);
    QVERIFY(m_shown.isEmpty());
    // The same rows, now on Beta; alpha is gone.
    QCOMPARE(rows(db, QStringLiteral("SELECT numero, numvar01 FROM Contenus ORDER BY numero")),
             (QStringList{QStringLiteral("1|%1").arg(m_beta), QStringLiteral("2|%1").arg(m_beta),
                          QStringLiteral("3|%1").arg(m_beta)}));
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM var_comp_01 WHERE numero = %1")
                           .arg(m_alpha)),
             QStringLiteral("0"));
    QCOMPARE(w->subform()->combo(0, 1)->currentText(), QStringLiteral("Beta"));
    // One step undoes both.
    auto *annuler = w->findChild<QAction *>(QStringLiteral("annuler"));
    QCOMPARE(annuler->text(),
             QStringLiteral("Annuler le remplacement de « alpha » par « Beta » (2 lignes)"));
    annuler->trigger();
    QCOMPARE(rows(db, all), before);
    QCOMPARE(w->subform()->combo(0, 1)->currentText(), QStringLiteral("alpha"));
}

void TestCoding::listWindow_namesAndDefinitions()
{
    Raw db(m_db);
    QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) VALUES (1, %1)")
                        .arg(m_alpha)));
    frmTextes *w = startOnFirstText();
    QVERIFY(w);
    auto *caption = w->subform()->findChild<QLabel *>(QStringLiteral("titre_numvar01"));
    QVERIFY(caption);
    QCOMPARE(caption->text(), QStringLiteral("Variable de comparaison 1 (Ctrl+1)"));
    bool driven = false;
    QTimer::singleShot(0, this, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("nom_liste"));
        QVERIFY(name);
        QCOMPARE(name->text(), QStringLiteral("Variable de comparaison 1"));
        name->setFocus();
        name->selectAll();
        name->insert(QStringLiteral("Thème")); // typed (QTest types ASCII only)
        QTest::keyClick(name, Qt::Key_Return);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Analyse de contenu - Thème (liste 1)"));

        auto *list = dialog->findChild<QListWidget *>(QStringLiteral("List1"));
        auto *definition = dialog->findChild<QPlainTextEdit *>(QStringLiteral("definition"));
        QVERIFY(list && definition);
        QListWidgetItem *alpha = list->findItems(QStringLiteral("alpha"), Qt::MatchExactly).first();
        list->setCurrentItem(alpha);
        QVERIFY(definition->toPlainText().isEmpty());
        definition->setFocus();
        definition->insertPlainText(QStringLiteral("Tout début."));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("enregistrer_definition")),
                          Qt::LeftButton);
        QCOMPARE(alpha->toolTip(), QStringLiteral("Tout début."));
        // Shown again when the value is chosen again.
        list->setCurrentRow(0);
        QVERIFY(definition->toPlainText().isEmpty());
        list->setCurrentItem(alpha);
        QCOMPARE(definition->toPlainText(), QStringLiteral("Tout début."));
        QTest::keyClick(dialog, Qt::Key_Escape);
        driven = true;
    });
    w->findChild<QAction *>(QStringLiteral("editer_var_comp_01"))->trigger();
    QVERIFY(driven);
    QVERIFY(m_shown.isEmpty());
    QCOMPARE(db.scalar(QStringLiteral("SELECT nom FROM Listes WHERE liste = 1")),
             QStringLiteral("Thème"));
    QCOMPARE(db.scalar(QStringLiteral("SELECT definition FROM Definitions WHERE liste = 1 AND "
                                      "numero = %1")
                           .arg(m_alpha)),
             QStringLiteral("Tout début."));
    // The coding window: the lookups' caption, the value's tooltip, the menu.
    QCOMPARE(caption->text(), QStringLiteral("Thème (Ctrl+1)"));
    QCOMPARE(w->subform()->combo(0, 1)->toolTip(), QStringLiteral("Tout début."));
    QVERIFY(w->findChild<QAction *>(QStringLiteral("editer_var_comp_01"))
                ->text()
                .contains(QStringLiteral("Thème")));
    // Both undone, one step each.
    auto *annuler = w->findChild<QAction *>(QStringLiteral("annuler"));
    QCOMPARE(annuler->text(), QStringLiteral("Annuler la définition de « alpha »"));
    annuler->trigger();
    QCOMPARE(w->subform()->combo(0, 1)->toolTip(), QStringLiteral("n° %1").arg(m_alpha));
    QCOMPARE(annuler->text(), QStringLiteral("Annuler le nom « Thème » de la liste 1"));
    annuler->trigger();
    QCOMPARE(caption->text(), QStringLiteral("Variable de comparaison 1 (Ctrl+1)"));
    QCOMPARE(db.count(QStringLiteral("Listes")), 0);
    QCOMPARE(db.count(QStringLiteral("Definitions")), 0);
}

void TestCoding::readOnly_oneSwitchDisablesEveryEdit()
{
    Raw db(m_db);
    QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) VALUES (1, %1)")
                        .arg(m_alpha)));
    coding::Session session(coding::CodingStore::open(m_db));
    frmTextes w(session, m_text, QStringLiteral("/corpus/entretien n°1.txt"));
    QVERIFY(w.Form_Load());
    w.show();
    session.history().addCoding(2); // a step to undo
    auto *annuler = w.findChild<QAction *>(QStringLiteral("annuler"));
    QVERIFY(annuler->isEnabled());

    session.history().setReadOnly(true);
    QVERIFY(!annuler->isEnabled());
    QVERIFY(!w.subform()->combo(0, 1)->isEnabled());
    QVERIFY(!w.subform()->findChild<QPushButton *>(QStringLiteral("nouvelle_ligne"))->isEnabled());
    QVERIFY(!w.subform()->findChild<QPushButton *>(QStringLiteral("supprimer_ligne"))->isEnabled());
    w.subform()->addRow();
    w.subform()->deleteRow();
    QCOMPARE(db.count(QStringLiteral("Contenus")), 2);
    bool driven = false;
    QTimer::singleShot(0, this, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        for (const char *name : {"Command2", "Command4", "Command3", "remplacer",
                                 "enregistrer_definition"})
            QVERIFY2(!dialog->findChild<QPushButton *>(QString::fromLatin1(name))->isEnabled(), name);
        QVERIFY(dialog->findChild<QLineEdit *>(QStringLiteral("nom_liste"))->isReadOnly());
        QTest::keyClick(dialog, Qt::Key_Escape);
        driven = true;
    });
    session.editList(1, &w);
    QVERIFY(driven);

    // Back to writing: the edits come back.
    session.history().setReadOnly(false);
    QVERIFY(annuler->isEnabled());
    QVERIFY(w.subform()->combo(0, 1)->isEnabled());
    QVERIFY(m_shown.isEmpty());
}

void TestCoding::variableDeletedElsewhere_showsAtRefresh()
{
    Raw db(m_db);
    QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar02) VALUES (1, %1)")
                        .arg(m_negatif)));
    frmTextes *w = startOnFirstText();
    QVERIFY(w);
    QCOMPARE(w->subform()->rowCount(), 1);
    QCOMPARE(w->segmentModel()->data(w->segmentModel()->index(0, 2)).toString(),
             QStringLiteral("oui"));

    // Telmira's variables window (another program) deletes the value.
    QVERIFY(db.exec(QStringLiteral("DELETE FROM var_comp_02 WHERE numero = %1").arg(m_negatif)));
    QCOMPARE(db.count(QStringLiteral("Contenus")), 0);
    press(w, Qt::Key_F5);
    QCOMPARE(w->subform()->rowCount(), 0);
    QCOMPARE(w->segmentModel()->data(w->segmentModel()->index(0, 2)).toString(), QString());
    QCOMPARE(w->subform()->findChild<QLabel *>(QStringLiteral("aucune_ligne"))->isVisible(), true);
    QVERIFY(m_shown.isEmpty());
}

void TestCoding::listWindow_addsWithTheVariablesRules()
{
    frmTextes *w = startOnFirstText();
    QVERIFY(w);
    press(w, Qt::Key_N, Qt::ControlModifier);
    bool driven = false;
    QTimer::singleShot(0, this, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        QCOMPARE(dialog->objectName(), QStringLiteral("var_comp_02"));
        auto *input = dialog->findChild<QLineEdit *>(QStringLiteral("Text9"));
        auto *add = dialog->findChild<QPushButton *>(QStringLiteral("Command7"));
        QVERIFY(input && add);
        QTest::keyClicks(input, QStringLiteral("positif"));
        QTest::mouseClick(add, Qt::LeftButton);
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.at(0).kind, messages::Kind::Plain);
        QCOMPARE(m_shown.at(0).text, QStringLiteral("Cet élément existe déjà dans la liste."));
        input->clear();
        QTest::keyClicks(input, QStringLiteral("ambivalent"));
        // Enter in the input box neither adds nor closes the window.
        QTest::keyClick(input, Qt::Key_Return);
        QVERIFY(dialog->isVisible());
        QTest::mouseClick(add, Qt::LeftButton);
        QTest::keyClick(dialog, Qt::Key_Escape);
        driven = true;
    });
    w->findChild<QAction *>(QStringLiteral("editer_var_comp_02"))->trigger();
    QVERIFY(driven);
    Raw db(m_db);
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM var_comp_02 WHERE variable02 = "
                                      "'ambivalent'")),
             QStringLiteral("1"));
    // The lookups of the open window list it at once, in its place.
    QComboBox *box = w->subform()->combo(0, 2);
    QCOMPARE(box->itemText(1), QStringLiteral("ambivalent"));
    QCOMPARE(box->currentIndex(), 0);
}

void TestCoding::nextUncoded()
{
    Raw db(m_db);
    // Coded: a row holding a value. A row left on the five empty values does
    // not code its segment (3).
    QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01) VALUES (1, %1), "
                                   "(2, %1), (3, 1), (4, %1)")
                        .arg(m_alpha)));
    frmTextes *w = startOnFirstText();
    QVERIFY(w);
    auto *number = w->findChild<QLabel *>(QStringLiteral("textes_numero"));
    press(w, Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(number->text(), QStringLiteral("Segment n° 3"));
    // The only one left: it stays, and says so.
    press(w, Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(number->text(), QStringLiteral("Segment n° 3"));
    QVERIFY(w->statusBar()->currentMessage().contains(QStringLiteral("seul segment sans codage")));
    // From the last segment it starts again at the beginning.
    press(w, Qt::Key_End, Qt::AltModifier);
    press(w, Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(number->text(), QStringLiteral("Segment n° 3"));
    // A new row alone does not code it; a value chosen does: none left.
    press(w, Qt::Key_N, Qt::ControlModifier);
    press(w, Qt::Key_U, Qt::ControlModifier);
    QVERIFY(w->statusBar()->currentMessage().contains(QStringLiteral("seul segment sans codage")));
    QTest::keyClicks(w->subform()->combo(1, 1), QStringLiteral("B"));
    press(w, Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(number->text(), QStringLiteral("Segment n° 3"));
    QVERIFY(w->statusBar()->currentMessage().contains(QStringLiteral("sont codés")));
    // The other text's segment (number 5, uncoded) is never reached.
    QVERIFY(m_shown.isEmpty());
}

void TestCoding::segmentList_followsAndChooses()
{
    frmTextes *w = startOnFirstText();
    QVERIFY(w);
    auto *list = w->findChild<QTableView *>(QStringLiteral("liste"));
    QVERIFY(list);
    QCOMPARE(list->model()->rowCount(), 4);
    QCOMPARE(list->model()->data(list->model()->index(2, 0)).toString(), QStringLiteral("3"));
    // The start of the text on one line.
    QCOMPARE(list->model()->data(list->model()->index(2, 1)).toString(),
             QStringLiteral("Ligne un ligne deux."));
    press(w, Qt::Key_Right, Qt::AltModifier);
    QCOMPARE(list->currentIndex().row(), 1);
    // Choosing in the list moves the window.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(w->findChild<QLabel *>(QStringLiteral("position"))->text(), QStringLiteral("Segment 3 sur 4 de ce texte"));
    // A segment is marked coded in the list when a row holds a value, not
    // by a new row alone; back on the empty value, it is no longer coded.
    press(w, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(list->model()->data(list->model()->index(2, 2)).toString(), QString());
    QComboBox *box = w->subform()->combo(0, 2);
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("p"));
    QCOMPARE(list->model()->data(list->model()->index(2, 2)).toString(), QStringLiteral("oui"));
    QTest::keyClick(box, Qt::Key_Home);
    QCOMPARE(box->currentIndex(), 0);
    QCOMPARE(list->model()->data(list->model()->index(2, 2)).toString(), QString());
}

void TestCoding::export_readBack_data()
{
    QTest::addColumn<bool>("comma");
    QTest::newRow("point-virgule") << false;
    QTest::newRow("virgule") << true;
}

void TestCoding::export_readBack()
{
    QFETCH(bool, comma);
    Raw db(m_db);
    QVERIFY(db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01, numvar02) VALUES "
                                   "(2, %1, %2), (2, %3, 1), (4, %4, 1)")
                        .arg(m_elan)
                        .arg(m_negatif)
                        .arg(m_beta)
                        .arg(m_zeta)));
    const QString target = m_dir->filePath(QStringLiteral("codage.csv"));
    QString suggested;
    coding::dialogs::setSaveHook([&](QWidget *, const QString &s) {
        suggested = s;
        return target;
    });
    frmChemin *chemin = startOn(m_db);
    QVERIFY(chemin);
    if (comma)
        chemin->findChild<QAction *>(QStringLiteral("virgule"))->trigger();
    chemin->findChild<QAction *>(QStringLiteral("exporter"))->trigger();
    QVERIFY2(m_shown.isEmpty(), m_shown.isEmpty() ? "" : qPrintable(m_shown.first().text));
    QCOMPARE(suggested, m_dir->filePath(QStringLiteral("a.csv")));

    const QByteArray bytes = storetest::bytesOf(target);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(bytes.mid(3));
    QList<QStringList> records;
    QVERIFY(parseCsv(text, comma ? QLatin1Char(',') : QLatin1Char(';'), &records));
    QCOMPARE(records.size(), 1 + 6); // header, 2 + 1 + 1 + 1 rows of text 1, 1 of text 2
    std::array<QString, coding::kLists> names;
    for (int k = 1; k <= coding::kLists; ++k)
        names[size_t(k - 1)] = codebook::defaultListName(k);
    QCOMPARE(records.at(0), coding::exportHeader(names));
    for (const QStringList &r : records)
        QCOMPARE(r.size(), 15);
    const QString path1 = QStringLiteral("/corpus/entretien n°1.txt");
    auto expect = [&](int i, const QStringList &wanted) {
        QCOMPARE(records.at(i), wanted);
    };
    const QStringList empty10(11, QString()); // the lists' fields and the note
    expect(1, QStringList{QStringLiteral("1"), path1, QStringLiteral("1"), kSegments.at(0)}
                  + empty10);
    expect(2, QStringList{QStringLiteral("1"), path1, QStringLiteral("2"), kSegments.at(1),
                          QString::number(m_elan), QStringLiteral("élan"),
                          QString::number(m_negatif), QStringLiteral("négatif"),
                          QStringLiteral("1"), QString(), QStringLiteral("1"), QString(),
                          QStringLiteral("1"), QString(), QString()});
    expect(3, QStringList{QStringLiteral("1"), path1, QStringLiteral("2"), kSegments.at(1),
                          QString::number(m_beta), QStringLiteral("Beta"), QStringLiteral("1"),
                          QString(), QStringLiteral("1"), QString(), QStringLiteral("1"),
                          QString(), QStringLiteral("1"), QString(), QString()});
    // The segment's CR LF kept inside its quoted field.
    expect(4, QStringList{QStringLiteral("1"), path1, QStringLiteral("3"),
                          QStringLiteral("Ligne un\r\nligne deux.")}
                  + empty10);
    QCOMPARE(records.at(5).at(3), kSegments.at(3));
    QCOMPARE(records.at(5).at(5), QStringLiteral("Zeta"));
    expect(6, QStringList{QStringLiteral("2"), QStringLiteral("/corpus/autre.txt"),
                          QStringLiteral("5"), QStringLiteral("Autre texte.")}
                  + empty10);
    // Fields holding the separator or a quote are quoted, the others not.
    QVERIFY(text.contains(QStringLiteral("\"Deuxième ; avec \"\"guillemets\"\", et une "
                                         "virgule.\"")));
    QVERIFY(text.contains(QStringLiteral("Première phrase.")));
    QVERIFY(!text.contains(QStringLiteral("\"Première phrase.\"")));
    QVERIFY(text.endsWith(QStringLiteral("\r\n")));
    QVERIFY(chemin->statusBar()->currentMessage().contains(QStringLiteral("6 lignes")));
}

// The first export proposes the analysis's folder; the next ones the folder
// last chosen.
void TestCoding::export_startsInTheLastFolderUsed()
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("exports")));
    QStringList suggested;
    coding::dialogs::setSaveHook([&](QWidget *, const QString &s) {
        suggested << s;
        return m_dir->filePath(QStringLiteral("exports/codage.csv"));
    });
    frmChemin *chemin = startOn(m_db);
    QVERIFY(chemin);
    chemin->findChild<QAction *>(QStringLiteral("exporter"))->trigger();
    chemin->findChild<QAction *>(QStringLiteral("exporter"))->trigger();
    QCOMPARE(suggested, (QStringList{m_dir->filePath(QStringLiteral("a.csv")),
                                     m_dir->filePath(QStringLiteral("exports/a.csv"))}));
}

void TestCoding::export_cancelledLeavesNoFile()
{
    auto store = coding::CodingStore::open(m_db);
    const QString target = m_dir->filePath(QStringLiteral("annule.csv"));
    const coding::ExportOutcome outcome = coding::exportCsv(
        *store, target, coding::ExportOptions{}, [](qint64, qint64) { return false; });
    QCOMPARE(outcome.status, coding::ExportOutcome::Cancelled);
    QVERIFY(!QFile::exists(target));

    // A folder that cannot be written: a message naming the file, no file.
    const QString bad = m_dir->filePath(QStringLiteral("absent/codage.csv"));
    const coding::ExportOutcome failed = coding::exportCsv(*store, bad, coding::ExportOptions{});
    QCOMPARE(failed.status, coding::ExportOutcome::Failed);
    QVERIFY(failed.message.contains(bad));
    QVERIFY(!QFile::exists(bad));
}

void TestCoding::exportDialog_namesTheCsvFile()
{
    // The real dialog: a name typed without a suffix is the CSV file, so that
    // the dialog asks before replacing an existing one.
    coding::dialogs::setSaveHook({});
    const QString suggested = m_dir->filePath(QStringLiteral("a.csv"));
    bool driven = false;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        QCOMPARE(name->text(), QStringLiteral("a.csv"));
        name->setText(QStringLiteral("codage"));
        QTest::keyClick(name, Qt::Key_Return);
        driven = true;
    });
    const QString chosen = coding::dialogs::saveCsv(nullptr, suggested);
    QVERIFY(driven);
    QCOMPARE(chosen, m_dir->filePath(QStringLiteral("codage.csv")));
}

void TestCoding::export_neverOverTheDatabase_data()
{
    QTest::addColumn<bool>("link");
    QTest::newRow("la base elle-même") << false;
    QTest::newRow("un lien vers la base") << true;
}

void TestCoding::export_neverOverTheDatabase()
{
    QFETCH(bool, link);
    QString target = m_db;
    if (link) {
        target = m_dir->filePath(QStringLiteral("lien.csv"));
        QVERIFY(QFile::link(m_db, target));
    }
    coding::dialogs::setSaveHook([&](QWidget *, const QString &) { return target; });
    const QByteArray before = storetest::bytesOf(m_db);
    frmChemin *chemin = startOn(m_db);
    QVERIFY(chemin);
    chemin->findChild<QAction *>(QStringLiteral("exporter"))->trigger();
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.at(0).kind, messages::Kind::Error);
    QVERIFY(m_shown.at(0).text.contains(QStringLiteral("elle-même")));
    QCOMPARE(storetest::bytesOf(m_db), before);
}

void TestCoding::store_waitsForTheOtherProgram()
{
    auto store = coding::CodingStore::open(m_db);
    // Telmira holds the file in a write transaction for a moment.
    Raw other(m_db);
    QVERIFY(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
    QVERIFY(other.exec(QStringLiteral("INSERT INTO var_comp_03 (variable03) VALUES ('x')")));
    std::thread release([&other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other.exec(QStringLiteral("COMMIT"));
    });
    qint64 coding = 0;
    try {
        coding = store->addCoding(1);
    } catch (const StoreError &e) {
        release.join();
        QFAIL(qPrintable(e.message()));
    }
    release.join();
    QVERIFY(coding > 0);
    Raw db(m_db);
    QCOMPARE(db.count(QStringLiteral("Contenus")), 1);
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM var_comp_03")), QStringLiteral("2"));
}

void TestCoding::foreignFile_refusedAndUnchanged_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("sqlite");
    QTest::newRow("texte") << QByteArray("Ceci n'est pas une base.\r\n") << false;
    QTest::newRow("autre base SQLite") << QByteArray() << true;
}

void TestCoding::foreignFile_refusedAndUnchanged()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, sqlite);
    const QString path = m_dir->filePath(QStringLiteral("autre.mdb"));
    if (sqlite) {
        sqlite3 *h = nullptr;
        QCOMPARE(sqlite3_open(path.toUtf8().constData(), &h), SQLITE_OK);
        QCOMPARE(sqlite3_exec(h, "CREATE TABLE Chemin (numero INTEGER, chemin TEXT)", nullptr,
                              nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_close(h);
    } else {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    const QByteArray before = storetest::bytesOf(path);
    const QStringList filesBefore = QDir(m_dir->path()).entryList(QDir::Files);
    QVERIFY(!startOn(path));
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.at(0).kind, messages::Kind::Error);
    QVERIFY(m_shown.at(0).text.contains(path));
    QVERIFY(m_shown.at(0).text.contains(QStringLiteral("n'est pas une base d'analyse")));
    QCOMPARE(storetest::bytesOf(path), before);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), filesBefore);
}

void TestCoding::noArgument_asksForTheFile()
{
    coding::dialogs::setOpenHook([](QWidget *) { return QString(); });
    QVERIFY(!startOn(QString()));
    QVERIFY(m_shown.isEmpty());
    coding::dialogs::setOpenHook([this](QWidget *) { return m_db; });
    frmChemin *chemin = startOn(QString());
    QVERIFY(chemin);
    QVERIFY(chemin->findChild<QLabel *>(QStringLiteral("base"))->text().contains(m_db));
}

QTEST_MAIN(TestCoding)
#include "test_coding.moc"
