#include "psi/exportcheck.h"

#include "config/model.h"
#include "psi/psibuffer.h"
#include "psi/psivmprogram.h"

namespace {

// A PSI section (PAT, PMT, NIT, SDT) is at most 1024 bytes including CRC_32
// (section_length up to 1021).
constexpr int MaxPsiSection = 1024;
constexpr int MaxDescriptorBody = 255;
// Copies are at most 14 bits long, but every section limit above is lower, so
// only the 16-bit program offsets need a check of their own.
constexpr int MaxProgram = 0xFFFF;

// The images carry a pointer_field but neither CRC_32 nor a final
// section_length: the section on the air is the image less one byte plus four.
int sectionSize(int image)
{
    return image - 1 + 4;
}

int even(int n)
{
    return n + (n & 1);
}

// Length byte plus the bytes writeString() emits.
int textField(const QString &text)
{
    return 1 + int(PsiBuffer::encodeText(text).size());
}

QString tooLong(const QString &what, int size, int limit)
{
    return QStringLiteral("%1 would be %2 bytes long; at most %3 fit").arg(what).arg(size).arg(limit);
}

int serviceDescriptorBody(const ServiceCfg &s)
{
    return 1 + textField(s.providerName) + textField(s.serviceName); // service_type, names
}

int shortEventDescriptorBody(const ServiceCfg &s)
{
    return 3 + textField(s.eventName) + textField(s.eventText); // language, name, text
}

int patImage(const TransportStreamCfg &cfg)
{
    return 9 + (cfg.nitEnabled ? 4 : 0) + 4 * int(cfg.services.size());
}

int pmtImage(const ServiceCfg &s)
{
    int size = 13 + (s.caEnabled ? 6 : 0);
    for (const ESCfg &es : s.elements) {
        if (es.type < EsMpeg2Video || es.type > EsH264Video)
            continue;
        size += 5 + (es.type == EsTeletext ? 7 : 0);
    }
    return size;
}

int sdtImage(const TransportStreamCfg &cfg)
{
    int size = 12;
    for (const ServiceCfg &s : cfg.services)
        size += 5 + 2 + serviceDescriptorBody(s) + (s.caEnabled ? 4 : 0);
    return size;
}

int nitHead(const TransportStreamCfg &cfg)
{
    return 12 + textField(cfg.netName);
}

int logicalChannels(const TransportStreamCfg &cfg)
{
    int n = 0;
    for (const ServiceCfg &s : cfg.services)
        n += s.lcEnabled ? 1 : 0;
    return n;
}

int eitImage(const ServiceCfg &s)
{
    return 29 + shortEventDescriptorBody(s);
}

} // namespace

