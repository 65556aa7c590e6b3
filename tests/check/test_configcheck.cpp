// The configuration check: `velunor-cli check` against golden output, its exit
// codes and failures, and where findings point for the editor.

#include <QtTest>

#include <QDir>
#include <QTemporaryDir>

#include "config/cfgreader.h"
#include "config/cfgwriter.h"
#include "config/model.h"
#include "check/configcheck.h"
#include "tests/common/bytecompare.h"
#include "tests/common/filehelpers.h"

using namespace Qt::StringLiterals;

namespace {

const QString checkDir = QStringLiteral(VELUNOR_TEST_DATA "/check");

// Runs velunor-cli check in dir, so that the file names in its output are the
// ones given on the command line, as in the golden files.
CliRun checkCli(const QString &dir, const QStringList &arguments)
{
    return runCli(QStringList{u"check"_s} + arguments, dir);
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

// Where each finding points, as the editor uses it to select a row, and
// with `messages` what it says.
QString places(const QList<ConfigFinding> &findings, bool messages = false)
{
    static const char *const subjects[] = {"stream", "service", "filter"};
    QStringList out;
    for (const ConfigFinding &f : findings)
        out << u"%1 %2 %3 element %4 line %5"_s.arg(f.severity == ConfigFinding::Error ? "error" : "warning")
                       .arg(QLatin1String(subjects[f.subject])).arg(f.index).arg(f.element).arg(f.line)
                + (messages ? u": "_s + f.message : QString());
    return out.join(u"; "_s);
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
    void whatAFileCannotHold();
};

// Each check has a file that triggers it (<name>.mux, whole output in
// <name>.out) and a near miss (<name>-ok.mux) that must give nothing at all.
void TestConfigCheck::goldenOutput_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("exitCode");
    for (const char *name : {"export-error", "service-id-zero", "duplicate-service-id", "duplicate-pmt-pid", "pid-conflict",
                             "pid-conflict-emm", "reserved-pid", "pcr-not-elementary", "duplicate-channel",
                             "bad-language", "empty-name", "filter-never-matches", "remap-target"}) {
        QTest::newRow(name) << QString::fromLatin1(name) << (qstrcmp(name, "export-error") == 0 ? 1 : 0);
        QTest::addRow("%s-ok", name) << QString::fromLatin1(name) + u"-ok"_s << 0;
    }
    QTest::newRow("errors first, then warnings by line") << u"errors-and-warnings"_s << 1;
}

void TestConfigCheck::goldenOutput()
{
    QFETCH(QString, name);
    QFETCH(int, exitCode);
    const CliRun r = checkCli(checkDir, {name + u".mux"_s});
    QCOMPARE(r.exitCode, exitCode);
    const bool nearMiss = name.endsWith(u"-ok"_s);
    const QByteArray expected = nearMiss ? QByteArray() : readWholeFile(checkDir + u'/' + name + u".out"_s);
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

    // A check file and its golden output, as if named in.mux.
    const auto file = [](const char *name, const char *suffix) {
        return readWholeFile(checkDir + u'/' + QLatin1String(name) + QLatin1String(suffix))
            .replace(QByteArray(name) + ".mux", "in.mux");
    };
    const QByteArray warnings = file("duplicate-service-id", ".mux");
    const QStringList plain{u"in.mux"_s};
    const QStringList werror{u"in.mux"_s, u"--werror"_s};
    const QByteArray oneWarning = file("duplicate-service-id", ".out");
    QTest::newRow("warnings alone exit 0")
        << warnings << plain << 0 << oneWarning << QByteArray("0 errors, 1 warning\n");
    QTest::newRow("--werror makes a warning count")
        << warnings << werror << 1 << oneWarning << QByteArray("0 errors, 1 warning\n");
    QTest::newRow("--werror without findings")
        << file("duplicate-service-id-ok", ".mux") << werror << 0 << QByteArray() << QByteArray();
    QTest::newRow("--werror with an error") << file("export-error", ".mux") << werror << 1
                                            << file("export-error", ".out") << QByteArray("1 error, 0 warnings\n");
    QTest::newRow("parse error as FILE:LINE:COLUMN")
        << QByteArray("transport-stream {\n\tservice {\n\t\tpmt-pid = 9000;\n\t}\n}\n") << plain << 1 << QByteArray()
        << QByteArray("in.mux:3:13: error: value 9000 is out of range 0..8190 for 'pmt-pid'\n");
    QTest::newRow("missing file") << QByteArray() << plain << 2 << QByteArray()
                                  << QByteArray("in.mux: error: cannot open 'in.mux': ");
    QTest::newRow("no file argument") << warnings << QStringList{u"--werror"_s} << 2 << QByteArray()
                                      << QByteArray("velunor-cli check: expected exactly one");
}

void TestConfigCheck::exitCodesAndFailures()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QTemporaryDir dir;
    QVERIFY(input.isEmpty() || writeWholeFile(dir.filePath(u"in.mux"_s), input));
    const CliRun r = checkCli(dir.path(), arguments);
    QCOMPARE(r.exitCode, exitCode);
    COMPARE_BYTES(r.out, out);
    QVERIFY2(r.err.contains(err), r.err.constData());
    // Checking only reads: the file and its directory stay as they were.
    QCOMPARE(readWholeFile(dir.filePath(u"in.mux"_s)), input);
    QCOMPARE(dirEntries(dir.path()), input.isEmpty() ? QStringList() : QStringList{u"in.mux"_s});
}

