#include <QtTest>

#include <functional>

#include "config/model.h"
#include "format/mbnformat.h"
#include "psi/psivmprogram.h"
#include "tests/common/psitestutil.h"

using psitest::hex;
using psitest::slotOffset;

using ProgramOps = std::function<void(PsiVmProgram &)>;
Q_DECLARE_METATYPE(ProgramOps)
Q_DECLARE_METATYPE(TransportStreamCfg)

namespace {

// Copies (binary 10 in the top bits), send, closing marker and interval take
// four bytes, everything else two.
int instructionSize(quint8 op)
{
    return ((op & 0xC0) == 0x80 || op == 0x03 || op == 0x04 || op == 0x07) ? 4 : 2;
}

// The instructions of a slot's routine, one QByteArray each, up to its end.
QList<QByteArray> routineOfSlot(const QByteArray &p, int slot)
{
    QList<QByteArray> out;
    for (int at = slotOffset(p, slot); at + 1 < p.size();) {
        const quint8 op = quint8(p.at(at));
        if (op == 0xFF && quint8(p.at(at + 1)) == 0xFF)
            break;
        out << p.mid(at, instructionSize(op));
        at += instructionSize(op);
    }
    return out;
}

// The section image that the first copy of a routine refers to.
QByteArray imageOfSlot(const QByteArray &p, int slot)
{
    for (const QByteArray &i : routineOfSlot(p, slot))
        if ((quint8(i.at(0)) & 0xC0) == 0x80)
            return p.mid(psitest::u16At(i, 2), psitest::u16At(i, 0) & 0x3FFF);
    return QByteArray();
}

// Output context of the send instruction of a routine, -1 without one.
int contextOfSlot(const QByteArray &p, int slot)
{
    for (const QByteArray &i : routineOfSlot(p, slot))
        if (quint8(i.at(0)) == 0x03)
            return quint8(i.at(1));
    return -1;
}

TransportStreamCfg noTables()
{
    TransportStreamCfg cfg;
    cfg.patEnabled = cfg.nitEnabled = cfg.sdtEnabled = cfg.eitEnabled = cfg.tdtEnabled = false;
    return cfg;
}

ServiceCfg service(quint16 id, quint16 pmtPid, bool pmt = true)
{
    ServiceCfg s;
    s.id = id;
    s.pmtPid = pmtPid;
    s.pmtEnabled = pmt;
    return s;
}

ESCfg element(int type, quint16 pid, const char *language = "")
{
    return ESCfg{type, pid, QString::fromLatin1(language)};
}

QByteArray built(const TransportStreamCfg &cfg)
{
    PsiVmProgram prog;
    psitest::MessageCapture quiet; // EIT debug lines
    prog.buildProgram(cfg);
    return prog.program();
}

} // namespace

class TestPsiVmProgram : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emitters_data();
    void emitters();
    void entryPointOutOfRange();
    void filterTable_data();
    void filterTable();
    void sectionImages_data();
    void sectionImages();
    void routines_data();
    void routines();
    void intervalsOnlyWithPlayoutTimings();
    void contextsInGenerationOrder_data();
    void contextsInGenerationOrder();
    void slotsSkipServicesWithoutPmt();
    void dumpFormat_data();
    void dumpFormat();
};

