// The window "Attributs des textes" as a researcher uses it: values typed in
// and moved through with Tab and Entrée as in a spreadsheet, attributes
// added, renamed and deleted (asked first when values would go), a block
// pasted from a spreadsheet, a CSV file imported through the file dialog,
// each change undone by Ctrl+Z and redone by Ctrl+Y; what is refused is told
// and changes nothing.
#include "codingtest.h"

#include "coding/filedialogs.h"
#include "coding/frmattributs.h"
#include "coding/frmchemin.h"
#include "coding/session.h"
#include "common/messages.h"
#include "store/codingstore.h"
#include "store/history.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

using codingtest::Raw;
using coding::frmAttributs;

namespace {

// The attribute and value rows as "A|numero|nom" and "V|attribut|texte|valeur".
QStringList snapshot(const QString &path)
{
    Raw db(path);
    return codingtest::rows(db, QStringLiteral(
                                    "SELECT 'A|' || numero || '|' || nom FROM Attributs "
                                    "UNION ALL SELECT 'V|' || attribut || '|' || texte || '|' || "
                                    "valeur FROM ValeursAttributs ORDER BY 1"));
}

// Every cell of the table, line by line, "|" between cells; the header first.
QStringList shown(QTableWidget *table)
{
    QStringList lines;
    QStringList header;
    for (int c = 0; c < table->columnCount(); ++c)
        header << table->horizontalHeaderItem(c)->text();
    lines << header.join(QLatin1Char('|'));
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            cells << (table->item(r, c) ? table->item(r, c)->text() : QString());
        lines << cells.join(QLatin1Char('|'));
    }
    return lines;
}

// Types into whatever has the focus, key by key: the first key opens the
// cell's editor, which then takes the others.
void typeIn(const QString &text)
{
    for (const QChar c : text)
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

const QStringList kInitial{"A|1|journal", "A|2|date", "V|1|1|Le Monde", "V|1|2|Libération"};

} // namespace

class TestAttributsWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void tableShowsTextsAndAttributes();
    void keyboard_data();
    void keyboard();
    void refusedValue_toldAndPutBack();
    void commands_data();
    void commands();
    void undoRedo_data();
    void undoRedo();
    void paste_data();
    void paste();
    void import_data();
    void import();
    void readOnly_nothingEditable();
    void openedFromTheTextsWindow();

private:
    // The window on the test's analysis, shown and active, focus in the table.
    void openWindow();
    // Answers the name dialog when it opens: types `name` over its text and
    // presses OK (or "Annuler" when `cancel`).
    void answerName(const QString &name, bool cancel = false);
    QPushButton *button(const char *name);

    QTemporaryDir m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_db;
    QList<messages::Shown> m_shown;
    bool m_answer = true;
    std::unique_ptr<coding::Session> m_session;
    std::unique_ptr<frmAttributs> m_window;
    QTableWidget *m_table = nullptr;
    QString m_file; // what the file dialog answers
    QStringList m_captions;
    bool m_nameAnswered = false;
    QString m_dialogTitle;
};

void TestAttributsWindow::init()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_db = codingtest::freshDatabase(*m_dir);
    {
        Raw db(m_db);
        codingtest::addText(db, QStringLiteral("/corpus/a.txt"), {QStringLiteral("Un.")});
        codingtest::addText(db, QStringLiteral("/corpus/b.txt"), {QStringLiteral("Deux.")});
        codingtest::addText(db, QStringLiteral("/corpus/c.txt#2"), {QStringLiteral("Trois.")});
        QVERIFY(db.exec(QStringLiteral(
            "INSERT INTO Attributs (nom) VALUES ('journal'), ('date');"
            "INSERT INTO ValeursAttributs VALUES (1, 1, 'Le Monde'), (1, 2, 'Libération');")));
    }
    m_shown.clear();
    m_answer = true;
    messages::setHandler([this](const messages::Shown &s) {
        m_shown << s;
        return m_answer;
    });
    m_captions.clear();
    coding::dialogs::setFileHook([this](QWidget *, const QString &caption) {
        m_captions << caption;
        return m_file;
    });
    m_nameAnswered = false;
}

