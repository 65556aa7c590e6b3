// The transport stream that `velunor-cli ts` writes, read back packet by packet
// as a receiver's demultiplexer would (ISO/IEC 13818-1 2.4.3, 2.4.4).

#include <QtTest>

#include <QMap>

#include "config/model.h"
#include "mbn/mbnprogram.h"
#include "psi/psivmprogram.h"
#include "mbn/tsrender.h"
#include "tests/common/filehelpers.h"
#include "tests/common/psitestutil.h"

using PidMap = QMap<int, int>;
using psitest::crc32Mpeg2;
using psitest::hex;

namespace {

constexpr int P = TsRenderer::PacketSize;

int pidOf(const QByteArray &ts, qsizetype at)
{
    return ((quint8(ts.at(at + 1)) & 0x1F) << 8) | quint8(ts.at(at + 2));
}

struct Received {
    qint64 packet = 0; // where the section started
    QByteArray bytes;
};
using Sections = QMap<int, QList<Received>>;

// Demultiplexes every PID but the null PID; the first fault in the packet or
// section layer, or nothing.
QString demux(const QByteArray &ts, Sections *sections)
{
    QMap<int, int> lastCc;
    QMap<int, Received> open;
    for (qsizetype at = 0; at < ts.size(); at += P) {
        const auto b = [&](int i) { return quint8(ts.at(at + i)); };
        const int pid = pidOf(ts, at);
        const auto fault = [&](const char *what) {
            return QStringLiteral("packet %1, PID 0x%2: %3")
                .arg(at / P)
                .arg(pid, 4, 16, QLatin1Char('0'))
                .arg(QLatin1String(what));
        };
        if (b(0) != 0x47)
            return fault("sync byte");
        if (b(1) & 0x80)
            return fault("transport_error_indicator set");
        if ((b(3) & 0xF0) != 0x10)
            return fault("scrambled or with an adaptation field");
        const bool unitStart = b(1) & 0x40;
        QByteArray data = ts.mid(at + 4, P - 4);
        if (pid == Pid::Null) {
            if (unitStart || data != QByteArray(P - 4, char(0xFF)))
                return fault("null packet with payload_unit_start_indicator or data");
            continue;
        }
        const int cc = b(3) & 0x0F;
        if (lastCc.contains(pid) && cc != ((lastCc.value(pid) + 1) & 0x0F))
            return fault("continuity_counter out of step");
        lastCc[pid] = cc;
        if (unitStart) {
            if (open.contains(pid))
                return fault("new section before the last one ended");
            if (data.at(0) != 0)
                return fault("pointer_field not 0");
            open[pid] = Received{at / P, QByteArray()};
            data.remove(0, 1);
        } else if (!open.contains(pid)) {
            return fault("continuation with no section started");
        }
        Received &r = open[pid];
        r.bytes += data;
        const int total = 3 + (((quint8(r.bytes.at(1)) & 0x0F) << 8) | quint8(r.bytes.at(2)));
        if (r.bytes.size() < total)
            continue;
        if (r.bytes.mid(total) != QByteArray(r.bytes.size() - total, char(0xFF)))
            return fault("bytes after the section are not stuffing");
        r.bytes.truncate(total);
        (*sections)[pid].append(r);
        open.remove(pid);
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

// The sections the routines send, by PID; the real-time TDT, whose time
// changes, as an empty entry.
QMap<int, QList<QByteArray>> routineSections(const QByteArray &bytes)
{
    MbnProgram program;
    if (!program.parse(bytes))
        qWarning("parse: %s", qPrintable(program.errorString()));
    QMap<int, QList<QByteArray>> out;
    for (const MbnRoutine &routine : program.routines()) {
        MbnSentSection sent;
        QString error;
        if (program.run(routine, &sent, &error) && (sent.realTimeTdt || sent.pid >= 0))
            out[sent.realTimeTdt ? Pid::Tdt : sent.pid].append(sent.realTimeTdt ? QByteArray() : sent.section);
    }
    return out;
}

// Renders `seconds` of the program from `start` and demultiplexes it: the
// first fault, or nothing.
QString renderAndDemux(const QByteArray &bytes, int seconds, Sections *sections, QByteArray *stream = nullptr,
                       const QDateTime &start = QDateTime())
{
    MbnProgram program;
    TsRenderer renderer;
    if (!program.parse(bytes) || !renderer.load(program))
        return program.errorString() + renderer.errorString();
    if (start.isValid())
        renderer.setStartTime(start);
    const QByteArray ts = renderer.render(seconds);
    if (stream)
        *stream = ts;
    if (ts.size() != qsizetype(seconds) * 1000 * P)
        return QStringLiteral("%1 bytes for %2 s").arg(ts.size()).arg(seconds);
    return demux(ts, sections);
}

// The golden configuration and five more services with long names, none with
// a PMT: its SDT needs three packets.
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

} // namespace

class TestTsRender : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstPacketsBytes();
    void onAir_data();
    void onAir();
    void overloadStaysBoundedAndFair_data();
    void overloadStaysBoundedAndFair();
    void tdtSectionBytes_data();
    void tdtSectionBytes();
    void realTimeTdtCarriesStreamTime();
};

// The PAT alone: its one packet, then null packets, to the byte.
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
    Sections received;
    QByteArray ts;
    const QString fault = renderAndDemux(buildProgram(cfg), 1, &received, &ts);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));

    // table_id 0, section_length 13, transport_stream_id 1, version 0, current;
    // program 0x0101 on PMT PID 0x0100; CRC_32 worked out by hand.
    const QByteArray pat = hex("00 B0 0D 00 01 C1 00 00 01 01 E1 00 34 94 C4 CA");
    QCOMPARE(crc32Mpeg2(pat), 0u);
    const QByteArray null = hex("47 1F FF 10") + QByteArray(P - 4, char(0xFF));
    COMPARE_BYTES(ts.left(P), hex("47 40 00 10 00") + pat + QByteArray(P - 5 - pat.size(), char(0xFF)));
    COMPARE_BYTES(ts.mid(P, P), null);
    COMPARE_BYTES(ts.mid(474 * P, P), null);
    COMPARE_BYTES(ts.mid(475 * P, 5), hex("47 40 00 11 00")); // next PAT at 475 ms, counter 1
}