void TestPsiVmProgram::emitters_data()
{
    QTest::addColumn<ProgramOps>("ops");
    QTest::addColumn<QByteArray>("bytes");
    auto row = [](const char *name, const ProgramOps &ops, const char *bytes) { QTest::newRow(name) << ops << hex(bytes); };
    row("copy", [](PsiVmProgram &p) { p.emitCopy(0x0060, 0x11); }, "80 11 00 60");
    row("copy of 14-bit length", [](PsiVmProgram &p) { p.emitCopy(0x1234, 0x3FFF); }, "BF FF 12 34");
    row("literal byte", [](PsiVmProgram &p) { p.emitByte(0x41); }, "01 41");
    row("list marker", [](PsiVmProgram &p) { p.emitListMarker(3); }, "02 03");
    row("send", [](PsiVmProgram &p) { p.emitSend(0x1FFE, 6); }, "03 06 1F FE");
    row("closing marker", [](PsiVmProgram &p) { p.emitClosingMarker(1); }, "04 00 00 01");
    row("real-time TDT", [](PsiVmProgram &p) { p.emitRealTimeTdt(4); }, "05 04");
    row("interval", [](PsiVmProgram &p) { p.emitInterval(30000); }, "07 00 75 30");
    row("open 16-bit length", [](PsiVmProgram &p) { p.emitOpenLength16(0xF0); }, "18 F0");
    row("open 8-bit length", [](PsiVmProgram &p) { p.emitOpenLength8(0x00); }, "28 00");
    row("close 12-bit length", [](PsiVmProgram &p) { p.emitCloseLongLength(12); }, "13 00");
    row("close 8-bit length", [](PsiVmProgram &p) { p.emitCloseShortLength(8); }, "27 00");
    row("end", [](PsiVmProgram &p) { p.emitEnd(); }, "FF FF");
    row("align on even size appends nothing", [](PsiVmProgram &p) { p.emitEnd(); p.alignProgram(2); }, "FF FF");
    row("align on odd size appends FF", [](PsiVmProgram &p) {
            p.buffer().reset(); p.buffer().writeBits(0x70, 8); p.buffer().finish(); p.appendSection(); p.alignProgram(2);
        }, "70 FF");
    row("closing routine", [](PsiVmProgram &p) { p.generateClosingRoutine(); }, "04 00 00 01 FF FF");
}

void TestPsiVmProgram::emitters()
{
    QFETCH(ProgramOps, ops);
    QFETCH(QByteArray, bytes);
    PsiVmProgram prog;
    prog.clearProgram();
    ops(prog);
    QVERIFY(!prog.hasEncodingError());
    COMPARE_BYTES(prog.program().mid(Mbn::EntryTableSize), bytes);
}

void TestPsiVmProgram::entryPointOutOfRange()
{
    PsiVmProgram prog;
    prog.clearProgram();
    psitest::MessageCapture capture;
    prog.setEntryPoint(48, 0x0060);
    prog.setEntryPoint(-1, 0x0060);
    QCOMPARE(capture.criticals(), (QStringList{QStringLiteral("Tried to set entry point 48"),
                                               QStringLiteral("Tried to set entry point -1")}));
    COMPARE_BYTES(prog.program(), QByteArray(96, '\xFF'));
    QVERIFY(prog.hasEncodingError());
    prog.setEntryPoint(47, 0x1234);
    QCOMPARE(prog.program().mid(94), hex("12 34"));
}

// The filter table at 0x60 (entry 14): a record count, each rule twice, the
// default record, then the closing routine (entry 15).
void TestPsiVmProgram::filterTable_data()
{
    QTest::addColumn<QList<FilterCfg>>("rules");
    QTest::addColumn<int>("filterDefault");
    QTest::addColumn<QByteArray>("table");
    auto rule = [](int match, int input, quint32 a, quint32 b, int action, int newBase) {
        return QList<FilterCfg>(2, FilterCfg{match, input, a, b, action, newBase});
    };
    auto row = [](const char *name, const QList<FilterCfg> &rules, int filterDefault, const char *record,
                  const char *defaultRecord) {
        QTest::newRow(name) << rules << filterDefault
                            << hex(rules.isEmpty() ? "00 01" : "00 03") + hex(record) + hex(record) + hex(defaultRecord);
    };
    row("no rules, default drop", {}, ActionDrop, "", "80 00 E0 00 1F FE");
    row("no rules, default pass", {}, ActionPass, "", "C0 00 E0 00 1F FE");
    row("no rules, default remap", {}, ActionRemap, "", "D0 00 E0 00 1F FE");
    const char *pass = "C0 00 E0 00 1F FE";
    row("range on port 2 remapped to 0x0800", rule(MatchRange, 2, 0x0100, 0x01FF, ActionRemap, 0x0800), ActionPass,
        "C7 00 21 00 01 FF", pass);
    row("mask stores a AND b", rule(MatchMask, InputAny, 0x0123, 0x1F00, ActionPass, 4096), ActionPass,
        "C0 00 E1 00 3F 00", pass);
    row("drop on port 4", rule(MatchRange, 4, 0, 0x1FFF, ActionDrop, 4096), ActionPass, "80 00 60 00 1F FF", pass);
    row("pass on port 1 is a remap by 0", rule(MatchRange, 1, 0x0020, 0x0030, ActionPass, 0x0900), ActionPass,
        "C0 00 00 20 00 30", pass);
    row("remap below the PID wraps modulo 8192", rule(MatchRange, 1, 0x1000, 0x1001, ActionRemap, 0x0010), ActionPass,
        "D0 10 10 00 10 01", pass);
    row("mask remap offsets from the masked value", rule(MatchMask, 3, 0x1F00, 0x0100, ActionRemap, 0x0200), ActionPass,
        "C1 00 41 00 21 00", pass);
}

