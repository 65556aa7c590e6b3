#pragma once

#include <QStringList>

// Each command gets its own arguments, the command name first (it stands
// where QCommandLineParser expects the program name), and returns the exit code.
int runFormat(const QStringList &arguments);
int runExport(const QStringList &arguments);
int runCheck(const QStringList &arguments);
int runDump(const QStringList &arguments);
int runTs(const QStringList &arguments);
