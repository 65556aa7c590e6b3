// A configuration out of decoded PSI/SI tables: PAT and PMT, CAT, NIT, SDT,
// EIT present/following and TDT.

#include "import/configbuilder.h"

#include <QDate>

#include <algorithm>
#include <cmath>

#include "config/number.h"
#include "format/mbnformat.h"
#include "import/sectioncollector.h"
#include "si/dvbtext.h"

namespace {

constexpr int CatPid = 0x0001;
constexpr quint8 CatTableId = 0x01;
constexpr int MaxLogicalChannel = 999;

QString hex4(int value)
{
    return hexNumber(quint32(value), 4, HexCase::Upper);
}

QString hex2(int value)
{
    return hexNumber(quint32(value), 2, HexCase::Upper);
}

int value(const SiField &f)
{
    return int(f.value);
}

// A PID of 0x1FFF (none) is kept as 0.
quint16 pidOrZero(const SiField &f)
{
    return f.value == Pid::Null ? 0 : quint16(f.value);
}

// The bytes as text when they are printable ASCII, else in hexadecimal.
QString shown(const QByteArray &bytes)
{
    const bool printable = std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return c >= 0x20 && c < 0x7F; });
    return printable ? QStringLiteral("'%1'").arg(QString::fromLatin1(bytes))
                     : QStringLiteral("0x") + QString::fromLatin1(bytes.toHex().toUpper());
}

// Longest gaps that ETSI TR 101 290 allows (PAT_error, PMT_error, SI_repetition_error), in ms.
constexpr int PatGapLimit = 500;
constexpr int PmtGapLimit = 500;
constexpr int SdtGapLimit = 2000;
constexpr int EitGapLimit = 2000;
constexpr int NitGapLimit = 10000;
constexpr int TdtGapLimit = 30000;

// Six BCD digits: hours, minutes, seconds.
QString eventDuration(const QByteArray &bytes)
{
    const QByteArray hex = bytes.toHex();
    return bytes.size() != 3 ? QString()
                             : QStringLiteral("%1:%2:%3").arg(QLatin1String(hex.mid(0, 2)), QLatin1String(hex.mid(2, 2)),
                                                              QLatin1String(hex.mid(4, 2)));
}

// EN 300 468 Annex C: start_time as MJD and BCD.
QString eventTime(const QByteArray &bytes)
{
    if (bytes.size() != 5)
        return QString();
    const int mjd = (quint8(bytes[0]) << 8) | quint8(bytes[1]);
    return QDate::fromJulianDay(mjd + 2400001).toString(Qt::ISODate) + QLatin1Char(' ')
        + eventDuration(bytes.mid(2));
}


// EN 300 468 table 6.
const char *runningStatus(int status)
{
    static const char *const Names[] = {"undefined", "not running", "starts in a few seconds", "pausing",
                                        "running", "service off-air", "reserved", "reserved"};
    return Names[status & 7];
}

// Repetition interval in ms, rounded and held to what the stream page accepts.
quint16 interval(double ms, int most)
{
    return quint16(qBound(25, int(std::lround(ms)), most));
}

// The configuration being built, what the tables tell each other, and the
// warnings; each table is read by one function, in the order of build().
struct Build {
    const DecodedTables &in;
    QList<ImportWarning> *warnings;
    double msPerPosition;
    TransportStreamCfg cfg;
    QHash<int, int> serviceIndex; // service_id -> position in cfg.services
    int networkPid = -1;          // announced in the PAT
    const DecodedTable *sdt = nullptr;
    QHash<int, bool> eitFlag; // service_id -> EIT_present_following_flag of the SDT
    QHash<quint64, int> index; // (PID, table_id, extension) -> position in in.tables

    void warn(int serviceId, const QString &text) { warnings->append(ImportWarning{serviceId, text}); }
    void stream(const QString &text) { warn(-1, text); }

