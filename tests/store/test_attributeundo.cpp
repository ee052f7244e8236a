// The texts' attributes in the undo history: each edit is one step that
// undoes to the rows as they were and redoes to the rows it wrote; a step
// whose rows another program changed meanwhile is refused and writes
// nothing; a refused edit makes no step.
#include "storetest.h"

#include "store/attributestore.h"
#include "store/connection.h"
#include "store/history.h"
#include "store/storeerror.h"

#include <QtTest>

using storetest::Raw;

namespace {

enum class Edit { Add, Rename, Remove, SetValue, ClearValue, Paste, Sheet, ManyAttributes };

// The attribute and value rows as "A|numero|nom" and "V|attribut|texte|valeur".
QStringList snapshot(const QString &path)
{
    QStringList rows;
    Raw db(path);
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(db.handle(),
                       "SELECT 'A|' || numero || '|' || nom FROM Attributs "
                       "UNION ALL SELECT 'V|' || attribut || '|' || texte || '|' || valeur "
                       "FROM ValeursAttributs ORDER BY 1",
                       -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW)
        rows << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    return rows;
}

} // namespace

Q_DECLARE_METATYPE(Edit)

class TestAttributeUndo : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;

    // Three texts; "journal" (1) holds values for texts 1 and 2, "date" (2)
    // for text 1.
    std::shared_ptr<Connection> analysis()
    {
        m_path = storetest::freshCopy(m_dir);
        Raw raw(m_path);
        raw.exec(QStringLiteral(
            "INSERT INTO Chemin (chemin) VALUES ('/c/a.txt'), ('/c/b.txt'), ('/c/c.txt');"
            "INSERT INTO Attributs (nom) VALUES ('journal'), ('date');"
            "INSERT INTO ValeursAttributs VALUES (1, 1, 'Le Monde'), (1, 2, 'Libération'), "
            "(2, 1, '2024-03-01');"));
        return Connection::open(m_path);
    }

    static const QStringList &initial()
    {
        static const QStringList rows{"A|1|journal",     "A|2|date",
                                      "V|1|1|Le Monde",  "V|1|2|Libération",
                                      "V|2|1|2024-03-01"};
        return rows;
    }

