#include "check/configcheck.h"

#include <QHash>
#include <QtAlgorithms>

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

#include "config/fields.h"
#include "config/cfgreader.h"
#include "config/model.h"
#include "config/number.h"
#include "format/mbnformat.h"
#include "check/onaircheck.h"
#include "check/pidset.h"
#include "psi/exportcheck.h"

namespace {

using namespace PidSets;

// The language fields go into three-byte ISO_639_language_code fields,
// which ISO 639-2 fills with three lower-case letters.
bool isLanguageCode(const QString &code)
{
    if (code.size() != 3)
        return false;
    for (QChar c : code) {
        const char16_t u = c.unicode();
        if (u < u'a' || u > u'z')
            return false;
    }
    return true;
}

// The first C0 or C1 control character of a text (U+0000 to U+001F but the
// line breaks, U+007F to U+009F), or -1: EN 300 468 Annex A gives them no
// meaning in a text, and receivers show them as they please.
int controlCharacter(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\n' && u != u'\r') || (u >= 0x7F && u <= 0x9F))
            return u;
    }
    return -1;
}

class Checker
{
public:
    Checker(const TransportStreamCfg &cfg, const CfgSourceLines *lines, const Wording &words)
        : m_cfg(cfg), m_lines(lines), m_words(words)
    {
    }

    QList<ConfigFinding> run();

private:
    enum class Role { Pmt, Pcr, Elementary, Ecm, Emm };

    // One PID that the configuration puts something on.
    struct PidUse {
        Role role = Role::Pmt;
        quint16 pid = 0;
        int type = 0;     // stream type of an elementary use
        int service = -1; // -1: the stream's CA system
        int element = -1;
        int line = 0;
    };

    // Block lines; a block that the lines do not know falls back on the
    // block around it (the configuration may have changed since it was read).
    int streamLine() const { return m_lines ? m_lines->stream : 0; }
    int streamCaLine() const { return m_lines && m_lines->streamCa ? m_lines->streamCa : streamLine(); }
    int serviceLine(int i) const { return m_lines ? m_lines->services.value(i) : 0; }
    int serviceCaLine(int i) const
    {
        const int line = m_lines ? m_lines->serviceCa.value(i) : 0;
        return line ? line : serviceLine(i);
    }
    int logicalChannelLine(int i) const
    {
        const int line = m_lines ? m_lines->logicalChannels.value(i) : 0;
        return line ? line : serviceLine(i);
    }
    int elementLine(int i, int e) const
    {
        const int line = m_lines ? m_lines->elements.value(i).value(e) : 0;
        return line ? line : serviceLine(i);
    }
    int filterLine(int i) const { return m_lines ? m_lines->filters.value(i) : 0; }

    QString text(const char *source) const { return m_words.text(source); }
    QString number(qint64 value) const { return m_words.number(value); }
    QString label(int service) const { return serviceLabel(service, m_cfg.services.at(service), m_words); }
    QString atLine(int line) const
    {
        return line ? text(QT_TRANSLATE_NOOP("Check", " at line %1")).arg(line) : QString();
    }
    QString useText(const PidUse &use) const;

    // where names the service or rule (empty for the stream); the line
    // printed is where + ": " + problem.
    void warn(ConfigFinding::Subject subject, int index, int element, int line, const QString &where,
              const QString &problem);
    void warnService(int service, int element, int line, const QString &problem)
    {
        warn(ConfigFinding::Service, service, element, line, label(service), problem);
    }

    void checkUse(const PidUse &use);
    void checkServiceUses(int i);
    void checkServiceElements(int i);
    void checkService(int i);
    void checkServiceOwners(int i);
    void checkLanguages(int i);
    void checkTexts(int i);
    void checkControl(ConfigFinding::Subject subject, int index, int line, const QString &where, const char *field,
                      const QString &text);
    void checkServiceType(int i);
    void checkLcnProfile();
    void checkFilters();
    void checkRemap(const FilterCfg &f, const PidSet &reaching, quint32 base,
                    const std::function<void(const QString &)> &report);

    const TransportStreamCfg &m_cfg;
    const CfgSourceLines *m_lines;
    const Wording &m_words;
    QList<ConfigFinding> m_warnings;

