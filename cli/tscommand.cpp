#include <QCommandLineParser>
#include <QDateTime>
#include <QSaveFile>
#include <QTextStream>

#include "commands.h"
#include "config/savefile.h"
#include "mbn/mbnprogram.h"
#include "mbn/tsrender.h"

namespace {

// Writes the stream a second at a time, so an hour of it never sits in
// memory, through one QSaveFile: the last piece goes through commitGuarded,
// and any short write before it cancels the file, so OUT is either the whole
// new stream or what it was before.
bool writeStream(const QString &outName, TsRenderer &renderer, int seconds, QString *error)
{
    QSaveFile file(outName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    QByteArray piece;
    for (int second = 1; second <= seconds; ++second) {
        piece.clear();
        renderer.renderPackets(TsRenderer::PacketsPerSecond, &piece);
        if (second == seconds)
            return commitGuarded(file, piece, error);
        const qint64 written = file.write(piece);
        if (written != piece.size()) {
            // A short write sets no error on the device; say what happened.
            *error = QStringLiteral("only %1 of %2 bytes written after %3 s of the stream")
                         .arg(qMax<qint64>(0, written))
                         .arg(piece.size())
                         .arg(second - 1);
            if (file.error() != QFileDevice::NoError)
                *error += QLatin1String(": ") + file.errorString();
            file.cancelWriting();
            return false;
        }
    }
    return false; // not reached: seconds >= 1
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
        "whole stream was written."));
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

    MbnProgram program;
    if (const int failed = readProgram(fileName, &program))
        return failed;
    TsRenderer renderer;
    if (!renderer.load(program))
        return reportMalformed(fileName, renderer.errorOffset(), renderer.errorString());
    renderer.setStartTime(QDateTime::currentDateTimeUtc());

    QString error;
    if (!writeStream(outName, renderer, seconds, &error)) {
        err << outName << ": error: cannot write: " << error << '\n';
        return 2;
    }
    return 0;
}
