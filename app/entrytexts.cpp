#include "app/entrytexts.h"

#include <QCoreApplication>

#include "config/number.h"
#include "dialogs/valueentry.h"

ServiceEntryTexts::ServiceEntryTexts(bool hex)
    : hex(hex),
      head(QCoreApplication::translate("Velunor", "%1 (Service %2)\nPMT:%3")),
      unknown(esTypeShortName(-1))
{
    for (const EsTypeInfo *info : esTypes()) {
        if (info->type >= shortNames.size())
            shortNames.resize(info->type + 1);
        shortNames[info->type] = esTypeShortName(info->type);
    }
}

QString ServiceEntryTexts::text(const ServiceCfg &service) const
{
    // One multi-argument substitution: a service name holding "%2" must be
    // shown as typed, not have the id written into it.
    QString t = head.arg(service.serviceName, formatNumber(service.id, 4, hex), formatNumber(service.pmtPid, 4, hex));
    if (service.elements.isEmpty())
        return t;
    t.reserve(t.size() + 2 + service.elements.size() * 12);
    t += QLatin1String(" (");
    bool first = true;
    for (const ESCfg &es : service.elements) {
        if (!first)
            t += QLatin1String(", ");
        first = false;
        t += shortName(es.type);
        t += QLatin1Char(':');
        t += formatNumber(es.pid, 4, hex);
    }
    t += QLatin1Char(')');
    return t;
}

const QString &ServiceEntryTexts::shortName(int type) const
{
    return type >= 0 && type < shortNames.size() && esTypeInfo(type) ? shortNames.at(type) : unknown;
}

QString elementEntryText(const ESCfg &es, bool hex)
{
    if (es.language.isEmpty())
        return QCoreApplication::translate("Velunor", "%1 (PID:%2)").arg(esTypeName(es.type), formatNumber(es.pid, 4, hex));
    return QCoreApplication::translate("Velunor", "%1 (PID:%2, Language:%3)")
        .arg(esTypeName(es.type), formatNumber(es.pid, 4, hex), es.language);
}

QString elidedInMiddle(const QString &name, int length)
{
    if (name.size() <= length)
        return name;
    int head = (length - 1) / 2;
    int tail = length - 1 - head;
    if (head > 0 && name.at(head - 1).isHighSurrogate())
        --head;
    if (tail > 0 && name.at(name.size() - tail).isLowSurrogate())
        --tail;
    return name.left(head) + QChar(0x2026) + name.right(tail);
}
