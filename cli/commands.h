#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>
#include <QVariant>

#include <functional>

class QCommandLineOption;
class QIODevice;

class CfgReader;
class MbnProgram;
struct TransportStreamCfg;

// Each command gets its own arguments, the command name first (it stands
// where QCommandLineParser expects the program name), and returns the exit code.
int runFormat(const QStringList &arguments);
int runExport(const QStringList &arguments);
int runCheck(const QStringList &arguments);
int runDump(const QStringList &arguments);
int runTs(const QStringList &arguments);
int runImport(const QStringList &arguments);
int runDiff(const QStringList &arguments);

// Input of the commands (inputfiles.cpp). Each reports its own failure on
// standard error and returns the exit code, 0 when the input is good.
// FILE: error: REASON when unreadable (2), FILE:LINE:COLUMN: error: REASON
// when the configuration does not parse (1).
int readConfiguration(const QString &fileName, CfgReader *reader, TransportStreamCfg *cfg);
// --verbose, for every command that reads a configuration: the reader's note
// on where in its source it found a fault goes before the error.
const QCommandLineOption &verboseOption();
void setVerbose(bool on);
// A MUX binary read whole and parsed; FILE: error at offset 0xNNNN: REASON
// when it is malformed (1).
int readProgram(const QString &fileName, MbnProgram *program);
int reportMalformed(const QString &fileName, int offset, const QString &reason);
// Every file name may be "-" for the standard input or output.
// The configuration in the canonical layout, to OUT or, for an empty name, to
// standard output; 2 when it cannot be written.
int writeConfiguration(const QString &command, const QString &outName, const TransportStreamCfg &cfg);
// Writes OUT through OutputFile (a regular file replaced only when all of it
// was written, a FIFO or device in place); 2, with the reason on standard
// error, when it is refused or cannot be written.
int writeOutput(const QString &command, const QString &outName, const std::function<bool(QIODevice *)> &writeAll);
// 2, with "OUT is the input file; choose another name", when OUT is the same
// regular file as the input (through any path or link), else 0.
int refuseOwnInput(const QString &command, const QString &inName, const QString &outName);

// --json (jsonoutput.cpp): one object per finding, with kind (error, warning,
// changed, added, removed, not-compared), where, field (BLOCK.KEY), old, new
// and message; empty texts and invalid values are null. The array goes to
// standard output whole; 2 when it cannot be written.
QJsonObject jsonFinding(const QString &kind, const QString &where, const QString &field, const QVariant &oldValue,
                        const QVariant &newValue, const QString &message);
int printJson(const QString &command, const QJsonArray &findings);