void TestPsiVmProgram::filterTable()
{
    QFETCH(QList<FilterCfg>, rules);
    QFETCH(int, filterDefault);
    QFETCH(QByteArray, table);
    TransportStreamCfg cfg = noTables();
    cfg.filters = rules;
    cfg.filterDefault = filterDefault;
    QByteArray expected(96, '\xFF');
    expected.replace(28, 4, hex("00 60") + QByteArray(1, char((0x60 + table.size()) >> 8))
                                + QByteArray(1, char(0x60 + table.size())));
    COMPARE_BYTES(built(cfg), expected + table + hex("04 00 00 01 FF FF"));
}

void TestPsiVmProgram::sectionImages_data()
{
    QTest::addColumn<TransportStreamCfg>("cfg");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QByteArray>("image");

    TransportStreamCfg pat = noTables();
    pat.patEnabled = pat.nitEnabled = true;
    pat.id = 0x0001;
    pat.services << service(0x0101, 0x0100);
    QTest::newRow("PAT with network entry") << pat << 0 << hex("00 00 B0 00 00 01 C1 00 00 00 00 E0 10 01 01 E1 00");
    pat.services << service(0x0202, 0x0200, false);
    QTest::newRow("PAT lists a service without PMT too")
        << pat << 0 << hex("00 00 B0 00 00 01 C1 00 00 00 00 E0 10 01 01 E1 00 02 02 E2 00");
    pat.nitEnabled = false;
    pat.services.removeLast();
    QTest::newRow("PAT without NIT has no program 0") << pat << 0 << hex("00 00 B0 00 00 01 C1 00 00 01 01 E1 00");
    pat.services.clear();
    QTest::newRow("PAT header alone") << pat << 0 << hex("00 00 B0 00 00 01 C1 00 00");

    TransportStreamCfg pmt = noTables();
    pmt.services << service(0x0101, 0x0100);
    pmt.services[0].pcrPid = 0x0101;
    pmt.services[0].elements << element(EsMpeg2Video, 0x0101);
    QTest::newRow("PMT without CA: program_info_length 0")
        << pmt << 16 << hex("00 02 B0 00 01 01 C1 00 00 E1 01 F0 00 02 E1 01 F0 00");
    pmt.services[0].caEnabled = true;
    pmt.services[0].caId = 0x0B00;
    pmt.services[0].ecmPid = 0x0200;
    QTest::newRow("PMT with CA descriptor")
        << pmt << 16 << hex("00 02 B0 00 01 01 C1 00 00 E1 01 F0 06 09 04 0B 00 E2 00 02 E1 01 F0 00");
    TransportStreamCfg ttx = noTables();
    ttx.services << service(0x0101, 0x0100);
    ttx.services[0].elements << element(EsTeletext, 0x0300, "deu") << element(7, 0x0400)
                             << element(EsMpeg2Audio, 0x0102, "eng") << element(EsH264Video, 0x0103);
    QTest::newRow("PMT teletext entry; unknown type left out; audio has no language")
        << ttx << 16
        << hex("00 02 B0 00 01 01 C1 00 00 E0 00 F0 00 06 E3 00 F0 07 56 05 64 65 75 09 00 03 E1 02 F0 00 1B E1 03 F0 00");
    ttx.services[0].elements[0].teletextPage = 899;
    QTest::newRow("teletext page 899 is magazine 0, page 0x99")
        << ttx << 16
        << hex("00 02 B0 00 01 01 C1 00 00 E0 00 F0 00 06 E3 00 F0 07 56 05 64 65 75 08 99 03 E1 02 F0 00 1B E1 03 F0 00");

    TransportStreamCfg sdt = noTables();
    sdt.sdtEnabled = sdt.eitEnabled = true;
    sdt.id = 0x0001;
    sdt.origId = 0x0002;
    sdt.services << service(0x0101, 0x0100, false);
    sdt.services[0].providerName = QStringLiteral("P");
    sdt.services[0].serviceName = QStringLiteral("S");
    const QByteArray head = hex("00 42 F0 00 00 01 C1 00 00 00 02 FF");
    QTest::newRow("SDT service entry") << sdt << 2 << head + hex("01 01 FD 80 07 48 05 01 01 50 01 53");
    sdt.services[0].caEnabled = true;
    sdt.services[0].caId = 0x0B00;
    QTest::newRow("SDT service entry with CA")
        << sdt << 2 << head + hex("01 01 FD 90 0B 48 05 01 01 50 01 53 53 02 0B 00");
    sdt.services[0].caEnabled = sdt.eitEnabled = false;
    sdt.services << service(0x0202, 0x0200, false);
    sdt.services[1].type = ServiceDigitalRadio;
    sdt.services[1].serviceName = QStringLiteral("\u00C4rger"); // Latin-1: selector 10 00 01
    QTest::newRow("SDT without EIT; radio; Latin-1 name")
        << sdt << 2
        << head + hex("01 01 FC 80 07 48 05 01 01 50 01 53 02 02 FC 80 0D 48 0B 02 00 08 10 00 01 C4 72 67 65 72");
    sdt.services.removeFirst();
    sdt.services[0].serviceName = QStringLiteral("\u0420\u0422"); // Cyrillic: selector 15, UTF-8
    QTest::newRow("SDT UTF-8 name") << sdt << 2 << head + hex("02 02 FC 80 0A 48 08 02 00 05 15 D0 A0 D0 A2");

    TransportStreamCfg eit = noTables();
    eit.eitEnabled = true;
    eit.id = 0x0001;
    eit.origId = 0x0002;
    eit.services << service(0x0101, 0x0100);
    eit.services[0].language = QStringLiteral("eng");
    eit.services[0].eventName = QStringLiteral("N");
    const QByteArray eitHead = hex("00 4E F0 00 01 01 C1 00 00 00 01 00 02 00 4E 00 01 FF FF FF FF FF FF FF FF");
    QTest::newRow("EIT image") << eit << 32 << eitHead + hex("00 08 4D 06 65 6E 67 01 4E 00");
    eit.services[0].caEnabled = true;
    QTest::newRow("EIT with CA sets free_CA_mode") << eit << 32 << eitHead + hex("10 08 4D 06 65 6E 67 01 4E 00");
    eit.services[0].caEnabled = false;
    eit.services[0].language.clear();
    eit.services[0].eventText = QStringLiteral("Tx");
    QTest::newRow("EIT empty language is three blanks") << eit << 32 << eitHead + hex("00 0A 4D 08 20 20 20 01 4E 02 54 78");

    TransportStreamCfg tdt = noTables();
    tdt.tdtEnabled = true;
    QTest::newRow("static TDT") << tdt << 3 << hex("00 70 70 00 00 00 00 00 00");
}

