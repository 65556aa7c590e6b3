#pragma once

#include <QList>
#include <QStringList>

#include "config/wording.h"

struct ServiceCfg;
struct TransportStreamCfg;

// One reason why the export refuses a configuration, with the service it
// concerns (its position in the services; -1 when it concerns the stream).
struct ExportProblem {
    int service = -1;
    QString message; // as a line: names its service first
    QString problem; // the same without the service
};

// Everything that keeps a configuration from becoming a MUX binary that the
// device can run: too many PMTs for the entry table, service types without a
// DVB code, descriptors beyond their 8-bit length, sections beyond the
// MPEG-2/DVB maximum, copies or offsets beyond the VM's operands. Empty when
// the configuration can be exported; else one plain-words line per problem.
QStringList exportProblems(const TransportStreamCfg &cfg);

// The same problems, in the same order and words, each with its service.
QList<ExportProblem> exportProblemList(const TransportStreamCfg &cfg,
                                       const Wording &words = Wording::commandLine());

// The size in bytes of the program that the configuration gives.
int exportProgramSize(const TransportStreamCfg &cfg);

// How problems name a service: service 3 "Name" (id 0x0101), counting
// services from 1 as the editor lists them.
QString serviceLabel(int index, const ServiceCfg &service, const Wording &words = Wording::commandLine());
