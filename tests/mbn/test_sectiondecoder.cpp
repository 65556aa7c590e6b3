// The section decoder behind `velunor-cli dump` on hand-made sections
// (tests/data/dump/): each field it names, and the fault it reports in a
// damaged section.

#include <QtTest>

#include "mbn/mbndump.h"
#include "tests/common/filehelpers.h"

using namespace Qt::StringLiterals;

class TestSectionDecoder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void section_data();
    void section();
};

// The decoder's lines (without table_id and CRC_32) or its error, per section.
void TestSectionDecoder::section_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("error"); // empty: decoded
    for (const QString &block : QString::fromUtf8(testData(u"dump/sections.txt"_s)).split(u"\n\n"_s)) {
        QStringList lines = block.split(u'\n', Qt::SkipEmptyParts);
        if (lines.size() >= 3 && lines.first().startsWith(u"# "_s))
            QTest::newRow(qPrintable(lines.takeFirst().mid(2))) << QByteArray::fromHex(lines.takeFirst().toLatin1())
                                                                << lines << QString();
    }
    for (const QByteArray &line : testData(u"dump/section-faults.txt"_s).split('\n')) {
        const QString error = QString::fromUtf8(line.mid(line.indexOf('|') + 2));
        if (line.contains('|') && !line.startsWith('#'))
            QTest::newRow(qPrintable(error)) << QByteArray::fromHex(line.left(line.indexOf('|'))) << QStringList() << error;
    }
}

void TestSectionDecoder::section()
{
    QFETCH(QByteArray, section);
    QFETCH(QStringList, lines);
    QFETCH(QString, error);
    QStringList actual;
    QString why;
    QCOMPARE(describeSection(section, 0, &actual, &why), error.isEmpty());
    QCOMPARE(why, error);
    if (!error.isEmpty())
        return;
    QVERIFY(actual.size() >= 2 && actual.takeFirst().startsWith(QLatin1String("table_id ")));
    if (quint8(section.at(0)) != 0x70)
        QCOMPARE(actual.takeLast(), u"CRC_32 0x"_s + QString::fromLatin1(section.right(4).toHex()));
    QCOMPARE(actual, lines);
}

QTEST_GUILESS_MAIN(TestSectionDecoder)
#include "test_sectiondecoder.moc"
