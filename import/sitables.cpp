// PSI/SI tables read back into a configuration: PAT and PMT (ISO/IEC 13818-1
// 2.4.4.3, 2.4.4.8), CAT (2.4.4.6), NIT, SDT, EIT and TDT (EN 300 468 5.2).

#include "import/sitables.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "config/number.h"
#include "format/mbnformat.h"
#include "import/dvbtext.h"

namespace {

// A damaged or hostile stream cannot make the importer keep more than this
// many tables, nor store more than this many bytes of sections in all.
constexpr int MaxTables = 4096;
constexpr qint64 MaxStoredBytes = qint64(64) << 20;
constexpr int CatPid = 0x0001;
constexpr quint8 CatTableId = 0x01;
constexpr int PrivateDataSpecifierEacem = 0x00000028;
constexpr int MaxLogicalChannel = 999;

quint16 be16(const char *p)
{
    return quint16((quint8(p[0]) << 8) | quint8(p[1]));
}

quint16 pid13(const char *p)
{
    return be16(p) & 0x1FFF;
}

int length12(const char *p)
{
    return be16(p) & 0x0FFF;
}

QString hex4(int value)
{
    return hexNumber(quint32(value), 4, HexCase::Upper);
}

QString hex2(int value)
{
    return hexNumber(quint32(value), 2, HexCase::Upper);
}

// One descriptor of a loop; the loop is walked with next() until it ends or
// a descriptor runs past its end.
struct Descriptors {
    const char *p;
    const char *end;
    int tag = 0;
    int length = 0;
    const char *body = nullptr;
    bool overrun = false;

    Descriptors(const char *begin, const char *stop) : p(begin), end(stop) {}
    bool next()
    {
        if (end - p < 2) {
            overrun = p != end;
            return false;
        }
        tag = quint8(p[0]);
        length = quint8(p[1]);
        if (end - p - 2 < length) {
            overrun = true;
            return false;
        }
        body = p + 2;
        p += 2 + length;
        return true;
    }
};

QString language(const char *p)
{
    QString code = QString::fromLatin1(p, 3);
    while (code.endsWith(QLatin1Char(' ')))
        code.chop(1);
    return code;
}

// The body of one table: every section's bytes between the fixed header and
// the CRC_32, in section order.
struct Body {
    const char *begin;
    const char *end;
};

QList<Body> bodies(const QList<QByteArray> &sections, int header)
{
    QList<Body> out;
    for (const QByteArray &s : sections)
        if (s.size() >= header + 4)
            out.append(Body{s.constData() + header, s.constData() + s.size() - 4});
    return out;
}



// Repetition interval in ms, rounded and held to what the stream page accepts.
quint16 interval(double ms, int most)
{
    return quint16(qBound(25, int(std::lround(ms)), most));
}

} // namespace

// Turns the last complete tables into a configuration, warning on the way.
struct SiTables::Build {
    QList<ImportWarning> *m_warnings;
    double msPerPosition;
    TransportStreamCfg cfg;
    QHash<int, int> serviceIndex; // service_id -> position in cfg.services
    int networkPid = -1;          // announced in the PAT
    const Table *sdt = nullptr;
    QHash<int, bool> eitFlag;     // service_id -> EIT_present_following_flag of the SDT

    Build(QList<ImportWarning> *warnings, double ms) : m_warnings(warnings), msPerPosition(ms) {}


    void warn(int serviceId, const QString &text) { m_warnings->append(ImportWarning{serviceId, text}); }
    void stream(const QString &text) { warn(-1, text); }

    QString text(const char *p, int size, int serviceId, const char *what)
    {
        QString problem;
        const QString decoded = decodeDvbText(p, size, &problem);
        if (!problem.isEmpty())
            warn(serviceId, QStringLiteral("%1 \"%2\": %3").arg(QLatin1String(what), decoded, problem));
        return decoded;
    }

