// Reading MUX binaries back: CRC_32, filter records, routines of hand-made
// programs with the exact sections they send, and malformed files with the
// offset where reading stopped.

#include <QtTest>

#include <QMap>

#include "config/model.h"
#include "mbn/mbnprogram.h"
#include "tests/common/psitestutil.h"
#include "tests/common/filehelpers.h"

using namespace Qt::StringLiterals;
using psitest::hex;
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

// `body` followed by a filter table and a closing routine (slots 14 and 15).
QByteArray withTail(SlotMap entries, const char *body)
{
    const int tail = 0x60 + int(hex(body).size());
    entries.insert(Mbn::SlotFilterTable, tail);
    entries.insert(Mbn::SlotClosing, tail + 8);
    return program(entries, body) + hex("0001 C000 E000 1FFE 0400 0001 FFFF");
}

QString describeRule(const FilterCfg &f)
{
    return u"match %1 input %2 a %3 b %4 action %5 base %6"_s.arg(f.match).arg(f.input).arg(f.a, 0, 16).arg(f.b, 0, 16)
        .arg(f.action).arg(f.newBase, 0, 16);
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
    void run_data();
    void run();
    void malformed_data();
    void malformed();
    void everyTruncationFails_data();
    void everyTruncationFails();
};

void TestMbnProgram::crc_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<quint32>("crc");
    QTest::newRow("check value of CRC-32/MPEG-2") << QByteArray("123456789") << quint32(0x0376E6E7);
    QTest::newRow("empty") << QByteArray() << quint32(0xFFFFFFFF);
    QTest::newRow("one zero byte") << QByteArray(1, '\0') << quint32(0x4E08BFB4);
    QTest::newRow("PAT of tsid 1, program 1 on 0x1000") << hex("00 B0 0D 00 01 C1 00 00 00 01 F0 00") << 0x2AB104B2u;
    QTest::newRow("section with its CRC_32 leaves 0") << hex("00 B0 0D 00 01 C1 00 00 00 01 F0 00 2A B1 04 B2") << 0u;
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
    const auto row = [](const char *name, const char *record, const FilterCfg &expected) {
        QTest::newRow(name) << hex(record) << expected;
    };
    row("range on port 2 remapped to 0x0800", "C7 00 21 00 01 FF", {MatchRange, 2, 0x100, 0x1FF, ActionRemap, 0x800});
    row("default rule, drop", "80 00 E0 00 1F FE", {MatchRange, 0, 0, 0x1FFE, ActionDrop});
    row("default rule, pass", "C0 00 E0 00 1F FE", {MatchRange, 0, 0, 0x1FFE, ActionPass});
    row("default rule, remap", "D0 00 E0 00 1F FE", {MatchRange, 0, 0, 0x1FFE, ActionRemap, 0x1000});
    row("mask keeps a AND b", "C0 00 E1 00 3F 00", {MatchMask, 0, 0x100, 0x1F00, ActionPass});
    row("remap below the range wraps modulo 8192", "C2 00 7F 00 1F FF",
        {MatchRange, 4, 0x1F00, 0x1FFF, ActionRemap, 0x100});
    row("port 1 is input code 000", "80 00 00 05 00 06", {MatchRange, 1, 5, 6, ActionDrop});
    row("port 3, mask, drop", "80 00 40 10 20 10", {MatchMask, 3, 0x10, 0x10, ActionDrop});
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
    const TransportStreamCfg cfg = psitest::goldenConfig(u"filter-rules"_s);
    MbnProgram p;
    QVERIFY2(p.parse(readWholeFile(psitest::goldenPath(u"filter-rules"_s, ".mbn"))), qPrintable(p.errorString()));
    QStringList actual, expected;
    for (const MbnFilterRecord &r : p.filterRecords())
        actual << describeRule(r.rule());
    for (FilterCfg f : cfg.filters) {
        if (f.match == MatchMask)
            f.a &= f.b;
        expected << describeRule(f);
    }
    expected << describeRule(FilterCfg{MatchRange, 0, 0, 0x1FFE, cfg.filterDefault});
    QCOMPARE(actual, expected);
}