    // First use of each PID, and of each service id, generated PMT PID and
    // visible logical channel number: each later one is compared with it.
    std::vector<PidUse> m_pidUse = std::vector<PidUse>(PidCount);
    std::vector<bool> m_pidUsed = std::vector<bool>(PidCount, false);
    std::vector<int> m_serviceIdOwner = std::vector<int>(65536, -1);
    std::vector<int> m_pmtOwner = std::vector<int>(PidCount, -1);
    std::vector<int> m_channelOwner = std::vector<int>(MaxLogicalChannel + 1, -1);
};

QString Checker::useText(const PidUse &use) const
{
    switch (use.role) {
    case Role::Pmt:
        return text(QT_TRANSLATE_NOOP("Check", "the PMT of %1")).arg(label(use.service));
    case Role::Pcr:
        return text(QT_TRANSLATE_NOOP("Check", "the PCR of %1")).arg(label(use.service));
    case Role::Elementary:
        return text(QT_TRANSLATE_NOOP("Check", "elementary stream %1 (%2) of %3"))
            .arg(use.element + 1)
            .arg(esTypeDescription(use.type, m_words), label(use.service));
    case Role::Ecm:
        return text(QT_TRANSLATE_NOOP("Check", "the ECMs of %1")).arg(label(use.service));
    case Role::Emm:
        return text(QT_TRANSLATE_NOOP("Check", "the EMMs of the stream's CA system"));
    }
    return QString();
}

void Checker::warn(ConfigFinding::Subject subject, int index, int element, int line, const QString &where,
                   const QString &problem)
{
    ConfigFinding f;
    f.severity = ConfigFinding::Warning;
    f.subject = subject;
    f.index = index;
    f.element = element;
    f.line = line;
    f.where = where;
    f.problem = problem;
    f.message = where.isEmpty() ? problem : where + QLatin1String(": ") + problem;
    m_warnings.append(f);
}

void Checker::checkUse(const PidUse &use)
{
    const ConfigFinding::Subject subject = use.service < 0 ? ConfigFinding::Stream : ConfigFinding::Service;
    // A PID collision names both users in full, so it stands without a subject.
    const auto report = [&](const QString &problem) {
        warn(subject, use.service, use.element, use.line, QString(), problem);
    };

    if (use.pid <= Pid::LastReserved)
        report(text(QT_TRANSLATE_NOOP("Check", "PID %1, used for %2, is inside %3..%4, which is reserved for PSI/SI"))
                   .arg(number(use.pid), useText(use), number(0), number(Pid::LastReserved)));
    else if (use.pid == Pid::Null)
        report(text(QT_TRANSLATE_NOOP("Check", "PID %1, used for %2, is the PID of null packets"))
                   .arg(number(Pid::Null), useText(use)));
    if (use.pid >= PidCount)
        return;

    if (!m_pidUsed[use.pid]) {
        m_pidUsed[use.pid] = true;
        m_pidUse[use.pid] = use;
        return;
    }
    // A PID shared for the same purpose is fine (one audio or ECM stream for
    // several services); two PMTs on one PID are the business of checkService().
    const PidUse &first = m_pidUse[use.pid];
    if (first.role == use.role && (use.role != Role::Elementary || first.type == use.type))
        return;
    // Two streams of one service on one PID are checkServiceElements()'s.
    if (use.role == Role::Elementary && first.role == Role::Elementary && first.service == use.service)
        return;
    report(text(QT_TRANSLATE_NOOP("Check", "PID %1 is used for %2, but also for %3%4"))
               .arg(number(use.pid), useText(use), useText(first), atLine(first.line)));
}

