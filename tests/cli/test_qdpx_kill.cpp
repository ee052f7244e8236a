// telmira-codage --importer-qdpx killed at any moment: the analysis holds
// either nothing of the project or all of it, and the same import run again
// then brings all of it. The project (300 texts of 20 sentences, each
// sentence coded by two selections) is made by the test; the program is
// killed after a share of the time a whole import takes on this machine.
#include "../coding/codingtest.h"

#include "../exchange/storedzip.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

using codingtest::Raw;

namespace {

constexpr int kTexts = 300;
constexpr int kSentences = 20;

// Thème (A0, A1, A2) and Ton (B0, B1); sentence k of a text is coded A(k mod
// 3) with B(k mod 2) by one selection, A(k+1 mod 3) by another.
QByteArray project()
{
    QList<QPair<QByteArray, QByteArray>> members;
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                     "<Project xmlns=\"urn:QDA-XML:project:1.0\" name=\"grand\"><CodeBook><Codes>"
                     "<Code guid=\"A\" name=\"Thème\" isCodable=\"false\">"
                     "<Code guid=\"A0\" name=\"Économie\"/><Code guid=\"A1\" name=\"Santé\"/>"
                     "<Code guid=\"A2\" name=\"École\"/></Code>"
                     "<Code guid=\"B\" name=\"Ton\" isCodable=\"false\">"
                     "<Code guid=\"B0\" name=\"Positif\"/><Code guid=\"B1\" name=\"Négatif\"/>"
                     "</Code></Codes></CodeBook><Sources>";
    for (int t = 1; t <= kTexts; ++t) {
        const QByteArray guid = "S" + QByteArray::number(t);
        xml += "<TextSource guid=\"" + guid + "\" name=\"/corpus/texte " + QByteArray::number(t)
               + ".txt\" plainTextPath=\"internal://" + guid + ".txt\">";
        QByteArray text;
        for (int k = 0; k < kSentences; ++k) {
            if (k > 0)
                text += ' ';
            const QByteArray sentence =
                "Phrase " + QByteArray::number(k) + " du texte " + QByteArray::number(t) + ".";
            const QByteArray start = QByteArray::number(text.size());
            const QByteArray end = QByteArray::number(text.size() + sentence.size());
            text += sentence;
            const QByteArray id = guid + "-" + QByteArray::number(k);
            xml += "<PlainTextSelection guid=\"" + id + "a\" startPosition=\"" + start
                   + "\" endPosition=\"" + end + "\"><Coding guid=\"" + id
                   + "a1\"><CodeRef targetGUID=\"A" + QByteArray::number(k % 3)
                   + "\"/></Coding><Coding guid=\"" + id + "a2\"><CodeRef targetGUID=\"B"
                   + QByteArray::number(k % 2) + "\"/></Coding></PlainTextSelection>";
            xml += "<PlainTextSelection guid=\"" + id + "b\" startPosition=\"" + start
                   + "\" endPosition=\"" + end + "\"><Coding guid=\"" + id
                   + "b1\"><CodeRef targetGUID=\"A" + QByteArray::number((k + 1) % 3)
                   + "\"/></Coding></PlainTextSelection>";
        }
        xml += "</TextSource>";
        members.append({"sources/" + guid + ".txt", text});
    }
    xml += "</Sources></Project>";
    members.prepend({"project.qde", xml});
    return storedZip(members);
}

struct Held
{
    qint64 texts = 0, segments = 0, rows = 0;
    bool operator==(const Held &o) const
    {
        return texts == o.texts && segments == o.segments && rows == o.rows;
    }
};

const Held kNothing{0, 0, 0};
// 300 texts, 300 × 20 segments, two rows a segment.
const Held kEverything{300, 6000, 12000};

char *toString(const Held &h)
{
    return QTest::toString(QStringLiteral("%1 textes, %2 segments, %3 lignes de codage")
                               .arg(h.texts)
                               .arg(h.segments)
                               .arg(h.rows));
}

// What the analysis holds, once the engine has undone what a killed program
// left half done; its integrity is checked on the way.
Held held(const QString &db)
{
    Raw raw(db);
    if (raw.scalar(QStringLiteral("PRAGMA integrity_check")) != QLatin1String("ok"))
        qFatal("the analysis is damaged");
    return {raw.count(QStringLiteral("Chemin")), raw.count(QStringLiteral("textes")),
            raw.count(QStringLiteral("Contenus"))};
}

} // namespace

class TestRefiQdaKill : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_project;
    qint64 m_wholeRun = 0; // milliseconds, measured once

    // Starts the import of the project into `db`.
    void start(QProcess &program, const QString &db)
    {
        codingtest::withoutDisplay(program);
        program.start(codingtest::codingProgram(),
                      {QStringLiteral("--importer-qdpx"), db, m_project});
        QVERIFY(program.waitForStarted());
    }

    // Runs the import to its end.
    void runWhole(const QString &db, QString &out)
    {
        QProcess program;
        start(program, db);
        QVERIFY(program.waitForFinished(300000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(program.readAllStandardError(), QByteArray());
        out = QString::fromUtf8(program.readAllStandardOutput());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_project = m_dir.filePath(QStringLiteral("grand.qdpx"));
        QFile f(m_project);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(project());
        f.close();
        // One whole import, to know how long one takes here.
        const QString db = codingtest::freshDatabase(m_dir, QStringLiteral("mesure.mdb"));
        QElapsedTimer clock;
        clock.start();
        QString out;
        runWhole(db, out);
        m_wholeRun = clock.elapsed();
        QVERIFY2(out.contains(QStringLiteral("Textes ajoutés : 300\n")), qPrintable(out));
        QVERIFY2(out.contains(QStringLiteral("Lignes de codage ajoutées : 12000\n")), qPrintable(out));
        QCOMPARE(held(db), kEverything);
        qInfo("a whole import takes %lld ms", m_wholeRun);
    }

    void killedThenRunAgain_data()
    {
        QTest::addColumn<double>("share"); // of a whole run, before the kill
        QTest::newRow("early") << 0.1;
        QTest::newRow("a third") << 0.33;
        QTest::newRow("middle") << 0.5;
        QTest::newRow("two thirds") << 0.66;
        QTest::newRow("late") << 0.9;
        QTest::newRow("never, the run ended") << 3.0;
    }
    void killedThenRunAgain()
    {
        QFETCH(double, share);
        const QString db = codingtest::freshDatabase(m_dir, QStringLiteral("tuee.mdb"));
        QFile::remove(db + QStringLiteral("-journal"));
        {
            QProcess program;
            start(program, db);
            if (!program.waitForFinished(int(double(m_wholeRun) * share))) {
                program.kill(); // SIGKILL
                QVERIFY(program.waitForFinished(60000));
            }
        }
        const Held after = held(db);
        QVERIFY2(after == kNothing || after == kEverything, toString(after));
        qInfo("after the kill: %s", after == kNothing ? "nothing" : "everything");

        QString out;
        runWhole(db, out);
        QCOMPARE(held(db), kEverything);
        if (after == kNothing)
            QVERIFY2(out.contains(QStringLiteral("Textes ajoutés : 300\n")), qPrintable(out));
        else
            QCOMPARE(out.count(QStringLiteral("Texte déjà présent")), 300);
    }
};

QTEST_GUILESS_MAIN(TestRefiQdaKill)
#include "test_qdpx_kill.moc"
