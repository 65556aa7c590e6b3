#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "config/model.h"

// One side of a comparison: a configuration as read from a .mux, or as the
// importer rebuilt it from a MUX binary or a capture. What an imported side
// cannot tell (a capture shows no PID filter, a program without playout
// timings no intervals, a missing SDT no names) is left out of the
// comparison and reported once as not compared.
struct DiffSide {
    enum Source { Configuration, Program, Capture };
    Source source = Configuration;
    QString name; // as the operator named it; the reasons for not comparing quote it
    TransportStreamCfg cfg;
};

// One difference between side A (old) and side B (new), or one thing that
// was not compared. Values are as the .mux holds them (numbers, booleans,
// texts; service ids or PIDs for what only one side has, lists of ids for
// an order); an invalid QVariant where there is none.
struct DiffFinding {
    enum Kind { Changed, Added, Removed, NotCompared };
    Kind kind = Changed;
    QString where;   // service 0x0101 "News", ...: element 0x0102, filter rule 2 (...), NIT, ...
    QString field;   // BLOCK.KEY of the .mux (service.language, element.pid); empty when none
    QVariant oldValue;
    QVariant newValue;
    QString message; // the line: where, what, old → new
    QString reason;  // NotCompared: subject and why, "filter rules (B.ts: ...)"
};

// The keys --ignore may name: BLOCK.KEY of the .mux, and BLOCK.BLOCK for the
// presence of an inner block (service.ca, service.logical-channel).
QStringList diffFields();

// Services are matched by service id and elements by PID (the n-th of an id
// with the n-th), filter rules by position. Not compared first, then the
// stream, the filter rules, the order of the services and each service in A's
// order, the services only in B last. `ignored` holds names of diffFields().
QList<DiffFinding> compareConfigurations(const DiffSide &a, const DiffSide &b,
                                         const QStringList &ignored = QStringList());

// "not compared: X (why), Y (why)"; empty when everything was compared.
QString notComparedLine(const QList<DiffFinding> &findings);
// Whether any finding is a difference.
bool hasDifferences(const QList<DiffFinding> &findings);
