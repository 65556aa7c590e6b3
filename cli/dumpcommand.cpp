#include <QCommandLineParser>
#include <QFile>
#include <QTextStream>

#include "cli/commands.h"
#include "psi/mbndump.h"
#include "psi/mbnprogram.h"

namespace {

// Offsets are 16 bits and copies at most 16383 bytes long, so no program
// reaches beyond 80 KiB; anything far larger is not a MUX binary, and reading
// it whole would only cost memory.
constexpr qint64 LargestFile = 1 << 20;

QString offsetText(int offset)
{
    return QStringLiteral("0x%1").arg(offset, 4, 16, QLatin1Char('0'));
}

} // namespace

// velunor-cli dump FILE.mbn
// Exit codes: 0 disassembled, 1 the file is not a well-formed MUX binary,
// 2 the file could not be read (or wrong arguments).
int runDump(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Disassembles a MUX binary (PSI VM program): the entry table, each routine's "
        "instructions, the sections they send decoded field by field, and the PID filter table."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the MUX binary to read (.mbn)"),
                                 QStringLiteral("dump FILE.mbn"));
    parser.process(arguments);

    QTextStream err(stderr);
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1) {
        err << "velunor-cli dump: expected one MUX binary; see --help\n";
        return 2;
    }
    const QString fileName = files.first();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        err << fileName << ": error: " << file.errorString() << '\n';
        return 2;
    }
    const QByteArray bytes = file.read(LargestFile + 1);
    if (file.error() != QFileDevice::NoError) {
        err << fileName << ": error: " << file.errorString() << '\n';
        return 2;
    }
    if (bytes.size() > LargestFile) {
        err << fileName << ": error at offset " << offsetText(int(LargestFile))
            << ": the file is larger than any MUX binary\n";
        return 1;
    }

    MbnProgram program;
    QString text;
    int offset = -1;
    QString reason;
    if (!program.parse(bytes)) {
        offset = program.errorOffset();
        reason = program.errorString();
    } else if (!dumpMbnProgram(program, &text, &offset, &reason)) {
        text.clear();
    }
    if (!reason.isEmpty()) {
        err << fileName << ": error at offset " << offsetText(offset) << ": " << reason << '\n';
        return 1;
    }
    QTextStream out(stdout);
    out << text;
    out.flush();
    return out.status() == QTextStream::Ok ? 0 : 2;
}
