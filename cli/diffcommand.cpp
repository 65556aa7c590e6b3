#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>

#include "check/configdiff.h"
#include "commands.h"
#include "config/cfgreader.h"
#include "import/importer.h"

namespace {

// A .mux is read, a .mbn or a capture imported; 2 (reported) when the side
// cannot be read or is no configuration.
int readSide(const QString &name, const ImportOptions &options, DiffSide *side)
{
    side->name = name;
    const QString suffix = QFileInfo(name).suffix();
    if (suffix.compare(QLatin1String("mux"), Qt::CaseInsensitive) == 0) {
        side->source = DiffSide::Configuration;
        CfgReader reader;
        return readConfiguration(name, &reader, &side->cfg) ? 2 : 0;
    }
    side->source = suffix.compare(QLatin1String("mbn"), Qt::CaseInsensitive) == 0 ? DiffSide::Program
                                                                                  : DiffSide::Capture;
    const ImportResult result = importFile(name, options);
    if (result.status != ImportResult::Imported) {
        // A damaged program names the offset of its fault, as dump and ts do.
        const bool located = result.error.startsWith(QLatin1String("error at"));
        QTextStream(stderr) << name << (located ? ": " : ": error: ") << result.error << '\n';
        return 2;
    }
    side->cfg = result.cfg;
    return 0;
}

const char *kindName(DiffFinding::Kind kind)
{
    switch (kind) {
    case DiffFinding::Changed:
        return "changed";
    case DiffFinding::Added:
        return "added";
    case DiffFinding::Removed:
        return "removed";
    case DiffFinding::NotCompared:
        break;
    }
    return "not-compared";
}

int printFindings(const QList<DiffFinding> &findings, bool json)
{
    if (json) {
        QJsonArray array;
        for (const DiffFinding &f : findings)
            array << jsonFinding(QLatin1String(kindName(f.kind)), f.where, f.field, f.oldValue, f.newValue, f.message);
        return printJson(QStringLiteral("diff"), array);
    }
    QTextStream out(stdout);
    const QString gaps = notComparedLine(findings);
    if (!gaps.isEmpty())
        out << gaps << '\n';
    for (const DiffFinding &f : findings)
        if (f.kind != DiffFinding::NotCompared)
            out << f.message << '\n';
    return 0;
}

} // namespace

// velunor-cli diff A B [--ignore BLOCK.KEY]... [--bitrate N] [--json]
// Exit codes: 0 the same, 1 they differ, 2 a side cannot be read or is no
// configuration, or wrong arguments.
int runDiff(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Compares two configurations, each a .mux, a MUX binary (.mbn) or a capture (.ts, .m2ts), which is "
        "imported first. Only what both sides can tell is compared; the rest is listed once, first, as "
        "\"not compared\". Then one line per difference, A's value before B's: services are matched by "
        "service id, elements by PID, filter rules by position."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("a"), QStringLiteral("the first side (.mux, .mbn, .ts, .m2ts)"),
                                 QStringLiteral("diff A"));
    parser.addPositionalArgument(QStringLiteral("b"), QStringLiteral("the second side"), QStringLiteral("B"));
    const QCommandLineOption ignoreOption(
        QStringLiteral("ignore"), QStringLiteral("Leave the .mux key BLOCK.KEY out (service.language, "
                                                 "transport-stream.pat-time); may be repeated."),
        QStringLiteral("BLOCK.KEY"));
    const QCommandLineOption bitrateOption(
        QStringLiteral("bitrate"),
        QStringLiteral("A capture's rate in bits per second, to time its tables by when it carries no PCR."),
        QStringLiteral("N"));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("Print the findings as one JSON array."));
    parser.addOptions({ignoreOption, bitrateOption, jsonOption});
    parser.addOption(verboseOption());
    parser.process(arguments);
    setVerbose(parser.isSet(verboseOption()));

    QTextStream err(stderr);
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2) {
        err << "velunor-cli diff: expected two sides to compare; see --help\n";
        return 2;
    }
    const QStringList ignored = parser.values(ignoreOption);
    const QStringList fields = diffFields();
    for (const QString &key : ignored) {
        if (!fields.contains(key)) {
            err << "velunor-cli diff: --ignore: unknown key '" << key << "'; one of " << fields.join(QLatin1String(", "))
                << '\n';
            return 2;
        }
    }
    ImportOptions options;
    if (parser.isSet(bitrateOption)) {
        bool ok = false;
        options.bitrate = parser.value(bitrateOption).toLongLong(&ok);
        if (!ok || options.bitrate < 1) {
            err << "velunor-cli diff: --bitrate must be a whole number of at least 1, not '"
                << parser.value(bitrateOption) << "'\n";
            return 2;
        }
    }
    DiffSide a, b;
    if (readSide(files.at(0), options, &a) || readSide(files.at(1), options, &b))
        return 2;
    const QList<DiffFinding> findings = compareConfigurations(a, b, ignored);
    if (const int failed = printFindings(findings, parser.isSet(jsonOption)))
        return failed;
    return hasDifferences(findings) ? 1 : 0;
}