    void leftOut(int serviceId, const char *table, int pid, int tag)
    {
        warn(serviceId, QStringLiteral("the %1 on PID %2 carries descriptor tag %3, which the "
                                       "configuration does not keep; left out")
                            .arg(QLatin1String(table), hex4(pid), hex2(tag)));
    }
    void overrun(bool overran, int serviceId, const char *table, int pid)
    {
        if (overran)
            warn(serviceId, QStringLiteral("a descriptor of the %1 on PID %2 runs past its loop; the "
                                           "rest of the loop is left out")
                                .arg(QLatin1String(table), hex4(pid)));
    }

    // The model's type of a DVB service_type.
    qint32 serviceType(int code, int serviceId)
    {
        switch (code) {
        case 0x01:
            return ServiceDigitalTv;
        case 0x02:
            return ServiceDigitalRadio;
        case 0x0A:
            warn(serviceId, QStringLiteral("service_type %1 (advanced codec radio) imports as radio; the "
                                             "export announces 0x02")
                                  .arg(hex2(code)));
            return ServiceDigitalRadio;
        case 0x11:
        case 0x16:
        case 0x19:
        case 0x1C:
        case 0x1F:
        case 0x20:
            warn(serviceId, QStringLiteral("service_type %1 imports as television; the export "
                                             "announces 0x01")
                                  .arg(hex2(code)));
            return ServiceDigitalTv;
        default:
            warn(serviceId, QStringLiteral("service_type %1 is neither television nor radio; imported "
                                             "as television, which the export announces as 0x01")
                                  .arg(hex2(code)));
            return ServiceDigitalTv;
        }
    }

    // The mean time between two sightings; -1 without a time base or a repeat.
    double timed(const Table *t) const
    {
        return t && msPerPosition > 0 && t->sightings > 1
            ? double(t->last - t->first) * msPerPosition / double(t->sightings - 1)
            : -1.0;
    }
};


SiTables::Table &SiTables::table(int pid, int tableId, int extension)
{
    const quint64 key = (quint64(pid) << 24) | (quint64(tableId) << 16) | quint64(extension);
    const auto it = m_index.constFind(key);
    if (it != m_index.constEnd())
        return m_tables[*it];
    m_index.insert(key, int(m_tables.size()));
    Table t;
    t.pid = pid;
    t.tableId = tableId;
    t.extension = extension;
    m_tables.append(t);
    return m_tables.last();
}

const SiTables::Table *SiTables::find(int pid, int tableId, int extension) const
{
    const quint64 key = (quint64(pid) << 24) | (quint64(tableId) << 16) | quint64(extension);
    const auto it = m_index.constFind(key);
    return it == m_index.constEnd() || m_tables.at(*it).complete.isEmpty() ? nullptr : &m_tables.at(*it);
}

void SiTables::addRealTimeTdt()
{
    m_realTimeTdt = true;
}