private slots:
    void undoRedo_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("undoText");

        QTest::newRow("add")
            << Edit::Add
            << QStringList{"A|1|journal", "A|2|date", "A|3|auteur", "V|1|1|Le Monde",
                           "V|1|2|Libération", "V|2|1|2024-03-01"}
            << "Annuler l'ajout de l'attribut « auteur »";
        QTest::newRow("rename")
            << Edit::Rename
            << QStringList{"A|1|titre", "A|2|date", "V|1|1|Le Monde", "V|1|2|Libération",
                           "V|2|1|2024-03-01"}
            << "Annuler le renommage de l'attribut « journal » en « titre »";
        QTest::newRow("remove with its two values")
            << Edit::Remove << QStringList{"A|2|date", "V|2|1|2024-03-01"}
            << "Annuler la suppression de l'attribut « journal » (2 valeurs)";
        QTest::newRow("value set, trimmed")
            << Edit::SetValue
            << QStringList{"A|1|journal", "A|2|date", "V|1|1|Le Monde", "V|1|2|Libération",
                           "V|2|1|2024-03-01", "V|2|2|2024-03-04"}
            << "Annuler la saisie";
        QTest::newRow("value emptied")
            << Edit::ClearValue
            << QStringList{"A|1|journal", "A|2|date", "V|1|2|Libération", "V|2|1|2024-03-01"}
            << "Annuler l'effacement";
        // Three cells, one of them unchanged.
        QTest::newRow("block pasted")
            << Edit::Paste
            << QStringList{"A|1|journal", "A|2|date", "V|1|1|Le Monde", "V|1|2|Libération",
                           "V|1|3|Le Figaro", "V|2|1|2024-03-01", "V|2|3|2024-01-01"}
            << "Annuler le collage de 3 valeurs";
        // "JOURNAL" is journal; "auteur" is created; text 1's empty journal
        // removes its value.
        QTest::newRow("sheet taken in")
            << Edit::Sheet
            << QStringList{"A|1|journal", "A|2|date", "A|3|auteur", "V|1|2|Libération",
                           "V|1|3|L'Humanité", "V|2|1|2024-03-01", "V|3|1|Dupont",
                           "V|3|3|Durand"}
            << "Annuler l'import";
        // Attributes 3 to 12, one value each for text 2, in one step.
        QStringList many = initial();
        for (int a = 3; a <= 12; ++a)
            many << QStringLiteral("A|%1|a%1").arg(a);
        for (int a = 3; a <= 12; ++a)
            many << QStringLiteral("V|%1|2|v%1").arg(a);
        many.sort();
        QTest::newRow("values of ten attributes") << Edit::ManyAttributes << many
                                                  << "Annuler le collage de 10 valeurs";
    }
    void undoRedo()
    {
        QFETCH(Edit, edit);
        QFETCH(QStringList, after);
        QFETCH(QString, undoText);
        auto db = analysis();
        coding::History history(*db);
        if (edit == Edit::ManyAttributes) {
            for (int a = 3; a <= 12; ++a)
                attributes::add(*db, QStringLiteral("a%1").arg(a));
        }
        const QStringList before = snapshot(m_path);

        switch (edit) {
        case Edit::Add:
            QCOMPARE(history.addAttribute(QStringLiteral(" auteur ")), qint64(3));
            break;
        case Edit::Rename:
            history.renameAttribute(1, QStringLiteral("titre"));
            break;
        case Edit::Remove:
            history.removeAttribute(1);
            break;
        case Edit::SetValue:
            history.setAttributeValues({{2, 2, QStringLiteral(" 2024-03-04 ")}},
                                       QStringLiteral("la saisie"));
            break;
        case Edit::ClearValue:
            history.setAttributeValues({{1, 1, QString()}}, QStringLiteral("l'effacement"));
            break;
        case Edit::Paste:
            history.setAttributeValues({{1, 3, QStringLiteral("Le Figaro")},
                                        {2, 3, QStringLiteral("2024-01-01")},
                                        {1, 1, QStringLiteral("Le Monde")}},
                                       QStringLiteral("le collage de 3 valeurs"));
            break;
        case Edit::Sheet: {
            attributes::Sheet sheet;
            sheet.names = {QStringLiteral("JOURNAL"), QStringLiteral("auteur")};
            sheet.rows.push_back({3, {QStringLiteral("L'Humanité"), QStringLiteral("Durand")}});
            sheet.rows.push_back({1, {QString(), QStringLiteral("Dupont")}});
            const attributes::SheetCount count =
                history.importAttributes(sheet, QStringLiteral("l'import"));
            QCOMPARE(count.attributes, 2);
            QCOMPARE(count.created, 1);
            QCOMPARE(count.texts, 2);
            QCOMPARE(count.values, 3);
            break;
        }
        case Edit::ManyAttributes: {
            std::vector<attributes::Assignment> cells;
            for (int a = 3; a <= 12; ++a)
                cells.push_back({a, 2, QStringLiteral("v%1").arg(a)});
            history.setAttributeValues(cells, QStringLiteral("le collage de 10 valeurs"));
            break;
        }
        }
        QCOMPARE(snapshot(m_path), after);
        QCOMPARE(history.undoCount(), 1);
        QCOMPARE(history.undoText(), undoText);

        history.undo();
        QCOMPARE(snapshot(m_path), before);
        history.redo();
        QCOMPARE(snapshot(m_path), after);
        history.undo();
        QCOMPARE(snapshot(m_path), before);
    }

    // Another program changed the rows of a step: refused, named, nothing
    // written, the step where it was.
    void changedElsewhere_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<bool>("undone"); // the edit undone before the other program
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("message");

        QTest::newRow("name taken before the add is redone")
            << Edit::Add << true << "INSERT INTO Attributs (nom) VALUES ('AUTEUR')"
            << "le nom « AUTEUR » a été donné entre-temps à un autre attribut";
        QTest::newRow("a value given to the attribute added")
            << Edit::Add << false << "INSERT INTO ValeursAttributs VALUES (3, 1, 'Dupont')"
            << "l'attribut n° 3 a maintenant 1 valeur";
        QTest::newRow("the text of a removed value deleted")
            << Edit::Remove << false << "DELETE FROM Chemin WHERE numero = 2"
            << "la valeur de l'attribut n° 1 pour le texte n° 2 renvoie à un texte ou à un "
               "attribut supprimés entre-temps";
        QTest::newRow("the value changed")
            << Edit::SetValue << false
            << "UPDATE ValeursAttributs SET valeur = 'x' WHERE attribut = 2 AND texte = 2"
            << "la valeur de l'attribut n° 2 pour le texte n° 2 a été modifiée entre-temps";
        QTest::newRow("the attribute renamed")
            << Edit::Rename << false << "UPDATE Attributs SET nom = 'Titre' WHERE numero = 1"
            << "l'attribut n° 1 a été modifié entre-temps";
    }
    void changedElsewhere()
    {
        QFETCH(Edit, edit);
        QFETCH(bool, undone);
        QFETCH(QString, meanwhile);
        QFETCH(QString, message);
        auto db = analysis();
        coding::History history(*db);
        switch (edit) {
        case Edit::Add:
            history.addAttribute(QStringLiteral("auteur"));
            break;
        case Edit::Remove:
            history.removeAttribute(1);
            break;
        case Edit::SetValue:
            history.setAttributeValues({{2, 2, QStringLiteral("2024-03-04")}},
                                       QStringLiteral("la saisie"));
            break;
        case Edit::Rename:
            history.renameAttribute(1, QStringLiteral("titre"));
            break;
        default:
            QFAIL("not a case of this test");
        }
        if (undone)
            history.undo();
        QVERIFY(Raw(m_path).exec(meanwhile));
        const QStringList before = snapshot(m_path);
        try {
            if (undone)
                history.redo();
            else
                history.undo();
            QFAIL("the step was replayed over the other program's change");
        } catch (const undo::Conflict &e) {
            QVERIFY2(e.message().contains(message), qPrintable(e.message()));
        }
        QCOMPARE(snapshot(m_path), before);
        QCOMPARE(history.undoCount(), undone ? 0 : 1);
    }

    // A refused edit writes nothing and makes no step.
    void refused_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("message");
        QTest::newRow("name of another, case aside") << 0 << "s'appelle déjà « journal »";
        QTest::newRow("one value too long in a block") << 1 << "255 caractères au plus";
        QTest::newRow("a text that is not there") << 2 << "Le texte n° 9 n'est plus";
        QTest::newRow("columns named twice") << 3 << "La colonne « Auteur » est donnée deux fois";
        QTest::newRow("read-only") << 4 << "lecture seule";
    }
    void refused()
    {
        QFETCH(int, which);
        QFETCH(QString, message);
        auto db = analysis();
        coding::History history(*db);
        try {
            switch (which) {
            case 0:
                history.addAttribute(QStringLiteral("JOURNAL"));
                break;
            case 1:
                history.setAttributeValues({{1, 3, QStringLiteral("Le Figaro")},
                                            {2, 3, QString(256, QLatin1Char('x'))}},
                                           QStringLiteral("le collage"));
                break;
            case 2:
                history.setAttributeValues({{1, 3, QStringLiteral("Le Figaro")},
                                            {1, 9, QStringLiteral("Le Temps")}},
                                           QStringLiteral("le collage"));
                break;
            case 3: {
                attributes::Sheet sheet;
                sheet.names = {QStringLiteral("auteur"), QStringLiteral("Auteur")};
                history.importAttributes(sheet, QStringLiteral("l'import"));
                break;
            }
            case 4:
                history.setReadOnly(true);
                history.addAttribute(QStringLiteral("auteur"));
                break;
            }
            QFAIL("accepted");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(message), qPrintable(e.message()));
        }
        QCOMPARE(snapshot(m_path), initial());
        QCOMPARE(history.undoCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestAttributeUndo)
#include "test_attributeundo.moc"
