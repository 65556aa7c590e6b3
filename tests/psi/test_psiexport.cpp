#include <QtTest>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "config/cfgreader.h"
#include "config/cfgwriter.h"
#include "config/model.h"
#include "psi/exportcheck.h"
#include "psi/psivmprogram.h"
#include "goldenconfigs.h"
#include "psitestutil.h"

Q_DECLARE_METATYPE(TransportStreamCfg)

namespace {

QString goldenPath(const QString &name, const char *suffix)
{
    return QStringLiteral(VELUNOR_TEST_DATA "/psi/") + name + QLatin1String(suffix);
}

bool updateGolden()
{
    return qEnvironmentVariableIntValue("VELUNOR_UPDATE_GOLDEN") == 1;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

bool writeAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

TransportStreamCfg refusedConfig()
{
    TransportStreamCfg cfg = psitest::goldenAllTables();
    cfg.services[0].type = 7;
    return cfg;
}

// Runs fn with file descriptor 2 sent to a temporary file; returns what was written.
template <typename Fn>
QByteArray captureStderr(Fn fn)
{
    QTemporaryFile tmp;
    if (!tmp.open())
        return QByteArray("<no temporary file>");
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(tmp.handle(), 2);
    fn();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    tmp.seek(0);
    return tmp.readAll();
}

} // namespace

class TestPsiExport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void golden_data();
    void golden();
    void writesFileAndDumps();
    void refusedLeavesNoFile();
    void refusedLeavesOldFileIntact();
    void encodingFaultIsRefused();
    void unopenedOrImpossibleTarget();
    void failedWriteKeepsOldFile();
};

void TestPsiExport::golden_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<TransportStreamCfg>("cfg");
    for (const auto &[name, cfg] : psitest::goldenConfigs())
        QTest::newRow(qPrintable(name)) << name << cfg;
}

void TestPsiExport::golden()
{
    QFETCH(QString, name);
    QFETCH(TransportStreamCfg, cfg);

    QVERIFY(exportProblems(cfg).isEmpty());
    PsiVmProgram prog;
    psitest::MessageCapture capture;
    QVERIFY(prog.buildProgram(cfg));
    QVERIFY(capture.criticals().isEmpty());
    const QByteArray actual = prog.program();
    QCOMPARE(exportProgramSize(cfg), int(actual.size()));

    const QString mbn = goldenPath(name, ".mbn");
    const QString mux = goldenPath(name, ".mux");
    if (updateGolden()) {
        QDir().mkpath(QFileInfo(mbn).absolutePath());
        QVERIFY(writeAll(mbn, actual));
        QVERIFY(writeAll(mux, CfgWriter::toText(cfg)));
    }
    const QByteArray expected = readAll(mbn);
    QVERIFY2(!expected.isEmpty(), qPrintable(mbn + QLatin1String(" is missing; run with VELUNOR_UPDATE_GOLDEN=1")));
    PSI_COMPARE_BYTES(actual, expected);

    // The stored configuration beside it reads back as the one built here.
    CfgReader reader;
    QVERIFY2(reader.open(mux), qPrintable(reader.errorString()));
    TransportStreamCfg stored;
    QVERIFY2(reader.parse(&stored), qPrintable(reader.errorString()));
    QVERIFY(stored == cfg);
}

void TestPsiExport::writesFileAndDumps()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString target = dir.filePath(QStringLiteral("out.mbn"));
    const TransportStreamCfg cfg = psitest::goldenAllTables();
    bool ok = false;
    QByteArray program;
    const QByteArray err = captureStderr([&] {
        psitest::MessageCapture quiet;
        PsiVmProgram prog;
        QVERIFY(prog.open(target));
        ok = prog.generateProgram(cfg);
        program = prog.program();
    });
    QVERIFY(ok);
    PSI_COMPARE_BYTES(readAll(target), program);
    QCOMPARE(err, PsiVmProgram::dumpText(program));

    // Without dumping nothing reaches stderr.
    const QByteArray quietErr = captureStderr([&] {
        psitest::MessageCapture quiet;
        PsiVmProgram prog;
        prog.setDumpEnabled(false);
        QVERIFY(prog.open(target));
        ok = prog.generateProgram(psitest::goldenNoTables());
    });
    QVERIFY(ok);
    QCOMPARE(quietErr, QByteArray());
    QCOMPARE(readAll(target).size(), 110);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.mbn")});
}

void TestPsiExport::refusedLeavesNoFile()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("out.mbn"));
    PsiVmProgram prog;
    prog.setDumpEnabled(false);
    QVERIFY(prog.open(target));
    QVERIFY(!prog.generateProgram(refusedConfig()));
    QCOMPARE(prog.errorString(), exportProblems(refusedConfig()).join(QLatin1Char('\n')));
    QVERIFY(prog.errorString().contains(QLatin1String("service type 7")));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestPsiExport::refusedLeavesOldFileIntact()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("out.mbn"));
    const QByteArray old("previous export\n");
    QVERIFY(writeAll(target, old));
    {
        PsiVmProgram prog;
        prog.setDumpEnabled(false);
        QVERIFY(prog.open(target));
        QVERIFY(!prog.generateProgram(refusedConfig()));
    }
    QCOMPARE(readAll(target), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("out.mbn")});
}

// The builder does not rely on the checks: a service type without a DVB code
// is reported and marks the program as faulty.
void TestPsiExport::encodingFaultIsRefused()
{
    TransportStreamCfg cfg = psitest::goldenNoTables();
    cfg.sdtEnabled = true;
    cfg.services << psitest::goldenService(1, 0x100, QStringLiteral("x"));
    cfg.services[0].type = 2;
    PsiVmProgram prog;
    psitest::MessageCapture capture;
    QVERIFY(!prog.buildProgram(cfg));
    QVERIFY(prog.hasEncodingError());
    QCOMPARE(capture.criticals(), QStringList{QStringLiteral("Service type 2 has no DVB service_type")});
    cfg.services[0].type = ServiceDigitalRadio;
    QVERIFY(prog.buildProgram(cfg));
    QVERIFY(!prog.hasEncodingError());
}

void TestPsiExport::unopenedOrImpossibleTarget()
{
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain"));
    QVERIFY(writeAll(plain, "x"));
    PsiVmProgram prog;
    prog.setDumpEnabled(false);
    QVERIFY(!prog.open(plain + QLatin1String("/out.mbn"))); // parent is a regular file
    psitest::MessageCapture quiet;
    QVERIFY(!prog.generateProgram(psitest::goldenNoTables()));
    QCOMPARE(readAll(plain), QByteArray("x"));

    PsiVmProgram never;
    never.setDumpEnabled(false);
    QVERIFY(!never.generateProgram(psitest::goldenNoTables()));
}

// The write runs in a child limited to 4 KiB of file size, with SIGXFSZ
// ignored so that write() fails with EFBIG instead of killing it.
void TestPsiExport::failedWriteKeepsOldFile()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("out.mbn"));
    const QByteArray old("previous export\n");
    QVERIFY(writeAll(target, old));
    TransportStreamCfg cfg = psitest::goldenAllTables();
    for (int i = 0; i < 1000; ++i)
        cfg.filters << FilterCfg();
    QVERIFY(exportProgramSize(cfg) > 4096);

    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        PsiVmProgram prog;
        prog.setDumpEnabled(false);
        if (!prog.open(target))
            ::_exit(3);
        ::_exit(prog.generateProgram(cfg) ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 1);
    QCOMPARE(readAll(target), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("out.mbn")});
}

QTEST_APPLESS_MAIN(TestPsiExport)
#include "test_psiexport.moc"