void SiTables::addSection(int pid, const char *data, int size, qint64 position)
{
    if (size < 3)
        return;
    const int tableId = quint8(data[0]);
    if (tableId == TableId::Tdt) {
        // time_date_section: no CRC_32, UTC_time only.
        if (pid != Pid::Tdt || size != 8)
            return;
        m_tdt = QByteArray(data, size);
        if (m_tdtFirst < 0)
            m_tdtFirst = position;
        m_tdtLast = position;
        ++m_tdtSightings;
        return;
    }
    const bool wanted = (pid == Pid::Pat && tableId == TableId::Pat) || (pid == CatPid && tableId == CatTableId)
        || (pid == Pid::Sdt && tableId == TableId::SdtActual) || (pid == Pid::Eit && tableId == TableId::EitPfActual)
        || (tableId == TableId::NitActual && pid > CatPid) || (tableId == TableId::Pmt && pid > Pid::LastReserved);
    if (!wanted || size < 12 || !(quint8(data[1]) & 0x80))
        return;
    if (mpegCrc32(data, size) != 0) {
        ++m_badCrc[pid];
        return;
    }
    if (!(quint8(data[5]) & 0x01))
        return; // current_next_indicator 0: a version not yet in force
    const int extension = be16(data + 3);
    const int version = (quint8(data[5]) >> 1) & 0x1F;
    const int number = quint8(data[6]);
    const int lastNumber = quint8(data[7]);
    if (number > lastNumber)
        return;
    const quint64 key = (quint64(pid) << 24) | (quint64(tableId) << 16) | quint64(extension);
    if (!m_index.contains(key) && m_tables.size() >= MaxTables) {
        m_tooManyTables = true;
        return;
    }
    Table &t = table(pid, tableId, extension);
    if (t.version != version || t.parts.size() != lastNumber + 1) {
        t.version = version;
        t.parts = QList<QByteArray>(lastNumber + 1);
    }
    QByteArray &part = t.parts[number];
    if (part.size() != size || std::memcmp(part.constData(), data, size_t(size)) != 0) {
        // A repeat stores nothing; anything new counts against the budget.
        if (m_storedBytes + size > MaxStoredBytes) {
            m_tooManyTables = true;
            return;
        }
        m_storedBytes += size;
        part = QByteArray(data, size);
    }
    if (number != lastNumber)
        return;
    for (const QByteArray &part : std::as_const(t.parts))
        if (part.isEmpty())
            return;
    const bool changed = t.complete != t.parts;
    t.complete = t.parts;
    if (changed && t.completeVersion != version) {
        ++t.versions;
        t.completeVersion = version;
    }
    sighted(t, position);
    if (tableId == TableId::Pat && pid == Pid::Pat) {
        m_patIndex = int(&t - m_tables.constData());
        if (changed)
            ++m_pidGeneration;
    } else if (tableId == TableId::Pmt && m_timeBasePid < 0) {
        const int pcr = pid13(data + 8);
        if (pcr != Pid::Null) {
            m_timeBasePid = pcr;
            ++m_pidGeneration;
        }
    }
}

void SiTables::sighted(Table &t, qint64 position)
{
    if (t.first < 0)
        t.first = position;
    t.last = position;
    ++t.sightings;
}

QList<SiTables::Program> SiTables::programs() const
{
    QList<Program> out;
    if (m_patIndex < 0)
        return out;
    for (const Body &b : bodies(m_tables.at(m_patIndex).complete, 8))
        for (const char *p = b.begin; b.end - p >= 4; p += 4)
            out.append(Program{be16(p), pid13(p + 2)});
    return out;
}

int SiTables::networkPid() const
{
    for (const Program &p : programs())
        if (p.number == 0)
            return p.pid;
    return -1;
}

QList<int> SiTables::announcedPids() const
{
    QList<int> pids;
    for (const Program &p : programs())
        pids.append(p.pid);
    return pids;
}

bool SiTables::seenEverythingTwice() const
{
    if (m_patIndex < 0 || m_tdtSightings < 2)
        return false;
    for (const Table &t : m_tables)
        if (t.sightings == 1) // one never complete is not waited for
            return false;
    const int pat = m_tables.at(m_patIndex).extension;
    if (!find(Pid::Sdt, TableId::SdtActual, pat))
        return false;
    for (const Program &p : programs()) {
        const bool seen = p.number == 0 ? std::any_of(m_tables.cbegin(), m_tables.cend(), [&p](const Table &t) {
            return t.pid == p.pid && t.tableId == TableId::NitActual && !t.complete.isEmpty();
        })
                                        : find(p.pid, TableId::Pmt, p.number) != nullptr;
        if (!seen)
            return false;
    }
    return true;
}

TransportStreamCfg SiTables::build(double msPerPosition, QList<ImportWarning> *warnings) const
{
    Build b(warnings, msPerPosition);
    TransportStreamCfg &cfg = b.cfg;
    cfg.patEnabled = m_patIndex >= 0;
    cfg.nitEnabled = cfg.sdtEnabled = cfg.eitEnabled = cfg.tdtEnabled = false;
    if (m_tooManyTables)
        b.stream(QStringLiteral("more than %1 tables or %2 MiB of sections in the capture; the later ones "
                                "are left out")
                     .arg(MaxTables)
                     .arg(MaxStoredBytes >> 20));
    for (auto it = m_badCrc.constBegin(); it != m_badCrc.constEnd(); ++it)
        b.stream(QStringLiteral("%1 section%2 on PID %3 with a CRC_32 that does not check left out")
                     .arg(it.value())
                     .arg(it.value() == 1 ? "" : "s")
                     .arg(hex4(it.key())));
    for (const Table &t : m_tables)
        if (t.versions > 1)
            b.stream(QStringLiteral("table_id %1 (extension %2) on PID %3 changed version during the "
                                    "capture; its last complete version %4 is kept")
                         .arg(hex2(t.tableId), hex4(t.extension), hex4(t.pid))
                         .arg(t.completeVersion));
    readPat(b);
    readPmts(b);
    readSdt(b);
    readNit(b);
    readEit(b);
    readCat(b);
    readTdt(b);
    if (const double ms = b.timed(m_patIndex >= 0 ? &m_tables.at(m_patIndex) : nullptr); ms >= 0)
        cfg.patTime = interval(ms, 500);
    cfg.playoutTimings = msPerPosition > 0;
    return cfg;
}

