#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

#include "config/model.h"

// A warning of the import: about the stream, or about the service whose
// service_id it names (labelled as the check labels services once the whole
// configuration is known).
struct ImportWarning {
    int serviceId = -1;
    QString text;
};

// The PSI/SI tables of one multiplex, gathered section by section from a
// capture or from the sections a MUX binary sends, and turned into a
// configuration at the end. Only sections with a valid CRC_32 count; of a
// table that changes version, the last complete version is kept.
class SiTables
{
public:
    // One section as it came off its PID: table_id to the end of the section,
    // CRC_32 included. position orders the sections in time (a packet number).
    void addSection(int pid, const char *data, int size, qint64 position);
    // A TDT that the device stamps with the current time (a MUX binary's
    // real-time TDT routine).
    void addRealTimeTdt();
    // Sections of a MUX binary: a service without a PMT is one whose PMT is off,
    // not one the capture missed.
    void setFromProgram(bool fromProgram) { m_fromProgram = fromProgram; }

    bool hasPat() const { return m_patIndex >= 0; }
    bool isEmpty() const { return m_tables.isEmpty() && !m_realTimeTdt; }
    // Bumped whenever the PAT or a PMT announces new PIDs to watch.
    int pidGeneration() const { return m_pidGeneration; }
    // The PMT PIDs and the network PID of the last complete PAT.
    QList<int> announcedPids() const;
    // The PCR PID of the first PMT decoded; -1 while there is none.
    int timeBasePid() const { return m_timeBasePid; }
    // Every table seen twice: the PAT and all its PMTs, the SDT, the TDT, the
    // NIT when the PAT announces one, and whatever else turned up.
    bool seenEverythingTwice() const;

    // The configuration of the last complete tables; msPerPosition converts
    // the distance between two sightings into milliseconds (0 or less: no
    // time base, the repetition intervals stay at their defaults).
    TransportStreamCfg build(double msPerPosition, QList<ImportWarning> *warnings) const;

private:
    struct Table {
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
    };
    struct Program {
        quint16 number;
        quint16 pid;
    };

    // The configuration being built, what the tables tell each other, and the
    // warnings; each table is read by one function, in this order.
    struct Build;
    void readPat(Build &b) const;
    void readPmts(Build &b) const;
    void readSdt(Build &b) const;
    void readNit(Build &b) const;
    void readEit(Build &b) const;
    void readCat(Build &b) const;
    void readTdt(Build &b) const;

    Table &table(int pid, int tableId, int extension);
    void sighted(Table &t, qint64 position);
    // The table when a complete version of it was seen, else nullptr.
    const Table *find(int pid, int tableId, int extension) const;
    QList<Program> programs() const;
    int networkPid() const;

    QList<Table> m_tables;
    QHash<quint64, int> m_index;
    QMap<int, int> m_badCrc; // PID -> sections left out
    int m_patIndex = -1;
    int m_pidGeneration = 0;
    int m_timeBasePid = -1;
    QByteArray m_tdt;
    int m_tdtSightings = 0;
    qint64 m_tdtFirst = -1;
    qint64 m_tdtLast = -1;
    bool m_realTimeTdt = false;
    qint64 m_storedBytes = 0;
    bool m_tooManyTables = false;
    bool m_fromProgram = false;
};
