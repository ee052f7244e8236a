// Reading a text file: UTF-8 when every byte is valid UTF-8, Windows-1252
// otherwise; streamed in blocks.
#include "analysis/segmenter.h"
#include "analysis/textfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace textfile;

namespace {

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QString readAll(const QString &path, Encoding *encoding = nullptr)
{
    TextReader reader(path);
    if (encoding)
        *encoding = reader.encoding();
    QString all, piece;
    while (reader.next(piece))
        all += piece;
    return all;
}

QStringList segmentsOf(const QString &path)
{
    QStringList out;
    segmentation::Segmenter s([&](const QString &seg) { out << seg; });
    TextReader reader(path);
    QString piece;
    while (reader.next(piece))
        s.feed(piece);
    s.finish();
    return out;
}

// Every character of Windows-1252 from 0x80 up, and the rest of a French text.
const char16_t kHighTable[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E,
                                 0x0178};

QString frenchText()
{
    return QStringLiteral("  L\u2019\u00E9l\u00E8ve a pay\u00E9 10 \u20AC. \u00C7a co\u00FBte "
                          "cher\u2026 Non ?\r\n\u00AB Oui \u00BB, dit-il. \u0152uvre \u2013 "
                          "fin.\r\n");
}

} // namespace

class TestTextFile : public QObject
{
    Q_OBJECT
private slots:
    void windows1252Table();
    void validator_data();
    void validator();
    void validatorSplitAnywhere();
    void sameSegmentsInEveryEncoding();
    void invalidByteAnywhereMeansWindows1252_data();
    void invalidByteAnywhereMeansWindows1252();
    void onlyLeadingBomDropped();
    void sequencesAcrossBlocks();
    void missingFileAndFolder();

private:
    QTemporaryDir m_dir;
};

void TestTextFile::windows1252Table()
{
    for (int b = 0; b < 0x80; ++b)
        QCOMPARE(int(windows1252(uchar(b))), b);
    for (int b = 0x80; b < 0xA0; ++b)
        QCOMPARE(int(windows1252(uchar(b))), int(kHighTable[b - 0x80]));
    for (int b = 0xA0; b < 0x100; ++b)
        QCOMPARE(int(windows1252(uchar(b))), b);
    // The five unassigned bytes become the controls of the same number.
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        QCOMPARE(int(windows1252(uchar(b))), b);
}

void TestTextFile::validator_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::newRow("ascii") << QByteArray("abc") << true;
    QTest::newRow("e acute") << QByteArray("\xC3\xA9") << true;
    QTest::newRow("euro") << QByteArray("\xE2\x82\xAC") << true;
    QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x98\x80") << true;
    QTest::newRow("max") << QByteArray("\xF4\x8F\xBF\xBF") << true;
    QTest::newRow("above max") << QByteArray("\xF4\x90\x80\x80") << false;
    QTest::newRow("overlong 2") << QByteArray("\xC0\xAF") << false;
    QTest::newRow("overlong 3") << QByteArray("\xE0\x80\xAF") << false;
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
    QTest::newRow("lone continuation") << QByteArray("a\x80") << false;
    QTest::newRow("cut short") << QByteArray("a\xC3") << false;
    QTest::newRow("latin1 e acute") << QByteArray("caf\xE9 noir") << false;
    QTest::newRow("F5") << QByteArray("\xF5\x80\x80\x80") << false;
}

void TestTextFile::validator()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    Utf8Validator v;
    v.feed(bytes.constData(), bytes.size());
    QCOMPARE(v.finish(), valid);
}

void TestTextFile::validatorSplitAnywhere()
{
    const QByteArray bytes = frenchText().toUtf8() + QByteArray("\xF0\x9F\x98\x80 fin");
    for (qsizetype at = 0; at <= bytes.size(); ++at) {
        Utf8Validator v;
        QVERIFY(v.feed(bytes.constData(), at));
        QVERIFY(v.feed(bytes.constData() + at, bytes.size() - at));
        QVERIFY(v.finish());
    }
}

