#include <QCommandLineParser>
#include <QTextStream>

#include "commands.h"
#include "mbn/mbndump.h"
#include "mbn/mbnprogram.h"

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
    MbnProgram program;
    if (const int failed = readProgram(fileName, &program))
        return failed;
    QString text;
    int offset = -1;
    QString reason;
    if (!dumpMbnProgram(program, &text, &offset, &reason))
        return reportMalformed(fileName, offset, reason);
    QTextStream out(stdout);
    out << text;
    out.flush();
    return out.status() == QTextStream::Ok ? 0 : 2;
}
