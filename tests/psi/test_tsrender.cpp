// The transport stream that `velunor-cli ts` writes, read back packet by packet
// as a receiver's demultiplexer would (ISO/IEC 13818-1 2.4.3, 2.4.4): packet
// headers, continuity counters, section reassembly across packets, stuffing,
// repetition rates and the TDT.

#include <QtTest>

#include <QMap>

#include "config/model.h"
#include "psi/mbnprogram.h"
#include "psi/psivmprogram.h"
#include "psi/tsrender.h"
#include "tests/common/filehelpers.h"
#include "psitestutil.h"

using PidMap = QMap<int, int>;

using psitest::crc32Mpeg2;
using psitest::hex;

namespace {

constexpr int P = TsRenderer::PacketSize;

int pidOf(const QByteArray &ts, qsizetype at)
{
    return ((quint8(ts.at(at + 1)) & 0x1F) << 8) | quint8(ts.at(at + 2));
}

// A section as received: where its first packet was and what it carried.
struct Received {
    qint64 packet = 0;
    QByteArray bytes;
};

// Demultiplexes every PID but the null PID. Returns the first fault in the
// packet layer or the section layer, with the packet index, or nothing.
QString demux(const QByteArray &ts, QMap<int, QList<Received>> *sections)
{
    if (ts.size() % P != 0)
        return QStringLiteral("stream of %1 bytes is not whole packets").arg(ts.size());
    QMap<int, int> lastCc;
    QMap<int, Received> open;
    for (qsizetype at = 0; at < ts.size(); at += P) {
        const qint64 n = at / P;
        const auto b = [&](int i) { return quint8(ts.at(at + i)); };
        const int pid = pidOf(ts, at);
        if (b(0) != 0x47)
            return QStringLiteral("packet %1: sync byte 0x%2").arg(n).arg(b(0), 2, 16);
        if (b(1) & 0x80)
            return QStringLiteral("packet %1: transport_error_indicator set").arg(n);
        if ((b(3) & 0xF0) != 0x10)
            return QStringLiteral("packet %1: scrambling/adaptation bits 0x%2, not payload only")
                .arg(n)
                .arg(b(3) >> 4, 1, 16);
        const QByteArray payload = ts.mid(at + 4, P - 4);
        if (pid == TsRenderer::NullPid) {
            if (b(1) & 0x40)
                return QStringLiteral("packet %1: null packet with payload_unit_start_indicator").arg(n);
            if (payload != QByteArray(P - 4, char(0xFF)))
                return QStringLiteral("packet %1: null packet payload is not all 0xFF").arg(n);
            continue;
        }
        const int cc = b(3) & 0x0F;
        if (lastCc.contains(pid) && cc != ((lastCc.value(pid) + 1) & 0x0F))
            return QStringLiteral("packet %1: PID 0x%2 continuity_counter %3 after %4")
                .arg(n)
                .arg(pid, 4, 16, QLatin1Char('0'))
                .arg(cc)
                .arg(lastCc.value(pid));
        lastCc[pid] = cc;
        QByteArray data = payload;
        if (b(1) & 0x40) {
            if (open.contains(pid))
                return QStringLiteral("packet %1: new section on PID 0x%2 before the last one ended")
                    .arg(n)
                    .arg(pid, 4, 16, QLatin1Char('0'));
            if (data.at(0) != 0)
                return QStringLiteral("packet %1: pointer_field %2, expected 0").arg(n).arg(int(data.at(0)));
            open[pid] = Received{n, QByteArray()};
            data.remove(0, 1);
        } else if (!open.contains(pid)) {
            return QStringLiteral("packet %1: continuation on PID 0x%2 with no section started")
                .arg(n)
                .arg(pid, 4, 16, QLatin1Char('0'));
        }
        Received &r = open[pid];
        r.bytes += data;
        if (r.bytes.size() < 3)
            return QStringLiteral("packet %1: section header cut").arg(n);
        const int total = 3 + (((quint8(r.bytes.at(1)) & 0x0F) << 8) | quint8(r.bytes.at(2)));
        if (r.bytes.size() >= total) {
            const QByteArray rest = r.bytes.mid(total);
            if (rest != QByteArray(rest.size(), char(0xFF)))
                return QStringLiteral("packet %1: bytes after the section on PID 0x%2 are not stuffing")
                    .arg(n)
                    .arg(pid, 4, 16, QLatin1Char('0'));
            r.bytes.truncate(total);
            (*sections)[pid].append(r);
            open.remove(pid);
        }
    }
    return QString();
}

QByteArray buildProgram(const TransportStreamCfg &cfg)
{
    PsiVmProgram program;
    program.setDumpEnabled(false);
    psitest::MessageCapture quiet; // the EIT debug lines
    program.buildProgram(cfg);
    return program.program();
}

// The sections the program's routines send, by PID, as the device assembles
// them; the real-time TDT, whose time changes, as an empty entry on 0x0014.
QMap<int, QList<QByteArray>> routineSections(const MbnProgram &program)
{
    QMap<int, QList<QByteArray>> out;
    for (const MbnRoutine &routine : program.routines()) {
        MbnSentSection sent;
        QString error;
        if (!program.run(routine, &sent, &error))
            continue;
        if (sent.realTimeTdt)
            out[TsRenderer::TdtPid].append(QByteArray());
        else if (sent.pid >= 0)
            out[sent.pid].append(sent.section);
    }
    return out;
}

bool isTdt(const QByteArray &section)
{
    return section.size() == 8 && section.startsWith(QByteArray("\x70\x70\x05", 3));
}

QByteArray render(const QByteArray &bytes, int seconds, const QDateTime &start = QDateTime())
{
    MbnProgram program;
    if (!program.parse(bytes)) {
        qWarning("parse: %s", qPrintable(program.errorString()));
        return QByteArray();
    }
    TsRenderer renderer;
    if (!renderer.load(program)) {
        qWarning("load: %s", qPrintable(renderer.errorString()));
        return QByteArray();
    }
    if (start.isValid())
        renderer.setStartTime(start);
    return renderer.render(seconds);
}

// A configuration whose SDT needs three packets: the golden one with five
// more services with long names, none with a PMT of its own.
TransportStreamCfg longSdtConfig()
{
    TransportStreamCfg cfg = psitest::goldenConfig(QStringLiteral("all-tables"));
    for (int i = 0; i < 5; ++i) {
        ServiceCfg s;
        s.id = quint16(0x1000 + i);
        s.providerName = QStringLiteral("A provider with a rather long name %1").arg(i);
        s.serviceName = QStringLiteral("A service with a rather long name %1").arg(i);
        s.pmtEnabled = false;
        cfg.services.append(s);
    }
    return cfg;
}

// Every table enabled, with playout timings, every time set to ms: more than
// a 1000-packet-per-second stream can carry when ms is 0 or 1.
TransportStreamCfg overloadConfig(quint16 ms)
{
    TransportStreamCfg cfg = longSdtConfig();
    cfg.playoutTimings = true;
    cfg.patTime = cfg.nitTime = cfg.sdtTime = cfg.eitTime = cfg.pmtTime = cfg.tdtTime = ms;
    return cfg;
}

} // namespace

