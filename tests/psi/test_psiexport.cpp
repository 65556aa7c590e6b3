#include <QtTest>

#include <QTemporaryDir>

#include "psi/exportcheck.h"
#include "psi/psivmprogram.h"
#include "tests/common/filehelpers.h"
#include "tests/common/psitestutil.h"

Q_DECLARE_METATYPE(TransportStreamCfg)

// A failed export must leave an earlier out.mbn as it was and no temporary
// file behind; a good one replaces it with exactly the program built.
class TestPsiExport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void exportToFile_data();
    void exportToFile();
};

void TestPsiExport::exportToFile_data()
{
    QTest::addColumn<TransportStreamCfg>("cfg");
    QTest::addColumn<QString>("target");   // in a directory holding out.mbn and a regular file "plain"
    QTest::addColumn<qint64>("sizeLimit"); // >0: the export runs in a child under RLIMIT_FSIZE
    QTest::addColumn<bool>("exported");
    const QString out = QStringLiteral("out.mbn");
    const TransportStreamCfg all = psitest::goldenConfig(QStringLiteral("all-tables"));
    TransportStreamCfg refused = all;
    refused.services[0].type = 7;
    TransportStreamCfg large = all;
    large.filters.resize(1000);
    QTest::newRow("replaces the old file") << all << out << qint64(0) << true;
    QTest::newRow("refused configuration") << refused << out << qint64(0) << false;
    QTest::newRow("failed open: parent is a regular file")
        << all << QStringLiteral("plain/out.mbn") << qint64(0) << false;
    QTest::newRow("write failing part-way") << large << out << qint64(4096) << false;
}

void TestPsiExport::exportToFile()
{
    QFETCH(TransportStreamCfg, cfg);
    QFETCH(QString, target);
    QFETCH(qint64, sizeLimit);
    QFETCH(bool, exported);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.mbn"));
    QVERIFY(writeWholeFile(dir.filePath(QStringLiteral("plain")), "x") && writeWholeFile(out, "previous"));
    QByteArray program;
    QString error; // shown by the editor: the problems, one a line
    auto run = [&]() -> int {
        psitest::MessageCapture quiet;
        PsiVmProgram prog;
        prog.open(dir.filePath(target)); // a failed open shows in generateProgram()
        const bool ok = prog.generateProgram(cfg);
        program = prog.program();
        error = prog.errorString();
        return ok ? 0 : 1;
    };
    QCOMPARE(sizeLimit ? exitCodeUnderFileSizeLimit(rlim_t(sizeLimit), run) : run(), exported ? 0 : 1);
    COMPARE_BYTES(readWholeFile(out), exported ? program : QByteArray("previous"));
    if (!exportProblems(cfg).isEmpty())
        QCOMPARE(error, exportProblems(cfg).join(QLatin1Char('\n')));
    QCOMPARE(dirEntries(dir.path()), (QStringList{QStringLiteral("out.mbn"), QStringLiteral("plain")}));
}

QTEST_APPLESS_MAIN(TestPsiExport)
#include "test_psiexport.moc"
