#include <QtTest>

#include <QTemporaryDir>

#include "psi/exportcheck.h"
#include "psi/psivmprogram.h"
#include "tests/common/filehelpers.h"
#include "tests/common/stderrcapture.h"
#include "tests/common/psitestutil.h"

Q_DECLARE_METATYPE(TransportStreamCfg)

class TestPsiExport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void exportToFile_data();
    void exportToFile();
    void encodingFaultIsRefused();
};

void TestPsiExport::exportToFile_data()
{
    QTest::addColumn<TransportStreamCfg>("cfg");
    QTest::addColumn<QString>("target");   // in a directory that holds "plain" and, with old, out.mbn
    QTest::addColumn<bool>("old");         // out.mbn exists before
    QTest::addColumn<bool>("dump");
    QTest::addColumn<qint64>("sizeLimit"); // >0: the export runs in a child under RLIMIT_FSIZE
    QTest::addColumn<bool>("exported");

    const QString out = QStringLiteral("out.mbn");
    const TransportStreamCfg all = psitest::goldenConfig(QStringLiteral("all-tables"));
    const TransportStreamCfg none = psitest::goldenConfig(QStringLiteral("no-tables"));
    TransportStreamCfg refused = all;
    refused.services[0].type = 7;
    TransportStreamCfg large = all;
    large.filters.resize(1000);
    QTest::newRow("writes the file and dumps the program") << all << out << true << true << qint64(0) << true;
    QTest::newRow("no dump, nothing on stderr") << none << out << false << false << qint64(0) << true;
    QTest::newRow("refused: no file") << refused << out << false << true << qint64(0) << false;
    QTest::newRow("refused: old file stays") << refused << out << true << true << qint64(0) << false;
    QTest::newRow("failed open: parent is a regular file") << all << QStringLiteral("plain/out.mbn") << false << false
                                                         << qint64(0) << false;
    QTest::newRow("never opened") << all << QString() << true << false << qint64(0) << false;
    QTest::newRow("write failing part-way") << large << out << true << false << qint64(4096) << false;
}

void TestPsiExport::exportToFile()
{
    QFETCH(TransportStreamCfg, cfg);
    QFETCH(QString, target);
    QFETCH(bool, old);
    QFETCH(bool, dump);
    QFETCH(qint64, sizeLimit);
    QFETCH(bool, exported);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.mbn"));
    const QByteArray previous("previous export\n");
    QVERIFY(writeWholeFile(dir.filePath(QStringLiteral("plain")), "x"));
    QVERIFY(!old || writeWholeFile(out, previous));
    QVERIFY(exportProgramSize(cfg) > sizeLimit);

    QByteArray program;
    QString error;
    StderrCapture capture;
    auto run = [&]() -> int {
        psitest::MessageCapture quiet;
        PsiVmProgram prog;
        prog.setDumpEnabled(dump);
        if (!target.isEmpty())
            prog.open(dir.filePath(target)); // a failed open shows in generateProgram()
        const bool ok = prog.generateProgram(cfg);
        program = prog.program();
        error = prog.errorString();
        return ok ? 0 : 1;
    };
    const int result = sizeLimit ? exitCodeUnderFileSizeLimit(rlim_t(sizeLimit), run) : run();
    const QByteArray err = capture.finish();
    QCOMPARE(result, exported ? 0 : 1); // -1: the exporting process died
    if (exported) {
        COMPARE_BYTES(readWholeFile(out), program);
        QCOMPARE(err, dump ? PsiVmProgram::dumpText(program) : QByteArray());
    } else {
        QCOMPARE(readWholeFile(out), old ? previous : QByteArray());
        if (!exportProblems(cfg).isEmpty())
            QCOMPARE(error, exportProblems(cfg).join(QLatin1Char('\n')));
    }
    QCOMPARE(readWholeFile(dir.filePath(QStringLiteral("plain"))), QByteArray("x"));
    QCOMPARE(dirEntries(dir.path()), (old || exported ? QStringList{QStringLiteral("out.mbn"), QStringLiteral("plain")}
                                                      : QStringList{QStringLiteral("plain")}));
}

// The builder does not rely on the checks: a service type without a DVB code
// is reported and marks the program as faulty.
void TestPsiExport::encodingFaultIsRefused()
{
    TransportStreamCfg cfg;
    cfg.nitEnabled = false; // the SDT alone reports it
    cfg.services << ServiceCfg();
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

QTEST_APPLESS_MAIN(TestPsiExport)
#include "test_psiexport.moc"
