#include <QtTest>

#include <functional>

#include "psi/psibuffer.h"
#include "tests/common/filehelpers.h"
#include "tests/common/psitestutil.h"

using BufferOps = std::function<void(PsiBuffer &)>;
Q_DECLARE_METATYPE(BufferOps)

// What each row of tests/data/psibuffer/sections.txt writes before finish().
static const QHash<QString, BufferOps> sectionOps{
    {"wide value keeps its low bits",
     [](PsiBuffer &b) { b.writeBits(0xABCD, 8); b.writeBits(0x1FFFF, 4); b.writeBits(0, 4); }},
    {"long segment keeps low length bits", [](PsiBuffer &b) { b.pushLength(8); b.writeOnes(300 * 8); b.popLength(); }},
    {"one non-Latin-1 character makes it UTF-8",
     [](PsiBuffer &b) { b.writeString(QStringLiteral("\u00E9\u20AC")); }},
    {"string of 256 bytes is an error", [](PsiBuffer &b) { b.writeString(QString(256, QLatin1Char('a'))); }},
    {"line breaks are the CR/LF code 0x8A", [](PsiBuffer &b) { b.writeString(QStringLiteral("a\nb\r\nc\rd\n")); }},
    {"Latin-1 line break is 0x8A after the selector", [](PsiBuffer &b) { b.writeString(QStringLiteral("\u00E9\r\n")); }},
    {"UTF-8 line break is U+E08A", [](PsiBuffer &b) { b.writeString(QStringLiteral("\u20AC\n")); }},
    {"language longer than three is cut", [](PsiBuffer &b) { b.writeLanguage(QStringLiteral("english")); }},
    {"non-ASCII language letter is ?", [](PsiBuffer &b) { b.writeLanguage(QStringLiteral("d\u00E9u")); }},
    {"pop from empty stack", [](PsiBuffer &b) { b.popLength(); b.writeBits(0x5A, 8); }},
    {"length pushed unaligned",
     [](PsiBuffer &b) { b.writeOnes(3); b.pushLength(8); b.writeOnes(5); b.popLength(); }},
    {"non-integral octet segment",
     [](PsiBuffer &b) { b.pushLength(8); b.writeOnes(12); b.popLength(); b.writeOnes(4); }},
    {"finish with an open length still packs", [](PsiBuffer &b) { b.pushLength(8); b.writeBits(0xAB, 8); }},
    {"finish after an odd number of bits packs nothing", [](PsiBuffer &b) { b.writeOnes(3); }},
    {"unaligned string warns only",
     [](PsiBuffer &b) { b.writeOnes(4); b.writeString(QStringLiteral("A")); b.writeOnes(4); }},
};

class TestPsiBuffer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sections_data();
    void sections();
    void singleBitWalk();
    void overflowAndReset();
};

void TestPsiBuffer::sections_data()
{
    QTest::addColumn<BufferOps>("ops");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("error");
    QTest::addColumn<QStringList>("criticals");
    for (const QByteArray &line : testData(QStringLiteral("psibuffer/sections.txt")).split('\n')) {
        const QList<QByteArray> f = line.split('\t');
        if (line.startsWith('#') || f.size() != 4)
            continue;
        const QString name = QString::fromUtf8(f[0]);
        QVERIFY2(sectionOps.contains(name), f[0].constData());
        QTest::newRow(f[0].constData()) << sectionOps.value(name) << QByteArray::fromHex(f[1]) << (f[2] == "1")
                                        << QString::fromUtf8(f[3]).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    }
}

void TestPsiBuffer::sections()
{
    QFETCH(BufferOps, ops);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, error);
    QFETCH(QStringList, criticals);
    PsiBuffer buf;
    psitest::MessageCapture capture;
    ops(buf);
    buf.finish();
    QCOMPARE(capture.criticals(), criticals);
    QCOMPARE(buf.hasError(), error);
    QCOMPARE(buf.outputLength(), int(bytes.size()));
    COMPARE_BYTES(buf.output().toByteArray(), bytes);
    // The export check sizes with a measuring buffer: it must count the same.
    PsiBuffer measure(PsiBuffer::Mode::Measure);
    ops(measure);
    measure.finish();
    QCOMPARE(measure.outputLength(), int(bytes.size()));
}

// A single 1 bit walks through every bit of a field of each width, at every
// starting offset within an octet, and must land exactly where MSB-first says.
void TestPsiBuffer::singleBitWalk()
{
    PsiBuffer buf;
    for (int width = 1; width <= 32; ++width)
        for (int lead = 0; lead < 8; ++lead)
            for (int k = 0; k < width; ++k) {
                buf.reset();
                buf.writeBits(0, lead);
                buf.writeBits(1u << k, width);
                buf.writeBits(0, (8 - (lead + width) % 8) % 8);
                buf.finish();
                QByteArray expected((lead + width + 7) / 8, '\0');
                expected[(lead + width - 1 - k) / 8] = char(0x80 >> ((lead + width - 1 - k) % 8));
                QVERIFY2(!buf.hasError() && buf.output().toByteArray() == expected,
                         qPrintable(QStringLiteral("width %1, lead %2, bit %3").arg(width).arg(lead).arg(k)));
            }
}

// 4095 whole bytes are the most a section holds; bits beyond are refused, and
// reset() clears the fault and the earlier, longer output.
void TestPsiBuffer::overflowAndReset()
{
    PsiBuffer buf;
    psitest::MessageCapture capture;
    buf.writeOnes(32760);
    buf.finish();
    QCOMPARE(buf.output().toByteArray(), QByteArray(4095, '\xFF'));
    buf.writeBits(0, 7); // ends exactly at bit 32767
    QVERIFY(!buf.hasError() && capture.criticals().isEmpty());
    buf.writeBits(1, 1);
    buf.writeOnes(1);
    QCOMPARE(capture.criticals(), QStringList(2, QStringLiteral("PSI buffer overflow")));
    QVERIFY(buf.hasError() && buf.position() == 32767);
    buf.reset();
    buf.writeBits(0x01, 8);
    buf.finish();
    QVERIFY(!buf.hasError());
    COMPARE_BYTES(buf.output().toByteArray(), QByteArray(1, '\x01'));
}

QTEST_APPLESS_MAIN(TestPsiBuffer)
#include "test_psibuffer.moc"
