#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVector>

#include "format/mbnformat.h"

class MbnProgram;

// Plays a MUX binary out as an MPEG-2 transport stream (ISO/IEC 13818-1), the
// way the multiplexer would: every routine's section is assembled once, then
// repeated on its PID at the routine's interval, in 188-byte packets.
//
// Timing: a constant rate of PacketsPerSecond packets, one every millisecond,
// with null packets (PID 0x1FFF) in the idle slots. A routine is due at 0 ms
// and then every interval ms; its section joins a first-in first-out queue and
// is sent whole before the next one starts. A routine is not queued again
// while its previous section is still waiting, so an interval of 0 or a
// program that needs more than the rate cannot grow the queue: it holds at
// most one section per routine.
class TsRenderer
{
public:
    static constexpr int PacketSize = 188;
    static constexpr int PacketsPerSecond = 1000;
    static constexpr int MinSeconds = 1;
    static constexpr int MaxSeconds = 3600;
    // section_length is 12 bits: at most 4093 bytes follow it.
    static constexpr int MaxSectionSize = 3 + MaxSectionLength;

    TsRenderer();

    // Runs every routine of a parsed program once and prepares the playout from
    // packet 0. False on the first routine that cannot run or whose section
    // cannot go on air, with errorOffset() (the routine or its send
    // instruction) and errorString().
    bool load(const MbnProgram &program);

    // The UTC time of packet 0, carried by the real-time TDT.
    void setStartTime(const QDateTime &utc);

    // Appends the next count packets to *out.
    void renderPackets(int count, QByteArray *out);
    // The whole stream of the given length, from packet 0.
    QByteArray render(int seconds);
    // Back to packet 0: schedule, queue and continuity counters.
    void restart();
    qint64 packetsRendered() const { return m_packet; }

    // The interval a routine in this slot repeats at when it carries no
    // interval instruction: the exporter's defaults for the table of the slot
    // (the EIT at half eit-time). -1 for a slot that holds no table.
    static int defaultInterval(int slot);
    // A time and date section (EN 300 468 5.2.5): table_id 0x70, no CRC_32,
    // UTC_time as modified Julian date and six BCD digits.
    static QByteArray tdtSection(const QDateTime &utc);

    int errorOffset() const { return m_errorOffset; }
    QString errorString() const { return m_errorString; }

private:
    struct Stream {
        int slot = -1;
        int pid = -1;
        int interval = 0; // milliseconds
        bool realTimeTdt = false;
        QByteArray section;
        qint64 nextDue = 0;
        bool queued = false;
    };

    bool fail(int offset, const QString &reason);
    void writePacket(int pid, bool unitStart, const char *payload, int size, QByteArray *out);
    qint64 timeOfPacket(qint64 packet) const;

    QList<Stream> m_streams;
    QList<int> m_queue;        // streams due, oldest first
    int m_current = -1;        // stream whose section is being sent
    QByteArray m_sending;      // pointer_field and the section
    int m_sent = 0;            // bytes of m_sending already in packets
    QVector<quint8> m_cc;      // next continuity_counter per PID
    qint64 m_packet = 0;
    QDateTime m_start;
    int m_errorOffset = -1;
    QString m_errorString;
};