// The editor selects what a finding names: the service (and element) or the rule.
void TestConfigCheck::findingsPointAtTheirBlock_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const char *file, const char *expected) {
        QTest::newRow(name) << QString::fromLatin1(file) << QString::fromLatin1(expected);
    };
    row("export refusal of one service", "export-error", "error service 1 element -1 line 20");
    row("stream-wide collision (EMM)", "pid-conflict-emm", "warning stream -1 element -1 line 19");
    row("ECM on its ca block, video on its element", "pid-conflict",
        "warning service 1 element -1 line 26; warning service 1 element 0 line 30");
    row("teletext element, event language of the service", "bad-language",
        "warning service 0 element -1 line 4; warning service 0 element 1 line 14; "
        "warning service 1 element -1 line 19");
    row("logical-channel block", "duplicate-channel", "warning service 1 element -1 line 25");
    row("filter rules", "remap-target", "warning filter 0 element -1 line 4; warning filter 1 element -1 line 12");
}

void TestConfigCheck::findingsPointAtTheirBlock()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    TransportStreamCfg cfg;
    CfgSourceLines lines;
    QVERIFY(readCheckFile(name + u".mux"_s, &cfg, &lines));
    const QList<ConfigFinding> findings = checkConfiguration(cfg, &lines);
    QCOMPARE(places(findings), expected);
    QCOMPARE(hasErrors(findings), expected.startsWith(u"error"_s));
}

// Without lines (a document built in the editor) the findings are those of
// the document in the canonical layout, at line 0 and naming the earlier
// block without its line.
void TestConfigCheck::withoutLines()
{
    const QStringList files = QDir(checkDir).entryList({u"*.mux"_s});
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
            f.message.remove(QRegularExpression(u" at line [1-9][0-9]*"_s));
        }
        QCOMPARE(places(checkConfiguration(cfg), true), places(located, true));
    }
}

// What a file cannot hold: a PID the reader refuses, lines that no longer
// match the document (more services than lines).
void TestConfigCheck::whatAFileCannotHold()
{
    ServiceCfg s;
    s.id = 1;
    s.serviceName = u"One"_s;
    s.language = u"eng"_s;
    s.pmtPid = 0x100;
    s.pcrPid = 0x101;
    s.elements = {ESCfg{EsMpeg2Video, 0x101, {}}, ESCfg{EsMpeg2Audio, 0x1FFF, u"eng"_s}};
    TransportStreamCfg cfg;
    cfg.services = {s};
    QCOMPARE(places(checkConfiguration(cfg), true),
             u"warning service 0 element 1 line 0: PID 0x1FFF, used for elementary stream 2 (MPEG-2 audio) of "
             "service 1 \"One\" (id 0x0001), is the PID of null packets"_s);

    s.elements.removeLast();
    cfg.services = {s, s};
    CfgSourceLines stale;
    stale.stream = 1;
    stale.services = {4};
    QCOMPARE(places(checkConfiguration(cfg, &stale), true),
             u"warning service 1 element -1 line 0: service 2 \"One\" (id 0x0001): service id 0x0001 is already "
             "used by service 1 \"One\" (id 0x0001) at line 4; warning service 1 element -1 line 0: service 2 "
             "\"One\" (id 0x0001): its PMT goes on PID 0x0100, where service 1 \"One\" (id 0x0001) at line 4 has "
             "its PMT too"_s);
}

QTEST_GUILESS_MAIN(TestConfigCheck)
#include "test_configcheck.moc"
