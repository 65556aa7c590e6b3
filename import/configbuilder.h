#pragma once

#include <QList>
#include <QMap>
#include <QString>

#include "config/model.h"
#include "import/sectioncollector.h"
#include "si/tables.h"

// A warning of the import: about the stream, or about the service whose
// service_id it names (labelled as the check labels services once the whole
// configuration is known).
struct ImportWarning {
    int serviceId = -1;
    QString text;
};

// One complete table, decoded section by section, with how often it was
// seen and when (positions: packet numbers of a capture, 0 for a program).
struct DecodedTable {
    int pid = 0;
    int tableId = 0;
    int extension = 0;
    int version = -1; // of the last complete version
    int versions = 0; // complete versions seen
    Sightings seen;
    // The sections of the table's kind; the others stay empty.
    QList<PatSection> pat;
    QList<PmtSection> pmt;
    QList<CatSection> cat;
    QList<SdtSection> sdt;
    QList<NitSection> nit;
    QList<EitSection> eit;
};

// What a configuration is built from.
struct DecodedTables {
    QList<DecodedTable> tables; // in the order first seen
    int pat = -1;               // the PAT in force, an index into tables
    TdtSection tdt;             // tableId.offset < 0: none seen
    Sightings tdtSeen;
    bool realTimeTdt = false;
    QMap<int, int> crcFailures; // PID -> sections left out
    QMap<int, int> unread;      // (table_id << 16 | PID) -> sections of tables not read
    bool overflowed = false;
    // Every table the source sends is here (a MUX binary): a PMT or EIT that
    // the PAT or SDT announces and that is not here is off, not missed.
    bool whole = false;
};

// Builds a configuration from decoded tables; msPerPosition converts the
// distance between two sightings into milliseconds (0 or less: no time base,
// the repetition intervals stay at their defaults). A repetition interval is
// the mean gap; a longest gap beyond what ETSI TR 101 290 allows is a
// warning. What the configuration cannot hold, and so would not come back on
// export, is said in *warnings.
TransportStreamCfg buildConfiguration(const DecodedTables &tables, double msPerPosition, QList<ImportWarning> *warnings);
