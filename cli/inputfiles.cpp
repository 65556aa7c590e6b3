#include <QCommandLineOption>
#include <QTextStream>

#include <cstdio>

#include "commands.h"
#include "config/cfgreader.h"
#include "config/cfgwriter.h"
#include "config/number.h"
#include "config/fileaccess.h"
#include "mbn/mbnprogram.h"

namespace {

bool verbose = false;

// The reader's note on where in its own source it found the fault, one line
// ahead of the error, for a bug report: only with --verbose, since an
// operator has the file's line and column.
void printDiagnostic(const CfgReader &reader)
{
    const QByteArray note = reader.diagnostic();
    if (!verbose || note.isEmpty())
        return;
    std::fprintf(stderr, "%s\n", note.constData());
    std::fflush(stderr);
}

} // namespace

const QCommandLineOption &verboseOption()
{
    static const QCommandLineOption option(QStringLiteral("verbose"),
                                           QStringLiteral("Also print where in the reader a fault was found."));
    return option;
}

void setVerbose(bool on)
{
    verbose = on;
}

int readConfiguration(const QString &fileName, CfgReader *reader, TransportStreamCfg *cfg)
{
    QTextStream err(stderr);
    if (!reader->open(fileName)) {
        err << fileName << ": error: " << reader->errorString() << '\n';
        return 2;
    }
    const bool parsed = reader->parse(cfg);
    if (!parsed && reader->errorLine() <= 0) { // the file failed, not its text
        err << fileName << ": error: " << reader->errorString() << '\n';
        return 2;
    }
    if (!parsed) {
        printDiagnostic(*reader);
        err << fileName << ':' << reader->errorLine() << ':' << reader->errorColumn()
            << ": error: " << reader->errorString() << '\n';
        return 1;
    }
    return 0;
}

int reportMalformed(const QString &fileName, int offset, const QString &reason)
{
    QTextStream(stderr) << fileName << ": error at offset " << hexNumber(qMax(0, offset), 4) << ": "
                        << reason << '\n';
    return 1;
}

int readProgram(const QString &fileName, MbnProgram *program)
{
    QByteArray bytes;
    QString error;
    if (!MbnProgram::readFile(fileName, &bytes, &error)) {
        QTextStream(stderr) << fileName << ": error: " << error << '\n';
        return 2;
    }
    if (bytes.size() > MbnProgram::LargestFile)
        return reportMalformed(fileName, int(MbnProgram::LargestFile),
                               QStringLiteral("the file is larger than any MUX binary"));
    if (!program->parse(bytes))
        return reportMalformed(fileName, program->errorOffset(), program->errorString());
    return 0;
}

int writeConfiguration(const QString &command, const QString &outName, const TransportStreamCfg &cfg)
{
    // Written in pieces: a large document's text is never held whole.
    const auto writeAll = [&cfg](QIODevice *device) { return CfgWriter::writeText(device, cfg); };
    return writeOutput(command, outName.isEmpty() ? QStringLiteral("-") : outName, writeAll);
}

int writeOutput(const QString &command, const QString &outName, const std::function<bool(QIODevice *)> &writeAll)
{
    OutputFile out(outName);
    if (out.open() && out.write(writeAll))
        return 0;
    QTextStream err(stderr);
    if (outName == QLatin1String("-"))
        err << "velunor-cli " << command << ": cannot write to standard output: " << out.errorString() << '\n';
    else // led by the file's name, as the readers report theirs
        err << outName << ": error: cannot write: " << out.errorString() << '\n';
    return 2;
}

int refuseOwnInput(const QString &command, const QString &inName, const QString &outName)
{
    if (!sameRegularFile(inName, outName))
        return 0;
    QTextStream(stderr) << "velunor-cli " << command << ": " << outName
                        << " is the input file; choose another name\n";
    return 2;
}