class TestTsRender : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstPacketsBytes();
    void packetLayer_data();
    void packetLayer();
    void repetition_data();
    void repetition();
    void overloadStaysBounded_data();
    void overloadStaysBounded();
    void tdtSectionBytes_data();
    void tdtSectionBytes();
    void realTimeTdtCarriesStreamTime();
    void refusedPrograms_data();
    void refusedPrograms();
};

// A program with the PAT alone: its one packet, then null packets, to the byte.
void TestTsRender::firstPacketsBytes()
{
    TransportStreamCfg cfg;
    cfg.id = 0x0001;
    cfg.sdtEnabled = cfg.nitEnabled = cfg.eitEnabled = cfg.tdtEnabled = false;
    ServiceCfg s;
    s.id = 0x0101;
    s.pmtPid = 0x0100;
    s.pmtEnabled = false;
    cfg.services.append(s);
    const QByteArray ts = render(buildProgram(cfg), 1);
    QCOMPARE(ts.size(), qsizetype(1000 * P));

    // PAT: table_id 0, section_length 13, transport_stream_id 1, version 0,
    // current; program 0x0101 on PMT PID 0x0100; CRC_32 worked out by hand.
    const QByteArray pat = hex("00 B0 0D 00 01 C1 00 00 01 01 E1 00");
    QByteArray section = pat;
    const quint32 crc = crc32Mpeg2(pat);
    for (int shift = 24; shift >= 0; shift -= 8)
        section.append(char(crc >> shift));
    QCOMPARE(section.toHex(' '), QByteArray("00 b0 0d 00 01 c1 00 00 01 01 e1 00 34 94 c4 ca"));

    const QByteArray first = hex("47 40 00 10 00") + section + QByteArray(P - 5 - section.size(), char(0xFF));
    COMPARE_BYTES(ts.left(P), first);
    const QByteArray null = hex("47 1F FF 10") + QByteArray(P - 4, char(0xFF));
    COMPARE_BYTES(ts.mid(P, P), null);
    // Next PAT at 475 ms, continuity_counter 1.
    COMPARE_BYTES(ts.mid(475 * P, 5), hex("47 40 00 11 00"));
    COMPARE_BYTES(ts.mid(474 * P, P), null);
}

