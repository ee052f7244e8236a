// telmira-codage --fiabilite on coders' copies, run as a program without a
// display: the figures of each list, the reasons of undefined coefficients,
// how it was counted, and the refusals of files that are no copies of one
// analysis. The coding of the copies is described in
// tests/store/reliabilitytest.h; the figures are worked out by hand from it.
#include "../store/reliabilityfigures.h"
#include "../store/reliabilitytest.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace reliabilitytest;

namespace {

QString program()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/telmira-codage");
}

} // namespace

class TestFiabiliteCli : public QObject
{
    Q_OBJECT
private slots:
    void commandLine_data()
    {
        QTest::addColumn<int>("coders"); // 3: a third coder C coded 1, 2, 3 Oui, Oui, Non
        QTest::addColumn<QString>("change"); // SQL run on B first (list names: on both)
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("two coders") << 2 << QString() << 0 << kTwoCoders << QString();
        QStringList named = kTwoCoders;
        named[1].replace(QStringLiteral("Variable de comparaison 1"),
                         QStringLiteral("\"Thème ; \"\"principal\"\"\""));
        QTest::newRow("a named list") << 2
                                      << QStringLiteral("INSERT INTO Listes (liste, nom) VALUES "
                                                        "(1, 'Thème ; \"principal\"')")
                                      << 0 << named << QString();
        // Three coders: n = 9 (five Oui, four Non); segment 2 gives Oui, Non,
        // Oui: o = 2 x 2 x 1 / 2 = 2 disagreeing pairs: 1 - 8 x 2 / (2 x 5 x 4)
        // = 0.6; agreement: 6 + 2 + 6 agreeing ordered pairs of 18.
        QStringList three = kTwoCoders;
        three[1] = QStringLiteral("1;Variable de comparaison 1;0.6000;indéfini: plus de deux "
                                  "codeurs;0.7778;3;1;nominal");
        for (int k = 2; k <= 5; ++k) {
            QStringList fields = three[k].split(QLatin1Char(';'));
            fields[3] = QStringLiteral("indéfini: plus de deux codeurs");
            three[k] = fields.join(QLatin1Char(';'));
        }
        QTest::newRow("three coders") << 3 << QString() << 0 << three << QString();
        QTest::newRow("not copies") << 2 << QStringLiteral("DELETE FROM textes WHERE numero = 6")
                                    << 1 << QStringList{}
                                    << QStringLiteral("Les fichiers ne sont pas des copies d'une "
                                                      "même analyse : le segment n° 6 (texte n° 2) "
                                                      "de « A.mdb » manque dans « B.mdb ».");
        QTest::newRow("one file") << 1 << QString() << 1 << QStringList{}
                                  << QStringLiteral("--fiabilite demande au moins deux bases");
    }
    void commandLine()
    {
        QFETCH(int, coders);
        QFETCH(QString, change);
        QFETCH(int, exitCode);
        QFETCH(QStringList, out);
        QFETCH(QString, err);
        QTemporaryDir dir;
        Analysis a;
        QStringList files = coderCopies(dir, &a);
        if (!change.isEmpty()) {
            Raw b(files[1]);
            QVERIFY(b.exec(change));
        }
        if (change.startsWith(QLatin1String("INSERT INTO Listes"))) {
            Raw first(files[0]); // the names are the first copy's
            QVERIFY(first.exec(change));
        }
        if (coders == 3) {
            files << copyOf(dir, a, QStringLiteral("C.mdb"));
            code(files[2], 1, a.oui);
            code(files[2], 2, a.oui);
            code(files[2], 3, a.non);
        }
        if (coders == 1)
            files = files.mid(0, 1);
        QProcess p;
        p.start(program(), QStringList{QStringLiteral("--fiabilite")} + files);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), exitCode);
        const QString stdOut = QString::fromUtf8(p.readAllStandardOutput());
        const QStringList lines = stdOut.split(QLatin1Char('\n'));
        QCOMPARE(lines.mid(0, out.size()), out);
        if (out.isEmpty()) {
            QVERIFY(stdOut.isEmpty());
        } else {
            // An empty line, then the notes, each saying what it counts.
            QCOMPARE(lines.value(out.size()), QString());
            QStringList subjects;
            for (const QString &line : lines.mid(out.size() + 1, kNoteSubjects.size()))
                subjects << line.left(line.indexOf(QLatin1Char(';'), 5) + 1);
            QCOMPARE(subjects, kNoteSubjects);
            QVERIFY2(stdOut.contains(QStringLiteral("toutes les paires de codeurs de chaque "
                                                    "segment apparié")),
                     qPrintable(stdOut));
        }
        const QString stdErr = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.startsWith(err), qPrintable(stdErr));
    }

    // The window, from adding the copies to a disagreement resolved.
};

QTEST_GUILESS_MAIN(TestFiabiliteCli)
#include "test_fiabilite.moc"
