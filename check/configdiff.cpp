#include "check/configdiff.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <initializer_list>

#include "check/configcheck.h"
#include "config/number.h"

namespace {

// How a value is written in a line; JSON takes the .mux value itself.
enum class Shown { Hex, Decimal, Ms, YesNo, Text, Action, Match, Port, Kind };

struct FieldInfo {
    const char *field; // BLOCK.KEY
    const char *where; // for the stream's own keys: the table or "transport stream"
    const char *words;
    Shown shown;
};

const FieldInfo Fields[] = {
    {"transport-stream.id", "transport stream", "id", Shown::Hex},
    {"transport-stream.orig-id", "transport stream", "original network id", Shown::Hex},
    {"transport-stream.net-id", "NIT", "network id", Shown::Hex},
    {"transport-stream.net-name", "NIT", "network name", Shown::Text},
    {"transport-stream.ca", "transport stream", "CA system", Shown::YesNo},
    {"ca.ca-id", "transport stream", "CA system id", Shown::Hex},
    {"ca.emm-pid", "transport stream", "EMM PID", Shown::Hex},
    {"transport-stream.pat-enabled", "PAT", "generated", Shown::YesNo},
    {"transport-stream.sdt-enabled", "SDT", "generated", Shown::YesNo},
    {"transport-stream.nit-enabled", "NIT", "generated", Shown::YesNo},
    {"transport-stream.eit-enabled", "EIT", "generated", Shown::YesNo},
    {"transport-stream.tdt-enabled", "TDT", "generated", Shown::YesNo},
    {"transport-stream.real-tdt", "TDT", "real time", Shown::YesNo},
    {"transport-stream.playout-timings", "transport stream", "playout timings", Shown::YesNo},
    {"transport-stream.pat-time", "PAT", "repetition interval", Shown::Ms},
    {"transport-stream.nit-time", "NIT", "repetition interval", Shown::Ms},
    {"transport-stream.sdt-time", "SDT", "repetition interval", Shown::Ms},
    {"transport-stream.eit-time", "EIT", "repetition interval", Shown::Ms},
    {"transport-stream.pmt-time", "PMT", "repetition interval", Shown::Ms},
    {"transport-stream.tdt-time", "TDT", "repetition interval", Shown::Ms},
    {"transport-stream.filter-default", "PID filter", "default action", Shown::Action},
    {"filter.match", nullptr, "match", Shown::Match},
    {"filter.input", nullptr, "input", Shown::Port},
    {"filter.a", nullptr, "a", Shown::Hex},
    {"filter.b", nullptr, "b", Shown::Hex},
    {"filter.action", nullptr, "action", Shown::Action},
    {"filter.new-base", nullptr, "new base", Shown::Hex},
    {"service.type", nullptr, "type", Shown::Decimal},
    {"service.provider-name", nullptr, "provider", Shown::Text},
    {"service.service-name", nullptr, "name", Shown::Text},
    {"service.event-name", nullptr, "event name", Shown::Text},
    {"service.event-text", nullptr, "event text", Shown::Text},
    {"service.language", nullptr, "event language", Shown::Text},
    {"service.pmt-pid", nullptr, "PMT PID", Shown::Hex},
    {"service.pcr-pid", nullptr, "PCR PID", Shown::Hex},
    {"service.ca", nullptr, "CA system", Shown::YesNo},
    {"ca.ecm-pid", nullptr, "ECM PID", Shown::Hex},
    {"service.pmt-enabled", nullptr, "PMT generated", Shown::YesNo},
    {"service.logical-channel", "NIT", "logical channel", Shown::YesNo},
    {"logical-channel.visible", "NIT", "visible", Shown::YesNo},
    {"logical-channel.number", "NIT", "number", Shown::Decimal},
    {"element.type", nullptr, "type", Shown::Kind},
    {"element.language", nullptr, "language", Shown::Text},
};

const FieldInfo &fieldInfo(const char *field)
{
    for (const FieldInfo &info : Fields)
        if (qstrcmp(info.field, field) == 0)
            return info;
    Q_UNREACHABLE();
}

const char *const IntervalFields[] = {"transport-stream.pat-time", "transport-stream.nit-time",
                                      "transport-stream.sdt-time", "transport-stream.eit-time",
                                      "transport-stream.pmt-time", "transport-stream.tdt-time"};

QString actionWord(int action)
{
    switch (action) {
    case ActionDrop:
        return QStringLiteral("drop");
    case ActionRemap:
        return QStringLiteral("remap");
    case ActionPass:
        return QStringLiteral("pass");
    }
    return QString::number(action);
}

QString shown(const QVariant &v, Shown how)
{
    const qint64 n = v.toLongLong();
    switch (how) {
    case Shown::Hex:
        return hexNumber(n, 4, HexCase::Upper);
    case Shown::Decimal:
        return QString::number(n);
    case Shown::Ms:
        return QString::number(n) + QLatin1String(" ms");
    case Shown::YesNo:
        return QLatin1String(v.toBool() ? "yes" : "no");
    case Shown::Text:
        return u'\'' + v.toString() + u'\'';
    case Shown::Action:
        return actionWord(int(n));
    case Shown::Match:
        return QLatin1String(n == MatchMask ? "mask" : n == MatchRange ? "range" : "unknown");
    case Shown::Port:
        return n == InputAny ? QStringLiteral("any port") : QStringLiteral("port %1").arg(n);
    case Shown::Kind:
        return esTypeDescription(int(n));
    }
    return QString();
}

QString idText(quint16 id)
{
    return hexNumber(id, 4, HexCase::Upper);
}

// Positions of each key in a list, in order: the n-th record of a key on one
// side is matched with the n-th of the same key on the other.
template <typename List, typename Key>
QList<int> matchByKey(const List &a, const List &b, Key key)
{
    QHash<quint32, QList<int>> positions;
    for (int j = b.size() - 1; j >= 0; --j)
        positions[key(b.at(j))].prepend(j);
    QList<int> match;
    for (const auto &record : a) {
        QList<int> &free = positions[key(record)];
        match << (free.isEmpty() ? -1 : free.takeFirst());
    }
    return match;
}

class Differ
{
public:
    Differ(const DiffSide &a, const DiffSide &b, const QStringList &ignored)
        : m_a(a), m_b(b), m_ignoredList(ignored), m_ignored(ignored.begin(), ignored.end()),
          m_onAir(a.source != DiffSide::Configuration || b.source != DiffSide::Configuration)
    {
    }

