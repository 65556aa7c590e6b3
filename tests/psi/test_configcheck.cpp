#include <QtTest>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "config/cfgreader.h"
#include "config/cfgwriter.h"
#include "config/model.h"
#include "psi/configcheck.h"
#include "tests/common/bytecompare.h"
#include "tests/common/filehelpers.h"

Q_DECLARE_METATYPE(TransportStreamCfg)

namespace {

const QString checkDir = QStringLiteral(VELUNOR_TEST_DATA "/check");

// Runs velunor-cli check in dir, so that the file names in its output are the
// ones given on the command line, as in the golden files.
CliRun checkCli(const QString &dir, const QStringList &arguments)
{
    return runCli(QStringList{QStringLiteral("check")} + arguments, dir);
}

bool readCheckFile(const QString &name, TransportStreamCfg *cfg, CfgSourceLines *lines)
{
    CfgReader reader;
    if (!reader.open(checkDir + u'/' + name) || !reader.parse(cfg)) {
        qWarning("%s: %s", qPrintable(name), qPrintable(reader.errorString()));
        return false;
    }
    *lines = reader.sourceLines();
    return true;
}

// Where a finding points, as the editor uses it to select a row.
QString place(const ConfigFinding &f)
{
    static const char *const subjects[] = {"stream", "service", "filter"};
    return QStringLiteral("%1 %2 %3 element %4 line %5")
        .arg(f.severity == ConfigFinding::Error ? QLatin1String("error") : QLatin1String("warning"))
        .arg(QLatin1String(subjects[f.subject]))
        .arg(f.index)
        .arg(f.element)
        .arg(f.line);
}

QStringList places(const QList<ConfigFinding> &findings)
{
    QStringList out;
    for (const ConfigFinding &f : findings)
        out << place(f);
    return out;
}

} // namespace

class TestConfigCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void goldenOutput_data();
    void goldenOutput();
    void exitCodesAndFailures_data();
    void exitCodesAndFailures();
    void findingsPointAtTheirBlock_data();
    void findingsPointAtTheirBlock();
    void withoutLines();
    void modelOnlyCases_data();
    void modelOnlyCases();
};

// Each check has a file that triggers it (<name>.mux, whole output in
// <name>.out) and a near miss (<name>-ok.mux) that must give nothing at all.
void TestConfigCheck::goldenOutput_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("exitCode");
    const struct {
        const char *name;
        int exitCode;
    } checks[] = {
        {"export-error", 1},         {"duplicate-service-id", 0}, {"duplicate-pmt-pid", 0},
        {"pid-conflict", 0},         {"pid-conflict-emm", 0},     {"reserved-pid", 0},
        {"pcr-not-elementary", 0},   {"duplicate-channel", 0},    {"bad-language", 0},
        {"empty-name", 0},           {"filter-never-matches", 0}, {"remap-target", 0},
    };
    for (const auto &c : checks) {
        const QString name = QLatin1String(c.name);
        QTest::newRow(c.name) << name << c.exitCode;
        QTest::newRow(qPrintable(name + QLatin1String("-ok"))) << name + QLatin1String("-ok") << 0;
    }
    QTest::newRow("errors first, then warnings by line") << QStringLiteral("errors-and-warnings") << 1;
}

void TestConfigCheck::goldenOutput()
{
    QFETCH(QString, name);
    QFETCH(int, exitCode);
    const CliRun r = checkCli(checkDir, {name + QLatin1String(".mux")});
    QCOMPARE(r.exitCode, exitCode);
    const bool nearMiss = name.endsWith(QLatin1String("-ok"));
    const QByteArray expected = nearMiss ? QByteArray() : readWholeFile(checkDir + u'/' + name + QLatin1String(".out"));
    QVERIFY(nearMiss || !expected.isEmpty());
    COMPARE_BYTES(r.out, expected);
    // A summary on standard error only when there is something to sum up.
    QCOMPARE(r.err.isEmpty(), nearMiss);
}

