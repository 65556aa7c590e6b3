#include "mbn/mbndump.h"

#include <QDate>

#include <algorithm>

#include "config/filtertext.h"
#include "config/number.h"
#include "format/mbnformat.h"
#include "mbn/mbnprogram.h"

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

QString language(const QByteArray &code)
{
    return quoted(QString::fromLatin1(code));
}

// Bounds-checked reading of one section; the first fault sticks and later
// reads return zeros, so a decoder checks `ok` once per loop.
struct SectionReader {
    const QByteArray &d;
    int at = 0;
    int end = 0;
    QString error;

    bool ok() const { return error.isEmpty(); }
    bool need(int n, const QString &what)
    {
        if (ok() && (n < 0 || at + n > end))
            error = QStringLiteral("%1 runs past the end of its section or loop (%2 bytes needed at section byte %3, %4 left)")
                        .arg(what)
                        .arg(n)
                        .arg(at)
                        .arg(qMax(0, end - at));
        return ok();
    }
    int byte(const QString &what)
    {
        if (!need(1, what))
            return 0;
        return quint8(d.at(at++));
    }
    int word(const QString &what)
    {
        if (!need(2, what))
            return 0;
        const int w = (quint8(d.at(at)) << 8) | quint8(d.at(at + 1));
        at += 2;
        return w;
    }
    QByteArray take(int n, const QString &what)
    {
        if (!need(n, what))
            return QByteArray();
        at += n;
        return d.mid(at - n, n);
    }
    // An 8-bit length and that many bytes of text.
    QString text(const QString &what)
    {
        const int n = byte(what + QStringLiteral(" length"));
        return decodedText(take(n, what));
    }
    // A 12-bit loop length in the low bits of a 16-bit word; returns the loop's end.
    int loop(const QString &what)
    {
        const int length = word(what) & 0x0FFF;
        if (!need(length, what))
            return at;
        return at + length;
    }
    void fail(const QString &why)
    {
        if (ok())
            error = why;
    }
};

struct Out {
    QStringList *lines;
    int indent;
    void line(int depth, const QString &text) { lines->append(QString(indent + 2 * depth, QLatin1Char(' ')) + text); }
};