// A routine's outcome: what it sends and how, or why it refuses.
void TestMbnProgram::run_data()
{
    QTest::addColumn<QByteArray>("prog");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QString>("outcome");

    // PAT image (pointer_field, section_length 0) at 0x60, routine at 0x6E.
    QTest::newRow("PAT: section_length and CRC_32 completed")
        << withTail({{0, 0x6E}}, "00 00 B0 00 00 01 C1 00 00 00 01 F0 00 FF"
                                 "07 00 01 DB  80 0D 00 60  02 00  03 00 00 00  FF FF")
        << 0 << hex("00 B0 0D 00 01 C1 00 00 00 01 F0 00 2A B1 04 B2") << u"pid 0 context 0 interval 475 markers [0]"_s;
    // Nested length fields as the NIT uses them, keeping the field's upper bits.
    QTest::newRow("16-bit field around an 8-bit field")
        << withTail({{1, 0x6A}}, "00 40 F0 00 00 01 C1 00 00 FF  80 09 00 60  18 F0  01 40  28 00  01 41  01 42"
                                 "27 00  13 00  02 01  03 01 00 10  FF FF")
        << 1 << hex("40 F0 0F 00 01 C1 00 00 F0 04 40 02 41 42 0B 72 96 76")
        << u"pid 16 context 1 interval -1 markers [1]"_s;
    QTest::newRow("TDT without CRC_32")
        << withTail({{3, 0x6A}}, "00 70 70 00 E4 4E 12 34 56 FF  80 09 00 60  03 05 00 14  FF FF") << 3
        << hex("70 70 05 E4 4E 12 34 56") << u"pid 20 context 5 interval -1 markers []"_s;
    QTest::newRow("real-time TDT sends nothing")
        << withTail({{3, 0x60}}, "07 00 3A 98  05 04  FF FF") << 3 << QByteArray()
        << u"pid -1 context -1 interval 15000 markers [] real-time TDT"_s;
    const auto refusal = [](const char *name, const QByteArray &prog, const char *reason) {
        QTest::newRow(name) << prog << 0 << QByteArray() << QString::fromUtf8(reason);
    };
    refusal("pointer_field other than 0", withTail({{0, 0x64}}, "01 00 B0 00  80 04 00 60  03 00 00 00  FF FF"),
            "at 0x0068: pointer_field 0x01 instead of 0x00");
    refusal("section shorter than its header", withTail({{0, 0x64}}, "00 00 B0 FF  80 03 00 60  03 00 00 00  FF FF"),
            "at 0x0068: section of 2 bytes, shorter than its 3-byte header");
    refusal("send of nothing", withTail({{0, 0x60}}, "03 00 00 00  FF FF"), "at 0x0060: send of an empty section");
    refusal("two sends in one routine",
            withTail({{0, 0x64}}, "00 00 B0 00  80 04 00 60  03 00 00 00  03 00 00 00  FF FF"),
            "at 0x006c: a second send in one routine");
    // Copies may be 16383 bytes long: the routine must refuse before assembling gigabytes.
    refusal("copy beyond any section", withTail({{0, 0x60}}, "BF FF 00 00  FF FF") + QByteArray(16384, '\0'),
            "at 0x0060: the section grows past 4097 bytes");
    refusal("count too large for a 1-bit length", withTail({{0, 0x60}}, "28 00  01 41  01 42  20 00  FF FF"),
            "at 0x0066: 2 bytes do not fit a 1-bit length");
}

void TestMbnProgram::run()
{
    QFETCH(QByteArray, prog);
    QFETCH(int, slot);
    QFETCH(QByteArray, section);
    QFETCH(QString, outcome);
    MbnProgram p;
    QVERIFY2(p.parse(prog), qPrintable(p.errorString()));
    QVERIFY(p.routine(slot));
    MbnSentSection sent;
    QString why;
    if (!p.run(*p.routine(slot), &sent, &why)) {
        QCOMPARE(why, outcome);
        return;
    }
    QStringList markers;
    for (int m : sent.listMarkers)
        markers << QString::number(m);
    QCOMPARE(u"pid %1 context %2 interval %3 markers [%4]%5"_s.arg(sent.pid).arg(sent.context).arg(sent.interval)
                 .arg(markers.join(u','), sent.realTimeTdt ? u" real-time TDT"_s : QString()), outcome);
    COMPARE_BYTES(sent.section, section);
}