void TestConfigCheck::exitCodesAndFailures_data()
{
    QTest::addColumn<QByteArray>("input"); // written to in.mux; empty: no such file
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err"); // a part of standard error

    const QByteArray warnings = readWholeFile(checkDir + QLatin1String("/duplicate-service-id.mux"));
    const QByteArray clean = readWholeFile(checkDir + QLatin1String("/duplicate-service-id-ok.mux"));
    const QByteArray errors = readWholeFile(checkDir + QLatin1String("/export-error.mux"));
    const QStringList plain{QStringLiteral("in.mux")};
    const QStringList werror{QStringLiteral("in.mux"), QStringLiteral("--werror")};
    const QByteArray duplicateId = "in.mux:20: warning: service 2 \"Two\" (id 0x0001): service id 0x0001 is "
                                   "already used by service 1 \"One\" (id 0x0001) at line 4\n";
    QTest::newRow("warnings alone exit 0") << warnings << plain << 0 << duplicateId
                                           << QByteArray("0 errors, 1 warning\n");
    QTest::newRow("--werror makes a warning count") << warnings << werror << 1
                                                    << duplicateId << QByteArray("0 errors, 1 warning\n");
    QTest::newRow("--werror without findings") << clean << werror << 0
                                               << QByteArray() << QByteArray();
    QTest::newRow("--werror with an error") << errors << werror << 1
                                            << QByteArray("in.mux:20: error: service 2 \"Two\" (id 0x0002): service "
                                                          "type 9 has no DVB service_type; only 0 (Digital TV) and 1 "
                                                          "(Digital Radio) can go into the SDT and NIT\n")
                                            << QByteArray("1 error, 0 warnings\n");
    QTest::newRow("parse error as FILE:LINE:COLUMN")
        << QByteArray("transport-stream {\n\tservice {\n\t\tpmt-pid = 9000;\n\t}\n}\n") << plain << 1
        << QByteArray() << QByteArray("in.mux:3:13: error: value 9000 is out of range 0..8190 for 'pmt-pid'\n");
    QTest::newRow("missing file") << QByteArray() << plain << 2 << QByteArray()
                                  << QByteArray("in.mux: error: cannot open 'in.mux': ");
    QTest::newRow("no file argument") << clean << QStringList{QStringLiteral("--werror")}
                                      << 2 << QByteArray() << QByteArray("velunor-cli check: expected exactly one");
}

void TestConfigCheck::exitCodesAndFailures()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QTemporaryDir dir;
    QVERIFY(input.isEmpty() || writeWholeFile(dir.filePath(QStringLiteral("in.mux")), input));
    const CliRun r = checkCli(dir.path(), arguments);
    QCOMPARE(r.exitCode, exitCode);
    COMPARE_BYTES(r.out, out);
    QVERIFY2(r.err.contains(err), r.err.constData());
    // Checking only reads: the file and its directory stay as they were.
    QCOMPARE(readWholeFile(dir.filePath(QStringLiteral("in.mux"))), input);
    QCOMPARE(dirEntries(dir.path()), input.isEmpty() ? QStringList() : QStringList{QStringLiteral("in.mux")});
}

// The editor selects what a finding names: the service (and element) or the rule.
void TestConfigCheck::findingsPointAtTheirBlock_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("export refusal of one service") << QStringLiteral("export-error")
                                                   << QStringList{QStringLiteral("error service 1 element -1 line 20")};
    QTest::newRow("stream-wide collision (EMM)")
        << QStringLiteral("pid-conflict-emm") << QStringList{QStringLiteral("warning stream -1 element -1 line 19")};
    QTest::newRow("ECM on its ca block, video on its element")
        << QStringLiteral("pid-conflict")
        << QStringList{QStringLiteral("warning service 1 element -1 line 26"),
                       QStringLiteral("warning service 1 element 0 line 30")};
    QTest::newRow("teletext element, event language of the service")
        << QStringLiteral("bad-language")
        << QStringList{QStringLiteral("warning service 0 element -1 line 4"),
                       QStringLiteral("warning service 0 element 1 line 14"),
                       QStringLiteral("warning service 1 element -1 line 19")};
    QTest::newRow("logical-channel block") << QStringLiteral("duplicate-channel")
                                           << QStringList{QStringLiteral("warning service 1 element -1 line 25")};
    QTest::newRow("filter rules") << QStringLiteral("remap-target")
                                  << QStringList{QStringLiteral("warning filter 0 element -1 line 4"),
                                                 QStringLiteral("warning filter 1 element -1 line 12")};
}

