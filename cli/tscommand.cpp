#include <QCommandLineParser>
#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include "cli/commands.h"
#include "config/savefile.h"
#include "psi/mbnprogram.h"
#include "psi/tsrender.h"

namespace {

// Offsets are 16 bits and copies at most 16383 bytes long, so no program
// reaches beyond 80 KiB; a far larger file is not a MUX binary and is not
// read whole (the same bound as velunor-cli dump).
constexpr qint64 LargestFile = 1 << 20;

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

    QFile in(fileName);
    if (!in.open(QIODevice::ReadOnly)) {
        err << fileName << ": error: " << in.errorString() << '\n';
        return 2;
    }
    const QByteArray bytes = in.read(LargestFile + 1);
    if (in.error() != QFileDevice::NoError) {
        err << fileName << ": error: " << in.errorString() << '\n';
        return 2;
    }

    // Worded like velunor-cli dump, so both point at the same byte.
    auto malformed = [&](int offset, const QString &reason) {
        err << fileName << ": error at offset 0x"
            << QStringLiteral("%1").arg(qMax(0, offset), 4, 16, QLatin1Char('0')) << ": " << reason << '\n';
        return 1;
    };
    if (bytes.size() > LargestFile)
        return malformed(int(LargestFile), QStringLiteral("the file is larger than any MUX binary"));
    MbnProgram program;
    if (!program.parse(bytes))
        return malformed(program.errorOffset(), program.errorString());
    TsRenderer renderer;
    if (!renderer.load(program))
        return malformed(renderer.errorOffset(), renderer.errorString());
    renderer.setStartTime(QDateTime::currentDateTimeUtc());

    QString error;
    if (!writeStream(outName, renderer, seconds, &error)) {
        err << outName << ": error: cannot write: " << error << '\n';
        return 2;
    }
    return 0;
}
