#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "config/cfgreader.h"
#include "config/cfgwriter.h"
#include "fuzz/cfgroundtrip.h"
#include "tests/config/cfgtesthelpers.h"

Q_DECLARE_METATYPE(TransportStreamCfg)

namespace {

QByteArray dataFile(const char *name)
{
    return readWholeFile(QStringLiteral(VELUNOR_TEST_DATA "/") + QLatin1String(name));
}

bool writeBytes(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QString randomText(QRandomGenerator &rng)
{
    // Pieces that stress quoting, escapes, trimming and the encoding.
    static const QString pieces[] = {
        QStringLiteral("a"), QStringLiteral("Studio"), QStringLiteral("News 24"),
        QStringLiteral("'"), QStringLiteral("\\"), QStringLiteral("\\'"), QStringLiteral("\\\\"),
        QStringLiteral("\n"), QStringLiteral("\r\n"), QStringLiteral(" "), QStringLiteral("  "),
        QStringLiteral("\t"), QString::fromUtf8("é"), QString::fromUtf8("日本"),
        QString::fromUtf8("😀"), QStringLiteral("{"), QStringLiteral("}"), QStringLiteral(";"),
        QStringLiteral("="), QStringLiteral("\""), QStringLiteral("\u00a0"),
        QString(QChar(0)), QString::fromUtf8("ÿ"), QStringLiteral("x y"), QStringLiteral("0x1F"),
    };
    const int count = int(rng.bounded(7));
    QString s;
    for (int i = 0; i < count; ++i)
        s += pieces[rng.bounded(int(std::size(pieces)))];
    return s;
}

TransportStreamCfg randomDocument(QRandomGenerator &rng)
{
    auto u16 = [&](quint32 max) { return quint16(rng.bounded(max + 1)); };
    auto i32 = [&](int min, int max) { return qint32(min + int(rng.bounded(max - min + 1))); };
    auto coin = [&] { return rng.bounded(2) == 1; };

    TransportStreamCfg c;
    c.id = u16(65535);
    c.origId = u16(65535);
    c.netId = u16(65535);
    c.netName = randomText(rng);
    c.caEnabled = coin();
    c.caId = u16(65535);
    c.emmPid = u16(8190);
    c.patEnabled = coin();
    c.sdtEnabled = coin();
    c.nitEnabled = coin();
    c.eitEnabled = coin();
    c.tdtEnabled = coin();
    c.patTime = quint16(i32(25, 500));
    c.nitTime = quint16(i32(25, 10000));
    c.sdtTime = quint16(i32(25, 2000));
    c.eitTime = quint16(i32(25, 2000));
    c.pmtTime = quint16(i32(25, 500));
    c.tdtTime = quint16(i32(25, 30000));
    c.realTdt = coin();
    c.playoutTimings = coin();
    c.filterDefault = i32(0, 2);
    for (int n = int(rng.bounded(5)); n > 0; --n) {
        FilterCfg f;
        f.match = i32(0, 1);
        f.input = i32(0, 4);
        f.a = quint32(i32(0, 8191));
        f.b = quint32(i32(0, 8191));
        f.action = i32(0, 2);
        f.newBase = i32(0, 8191);
        c.filters.append(f);
    }
    for (int n = int(rng.bounded(6)); n > 0; --n) {
        ServiceCfg s;
        s.id = u16(65535);
        s.type = i32(0, 65535);
        s.providerName = randomText(rng);
        s.serviceName = randomText(rng);
        s.eventName = randomText(rng);
        s.eventText = randomText(rng);
        s.language = randomText(rng);
        s.pmtPid = u16(8190);
        s.pcrPid = u16(8190);
        s.caEnabled = coin();
        s.caId = u16(65535);
        s.ecmPid = u16(8190);
        s.pmtEnabled = coin();
        s.lcEnabled = coin();
        s.lcVisible = coin();
        s.lcNumber = u16(999);
        for (int m = int(rng.bounded(5)); m > 0; --m) {
            ESCfg e;
            e.type = i32(0, 65535);
            e.pid = u16(8190);
            e.language = randomText(rng);
            e.teletextPage = i32(100, 899);
            s.elements.append(e);
        }
        c.services.append(s);
    }
    return c;
}

TransportStreamCfg largeDocument(int services)
{
    TransportStreamCfg c = exampleDocument();
    const ServiceCfg model = c.services.first();
    for (int i = 1; i < services; ++i) {
        ServiceCfg s = model;
        s.id = quint16(i + 1);
        c.services.append(s);
    }
    return c;
}

int entryCount(const QString &dirPath)
{
    return int(QDir(dirPath).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size());
}

} // namespace

class TestCfgWriter : public QObject
{
    Q_OBJECT

private slots:
    void goldenFiles_data();
    void goldenFiles();
    void layout_data();
    void layout();
    void roundTripOfGeneratedDocuments();
    void writesFile();
    void replacesLongerFile();
    void openDoesNotTouchTheOldFile();
    void writeWithoutOpen();
    void parentIsARegularFile();
    void readOnlyDirectory();
    void writeFailingPartWayKeepsOldFile();
};

void TestCfgWriter::goldenFiles_data()
{
    QTest::addColumn<TransportStreamCfg>("document");
    QTest::addColumn<QByteArray>("golden");
    QTest::newRow("default document, 19 lines") << TransportStreamCfg() << dataFile("default.mux");
    QTest::newRow("whole example") << exampleDocument() << dataFile("example.mux");
    TransportStreamCfg blankName;
    blankName.netName = QStringLiteral("   ");
    QTest::newRow("net-name of blanks writes no line") << blankName << dataFile("default.mux");
}

void TestCfgWriter::goldenFiles()
{
    QFETCH(TransportStreamCfg, document);
    QFETCH(QByteArray, golden);
    QVERIFY(!golden.isEmpty());
    COMPARE_BYTES(CfgWriter::toText(document), golden);
}

void TestCfgWriter::layout_data()
{
    QTest::addColumn<TransportStreamCfg>("document");
    QTest::addColumn<QByteArray>("fragment"); // must stand in the text as it is
    QTest::addColumn<bool>("inRange");        // the reader takes every value back

    auto withService = [](const ServiceCfg &s) {
        TransportStreamCfg c;
        c.services = {s};
        return c;
    };
    auto withFilter = [](const FilterCfg &f) {
        TransportStreamCfg c;
        c.filters = {f};
        return c;
    };

    ServiceCfg quote;
    quote.serviceName = QStringLiteral("it's");
    QTest::newRow("quote gets a backslash")
        << withService(quote) << QByteArray("\n\t\tservice-name = 'it\\'s';\n") << true;
    ServiceCfg backslash;
    backslash.providerName = QStringLiteral(" a\\b\\' ");
    QTest::newRow("backslash doubled, then quotes escaped, blanks trimmed")
        << withService(backslash) << QByteArray("\n\t\tprovider-name = 'a\\\\b\\\\\\'';\n") << true;
    ServiceCfg lineBreak;
    lineBreak.eventText = QStringLiteral("one\ntwo");
    QTest::newRow("line break inside the quotes")
        << withService(lineBreak) << QByteArray("\n\t\tevent-text = 'one\ntwo';\n") << true;
    ServiceCfg utf8;
    utf8.serviceName = QString::fromUtf8("Télé 日本");
    QTest::newRow("text written as UTF-8")
        << withService(utf8) << QByteArray("\n\t\tservice-name = 'T\xC3\xA9l\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC';\n") << true;

    FilterCfg drop;
    drop.action = ActionDrop;
    drop.newBase = 77;
    QTest::newRow("drop rule: five lines, no new-base")
        << withFilter(drop)
        << QByteArray("\tfilter {\n\t\tmatch = 0;\n\t\tinput = 0;\n\t\ta = 0;\n\t\tb = 8191;\n"
                      "\t\taction = 0;\n\t}\n") << true;
    FilterCfg pass;
    pass.newBase = 77;
    QTest::newRow("pass rule: five lines")
        << withFilter(pass) << QByteArray("\t\taction = 2;\n\t}\n") << true;
    FilterCfg remap;
    remap.match = MatchMask;
    remap.input = 4;
    remap.a = 0x1F00;
    remap.b = 0x0100;
    remap.action = ActionRemap;
    remap.newBase = 0;
    QTest::newRow("remap rule: six lines, decimal")
        << withFilter(remap)
        << QByteArray("\tfilter {\n\t\tmatch = 1;\n\t\tinput = 4;\n\t\ta = 7936;\n\t\tb = 256;\n"
                      "\t\taction = 1;\n\t\tnew-base = 0;\n\t}\n") << true;
    FilterCfg wide;
    wide.a = 0xFFFFFFFFu;
    wide.newBase = -1;
    wide.action = ActionRemap;
    QTest::newRow("filter a unsigned, new-base signed")
        << withFilter(wide) << QByteArray("\t\ta = 4294967295;\n\t\tb = 8191;\n\t\taction = 1;\n"
                                          "\t\tnew-base = -1;\n") << false;

    ServiceCfg plain;
    plain.id = 65535;
    plain.type = -1;
    plain.pmtPid = 4096;
    plain.pcrPid = 256;
    plain.caId = 5;      // not written: no ca block
    plain.lcNumber = 3;  // not written: no logical channel
    plain.pmtEnabled = false;
    QTest::newRow("service without ca and logical channel")
        << withService(plain)
        << QByteArray("\tservice {\n\t\tid = 65535;\n\t\ttype = -1;\n\t\tpmt-pid = 4096;\n"
                      "\t\tpcr-pid = 256;\n\t\tpmt-enabled = no;\n\t}\n}\n") << false;

    ServiceCfg full;
    full.caEnabled = true;
    full.caId = 0xFFFF;
    full.ecmPid = 8190;
    full.lcEnabled = true;
    full.lcVisible = false;
    full.lcNumber = 999;
    ESCfg first;
    first.type = EsH264Video;
    first.pid = 100;
    first.language = QStringLiteral("  ");
    ESCfg second;
    second.type = EsTeletext;
    second.pid = 50;
    second.language = QStringLiteral("deu");
    full.elements = {first, second};
    QTest::newRow("ca, logical channel, then pmt-enabled, then elements in order")
        << withService(full)
        << QByteArray("\t\tpcr-pid = 0;\n\t\tca {\n\t\t\tca-id = 65535;\n\t\t\tecm-pid = 8190;\n\t\t}\n"
                      "\t\tlogical-channel {\n\t\t\tvisible = no;\n\t\t\tnumber = 999;\n\t\t}\n"
                      "\t\tpmt-enabled = yes;\n\t\telement {\n\t\t\ttype = 3;\n\t\t\tpid = 100;\n\t\t}\n"
                      "\t\telement {\n\t\t\ttype = 2;\n\t\t\tpid = 50;\n\t\t\tlanguage = 'deu';\n\t\t}\n"
                      "\t}\n}\n") << true;

    TransportStreamCfg streamCa;
    streamCa.caEnabled = true;
    streamCa.caId = 2816;
    streamCa.emmPid = 900;
    streamCa.playoutTimings = true;
    streamCa.realTdt = true;
    QTest::newRow("stream ca block before the table flags")
        << streamCa
        << QByteArray("\tnet-id = 0;\n\tca {\n\t\tca-id = 2816;\n\t\temm-pid = 900;\n\t}\n"
                      "\tpat-enabled = yes;\n") << true;
    QTest::newRow("real-tdt and playout-timings, never v2-features")
        << streamCa << QByteArray("\treal-tdt = yes;\n\tplayout-timings = yes;\n\tpat-time = 475;\n") << true;
}

void TestCfgWriter::layout()
{
    QFETCH(TransportStreamCfg, document);
    QFETCH(QByteArray, fragment);
    QFETCH(bool, inRange);
    const QByteArray text = CfgWriter::toText(document);
    QVERIFY2(text.contains(fragment), text.constData());
    QVERIFY(!text.contains("v2-features"));
    QVERIFY(!text.contains('\r') || fragment.contains('\r'));

    if (!inRange)
        return; // values outside the keys' ranges are written, and refused on reading
    // Everything the writer puts out reads back.
    CfgReader reader;
    TransportStreamCfg back;
    QVERIFY2(reader.parseData(text, &back), qPrintable(reader.errorString()));
    COMPARE_DOCUMENTS(back, normalizedForText(document));
}

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
                                .arg(i)
                                .arg(reader.errorLine())
                                .arg(reader.errorColumn())
                                .arg(reader.errorString(), QString::fromUtf8(text))));
        const QString difference = describeDocumentDifference(back, normalizedForText(original));
        QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("document %1: %2").arg(i).arg(difference)));
        const QString unstable = describeByteDifference(CfgWriter::toText(back), text);
        QVERIFY2(unstable.isEmpty(), qPrintable(QStringLiteral("document %1: %2").arg(i).arg(unstable)));
    }
}

