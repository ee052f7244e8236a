// Reading a text file as UTF-8: UTF-16 after its byte-order mark, UTF-8 when
// every byte is valid UTF-8, Windows-1252 otherwise; converted block by block,
// with blocks split anywhere. Refusals before reading (not a regular file, the
// database or the template, links included) and a file changed while read.
#include "analysis/segmenter.h"
#include "analysis/textfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

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

QByteArray readAll(TextReader &reader)
{
    QByteArray all, piece;
    while (reader.next(piece)) {
        if (piece.isEmpty())
            qFatal("an empty piece");
        all += piece;
    }
    return all;
}

QByteArray readAll(const QString &path, Encoding *encoding = nullptr)
{
    TextReader reader(path);
    if (encoding)
        *encoding = reader.encoding();
    return readAll(reader);
}

QList<QByteArray> segmentsOf(const QString &path, qint64 blockSize)
{
    QList<QByteArray> out;
    segmentation::Segmenter s([&](QByteArrayView seg) { out << seg.toByteArray(); });
    TextReader reader(path, {}, blockSize);
    QByteArray piece;
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

// Its segments, worked out by the rules.
QList<QByteArray> frenchSegments()
{
    return {QStringLiteral("L\u2019\u00E9l\u00E8ve a pay\u00E9 10 \u20AC.").toUtf8(),
            QStringLiteral("\u00C7a co\u00FBte cher\u2026 Non ?\r\n").toUtf8(),
            QStringLiteral("\u00AB Oui \u00BB, dit-il.").toUtf8(),
            QStringLiteral(" \u0152uvre \u2013 fin.").toUtf8()};
}

QByteArray toWindows1252(const QString &text)
{
    QByteArray out;
    for (QChar c : text) {
        int byte = -1;
        for (int b = 0; b < 256 && byte < 0; ++b)
            if (windows1252(uchar(b)) == c.unicode())
                byte = b;
        if (byte < 0)
            qFatal("character missing from Windows-1252");
        out.append(char(byte));
    }
    return out;
}

QByteArray toUtf16(const QString &text, bool bigEndian)
{
    QByteArray out(bigEndian ? "\xFE\xFF" : "\xFF\xFE");
    for (QChar c : text) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        out += bigEndian ? QByteArray{&hi, 1} + QByteArray{&lo, 1}
                         : QByteArray{&lo, 1} + QByteArray{&hi, 1};
    }
    return out;
}

QString messageOf(const std::function<void()> &run)
{
    try {
        run();
    } catch (const ReadError &e) {
        return e.message();
    }
    return QString();
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
    void sameSegmentsInEveryEncoding_data();
    void sameSegmentsInEveryEncoding();
    void invalidByteAnywhereMeansWindows1252_data();
    void invalidByteAnywhereMeansWindows1252();
    void onlyLeadingBomDropped();
    void sequencesAcrossBlocks();
    void refusedBeforeReading_data();
    void refusedBeforeReading();
    void changedWhileRead_data();
    void changedWhileRead();

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
    // Converted to UTF-8 as Qt converts those characters.
    QByteArray all, utf8;
    QString chars;
    for (int b = 0; b < 0x100; ++b) {
        all.append(char(b));
        chars.append(QChar(windows1252(uchar(b))));
    }
    appendWindows1252(utf8, all.constData(), all.size());
    QCOMPARE(utf8, chars.toUtf8());
    QCOMPARE(windows1252Utf8Size(all.constData(), all.size()), qint64(utf8.size()));
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

void TestTextFile::sameSegmentsInEveryEncoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QList<QByteArray>>("segments");
    const QString text = frenchText();
    const QList<QByteArray> segments = frenchSegments();
    const QByteArray bom("\xEF\xBB\xBF");
    QTest::newRow("UTF-8") << text.toUtf8() << int(Encoding::Utf8) << segments;
    QTest::newRow("UTF-8 with its mark") << bom + text.toUtf8() << int(Encoding::Utf8) << segments;
    QTest::newRow("Windows-1252") << toWindows1252(text) << int(Encoding::Windows1252) << segments;
    QTest::newRow("UTF-16 LE") << toUtf16(text, false) << int(Encoding::Utf16LE) << segments;
    QTest::newRow("UTF-16 BE") << toUtf16(text, true) << int(Encoding::Utf16BE) << segments;
    // A character outside the basic plane, and a second mark that is text.
    const QString wide = QStringLiteral("\uFEFFUn \U0001F600. Deux\r\n");
    const QList<QByteArray> wideSegments = {QStringLiteral("\uFEFFUn \U0001F600.").toUtf8(),
                                            QByteArray(" Deux")};
    QTest::newRow("UTF-8 outside the basic plane")
        << bom + wide.toUtf8() << int(Encoding::Utf8) << wideSegments;
    QTest::newRow("UTF-16 LE surrogate pair")
        << toUtf16(wide, false) << int(Encoding::Utf16LE) << wideSegments;
    QTest::newRow("UTF-16 BE surrogate pair")
        << toUtf16(wide, true) << int(Encoding::Utf16BE) << wideSegments;
    // Not UTF-16 after all (a lone surrogate): read as Windows-1252.
    QTest::newRow("UTF-16 mark, lone surrogate")
        << QByteArray("\xFF\xFE\x00\xD8" "a\x00", 6) << int(Encoding::Windows1252)
        << QList<QByteArray>{QStringLiteral("\u00FF\u00FE\u0000\u00D8a").toUtf8() + QByteArray(1, '\0')};
    QTest::newRow("UTF-16 mark, odd size")
        << QByteArray("\xFE\xFF\x00" "A\x00", 5) << int(Encoding::Windows1252)
        << QList<QByteArray>{QStringLiteral("\u00FE\u00FF").toUtf8() + QByteArray("\0A\0", 3)};
}

void TestTextFile::sameSegmentsInEveryEncoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    QFETCH(QList<QByteArray>, segments);
    const QString path = writeFile(m_dir, QStringLiteral("encoded.txt"), bytes);
    QByteArray expected;
    {
        TextReader reader(path);
        QCOMPARE(int(reader.encoding()), encoding);
        QCOMPARE(reader.size(), qint64(bytes.size()));
        expected = readAll(reader);
        QCOMPARE(reader.utf8Size(), qint64(expected.size()));
    }
    // Blocks of 1, 2, 3 and 5 bytes split every character and CR LF.
    for (qint64 block : {qint64(1), qint64(2), qint64(3), qint64(5), TextReader::kBlockSize}) {
        TextReader reader(path, {}, block);
        QCOMPARE(readAll(reader), expected);
        QCOMPARE(segmentsOf(path, block), segments);
    }
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
    const QString text = QString::fromUtf8(readAll(path, &e));
    QCOMPARE(e, Encoding::Windows1252);
    QCOMPARE(text.size(), bytes.size()); // one character per byte
    QCOMPARE(text.at(pos), QChar(0x2019));
    QCOMPARE(text.at(pos == 0 ? 1 : 0), pos == 0 ? QChar(0xA9) : QChar(0xC3));
}

void TestTextFile::onlyLeadingBomDropped()
{
    const QString path = writeFile(m_dir, "boms.txt", QByteArray("\xEF\xBB\xBF" "a\xEF\xBB\xBF" "b"));
    QCOMPARE(readAll(path), QByteArray("a\xEF\xBB\xBF" "b"));
}

void TestTextFile::sequencesAcrossBlocks()
{
    // Every block boundary falls inside a sequence of two or three bytes.
    QByteArray bytes("a");
    while (bytes.size() < 3 * TextReader::kBlockSize)
        bytes += QStringLiteral("\u00E9\u20AC").toUtf8();
    const QString path = writeFile(m_dir, "across.txt", bytes);
    Encoding e;
    QCOMPARE(readAll(path, &e), bytes);
    QCOMPARE(e, Encoding::Utf8);
}

void TestTextFile::refusedBeforeReading_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("cause");
    const QString db = writeFile(m_dir, "base.mdb", "SQLite format 3");
    const QString model = writeFile(m_dir, "telmira", "SQLite format 3");
    const QString fifo = m_dir.filePath("tube");
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    const QString hard = m_dir.filePath("lien-dur.txt");
    QVERIFY(::link(QFile::encodeName(db).constData(), QFile::encodeName(hard).constData()) == 0);
    const QString soft = m_dir.filePath("lien.txt");
    QVERIFY(QFile::link(model, soft));

    QTest::newRow("missing") << m_dir.filePath("absent.txt") << "est introuvable";
    QTest::newRow("folder") << m_dir.path() << "c'est un dossier";
    QTest::newRow("named pipe, which would block") << fifo << "c'est un tube nommé (FIFO)";
    QTest::newRow("/dev/zero, which never ends") << "/dev/zero" << "c'est un périphérique";
    QTest::newRow("the database") << db << "c'est la base d'analyse elle-même";
    QTest::newRow("a hard link to the database") << hard << "c'est la base d'analyse elle-même";
    QTest::newRow("a symbolic link to the template") << soft << "c'est le modèle";
}

void TestTextFile::refusedBeforeReading()
{
    QFETCH(QString, path);
    QFETCH(QString, cause);
    const std::vector<Refused> refused = {
        {m_dir.filePath("base.mdb"), QStringLiteral("la base d'analyse elle-même")},
        {m_dir.filePath("telmira"), QStringLiteral("le modèle des bases d'analyse")}};
    const QString message = messageOf([&] { TextReader reader(path, refused); });
    QVERIFY2(message.contains(QStringLiteral("« %1 »").arg(path)), qPrintable(message));
    QVERIFY2(message.contains(cause), qPrintable(message));
}

void TestTextFile::changedWhileRead_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    const QByteArray text = frenchText().toUtf8().repeated(40);
    QByteArray otherBytes = text;
    otherBytes[otherBytes.size() / 2] = 'X';
    QByteArray invalid = text;
    invalid[0] = '\xE9';
    QTest::newRow("grown") << text << text + "Encore.";
    QTest::newRow("cut short") << text << text.left(text.size() / 2);
    QTest::newRow("same size, other bytes") << text << otherBytes;
    QTest::newRow("same size, no longer UTF-8") << text << invalid;
    QTest::newRow("UTF-16, other bytes")
        << toUtf16(frenchText(), false) << toUtf16(frenchText().toUpper(), false);
}

void TestTextFile::changedWhileRead()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    const QString path = writeFile(m_dir, QStringLiteral("changing.txt"), before);
    // The file is rewritten in place between the check and the reading, and
    // again in the middle of the reading.
    for (int when : {0, 1}) {
        writeFile(m_dir, QStringLiteral("changing.txt"), before);
        const QString message = messageOf([&] {
            TextReader reader(path, {}, 64);
            QByteArray piece;
            if (when == 1)
                QVERIFY(reader.next(piece));
            writeFile(m_dir, QStringLiteral("changing.txt"), after);
            while (reader.next(piece)) {
            }
        });
        QVERIFY2(message.contains(QStringLiteral("a été modifié pendant sa lecture")),
                 qPrintable(message));
        QVERIFY(message.contains(path));
    }
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "test_textfile.moc"
