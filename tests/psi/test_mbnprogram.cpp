// Reading MUX binaries back: the entry table, routines and filter table of
// hand-made and exported programs, sections assembled as the device assembles
// them (exact bytes, CRC_32 included), and the faults of malformed files with
// the offset where reading stopped.

#include <QtTest>

#include <QMap>

#include "config/model.h"
#include "psi/mbnprogram.h"
#include "psi/psivmprogram.h"
#include "psitestutil.h"
#include "tests/common/filehelpers.h"

using psitest::hex;
using IntList = QList<int>;
using SlotMap = QMap<int, int>;

Q_DECLARE_METATYPE(SlotMap)
Q_DECLARE_METATYPE(FilterCfg)

namespace {

// An entry table with the given entries set, then `body` from offset 0x60 on.
QByteArray program(const SlotMap &entries, const char *body)
{
    QByteArray p(96, '\xFF');
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        p[2 * it.key()] = char(it.value() >> 8);
        p[2 * it.key() + 1] = char(it.value());
    }
    return p + hex(body);
}

// A filter table and closing routine after `body`, for programs whose subject
// is one routine: slot 14 and 15 then point behind it.
QByteArray withTail(SlotMap entries, const char *body)
{
    const int tail = 0x60 + int(hex(body).size());
    entries.insert(MbnProgram::FilterTableSlot, tail);
    entries.insert(MbnProgram::ClosingSlot, tail + 8);
    return program(entries, body) + hex("0001 C000 E000 1FFE 0400 0001 FFFF");
}

QString describeRule(const FilterCfg &f)
{
    return QStringLiteral("match %1 input %2 a %3 b %4 action %5 base %6")
        .arg(f.match)
        .arg(f.input)
        .arg(f.a, 0, 16)
        .arg(f.b, 0, 16)
        .arg(f.action)
        .arg(f.newBase, 0, 16);
}

FilterCfg rule(int match, int input, quint32 a, quint32 b, int action, int newBase = 4096)
{
    return FilterCfg{match, input, a, b, action, newBase};
}

} // namespace

class TestMbnProgram : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void crc_data();
    void crc();
    void filterRecord_data();
    void filterRecord();
    void exportedFilterRulesReadBack();
    void smallestProgram();
    void run_data();
    void run();
    void malformed_data();
    void malformed();
    void everyTruncationFails_data();
    void everyTruncationFails();
    void goldenProgramsRunClean_data();
    void goldenProgramsRunClean();
};

void TestMbnProgram::crc_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<quint32>("crc");
    QTest::newRow("check value of CRC-32/MPEG-2") << QByteArray("123456789") << quint32(0x0376E6E7);
    QTest::newRow("empty") << QByteArray() << quint32(0xFFFFFFFF);
    QTest::newRow("one zero byte") << QByteArray(1, '\0') << quint32(0x4E08BFB4);
    QTest::newRow("PAT of tsid 1, program 1 on 0x1000") << hex("00 B0 0D 00 01 C1 00 00 00 01 F0 00")
                                                        << quint32(0x2AB104B2);
    QTest::newRow("section with its CRC_32 leaves 0") << hex("00 B0 0D 00 01 C1 00 00 00 01 F0 00 2A B1 04 B2")
                                                      << quint32(0);
}

void TestMbnProgram::crc()
{
    QFETCH(QByteArray, data);
    QFETCH(quint32, crc);
    QCOMPARE(mpegCrc32(data), crc);
}

