#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "config/cfgreader.h"
#include "fuzz/cfgroundtrip.h"
#include "tests/config/cfgtesthelpers.h"

Q_DECLARE_METATYPE(TransportStreamCfg)

namespace {

QString randomText(QRandomGenerator &rng)
{
    // Pieces that stress quoting, escapes, trimming and the encoding.
    static const QString pieces[] = {
        QStringLiteral("a"), QStringLiteral("News 24"), QStringLiteral("'"), QStringLiteral("\\"),
        QStringLiteral("\\'"), QStringLiteral("\\\\"), QStringLiteral("\n"), QStringLiteral("\r\n"),
        QStringLiteral(" "), QStringLiteral("\t"), QString::fromUtf8("é"), QString::fromUtf8("日本"),
        QString::fromUtf8("😀"), QStringLiteral("{"), QStringLiteral("}"), QStringLiteral(";"),
        QStringLiteral("="), QStringLiteral("\""), QStringLiteral("\u00a0"), QString(QChar(0)),
        QString::fromUtf8("ÿ"), QStringLiteral("0x1F"),
    };
    QString s;
    for (int i = int(rng.bounded(7)); i > 0; --i)
        s += pieces[rng.bounded(int(std::size(pieces)))];
    return s;
}

// Every field at a random value inside its key's range.
TransportStreamCfg randomDocument(QRandomGenerator &rng)
{
    auto n = [&](int min, int max) { return min + int(rng.bounded(max - min + 1)); };
    auto coin = [&] { return rng.bounded(2) == 1; };
    TransportStreamCfg c;
    c.id = quint16(n(0, 65535));
    c.origId = quint16(n(0, 65535));
    c.netId = quint16(n(0, 65535));
    c.netName = randomText(rng);
    c.caEnabled = coin();
    c.caId = quint16(n(0, 65535));
    c.emmPid = quint16(n(0, 8190));
    c.patEnabled = coin();
    c.sdtEnabled = coin();
    c.nitEnabled = coin();
    c.eitEnabled = coin();
    c.tdtEnabled = coin();
    c.patTime = quint16(n(25, 500));
    c.nitTime = quint16(n(25, 10000));
    c.sdtTime = quint16(n(25, 2000));
    c.eitTime = quint16(n(25, 2000));
    c.pmtTime = quint16(n(25, 500));
    c.tdtTime = quint16(n(25, 30000));
    c.realTdt = coin();
    c.playoutTimings = coin();
    c.filterDefault = n(0, 2);
    for (int i = n(0, 4); i > 0; --i)
        c.filters.append(FilterCfg{n(0, 1), n(0, 4), quint32(n(0, 8191)), quint32(n(0, 8191)), n(0, 2), n(0, 8191)});
    for (int i = n(0, 5); i > 0; --i) {
        ServiceCfg s;
        s.id = quint16(n(0, 65535));
        s.type = n(0, 65535);
        s.providerName = randomText(rng);
        s.serviceName = randomText(rng);
        s.eventName = randomText(rng);
        s.eventText = randomText(rng);
        s.language = randomText(rng);
        s.pmtPid = quint16(n(0, 8190));
        s.pcrPid = quint16(n(0, 8190));
        s.caEnabled = coin();
        s.caId = quint16(n(0, 65535));
        s.ecmPid = quint16(n(0, 8190));
        s.pmtEnabled = coin();
        s.lcEnabled = coin();
        s.lcVisible = coin();
        s.lcNumber = quint16(n(0, 999));
        for (int m = n(0, 4); m > 0; --m)
            s.elements.append(ESCfg{n(0, 65535), quint16(n(0, 8190)), randomText(rng), n(100, 899)});
        c.services.append(s);
    }
    return c;
}

// One document for the layout of every block: escapes, trimming, UTF-8, the
// three filter actions, a service with and one without ca and logical channel,
// the stream's ca block, and values outside the keys' ranges (written as they
// are, in decimal: signed where the field is signed).
TransportStreamCfg layoutDocument()
{
    TransportStreamCfg c;
    c.caEnabled = true;
    c.caId = 2816;
    c.emmPid = 900;
    c.realTdt = c.playoutTimings = true;
    c.filters = {FilterCfg{MatchRange, 0, 0, 8191, ActionDrop, 77}, // new-base not written: no remap
                 FilterCfg{MatchRange, 0, 0, 8191, ActionPass, 77},
                 FilterCfg{MatchMask, 4, 0x1F00, 0x0100, ActionRemap, 0},
                 FilterCfg{MatchRange, 0, 0xFFFFFFFFu, 8191, ActionRemap, -1}};
    ServiceCfg plain;
    plain.id = 65535;
    plain.type = -1;
    plain.serviceName = QStringLiteral("it's");
    plain.providerName = QStringLiteral(" a\\b\\' ");
    plain.eventText = QStringLiteral("one\ntwo");
    plain.caId = 5;     // not written: no ca block
    plain.lcNumber = 3; // not written: no logical channel
    plain.pmtEnabled = false;
    ServiceCfg full;
    full.serviceName = QString::fromUtf8("Télé 日本");
    full.caEnabled = full.lcEnabled = true;
    full.caId = 0xFFFF;
    full.ecmPid = 8190;
    full.lcVisible = false;
    full.lcNumber = 999;
    full.elements = {ESCfg{EsH264Video, 100, QStringLiteral("  ")}, ESCfg{EsTeletext, 50, QStringLiteral("deu")}};
    c.services = {plain, full};
    return c;
}

} // namespace

