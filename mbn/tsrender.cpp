#include "mbn/tsrender.h"

#include "config/model.h"
#include "config/number.h"
#include "format/mbnformat.h"
#include "mbn/mbnprogram.h"

namespace {

constexpr int HeaderSize = 4;
constexpr int PayloadSize = TsRenderer::PacketSize - HeaderSize;
// A routine in a slot the exporter never fills (4 to 13) that carries no
// interval instruction still has to repeat at some rate; once a second is
// what SI tables without a stricter rule get (TR 101 290 allows up to 2 s).
constexpr int FallbackInterval = 1000;

quint8 bcd(int value)
{
    return quint8(((value / 10) << 4) | (value % 10));
}

int sendOffset(const MbnRoutine &routine)
{
    for (const MbnInstruction &instruction : routine.instructions) {
        if (instruction.kind == MbnInstruction::Send)
            return instruction.offset;
    }
    return routine.offset;
}

} // namespace

TsRenderer::TsRenderer()
    : m_cc(Pid::Null + 1, 0)
    , m_start(QDateTime::currentDateTimeUtc())
{
}

int TsRenderer::defaultInterval(int slot)
{
    using namespace Mbn;
    const TransportStreamCfg defaults;
    if (slot == SlotPat)
        return defaults.patTime;
    if (slot == SlotNit)
        return defaults.nitTime;
    if (slot == SlotSdt)
        return defaults.sdtTime;
    if (slot == SlotTdt)
        return defaults.tdtTime;
    if (slot >= SlotFirstPmt && slot < SlotFirstEit)
        return defaults.pmtTime;
    if (slot >= SlotFirstEit && slot < EntrySlots)
        return defaults.eitTime / 2; // the exporter halves eit-time for the present event
    return -1;
}

QByteArray TsRenderer::tdtSection(const QDateTime &utc)
{
    const QDateTime t = utc.toUTC();
    // Modified Julian date: days since 1858-11-17, Julian day number 2400001.
    const qint64 mjd = t.date().toJulianDay() - 2400001;
    const QTime time = t.time();
    QByteArray s;
    s.reserve(8);
    s.append(char(TableId::Tdt));           // table_id: time_date_section
    s.append(char(0x70));                   // section_syntax_indicator 0, reserved_future_use 1, reserved 11, section_length high bits
    s.append(char(0x05));                   // section_length: the 5 bytes of UTC_time
    s.append(char((mjd >> 8) & 0xFF));      // UTC_time: MJD, 16 bits
    s.append(char(mjd & 0xFF));
    s.append(char(bcd(time.hour())));       // hours, minutes, seconds as BCD
    s.append(char(bcd(time.minute())));
    s.append(char(bcd(time.second())));
    return s;
}

bool TsRenderer::fail(int offset, const QString &reason)
{
    m_errorOffset = offset;
    m_errorString = reason;
    return false;
}

bool TsRenderer::load(const MbnProgram &program)
{
    m_streams.clear();
    m_errorOffset = -1;
    m_errorString.clear();
    for (const MbnRoutine &routine : program.routines()) {
        MbnSentSection sent;
        QString error;
        if (!program.run(routine, &sent, &error)) {
            m_streams.clear();
            return fail(routine.offset, error);
        }
        Stream stream;
        stream.slot = routine.slot;
        if (sent.realTimeTdt) {
            stream.realTimeTdt = true;
            stream.pid = Pid::Tdt;
        } else if (sent.pid >= 0) {
            const int at = sendOffset(routine);
            if (sent.pid > Pid::Null) {
                m_streams.clear();
                return fail(at, QStringLiteral("routine in slot %1 sends on %2, which is not a 13-bit PID")
                                    .arg(routine.slot)
                                    .arg(hexNumber(sent.pid, 4)));
            }
            if (sent.pid == Pid::Null) {
                m_streams.clear();
                return fail(at, QStringLiteral("routine in slot %1 sends on the null PID 0x1FFF")
                                    .arg(routine.slot));
            }
            if (sent.section.size() < 3 || sent.section.size() > MaxSectionSize) {
                m_streams.clear();
                return fail(at, QStringLiteral("routine in slot %1 sends %2 bytes, which is not a section "
                                               "(3 to %3 bytes)")
                                    .arg(routine.slot)
                                    .arg(sent.section.size())
                                    .arg(MaxSectionSize));
            }
            stream.pid = sent.pid;
            stream.section = sent.section;
        } else {
            continue; // the closing routine, or a routine that only marks
        }
        if (sent.interval >= 0)
            stream.interval = sent.interval;
        else if (defaultInterval(routine.slot) >= 0)
            stream.interval = defaultInterval(routine.slot);
        else
            stream.interval = FallbackInterval;
        m_streams.append(stream);
    }
    restart();
    return true;
}

