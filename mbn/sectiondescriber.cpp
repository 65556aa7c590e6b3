#include "mbn/sectiondescriber.h"

#include <QDate>

#include "config/number.h"
#include "format/mbnformat.h"
#include "si/tables.h"

namespace {

// A text in double quotes: printable characters as they are, quotes and
// backslashes escaped, anything else (control codes, bytes the default
// table leaves open) as \xNN, so every byte of the section stays visible.
QString quoted(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\') + c;
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F || (c.unicode() >= 0x80 && c.unicode() < 0xA0))
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + QLatin1Char('"');
}

// EN 300 468 Annex A: no selector is the default table (its printable ASCII
// range shown as is, other bytes escaped), 0x10 0x00 0x01 ISO/IEC 8859-1,
// 0x15 UTF-8; other selectors are named and the bytes shown in hexadecimal.
QString decodedText(const QByteArray &raw)
{
    if (raw.isEmpty())
        return QStringLiteral("\"\"");
    const int first = quint8(raw.at(0));
    if (first >= 0x20) {
        QString escaped = QStringLiteral("\"");
        for (const char c : raw) {
            const int b = quint8(c);
            if (b == '"' || b == '\\')
                escaped += QLatin1Char('\\') + QChar(b);
            else if (b < 0x20 || b >= 0x7F)
                escaped += QStringLiteral("\\x%1").arg(b, 2, 16, QLatin1Char('0'));
            else
                escaped += QChar(b);
        }
        return escaped + QLatin1Char('"');
    }
    if (raw.startsWith(QByteArray("\x10\x00\x01", 3)))
        return quoted(QString::fromLatin1(raw.mid(3))) + QStringLiteral(" (ISO/IEC 8859-1)");
    if (first == 0x15)
        return quoted(QString::fromUtf8(raw.mid(1))) + QStringLiteral(" (UTF-8)");
    return QStringLiteral("character table selector %1, bytes %2")
        .arg(hexNumber(first, 2), QString::fromLatin1(raw.toHex(' ')));
}

struct Out {
    QStringList *lines;
    int indent;
    void line(int depth, const QString &text) { lines->append(QString(indent + 2 * depth, QLatin1Char(' ')) + text); }
};

QString hexBytes(const SiBytes &b)
{
    return QString::fromLatin1(b.bytes.toHex(' '));
}

QString language(const SiBytes &code)
{
    return quoted(QString::fromLatin1(code.bytes));
}

QString text(const SiText &t)
{
    return decodedText(t.text.bytes);
}

QString serviceTypeName(int type)
{
    switch (type) {
    case 0x01: return QStringLiteral("digital television");
    case 0x02: return QStringLiteral("digital radio sound");
    case 0x0A: return QStringLiteral("advanced codec digital radio sound");
    case 0x0C: return QStringLiteral("data broadcast");
    case 0x11: return QStringLiteral("MPEG-2 HD digital television");
    case 0x16: return QStringLiteral("H.264/AVC SD digital television");
    case 0x19: return QStringLiteral("H.264/AVC HD digital television");
    case 0x1F: return QStringLiteral("HEVC digital television");
    default: return QStringLiteral("other");
    }
}

QString streamTypeName(int type)
{
    switch (type) {
    case 0x01: return QStringLiteral("MPEG-1 video");
    case 0x02: return QStringLiteral("MPEG-2 video");
    case 0x03: return QStringLiteral("MPEG-1 audio");
    case 0x04: return QStringLiteral("MPEG-2 audio");
    case 0x06: return QStringLiteral("PES private data");
    case 0x0F: return QStringLiteral("AAC audio");
    case 0x1B: return QStringLiteral("H.264 video");
    case 0x24: return QStringLiteral("HEVC video");
    default: return QStringLiteral("other");
    }
}

QString runningStatusName(int status)
{
    static const char *const names[] = {"undefined", "not running", "starts in a few seconds", "pausing",
                                        "running", "service off-air", "reserved", "reserved"};
    return QString::fromLatin1(names[status & 7]);
}

