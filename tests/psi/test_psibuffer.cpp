#include <QtTest>

#include <functional>

#include "psi/psibuffer.h"
#include "tests/common/psitestutil.h"

using psitest::hex;

using BufferOps = std::function<void(PsiBuffer &)>;
Q_DECLARE_METATYPE(BufferOps)

class TestPsiBuffer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sections_data();
    void sections();
    void singleBitWalk_data();
    void singleBitWalk();
    void overflowBoundary();
    void resetClearsErrorAndOutput();
};

void TestPsiBuffer::sections_data()
{
    QTest::addColumn<BufferOps>("ops");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("criticals");
    QTest::addColumn<bool>("error");
    // Every critical message marks the section faulty unless said otherwise.
    auto row = [](const char *name, const BufferOps &ops, const QByteArray &bytes, const QStringList &criticals = {},
                  bool warningOnly = false) {
        QTest::newRow(name) << ops << bytes << criticals << (!criticals.isEmpty() && !warningOnly);
    };
    row("zero width and zero count write nothing",
        [](PsiBuffer &b) { b.writeBits(0xFFFFFFFFu, 0); b.writeOnes(0); b.writeBits(1, -3); b.writeOnes(-1); }, {});
    row("value wider than the field keeps its low bits",
        [](PsiBuffer &b) { b.writeBits(0xABCD, 8); b.writeBits(0x1FFFF, 4); b.writeBits(0, 4); }, hex("CD F0"));
    row("32-bit field", [](PsiBuffer &b) { b.writeBits(0x80000001u, 32); }, hex("80 00 00 01"));
    row("empty length field", [](PsiBuffer &b) { b.pushLength(8); b.popLength(); }, hex("00"));
    row("nested lengths count the inner length byte", [](PsiBuffer &b) {
            b.writeOnes(4); b.pushLength(12); b.pushLength(8); b.writeBits(0xAABBCC, 24); b.popLength(); b.popLength();
        }, hex("F0 04 03 AA BB CC"));
    row("length beyond the field keeps its low bits", [](PsiBuffer &b) {
            b.pushLength(8);
            for (int i = 0; i < 300; ++i)
                b.writeBits(0x11, 8);
            b.popLength();
        }, hex("2C") + QByteArray(300, '\x11'));
    row("string empty", [](PsiBuffer &b) { b.writeString(QString()); }, hex("00"));
    row("string ASCII Ab", [](PsiBuffer &b) { b.writeString(QStringLiteral("Ab")); }, hex("02 41 62"));
    row("string Latin-1 gets selector 10 00 01", [](PsiBuffer &b) { b.writeString(QStringLiteral("Caf\u00E9")); },
        hex("07 10 00 01 43 61 66 E9"));
    row("string beyond Latin-1 gets selector 15 and UTF-8", [](PsiBuffer &b) { b.writeString(QStringLiteral("\u03941")); },
        hex("04 15 CE 94 31"));
    row("one character beyond Latin-1 turns the whole text to UTF-8",
        [](PsiBuffer &b) { b.writeString(QStringLiteral("\u00E9\u20AC")); }, hex("06 15 C3 A9 E2 82 AC"));
    row("string of 255 bytes fits", [](PsiBuffer &b) { b.writeString(QString(255, QLatin1Char('a'))); },
        hex("FF") + QByteArray(255, 'a'));
    row("string of 256 bytes is an error", [](PsiBuffer &b) { b.writeString(QString(256, QLatin1Char('a'))); },
        hex("00") + QByteArray(256, 'a'), {QStringLiteral("Text of 256 bytes does not fit its 8-bit length field")});
    row("language de is blank-padded", [](PsiBuffer &b) { b.writeLanguage(QStringLiteral("de")); }, hex("64 65 20"));
    row("language empty is three blanks", [](PsiBuffer &b) { b.writeLanguage(QString()); }, hex("20 20 20"));
    row("language longer than three is cut", [](PsiBuffer &b) { b.writeLanguage(QStringLiteral("english")); },
        hex("65 6E 67"));
    row("language with a non-ASCII character writes ?", [](PsiBuffer &b) { b.writeLanguage(QStringLiteral("d\u00E9u")); },
        hex("64 3F 75"));
    row("pop from empty stack", [](PsiBuffer &b) { b.popLength(); b.writeBits(0x5A, 8); }, hex("5A"),
        {QStringLiteral("Tried to pop from empty length stack")});
    row("length pushed unaligned", [](PsiBuffer &b) { b.writeOnes(3); b.pushLength(8); b.writeOnes(5); b.popLength(); },
        hex("E0 1F"),
        {QStringLiteral("Length pushed on a non-octet aligned position (3 + 8 = 11)"),
         QStringLiteral("Length inside pushed segment is of non integral octet length")});
    row("segment of non-integral octet length",
        [](PsiBuffer &b) { b.pushLength(8); b.writeOnes(12); b.popLength(); b.writeOnes(4); }, hex("01 FF FF"),
        {QStringLiteral("Length inside pushed segment is of non integral octet length")});
    row("finish with an open length still packs", [](PsiBuffer &b) { b.pushLength(8); b.writeBits(0xAB, 8); },
        hex("00 AB"), {QStringLiteral("PSI length stack not empty on final section")});
    row("finish after an odd number of bits packs nothing", [](PsiBuffer &b) { b.writeOnes(3); }, {},
        {QStringLiteral("PSI is of non integral octet length")});
    row("string at an unaligned position warns only",
        [](PsiBuffer &b) { b.writeOnes(4); b.writeString(QStringLiteral("A")); b.writeOnes(4); }, hex("F0 14 1F"),
        {QStringLiteral("Writing string at non-octet aligned position in PSI buffer")}, true);
}

