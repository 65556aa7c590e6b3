#pragma once

#include <QString>
#include <QStringList>

#include "config/model.h"
#include "import/tsscanner.h"

class MbnProgram;
class QIODevice;

// A configuration built from what is on air: the tables of a transport
// stream, or the sections that a MUX binary sends.
struct ImportResult {
    enum Status {
        Imported,     // cfg holds the configuration; warnings say what it could not hold
        NothingFound, // no PAT in the stream, no table in the program, a malformed program
        Unreadable    // the file could not be read
    };
    Status status = NothingFound;
    QString error; // why, for NothingFound and Unreadable
    TransportStreamCfg cfg;
    // One line each, a service named as the configuration check names it:
    // service 3 "Name" (id 0x0203): ...
    QStringList warnings;
};

using ImportOptions = TsScanOptions;

ImportResult importTransportStream(QIODevice *in, const ImportOptions &options);
ImportResult importProgram(const MbnProgram &program);
// What the first bytes of a file look like: a MUX binary's entry table, the
// sync bytes of transport stream packets (188 bytes, or 192 with a time code
// before each), or neither.
enum class InputKind { Unknown, TransportStream, Program };
InputKind inputKind(const QByteArray &head);
// How many bytes inputKind needs to tell.
constexpr int InputKindHead = 2 * 192 + 4;

// A file named *.mbn is read as a MUX binary, anything else as a transport
// stream, which is read a block at a time and never whole; the standard
// input ("-", /dev/stdin) is told by its first bytes. A kind given overrides
// the name (a MUX binary renamed).
ImportResult importFile(const QString &fileName, const ImportOptions &options,
                        InputKind kind = InputKind::Unknown);
