#include <QtTest>

#include "config/cfgreader.h"
#include "psi/psivmprogram.h"
#include "tests/common/filehelpers.h"
#include "tests/common/psitestutil.h"

// tests/data/psivm/<case>.mux holds one small multiplex each (a PAT or PMT
// detail, a filter rule, a TDT or EIT variant); <case>.mbn its whole program.
static const QString caseDir = QStringLiteral(VELUNOR_TEST_DATA "/psivm/");

class TestPsiVmProgram : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void programs_data();
    void programs();
    void entryPointOutOfRange();
};

void TestPsiVmProgram::programs_data()
{
    QTest::addColumn<QString>("name");
    const QStringList cases = QDir(caseDir).entryList({QStringLiteral("*.mux")}, QDir::Files, QDir::Name);
    QVERIFY(cases.size() >= 20);
    for (const QString &file : cases)
        QTest::newRow(qPrintable(file.chopped(4))) << file.chopped(4);
}

void TestPsiVmProgram::programs()
{
    QFETCH(QString, name);
    CfgReader reader;
    TransportStreamCfg cfg;
    QVERIFY2(reader.open(caseDir + name + QLatin1String(".mux")) && reader.parse(&cfg),
             qPrintable(reader.errorString()));
    PsiVmProgram prog;
    psitest::MessageCapture capture;
    QVERIFY(prog.buildProgram(cfg));
    QCOMPARE(capture.criticals(), QStringList());
    COMPARE_BYTES(prog.program(), readWholeFile(caseDir + name + QLatin1String(".mbn")));
}

// Slots 0..47 exist; a bad slot is reported and poisons the program instead
// of writing past the entry table.
void TestPsiVmProgram::entryPointOutOfRange()
{
    PsiVmProgram prog;
    prog.clearProgram();
    psitest::MessageCapture capture;
    prog.setEntryPoint(48, 0x0060);
    prog.setEntryPoint(-1, 0x0060);
    prog.setEntryPoint(47, 0x1234);
    QCOMPARE(capture.criticals(), (QStringList{QStringLiteral("Tried to set entry point 48"),
                                               QStringLiteral("Tried to set entry point -1")}));
    COMPARE_BYTES(prog.program(), QByteArray(94, '\xFF') + psitest::hex("12 34"));
    QVERIFY(prog.hasEncodingError());
}

QTEST_APPLESS_MAIN(TestPsiVmProgram)
#include "test_psivmprogram.moc"
