#include <QtTest>

#include <functional>

#include "config/model.h"
#include "psi/psivmprogram.h"
#include "psitestutil.h"

using psitest::hex;

using ProgramOps = std::function<void(PsiVmProgram &)>;
Q_DECLARE_METATYPE(ProgramOps)
Q_DECLARE_METATYPE(FilterCfg)
Q_DECLARE_METATYPE(TransportStreamCfg)

namespace {

int slotOffset(const QByteArray &p, int slot)
{
    return (quint8(p.at(2 * slot)) << 8) | quint8(p.at(2 * slot + 1));
}

// Instruction lengths by opcode: copies (binary 10 in the top bits), send,
// closing marker and interval take four bytes, everything else two.
int instructionSize(quint8 op)
{
    if ((op & 0xC0) == 0x80 || op == 0x03 || op == 0x04 || op == 0x07)
        return 4;
    return 2;
}

QByteArray routineAt(const QByteArray &p, int offset)
{
    int at = offset;
    while (at + 1 < p.size()) {
        const quint8 op = quint8(p.at(at));
        const bool end = op == 0xFF && quint8(p.at(at + 1)) == 0xFF;
        at += end ? 2 : instructionSize(op);
        if (end)
            break;
    }
    return p.mid(offset, at - offset);
}

QByteArray routineOfSlot(const QByteArray &p, int slot)
{
    return routineAt(p, slotOffset(p, slot));
}

// The section image that the first copy of a routine refers to.
QByteArray imageOfSlot(const QByteArray &p, int slot)
{
    const QByteArray r = routineOfSlot(p, slot);
    for (int at = 0; at < r.size(); at += instructionSize(quint8(r.at(at)))) {
        const quint8 op = quint8(r.at(at));
        if ((op & 0xC0) == 0x80) {
            const int length = ((op & 0x3F) << 8) | quint8(r.at(at + 1));
            const int offset = (quint8(r.at(at + 2)) << 8) | quint8(r.at(at + 3));
            return p.mid(offset, length);
        }
    }
    return QByteArray();
}

// Output context of the send instruction of a routine, -1 without one.
int contextOfSlot(const QByteArray &p, int slot)
{
    const QByteArray r = routineOfSlot(p, slot);
    for (int at = 0; at < r.size(); at += instructionSize(quint8(r.at(at))))
        if (quint8(r.at(at)) == 0x03)
            return quint8(r.at(at + 1));
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
    void filterRecords_data();
    void filterRecords();
    void emptyProgram_data();
    void emptyProgram();
    void sectionImages_data();
    void sectionImages();
    void patAtStartOfProgram();
    void nitRoutine();
    void tdtRoutines_data();
    void tdtRoutines();
    void eitIntervalHalved();
    void eitDebugLine();
    void contextsInGenerationOrder_data();
    void contextsInGenerationOrder();
    void slotsSkipServiceWithoutPmt();
    void eitWithoutPmtServices();
    void noIntervalWithoutPlayoutTimings();
    void dumpFormat_data();
    void dumpFormat();
};

void TestPsiVmProgram::emitters_data()
{
    QTest::addColumn<ProgramOps>("ops");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("copy") << ProgramOps([](PsiVmProgram &p) { p.emitCopy(0x0060, 0x11); }) << hex("80 11 00 60");
    QTest::newRow("copy of 14-bit length") << ProgramOps([](PsiVmProgram &p) { p.emitCopy(0x1234, 0x3FFF); })
                                           << hex("BF FF 12 34");
    QTest::newRow("literal byte") << ProgramOps([](PsiVmProgram &p) { p.emitByte(0x41); }) << hex("01 41");
    QTest::newRow("list marker") << ProgramOps([](PsiVmProgram &p) { p.emitListMarker(3); }) << hex("02 03");
    QTest::newRow("send") << ProgramOps([](PsiVmProgram &p) { p.emitSend(0x1FFE, 6); }) << hex("03 06 1F FE");
    QTest::newRow("closing marker") << ProgramOps([](PsiVmProgram &p) { p.emitClosingMarker(1); }) << hex("04 00 00 01");
    QTest::newRow("real-time TDT") << ProgramOps([](PsiVmProgram &p) { p.emitRealTimeTdt(4); }) << hex("05 04");
    QTest::newRow("interval") << ProgramOps([](PsiVmProgram &p) { p.emitInterval(30000); }) << hex("07 00 75 30");
    QTest::newRow("open 16-bit length") << ProgramOps([](PsiVmProgram &p) { p.emitOpenLength16(0xF0); }) << hex("18 F0");
    QTest::newRow("open 8-bit length") << ProgramOps([](PsiVmProgram &p) { p.emitOpenLength8(0x00); }) << hex("28 00");
    QTest::newRow("close 12-bit length") << ProgramOps([](PsiVmProgram &p) { p.emitCloseLongLength(12); }) << hex("13 00");
    QTest::newRow("close 8-bit length") << ProgramOps([](PsiVmProgram &p) { p.emitCloseShortLength(8); }) << hex("27 00");
    QTest::newRow("end") << ProgramOps([](PsiVmProgram &p) { p.emitEnd(); }) << hex("FF FF");
    QTest::newRow("align on even size appends nothing")
        << ProgramOps([](PsiVmProgram &p) { p.emitEnd(); p.alignProgram(2); }) << hex("FF FF");
    QTest::newRow("align on odd size appends FF")
        << ProgramOps([](PsiVmProgram &p) { p.buffer().reset(); p.buffer().writeBits(0x70, 8); p.buffer().finish();
                                            p.appendSection(); p.alignProgram(2); })
        << hex("70 FF");
    QTest::newRow("closing routine") << ProgramOps([](PsiVmProgram &p) { p.generateClosingRoutine(); })
                                     << hex("04 00 00 01 FF FF");
}

void TestPsiVmProgram::emitters()
{
    QFETCH(ProgramOps, ops);
    QFETCH(QByteArray, bytes);
    PsiVmProgram prog;
    prog.clearProgram();
    ops(prog);
    QVERIFY(!prog.hasEncodingError());
    PSI_COMPARE_BYTES(prog.program().mid(PsiVmProgram::EntryTableSize), bytes);
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
    PSI_COMPARE_BYTES(prog.program(), QByteArray(96, '\xFF'));
    QVERIFY(prog.hasEncodingError());
    prog.setEntryPoint(47, 0x1234);
    QCOMPARE(prog.program().mid(94), hex("12 34"));
}

void TestPsiVmProgram::filterRecords_data()
{
    QTest::addColumn<FilterCfg>("rule");
    QTest::addColumn<QByteArray>("record");

    auto rule = [](int match, int input, quint32 a, quint32 b, int action, int newBase) {
        FilterCfg f;
        f.match = match;
        f.input = input;
        f.a = a;
        f.b = b;
        f.action = action;
        f.newBase = newBase;
        return f;
    };
    QTest::newRow("range on port 2 remapped to 0x0800")
        << rule(MatchRange, 2, 0x0100, 0x01FF, ActionRemap, 0x0800) << hex("C7 00 21 00 01 FF");
    QTest::newRow("mask stores a AND b")
        << rule(MatchMask, InputAny, 0x0123, 0x1F00, ActionPass, 4096) << hex("C0 00 E1 00 3F 00");
    QTest::newRow("drop on port 4") << rule(MatchRange, 4, 0, 0x1FFF, ActionDrop, 4096) << hex("80 00 60 00 1F FF");
    QTest::newRow("pass on port 1 is a remap by 0")
        << rule(MatchRange, 1, 0x0020, 0x0030, ActionPass, 0x0900) << hex("C0 00 00 20 00 30");
    QTest::newRow("remap below the PID wraps modulo 8192")
        << rule(MatchRange, 1, 0x1000, 0x1001, ActionRemap, 0x0010) << hex("D0 10 10 00 10 01");
    QTest::newRow("mask remap offsets from the masked value")
        << rule(MatchMask, 3, 0x1F00, 0x0100, ActionRemap, 0x0200) << hex("C1 00 41 00 21 00");
}

void TestPsiVmProgram::filterRecords()
{
    QFETCH(FilterCfg, rule);
    QFETCH(QByteArray, record);
    TransportStreamCfg cfg = noTables();
    cfg.filters << rule << rule;
    const QByteArray p = built(cfg);
    QCOMPARE(slotOffset(p, 14), 0x0060);
    PSI_COMPARE_BYTES(p.mid(0x60, 2 + 3 * 6), hex("00 03") + record + record + hex("C0 00 E0 00 1F FE"));
    QCOMPARE(slotOffset(p, 15), 0x0060 + 2 + 3 * 6);
}

void TestPsiVmProgram::emptyProgram_data()
{
    QTest::addColumn<int>("filterDefault");
    QTest::addColumn<QByteArray>("defaultRecord");
    QTest::newRow("drop") << int(ActionDrop) << hex("80 00 E0 00 1F FE");
    QTest::newRow("pass") << int(ActionPass) << hex("C0 00 E0 00 1F FE");
    QTest::newRow("remap") << int(ActionRemap) << hex("D0 00 E0 00 1F FE");
}

void TestPsiVmProgram::emptyProgram()
{
    QFETCH(int, filterDefault);
    QFETCH(QByteArray, defaultRecord);
    TransportStreamCfg cfg = noTables();
    cfg.filterDefault = filterDefault;
    QByteArray expected(96, '\xFF');
    expected[28] = 0x00;
    expected[29] = 0x60;
    expected[30] = 0x00;
    expected[31] = 0x68;
    expected += hex("00 01") + defaultRecord + hex("04 00 00 01 FF FF");
    QCOMPARE(expected.size(), 110);
    PSI_COMPARE_BYTES(built(cfg), expected);
}

void TestPsiVmProgram::sectionImages_data()
{
    QTest::addColumn<TransportStreamCfg>("cfg");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QByteArray>("image");

    TransportStreamCfg pat = noTables();
    pat.patEnabled = true;
    pat.id = 0x0001;
    pat.nitEnabled = true;
    pat.services << service(0x0101, 0x0100);
    QTest::newRow("PAT with network entry") << pat << 0
                                            << hex("00 00 B0 00 00 01 C1 00 00 00 00 E0 10 01 01 E1 00");
    pat.services << service(0x0202, 0x0200, false);
    QTest::newRow("PAT lists a service without PMT too")
        << pat << 0 << hex("00 00 B0 00 00 01 C1 00 00 00 00 E0 10 01 01 E1 00 02 02 E2 00");
    TransportStreamCfg patNoNit = pat;
    patNoNit.nitEnabled = false;
    patNoNit.services.removeLast();
    QTest::newRow("PAT without NIT has no program 0")
        << patNoNit << 0 << hex("00 00 B0 00 00 01 C1 00 00 01 01 E1 00");
    patNoNit.services.clear();
    QTest::newRow("PAT header alone") << patNoNit << 0 << hex("00 00 B0 00 00 01 C1 00 00");

    TransportStreamCfg pmt = noTables();
    ServiceCfg s = service(0x0101, 0x0100);
    s.pcrPid = 0x0101;
    ESCfg video;
    video.type = EsMpeg2Video;
    video.pid = 0x0101;
    s.elements << video;
    pmt.services << s;
    QTest::newRow("PMT without CA: program_info_length 0")
        << pmt << 16 << hex("00 02 B0 00 01 01 C1 00 00 E1 01 F0 00 02 E1 01 F0 00");
    pmt.services[0].caEnabled = true;
    pmt.services[0].caId = 0x0B00;
    pmt.services[0].ecmPid = 0x0200;
    QTest::newRow("PMT with CA descriptor")
        << pmt << 16 << hex("00 02 B0 00 01 01 C1 00 00 E1 01 F0 06 09 04 0B 00 E2 00 02 E1 01 F0 00");
    TransportStreamCfg ttx = noTables();
    ServiceCfg t = service(0x0101, 0x0100);
    ESCfg teletext;
    teletext.type = EsTeletext;
    teletext.pid = 0x0300;
    teletext.language = QStringLiteral("deu");
    ESCfg unknown;
    unknown.type = 7;
    unknown.pid = 0x0400;
    ESCfg audio;
    audio.type = EsMpeg2Audio;
    audio.pid = 0x0102;
    audio.language = QStringLiteral("eng");
    ESCfg h264;
    h264.type = EsH264Video;
    h264.pid = 0x0103;
    t.elements << teletext << unknown << audio << h264;
    ttx.services << t;
    QTest::newRow("PMT teletext entry; unknown type left out; audio has no language")
        << ttx << 16
        << hex("00 02 B0 00 01 01 C1 00 00 E0 00 F0 00"
               "06 E3 00 F0 07 56 05 64 65 75 09 00"
               "03 E1 02 F0 00"
               "1B E1 03 F0 00");
    ttx.services[0].elements[0].teletextPage = 899;
    QTest::newRow("teletext page 899 is magazine 0, page 0x99")
        << ttx << 16
        << hex("00 02 B0 00 01 01 C1 00 00 E0 00 F0 00 06 E3 00 F0 07 56 05 64 65 75 08 99"
               "03 E1 02 F0 00 1B E1 03 F0 00");

    TransportStreamCfg sdt = noTables();
    sdt.sdtEnabled = true;
    sdt.eitEnabled = true;
    sdt.id = 0x0001;
    sdt.origId = 0x0002;
    ServiceCfg tv = service(0x0101, 0x0100, false);
    tv.providerName = QStringLiteral("P");
    tv.serviceName = QStringLiteral("S");
    sdt.services << tv;
    const QByteArray head = hex("00 42 F0 00 00 01 C1 00 00 00 02 FF");
    QTest::newRow("SDT service entry") << sdt << 2 << head + hex("01 01 FD 80 07 48 05 01 01 50 01 53");
    sdt.services[0].caEnabled = true;
    sdt.services[0].caId = 0x0B00;
    QTest::newRow("SDT service entry with CA")
        << sdt << 2 << head + hex("01 01 FD 90 0B 48 05 01 01 50 01 53 53 02 0B 00");
    sdt.services[0].caEnabled = false;
    ServiceCfg radio = service(0x0202, 0x0200, false);
    radio.type = ServiceDigitalRadio;
    radio.serviceName = QStringLiteral("\u00C4rger"); // Latin-1: selector 10 00 01
    sdt.services << radio;
    sdt.eitEnabled = false;
    QTest::newRow("SDT without EIT; radio; Latin-1 name")
        << sdt << 2
        << head + hex("01 01 FC 80 07 48 05 01 01 50 01 53"
                      "02 02 FC 80 0D 48 0B 02 00 08 10 00 01 C4 72 67 65 72");
    sdt.services.removeFirst();
    sdt.services[0].serviceName = QStringLiteral("\u0420\u0422"); // Cyrillic: selector 15, UTF-8
    QTest::newRow("SDT UTF-8 name")
        << sdt << 2 << head + hex("02 02 FC 80 0A 48 08 02 00 05 15 D0 A0 D0 A2");

    TransportStreamCfg eit = noTables();
    eit.eitEnabled = true;
    eit.id = 0x0001;
    eit.origId = 0x0002;
    ServiceCfg ev = service(0x0101, 0x0100);
    ev.language = QStringLiteral("eng");
    ev.eventName = QStringLiteral("N");
    eit.services << ev;
    const QByteArray eitHead = hex("00 4E F0 00 01 01 C1 00 00 00 01 00 02 00 4E 00 01 FF FF FF FF FF FF FF FF");
    QTest::newRow("EIT image") << eit << 32 << eitHead + hex("00 08 4D 06 65 6E 67 01 4E 00");
    eit.services[0].caEnabled = true;
    QTest::newRow("EIT with CA sets free_CA_mode") << eit << 32 << eitHead + hex("10 08 4D 06 65 6E 67 01 4E 00");
    eit.services[0].caEnabled = false;
    eit.services[0].language.clear();
    eit.services[0].eventText = QStringLiteral("Tx");
    QTest::newRow("EIT empty language is three blanks")
        << eit << 32 << eitHead + hex("00 0A 4D 08 20 20 20 01 4E 02 54 78");

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
    PSI_COMPARE_BYTES(imageOfSlot(p, slot), image);
    // Images are padded to an even offset with 0xFF.
    const int start = p.indexOf(image, 96);
    QVERIFY(start >= 96 && start % 2 == 0);
    if (image.size() % 2)
        QCOMPARE(quint8(p.at(start + image.size())), quint8(0xFF));
}

void TestPsiVmProgram::patAtStartOfProgram()
{
    TransportStreamCfg cfg = noTables();
    cfg.id = 0x0001;
    cfg.nitEnabled = true;
    cfg.services << service(0x0101, 0x0100);
    PsiVmProgram prog;
    prog.clearProgram();
    prog.generatePAT(cfg, 0);
    const QByteArray p = prog.program();
    PSI_COMPARE_BYTES(p.mid(0x60), hex("00 00 B0 00 00 01 C1 00 00 00 00 E0 10 01 01 E1 00 FF"
                                       "80 11 00 60 02 00 03 00 00 00 FF FF"));
    QCOMPARE(p.mid(0, 2), hex("00 72"));

    cfg.playoutTimings = true;
    cfg.patTime = 475;
    prog.clearProgram();
    prog.generatePAT(cfg, 0);
    PSI_COMPARE_BYTES(prog.program().mid(0x72), hex("07 00 01 DB 80 11 00 60 02 00 03 00 00 00 FF FF"));
}

void TestPsiVmProgram::nitRoutine()
{
    TransportStreamCfg cfg = noTables();
    cfg.nitEnabled = true;
    cfg.netId = 0x3001;
    cfg.netName = QStringLiteral("Net");
    cfg.id = 0x0001;
    cfg.origId = 0x0002;
    ServiceCfg tv = service(0x0101, 0x0100);
    tv.lcEnabled = true;
    tv.lcNumber = 5;
    ServiceCfg radio = service(0x0202, 0x0200);
    radio.type = ServiceDigitalRadio;
    ServiceCfg hidden = service(0x0303, 0x0300);
    hidden.lcEnabled = true;
    hidden.lcVisible = false;
    hidden.lcNumber = 5;
    cfg.services << tv << radio << hidden;
    cfg.playoutTimings = true;
    cfg.nitTime = 10000;

    PsiVmProgram prog;
    prog.clearProgram();
    prog.generateNIT(cfg, 0);
    // Pieces at 0x60 (16 bytes), 0x70 (4), 0x74 (9 + pad), 0x7E (8); routine at 0x86.
    PSI_COMPARE_BYTES(prog.program().mid(0x60),
                      hex("00 40 F0 00 30 01 C1 00 00 F0 05 40 03 4E 65 74"
                          "00 01 00 02"
                          "01 01 01 02 02 02 03 03 01 FF"
                          "01 01 FC 05 03 03 7C 05"
                          "07 00 27 10 80 10 00 60 18 F0 80 04 00 70 18 F0 01 41 28 00"
                          "80 09 00 74 02 01 27 00 01 83 28 00 80 08 00 7E 02 03 27 00"
                          "13 00 13 00 03 00 00 10 FF FF"));
    QCOMPARE(slotOffset(prog.program(), 1), 0x86);

    // Without services both descriptors stay, with empty copies.
    cfg.services.clear();
    cfg.playoutTimings = false;
    cfg.netName.clear();
    prog.clearProgram();
    prog.generateNIT(cfg, 3);
    PSI_COMPARE_BYTES(prog.program().mid(0x60),
                      hex("00 40 F0 00 30 01 C1 00 00 F0 02 40 00 FF"
                          "00 01 00 02"
                          "80 0D 00 60 18 F0 80 04 00 6E 18 F0 01 41 28 00"
                          "80 00 00 72 02 01 27 00 01 83 28 00 80 00 00 72 02 03 27 00"
                          "13 00 13 00 03 03 00 10 FF FF"));
}

void TestPsiVmProgram::tdtRoutines_data()
{
    QTest::addColumn<bool>("realTime");
    QTest::addColumn<bool>("playout");
    QTest::addColumn<QByteArray>("block");

    QTest::newRow("static with playout timings")
        << false << true << hex("00 70 70 00 00 00 00 00 00 FF 07 00 75 30 80 09 00 60 03 00 00 14 FF FF");
    QTest::newRow("static") << false << false << hex("00 70 70 00 00 00 00 00 00 FF 80 09 00 60 03 00 00 14 FF FF");
    QTest::newRow("real time") << true << false << hex("05 04 FF FF");
    QTest::newRow("real time with playout timings") << true << true << hex("07 00 75 30 05 04 FF FF");
}

void TestPsiVmProgram::tdtRoutines()
{
    QFETCH(bool, realTime);
    QFETCH(bool, playout);
    QFETCH(QByteArray, block);
    TransportStreamCfg cfg = noTables();
    cfg.tdtEnabled = true;
    cfg.realTdt = realTime;
    cfg.playoutTimings = playout;
    cfg.tdtTime = 30000;
    const QByteArray p = built(cfg);
    PSI_COMPARE_BYTES(p.mid(0x60, block.size()), block);
    const int routine = realTime ? 0x60 : 0x6A;
    QCOMPARE(slotOffset(p, 3), routine);
    // The filter table follows directly.
    QCOMPARE(slotOffset(p, 14), 0x60 + int(block.size()));
}

void TestPsiVmProgram::eitIntervalHalved()
{
    TransportStreamCfg cfg = noTables();
    cfg.eitEnabled = true;
    cfg.playoutTimings = true;
    cfg.services << service(1, 0x100) << service(2, 0x200);
    cfg.eitTime = 1001;
    QByteArray p = built(cfg);
    QVERIFY(routineOfSlot(p, 32).startsWith(hex("07 00 01 F4")));
    QVERIFY(routineOfSlot(p, 33).startsWith(hex("07 00 01 F4")));
    cfg.eitTime = 2000;
    p = built(cfg);
    QVERIFY(routineOfSlot(p, 32).startsWith(hex("07 00 03 E8")));
}

void TestPsiVmProgram::eitDebugLine()
{
    TransportStreamCfg cfg = noTables();
    cfg.eitEnabled = true;
    cfg.patEnabled = true;
    cfg.services << service(0x0101, 0x100) << service(0x0202, 0x200, false) << service(0x0303, 0x300);
    PsiVmProgram prog;
    psitest::MessageCapture capture;
    prog.buildProgram(cfg);
    QCOMPARE(capture.debugs(), (QStringList{QStringLiteral("generateEIT(...,[..., 257], 32, 1)"),
                                            QStringLiteral("generateEIT(...,[..., 771], 33, 1)")}));
}

void TestPsiVmProgram::contextsInGenerationOrder_data()
{
    QTest::addColumn<bool>("realTime");
    QTest::addColumn<QList<int>>("slotList");
    QTest::addColumn<QList<int>>("contexts");
    // slots: PAT, NIT, SDT, TDT, PMT 1, PMT 2, EIT 1, EIT 2
    const QList<int> slotList{0, 1, 2, 3, 16, 17, 32, 33};
    QTest::newRow("static TDT") << false << slotList << QList<int>{0, 1, 2, 3, 5, 6, 4, 4};
    QTest::newRow("real-time TDT takes no context") << true << slotList << QList<int>{0, 1, 2, -1, 4, 5, 3, 3};
}

void TestPsiVmProgram::contextsInGenerationOrder()
{
    QFETCH(bool, realTime);
    QFETCH(QList<int>, slotList);
    QFETCH(QList<int>, contexts);
    TransportStreamCfg cfg;
    cfg.realTdt = realTime;
    cfg.services << service(1, 0x100) << service(2, 0x200);
    const QByteArray p = built(cfg);
    QList<int> actual;
    for (int slot : slotList)
        actual << contextOfSlot(p, slot);
    QCOMPARE(actual, contexts);
}

void TestPsiVmProgram::slotsSkipServiceWithoutPmt()
{
    TransportStreamCfg cfg = noTables();
    cfg.eitEnabled = true;
    cfg.services << service(0x0001, 0x0100) << service(0x0002, 0x0200, false) << service(0x0003, 0x0300);
    const QByteArray p = built(cfg);
    // PMT images name the program_number at bytes 4 and 5.
    QCOMPARE(imageOfSlot(p, 16).mid(4, 2), hex("00 01"));
    QCOMPARE(imageOfSlot(p, 17).mid(4, 2), hex("00 03"));
    QVERIFY(routineOfSlot(p, 17).contains(hex("03 02 03 00"))); // send on PMT PID 0x0300, context 2
    QCOMPARE(imageOfSlot(p, 32).mid(4, 2), hex("00 01"));
    QCOMPARE(imageOfSlot(p, 33).mid(4, 2), hex("00 03"));
    QCOMPARE(slotOffset(p, 18), 0xFFFF);
    QCOMPARE(slotOffset(p, 34), 0xFFFF);
}

void TestPsiVmProgram::eitWithoutPmtServices()
{
    TransportStreamCfg cfg = noTables();
    cfg.eitEnabled = true;
    cfg.services << service(1, 0x100, false);
    const QByteArray without = built(cfg);
    for (int slot = 16; slot < 48; ++slot)
        QCOMPARE(slotOffset(without, slot), 0xFFFF);
    // The EIT context is used up all the same: the next PMT gets context 1.
    cfg.services << service(2, 0x200);
    QCOMPARE(contextOfSlot(built(cfg), 16), 1);
}

void TestPsiVmProgram::noIntervalWithoutPlayoutTimings()
{
    TransportStreamCfg cfg;
    cfg.services << service(1, 0x100) << service(2, 0x200);
    const QByteArray p = built(cfg);
    for (int slot : {0, 1, 2, 3, 16, 17, 32, 33}) {
        const QByteArray r = routineOfSlot(p, slot);
        QVERIFY2(quint8(r.at(0)) != 0x07, qPrintable(QStringLiteral("slot %1").arg(slot)));
        for (int at = 0; at < r.size(); at += instructionSize(quint8(r.at(at))))
            QVERIFY(quint8(r.at(at)) != 0x07);
    }
    cfg.playoutTimings = true;
    const QByteArray timed = built(cfg);
    const QList<QPair<int, quint16>> intervals{{0, 475}, {1, 5000}, {2, 1000}, {3, 15000}, {16, 475}, {32, 500}};
    for (const auto &[slot, ms] : intervals) {
        const QByteArray r = routineOfSlot(timed, slot);
        QCOMPARE(r.left(4), hex("07 00") + QByteArray(1, char(ms >> 8)) + QByteArray(1, char(ms & 0xFF)));
    }
}

void TestPsiVmProgram::dumpFormat_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray() << QByteArray("unsigned char psivm_prog[0] = {\n};\n");
    QTest::newRow("nine bytes") << hex("00 01 02 03 04 05 06 07 AB")
                                << QByteArray("unsigned char psivm_prog[9] = {\n"
                                              "\t0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, \n"
                                              "\t0xab\n"
                                              "};\n");
    QTest::newRow("exactly eight") << hex("FF FE FD FC FB FA F9 F8")
                                   << QByteArray("unsigned char psivm_prog[8] = {\n"
                                                 "\t0xff, 0xfe, 0xfd, 0xfc, 0xfb, 0xfa, 0xf9, 0xf8\n"
                                                 "};\n");
}

void TestPsiVmProgram::dumpFormat()
{
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, text);
    QCOMPARE(PsiVmProgram::dumpText(program), text);
}

QTEST_APPLESS_MAIN(TestPsiVmProgram)
#include "test_psivmprogram.moc"
