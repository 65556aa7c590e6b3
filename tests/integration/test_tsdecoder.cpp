// End to end: a configuration exported by `velunor-cli export`, rendered by
// `velunor-cli ts` and decoded by dvb_print_si (libbitstream's example
// decoder, not ours), which validates every section, CRC_32 included. What it
// finds is held against tests/data/ts/two-services.decoded.txt, printed by the
// decoder once and checked line by line against the configuration: services,
// names in three character sets, providers, PMT and elementary PIDs, stream
// types, CA, teletext, logical channels, network name and EIT events.

#include <QtTest>

#include <QDateTime>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "config/cfgreader.h"
#include "config/cfgwriter.h"
#include "tests/common/bytecompare.h"
#include "tests/common/filehelpers.h"

Q_DECLARE_METATYPE(TransportStreamCfg)

namespace {

const QString Decoder = QStringLiteral(VELUNOR_DVB_PRINT_SI);

TransportStreamCfg twoServices()
{
    CfgReader reader;
    TransportStreamCfg cfg;
    if (!reader.open(QStringLiteral(VELUNOR_TEST_DATA "/ts/two-services.mux")) || !reader.parse(&cfg))
        qWarning("two-services.mux: %s", qPrintable(reader.errorString()));
    return cfg;
}

// What the decoder printed, less the TDTs, one line per element with its
// attributes; the logical channel descriptor, which it shows only as bytes,
// decoded beside them (EACEM/NorDig layout: service_id 16, visible 1,
// reserved 5, logical_channel_number 10).
struct Decoded {
    QStringList lines;
    QList<QDateTime> tdtTimes;
    QStringList errors;
};

Decoded parseDecoderXml(const QByteArray &xml)
{
    Decoded d;
    QXmlStreamReader reader(xml);
    int depth = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement())
            --depth;
        if (!reader.isStartElement())
            continue;
        ++depth;
        const QString name = reader.name().toString();
        const QXmlStreamAttributes attributes = reader.attributes();
        if (name == QLatin1String("ERROR")) {
            QStringList parts;
            for (const QXmlStreamAttribute &a : attributes)
                parts << a.name().toString() + u'=' + a.value().toString();
            d.errors << parts.join(u' ');
            continue;
        }
        if (name == QLatin1String("TDT")) {
            d.tdtTimes << QDateTime::fromSecsSinceEpoch(attributes.value(QLatin1String("time")).toLongLong(),
                                                        Qt::UTC);
            continue;
        }
        if (name == QLatin1String("TS") && depth == 1)
            continue;
        QString line = QString(2 * (depth - 2), u' ') + name;
        for (const QXmlStreamAttribute &a : attributes)
            line += u' ' + a.name().toString() + QLatin1String("=\"") + a.value().toString() + u'"';
        d.lines << line;
        if (name == QLatin1String("DESC") && attributes.value(QLatin1String("id")) == QLatin1String("0x83")) {
            const QByteArray body = QByteArray::fromHex(attributes.value(QLatin1String("value")).toLatin1());
            for (int at = 0; at + 4 <= body.size(); at += 4) {
                const int sid = (quint8(body.at(at)) << 8) | quint8(body.at(at + 1));
                const int visible = quint8(body.at(at + 2)) >> 7;
                const int lcn = ((quint8(body.at(at + 2)) & 0x03) << 8) | quint8(body.at(at + 3));
                d.lines << QString(2 * (depth - 1), u' ')
                               + QStringLiteral("LCN sid=\"%1\" visible=\"%2\" number=\"%3\"").arg(sid).arg(visible).arg(lcn);
            }
        }
    }
    if (reader.hasError())
        d.errors << QStringLiteral("XML: ") + reader.errorString();
    return d;
}

struct DecoderRun {
    bool ok = false;
    QString failure;
    QByteArray xml;
};

DecoderRun decode(const QString &tsFile)
{
    DecoderRun r;
    QProcess p;
    p.setStandardInputFile(tsFile);
    p.start(Decoder, {QStringLiteral("-x"), QStringLiteral("xml")});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        r.failure = QStringLiteral("%1 did not finish cleanly: %2\n%3")
                        .arg(Decoder, p.errorString(), QString::fromLocal8Bit(p.readAllStandardError()));
        return r;
    }
    r.ok = true;
    r.xml = p.readAllStandardOutput();
    return r;
}

QString firstLineDifference(const QStringList &actual, const QStringList &expected)
{
    for (int i = 0; i < qMax(actual.size(), expected.size()); ++i) {
        const QString a = actual.value(i, QStringLiteral("<end>"));
        const QString e = expected.value(i, QStringLiteral("<end>"));
        if (a != e)
            return QStringLiteral("line %1\n  decoded:  %2\n  expected: %3\nall decoded:\n%4")
                .arg(i + 1)
                .arg(a, e, actual.join(u'\n'));
    }
    return QString();
}

} // namespace

class TestTsDecoder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void decodesWhatWasConfigured_data();
    void decodesWhatWasConfigured();
    void decoderCatchesACorruptSection();

private:
    QString renderStream(const TransportStreamCfg &cfg, const QString &name, int seconds);
    QTemporaryDir m_dir;
};

void TestTsDecoder::initTestCase()
{
    if (Decoder.isEmpty() || !QFileInfo(Decoder).isExecutable())
        QFAIL("dvb_print_si is not built: install libbitstream-dev (./scripts/dev.sh test installs it) "
              "and configure the build again");
    QVERIFY(m_dir.isValid());
}

