#include <QCommandLineParser>
#include <QLoggingCategory>
#include <QTextStream>

#include "check/tableversions.h"
#include "commands.h"
#include "config/cfgreader.h"
#include "psi/exportcheck.h"
#include "psi/psivmprogram.h"

// velunor-cli export FILE.mux OUT.mbn [--dump] [--previous FILE.mbn | --fresh]
// Exit codes: 0 written, 1 the configuration is invalid or cannot be exported
// (nothing written), 2 a file could not be read or written (or wrong arguments).
int runExport(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Exports a MUX configuration as a MUX binary (PSI VM program). The configuration is "
        "checked first; OUT is written only when it can be exported, and replaced only when "
        "the whole program was written; '-' is the standard input or output. Each table's "
        "version_number continues from the program that OUT replaces: a changed table gets the next "
        "version, an unchanged one keeps its own; each version that moved is named on standard error."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the configuration to read (.mux)"),
                                 QStringLiteral("export FILE.mux"));
    parser.addPositionalArgument(QStringLiteral("out"), QStringLiteral("the MUX binary to write (.mbn)"),
                                 QStringLiteral("OUT.mbn"));
    const QCommandLineOption dumpOption(QStringLiteral("dump"),
                                        QStringLiteral("Print the program as a psivm_prog C array on "
                                                       "standard error."));
    parser.addOption(dumpOption);
    const QCommandLineOption previousOption(QStringLiteral("previous"),
                                            QStringLiteral("Continue the table versions from this MUX binary "
                                                           "instead of the one OUT replaces."),
                                            QStringLiteral("FILE.mbn"));
    parser.addOption(previousOption);
    const QCommandLineOption freshOption(QStringLiteral("fresh"),
                                         QStringLiteral("Start every table at version 0, whatever OUT replaces."));
    parser.addOption(freshOption);
    // process() prints --help and argument errors itself and exits.
    parser.addOption(verboseOption());
    parser.process(arguments);
    setVerbose(parser.isSet(verboseOption()));

    QTextStream err(stderr);
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2) {
        err << "velunor-cli export: expected a configuration file and an output file; see --help\n";
        return 2;
    }
    if (parser.isSet(previousOption) && parser.isSet(freshOption)) {
        err << "velunor-cli export: --previous and --fresh cannot be used together; see --help\n";
        return 2;
    }
    const QString fileName = files.at(0);
    const QString outName = files.at(1);
    if (const int refused = refuseOwnInput(QStringLiteral("export"), fileName, outName))
        return refused;

    CfgReader reader;
    TransportStreamCfg cfg;
    if (const int failed = readConfiguration(fileName, &reader, &cfg))
        return failed;

    const QStringList problems = exportProblems(cfg);
    if (!problems.isEmpty()) {
        for (const QString &problem : problems)
            err << fileName << ": error: " << problem << '\n';
        return 1;
    }

    // The exporter's notes on each EIT routine belong with the program dump,
    // so they show only with --dump; its faults always show.
    const bool dump = parser.isSet(dumpOption);
    QLoggingCategory::setFilterRules(dump ? QString() : QStringLiteral("velunor.export.debug=false"));
    err.flush();
    PsiVmProgram program;
    program.setDumpEnabled(dump);
    bool ok = program.open(outName);
    VersionChoice versions;
    if (ok && parser.isSet(previousOption))
        versions = chooseTableVersions(cfg, parser.value(previousOption), PreviousProgram::Named);
    else if (ok && !parser.isSet(freshOption) && !program.inPlace())
        versions = chooseTableVersions(cfg, outName, PreviousProgram::Replaced);
    program.setVersions(versions.versions);
    if (ok)
        ok = program.generateProgram(cfg);
    if (!ok) {
        err << outName << ": error: cannot write: " << program.errorString() << '\n';
        return 2;
    }
    for (const QString &note : versions.notes)
        err << note << '\n';
    return 0;
}