void TestPsiVmProgram::sectionImages()
{
    QFETCH(TransportStreamCfg, cfg);
    QFETCH(int, slot);
    QFETCH(QByteArray, image);
    PsiVmProgram prog;
    psitest::MessageCapture capture;
    QVERIFY(prog.buildProgram(cfg));
    QVERIFY(capture.criticals().isEmpty());
    const QByteArray p = prog.program();
    COMPARE_BYTES(imageOfSlot(p, slot), image);
    // Images are padded to an even offset with 0xFF.
    const int start = int(p.indexOf(image, 96));
    QVERIFY(start >= 96 && start % 2 == 0);
    if (image.size() % 2)
        QCOMPARE(quint8(p.at(start + image.size())), quint8(0xFF));
}

// Whole blocks from 0x60 on: section pieces, then the routine that copies them.
void TestPsiVmProgram::routines_data()
{
    QTest::addColumn<ProgramOps>("generate");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("routine"); // offset of the slot's routine
    QTest::addColumn<QByteArray>("block");

    TransportStreamCfg pat = noTables();
    pat.id = 0x0001;
    pat.nitEnabled = true;
    pat.services << service(0x0101, 0x0100);
    QTest::newRow("PAT") << ProgramOps([pat](PsiVmProgram &p) { p.generatePAT(pat, 0); }) << 0 << 0x72
                         << hex("00 00 B0 00 00 01 C1 00 00 00 00 E0 10 01 01 E1 00 FF 80 11 00 60 02 00 03 00 00 00 FF FF");
    pat.playoutTimings = true;
    QTest::newRow("PAT with playout timings") << ProgramOps([pat](PsiVmProgram &p) { p.generatePAT(pat, 0); }) << 0 << 0x72
        << hex("00 00 B0 00 00 01 C1 00 00 00 00 E0 10 01 01 E1 00 FF 07 00 01 DB 80 11 00 60 02 00 03 00 00 00 FF FF");

    TransportStreamCfg nit = noTables();
    nit.netId = 0x3001;
    nit.netName = QStringLiteral("Net");
    nit.id = 0x0001;
    nit.origId = 0x0002;
    nit.services << service(0x0101, 0x0100) << service(0x0202, 0x0200) << service(0x0303, 0x0300);
    nit.services[0].lcEnabled = nit.services[2].lcEnabled = true;
    nit.services[0].lcNumber = nit.services[2].lcNumber = 5;
    nit.services[2].lcVisible = false;
    nit.services[1].type = ServiceDigitalRadio;
    nit.playoutTimings = true;
    nit.nitTime = 10000;
    // Pieces at 0x60 (16 bytes), 0x70 (4), 0x74 (9 + pad), 0x7E (8); routine at 0x86.
    QTest::newRow("NIT") << ProgramOps([nit](PsiVmProgram &p) { p.generateNIT(nit, 0); }) << 1 << 0x86
                         << hex("00 40 F0 00 30 01 C1 00 00 F0 05 40 03 4E 65 74 00 01 00 02"
                                "01 01 01 02 02 02 03 03 01 FF 01 01 FC 05 03 03 7C 05"
                                "07 00 27 10 80 10 00 60 18 F0 80 04 00 70 18 F0 01 41 28 00"
                                "80 09 00 74 02 01 27 00 01 83 28 00 80 08 00 7E 02 03 27 00"
                                "13 00 13 00 03 00 00 10 FF FF");
    // Without services both descriptors stay, with empty copies.
    nit.services.clear();
    nit.playoutTimings = false;
    nit.netName.clear();
    QTest::newRow("NIT without services") << ProgramOps([nit](PsiVmProgram &p) { p.generateNIT(nit, 3); }) << 1 << 0x72
        << hex("00 40 F0 00 30 01 C1 00 00 F0 02 40 00 FF 00 01 00 02"
               "80 0D 00 60 18 F0 80 04 00 6E 18 F0 01 41 28 00"
               "80 00 00 72 02 01 27 00 01 83 28 00 80 00 00 72 02 03 27 00"
               "13 00 13 00 03 03 00 10 FF FF");

    auto tdt = [](bool realTime, bool playout) {
        TransportStreamCfg cfg = noTables();
        cfg.tdtEnabled = true;
        cfg.realTdt = realTime;
        cfg.playoutTimings = playout;
        cfg.tdtTime = 30000;
        return ProgramOps([cfg](PsiVmProgram &p) { p.buildProgram(cfg); });
    };
    // The filter table follows each block directly.
    QTest::newRow("static TDT with playout timings") << tdt(false, true) << 3 << 0x6A
        << hex("00 70 70 00 00 00 00 00 00 FF 07 00 75 30 80 09 00 60 03 00 00 14 FF FF 00 01");
    QTest::newRow("static TDT") << tdt(false, false) << 3 << 0x6A
                                << hex("00 70 70 00 00 00 00 00 00 FF 80 09 00 60 03 00 00 14 FF FF 00 01");
    QTest::newRow("real-time TDT") << tdt(true, false) << 3 << 0x60 << hex("05 04 FF FF 00 01");
    QTest::newRow("real-time TDT with playout timings") << tdt(true, true) << 3 << 0x60
                                                       << hex("07 00 75 30 05 04 FF FF 00 01");
}