// PAT: the services, their PMT PIDs and the network PID.
void SiTables::readPat(Build &b) const
{
    TransportStreamCfg &cfg = b.cfg;
    QHash<int, int> &serviceIndex = b.serviceIndex;
    int &networkPid = b.networkPid;
    if (m_patIndex >= 0) {
        cfg.id = quint16(m_tables.at(m_patIndex).extension);
        for (const Program &p : programs()) {
            if (p.number == 0) {
                networkPid = p.pid;
                continue;
            }
            if (serviceIndex.contains(p.number)) {
                b.warn(p.number, QStringLiteral("listed twice in the PAT; the second entry (PMT PID %1) is "
                                                "left out")
                                     .arg(hex4(p.pid)));
                continue;
            }
            ServiceCfg s;
            s.id = p.number;
            s.pmtPid = p.pid == Pid::Null ? 0 : p.pid;
            serviceIndex.insert(p.number, int(cfg.services.size()));
            cfg.services.append(s);
        }
    }
    if (networkPid >= 0 && networkPid != Pid::Nit)
        b.stream(QStringLiteral("the PAT announces the NIT on PID %1; the export sends it on 0x0010")
                     .arg(hex4(networkPid)));
}

// PMT: PCR, CA and the elements of each service.
void SiTables::readPmts(Build &b) const
{
    TransportStreamCfg &cfg = b.cfg;
    double pmtMs = 0;
    int pmtTimed = 0;
    int withPmt = 0;
    for (ServiceCfg &s : cfg.services) {
        const Table *t = find(s.pmtPid, TableId::Pmt, s.id);
        if (!t) {
            s.pmtEnabled = false;
            if (!m_fromProgram)
                b.warn(s.id, QStringLiteral("no PMT on PID %1 in the capture; imported with its PMT off")
                             .arg(hex4(s.pmtPid)));
            continue;
        }
        ++withPmt;
        if (const double ms = b.timed(t); ms >= 0) {
            pmtMs += ms;
            ++pmtTimed;
        }
        // Every complete section has its header and CRC_32 (addSection).
        const QByteArray &section = t->complete.first();
        const int pcr = section.size() >= 12 ? pid13(section.constData() + 8) : int(Pid::Null);
        s.pcrPid = quint16(pcr);
        bool pcrMissing = pcr == Pid::Null;
        for (const Body &body : bodies(t->complete, 12)) {
            const int infoLength = length12(body.begin - 2);
            const char *loop = body.begin + qMin<qint64>(infoLength, body.end - body.begin);
            Descriptors d(body.begin, loop);
            while (d.next()) {
                if (d.tag == DescriptorTag::Ca && d.length >= 4) {
                    if (s.caEnabled) {
                        b.warn(s.id, QStringLiteral("a second CA descriptor (CA system %1) in the PMT "
                                                    "is left out")
                                         .arg(hex4(be16(d.body))));
                        continue;
                    }
                    s.caEnabled = true;
                    s.caId = be16(d.body);
                    s.ecmPid = pid13(d.body + 2) == Pid::Null ? 0 : pid13(d.body + 2);
                } else {
                    b.leftOut(s.id, "PMT", s.pmtPid, d.tag);
                }
            }
            b.overrun(d.overrun, s.id, "PMT", s.pmtPid);
            for (const char *p = loop; body.end - p >= 5;) {
                const int streamType = quint8(p[0]);
                const int pid = pid13(p + 1);
                const int esInfo = length12(p + 3);
                const char *esEnd = p + 5 + qMin<qint64>(esInfo, body.end - p - 5);
                ESCfg es;
                es.pid = quint16(pid);
                int kind = -1;
                bool teletext = false, subtitles = false, ac3 = false, eac3 = false;
                Descriptors e(p + 5, esEnd);
                while (e.next()) {
                    switch (e.tag) {
                    case DescriptorTag::Iso639Language:
                        if (e.length >= 4)
                            es.language = language(e.body);
                        break;
                    case DescriptorTag::Teletext:
                        teletext = true;
                        if (e.length >= 5) {
                            es.language = language(e.body);
                            const int magazine = quint8(e.body[3]) & 0x07;
                            const int page = quint8(e.body[4]);
                            if ((page >> 4) <= 9 && (page & 0x0F) <= 9)
                                es.teletextPage = (magazine == 0 ? 8 : magazine) * 100 + (page >> 4) * 10
                                    + (page & 0x0F);
                        }
                        break;
                    case DescriptorTag::Subtitling:
                        subtitles = true;
                        if (e.length >= 8)
                            es.language = language(e.body);
                        break;
                    case DescriptorTag::Ac3:
                        ac3 = true;
                        break;
                    case DescriptorTag::EnhancedAc3:
                        eac3 = true;
                        break;
                    default:
                        b.leftOut(s.id, "PMT", s.pmtPid, e.tag);
                        break;
                    }
                }
                b.overrun(e.overrun, s.id, "PMT", s.pmtPid);
                switch (streamType) {
                case StreamType::Mpeg2Video: kind = EsMpeg2Video; break;
                case StreamType::Mpeg2Audio: kind = EsMpeg2Audio; break;
                case StreamType::H264Video: kind = EsH264Video; break;
                case StreamType::HevcVideo: kind = EsHevcVideo; break;
                case StreamType::AacAdts: kind = EsAacAudio; break;
                case StreamType::PesPrivateData:
                    kind = teletext ? EsTeletext : subtitles ? EsDvbSubtitles : ac3 ? EsAc3Audio
                        : eac3                              ? EsEac3Audio
                                                            : -1;
                    break;
                case 0x04: // ISO/IEC 13818-3 audio
                case 0x81: // AC-3 as ATSC muxers announce it
                case 0x87: // E-AC-3 likewise
                    kind = streamType == 0x04 ? EsMpeg2Audio : streamType == 0x81 ? EsAc3Audio : EsEac3Audio;
                    b.warn(s.id, QStringLiteral("stream type %1 on PID %2 imports as element type %3%4; the "
                                                "export announces it as stream type %5")
                                     .arg(hex2(streamType), hex4(pid))
                                     .arg(kind)
                                     .arg(esTypeInfo(kind) ? QStringLiteral(" (%1)").arg(QLatin1String(esTypeInfo(kind)->description))
                                                           : QString(),
                                          hex2(esTypeInfo(kind) ? esTypeInfo(kind)->streamType
                                                                : StreamType::PesPrivateData)));
                    break;
                default:
                    break;
                }
                if (kind < 0) {
                    b.warn(s.id, QStringLiteral("stream type %1 on PID %2 is %3; the element is left out")
                                     .arg(hex2(streamType), hex4(pid),
                                          streamType == StreamType::PesPrivateData
                                              ? QStringLiteral("private data without a teletext, "
                                                               "subtitling, AC-3 or E-AC-3 descriptor")
                                              : QStringLiteral("no kind the configuration knows")));
                } else if (pid == Pid::Null) {
                    b.warn(s.id, QStringLiteral("an element on PID 0x1FFF is left out"));
                } else {
                    es.type = kind;
                    // The export writes "und" for a kind that always names a language.
                    if (esTypeInfo(kind) && esTypeInfo(kind)->language == EsLanguage::OrUnd
                        && es.language == QLatin1String("und"))
                        es.language.clear();
                    s.elements.append(es);
                    if (pcrMissing) {
                        s.pcrPid = es.pid;
                        pcrMissing = false;
                        b.warn(s.id, QStringLiteral("the PCR is on PID 0x1FFF (none); the PCR PID is set "
                                                    "to the first element's, %1")
                                         .arg(hex4(es.pid)));
                    }
                }
                p = esEnd;
            }
        }
        if (pcrMissing) {
            s.pcrPid = 0;
            b.warn(s.id, QStringLiteral("the PCR is on PID 0x1FFF (none); the PCR PID is set to 0"));
        }
    }
    if (withPmt > Mbn::MaxPmtServices)
        b.stream(QStringLiteral("%1 services with a PMT; the export takes at most %2").arg(withPmt).arg(Mbn::MaxPmtServices));
    if (pmtTimed > 0)
        cfg.pmtTime = interval(pmtMs / pmtTimed, 500);
}

