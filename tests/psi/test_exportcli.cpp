#include <QtTest>

#include <QTemporaryDir>

#include "tests/common/filehelpers.h"
#include "tests/common/psitestutil.h"

using psitest::goldenPath;

class TestExportCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void exportsGolden_data();
    void exportsGolden();
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
    // --dump prints eight bytes a line: whole lines only (624 bytes), a short last one (110).
    QTest::newRow("service-without-pmt with --dump") << QStringLiteral("service-without-pmt") << true;
    QTest::newRow("no-tables with --dump") << QStringLiteral("no-tables") << true;
}

void TestExportCli::exportsGolden()
{
    QFETCH(QString, name);
    QFETCH(bool, dump);
    const QString out = m_dir.filePath(name + QLatin1String(".mbn"));
    const CliRun r = runCli(QStringList{QStringLiteral("export"), goldenPath(name, ".mux"), out}
                            + (dump ? QStringList{QStringLiteral("--dump")} : QStringList()));
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray());
    COMPARE_BYTES(readWholeFile(out), readWholeFile(goldenPath(name, ".mbn")));
    // No dump and no EIT notes without --dump.
    QCOMPARE(r.err, dump ? testData(QStringLiteral("exportcli/") + name + QLatin1String(".err")) : QByteArray());
}

void TestExportCli::failures_data()
{
    QTest::addColumn<QByteArray>("input"); // written to in.mux
    QTest::addColumn<QString>("output");   // relative to the directory
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // on stderr; %1: the directory
    QString refused;
    for (const QByteArray &p : testData(QStringLiteral("exportcli/refused.out")).split('\n'))
        refused += p.isEmpty() ? QString() : QStringLiteral("%1/in.mux: error: ") + QString::fromUtf8(p) + u'\n';
    QTest::newRow("refused: every problem on a line of its own")
        << testData(QStringLiteral("exportcli/refused.mux")) << QStringLiteral("refused.mbn") << 1 << refused;
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
    QVERIFY(writeWholeFile(in, input));
    QVERIFY(writeWholeFile(m_dir.filePath(QStringLiteral("plain")), "x"));
    const QStringList args{QStringLiteral("export"), in};
    const CliRun r = runCli(output.isEmpty() ? args : args + QStringList{m_dir.filePath(output)});
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(QString(message).replace(QLatin1String("%1"), m_dir.path()).toUtf8()), r.err.constData());
    QVERIFY(output.isEmpty() || !QFileInfo::exists(m_dir.filePath(output)));
}

QTEST_GUILESS_MAIN(TestExportCli)
#include "test_exportcli.moc"
