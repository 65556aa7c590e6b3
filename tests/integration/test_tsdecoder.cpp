// End to end: every golden MUX binary under tests/data (and a configuration
// exported by velunor-cli) rendered by `velunor-cli ts` and decoded by
// dvb_print_si (libbitstream's example decoder, not ours), which validates
// every section, CRC_32 included; its output is held against NAME.decoded.txt.
// Where ffprobe is installed and NAME.codecs.txt exists, ffprobe must name the
// codec of each elementary stream from the PMT alone.

#include <QtTest>

#include <QDirIterator>
#include <QStandardPaths>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "tests/common/filehelpers.h"
#include "tests/common/linecompare.h"

namespace {

// dvb_print_si's XML, one line per element with its attributes (ERRORs too: an
// EIT without an SDT is a ghost EIT); a real-time TDT in seconds after the
// first. The logical channel descriptor, only bytes to it, is decoded beside
// (service_id 16, visible 1, reserved 5, number 10).
QStringList decode(const QString &tsFile, qint64 *realTimeStart)
{
    QStringList lines;
    QProcess p;
    p.setStandardInputFile(tsFile);
    p.start(QStringLiteral(VELUNOR_DVB_PRINT_SI), {QStringLiteral("-x"), QStringLiteral("xml")});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        lines << QStringLiteral("dvb_print_si failed: ") + p.errorString() + QString::fromLocal8Bit(p.readAllStandardError());
    QXmlStreamReader reader(p.readAllStandardOutput());
    for (int depth = 0; !reader.atEnd();) {
        reader.readNext();
        depth += reader.isStartElement() ? 1 : reader.isEndElement() ? -1 : 0;
        if (!reader.isStartElement() || depth == 1)
            continue;
        const QString name = reader.name().toString();
        const QXmlStreamAttributes attributes = reader.attributes();
        QString line = QString(2 * (depth - 2), u' ') + name;
        for (const QXmlStreamAttribute &a : attributes)
            line += u' ' + a.name().toString() + QLatin1String("=\"") + a.value().toString() + u'"';
        // A static TDT is MJD 0, which the decoder's Annex C conversion makes 1858-11-19.
        if (name == QLatin1String("TDT") && attributes.value(QLatin1String("time")) != QLatin1String("-3506544000")) {
            const qint64 time = attributes.value(QLatin1String("time")).toLongLong();
            *realTimeStart = *realTimeStart ? *realTimeStart : time;
            line = QStringLiteral("TDT +%1 s").arg(time - *realTimeStart);
        }
        lines << line;
        const QByteArray lcn = name == QLatin1String("DESC") && attributes.value(QLatin1String("id")) == QLatin1String("0x83")
            ? QByteArray::fromHex(attributes.value(QLatin1String("value")).toLatin1()) : QByteArray();
        const auto b = [&](int at) { return int(quint8(lcn.at(at))); };
        for (int at = 0; at + 4 <= lcn.size(); at += 4)
            lines << QString(2 * (depth - 1), u' ') + QStringLiteral("LCN sid=\"%1\" visible=\"%2\" number=\"%3\"")
                          .arg(b(at) << 8 | b(at + 1)).arg(b(at + 2) >> 7).arg((b(at + 2) & 0x03) << 8 | b(at + 3));
    }
    if (reader.hasError())
        lines << QStringLiteral("XML: ") + reader.errorString();
    return lines;
}

} // namespace

class TestTsDecoder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodesWhatWasConfigured_data();
    void decodesWhatWasConfigured();
};

void TestTsDecoder::decodesWhatWasConfigured_data()
{
    QTest::addColumn<QString>("input"); // under tests/data; a .mux is exported first
    const QDir data(QStringLiteral(VELUNOR_TEST_DATA));
    QStringList inputs{QStringLiteral("ts/two-services.mux")};
    for (QDirIterator it(data.path(), {QStringLiteral("*.mbn")}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        inputs << data.relativeFilePath(it.next());
    inputs.sort();
    for (const QString &input : inputs)
        QTest::newRow(qPrintable(input)) << input;
}

void TestTsDecoder::decodesWhatWasConfigured()
{
    QFETCH(QString, input);
    QVERIFY2(QFileInfo(QStringLiteral(VELUNOR_DVB_PRINT_SI)).isExecutable(), "dvb_print_si is not built: install "
             "libbitstream-dev (./scripts/dev.sh test installs it) and configure the build again");
    // export and ts through the command-line tool, as a user would.
    QTemporaryDir dir;
    const QString source = QStringLiteral(VELUNOR_TEST_DATA "/") + input, ts = dir.filePath(QStringLiteral("out.ts"));
    const QString mbn = input.endsWith(QLatin1String(".mux")) ? dir.filePath(QStringLiteral("in.mbn")) : source;
    for (const CliRun &r : {mbn == source ? CliRun{0, {}, {}} : runCli({QStringLiteral("export"), source, mbn}),
                            runCli({QStringLiteral("ts"), mbn, ts, QStringLiteral("--seconds=3")})})
        QVERIFY2(r.exitCode == 0 && r.err.isEmpty(), r.err.constData());
    qint64 realTimeStart = 0;
    const QByteArray decoded = decode(ts, &realTimeStart).join(u'\n').toUtf8() + '\n';
    QVERIFY(!realTimeStart || qAbs(realTimeStart - QDateTime::currentSecsSinceEpoch()) < 600);
    const QString golden = input.left(input.lastIndexOf(u'.')) + QStringLiteral(".decoded.txt");
    if (qEnvironmentVariableIsSet("VELUNOR_UPDATE_GOLDEN"))
        QVERIFY(writeWholeFile(QStringLiteral(VELUNOR_TEST_DATA "/") + golden, decoded));
    COMPARE_LINES(decoded, testData(golden));

    const QString codecs = input.left(input.lastIndexOf(u'.')) + QStringLiteral(".codecs.txt");
    if (!QFile::exists(QStringLiteral(VELUNOR_TEST_DATA "/") + codecs))
        return;
    const QString ffprobe = QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
    if (ffprobe.isEmpty())
        QSKIP("ffprobe is not installed (Debian package ffmpeg)");
    QProcess p;
    p.start(ffprobe, {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                      QStringLiteral("stream=id,codec_name"), QStringLiteral("-of"), QStringLiteral("csv=p=0"), ts});
    QVERIFY(p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0);
    QStringList streams = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    streams.sort(); // listed under each program and again alone
    streams.removeDuplicates();
    QCOMPARE(streams.join(u'\n'), QString::fromUtf8(testData(codecs)).trimmed());
}

QTEST_GUILESS_MAIN(TestTsDecoder)
#include "test_tsdecoder.moc"