// export then ts through the command-line tool, as a user would; the path of
// the stream, or empty after a failed check.
QString TestTsDecoder::renderStream(const TransportStreamCfg &cfg, const QString &name, int seconds)
{
    const QString mux = m_dir.filePath(name + QLatin1String(".mux"));
    const QString mbn = m_dir.filePath(name + QLatin1String(".mbn"));
    const QString ts = m_dir.filePath(name + QLatin1String(".ts"));
    if (!writeWholeFile(mux, CfgWriter::toText(cfg)))
        return QString();
    const CliRun exported = runCli({QStringLiteral("export"), mux, mbn});
    if (exported.exitCode != 0) {
        qWarning("export: %s", exported.err.constData());
        return QString();
    }
    const CliRun rendered = runCli({QStringLiteral("ts"), mbn, ts, QStringLiteral("--seconds"), QString::number(seconds)});
    if (rendered.exitCode != 0 || !rendered.err.isEmpty()) {
        qWarning("ts: %s", rendered.err.constData());
        return QString();
    }
    return ts;
}

void TestTsDecoder::decodesWhatWasConfigured_data()
{
    QTest::addColumn<TransportStreamCfg>("cfg");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("tdts");
    QTest::addColumn<bool>("realTime");

    TransportStreamCfg cfg = twoServices();
    QTest::newRow("static TDT, default repetition") << cfg << 3 << 1 << false;
    cfg.realTdt = true;
    QTest::newRow("real-time TDT") << cfg << 3 << 1 << true;
    cfg.playoutTimings = true;
    cfg.patTime = cfg.pmtTime = 100;
    cfg.sdtTime = 500;
    cfg.nitTime = cfg.eitTime = cfg.tdtTime = 1000;
    QTest::newRow("real-time TDT, playout timings") << cfg << 3 << 3 << true;
}

void TestTsDecoder::decodesWhatWasConfigured()
{
    QFETCH(TransportStreamCfg, cfg);
    QFETCH(int, seconds);
    QFETCH(int, tdts);
    QFETCH(bool, realTime);

    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    const QString ts = renderStream(cfg, QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_'), seconds);
    QVERIFY(!ts.isEmpty());
    const QDateTime after = QDateTime::currentDateTimeUtc().addSecs(seconds + 1);
    QCOMPARE(QFileInfo(ts).size(), qint64(seconds) * 1000 * 188);

    const DecoderRun run = decode(ts);
    QVERIFY2(run.ok, qPrintable(run.failure));
    const Decoded d = parseDecoderXml(run.xml);
    QVERIFY2(d.errors.isEmpty(), qPrintable(d.errors.join(u'\n')));

    const QStringList expected = QString::fromUtf8(readWholeFile(QStringLiteral(VELUNOR_TEST_DATA "/ts/two-services.decoded.txt")))
                                     .split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(!expected.isEmpty());
    const QString difference = firstLineDifference(d.lines, expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    QCOMPARE(d.tdtTimes.size(), tdts);
    for (int i = 0; i < d.tdtTimes.size(); ++i) {
        const QDateTime t = d.tdtTimes.at(i);
        if (realTime) {
            // The time of the run, one second further for each TDT after the first.
            QVERIFY2(t >= before && t <= after, qPrintable(t.toString(Qt::ISODate)));
            if (i > 0)
                QCOMPARE(d.tdtTimes.at(0).secsTo(t), qint64(i));
        } else {
            // The static TDT carries MJD 0, 1858-11-17, before 1900-03-01 where
            // the EN 300 468 Annex C conversion the decoder uses holds.
            QCOMPARE(t.date().year(), 1858);
            QCOMPARE(t.time(), QTime(0, 0));
        }
    }
}

// The decoder really checks: a stream whose first PAT has a broken CRC_32 is
// reported, and until the next PAT the EIT sections have no service to go to.
void TestTsDecoder::decoderCatchesACorruptSection()
{
    const QString ts = renderStream(twoServices(), QStringLiteral("corrupt"), 1);
    QVERIFY(!ts.isEmpty());
    QByteArray bytes = readWholeFile(ts);
    // Packet 0 is the PAT: 4 header bytes, pointer_field, then the section.
    QCOMPARE(bytes.left(5), QByteArray::fromHex("4740001000"));
    const int sectionLength = ((quint8(bytes.at(6)) & 0x0F) << 8) | quint8(bytes.at(7));
    bytes[5 + 3 + sectionLength - 1] = char(bytes.at(5 + 3 + sectionLength - 1) ^ 0x01);
    const QString corrupt = m_dir.filePath(QStringLiteral("corrupt-crc.ts"));
    QVERIFY(writeWholeFile(corrupt, bytes));

    const DecoderRun run = decode(corrupt);
    QVERIFY2(run.ok, qPrintable(run.failure));
    const Decoded d = parseDecoderXml(run.xml);
    QVERIFY2(!d.errors.isEmpty() && d.errors.first() == QLatin1String("type=invalid_pat"),
             qPrintable(d.errors.join(u'\n')));
    for (const QString &error : d.errors.mid(1))
        QVERIFY2(error.startsWith(QLatin1String("type=ghost_eit ")), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestTsDecoder)
#include "test_tsdecoder.moc"
