#include "import/tsscanner.h"

#include <QIODevice>

#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VELUNOR_SYNC_AVX2 1
#endif

#include "format/mbnformat.h"
#include "import/sectioncollector.h"

namespace {

constexpr int PacketSize = 188;
constexpr uchar SyncByte = 0x47;
constexpr int PacketSizes[] = {188, 192, 204};
constexpr int LargestPacket = 204;
// Sync bytes in a row, one packet apart, that establish the packet size.
constexpr int SyncRun = 5;
constexpr qint64 BlockSize = 128 << 10;
constexpr int MaxSectionSize = 3 + MaxSectionLength;
constexpr qint64 PcrHz = 27000000;
constexpr qint64 PcrWrap = (qint64(1) << 33) * 300;
// A PCR this far ahead of the last is not the same time base: a PCR comes at
// least every 100 ms, so packets were lost or the capture was spliced.
constexpr qint64 MaxPcrStep = PcrHz;
constexpr int CatPid = 0x0001;

#ifdef VELUNOR_SYNC_AVX2
// The first position from at on, below last, that holds a sync byte with
// another one a packet (of any size) further on; last when there is none.
// Random bytes hold a 0x47 every 256 bytes but such a pair only every 20,000,
// so looking for the pair 32 positions at a time spares memchr a restart
// at every lone 0x47.
__attribute__((target("avx2"))) inline __m256i syncBytesAt(const uchar *p)
{
    return _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)), _mm256_set1_epi8(char(SyncByte)));
}

__attribute__((target("avx2"))) qint64 nextSyncPairAvx2(const uchar *b, qint64 at, qint64 last)
{
    for (; at + 32 <= last; at += 32) {
        const uchar *p = b + at;
        const __m256i next = _mm256_or_si256(_mm256_or_si256(syncBytesAt(p + 188), syncBytesAt(p + 192)), syncBytesAt(p + 204));
        const unsigned pairs = unsigned(_mm256_movemask_epi8(_mm256_and_si256(syncBytesAt(p), next)));
        if (pairs)
            return at + __builtin_ctz(pairs);
    }
    return at;
}
#endif

// Passes over the positions from at on that cannot start a packet run: no
// sync byte there, or none a packet further on. Only positions with a whole
// largest packet and the next packet's first bytes after them are passed.
qint64 skipLoneSyncBytes(const uchar *b, qint64 at, qint64 have)
{
#ifdef VELUNOR_SYNC_AVX2
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        return nextSyncPairAvx2(b, at, have - (LargestPacket + PacketSize) + 1);
#else
    Q_UNUSED(b);
    Q_UNUSED(have);
#endif
    return at;
}

} // namespace

TsScanner::TsScanner()
    : m_watch(Pid::Null + 1, 0)
    , m_pids(Pid::Null + 1)
{
}

double TsScanner::msPerPacket() const
{
    if (m_options.bitrate > 0)
        return PacketSize * 8 * 1000.0 / double(m_options.bitrate);
    if (m_stretchPcr < 0)
        return 0;
    const qint64 ticks = m_joinedTicks + m_lastPcr - m_stretchPcr;
    const qint64 packets = m_joinedPackets + m_lastPcrPacket - m_stretchPacket;
    return packets > 0 && ticks > 0 ? double(ticks) * 1000.0 / double(PcrHz) / double(packets) : 0;
}

// Stream time read so far by the clock in use; -1 without one.
double TsScanner::seconds() const
{
    switch (m_clock) {
    case Clock::Bitrate: return double(m_packets) * PacketSize * 8 / double(m_options.bitrate);
    case Clock::Pcr: return double(m_joinedTicks + m_lastPcr - m_stretchPcr) / double(PcrHz);
    case Clock::Wall: return double(m_wall.elapsed()) / 1000.0;
    case Clock::None: break;
    }
    return -1;
}

void TsScanner::updateWatch()
{
    m_generation = m_tables->pidGeneration();
    for (const int pid : {int(Pid::Pat), CatPid, int(Pid::Nit), int(Pid::Sdt), int(Pid::Eit), int(Pid::Tdt)})
        m_watch[pid] |= WatchSections;
    for (const int pid : m_tables->announcedPids())
        if (pid < Pid::Null)
            m_watch[pid] |= WatchSections;
    if (m_pcrPid < 0 && m_tables->timeBasePid() >= 0) {
        m_pcrPid = m_tables->timeBasePid();
        m_watch[m_pcrPid] |= WatchPcr;
    }
}

