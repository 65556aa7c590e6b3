#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <vector>

class QIODevice;
class SectionCollector;

struct TsScanOptions {
    qint64 maxPackets = -1;  // stop after this many packets; < 0: no bound
    double maxSeconds = -1;  // stop after this much stream time; < 0: no bound
    qint64 bitrate = 0;      // bits per second of 188-byte packets; 0: timed by the PCR
    bool earlyStop = true;   // stop once every table was seen twice and no new one turns up
};

// Reads an MPEG-2 transport stream from a device in large blocks and hands
// the PSI/SI sections of the PIDs that carry tables to the collector. Packets of
// 188, 192 (a 4-byte timestamp ahead of each) and 204 bytes (16 bytes of
// Reed-Solomon parity after each) are told apart by their sync bytes; bytes
// before the first packet and after a lost sync are skipped and counted.
// Every other PID is passed over by its number alone, and the memory used
// does not depend on the length of the stream.
//
// The PCR is the clock. A PCR that goes back (a looped capture) or one
// flagged by discontinuity_indicator starts a new time base: time is measured
// within each stretch and the stretches are joined, never across the seam.
class TsScanner
{
public:
    // Stream time without a new table before the early stop: longer than
    // the longest repetition a NIT may have (10 s).
    static constexpr double QuietSeconds = 11;

    // Bytes skipped from a stream offset on, where the packet sync was lost.
    struct Loss {
        qint64 offset = 0;
        qint64 bytes = 0;
    };

    TsScanner();

    // False when the device fails; errorString() says why.
    bool scan(QIODevice *in, const TsScanOptions &options, SectionCollector *tables);

    qint64 packets() const { return m_packets; }
    int packetSize() const { return m_stride; } // 0 when no packet was found
    qint64 leadingBytes() const { return m_leading; }   // before the first packet
    qint64 trailingBytes() const { return m_trailing; } // after the last whole packet
    const QList<Loss> &losses() const { return m_losses; }
    int timeBases() const { return m_stretches; } // stretches of PCR; 0 without one
    bool stoppedEarly() const { return m_stoppedEarly; }
    // Milliseconds per packet from --bitrate or the PCR; 0 without a time base.
    double msPerPacket() const;
    QString errorString() const { return m_error; }

private:
    struct PidState {
        QByteArray buffer;
        int cc = -1;
        bool active = false;
    };
    enum Watch : quint8 { WatchSections = 1, WatchPcr = 2 };
    enum class Clock { None, Bitrate, Pcr, Wall };

    qint64 findSync(const uchar *b, qint64 from, qint64 have, bool atEnd);
    bool runPackets(const uchar *b, qint64 &pos, qint64 have, bool atEnd, bool &synced);
    void lostSync(qint64 offset);
    void foundSync(qint64 offset);
    bool sectionDone();
    void handlePacket(const uchar *p);
    void readPcr(const uchar *p);
    void drain(int pid, PidState &st);
    void updateWatch();
    double seconds() const;

    SectionCollector *m_tables = nullptr;
    TsScanOptions m_options;
    std::vector<quint8> m_watch;
    std::vector<PidState> m_pids;
    int m_generation = -1;
    int m_stride = 0;
    qint64 m_packets = 0;
    qint64 m_base = 0;      // stream offset of the block's first byte
    qint64 m_lostAt = 0;    // stream offset where the sync was lost
    bool m_everSynced = false;
    qint64 m_leading = 0;
    qint64 m_trailing = 0;
    QList<Loss> m_losses;
    bool m_sectionDone = false;
    bool m_stoppedEarly = false;
    Clock m_clock = Clock::None;
    QElapsedTimer m_wall;
    int m_tablesFound = 0;
    double m_newTableAt = 0; // seconds() when the last new table was found
    int m_pcrPid = -1;
    bool m_pcrDiscontinuity = false; // flagged; the next PCR starts a time base
    qint64 m_ccJump = -1; // the first packet since the last PCR where a table PID's count jumped
    int m_stretches = 0;
    qint64 m_joinedTicks = 0;   // 27 MHz, of the stretches before this one
    qint64 m_joinedPackets = 0;
    qint64 m_stretchPcr = -1;   // where this stretch began
    qint64 m_stretchPacket = -1;
    qint64 m_lastPcr = -1;      // unwrapped within the stretch
    qint64 m_lastPcrPacket = -1;
    QString m_error;
};