void TestMbnProgram::filterRecord_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<FilterCfg>("expected");
    QTest::newRow("range on port 2 remapped to 0x0800")
        << hex("C7 00 21 00 01 FF") << rule(MatchRange, 2, 0x100, 0x1FF, ActionRemap, 0x800);
    QTest::newRow("default rule, drop") << hex("80 00 E0 00 1F FE") << rule(MatchRange, 0, 0, 0x1FFE, ActionDrop);
    QTest::newRow("default rule, pass") << hex("C0 00 E0 00 1F FE") << rule(MatchRange, 0, 0, 0x1FFE, ActionPass);
    QTest::newRow("default rule, remap") << hex("D0 00 E0 00 1F FE")
                                         << rule(MatchRange, 0, 0, 0x1FFE, ActionRemap, 0x1000);
    QTest::newRow("mask keeps a AND b") << hex("C0 00 E1 00 3F 00") << rule(MatchMask, 0, 0x100, 0x1F00, ActionPass);
    QTest::newRow("remap below the range wraps modulo 8192")
        << hex("C2 00 7F 00 1F FF") << rule(MatchRange, 4, 0x1F00, 0x1FFF, ActionRemap, 0x0100);
    QTest::newRow("port 1 is input code 000") << hex("80 00 00 05 00 06") << rule(MatchRange, 1, 5, 6, ActionDrop);
    QTest::newRow("port 3, mask, drop") << hex("80 00 40 10 20 10") << rule(MatchMask, 3, 0x10, 0x10, ActionDrop);
}

void TestMbnProgram::filterRecord()
{
    QFETCH(QByteArray, record);
    QFETCH(FilterCfg, expected);
    MbnFilterRecord r;
    for (int w = 0; w < 3; ++w)
        r.words[w] = quint16(psitest::u16At(record, 2 * w));
    QCOMPARE(describeRule(r.rule()), describeRule(expected));
}

// The golden export of three rules reads back as those rules, the default last.
void TestMbnProgram::exportedFilterRulesReadBack()
{
    const TransportStreamCfg cfg = psitest::goldenConfig(QStringLiteral("filter-rules"));
    MbnProgram p;
    QVERIFY2(p.parse(readWholeFile(psitest::goldenPath(QStringLiteral("filter-rules"), ".mbn"))),
             qPrintable(p.errorString()));
    QCOMPARE(p.filterRecords().size(), cfg.filters.size() + 1);
    QStringList actual, expected;
    for (const MbnFilterRecord &r : p.filterRecords())
        actual << describeRule(r.rule());
    for (FilterCfg f : cfg.filters) {
        if (f.match == MatchMask)
            f.a &= f.b;
        expected << describeRule(f);
    }
    expected << describeRule(rule(MatchRange, 0, 0, 0x1FFE, cfg.filterDefault));
    QCOMPARE(actual, expected);
}

void TestMbnProgram::smallestProgram()
{
    MbnProgram p;
    QVERIFY2(p.parse(readWholeFile(psitest::goldenPath(QStringLiteral("no-tables"), ".mbn"))),
             qPrintable(p.errorString()));
    QCOMPARE(p.filterTableOffset(), 0x60);
    QCOMPARE(p.entry(15), quint16(0x68));
    QCOMPARE(p.entry(0), MbnProgram::Unused);
    QCOMPARE(p.entry(48), MbnProgram::Unused);
    QCOMPARE(p.routines().size(), 1);
    const MbnRoutine *closing = p.routine(15);
    QVERIFY(closing && !p.routine(0));
    QCOMPARE(closing->instructions.size(), 2);
    const MbnInstruction &marker = closing->instructions.at(0);
    QCOMPARE((IntList{marker.kind, marker.offset, marker.size, marker.a}),
             (IntList{MbnInstruction::ClosingMarker, 0x68, 4, 1}));
    QCOMPARE((IntList{closing->instructions.at(1).kind, closing->instructions.at(1).offset}),
             (IntList{MbnInstruction::End, 0x6C}));
    MbnSentSection sent;
    QString error;
    QVERIFY(p.run(*closing, &sent, &error));
    QCOMPARE((IntList{sent.pid, sent.context, sent.interval, int(sent.section.size())}), (IntList{-1, -1, -1, 0}));
}