void Checker::checkServiceUses(int i)
{
    const ServiceCfg &s = m_cfg.services.at(i);
    // At most a handful per service: sorting them by line keeps the report
    // at the later block in file order and costs nothing per PID.
    std::vector<PidUse> uses;
    uses.reserve(size_t(s.elements.size()) + 3);
    // The PCR may ride on any of the service's own streams (radio services
    // carry it on the audio); only a PCR PID of its own is a use of its own.
    bool pcrOnElement = false;
    for (const ESCfg &es : s.elements)
        pcrOnElement = pcrOnElement || es.pid == s.pcrPid;
    // In the order of the canonical layout, which stands for the file when
    // there are no lines.
    uses.push_back(PidUse{Role::Pmt, s.pmtPid, 0, i, -1, serviceLine(i)});
    if (!pcrOnElement)
        uses.push_back(PidUse{Role::Pcr, s.pcrPid, 0, i, -1, serviceLine(i)});
    if (s.caEnabled)
        uses.push_back(PidUse{Role::Ecm, s.ecmPid, 0, i, -1, serviceCaLine(i)});
    for (int e = 0; e < s.elements.size(); ++e) {
        const ESCfg &es = s.elements.at(e);
        uses.push_back(PidUse{Role::Elementary, es.pid, es.type, i, e, elementLine(i, e)});
    }
    std::stable_sort(uses.begin(), uses.end(), [](const PidUse &l, const PidUse &r) { return l.line < r.line; });
    for (const PidUse &use : uses)
        checkUse(use);

    if (!pcrOnElement && !s.elements.isEmpty())
        warnService(i, -1, serviceLine(i),
                    text(QT_TRANSLATE_NOOP("Check", "PCR PID %1 is none of the service's elementary PIDs"))
                        .arg(number(s.pcrPid)));
}

// Within one service each stream has a PID of its own, and one video stream
// at most (a PID shared between services stays allowed).
void Checker::checkServiceElements(int i)
{
    const ServiceCfg &s = m_cfg.services.at(i);
    QHash<quint16, int> firstOnPid;
    int firstVideo = -1;
    const auto stream = [&](int e) {
        return QStringLiteral("%1 (%2)").arg(e + 1).arg(esTypeDescription(s.elements.at(e).type, m_words));
    };
    for (int e = 0; e < s.elements.size(); ++e) {
        const ESCfg &es = s.elements.at(e);
        const auto known = firstOnPid.constFind(es.pid);
        if (known == firstOnPid.constEnd())
            firstOnPid.insert(es.pid, e);
        else
            warnService(i, e, elementLine(i, e),
                        text(QT_TRANSLATE_NOOP("Check", "elementary streams %1 and %2 are both on PID %3"))
                            .arg(stream(*known), stream(e), number(es.pid)));
        const EsTypeInfo *info = esTypeInfo(es.type);
        if (!info || info->category != EsCategory::Video)
            continue;
        if (firstVideo < 0)
            firstVideo = e;
        else
            warnService(i, e, elementLine(i, e),
                        text(QT_TRANSLATE_NOOP("Check", "elementary stream %1 is a further video stream besides "
                                                        "elementary stream %2"))
                            .arg(stream(e), stream(firstVideo)));
    }
}

// Service ids, generated PMT PIDs and visible logical channel numbers that
// an earlier service has already taken.
void Checker::checkServiceOwners(int i)
{
    const ServiceCfg &s = m_cfg.services.at(i);
    if (s.id == 0)
        warnService(i, -1, serviceLine(i),
                    text(QT_TRANSLATE_NOOP("Check", "service id %1 is the program_number that announces the "
                                                    "network PID in the PAT; receivers do not take it as a service"))
                        .arg(number(0)));
    int &idOwner = m_serviceIdOwner[s.id];
    if (idOwner < 0)
        idOwner = i;
    else
        warnService(i, -1, serviceLine(i),
                    text(QT_TRANSLATE_NOOP("Check", "service id %1 is already used by %2%3"))
                        .arg(number(s.id), label(idOwner), atLine(serviceLine(idOwner))));

    if (s.pmtEnabled && s.pmtPid < PidCount) {
        int &pmtOwner = m_pmtOwner[s.pmtPid];
        if (pmtOwner < 0)
            pmtOwner = i;
        else
            warnService(i, -1, serviceLine(i),
                        text(QT_TRANSLATE_NOOP("Check", "its PMT goes on PID %1, where %2%3 has its PMT too"))
                            .arg(number(s.pmtPid), label(pmtOwner), atLine(serviceLine(pmtOwner))));
    }
}

