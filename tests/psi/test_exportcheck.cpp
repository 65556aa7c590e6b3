#include <QtTest>

#include "config/model.h"
#include "psi/exportcheck.h"
#include "psi/psivmprogram.h"
#include "tests/common/psitestutil.h"

Q_DECLARE_METATYPE(TransportStreamCfg)

namespace {

ServiceCfg service(quint16 id, const QString &name = QStringLiteral("S"), bool pmt = true)
{
    ServiceCfg s;
    s.id = id;
    s.pmtPid = quint16(0x100 + id);
    s.serviceName = name;
    s.pmtEnabled = pmt;
    return s;
}

QString a(int n)
{
    return QString(n, QLatin1Char('a'));
}

TransportStreamCfg pmtOfTeletexts(int count)
{
    TransportStreamCfg cfg;
    cfg.services << service(0x0101);
    for (int i = 0; i < count; ++i) {
        ESCfg e;
        e.type = EsTeletext;
        e.pid = quint16(0x200 + i);
        cfg.services[0].elements << e;
    }
    return cfg;
}

// Four services whose SDT image comes to 1021 + extra bytes.
TransportStreamCfg sdtOf(int extra)
{
    TransportStreamCfg cfg;
    for (int i = 0; i < 4; ++i) {
        ServiceCfg s = service(quint16(i + 1), i < 3 ? a(126) : a(101 + extra), false);
        s.providerName = i < 3 ? a(126) : a(100);
        s.caEnabled = i < 3;
        cfg.services << s;
    }
    return cfg;
}

// A PAT of 1024 bytes: 253 services without PMT, no NIT entry.
TransportStreamCfg fullPat()
{
    TransportStreamCfg cfg;
    cfg.nitEnabled = cfg.sdtEnabled = false;
    for (int i = 0; i < 253; ++i)
        cfg.services << service(quint16(i + 1), QStringLiteral("S"), false);
    return cfg;
}

QString tooLong(const QString &what, int size, int limit = 255)
{
    return QStringLiteral("%1 would be %2 bytes long; at most %3 fit").arg(what).arg(size).arg(limit);
}

QString ofService(int number, const QString &name, int id, const QString &text)
{
    const QString hexId = QString::number(id, 16).toUpper().rightJustified(4, QLatin1Char('0'));
    return QStringLiteral("service %1 \"%2\" (id 0x%3): %4").arg(QString::number(number), name, hexId, text);
}

} // namespace

class TestExportCheck : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void problems_data();
    void problems();
    void boundariesAgreeWithBuilder_data();
    void boundariesAgreeWithBuilder();
    void programSizeLimit();
};

