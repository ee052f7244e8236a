// The coder's notes: written, replaced and removed as one step of the history
// each (undone and redone), listed with their segment's place and text,
// those of removed segments and texts left out, none in a version-2 file
// opened read-only, and the texts no note may be refused in French.
#include "../coding/codingtest.h"

#include "store/connection.h"
#include "store/history.h"
#include "store/notestore.h"
#include "store/storeerror.h"

#include <QTest>

using namespace codingtest;

namespace {

// A note as the tests compare it: its text, or "(aucune)".
QString noteOf(Connection &db, int genre, qint64 target)
{
    return notes::read(db, notes::Genre(genre), target).value_or(QStringLiteral("(aucune)"));
}

QString orNone(const QString &text)
{
    return text.isNull() ? QStringLiteral("(aucune)") : text;
}

} // namespace

class TestNoteStore : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void edits_data();
    void edits();
    void listing();
    void versionTwoReadOnly();
    void refused_data();
    void refused();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_db;
};

void TestNoteStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_db = freshDatabase(*m_dir);
    Raw db(m_db);
    // Text 1: segments 1 to 3; text 2: segments 4 and 5.
    addText(db, QStringLiteral("/corpus/un.txt"),
            {QStringLiteral("Premier."), QStringLiteral("Économie et emploi."),
             QStringLiteral("Troisième.")});
    addText(db, QStringLiteral("C:\\corpus\\deux.txt"),
            {QStringLiteral("Quatre."), QStringLiteral("Cinq.")});
}

// Each edit is one step: undone, the note is as before; redone, as after.
void TestNoteStore::edits_data()
{
    QTest::addColumn<int>("genre");
    QTest::addColumn<qint64>("target");
    QTest::addColumn<QString>("before"); // written first (raw); null: none
    QTest::addColumn<QString>("text");   // the edit
    QTest::addColumn<QString>("after");  // stored after it; null: none
    QTest::addColumn<int>("steps");      // steps the edit makes
    QTest::addColumn<QString>("undoText");
    const QString none;
    QTest::newRow("écrire la note d'un segment")
        << 1 << qint64(2) << none << QStringLiteral("À revoir.") << QStringLiteral("À revoir.") << 1
        << QStringLiteral("Annuler la note du segment n° 2");
    QTest::newRow("remplacer la note d'un texte")
        << 2 << qint64(1) << QStringLiteral("ancienne") << QStringLiteral("nouvelle\n\tdétail")
        << QStringLiteral("nouvelle\n\tdétail") << 1 << QStringLiteral("Annuler la note du texte n° 1");
    QTest::newRow("supprimer par un texte vide")
        << 1 << qint64(4) << QStringLiteral("ironie ?") << QString("") << none << 1
        << QStringLiteral("Annuler la note du segment n° 4");
    QTest::newRow("des blancs seuls suppriment")
        << 3 << qint64(0) << QStringLiteral("Projet pilote") << QStringLiteral(" \n\t ") << none << 1
        << QStringLiteral("Annuler la note de l'analyse");
    QTest::newRow("CR LF gardé en saut de ligne")
        << 3 << qint64(0) << none << QStringLiteral("un\r\ndeux\rtrois")
        << QStringLiteral("un\ndeux\ntrois") << 1 << QStringLiteral("Annuler la note de l'analyse");
    QTest::newRow("le même texte ne fait pas d'étape")
        << 1 << qint64(5) << QStringLiteral("pareil") << QStringLiteral("pareil")
        << QStringLiteral("pareil") << 0 << QStringLiteral("Annuler");
    QTest::newRow("supprimer une note absente ne fait rien")
        << 2 << qint64(2) << none << QString("") << none << 0 << QStringLiteral("Annuler");
}

void TestNoteStore::edits()
{
    QFETCH(int, genre);
    QFETCH(qint64, target);
    QFETCH(QString, before);
    QFETCH(QString, text);
    QFETCH(QString, after);
    QFETCH(int, steps);
    QFETCH(QString, undoText);
    if (!before.isNull()) {
        Raw raw(m_db);
        QVERIFY(raw.exec(QStringLiteral("INSERT INTO Notes VALUES (%1, %2, '%3')")
                             .arg(genre)
                             .arg(target)
                             .arg(before)));
    }
    const auto db = Connection::open(m_db);
    coding::History history(*db);
    history.setNote(genre, target, text);
    QCOMPARE(noteOf(*db, genre, target), orNone(after));
    QCOMPARE(history.undoCount(), steps);
    QCOMPARE(history.undoText(), undoText);
    if (steps == 0)
        return;
    history.undo();
    QCOMPARE(noteOf(*db, genre, target), orNone(before));
    history.redo();
    QCOMPARE(noteOf(*db, genre, target), orNone(after));
    // What another program sees.
    Raw raw(m_db);
    QCOMPARE(raw.count(QStringLiteral("Notes")), after.isNull() ? 0 : 1);
}

