#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>

#include <functional>

// Tables met on the watched PIDs that the importer does not read (those it
// reads are in TableId).
namespace UnreadTableId {
constexpr int Bat = 0x4A;
constexpr int EitPfOther = 0x4F;
constexpr int EitScheduleFirst = 0x50; // 0x50..0x5F actual, 0x60..0x6F other
constexpr int Stuffing = 0x72;
constexpr int Tot = 0x73;
} // namespace UnreadTableId

// When a table was seen complete: how often, first and last (positions in
// packets), and the gaps between sightings within each stretch of one time
// base (a gap across a new time base is no gap: the capture was looped or
// spliced there).
struct Sightings {
    int count = 0;
    qint64 first = -1;
    qint64 last = -1;
    qint64 spanned = 0; // the gaps added up
    int gaps = 0;
    qint64 longest = -1; // -1: no gap yet
    int stretch = -1;    // of the last sighting
    qint64 lastGap = -1; // what the last sighting added, -1: none
    qint64 longestBefore = -1;

    void add(qint64 position, int inStretch);
    // The last sighting belongs to a new stretch: its gap is taken back.
    void moveLast(int toStretch);
};

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
    Sightings seen;

    bool isComplete() const { return !complete.isEmpty(); }
};

// The TDT as last seen; it has no version and no CRC_32.
struct CollectedTdt {
    QByteArray section;
    Sightings seen;
    bool realTime = false; // a MUX binary's routine that the device stamps
};

// Gathers the PSI/SI sections of one multiplex, from a capture or from the
// sections a MUX binary sends, per PID, table_id and table_id_extension.
// Only sections with a valid CRC_32 count (the others are counted per PID);
// of a table that changes version, the last complete version is kept. Tables
// the importer does not read (SDT and NIT other, BAT, TOT, EIT schedule) are
// counted per PID and table_id. It decodes nothing but the PAT and the
// PCR_PID of a PMT, which say what else to watch.
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
    // The sections from position since on are timed by a new time base;
    // sightings already counted from there are moved to it.
    void newTimeBase(qint64 since);

    // In the order first seen.
    const QList<CollectedTable> &tables() const { return m_tables; }
    // The table when a complete version of it was seen, else nullptr.
    const CollectedTable *find(int pid, int tableId, int extension) const;
    // The PAT on PID 0x0000 completed last; nullptr while there is none.
    const CollectedTable *pat() const { return m_patIndex < 0 ? nullptr : &m_tables.at(m_patIndex); }
    const CollectedTdt &tdt() const { return m_tdt; }
    // PID -> sections left out for a CRC_32 that does not check.
    const QMap<int, int> &crcFailures() const { return m_crcFailures; }
    // (table_id << 16 | PID) -> sections of the tables not read.
    const QMap<int, int> &unread() const { return m_unread; }
    // More tables or bytes than a damaged stream may make it keep.
    bool overflowed() const { return m_overflowed; }
    bool isEmpty() const { return m_tables.isEmpty() && !m_tdt.realTime; }

    // Bumped whenever the PAT or a PMT announces new PIDs to watch.
    int pidGeneration() const { return m_pidGeneration; }
    // The PMT PIDs and the network PID of the last complete PAT.
    QList<int> announcedPids() const;
    // The PCR PID of the first PMT completed; -1 while there is none.
    int timeBasePid() const { return m_timeBasePid; }
    // Tables (and the TDT) seen complete so far; grows when a new one turns up.
    int tablesFound() const { return m_found; }
    // A PAT, and every table and the TDT that turned up seen complete twice
    // (a table never complete is not waited for).
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
    QMap<int, int> m_unread;
    CollectedTdt m_tdt;
    Handler m_handler;
    int m_patIndex = -1;
    int m_pidGeneration = 0;
    int m_timeBasePid = -1;
    int m_stretch = 0;
    int m_found = 0;
    qint64 m_storedBytes = 0;
    bool m_overflowed = false;
};