void TestAttributsWindow::cleanup()
{
    m_window.reset();
    m_session.reset();
    messages::setHandler({});
    coding::dialogs::setFileHook({});
}

void TestAttributsWindow::openWindow()
{
    m_session = std::make_unique<coding::Session>(coding::CodingStore::open(m_db));
    m_window = std::make_unique<frmAttributs>(*m_session);
    QVERIFY(m_window->Form_Load());
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_table = m_window->findChild<QTableWidget *>(QStringLiteral("attributs"));
    QVERIFY(m_table);
    m_table->setFocus();
}

QPushButton *TestAttributsWindow::button(const char *name)
{
    return m_window->findChild<QPushButton *>(QLatin1String(name));
}

void TestAttributsWindow::answerName(const QString &name, bool cancel)
{
    QTimer::singleShot(0, this, [this, name, cancel] {
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        QCOMPARE(dialog->objectName(), QStringLiteral("NomAttribut"));
        m_dialogTitle = dialog->windowTitle();
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("nom"));
        QVERIFY(edit);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, name);
        QTest::mouseClick(dialog->findChild<QPushButton *>(cancel ? QStringLiteral("annuler")
                                                                  : QStringLiteral("ok")),
                          Qt::LeftButton);
        m_nameAnswered = true;
    });
}

void TestAttributsWindow::tableShowsTextsAndAttributes()
{
    openWindow();
    QCOMPARE(m_window->objectName(), QStringLiteral("frmAttributs"));
    QCOMPARE(shown(m_table), (QStringList{"N°|Fichier|journal|date", "1|a.txt|Le Monde|",
                                          "2|b.txt|Libération|", "3|c.txt#2||"}));
    QCOMPARE(m_table->item(2, frmAttributs::kFileColumn)->toolTip(),
             QStringLiteral("/corpus/c.txt#2"));
    // The text's columns are not edited.
    QVERIFY(!(m_table->item(0, frmAttributs::kNumberColumn)->flags() & Qt::ItemIsEditable));
    QVERIFY(!(m_table->item(0, frmAttributs::kFileColumn)->flags() & Qt::ItemIsEditable));
    QVERIFY(m_table->item(0, 2)->flags() & Qt::ItemIsEditable);
}

void TestAttributsWindow::keyboard_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("emptyFirst"); // F2, then the cell's text erased
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("rowAfter");
    QTest::addColumn<int>("columnAfter");
    QTest::addColumn<QStringList>("after");

    QTest::newRow("typed, Tab: the cell on the right")
        << 2 << 2 << false << "Le Figaro" << int(Qt::Key_Tab) << 2 << 3
        << QStringList{"A|1|journal", "A|2|date", "V|1|1|Le Monde", "V|1|2|Libération",
                       "V|1|3|Le Figaro"};
    QTest::newRow("typed, Entrée: the cell below")
        << 0 << 3 << false << "2024-03-01" << int(Qt::Key_Return) << 1 << 3
        << QStringList{"A|1|journal", "A|2|date", "V|1|1|Le Monde", "V|1|2|Libération",
                       "V|2|1|2024-03-01"};
    QTest::newRow("typed over a value, trimmed")
        << 0 << 2 << false << "  Le Temps " << int(Qt::Key_Tab) << 0 << 3
        << QStringList{"A|1|journal", "A|2|date", "V|1|1|Le Temps", "V|1|2|Libération"};
    QTest::newRow("emptied: the value removed")
        << 1 << 2 << true << "" << int(Qt::Key_Return) << 2 << 2
        << QStringList{"A|1|journal", "A|2|date", "V|1|1|Le Monde"};
    QTest::newRow("Tab in the last column: the next line's first attribute")
        << 0 << 3 << false << "" << int(Qt::Key_Tab) << 1 << 2 << kInitial;
    QTest::newRow("Entrée without typing: the cell below")
        << 0 << 2 << false << "" << int(Qt::Key_Return) << 1 << 2 << kInitial;
    QTest::newRow("Tab from the file's name: the first attribute")
        << 1 << 1 << false << "" << int(Qt::Key_Tab) << 1 << 2 << kInitial;
}