void TestPsiVmProgram::routines()
{
    QFETCH(ProgramOps, generate);
    QFETCH(int, slot);
    QFETCH(int, routine);
    QFETCH(QByteArray, block);
    PsiVmProgram prog;
    prog.clearProgram();
    generate(prog);
    COMPARE_BYTES(prog.program().mid(0x60, block.size()), block);
    QCOMPARE(slotOffset(prog.program(), slot), routine);
}

void TestPsiVmProgram::intervalsOnlyWithPlayoutTimings()
{
    TransportStreamCfg cfg;
    cfg.services << service(1, 0x100) << service(2, 0x200);
    cfg.eitTime = 1001;
    const QList<int> slotList{0, 1, 2, 3, 16, 17, 32, 33};
    for (int slot : slotList)
        for (const QByteArray &i : routineOfSlot(built(cfg), slot))
            QVERIFY2(quint8(i.at(0)) != 0x07, qPrintable(QStringLiteral("slot %1").arg(slot)));
    cfg.playoutTimings = true;
    const QByteArray timed = built(cfg);
    QList<int> intervals;
    for (int slot : slotList)
        intervals << psitest::u16At(routineOfSlot(timed, slot).value(0), 2);
    // The EIT goes out twice per period: 1001 ms gives 500.
    QCOMPARE(intervals, (QList<int>{475, 5000, 1000, 15000, 475, 475, 500, 500}));
}