QString serviceTypeName(int type)
{
    switch (type) {
    case 0x01: return QStringLiteral("digital television");
    case 0x02: return QStringLiteral("digital radio sound");
    case 0x0C: return QStringLiteral("data broadcast");
    case 0x16: return QStringLiteral("H.264/AVC SD digital television");
    case 0x19: return QStringLiteral("H.264/AVC HD digital television");
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

int bcd(int byte)
{
    return (byte >> 4) * 10 + (byte & 0x0F);
}

bool isBcd(int byte)
{
    return (byte >> 4) < 10 && (byte & 0x0F) < 10;
}

// EN 300 468 Annex C: 16 bits of modified Julian date, then hours, minutes
// and seconds in BCD.
QString utcTime(const QByteArray &t)
{
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

QString duration(const QByteArray &t)
{
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

// One descriptor's body, r.at to r.end, decoded onto lines at `depth`.
struct Descriptor {
    SectionReader &r;
    Out &out;
    int depth;
    int length;

    void bad(const QString &name, const QString &holds)
    {
        r.fail(QStringLiteral("%1 of %2 bytes does not hold %3").arg(name).arg(length).arg(holds));
    }
    // A body of fixed-size entries; false (and the fault) when it is not.
    bool entries(int size, const QString &name, const QString &holds)
    {
        if (length % size == 0)
            return true;
        bad(name, holds);
        return false;
    }
};

// ISO/IEC 13818-1 CA_descriptor
void caDescriptor(Descriptor &d)
{
    if (d.length < 4)
        return d.bad(QStringLiteral("CA descriptor"), QStringLiteral("CA_system_ID and CA_PID"));
    const int system = d.r.word(QString());
    const int pid = d.r.word(QString()) & 0x1FFF;
    QString line = QStringLiteral("CA descriptor: CA_system_ID %1, CA_PID %2").arg(hexNumber(system, 4), hexNumber(pid, 4));
    if (d.r.at < d.r.end)
        line += QStringLiteral(", private data %1").arg(QString::fromLatin1(d.r.take(d.r.end - d.r.at, QString()).toHex(' ')));
    d.out.line(d.depth, line);
}

// EN 300 468 teletext_descriptor
void teletextDescriptor(Descriptor &d)
{
    if (!d.entries(5, QStringLiteral("teletext descriptor"), QStringLiteral("5-byte entries")))
        return;
    d.out.line(d.depth, QStringLiteral("teletext descriptor, %1 page(s)").arg(d.length / 5));
    while (d.r.ok() && d.r.at < d.r.end) {
        const QByteArray code = d.r.take(3, QString());
        const int typeAndMagazine = d.r.byte(QString());
        const int page = d.r.byte(QString());
        const int magazine = typeAndMagazine & 7;
        d.out.line(d.depth + 1, QStringLiteral("language %1, teletext_type %2, magazine %3, page %4 (page %5)")
                                    .arg(language(code))
                                    .arg(typeAndMagazine >> 3)
                                    .arg(magazine)
                                    .arg(hexNumber(page, 2))
                                    .arg(isBcd(page) ? QString::number((magazine ? magazine : 8) * 100 + bcd(page))
                                                     : QStringLiteral("not BCD")));
    }
}

// ISO/IEC 13818-1 ISO_639_language_descriptor
void iso639LanguageDescriptor(Descriptor &d)
{
    if (!d.entries(4, QStringLiteral("ISO 639 language descriptor"), QStringLiteral("4-byte entries")))
        return;
    static const char *const audioTypes[] = {"undefined", "clean effects", "hearing impaired",
                                             "visual impaired commentary"};
    QStringList languages;
    while (d.r.ok() && d.r.at < d.r.end) {
        const QByteArray code = d.r.take(3, QString());
        const int type = d.r.byte(QString());
        languages << QStringLiteral("language %1, audio_type %2 (%3)")
                         .arg(language(code), hexNumber(type, 2),
                              QLatin1String(type < 4 ? audioTypes[type] : "reserved"));
    }
    d.out.line(d.depth, QStringLiteral("ISO 639 language descriptor: %1").arg(languages.join(QStringLiteral("; "))));
}

// EN 300 468 Annex D AC-3_descriptor and enhanced_AC-3_descriptor: a byte of
// flags, one optional byte per set flag that has one, then additional_info.
void ac3FlagsDescriptor(Descriptor &d, const QString &name, const QList<const char *> &flags,
                        const QList<const char *> &fields)
{
    const int bits = d.r.byte(QStringLiteral("flags"));
    QStringList parts;
    for (int i = 0; i < flags.size(); ++i)
        parts << QStringLiteral("%1 %2").arg(QLatin1String(flags.at(i))).arg((bits >> (7 - i)) & 1);
    if (flags.size() < 8)
        parts << QStringLiteral("reserved %1").arg(hexNumber(bits & ((1 << (8 - flags.size())) - 1), 1));
    for (int i = 0; i < fields.size(); ++i) {
        if (fields.at(i) && (bits >> (7 - i)) & 1)
            parts << QStringLiteral("%1 %2").arg(QLatin1String(fields.at(i)), hexNumber(d.r.byte(QLatin1String(fields.at(i))), 2));
    }
    if (d.r.ok() && d.r.at < d.r.end)
        parts << QStringLiteral("additional_info %1").arg(QString::fromLatin1(d.r.take(d.r.end - d.r.at, QString()).toHex(' ')));
    if (d.r.ok())
        d.out.line(d.depth, name + QStringLiteral(": ") + parts.join(QStringLiteral(", ")));
}

void ac3Descriptor(Descriptor &d)
{
    ac3FlagsDescriptor(d, QStringLiteral("AC-3 descriptor"),
                       {"component_type_flag", "bsid_flag", "mainid_flag", "asvc_flag"},
                       {"component_type", "bsid", "mainid", "asvc"});
}

void enhancedAc3Descriptor(Descriptor &d)
{
    ac3FlagsDescriptor(d, QStringLiteral("enhanced AC-3 descriptor"),
                       {"component_type_flag", "bsid_flag", "mainid_flag", "asvc_flag", "mixinfoexists",
                        "substream1_flag", "substream2_flag", "substream3_flag"},
                       {"component_type", "bsid", "mainid", "asvc", nullptr, "substream1", "substream2", "substream3"});
}

// EN 300 468 subtitling_descriptor
void subtitlingDescriptor(Descriptor &d)
{
    if (!d.entries(8, QStringLiteral("subtitling descriptor"), QStringLiteral("8-byte entries")))
        return;
    d.out.line(d.depth, QStringLiteral("subtitling descriptor, %1 subtitle(s)").arg(d.length / 8));
    while (d.r.ok() && d.r.at < d.r.end) {
        const QByteArray code = d.r.take(3, QString());
        const int type = d.r.byte(QString());
        const int composition = d.r.word(QString());
        const int ancillary = d.r.word(QString());
        d.out.line(d.depth + 1, QStringLiteral("language %1, subtitling_type %2, composition_page_id %3, ancillary_page_id %4")
                                    .arg(language(code), hexNumber(type, 2), hexNumber(composition, 4), hexNumber(ancillary, 4)));
    }
}

// EN 300 468 private_data_specifier_descriptor
void privateDataSpecifierDescriptor(Descriptor &d)
{
    if (d.length != 4)
        return d.bad(QStringLiteral("private data specifier descriptor"), QStringLiteral("exactly a 32-bit specifier"));
    const qint64 specifier = qint64(d.r.word(QString())) << 16 | d.r.word(QString());
    d.out.line(d.depth, QStringLiteral("private data specifier descriptor: %1").arg(hexNumber(specifier, 8)));
}

// EN 300 468 service_descriptor
void serviceDescriptor(Descriptor &d)
{
    const int type = d.r.byte(QStringLiteral("service_type"));
    const QString provider = d.r.text(QStringLiteral("service_provider_name"));
    const QString name = d.r.text(QStringLiteral("service_name"));
    if (d.r.ok() && d.r.at != d.r.end)
        d.bad(QStringLiteral("service descriptor"), QStringLiteral("exactly its type and two names"));
    if (d.r.ok())
        d.out.line(d.depth, QStringLiteral("service descriptor: service_type %1 (%2), provider %3, name %4")
                                .arg(hexNumber(type, 2), serviceTypeName(type), provider, name));
}

// EN 300 468 CA_identifier_descriptor
void caIdentifierDescriptor(Descriptor &d)
{
    if (!d.entries(2, QStringLiteral("CA identifier descriptor"), QStringLiteral("16-bit CA_system_ids")))
        return;
    QStringList ids;
    while (d.r.ok() && d.r.at < d.r.end)
        ids << hexNumber(d.r.word(QString()), 4);
    d.out.line(d.depth, QStringLiteral("CA identifier descriptor: CA_system_id %1").arg(ids.join(QStringLiteral(", "))));
}

// EN 300 468 network_name_descriptor: the whole body is the name
void networkNameDescriptor(Descriptor &d)
{
    d.out.line(d.depth, QStringLiteral("network name descriptor: %1").arg(decodedText(d.r.take(d.length, QString()))));
}

// EN 300 468 service_list_descriptor
void serviceListDescriptor(Descriptor &d)
{
    if (!d.entries(3, QStringLiteral("service list descriptor"), QStringLiteral("3-byte entries")))
        return;
    d.out.line(d.depth, QStringLiteral("service list descriptor, %1 service(s)").arg(d.length / 3));
    while (d.r.ok() && d.r.at < d.r.end) {
        const int id = d.r.word(QString());
        const int type = d.r.byte(QString());
        d.out.line(d.depth + 1, QStringLiteral("service_id %1, service_type %2 (%3)")
                                    .arg(hexNumber(id, 4), hexNumber(type, 2), serviceTypeName(type)));
    }
}

// logical_channel_descriptor (EACEM/NorDig private tag)
void logicalChannelDescriptor(Descriptor &d)
{
    if (!d.entries(4, QStringLiteral("logical channel descriptor"), QStringLiteral("4-byte entries")))
        return;
    d.out.line(d.depth, QStringLiteral("logical channel descriptor, %1 channel(s)").arg(d.length / 4));
    while (d.r.ok() && d.r.at < d.r.end) {
        const int id = d.r.word(QString());
        const int w = d.r.word(QString());
        d.out.line(d.depth + 1, QStringLiteral("service_id %1, visible_service_flag %2, logical_channel_number %3")
                                    .arg(hexNumber(id, 4))
                                    .arg(w >> 15)
                                    .arg(w & 0x03FF));
    }
}

// EN 300 468 short_event_descriptor
void shortEventDescriptor(Descriptor &d)
{
    const QByteArray code = d.r.take(3, QStringLiteral("ISO_639_language_code"));
    const QString name = d.r.text(QStringLiteral("event_name"));
    const QString text = d.r.text(QStringLiteral("text"));
    if (d.r.ok() && d.r.at != d.r.end)
        d.bad(QStringLiteral("short event descriptor"), QStringLiteral("exactly a language, a name and a text"));
    if (d.r.ok())
        d.out.line(d.depth, QStringLiteral("short event descriptor: language %1, name %2, text %3")
                                .arg(language(code), name, text));
}

void unknownDescriptor(Descriptor &d, int tag)
{
    d.out.line(d.depth, QStringLiteral("descriptor %1, %2 bytes: %3")
                            .arg(hexNumber(tag, 2))
                            .arg(d.length)
                            .arg(QString::fromLatin1(d.r.take(d.length, QString()).toHex(' '))));
}

const struct {
    quint8 tag;
    void (*decode)(Descriptor &);
} DescriptorDecoders[] = {
    {DescriptorTag::Ca, caDescriptor},
    {DescriptorTag::Iso639Language, iso639LanguageDescriptor},
    {DescriptorTag::NetworkName, networkNameDescriptor},
    {DescriptorTag::ServiceList, serviceListDescriptor},
    {DescriptorTag::Service, serviceDescriptor},
    {DescriptorTag::ShortEvent, shortEventDescriptor},
    {DescriptorTag::CaIdentifier, caIdentifierDescriptor},
    {DescriptorTag::Teletext, teletextDescriptor},
    {DescriptorTag::Subtitling, subtitlingDescriptor},
    {DescriptorTag::PrivateDataSpecifier, privateDataSpecifierDescriptor},
    {DescriptorTag::Ac3, ac3Descriptor},
    {DescriptorTag::EnhancedAc3, enhancedAc3Descriptor},
    {DescriptorTag::LogicalChannel, logicalChannelDescriptor},
};

// The descriptors from r.at to `end`, one line each (entries on lines below).
void descriptors(SectionReader &r, int end, Out &out, int depth)
{
    const int outerEnd = r.end;
    while (r.ok() && r.at < end) {
        const int tag = r.byte(QStringLiteral("descriptor_tag"));
        const int length = r.byte(QStringLiteral("descriptor_length"));
        r.end = end;
        if (!r.need(length, QStringLiteral("descriptor %1").arg(hexNumber(tag, 2)))) {
            r.end = outerEnd;
            return;
        }
        const int descriptorEnd = r.at + length;
        r.end = descriptorEnd;
        Descriptor d{r, out, depth, length};
        const auto known = std::find_if(std::begin(DescriptorDecoders), std::end(DescriptorDecoders),
                                        [tag](const auto &decoder) { return decoder.tag == tag; });
        if (known != std::end(DescriptorDecoders))
            known->decode(d);
        else
            unknownDescriptor(d, tag);
        if (r.ok() && r.at != descriptorEnd)
            r.fail(QStringLiteral("descriptor %1 does not end where its length says").arg(hexNumber(tag, 2)));
        r.end = outerEnd;
    }
    if (r.ok() && r.at != end)
        r.fail(QStringLiteral("descriptor loop does not end where its length says"));
}

// A descriptor loop preceded by its 12-bit length.
void descriptorLoop(SectionReader &r, const QString &name, Out &out, int depth)
{
    const int end = r.loop(name + QStringLiteral("_length"));
    if (!r.ok())
        return;
    out.line(depth, QStringLiteral("%1, %2 bytes").arg(QString(name).replace(u'_', u' ')).arg(end - r.at));
    descriptors(r, end, out, depth + 1);
}

// EN 300 468 time_date_section: UTC_time, no CRC_32.
void tdtBody(SectionReader &r, Out &out, int length)
{
    const QByteArray t = r.take(5, QStringLiteral("UTC_time"));
    if (r.ok() && r.at != r.end)
        r.fail(QStringLiteral("TDT of %1 bytes after its header, 5 expected").arg(length));
    if (r.ok())
        out.line(0, QStringLiteral("UTC_time %1").arg(utcTime(t)));
}

// program_association_section
void patBody(SectionReader &r, Out &out)
{
    while (r.ok() && r.at < r.end) {
        const int program = r.word(QStringLiteral("program_number"));
        const int pid = r.word(QStringLiteral("program_map_PID")) & 0x1FFF;
        if (!r.ok())
            break;
        if (program == 0)
            out.line(0, QStringLiteral("program_number 0x0000 -> network PID %1").arg(hexNumber(pid, 4)));
        else
            out.line(0, QStringLiteral("program_number %1 -> PMT PID %2").arg(hexNumber(program, 4), hexNumber(pid, 4)));
    }
}

// TS_program_map_section
void pmtBody(SectionReader &r, Out &out)
{
    out.line(0, QStringLiteral("PCR_PID %1").arg(hexNumber(r.word(QStringLiteral("PCR_PID")) & 0x1FFF, 4)));
    descriptorLoop(r, QStringLiteral("program_info"), out, 0);
    while (r.ok() && r.at < r.end) {
        const int type = r.byte(QStringLiteral("stream_type"));
        const int pid = r.word(QStringLiteral("elementary_PID")) & 0x1FFF;
        const int end = r.loop(QStringLiteral("ES_info_length"));
        if (!r.ok())
            break;
        out.line(0, QStringLiteral("stream_type %1 (%2) on PID %3, ES_info %4 bytes")
                        .arg(hexNumber(type, 2), streamTypeName(type), hexNumber(pid, 4))
                        .arg(end - r.at));
        descriptors(r, end, out, 1);
    }
}

// The 16 bits before an SDT service's or an EIT event's descriptors:
// running_status, free_CA_mode, descriptors_loop_length. The loop's end, or
// -1 when it runs past the section.
int statusAndLoop(SectionReader &r, int *statusWord)
{
    *statusWord = r.word(QStringLiteral("descriptors_loop_length"));
    const int end = r.at + (*statusWord & 0x0FFF);
    return r.need(end - r.at, QStringLiteral("descriptors_loop_length")) ? end : -1;
}

// service_description_section
void sdtBody(SectionReader &r, Out &out)
{
    out.line(0, QStringLiteral("original_network_id %1").arg(hexNumber(r.word(QStringLiteral("original_network_id")), 4)));
    r.byte(QStringLiteral("reserved_future_use"));
    while (r.ok() && r.at < r.end) {
        const int id = r.word(QStringLiteral("service_id"));
        const int eitFlags = r.byte(QStringLiteral("EIT flags"));
        int statusWord = 0;
        const int end = statusAndLoop(r, &statusWord);
        if (end < 0)
            break;
        out.line(0, QStringLiteral("service_id %1: EIT_schedule_flag %2, EIT_present_following_flag %3, "
                                   "running_status %4 (%5), free_CA_mode %6, descriptors %7 bytes")
                        .arg(hexNumber(id, 4))
                        .arg((eitFlags >> 1) & 1)
                        .arg(eitFlags & 1)
                        .arg(statusWord >> 13)
                        .arg(runningStatusName(statusWord >> 13))
                        .arg((statusWord >> 12) & 1)
                        .arg(end - r.at));
        descriptors(r, end, out, 1);
    }
}

// network_information_section
void nitBody(SectionReader &r, Out &out)
{
    descriptorLoop(r, QStringLiteral("network_descriptors"), out, 0);
    const int loopEnd = r.loop(QStringLiteral("transport_stream_loop_length"));
    if (!r.ok())
        return;
    const int sectionEnd = r.end;
    r.end = loopEnd;
    while (r.ok() && r.at < loopEnd) {
        const int tsid = r.word(QStringLiteral("transport_stream_id"));
        const int onid = r.word(QStringLiteral("original_network_id"));
        const int end = r.loop(QStringLiteral("transport_descriptors_length"));
        if (!r.ok())
            break;
        out.line(0, QStringLiteral("transport_stream_id %1, original_network_id %2, descriptors %3 bytes")
                        .arg(hexNumber(tsid, 4), hexNumber(onid, 4))
                        .arg(end - r.at));
        descriptors(r, end, out, 1);
    }
    r.end = sectionEnd;
    if (r.ok() && r.at != r.end)
        r.fail(QStringLiteral("%1 bytes after the transport stream loop").arg(r.end - r.at));
}

// event_information_section
void eitBody(SectionReader &r, Out &out)
{
    const int tsid = r.word(QStringLiteral("transport_stream_id"));
    const int onid = r.word(QStringLiteral("original_network_id"));
    const int segmentLast = r.byte(QStringLiteral("segment_last_section_number"));
    const int lastTable = r.byte(QStringLiteral("last_table_id"));
    if (!r.ok())
        return;
    out.line(0, QStringLiteral("transport_stream_id %1, original_network_id %2, segment_last_section_number %3, "
                               "last_table_id %4")
                    .arg(hexNumber(tsid, 4), hexNumber(onid, 4))
                    .arg(segmentLast)
                    .arg(hexNumber(lastTable, 2)));
    while (r.ok() && r.at < r.end) {
        const int eventId = r.word(QStringLiteral("event_id"));
        const QByteArray start = r.take(5, QStringLiteral("start_time"));
        const QByteArray length = r.take(3, QStringLiteral("duration"));
        int statusWord = 0;
        const int end = statusAndLoop(r, &statusWord);
        if (end < 0)
            break;
        out.line(0, QStringLiteral("event_id %1: start_time %2, duration %3, running_status %4 (%5), "
                                   "free_CA_mode %6, descriptors %7 bytes")
                        .arg(hexNumber(eventId, 4), utcTime(start), duration(length))
                        .arg(statusWord >> 13)
                        .arg(runningStatusName(statusWord >> 13))
                        .arg((statusWord >> 12) & 1)
                        .arg(end - r.at));
        descriptors(r, end, out, 1);
    }
}

void unknownBody(SectionReader &r, Out &out)
{
    out.line(0, QStringLiteral("body %1").arg(QString::fromLatin1(r.take(r.end - r.at, QString()).toHex(' '))));
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

// The long header of ISO/IEC 13818-1 2.4.4.10 after section_length.
void longHeader(SectionReader &r, Out &out, const LongTable &table)
{
    const int idField = r.word(QString());
    const int version = r.byte(QString());
    const int sectionNumber = r.byte(QString());
    const int lastSectionNumber = r.byte(QString());
    out.line(0, QStringLiteral("%1 %2, version_number %3, current_next_indicator %4, section_number %5, last_section_number %6")
                    .arg(QLatin1String(table.idName), hexNumber(idField, 4))
                    .arg((version >> 1) & 0x1F)
                    .arg(version & 1)
                    .arg(sectionNumber)
                    .arg(lastSectionNumber));
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
    SectionReader r{section, 0, int(section.size()), QString()};
    const int tableId = r.byte(QStringLiteral("table_id"));
    const int flags = r.word(QStringLiteral("section_length"));
    if (!r.ok()) {
        *error = QStringLiteral("section of %1 bytes, shorter than its 3-byte header").arg(section.size());
        return false;
    }
    const bool syntax = flags & 0x8000;
    const int length = flags & 0x0FFF;
    if (3 + length != section.size()) {
        *error = QStringLiteral("section_length %1 does not match the %2 bytes sent").arg(length).arg(section.size());
        return false;
    }
    out.line(0, QStringLiteral("table_id %1 (%2), section_syntax_indicator %3, section_length %4")
                    .arg(hexNumber(tableId, 2), tableName(tableId))
                    .arg(int(syntax))
                    .arg(length));

    if (tableId == TableId::Tdt) {
        tdtBody(r, out, length);
        if (!r.ok())
            *error = r.error;
        return r.ok();
    }
    if (!syntax || section.size() < 12) {
        // No long header to decode: show the body as it stands.
        out.line(0, QStringLiteral("body %1").arg(QString::fromLatin1(section.mid(3).toHex(' '))));
        return true;
    }

    // The table's own body runs up to CRC_32.
    r.end = int(section.size()) - 4;
    const LongTable table = longTable(tableId);
    longHeader(r, out, table);
    table.body(r, out);
    if (!r.ok()) {
        *error = QStringLiteral("%1: %2").arg(tableName(tableId), r.error);
        return false;
    }
    crcLine(section, out);
    return true;
}

namespace {

QString routineName(int slot)
{
    using namespace Mbn;
    switch (slot) {
    case SlotPat: return QStringLiteral("PAT routine");
    case SlotNit: return QStringLiteral("NIT routine");
    case SlotSdt: return QStringLiteral("SDT routine");
    case SlotTdt: return QStringLiteral("TDT routine");
    case SlotFilterTable: return QStringLiteral("PID filter table");
    case SlotClosing: return QStringLiteral("closing routine");
    default:
        // Slot 16 + i and 32 + i belong to the i-th service that has a PMT,
        // which need not be the i-th service of the list.
        if (slot >= SlotFirstPmt && slot < SlotFirstEit)
            return QStringLiteral("PMT routine %1").arg(slot - SlotFirstPmt + 1);
        if (slot >= SlotFirstEit && slot < EntrySlots)
            return QStringLiteral("EIT routine %1").arg(slot - SlotFirstEit + 1);
        return QStringLiteral("slot %1").arg(slot);
    }
}

QString listKind(int kind)
{
    switch (kind) {
    case Mbn::ListPatPrograms: return QStringLiteral("PAT program loop");
    case Mbn::ListNitServices: return QStringLiteral("NIT service list");
    case Mbn::ListSdtServices: return QStringLiteral("SDT service loop");
    case Mbn::ListNitLogicalChannels: return QStringLiteral("NIT logical channels");
    default: return QStringLiteral("unknown list");
    }
}

QString instructionText(const MbnInstruction &in)
{
    switch (in.kind) {
    case MbnInstruction::Copy: return QStringLiteral("copy %1 bytes from %2").arg(in.b).arg(hexNumber(in.a, 4));
    case MbnInstruction::Byte: return QStringLiteral("byte %1").arg(hexNumber(in.a, 2));
    case MbnInstruction::ListMarker: return QStringLiteral("list marker %1 (%2)").arg(in.a).arg(listKind(in.a));
    case MbnInstruction::Send: return QStringLiteral("send on PID %1, context %2").arg(hexNumber(in.a, 4)).arg(in.b);
    case MbnInstruction::ClosingMarker: return QStringLiteral("closing marker %1").arg(in.a);
    case MbnInstruction::RealTimeTdt: return QStringLiteral("real-time TDT (%1)").arg(in.a);
    case MbnInstruction::Interval: return QStringLiteral("interval %1 ms").arg(in.a);
    case MbnInstruction::OpenLength16: return QStringLiteral("open 16-bit length field (first byte %1)").arg(hexNumber(in.a, 2));
    case MbnInstruction::OpenLength8: return QStringLiteral("open 8-bit length field (initial byte %1)").arg(hexNumber(in.a, 2));
    case MbnInstruction::CloseLength16: return QStringLiteral("close 16-bit length field, %1 bits").arg(in.a);
    case MbnInstruction::CloseLength8: return QStringLiteral("close 8-bit length field, %1 bits").arg(in.a);
    case MbnInstruction::End: return QStringLiteral("end");
    }
    return QString();
}

QString rawBytes(const QByteArray &program, int offset, int size)
{
    return QString::fromLatin1(program.mid(offset, size).toHex(' ')).leftJustified(11);
}

// One line per used slot; PMT and EIT routines name the service they carry.
void entryTableLines(const MbnProgram &program, const QList<MbnSentSection> &sent, QStringList &lines)
{
    lines << QStringLiteral("Entry table");
    for (int slot = 0; slot < Mbn::EntrySlots; ++slot) {
        const quint16 offset = program.entry(slot);
        if (offset == Mbn::UnusedEntry)
            continue;
        QString line = QStringLiteral("  slot %1 %2 at %3").arg(slot, -2).arg(routineName(slot), hexNumber(offset, 4));
        for (int i = 0; i < program.routines().size(); ++i) {
            const QByteArray &section = sent.at(i).section;
            const int tableId = section.isEmpty() ? -1 : quint8(section.at(0));
            if (program.routines().at(i).slot == slot && section.size() >= 5
                && (tableId == TableId::Pmt || tableId == TableId::EitPfActual))
                line += QStringLiteral(" (service_id %1)")
                            .arg(hexNumber((quint8(section.at(3)) << 8) | quint8(section.at(4)), 4));
        }
        lines << line;
    }
}

// A routine's instructions and the section it sends, decoded.
bool routineLines(const MbnProgram &program, const MbnRoutine &routine, const MbnSentSection &s,
                  QStringList &lines, QString *why)
{
    lines << QString()
          << QStringLiteral("%1 (slot %2) at %3").arg(routineName(routine.slot)).arg(routine.slot).arg(hexNumber(routine.offset, 4));
    for (const MbnInstruction &in : routine.instructions)
        lines << QStringLiteral("  %1  %2  %3").arg(hexNumber(in.offset, 4), rawBytes(program.bytes(), in.offset, in.size),
                                                    instructionText(in));
    if (s.realTimeTdt)
        lines << QStringLiteral("  no section: the device sends a TDT with the current UTC time");
    if (s.pid < 0)
        return true;
    lines << QStringLiteral("  section sent on PID %1, context %2, %3 bytes")
                 .arg(hexNumber(s.pid, 4))
                 .arg(s.context)
                 .arg(s.section.size());
    return describeSection(s.section, 4, &lines, why);
}

// The records in the words of the PID filter page, in hexadecimal notation.
void filterTableLines(const MbnProgram &program, QStringList &lines)
{
    const QList<MbnFilterRecord> &records = program.filterRecords();
    lines << QString()
          << QStringLiteral("PID filter table (slot %1) at %2, %3 records")
                 .arg(Mbn::SlotFilterTable)
                 .arg(hexNumber(program.filterTableOffset(), 4))
                 .arg(records.size());
    const FilterRuleTexts words(true);
    for (int i = 0; i < records.size(); ++i) {
        const MbnFilterRecord &record = records.at(i);
        lines << QStringLiteral("  %1  %2  %3%4")
                     .arg(hexNumber(record.offset, 4),
                          QString::fromLatin1(program.bytes().mid(record.offset, Mbn::FilterRecordSize).toHex(' ')),
                          words.text(record.rule()),
                          i + 1 == records.size() ? QStringLiteral("  (default rule)") : QString());
    }
}

} // namespace

bool dumpMbnProgram(const MbnProgram &program, QString *text, int *errorOffset, QString *errorString)
{
    text->clear();
    auto stop = [&](const MbnRoutine &routine, const QString &why) {
        *errorOffset = routine.offset;
        *errorString = QStringLiteral("%1: %2").arg(routineName(routine.slot), why);
        return false;
    };

    // Run every routine first: the entry table names the service each PMT and
    // EIT routine is for, and a routine that does not run stops the dump.
    QList<MbnSentSection> sent;
    for (const MbnRoutine &routine : program.routines()) {
        MbnSentSection s;
        QString why;
        if (!program.run(routine, &s, &why))
            return stop(routine, why);
        sent.append(s);
    }

    QStringList lines;
    lines << QStringLiteral("MUX binary of %1 bytes").arg(program.bytes().size()) << QString();
    entryTableLines(program, sent, lines);
    for (int i = 0; i < program.routines().size(); ++i) {
        QString why;
        if (!routineLines(program, program.routines().at(i), sent.at(i), lines, &why))
            return stop(program.routines().at(i), why);
    }
    if (program.filterTableOffset() >= 0)
        filterTableLines(program, lines);
    *text = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    return true;
}