void TestMbnProgram::malformed_data()
{
    QTest::addColumn<QByteArray>("prog");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("reason");
    // Each row is named by the reason it must give.
    const auto row = [](const QByteArray &prog, int offset, const char *reason) {
        QTest::newRow(reason) << prog << offset << QString::fromUtf8(reason);
    };
    row(QByteArray(), 0, "the file ends inside the entry table (0 of 96 bytes)");
    row(QByteArray(95, '\xFF'), 95, "the file ends inside the entry table (95 of 96 bytes)");
    row(program({{5, 0x60}}, "FF FF"), 10, "slot 5 is set (0x0060) but no table uses it");
    row(program({{0, 0x62}}, "FF FF"), 0, "slot 0 points to 0x0062, beyond the end of the file (98 bytes)");
    row(program({{3, 0x10}}, "FF FF"), 6, "slot 3 points to 0x0010, inside the entry table");
    row(program({{16, 0x61}}, "FF FF FF"), 32, "slot 16 points to the odd offset 0x0061");
    row(program({{14, 0x70}}, "00 01"), 28, "slot 14 points to 0x0070, beyond the end of the file (98 bytes)");
    row(program({{0, 0x60}}, "01 41  3C 00  FF FF"), 0x62, "unknown instruction 0x3c");
    // An 0xff that is not followed by a second 0xff ends nothing.
    row(program({{0, 0x60}}, "FF 00"), 0x60, "unknown instruction 0xff");
    row(program({{0, 0x60}}, "07 01 01 DB  FF FF"), 0x60, "instruction 0x07 with second byte 0x01 instead of 0x00");
    row(program({{0, 0x60}}, "03 00 00"), 0x60, "instruction 0x03 cut short by the end of the file");
    row(program({{0, 0x60}}, "80 04"), 0x60, "instruction 0x80 cut short by the end of the file");
    row(program({{15, 0x60}}, "04 00 00 01 FF"), 0x64, "instruction 0xff cut short by the end of the file");
    row(program({{16, 0x60}}, "01 41 01 42"), 0x64, "routine of slot 16 runs past the end of the file");
    row(program({{0, 0x60}}, "80 07 00 60  FF FF"), 0x60, "copy of 7 bytes from 0x0060 runs past the end of the file");
    row(program({{0, 0x60}}, "80 01 FF F0  FF FF"), 0x60, "copy of 1 bytes from 0xfff0 runs past the end of the file");
    row(program({{1, 0x60}}, "01 41  13 00  FF FF"), 0x62, "16-bit length field closed but none is open");
    row(program({{1, 0x60}}, "18 F0  28 00  13 00  FF FF"), 0x64,
        "16-bit length field closed while the innermost open one is 8-bit");
    row(program({{1, 0x60}}, "18 F0  28 00  27 00  FF FF"), 0x66,
        "routine of slot 1 ends with 1 length field(s) still open");
    row(program({{14, 0x60}}, "00"), 0x60, "PID filter table count cut short by the end of the file");
    row(program({{14, 0x60}}, "00 02  C0 00 E0 00 1F FE"), 0x60,
        "PID filter table of 2 records runs past the end of the file");
    row(program({{14, 0x60}}, "00 00"), 0x60, "PID filter table without records (the default rule is missing)");
    row(program({{14, 0x60}}, "00 02  C0 00 E0 00 1F FE  20 00 E0 00 1F FE"), 0x68,
        "PID filter record 2 has the unknown action code 001");
    row(program({{14, 0x60}}, "00 01  C0 00 A0 00 1F FE"), 0x62, "PID filter record 1 has the unknown input code 101");
    row(program({{14, 0x60}}, "00 01  C0 00 E0 00 5F FE"), 0x62, "PID filter record 1 has the unknown match code 010");
    row(program({{14, 0x60}}, "00 01  80 10 E0 00 1F FE"), 0x62, "PID filter record 1 drops with a remap offset");
    // The entry table is checked whole before any routine, so a later bad slot wins.
    row(program({{0, 0x60}, {40, 0x61}}, "3C 00"), 80, "slot 40 points to the odd offset 0x0061");
}

void TestMbnProgram::malformed()
{
    QFETCH(QByteArray, prog);
    QFETCH(int, offset);
    QFETCH(QString, reason);
    MbnProgram p;
    QVERIFY(!p.parse(prog));
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
// program must fail, at an offset inside the prefix.
void TestMbnProgram::everyTruncationFails()
{
    QFETCH(QString, name);
    const QByteArray whole = readWholeFile(psitest::goldenPath(name, ".mbn"));
    QVERIFY(whole.size() > 96);
    for (int size = 0; size < whole.size(); ++size) {
        MbnProgram cut;
        if (cut.parse(whole.left(size)) || cut.errorOffset() < 0 || cut.errorOffset() > size
            || cut.errorString().isEmpty())
            QFAIL(qPrintable(u"prefix of %1 bytes: error at %2: %3"_s.arg(size).arg(cut.errorOffset())
                                 .arg(cut.errorString())));
    }
}

QTEST_GUILESS_MAIN(TestMbnProgram)
#include "test_mbnprogram.moc"