void TestPsiVmProgram::contextsInGenerationOrder_data()
{
    QTest::addColumn<bool>("realTime");
    QTest::addColumn<QList<int>>("contexts"); // of PAT, NIT, SDT, TDT, PMT 1, PMT 2, EIT 1, EIT 2
    QTest::newRow("static TDT") << false << QList<int>{0, 1, 2, 3, 5, 6, 4, 4};
    QTest::newRow("real-time TDT takes no context") << true << QList<int>{0, 1, 2, -1, 4, 5, 3, 3};
}

void TestPsiVmProgram::contextsInGenerationOrder()
{
    QFETCH(bool, realTime);
    QFETCH(QList<int>, contexts);
    TransportStreamCfg cfg;
    cfg.realTdt = realTime;
    cfg.services << service(1, 0x100) << service(2, 0x200);
    const QByteArray p = built(cfg);
    QList<int> actual;
    for (int slot : {0, 1, 2, 3, 16, 17, 32, 33})
        actual << contextOfSlot(p, slot);
    QCOMPARE(actual, contexts);
}

void TestPsiVmProgram::slotsSkipServicesWithoutPmt()
{
    TransportStreamCfg cfg = noTables();
    cfg.eitEnabled = true;
    cfg.services << service(0x0001, 0x0100) << service(0x0002, 0x0200, false) << service(0x0003, 0x0300);
    const QByteArray p = built(cfg);
    // PMT and EIT images name the service at bytes 4 and 5.
    QCOMPARE((QList<QByteArray>{imageOfSlot(p, 16).mid(4, 2), imageOfSlot(p, 17).mid(4, 2),
                                imageOfSlot(p, 32).mid(4, 2), imageOfSlot(p, 33).mid(4, 2)}),
             (QList<QByteArray>{hex("00 01"), hex("00 03"), hex("00 01"), hex("00 03")}));
    QVERIFY(routineOfSlot(p, 17).contains(hex("03 02 03 00"))); // send on PMT PID 0x0300, context 2
    QCOMPARE(slotOffset(p, 18), 0xFFFF);
    QCOMPARE(slotOffset(p, 34), 0xFFFF);

    // Without any PMT service no PMT or EIT slot is used, yet the EIT
    // context is taken all the same: the next PMT gets context 1.
    cfg.services = {service(1, 0x100, false)};
    const QByteArray without = built(cfg);
    for (int slot = 16; slot < 48; ++slot)
        QCOMPARE(slotOffset(without, slot), 0xFFFF);
    cfg.services << service(2, 0x200);
    QCOMPARE(contextOfSlot(built(cfg), 16), 1);
}

void TestPsiVmProgram::dumpFormat_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray() << QByteArray("unsigned char psivm_prog[0] = {\n};\n");
    QTest::newRow("nine bytes") << hex("00 01 02 03 04 05 06 07 AB")
                                << QByteArray("unsigned char psivm_prog[9] = {\n"
                                              "\t0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, \n\t0xab\n};\n");
    QTest::newRow("exactly eight") << hex("FF FE FD FC FB FA F9 F8")
                                   << QByteArray("unsigned char psivm_prog[8] = {\n"
                                                 "\t0xff, 0xfe, 0xfd, 0xfc, 0xfb, 0xfa, 0xf9, 0xf8\n};\n");
}

void TestPsiVmProgram::dumpFormat()
{
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, text);
    QCOMPARE(PsiVmProgram::dumpText(program), text);
}

QTEST_APPLESS_MAIN(TestPsiVmProgram)
#include "test_psivmprogram.moc"