void TestAttributsWindow::keyboard()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(bool, emptyFirst);
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(int, rowAfter);
    QFETCH(int, columnAfter);
    QFETCH(QStringList, after);
    openWindow();
    m_table->setCurrentCell(row, column);
    if (emptyFirst) {
        QTest::keyClick(m_table, Qt::Key_F2);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    }
    typeIn(typed);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QTRY_COMPARE(m_table->currentRow(), rowAfter);
    QCOMPARE(m_table->currentColumn(), columnAfter);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m_table)); // no editor open
    QCOMPARE(snapshot(m_db), after);
    QCOMPARE(m_shown.size(), 0);
    // The cell shows what the file holds.
    const QString stored = after == kInitial || emptyFirst ? QString() : typed.trimmed();
    if (!typed.isEmpty())
        QCOMPARE(m_table->item(row, column)->text(), stored);
    QCOMPARE(m_session->history().undoCount(), after == kInitial ? 0 : 1);
}

void TestAttributsWindow::refusedValue_toldAndPutBack()
{
    openWindow();
    m_table->setCurrentCell(0, 2);
    typeIn(QString(256, QLatin1Char('x')));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_COMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.at(0).kind, messages::Kind::Error);
    QCOMPARE(m_shown.at(0).text, QStringLiteral("La valeur « xxxxxxxxxxxxxxxxxxxx… » est trop "
                                                "longue : 255 caractères au plus."));
    QCOMPARE(m_table->item(0, 2)->text(), QStringLiteral("Le Monde"));
    QCOMPARE(snapshot(m_db), kInitial);
    QCOMPARE(m_session->history().undoCount(), 0);
}

void TestAttributsWindow::commands_data()
{
    QTest::addColumn<QString>("command"); // "add", "rename" (button), "header" (double-click), "delete"
    QTest::addColumn<int>("column");      // the current cell's column
    QTest::addColumn<QString>("name");    // typed in the dialog
    QTest::addColumn<bool>("answer");     // to the question, when one is asked
    QTest::addColumn<QStringList>("messages"); // kind letter and text
    QTest::addColumn<QStringList>("header");
    QTest::addColumn<QStringList>("after");

    const QStringList header{"N°", "Fichier", "journal", "date"};
    QTest::newRow("add")
        << "add" << 2 << " auteur " << true << QStringList()
        << QStringList{"N°", "Fichier", "journal", "date", "auteur"}
        << QStringList{"A|1|journal", "A|2|date", "A|3|auteur", "V|1|1|Le Monde",
                       "V|1|2|Libération"};
    QTest::newRow("add: the name of another, case aside")
        << "add" << 2 << "JOURNAL" << true
        << QStringList{"E|Un attribut s'appelle déjà « journal »."} << header << kInitial;
    QTest::newRow("add: too long")
        << "add" << 2 << QString(65, QLatin1Char('n')) << true
        << QStringList{"E|Le nom d'attribut « nnnnnnnnnnnnnnnnnnnn… » est trop long : 64 "
                       "caractères au plus."}
        << header << kInitial;
    QTest::newRow("rename by the button")
        << "rename" << 3 << "date de parution" << true << QStringList()
        << QStringList{"N°", "Fichier", "journal", "date de parution"}
        << QStringList{"A|1|journal", "A|2|date de parution", "V|1|1|Le Monde",
                       "V|1|2|Libération"};
    QTest::newRow("rename by a double-click on the header")
        << "header" << 2 << "titre" << true << QStringList()
        << QStringList{"N°", "Fichier", "titre", "date"}
        << QStringList{"A|1|titre", "A|2|date", "V|1|1|Le Monde", "V|1|2|Libération"};
    QTest::newRow("rename: the name of another")
        << "rename" << 2 << "Date" << true
        << QStringList{"E|Un attribut s'appelle déjà « date »."} << header << kInitial;
    QTest::newRow("rename: a text's column")
        << "rename" << 1 << "" << true
        << QStringList{"P|Choisissez d'abord une case de l'attribut à renommer."} << header
        << kInitial;
    QTest::newRow("delete with its values: asked, Non")
        << "delete" << 2 << "" << false
        << QStringList{"Q|Supprimer l'attribut « journal » et ses 2 valeurs ?"} << header
        << kInitial;
    QTest::newRow("delete with its values: asked, Oui")
        << "delete" << 2 << "" << true
        << QStringList{"Q|Supprimer l'attribut « journal » et ses 2 valeurs ?"}
        << QStringList{"N°", "Fichier", "date"} << QStringList{"A|2|date"};
    QTest::newRow("delete without values: not asked")
        << "delete" << 3 << "" << false << QStringList()
        << QStringList{"N°", "Fichier", "journal"}
        << QStringList{"A|1|journal", "V|1|1|Le Monde", "V|1|2|Libération"};
}

