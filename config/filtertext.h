#pragma once

#include <QString>

#include "config/model.h"

// The words in which a PID filter rule is shown, shared by the PID filter page
// and `velunor-cli dump`, so that what the operator reads on the page and what
// the disassembly of the exported program says cannot drift apart.

// "Drop", "Remap to base 0x0800", "Pass" (the base in the given notation).
QString filterActionText(const FilterCfg &filter, bool hex);
// "Any", "Port 1" .. "Port 4".
QString filterInputText(const FilterCfg &filter);

// One line per rule, e.g. "Input Port 2, 0x0100 <= PID <= 0x01ff: Remap to base
// 0x0800". The formats are translated once, at construction, rather than once
// per rule: a document may hold thousands of rules.
class FilterRuleTexts
{
public:
    explicit FilterRuleTexts(bool hex);

    QString text(const FilterCfg &filter) const;

private:
    QString matchText(const FilterCfg &filter) const;

    bool m_hex;
    QString m_input;
    QString m_single;
    QString m_range;
    QString m_mask;
};
