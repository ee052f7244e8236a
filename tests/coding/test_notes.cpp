// The coder's notes driven as a researcher drives them: the shortcut opens
// the editor of the segment's (or the text's) note, OK writes it, the mark
// shows by the segment, "Édition > Annuler" takes it back; the window
// "Notes" lists every note, filters as one types (without accents nor
// case), opens a segment's note in the coding window, and removes a note as
// one step of the history. The database is read directly to see what was
// stored.
#include "codingtest.h"

#include "coding/filedialogs.h"
#include "coding/frmchemin.h"
#include "coding/frmnotes.h"
#include "coding/frmtextes.h"
#include "coding/session.h"
#include "common/messages.h"
#include "exchange/csvexport.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace codingtest;
using coding::frmChemin;
using coding::frmTextes;

namespace {

const QStringList kSegments = {
    QStringLiteral("Première phrase."),
    QStringLiteral("Le budget pèse sur l'emploi."),
    QStringLiteral("Une troisième."),
    QStringLiteral("Dernière, à l'été."),
};

// The notes of the file, each as "genre|target|note", in key order.
QStringList storedNotes(const QString &path)
{
    Raw db(path);
    return rows(db, QStringLiteral("SELECT genre, cible, note FROM Notes ORDER BY genre, cible"));
}

coding::frmNotes *notesWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *n = qobject_cast<coding::frmNotes *>(w); n && n->isVisible())
            return n;
    return nullptr;
}

} // namespace

class TestNotes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void editor_writesMarksAndUndoes_data();
    void editor_writesMarksAndUndoes();
    void notesWindow_filters_data();
    void notesWindow_filters();
    void notesWindow_opensTheSegment();
    void notesWindow_deletesAsOneStep();

private:
    frmTextes *startOnFirstText();
    QStringList shownRows(coding::frmNotes *window) const;

    QTemporaryDir m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_db;
    qint64 m_text = 0;
    qint64 m_other = 0;
    QList<messages::Shown> m_shown;
    QPointer<frmChemin> m_chemin;
};

