// The CSV writer: when a field is quoted and how, records and the BOM.
#include "exchange/csv.h"

#include <QBuffer>
#include <QTest>

class TestCsv : public QObject
{
    Q_OBJECT
private slots:
    void field_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("written");
        const QChar semi(QLatin1Char(';'));
        const QChar comma(QLatin1Char(','));
        QTest::newRow("plain") << "Bonjour à tous." << semi << "Bonjour à tous.";
        QTest::newRow("empty") << "" << semi << "";
        QTest::newRow("comma, semicolon mode") << "a, b" << semi << "a, b";
        QTest::newRow("comma, comma mode") << "a, b" << comma << "\"a, b\"";
        QTest::newRow("semicolon") << "a ; b" << semi << "\"a ; b\"";
        QTest::newRow("semicolon, comma mode") << "a ; b" << comma << "a ; b";
        QTest::newRow("quotes") << "il dit \"oui\"" << semi << "\"il dit \"\"oui\"\"\"";
        QTest::newRow("CR LF") << "un\r\ndeux" << semi << "\"un\r\ndeux\"";
        QTest::newRow("lone LF") << "un\ndeux" << semi << "\"un\ndeux\"";
        QTest::newRow("lone CR") << "un\rdeux" << semi << "\"un\rdeux\"";
        QTest::newRow("leading blank kept") << " a " << semi << " a ";
        QTest::newRow("apostrophe") << "l'été" << semi << "l'été";
    }
    void field()
    {
        QFETCH(QString, text);
        QFETCH(QChar, separator);
        QFETCH(QString, written);
        QCOMPARE(csv::field(text, separator), written);
        // The long exports' UTF-8 writer writes the same.
        QByteArray out("x");
        csv::appendField(out, text.toUtf8(), separator.toLatin1(), false);
        QCOMPARE(out, "x" + written.toUtf8());
    }

    void inert_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("written");
        QTest::newRow("formula") << "=SOMME(A1:A9)" << "'=SOMME(A1:A9)";
        QTest::newRow("plus") << "+33 1 23" << "'+33 1 23";
        QTest::newRow("minus") << "-2+3" << "'-2+3";
        QTest::newRow("at") << "@SUM(1)" << "'@SUM(1)";
        QTest::newRow("tab") << "\t=1" << "'\t=1";
        QTest::newRow("CR") << "\r=1" << "'\r=1";
        QTest::newRow("plain") << "Bonjour = salut" << "Bonjour = salut";
        QTest::newRow("leading blank") << " =1" << " =1";
        QTest::newRow("apostrophe already") << "'=1" << "'=1";
        QTest::newRow("empty") << "" << "";
    }
    void inert()
    {
        QFETCH(QString, text);
        QFETCH(QString, written);
        QCOMPARE(csv::inert(text), written);
        QByteArray out;
        csv::appendField(out, text.toUtf8(), ';', true);
        QCOMPARE(out, csv::field(written, QLatin1Char(';')).toUtf8());
    }

    void writer_bomAndRecords()
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        csv::Writer writer(&buffer, QLatin1Char(';'));
        QVERIFY(writer.writeBom());
        QVERIFY(writer.write({QStringLiteral("1"), QStringLiteral("é;è"), QString()}));
        QVERIFY(writer.write({QStringLiteral("2")}));
        QCOMPARE(buffer.data(), QByteArray("\xEF\xBB\xBF"
                                           "1;\"\xC3\xA9;\xC3\xA8\";\r\n"
                                           "2\r\n"));
    }
};

QTEST_APPLESS_MAIN(TestCsv)
#include "test_csv.moc"
