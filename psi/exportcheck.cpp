#include "psi/exportcheck.h"

#include "config/model.h"
#include "config/number.h"
#include "format/mbnformat.h"
#include "psi/psibuffer.h"
#include "psi/psivmprogram.h"
#include "psi/sections.h"

namespace {

constexpr int MaxDescriptorBody = 255;

// The bytes that `write` puts into a section image, counted on a measuring
// buffer: the generators' own code, however large the configuration.
template <typename Write>
int measured(Write write)
{
    PsiBuffer buf(PsiBuffer::Mode::Measure);
    write(buf);
    buf.finish();
    return buf.outputLength();
}

// The images carry a pointer_field but neither CRC_32 nor a final
// section_length: the section on the air is the image less one byte plus four.
int sectionSize(int image)
{
    return image - 1 + 4;
}

// A descriptor's body: what follows its tag and length bytes.
int descriptorBody(int descriptor)
{
    return descriptor - 2;
}

// Each problem is tagged with the service being looked at (-1 outside the
// service loop), so that the configuration check can point at its block.
class Problems
{
public:
    Problems(const TransportStreamCfg &cfg, const Wording &words) : m_cfg(cfg), m_words(words) {}

    QString text(const char *source) const { return m_words.text(source); }

    void add(const QString &problem)
    {
        const QString message = service < 0
            ? problem
            : serviceLabel(service, m_cfg.services.at(service), m_words) + QLatin1String(": ") + problem;
        list.append(ExportProblem{service, message, problem});
    }
    void tooLong(const QString &what, int size, int limit)
    {
        add(text(QT_TRANSLATE_NOOP("Check", "%1 would be %2 bytes long; at most %3 fit"))
                .arg(what)
                .arg(size)
                .arg(limit));
    }

    QList<ExportProblem> list;
    int service = -1;

private:
    const TransportStreamCfg &m_cfg;
    const Wording &m_words;
};

void checkNit(const TransportStreamCfg &cfg, Problems &problems)
{
    using namespace PsiSections;
    const int name = descriptorBody(measured([&](PsiBuffer &b) { networkNameDescriptor(b, cfg); }));
    if (name > MaxDescriptorBody)
        problems.tooLong(problems.text(QT_TRANSLATE_NOOP("Check", "the network name descriptor")), name,
                         MaxDescriptorBody);
    const int list = measured([&](PsiBuffer &b) { nitServiceList(b, cfg); });
    if (list > MaxDescriptorBody)
        problems.tooLong(problems.text(QT_TRANSLATE_NOOP("Check", "the NIT's service list descriptor (%1 services)"))
                             .arg(cfg.services.size()),
                         list, MaxDescriptorBody);
    const int channels = measured([&](PsiBuffer &b) { nitLogicalChannels(b, cfg); });
    if (channels > MaxDescriptorBody)
        problems.tooLong(problems.text(QT_TRANSLATE_NOOP("Check", "the NIT's logical channel descriptor (%1 channels)"))
                             .arg(channels / 4),
                         channels, MaxDescriptorBody);
    // The section as the routine joins it: the pieces, the two 16-bit loop
    // lengths, the tags and lengths of both lists, and the private data
    // specifier of lcn-profile. With the name and both descriptors within
    // 255 bytes it stays below 810 bytes; measured all the same, so that a
    // further piece cannot slip past.
    const int section = measured([&](PsiBuffer &b) { nitHead(b, cfg); }) + 2
        + measured([&](PsiBuffer &b) { nitTransportStream(b, cfg); }) + 2 + 2 + list
        + measured([&](PsiBuffer &b) { nitLcnSpecifier(b, cfg); }) + 2 + channels;
    if (sectionSize(section) > MaxPsiSectionSize)
        problems.tooLong(problems.text(QT_TRANSLATE_NOOP("Check", "the NIT section")), sectionSize(section),
                         MaxPsiSectionSize);
}

void checkService(const TransportStreamCfg &cfg, int i, Problems &problems)
{
    using namespace PsiSections;
    const ServiceCfg &s = cfg.services.at(i);
    problems.service = i;
    if ((cfg.sdtEnabled || cfg.nitEnabled) && !serviceTypeInfo(s.type))
        problems.add(problems.text(QT_TRANSLATE_NOOP("Check", "service type %1 has no DVB service_type; only 0 "
                                                              "to %2 can go into the SDT and NIT"))
                         .arg(s.type)
                         .arg(serviceTypes().size() - 1));
    if (cfg.sdtEnabled) {
        const int body = descriptorBody(measured([&](PsiBuffer &b) { serviceDescriptor(b, s); }));
        if (body > MaxDescriptorBody)
            problems.tooLong(problems.text(QT_TRANSLATE_NOOP("Check", "the service descriptor")), body,
                             MaxDescriptorBody);
    }
    if (s.pmtEnabled) {
        const int section = sectionSize(measured([&](PsiBuffer &b) { pmt(b, s); }));
        if (section > MaxPsiSectionSize)
            problems.tooLong(problems.text(QT_TRANSLATE_NOOP("Check", "the PMT section")), section,
                             MaxPsiSectionSize);
    }
    if (s.pmtEnabled && cfg.eitEnabled) {
        const int body = descriptorBody(measured([&](PsiBuffer &b) { shortEventDescriptor(b, s); }));
        if (body > MaxDescriptorBody)
            problems.tooLong(problems.text(QT_TRANSLATE_NOOP("Check", "the short event descriptor")), body,
                             MaxDescriptorBody);
        // One short event descriptor of at most 255 bytes keeps the EIT
        // section far below its 4096-byte limit.
    }
    problems.service = -1;
}

} // namespace

