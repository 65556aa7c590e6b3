#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

class QIODevice;
class SectionCollector;

struct TsScanOptions {
    qint64 maxPackets = -1;  // stop after this many packets; < 0: no bound
    double maxSeconds = -1;  // stop after this much stream time; < 0: no bound
    qint64 bitrate = 0;      // bits per second of 188-byte packets; 0: timed by the PCR
    bool earlyStop = true;   // stop once every table has been seen twice
};

// Reads an MPEG-2 transport stream from a device in large blocks and hands
// the PSI/SI sections of the PIDs that carry tables to the collector. Packets of
// 188, 192 (a 4-byte timestamp ahead of each) and 204 bytes (16 bytes of
// Reed-Solomon parity after each) are told apart by their sync bytes; bytes
// before the first packet and after a lost sync are skipped. Every other PID
// is passed over by its number alone, and the memory used does not depend
// on the length of the stream.
class TsScanner
{
public:
    TsScanner();

    // False when the device fails; errorString() says why.
    bool scan(QIODevice *in, const TsScanOptions &options, SectionCollector *tables);

    qint64 packets() const { return m_packets; }
    int packetSize() const { return m_stride; } // 0 when no packet was found
    qint64 syncLosses() const { return m_syncLosses; }
    qint64 skippedBytes() const { return m_skipped; }
    bool stoppedEarly() const { return m_stoppedEarly; }
    // Milliseconds per packet from --bitrate or two PCRs; 0 without a time base.
    double msPerPacket() const;
    QString errorString() const { return m_error; }

private:
    struct PidState {
        QByteArray buffer;
        int cc = -1;
        bool active = false;
    };
    enum Watch : quint8 { WatchSections = 1, WatchPcr = 2 };

    qint64 findSync(const uchar *b, qint64 from, qint64 have, bool atEnd);
    bool runPackets(const uchar *b, qint64 &pos, qint64 have, bool &synced);
    void handlePacket(const uchar *p);
    void readPcr(const uchar *p);
    void drain(int pid, PidState &st);
    void updateWatch();
    double secondsSoFar() const;

    SectionCollector *m_tables = nullptr;
    TsScanOptions m_options;
    std::vector<quint8> m_watch;
    std::vector<PidState> m_pids;
    int m_generation = -1;
    int m_stride = 0;
    qint64 m_packets = 0;
    qint64 m_syncLosses = 0;
    qint64 m_skipped = 0;
    bool m_sectionDone = false;
    bool m_stoppedEarly = false;
    int m_pcrPid = -1;
    qint64 m_firstPcr = -1;
    qint64 m_firstPcrPacket = -1;
    qint64 m_lastPcr = -1; // unwrapped, 27 MHz
    qint64 m_lastPcrPacket = -1;
    QString m_error;
};