void TestExportCheck::problems_data()
{
    QTest::addColumn<TransportStreamCfg>("cfg");
    QTest::addColumn<QStringList>("expected");

    TransportStreamCfg base;
    base.netName = QStringLiteral("Net");
    base.services << service(0x0101, QStringLiteral("News 24"));
    QTest::newRow("defaults with one service") << base << QStringList();

    TransportStreamCfg many;
    for (int i = 0; i < 17; ++i)
        many.services << service(quint16(i + 1));
    QTest::newRow("17 services with PMT")
        << many << QStringList{QStringLiteral("17 services have PMT generation on; the MUX has entry points for the PMT "
                                              "and EIT of at most 16")};
    many.services[5].pmtEnabled = false;
    QTest::newRow("17 services, 16 with PMT") << many << QStringList();

    TransportStreamCfg type = base;
    type.services[0].type = 5;
    const QString typeProblem = QStringLiteral(
        "service 1 \"News 24\" (id 0x0101): service type 5 has no DVB service_type; only 0 (Digital TV) "
        "and 1 (Digital Radio) can go into the SDT and NIT");
    QTest::newRow("service type 5 with SDT and NIT") << type << QStringList{typeProblem};
    type.sdtEnabled = false;
    QTest::newRow("service type 5 with NIT only") << type << QStringList{typeProblem};
    type.nitEnabled = false;
    QTest::newRow("service type 5 without SDT and NIT") << type << QStringList();

    TransportStreamCfg sd = base;
    sd.services[0].providerName = a(126);
    sd.services[0].serviceName = a(126);
    QTest::newRow("service descriptor of 255 bytes") << sd << QStringList();
    sd.services[0].serviceName = a(127);
    QTest::newRow("service descriptor of 256 bytes")
        << sd << QStringList{ofService(1, a(127), 0x0101, tooLong(QStringLiteral("the service descriptor"), 256))};
    sd.services[0].serviceName = QStringLiteral("\u00E9") + a(123); // selector 10 00 01 counts
    QTest::newRow("Latin-1 selector counts in the descriptor")
        << sd << QStringList{ofService(1, sd.services[0].serviceName, 0x0101,
                                       tooLong(QStringLiteral("the service descriptor"), 256))};
    sd.sdtEnabled = false;
    QTest::newRow("long service name without SDT") << sd << QStringList();

    TransportStreamCfg ev = base;
    ev.services[0].id = 0xBEEF;
    ev.services[0].eventName = a(100);
    ev.services[0].eventText = a(150);
    QTest::newRow("short event descriptor of 255 bytes") << ev << QStringList();
    ev.services[0].eventText = a(151);
    QTest::newRow("short event descriptor of 256 bytes")
        << ev << QStringList{QStringLiteral("service 1 \"News 24\" (id 0xBEEF): the short event descriptor would be 256 "
                                            "bytes long; at most 255 fit")};
    ev.services[0].pmtEnabled = false;
    QTest::newRow("long event text of a service without PMT") << ev << QStringList();
    ev.services[0].pmtEnabled = true;
    ev.eitEnabled = false;
    QTest::newRow("long event text without EIT") << ev << QStringList();

    TransportStreamCfg net = base;
    net.netName = a(255);
    QTest::newRow("network name of 255 bytes") << net << QStringList();
    net.netName = QStringLiteral("\u20AC") + a(252); // 15 E2 82 AC + 252
    QTest::newRow("UTF-8 network name of 256 bytes")
        << net << QStringList{tooLong(QStringLiteral("the network name descriptor"), 256)};
    net.nitEnabled = false;
    QTest::newRow("long network name without NIT") << net << QStringList();

    TransportStreamCfg list;
    list.sdtEnabled = false;
    for (int i = 0; i < 86; ++i) {
        list.services << service(quint16(i + 1), QStringLiteral("S"), false);
        list.services.last().lcEnabled = i < 64;
    }
    QTest::newRow("86 services and 64 logical channels in the NIT")
        << list << QStringList{tooLong(QStringLiteral("the NIT's service list descriptor (86 services)"), 258),
                               tooLong(QStringLiteral("the NIT's logical channel descriptor (64 channels)"), 256)};
    list.services.removeLast();
    list.services[0].lcEnabled = false;
    QTest::newRow("85 services and 63 logical channels") << list << QStringList();

    QTest::newRow("PAT of 1024 bytes") << fullPat() << QStringList();
    TransportStreamCfg pat = fullPat();
    pat.services << service(999, QStringLiteral("S"), false);
    QTest::newRow("PAT of 1028 bytes") << pat << QStringList{tooLong(QStringLiteral("the PAT section"), 1028, 1024)};
    QTest::newRow("PMT of 1024 bytes") << pmtOfTeletexts(84) << QStringList();
    QTest::newRow("PMT of 1036 bytes")
        << pmtOfTeletexts(85)
        << QStringList{ofService(1, QStringLiteral("S"), 0x0101, tooLong(QStringLiteral("the PMT section"), 1036, 1024))};
    QTest::newRow("SDT of 1024 bytes") << sdtOf(0) << QStringList();
    QTest::newRow("SDT of 1025 bytes") << sdtOf(1) << QStringList{tooLong(QStringLiteral("the SDT section"), 1025, 1024)};

    TransportStreamCfg several = type;
    several.sdtEnabled = true;
    several.services[0].serviceName = a(300);
    several.services << service(0x0202);
    several.services[1].eventName = a(260);
    several.netName = a(256);
    QTest::newRow("every problem is listed, in order")
        << several
        << QStringList{QString(typeProblem).replace(QLatin1String("News 24"), a(300)),
                       ofService(1, a(300), 0x0101, tooLong(QStringLiteral("the service descriptor"), 303)),
                       ofService(2, QStringLiteral("S"), 0x0202, tooLong(QStringLiteral("the short event descriptor"), 265))};
}

