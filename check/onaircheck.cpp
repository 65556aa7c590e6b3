#include "check/onaircheck.h"

#include <QHash>

#include <algorithm>

#include "check/pidset.h"
#include "config/cfgreader.h"
#include "config/model.h"
#include "format/mbnformat.h"
#include "mbn/mbnprogram.h"
#include "mbn/tsrender.h"
#include "psi/exportcheck.h"
#include "psi/psivmprogram.h"

using namespace PidSets;

namespace {

// The conditional access table's PID (ISO/IEC 13818-1 table 2-3).
constexpr int CatPid = 0x0001;
// The default rule covers PIDs 0 to 8190; the null packets stay out.
constexpr int LastFilteredPid = 0x1FFE;
// The default rule's remap base (a default action of remap moves by it).
constexpr quint32 DefaultRemapBase = 0x1000;

// Repetition limits: TR 101 290 1.3 and 3.2 (longest gap, first packet to
// first packet) and EN 300 468 5.1.4 (shortest spacing between sections of
// one table, last packet of one to first packet of the next).
constexpr int PatLimit = 500;
constexpr int PmtLimit = 500;
constexpr int SdtLimit = 2000;
constexpr int EitLimit = 2000;
constexpr int NitLimit = 10000;
constexpr int TdtLimit = 30000;
constexpr int MinSpacing = 25;
// Packets rendered at a time while measuring.
constexpr int Chunk = 1000;

class OnAirChecker
{
public:
    OnAirChecker(const TransportStreamCfg &cfg, const CfgSourceLines *lines, const Wording &words)
        : m_cfg(cfg), m_lines(lines), m_words(words)
    {
    }

    void run(QList<ConfigFinding> *findings);

private:
    // The rule that decides a PID on one port: a rule index, Default, or None
    // (a PID that no rule covers, 0x1FFF).
    static constexpr int Default = -1;
    static constexpr int None = -2;

    QString text(const char *source) const { return m_words.text(source); }
    QString number(qint64 value) const { return m_words.number(value); }
    QString label(int service) const { return serviceLabel(service, m_cfg.services.at(service), m_words); }
    int streamLine() const { return m_lines ? m_lines->stream : 0; }
    int streamCaLine() const { return m_lines && m_lines->streamCa ? m_lines->streamCa : streamLine(); }
    int serviceLine(int i) const { return m_lines ? m_lines->services.value(i) : 0; }
    int serviceCaLine(int i) const
    {
        const int line = m_lines ? m_lines->serviceCa.value(i) : 0;
        return line ? line : serviceLine(i);
    }
    int elementLine(int i, int e) const
    {
        const int line = m_lines ? m_lines->elements.value(i).value(e) : 0;
        return line ? line : serviceLine(i);
    }
    int filterLine(int i) const { return m_lines ? m_lines->filters.value(i) : 0; }

    void warn(ConfigFinding::Subject subject, int index, int element, int line, const QString &where,
              const QString &problem);

    void computeOutput();
    int decider(int port, int pid) const;
    QString fate(int pid) const;
    bool reaches(int pid) const { return pid < PidCount && contains(m_output, pid); }

    void checkNeededPids();
    void checkServiceWithoutPmt(int i);
    void checkCaBlock();
    void checkStaticTdt();
    void checkMaskRules();
    void checkRepetition();