void TestAttributsWindow::commands()
{
    QFETCH(QString, command);
    QFETCH(int, column);
    QFETCH(QString, name);
    QFETCH(bool, answer);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, header);
    QFETCH(QStringList, after);
    openWindow();
    m_answer = answer;
    m_table->setCurrentCell(0, column);
    const bool asksName = command != QLatin1String("delete") && !name.isEmpty();
    if (asksName)
        answerName(name);
    if (command == QLatin1String("add")) {
        QTest::mouseClick(button("ajouter_attribut"), Qt::LeftButton);
    } else if (command == QLatin1String("rename")) {
        QTest::mouseClick(button("renommer_attribut"), Qt::LeftButton);
    } else if (command == QLatin1String("header")) {
        QHeaderView *h = m_table->horizontalHeader();
        const QPoint at(h->sectionViewportPosition(column) + h->sectionSize(column) / 2,
                        h->height() / 2);
        QTest::mouseDClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    } else {
        QTest::mouseClick(button("supprimer_attribut"), Qt::LeftButton);
    }
    QCOMPARE(m_nameAnswered, asksName);
    if (command == QLatin1String("header"))
        QCOMPARE(m_dialogTitle, QStringLiteral("Renommer l'attribut « journal »"));
    QStringList told;
    for (const messages::Shown &s : std::as_const(m_shown))
        told << (s.kind == messages::Kind::Error      ? QStringLiteral("E|")
                 : s.kind == messages::Kind::Question ? QStringLiteral("Q|")
                                                      : QStringLiteral("P|"))
                    + s.text;
    QCOMPARE(told, messages);
    QCOMPARE(shown(m_table).first().split(QLatin1Char('|')), header);
    QCOMPARE(snapshot(m_db), after);
    QCOMPARE(m_session->history().undoCount(), after == kInitial ? 0 : 1);
}

void TestAttributsWindow::undoRedo_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("undoText");
    QTest::addColumn<QStringList>("after");

    QTest::newRow("a value typed")
        << "type" << "Annuler la saisie de « Le Figaro » en « journal » du texte n° 3"
        << QStringList{"A|1|journal", "A|2|date", "V|1|1|Le Monde", "V|1|2|Libération",
                       "V|1|3|Le Figaro"};
    QTest::newRow("an attribute deleted with its values")
        << "delete" << "Annuler la suppression de l'attribut « journal » (2 valeurs)"
        << QStringList{"A|2|date"};
    QTest::newRow("two cells emptied by Suppr")
        << "clear" << "Annuler l'effacement de 2 valeurs" << QStringList{"A|1|journal", "A|2|date"};
    QTest::newRow("an attribute added")
        << "add" << "Annuler l'ajout de l'attribut « auteur »"
        << QStringList{"A|1|journal", "A|2|date", "A|3|auteur", "V|1|1|Le Monde",
                       "V|1|2|Libération"};
}