// Programs on air, read back by a receiver: every section that arrives is
// exactly one its routine sends, with a CRC_32 that checks. Where intervals
// are given, each PID carries a section per routine at 0 ms and every interval
// after, from the interval instructions or, without them, the defaults of a
// new configuration; each within a few packets of its time.
void TestTsRender::onAir_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<PidMap>("intervals"); // PID -> ms between a routine's sections; empty: not checked
    for (const QString &name : psitest::goldenNames)
        QTest::newRow(qPrintable(name)) << readWholeFile(psitest::goldenPath(name, ".mbn")) << PidMap();
    const QByteArray longSdt = buildProgram(longSdtConfig());
    QVERIFY(routineSections(longSdt).value(0x0011).value(0).size() > 2 * (P - 4));
    QTest::newRow("SDT over three packets") << longSdt << PidMap();

    const TransportStreamCfg d;
    TransportStreamCfg cfg = psitest::goldenConfig(QStringLiteral("all-tables"));
    QVERIFY(!cfg.playoutTimings && cfg.services.size() == 3);
    cfg.patTime = 100; // not used without playout timings
    cfg.sdtTime = 300;
    QTest::newRow("no interval instructions: defaults")
        << buildProgram(cfg)
        << PidMap{{0x0000, d.patTime}, {0x0010, d.nitTime}, {0x0011, d.sdtTime}, {0x0012, d.eitTime / 2},
                  {0x0014, d.tdtTime}, {0x0100, d.pmtTime}, {0x0300, d.pmtTime}, {0x0400, d.pmtTime}};
    cfg.playoutTimings = true;
    cfg.nitTime = 2500;
    cfg.eitTime = 1500; // EIT routines at 750 ms
    cfg.pmtTime = 200;
    cfg.tdtTime = 4000;
    PidMap timed{{0x0000, 100}, {0x0010, 2500}, {0x0011, 300}, {0x0012, 750},
                 {0x0014, 4000}, {0x0100, 200}, {0x0300, 200}, {0x0400, 200}};
    QTest::newRow("playout timings") << buildProgram(cfg) << timed;
    cfg.realTdt = true;
    cfg.tdtTime = timed[0x0014] = 3000;
    QTest::newRow("playout timings, real-time TDT") << buildProgram(cfg) << timed;
}