void TsRenderer::setStartTime(const QDateTime &utc)
{
    m_start = utc.toUTC();
}

void TsRenderer::restart()
{
    for (Stream &stream : m_streams) {
        stream.nextDue = 0;
        stream.queued = false;
    }
    m_queue.clear();
    m_current = -1;
    m_sending.clear();
    m_sent = 0;
    m_cc.fill(0);
    m_packet = 0;
}

qint64 TsRenderer::timeOfPacket(qint64 packet) const
{
    return packet * 1000 / PacketsPerSecond;
}

void TsRenderer::writePacket(int pid, bool unitStart, const char *payload, int size, QByteArray *out)
{
    const quint8 cc = m_cc[pid];
    if (pid != Pid::Null)
        m_cc[pid] = (cc + 1) & 0x0F;
    out->append(char(0x47));                                       // sync_byte
    out->append(char((unitStart ? 0x40 : 0x00) | ((pid >> 8) & 0x1F))); // transport_error_indicator 0, payload_unit_start_indicator, transport_priority 0, PID high bits
    out->append(char(pid & 0xFF));                                 // PID low bits
    out->append(char(0x10 | cc));                                  // transport_scrambling_control 00, adaptation_field_control 01 (payload only), continuity_counter
    out->append(payload, size);
    // A section that ends inside a packet leaves the rest as stuffing bytes.
    out->append(PayloadSize - size, char(0xFF));
}

void TsRenderer::renderPackets(int count, QByteArray *out)
{
    out->reserve(out->size() + qsizetype(count) * PacketSize);
    static const QByteArray nullPayload(PayloadSize, char(0xFF));
    for (int n = 0; n < count; ++n, ++m_packet) {
        const qint64 now = timeOfPacket(m_packet);
        for (int i = 0; i < m_streams.size(); ++i) {
            Stream &stream = m_streams[i];
            if (stream.queued || stream.nextDue > now)
                continue;
            stream.queued = true;
            m_queue.append(i);
            // A repetition missed because the queue was full is skipped, not
            // sent late in a burst; an interval of 0 means "whenever free".
            if (stream.interval > 0)
                stream.nextDue += ((now - stream.nextDue) / stream.interval + 1) * stream.interval;
            else
                stream.nextDue = now;
        }
        if (m_current < 0 && !m_queue.isEmpty()) {
            m_current = m_queue.takeFirst();
            const Stream &stream = m_streams.at(m_current);
            m_sending = QByteArray(1, '\0'); // pointer_field: the section starts right after it
            // The real-time TDT carries the time at which it goes out.
            m_sending += stream.realTimeTdt ? tdtSection(m_start.addMSecs(now)) : stream.section;
            m_sent = 0;
        }
        if (m_current < 0) {
            writePacket(Pid::Null, false, nullPayload.constData(), PayloadSize, out);
            continue;
        }
        const int size = qMin(PayloadSize, int(m_sending.size()) - m_sent);
        writePacket(m_streams.at(m_current).pid, m_sent == 0, m_sending.constData() + m_sent, size, out);
        m_sent += size;
        if (m_sent >= m_sending.size()) {
            m_streams[m_current].queued = false;
            m_current = -1;
        }
    }
}

QByteArray TsRenderer::render(int seconds)
{
    restart();
    QByteArray out;
    renderPackets(qBound(MinSeconds, seconds, MaxSeconds) * PacketsPerSecond, &out);
    return out;
}
