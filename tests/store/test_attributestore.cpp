// The texts' attributes: which names and values are refused, names unique
// whatever their case, values removed with their attribute or text, the
// type read from the values, and an older file read as having none.
#include "storetest.h"

#include "store/attributestore.h"
#include "store/connection.h"
#include "store/storeerror.h"

#include <QtTest>

using storetest::Raw;

class TestAttributeStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // A fresh analysis with three texts.
    std::shared_ptr<Connection> analysis()
    {
        const QString path = storetest::freshCopy(m_dir);
        Raw(path).exec(QStringLiteral("INSERT INTO Chemin (chemin) VALUES ('/c/a.txt'), "
                                      "('/c/b.txt'), ('/c/c.txt')"));
        return Connection::open(path);
    }

private slots:
    void names_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("fault"); // a part of the message; empty: accepted
        QTest::newRow("plain") << "journal" << "";
        QTest::newRow("trimmed") << "  date  " << "";
        QTest::newRow("accents and spaces") << "type de média" << "";
        QTest::newRow("64 characters") << QString(64, QLatin1Char('a')) << "";
        QTest::newRow("empty") << "" << "doit avoir un nom";
        QTest::newRow("blank") << "   " << "doit avoir un nom";
        QTest::newRow("65 characters") << QString(65, QLatin1Char('a')) << "64 caractères";
        QTest::newRow("tab") << "a\tb" << "caractère de contrôle";
        QTest::newRow("newline") << "a\nb" << "caractère de contrôle";
        QTest::newRow("nul") << QStringLiteral("a") + QChar(0) << "caractère de contrôle";
        QTest::newRow("same name") << "Journal" << "s'appelle déjà « journal »";
    }
    void names()
    {
        QFETCH(QString, name);
        QFETCH(QString, fault);
        auto db = analysis();
        attributes::add(*db, QStringLiteral("journal"));
        if (name == QLatin1String("journal"))
            return; // the first row's name, taken here by the fixture
        try {
            const qint64 number = attributes::add(*db, name);
            QVERIFY2(fault.isEmpty(), "a faulty name was accepted");
            QCOMPARE(attributes::list(*db).back().number, number);
            QCOMPARE(attributes::list(*db).back().name, name.trimmed());
        } catch (const StoreError &e) {
            QVERIFY2(!fault.isEmpty() && e.message().contains(fault), qPrintable(e.message()));
            QCOMPARE(attributes::list(*db).size(), size_t(1));
        }
    }

    void renameKeepsValuesAndChecksNames()
    {
        auto db = analysis();
        const qint64 journal = attributes::add(*db, QStringLiteral("journal"));
        const qint64 date = attributes::add(*db, QStringLiteral("date"));
        attributes::setValue(*db, journal, 1, QStringLiteral("Le Monde"));
        attributes::rename(*db, journal, QStringLiteral("JOURNAL"));
        QCOMPARE(attributes::list(*db).front().name, QStringLiteral("JOURNAL"));
        QCOMPARE(*attributes::value(*db, journal, 1), QStringLiteral("Le Monde"));
        QVERIFY_THROWS_EXCEPTION(StoreError,
                                 attributes::rename(*db, date, QStringLiteral("Journal")));
        QCOMPARE(attributes::find(*db, QStringLiteral(" journal "))->number, journal);
    }

    void values_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("stored"); // null: refused; empty: removed
        QTest::newRow("plain") << "Le Monde" << "Le Monde";
        QTest::newRow("trimmed") << "  Libération " << "Libération";
        QTest::newRow("255 characters") << QString(255, QLatin1Char('x')) << QString(255, QLatin1Char('x'));
        QTest::newRow("256 characters") << QString(256, QLatin1Char('x')) << QString();
        QTest::newRow("newline") << "a\nb" << QString();
        QTest::newRow("empty removes") << "" << "";
        QTest::newRow("blank removes") << "  " << "";
    }
    void values()
    {
        QFETCH(QString, value);
        QFETCH(QString, stored);
        auto db = analysis();
        const qint64 journal = attributes::add(*db, QStringLiteral("journal"));
        attributes::setValue(*db, journal, 2, QStringLiteral("avant"));
        try {
            attributes::setValue(*db, journal, 2, value);
            QVERIFY2(!stored.isNull(), "a faulty value was accepted");
        } catch (const StoreError &e) {
            QVERIFY2(stored.isNull(), qPrintable(e.message()));
            QCOMPARE(*attributes::value(*db, journal, 2), QStringLiteral("avant"));
            return;
        }
        if (stored.isEmpty())
            QVERIFY(!attributes::value(*db, journal, 2));
        else
            QCOMPARE(*attributes::value(*db, journal, 2), stored);
    }

    // Values go with their attribute, and with their text.
    void removals()
    {
        auto db = analysis();
        const qint64 journal = attributes::add(*db, QStringLiteral("journal"));
        const qint64 date = attributes::add(*db, QStringLiteral("date"));
        for (qint64 text = 1; text <= 3; ++text) {
            attributes::setValue(*db, journal, text, QStringLiteral("J%1").arg(text));
            attributes::setValue(*db, date, text, QStringLiteral("2003-01-0%1").arg(text));
        }
        attributes::remove(*db, journal);
        QCOMPARE(attributes::list(*db).size(), size_t(1));
        QCOMPARE(attributes::valueCount(*db, journal), 0);
        db->exec(QStringLiteral("DELETE FROM Chemin WHERE numero = 2"));
        const std::map<qint64, QString> left = attributes::values(*db, date);
        QCOMPARE(left.size(), size_t(2));
        QCOMPARE(left.at(3), QStringLiteral("2003-01-03"));
    }

    void kinds_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<int>("kind");
        const int text = int(attributes::Kind::Text);
        const int number = int(attributes::Kind::Number);
        const int date = int(attributes::Kind::Date);
        QTest::newRow("none") << QStringList() << text;
        QTest::newRow("dates") << QStringList{"2003-01-31", "1999-12-01"} << date;
        QTest::newRow("29 February of a leap year") << QStringList{"2004-02-29"} << date;
        QTest::newRow("29 February otherwise") << QStringList{"2003-02-29"} << text;
        QTest::newRow("French date") << QStringList{"31/01/2003"} << text;
        QTest::newRow("integers") << QStringList{"12", "-3", "+40"} << number;
        QTest::newRow("decimals") << QStringList{"1.5", "2,25", ".5"} << number;
        QTest::newRow("one word among numbers") << QStringList{"12", "douze"} << text;
        QTest::newRow("date among numbers") << QStringList{"12", "2003-01-01"} << text;
        QTest::newRow("two points") << QStringList{"1.2.3"} << text;
        QTest::newRow("sign alone") << QStringList{"-"} << text;
    }
    void kinds()
    {
        QFETCH(QStringList, values);
        QFETCH(int, kind);
        QCOMPARE(int(attributes::kindOf(std::vector<QString>(values.begin(), values.end()))), kind);
    }

    // A version-2 file: no attributes to read, none to write.
    void olderFile()
    {
        const QString path = storetest::freshCopy(m_dir);
        Raw(path).exec(QStringLiteral("DROP TABLE ValeursAttributs; DROP TABLE Attributs; "
                                      "DROP TABLE Notes; DROP TABLE Recherche; DROP TABLE RechercheEtat; "
                                      "DROP TABLE SuggestionsAcceptees; DROP TABLE ModelesSuggestions; "
                                      "DROP TABLE EntreesDictionnaires; "
                                      "DROP TABLE CategoriesDictionnaires; DROP TABLE Dictionnaires; "
                                      "PRAGMA user_version = 2"));
        auto db = Connection::open(path, Connection::Access::ReadOnly);
        QVERIFY(attributes::list(*db).empty());
        QVERIFY(!attributes::value(*db, 1, 1));
        auto writable = Connection::open(path);
        QVERIFY_THROWS_EXCEPTION(StoreError, attributes::add(*writable, QStringLiteral("journal")));
    }
};

QTEST_GUILESS_MAIN(TestAttributeStore)
#include "test_attributestore.moc"