QString hexId(quint16 value)
{
    return QLatin1String("0x") + QString::number(value, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

QString serviceLabel(int index, const ServiceCfg &service)
{
    return QStringLiteral("service %1 \"%2\" (id %3)").arg(index + 1).arg(service.serviceName, hexId(service.id));
}

int exportProgramSize(const TransportStreamCfg &cfg)
{
    const int interval = cfg.playoutTimings ? 4 : 0;
    // copy, send, end (+ list marker for PAT and SDT)
    const int routine = interval + 4 + 4 + 2;
    int size = PsiVmProgram::EntryTableSize;
    if (cfg.patEnabled)
        size += even(patImage(cfg)) + routine + 2;
    if (cfg.nitEnabled)
        size += even(nitHead(cfg)) + 4 + even(3 * int(cfg.services.size()))
            + even(4 * logicalChannels(cfg)) + interval + 4 * 4 + 12 * 2 + 4 + 2;
    if (cfg.sdtEnabled)
        size += even(sdtImage(cfg)) + routine + 2;
    if (cfg.tdtEnabled)
        size += cfg.realTdt ? interval + 2 + 2 : 10 + routine;
    for (const ServiceCfg &s : cfg.services) {
        if (!s.pmtEnabled)
            continue;
        size += even(pmtImage(s)) + routine;
        if (cfg.eitEnabled)
            size += even(eitImage(s)) + routine;
    }
    size += 2 + 6 * (int(cfg.filters.size()) + 1);
    size += 6;
    return size;
}

QStringList exportProblems(const TransportStreamCfg &cfg)
{
    QStringList messages;
    for (const ExportProblem &p : exportProblemList(cfg))
        messages << p.message;
    return messages;
}

QList<ExportProblem> exportProblemList(const TransportStreamCfg &cfg)
{
    // Each problem is tagged with the service being looked at (-1 outside the
    // service loop), so that the configuration check can point at its block.
    struct Problems {
        QList<ExportProblem> list;
        int service = -1;
        Problems &operator<<(const QString &message)
        {
            list.append(ExportProblem{service, message});
            return *this;
        }
    } problems;

    int pmtServices = 0;
    for (const ServiceCfg &s : cfg.services)
        pmtServices += s.pmtEnabled ? 1 : 0;
    if (pmtServices > PsiVmProgram::MaxPmtServices)
        problems << QStringLiteral("%1 services have PMT generation on; the MUX has entry points "
                                   "for the PMT and EIT of at most %2")
                        .arg(pmtServices)
                        .arg(PsiVmProgram::MaxPmtServices);

    if (cfg.nitEnabled) {
        const int name = int(PsiBuffer::encodeText(cfg.netName).size());
        if (name > MaxDescriptorBody)
            problems << tooLong(QStringLiteral("the network name descriptor"), name, MaxDescriptorBody);
        const int list = 3 * int(cfg.services.size());
        if (list > MaxDescriptorBody)
            problems << tooLong(QStringLiteral("the NIT's service list descriptor (%1 services)")
                                    .arg(cfg.services.size()),
                                list, MaxDescriptorBody);
        const int channels = 4 * logicalChannels(cfg);
        if (channels > MaxDescriptorBody)
            problems << tooLong(QStringLiteral("the NIT's logical channel descriptor (%1 channels)")
                                    .arg(logicalChannels(cfg)),
                                channels, MaxDescriptorBody);
        // With the name and both descriptors within 255 bytes the NIT section
        // stays below 800 bytes, so it needs no check of its own.
    }

    if (cfg.patEnabled) {
        const int section = sectionSize(patImage(cfg));
        if (section > MaxPsiSection)
            problems << tooLong(QStringLiteral("the PAT section"), section, MaxPsiSection);
    }

    for (int i = 0; i < cfg.services.size(); ++i) {
        const ServiceCfg &s = cfg.services.at(i);
        const QString label = serviceLabel(i, s) + QLatin1String(": ");
        problems.service = i;
        if ((cfg.sdtEnabled || cfg.nitEnabled) && s.type != ServiceDigitalTv
            && s.type != ServiceDigitalRadio)
            problems << label
                    + QStringLiteral("service type %1 has no DVB service_type; only 0 (Digital TV) "
                                     "and 1 (Digital Radio) can go into the SDT and NIT")
                          .arg(s.type);
        if (cfg.sdtEnabled) {
            const int body = serviceDescriptorBody(s);
            if (body > MaxDescriptorBody)
                problems << label + tooLong(QStringLiteral("the service descriptor"), body, MaxDescriptorBody);
        }
        if (s.pmtEnabled) {
            const int section = sectionSize(pmtImage(s));
            if (section > MaxPsiSection)
                problems << label + tooLong(QStringLiteral("the PMT section"), section, MaxPsiSection);
        }
        if (s.pmtEnabled && cfg.eitEnabled) {
            const int body = shortEventDescriptorBody(s);
            if (body > MaxDescriptorBody)
                problems << label
                        + tooLong(QStringLiteral("the short event descriptor"), body, MaxDescriptorBody);
            // One short event descriptor of at most 255 bytes keeps the EIT
            // section far below its 4096-byte limit.
        }
    }

    problems.service = -1;
    if (cfg.sdtEnabled) {
        const int section = sectionSize(sdtImage(cfg));
        if (section > MaxPsiSection)
            problems << tooLong(QStringLiteral("the SDT section"), section, MaxPsiSection);
    }

    const int program = exportProgramSize(cfg);
    if (program > MaxProgram)
        problems << QStringLiteral("the MUX binary would be %1 bytes long; at most %2 can be addressed")
                        .arg(program)
                        .arg(MaxProgram);
    return problems.list;
}