void TestNotes::initTestCase()
{
    QVERIFY(m_settings.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void TestNotes::init()
{
    QStandardPaths::setTestModeEnabled(true);
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_db = freshDatabase(*m_dir);
    Raw db(m_db);
    m_text = addText(db, QStringLiteral("/corpus/entretien n°1.txt"), kSegments);
    m_other = addText(db, QStringLiteral("/corpus/autre.txt"),
                      {QStringLiteral("Économie du territoire.")});
    m_shown.clear();
    messages::setHandler([this](const messages::Shown &shown) {
        m_shown << shown;
        return true;
    });
    QSettings().clear();
}

void TestNotes::cleanup()
{
    if (m_chemin)
        m_chemin->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTRY_VERIFY(!m_chemin);
    QTRY_VERIFY(!notesWindow());
    messages::setHandler({});
    m_dir.reset();
}

frmTextes *TestNotes::startOnFirstText()
{
    m_chemin = coding::start(m_db);
    if (!m_chemin)
        return nullptr;
    m_chemin->activateWindow();
    if (!QTest::qWaitForWindowActive(m_chemin))
        return nullptr;
    auto *texts = m_chemin->findChild<QTreeWidget *>(QStringLiteral("Modifiable4"));
    texts->setFocus();
    texts->setCurrentItem(texts->topLevelItem(0));
    QTest::keyClick(texts, Qt::Key_Return);
    frmTextes *w = m_chemin->textWindow(m_text);
    if (!w)
        return nullptr;
    w->activateWindow();
    return QTest::qWaitForWindowActive(w) ? w : nullptr;
}

QStringList TestNotes::shownRows(coding::frmNotes *window) const
{
    auto *list = window->findChild<QTreeWidget *>(QStringLiteral("liste_notes"));
    QStringList shown;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = list->topLevelItem(i);
        if (item->isHidden())
            continue;
        QStringList columns;
        for (int c = 0; c < 5; ++c)
            columns << item->text(c);
        shown << columns.join(QLatin1Char('|'));
    }
    return shown;
}

void TestNotes::editor_writesMarksAndUndoes_data()
{
    QTest::addColumn<int>("key");        // with Ctrl+Maj: N the segment's note, T the text's
    QTest::addColumn<QString>("before"); // the note already there; null: none
    QTest::addColumn<QString>("typed");  // after the editor's text was emptied when `clear`
    QTest::addColumn<bool>("clear");
    QTest::addColumn<QString>("how");    // "ok", "ctrl+entree" or "annuler"
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<bool>("marked"); // the segment shows its mark afterwards
    const QString none;
    // The second segment of the first text is segment 2.
    QTest::newRow("nouvelle note, OK")
        << int(Qt::Key_N) << none << QStringLiteral("À revoir") << false << "ok"
        << QStringList{"1|2|À revoir"} << true;
    QTest::newRow("Entrée fait un saut de ligne, Ctrl+Entrée écrit")
        << int(Qt::Key_N) << none << QStringLiteral("un\ndeux") << false << "ctrl+entree"
        << QStringList{"1|2|un\ndeux"} << true;
    QTest::newRow("ajout à une note existante")
        << int(Qt::Key_N) << QStringLiteral("Déjà") << QStringLiteral(" et encore") << false << "ok"
        << QStringList{"1|2|Déjà et encore"} << true;
    QTest::newRow("vider supprime la note")
        << int(Qt::Key_N) << QStringLiteral("Déjà") << QString() << true << "ok" << QStringList{}
        << false;
    QTest::newRow("Annuler ne change rien")
        << int(Qt::Key_N) << none << QStringLiteral("perdu") << false << "annuler" << QStringList{}
        << false;
    QTest::newRow("note du texte")
        << int(Qt::Key_T) << none << QStringLiteral("Entretien pilote") << false << "ok"
        << QStringList{"2|1|Entretien pilote"} << false;
}

void TestNotes::editor_writesMarksAndUndoes()
{
    QFETCH(int, key);
    QFETCH(QString, before);
    QFETCH(QString, typed);
    QFETCH(bool, clear);
    QFETCH(QString, how);
    QFETCH(QStringList, stored);
    QFETCH(bool, marked);
    const int genre = key == Qt::Key_N ? 1 : 2;
    const qint64 target = key == Qt::Key_N ? 2 : m_text;
    if (!before.isNull())
        QVERIFY(Raw(m_db).exec(QStringLiteral("INSERT INTO Notes VALUES (%1, %2, '%3')")
                                   .arg(genre)
                                   .arg(target)
                                   .arg(before)));
    const QStringList initial = storedNotes(m_db);
    frmTextes *w = startOnFirstText();
    QVERIFY(w);
    QTest::keyClick(w, Qt::Key_Right, Qt::AltModifier);
    QCOMPARE(w->currentSegment(), qint64(2));
    auto *mark = w->findChild<QLabel *>(QStringLiteral("note_marque"));
    QVERIFY(mark);
    QCOMPARE(mark->isVisibleTo(w), genre == 1 && !before.isNull());
    auto *action = w->findChild<QAction *>(genre == 1 ? QStringLiteral("note_segment")
                                                      : QStringLiteral("note_texte"));
    QVERIFY(action);
    QCOMPARE(action->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key(key)));

    bool seen = false;
    QString shownFirst;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != QLatin1String("frmNote"))
            return;
        seen = true;
        auto *note = dialog->findChild<QPlainTextEdit *>(QStringLiteral("note"));
        shownFirst = note->toPlainText();
        if (clear) {
            note->selectAll();
            QTest::keyClick(note, Qt::Key_Delete);
        }
        const QStringList lines = typed.split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            if (i > 0)
                QTest::keyClick(note, Qt::Key_Return);
            QTest::keyClicks(note, lines.at(i));
        }
        if (how == QLatin1String("ok"))
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("ok")),
                              Qt::LeftButton);
        else if (how == QLatin1String("ctrl+entree"))
            QTest::keyClick(note, Qt::Key_Return, Qt::ControlModifier);
        else
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("annuler")),
                              Qt::LeftButton);
        // Never left open when the keys did not close it (the test then fails).
        QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
    });
    QTest::keyClick(w, Qt::Key(key), Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(seen);
    QCOMPARE(shownFirst, before.isNull() ? QString() : before);
    QVERIFY2(m_shown.isEmpty(), m_shown.isEmpty() ? "" : qPrintable(m_shown.first().text));
    QCOMPARE(storedNotes(m_db), stored);
    QCOMPARE(mark->isVisibleTo(w), marked);
    if (marked)
        QCOMPARE(mark->toolTip(), stored.first().section(QLatin1Char('|'), 2));
    if (how == QLatin1String("annuler"))
        return;

    // "Édition > Annuler" (Ctrl+Z) takes the note back as it was.
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(storedNotes(m_db), initial);
    QCOMPARE(mark->isVisibleTo(w), genre == 1 && !before.isNull());
}

