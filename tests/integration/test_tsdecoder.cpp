// End to end: a configuration exported and rendered by velunor-cli, decoded by
// dvb_print_si (libbitstream's example decoder, not ours), which validates
// every section, CRC_32 included. What it prints is held against
// tests/data/ts/two-services.decoded.txt: services, names in three character
// sets, providers, PMT and elementary PIDs, stream types, CA, teletext,
// logical channels, network name and EIT events.

#include <QtTest>

#include <QDateTime>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "config/cfgreader.h"
#include "config/cfgwriter.h"
#include "tests/common/filehelpers.h"

Q_DECLARE_METATYPE(TransportStreamCfg)

namespace {

const QString Decoder = QStringLiteral(VELUNOR_DVB_PRINT_SI);

struct Decoded {
    QStringList lines;
    QStringList errors;
    QList<QDateTime> tdtTimes;
};

// dvb_print_si's XML, one line per element with its attributes; ERRORs and
// TDT times apart. The logical channel descriptor, which it shows only as
// bytes, is decoded beside them (service_id 16, visible 1, reserved 5,
// logical_channel_number 10).
Decoded decode(const QString &tsFile)
{
    Decoded d;
    QProcess p;
    p.setStandardInputFile(tsFile);
    p.start(Decoder, {QStringLiteral("-x"), QStringLiteral("xml")});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        d.errors << QStringLiteral("dvb_print_si did not finish cleanly: ") + p.errorString()
                        + QString::fromLocal8Bit(p.readAllStandardError());
        return d;
    }
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
        if (name == QLatin1String("ERROR"))
            d.errors << line;
        else if (name == QLatin1String("TDT"))
            d.tdtTimes << QDateTime::fromSecsSinceEpoch(attributes.value(QLatin1String("time")).toLongLong(), Qt::UTC);
        else
            d.lines << line;
        if (name != QLatin1String("DESC") || attributes.value(QLatin1String("id")) != QLatin1String("0x83"))
            continue;
        const QByteArray body = QByteArray::fromHex(attributes.value(QLatin1String("value")).toLatin1());
        for (int at = 0; at + 4 <= body.size(); at += 4)
            d.lines << QString(2 * (depth - 1), u' ')
                           + QStringLiteral("LCN sid=\"%1\" visible=\"%2\" number=\"%3\"")
                                 .arg((quint8(body.at(at)) << 8) | quint8(body.at(at + 1)))
                                 .arg(quint8(body.at(at + 2)) >> 7)
                                 .arg(((quint8(body.at(at + 2)) & 0x03) << 8) | quint8(body.at(at + 3)));
    }
    if (reader.hasError())
        d.errors << QStringLiteral("XML: ") + reader.errorString();
    return d;
}

} // namespace

class TestTsDecoder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void decodesWhatWasConfigured_data();
    void decodesWhatWasConfigured();

private:
    QTemporaryDir m_dir;
};

void TestTsDecoder::initTestCase()
{
    if (Decoder.isEmpty() || !QFileInfo(Decoder).isExecutable())
        QFAIL("dvb_print_si is not built: install libbitstream-dev (./scripts/dev.sh test installs it) "
              "and configure the build again");
    QVERIFY(m_dir.isValid());
}

void TestTsDecoder::decodesWhatWasConfigured_data()
{
    QTest::addColumn<TransportStreamCfg>("cfg");
    QTest::addColumn<int>("tdts");
    QTest::addColumn<QString>("errors"); // the decoder's ERROR lines match it; not empty: PAT CRC_32 flipped

    CfgReader reader;
    TransportStreamCfg cfg;
    QVERIFY2(reader.open(QStringLiteral(VELUNOR_TEST_DATA "/ts/two-services.mux")) && reader.parse(&cfg),
             qPrintable(reader.errorString()));
    QTest::newRow("static TDT, default repetition") << cfg << 1 << QString();
    // The decoder really checks: a first PAT with a broken CRC_32 is reported,
    // and until the next PAT the EIT sections have no service to go to.
    QTest::newRow("first PAT's CRC_32 flipped")
        << cfg << 1 << QStringLiteral("ERROR type=\"invalid_pat\"(\nERROR type=\"ghost_eit\" .*)*");
    cfg.realTdt = true;
    QTest::newRow("real-time TDT") << cfg << 1 << QString();
    cfg.playoutTimings = true;
    cfg.patTime = cfg.pmtTime = 100;
    cfg.sdtTime = 500;
    cfg.nitTime = cfg.eitTime = cfg.tdtTime = 1000;
    QTest::newRow("real-time TDT, playout timings") << cfg << 3 << QString();
}

