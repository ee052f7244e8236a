#pragma once
// A folder of documents of every format the take-in reads, beside a damaged
// one and a picture, written by the tests themselves: the batch, the menu
// "Ajouter des textes..." and --ajouter each take it in.
#include "../coding/codingtest.h"
#include "../exchange/documents.h"
#include "../exchange/pdfbuilder.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace mixedcorpus {

// a_entretien.docx, b_notes.odt, c_casse.docx (damaged), d_page.html,
// e_memo.md, f_ancien.txt (Windows-1252), g_rapport.pdf, h_photo.png.
// Needs a QGuiApplication (the PDF is drawn).
inline void write(const QTemporaryDir &dir)
{
    const auto file = [&dir](const QString &name) { return dir.filePath(name); };

    QVERIFY(dir.isValid());
    documents::writeDocx(file(QStringLiteral("a_entretien.docx")),
                         "<w:p><w:r><w:t>Entretien.</w:t></w:r></w:p><w:p><w:r><w:t "
                         "xml:space=\"preserve\">Il a </w:t></w:r><w:r><w:rPr><w:b/></w:rPr>"
                         "<w:t>dit</w:t></w:r><w:r><w:t xml:space=\"preserve\"> oui. "
                         "Voilà.</w:t></w:r></w:p>");
    documents::writeOdt(file(QStringLiteral("b_notes.odt")),
                        "<text:h>Notes</text:h><text:p>Le marché ouvre tôt.</text:p>");
    QFile broken(file(QStringLiteral("c_casse.docx")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("pas une archive");
    broken.close();
    QFile html(file(QStringLiteral("d_page.html")));
    QVERIFY(html.open(QIODevice::WriteOnly));
    html.write("<html><body><h1>Presse</h1><p>Un article. Fin.</p></body></html>");
    html.close();
    QFile md(file(QStringLiteral("e_memo.md")));
    QVERIFY(md.open(QIODevice::WriteOnly));
    md.write("# M\xC3\xA9mo\n\nUne *id\xC3\xA9" "e*.\n");
    md.close();
    QFile txt(file(QStringLiteral("f_ancien.txt")));
    QVERIFY(txt.open(QIODevice::WriteOnly));
    txt.write("Caf\xE9 cr\xE8me. Fin\r\nde ligne.");
    txt.close();
    documents::writePdf(file(QStringLiteral("g_rapport.pdf")),
                        {{100, QStringLiteral("Rapport annuel. Suite")},
                         {115, QStringLiteral("du rapport.")}});
    // A picture beside the documents: passed over, not a failure.
    QFile picture(file(QStringLiteral("h_photo.png")));
    QVERIFY(picture.open(QIODevice::WriteOnly));
    picture.write(QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    picture.close();
}

// A report of four pages, each with a running head at the top, one sentence
// and its page number at the foot: 4 heads and 4 page numbers are page
// layout (8 lines left out), the 4 sentences are the text.
inline void writeReportWithLayout(const QString &path)
{
    QList<pdfbuilder::Page> pages;
    for (int p = 1; p <= 4; ++p)
        pages << pdfbuilder::Page{
            pdfbuilder::Text{72, 40, QStringLiteral("Rapport annuel 2026")},
            pdfbuilder::Text{72, 300, QStringLiteral("Texte de la page %1.").arg(p)},
            pdfbuilder::Text{290, 800, QString::number(p)}};
    QVERIFY(pdfbuilder::write(path, pages));
}

// The segments of the text recorded under `path`, in order.
inline QStringList segmentsOf(codingtest::Raw &db, const QString &path)
{
    return codingtest::rows(
        db, QStringLiteral("select t.texte from textes t join chemin c on c.numero = t.numtexte "
                           "where c.chemin = '%1' order by t.numero")
                .arg(path));
}

} // namespace mixedcorpus
