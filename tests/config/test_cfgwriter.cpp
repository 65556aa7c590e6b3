#include <QTemporaryDir>
#include <QTest>

#include "tests/config/cfgtesthelpers.h"

Q_DECLARE_METATYPE(TransportStreamCfg)

namespace {

// One document for the layout of every block: escapes, trimming, UTF-8, the
// three filter actions, a service with and one without ca and logical channel,
// the stream's ca block, and values outside the keys' ranges (written as they
// are, in decimal: signed where the field is signed).
TransportStreamCfg layoutDocument()
{
    TransportStreamCfg c;
    c.caEnabled = c.realTdt = c.playoutTimings = true;
    c.caId = 2816, c.emmPid = 900;
    c.filters = {FilterCfg{MatchRange, 0, 0, 8191, ActionDrop, 77}, // new-base not written: no remap
                 FilterCfg{MatchRange, 0, 0, 8191, ActionPass, 77}, FilterCfg{MatchMask, 4, 0x1F00, 0x0100, ActionRemap, 0},
                 FilterCfg{MatchRange, 0, 0xFFFFFFFFu, 8191, ActionRemap, -1}};
    ServiceCfg plain, full;
    plain.id = 65535, plain.type = -1, plain.pmtEnabled = false;
    plain.serviceName = QStringLiteral("it's"), plain.providerName = QStringLiteral(" a\\b\\' ");
    plain.eventText = QStringLiteral("one\ntwo");
    plain.caId = 5, plain.lcNumber = 3; // not written: no ca, no logical channel
    full.serviceName = QString::fromUtf8("Télé 'Ciné' 日本");
    full.caEnabled = full.lcEnabled = true, full.lcVisible = false;
    full.caId = 0xFFFF, full.ecmPid = 8190, full.lcNumber = 999;
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
    void saveOverExistingFile_data();
    void saveOverExistingFile();
};

void TestCfgWriter::goldenFiles_data()
{
    QTest::addColumn<TransportStreamCfg>("document");
    QTest::addColumn<QString>("golden");
    QTest::newRow("default document") << TransportStreamCfg() << QStringLiteral("default.mux");
    TransportStreamCfg blankName;
    blankName.netName = QStringLiteral("   ");
    QTest::newRow("net-name of blanks writes no line") << blankName << QStringLiteral("default.mux");
    QTest::newRow("layout of every block") << layoutDocument() << QStringLiteral("writer-layout.mux");
}

void TestCfgWriter::goldenFiles()
{
    QFETCH(TransportStreamCfg, document);
    QFETCH(QString, golden);
    COMPARE_BYTES(CfgWriter::toText(document), testData(golden));
}

// A save replaces the old file whole or leaves it as it was, with no
// temporary file left behind.
void TestCfgWriter::saveOverExistingFile_data()
{
    QTest::addColumn<QString>("target");   // relative to the directory holding old.mux
    QTest::addColumn<qint64>("sizeLimit"); // 0: none; else the save runs in a child under RLIMIT_FSIZE
    QTest::addColumn<int>("result");       // 0: saved; 1: refused, naming the file; 3: opened, never written
    QTest::newRow("replaces a longer file") << QStringLiteral("old.mux") << qint64(0) << 0;
    QTest::newRow("failed open: parent is a regular file") << QStringLiteral("old.mux/out.mux") << qint64(0) << 1;
    QTest::newRow("write failing part-way") << QStringLiteral("old.mux") << qint64(64 * 1024) << 1;
    QTest::newRow("opened, then abandoned") << QStringLiteral("old.mux") << qint64(0) << 3;
}

void TestCfgWriter::saveOverExistingFile()
{
    QFETCH(QString, target);
    QFETCH(qint64, sizeLimit);
    QFETCH(int, result);
    QTemporaryDir dir;
    const QString old = dir.filePath(QStringLiteral("old.mux"));
    const QByteArray oldBytes = testData(QStringLiteral("example.mux")) + QByteArray(5000, 'x');
    QVERIFY(writeWholeFile(old, oldBytes));
    TransportStreamCfg document = layoutDocument();
    for (int i = 0; i < 4000 && sizeLimit; ++i)
        document.services.append(document.services.last());
    QVERIFY(CfgWriter::toText(document).size() > 4 * sizeLimit);
    auto save = [&]() -> int {
        CfgWriter writer;
        if (writer.open(dir.filePath(target)) && (result == 3 || writer.write(document)))
            return result == 3 ? 3 : 0;
        return writer.errorString().contains(QFileInfo(target).fileName()) ? 1 : 2;
    };
    QCOMPARE(sizeLimit ? exitCodeUnderFileSizeLimit(rlim_t(sizeLimit), save) : save(), result);
    COMPARE_BYTES(readWholeFile(old), result == 0 ? CfgWriter::toText(document) : oldBytes);
    QCOMPARE(dirEntries(dir.path()), QStringList{QStringLiteral("old.mux")});
}

QTEST_GUILESS_MAIN(TestCfgWriter)
#include "test_cfgwriter.moc"