void TestPsiBuffer::sections()
{
    QFETCH(BufferOps, ops);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, criticals);
    QFETCH(bool, error);
    PsiBuffer buf;
    psitest::MessageCapture capture;
    ops(buf);
    buf.finish();
    QCOMPARE(capture.criticals(), criticals);
    QCOMPARE(buf.hasError(), error);
    QCOMPARE(buf.outputLength(), int(bytes.size()));
    COMPARE_BYTES(buf.output().toByteArray(), bytes);
}

void TestPsiBuffer::singleBitWalk_data()
{
    QTest::addColumn<int>("width");
    for (int w = 1; w <= 32; ++w)
        QTest::addRow("width %d", w) << w;
}

// A single 1 bit walks through every bit of a field of each width, at every
// starting offset within an octet, and must land exactly where MSB-first says.
void TestPsiBuffer::singleBitWalk()
{
    QFETCH(int, width);
    PsiBuffer buf;
    for (int lead = 0; lead < 8; ++lead) {
        for (int k = 0; k < width; ++k) {
            buf.reset();
            buf.writeBits(0, lead);
            buf.writeBits(1u << k, width);
            const int used = lead + width;
            buf.writeBits(0, (8 - used % 8) % 8);
            buf.finish();
            QVERIFY(!buf.hasError());
            const int target = lead + (width - 1 - k);
            QByteArray expected((used + 7) / 8, '\0');
            expected[target / 8] = char(0x80 >> (target % 8));
            const QString diff = describeByteDifference(buf.output().toByteArray(), expected);
            QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("lead %1, bit %2: ").arg(lead).arg(k) + diff));
        }
    }
}

void TestPsiBuffer::overflowBoundary()
{
    PsiBuffer buf;
    psitest::MessageCapture capture;
    buf.writeOnes(32760);
    buf.writeBits(0, 7); // ends exactly at bit 32767
    QCOMPARE(buf.position(), 32767);
    QVERIFY(!buf.hasError() && capture.criticals().isEmpty());
    buf.writeBits(1, 1);
    buf.writeOnes(1);
    QCOMPARE(capture.criticals(), QStringList(2, QStringLiteral("PSI buffer overflow")));
    QVERIFY(buf.hasError());
    QCOMPARE(buf.position(), 32767);

    // 4095 whole bytes are the most a section can hold.
    buf.reset();
    buf.writeOnes(32760);
    buf.finish();
    QVERIFY(!buf.hasError());
    QCOMPARE(buf.output().toByteArray(), QByteArray(4095, '\xFF'));
    buf.writeBits(0, 8);
    QVERIFY(buf.hasError());
    QCOMPARE(buf.position(), 32760);
}

void TestPsiBuffer::resetClearsErrorAndOutput()
{
    PsiBuffer buf;
    psitest::MessageCapture capture;
    buf.popLength();
    buf.writeBits(0xABCD, 16);
    buf.finish();
    QVERIFY(buf.hasError());
    buf.reset();
    QVERIFY(!buf.hasError());
    QCOMPARE(buf.outputLength(), 0);
    QCOMPARE(buf.position(), 0);
    // The output of an earlier, longer section must not shine through.
    buf.writeBits(0x01, 8);
    buf.finish();
    COMPARE_BYTES(buf.output().toByteArray(), hex("01"));
}

QTEST_APPLESS_MAIN(TestPsiBuffer)
#include "test_psibuffer.moc"
