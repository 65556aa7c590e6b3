#include <QtTest>

#include "config/model.h"
#include "psi/exportcheck.h"
#include "psi/psivmprogram.h"
#include "psitestutil.h"

Q_DECLARE_METATYPE(TransportStreamCfg)

namespace {

ServiceCfg service(quint16 id, const QString &name = QStringLiteral("S"))
{
    ServiceCfg s;
    s.id = id;
    s.pmtPid = quint16(0x100 + id);
    s.serviceName = name;
    return s;
}

QString a(int n)
{
    return QString(n, QLatin1Char('a'));
}

ESCfg teletext(quint16 pid)
{
    ESCfg e;
    e.type = EsTeletext;
    e.pid = pid;
    return e;
}

TransportStreamCfg pmtOfTeletexts(int count)
{
    TransportStreamCfg cfg;
    ServiceCfg s = service(0x0101);
    for (int i = 0; i < count; ++i)
        s.elements << teletext(quint16(0x200 + i));
    cfg.services << s;
    return cfg;
}

// Four services whose SDT image comes to 1021 + extra bytes.
TransportStreamCfg sdtOf(int extra)
{
    TransportStreamCfg cfg;
    for (int i = 0; i < 3; ++i) {
        ServiceCfg s = service(quint16(i + 1), a(126));
        s.providerName = a(126);
        s.caEnabled = true;
        s.pmtEnabled = false;
        cfg.services << s;
    }
    ServiceCfg last = service(4, a(101 + extra));
    last.providerName = a(100);
    last.pmtEnabled = false;
    cfg.services << last;
    return cfg;
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
        << many
        << QStringList{QStringLiteral("17 services have PMT generation on; the MUX has entry points "
                                      "for the PMT and EIT of at most 16")};
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
        << sd
        << QStringList{QStringLiteral("service 1 \"%1\" (id 0x0101): the service descriptor would be "
                                      "256 bytes long; at most 255 fit")
                           .arg(a(127))};
    sd.services[0].serviceName = QStringLiteral("\u00E9") + a(123); // selector 10 00 01 counts
    QTest::newRow("Latin-1 selector counts in the descriptor")
        << sd
        << QStringList{QStringLiteral("service 1 \"%1\" (id 0x0101): the service descriptor would be "
                                      "256 bytes long; at most 255 fit")
                           .arg(sd.services[0].serviceName)};
    sd.sdtEnabled = false;
    QTest::newRow("long service name without SDT") << sd << QStringList();

    TransportStreamCfg ev = base;
    ev.services[0].id = 0xBEEF;
    ev.services[0].eventName = a(100);
    ev.services[0].eventText = a(150);
    QTest::newRow("short event descriptor of 255 bytes") << ev << QStringList();
    ev.services[0].eventText = a(151);
    QTest::newRow("short event descriptor of 256 bytes")
        << ev
        << QStringList{QStringLiteral("service 1 \"News 24\" (id 0xBEEF): the short event descriptor "
                                      "would be 256 bytes long; at most 255 fit")};
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
        << net
        << QStringList{QStringLiteral("the network name descriptor would be 256 bytes long; at most 255 fit")};
    net.nitEnabled = false;
    QTest::newRow("long network name without NIT") << net << QStringList();

    TransportStreamCfg list;
    for (int i = 0; i < 86; ++i) {
        list.services << service(quint16(i + 1));
        list.services.last().pmtEnabled = false;
        list.services.last().lcEnabled = i < 64;
    }
    list.sdtEnabled = false;
    QTest::newRow("86 services and 64 logical channels in the NIT")
        << list
        << QStringList{QStringLiteral("the NIT's service list descriptor (86 services) would be 258 bytes long; "
                                      "at most 255 fit"),
                       QStringLiteral("the NIT's logical channel descriptor (64 channels) would be 256 bytes long; "
                                      "at most 255 fit")};
    list.services.removeLast();
    list.services[0].lcEnabled = false;
    QTest::newRow("85 services and 63 logical channels") << list << QStringList();

    TransportStreamCfg pat;
    pat.nitEnabled = pat.sdtEnabled = false;
    for (int i = 0; i < 253; ++i) {
        pat.services << service(quint16(i + 1));
        pat.services.last().pmtEnabled = false;
    }
    QTest::newRow("PAT of 1024 bytes") << pat << QStringList();
    pat.nitEnabled = true;
    pat.services.resize(84); // keeps the NIT's service list within its descriptor
    pat.services << pat.services;
    pat.services << pat.services.mid(0, 85);
    pat.nitEnabled = false;
    pat.services << service(999);
    pat.services.last().pmtEnabled = false;
    QTest::newRow("PAT of 1028 bytes")
        << pat << QStringList{QStringLiteral("the PAT section would be 1028 bytes long; at most 1024 fit")};

    QTest::newRow("PMT of 1024 bytes") << pmtOfTeletexts(84) << QStringList();
    QTest::newRow("PMT of 1036 bytes")
        << pmtOfTeletexts(85)
        << QStringList{QStringLiteral("service 1 \"S\" (id 0x0101): the PMT section would be 1036 bytes long; "
                                      "at most 1024 fit")};

    QTest::newRow("SDT of 1024 bytes") << sdtOf(0) << QStringList();
    QTest::newRow("SDT of 1025 bytes")
        << sdtOf(1) << QStringList{QStringLiteral("the SDT section would be 1025 bytes long; at most 1024 fit")};

    TransportStreamCfg several = type;
    several.sdtEnabled = true;
    several.services[0].serviceName = a(300);
    several.services << service(0x0202);
    several.services[1].eventName = a(260);
    several.netName = a(256);
    QTest::newRow("every problem is listed, in order")
        << several
        << QStringList{
               QStringLiteral("service 1 \"%1\" (id 0x0101): service type 5 has no DVB service_type; only 0 "
                              "(Digital TV) and 1 (Digital Radio) can go into the SDT and NIT")
                   .arg(a(300)),
               QStringLiteral("service 1 \"%1\" (id 0x0101): the service descriptor would be 303 bytes long; "
                              "at most 255 fit")
                   .arg(a(300)),
               QStringLiteral("service 2 \"S\" (id 0x0202): the short event descriptor would be 265 bytes "
                              "long; at most 255 fit")};
}

void TestExportCheck::problems()
{
    QFETCH(TransportStreamCfg, cfg);
    QFETCH(QStringList, expected);
    const QStringList actual = exportProblems(cfg);
    if (actual != expected)
        qWarning().noquote() << actual.join(QLatin1Char(10));
    QCOMPARE(actual, expected);
}

void TestExportCheck::boundariesAgreeWithBuilder_data()
{
    QTest::addColumn<TransportStreamCfg>("cfg");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("sectionSize");

    TransportStreamCfg pat;
    pat.nitEnabled = pat.sdtEnabled = false;
    for (int i = 0; i < 253; ++i) {
        pat.services << service(quint16(i + 1));
        pat.services.last().pmtEnabled = false;
    }
    QTest::newRow("PAT") << pat << 0 << 1024;
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
    const int routine = (quint8(p.at(2 * slot)) << 8) | quint8(p.at(2 * slot + 1));
    const int copy = quint8(p.at(routine)) == 0x07 ? routine + 4 : routine;
    const int length = ((quint8(p.at(copy)) & 0x3F) << 8) | quint8(p.at(copy + 1));
    QCOMPARE(length - 1 + 4, sectionSize);
}

void TestExportCheck::programSizeLimit()
{
    TransportStreamCfg cfg;
    cfg.playoutTimings = true;
    for (int i = 0; i < 16; ++i) {
        ServiceCfg s = service(quint16(i + 1));
        s.providerName = a(100);
        s.eventName = a(120);
        s.eventText = a(130);
        for (int e = 0; e < 80; ++e)
            s.elements << teletext(quint16(0x200 + e));
        cfg.services << s;
    }
    cfg.sdtEnabled = false; // four long service descriptors would overflow the SDT
    QVERIFY(exportProblems(cfg).isEmpty());
    PsiVmProgram prog;
    psitest::MessageCapture quiet;
    QVERIFY(prog.buildProgram(cfg));
    const int base = int(prog.program().size());
    QCOMPARE(exportProgramSize(cfg), base);

    const int fit = (0xFFFF - base) / 6;
    cfg.filters.resize(fit);
    QVERIFY(exportProblems(cfg).isEmpty());
    QVERIFY(prog.buildProgram(cfg));
    QVERIFY(prog.program().size() <= 0xFFFF);
    QCOMPARE(exportProgramSize(cfg), int(prog.program().size()));

    cfg.filters.append(FilterCfg());
    const int size = base + 6 * (fit + 1);
    QVERIFY(size > 0xFFFF);
    QCOMPARE(exportProblems(cfg),
             QStringList{QStringLiteral("the MUX binary would be %1 bytes long; at most 65535 can be addressed")
                             .arg(size)});
    // Built anyway, one rule more puts the closing routine beyond 16-bit offsets.
    cfg.filters.append(FilterCfg());
    QVERIFY(!prog.buildProgram(cfg));
    QCOMPARE(quiet.criticals(),
             QStringList{QStringLiteral("Entry point 15 at offset %1 is beyond the 16-bit program space")
                             .arg(size)});
}

QTEST_APPLESS_MAIN(TestExportCheck)
#include "test_exportcheck.moc"
