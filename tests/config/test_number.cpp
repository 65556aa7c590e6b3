#include <QtTest>

#include "config/number.h"
#include "tests/common/filehelpers.h"

class TestNumber : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void convert_data();
    void convert();
};

// Decimal, hex and octal forms, signs, both ends of 32 bits and what must not convert.
void TestNumber::convert_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("value"); // "-": not a number
    for (const QByteArray &line : testData(QStringLiteral("number-conversions.txt")).split('\n')) {
        const qsizetype bar = line.lastIndexOf('|');
        if (bar >= 0 && !line.startsWith('#'))
            QTest::addRow("'%s'", line.left(bar).constData()) << QString::fromLatin1(line.left(bar))
                                                              << QString::fromLatin1(line.mid(bar + 1));
    }
}

void TestNumber::convert()
{
    QFETCH(QString, text);
    QFETCH(QString, value);
    const bool ok = value != QLatin1String("-");
    qint32 v = -7, w = -7;
    const QByteArray bytes = text.toLatin1();
    QCOMPARE((QList<bool>{convertInteger(QStringView(text), &v), convertInteger(QByteArrayView(bytes), &w)}),
             (QList<bool>{ok, ok}));
    QVERIFY(!ok || (v == value.toInt() && w == v));
    QCOMPARE(integerValue(QStringLiteral("  ") + text + QStringLiteral("\t")), ok ? value.toInt() : 0);
}

QTEST_APPLESS_MAIN(TestNumber)
#include "test_number.moc"
