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
    QCOMPARE((QList<int>{ts.patTime, ts.nitTime, ts.sdtTime, ts.eitTime, ts.pmtTime, ts.tdtTime}),
             (QList<int>{475, 5000, 1000, 1000, 475, 15000}));
    QCOMPARE(ts.filterDefault, qint32(ActionPass));
    QVERIFY(!ts.caEnabled && !ts.realTdt && !ts.playoutTimings && ts.filters.isEmpty() && ts.services.isEmpty());
    const FilterCfg f;
    QCOMPARE((QList<qint64>{f.match, f.input, f.a, f.b, f.action, f.newBase}),
             (QList<qint64>{MatchRange, 0, 0, 8191, ActionPass, 4096}));
    const ServiceCfg s;
    QVERIFY(s.pmtEnabled && !s.lcEnabled && s.lcVisible && !s.caEnabled && s.lcNumber == 0 && s.elements.isEmpty());
    QCOMPARE(ESCfg().teletextPage, 100);
}

void TestModel::copiesAreIndependent()
{
    TransportStreamCfg ts;
    ts.services.append(ServiceCfg());
    ts.services[0].elements.append(ESCfg());
    TransportStreamCfg copy = ts;
    copy.services[0].elements.append(ESCfg());
    copy.services[0].elements[0].language = QStringLiteral("deu");
    QCOMPARE(ts.services[0].elements.size(), 1);
    QVERIFY(ts.services[0].elements[0].language.isEmpty());
    QVERIFY(ts != copy);
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
    ServiceCfg s;
    s.elements.append(ESCfg());
    s.lcNumber = 7;
    s.setDefaults();
    QCOMPARE(s, ServiceCfg());
}

QTEST_APPLESS_MAIN(TestModel)
#include "test_model.moc"