void TestCfgWriter::writesFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString name = dir.filePath(QStringLiteral("out.mux"));
    CfgWriter writer;
    QVERIFY2(writer.open(name), qPrintable(writer.errorString()));
    QVERIFY2(writer.write(exampleDocument()), qPrintable(writer.errorString()));
    COMPARE_BYTES(readWholeFile(name), dataFile("example.mux"));
    QCOMPARE(entryCount(dir.path()), 1);
}

void TestCfgWriter::replacesLongerFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString name = dir.filePath(QStringLiteral("out.mux"));
    QVERIFY(writeBytes(name, dataFile("example.mux") + QByteArray(5000, 'x')));
    CfgWriter writer;
    QVERIFY(writer.open(name));
    QVERIFY(writer.write(TransportStreamCfg()));
    COMPARE_BYTES(readWholeFile(name), dataFile("default.mux"));
}

void TestCfgWriter::openDoesNotTouchTheOldFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString name = dir.filePath(QStringLiteral("old.mux"));
    const QByteArray old = dataFile("example.mux");
    QVERIFY(writeBytes(name, old));
    {
        CfgWriter writer;
        QVERIFY(writer.open(name));
        COMPARE_BYTES(readWholeFile(name), old);
        // Abandoned without write(): the temporary file goes away with the writer.
    }
    COMPARE_BYTES(readWholeFile(name), old);
    QCOMPARE(entryCount(dir.path()), 1);
}