    QList<DiffFinding> run();

private:
    bool known(const char *field) const
    {
        return !m_unknown.contains(QLatin1String(field)) && !m_ignored.contains(QLatin1String(field));
    }
    void gap(const QString &subject, const QString &why, std::initializer_list<const char *> fields = {});
    void sideGap(const DiffSide &side, const char *subject, const char *why, std::initializer_list<const char *> fields);
    void sideGaps(const DiffSide &side);
    void tableGaps(const DiffSide &side);
    void changed(const QString &where, const char *field, const QString &what, const QVariant &o, const QVariant &n,
                 const QString &oText, const QString &nText);
    void compare(const QString &where, const char *field, const QVariant &o, const QVariant &n,
                 const QString &what = QString());
    void one(DiffFinding::Kind kind, const QString &where, const QVariant &value, const QString &what = QString());
    void order(const QString &where, const QString &what, const QVariantList &o, const QVariantList &n);

    void compareStream();
    void compareIntervals();
    void compareFilters();
    void compareFilter(int r, const FilterCfg &fa, const FilterCfg &fb);
    void compareServices();
    void compareService(const ServiceCfg &sa, const ServiceCfg &sb);
    void compareChannel(const ServiceCfg &sa, const ServiceCfg &sb);
    void compareElements(const QString &where, const ServiceCfg &sa, const ServiceCfg &sb);
    void compareElement(const QString &where, const ESCfg &ea, const ESCfg &eb);
    QList<ESCfg> onAirElements(const ServiceCfg &s);
    QString serviceLabel(const ServiceCfg &s) const
    {
        return QStringLiteral("service %1 \"%2\"").arg(idText(s.id), s.serviceName);
    }