// Languages where the export writes them: the EIT's short event descriptor
// and the elements' descriptors.
void Checker::checkLanguages(int i)
{
    const ServiceCfg &s = m_cfg.services.at(i);
    if (m_cfg.eitEnabled && s.pmtEnabled && !isLanguageCode(s.language))
        warnService(i, -1, serviceLine(i),
                    s.language.isEmpty()
                        ? text(QT_TRANSLATE_NOOP("Check", "the event language is empty; the EIT needs an ISO "
                                                          "639 code of three letters a to z"))
                        : text(QT_TRANSLATE_NOOP("Check", "the event language \"%1\" is not an ISO 639 code "
                                                          "of three letters a to z"))
                              .arg(Wording::oneLine(s.language)));
    if (!s.pmtEnabled)
        return;
    for (int e = 0; e < s.elements.size(); ++e) {
        const ESCfg &es = s.elements.at(e);
        const EsTypeInfo *info = esTypeInfo(es.type);
        // Only teletext needs a language; the others go without one (no
        // ISO 639 descriptor, or "und").
        if (!info || info->language == EsLanguage::None || isLanguageCode(es.language)
            || (es.language.isEmpty() && info->language != EsLanguage::InDescriptor))
            continue;
        warnService(i, e, elementLine(i, e),
                    es.language.isEmpty()
                        ? text(QT_TRANSLATE_NOOP("Check", "elementary stream %1 (%2) has no language; its %2 "
                                                          "descriptor needs an ISO 639 code of three letters a to z"))
                              .arg(e + 1)
                              .arg(esTypeDescription(es.type, m_words))
                        : text(QT_TRANSLATE_NOOP("Check", "elementary stream %1 (%2) has the language \"%3\", "
                                                          "which is not an ISO 639 code of three letters a to z"))
                              .arg(e + 1)
                              .arg(esTypeDescription(es.type, m_words), Wording::oneLine(es.language)));
    }
}

// Control characters in the texts that go on air; the languages have their
// own rule above, so each field gets one warning at most.
void Checker::checkControl(ConfigFinding::Subject subject, int index, int line, const QString &where,
                           const char *field, const QString &value)
{
    const int control = controlCharacter(value);
    if (control < 0)
        return;
    warn(subject, index, -1, line, where,
         text(QT_TRANSLATE_NOOP("Check", "the %1 holds the control character U+%2, which receivers show as they "
                                         "please; a line break is the only control a text may hold"))
             .arg(text(field), QStringLiteral("%1").arg(control, 4, 16, QLatin1Char('0')).toUpper()));
}

void Checker::checkTexts(int i)
{
    const ServiceCfg &s = m_cfg.services.at(i);
    const auto check = [&](const char *field, const QString &value) {
        checkControl(ConfigFinding::Service, i, serviceLine(i), label(i), field, value);
    };
    check(QT_TRANSLATE_NOOP("Check", "provider name"), s.providerName);
    check(QT_TRANSLATE_NOOP("Check", "service name"), s.serviceName);
    check(QT_TRANSLATE_NOOP("Check", "event name"), s.eventName);
    check(QT_TRANSLATE_NOOP("Check", "event text"), s.eventText);
}

// The service type announces a coding: television of a type needs video of
// that type's coding, radio carries none.
void Checker::checkServiceType(int i)
{
    const ServiceCfg &s = m_cfg.services.at(i);
    const ServiceTypeInfo *type = serviceTypeInfo(s.type);
    if (!type)
        return; // the export refuses it
    int video = -1;
    for (int e = 0; e < s.elements.size() && video < 0; ++e) {
        const EsTypeInfo *info = esTypeInfo(s.elements.at(e).type);
        if (info && info->category == EsCategory::Video)
            video = e;
    }
    const QString typeName = text(type->name);
    if (video < 0) {
        if (!type->radio)
            warnService(i, -1, serviceLine(i),
                        text(QT_TRANSLATE_NOOP("Check", "its type %1 announces television, but it has no video "
                                                        "stream"))
                            .arg(typeName));
        return;
    }
    const qint32 coding = s.elements.at(video).type;
    const QString stream = QString::number(video + 1);
    const char *problem = nullptr;
    if (type->radio)
        problem = QT_TRANSLATE_NOOP("Check", "its type %1 announces radio, but elementary stream %2 is video");
    else if (coding == EsHevcVideo && type->type != ServiceHevcTv)
        problem = QT_TRANSLATE_NOOP("Check", "its type %1 does not announce the HEVC video of elementary stream "
                                             "%2; receivers look for HEVC TV (0x1F)");
    else if (coding == EsH264Video && (type->type == ServiceDigitalTv || type->type == ServiceMpeg2HdTv))
        problem = QT_TRANSLATE_NOOP("Check", "its type %1 announces MPEG-2 video, not the H.264 video of "
                                             "elementary stream %2; receivers look for Advanced Codec SD TV (0x16) "
                                             "or HD TV (0x19)");
    if (problem)
        warnService(i, video, elementLine(i, video), text(problem).arg(typeName, stream));
}