void TestConfigCheck::findingsPointAtTheirBlock()
{
    QFETCH(QString, name);
    QFETCH(QStringList, expected);
    TransportStreamCfg cfg;
    CfgSourceLines lines;
    QVERIFY(readCheckFile(name + QLatin1String(".mux"), &cfg, &lines));
    const QList<ConfigFinding> findings = checkConfiguration(cfg, &lines);
    QCOMPARE(places(findings), expected);
    QCOMPARE(hasErrors(findings), expected.first().startsWith(QLatin1String("error")));
}

// Without lines (a document built in the editor) the findings are those of
// the document in the canonical layout, at line 0 and naming the earlier
// block without its line.
void TestConfigCheck::withoutLines()
{
    const QStringList files = QDir(checkDir).entryList({QStringLiteral("*.mux")});
    QVERIFY(files.size() >= 20);
    for (const QString &file : files) {
        TransportStreamCfg cfg;
        CfgSourceLines lines;
        QVERIFY(readCheckFile(file, &cfg, &lines));
        CfgReader reader;
        TransportStreamCfg canonical;
        QVERIFY(reader.parseData(CfgWriter::toText(cfg), &canonical));
        QList<ConfigFinding> located = checkConfiguration(canonical, &reader.sourceLines());
        for (ConfigFinding &f : located) {
            QVERIFY2(f.line > 0, qPrintable(file));
            f.line = 0;
            f.message.remove(QRegularExpression(QStringLiteral(" at line [1-9][0-9]*")));
        }
        const QList<ConfigFinding> bare = checkConfiguration(cfg);
        QCOMPARE(places(bare), places(located));
        for (int i = 0; i < bare.size(); ++i)
            QCOMPARE(bare.at(i).message, located.at(i).message);
    }
}

// What a file cannot hold: PIDs the reader refuses, lines that no longer
// match the document.
void TestConfigCheck::modelOnlyCases_data()
{
    QTest::addColumn<TransportStreamCfg>("cfg");
    QTest::addColumn<bool>("staleLines");
    QTest::addColumn<QStringList>("messages");

    ServiceCfg s;
    s.id = 1;
    s.serviceName = QStringLiteral("One");
    s.language = QStringLiteral("eng");
    s.pmtPid = 0x100;
    s.pcrPid = 0x101;
    s.elements = {ESCfg{EsMpeg2Video, 0x101, {}}, ESCfg{EsMpeg2Audio, 0x1FFF, QStringLiteral("eng")}};
    TransportStreamCfg nullPid;
    nullPid.services = {s};
    QTest::newRow("null packet PID") << nullPid << false
                                     << QStringList{QStringLiteral(
                                            "PID 0x1FFF, used for elementary stream 2 (MPEG-2 audio) of service 1 "
                                            "\"One\" (id 0x0001), is the PID of null packets")};

    TransportStreamCfg stale;
    ServiceCfg t = s;
    t.elements = {ESCfg{EsMpeg2Video, 0x101, {}}};
    stale.services = {t, t};
    QTest::newRow("more services than lines")
        << stale << true
        << QStringList{QStringLiteral("service 2 \"One\" (id 0x0001): service id 0x0001 is already used by service 1 "
                                      "\"One\" (id 0x0001) at line 4"),
                       QStringLiteral("service 2 \"One\" (id 0x0001): its PMT goes on PID 0x0100, where service 1 "
                                      "\"One\" (id 0x0001) at line 4 has its PMT too")};
}

void TestConfigCheck::modelOnlyCases()
{
    QFETCH(TransportStreamCfg, cfg);
    QFETCH(bool, staleLines);
    QFETCH(QStringList, messages);
    CfgSourceLines lines;
    lines.stream = 1;
    lines.services = {4};
    QStringList actual;
    for (const ConfigFinding &f : checkConfiguration(cfg, staleLines ? &lines : nullptr))
        actual << f.message;
    QCOMPARE(actual, messages);
}

QTEST_GUILESS_MAIN(TestConfigCheck)
#include "test_configcheck.moc"
