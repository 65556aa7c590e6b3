// End to end: a configuration exported and rendered by velunor-cli, decoded by
// dvb_print_si (libbitstream's example decoder, not ours), which validates
// every section, CRC_32 included; what it prints is held against
// tests/data/ts/<name>.decoded.txt. Where ffprobe is installed, it must name
// the codec of each elementary stream from the PMT alone.

#include <QtTest>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "config/cfgreader.h"
#include "config/cfgwriter.h"
#include "tests/common/filehelpers.h"

namespace {

// dvb_print_si's XML, one line per element with its attributes, ERRORs and TDT
// times (seconds since the epoch) apart. The logical channel descriptor, only
// bytes to it, is decoded beside (service_id 16, visible 1, reserved 5, number 10).
void decode(const QString &tsFile, QStringList *lines, QStringList *errors, QList<qint64> *tdtTimes)
{
    QProcess p;
    p.setStandardInputFile(tsFile);
    p.start(QStringLiteral(VELUNOR_DVB_PRINT_SI), {QStringLiteral("-x"), QStringLiteral("xml")});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        *errors << QStringLiteral("dvb_print_si failed: ") + p.errorString() + QString::fromLocal8Bit(p.readAllStandardError());
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
        if (name == QLatin1String("TDT"))
            *tdtTimes << attributes.value(QLatin1String("time")).toLongLong();
        else
            *(name == QLatin1String("ERROR") ? errors : lines) << line;
        const QByteArray lcn = name == QLatin1String("DESC") && attributes.value(QLatin1String("id")) == QLatin1String("0x83")
            ? QByteArray::fromHex(attributes.value(QLatin1String("value")).toLatin1()) : QByteArray();
        const auto b = [&](int at) { return int(quint8(lcn.at(at))); };
        for (int at = 0; at + 4 <= lcn.size(); at += 4)
            *lines << QString(2 * (depth - 1), u' ') + QStringLiteral("LCN sid=\"%1\" visible=\"%2\" number=\"%3\"")
                          .arg(b(at) << 8 | b(at + 1)).arg(b(at + 2) >> 7).arg((b(at + 2) & 0x03) << 8 | b(at + 3));
    }
    if (reader.hasError())
        *errors << QStringLiteral("XML: ") + reader.errorString();
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
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("decoded");
    QTest::addColumn<bool>("realTdt"); // with playout timings: three TDTs in 3 s
    QTest::addColumn<QString>("codecs"); // ffprobe's codec names and PIDs, sorted; empty: not asked
    const QString two = QStringLiteral("ts/two-services.mux"), twoDecoded = QStringLiteral("ts/two-services.decoded.txt");
    QTest::newRow("static TDT, default repetition") << two << twoDecoded << false << QString();
    QTest::newRow("real-time TDT, playout timings") << two << twoDecoded << true << QString();
    QTest::newRow("every element kind") << QStringLiteral("psi/every-kind.mux") << QStringLiteral("ts/every-kind.decoded.txt")
                                        << false << QString::fromUtf8(testData(QStringLiteral("ts/every-kind.codecs.txt")));
}

void TestTsDecoder::decodesWhatWasConfigured()
{
    QFETCH(QString, source);
    QFETCH(QString, decoded);
    QFETCH(bool, realTdt);
    QFETCH(QString, codecs);
    QVERIFY2(QFileInfo(QStringLiteral(VELUNOR_DVB_PRINT_SI)).isExecutable(), "dvb_print_si is not built: install "
             "libbitstream-dev (./scripts/dev.sh test installs it) and configure the build again");
    CfgReader reader;
    TransportStreamCfg cfg;
    QVERIFY2(reader.open(QStringLiteral(VELUNOR_TEST_DATA "/") + source) && reader.parse(&cfg),
             qPrintable(reader.errorString()));
    cfg.realTdt = cfg.playoutTimings = realTdt;
    cfg.tdtTime = 1000;

    // export then ts through the command-line tool, as a user would.
    QTemporaryDir dir;
    const QString mux = dir.filePath(QStringLiteral("in.mux")), mbn = dir.filePath(QStringLiteral("in.mbn"));
    const QString ts = dir.filePath(QStringLiteral("out.ts"));
    QVERIFY(writeWholeFile(mux, CfgWriter::toText(cfg)));
    for (const CliRun &r : {runCli({QStringLiteral("export"), mux, mbn}),
                            runCli({QStringLiteral("ts"), mbn, ts, QStringLiteral("--seconds=3")})})
        QVERIFY2(r.exitCode == 0 && r.err.isEmpty(), r.err.constData());
    QStringList lines, errors;
    QList<qint64> tdtTimes;
    decode(ts, &lines, &errors, &tdtTimes);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));
    QCOMPARE(lines.join(u'\n'), QString::fromUtf8(testData(decoded)).trimmed());
    // Static: UTC_time zero, MJD 0, which the decoder's Annex C conversion (valid
    // from 1900-03-01 on) makes 1858-11-19 00:00; real-time: one second further per TDT.
    QCOMPARE(tdtTimes.size(), realTdt ? 3 : 1);
    for (int i = 0; i < tdtTimes.size(); ++i)
        QCOMPARE(tdtTimes.at(i), realTdt ? tdtTimes.first() + i : qint64(-3506544000));

    if (codecs.isEmpty())
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
    QCOMPARE(streams.join(u'\n'), codecs.trimmed());
}


QTEST_GUILESS_MAIN(TestTsDecoder)
#include "test_tsdecoder.moc"