QString tableName(int tableId)
{
    switch (tableId) {
    case TableId::Pat: return QStringLiteral("PAT");
    case 0x01: return QStringLiteral("CAT");
    case TableId::Pmt: return QStringLiteral("PMT");
    case TableId::NitActual: return QStringLiteral("NIT actual network");
    case TableId::NitOther: return QStringLiteral("NIT other network");
    case TableId::SdtActual: return QStringLiteral("SDT actual transport stream");
    case TableId::SdtOther: return QStringLiteral("SDT other transport stream");
    case TableId::EitPfActual: return QStringLiteral("EIT actual transport stream, present/following");
    case 0x4F: return QStringLiteral("EIT other transport stream, present/following");
    case TableId::Tdt: return QStringLiteral("TDT");
    case 0x73: return QStringLiteral("TOT");
    default:
        if (tableId >= 0x50 && tableId <= TableId::EitLast)
            return QStringLiteral("EIT schedule");
        return QStringLiteral("unknown table");
    }
}

// EN 300 468 Annex C: 16 bits of modified Julian date, then hours, minutes
// and seconds in BCD.
QString utcTime(const SiBytes &time)
{
    const QByteArray &t = time.bytes;
    if (t == QByteArray(5, '\xFF'))
        return QStringLiteral("undefined");
    const int mjd = (quint8(t.at(0)) << 8) | quint8(t.at(1));
    const QDate date = QDate::fromJulianDay(qint64(mjd) + 2400001);
    QString clock;
    for (int i = 2; i < 5; ++i) {
        const int b = quint8(t.at(i));
        clock += (i > 2 ? QStringLiteral(":") : QString())
            + (isBcd(b) ? QStringLiteral("%1").arg(bcd(b), 2, 10, QLatin1Char('0')) : hexNumber(b, 2));
    }
    return QStringLiteral("%1 %2 (MJD %3)").arg(date.toString(Qt::ISODate), clock).arg(mjd);
}

QString duration(const SiBytes &time)
{
    const QByteArray &t = time.bytes;
    if (t == QByteArray(3, '\xFF'))
        return QStringLiteral("undefined");
    QString clock;
    for (int i = 0; i < 3; ++i) {
        const int b = quint8(t.at(i));
        clock += (i > 0 ? QStringLiteral(":") : QString())
            + (isBcd(b) ? QStringLiteral("%1").arg(bcd(b), 2, 10, QLatin1Char('0')) : hexNumber(b, 2));
    }
    return clock;
}

// One descriptor printed: its decoded body, or its bytes when the tag is not
// one the reading side knows.
struct Printer {
    Out &out;
    int depth;
    const SiDescriptor &d;

    int length() const { return int(d.length.value); }
    void line(const QString &text) { out.line(depth, text); }
    void entry(const QString &text) { out.line(depth + 1, text); }

