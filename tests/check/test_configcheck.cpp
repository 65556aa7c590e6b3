// Where the configuration check's findings point for the editor: the block,
// element and line a double click must reach (the check's words are pinned
// by the command-line table).

#include <QtTest>

#include "config/cfgreader.h"
#include "check/configcheck.h"
#include "tests/common/filehelpers.h"

using namespace Qt::StringLiterals;

static const QString checkDir = QStringLiteral(VELUNOR_TEST_DATA "/check/");

class TestConfigCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void findingsPointAtTheirBlock_data();
    void findingsPointAtTheirBlock();
};

void TestConfigCheck::findingsPointAtTheirBlock_data()
{
    QTest::addColumn<QString>("expected");
    for (const QByteArray &line : testData(u"check/findings-places.txt"_s).split('\n'))
        if (line.contains('|') && !line.startsWith('#'))
            QTest::newRow(line.left(line.indexOf('|')).trimmed().constData()) << QString::fromLatin1(line.mid(line.indexOf('|') + 2));
}

void TestConfigCheck::findingsPointAtTheirBlock()
{
    QFETCH(QString, expected);
    CfgReader reader;
    TransportStreamCfg cfg;
    QVERIFY(reader.open(checkDir + QLatin1String(QTest::currentDataTag()) + u".mux"_s) && reader.parse(&cfg));
    const QList<ConfigFinding> findings = checkConfiguration(cfg, &reader.sourceLines());
    QStringList places;
    for (const ConfigFinding &f : findings)
        places << u"%1 %2 %3 element %4 line %5"_s.arg(f.severity == ConfigFinding::Error ? "error" : "warning")
                      .arg(QLatin1String(f.subject == 0 ? "stream" : f.subject == 1 ? "service" : "filter"))
                      .arg(f.index).arg(f.element).arg(f.line);
    QCOMPARE(places.join(u"; "_s), expected);
    QCOMPARE(hasErrors(findings), expected.startsWith(u"error"_s));
}

QTEST_GUILESS_MAIN(TestConfigCheck)
#include "test_configcheck.moc"