// SDT actual: names, providers and types.
void SiTables::readSdt(Build &b) const
{
    TransportStreamCfg &cfg = b.cfg;
    const QHash<int, int> &serviceIndex = b.serviceIndex;
    const Table *&sdt = b.sdt;
    sdt = find(Pid::Sdt, TableId::SdtActual, cfg.id);
    if (!sdt) {
        for (const Table &t : m_tables)
            if (t.pid == Pid::Sdt && t.tableId == TableId::SdtActual && !t.complete.isEmpty()) {
                b.stream(QStringLiteral("the SDT actual is for transport stream %1, not %2 of the PAT; read "
                                        "all the same")
                             .arg(hex4(t.extension), hex4(cfg.id)));
                sdt = &t;
                break;
            }
    }
    if (sdt) {
        cfg.sdtEnabled = true;
        if (const QByteArray &first = sdt->complete.first(); first.size() >= 12)
            cfg.origId = be16(first.constData() + 8);
        if (const double ms = b.timed(sdt); ms >= 0)
            cfg.sdtTime = interval(ms, 2000);
        for (const Body &body : bodies(sdt->complete, 11)) {
            for (const char *p = body.begin; body.end - p >= 5;) {
                const int id = be16(p);
                const bool freeCa = quint8(p[3]) & 0x10;
                const char *end = p + 5 + qMin<qint64>(length12(p + 3), body.end - p - 5);
                const auto at = serviceIndex.constFind(id);
                if (at == serviceIndex.constEnd()) {
                    b.stream(QStringLiteral("the SDT describes service %1, which the PAT does not list; "
                                            "left out")
                                 .arg(hex4(id)));
                    p = end;
                    continue;
                }
                ServiceCfg &s = cfg.services[*at];
                b.eitFlag.insert(id, quint8(p[2]) & 0x01);
                Descriptors d(p + 5, end);
                while (d.next()) {
                    if (d.tag == DescriptorTag::Service && d.length >= 3) {
                        s.type = b.serviceType(quint8(d.body[0]), id);
                        const int providerLength = quint8(d.body[1]);
                        if (2 + providerLength + 1 > d.length) {
                            b.warn(id, QStringLiteral("the service descriptor is shorter than its names"));
                            continue;
                        }
                        s.providerName = b.text(d.body + 2, providerLength, id, "provider name");
                        const int nameLength = qMin(int(quint8(d.body[2 + providerLength])),
                                                    d.length - 3 - providerLength);
                        s.serviceName = b.text(d.body + 3 + providerLength, nameLength, id, "service name");
                    } else if (d.tag != DescriptorTag::CaIdentifier) {
                        b.leftOut(id, "SDT", Pid::Sdt, d.tag);
                    }
                }
                b.overrun(d.overrun, id, "SDT", Pid::Sdt);
                if (freeCa != s.caEnabled)
                    b.warn(id, freeCa ? QStringLiteral("free_CA_mode is set in the SDT but the PMT carries no "
                                                       "CA descriptor; imported without CA")
                                      : QStringLiteral("free_CA_mode is clear in the SDT but the PMT carries "
                                                       "a CA descriptor; the export sets it"));
                p = end;
            }
        }
    }
}