void TestExportCheck::problems()
{
    QFETCH(TransportStreamCfg, cfg);
    QFETCH(QStringList, expected);
    QCOMPARE(exportProblems(cfg), expected);
}

void TestExportCheck::boundariesAgreeWithBuilder_data()
{
    QTest::addColumn<TransportStreamCfg>("cfg");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("sectionSize");
    QTest::newRow("PAT") << fullPat() << 0 << 1024;
    QTest::newRow("PMT") << pmtOfTeletexts(84) << 16 << 1024;
    QTest::newRow("SDT") << sdtOf(0) << 2 << 1024;
    TransportStreamCfg ev;
    ev.services << service(1);
    ev.services[0].eventName = a(100);
    ev.services[0].eventText = a(150);
    QTest::newRow("EIT") << ev << 32 << 255 + 29 + 3;
}

// The checks compute sizes without building; the builder must agree, or a
// limit would be checked against the wrong figure.
void TestExportCheck::boundariesAgreeWithBuilder()
{
    QFETCH(TransportStreamCfg, cfg);
    QFETCH(int, slot);
    QFETCH(int, sectionSize);
    QVERIFY(exportProblems(cfg).isEmpty());
    PsiVmProgram prog;
    psitest::MessageCapture quiet;
    QVERIFY(prog.buildProgram(cfg));
    const QByteArray &p = prog.program();
    QCOMPARE(exportProgramSize(cfg), int(p.size()));
    const int routine = psitest::slotOffset(p, slot);
    const int copy = quint8(p.at(routine)) == 0x07 ? routine + 4 : routine;
    // The image holds the pointer_field but not the CRC_32.
    QCOMPARE((psitest::u16At(p, copy) & 0x3FFF) - 1 + 4, sectionSize);
}

void TestExportCheck::programSizeLimit()
{
    TransportStreamCfg cfg;
    cfg.playoutTimings = true;
    cfg.sdtEnabled = false; // four long service descriptors would overflow the SDT
    for (int i = 0; i < 16; ++i) {
        cfg.services << pmtOfTeletexts(80).services.first();
        cfg.services.last().id = quint16(i + 1);
        cfg.services.last().providerName = a(100);
        cfg.services.last().eventName = a(120);
        cfg.services.last().eventText = a(130);
    }
    QVERIFY(exportProblems(cfg).isEmpty());
    PsiVmProgram prog;
    psitest::MessageCapture quiet;
    QVERIFY(prog.buildProgram(cfg));
    const int base = int(prog.program().size());
    QCOMPARE(exportProgramSize(cfg), base);

    // Six bytes a rule: as many as fit still build and agree with the check.
    const int fit = (0xFFFF - base) / 6;
    cfg.filters.resize(fit);
    QVERIFY(exportProblems(cfg).isEmpty());
    QVERIFY(prog.buildProgram(cfg));
    QCOMPARE(exportProgramSize(cfg), int(prog.program().size()));
    QVERIFY(prog.program().size() <= 0xFFFF);

    cfg.filters.append(FilterCfg());
    const int size = base + 6 * (fit + 1);
    QVERIFY(size > 0xFFFF);
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
