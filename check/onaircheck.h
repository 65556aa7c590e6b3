#pragma once

#include <QList>

#include "check/configcheck.h"

struct CfgSourceLines;
struct TransportStreamCfg;

// The check's findings on what goes on air as the MUX would play the
// configuration: PIDs a service needs that the filter rules keep from the
// output, the CA block without a CAT, a static TDT, the repetition of each
// table measured on the program's own schedule, and mask rules the filter
// table cannot carry. Warnings only, appended to *findings.
void checkOnAir(const TransportStreamCfg &cfg, const CfgSourceLines *lines, const Wording &words,
                QList<ConfigFinding> *findings);