void TestMbnProgram::run_data()
{
    QTest::addColumn<QByteArray>("prog");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<IntList>("pidContextInterval");
    QTest::addColumn<IntList>("markers");
    QTest::addColumn<bool>("realTime");
    QTest::addColumn<QString>("error");

    // PAT image (pointer_field, section_length 0) at 0x60, routine at 0x6E.
    QTest::newRow("PAT: section_length and CRC_32 completed")
        << withTail({{0, 0x6E}}, "00 00 B0 00 00 01 C1 00 00 00 01 F0 00 FF"
                                 "07 00 01 DB  80 0D 00 60  02 00  03 00 00 00  FF FF")
        << 0 << hex("00 B0 0D 00 01 C1 00 00 00 01 F0 00 2A B1 04 B2") << IntList{0, 0, 475} << IntList{0} << false
        << QString();
    // Nested length fields as the NIT uses them, keeping the field's upper bits.
    QTest::newRow("16-bit field around an 8-bit field")
        << withTail({{1, 0x6A}}, "00 40 F0 00 00 01 C1 00 00 FF"
                                 "80 09 00 60  18 F0  01 40  28 00  01 41  01 42  27 00  13 00"
                                 "02 01  03 01 00 10  FF FF")
        << 1 << hex("40 F0 0F 00 01 C1 00 00 F0 04 40 02 41 42 0B 72 96 76") << IntList{0x10, 1, -1} << IntList{1}
        << false << QString();
    QTest::newRow("TDT without CRC_32")
        << withTail({{3, 0x6A}}, "00 70 70 00 E4 4E 12 34 56 FF  80 09 00 60  03 05 00 14  FF FF") << 3
        << hex("70 70 05 E4 4E 12 34 56") << IntList{0x14, 5, -1} << IntList{} << false << QString();
    QTest::newRow("real-time TDT sends nothing")
        << withTail({{3, 0x60}}, "07 00 3A 98  05 04  FF FF") << 3 << QByteArray() << IntList{-1, -1, 15000}
        << IntList{} << true << QString();
    QTest::newRow("pointer_field other than 0")
        << withTail({{0, 0x64}}, "01 00 B0 00  80 04 00 60  03 00 00 00  FF FF") << 0 << QByteArray()
        << IntList{-1, -1, -1} << IntList{} << false << QStringLiteral("at 0x0068: pointer_field 0x01 instead of 0x00");
    QTest::newRow("section shorter than its header")
        << withTail({{0, 0x64}}, "00 00 B0 FF  80 03 00 60  03 00 00 00  FF FF") << 0 << QByteArray()
        << IntList{-1, -1, -1} << IntList{} << false
        << QStringLiteral("at 0x0068: section of 2 bytes, shorter than its 3-byte header");
    QTest::newRow("send of nothing") << withTail({{0, 0x60}}, "03 00 00 00  FF FF") << 0 << QByteArray()
                                     << IntList{-1, -1, -1} << IntList{} << false
                                     << QStringLiteral("at 0x0060: send of an empty section");
    QTest::newRow("two sends in one routine")
        << withTail({{0, 0x64}}, "00 00 B0 00  80 04 00 60  03 00 00 00  03 00 00 00  FF FF") << 0 << QByteArray()
        << IntList{-1, -1, -1} << IntList{} << false << QStringLiteral("at 0x006c: a second send in one routine");
    // Copies may be 16383 bytes long: a routine must not assemble gigabytes
    // before its send could refuse them.
    QTest::newRow("copy beyond any section")
        << withTail({{0, 0x60}}, "BF FF 00 00  FF FF") + QByteArray(16384, '\0') << 0 << QByteArray()
        << IntList{-1, -1, -1} << IntList{} << false << QStringLiteral("at 0x0060: the section grows past 4097 bytes");
    QTest::newRow("count too large for a 1-bit length")
        << withTail({{0, 0x60}}, "28 00  01 41  01 42  20 00  FF FF") << 0 << QByteArray() << IntList{-1, -1, -1}
        << IntList{} << false << QStringLiteral("at 0x0066: 2 bytes do not fit a 1-bit length");
}

void TestMbnProgram::run()
{
    QFETCH(QByteArray, prog);
    QFETCH(int, slot);
    QFETCH(QByteArray, section);
    QFETCH(IntList, pidContextInterval);
    QFETCH(IntList, markers);
    QFETCH(bool, realTime);
    QFETCH(QString, error);

    MbnProgram p;
    QVERIFY2(p.parse(prog), qPrintable(p.errorString()));
    const MbnRoutine *r = p.routine(slot);
    QVERIFY(r);
    MbnSentSection sent;
    QString why;
    QCOMPARE(p.run(*r, &sent, &why), error.isEmpty());
    QCOMPARE(why, error);
    if (!error.isEmpty())
        return;
    COMPARE_BYTES(sent.section, section);
    QCOMPARE((IntList{sent.pid, sent.context, sent.interval}), pidContextInterval);
    QCOMPARE(sent.listMarkers, markers);
    QCOMPARE(sent.realTimeTdt, realTime);
}