    void element(int serviceId, int pid, const QString &text)
    {
        warn(serviceId, QStringLiteral("element %1: %2").arg(hexNumber(quint32(pid), 4, HexCase::Upper), text));
    }
    // A text with the control characters that a configuration must not hold
    // (C0 but the line break, DEL and C1) dropped.
    QString text(const QByteArray &bytes, int serviceId, const char *what)
    {
        QString problem;
        QString decoded = decodeDvbText(bytes.constData(), int(bytes.size()), &problem);
        if (!problem.isEmpty())
            warn(serviceId, QStringLiteral("%1 \"%2\": %3").arg(QLatin1String(what), decoded, problem));
        QStringList dropped;
        QString kept;
        for (const QChar c : std::as_const(decoded)) {
            const char16_t u = c.unicode();
            if ((u < 0x20 && u != u'\n') || (u >= 0x7F && u <= 0x9F)) {
                const QString code = QStringLiteral("U+%1").arg(hexNumber(u, 4, HexCase::Upper).mid(2));
                if (!dropped.contains(code))
                    dropped << code;
            } else {
                kept += c;
            }
        }
        if (!dropped.isEmpty())
            warn(serviceId, QStringLiteral("%1 \"%2\": control character%3 %4 dropped")
                                .arg(QLatin1String(what), kept, dropped.size() == 1 ? "" : "s",
                                     dropped.join(QLatin1String(", "))));
        return kept;
    }
    // An ISO 639 code: three letters, or letters padded with blanks as the
    // export pads a shorter code (all blanks: none). Anything else is left out.
    QString language(const SiBytes &code, int serviceId, const QString &where)
    {
        QByteArray bytes = code.bytes.left(3);
        while (bytes.endsWith(' '))
            bytes.chop(1);
        const bool letters = std::all_of(bytes.cbegin(), bytes.cend(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        });
        if (letters && code.bytes.size() == 3)
            return QString::fromLatin1(bytes);
        warn(serviceId, QStringLiteral("%1language %2 is not three letters; left out").arg(where, shown(code.bytes)));
        return QString();
    }
    void leftOut(int serviceId, const char *table, int pid, const SiDescriptor &d)
    {
        warn(serviceId, QStringLiteral("the %1 on PID %2 carries descriptor tag %3, which the "
                                       "configuration does not keep; left out")
                            .arg(QLatin1String(table), hex4(pid), hex2(value(d.tag))));
    }
    void caPrivateData(int serviceId, const char *table, const CaDescriptor &ca)
    {
        if (!ca.privateData.bytes.isEmpty())
            warn(serviceId, QStringLiteral("the private data of the CA descriptor in the %1 (%2 bytes, %3) is left out")
                                .arg(QLatin1String(table))
                                .arg(ca.privateData.bytes.size())
                                .arg(shown(ca.privateData.bytes)));
    }
    void overrun(const SiDescriptorLoop &loop, int serviceId, const char *table, int pid)
    {
        if (loop.overrun)
            warn(serviceId, QStringLiteral("a descriptor of the %1 on PID %2 runs past its loop; the "
                                           "rest of the loop is left out")
                                .arg(QLatin1String(table), hex4(pid)));
    }
    // The mean gap between two sightings; -1 without a time base or a repeat.
    double timed(const Sightings &seen) const
    {
        return msPerPosition > 0 && seen.gaps > 0 ? double(seen.spanned) * msPerPosition / double(seen.gaps) : -1.0;
    }
    double timed(const DecodedTable *t) const { return t ? timed(t->seen) : -1.0; }
    // The longest gap against the limit of ETSI TR 101 290.
    void longestGap(const Sightings &seen, int limitMs, int serviceId, const QString &what)
    {
        if (msPerPosition <= 0 || seen.longest < 0)
            return;
        const qint64 ms = std::llround(double(seen.longest) * msPerPosition);
        if (ms > limitMs)
            warn(serviceId, QStringLiteral("the %1 was once %2 ms apart, more than the %3 ms that ETSI TR 101 290 "
                                           "allows; the interval imported is the mean")
                                .arg(what)
                                .arg(ms)
                                .arg(limitMs));
    }
    const DecodedTable *find(int pid, int tableId, int extension) const
    {
        const auto it = index.constFind(key(pid, tableId, extension));
        return it == index.constEnd() ? nullptr : &in.tables.at(*it);
    }
    static quint64 key(int pid, int tableId, int extension)
    {
        return (quint64(pid) << 24) | (quint64(tableId) << 16) | quint64(extension);
    }
    const DecodedTable *pat() const { return in.pat >= 0 ? &in.tables.at(in.pat) : nullptr; }
};

// The model's type of a DVB service_type.
qint32 serviceType(Build &b, int code, int serviceId)
{
    if (const ServiceTypeInfo *info = serviceTypeOfCode(code))
        return info->type;
    switch (code) {
    case 0x1C:
    case 0x20:
        b.warn(serviceId, QStringLiteral("service_type %1 imports as television; the export "
                                         "announces 0x01")
                              .arg(hex2(code)));
        return ServiceDigitalTv;
    default:
        b.warn(serviceId, QStringLiteral("service_type %1 is neither television nor radio; imported "
                                         "as television, which the export announces as 0x01")
                              .arg(hex2(code)));
        return ServiceDigitalTv;
    }
}

// What kind of table a table_id on its PID is, for a table the importer
// does not read.
QString unreadKind(int tableId)
{
    if (tableId == TableId::NitOther)
        return QStringLiteral("NIT other");
    if (tableId == TableId::SdtOther)
        return QStringLiteral("SDT other");
    if (tableId == UnreadTableId::Bat)
        return QStringLiteral("BAT");
    if (tableId == UnreadTableId::EitPfOther)
        return QStringLiteral("EIT present/following other");
    if (tableId >= UnreadTableId::EitScheduleFirst && tableId <= TableId::EitLast)
        return QStringLiteral("EIT schedule");
    if (tableId == UnreadTableId::Tot)
        return QStringLiteral("TOT");
    return QStringLiteral("a table of no kind the importer reads");
}

// Tables a configuration cannot hold, once per kind.
void unreadTables(Build &b)
{
    QMap<QString, QPair<QStringList, int>> kinds; // kind -> table_id on PID, sections
    for (auto it = b.in.unread.constBegin(); it != b.in.unread.constEnd(); ++it) {
        const int tableId = it.key() >> 16;
        const int pid = it.key() & 0xFFFF;
        auto &kind = kinds[unreadKind(tableId)];
        kind.first << QStringLiteral("%1 on PID %2").arg(hex2(tableId), hex4(pid));
        kind.second += it.value();
    }
    for (auto it = kinds.constBegin(); it != kinds.constEnd(); ++it)
        b.stream(QStringLiteral("%1 (table_id %2): %3 section%4 that the configuration cannot hold; left out")
                     .arg(it.key(), it.value().first.join(QLatin1String(", ")))
                     .arg(it.value().second)
                     .arg(it.value().second == 1 ? "" : "s"));
}