// NIT actual: the network, and logical channels of this transport stream.
void SiTables::readNit(Build &b) const
{
    TransportStreamCfg &cfg = b.cfg;
    const QHash<int, int> &serviceIndex = b.serviceIndex;
    const int networkPid = b.networkPid;
    const Table *sdt = b.sdt;
    const Table *nit = nullptr;
    for (const Table &t : m_tables)
        if (t.tableId == TableId::NitActual && (networkPid < 0 || t.pid == networkPid) && !t.complete.isEmpty()) {
            if (nit) {
                b.stream(QStringLiteral("a second NIT actual (network %1) is left out").arg(hex4(t.extension)));
                continue;
            }
            nit = &t;
        }
    if (nit && networkPid < 0 && nit->pid != Pid::Nit)
        b.stream(QStringLiteral("the NIT is on PID %1; the export sends it on 0x0010").arg(hex4(nit->pid)));
    if (nit) {
        cfg.nitEnabled = true;
        cfg.netId = quint16(nit->extension);
        if (const double ms = b.timed(nit); ms >= 0)
            cfg.nitTime = interval(ms, 10000);
        int streams = 0;
        for (const Body &body : bodies(nit->complete, 8)) {
            const char *loop = body.begin + 2 + qMin<qint64>(length12(body.begin), body.end - body.begin - 2);
            Descriptors d(body.begin + 2, loop);
            while (d.next()) {
                if (d.tag == DescriptorTag::NetworkName)
                    cfg.netName = b.text(d.body, d.length, -1, "network name");
                else
                    b.leftOut(-1, "NIT", nit->pid, d.tag);
            }
            b.overrun(d.overrun, -1, "NIT", nit->pid);
            for (const char *p = loop + 2; body.end - p >= 6;) {
                const int tsId = be16(p);
                const char *end = p + 6 + qMin<qint64>(length12(p + 4), body.end - p - 6);
                ++streams;
                if (tsId == cfg.id && !sdt)
                    cfg.origId = be16(p + 2); // original_network_id, when no SDT gives it
                if (tsId != cfg.id) {
                    b.stream(QStringLiteral("the NIT also describes transport stream %1; left out").arg(hex4(tsId)));
                    p = end;
                    continue;
                }
                qint64 specifier = -1;
                Descriptors t(p + 6, end);
                while (t.next()) {
                    if (t.tag == DescriptorTag::PrivateDataSpecifier && t.length >= 4) {
                        specifier = (qint64(be16(t.body)) << 16) | be16(t.body + 2);
                    } else if (t.tag == DescriptorTag::LogicalChannel) {
                        if (specifier >= 0 && specifier != PrivateDataSpecifierEacem) {
                            b.stream(QStringLiteral("a descriptor 0x83 under private data specifier %1 is "
                                                    "not a logical channel descriptor; left out")
                                         .arg(hexNumber(quint32(specifier), 8, HexCase::Upper)));
                            continue;
                        }
                        for (int i = 0; i + 4 <= t.length; i += 4) {
                            const int id = be16(t.body + i);
                            const auto at = serviceIndex.constFind(id);
                            const int number = be16(t.body + i + 2) & 0x03FF;
                            if (at == serviceIndex.constEnd()) {
                                b.stream(QStringLiteral("logical channel %1 of service %2, which the PAT "
                                                        "does not list, is left out")
                                             .arg(number)
                                             .arg(hex4(id)));
                            } else if (number > MaxLogicalChannel) {
                                b.warn(id, QStringLiteral("logical channel %1 is beyond %2; left out")
                                               .arg(number)
                                               .arg(MaxLogicalChannel));
                            } else {
                                ServiceCfg &s = cfg.services[*at];
                                s.lcEnabled = true;
                                s.lcVisible = quint8(t.body[i + 2]) & 0x80;
                                s.lcNumber = quint16(number);
                            }
                        }
                    } else if (t.tag != DescriptorTag::ServiceList) {
                        b.leftOut(-1, "NIT", nit->pid, t.tag);
                    }
                }
                b.overrun(t.overrun, -1, "NIT", nit->pid);
                p = end;
            }
        }
        if (streams > 1)
            b.stream(QStringLiteral("the NIT describes %1 transport streams; only this one is kept").arg(streams));
    }
}

