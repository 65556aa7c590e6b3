#include <QCommandLineParser>
#include <QFile>
#include <QTextStream>

#include "commands.h"
#include "config/cfgreader.h"
#include "config/cfgwriter.h"
#include "config/savefile.h"

// velunor-cli format FILE.mux [-o OUT.mux]
// Exit codes: 0 done, 1 the file is no valid configuration, 2 a file could not
// be read or written (or the arguments are wrong).
int runFormat(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reads a MUX configuration and writes it in the canonical layout, to standard output "
        "or to OUT. OUT is replaced only when the whole text was written."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the configuration to read"),
                                 QStringLiteral("format FILE.mux"));
    const QCommandLineOption outputOption({QStringLiteral("o"), QStringLiteral("output")},
                                          QStringLiteral("Write to <out> instead of standard output."),
                                          QStringLiteral("out"));
    parser.addOption(outputOption);
    // process() prints --help and argument errors itself and exits.
    parser.process(arguments);

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

    // Written in pieces: a large document's text is never held whole.
    const auto writeAll = [&cfg](QIODevice *device) { return CfgWriter::writeText(device, cfg); };
    if (parser.isSet(outputOption)) {
        const QString outName = parser.value(outputOption);
        QString error;
        if (!writeFileAtomically(outName, writeAll, &error)) {
            err << "velunor-cli format: cannot write '" << outName << "': " << error << '\n';
            return 2;
        }
        return 0;
    }

    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly) || !writeAll(&out) || !out.flush()) {
        err << "velunor-cli format: cannot write to standard output\n";
        return 2;
    }
    return 0;
}
