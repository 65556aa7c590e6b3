#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include "commands.h"
#include "velunorversion.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velunor-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELUNOR_VERSION));
    // What the core reports (velunor.export) reads as plain lines, like the
    // rest of the tool's output.
    qSetMessagePattern(QStringLiteral("%{message}"));

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() >= 2) {
        const QString command = arguments.at(1);
        if (command == QLatin1String("format"))
            return runFormat(arguments.mid(1));
        if (command == QLatin1String("export"))
            return runExport(arguments.mid(1));
        if (command == QLatin1String("check"))
            return runCheck(arguments.mid(1));
        if (command == QLatin1String("dump"))
            return runDump(arguments.mid(1));
        if (command == QLatin1String("ts"))
            return runTs(arguments.mid(1));
        if (command == QLatin1String("import"))
            return runImport(arguments.mid(1));
        if (command == QLatin1String("diff"))
            return runDiff(arguments.mid(1));
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Velunor command-line tool for MUX configurations.\n\n"
        "Commands:\n"
        "  format FILE.mux [-o OUT.mux]        rewrite a configuration in the canonical layout\n"
        "  export FILE.mux OUT.mbn [--dump]    export a configuration as a MUX binary\n"
        "  check FILE.mux [--werror]           report errors and PID/identifier collisions\n"
        "  dump FILE.mbn                       disassemble a MUX binary\n"
        "  ts FILE.mbn OUT.ts [--seconds N]    render a MUX binary as an MPEG-2 transport stream\n"
        "  import FILE.ts|FILE.mbn [-o OUT.mux]  build a configuration from a capture or a MUX binary\n"
        "  diff A B [--ignore BLOCK.KEY]       compare two configurations, MUX binaries or captures\n\n"
        "Any FILE or OUT may be '-' for the standard input or output; FIFOs and devices are "
        "read and written in place.\n\n"
        "Run 'velunor-cli COMMAND --help' for the options of a command."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("format, export, check, dump, ts, import or diff"));
    parser.process(app);

    QTextStream err(stderr);
    if (parser.positionalArguments().isEmpty())
        err << "velunor-cli: no command given; see --help\n";
    else
        err << "velunor-cli: unknown command '" << parser.positionalArguments().first()
            << "'; see --help\n";
    return 2;
}
