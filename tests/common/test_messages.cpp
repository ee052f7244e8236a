// The real message boxes: title, buttons, icons and the default answer.
#include "common/messages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

// Runs `inspect` on the message box once it is shown, then presses `key`.
void whenShown(std::function<void(QMessageBox *)> inspect, Qt::Key key)
{
    QTimer::singleShot(0, [inspect, key] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        inspect(box);
        QTest::keyClick(box, key);
    });
}

QStringList buttonTexts(QMessageBox *box)
{
    QStringList texts;
    for (QAbstractButton *b : box->buttons())
        texts << b->text();
    texts.sort();
    return texts;
}

} // namespace

class TestMessages : public QObject
{
    Q_OBJECT
private slots:
    void plainHasOneOkNoIcon()
    {
        bool seen = false;
        whenShown(
            [&](QMessageBox *box) {
                seen = true;
                QCOMPARE(box->windowTitle(), QStringLiteral("Telmira"));
                QCOMPARE(box->text(), QStringLiteral("Cet élément existe déjà dans la liste."));
                QCOMPARE(box->icon(), QMessageBox::NoIcon);
                QCOMPARE(buttonTexts(box), QStringList{QStringLiteral("OK")});
                QVERIFY(box->buttons().first()->icon().isNull());
            },
            Qt::Key_Return);
        messages::plain(nullptr, QStringLiteral("Cet élément existe déjà dans la liste."));
        QVERIFY(seen);
    }

    void errorHasOneOk()
    {
        bool seen = false;
        whenShown(
            [&](QMessageBox *box) {
                seen = true;
                QCOMPARE(box->windowTitle(), QStringLiteral("Telmira"));
                QCOMPARE(buttonTexts(box), QStringList{QStringLiteral("OK")});
            },
            Qt::Key_Escape);
        messages::error(nullptr, QStringLiteral("Échec"));
        QVERIFY(seen);
    }

    // Replacing an analysis is asked with "Non" as the answer to Enter and
    // Escape: a hurried key press must never lose a file.
    void questionDefaultsToNon_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Escape") << int(Qt::Key_Escape);
    }
    void questionDefaultsToNon()
    {
        QFETCH(int, key);
        whenShown(
            [](QMessageBox *box) {
                QCOMPARE(buttonTexts(box), (QStringList{QStringLiteral("Non"), QStringLiteral("Oui")}));
                QCOMPARE(box->defaultButton()->text(), QStringLiteral("Non"));
            },
            Qt::Key(key));
        QVERIFY(!messages::ask(nullptr, QStringLiteral("Remplacer ?")));
    }

    void questionOui()
    {
        QTimer::singleShot(0, [] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            for (QAbstractButton *b : box->buttons())
                if (b->text() == QStringLiteral("Oui"))
                    b->click();
        });
        QVERIFY(messages::ask(nullptr, QStringLiteral("Remplacer ?")));
    }
};

QTEST_MAIN(TestMessages)
#include "test_messages.moc"
