#pragma once
// PDFs written byte by byte, for the tests and benchmarks of the PDF reader:
// pages of A4 (595 x 842 points) holding lines of text at given places.
//
// A line whose characters are all printable Latin-1 (no soft hyphen) is
// drawn in Helvetica with WinAnsiEncoding, so that its bytes are its text.
// Any other line is drawn in a Type0 font with Identity-H encoding: every
// character of the document gets a code of two bytes, each 600/1000 of the
// size wide, and a /ToUnicode CMap maps the codes back to the characters,
// so that a text extractor gives exactly the characters chosen here.
//
// A line is drawn left to right from x in the order of its characters (as
// producers draw right-to-left scripts: glyphs in visual order); with
// `reversed`, its glyphs (Type0 font only) are drawn one by one from the
// last to the first, each at its place in that same visual line.
#include <QByteArray>
#include <QFile>
#include <QList>
#include <QMap>
#include <QString>

namespace pdfbuilder {

struct Text
{
    double x = 72;
    double y = 72; // top of the line's box from the top of the page (points)
    QString text;
    double size = 12;
    bool reversed = false;
};

using Page = QList<Text>;

inline constexpr double kWidth = 595;
inline constexpr double kHeight = 842;

inline bool latin1(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u < 0xA0) || u == 0xAD || u > 0xFF)
            return false;
    }
    return true;
}

inline QByteArray literal(const QString &text)
{
    QByteArray out = "(";
    for (const QChar c : text) {
        const char b = char(c.unicode());
        if (b == '(' || b == ')' || b == '\\')
            out += '\\';
        out += b;
    }
    return out + ")";
}

inline QByteArray hex4(unsigned v)
{
    return QByteArray::number(v, 16).rightJustified(4, '0').toUpper();
}

inline QByteArray num(double v) { return QByteArray::number(v, 'f', 2); }

// The whole PDF; with `compress`, the pages' contents are deflated
// (/FlateDecode), as most producers write them.
inline QByteArray build(const QList<Page> &pages, bool compress = false)
{
    // Codes of the Type0 font: one per distinct character, from 1.
    QMap<char16_t, unsigned> codes;
    for (const Page &page : pages)
        for (const Text &t : page)
            if (!latin1(t.text))
                for (const QChar c : t.text)
                    codes.insert(c.unicode(), 0);
    unsigned next = 1;
    for (auto it = codes.begin(); it != codes.end(); ++it)
        it.value() = next++;

    QList<QByteArray> objects; // object n is objects[n - 1]
    const int pageCount = int(pages.size());
    // 1 catalog, 2 page tree, 3 Helvetica, 4 Type0, 5 CID font, 6 descriptor,
    // 7 ToUnicode, then a page and its content for each page.
    objects << "<< /Type /Catalog /Pages 2 0 R >>";
    QByteArray kids;
    for (int i = 0; i < pageCount; ++i)
        kids += QByteArray::number(8 + 2 * i) + " 0 R ";
    objects << "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pageCount)
                   + " >>";
    objects << "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>";
    objects << "<< /Type /Font /Subtype /Type0 /BaseFont /TelmiraTest /Encoding /Identity-H "
               "/DescendantFonts [5 0 R] /ToUnicode 7 0 R >>";
    objects << "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /TelmiraTest /CIDSystemInfo "
               "<< /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /DW 600 "
               "/FontDescriptor 6 0 R >>";
    objects << "<< /Type /FontDescriptor /FontName /TelmiraTest /Flags 32 /FontBBox [0 -200 "
               "600 800] /ItalicAngle 0 /Ascent 800 /Descent -200 /CapHeight 700 /StemV 80 >>";
    QByteArray cmap = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    QList<QByteArray> pairs;
    for (auto it = codes.cbegin(); it != codes.cend(); ++it)
        pairs << "<" + hex4(it.value()) + "> <" + hex4(it.key()) + ">\n";
    for (int at = 0; at < pairs.size(); at += 100) {
        const QList<QByteArray> block = pairs.mid(at, 100);
        cmap += QByteArray::number(block.size()) + " beginbfchar\n";
        for (const QByteArray &p : block)
            cmap += p;
        cmap += "endbfchar\n";
    }
    cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    objects << "<< /Length " + QByteArray::number(cmap.size()) + " >>\nstream\n" + cmap
                   + "endstream";

    for (int i = 0; i < pageCount; ++i) {
        QByteArray content;
        for (const Text &t : pages.at(i)) {
            // The box of a line is taken as its size high, the baseline at
            // four fifths of it.
            const double baseline = kHeight - t.y - 0.8 * t.size;
            if (latin1(t.text)) {
                content += "BT /F1 " + num(t.size) + " Tf " + num(t.x) + " " + num(baseline)
                           + " Td " + literal(t.text) + " Tj ET\n";
                continue;
            }
            if (!t.reversed) {
                QByteArray hex;
                for (const QChar c : t.text)
                    hex += hex4(codes.value(c.unicode()));
                content += "BT /F2 " + num(t.size) + " Tf " + num(t.x) + " " + num(baseline)
                           + " Td <" + hex + "> Tj ET\n";
                continue;
            }
            for (qsizetype k = t.text.size() - 1; k >= 0; --k)
                content += "BT /F2 " + num(t.size) + " Tf " + num(t.x + 0.6 * t.size * double(k))
                           + " " + num(baseline) + " Td <"
                           + hex4(codes.value(t.text.at(k).unicode())) + "> Tj ET\n";
        }
        objects << "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + num(kWidth) + " "
                       + num(kHeight)
                       + "] /Resources << /Font << /F1 3 0 R /F2 4 0 R >> >> /Contents "
                       + QByteArray::number(9 + 2 * i) + " 0 R >>";
        if (compress) {
            content = qCompress(content).mid(4); // a zlib stream without Qt's length
            objects << "<< /Length " + QByteArray::number(content.size())
                           + " /Filter /FlateDecode >>\nstream\n" + content + "\nendstream";
        } else {
            objects << "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n"
                           + content + "endstream";
        }
    }

    QByteArray pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    QList<qsizetype> offsets;
    for (int n = 0; n < objects.size(); ++n) {
        offsets << pdf.size();
        pdf += QByteArray::number(n + 1) + " 0 obj\n" + objects.at(n) + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype at : offsets)
        pdf += QByteArray::number(at).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1)
           + " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

inline bool write(const QString &path, const QList<Page> &pages, bool compress = false)
{
    const QByteArray pdf = build(pages, compress);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(pdf) == pdf.size();
}

} // namespace pdfbuilder