// Every golden program and a three-packet SDT: the packets are well formed and
// each section that arrives is exactly one its routine sends, with a good CRC_32.
void TestTsRender::packetLayer_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<int>("longestSection");
    for (const QString &name : psitest::goldenNames)
        QTest::newRow(qPrintable(name)) << readWholeFile(psitest::goldenPath(name, ".mbn")) << -1;
    QTest::newRow("SDT over three packets") << buildProgram(longSdtConfig()) << 2 * (P - 4);
}

void TestTsRender::packetLayer()
{
    QFETCH(QByteArray, program);
    QFETCH(int, longestSection);
    MbnProgram parsed;
    QVERIFY2(parsed.parse(program), qPrintable(parsed.errorString()));
    const QMap<int, QList<QByteArray>> expected = routineSections(parsed);

    const QByteArray ts = render(program, 3);
    QCOMPARE(ts.size(), qsizetype(3000 * P));
    QMap<int, QList<Received>> received;
    const QString fault = demux(ts, &received);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));

    QCOMPARE(received.keys(), expected.keys());
    int longest = 0;
    for (auto it = received.cbegin(); it != received.cend(); ++it) {
        for (const Received &r : it.value()) {
            longest = qMax(longest, int(r.bytes.size()));
            const QList<QByteArray> &sent = expected.value(it.key());
            QVERIFY2(sent.contains(r.bytes) || (sent.contains(QByteArray()) && isTdt(r.bytes)),
                     qPrintable(QStringLiteral("packet %1 on PID 0x%2: %3")
                                    .arg(r.packet)
                                    .arg(it.key(), 4, 16, QLatin1Char('0'))
                                    .arg(QString::fromLatin1(r.bytes.toHex(' ')))));
            const bool longForm = quint8(r.bytes.at(1)) & 0x80;
            if (longForm)
                QCOMPARE(crc32Mpeg2(r.bytes), 0u);
        }
    }
    QVERIFY2(longest > longestSection, qPrintable(QString::number(longest)));
}

// Sections per PID in ten seconds: at 0 ms and every interval after, from the
// interval instructions or, without them, the defaults of a new configuration.
void TestTsRender::repetition_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<PidMap>("intervals"); // PID -> ms of each routine sending there
    QTest::addColumn<PidMap>("routinesOnPid"); // PID -> routines sending there

    const TransportStreamCfg defaults;
    TransportStreamCfg cfg = psitest::goldenConfig(QStringLiteral("all-tables"));
    QVERIFY(!cfg.playoutTimings);
    QCOMPARE(cfg.services.size(), 3);
    // Without playout timings the program's own times do not count: change
    // them to show that only the defaults are used.
    cfg.patTime = 100;
    cfg.sdtTime = 300;
    const PidMap defaultRouting{{0x0000, 1}, {0x0010, 1}, {0x0011, 1}, {0x0012, 3},
                                        {0x0014, 1}, {0x0100, 1}, {0x0300, 1}, {0x0400, 1}};
    QTest::newRow("no interval instructions: defaults")
        << buildProgram(cfg)
        << PidMap{{0x0000, defaults.patTime}, {0x0010, defaults.nitTime}, {0x0011, defaults.sdtTime},
                          {0x0012, defaults.eitTime / 2}, {0x0014, defaults.tdtTime},
                          {0x0100, defaults.pmtTime}, {0x0300, defaults.pmtTime}, {0x0400, defaults.pmtTime}}
        << defaultRouting;

    cfg.playoutTimings = true;
    cfg.patTime = 100;
    cfg.nitTime = 2500;
    cfg.sdtTime = 300;
    cfg.eitTime = 1500; // EIT routines at 750 ms
    cfg.pmtTime = 200;
    cfg.tdtTime = 4000;
    QTest::newRow("playout timings")
        << buildProgram(cfg)
        << PidMap{{0x0000, 100}, {0x0010, 2500}, {0x0011, 300}, {0x0012, 750}, {0x0014, 4000},
                          {0x0100, 200}, {0x0300, 200}, {0x0400, 200}}
        << defaultRouting;

    cfg.realTdt = true;
    cfg.tdtTime = 3000;
    QTest::newRow("playout timings, real-time TDT")
        << buildProgram(cfg)
        << PidMap{{0x0000, 100}, {0x0010, 2500}, {0x0011, 300}, {0x0012, 750}, {0x0014, 3000},
                          {0x0100, 200}, {0x0300, 200}, {0x0400, 200}}
        << defaultRouting;
}