QString serviceLabel(int index, const ServiceCfg &service, const Wording &words)
{
    return words.text(QT_TRANSLATE_NOOP("Check", "service %1 \"%2\" (id %3)"))
        .arg(index + 1)
        .arg(Wording::oneLine(service.serviceName), words.number(service.id));
}

int exportProgramSize(const TransportStreamCfg &cfg)
{
    PsiVmProgram program(PsiBuffer::Mode::Measure);
    program.buildProgram(cfg);
    return int(program.program().size());
}

QStringList exportProblems(const TransportStreamCfg &cfg)
{
    QStringList messages;
    for (const ExportProblem &p : exportProblemList(cfg))
        messages << p.message;
    return messages;
}

QList<ExportProblem> exportProblemList(const TransportStreamCfg &cfg, const Wording &words)
{
    Problems problems(cfg, words);
    int pmtServices = 0;
    for (const ServiceCfg &s : cfg.services)
        pmtServices += s.pmtEnabled ? 1 : 0;
    if (pmtServices > Mbn::MaxPmtServices)
        problems.add(problems.text(QT_TRANSLATE_NOOP("Check", "%1 services have PMT generation on; the MUX has "
                                                              "entry points for the PMT and EIT of at most %2"))
                         .arg(pmtServices)
                         .arg(Mbn::MaxPmtServices));
    if (cfg.nitEnabled)
        checkNit(cfg, problems);
    if (cfg.patEnabled) {
        const int section = sectionSize(measured([&](PsiBuffer &b) { PsiSections::pat(b, cfg); }));
        if (section > MaxPsiSectionSize)
            problems.tooLong(problems.text(QT_TRANSLATE_NOOP("Check", "the PAT section")), section,
                             MaxPsiSectionSize);
    }
    for (int i = 0; i < cfg.services.size(); ++i)
        checkService(cfg, i, problems);
    if (cfg.sdtEnabled) {
        const int section = sectionSize(measured([&](PsiBuffer &b) { PsiSections::sdt(b, cfg); }));
        if (section > MaxPsiSectionSize)
            problems.tooLong(problems.text(QT_TRANSLATE_NOOP("Check", "the SDT section")), section,
                             MaxPsiSectionSize);
    }
    const int program = exportProgramSize(cfg);
    if (program > Mbn::MaxOffset)
        problems.add(problems.text(QT_TRANSLATE_NOOP("Check", "the MUX binary would be %1 bytes long; at most %2 "
                                                              "can be addressed"))
                         .arg(program)
                         .arg(Mbn::MaxOffset));
    return problems.list;
}