void TestTextFile::sameSegmentsInEveryEncoding()
{
    const QString text = frenchText();
    const QByteArray utf8 = text.toUtf8();
    QByteArray cp1252;
    for (QChar c : text) {
        int byte = -1;
        for (int b = 0; b < 256 && byte < 0; ++b)
            if (windows1252(uchar(b)) == c.unicode())
                byte = b;
        QVERIFY2(byte >= 0, "character missing from Windows-1252");
        cp1252.append(char(byte));
    }
    const QString a = writeFile(m_dir, "utf8.txt", utf8);
    const QString b = writeFile(m_dir, "bom.txt", QByteArray("\xEF\xBB\xBF") + utf8);
    const QString c = writeFile(m_dir, "cp1252.txt", cp1252);

    Encoding e;
    QCOMPARE(readAll(a, &e), text);
    QCOMPARE(e, Encoding::Utf8);
    QCOMPARE(readAll(b, &e), text);
    QCOMPARE(e, Encoding::Utf8);
    QCOMPARE(readAll(c, &e), text);
    QCOMPARE(e, Encoding::Windows1252);

    const QStringList expected = segmentsOf(a);
    QCOMPARE(expected.size(), 4);
    QCOMPARE(expected.first(), QStringLiteral("L\u2019\u00E9l\u00E8ve a pay\u00E9 10 \u20AC."));
    QCOMPARE(segmentsOf(b), expected);
    QCOMPARE(segmentsOf(c), expected);
}

void TestTextFile::invalidByteAnywhereMeansWindows1252_data()
{
    QTest::addColumn<qsizetype>("at");
    QTest::newRow("first byte") << qsizetype(0);
    QTest::newRow("middle") << qsizetype(TextReader::kBlockSize / 2);
    QTest::newRow("second block") << qsizetype(TextReader::kBlockSize + 5);
    QTest::newRow("last byte") << qsizetype(-1);
}

void TestTextFile::invalidByteAnywhereMeansWindows1252()
{
    QFETCH(qsizetype, at);
    // Valid UTF-8 over more than one block, spoiled by one 0x92 byte.
    QByteArray bytes;
    const QByteArray unit = QStringLiteral("\u00E9t\u00E9 ").toUtf8(); // 6 bytes
    while (bytes.size() < TextReader::kBlockSize + 100)
        bytes += unit;
    const qsizetype pos = at < 0 ? bytes.size() - 1 : at;
    bytes[pos] = '\x92';
    const QString path = writeFile(m_dir, "spoiled.txt", bytes);
    Encoding e;
    const QString text = readAll(path, &e);
    QCOMPARE(e, Encoding::Windows1252);
    QCOMPARE(text.size(), bytes.size()); // one character per byte
    QCOMPARE(text.at(pos), QChar(0x2019));
    QCOMPARE(text.at(pos == 0 ? 1 : 0), pos == 0 ? QChar(0xA9) : QChar(0xC3));
}

void TestTextFile::onlyLeadingBomDropped()
{
    const QString path = writeFile(m_dir, "boms.txt", QByteArray("\xEF\xBB\xBF" "a\xEF\xBB\xBF" "b"));
    QCOMPARE(readAll(path), QStringLiteral("a\uFEFFb"));
}

void TestTextFile::sequencesAcrossBlocks()
{
    // Every block boundary falls inside a sequence of two or three bytes.
    QByteArray bytes("a");
    while (bytes.size() < 3 * TextReader::kBlockSize)
        bytes += QStringLiteral("\u00E9\u20AC").toUtf8();
    const QString path = writeFile(m_dir, "across.txt", bytes);
    Encoding e;
    QCOMPARE(readAll(path, &e), QString::fromUtf8(bytes));
    QCOMPARE(e, Encoding::Utf8);
}

void TestTextFile::missingFileAndFolder()
{
    const QString missing = m_dir.filePath("absent.txt");
    try {
        TextReader r(missing);
        QFAIL("a missing file was read");
    } catch (const ReadError &e) {
        QVERIFY(e.message().contains(missing));
        QVERIFY(e.message().contains(QStringLiteral("introuvable")));
    }
    try {
        TextReader r(m_dir.path());
        QFAIL("a folder was read");
    } catch (const ReadError &e) {
        QVERIFY(e.message().contains(m_dir.path()));
    }
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "test_textfile.moc"