// The stream's own findings, before any table is read.
void streamFindings(Build &b)
{
    if (b.in.overflowed)
        b.stream(QStringLiteral("more than %1 tables or %2 MiB of sections in the capture; the later ones "
                                "are left out")
                     .arg(SectionCollector::MaxTables)
                     .arg(SectionCollector::MaxStoredBytes >> 20));
    for (auto it = b.in.crcFailures.constBegin(); it != b.in.crcFailures.constEnd(); ++it)
        b.stream(QStringLiteral("%1 section%2 on PID %3 with a CRC_32 that does not check left out")
                     .arg(it.value())
                     .arg(it.value() == 1 ? "" : "s")
                     .arg(hex4(it.key())));
    unreadTables(b);
    for (const DecodedTable &t : b.in.tables)
        if (t.versions > 1)
            b.stream(QStringLiteral("table_id %1 (extension %2) on PID %3 changed version during the "
                                    "capture; its last complete version %4 is kept")
                         .arg(hex2(t.tableId), hex4(t.extension), hex4(t.pid))
                         .arg(t.version));
}

// PAT: the services, their PMT PIDs and the network PID.
void readPat(Build &b)
{
    if (const DecodedTable *pat = b.pat()) {
        b.cfg.id = quint16(pat->extension);
        for (const PatSection &section : pat->pat) {
            for (const PatSection::Program &p : section.programs) {
                const int number = value(p.programNumber);
                const int pid = value(p.pid);
                if (number == 0) {
                    b.networkPid = pid;
                } else if (b.serviceIndex.contains(number)) {
                    b.warn(number, QStringLiteral("listed twice in the PAT; the second entry (PMT PID %1) is "
                                                  "left out")
                                       .arg(hex4(pid)));
                } else {
                    ServiceCfg s;
                    s.id = quint16(number);
                    s.pmtPid = pidOrZero(p.pid);
                    b.serviceIndex.insert(number, int(b.cfg.services.size()));
                    b.cfg.services.append(s);
                }
            }
        }
    }
    if (b.networkPid >= 0 && b.networkPid != Pid::Nit)
        b.stream(QStringLiteral("the PAT announces the NIT on PID %1; the export sends it on 0x0010")
                     .arg(hex4(b.networkPid)));
}

// The program's descriptors: its CA.
void pmtCa(Build &b, ServiceCfg &s, const SiDescriptorLoop &loop)
{
    for (const SiDescriptor &d : loop.descriptors) {
        const CaDescriptor *ca = value(d.tag) == DescriptorTag::Ca ? d.as<CaDescriptor>() : nullptr;
        if (!ca) {
            b.leftOut(s.id, "PMT", s.pmtPid, d);
        } else if (s.caEnabled) {
            b.warn(s.id, QStringLiteral("a second CA descriptor (CA system %1) in the PMT is left out")
                             .arg(hex4(value(ca->caSystemId))));
        } else {
            s.caEnabled = true;
            s.caId = quint16(ca->caSystemId.value);
            s.ecmPid = pidOrZero(ca->caPid);
            b.caPrivateData(s.id, "PMT", *ca);
        }
    }
    b.overrun(loop, s.id, "PMT", s.pmtPid);
}

// What an element's descriptors say: the descriptors that tell the kinds of
// private data apart and carry its language, teletext page and subtitles.
struct ElementDescriptors {
    bool teletext = false, subtitles = false, ac3 = false, eac3 = false;
    QList<Iso639LanguageDescriptor::Entry> iso639;
    QList<TeletextDescriptor::Entry> pages;
    QList<SubtitlingDescriptor::Entry> subtitling;
    QList<std::pair<int, const Ac3Descriptor *>> ac3Fields; // tag: AC-3 or E-AC-3
};

ElementDescriptors elementDescriptors(Build &b, const ServiceCfg &s, const SiDescriptorLoop &loop)
{
    ElementDescriptors e;
    for (const SiDescriptor &d : loop.descriptors) {
        switch (value(d.tag)) {
        case DescriptorTag::Iso639Language:
            if (const auto *iso = d.as<Iso639LanguageDescriptor>())
                e.iso639 += iso->entries;
            break;
        case DescriptorTag::Teletext:
            e.teletext = true;
            if (const auto *t = d.as<TeletextDescriptor>())
                e.pages += t->entries;
            break;
        case DescriptorTag::Subtitling:
            e.subtitles = true;
            if (const auto *sub = d.as<SubtitlingDescriptor>())
                e.subtitling += sub->entries;
            break;
        case DescriptorTag::Ac3:
        case DescriptorTag::EnhancedAc3:
            (value(d.tag) == DescriptorTag::Ac3 ? e.ac3 : e.eac3) = true;
            if (const auto *ac3 = d.as<Ac3Descriptor>())
                e.ac3Fields.append({value(d.tag), ac3});
            break;
        default: b.leftOut(s.id, "PMT", s.pmtPid, d); break;
        }
    }
    b.overrun(loop, s.id, "PMT", s.pmtPid);
    return e;
}

// EN 300 468 table 94 and 26, as far as a warning names them.
QString teletextType(int type)
{
    static const char *const Names[] = {"reserved", "initial page", "subtitle page", "additional information page",
                                        "programme schedule page", "hearing impaired subtitle page"};
    return QStringLiteral("%1 (%2)").arg(hex2(type), QLatin1String(type < 6 ? Names[type] : "reserved"));
}

QString subtitlingType(int type)
{
    const char *name = type >= 0x10 && type <= 0x15 ? "DVB subtitles"
        : type >= 0x20 && type <= 0x25               ? "hard of hearing"
                                                     : "other";
    return QStringLiteral("%1 (%2)").arg(hex2(type), QLatin1String(name));
}