    void operator()(const std::monostate &)
    {
        line(QStringLiteral("descriptor %1, %2 bytes: %3").arg(hexNumber(d.tag.value, 2)).arg(length()).arg(hexBytes(d.body)));
    }
    void operator()(const CaDescriptor &ca)
    {
        QString text = QStringLiteral("CA descriptor: CA_system_ID %1, CA_PID %2")
                           .arg(hexNumber(ca.caSystemId.value, 4), hexNumber(ca.caPid.value, 4));
        if (!ca.privateData.bytes.isEmpty())
            text += QStringLiteral(", private data %1").arg(hexBytes(ca.privateData));
        line(text);
    }
    void operator()(const Iso639LanguageDescriptor &iso)
    {
        static const char *const audioTypes[] = {"undefined", "clean effects", "hearing impaired",
                                                 "visual impaired commentary"};
        QStringList languages;
        for (const auto &e : iso.entries) {
            const quint32 type = e.audioType.value;
            languages << QStringLiteral("language %1, audio_type %2 (%3)")
                             .arg(language(e.language), hexNumber(type, 2),
                                  QLatin1String(type < 4 ? audioTypes[type] : "reserved"));
        }
        line(QStringLiteral("ISO 639 language descriptor: %1").arg(languages.join(QStringLiteral("; "))));
    }
    void operator()(const TeletextDescriptor &teletext)
    {
        line(QStringLiteral("teletext descriptor, %1 page(s)").arg(length() / 5));
        for (const auto &e : teletext.entries) {
            const int magazine = int(e.magazineNumber.value);
            const int page = int(e.pageNumber.value);
            entry(QStringLiteral("language %1, teletext_type %2, magazine %3, page %4 (page %5)")
                      .arg(language(e.language))
                      .arg(e.teletextType.value)
                      .arg(magazine)
                      .arg(hexNumber(page, 2))
                      .arg(isBcd(page) ? QString::number((magazine ? magazine : 8) * 100 + bcd(page))
                                       : QStringLiteral("not BCD")));
        }
    }
    void operator()(const SubtitlingDescriptor &subtitling)
    {
        line(QStringLiteral("subtitling descriptor, %1 subtitle(s)").arg(length() / 8));
        for (const auto &e : subtitling.entries)
            entry(QStringLiteral("language %1, subtitling_type %2, composition_page_id %3, ancillary_page_id %4")
                      .arg(language(e.language), hexNumber(e.subtitlingType.value, 2),
                           hexNumber(e.compositionPageId.value, 4), hexNumber(e.ancillaryPageId.value, 4)));
    }
    void operator()(const Ac3Descriptor &ac3)
    {
        QStringList parts;
        for (const SiField &flag : ac3.flags)
            parts << QStringLiteral("%1 %2").arg(QLatin1String(flag.name),
                                                 flag.width == 1 ? QString::number(flag.value) : hexNumber(flag.value, 1));
        for (const SiField &field : ac3.fields)
            parts << QStringLiteral("%1 %2").arg(QLatin1String(field.name), hexNumber(field.value, 2));
        if (!ac3.additionalInfo.bytes.isEmpty())
            parts << QStringLiteral("additional_info %1").arg(hexBytes(ac3.additionalInfo));
        const bool enhanced = d.tag.value == DescriptorTag::EnhancedAc3;
        line((enhanced ? QStringLiteral("enhanced AC-3 descriptor: ") : QStringLiteral("AC-3 descriptor: "))
             + parts.join(QStringLiteral(", ")));
    }
    void operator()(const PrivateDataSpecifierDescriptor &p)
    {
        line(QStringLiteral("private data specifier descriptor: %1").arg(hexNumber(p.privateDataSpecifier.value, 8)));
    }
    void operator()(const ServiceDescriptor &s)
    {
        line(QStringLiteral("service descriptor: service_type %1 (%2), provider %3, name %4")
                 .arg(hexNumber(s.serviceType.value, 2), serviceTypeName(int(s.serviceType.value)),
                      text(s.serviceProviderName), text(s.serviceName)));
    }
    void operator()(const CaIdentifierDescriptor &c)
    {
        QStringList ids;
        for (const SiField &id : c.caSystemIds)
            ids << hexNumber(id.value, 4);
        line(QStringLiteral("CA identifier descriptor: CA_system_id %1").arg(ids.join(QStringLiteral(", "))));
    }
    void operator()(const NetworkNameDescriptor &n)
    {
        line(QStringLiteral("network name descriptor: %1").arg(decodedText(n.name.bytes)));
    }
    void operator()(const ServiceListDescriptor &list)
    {
        line(QStringLiteral("service list descriptor, %1 service(s)").arg(length() / 3));
        for (const auto &e : list.entries)
            entry(QStringLiteral("service_id %1, service_type %2 (%3)")
                      .arg(hexNumber(e.serviceId.value, 4), hexNumber(e.serviceType.value, 2),
                           serviceTypeName(int(e.serviceType.value))));
    }
    void operator()(const LogicalChannelDescriptor &lcn)
    {
        line(QStringLiteral("logical channel descriptor, %1 channel(s)").arg(length() / 4));
        for (const auto &e : lcn.entries)
            entry(QStringLiteral("service_id %1, visible_service_flag %2, logical_channel_number %3")
                      .arg(hexNumber(e.serviceId.value, 4))
                      .arg(e.visibleServiceFlag.value)
                      .arg(e.logicalChannelNumber.value));
    }
    void operator()(const ShortEventDescriptor &e)
    {
        line(QStringLiteral("short event descriptor: language %1, name %2, text %3")
                 .arg(language(e.language), text(e.eventName), text(e.text)));
    }
};

void descriptors(const SiDescriptorLoop &loop, Out &out, int depth)
{
    for (const SiDescriptor &d : loop.descriptors)
        std::visit(Printer{out, depth, d}, d.decoded);
}

