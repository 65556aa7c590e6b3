#pragma once

#include <QList>

#include "si/descriptors.h"

// The tables the reading side knows, one plain struct per table and one
// decoder each. A decoder takes one whole section (table_id to CRC_32) and
// reads what follows the long header up to the CRC_32; `finding` holds the
// first fault in the words `velunor-cli dump` reports, and everything read
// before and around it is kept.

// ISO/IEC 13818-1 section header, long form.
struct SiSectionHeader {
    SiField tableId, sectionSyntaxIndicator, sectionLength;
    SiField tableIdExtension, versionNumber, currentNextIndicator, sectionNumber, lastSectionNumber;
};

struct SiTable {
    SiSectionHeader header;
    QString finding;
};

// program_association_section
struct PatSection : SiTable {
    struct Program {
        SiField programNumber, pid; // program_map_PID, or network_PID for program 0
    };
    QList<Program> programs;
};

// TS_program_map_section
struct PmtSection : SiTable {
    struct Stream {
        SiField streamType, elementaryPid, esInfoLength;
        SiDescriptorLoop descriptors;
    };
    SiField pcrPid, programInfoLength;
    SiDescriptorLoop descriptors;
    QList<Stream> streams;
};

// conditional_access_section
struct CatSection : SiTable {
    SiDescriptorLoop descriptors;
};

// service_description_section
struct SdtSection : SiTable {
    struct Service {
        SiField serviceId, eitScheduleFlag, eitPresentFollowingFlag, runningStatus, freeCaMode,
            descriptorsLoopLength;
        SiDescriptorLoop descriptors;
    };
    SiField originalNetworkId;
    QList<Service> services;
};

// network_information_section
struct NitSection : SiTable {
    struct TransportStream {
        SiField transportStreamId, originalNetworkId, transportDescriptorsLength;
        SiDescriptorLoop descriptors;
    };
    SiField networkDescriptorsLength;
    SiDescriptorLoop descriptors;
    SiField transportStreamLoopLength;
    QList<TransportStream> transportStreams;
};

// event_information_section
struct EitSection : SiTable {
    struct Event {
        SiField eventId;
        SiBytes startTime, duration;
        SiField runningStatus, freeCaMode, descriptorsLoopLength;
        SiDescriptorLoop descriptors;
    };
    SiField transportStreamId, originalNetworkId, segmentLastSectionNumber, lastTableId;
    QList<Event> events;
};

// time_date_section: no long header, no CRC_32.
struct TdtSection {
    SiField tableId, sectionLength;
    SiBytes utcTime;
    QString finding;
};

// The long header, read from the start of a section; the reader is left at
// the table's own body, in a scope that ends before the CRC_32.
SiSectionHeader readLongHeader(SectionReader &r);

// The body of each table after the long header, the reader brought there.
void readTable(SectionReader &r, PatSection &t);
void readTable(SectionReader &r, PmtSection &t);
void readTable(SectionReader &r, CatSection &t);
void readTable(SectionReader &r, SdtSection &t);
void readTable(SectionReader &r, NitSection &t);
void readTable(SectionReader &r, EitSection &t);

// One whole section of a table with a long header.
template <class Table>
Table decodeTable(const QByteArray &section)
{
    Table t;
    SectionReader r(section);
    t.header = readLongHeader(r);
    readTable(r, t);
    t.finding = r.finding();
    return t;
}

TdtSection decodeTdt(const QByteArray &section);

// EN 300 468 Annex C helpers: BCD digits and a modified Julian date.
bool isBcd(int byte);
int bcd(int byte);
