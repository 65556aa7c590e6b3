#include "config/filtertext.h"

#include <QCoreApplication>

#include "config/number.h"

namespace {
// The port and action names keep the context of the value entry helpers they
// came from, the list formats that of the main window that shows them.
QString valueEntryTr(const char *text)
{
    return QCoreApplication::translate("ValueEntry", text);
}

QString windowTr(const char *text)
{
    return QCoreApplication::translate("Velunor", text);
}
} // namespace

QString filterActionText(const FilterCfg &filter, bool hex)
{
    switch (filter.action) {
    case ActionDrop: return valueEntryTr("Drop");
    case ActionRemap: return valueEntryTr("Remap to base %1").arg(formatNumber(filter.newBase, 4, hex));
    case ActionPass: return valueEntryTr("Pass");
    default: return valueEntryTr("?");
    }
}

QString filterInputText(const FilterCfg &filter)
{
    switch (filter.input) {
    case 0: return valueEntryTr("Any");
    case 1: return valueEntryTr("Port 1");
    case 2: return valueEntryTr("Port 2");
    case 3: return valueEntryTr("Port 3");
    case 4: return valueEntryTr("Port 4");
    default: return valueEntryTr("?");
    }
}

FilterRuleTexts::FilterRuleTexts(bool hex)
    : m_hex(hex),
      m_input(windowTr("Input %1, ")),
      m_single(windowTr("PID = %1: ")),
      m_range(windowTr("%1 <= PID <= %2: ")),
      m_mask(windowTr("PID and %1 = %2: "))
{
}

QString FilterRuleTexts::text(const FilterCfg &filter) const
{
    return m_input.arg(filterInputText(filter)) + matchText(filter) + filterActionText(filter, m_hex);
}

QString FilterRuleTexts::matchText(const FilterCfg &filter) const
{
    const QString a = formatNumber(static_cast<qint32>(filter.a), 4, m_hex);
    switch (filter.match) {
    case MatchRange:
        if (filter.a == filter.b)
            return m_single.arg(a);
        return m_range.arg(a, formatNumber(static_cast<qint32>(filter.b), 4, m_hex));
    case MatchMask:
        return m_mask.arg(a, formatNumber(static_cast<qint32>(filter.b), 4, m_hex));
    default:
        return QString();
    }
}