    const DiffSide &m_a;
    const DiffSide &m_b;
    const QStringList m_ignoredList;
    const QSet<QString> m_ignored;
    // A configuration against an import compares what goes on air; two
    // configurations compare their files.
    const bool m_onAir;
    QSet<QString> m_unknown;
    QList<QStringList> m_whys; // beside m_gaps
    QList<DiffFinding> m_gaps;
    QList<DiffFinding> m_found;
};

void Differ::gap(const QString &subject, const QString &why, std::initializer_list<const char *> fields)
{
    for (const char *field : fields)
        m_unknown.insert(QLatin1String(field));
    // One entry per subject, with every reason for it.
    int at = 0;
    while (at < m_gaps.size() && m_gaps.at(at).where != subject)
        ++at;
    if (at == m_gaps.size()) {
        DiffFinding f;
        f.kind = DiffFinding::NotCompared;
        f.where = subject;
        m_gaps << f;
        m_whys << QStringList();
    }
    if (m_whys[at].contains(why))
        return;
    m_whys[at] << why;
    m_gaps[at].reason = subject + QLatin1String(" (") + m_whys.at(at).join(QLatin1String("; ")) + u')';
    m_gaps[at].message = QLatin1String("not compared: ") + m_gaps.at(at).reason;
}

void Differ::sideGap(const DiffSide &side, const char *subject, const char *why,
                     std::initializer_list<const char *> fields)
{
    gap(QLatin1String(subject), side.name + QLatin1String(": ") + QLatin1String(why), fields);
}

// What a side cannot tell, whatever the other side holds.
void Differ::sideGaps(const DiffSide &side)
{
    if (side.source == DiffSide::Capture) {
        sideGap(side, "filter rules and the default action", "a capture does not show the PID filter",
                {"filter.match", "filter.input", "filter.a", "filter.b", "filter.action", "filter.new-base",
                 "transport-stream.filter-default"});
        sideGap(side, "playout timings", "a capture does not show whether the program times its tables",
                {"transport-stream.playout-timings"});
    }
    if (m_onAir && !side.cfg.playoutTimings) {
        const char *why = side.source == DiffSide::Capture ? "no PCR and no --bitrate to time the tables by"
            : side.source == DiffSide::Program             ? "the program carries no playout timings"
                                               : "without playout timings its intervals do not go on air";
        sideGap(side, "repetition intervals", why, {});
        for (const char *field : IntervalFields)
            m_unknown.insert(QLatin1String(field));
    }
    // The MUX sends no CAT: only two captures can tell a stream's CA system.
    if (m_onAir && side.source != DiffSide::Capture)
        gap(QStringLiteral("the stream's CA system"), QStringLiteral("the MUX sends no CAT"),
            {"transport-stream.ca", "ca.ca-id", "ca.emm-pid"});
    if (side.source != DiffSide::Configuration)
        tableGaps(side);
}

// A table missing from a program or a capture leaves its fields unknown.
void Differ::tableGaps(const DiffSide &side)
{
    const TransportStreamCfg &c = side.cfg;
    if (!c.sdtEnabled)
        sideGap(side, "service types, names and providers", "no SDT",
                {"service.type", "service.provider-name", "service.service-name", "transport-stream.sdt-time"});
    if (!c.nitEnabled)
        sideGap(side, "network id and name, logical channels", "no NIT",
                {"transport-stream.net-id", "transport-stream.net-name", "service.logical-channel",
                 "logical-channel.visible", "logical-channel.number", "transport-stream.nit-time"});
    if (!c.eitEnabled)
        sideGap(side, "events", "no EIT present/following",
                {"service.event-name", "service.event-text", "service.language", "transport-stream.eit-time"});
    if (!c.tdtEnabled)
        sideGap(side, "real-time TDT", "no TDT", {"transport-stream.real-tdt", "transport-stream.tdt-time"});
    if (!c.sdtEnabled && !c.nitEnabled && !c.eitEnabled)
        sideGap(side, "original network id", "no SDT, NIT or EIT", {"transport-stream.orig-id"});
}

void Differ::changed(const QString &where, const char *field, const QString &what, const QVariant &o,
                     const QVariant &n, const QString &oText, const QString &nText)
{
    DiffFinding f;
    f.where = where;
    f.field = QLatin1String(field);
    f.oldValue = o;
    f.newValue = n;
    f.message = where + QLatin1String(": ") + what + u' ' + oText + QStringLiteral(" \u2192 ") + nText;
    m_found << f;
}

void Differ::compare(const QString &where, const char *field, const QVariant &o, const QVariant &n,
                     const QString &what)
{
    if (!known(field) || o == n)
        return;
    const FieldInfo &info = fieldInfo(field);
    changed(where, field, what.isEmpty() ? QLatin1String(info.words) : what, o, n, shown(o, info.shown),
            shown(n, info.shown));
}

void Differ::one(DiffFinding::Kind kind, const QString &where, const QVariant &value, const QString &what)
{
    DiffFinding f;
    f.kind = kind;
    f.where = where;
    (kind == DiffFinding::Added ? f.newValue : f.oldValue) = value;
    f.message = where + QLatin1String(kind == DiffFinding::Added ? ": added" : ": removed")
        + (what.isEmpty() ? QString() : QLatin1String(" (") + what + u')');
    m_found << f;
}

void Differ::order(const QString &where, const QString &what, const QVariantList &o, const QVariantList &n)
{
    if (o == n)
        return;
    const auto ids = [](const QVariantList &list) {
        QStringList out;
        for (const QVariant &v : list)
            out << idText(quint16(v.toUInt()));
        return out.join(QLatin1String(", "));
    };
    DiffFinding f;
    f.where = where;
    f.oldValue = o;
    f.newValue = n;
    f.message = where + QLatin1String(": ") + what + u' ' + ids(o) + QStringLiteral(" \u2192 ") + ids(n);
    m_found << f;
}

void Differ::compareStream()
{
    const TransportStreamCfg &a = m_a.cfg, &b = m_b.cfg;
    const auto stream = [&](const char *field, const QVariant &o, const QVariant &n) {
        compare(QLatin1String(fieldInfo(field).where), field, o, n);
    };
    stream("transport-stream.id", a.id, b.id);
    stream("transport-stream.orig-id", a.origId, b.origId);
    stream("transport-stream.net-id", a.netId, b.netId);
    stream("transport-stream.net-name", a.netName, b.netName);
    if (a.caEnabled != b.caEnabled && known("transport-stream.ca"))
        changed(QStringLiteral("transport stream"), "transport-stream.ca", QStringLiteral("CA system"), a.caEnabled,
                b.caEnabled, a.caEnabled ? idText(a.caId) : QStringLiteral("none"),
                b.caEnabled ? idText(b.caId) : QStringLiteral("none"));
    if (a.caEnabled && b.caEnabled) {
        stream("ca.ca-id", a.caId, b.caId);
        stream("ca.emm-pid", a.emmPid, b.emmPid);
    }
    stream("transport-stream.pat-enabled", a.patEnabled, b.patEnabled);
    stream("transport-stream.sdt-enabled", a.sdtEnabled, b.sdtEnabled);
    stream("transport-stream.nit-enabled", a.nitEnabled, b.nitEnabled);
    stream("transport-stream.eit-enabled", a.eitEnabled, b.eitEnabled);
    stream("transport-stream.tdt-enabled", a.tdtEnabled, b.tdtEnabled);
    stream("transport-stream.real-tdt", a.realTdt, b.realTdt);
    stream("transport-stream.playout-timings", a.playoutTimings, b.playoutTimings);
    compareIntervals();
    stream("transport-stream.filter-default", a.filterDefault, b.filterDefault);
}

// What goes on air is timed to the millisecond at best: a program halves the
// EIT's interval, a capture measures between packets.
void Differ::compareIntervals()
{
    const TransportStreamCfg &a = m_a.cfg, &b = m_b.cfg;
    const quint16 times[2][6] = {{a.patTime, a.nitTime, a.sdtTime, a.eitTime, a.pmtTime, a.tdtTime},
                                 {b.patTime, b.nitTime, b.sdtTime, b.eitTime, b.pmtTime, b.tdtTime}};
    for (int i = 0; i < 6; ++i) {
        const int o = times[0][i], n = times[1][i];
        const int slack = m_onAir ? qMax(2, qMax(o, n) / 100) : 0;
        if (qAbs(o - n) > slack)
            compare(QLatin1String(fieldInfo(IntervalFields[i]).where), IntervalFields[i], o, n);
    }
}

void Differ::compareFilter(int r, const FilterCfg &fa, const FilterCfg &fb)
{
    const QString where = filterLabel(r, fa);
    const bool mask = fa.match == MatchMask;
    compare(where, "filter.match", fa.match, fb.match);
    compare(where, "filter.input", fa.input, fb.input);
    // A program keeps a mask rule's value alone; its mask comes back as the value.
    const DiffSide *program = m_a.source == DiffSide::Program ? &m_a : m_b.source == DiffSide::Program ? &m_b : nullptr;
    if (program && (mask || fb.match == MatchMask)) {
        if (fa.a != fb.a && known("filter.a"))
            sideGap(*program, "the masks of mask rules", "a MUX binary keeps only the masked value", {});
    } else {
        compare(where, "filter.a", fa.a, fb.a, QLatin1String(mask ? "mask" : "lowest PID"));
    }
    compare(where, "filter.b", fa.b, fb.b, QLatin1String(mask ? "value" : "highest PID"));
    compare(where, "filter.action", fa.action, fb.action);
    if (fa.action == ActionRemap && fb.action == ActionRemap)
        compare(where, "filter.new-base", fa.newBase, fb.newBase);
}

void Differ::compareFilters()
{
    const QList<FilterCfg> &a = m_a.cfg.filters, &b = m_b.cfg.filters;
    if (m_unknown.contains(QLatin1String("filter.action")))
        return;
    for (int r = 0; r < qMin(a.size(), b.size()); ++r)
        compareFilter(r, a.at(r), b.at(r));
    for (int r = b.size(); r < a.size(); ++r)
        one(DiffFinding::Removed, filterLabel(r, a.at(r)), r + 1);
    for (int r = a.size(); r < b.size(); ++r)
        one(DiffFinding::Added, filterLabel(r, b.at(r)), r + 1);
}

void Differ::compareServices()
{
    const QList<ServiceCfg> &a = m_a.cfg.services, &b = m_b.cfg.services;
    const auto id = [](const ServiceCfg &s) { return quint32(s.id); };
    const QList<int> match = matchByKey(a, b, id);
    // The services both sides hold, in the order of each.
    QVariantList orderA, orderB;
    QList<bool> inA(b.size(), false);
    for (int i = 0; i < a.size(); ++i) {
        if (match.at(i) < 0)
            continue;
        inA[match.at(i)] = true;
        orderA << a.at(i).id;
    }
    for (int j = 0; j < b.size(); ++j)
        if (inA.at(j))
            orderB << b.at(j).id;
    order(QStringLiteral("services"), QStringLiteral("order"), orderA, orderB);
    for (int i = 0; i < a.size(); ++i) {
        if (match.at(i) < 0)
            one(DiffFinding::Removed, serviceLabel(a.at(i)), a.at(i).id);
        else
            compareService(a.at(i), b.at(match.at(i)));
    }
    for (int j = 0; j < b.size(); ++j)
        if (!inA.at(j))
            one(DiffFinding::Added, serviceLabel(b.at(j)), b.at(j).id);
}

void Differ::compareChannel(const ServiceCfg &sa, const ServiceCfg &sb)
{
    const QString nit = QStringLiteral("NIT");
    const QString what = QStringLiteral("logical channel of service %1:").arg(idText(sa.id));
    const auto number = [](const ServiceCfg &s) {
        return !s.lcEnabled ? QStringLiteral("none")
                            : QString::number(s.lcNumber) + QLatin1String(s.lcVisible ? "" : " (hidden)");
    };
    if (sa.lcEnabled != sb.lcEnabled) {
        if (known("service.logical-channel"))
            changed(nit, "service.logical-channel", what, sa.lcEnabled, sb.lcEnabled, number(sa), number(sb));
        return;
    }
    if (!sa.lcEnabled)
        return;
    compare(nit, "logical-channel.number", sa.lcNumber, sb.lcNumber, what);
    compare(nit, "logical-channel.visible", sa.lcVisible, sb.lcVisible, what + QLatin1String(" visible"));
}

void Differ::compareService(const ServiceCfg &sa, const ServiceCfg &sb)
{
    const QString where = serviceLabel(sa);
    compare(where, "service.type", sa.type, sb.type);
    compare(where, "service.provider-name", sa.providerName, sb.providerName);
    compare(where, "service.service-name", sa.serviceName, sb.serviceName);
    compare(where, "service.pmt-pid", sa.pmtPid, sb.pmtPid);
    compare(where, "service.pmt-enabled", sa.pmtEnabled, sb.pmtEnabled);
    compareChannel(sa, sb);
    // Without a PMT the MUX sends neither the service's streams nor its event.
    if (m_onAir && (!sa.pmtEnabled || !sb.pmtEnabled)) {
        gap(QStringLiteral("streams, PCR, CA and event of services without a PMT"),
            QStringLiteral("none of them goes on air"));
        return;
    }
    compare(where, "service.event-name", sa.eventName, sb.eventName);
    compare(where, "service.event-text", sa.eventText, sb.eventText);
    compare(where, "service.language", sa.language, sb.language);
    compare(where, "service.pcr-pid", sa.pcrPid, sb.pcrPid);
    if (sa.caEnabled != sb.caEnabled && known("service.ca"))
        changed(where, "service.ca", QStringLiteral("CA system"), sa.caEnabled, sb.caEnabled,
                sa.caEnabled ? idText(sa.caId) : QStringLiteral("none"),
                sb.caEnabled ? idText(sb.caId) : QStringLiteral("none"));
    if (sa.caEnabled && sb.caEnabled) {
        compare(where, "ca.ca-id", sa.caId, sb.caId);
        compare(where, "ca.ecm-pid", sa.ecmPid, sb.ecmPid);
    }
    compareElements(where, sa, sb);
}

// The elements that reach the PMT: a kind without a stream_type stays out.
QList<ESCfg> Differ::onAirElements(const ServiceCfg &s)
{
    if (!m_onAir)
        return s.elements;
    QList<ESCfg> out;
    for (const ESCfg &es : s.elements) {
        if (esTypeInfo(es.type))
            out << es;
        else
            gap(QStringLiteral("elements of unknown kinds"), QStringLiteral("the PMT leaves them out"));
    }
    return out;
}

void Differ::compareElements(const QString &where, const ServiceCfg &sa, const ServiceCfg &sb)
{
    const QList<ESCfg> a = onAirElements(sa), b = onAirElements(sb);
    const auto pid = [](const ESCfg &es) { return quint32(es.pid); };
    const QList<int> match = matchByKey(a, b, pid);
    QVariantList orderA, orderB;
    QList<bool> inA(b.size(), false);
    for (int i = 0; i < a.size(); ++i) {
        if (match.at(i) >= 0) {
            inA[match.at(i)] = true;
            orderA << a.at(i).pid;
        }
    }
    for (int j = 0; j < b.size(); ++j)
        if (inA.at(j))
            orderB << b.at(j).pid;
    order(where, QStringLiteral("order of elements"), orderA, orderB);
    const auto label = [&](const ESCfg &es) { return where + QLatin1String(": element ") + idText(es.pid); };
    for (int i = 0; i < a.size(); ++i) {
        if (match.at(i) < 0)
            one(DiffFinding::Removed, label(a.at(i)), a.at(i).pid, esTypeDescription(a.at(i).type));
        else
            compareElement(label(a.at(i)), a.at(i), b.at(match.at(i)));
    }
    for (int j = 0; j < b.size(); ++j)
        if (!inA.at(j))
            one(DiffFinding::Added, label(b.at(j)), b.at(j).pid, esTypeDescription(b.at(j).type));
}

void Differ::compareElement(const QString &where, const ESCfg &ea, const ESCfg &eb)
{
    compare(where, "element.type", ea.type, eb.type);
    QString la = ea.language, lb = eb.language;
    const EsTypeInfo *info = esTypeInfo(ea.type);
    if (m_onAir && info && info->language == EsLanguage::OrUnd) {
        // The PMT says "und" for a subtitle stream without a language.
        la = la.isEmpty() ? QStringLiteral("und") : la;
        lb = lb.isEmpty() ? QStringLiteral("und") : lb;
    }
    if (m_onAir && ea.type == eb.type && info && info->language == EsLanguage::None) {
        if (la != lb && known("element.language"))
            gap(QStringLiteral("languages of %1 elements").arg(QLatin1String(info->description)),
                QStringLiteral("the PMT carries none"));
        return;
    }
    compare(where, "element.language", la, lb);
}

QList<DiffFinding> Differ::run()
{
    for (const QString &key : m_ignoredList)
        gap(key, QStringLiteral("--ignore"));
    sideGaps(m_a);
    sideGaps(m_b);
    compareStream();
    compareFilters();
    compareServices();
    return m_gaps + m_found;
}

} // namespace

QStringList diffFields()
{
    QStringList out;
    for (const FieldInfo &info : Fields)
        if (!out.contains(QLatin1String(info.field)))
            out << QLatin1String(info.field);
    return out;
}

QList<DiffFinding> compareConfigurations(const DiffSide &a, const DiffSide &b, const QStringList &ignored)
{
    return Differ(a, b, ignored).run();
}

QString notComparedLine(const QList<DiffFinding> &findings)
{
    QStringList reasons;
    for (const DiffFinding &f : findings)
        if (f.kind == DiffFinding::NotCompared)
            reasons << f.reason;
    return reasons.isEmpty() ? QString() : QLatin1String("not compared: ") + reasons.join(QLatin1String(", "));
}

bool hasDifferences(const QList<DiffFinding> &findings)
{
    for (const DiffFinding &f : findings)
        if (f.kind != DiffFinding::NotCompared)
            return true;
    return false;
}
