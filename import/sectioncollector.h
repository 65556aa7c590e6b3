#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>

#include <functional>

// One table as gathered off its PID: the version being gathered section by
// section and the last complete one, with how often it was seen and when.
struct CollectedTable {
    int pid = 0;
    int tableId = 0;
    int extension = 0;
    int version = -1;
    QList<QByteArray> parts; // the version being gathered, by section_number
    QList<QByteArray> complete;
    int completeVersion = -1;
    int versions = 0; // complete versions seen
    int sightings = 0;
    qint64 first = -1;
    qint64 last = -1;

    bool isComplete() const { return !complete.isEmpty(); }
};

// The TDT as last seen; it has no version and no CRC_32.
struct CollectedTdt {
    QByteArray section;
    int sightings = 0;
    qint64 first = -1;
    qint64 last = -1;
    bool realTime = false; // a MUX binary's routine that the device stamps
};

// Gathers the PSI/SI sections of one multiplex, from a capture or from the
// sections a MUX binary sends, per PID, table_id and table_id_extension.
// Only sections with a valid CRC_32 count (the others are counted per PID);
// of a table that changes version, the last complete version is kept. It
// decodes nothing but the PAT and the PCR_PID of a PMT, which say what else
// to watch.
class SectionCollector
{
public:
    using Handler = std::function<void(const CollectedTable &)>;
    // Called with each table each time a version of it is complete.
    void setHandler(Handler handler) { m_handler = std::move(handler); }

    // One section as it came off its PID: table_id to the end of the section,
    // CRC_32 included. position orders the sections in time (a packet number).
    void addSection(int pid, const char *data, int size, qint64 position);
    // A TDT that the device stamps with the current time.
    void addRealTimeTdt() { m_tdt.realTime = true; }

    // In the order first seen.
    const QList<CollectedTable> &tables() const { return m_tables; }
    // The table when a complete version of it was seen, else nullptr.
    const CollectedTable *find(int pid, int tableId, int extension) const;
    // The PAT on PID 0x0000 completed last; nullptr while there is none.
    const CollectedTable *pat() const { return m_patIndex < 0 ? nullptr : &m_tables.at(m_patIndex); }
    const CollectedTdt &tdt() const { return m_tdt; }
    // PID -> sections left out for a CRC_32 that does not check.
    const QMap<int, int> &crcFailures() const { return m_crcFailures; }
    // More tables or bytes than a damaged stream may make it keep.
    bool overflowed() const { return m_overflowed; }
    bool isEmpty() const { return m_tables.isEmpty() && !m_tdt.realTime; }

    // Bumped whenever the PAT or a PMT announces new PIDs to watch.
    int pidGeneration() const { return m_pidGeneration; }
    // The PMT PIDs and the network PID of the last complete PAT.
    QList<int> announcedPids() const;
    // The PCR PID of the first PMT completed; -1 while there is none.
    int timeBasePid() const { return m_timeBasePid; }
    // Every table seen twice: the PAT and all its PMTs, the SDT, the TDT, the
    // NIT when the PAT announces one, and whatever else turned up.
    bool seenEverythingTwice() const;

    static constexpr int MaxTables = 4096;
    static constexpr qint64 MaxStoredBytes = qint64(64) << 20;

private:
    void addTdt(int pid, const char *data, int size, qint64 position);
    CollectedTable *table(int pid, int tableId, int extension);
    bool store(QByteArray &part, const char *data, int size);
    void completed(CollectedTable &t, bool changed, qint64 position);

    QList<CollectedTable> m_tables;
    QHash<quint64, int> m_index;
    QMap<int, int> m_crcFailures;
    CollectedTdt m_tdt;
    Handler m_handler;
    int m_patIndex = -1;
    int m_pidGeneration = 0;
    int m_timeBasePid = -1;
    qint64 m_storedBytes = 0;
    bool m_overflowed = false;
};