void TestTsRender::repetition()
{
    QFETCH(QByteArray, program);
    QFETCH(PidMap, intervals);
    QFETCH(PidMap, routinesOnPid);
    const int seconds = 10;
    QMap<int, QList<Received>> received;
    const QString fault = demux(render(program, seconds), &received);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QCOMPARE(received.keys(), intervals.keys());
    for (auto it = intervals.cbegin(); it != intervals.cend(); ++it) {
        // Due at 0, interval, 2 x interval ... while before the end.
        const int perRoutine = (seconds * 1000 + it.value() - 1) / it.value();
        const QList<Received> &got = received.value(it.key());
        QVERIFY2(got.size() == perRoutine * routinesOnPid.value(it.key()),
                 qPrintable(QStringLiteral("PID 0x%1: %2 sections, expected %3")
                                .arg(it.key(), 4, 16, QLatin1Char('0'))
                                .arg(got.size())
                                .arg(perRoutine * routinesOnPid.value(it.key()))));
        // Each one goes out within a few packets of its time: the queue is short.
        for (int k = 0; k < got.size(); ++k) {
            const qint64 due = qint64(k / routinesOnPid.value(it.key())) * it.value();
            QVERIFY2(got.at(k).packet >= due && got.at(k).packet < due + 30,
                     qPrintable(QStringLiteral("PID 0x%1 section %2 in packet %3, due at %4 ms")
                                    .arg(it.key(), 4, 16, QLatin1Char('0'))
                                    .arg(k)
                                    .arg(got.at(k).packet)
                                    .arg(due)));
        }
    }
}

// Intervals of 0 and 1 ms ask for more than the stream carries: its length
// stays what was asked for, every routine still gets its turn, and no PID
// gets more than its share.
void TestTsRender::overloadStaysBounded_data()
{
    QTest::addColumn<int>("ms");
    QTest::newRow("interval 0") << 0;
    QTest::newRow("interval 1 ms") << 1;
}

void TestTsRender::overloadStaysBounded()
{
    QFETCH(int, ms);
    const QByteArray program = buildProgram(overloadConfig(quint16(ms)));
    MbnProgram parsed;
    QVERIFY(parsed.parse(program));
    const QByteArray ts = render(program, 5);
    QCOMPARE(ts.size(), qsizetype(5000 * P));
    QMap<int, QList<Received>> received;
    const QString fault = demux(ts, &received);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    for (qsizetype at = 0; at < ts.size(); at += P)
        QVERIFY2(pidOf(ts, at) != TsRenderer::NullPid, qPrintable(QString::number(at / P)));

    // Round robin: in every full round each routine sends once, so the PIDs'
    // counts, divided by the routines sending on them, differ by at most one.
    const QMap<int, QList<QByteArray>> routines = routineSections(parsed);
    QCOMPARE(received.keys(), routines.keys());
    int least = INT_MAX, most = 0;
    for (auto it = received.cbegin(); it != received.cend(); ++it) {
        const int share = int(it.value().size()) / qMax(1, int(routines.value(it.key()).size()));
        least = qMin(least, share);
        most = qMax(most, share);
    }
    QVERIFY2(least > 100 && most - least <= 1, qPrintable(QStringLiteral("%1 to %2").arg(least).arg(most)));
}