void TestCfgWriter::writeWithoutOpen()
{
    CfgWriter writer;
    QVERIFY(!writer.write(TransportStreamCfg()));
    QVERIFY(!writer.errorString().isEmpty());
}

void TestCfgWriter::parentIsARegularFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString regular = dir.filePath(QStringLiteral("plain"));
    QVERIFY(writeBytes(regular, "keep me"));
    CfgWriter writer;
    const bool opened = writer.open(regular + QStringLiteral("/out.mux"));
    QVERIFY(!(opened && writer.write(exampleDocument())));
    QVERIFY(!writer.errorString().isEmpty());
    QVERIFY2(writer.errorString().contains(QLatin1String("out.mux")), qPrintable(writer.errorString()));
    QCOMPARE(readWholeFile(regular), QByteArray("keep me"));
    QCOMPARE(entryCount(dir.path()), 1);
}

void TestCfgWriter::readOnlyDirectory()
{
    if (::geteuid() == 0)
        QSKIP("permission bits do not stop root; parentIsARegularFile covers the failed open");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString name = dir.filePath(QStringLiteral("old.mux"));
    const QByteArray old = dataFile("example.mux");
    QVERIFY(writeBytes(name, old));
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    CfgWriter writer;
    const bool ok = writer.open(name) && writer.write(TransportStreamCfg());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!ok);
    QVERIFY(!writer.errorString().isEmpty());
    COMPARE_BYTES(readWholeFile(name), old);
    QCOMPARE(entryCount(dir.path()), 1);
}

void TestCfgWriter::writeFailingPartWayKeepsOldFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString name = dir.filePath(QStringLiteral("old.mux"));
    const QByteArray old = dataFile("example.mux");
    QVERIFY(writeBytes(name, old));
    const TransportStreamCfg large = largeDocument(4000);
    constexpr rlim_t limit = 64 * 1024;
    QVERIFY(CfgWriter::toText(large).size() > qsizetype(4 * limit));

    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        // The child saves with a file size limit, as on a nearly full disk:
        // the temporary file stops growing part-way.
        const struct rlimit rl = {limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &rl);
        std::signal(SIGXFSZ, SIG_IGN);
        CfgWriter writer;
        if (!writer.open(name))
            ::_exit(10);
        const bool written = writer.write(large);
        ::_exit(written ? 0 : (writer.errorString().isEmpty() ? 11 : 1));
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY2(WIFEXITED(status), "the saving process died");
    // 1: write() reported the failure with a reason; 0 would be a lost file.
    QCOMPARE(WEXITSTATUS(status), 1);
    COMPARE_BYTES(readWholeFile(name), old);
    QCOMPARE(entryCount(dir.path()), 1);
}

QTEST_GUILESS_MAIN(TestCfgWriter)
#include "test_cfgwriter.moc"