    const TransportStreamCfg &m_cfg;
    const CfgSourceLines *m_lines;
    const Wording &m_words;
    QList<ConfigFinding> m_warnings;
    PidSet m_output{}; // every PID that some input PID leaves the MUX on
};

void OnAirChecker::warn(ConfigFinding::Subject subject, int index, int element, int line, const QString &where,
                        const QString &problem)
{
    ConfigFinding f;
    f.subject = subject;
    f.index = index;
    f.element = element;
    f.line = line;
    f.where = where;
    f.problem = problem;
    f.message = where.isEmpty() ? problem : where + QLatin1String(": ") + problem;
    m_warnings.append(f);
}

// Each port hands a packet to the first rule that applies to the port and
// matches its PID, then to the default rule: what each passes or remaps is
// the output.
void OnAirChecker::computeOutput()
{
    for (int p = 0; p < Ports; ++p) {
        PidSet decided{};
        const auto act = [&](const PidSet &matched, qint32 action, quint32 base, quint32 newBase) {
            PidSet reaching{};
            for (size_t w = 0; w < reaching.size(); ++w) {
                reaching[w] = matched[w] & ~decided[w];
                decided[w] |= matched[w];
            }
            if (action == ActionDrop) // nothing of it reaches the output
                return;
            const PidSet moved = action == ActionRemap
                ? rotated(reaching, int((qint64(newBase) - qint64(base)) % PidCount))
                : reaching;
            for (size_t w = 0; w < moved.size(); ++w)
                m_output[w] |= moved[w];
        };
        for (const FilterCfg &f : m_cfg.filters) {
            if (f.input != InputAny && f.input != p + 1)
                continue;
            PidSet matched{};
            quint32 base = 0;
            if (f.match != MatchRange && f.match != MatchMask)
                continue;
            if (matchedPids(f, &matched, &base))
                continue;
            act(matched, f.action, base, f.newBase);
        }
        act(rangeSet(0, LastFilteredPid), m_cfg.filterDefault, 0, DefaultRemapBase);
    }
}

int OnAirChecker::decider(int port, int pid) const
{
    for (int r = 0; r < m_cfg.filters.size(); ++r) {
        const FilterCfg &f = m_cfg.filters.at(r);
        PidSet matched{};
        quint32 base = 0;
        if ((f.input != InputAny && f.input != port + 1) || (f.match != MatchRange && f.match != MatchMask)
            || matchedPids(f, &matched, &base))
            continue;
        if (contains(matched, pid))
            return r;
    }
    return pid <= LastFilteredPid ? Default : None;
}

// What becomes of a PID that arrives on the input, in the words of the rules
// that decide it, each named once.
QString OnAirChecker::fate(int pid) const
{
    QList<int> rules;
    for (int p = 0; p < Ports; ++p) {
        const int r = decider(p, pid);
        if (!rules.contains(r))
            rules << r;
    }
    QStringList parts;
    for (int r : rules) {
        if (r == None) {
            parts << text(QT_TRANSLATE_NOOP("Check", "no rule covers it"));
            continue;
        }
        const FilterCfg *f = r >= 0 ? &m_cfg.filters.at(r) : nullptr;
        const qint32 action = f ? f->action : m_cfg.filterDefault;
        const QString who = f ? filterLabel(r, *f, m_words) : text(QT_TRANSLATE_NOOP("Check", "the default action"));
        if (action == ActionDrop) {
            parts << text(QT_TRANSLATE_NOOP("Check", "%1 drops it")).arg(who);
        } else {
            PidSet one{};
            quint32 base = 0;
            if (f)
                matchedPids(*f, &one, &base);
            const quint32 newBase = f ? f->newBase : DefaultRemapBase;
            const int target = int((qint64(pid) - base + newBase) % PidCount + PidCount) % PidCount;
            parts << text(QT_TRANSLATE_NOOP("Check", "%1 moves it to PID %2")).arg(who, number(target));
        }
    }
    return parts.join(QLatin1String("; "));
}

// Every PID that a service needs and the MUX does not generate must come
// from an input port, passed or remapped onto its PID.
void OnAirChecker::checkNeededPids()
{
    const auto check = [&](int service, int element, int line, int pid, const QString &what) {
        if (pid > LastFilteredPid || reaches(pid))
            return;
        const QString problem = text(QT_TRANSLATE_NOOP("Check", "nothing reaches PID %1 for %2: %3"))
                                    .arg(number(pid), what, fate(pid));
        if (service < 0)
            warn(ConfigFinding::Stream, -1, -1, line, QString(), problem);
        else
            warn(ConfigFinding::Service, service, element, line, label(service), problem);
    };
    if (m_cfg.caEnabled)
        check(-1, -1, streamCaLine(), m_cfg.emmPid,
              text(QT_TRANSLATE_NOOP("Check", "the EMMs of the stream's CA system")));
    for (int i = 0; i < m_cfg.services.size(); ++i) {
        const ServiceCfg &s = m_cfg.services.at(i);
        bool pcrOnElement = false;
        for (int e = 0; e < s.elements.size(); ++e) {
            const ESCfg &es = s.elements.at(e);
            pcrOnElement = pcrOnElement || es.pid == s.pcrPid;
            check(i, e, elementLine(i, e), es.pid,
                  text(QT_TRANSLATE_NOOP("Check", "elementary stream %1 (%2)"))
                      .arg(e + 1)
                      .arg(esTypeDescription(es.type, m_words)));
        }
        if (!pcrOnElement)
            check(i, -1, serviceLine(i), s.pcrPid, text(QT_TRANSLATE_NOOP("Check", "the PCR")));
        if (s.caEnabled)
            check(i, -1, serviceCaLine(i), s.ecmPid, text(QT_TRANSLATE_NOOP("Check", "the ECMs")));
        if (!s.pmtEnabled)
            checkServiceWithoutPmt(i);
    }
}

// A PMT the MUX does not generate must arrive on an input; without it the
// tables that the MUX does generate announce what never comes.
void OnAirChecker::checkServiceWithoutPmt(int i)
{
    const ServiceCfg &s = m_cfg.services.at(i);
    if (s.pmtPid > LastFilteredPid || reaches(s.pmtPid))
        return;
    QString problem = text(QT_TRANSLATE_NOOP("Check", "its PMT is not generated, and nothing reaches PID %1 "
                                                      "(%2)"))
                          .arg(number(s.pmtPid), fate(s.pmtPid));
    if (m_cfg.patEnabled)
        problem += text(QT_TRANSLATE_NOOP("Check", ": the PAT announces a PMT that nothing sends"));
    if (m_cfg.sdtEnabled && m_cfg.eitEnabled)
        problem += m_cfg.patEnabled
            ? text(QT_TRANSLATE_NOOP("Check", ", and the SDT announces EIT present/following that is never "
                                              "generated for it"))
            : text(QT_TRANSLATE_NOOP("Check", ": the SDT announces EIT present/following that is never "
                                              "generated for it"));
    warn(ConfigFinding::Service, i, -1, serviceLine(i), label(i), problem);
}

// The device has no slot for a CAT: the CA_descriptor that names the EMM PID
// can only come from the input.
void OnAirChecker::checkCaBlock()
{
    if (!m_cfg.caEnabled)
        return;
    QString problem = text(QT_TRANSLATE_NOOP("Check", "the MUX generates no CAT, so CA system %1 and EMM PID %2 "
                                                      "reach no table unless a CAT arrives on an input port and "
                                                      "passes"))
                          .arg(number(m_cfg.caId), number(m_cfg.emmPid));
    if (!reaches(CatPid))
        problem += text(QT_TRANSLATE_NOOP("Check", "; nothing reaches PID %1: %2"))
                       .arg(number(CatPid), fate(CatPid));
    warn(ConfigFinding::Stream, -1, -1, streamCaLine(), QString(), problem);
}

void OnAirChecker::checkStaticTdt()
{
    if (m_cfg.tdtEnabled && !m_cfg.realTdt)
        warn(ConfigFinding::Stream, -1, -1, streamLine(), QString(),
             text(QT_TRANSLATE_NOOP("Check", "the TDT is static: receivers see 1858-11-17 00:00 UTC as the time")));
}

// A mask record holds a AND b and b only (the value, twice over when the
// mask covers it): a mask with bits outside its value is lost.
void OnAirChecker::checkMaskRules()
{
    for (int r = 0; r < m_cfg.filters.size(); ++r) {
        const FilterCfg &f = m_cfg.filters.at(r);
        if (f.match != MatchMask || (f.b & ~f.a) || !(f.a & ~f.b))
            continue;
        warn(ConfigFinding::Filter, r, -1, filterLine(r), filterLabel(r, f, m_words),
             text(QT_TRANSLATE_NOOP("Check", "the mask has bits outside the value, and the MUX keeps only %1 "
                                             "(mask AND value) and %2 (value), so the rule cannot be carried as "
                                             "typed"))
                 .arg(number(f.a & f.b & 0x1FFF), number(f.b & 0x1FFF)));
    }
}

// The program played as `velunor-cli ts` plays it, over twice its longest
// interval: the longest gap of each table and the shortest spacing between
// sections of one table, at one packet a millisecond.
void OnAirChecker::checkRepetition()
{
    if (!exportProblems(m_cfg).isEmpty())
        return;
    PsiVmProgram writer;
    writer.setNotesEnabled(false);
    MbnProgram program;
    TsRenderer renderer;
    if (!writer.buildProgram(m_cfg) || !program.parse(writer.program()) || !renderer.load(program))
        return;
    int longest = 0;
    for (const MbnRoutine &routine : program.routines()) {
        MbnSentSection sent;
        QString error;
        if (program.run(routine, &sent, &error) && (sent.pid >= 0 || sent.realTimeTdt))
            longest = qMax(longest, sent.interval >= 0 ? sent.interval : TsRenderer::defaultInterval(routine.slot));
    }
    const qint64 window = qMax(2 * qint64(longest), qint64(TsRenderer::PacketsPerSecond));

    struct Table {
        qint64 firstStart = -1;
        qint64 lastStart = -1;
        qint64 lastEnd = -1;
        qint64 longestGap = 0;
        qint64 shortestSpacing = -1;
    };
    QHash<quint64, Table> tables;
    QList<quint64> order;
    quint64 current = 0;
    bool sending = false;
    QByteArray packets;
    for (qint64 done = 0; done < window; done += Chunk) {
        packets.clear();
        const int count = int(qMin<qint64>(Chunk, window - done));
        renderer.renderPackets(count, &packets);
        for (int n = 0; n < count; ++n) {
            const qint64 now = done + n;
            const auto *p = reinterpret_cast<const quint8 *>(packets.constData()) + n * TsRenderer::PacketSize;
            const int pid = ((p[1] & 0x1F) << 8) | p[2];
            if (pid == Pid::Null) {
                sending = false;
                continue;
            }
            if (p[1] & 0x40) { // payload_unit_start_indicator: pointer_field 0, then the section
                const quint8 tableId = p[5];
                const bool longForm = p[6] & 0x80;
                current = (quint64(pid) << 24) | (quint64(tableId) << 16) | (longForm ? (p[8] << 8) | p[9] : 0);
                sending = true;
                auto known = tables.find(current);
                if (known == tables.end()) {
                    order << current;
                    known = tables.insert(current, Table());
                }
                Table &t = *known;
                if (t.firstStart < 0) {
                    t.firstStart = now;
                } else {
                    t.longestGap = qMax(t.longestGap, now - t.lastStart);
                    const qint64 spacing = now - t.lastEnd;
                    if (t.shortestSpacing < 0 || spacing < t.shortestSpacing)
                        t.shortestSpacing = spacing;
                }
                t.lastStart = now;
            }
            if (sending)
                tables[current].lastEnd = now;
        }
    }

    for (quint64 key : order) {
        Table &t = tables[key];
        t.longestGap = qMax(t.longestGap, window - t.lastStart); // at least that long
        const int pid = int(key >> 24);
        const int tableId = int((key >> 16) & 0xFF);
        const int extension = int(key & 0xFFFF);
        int service = -1;
        for (int i = 0; i < m_cfg.services.size() && service < 0; ++i) {
            const ServiceCfg &s = m_cfg.services.at(i);
            if (s.pmtEnabled && s.id == extension && (tableId == TableId::EitPfActual || s.pmtPid == pid))
                service = i;
        }
        QString name;
        int limit = 0;
        bool spaced = true; // EN 300 468 5.1.4 sets a minimum for the DVB tables
        switch (tableId) {
        case TableId::Pat:
            name = text(QT_TRANSLATE_NOOP("Check", "the PAT"));
            limit = PatLimit;
            spaced = false;
            break;
        case TableId::Pmt:
            name = text(QT_TRANSLATE_NOOP("Check", "the PMT"));
            limit = PmtLimit;
            spaced = false;
            break;
        case TableId::NitActual:
            name = text(QT_TRANSLATE_NOOP("Check", "the NIT"));
            limit = NitLimit;
            break;
        case TableId::SdtActual:
            name = text(QT_TRANSLATE_NOOP("Check", "the SDT"));
            limit = SdtLimit;
            break;
        case TableId::EitPfActual:
            name = text(QT_TRANSLATE_NOOP("Check", "the EIT present/following"));
            limit = EitLimit;
            break;
        case TableId::Tdt:
            name = text(QT_TRANSLATE_NOOP("Check", "the TDT"));
            limit = TdtLimit;
            break;
        default:
            continue;
        }
        const auto report = [&](const QString &problem) {
            if (service >= 0)
                warn(ConfigFinding::Service, service, -1, serviceLine(service), label(service), problem);
            else
                warn(ConfigFinding::Stream, -1, -1, streamLine(), QString(), problem);
        };
        if (t.longestGap > limit)
            report(text(QT_TRANSLATE_NOOP("Check", "%1 on PID %2 goes out with gaps of up to %3 ms; receivers "
                                                   "and monitors expect it at least every %4 ms"))
                       .arg(name, number(pid))
                       .arg(t.longestGap)
                       .arg(limit));
        if (spaced && t.shortestSpacing >= 0 && t.shortestSpacing < MinSpacing)
            report(text(QT_TRANSLATE_NOOP("Check", "sections of %1 on PID %2 follow each other %3 ms apart; "
                                                   "DVB asks for at least %4 ms between sections of one table"))
                       .arg(name, number(pid))
                       .arg(t.shortestSpacing)
                       .arg(MinSpacing));
    }
}

void OnAirChecker::run(QList<ConfigFinding> *findings)
{
    computeOutput();
    checkNeededPids();
    checkCaBlock();
    checkStaticTdt();
    checkMaskRules();
    checkRepetition();
    findings->append(m_warnings);
}

} // namespace

void checkOnAir(const TransportStreamCfg &cfg, const CfgSourceLines *lines, const Wording &words,
                QList<ConfigFinding> *findings)
{
    OnAirChecker(cfg, lines, words).run(findings);
}