void TestTsDecoder::decodesWhatWasConfigured()
{
    QFETCH(TransportStreamCfg, cfg);
    QFETCH(int, tdts);
    QFETCH(QString, errors);

    const int seconds = 3;
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    // export then ts through the command-line tool, as a user would.
    const QString mux = m_dir.filePath(QStringLiteral("in.mux")), mbn = m_dir.filePath(QStringLiteral("in.mbn"));
    const QString ts = m_dir.filePath(QStringLiteral("out.ts"));
    QVERIFY(writeWholeFile(mux, CfgWriter::toText(cfg)));
    for (const CliRun &r : {runCli({QStringLiteral("export"), mux, mbn}),
                            runCli({QStringLiteral("ts"), mbn, ts, QStringLiteral("--seconds=%1").arg(seconds)})})
        QVERIFY2(r.exitCode == 0 && r.err.isEmpty(), r.err.constData());
    const QDateTime after = QDateTime::currentDateTimeUtc().addSecs(seconds + 1);
    QCOMPARE(QFileInfo(ts).size(), qint64(seconds) * 1000 * 188);

    QByteArray bytes = readWholeFile(ts);
    // Packet 0 is the PAT: 4 header bytes, pointer_field, then the section.
    QCOMPARE(bytes.left(5), QByteArray::fromHex("4740001000"));
    const int crcEnd = 5 + 3 + (((quint8(bytes.at(6)) & 0x0F) << 8) | quint8(bytes.at(7)));
    bytes[crcEnd - 1] = char(bytes.at(crcEnd - 1) ^ (errors.isEmpty() ? 0x00 : 0x01));
    QVERIFY(writeWholeFile(ts, bytes));

    const Decoded d = decode(ts);
    const QRegularExpression errorsPattern(QRegularExpression::anchoredPattern(errors));
    QVERIFY2(errorsPattern.match(d.errors.join(u'\n')).hasMatch(), qPrintable(d.errors.join(u'\n')));
    const QStringList expected = QString::fromUtf8(testData(QStringLiteral("ts/two-services.decoded.txt")))
                                     .split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(!expected.isEmpty());
    for (int i = 0; errors.isEmpty() && i < qMax(d.lines.size(), expected.size()); ++i) // the PAT comes late
        QVERIFY2(d.lines.value(i) == expected.value(i),
                 qPrintable(QStringLiteral("line %1\n  decoded:  %2\n  expected: %3\nall decoded:\n%4")
                                .arg(i + 1)
                                .arg(d.lines.value(i), expected.value(i), d.lines.join(u'\n'))));

    QCOMPARE(d.tdtTimes.size(), tdts);
    for (int i = 0; i < d.tdtTimes.size(); ++i) {
        const QDateTime t = d.tdtTimes.at(i);
        if (cfg.realTdt) {
            // The time of the run, one second further for each TDT after the first.
            QVERIFY2(t >= before && t <= after, qPrintable(t.toString(Qt::ISODate)));
            QCOMPARE(d.tdtTimes.first().secsTo(t), qint64(i));
        } else {
            // MJD 0, 1858-11-17, before 1900-03-01 where the EN 300 468 Annex C
            // conversion the decoder uses holds.
            QCOMPARE(t.date().year(), 1858);
            QCOMPARE(t.time(), QTime(0, 0));
        }
    }
}

QTEST_GUILESS_MAIN(TestTsDecoder)
#include "test_tsdecoder.moc"