// The analysis's note first, then text by text its note and its segments';
// the places counted by hand (segment 5 is the 2nd of text 2); notes of a
// removed segment or text, never shown.
void TestNoteStore::listing()
{
    {
        Raw raw(m_db);
        QVERIFY(raw.exec(QStringLiteral(
            "INSERT INTO Notes VALUES (1, 5, 's5'), (2, 2, 't2'), (1, 2, 's2'), (3, 0, 'a'),"
            " (2, 1, 't1'), (1, 99, 'segment disparu'), (2, 77, 'texte disparu')")));
    }
    const auto db = Connection::open(m_db);
    const std::vector<notes::Entry> entries = notes::list(*db);
    QStringList shown;
    for (const notes::Entry &e : entries)
        shown << QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
                     .arg(int(e.genre))
                     .arg(e.target)
                     .arg(e.note)
                     .arg(e.text)
                     .arg(e.path)
                     .arg(e.place)
                     .arg(e.segmentText);
    QCOMPARE(shown, (QStringList{
                        QStringLiteral("3|0|a|0||0|"),
                        QStringLiteral("2|1|t1|1|/corpus/un.txt|0|"),
                        QStringLiteral("1|2|s2|1|/corpus/un.txt|2|Économie et emploi."),
                        QStringLiteral("2|2|t2|2|C:\\corpus\\deux.txt|0|"),
                        QStringLiteral("1|5|s5|2|C:\\corpus\\deux.txt|2|Cinq."),
                    }));
    QCOMPARE(notes::notedSegments(*db, 1), std::vector<qint64>{2});
    QCOMPARE(notes::notedSegments(*db, 2), std::vector<qint64>{5});

    // A segment removed after its note was written: the note is no longer
    // listed, and a new note on it is refused.
    {
        Raw raw(m_db);
        QVERIFY(raw.exec(QStringLiteral("DELETE FROM textes WHERE numero = 2")));
    }
    QCOMPARE(notes::list(*db).size(), size_t(4));
    QCOMPARE(notes::notedSegments(*db, 1), std::vector<qint64>{});
    coding::History history(*db);
    try {
        history.setNote(1, 2, QStringLiteral("encore"));
        QFAIL("a note on a removed segment was written");
    } catch (const StoreError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("le segment n'existe plus")),
                 qPrintable(e.message()));
    }
    QCOMPARE(history.undoCount(), 0);
}

// A version-2 file (no table of notes) opened read-only reads as having no
// notes; nothing can be written to it.
void TestNoteStore::versionTwoReadOnly()
{
    {
        Raw raw(m_db);
        QVERIFY(raw.exec(QStringLiteral("DROP TABLE ValeursAttributs; DROP TABLE Attributs; "
                                        "DROP TABLE Notes; DROP TABLE Recherche; "
                                        "DROP TABLE RechercheEtat; "
                                        "DROP TABLE SuggestionsAcceptees; DROP TABLE ModelesSuggestions; "
                                        "DROP TABLE EntreesDictionnaires; "
                                        "DROP TABLE CategoriesDictionnaires; DROP TABLE Dictionnaires; PRAGMA user_version = 2")));
    }
    QVERIFY(QFile::setPermissions(m_db, QFile::ReadOwner));
    const QByteArray before = storetest::bytesOf(m_db);
    const auto db = Connection::open(m_db, Connection::Access::ReadOnly);
    QVERIFY(!notes::available(*db));
    QCOMPARE(noteOf(*db, 1, 1), QStringLiteral("(aucune)"));
    QVERIFY(notes::list(*db).empty());
    QVERIFY(notes::notedSegments(*db, 1).empty());
    QVERIFY_THROWS_EXCEPTION(StoreError,
                             notes::set(*db, notes::Genre::Analysis, 0, QStringLiteral("x")));
    QCOMPARE(storetest::bytesOf(m_db), before);
    QFile::setPermissions(m_db, QFile::ReadOwner | QFile::WriteOwner);
}

void TestNoteStore::refused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("said"); // empty: accepted
    QTest::newRow("caractère de sonnerie")
        << QStringLiteral("bip") + QChar(7) << QStringLiteral("caractère de contrôle (U+0007)");
    QTest::newRow("caractère nul") << QStringLiteral("a") + QChar(0) + QStringLiteral("b")
                                   << QStringLiteral("caractère de contrôle (U+0000)");
    QTest::newRow("échappement") << QStringLiteral("\x1b[31m") << QStringLiteral("(U+001B)");
    QTest::newRow("10 001 caractères")
        << QString(10001, QLatin1Char('x'))
        << QStringLiteral("elle compte %1 caractères, au plus %2 sont permis")
               .arg(QLocale(QLocale::French).toString(10001),
                    QLocale(QLocale::French).toString(10000));
    QTest::newRow("10 000 caractères") << QString(10000, QLatin1Char('x')) << QString();
    QTest::newRow("tabulations et sauts de ligne")
        << QStringLiteral("a\tb\nc\r\nd") << QString();
}

void TestNoteStore::refused()
{
    QFETCH(QString, text);
    QFETCH(QString, said);
    const auto db = Connection::open(m_db);
    coding::History history(*db);
    QString message;
    try {
        history.setNote(1, 1, text);
    } catch (const StoreError &e) {
        message = e.message();
    }
    if (said.isEmpty()) {
        QCOMPARE(message, QString());
        QVERIFY(notes::read(*db, notes::Genre::Segment, 1).has_value());
        return;
    }
    QVERIFY2(message.startsWith(QStringLiteral("La note ne peut pas être enregistrée")),
             qPrintable(message));
    QVERIFY2(message.contains(said), qPrintable(message));
    QCOMPARE(Raw(m_db).count(QStringLiteral("Notes")), 0);
    QCOMPARE(history.undoCount(), 0);
}

QTEST_GUILESS_MAIN(TestNoteStore)
#include "test_notestore.moc"
