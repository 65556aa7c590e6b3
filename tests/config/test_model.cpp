#include <QtTest>

#include "config/model.h"

class TestModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaults();
    void copiesAreIndependent();
    void setDefaultsClearsEverything();
};

void TestModel::defaults()
{
    const TransportStreamCfg ts;
    QVERIFY(ts.patEnabled && ts.sdtEnabled && ts.nitEnabled && ts.eitEnabled && ts.tdtEnabled);
    QCOMPARE(ts.patTime, 475);
    QCOMPARE(ts.nitTime, 5000);
    QCOMPARE(ts.sdtTime, 1000);
    QCOMPARE(ts.eitTime, 1000);
    QCOMPARE(ts.pmtTime, 475);
    QCOMPARE(ts.tdtTime, 15000);
    QCOMPARE(ts.filterDefault, qint32(ActionPass));
    QVERIFY(!ts.caEnabled && !ts.realTdt && !ts.playoutTimings);
    QVERIFY(ts.filters.isEmpty() && ts.services.isEmpty());

    const FilterCfg f;
    QCOMPARE(f.match, qint32(MatchRange));
    QCOMPARE(f.input, 0);
    QCOMPARE(f.a, 0u);
    QCOMPARE(f.b, 8191u);
    QCOMPARE(f.action, qint32(ActionPass));
    QCOMPARE(f.newBase, 4096);

    const ServiceCfg s;
    QVERIFY(s.pmtEnabled && !s.lcEnabled && s.lcVisible && !s.caEnabled);
    QCOMPARE(s.lcNumber, 0);
    QVERIFY(s.elements.isEmpty());
    QCOMPARE(ESCfg().teletextPage, 100);
}

void TestModel::copiesAreIndependent()
{
    ServiceCfg original;
    original.serviceName = QStringLiteral("News");
    original.elements.append(ESCfg());

    ServiceCfg copy = original;
    copy.elements.append(ESCfg());
    copy.elements[0].pid = 300;
    QCOMPARE(original.elements.size(), 1);
    QCOMPARE(original.elements[0].pid, 0);

    TransportStreamCfg ts;
    ts.services.append(original);
    TransportStreamCfg tsCopy = ts;
    tsCopy.services[0].elements[0].language = QStringLiteral("deu");
    QVERIFY(ts.services[0].elements[0].language.isEmpty());
    QVERIFY(ts != tsCopy);
}

void TestModel::setDefaultsClearsEverything()
{
    TransportStreamCfg ts;
    ts.netName = QStringLiteral("Net");
    ts.services.append(ServiceCfg());
    ts.filters.append(FilterCfg());
    ts.patTime = 25;
    ts.setDefaults();
    QCOMPARE(ts, TransportStreamCfg());
    QVERIFY(ts.netName.isEmpty());

    ServiceCfg s;
    s.elements.append(ESCfg());
    s.lcNumber = 7;
    s.setDefaults();
    QCOMPARE(s, ServiceCfg());
}

QTEST_APPLESS_MAIN(TestModel)
#include "test_model.moc"