// The first position at or after from where SyncRun sync bytes stand one
// packet size apart (fewer at the end of the stream, as many as fit); sets
// the packet size. -1 when none is found among the bytes at hand. A block
// without a sync byte is passed over by memchr, not byte by byte.
qint64 TsScanner::findSync(const uchar *b, qint64 from, qint64 have, bool atEnd)
{
    const qint64 needed = qint64(SyncRun - 1) * LargestPacket + PacketSize;
    for (qint64 at = from; at + PacketSize <= have; ++at) {
        at = skipLoneSyncBytes(b, at, have);
        const void *hit = std::memchr(b + at, SyncByte, size_t(have - PacketSize + 1 - at));
        if (!hit)
            return -1;
        at = static_cast<const uchar *>(hit) - b;
        if (!atEnd && at + needed > have)
            return -1;
        // Most candidates in random bytes fail at once: no sync byte a packet on.
        if (at + LargestPacket + PacketSize <= have && b[at + 188] != SyncByte && b[at + 192] != SyncByte
            && b[at + 204] != SyncByte)
            continue;
        for (const int size : PacketSizes) {
            int run = 1;
            while (run < SyncRun && at + qint64(run) * size + PacketSize <= have && b[at + qint64(run) * size] == SyncByte)
                ++run;
            const bool complete = run == SyncRun || at + qint64(run) * size + PacketSize > have;
            if (complete && (run > 1 || at + size + PacketSize > have)) {
                m_stride = run > 1 || m_stride == 0 ? size : m_stride;
                return at;
            }
        }
    }
    return -1;
}

void TsScanner::lostSync(qint64 offset)
{
    m_lostAt = offset;
}

// The bytes since the sync was lost (or since the start) are skipped.
void TsScanner::foundSync(qint64 offset)
{
    if (!m_everSynced) // a 192-byte packet's timestamp stands ahead of its sync byte
        m_leading = qMax<qint64>(0, offset - (m_stride - PacketSize == 4 ? 4 : 0));
    else
        m_losses.append({m_lostAt, offset - m_lostAt});
    m_everSynced = true;
}

bool TsScanner::scan(QIODevice *in, const TsScanOptions &options, SectionCollector *tables)
{
    m_tables = tables;
    m_options = options;
    // A pipe without a PCR or a rate is timed by the clock on the wall;
    // a file without either is read to its end.
    m_clock = options.bitrate > 0 ? Clock::Bitrate : in->isSequential() ? Clock::Wall : Clock::None;
    m_wall.start();
    updateWatch();
    QByteArray block(BlockSize, Qt::Uninitialized);
    uchar *b = reinterpret_cast<uchar *>(block.data());
    qint64 have = 0;
    qint64 pos = 0;
    bool synced = false;
    bool atEnd = false;
    for (;;) {
        // Keep what is left of the block and fill the rest.
        if (pos > 0) {
            const qint64 keep = qMax<qint64>(0, have - pos);
            std::memmove(b, b + pos, size_t(keep));
            m_base += pos;
            have = keep;
            pos = 0;
        }
        if (!atEnd) {
            const qint64 n = in->read(reinterpret_cast<char *>(b + have), BlockSize - have);
            if (n < 0) {
                m_error = in->errorString();
                return false;
            }
            atEnd = n == 0 && have < BlockSize;
            have += n;
        }
        for (;;) {
            if (!synced) {
                const qint64 at = findSync(b, pos, have, atEnd);
                if (at < 0) {
                    // Keep enough bytes to recognise a packet that straddles blocks.
                    pos = atEnd ? have : qMax(pos, have - qint64(SyncRun) * LargestPacket);
                    break;
                }
                foundSync(m_base + at);
                pos = at;
                synced = true;
            }
            if (runPackets(b, pos, have, atEnd, synced))
                return true;
            if (synced || pos + PacketSize > have)
                break;
        }
        if (atEnd) {
            if (synced) // past the end by the parity or timestamp that the last packet lacks
                m_trailing = qMax<qint64>(0, have - pos);
            else if (m_everSynced)
                m_losses.append({m_lostAt, m_base + have - m_lostAt});
            else
                m_leading = m_base + have;
            return true;
        }
    }
}

// The packets from pos on while they keep their sync: a packet is taken
// when the next one starts where it ends (the last of the stream when no
// whole packet follows it). True when a bound or the early stop ends the scan.
bool TsScanner::runPackets(const uchar *b, qint64 &pos, qint64 have, bool atEnd, bool &synced)
{
    const qint64 stride = m_stride;
    while (pos + PacketSize <= have) {
        const bool nextHere = pos + stride + PacketSize <= have;
        if (!nextHere && !atEnd)
            return false; // wait for the bytes of the next packet
        const uchar *p = b + pos;
        if (p[0] != SyncByte || (nextHere && b[pos + stride] != SyncByte)) {
            synced = false;
            lostSync(m_base + pos);
            ++pos;
            return false;
        }
        const int pid = ((p[1] & 0x1F) << 8) | p[2];
        if (m_watch[pid]) {
            handlePacket(p);
            if (m_sectionDone) {
                m_sectionDone = false;
                if (sectionDone()) {
                    ++m_packets;
                    m_stoppedEarly = true;
                    return true;
                }
            }
        }
        ++m_packets;
        if (m_packets == m_options.maxPackets
            || (m_options.maxSeconds >= 0
                && (m_clock == Clock::Bitrate || (m_clock == Clock::Pcr && (m_watch[pid] & WatchPcr)))
                && seconds() >= m_options.maxSeconds))
            return true;
        pos += stride;
    }
    return false;
}

