#include <QtTest>

#include <QTemporaryDir>

#include "config/cfgwriter.h"
#include "psi/exportcheck.h"
#include "psi/psivmprogram.h"
#include "tests/common/filehelpers.h"
#include "tests/common/psitestutil.h"

using psitest::goldenPath;

namespace {

CliRun exportCli(const QStringList &arguments)
{
    return runCli(QStringList{QStringLiteral("export")} + arguments);
}

} // namespace

class TestExportCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void exportsGolden_data();
    void exportsGolden();
    void refusedConfiguration();
    void failures_data();
    void failures();

private:
    QTemporaryDir m_dir;
};

void TestExportCli::exportsGolden_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("dump");
    for (const QString &name : psitest::goldenNames)
        QTest::newRow(qPrintable(name)) << name << false;
    QTest::newRow("service-without-pmt with --dump") << QStringLiteral("service-without-pmt") << true;
}

void TestExportCli::exportsGolden()
{
    QFETCH(QString, name);
    QFETCH(bool, dump);
    const QString out = m_dir.filePath(name + QLatin1String(".mbn"));
    const CliRun r = exportCli(QStringList{goldenPath(name, ".mux"), out}
                               + (dump ? QStringList{QStringLiteral("--dump")} : QStringList()));
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray());
    const QByteArray program = readWholeFile(out);
    COMPARE_BYTES(program, readWholeFile(goldenPath(name, ".mbn")));
    // No dump and no EIT notes without --dump.
    QCOMPARE(r.err, dump ? QByteArray("generateEIT(...,[..., 257], 32, 4)\ngenerateEIT(...,[..., 771], 33, 4)\n")
                               + PsiVmProgram::dumpText(program)
                         : QByteArray());
}

// Every problem on a line of its own, exit 1, and no file written or changed.
void TestExportCli::refusedConfiguration()
{
    TransportStreamCfg cfg = psitest::goldenConfig(QStringLiteral("all-tables"));
    QCOMPARE(cfg.services.size(), 3);
    cfg.services[1].type = 9;
    cfg.services[2].eventText = QString(300, QLatin1Char('x'));
    const QString mux = m_dir.filePath(QStringLiteral("refused.mux"));
    QVERIFY(writeWholeFile(mux, CfgWriter::toText(cfg)));
    const QStringList problems = exportProblems(cfg);
    QCOMPARE(problems.size(), 2);
    QByteArray expected;
    for (const QString &p : problems)
        expected += (mux + QLatin1String(": error: ") + p + QLatin1Char('\n')).toUtf8();

    const QString out = m_dir.filePath(QStringLiteral("refused.mbn"));
    CliRun r = exportCli({mux, out});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err, expected);
    QVERIFY(!QFileInfo::exists(out));
    QVERIFY(writeWholeFile(out, "old"));
    r = exportCli({mux, out, QStringLiteral("--dump")});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(readWholeFile(out), QByteArray("old"));
}

void TestExportCli::failures_data()
{
    QTest::addColumn<QByteArray>("input"); // written to in.mux; empty: no input file
    QTest::addColumn<QString>("output");   // relative to the directory
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // on stderr; %1: the directory
    QTest::newRow("parse error as FILE:LINE:COLUMN")
        << QByteArray("transport-stream {\n\tid = 99999;\n}\n") << QStringLiteral("bad.mbn") << 1
        << QStringLiteral("%1/in.mux:2:7: error: ");
    QTest::newRow("missing input") << QByteArray() << QStringLiteral("none.mbn") << 2
                                   << QStringLiteral("%1/in.mux: error: ");
    QTest::newRow("output in a regular file") << QByteArray("transport-stream { }\n") << QStringLiteral("plain/out.mbn")
                                              << 2 << QStringLiteral("%1/plain/out.mbn: error: cannot write: ");
    QTest::newRow("no output argument") << QByteArray("transport-stream { }\n") << QString() << 2 << QString();
}

void TestExportCli::failures()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, output);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const QString in = m_dir.filePath(QStringLiteral("in.mux"));
    QFile::remove(in);
    QVERIFY(input.isEmpty() || writeWholeFile(in, input));
    QVERIFY(writeWholeFile(m_dir.filePath(QStringLiteral("plain")), "x"));
    const CliRun r = exportCli(output.isEmpty() ? QStringList{in} : QStringList{in, m_dir.filePath(output)});
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(message.arg(m_dir.path()).toUtf8()), r.err.constData());
    QVERIFY(output.isEmpty() || !QFileInfo::exists(m_dir.filePath(output)));
    QCOMPARE(readWholeFile(m_dir.filePath(QStringLiteral("plain"))), QByteArray("x"));
}

QTEST_GUILESS_MAIN(TestExportCli)
#include "test_exportcli.moc"