void TestTsRender::onAir()
{
    QFETCH(QByteArray, program);
    QFETCH(PidMap, intervals);
    const QMap<int, QList<QByteArray>> expected = routineSections(program);
    Sections received;
    const QString fault = renderAndDemux(program, 10, &received);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QCOMPARE(received.keys(), expected.keys());
    QVERIFY(intervals.isEmpty() || intervals.keys() == received.keys());
    for (auto it = received.cbegin(); it != received.cend(); ++it) {
        const QList<QByteArray> &sent = expected.value(it.key());
        for (const Received &r : it.value()) {
            const bool realTimeTdt = sent.contains(QByteArray()) && r.bytes.size() == 8 && r.bytes.startsWith(hex("70 70 05"));
            QVERIFY2(realTimeTdt || sent.contains(r.bytes),
                     qPrintable(QStringLiteral("packet %1: %2").arg(r.packet).arg(QString::fromLatin1(r.bytes.toHex(' ')))));
            if (quint8(r.bytes.at(1)) & 0x80) // long form
                QCOMPARE(crc32Mpeg2(r.bytes), 0u);
        }
        if (intervals.isEmpty())
            continue;
        const int interval = intervals.value(it.key());
        const int perRoutine = (10000 + interval - 1) / interval; // due at 0, interval, ... before the end
        QVERIFY2(it.value().size() == perRoutine * sent.size(),
                 qPrintable(QStringLiteral("PID 0x%1: %2 sections").arg(it.key(), 0, 16).arg(it.value().size())));
        for (int k = 0; k < it.value().size(); ++k) {
            const qint64 due = qint64(k / sent.size()) * interval, packet = it.value().at(k).packet;
            QVERIFY2(packet >= due && packet < due + 30, // the queue is short
                     qPrintable(QStringLiteral("PID 0x%1 section %2 in packet %3, due at %4 ms")
                                    .arg(it.key(), 0, 16).arg(k).arg(packet).arg(due)));
        }
    }
}

// Every table at 0 or 1 ms asks for more than the stream carries: its length
// stays what was asked for, with no null packet, and in round robin each
// routine's count differs from any other's by at most one.
void TestTsRender::overloadStaysBoundedAndFair_data()
{
    QTest::addColumn<int>("ms");
    QTest::newRow("interval 0") << 0;
    QTest::newRow("interval 1 ms") << 1;
}

void TestTsRender::overloadStaysBoundedAndFair()
{
    QFETCH(int, ms);
    TransportStreamCfg cfg = longSdtConfig();
    cfg.playoutTimings = true;
    cfg.patTime = cfg.nitTime = cfg.sdtTime = cfg.eitTime = cfg.pmtTime = cfg.tdtTime = quint16(ms);
    const QByteArray program = buildProgram(cfg);
    const QMap<int, QList<QByteArray>> routines = routineSections(program);
    Sections received;
    QByteArray ts;
    const QString fault = renderAndDemux(program, 5, &received, &ts);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    for (qsizetype at = 0; at < ts.size(); at += P)
        QVERIFY2(pidOf(ts, at) != Pid::Null, qPrintable(QString::number(at / P)));
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
    QTest::newRow("2026-12-06 13:45:30, MJD 61380") << utc(2026, 12, 6, 13, 45, 30) << hex("70 70 05 EF C4 13 45 30");
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

// The real-time TDT carries the start time plus the stream time of its packet,
// the date moving on across midnight.
void TestTsRender::realTimeTdtCarriesStreamTime()
{
    const QByteArray program = readWholeFile(psitest::goldenPath(QStringLiteral("real-time-tdt"), ".mbn"));
    const TransportStreamCfg cfg = psitest::goldenConfig(QStringLiteral("real-time-tdt"));
    QVERIFY(cfg.realTdt && cfg.tdtEnabled);
    const int interval = cfg.playoutTimings ? cfg.tdtTime : TransportStreamCfg().tdtTime;
    const QDateTime start(QDate(2026, 12, 6), QTime(23, 59, 50, 600), Qt::UTC);
    Sections received;
    const QString fault = renderAndDemux(program, 2 * interval / 1000 + 1, &received, nullptr, start);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    const QList<Received> tdts = received.value(Pid::Tdt);
    QCOMPARE(tdts.size(), 3);
    for (const Received &tdt : tdts)
        COMPARE_BYTES(tdt.bytes, TsRenderer::tdtSection(start.addMSecs(tdt.packet)));
    COMPARE_BYTES(tdts.at(1).bytes.mid(3, 2), TsRenderer::tdtSection(start.addDays(1)).mid(3, 2));
}

QTEST_GUILESS_MAIN(TestTsRender)
#include "test_tsrender.moc"