// Logical channel numbers without a private data specifier reach only the
// receivers that read the descriptor 0x83 unscoped.
void Checker::checkLcnProfile()
{
    if (!m_cfg.nitEnabled || m_cfg.lcnProfile != LcnPlain)
        return;
    int count = 0;
    for (const ServiceCfg &s : m_cfg.services)
        count += s.lcEnabled ? 1 : 0;
    if (count)
        warn(ConfigFinding::Stream, -1, -1, streamLine(), QString(),
             text(QT_TRANSLATE_NOOP("Check", "the logical channels of %1 service(s) go out plain, without a "
                                             "private data specifier: receivers that follow E-Book/EACEM, NorDig "
                                             "or D-Book ignore them (\"Logical channels\" names the profile)"))
                 .arg(count));
}

void Checker::checkService(int i)
{
    const ServiceCfg &s = m_cfg.services.at(i);
    checkServiceOwners(i);
    checkServiceUses(i);
    checkServiceElements(i);

    if (s.lcEnabled && s.lcVisible && s.lcNumber <= MaxLogicalChannel) {
        int &owner = m_channelOwner[s.lcNumber];
        if (owner < 0)
            owner = i;
        else
            warnService(i, -1, logicalChannelLine(i),
                        text(QT_TRANSLATE_NOOP("Check", "logical channel %1 is also visible on %2%3"))
                            .arg(s.lcNumber)
                            .arg(label(owner), atLine(logicalChannelLine(owner))));
    }

    checkLanguages(i);
    checkTexts(i);
    checkServiceType(i);
    if (m_cfg.sdtEnabled && s.serviceName.trimmed().isEmpty())
        warnService(i, -1, serviceLine(i),
                    text(QT_TRANSLATE_NOOP("Check", "the service name is empty, and the SDT announces the "
                                                    "service without one")));
}

// A remap moves the PIDs that reach it as a whole: none of them may land on
// PSI/SI PIDs or on a PMT that the MUX generates.
void Checker::checkRemap(const FilterCfg &f, const PidSet &reaching, quint32 base,
                         const std::function<void(const QString &)> &report)
{
    // Each PID p goes to (p - base + new-base) mod 8192.
    const int shift = int((qint64(f.newBase) - qint64(base)) % PidCount + PidCount) % PidCount;
    const PidSet targets = rotated(reaching, shift);
    const auto source = [&](int target) { return quint16(((target - shift) % PidCount + PidCount) % PidCount); };
    const int psi = firstIn(targets, 0, Pid::LastReserved);
    if (psi >= 0)
        report(text(QT_TRANSLATE_NOOP("Check", "remaps PID %1 to %2, inside %3..%4, which is reserved for PSI/SI"))
                   .arg(number(source(psi)), number(psi), number(0), number(Pid::LastReserved)));
    // The MUX sends its own PMTs there; a remapped stream would collide with them.
    for (int w = 0; w < int(targets.size()); ++w) {
        for (quint64 bits = targets[size_t(w)]; bits; bits &= bits - 1) {
            const int pid = w * 64 + qCountTrailingZeroBits(bits);
            const int owner = m_pmtOwner[size_t(pid)];
            if (owner < 0)
                continue;
            report(text(QT_TRANSLATE_NOOP("Check", "remaps PID %1 to %2, where %3%4 has its generated PMT"))
                       .arg(number(source(pid)), number(pid), label(owner), atLine(serviceLine(owner))));
            return;
        }
    }
}