// Teletext: the first page is kept (its type goes out as an initial page),
// the others are named and left out.
void teletextPages(Build &b, const ServiceCfg &s, ESCfg &es, const QList<TeletextDescriptor::Entry> &pages)
{
    for (int i = 0; i < pages.size(); ++i) {
        const TeletextDescriptor::Entry &page = pages.at(i);
        const int magazine = value(page.magazineNumber);
        const int number = value(page.pageNumber);
        const QString shownPage = isBcd(number) ? QString::number((magazine == 0 ? 8 : magazine) * 100 + bcd(number))
                                                : QStringLiteral("%1/%2").arg(magazine).arg(hex2(number));
        if (i > 0) {
            b.element(s.id, es.pid, QStringLiteral("teletext entry %1 (page %2, teletext_type %3, language %4) is left "
                                                   "out; the configuration keeps one page")
                                        .arg(i + 1)
                                        .arg(shownPage, teletextType(value(page.teletextType)), shown(page.language.bytes)));
            continue;
        }
        es.language = b.language(page.language, s.id, QStringLiteral("element %1: teletext ").arg(hex4(es.pid)));
        if (isBcd(number))
            es.teletextPage = (magazine == 0 ? 8 : magazine) * 100 + bcd(number);
        else
            b.element(s.id, es.pid, QStringLiteral("teletext page number %1 is not BCD; page %2 is kept")
                                        .arg(hex2(number))
                                        .arg(es.teletextPage));
        if (value(page.teletextType) != 0x01)
            b.element(s.id, es.pid, QStringLiteral("teletext_type %1 becomes 0x01 (initial page)")
                                        .arg(teletextType(value(page.teletextType))));
    }
}

// DVB subtitles: the first entry's language is kept; the export sends type
// 0x10 and pages 1/1.
void subtitlingEntries(Build &b, const ServiceCfg &s, ESCfg &es, const QList<SubtitlingDescriptor::Entry> &entries)
{
    for (int i = 0; i < entries.size(); ++i) {
        const SubtitlingDescriptor::Entry &entry = entries.at(i);
        const int type = value(entry.subtitlingType);
        const int composition = value(entry.compositionPageId);
        const int ancillary = value(entry.ancillaryPageId);
        if (i > 0) {
            b.element(s.id, es.pid, QStringLiteral("subtitling entry %1 (language %2, subtitling_type %3, pages "
                                                   "%4/%5) is left out; the configuration keeps one")
                                        .arg(i + 1)
                                        .arg(shown(entry.language.bytes), subtitlingType(type))
                                        .arg(composition)
                                        .arg(ancillary));
            continue;
        }
        es.language = b.language(entry.language, s.id, QStringLiteral("element %1: subtitling ").arg(hex4(es.pid)));
        QStringList changes;
        if (type != 0x10)
            changes << QStringLiteral("subtitling_type %1 becomes 0x10").arg(subtitlingType(type));
        if (composition != 1)
            changes << QStringLiteral("composition page %1 becomes 1").arg(composition);
        if (ancillary != 1)
            changes << QStringLiteral("ancillary page %1 becomes 1").arg(ancillary);
        if (!changes.isEmpty())
            b.element(s.id, es.pid, changes.join(QLatin1String("; ")));
    }
}

// What the element's descriptors carry beyond what its kind exports.
void elementLosses(Build &b, const ServiceCfg &s, ESCfg &es, const ElementDescriptors &e)
{
    const EsTypeInfo *info = esTypeInfo(es.type);
    if (!info)
        return;
    const QString kind = QLatin1String(info->description);
    if (e.teletext && info->descriptor != DescriptorTag::Teletext)
        b.element(s.id, es.pid, QStringLiteral("the teletext descriptor is not sent for %1; left out").arg(kind));
    if (e.subtitles && info->descriptor != DescriptorTag::Subtitling)
        b.element(s.id, es.pid, QStringLiteral("the subtitling descriptor is not sent for %1; left out").arg(kind));
    if (info->descriptor == DescriptorTag::Teletext)
        teletextPages(b, s, es, e.pages);
    if (info->descriptor == DescriptorTag::Subtitling)
        subtitlingEntries(b, s, es, e.subtitling);
    for (const auto &[tag, ac3] : e.ac3Fields) {
        const QLatin1String name(tag == DescriptorTag::Ac3 ? "AC-3" : "E-AC-3");
        if (tag != info->descriptor) {
            b.element(s.id, es.pid, QStringLiteral("the %1 descriptor is not sent for %2; left out").arg(name, kind));
            continue;
        }
        QStringList fields;
        for (const SiField &f : ac3->fields)
            fields << QStringLiteral("%1 %2").arg(QLatin1String(f.name), hex2(value(f)));
        for (const SiField &f : ac3->flags)
            if (f.width == 1 && f.value && qstrcmp(f.name, "mixinfoexists") == 0)
                fields << QLatin1String(f.name);
        if (!ac3->additionalInfo.bytes.isEmpty())
            fields << QStringLiteral("%1 additional_info bytes").arg(ac3->additionalInfo.bytes.size());
        if (!fields.isEmpty())
            b.element(s.id, es.pid, QStringLiteral("%1 of the %2 descriptor left out; the export sends none")
                                        .arg(fields.join(QLatin1String(", ")), name));
    }
    for (int i = 0; i < e.iso639.size(); ++i) {
        const Iso639LanguageDescriptor::Entry &entry = e.iso639.at(i);
        const int audioType = value(entry.audioType);
        if (info->language != EsLanguage::Iso639WhenSet && info->language != EsLanguage::None) {
            b.element(s.id, es.pid, QStringLiteral("the ISO 639 language %1 is not sent for %2; left out")
                                        .arg(shown(entry.language.bytes), kind));
        } else if (i > 0) {
            b.element(s.id, es.pid, QStringLiteral("ISO 639 entry %1 (language %2, audio_type %3) is left out; the "
                                                   "configuration keeps one language")
                                        .arg(i + 1)
                                        .arg(shown(entry.language.bytes), hex2(audioType)));
        } else {
            es.language = b.language(entry.language, s.id, QStringLiteral("element %1: ISO 639 ").arg(hex4(es.pid)));
            if (info->language == EsLanguage::None && !es.language.isEmpty())
                b.element(s.id, es.pid, QStringLiteral("language '%1' is kept, but the export sends no ISO 639 "
                                                       "language for %2")
                                            .arg(es.language, kind));
            if (audioType != 0)
                b.element(s.id, es.pid, QStringLiteral("audio_type %1 becomes 0x00 (undefined)").arg(hex2(audioType)));
        }
    }
}