// A descriptor loop behind its 12-bit length, under a line that names it.
void descriptorLoop(const char *name, const SiField &length, const SiDescriptorLoop &loop, Out &out, int depth)
{
    out.line(depth, QStringLiteral("%1, %2 bytes").arg(QString::fromLatin1(name).replace(u'_', u' ')).arg(length.value));
    descriptors(loop, out, depth + 1);
}

void patBody(SectionReader &r, Out &out)
{
    PatSection t;
    readTable(r, t);
    for (const PatSection::Program &p : t.programs) {
        if (p.programNumber.value == 0)
            out.line(0, QStringLiteral("program_number 0x0000 -> network PID %1").arg(hexNumber(p.pid.value, 4)));
        else
            out.line(0, QStringLiteral("program_number %1 -> PMT PID %2")
                            .arg(hexNumber(p.programNumber.value, 4), hexNumber(p.pid.value, 4)));
    }
}

void pmtBody(SectionReader &r, Out &out)
{
    PmtSection t;
    readTable(r, t);
    out.line(0, QStringLiteral("PCR_PID %1").arg(hexNumber(t.pcrPid.value, 4)));
    descriptorLoop("program_info", t.programInfoLength, t.descriptors, out, 0);
    for (const PmtSection::Stream &s : t.streams) {
        const int type = int(s.streamType.value);
        out.line(0, QStringLiteral("stream_type %1 (%2) on PID %3, ES_info %4 bytes")
                        .arg(hexNumber(type, 2), streamTypeName(type), hexNumber(s.elementaryPid.value, 4))
                        .arg(s.esInfoLength.value));
        descriptors(s.descriptors, out, 1);
    }
}

void sdtBody(SectionReader &r, Out &out)
{
    SdtSection t;
    readTable(r, t);
    out.line(0, QStringLiteral("original_network_id %1").arg(hexNumber(t.originalNetworkId.value, 4)));
    for (const SdtSection::Service &s : t.services) {
        out.line(0, QStringLiteral("service_id %1: EIT_schedule_flag %2, EIT_present_following_flag %3, "
                                   "running_status %4 (%5), free_CA_mode %6, descriptors %7 bytes")
                        .arg(hexNumber(s.serviceId.value, 4))
                        .arg(s.eitScheduleFlag.value)
                        .arg(s.eitPresentFollowingFlag.value)
                        .arg(s.runningStatus.value)
                        .arg(runningStatusName(int(s.runningStatus.value)))
                        .arg(s.freeCaMode.value)
                        .arg(s.descriptorsLoopLength.value));
        descriptors(s.descriptors, out, 1);
    }
}

void nitBody(SectionReader &r, Out &out)
{
    NitSection t;
    readTable(r, t);
    descriptorLoop("network_descriptors", t.networkDescriptorsLength, t.descriptors, out, 0);
    for (const NitSection::TransportStream &s : t.transportStreams) {
        out.line(0, QStringLiteral("transport_stream_id %1, original_network_id %2, descriptors %3 bytes")
                        .arg(hexNumber(s.transportStreamId.value, 4), hexNumber(s.originalNetworkId.value, 4))
                        .arg(s.transportDescriptorsLength.value));
        descriptors(s.descriptors, out, 1);
    }
}

void eitBody(SectionReader &r, Out &out)
{
    EitSection t;
    readTable(r, t);
    out.line(0, QStringLiteral("transport_stream_id %1, original_network_id %2, segment_last_section_number %3, "
                               "last_table_id %4")
                    .arg(hexNumber(t.transportStreamId.value, 4), hexNumber(t.originalNetworkId.value, 4))
                    .arg(t.segmentLastSectionNumber.value)
                    .arg(hexNumber(t.lastTableId.value, 2)));
    for (const EitSection::Event &e : t.events) {
        out.line(0, QStringLiteral("event_id %1: start_time %2, duration %3, running_status %4 (%5), "
                                   "free_CA_mode %6, descriptors %7 bytes")
                        .arg(hexNumber(e.eventId.value, 4), utcTime(e.startTime), duration(e.duration))
                        .arg(e.runningStatus.value)
                        .arg(runningStatusName(int(e.runningStatus.value)))
                        .arg(e.freeCaMode.value)
                        .arg(e.descriptorsLoopLength.value));
        descriptors(e.descriptors, out, 1);
    }
}

