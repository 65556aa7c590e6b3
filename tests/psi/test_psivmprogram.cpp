#include <QtTest>

#include "config/cfgreader.h"
#include "psi/psibuffer.h"
#include "psi/psivmprogram.h"
#include "psi/sections.h"
#include "tests/common/filehelpers.h"
#include "tests/common/psitestutil.h"

// tests/data/psivm/<case>.mux holds one small multiplex each (a PAT or PMT
// detail, a filter rule, a TDT or EIT variant); <case>.mbn its whole program.
// tests/data/psivm/pmt-entries.txt: PMT images of one element, written by hand;
// tests/data/psivm/service-entries.txt: a service's SDT and NIT entries.
static const QString caseDir = QStringLiteral(VELUNOR_TEST_DATA "/psivm/");

Q_DECLARE_METATYPE(TransportStreamCfg)

class TestPsiVmProgram : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void programs_data();
    void programs();
    void entryPointOutOfRange();
};

void TestPsiVmProgram::programs_data()
{
    QTest::addColumn<TransportStreamCfg>("cfg");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("piece"); // bytes: that piece of the first service, not the program
    const QStringList cases = QDir(caseDir).entryList({QStringLiteral("*.mux")}, QDir::Files, QDir::Name);
    QVERIFY(cases.size() >= 20);
    for (const QString &file : cases) {
        CfgReader reader;
        TransportStreamCfg cfg;
        QVERIFY2(reader.open(caseDir + file) && reader.parse(&cfg), qPrintable(reader.errorString()));
        QTest::newRow(qPrintable(file.chopped(4))) << cfg << readWholeFile(caseDir + file.chopped(4) + QLatin1String(".mbn")) << QString();
    }
    for (const QByteArray &line : testData(QStringLiteral("psivm/pmt-entries.txt")).split('\n')) {
        const QList<QByteArray> f = line.split('|');
        if (f.size() != 5 || line.startsWith('#'))
            continue;
        ServiceCfg s;
        s.id = 1, s.pcrPid = 0x0101;
        s.elements << ESCfg{f[0].trimmed().toInt(), quint16(f[1].trimmed().toInt(nullptr, 16)),
                            QString::fromLatin1(f[2].trimmed())};
        TransportStreamCfg cfg;
        cfg.services << s;
        QTest::newRow(f[4].trimmed().constData()) << cfg << QByteArray::fromHex(f[3]) << QStringLiteral("pmt");
    }
    for (const QByteArray &line : testData(QStringLiteral("psivm/service-entries.txt")).split('\n')) {
        const QList<QByteArray> f = line.split('|');
        if (f.size() != 6 || line.startsWith('#'))
            continue;
        ServiceCfg s;
        s.id = 0x0101, s.providerName = QStringLiteral("P"), s.serviceName = QStringLiteral("S");
        s.type = f[2].trimmed().toInt();
        const QByteArray channel = f[3].trimmed();
        s.lcEnabled = channel != "-";
        s.lcVisible = channel.startsWith('v');
        s.lcNumber = quint16(channel.mid(1).toInt());
        TransportStreamCfg cfg;
        cfg.lcnProfile = int(QByteArrayList{"plain", "eacem", "nordig", "dbook"}.indexOf(f[1].trimmed()));
        cfg.services << s;
        QTest::newRow(f[5].trimmed().constData()) << cfg << QByteArray::fromHex(f[4]) << QString::fromLatin1(f[0].trimmed());
    }
}

void TestPsiVmProgram::programs()
{
    QFETCH(TransportStreamCfg, cfg);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, piece);
    PsiVmProgram prog;
    PsiBuffer image;
    psitest::MessageCapture capture;
    if (piece == QLatin1String("pmt"))
        PsiSections::pmt(image, cfg.services.first());
    else if (piece == QLatin1String("service-descriptor"))
        PsiSections::serviceDescriptor(image, cfg.services.first());
    else if (piece == QLatin1String("service-list"))
        PsiSections::nitServiceList(image, cfg);
    else if (piece == QLatin1String("channels"))
        PsiSections::nitLogicalChannels(image, cfg);
    else if (piece == QLatin1String("specifier"))
        PsiSections::nitLcnSpecifier(image, cfg);
    else
        QVERIFY(prog.buildProgram(cfg));
    image.finish();
    QCOMPARE(capture.criticals(), QStringList());
    COMPARE_BYTES(piece.isEmpty() ? prog.program() : image.output().toByteArray(), bytes);
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
