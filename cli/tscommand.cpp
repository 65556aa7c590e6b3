#include <QCommandLineParser>
#include <QDateTime>
#include <QFileDevice>
#include <QTextStream>

#include "commands.h"
#include "config/fileaccess.h"
#include "mbn/mbnprogram.h"
#include "mbn/tsrender.h"

namespace {

// Renders the stream a second at a time, so an hour of it never sits in
// memory; *why says how far it got when writing failed.
bool writeStream(QIODevice *device, TsRenderer &renderer, int seconds, QString *why)
{
    QByteArray piece;
    for (int second = 1; second <= seconds; ++second) {
        piece.clear();
        renderer.renderPackets(TsRenderer::PacketsPerSecond, &piece);
        // Written on after a short write: the next write meets the fault and
        // names it (a full disk, a reader that went away).
        qint64 written = 0;
        for (qint64 n = 0; written < piece.size(); written += n) {
            if ((n = device->write(piece.constData() + written, piece.size() - written)) <= 0)
                break;
        }
        if (written != piece.size()) {
            *why = QStringLiteral("only %1 of %2 bytes written after %3 s of the stream")
                       .arg(written)
                       .arg(piece.size())
                       .arg(second - 1);
            const auto *file = qobject_cast<const QFileDevice *>(device);
            if (file && file->error() != QFileDevice::NoError)
                *why += QLatin1String(": ") + file->errorString();
            return false;
        }
    }
    return true;
}

} // namespace

// velunor-cli ts FILE.mbn OUT.ts [--seconds N]
// Exit codes: 0 written, 1 the program is malformed (nothing written), 2 a file
// could not be read or written, or wrong arguments.
int runTs(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Renders a MUX binary as an MPEG-2 transport stream, as the multiplexer would play it "
        "out: every table section on its PID, repeated at its routine's interval (without "
        "interval instructions, at the default times of a new configuration), at a constant "
        "1000 packets per second with null packets in between. OUT is replaced only when the "
        "whole stream was written; '-' is the standard input or output."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the MUX binary to read (.mbn)"),
                                 QStringLiteral("ts FILE.mbn"));
    parser.addPositionalArgument(QStringLiteral("out"), QStringLiteral("the transport stream to write (.ts)"),
                                 QStringLiteral("OUT.ts"));
    const QCommandLineOption secondsOption(
        QStringLiteral("seconds"),
        QStringLiteral("Length of the stream in seconds, %1 to %2 (default 10).")
            .arg(TsRenderer::MinSeconds)
            .arg(TsRenderer::MaxSeconds),
        QStringLiteral("N"), QStringLiteral("10"));
    parser.addOption(secondsOption);
    parser.process(arguments);

    QTextStream err(stderr);
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2) {
        err << "velunor-cli ts: expected a MUX binary and an output file; see --help\n";
        return 2;
    }
    bool ok = false;
    const int seconds = parser.value(secondsOption).toInt(&ok);
    if (!ok || seconds < TsRenderer::MinSeconds || seconds > TsRenderer::MaxSeconds) {
        err << "velunor-cli ts: --seconds must be a whole number from " << TsRenderer::MinSeconds
            << " to " << TsRenderer::MaxSeconds << ", not '" << parser.value(secondsOption) << "'\n";
        return 2;
    }
    const QString fileName = files.at(0);
    const QString outName = files.at(1);
    if (const int refused = refuseOwnInput(QStringLiteral("ts"), fileName, outName))
        return refused;

    MbnProgram program;
    if (const int failed = readProgram(fileName, &program))
        return failed;
    TsRenderer renderer;
    if (!renderer.load(program))
        return reportMalformed(fileName, renderer.errorOffset(), renderer.errorString());
    renderer.setStartTime(QDateTime::currentDateTimeUtc());

    // OUT is either the whole new stream or, when it is a regular file, what
    // it was before.
    QString why;
    OutputFile out(outName);
    if (!out.open() || !out.write([&](QIODevice *device) { return writeStream(device, renderer, seconds, &why); })) {
        err << outName << ": error: cannot write: " << (why.isEmpty() ? out.errorString() : why) << '\n';
        return 2;
    }
    return 0;
}