class TestCfgWriter : public QObject
{
    Q_OBJECT

private slots:
    void goldenFiles_data();
    void goldenFiles();
    void roundTripOfGeneratedDocuments();
    void saveOverExistingFile_data();
    void saveOverExistingFile();
    void abandonedOrUnopenedWriterKeepsOldFile();
};

void TestCfgWriter::goldenFiles_data()
{
    QTest::addColumn<TransportStreamCfg>("document");
    QTest::addColumn<QString>("golden");
    QTest::newRow("default document, 19 lines") << TransportStreamCfg() << QStringLiteral("default.mux");
    QTest::newRow("whole example") << exampleDocument() << QStringLiteral("example.mux");
    TransportStreamCfg blankName;
    blankName.netName = QStringLiteral("   ");
    QTest::newRow("net-name of blanks writes no line") << blankName << QStringLiteral("default.mux");
    QTest::newRow("layout of every block") << layoutDocument() << QStringLiteral("writer-layout.mux");
}

void TestCfgWriter::goldenFiles()
{
    QFETCH(TransportStreamCfg, document);
    QFETCH(QString, golden);
    if (qEnvironmentVariableIntValue("VELUNOR_UPDATE_GOLDEN") == 1)
        QVERIFY(writeWholeFile(QStringLiteral(VELUNOR_TEST_DATA "/") + golden, CfgWriter::toText(document)));
    const QByteArray expected = testData(golden);
    QVERIFY(!expected.isEmpty());
    COMPARE_BYTES(CfgWriter::toText(document), expected);
}

// Whatever the writer puts out reads back to the same document (up to what
// the text does not carry) and is written again byte for byte.
void TestCfgWriter::roundTripOfGeneratedDocuments()
{
    QRandomGenerator rng(20240611);
    CfgReader reader;
    for (int i = 0; i < 400; ++i) {
        const TransportStreamCfg original = randomDocument(rng);
        const QByteArray text = CfgWriter::toText(original);
        TransportStreamCfg back;
        QVERIFY2(reader.parseData(text, &back),
                 qPrintable(QStringLiteral("document %1 does not read back: %2:%3: %4\n%5")
                                .arg(i).arg(reader.errorLine()).arg(reader.errorColumn())
                                .arg(reader.errorString(), QString::fromUtf8(text))));
        const QString difference = describeDocumentDifference(back, normalizedForText(original))
            + describeByteDifference(CfgWriter::toText(back), text);
        QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("document %1: %2").arg(i).arg(difference)));
    }
}

void TestCfgWriter::saveOverExistingFile_data()
{
    QTest::addColumn<QString>("target"); // relative to the directory holding old.mux
    QTest::addColumn<qint64>("sizeLimit"); // 0: none; else the save runs in a child under RLIMIT_FSIZE
    QTest::addColumn<bool>("saved");
    QTest::newRow("replaces a longer file") << QStringLiteral("old.mux") << qint64(0) << true;
    QTest::newRow("failed open: parent is a regular file") << QStringLiteral("old.mux/out.mux") << qint64(0) << false;
    QTest::newRow("write failing part-way") << QStringLiteral("old.mux") << qint64(64 * 1024) << false;
}

void TestCfgWriter::saveOverExistingFile()
{
    QFETCH(QString, target);
    QFETCH(qint64, sizeLimit);
    QFETCH(bool, saved);
    QTemporaryDir dir;
    const QString old = dir.filePath(QStringLiteral("old.mux"));
    const QByteArray oldBytes = testData(QStringLiteral("example.mux")) + QByteArray(5000, 'x');
    QVERIFY(writeWholeFile(old, oldBytes));
    TransportStreamCfg document;
    for (int i = 0; i < 4000 && sizeLimit; ++i)
        document.services.append(exampleDocument().services.first());
    QVERIFY(CfgWriter::toText(document).size() > 4 * sizeLimit);

    auto save = [&]() -> int {
        CfgWriter writer;
        if (writer.open(dir.filePath(target)) && writer.write(document))
            return 0;
        // 1: refused with a reason that names the file; 0 here would be a lost file.
        return writer.errorString().contains(QFileInfo(target).fileName()) ? 1 : 2;
    };
    const int result = sizeLimit ? exitCodeUnderFileSizeLimit(rlim_t(sizeLimit), save) : save();
    QCOMPARE(result, saved ? 0 : 1);
    COMPARE_BYTES(readWholeFile(old), saved ? CfgWriter::toText(document) : oldBytes);
    QCOMPARE(dirEntries(dir.path()), QStringList{QStringLiteral("old.mux")});
}

void TestCfgWriter::abandonedOrUnopenedWriterKeepsOldFile()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("old.mux"));
    const QByteArray old = testData(QStringLiteral("example.mux"));
    QVERIFY(writeWholeFile(name, old));
    {
        CfgWriter writer;
        QVERIFY(writer.open(name));
        COMPARE_BYTES(readWholeFile(name), old); // open() does not touch the file
    }
    CfgWriter unopened;
    QVERIFY(!unopened.write(TransportStreamCfg()));
    QVERIFY(!unopened.errorString().isEmpty());
    COMPARE_BYTES(readWholeFile(name), old);
    QCOMPARE(dirEntries(dir.path()), QStringList{QStringLiteral("old.mux")});
}

QTEST_GUILESS_MAIN(TestCfgWriter)
#include "test_cfgwriter.moc"
