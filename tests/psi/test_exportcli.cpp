#include <QtTest>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "config/cfgwriter.h"
#include "config/model.h"
#include "psi/exportcheck.h"
#include "psi/psivmprogram.h"
#include "goldenconfigs.h"
#include "psitestutil.h"

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run cli(const QStringList &arguments, const QString &workDir)
{
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.start(QStringLiteral(VELUNOR_BINARY_DIR "/cli/velunor-cli"), QStringList{QStringLiteral("export")} + arguments);
    Run r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

} // namespace

class TestExportCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void exportsGolden_data();
    void exportsGolden();
    void dumpOnRequest();
    void refusedConfiguration();
    void parseError();
    void unreadableInputAndBadArguments();
    void unwritableOutput();

private:
    QTemporaryDir m_dir;
};

void TestExportCli::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QFileInfo::exists(QStringLiteral(VELUNOR_BINARY_DIR "/cli/velunor-cli")));
}

void TestExportCli::exportsGolden_data()
{
    QTest::addColumn<QString>("name");
    for (const auto &golden : psitest::goldenConfigs())
        QTest::newRow(qPrintable(golden.first)) << golden.first;
}

void TestExportCli::exportsGolden()
{
    QFETCH(QString, name);
    const QString mux = QStringLiteral(VELUNOR_TEST_DATA "/psi/") + name + QLatin1String(".mux");
    const QString out = m_dir.filePath(name + QLatin1String(".mbn"));
    const Run r = cli({mux, out}, m_dir.path());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QByteArray()); // no dump and no EIT notes without --dump
    QCOMPARE(r.out, QByteArray());
    PSI_COMPARE_BYTES(readAll(out), readAll(QStringLiteral(VELUNOR_TEST_DATA "/psi/") + name + QLatin1String(".mbn")));
}

void TestExportCli::dumpOnRequest()
{
    const QString mux = QStringLiteral(VELUNOR_TEST_DATA "/psi/service-without-pmt.mux");
    const QString out = m_dir.filePath(QStringLiteral("dump.mbn"));
    const Run r = cli({mux, out, QStringLiteral("--dump")}, m_dir.path());
    QCOMPARE(r.exitCode, 0);
    const QByteArray program = readAll(out);
    QCOMPARE(program, readAll(QStringLiteral(VELUNOR_TEST_DATA "/psi/service-without-pmt.mbn")));
    QCOMPARE(r.err, QByteArray("generateEIT(...,[..., 257], 32, 4)\n"
                               "generateEIT(...,[..., 771], 33, 4)\n")
                 + PsiVmProgram::dumpText(program));
}

void TestExportCli::refusedConfiguration()
{
    TransportStreamCfg cfg = psitest::goldenAllTables();
    cfg.services[1].type = 9;
    cfg.services[2].eventText = QString(300, QLatin1Char('x'));
    const QString mux = m_dir.filePath(QStringLiteral("refused.mux"));
    QVERIFY(writeAll(mux, CfgWriter::toText(cfg)));
    const QStringList problems = exportProblems(cfg);
    QCOMPARE(problems.size(), 2);

    const QString out = m_dir.filePath(QStringLiteral("refused.mbn"));
    Run r = cli({mux, out}, m_dir.path());
    QCOMPARE(r.exitCode, 1);
    QByteArray expected;
    for (const QString &p : problems)
        expected += (mux + QLatin1String(": error: ") + p + QLatin1Char('\n')).toUtf8();
    QCOMPARE(r.err, expected);
    QVERIFY(!QFileInfo::exists(out));

    QVERIFY(writeAll(out, "old"));
    r = cli({mux, out, QStringLiteral("--dump")}, m_dir.path());
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(readAll(out), QByteArray("old"));
}

void TestExportCli::parseError()
{
    const QString mux = m_dir.filePath(QStringLiteral("bad.mux"));
    QVERIFY(writeAll(mux, "transport-stream {\n\tid = 99999;\n}\n"));
    const QString out = m_dir.filePath(QStringLiteral("bad.mbn"));
    const Run r = cli({mux, out}, m_dir.path());
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains((mux + QLatin1String(":2:7: error: ")).toUtf8()), r.err.constData());
    QVERIFY(!QFileInfo::exists(out));
}

void TestExportCli::unreadableInputAndBadArguments()
{
    const QString out = m_dir.filePath(QStringLiteral("none.mbn"));
    Run r = cli({m_dir.filePath(QStringLiteral("missing.mux")), out}, m_dir.path());
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.err.startsWith(m_dir.filePath(QStringLiteral("missing.mux: error: ")).toUtf8()));
    QVERIFY(!QFileInfo::exists(out));

    r = cli({QStringLiteral(VELUNOR_TEST_DATA "/psi/no-tables.mux")}, m_dir.path());
    QCOMPARE(r.exitCode, 2);
}

void TestExportCli::unwritableOutput()
{
    const QString plain = m_dir.filePath(QStringLiteral("plain"));
    QVERIFY(writeAll(plain, "x"));
    const Run r = cli({QStringLiteral(VELUNOR_TEST_DATA "/psi/no-tables.mux"), plain + QLatin1String("/out.mbn")},
                      m_dir.path());
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.startsWith((plain + QLatin1String("/out.mbn: error: cannot write: ")).toUtf8()), r.err.constData());
    QCOMPARE(readAll(plain), QByteArray("x"));
}

QTEST_GUILESS_MAIN(TestExportCli)
#include "test_exportcli.moc"