// EIT present/following actual: the present event of each service.
void SiTables::readEit(Build &b) const
{
    TransportStreamCfg &cfg = b.cfg;
    double eitMs = 0;
    int eitTimed = 0;
    for (ServiceCfg &s : cfg.services) {
        const Table *t = find(Pid::Eit, TableId::EitPfActual, s.id);
        if (!t)
            continue;
        cfg.eitEnabled = true;
        if (const double ms = b.timed(t); ms >= 0) {
            eitMs += ms;
            ++eitTimed;
        }
        int events = 0;
        for (const Body &body : bodies(t->complete, 14)) {
            for (const char *p = body.begin; body.end - p >= 12;) {
                const char *end = p + 12 + qMin<qint64>(length12(p + 10), body.end - p - 12);
                if (++events > 1) {
                    b.warn(s.id, QStringLiteral("EIT event %1 is left out; the configuration keeps one event")
                                     .arg(be16(p)));
                    p = end;
                    continue;
                }
                bool found = false;
                Descriptors d(p + 12, end);
                while (d.next()) {
                    if (d.tag == DescriptorTag::ShortEvent && d.length >= 5 && !found) {
                        found = true;
                        s.language = language(d.body);
                        const int nameLength = qMin(int(quint8(d.body[3])), d.length - 5);
                        s.eventName = b.text(d.body + 4, nameLength, s.id, "event name");
                        const int textLength = qMin(int(quint8(d.body[4 + nameLength])), d.length - 5 - nameLength);
                        s.eventText = b.text(d.body + 5 + nameLength, textLength, s.id, "event text");
                    } else {
                        b.leftOut(s.id, "EIT", Pid::Eit, d.tag);
                    }
                }
                b.overrun(d.overrun, s.id, "EIT", Pid::Eit);
                p = end;
            }
        }
    }
    if (eitTimed > 0)
        cfg.eitTime = interval(2 * eitMs / eitTimed, 2000); // the export sends each at half eit-time
    for (auto it = b.eitFlag.constBegin(); it != b.eitFlag.constEnd() && !m_fromProgram; ++it)
        if (it.value() && !find(Pid::Eit, TableId::EitPfActual, it.key()))
            b.warn(it.key(), QStringLiteral("the SDT announces an EIT present/following that the capture "
                                            "does not hold"));
}

