// Import of captures and MUX binaries: the command on captures of an
// independent muxer, round trips through our own export, damaged streams and
// the texts of EN 300 468 Annex A.

#include <QtTest>

#include <QBuffer>
#include <QRandomGenerator>

#include "config/cfgreader.h"
#include "config/cfgwriter.h"
#include "si/dvbtext.h"
#include "import/importer.h"
#include "mbn/mbnprogram.h"
#include "mbn/tsrender.h"
#include "psi/exportcheck.h"
#include "psi/psivmprogram.h"
#include "tests/common/filehelpers.h"

namespace {

constexpr int Packet = TsRenderer::PacketSize;
constexpr qint64 RendererBitrate = qint64(TsRenderer::PacketsPerSecond) * Packet * 8;
constexpr quint16 TransportStreamCfg::*Intervals[] = {&TransportStreamCfg::patTime, &TransportStreamCfg::nitTime,
                                                      &TransportStreamCfg::sdtTime, &TransportStreamCfg::eitTime,
                                                      &TransportStreamCfg::pmtTime, &TransportStreamCfg::tdtTime};

ImportResult importBytes(const QByteArray &ts, bool whole = false)
{
    QBuffer buffer;
    buffer.setData(ts);
    buffer.open(QIODevice::ReadOnly);
    ImportOptions options;
    options.bitrate = RendererBitrate;
    options.earlyStop = !whole;
    return importTransportStream(&buffer, options);
}

MbnProgram exported(const TransportStreamCfg &cfg)
{
    PsiVmProgram builder;
    MbnProgram program;
    if (!builder.buildProgram(cfg) || !program.parse(builder.program()))
        qFatal("the configuration does not export");
    return program;
}

QByteArray rendered(const TransportStreamCfg &cfg, int seconds)
{
    TsRenderer renderer;
    if (!renderer.load(exported(cfg)))
        qFatal("the program does not render");
    renderer.setStartTime(QDateTime(QDate(2024, 5, 17), QTime(12, 0), Qt::UTC));
    return renderer.render(seconds);
}

// A configuration the export carries whole, drawn from a seed: what a table
// that is off would carry keeps its default.
TransportStreamCfg generated(quint32 seed, bool withFilters)
{
    QRandomGenerator rnd(seed);
    auto chance = [&rnd](int percent) { return int(rnd.bounded(100)) < percent; };
    const QStringList names{"", "News 24", "Größe Welle", "Ελληνικά", "Radio \"1\"", "Ünïcødé ✓", "Two\nlines"};
    auto name = [&] { return names.at(rnd.bounded(int(names.size()))); };
    auto language = [&] {
        QString code;
        for (int i = 0; i < 3; ++i)
            code += QChar('a' + rnd.bounded(26));
        return code;
    };
    TransportStreamCfg cfg;
    cfg.id = quint16(rnd.bounded(65536));
    cfg.sdtEnabled = chance(80);
    cfg.nitEnabled = chance(80);
    cfg.eitEnabled = chance(80);
    cfg.tdtEnabled = chance(80);
    cfg.realTdt = cfg.tdtEnabled && chance(50);
    cfg.origId = cfg.sdtEnabled || cfg.nitEnabled ? quint16(rnd.bounded(65536)) : 0;
    if (cfg.nitEnabled) {
        cfg.netId = quint16(rnd.bounded(65536));
        cfg.netName = name();
        cfg.lcnProfile = int(rnd.bounded(4));
    }
    cfg.filterDefault = chance(50) ? ActionPass : ActionDrop;
    for (int i = withFilters ? int(rnd.bounded(4)) : 0; i > 0; --i) {
        FilterCfg f;
        f.input = int(rnd.bounded(5));
        f.a = rnd.bounded(8192);
        f.b = f.a + rnd.bounded(8192 - int(f.a));
        f.action = int(rnd.bounded(3));
        if (f.action == ActionRemap)
            f.newBase = (int(f.a) + 1 + int(rnd.bounded(8190))) % 8192;
        cfg.filters << f;
    }
    QList<int> kinds;
    for (int k = 0; k < 16; ++k)
        if (esTypeInfo(k))
            kinds << k;
    for (int i = int(rnd.bounded(17)); i > 0; --i) {
        ServiceCfg s;
        s.id = quint16(1 + cfg.services.size() * 3 + rnd.bounded(3));
        s.pmtPid = quint16(0x100 + cfg.services.size());
        s.pmtEnabled = chance(85);
        if (cfg.sdtEnabled) {
            s.type = serviceTypes().at(rnd.bounded(int(serviceTypes().size())))->type;
            s.providerName = name();
            s.serviceName = name();
        }
        if (cfg.eitEnabled && s.pmtEnabled) {
            s.eventName = name();
            s.eventText = name();
            s.language = language();
        }
        if (cfg.nitEnabled && chance(50)) {
            s.lcEnabled = true;
            s.lcVisible = chance(50);
            s.lcNumber = quint16(rnd.bounded(1000));
        }
        for (int e = s.pmtEnabled ? int(rnd.bounded(4)) : 0; e > 0; --e) {
            ESCfg es;
            es.type = kinds.at(rnd.bounded(int(kinds.size())));
            es.pid = quint16(0x200 + rnd.bounded(0x1000));
            const EsLanguage carried = esTypeInfo(es.type)->language;
            if (carried == EsLanguage::InDescriptor || (carried != EsLanguage::None && chance(50)))
                es.language = language();
            if (es.type == EsTeletext)
                es.teletextPage = int(rnd.bounded(1, 9)) * 100 + int(rnd.bounded(100));
            s.elements << es;
        }
        if (s.pmtEnabled) {
            s.pcrPid = s.elements.isEmpty() ? quint16(0x1000) : s.elements.first().pid;
            s.caEnabled = chance(30);
            if (s.caEnabled) {
                s.caId = quint16(rnd.bounded(65536));
                s.ecmPid = quint16(0x1100 + rnd.bounded(0xEFF));
            }
        }
        cfg.services << s;
    }
    while (!exportProblems(cfg).isEmpty())
        cfg.services.removeLast();
    return cfg;
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Export, then import the MUX binary or the stream it plays out: the same
    // configuration once the intervals are those import reports.
    void roundTrip_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<bool>("viaStream");
        for (quint32 seed = 1; seed <= 12; ++seed) {
            QTest::addRow("seed %u, MUX binary", seed) << seed << false;
            QTest::addRow("seed %u, transport stream", seed) << seed << true;
        }
    }
    void roundTrip()
    {
        QFETCH(quint32, seed);
        QFETCH(bool, viaStream);
        TransportStreamCfg cfg = generated(seed, !viaStream);
        cfg.playoutTimings = !viaStream && seed % 2;
        cfg.eitTime = 2 * (cfg.eitTime / 2);
        const ImportResult result = viaStream ? importBytes(rendered(cfg, 32)) : importProgram(exported(cfg));
        QCOMPARE(result.status, ImportResult::Imported);
        TransportStreamCfg expected = cfg;
        expected.playoutTimings = result.cfg.playoutTimings;
        for (quint16 TransportStreamCfg::*time : Intervals)
            if (viaStream || !cfg.playoutTimings)
                expected.*time = result.cfg.*time;
        if (viaStream) // the played-out stream has no filter table
            expected.filterDefault = result.cfg.filterDefault;
        // The EIT switch shows only through services that send one.
        expected.eitEnabled = cfg.eitEnabled
            && std::any_of(cfg.services.cbegin(), cfg.services.cend(), [](const ServiceCfg &s) { return s.pmtEnabled; });
        QCOMPARE(CfgWriter::toText(result.cfg), CfgWriter::toText(expected));
        QVERIFY(result.cfg == expected); // the teletext page too, which the text leaves out
        if (viaStream && cfg.patEnabled) // timed by the rate: the PAT at its default 475 ms, to the packet
            QCOMPARE(result.cfg.patTime, quint16(475));
    }

