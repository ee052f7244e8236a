// The tables of the results as the user reads them: a cross-table in counts
// and in each kind of percentage, margins included, worked out by hand.
#include "coding/resultgrid.h"
#include "results/tables.h"

#include <QTest>

Q_DECLARE_METATYPE(coding::CrossShow)

class TestResultGrid : public QObject
{
    Q_OBJECT
private slots:
    void cross_data();
    void cross();
};

void TestResultGrid::cross_data()
{
    QTest::addColumn<coding::CrossShow>("show");
    QTest::addColumn<QStringList>("lines"); // the two value lines, Total, Non codé
    // Counts 4 6 / 12 18: rows 10 and 30, columns 16 and 24, total 40.
    QTest::newRow("counts") << coding::CrossShow::Counts
                            << QStringList{QStringLiteral("a|4|6|10"), QStringLiteral("b|12|18|30"),
                                           QStringLiteral("Total|16|24|40"),
                                           QStringLiteral("Non codé|||3")};
    QTest::newRow("row %") << coding::CrossShow::RowPercent
                           << QStringList{QStringLiteral("a|40,00|60,00|100,00"),
                                          QStringLiteral("b|40,00|60,00|100,00"),
                                          QStringLiteral("Total|40,00|60,00|100,00"),
                                          QStringLiteral("Non codé|||3")};
    QTest::newRow("column %") << coding::CrossShow::ColumnPercent
                              << QStringList{QStringLiteral("a|25,00|25,00|25,00"),
                                             QStringLiteral("b|75,00|75,00|75,00"),
                                             QStringLiteral("Total|100,00|100,00|100,00"),
                                             QStringLiteral("Non codé|||3")};
    QTest::newRow("total %") << coding::CrossShow::TotalPercent
                             << QStringList{QStringLiteral("a|10,00|15,00|25,00"),
                                            QStringLiteral("b|30,00|45,00|75,00"),
                                            QStringLiteral("Total|40,00|60,00|100,00"),
                                            QStringLiteral("Non codé|||3")};
}

void TestResultGrid::cross()
{
    QFETCH(coding::CrossShow, show);
    QFETCH(QStringList, lines);
    const results::CrossTable table = results::crossTable(
        {QStringLiteral("a"), QStringLiteral("b")}, {QStringLiteral("x"), QStringLiteral("y")},
        {{4, 6}, {12, 18}}, 3);
    const coding::ResultGrid grid =
        coding::crossGrid(table, QStringLiteral("Thème"), QStringLiteral("Ton"),
                          coding::unitName(true), show, QLocale(QLocale::French));
    QVERIFY(grid.header.first().startsWith(QStringLiteral("Thème \\ Ton (segments")));
    QCOMPARE(grid.header.mid(1), (QStringList{QStringLiteral("x"), QStringLiteral("y"),
                                              QStringLiteral("Total")}));
    QStringList got;
    for (const QStringList &row : grid.rows)
        got << row.join(QLatin1Char('|'));
    QCOMPARE(got, lines);
}

QTEST_GUILESS_MAIN(TestResultGrid)
#include "test_resultgrid.moc"
