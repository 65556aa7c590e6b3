#pragma once

#include <QList>
#include <QString>

#include "config/wording.h"

struct FilterCfg;
struct TransportStreamCfg;
struct CfgSourceLines;

// One finding of the configuration check. Errors keep the export from
// running (the configuration cannot become a MUX binary); warnings are PID
// and identifier collisions and values that are legal but usually a mistake.
struct ConfigFinding {
    enum Severity { Warning, Error };
    enum Subject { Stream, Service, Filter };

    Severity severity = Warning;
    Subject subject = Stream;
    int index = -1;   // position in services or filters; -1 for the stream
    int element = -1; // position in the service's elements, when one is concerned
    QString message;  // plain words, without location or severity
    QString where;    // the service or rule that message names first; empty for the stream
    QString problem;  // message without where
    int line = 0;     // line where the concerned block starts; 0 when not known

    friend bool operator==(const ConfigFinding &l, const ConfigFinding &r)
    {
        return l.severity == r.severity && l.subject == r.subject && l.index == r.index
            && l.element == r.element && l.message == r.message && l.line == r.line;
    }
};

// Checks a configuration. Errors first (the export's refusals), then warnings
// in file order. With lines (from CfgReader::sourceLines()) each finding gets
// the line of its block. Time linear in the size of the configuration.
QList<ConfigFinding> checkConfiguration(const TransportStreamCfg &cfg, const CfgSourceLines *lines = nullptr,
                                        const Wording &words = Wording::commandLine());

bool hasErrors(const QList<ConfigFinding> &findings);

// How findings name an element kind ("MPEG-2 audio", or "stream type 9") and
// a filter rule ("filter rule 2 (range 0x0100..0x01FF, port 1)", counting
// rules from 1); the comparison of two configurations names them alike.
QString esTypeDescription(int type, const Wording &words = Wording::commandLine());
QString filterLabel(int index, const FilterCfg &f, const Wording &words = Wording::commandLine());