    // Damage done to a clean stream of tests/data/psi/all-tables.mux.
    void damaged_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QTest::addColumn<bool>("whole");
        QTest::newRow("none") << "" << int(ImportResult::Imported) << "" << true;
        QTest::newRow("a partial packet first") << "lead" << int(ImportResult::Imported) << "" << true;
        QTest::newRow("192-byte packets") << "192" << int(ImportResult::Imported) << "" << true;
        QTest::newRow("204-byte packets") << "204" << int(ImportResult::Imported) << "" << true;
        QTest::newRow("truncated packets") << "truncate" << int(ImportResult::Imported) << "sync was lost" << true;
        QTest::newRow("bad CRC in every SDT") << "crc 0x0011" << int(ImportResult::Imported) << "sections on PID 0x0011 with a CRC_32" << false;
        QTest::newRow("bad CRC in every PAT") << "crc 0x0000" << int(ImportResult::NothingFound) << "no PAT" << false;
        QTest::newRow("changing version") << "version" << int(ImportResult::Imported) << "its last complete version 1 is kept" << false;
        QTest::newRow("no PAT") << "drop 0x0000" << int(ImportResult::NothingFound) << "no PAT" << false;
        QTest::newRow("only null packets") << "nulls" << int(ImportResult::NothingFound) << "no PAT" << false;
        QTest::newRow("no packets") << "text" << int(ImportResult::NothingFound) << "no transport stream packets" << false;
    }
    void damaged()
    {
        QFETCH(QString, damage);
        QFETCH(int, status);
        QFETCH(QString, says);
        QFETCH(bool, whole);
        CfgReader reader;
        TransportStreamCfg cfg;
        QVERIFY(reader.open(QStringLiteral(VELUNOR_TEST_DATA "/psi/all-tables.mux")) && reader.parse(&cfg));
        const QByteArray clean = rendered(cfg, 31);
        const ImportResult good = importBytes(clean, true);
        QByteArray ts;
        const int pid = damage.section(' ', 1).toInt(nullptr, 16);
        for (int at = 0; at < clean.size(); at += Packet) {
            QByteArray p = clean.mid(at, Packet);
            const int packetPid = ((quint8(p[1]) & 0x1F) << 8) | quint8(p[2]);
            if (damage.startsWith("crc") && packetPid == pid && (p[1] & 0x40))
                p[5 + 3 + (((quint8(p[6]) & 0x0F) << 8) | quint8(p[7])) - 1] ^= 0x01; // the last CRC_32 byte
            if (damage == "version" && packetPid == 0x0011 && at > clean.size() / 2) {
                p[5 + 5] = char(0xC3); // version_number 1, current
                p.replace(p.indexOf("News 24"), 7, "News 25");
                const int end = 5 + 3 + (((quint8(p[6]) & 0x0F) << 8) | quint8(p[7]));
                const quint32 crc = mpegCrc32(p.constData() + 5, end - 4 - 5);
                for (int i = 0; i < 4; ++i)
                    p[end - 4 + i] = char(crc >> (24 - 8 * i));
            }
            if (damage.startsWith("drop") && packetPid == pid)
                p = QByteArray::fromHex("471FFF10") + QByteArray(184, '\xFF');
            if (damage == "nulls")
                p = QByteArray::fromHex("471FFF10") + QByteArray(184, '\xFF');
            if (damage == "truncate" && (at / Packet) % 7 == 3)
                p.truncate(100);
            ts += (damage == "192" ? QByteArray(4, '\x12') : QByteArray()) + p + (damage == "204" ? QByteArray(16, '\x47') : QByteArray());
        }
        if (damage == "lead")
            ts.prepend(clean.right(100));
        if (damage == "text")
            ts = testData("psi/all-tables.mux");
        ImportResult result = importBytes(ts, true);
        QCOMPARE(int(result.status), status);
        const QString said = result.error + result.warnings.join('\n');
        QVERIFY2(said.contains(says), qPrintable(said));
        for (quint16 TransportStreamCfg::*time : Intervals)
            result.cfg.*time = good.cfg.*time; // lost packets shift the measured intervals
        QCOMPARE(result.cfg == good.cfg, whole);
        QVERIFY(damage != "version" || result.cfg.services.value(0).serviceName == "News 25");
    }

    // tests/data/import/texts.txt: row | hex bytes | the text | what is reported.
    void texts_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("problem");
        for (const QString &line : QString::fromUtf8(testData("import/texts.txt")).split('\n', Qt::SkipEmptyParts)) {
            const QStringList cells = line.split('|');
            if (!line.startsWith('#'))
                QTest::newRow(qPrintable(cells.at(0).trimmed())) << QByteArray::fromHex(cells.at(1).toLatin1())
                                                                 << cells.at(2).trimmed().replace("\\n", "\n") << cells.at(3).trimmed();
        }
    }
    void texts()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QString, problem);
        QString reported;
        QCOMPARE(decodeDvbText(bytes.constData(), int(bytes.size()), &reported), text);
        QVERIFY2(problem.isEmpty() ? reported.isEmpty() : reported.contains(problem), qPrintable(reported));
    }
};

QTEST_MAIN(TestImport)
#include "test_import.moc"