void TestNotes::notesWindow_filters_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("shown");
    const QString analysis = QStringLiteral("Analyse||||Étude pilote");
    const QString text = QStringLiteral("Texte|entretien n°1.txt|||Entretien long");
    const QString s2 = QStringLiteral("Segment|entretien n°1.txt|2|Le budget pèse sur l'emploi.|"
                                      "Économie : à creuser");
    const QString s4 = QStringLiteral("Segment|entretien n°1.txt|4|Dernière, à l'été.|Ironie ?");
    const QString s5 = QStringLiteral("Segment|autre.txt|1|Économie du territoire.|Voir aussi");
    QTest::newRow("tout") << QString() << QStringList{analysis, text, s2, s4, s5};
    QTest::newRow("econ trouve Économie, dans la note ou le segment")
        << QStringLiteral("econ") << QStringList{s2, s5};
    QTest::newRow("majuscules et accents") << QStringLiteral("ÉTÉ") << QStringList{s4};
    QTest::newRow("deux mots") << QStringLiteral("econ  creuser") << QStringList{s2};
    QTest::newRow("rien") << QStringLiteral("zzz") << QStringList{};
    QTest::newRow("un mot de la note de l'analyse") << QStringLiteral("pilote") << QStringList{analysis};
}

void TestNotes::notesWindow_filters()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, shown);
    // Segment 99 is gone: its note is never listed.
    QVERIFY(Raw(m_db).exec(QStringLiteral(
        "INSERT INTO Notes VALUES (3, 0, 'Étude pilote'), (2, 1, 'Entretien long'),"
        " (1, 2, 'Économie : à creuser'), (1, 4, 'Ironie ?'), (1, 5, 'Voir aussi'),"
        " (1, 99, 'disparu')")));
    m_chemin = coding::start(m_db);
    QVERIFY(m_chemin);
    auto *open = m_chemin->findChild<QAction *>(QStringLiteral("notes"));
    QVERIFY(open);
    open->trigger();
    coding::frmNotes *window = notesWindow();
    QVERIFY(window);
    auto *search = window->findChild<QLineEdit *>(QStringLiteral("rechercher"));
    QVERIFY(search);
    QTest::keyClicks(search, typed);
    QCOMPARE(shownRows(window), shown);
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("etat"))->text(),
             typed.isEmpty() ? QStringLiteral("5 note(s)")
                             : QStringLiteral("%1 note(s) sur 5").arg(shown.size()));
}

void TestNotes::notesWindow_opensTheSegment()
{
    QVERIFY(Raw(m_db).exec(QStringLiteral(
        "INSERT INTO Notes VALUES (1, 4, 'Ironie ?'), (1, 3, 'Économie')")));
    frmTextes *w = startOnFirstText();
    QVERIFY(w);
    QCOMPARE(w->currentSegment(), qint64(1));
    // From the coding window's menu this time.
    w->findChild<QAction *>(QStringLiteral("notes"))->trigger();
    coding::frmNotes *window = notesWindow();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTest::keyClicks(window->findChild<QLineEdit *>(QStringLiteral("rechercher")),
                     QStringLiteral("ironie"));
    auto *list = window->findChild<QTreeWidget *>(QStringLiteral("liste_notes"));
    QTreeWidgetItem *item = list->currentItem();
    QVERIFY(item);
    QCOMPARE(item->text(4), QStringLiteral("Ironie ?"));
    // Chosen with a click, opened with a double-click.
    const QRect rect = list->visualItemRect(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QCOMPARE(m_chemin->textWindow(m_text), w);
    QCOMPARE(w->currentSegment(), qint64(4));
    QVERIFY(w->findChild<QLabel *>(QStringLiteral("note_marque"))->isVisibleTo(w));
    QVERIFY(m_shown.isEmpty());
}

void TestNotes::notesWindow_deletesAsOneStep()
{
    QVERIFY(Raw(m_db).exec(QStringLiteral(
        "INSERT INTO Notes VALUES (1, 4, 'Ironie ?'), (2, 2, 'Texte court')")));
    m_chemin = coding::start(m_db);
    QVERIFY(m_chemin);
    m_chemin->findChild<QAction *>(QStringLiteral("notes"))->trigger();
    coding::frmNotes *window = notesWindow();
    QVERIFY(window);
    auto *list = window->findChild<QTreeWidget *>(QStringLiteral("liste_notes"));
    // The text's note comes after the first text's segment notes.
    list->setCurrentItem(list->topLevelItem(1));
    QCOMPARE(list->currentItem()->text(4), QStringLiteral("Texte court"));
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("supprimer")),
                      Qt::LeftButton);
    QCOMPARE(storedNotes(m_db), QStringList{"1|4|Ironie ?"});
    QCOMPARE(shownRows(window).size(), 1);
    // Undone from the start-up window's menu: back in the file and the list.
    QAction *undo = m_chemin->findChild<QAction *>(QStringLiteral("annuler"));
    QCOMPARE(undo->text(), QStringLiteral("Annuler la note du texte n° 2"));
    undo->trigger();
    QCOMPARE(storedNotes(m_db), (QStringList{"1|4|Ironie ?", "2|2|Texte court"}));
    QCOMPARE(shownRows(window).size(), 2);
    QVERIFY(m_shown.isEmpty());
}

QTEST_MAIN(TestNotes)
#include "test_notes.moc"
