#include <QCommandLineParser>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTextStream>

#include "commands.h"
#include "import/importer.h"

namespace {

// --bitrate, --max-seconds and --max-packets, in that order; false with a
// message on err for a value that is not a number or too small.
bool readBounds(const QCommandLineParser &parser, const QList<QCommandLineOption> &bounds, ImportOptions *options,
                QTextStream &err)
{
    auto number = [&](const QCommandLineOption &option, double least, double *out) {
        if (!parser.isSet(option))
            return true;
        bool ok = false;
        *out = parser.value(option).toDouble(&ok);
        if (ok && *out >= least)
            return true;
        err << "velunor-cli import: --" << option.names().constFirst() << " must be a number of at least "
            << least << ", not '" << parser.value(option) << "'\n";
        return false;
    };
    double bitrate = 0, seconds = -1, packets = -1;
    if (!number(bounds.at(0), 1, &bitrate) || !number(bounds.at(1), 0, &seconds) || !number(bounds.at(2), 1, &packets))
        return false;
    options->bitrate = qint64(bitrate);
    options->maxSeconds = seconds;
    options->maxPackets = qint64(packets);
    return true;
}

// The warnings as JSON, each with the service it names first.
QJsonArray jsonWarnings(const QStringList &warnings)
{
    static const QRegularExpression service(QStringLiteral("^(service \\d+ \".*\" \\(id 0x[0-9A-F]+\\)): "));
    QJsonArray array;
    for (const QString &warning : warnings)
        array << jsonFinding(QStringLiteral("warning"), service.match(warning).captured(1), QString(), QVariant(),
                             QVariant(), warning);
    return array;
}

// Imports the file and writes the configuration; the warnings go to standard
// error, or with json to standard output as one array.
int importAndWrite(const QString &fileName, const ImportOptions &options, const QString &outName, bool json)
{
    QTextStream err(stderr);
    if (json && outName.isEmpty()) {
        err << "velunor-cli import: --json prints the findings on standard output; give -o for the configuration\n";
        return 2;
    }
    const QString target = outName.isEmpty() ? QStringLiteral("-") : outName;
    if (const int refused = refuseOwnInput(QStringLiteral("import"), fileName, target))
        return refused;
    const ImportResult result = importFile(fileName, options);
    if (result.status == ImportResult::NothingFound && json) {
        const int failed = printJson(QStringLiteral("import"), QJsonArray{jsonFinding(
            QStringLiteral("error"), QString(), QString(), QVariant(), QVariant(), result.error)});
        return failed ? failed : 1;
    }
    if (result.status != ImportResult::Imported) {
        err << fileName << ": error: " << result.error << '\n';
        return result.status == ImportResult::Unreadable ? 2 : 1;
    }
    if (json) {
        if (const int failed = writeConfiguration(QStringLiteral("import"), target, result.cfg))
            return failed;
        return printJson(QStringLiteral("import"), jsonWarnings(result.warnings));
    }
    for (const QString &warning : result.warnings)
        err << fileName << ": warning: " << warning << '\n';
    err.flush();
    return writeConfiguration(QStringLiteral("import"), target, result.cfg);
}

} // namespace

// velunor-cli import FILE.ts|FILE.mbn [-o OUT.mux] [--bitrate N] [--max-seconds N]
//                    [--max-packets N] [--whole] [--json]
// Warnings on standard error, FILE: warning: MESSAGE. Exit codes: 0 written
// (warnings or not), 1 no PAT in the capture or no table in the program, 2 a
// file that cannot be read or written, or wrong arguments.
int runImport(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Builds a configuration from what is on air: the PSI/SI tables of an MPEG-2 transport "
        "stream (188-, 192- or 204-byte packets), or the sections that a MUX binary (.mbn) sends. "
        "The configuration goes to standard output or to OUT; what it cannot hold is reported as "
        "a warning. A capture is read until every table has been seen twice and no new table has "
        "turned up for 11 s of stream time (timed by the PCR, by --bitrate, or on a pipe with neither by "
        "the clock). '-' is the standard input (a MUX binary or a capture, told by its first bytes) or output."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the capture (.ts, .m2ts) or MUX binary (.mbn)"),
                                 QStringLiteral("import FILE"));
    const QCommandLineOption outputOption({QStringLiteral("o"), QStringLiteral("output")},
                                          QStringLiteral("Write to <out> instead of standard output."),
                                          QStringLiteral("out"));
    const QCommandLineOption bitrateOption(
        QStringLiteral("bitrate"),
        QStringLiteral("The capture's rate in bits per second, to time the tables by when it carries no PCR."),
        QStringLiteral("N"));
    const QCommandLineOption secondsOption(QStringLiteral("max-seconds"),
                                           QStringLiteral("Read at most N seconds of the stream."), QStringLiteral("N"));
    const QCommandLineOption packetsOption(QStringLiteral("max-packets"),
                                           QStringLiteral("Read at most N packets."), QStringLiteral("N"));
    const QCommandLineOption wholeOption(QStringLiteral("whole"),
                                         QStringLiteral("Read the whole capture, not only until every table was seen twice."));
    const QCommandLineOption jsonOption(
        QStringLiteral("json"),
        QStringLiteral("Print the warnings, or why nothing was imported, as one JSON array; needs -o."));
    parser.addOptions({outputOption, bitrateOption, secondsOption, packetsOption, wholeOption, jsonOption});
    parser.process(arguments);

    QTextStream err(stderr);
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1) {
        err << "velunor-cli import: expected exactly one capture or MUX binary; see --help\n";
        return 2;
    }
    ImportOptions options;
    options.earlyStop = !parser.isSet(wholeOption);
    if (!readBounds(parser, {bitrateOption, secondsOption, packetsOption}, &options, err))
        return 2;

    return importAndWrite(files.first(), options, parser.isSet(outputOption) ? parser.value(outputOption) : QString(),
                          parser.isSet(jsonOption));
}