// After a section: new PIDs to watch, and whether to stop early (every
// table seen twice and none new for QuietSeconds of stream time).
bool TsScanner::sectionDone()
{
    if (m_generation != m_tables->pidGeneration())
        updateWatch();
    const double now = seconds();
    const int found = m_tables->tablesFound();
    if (found != m_tablesFound) {
        m_tablesFound = found;
        m_newTableAt = now;
        return false;
    }
    return m_options.earlyStop && now >= 0 && now - m_newTableAt >= QuietSeconds && m_tables->seenEverythingTwice();
}

void TsScanner::handlePacket(const uchar *p)
{
    const int pid = ((p[1] & 0x1F) << 8) | p[2];
    const quint8 watch = m_watch[pid];
    const int control = (p[3] >> 4) & 0x3;
    int start = 4;
    if (control & 0x2) {
        const int length = p[4];
        if ((watch & WatchPcr) && length >= 1 && (p[5] & 0x80)) // discontinuity_indicator
            m_pcrDiscontinuity = true;
        if ((watch & WatchPcr) && length >= 7 && (p[5] & 0x10))
            readPcr(p);
        start = 5 + length;
    }
    if (!(watch & WatchSections) || !(control & 0x1) || start >= PacketSize)
        return;
    PidState &st = m_pids[size_t(pid)];
    if (p[1] & 0x80) { // transport_error_indicator
        st.active = false;
        st.buffer.clear();
        return;
    }
    const int cc = p[3] & 0x0F;
    if (st.cc >= 0) {
        if (cc == st.cc)
            return; // a duplicate packet
        if (cc != ((st.cc + 1) & 0x0F)) { // packets lost: the section being gathered is gone
            st.active = false;
            st.buffer.clear();
            if (m_ccJump < 0)
                m_ccJump = m_packets;
        }
    }
    st.cc = cc;
    const char *payload = reinterpret_cast<const char *>(p + start);
    const int size = PacketSize - start;
    if (p[1] & 0x40) { // payload_unit_start_indicator: pointer_field first
        const int pointer = quint8(payload[0]);
        if (1 + pointer > size) {
            st.active = false;
            st.buffer.clear();
            return;
        }
        if (st.active) {
            st.buffer.append(payload + 1, pointer);
            drain(pid, st);
        }
        st.buffer.clear();
        st.buffer.append(payload + 1 + pointer, size - 1 - pointer);
        st.active = true;
        drain(pid, st);
    } else if (st.active) {
        st.buffer.append(payload, size);
        drain(pid, st);
    }
}

// The PCR of an adaptation field that carries one: on the stretch's time
// base when it follows the last within MaxPcrStep (across a wrap of the
// 33-bit base too), else the first of a new stretch.
void TsScanner::readPcr(const uchar *p)
{
    const qint64 base = (qint64(p[6]) << 25) | (qint64(p[7]) << 17) | (qint64(p[8]) << 9) | (qint64(p[9]) << 1)
        | (p[10] >> 7);
    const qint64 pcr = base * 300 + (((p[10] & 0x01) << 8) | p[11]);
    const bool discontinuity = m_pcrDiscontinuity;
    m_pcrDiscontinuity = false;
    const qint64 ccJump = m_ccJump;
    m_ccJump = -1;
    if (m_stretchPcr >= 0) {
        qint64 step = pcr - m_lastPcr % PcrWrap;
        if (step < -PcrWrap / 2)
            step += PcrWrap;
        if (!discontinuity && step >= 0 && step <= MaxPcrStep) {
            m_lastPcr += step;
            m_lastPcrPacket = m_packets;
            return;
        }
        m_joinedTicks += m_lastPcr - m_stretchPcr;
        m_joinedPackets += m_lastPcrPacket - m_stretchPacket;
        // Where a looped capture starts again, the continuity counts of the
        // table PIDs jump: the tables seen from there belong to the new base.
        m_tables->newTimeBase(ccJump >= 0 ? ccJump : m_packets);
    } else if (m_clock != Clock::Bitrate) {
        // The PCR takes over the clock; the quiet time starts with it.
        m_clock = Clock::Pcr;
        m_newTableAt = 0;
    }
    ++m_stretches;
    m_stretchPcr = m_lastPcr = pcr;
    m_stretchPacket = m_lastPcrPacket = m_packets;
}

// Hands over every whole section at the front of the buffer; stuffing ends
// the packet's sections.
void TsScanner::drain(int pid, PidState &st)
{
    qsizetype used = 0;
    while (st.active) {
        const qsizetype left = st.buffer.size() - used;
        const uchar *s = reinterpret_cast<const uchar *>(st.buffer.constData()) + used;
        if (left >= 1 && s[0] == 0xFF) {
            st.active = false;
            used = st.buffer.size();
            break;
        }
        if (left < 3)
            break;
        const int length = 3 + (((s[1] & 0x0F) << 8) | s[2]);
        if (length > MaxSectionSize) {
            st.active = false;
            used = st.buffer.size();
            break;
        }
        if (left < length)
            break;
        m_tables->addSection(pid, reinterpret_cast<const char *>(s), length, m_packets);
        m_sectionDone = true;
        used += length;
    }
    st.buffer.remove(0, used);
}
