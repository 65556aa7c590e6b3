#include <QtTest>

#include "config/cfgreader.h"
#include "psi/exportcheck.h"
#include "psi/psivmprogram.h"
#include "tests/common/filehelpers.h"
#include "tests/common/psitestutil.h"

// tests/data/exportcheck/<case>.mux sits on one side of a limit (a descriptor
// of 255/256 bytes, a section of 1024/1025, 16/17 PMT services, ...);
// <case>.out lists the problems expected, one a line.
static const QString caseDir = QStringLiteral(VELUNOR_TEST_DATA "/exportcheck/");

class TestExportCheck : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void problems_data();
    void problems();
    void programSizeLimit();
};

void TestExportCheck::problems_data()
{
    QTest::addColumn<QString>("name");
    const QStringList cases = QDir(caseDir).entryList({QStringLiteral("*.mux")}, QDir::Files, QDir::Name);
    QVERIFY(cases.size() >= 20);
    for (const QString &file : cases)
        QTest::newRow(qPrintable(file.chopped(4))) << file.chopped(4);
}

void TestExportCheck::problems()
{
    QFETCH(QString, name);
    CfgReader reader;
    TransportStreamCfg cfg;
    QVERIFY2(reader.open(caseDir + name + QLatin1String(".mux")) && reader.parse(&cfg),
             qPrintable(reader.errorString()));
    const QStringList problems = exportProblems(cfg);
    const QByteArray expected = readWholeFile(caseDir + name + QLatin1String(".out"));
    QCOMPARE(problems, QString::fromUtf8(expected).split(QLatin1Char('\n'), Qt::SkipEmptyParts));
    if (!problems.isEmpty())
        return;
    // The checks size the program without building it; at a limit the
    // builder must agree, or the limit would be checked against a wrong figure.
    PsiVmProgram prog;
    psitest::MessageCapture quiet;
    QVERIFY(prog.buildProgram(cfg));
    QCOMPARE(exportProgramSize(cfg), int(prog.program().size()));
}

// Sixteen services with 80 teletext streams each, then six bytes a PID
// filter rule up to the 16-bit program space and one rule beyond.
void TestExportCheck::programSizeLimit()
{
    TransportStreamCfg cfg;
    cfg.sdtEnabled = false;
    cfg.services.resize(16);
    for (int i = 0; i < 16; ++i) {
        cfg.services[i].id = quint16(i + 1);
        for (int e = 0; e < 80; ++e)
            cfg.services[i].elements << ESCfg{EsTeletext, quint16(0x200 + e), QString()};
    }
    PsiVmProgram prog;
    psitest::MessageCapture quiet;
    QVERIFY(prog.buildProgram(cfg));
    const int fit = (0xFFFF - int(prog.program().size())) / 6;
    cfg.filters.resize(fit);
    QCOMPARE(exportProblems(cfg), QStringList());
    QVERIFY(prog.buildProgram(cfg));
    const int size = exportProgramSize(cfg) + 6;
    QCOMPARE(exportProgramSize(cfg), int(prog.program().size()));
    cfg.filters.append(FilterCfg());
    QCOMPARE(exportProblems(cfg), QStringList{QStringLiteral("the MUX binary would be %1 bytes long; at most 65535 can "
                                                             "be addressed").arg(size)});
    // Built anyway, one rule more puts the closing routine beyond 16-bit offsets.
    cfg.filters.append(FilterCfg());
    QVERIFY(!prog.buildProgram(cfg));
    QCOMPARE(quiet.criticals(), QStringList{QStringLiteral("Entry point 15 at offset %1 is beyond the 16-bit program "
                                                           "space").arg(size)});
}

QTEST_APPLESS_MAIN(TestExportCheck)
#include "test_exportcheck.moc"