// The element kind of a stream_type and its descriptors; -1 for none.
int elementKind(Build &b, const ServiceCfg &s, int streamType, int pid, const ElementDescriptors &e)
{
    switch (streamType) {
    case StreamType::Mpeg2Video: return EsMpeg2Video;
    case StreamType::Mpeg2Audio: return EsMpeg2Audio;
    case StreamType::H264Video: return EsH264Video;
    case StreamType::HevcVideo: return EsHevcVideo;
    case StreamType::AacAdts: return EsAacAudio;
    case StreamType::PesPrivateData:
        return e.teletext ? EsTeletext : e.subtitles ? EsDvbSubtitles : e.ac3 ? EsAc3Audio : e.eac3 ? EsEac3Audio : -1;
    case 0x04: // ISO/IEC 13818-3 audio
    case 0x81: // AC-3 as ATSC muxers announce it
    case 0x87: // E-AC-3 likewise
        break;
    default:
        return -1;
    }
    const int kind = streamType == 0x04 ? EsMpeg2Audio : streamType == 0x81 ? EsAc3Audio : EsEac3Audio;
    const EsTypeInfo *info = esTypeInfo(kind);
    b.warn(s.id, QStringLiteral("stream type %1 on PID %2 imports as element type %3%4; the "
                                "export announces it as stream type %5")
                     .arg(hex2(streamType), hex4(pid))
                     .arg(kind)
                     .arg(info ? QStringLiteral(" (%1)").arg(QLatin1String(info->description)) : QString(),
                          hex2(info ? info->streamType : StreamType::PesPrivateData)));
    return kind;
}

// One stream of the PMT as an element of the service, or a warning why not.
void pmtStream(Build &b, ServiceCfg &s, const PmtSection::Stream &stream, bool *pcrMissing)
{
    const int streamType = value(stream.streamType);
    const int pid = value(stream.elementaryPid);
    ESCfg es;
    es.pid = quint16(pid);
    const ElementDescriptors descriptors = elementDescriptors(b, s, stream.descriptors);
    const int kind = elementKind(b, s, streamType, pid, descriptors);
    if (kind < 0) {
        b.warn(s.id, QStringLiteral("stream type %1 on PID %2 is %3; the element is left out")
                         .arg(hex2(streamType), hex4(pid),
                              streamType == StreamType::PesPrivateData
                                  ? QStringLiteral("private data without a teletext, subtitling, AC-3 or E-AC-3 descriptor")
                                  : QStringLiteral("no kind the configuration knows")));
        return;
    }
    if (pid == Pid::Null)
        return b.warn(s.id, QStringLiteral("an element on PID 0x1FFF is left out"));
    es.type = kind;
    elementLosses(b, s, es, descriptors);
    // The export writes "und" for a kind that always names a language.
    if (esTypeInfo(kind) && esTypeInfo(kind)->language == EsLanguage::OrUnd && es.language == QLatin1String("und"))
        es.language.clear();
    s.elements.append(es);
    if (*pcrMissing) {
        s.pcrPid = es.pid;
        *pcrMissing = false;
        b.warn(s.id, QStringLiteral("the PCR is on PID 0x1FFF (none); the PCR PID is set to the first element's, %1")
                         .arg(hex4(es.pid)));
    }
}

// One service's PMT: PCR, CA and elements.
void readPmt(Build &b, ServiceCfg &s, const DecodedTable &t)
{
    const int pcr = value(t.pmt.first().pcrPid);
    s.pcrPid = quint16(pcr);
    bool pcrMissing = pcr == Pid::Null;
    for (const PmtSection &section : t.pmt) {
        pmtCa(b, s, section.descriptors);
        for (const PmtSection::Stream &stream : section.streams)
            pmtStream(b, s, stream, &pcrMissing);
    }
    if (pcrMissing) {
        s.pcrPid = 0;
        b.warn(s.id, QStringLiteral("the PCR is on PID 0x1FFF (none); the PCR PID is set to 0"));
    }
}

// PMT: PCR, CA and the elements of each service.
void readPmts(Build &b)
{
    double pmtMs = 0;
    int pmtTimed = 0;
    int withPmt = 0;
    for (ServiceCfg &s : b.cfg.services) {
        const DecodedTable *t = b.find(s.pmtPid, TableId::Pmt, s.id);
        if (!t) {
            s.pmtEnabled = false;
            if (!b.in.whole)
                b.warn(s.id, QStringLiteral("no PMT on PID %1 in the capture; imported with its PMT off")
                                 .arg(hex4(s.pmtPid)));
            continue;
        }
        ++withPmt;
        b.longestGap(t->seen, PmtGapLimit, s.id, QStringLiteral("PMT"));
        if (const double ms = b.timed(t); ms >= 0) {
            pmtMs += ms;
            ++pmtTimed;
        }
        readPmt(b, s, *t);
    }
    if (withPmt > Mbn::MaxPmtServices)
        b.stream(QStringLiteral("%1 services with a PMT; the export takes at most %2").arg(withPmt).arg(Mbn::MaxPmtServices));
    if (pmtTimed > 0)
        b.cfg.pmtTime = interval(pmtMs / pmtTimed, 500);
}

