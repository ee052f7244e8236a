// Reading coders' copies side by side: what makes them copies of one
// analysis, each coder's value per segment, the filter, and "Retenir".
#include "reliabilitytest.h"

#include "reliability/comparison.h"
#include "store/reliabilitystore.h"
#include "store/storeerror.h"

#include <QTemporaryDir>
#include <QTest>

using namespace reliabilitytest;
using reliability::Table;

class TestReliabilityStore : public QObject
{
    Q_OBJECT
private slots:
    void notCopies_data()
    {
        QTest::addColumn<QString>("change"); // SQL run on B
        QTest::addColumn<QString>("message");
        QTest::newRow("segment text") << "UPDATE textes SET texte = 'Trois !' WHERE numero = 3"
                                      << "le texte du segment n° 3 (texte n° 1) n'est pas le même "
                                         "dans « A.mdb » et dans « B.mdb »";
        QTest::newRow("segment missing") << "DELETE FROM textes WHERE numero = 2"
                                         << "le segment n° 2 (texte n° 1) de « A.mdb » manque "
                                            "dans « B.mdb »";
        QTest::newRow("segment added") << "INSERT INTO textes (numtexte, texte) VALUES (2, 'Sept.')"
                                       << "le segment n° 7 (texte n° 2) de « B.mdb » manque dans "
                                          "« A.mdb »";
        QTest::newRow("text added") << "INSERT INTO Chemin (chemin) VALUES ('/c/t3.txt')"
                                    << "le texte n° 3 (« /c/t3.txt ») de « B.mdb » manque dans "
                                       "« A.mdb »";
        QTest::newRow("value renamed") << "UPDATE var_comp_01 SET variable01 = 'Si' WHERE numero = 36"
                                       << "la valeur n° 36 de la liste 1 est « Oui » dans « A.mdb » "
                                          "et « Si » dans « B.mdb »";
        QTest::newRow("value added") << "INSERT INTO var_comp_03 (variable03) VALUES ('Z')"
                                     << "la valeur n° 5 (« Z ») de la liste 3 de « B.mdb » manque "
                                        "dans « A.mdb »";
    }
    void notCopies()
    {
        QFETCH(QString, change);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QStringList files = coderCopies(dir);
        {
            Raw b(files[1]);
            QVERIFY(b.exec(QStringLiteral("PRAGMA foreign_keys = OFF")));
            QVERIFY2(b.exec(change), sqlite3_errmsg(b.handle()));
        }
        try {
            reliability::readCopies(files);
            QFAIL("compared");
        } catch (const StoreError &e) {
            QCOMPARE(e.message(),
                     QStringLiteral("Les fichiers ne sont pas des copies d'une même analyse : ")
                         + message + QLatin1Char('.'));
        }
    }

    void valuesPerSegment_data()
    {
        QTest::addColumn<bool>("codedByAll");
        QTest::addColumn<QList<qint64>>("texts");
        QTest::addColumn<QList<qint64>>("segments");
        QTest::addColumn<QStringList>("list1"); // A/B per segment; * multiple, - missing
        QTest::newRow("all") << false << QList<qint64>{} << QList<qint64>{1, 2, 3, 4, 5, 6}
                             << QStringList{"Oui/Oui", "Oui/Non", "Non/Non", "*/Oui", "Non/-",
                                            "-/Oui"};
        // Segment 5 counts as coded by B: its row holds only the empty value.
        QTest::newRow("coded by all") << true << QList<qint64>{} << QList<qint64>{1, 2, 3, 4, 5}
                                      << QStringList{"Oui/Oui", "Oui/Non", "Non/Non", "*/Oui",
                                                     "Non/-"};
        QTest::newRow("text 2") << false << QList<qint64>{2} << QList<qint64>{5, 6}
                                << QStringList{"Non/-", "-/Oui"};
    }
    void valuesPerSegment()
    {
        QFETCH(bool, codedByAll);
        QFETCH(QList<qint64>, texts);
        QFETCH(QList<qint64>, segments);
        QFETCH(QStringList, list1);
        QTemporaryDir dir;
        Analysis a;
        const QStringList files = coderCopies(dir, &a);
        reliability::Filter filter;
        filter.codedByAll = codedByAll;
        filter.texts = std::set<qint64>(texts.begin(), texts.end());
        const auto c = reliability::readCopies(files, filter);
        QVERIFY(c.has_value());
        QCOMPARE(QList<qint64>(c->segments.begin(), c->segments.end()), segments);
        QCOMPARE(c->sources[0].coder, QStringLiteral("A"));
        QCOMPARE(c->lists[0].at(a.oui), QStringLiteral("Oui"));
        QVERIFY(!c->lists[0].count(1));
        using reliability::CodedCopies;
        const std::vector<qint64> &values = c->values[0];
        QCOMPARE(values.size(), size_t(c->segments.size() * 2));
        QStringList got;
        for (size_t u = 0; u < c->segments.size(); ++u) {
            QStringList cells;
            for (size_t coder = 0; coder < 2; ++coder) {
                const qint64 value = values[u * 2 + coder];
                cells << (value == CodedCopies::kSeveral ? QStringLiteral("*")
                          : value == CodedCopies::kNone  ? QStringLiteral("-")
                                                         : c->lists[0].at(value));
            }
            got << cells.join(QLatin1Char('/'));
        }
        QCOMPARE(got, list1);
        QCOMPARE(c->values[1].at(0), segments[0] == 1 ? a.x : CodedCopies::kNone);
        // The comparison made of them: several values are missing and counted.
        const reliability::Comparison comparison = reliability::comparisonOf(*c);
        const reliability::Variable &v = comparison.variables[0];
        QCOMPARE(v.multiples, qint64(list1.join(QString()).count(QLatin1Char('*'))));
        QCOMPARE(v.table.units(), qint64(segments.size()));
        for (qint64 u = 0; u < v.table.units(); ++u)
            for (int coder = 0; coder < 2; ++coder) {
                const QString cell = list1.at(int(u)).split(QLatin1Char('/')).at(coder);
                QCOMPARE(v.isMultiple(u, coder), cell == QStringLiteral("*"));
                const double value = v.table.at(u, coder);
                QCOMPARE(Table::isMissing(value) ? QStringLiteral("-*").contains(cell)
                                                 : comparison.lists[0].at(qint64(value)) == cell,
                         true);
            }
    }

    void retain()
    {
        QTemporaryDir dir;
        Analysis a;
        const QStringList files = coderCopies(dir, &a);
        const QString target = copyOf(dir, a, QStringLiteral("accord.mdb"));
        code(target, 4, a.non);
        reliability::retain(files[0], target, 4); // A's two rows replace the one
        Raw db(target);
        QCOMPARE(codingtest::rows(db, QStringLiteral("SELECT numtexte, numvar01 FROM Contenus "
                                                     "ORDER BY numero")),
                 (QStringList{QStringLiteral("4|%1").arg(a.oui), QStringLiteral("4|%1").arg(a.non)}));
        // A segment whose text differs is refused, the target untouched.
        QVERIFY(db.exec(QStringLiteral("UPDATE textes SET texte = 'Autre.' WHERE numero = 2")));
        QVERIFY_THROWS_EXCEPTION(StoreError, reliability::retain(files[1], target, 2));
        QCOMPARE(db.count(QStringLiteral("Contenus")), qint64(2));
    }
};

QTEST_GUILESS_MAIN(TestReliabilityStore)
#include "test_reliabilitystore.moc"