void TestAttributsWindow::undoRedo()
{
    QFETCH(QString, edit);
    QFETCH(QString, undoText);
    QFETCH(QStringList, after);
    openWindow();
    const QStringList table = shown(m_table);
    if (edit == QLatin1String("type")) {
        m_table->setCurrentCell(2, 2);
        typeIn(QStringLiteral("Le Figaro"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    } else if (edit == QLatin1String("clear")) {
        m_table->setCurrentCell(0, 2);
        QTest::keyClick(m_table, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(m_table, Qt::Key_Delete);
    } else if (edit == QLatin1String("delete")) {
        m_table->setCurrentCell(0, 2);
        QTest::mouseClick(button("supprimer_attribut"), Qt::LeftButton);
    } else {
        answerName(QStringLiteral("auteur"));
        QTest::mouseClick(button("ajouter_attribut"), Qt::LeftButton);
    }
    QCOMPARE(snapshot(m_db), after);
    const QStringList edited = shown(m_table);
    auto *annuler = m_window->findChild<QAction *>(QStringLiteral("annuler"));
    QVERIFY(annuler);
    QCOMPARE(annuler->text(), undoText);

    // Back from the name's dialog, the window is active again.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_table->setFocus();
    QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(snapshot(m_db), kInitial);
    QTRY_COMPARE(shown(m_table), table);
    QTest::keyClick(m_window.get(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(snapshot(m_db), after);
    QTRY_COMPARE(shown(m_table), edited);
}

void TestAttributsWindow::paste_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("message"); // a part of the error; empty: none
    QTest::addColumn<QStringList>("after");

    // Texts 2 and 3 × journal and date; Libération replaced.
    QTest::newRow("a 2 × 2 block")
        << 1 << 2 << "Le Temps\t2024-03-04\r\nLa Croix\t2024-03-05\r\n" << QString()
        << QStringList{"A|1|journal", "A|2|date", "V|1|1|Le Monde", "V|1|2|Le Temps",
                       "V|1|3|La Croix", "V|2|2|2024-03-04", "V|2|3|2024-03-05"};
    QTest::newRow("an empty cell in the block removes the value")
        << 0 << 2 << "\t2024-03-01\nLibé\t\n" << QString()
        << QStringList{"A|1|journal", "A|2|date", "V|1|2|Libé", "V|2|1|2024-03-01"};
    QTest::newRow("a value refused: nothing pasted")
        << 1 << 2 << QStringLiteral("Le Temps\t2024-03-04\nLa Croix\t") + QString(256, 'x')
        << "255 caractères au plus" << kInitial;
    QTest::newRow("beyond the table: nothing pasted")
        << 2 << 2 << "a\tb\tc\n" << "dépasse le tableau" << kInitial;
    QTest::newRow("below the last text: nothing pasted")
        << 2 << 3 << "a\nb\n" << "dépasse le tableau" << kInitial;
}

void TestAttributsWindow::paste()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, clipboard);
    QFETCH(QString, message);
    QFETCH(QStringList, after);
    openWindow();
    QApplication::clipboard()->setText(clipboard);
    m_table->setCurrentCell(row, column);
    QTest::keyClick(m_table, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(snapshot(m_db), after);
    if (message.isEmpty()) {
        QCOMPARE(m_shown.size(), 0);
        QCOMPARE(m_session->history().undoCount(), 1);
        // One step: one Ctrl+Z puts everything back.
        QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(snapshot(m_db), kInitial);
    } else {
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.at(0).kind, messages::Kind::Error);
        QVERIFY2(m_shown.at(0).text.contains(message), qPrintable(m_shown.at(0).text));
        QCOMPARE(m_session->history().undoCount(), 0);
    }
}

void TestAttributsWindow::import_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("after");

    QTest::newRow("taken in, one step")
        << QByteArray("texte;Journal;auteur\nb.txt;Le Temps;Durand\n3;;Martin\n")
        << "Importé de « attributs.csv » : attributs : 2; textes : 2; valeurs : 3" << QString()
        << QStringList{"A|1|journal", "A|2|date", "A|3|auteur", "V|1|1|Le Monde",
                       "V|1|2|Le Temps", "V|3|2|Durand", "V|3|3|Martin"};
    QTest::newRow("a bad line: nothing taken in")
        << QByteArray("texte;journal\n1;A\nz.txt;B\n") << QString()
        << "ligne 3 : aucun texte « z.txt » dans l'analyse." << kInitial;
}

void TestAttributsWindow::import()
{
    QFETCH(QByteArray, csv);
    QFETCH(QString, status);
    QFETCH(QString, message);
    QFETCH(QStringList, after);
    m_file = m_dir->filePath(QStringLiteral("attributs.csv"));
    {
        QFile file(m_file);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(csv);
    }
    openWindow();
    QTest::mouseClick(button("importer_attributs"), Qt::LeftButton);
    QCOMPARE(m_captions, QStringList{QStringLiteral("Importer des attributs (CSV)")});
    QCOMPARE(snapshot(m_db), after);
    QCOMPARE(m_window->statusBar()->currentMessage(), status);
    if (message.isEmpty()) {
        QCOMPARE(m_shown.size(), 0);
        QCOMPARE(shown(m_table),
                 (QStringList{"N°|Fichier|journal|date|auteur", "1|a.txt|Le Monde||",
                              "2|b.txt|Le Temps||Durand", "3|c.txt#2|||Martin"}));
        QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(snapshot(m_db), kInitial);
    } else {
        QCOMPARE(m_shown.size(), 1);
        QVERIFY2(m_shown.at(0).text.contains(message), qPrintable(m_shown.at(0).text));
        QCOMPARE(m_session->history().undoCount(), 0);
    }
}

void TestAttributsWindow::readOnly_nothingEditable()
{
    openWindow();
    m_session->history().setReadOnly(true);
    for (const char *name :
         {"ajouter_attribut", "renommer_attribut", "supprimer_attribut", "importer_attributs"})
        QVERIFY2(!button(name)->isEnabled(), name);
    m_table->setCurrentCell(2, 2);
    typeIn(QStringLiteral("Le Figaro"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QApplication::clipboard()->setText(QStringLiteral("a\tb\n"));
    QTest::keyClick(m_table, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m_table)); // no editor open
    QCOMPARE(m_table->item(2, 2)->text(), QString());
    QCOMPARE(snapshot(m_db), kInitial);
}

void TestAttributsWindow::openedFromTheTextsWindow()
{
    QPointer<coding::frmChemin> chemin = coding::start(m_db);
    QVERIFY(chemin);
    chemin->findChild<QAction *>(QStringLiteral("attributs_textes"))->trigger();
    auto *window = chemin->findChild<frmAttributs *>();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->objectName(), QStringLiteral("frmAttributs"));
    // Imported from the texts' window, the open table follows.
    m_file = m_dir->filePath(QStringLiteral("de_chemin.csv"));
    {
        QFile file(m_file);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("texte;journal\n3;La Croix\n");
    }
    chemin->findChild<QAction *>(QStringLiteral("importer_attributs"))->trigger();
    QCOMPARE(chemin->statusBar()->currentMessage(),
             QStringLiteral("Importé de « de_chemin.csv » : attributs : 1; textes : 1; "
                            "valeurs : 1"));
    auto *table = window->findChild<QTableWidget *>(QStringLiteral("attributs"));
    QTRY_COMPARE(table->item(2, 2)->text(), QStringLiteral("La Croix"));
    chemin->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTRY_VERIFY(!chemin);
}

QTEST_MAIN(TestAttributsWindow)
#include "test_attributs_window.moc"