void TestMbnProgram::malformed_data()
{
    QTest::addColumn<QByteArray>("prog");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("reason");

    QTest::newRow("empty file") << QByteArray() << 0
                                << QStringLiteral("the file ends inside the entry table (0 of 96 bytes)");
    QTest::newRow("entry table cut at 95 bytes")
        << QByteArray(95, '\xFF') << 95 << QStringLiteral("the file ends inside the entry table (95 of 96 bytes)");
    QTest::newRow("slot 5 set") << program({{5, 0x60}}, "FF FF") << 10
                                << QStringLiteral("slot 5 is set (0x0060) but no table uses it");
    QTest::newRow("slot beyond the end") << program({{0, 0x62}}, "FF FF") << 0
                                         << QStringLiteral("slot 0 points to 0x0062, beyond the end of the file (98 bytes)");
    QTest::newRow("slot into the entry table") << program({{3, 0x10}}, "FF FF") << 6
                                               << QStringLiteral("slot 3 points to 0x0010, inside the entry table");
    QTest::newRow("slot at an odd offset") << program({{16, 0x61}}, "FF FF FF") << 32
                                           << QStringLiteral("slot 16 points to the odd offset 0x0061");
    QTest::newRow("filter slot beyond the end") << program({{14, 0x70}}, "00 01") << 28
                                                << QStringLiteral("slot 14 points to 0x0070, beyond the end of the file (98 bytes)");
    QTest::newRow("unknown opcode") << program({{0, 0x60}}, "01 41  3C 00  FF FF") << 0x62
                                    << QStringLiteral("unknown instruction 0x3c");
    QTest::newRow("0xff not followed by 0xff") << program({{0, 0x60}}, "FF 00") << 0x60
                                               << QStringLiteral("unknown instruction 0xff");
    QTest::newRow("interval with a nonzero second byte")
        << program({{0, 0x60}}, "07 01 01 DB  FF FF") << 0x60
        << QStringLiteral("instruction 0x07 with second byte 0x01 instead of 0x00");
    QTest::newRow("send cut by the end of the file") << program({{0, 0x60}}, "03 00 00") << 0x60
                                                     << QStringLiteral("instruction 0x03 cut short by the end of the file");
    QTest::newRow("copy cut after its first word") << program({{0, 0x60}}, "80 04") << 0x60
                                                   << QStringLiteral("instruction 0x80 cut short by the end of the file");
    QTest::newRow("end instruction cut in half") << program({{15, 0x60}}, "04 00 00 01 FF") << 0x64
                                                 << QStringLiteral("instruction 0xff cut short by the end of the file");
    QTest::newRow("routine without end") << program({{16, 0x60}}, "01 41 01 42") << 0x64
                                         << QStringLiteral("routine of slot 16 runs past the end of the file");
    QTest::newRow("copy beyond the end") << program({{0, 0x60}}, "80 07 00 60  FF FF") << 0x60
                                         << QStringLiteral("copy of 7 bytes from 0x0060 runs past the end of the file");
    QTest::newRow("copy from a far offset") << program({{0, 0x60}}, "80 01 FF F0  FF FF") << 0x60
                                            << QStringLiteral("copy of 1 bytes from 0xfff0 runs past the end of the file");
    QTest::newRow("close without open") << program({{1, 0x60}}, "01 41  13 00  FF FF") << 0x62
                                        << QStringLiteral("16-bit length field closed but none is open");
    QTest::newRow("close of the wrong width") << program({{1, 0x60}}, "18 F0  28 00  13 00  FF FF") << 0x64
                                              << QStringLiteral("16-bit length field closed while the innermost open one is 8-bit");
    QTest::newRow("end with a length field open") << program({{1, 0x60}}, "18 F0  28 00  27 00  FF FF") << 0x66
                                                  << QStringLiteral("routine of slot 1 ends with 1 length field(s) still open");
    QTest::newRow("filter count cut in half") << program({{14, 0x60}}, "00") << 0x60
                                              << QStringLiteral("PID filter table count cut short by the end of the file");
    QTest::newRow("filter count beyond the file") << program({{14, 0x60}}, "00 02  C0 00 E0 00 1F FE") << 0x60
                                                  << QStringLiteral("PID filter table of 2 records runs past the end of the file");
    QTest::newRow("filter table without records") << program({{14, 0x60}}, "00 00") << 0x60
                                                  << QStringLiteral("PID filter table without records (the default rule is missing)");
    QTest::newRow("filter record with unknown action")
        << program({{14, 0x60}}, "00 02  C0 00 E0 00 1F FE  20 00 E0 00 1F FE") << 0x68
        << QStringLiteral("PID filter record 2 has the unknown action code 001");
    QTest::newRow("filter record with unknown input") << program({{14, 0x60}}, "00 01  C0 00 A0 00 1F FE") << 0x62
                                                      << QStringLiteral("PID filter record 1 has the unknown input code 101");
    QTest::newRow("filter record with unknown match") << program({{14, 0x60}}, "00 01  C0 00 E0 00 5F FE") << 0x62
                                                      << QStringLiteral("PID filter record 1 has the unknown match code 010");
    QTest::newRow("drop with a remap offset") << program({{14, 0x60}}, "00 01  80 10 E0 00 1F FE") << 0x62
                                              << QStringLiteral("PID filter record 1 drops with a remap offset");
    // The entry table is checked whole before any routine, so a later bad slot wins.
    QTest::newRow("bad slot reported before a bad routine") << program({{0, 0x60}, {40, 0x61}}, "3C 00") << 80
                                                            << QStringLiteral("slot 40 points to the odd offset 0x0061");
}