// The SDT actual of this transport stream, or the first there is.
const DecodedTable *sdtActual(Build &b)
{
    if (const DecodedTable *sdt = b.find(Pid::Sdt, TableId::SdtActual, b.cfg.id))
        return sdt;
    for (const DecodedTable &t : b.in.tables)
        if (t.pid == Pid::Sdt && t.tableId == TableId::SdtActual) {
            b.stream(QStringLiteral("the SDT actual is for transport stream %1, not %2 of the PAT; read "
                                    "all the same")
                         .arg(hex4(t.extension), hex4(b.cfg.id)));
            return &t;
        }
    return nullptr;
}

// A service descriptor's type and names.
void serviceDescriptor(Build &b, ServiceCfg &s, const SiDescriptor &d)
{
    const ServiceDescriptor *sd = d.as<ServiceDescriptor>();
    const int id = s.id;
    s.type = serviceType(b, value(sd->serviceType), id);
    if (3 + value(sd->serviceProviderName.length) > value(d.length))
        return b.warn(id, QStringLiteral("the service descriptor is shorter than its names"));
    s.providerName = b.text(sd->serviceProviderName.text.bytes, id, "provider name");
    s.serviceName = b.text(sd->serviceName.text.bytes, id, "service name");
}

void sdtService(Build &b, const SdtSection::Service &service)
{
    const int id = value(service.serviceId);
    const auto at = b.serviceIndex.constFind(id);
    if (at == b.serviceIndex.constEnd())
        return b.stream(QStringLiteral("the SDT describes service %1, which the PAT does not list; left out").arg(hex4(id)));
    ServiceCfg &s = b.cfg.services[*at];
    b.eitFlag.insert(id, service.eitPresentFollowingFlag.value);
    const int running = value(service.runningStatus);
    if (running != 4)
        b.warn(id, QStringLiteral("running_status %1 (%2) in the SDT becomes 4 (running)")
                       .arg(running)
                       .arg(QLatin1String(runningStatus(running))));
    if (service.eitScheduleFlag.value)
        b.warn(id, QStringLiteral("EIT_schedule_flag is set in the SDT; the export clears it"));
    for (const SiDescriptor &d : service.descriptors.descriptors) {
        const auto *caIds = d.as<CaIdentifierDescriptor>();
        if (value(d.tag) == DescriptorTag::Service && value(d.length) >= 3) {
            serviceDescriptor(b, s, d);
        } else if (caIds) {
            QStringList other;
            for (const SiField &system : caIds->caSystemIds)
                if (!s.caEnabled || value(system) != s.caId)
                    other << hex4(value(system));
            if (!other.isEmpty())
                b.warn(id, QStringLiteral("CA system %1 of the SDT's CA identifier descriptor is left out; the "
                                          "export names the PMT's CA system only")
                               .arg(other.join(QLatin1String(", "))));
        } else {
            b.leftOut(id, "SDT", Pid::Sdt, d);
        }
    }
    b.overrun(service.descriptors, id, "SDT", Pid::Sdt);
    const bool freeCa = service.freeCaMode.value;
    if (freeCa != s.caEnabled)
        b.warn(id, freeCa ? QStringLiteral("free_CA_mode is set in the SDT but the PMT carries no CA descriptor; "
                                           "imported without CA")
                          : QStringLiteral("free_CA_mode is clear in the SDT but the PMT carries a CA descriptor; "
                                           "the export sets it"));
}

// SDT actual: names, providers and types.
void readSdt(Build &b)
{
    b.sdt = sdtActual(b);
    if (!b.sdt)
        return;
    b.cfg.sdtEnabled = true;
    b.cfg.origId = quint16(b.sdt->sdt.first().originalNetworkId.value);
    b.longestGap(b.sdt->seen, SdtGapLimit, -1, QStringLiteral("SDT"));
    if (const double ms = b.timed(b.sdt); ms >= 0)
        b.cfg.sdtTime = interval(ms, 2000);
    for (const SdtSection &section : b.sdt->sdt)
        for (const SdtSection::Service &service : section.services)
            sdtService(b, service);
}

// The NIT actual on the network PID of the PAT (any PID without one).
const DecodedTable *nitActual(Build &b)
{
    const DecodedTable *nit = nullptr;
    for (const DecodedTable &t : b.in.tables)
        if (t.tableId == TableId::NitActual && (b.networkPid < 0 || t.pid == b.networkPid)) {
            if (nit) {
                b.stream(QStringLiteral("a second NIT actual (network %1) is left out").arg(hex4(t.extension)));
                continue;
            }
            nit = &t;
        }
    if (nit && b.networkPid < 0 && nit->pid != Pid::Nit)
        b.stream(QStringLiteral("the NIT is on PID %1; the export sends it on 0x0010").arg(hex4(nit->pid)));
    return nit;
}

void logicalChannels(Build &b, const LogicalChannelDescriptor &lcn, bool nordig)
{
    for (const LogicalChannelDescriptor::Entry &e : lcn.entries) {
        const int id = value(e.serviceId);
        const int number = value(nordig ? e.nordigChannelNumber : e.logicalChannelNumber);
        const auto at = b.serviceIndex.constFind(id);
        if (at == b.serviceIndex.constEnd()) {
            b.stream(QStringLiteral("logical channel %1 of service %2, which the PAT does not list, is left out")
                         .arg(number)
                         .arg(hex4(id)));
        } else if (number > MaxLogicalChannel) {
            b.warn(id, QStringLiteral("logical channel %1 is beyond %2; left out").arg(number).arg(MaxLogicalChannel));
        } else {
            ServiceCfg &s = b.cfg.services[*at];
            s.lcEnabled = true;
            s.lcVisible = e.visibleServiceFlag.value;
            s.lcNumber = quint16(number);
        }
    }
}