void TestTsRender::tdtSectionBytes_data()
{
    QTest::addColumn<QDateTime>("utc");
    QTest::addColumn<QByteArray>("bytes");
    const auto utc = [](int y, int mo, int d, int h, int mi, int s, int ms = 0) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
    };
    // MJD = days since 1858-11-17; EN 300 468 Annex C gives 93-10-13 as 0xC079.
    QTest::newRow("EN 300 468 Annex C example") << utc(1993, 10, 13, 12, 45, 0) << hex("70 70 05 C0 79 12 45 00");
    QTest::newRow("2026-12-06 13:45:30, MJD 61380") << utc(2026, 12, 6, 13, 45, 30)
                                                    << hex("70 70 05 EF C4 13 45 30");
    QTest::newRow("milliseconds dropped") << utc(1999, 12, 31, 23, 59, 59, 999) << hex("70 70 05 C9 57 23 59 59");
    QTest::newRow("MJD 0") << utc(1858, 11, 17, 0, 0, 0) << hex("70 70 05 00 00 00 00 00");
    QTest::newRow("local time converted to UTC")
        << QDateTime(QDate(2026, 12, 6), QTime(14, 45, 30), QTimeZone(3600)) << hex("70 70 05 EF C4 13 45 30");
}

void TestTsRender::tdtSectionBytes()
{
    QFETCH(QDateTime, utc);
    QFETCH(QByteArray, bytes);
    COMPARE_BYTES(TsRenderer::tdtSection(utc), bytes);
}

// The real-time TDT goes out on PID 0x0014 with the start time plus the
// stream time at which its packet is sent.
void TestTsRender::realTimeTdtCarriesStreamTime()
{
    const QByteArray program = readWholeFile(psitest::goldenPath(QStringLiteral("real-time-tdt"), ".mbn"));
    const TransportStreamCfg cfg = psitest::goldenConfig(QStringLiteral("real-time-tdt"));
    QVERIFY(cfg.realTdt && cfg.tdtEnabled);
    const int interval = cfg.playoutTimings ? cfg.tdtTime : TransportStreamCfg().tdtTime;
    const QDateTime start(QDate(2026, 12, 6), QTime(23, 59, 50, 600), Qt::UTC);
    QMap<int, QList<Received>> received;
    const QString fault = demux(render(program, 2 * interval / 1000 + 1, start), &received);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    const QList<Received> tdts = received.value(0x0014);
    QCOMPARE(tdts.size(), 3);
    for (const Received &tdt : tdts)
        COMPARE_BYTES(tdt.bytes, TsRenderer::tdtSection(start.addMSecs(tdt.packet)));
    // Across midnight the date moves on too.
    COMPARE_BYTES(tdts.at(1).bytes.mid(3, 2), TsRenderer::tdtSection(start.addDays(1)).mid(3, 2));
}

// Routines that run but cannot go on air are refused at the send instruction.
void TestTsRender::refusedPrograms_data()
{
    QTest::addColumn<int>("pid");
    QTest::addColumn<QString>("reason");
    QTest::newRow("null PID") << 0x1FFF << QStringLiteral("routine in slot 0 sends on the null PID 0x1FFF");
    QTest::newRow("beyond 13 bits") << 0x2000
                                    << QStringLiteral("routine in slot 0 sends on 0x2000, which is not a 13-bit PID");
}

void TestTsRender::refusedPrograms()
{
    QFETCH(int, pid);
    QFETCH(QString, reason);
    TransportStreamCfg cfg;
    cfg.nitEnabled = cfg.sdtEnabled = cfg.eitEnabled = cfg.tdtEnabled = false;
    QByteArray bytes = buildProgram(cfg);
    // The PAT routine: copy, list marker, send (03 context PID), end.
    const int routine = psitest::slotOffset(bytes, 0);
    const int send = int(bytes.indexOf(QByteArray("\x03\x00\x00\x00", 4), routine));
    QVERIFY(send > routine);
    bytes[send + 2] = char(pid >> 8);
    bytes[send + 3] = char(pid & 0xFF);
    MbnProgram program;
    QVERIFY2(program.parse(bytes), qPrintable(program.errorString()));
    TsRenderer renderer;
    QVERIFY(!renderer.load(program));
    QCOMPARE(renderer.errorString(), reason);
    QCOMPARE(renderer.errorOffset(), send);
}

QTEST_GUILESS_MAIN(TestTsRender)
#include "test_tsrender.moc"
