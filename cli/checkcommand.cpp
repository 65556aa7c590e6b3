#include <QCommandLineParser>
#include <QJsonArray>
#include <QTextStream>

#include "commands.h"
#include "config/cfgreader.h"
#include "check/configcheck.h"

// velunor-cli check FILE.mux [--werror] [--json]
// Prints the findings like a compiler, FILE:LINE: error|warning: MESSAGE, on
// standard output. Exit codes: 0 nothing that counts, 1 an error (with
// --werror also a warning) or a file that does not parse, 2 a file that cannot
// be read (or wrong arguments).
int runCheck(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Checks a MUX configuration: errors are what keeps the export from running, warnings "
        "are PID and identifier collisions, values that are legal but usually a mistake, and what "
        "keeps a service off air as the MUX would play the configuration."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the configuration to check (.mux)"),
                                 QStringLiteral("check FILE.mux"));
    const QCommandLineOption werrorOption(QStringLiteral("werror"),
                                          QStringLiteral("Treat warnings as errors for the exit code."));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("Print the findings as one JSON array."));
    parser.addOptions({werrorOption, jsonOption});
    // process() prints --help and argument errors itself and exits.
    parser.addOption(verboseOption());
    parser.process(arguments);
    setVerbose(parser.isSet(verboseOption()));

    QTextStream err(stderr);
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1) {
        err << "velunor-cli check: expected exactly one configuration file; see --help\n";
        return 2;
    }
    const QString fileName = files.first();

    CfgReader reader;
    TransportStreamCfg cfg;
    if (const int failed = readConfiguration(fileName, &reader, &cfg))
        return failed;

    const QList<ConfigFinding> findings = checkConfiguration(cfg, &reader.sourceLines());
    QTextStream out(stdout);
    QJsonArray array;
    int errors = 0;
    int warnings = 0;
    for (const ConfigFinding &f : findings) {
        const bool error = f.severity == ConfigFinding::Error;
        (error ? errors : warnings) += 1;
        if (parser.isSet(jsonOption)) {
            QJsonObject object = jsonFinding(QLatin1String(error ? "error" : "warning"), f.where, QString(),
                                             QVariant(), QVariant(), f.message);
            object.insert(QStringLiteral("line"), f.line > 0 ? QJsonValue(f.line) : QJsonValue());
            array << object;
            continue;
        }
        out << fileName;
        if (f.line > 0)
            out << ':' << f.line;
        out << (error ? ": error: " : ": warning: ") << f.message << '\n';
    }
    out.flush();
    if (parser.isSet(jsonOption))
        if (const int failed = printJson(QStringLiteral("check"), array))
            return failed;
    if (findings.isEmpty())
        return 0;
    err << errors << (errors == 1 ? " error, " : " errors, ") << warnings
        << (warnings == 1 ? " warning\n" : " warnings\n");
    return errors > 0 || (warnings > 0 && parser.isSet(werrorOption)) ? 1 : 0;
}
