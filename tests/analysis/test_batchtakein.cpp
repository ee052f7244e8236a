// Many texts at once: each text all or nothing, failures and stops told per
// file, paragraphs of documents cut as segments.
#include "mixedcorpus.h"
#include "analysis/batchtakein.h"
#include "store/connection.h"

#include <QFileInfo>
#include <QtTest>

using batch::Status;

class TestBatchTakeIn : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void batch();
    void stop();

private:
    QString corpus(const QString &name) const { return m_corpus.filePath(name); }
    QTemporaryDir m_dir;
    QTemporaryDir m_corpus;
};

void TestBatchTakeIn::initTestCase()
{
    QVERIFY(m_dir.isValid());
    mixedcorpus::write(m_corpus);
}

void TestBatchTakeIn::batch()
{
    const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("batch.mdb"));
    const QString txt = corpus(QStringLiteral("f_ancien.txt"));
    {
        std::shared_ptr<Connection> db = Connection::open(path);
        // The plain text is taken in first, alone; the batch then skips it.
        batch::takeIn(*db, {txt});
        QStringList metInFolders;
        const QStringList files =
            batch::expand({m_corpus.path()}, false, &metInFolders);
        QCOMPARE(files.size(), 8);
        QCOMPARE(metInFolders, files);
        const batch::Summary summary =
            batch::takeIn(*db, files, {}, {}, {}, {metInFolders});
        QCOMPARE(summary.outcomes.size(), size_t(8));
        QStringList seen;
        for (const auto &o : summary.outcomes)
            seen << QStringLiteral("%1 %2 %3 %4")
                        .arg(QFileInfo(o.path).fileName())
                        .arg(int(o.status))
                        .arg(o.segments)
                        .arg(o.cause);
        QCOMPARE(seen, (QStringList{
                           QStringLiteral("a_entretien.docx 0 3 "),
                           QStringLiteral("b_notes.odt 0 2 "),
                           QStringLiteral("c_casse.docx 2 0 document Word endommagé : ce n'est "
                                          "pas une archive ZIP"),
                           QStringLiteral("d_page.html 0 3 "),
                           QStringLiteral("e_memo.md 0 2 "),
                           QStringLiteral("f_ancien.txt 1 0 "),
                           QStringLiteral("g_rapport.pdf 0 2 "),
                           QStringLiteral("h_photo.png 4 0 format non pris en charge : Telmira "
                                          "lit les textes (.txt), Markdown (.md), HTML (.html), "
                                          "Word (.docx), OpenDocument (.odt) et PDF"),
                       }));
    }
    codingtest::Raw raw(path);
    // Paragraphs are lines (CR LF between them), cut by the usual rules, and
    // each paragraph's end ends a segment (a heading never runs on).
    QCOMPARE(mixedcorpus::segmentsOf(raw, corpus(QStringLiteral("a_entretien.docx"))),
             (QStringList{QStringLiteral("Entretien.\r\n"), QStringLiteral("Il a dit oui."),
                          QStringLiteral("Voilà.")}));
    QCOMPARE(mixedcorpus::segmentsOf(raw, corpus(QStringLiteral("b_notes.odt"))),
             (QStringList{QStringLiteral("Notes\r\n"), QStringLiteral("Le marché ouvre tôt.")}));
    QCOMPARE(mixedcorpus::segmentsOf(raw, corpus(QStringLiteral("d_page.html"))),
             (QStringList{QStringLiteral("Presse\r\n"), QStringLiteral("Un article."),
                          QStringLiteral("Fin.")}));
    QCOMPARE(mixedcorpus::segmentsOf(raw, corpus(QStringLiteral("e_memo.md"))),
             (QStringList{QStringLiteral("Mémo\r\n"), QStringLiteral("Une idée.")}));
    QCOMPARE(mixedcorpus::segmentsOf(raw, txt),
             (QStringList{QStringLiteral("Café crème."), QStringLiteral(" Fin\r\nde ligne.")}));
    QCOMPARE(mixedcorpus::segmentsOf(raw, corpus(QStringLiteral("g_rapport.pdf"))),
             (QStringList{QStringLiteral("Rapport annuel."), QStringLiteral("Suite du rapport.")}));
    // The broken file left nothing, not even its path.
    QCOMPARE(codingtest::rows(raw, QStringLiteral("select count(*) from chemin")),
             QStringList{QStringLiteral("6")});
}

void TestBatchTakeIn::stop()
{
    const QString path = codingtest::freshDatabase(m_dir, QStringLiteral("stop.mdb"));
    const QStringList files{corpus(QStringLiteral("a_entretien.docx")),
                            corpus(QStringLiteral("b_notes.odt")),
                            corpus(QStringLiteral("d_page.html"))};
    {
        std::shared_ptr<Connection> db = Connection::open(path);
        // "Arrêter" once the second text has begun.
        int index = 0;
        const batch::Summary summary = batch::takeIn(
            *db, files, [&](const batch::Progress &p) { index = p.index; }, {},
            [&] { return index == 1; });
        QCOMPARE(summary.outcomes.size(), size_t(2));
        QCOMPARE(summary.outcomes[0].status, Status::Added);
        QCOMPARE(summary.outcomes[1].status, Status::Stopped);
        QCOMPARE(summary.notBegun, 1);
        QVERIFY(!db->inTransaction());
    }
    codingtest::Raw raw(path);
    QCOMPARE(codingtest::rows(raw, QStringLiteral("select chemin from chemin")),
             QStringList{files.at(0)});
    QCOMPARE(codingtest::rows(raw, QStringLiteral("select count(*) from textes")),
             QStringList{QStringLiteral("3")});
}

QTEST_MAIN(TestBatchTakeIn)
#include "test_batchtakein.moc"