// CAT: the stream's conditional access.
void SiTables::readCat(Build &b) const
{
    TransportStreamCfg &cfg = b.cfg;
    for (const Table &t : m_tables) {
        if (t.pid != CatPid || t.tableId != CatTableId)
            continue;
        for (const Body &body : bodies(t.complete, 8)) {
            Descriptors d(body.begin, body.end);
            while (d.next()) {
                if (d.tag == DescriptorTag::Ca && d.length >= 4 && !cfg.caEnabled) {
                    cfg.caEnabled = true;
                    cfg.caId = be16(d.body);
                    cfg.emmPid = pid13(d.body + 2) == Pid::Null ? 0 : pid13(d.body + 2);
                } else if (d.tag == DescriptorTag::Ca && d.length >= 4) {
                    b.stream(QStringLiteral("a second CA descriptor (CA system %1) in the CAT is left out")
                                 .arg(hex4(be16(d.body))));
                } else {
                    b.leftOut(-1, "CAT", CatPid, d.tag);
                }
            }
            b.overrun(d.overrun, -1, "CAT", CatPid);
        }
    }
}

// TDT: on when found; real time when it carries one.
void SiTables::readTdt(Build &b) const
{
    TransportStreamCfg &cfg = b.cfg;
    if (m_realTimeTdt || !m_tdt.isEmpty()) {
        cfg.tdtEnabled = true;
        cfg.realTdt = m_realTimeTdt || be16(m_tdt.constData() + 3) != 0;
        if (b.msPerPosition > 0 && m_tdtSightings > 1)
            cfg.tdtTime = interval(double(m_tdtLast - m_tdtFirst) * b.msPerPosition / (m_tdtSightings - 1), 30000);
    }
}
