#include "si/tables.h"

namespace {

// The descriptors of a loop `length` long from here.
SiDescriptorLoop scopedDescriptors(SectionReader &r, const SiField &length, const QString &what)
{
    r.pushLength(int(length.value), what);
    const SiDescriptorLoop loop = readDescriptors(r);
    r.popLength();
    return loop;
}

// A descriptor loop behind its 12-bit length.
SiDescriptorLoop lengthAndDescriptors(SectionReader &r, const char *lengthName, SiField *length)
{
    *length = r.length12(lengthName);
    return scopedDescriptors(r, *length, QLatin1String(lengthName));
}

// running_status, free_CA_mode and descriptors_loop_length of an SDT service
// or an EIT event.
template <class Entry>
void statusAndLength(SectionReader &r, Entry &e)
{
    const SiField word = r.u16("descriptors_loop_length");
    e.runningStatus = word.part("running_status", 0, 3);
    e.freeCaMode = word.part("free_CA_mode", 3, 1);
    e.descriptorsLoopLength = word.part("descriptors_loop_length", 4, 12);
}

} // namespace

bool isBcd(int byte)
{
    return (byte >> 4) < 10 && (byte & 0x0F) < 10;
}

int bcd(int byte)
{
    return (byte >> 4) * 10 + (byte & 0x0F);
}

SiSectionHeader readLongHeader(SectionReader &r)
{
    SiSectionHeader h;
    h.tableId = r.u8("table_id");
    const SiField flags = r.u16("section_length");
    h.sectionSyntaxIndicator = flags.part("section_syntax_indicator", 0, 1);
    h.sectionLength = flags.part("section_length", 4, 12);
    h.tableIdExtension = r.u16("table_id_extension");
    const SiField version = r.u8("version_number");
    h.versionNumber = version.part("version_number", 2, 5);
    h.currentNextIndicator = version.part("current_next_indicator", 7, 1);
    h.sectionNumber = r.u8("section_number");
    h.lastSectionNumber = r.u8("last_section_number");
    r.pushLength(int(r.section().size()) - 4 - r.at(), QStringLiteral("CRC_32"));
    return h;
}

void readTable(SectionReader &r, PatSection &t)
{
    while (r.left() > 0) {
        const int misses = r.misses();
        const SiField number = r.u16("program_number");
        const SiField pid = r.pid("program_map_PID");
        if (r.misses() != misses)
            break;
        t.programs.append({number, pid});
    }
}

void readTable(SectionReader &r, PmtSection &t)
{
    t.pcrPid = r.pid("PCR_PID");
    t.descriptors = lengthAndDescriptors(r, "program_info_length", &t.programInfoLength);
    while (r.left() > 0) {
        const int misses = r.misses();
        PmtSection::Stream s;
        s.streamType = r.u8("stream_type");
        s.elementaryPid = r.pid("elementary_PID");
        s.esInfoLength = r.length12("ES_info_length");
        if (r.misses() != misses)
            break;
        s.descriptors = scopedDescriptors(r, s.esInfoLength, QStringLiteral("ES_info_length"));
        t.streams.append(s);
    }
}

void readTable(SectionReader &r, CatSection &t)
{
    t.descriptors = readDescriptors(r);
}

void readTable(SectionReader &r, SdtSection &t)
{
    t.originalNetworkId = r.u16("original_network_id");
    r.u8("reserved_future_use");
    while (r.left() > 0) {
        const int misses = r.misses();
        SdtSection::Service s;
        s.serviceId = r.u16("service_id");
        const SiField flags = r.u8("EIT flags");
        s.eitScheduleFlag = flags.part("EIT_schedule_flag", 6, 1);
        s.eitPresentFollowingFlag = flags.part("EIT_present_following_flag", 7, 1);
        statusAndLength(r, s);
        if (r.misses() != misses)
            break;
        s.descriptors = scopedDescriptors(r, s.descriptorsLoopLength, QStringLiteral("descriptors_loop_length"));
        t.services.append(s);
    }
}

void readTable(SectionReader &r, NitSection &t)
{
    t.descriptors = lengthAndDescriptors(r, "network_descriptors_length", &t.networkDescriptorsLength);
    t.transportStreamLoopLength = r.length12("transport_stream_loop_length");
    r.pushLength(int(t.transportStreamLoopLength.value), QStringLiteral("transport_stream_loop_length"));
    while (r.left() > 0) {
        const int misses = r.misses();
        NitSection::TransportStream s;
        s.transportStreamId = r.u16("transport_stream_id");
        s.originalNetworkId = r.u16("original_network_id");
        s.transportDescriptorsLength = r.length12("transport_descriptors_length");
        if (r.misses() != misses)
            break;
        s.descriptors = scopedDescriptors(r, s.transportDescriptorsLength, QStringLiteral("transport_descriptors_length"));
        t.transportStreams.append(s);
    }
    r.popLength();
    if (r.left() > 0)
        r.fail(QStringLiteral("%1 bytes after the transport stream loop").arg(r.left()));
}

void readTable(SectionReader &r, EitSection &t)
{
    t.transportStreamId = r.u16("transport_stream_id");
    t.originalNetworkId = r.u16("original_network_id");
    t.segmentLastSectionNumber = r.u8("segment_last_section_number");
    t.lastTableId = r.u8("last_table_id");
    while (r.left() > 0) {
        const int misses = r.misses();
        EitSection::Event e;
        e.eventId = r.u16("event_id");
        e.startTime = r.bytes(5, "start_time");
        e.duration = r.bytes(3, "duration");
        statusAndLength(r, e);
        if (r.misses() != misses)
            break;
        e.descriptors = scopedDescriptors(r, e.descriptorsLoopLength, QStringLiteral("descriptors_loop_length"));
        t.events.append(e);
    }
}

TdtSection decodeTdt(const QByteArray &section)
{
    TdtSection t;
    SectionReader r(section);
    t.tableId = r.u8("table_id");
    t.sectionLength = r.u16("section_length").part("section_length", 4, 12);
    t.utcTime = r.bytes(5, "UTC_time");
    if (r.ok() && r.left() != 0)
        r.fail(QStringLiteral("TDT of %1 bytes after its header, 5 expected").arg(t.sectionLength.value));
    t.finding = r.finding();
    return t;
}