// This transport stream's descriptors in the NIT: its logical channels, and
// the private data specifier before them, which gives the lcn-profile.
void nitTransportStream(Build &b, const DecodedTable &nit, const SiDescriptorLoop &loop)
{
    qint64 specifier = -1;
    for (const SiDescriptor &d : loop.descriptors) {
        if (const auto *pds = d.as<PrivateDataSpecifierDescriptor>()) {
            specifier = pds->privateDataSpecifier.value;
        } else if (value(d.tag) == DescriptorTag::LogicalChannel) {
            const qint32 profile = specifier < 0 ? qint32(LcnPlain) : lcnProfileOfSpecifier(quint32(specifier));
            if (profile < 0) {
                b.stream(QStringLiteral("a descriptor 0x83 under private data specifier %1 is not a logical "
                                        "channel descriptor; left out")
                             .arg(hexNumber(quint32(specifier), 8, HexCase::Upper)));
            } else if (const auto *lcn = d.as<LogicalChannelDescriptor>()) {
                b.cfg.lcnProfile = profile;
                logicalChannels(b, *lcn, profile == LcnNordig);
            }
        } else if (value(d.tag) != DescriptorTag::ServiceList) {
            b.leftOut(-1, "NIT", nit.pid, d);
        }
    }
    b.overrun(loop, -1, "NIT", nit.pid);
}

// NIT actual: the network, and logical channels of this transport stream.
void readNit(Build &b)
{
    const DecodedTable *nit = nitActual(b);
    if (!nit)
        return;
    b.cfg.nitEnabled = true;
    b.cfg.netId = quint16(nit->extension);
    b.longestGap(nit->seen, NitGapLimit, -1, QStringLiteral("NIT"));
    if (const double ms = b.timed(nit); ms >= 0)
        b.cfg.nitTime = interval(ms, 10000);
    int streams = 0;
    for (const NitSection &section : nit->nit) {
        for (const SiDescriptor &d : section.descriptors.descriptors) {
            if (const auto *name = d.as<NetworkNameDescriptor>())
                b.cfg.netName = b.text(name->name.bytes, -1, "network name");
            else
                b.leftOut(-1, "NIT", nit->pid, d);
        }
        b.overrun(section.descriptors, -1, "NIT", nit->pid);
        for (const NitSection::TransportStream &ts : section.transportStreams) {
            const int tsId = value(ts.transportStreamId);
            ++streams;
            if (tsId == b.cfg.id && !b.sdt)
                b.cfg.origId = quint16(ts.originalNetworkId.value); // when no SDT gives it
            if (tsId != b.cfg.id)
                b.stream(QStringLiteral("the NIT also describes transport stream %1; left out").arg(hex4(tsId)));
            else
                nitTransportStream(b, *nit, ts.descriptors);
        }
    }
    if (streams > 1)
        b.stream(QStringLiteral("the NIT describes %1 transport streams; only this one is kept").arg(streams));
}

// The present event's language, name and text.
void shortEvent(Build &b, ServiceCfg &s, const SiDescriptor &d)
{
    const ShortEventDescriptor *e = d.as<ShortEventDescriptor>();
    const int room = value(d.length) - 5; // for the name and the text together
    s.language = b.language(e->language, s.id, QStringLiteral("event "));
    if (value(e->eventName.length) > room) {
        // The name runs into the text's length: what fits is the name, the text is empty.
        s.eventName = b.text(e->eventName.text.bytes.left(room), s.id, "event name");
        s.eventText = b.text(QByteArray(), s.id, "event text");
        return;
    }
    s.eventName = b.text(e->eventName.text.bytes, s.id, "event name");
    s.eventText = b.text(e->text.text.bytes, s.id, "event text");
}

// What the export sends undefined: start_time, duration and running_status.
void eventFields(Build &b, const ServiceCfg &s, const EitSection::Event &event)
{
    QStringList fields;
    if (event.startTime.bytes != QByteArray(5, '\xFF'))
        fields << QStringLiteral("start_time %1").arg(eventTime(event.startTime.bytes));
    if (event.duration.bytes != QByteArray(3, '\xFF'))
        fields << QStringLiteral("duration %1").arg(eventDuration(event.duration.bytes));
    if (value(event.runningStatus) != 0)
        fields << QStringLiteral("running_status %1 (%2)")
                      .arg(value(event.runningStatus))
                      .arg(QLatin1String(runningStatus(value(event.runningStatus))));
    if (!fields.isEmpty())
        b.warn(s.id, QStringLiteral("the present event's %1 are left out; the export sends them undefined")
                         .arg(fields.join(QLatin1String(", "))));
}

// The name of an event, for a warning that leaves it out.
QString eventName(const EitSection::Event &event)
{
    QString problem; // said when the event is taken, not here
    for (const SiDescriptor &d : event.descriptors.descriptors)
        if (const auto *e = d.as<ShortEventDescriptor>())
            return QStringLiteral(" \"%1\"").arg(decodeDvbText(e->eventName.text.bytes.constData(),
                                                                int(e->eventName.text.bytes.size()), &problem));
    return QString();
}

