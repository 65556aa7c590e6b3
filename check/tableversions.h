#pragma once

#include <QString>
#include <QStringList>

#include "config/wording.h"
#include "psi/sections.h"

struct TransportStreamCfg;

// Receivers cache tables by version_number (ISO/IEC 13818-1 2.4.4): a
// re-exported program whose tables changed must say so, or a receiver keeps
// the old ones. The versions continue from the program being replaced.
struct VersionChoice {
    TableVersions versions; // what the writer puts in each table
    QStringList notes;      // one line per table whose version moved, or why none could
};

// Where the previous program comes from: the file the export replaces (read
// only when it is a regular file, directly or through links; a FIFO, a
// device, the standard output or a name not taken yet start from 0), or a
// program named for the purpose (read whatever it is).
enum class PreviousProgram { Replaced, Named };

// Builds the program for cfg, reads the previous one through the MUX binary
// reader and matches their tables by PID, table_id and table_id_extension:
// a table whose sections differ in any byte other than version_number gets
// the old version + 1 (modulo 32), an unchanged one keeps its version, a
// table new to the program starts at 0. A previous file that is not a
// readable MUX binary gives versions from 0 and a note saying so; it is
// never a reason to refuse the export.
VersionChoice chooseTableVersions(const TransportStreamCfg &cfg, const QString &previous, PreviousProgram kind,
                                  const Wording &words = Wording::commandLine());
