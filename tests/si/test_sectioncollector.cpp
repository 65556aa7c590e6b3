// The section collector: complete versions per PID, table and extension,
// the CRC_32 failures per PID, and the handler called with each complete table.

#include <QtTest>

#include "format/mbnformat.h"
#include "import/sectioncollector.h"

using namespace Qt::StringLiterals;

namespace {

// A PAT section (transport_stream_id 1) with one program, its CRC_32 made
// good unless `badCrc`.
QByteArray pat(int version, int number, int last, int program, bool badCrc = false)
{
    QByteArray s = QByteArray::fromHex("00b00d0001");
    s += char(0xC1 | (version << 1));
    s += char(number);
    s += char(last);
    s += char(program >> 8);
    s += char(program);
    s += QByteArray::fromHex("e100");
    const quint32 crc = mpegCrc32(s) ^ (badCrc ? 1u : 0u);
    for (int shift = 24; shift >= 0; shift -= 8)
        s += char(crc >> shift);
    return s;
}

} // namespace

class TestSectionCollector : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void collect_data();
    void collect();
};

void TestSectionCollector::collect_data()
{
    QTest::addColumn<QList<QByteArray>>("sections"); // all on PID 0x0000
    QTest::addColumn<QString>("complete");           // per handler call: version and programs
    QTest::addColumn<int>("versions");
    QTest::addColumn<int>("crcFailures");
    QTest::newRow("one section") << QList<QByteArray>{pat(1, 0, 0, 5)} << u"v1:5"_s << 1 << 0;
    QTest::newRow("a repeat completes it again") << QList<QByteArray>{pat(1, 0, 0, 5), pat(1, 0, 0, 5)}
                                                 << u"v1:5 v1:5"_s << 1 << 0;
    QTest::newRow("two sections, the last first") << QList<QByteArray>{pat(1, 1, 1, 6), pat(1, 0, 1, 5), pat(1, 1, 1, 6)}
                                                  << u"v1:5,6"_s << 1 << 0;
    QTest::newRow("a new version") << QList<QByteArray>{pat(1, 0, 0, 5), pat(2, 0, 0, 7)} << u"v1:5 v2:7"_s << 2 << 0;
    QTest::newRow("a bad CRC_32 is counted, not kept")
        << QList<QByteArray>{pat(1, 0, 0, 5, true), pat(1, 0, 0, 5, true), pat(1, 0, 0, 6)} << u"v1:6"_s << 1 << 2;
    QTest::newRow("section_number past last_section_number") << QList<QByteArray>{pat(1, 1, 0, 5)} << QString() << 0 << 0;
}

void TestSectionCollector::collect()
{
    QFETCH(QList<QByteArray>, sections);
    QFETCH(QString, complete);
    QFETCH(int, versions);
    QFETCH(int, crcFailures);
    SectionCollector collector;
    QStringList calls;
    collector.setHandler([&calls](const CollectedTable &t) {
        QStringList programs;
        for (const QByteArray &s : t.complete)
            programs << QString::number((quint8(s.at(8)) << 8) | quint8(s.at(9)));
        calls << u"v%1:%2"_s.arg(t.completeVersion).arg(programs.join(u','));
    });
    for (int i = 0; i < sections.size(); ++i)
        collector.addSection(Pid::Pat, sections.at(i).constData(), int(sections.at(i).size()), i);
    QCOMPARE(calls.join(u' '), complete);
    const CollectedTable *t = collector.find(Pid::Pat, TableId::Pat, 1);
    QCOMPARE(t ? t->versions : 0, versions);
    QCOMPARE(collector.pat(), t);
    QCOMPARE(collector.crcFailures().value(Pid::Pat), crcFailures);
}

QTEST_GUILESS_MAIN(TestSectionCollector)
#include "test_sectioncollector.moc"