void unknownBody(SectionReader &r, Out &out)
{
    out.line(0, QStringLiteral("body %1").arg(hexBytes(r.rest("body"))));
}

// The tables with a long header that the dump decodes: the name of their
// table_id_extension and the decoder of what follows the header.
struct LongTable {
    const char *idName;
    void (*body)(SectionReader &, Out &);
};

LongTable longTable(int tableId)
{
    switch (tableId) {
    case TableId::Pat: return {"transport_stream_id", patBody};
    case TableId::Pmt: return {"program_number", pmtBody};
    case TableId::NitActual:
    case TableId::NitOther: return {"network_id", nitBody};
    case TableId::SdtActual:
    case TableId::SdtOther: return {"transport_stream_id", sdtBody};
    default:
        if (tableId >= TableId::EitPfActual && tableId <= TableId::EitLast)
            return {"service_id", eitBody};
        return {"table_id_extension", unknownBody};
    }
}

void longHeader(const SiSectionHeader &h, Out &out, const LongTable &table)
{
    out.line(0, QStringLiteral("%1 %2, version_number %3, current_next_indicator %4, section_number %5, last_section_number %6")
                    .arg(QLatin1String(table.idName), hexNumber(h.tableIdExtension.value, 4))
                    .arg(h.versionNumber.value)
                    .arg(h.currentNextIndicator.value)
                    .arg(h.sectionNumber.value)
                    .arg(h.lastSectionNumber.value));
}

// time_date_section: UTC_time, no CRC_32.
bool tdtLines(const QByteArray &section, Out &out, QString *error)
{
    const TdtSection t = decodeTdt(section);
    if (!t.finding.isEmpty()) {
        *error = t.finding;
        return false;
    }
    out.line(0, QStringLiteral("UTC_time %1").arg(utcTime(t.utcTime)));
    return true;
}

void crcLine(const QByteArray &section, Out &out)
{
    const int crcAt = int(section.size()) - 4;
    const quint32 crc = (quint32(quint8(section.at(crcAt))) << 24) | (quint32(quint8(section.at(crcAt + 1))) << 16)
        | (quint32(quint8(section.at(crcAt + 2))) << 8) | quint32(quint8(section.at(crcAt + 3)));
    out.line(0, QStringLiteral("CRC_32 %1%2")
                    .arg(hexNumber(crc, 8))
                    .arg(mpegCrc32(section) == 0 ? QString() : QStringLiteral(" (wrong)")));
}

} // namespace

bool describeSection(const QByteArray &section, int indent, QStringList *lines, QString *error)
{
    Out out{lines, indent};
    SectionReader r(section);
    const int tableId = int(r.u8("table_id").value);
    const SiField flags = r.u16("section_length");
    if (!r.ok()) {
        *error = QStringLiteral("section of %1 bytes, shorter than its 3-byte header").arg(section.size());
        return false;
    }
    const bool syntax = flags.value & 0x8000;
    const int length = int(flags.value & 0x0FFF);
    if (3 + length != section.size()) {
        *error = QStringLiteral("section_length %1 does not match the %2 bytes sent").arg(length).arg(section.size());
        return false;
    }
    out.line(0, QStringLiteral("table_id %1 (%2), section_syntax_indicator %3, section_length %4")
                    .arg(hexNumber(tableId, 2), tableName(tableId))
                    .arg(int(syntax))
                    .arg(length));
    if (tableId == TableId::Tdt)
        return tdtLines(section, out, error);
    if (!syntax || section.size() < 12) {
        // No long header to decode: show the body as it stands.
        out.line(0, QStringLiteral("body %1").arg(QString::fromLatin1(section.mid(3).toHex(' '))));
        return true;
    }
    SectionReader body(section);
    const SiSectionHeader header = readLongHeader(body);
    const LongTable table = longTable(tableId);
    longHeader(header, out, table);
    table.body(body, out);
    if (!body.ok()) {
        *error = QStringLiteral("%1: %2").arg(tableName(tableId), body.finding());
        return false;
    }
    crcLine(section, out);
    return true;
}
