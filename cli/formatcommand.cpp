#include <QCommandLineParser>
#include <QTextStream>

#include "commands.h"
#include "config/cfgreader.h"

// velunor-cli format FILE.mux [-o OUT.mux]
// Exit codes: 0 done, 1 the file is no valid configuration, 2 a file could not
// be read or written (or the arguments are wrong).
int runFormat(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reads a MUX configuration and writes it in the canonical layout, to standard output "
        "or to OUT. OUT is replaced only when the whole text was written; '-' is the standard "
        "input or output."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the configuration to read"),
                                 QStringLiteral("format FILE.mux"));
    const QCommandLineOption outputOption({QStringLiteral("o"), QStringLiteral("output")},
                                          QStringLiteral("Write to <out> instead of standard output."),
                                          QStringLiteral("out"));
    parser.addOption(outputOption);
    // process() prints --help and argument errors itself and exits.
    parser.addOption(verboseOption());
    parser.process(arguments);
    setVerbose(parser.isSet(verboseOption()));

    QTextStream err(stderr);
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1) {
        err << "velunor-cli format: expected exactly one configuration file; see --help\n";
        return 2;
    }
    const QString fileName = files.first();

    CfgReader reader;
    TransportStreamCfg cfg;
    if (const int failed = readConfiguration(fileName, &reader, &cfg))
        return failed;

    return writeConfiguration(QStringLiteral("format"),
                              parser.isSet(outputOption) ? parser.value(outputOption) : QString(), cfg);
}