void TestMbnProgram::malformed()
{
    QFETCH(QByteArray, prog);
    QFETCH(int, offset);
    QFETCH(QString, reason);
    MbnProgram p;
    QCOMPARE(p.parse(prog), reason.isEmpty());
    QCOMPARE(p.errorString(), reason);
    QCOMPARE(p.errorOffset(), offset);
}

void TestMbnProgram::everyTruncationFails_data()
{
    QTest::addColumn<QString>("name");
    for (const QString &name : psitest::goldenNames)
        QTest::newRow(qPrintable(name)) << name;
}

// The closing routine stands last, so every shorter prefix of an exported
// program is missing something; it must say so at an offset inside the prefix.
void TestMbnProgram::everyTruncationFails()
{
    QFETCH(QString, name);
    const QByteArray whole = readWholeFile(psitest::goldenPath(name, ".mbn"));
    QVERIFY(whole.size() > 96);
    for (int size = 0; size < whole.size(); ++size) {
        MbnProgram p;
        if (p.parse(whole.left(size)))
            QFAIL(qPrintable(QStringLiteral("a prefix of %1 bytes parses").arg(size)));
        if (p.errorOffset() < 0 || p.errorOffset() > size || p.errorString().isEmpty())
            QFAIL(qPrintable(QStringLiteral("prefix of %1 bytes: error at %2: %3")
                                 .arg(size)
                                 .arg(p.errorOffset())
                                 .arg(p.errorString())));
    }
}

void TestMbnProgram::goldenProgramsRunClean_data()
{
    everyTruncationFails_data();
}

// Every routine of every exported program runs, and every section with a
// CRC_32 checks.
void TestMbnProgram::goldenProgramsRunClean()
{
    QFETCH(QString, name);
    MbnProgram p;
    QVERIFY2(p.parse(readWholeFile(psitest::goldenPath(name, ".mbn"))), qPrintable(p.errorString()));
    QVERIFY(p.filterTableOffset() > 0);
    QVERIFY(p.routine(MbnProgram::ClosingSlot));
    for (const MbnRoutine &r : p.routines()) {
        MbnSentSection sent;
        QString error;
        QVERIFY2(p.run(r, &sent, &error), qPrintable(error));
        if (!sent.section.isEmpty() && quint8(sent.section.at(0)) != 0x70)
            QCOMPARE(mpegCrc32(sent.section), 0u);
    }
}

QTEST_GUILESS_MAIN(TestMbnProgram)
#include "test_mbnprogram.moc"
