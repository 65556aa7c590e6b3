// The transport stream that `velunor-cli ts` writes, read back packet by packet
// as a receiver's demultiplexer would (ISO/IEC 13818-1 2.4.3, 2.4.4).

#include <QtTest>

#include "mbn/mbnprogram.h"
#include "mbn/tsrender.h"
#include "tests/common/filehelpers.h"
#include "tests/common/psitestutil.h"

using PidMap = QMap<int, int>;

namespace {

constexpr int P = TsRenderer::PacketSize;

using Received = QPair<qint64, QByteArray>; // the packet where a section starts, the section
using Sections = QMap<int, QList<Received>>;

// Demultiplexes every PID but the null PID: the first fault in the packet or
// section layer, or nothing.
QString demux(const QByteArray &ts, Sections *sections)
{
    QMap<int, int> lastCc;
    QMap<int, Received> open;
    for (qsizetype at = 0; at < ts.size(); at += P) {
        const auto b = [&](int i) { return quint8(ts.at(at + i)); };
        const int pid = ((b(1) & 0x1F) << 8) | b(2), cc = b(3) & 0x0F;
        const bool unitStart = b(1) & 0x40;
        QByteArray data = ts.mid(at + 4, P - 4);
        const QString where = QStringLiteral("packet %1, PID 0x%2: ").arg(at / P).arg(pid, 4, 16, QLatin1Char('0'));
        if (b(0) != 0x47 || (b(1) & 0x80) || (b(3) & 0xF0) != 0x10)
            return where + QStringLiteral("sync byte, transport_error_indicator, scrambling or adaptation field");
        if (pid == Pid::Null && (unitStart || data != QByteArray(P - 4, char(0xFF))))
            return where + QStringLiteral("null packet with payload_unit_start_indicator or data");
        if (pid != Pid::Null && ((lastCc.contains(pid) && cc != ((lastCc.value(pid) + 1) & 0x0F))
                                 || unitStart == open.contains(pid) || (unitStart && data.at(0) != 0)))
            return where + QStringLiteral("continuity_counter, section start, pointer_field or continuation amiss");
        if (pid == Pid::Null)
            continue;
        lastCc[pid] = cc;
        if (unitStart)
            open[pid] = Received{at / P, QByteArray()};
        QByteArray &r = open[pid].second;
        r += data.mid(unitStart ? 1 : 0);
        const int total = 3 + (((quint8(r.at(1)) & 0x0F) << 8) | quint8(r.at(2)));
        if (r.size() < total)
            continue;
        if (r.mid(total) != QByteArray(r.size() - total, char(0xFF)))
            return where + QStringLiteral("bytes after the section are not stuffing");
        r.truncate(total);
        (*sections)[pid].append(open.take(pid));
    }
    return QString();
}

// The sections the routines send, by PID; the real-time TDT as an empty entry.
QMap<int, QList<QByteArray>> routineSections(const QByteArray &bytes)
{
    MbnProgram program;
    QMap<int, QList<QByteArray>> out;
    for (const MbnRoutine &routine : program.parse(bytes) ? program.routines() : QList<MbnRoutine>()) {
        MbnSentSection sent;
        QString error;
        if (program.run(routine, &sent, &error) && (sent.realTimeTdt || sent.pid >= 0))
            out[sent.realTimeTdt ? Pid::Tdt : sent.pid].append(sent.section);
    }
    return out;
}

} // namespace

class TestTsRender : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void onAir_data();
    void onAir();
    void tdtSectionBytes();
};

// Every section that arrives is exactly one its routine sends, CRC_32 checking.
// Where intervals are given, each PID carries a section per routine at 0 ms and
// every interval after, within a few packets of its time.
void TestTsRender::onAir_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<PidMap>("intervals"); // PID -> ms between a routine's sections; empty: not checked
    for (const QString &name : psitest::goldenNames)
        QTest::newRow(qPrintable(name)) << readWholeFile(psitest::goldenPath(name, ".mbn")) << PidMap();
    // Exported from long-sdt-timed.mux: an SDT over three packets, playout timings.
    QTest::newRow("SDT over three packets, playout timings")
        << testData(QStringLiteral("ts/long-sdt-timed.mbn")) << PidMap{{0x0000, 100}, {0x0010, 2500}, {0x0011, 300}, {0x0012, 750},
                                    {0x0014, 4000}, {0x0100, 200}, {0x0300, 200}, {0x0400, 200}};
}

void TestTsRender::onAir()
{
    QFETCH(QByteArray, program);
    QFETCH(PidMap, intervals);
    const QMap<int, QList<QByteArray>> expected = routineSections(program);
    MbnProgram parsed;
    TsRenderer renderer;
    QVERIFY(parsed.parse(program) && renderer.load(parsed));
    const QByteArray ts = renderer.render(10);
    QCOMPARE(ts.size(), 10 * 1000 * P);
    Sections received;
    const QString fault = demux(ts, &received);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QCOMPARE(received.keys(), expected.keys());
    QVERIFY(intervals.isEmpty() || intervals.keys() == received.keys());
    QVERIFY(intervals.isEmpty() || expected.value(0x0011).value(0).size() > 2 * (P - 4));
    for (auto it = received.cbegin(); it != received.cend(); ++it) {
        const QList<QByteArray> &sent = expected.value(it.key());
        for (const auto &[packet, bytes] : it.value()) { // the real-time TDT: any time
            const bool realTimeTdt = sent.contains(QByteArray()) && bytes.size() == 8 && bytes.startsWith("\x70\x70\x05");
            QVERIFY2(realTimeTdt || sent.contains(bytes), qPrintable(QString::number(packet)));
            QVERIFY(!(quint8(bytes.at(1)) & 0x80) || psitest::crc32Mpeg2(bytes) == 0); // long form
        }
        const int interval = intervals.value(it.key());
        for (int k = 0; interval && k < it.value().size(); ++k) {
            const qint64 due = qint64(k / sent.size()) * interval, packet = it.value().at(k).first;
            QVERIFY2(packet >= due && packet < due + 30, qPrintable(QStringLiteral("PID %1: %2").arg(it.key()).arg(k)));
        }
        QVERIFY(!interval || it.value().size() == (10000 + interval - 1) / interval * sent.size());
    }
}

void TestTsRender::tdtSectionBytes()
{
    for (const QByteArray &line : testData(QStringLiteral("ts/tdt-sections.txt")).split('\n')) {
        const QList<QByteArray> f = line.split('|');
        if (f.size() == 3 && !line.startsWith('#'))
            COMPARE_BYTES(TsRenderer::tdtSection(QDateTime::fromString(QString::fromLatin1(f[0].trimmed()), Qt::ISODateWithMs)),
                          QByteArray::fromHex(f[1]));
    }
}

QTEST_GUILESS_MAIN(TestTsRender)
#include "test_tsrender.moc"
