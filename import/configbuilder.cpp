// A configuration out of decoded PSI/SI tables: PAT and PMT, CAT, NIT, SDT,
// EIT present/following and TDT.

#include "import/configbuilder.h"

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

// The three letters without the blanks that pad them.
QString language(const SiBytes &code)
{
    QString text = QString::fromLatin1(code.bytes.left(3));
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
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

    QString text(const QByteArray &bytes, int serviceId, const char *what)
    {
        QString problem;
        const QString decoded = decodeDvbText(bytes.constData(), int(bytes.size()), &problem);
        if (!problem.isEmpty())
            warn(serviceId, QStringLiteral("%1 \"%2\": %3").arg(QLatin1String(what), decoded, problem));
        return decoded;
    }
    void leftOut(int serviceId, const char *table, int pid, const SiDescriptor &d)
    {
        warn(serviceId, QStringLiteral("the %1 on PID %2 carries descriptor tag %3, which the "
                                       "configuration does not keep; left out")
                            .arg(QLatin1String(table), hex4(pid), hex2(value(d.tag))));
    }
    void overrun(const SiDescriptorLoop &loop, int serviceId, const char *table, int pid)
    {
        if (loop.overrun)
            warn(serviceId, QStringLiteral("a descriptor of the %1 on PID %2 runs past its loop; the "
                                           "rest of the loop is left out")
                                .arg(QLatin1String(table), hex4(pid)));
    }
    // The mean time between two sightings; -1 without a time base or a repeat.
    double timed(const DecodedTable *t) const
    {
        return t && msPerPosition > 0 && t->sightings > 1
            ? double(t->last - t->first) * msPerPosition / double(t->sightings - 1)
            : -1.0;
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
        }
    }
    b.overrun(loop, s.id, "PMT", s.pmtPid);
}

// What an element's descriptors say: its language, teletext page, and the
// descriptors that tell the kinds of private data apart.
struct ElementDescriptors {
    bool teletext = false, subtitles = false, ac3 = false, eac3 = false;
};

ElementDescriptors elementDescriptors(Build &b, const ServiceCfg &s, const SiDescriptorLoop &loop, ESCfg &es)
{
    ElementDescriptors e;
    for (const SiDescriptor &d : loop.descriptors) {
        switch (value(d.tag)) {
        case DescriptorTag::Iso639Language:
            if (const auto *iso = d.as<Iso639LanguageDescriptor>(); iso && !iso->entries.isEmpty())
                es.language = language(iso->entries.first().language);
            break;
        case DescriptorTag::Teletext:
            e.teletext = true;
            if (const auto *t = d.as<TeletextDescriptor>(); t && !t->entries.isEmpty()) {
                const TeletextDescriptor::Entry &page = t->entries.first();
                const int magazine = value(page.magazineNumber);
                es.language = language(page.language);
                if (isBcd(value(page.pageNumber)))
                    es.teletextPage = (magazine == 0 ? 8 : magazine) * 100 + bcd(value(page.pageNumber));
            }
            break;
        case DescriptorTag::Subtitling:
            e.subtitles = true;
            if (const auto *sub = d.as<SubtitlingDescriptor>(); sub && !sub->entries.isEmpty())
                es.language = language(sub->entries.first().language);
            break;
        case DescriptorTag::Ac3: e.ac3 = true; break;
        case DescriptorTag::EnhancedAc3: e.eac3 = true; break;
        default: b.leftOut(s.id, "PMT", s.pmtPid, d); break;
        }
    }
    b.overrun(loop, s.id, "PMT", s.pmtPid);
    return e;
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
    const int kind = elementKind(b, s, streamType, pid, elementDescriptors(b, s, stream.descriptors, es));
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
    for (const SiDescriptor &d : service.descriptors.descriptors) {
        if (value(d.tag) == DescriptorTag::Service && value(d.length) >= 3)
            serviceDescriptor(b, s, d);
        else if (value(d.tag) != DescriptorTag::CaIdentifier)
            b.leftOut(id, "SDT", Pid::Sdt, d);
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
    s.language = language(e->language);
    if (value(e->eventName.length) > room) {
        // The name runs into the text's length: what fits is the name, the text is empty.
        s.eventName = b.text(e->eventName.text.bytes.left(room), s.id, "event name");
        s.eventText = b.text(QByteArray(), s.id, "event text");
        return;
    }
    s.eventName = b.text(e->eventName.text.bytes, s.id, "event name");
    s.eventText = b.text(e->text.text.bytes, s.id, "event text");
}

void eitEvents(Build &b, ServiceCfg &s, const DecodedTable &t)
{
    int events = 0;
    for (const EitSection &section : t.eit) {
        for (const EitSection::Event &event : section.events) {
            if (++events > 1) {
                b.warn(s.id, QStringLiteral("EIT event %1 is left out; the configuration keeps one event")
                                 .arg(value(event.eventId)));
                continue;
            }
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
    if (b.msPerPosition > 0 && b.in.tdtSightings > 1)
        b.cfg.tdtTime = interval(double(b.in.tdtLast - b.in.tdtFirst) * b.msPerPosition / (b.in.tdtSightings - 1), 30000);
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
    cfg.playoutTimings = msPerPosition > 0;
    return cfg;
}