// Section 0 holds the present event, section 1 the following one, which
// the configuration does not keep.
void eitEvents(Build &b, ServiceCfg &s, const DecodedTable &t)
{
    int events = 0;
    for (const EitSection &section : t.eit) {
        const bool present = value(section.header.sectionNumber) == 0;
        for (const EitSection::Event &event : section.events) {
            if (!present) {
                b.warn(s.id, QStringLiteral("the %1 event %2%3 is left out; the configuration keeps the present "
                                            "event only")
                                 .arg(QLatin1String(value(section.header.sectionNumber) == 1 ? "following" : "further"))
                                 .arg(value(event.eventId))
                                 .arg(eventName(event)));
                continue;
            }
            if (++events > 1) {
                b.warn(s.id, QStringLiteral("EIT event %1 is left out; the configuration keeps one event")
                                 .arg(value(event.eventId)));
                continue;
            }
            eventFields(b, s, event);
            bool found = false;
            for (const SiDescriptor &d : event.descriptors.descriptors) {
                if (value(d.tag) == DescriptorTag::ShortEvent && value(d.length) >= 5 && !found) {
                    found = true;
                    shortEvent(b, s, d);
                } else {
                    b.leftOut(s.id, "EIT", Pid::Eit, d);
                }
            }
            b.overrun(event.descriptors, s.id, "EIT", Pid::Eit);
        }
    }
    if (events == 0)
        b.warn(s.id, QStringLiteral("the EIT has no present event; the export sends one without a name"));
}

// EIT present/following actual: the present event of each service.
void readEit(Build &b)
{
    double eitMs = 0;
    int eitTimed = 0;
    for (ServiceCfg &s : b.cfg.services) {
        const DecodedTable *t = b.find(Pid::Eit, TableId::EitPfActual, s.id);
        if (!t)
            continue;
        b.cfg.eitEnabled = true;
        b.longestGap(t->seen, EitGapLimit, s.id, QStringLiteral("EIT present/following"));
        if (const double ms = b.timed(t); ms >= 0) {
            eitMs += ms;
            ++eitTimed;
        }
        eitEvents(b, s, *t);
    }
    if (eitTimed > 0)
        b.cfg.eitTime = interval(2 * eitMs / eitTimed, 2000); // the export sends each at half eit-time
    for (auto it = b.eitFlag.constBegin(); it != b.eitFlag.constEnd() && !b.in.whole; ++it)
        if (it.value() && !b.find(Pid::Eit, TableId::EitPfActual, it.key()))
            b.warn(it.key(), QStringLiteral("the SDT announces an EIT present/following that the capture "
                                            "does not hold"));
        else if (!it.value() && b.cfg.eitEnabled)
            b.warn(it.key(), QStringLiteral("EIT_present_following_flag is clear in the SDT; the export sets it"));
}

// CAT: the stream's conditional access.
void readCat(Build &b)
{
    for (const DecodedTable &t : b.in.tables) {
        if (t.pid != CatPid || t.tableId != CatTableId)
            continue;
        for (const CatSection &section : t.cat) {
            for (const SiDescriptor &d : section.descriptors.descriptors) {
                const CaDescriptor *ca = value(d.tag) == DescriptorTag::Ca ? d.as<CaDescriptor>() : nullptr;
                if (ca && !b.cfg.caEnabled) {
                    b.cfg.caEnabled = true;
                    b.cfg.caId = quint16(ca->caSystemId.value);
                    b.cfg.emmPid = pidOrZero(ca->caPid);
                    b.caPrivateData(-1, "CAT", *ca);
                } else if (ca) {
                    b.stream(QStringLiteral("a second CA descriptor (CA system %1) in the CAT is left out")
                                 .arg(hex4(value(ca->caSystemId))));
                } else {
                    b.leftOut(-1, "CAT", CatPid, d);
                }
            }
            b.overrun(section.descriptors, -1, "CAT", CatPid);
        }
    }
}

// TDT: on when found; real time when it carries one.
void readTdt(Build &b)
{
    const bool seen = b.in.tdt.utcTime.bytes.size() == 5;
    if (!b.in.realTimeTdt && !seen)
        return;
    b.cfg.tdtEnabled = true;
    b.cfg.realTdt = b.in.realTimeTdt || b.in.tdt.utcTime.bytes.left(2) != QByteArray(2, '\0');
    b.longestGap(b.in.tdtSeen, TdtGapLimit, -1, QStringLiteral("TDT"));
    if (const double ms = b.timed(b.in.tdtSeen); ms >= 0)
        b.cfg.tdtTime = interval(ms, 30000);
}

} // namespace

TransportStreamCfg buildConfiguration(const DecodedTables &tables, double msPerPosition, QList<ImportWarning> *warnings)
{
    Build b{tables, warnings, msPerPosition, TransportStreamCfg(), {}, -1, nullptr, {}, {}};
    for (int i = 0; i < tables.tables.size(); ++i) {
        const DecodedTable &t = tables.tables.at(i);
        b.index.insert(Build::key(t.pid, t.tableId, t.extension), i);
    }
    TransportStreamCfg &cfg = b.cfg;
    cfg.patEnabled = b.pat() != nullptr;
    cfg.nitEnabled = cfg.sdtEnabled = cfg.eitEnabled = cfg.tdtEnabled = false;
    streamFindings(b);
    readPat(b);
    readPmts(b);
    readSdt(b);
    readNit(b);
    readEit(b);
    readCat(b);
    readTdt(b);
    if (const double ms = b.timed(b.pat()); ms >= 0)
        cfg.patTime = interval(ms, 500);
    if (b.pat())
        b.longestGap(b.pat()->seen, PatGapLimit, -1, QStringLiteral("PAT"));
    cfg.playoutTimings = msPerPosition > 0;
    return cfg;
}
