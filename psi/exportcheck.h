#pragma once

#include <QStringList>

struct TransportStreamCfg;

// Everything that keeps a configuration from becoming a MUX binary that the
// device can run: too many PMTs for the entry table, service types without a
// DVB code, descriptors beyond their 8-bit length, sections beyond the
// MPEG-2/DVB maximum, copies or offsets beyond the VM's operands. Empty when
// the configuration can be exported; else one plain-words line per problem.
QStringList exportProblems(const TransportStreamCfg &cfg);

// The size in bytes of the program that the configuration gives.
int exportProgramSize(const TransportStreamCfg &cfg);