void Checker::checkFilters()
{
    std::array<PidSet, Ports> decided{};
    for (int r = 0; r < m_cfg.filters.size(); ++r) {
        const FilterCfg &f = m_cfg.filters.at(r);
        if (f.input < InputAny || f.input > Ports || (f.match != MatchRange && f.match != MatchMask))
            continue;
        const int line = filterLine(r);
        const QString name = filterLabel(r, f, m_words);
        const auto report = [&](const QString &problem) { warn(ConfigFinding::Filter, r, -1, line, name, problem); };

        PidSet matched{};
        quint32 base = 0;
        if (const char *none = matchedPids(f, &matched, &base)) {
            report(text(none));
            continue;
        }

        // What reaches the rule: its PIDs less those decided before, on each port.
        PidSet reaching{};
        const int firstPort = f.input == InputAny ? 0 : f.input - 1;
        const int lastPort = f.input == InputAny ? Ports - 1 : f.input - 1;
        for (int p = firstPort; p <= lastPort; ++p) {
            for (size_t w = 0; w < reaching.size(); ++w) {
                reaching[w] |= matched[w] & ~decided[size_t(p)][w];
                decided[size_t(p)][w] |= matched[w];
            }
        }
        if (isEmpty(reaching))
            report(f.input == InputAny
                       ? text(QT_TRANSLATE_NOOP("Check", "never matches: earlier rules already decide every "
                                                         "PID it matches, on every port"))
                       : text(QT_TRANSLATE_NOOP("Check", "never matches: earlier rules on port %1 already "
                                                         "decide every PID it matches"))
                             .arg(f.input));
        else if (f.action == ActionRemap)
            checkRemap(f, reaching, base, report);
    }
}

QList<ConfigFinding> Checker::run()
{
    QList<ConfigFinding> findings;
    for (const ExportProblem &p : exportProblemList(m_cfg, m_words)) {
        ConfigFinding f;
        f.severity = ConfigFinding::Error;
        f.subject = p.service >= 0 ? ConfigFinding::Service : ConfigFinding::Stream;
        f.index = p.service;
        f.line = p.service >= 0 ? serviceLine(p.service) : streamLine();
        f.message = p.message;
        f.problem = p.problem;
        if (p.service >= 0)
            f.where = label(p.service);
        findings.append(f);
    }

    // The stream's EMM PID takes its place among the services' PIDs in file
    // order, so that the later of two colliding blocks gets the report
    // (without lines, where the canonical layout puts the ca block: first).
    const int emmLine = streamCaLine();
    bool emmDone = !m_cfg.caEnabled;
    const auto checkEmm = [&] {
        checkUse(PidUse{Role::Emm, m_cfg.emmPid, 0, -1, -1, emmLine});
        emmDone = true;
    };
    for (int i = 0; i < m_cfg.services.size(); ++i) {
        if (!emmDone && (!m_lines || serviceLine(i) > emmLine))
            checkEmm();
        checkService(i);
    }
    if (!emmDone)
        checkEmm();
    checkControl(ConfigFinding::Stream, -1, streamLine(), QString(), QT_TRANSLATE_NOOP("Check", "network name"),
                 m_cfg.netName);
    checkLcnProfile();
    checkFilters();
    checkOnAir(m_cfg, m_lines, m_words, &m_warnings);

    std::stable_sort(m_warnings.begin(), m_warnings.end(),
                     [](const ConfigFinding &l, const ConfigFinding &r) { return l.line < r.line; });
    findings.append(m_warnings);
    return findings;
}

} // namespace

QList<ConfigFinding> checkConfiguration(const TransportStreamCfg &cfg, const CfgSourceLines *lines,
                                        const Wording &words)
{
    return Checker(cfg, lines, words).run();
}

bool hasErrors(const QList<ConfigFinding> &findings)
{
    for (const ConfigFinding &f : findings)
        if (f.severity == ConfigFinding::Error)
            return true;
    return false;
}

QString esTypeDescription(int type, const Wording &words)
{
    const EsTypeInfo *info = esTypeInfo(type);
    return info ? words.text(info->description)
                : words.text(QT_TRANSLATE_NOOP("Check", "stream type %1")).arg(type);
}

QString filterLabel(int index, const FilterCfg &f, const Wording &words)
{
    const QString port = f.input == InputAny ? words.text(QT_TRANSLATE_NOOP("Check", "any port"))
                                             : words.text(QT_TRANSLATE_NOOP("Check", "port %1")).arg(f.input);
    const char *label = f.match == MatchMask ? QT_TRANSLATE_NOOP("Check", "filter rule %1 (mask %2, value %3, %4)")
                                             : QT_TRANSLATE_NOOP("Check", "filter rule %1 (range %2..%3, %4)");
    return words.text(label).arg(index + 1).arg(words.number(quint16(f.a)), words.number(quint16(f.b)), port);
}
