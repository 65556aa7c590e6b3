#include <QtTest>

#include "config/number.h"

class TestNumber : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void convert_data();
    void convert();
};

void TestNumber::convert_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");

    QTest::newRow("decimal") << "500" << true << 500;
    QTest::newRow("hex lower") << "0x1f4" << true << 500;
    QTest::newRow("hex upper prefix") << "0X1F4" << true << 500;
    QTest::newRow("octal") << "0764" << true << 500;
    QTest::newRow("octal 0100") << "0100" << true << 64;
    QTest::newRow("zero") << "0" << true << 0;
    QTest::newRow("plus sign") << "+12" << true << 12;
    QTest::newRow("negative") << "-1" << true << -1;
    QTest::newRow("negative hex") << "-0x10" << true << -16;
    QTest::newRow("int max") << "2147483647" << true << 2147483647;
    QTest::newRow("int min") << "-2147483648" << true << int(-2147483648LL);
    QTest::newRow("overflow") << "2147483648" << false << 0;
    QTest::newRow("hex overflow") << "0x100000000" << false << 0;
    QTest::newRow("octal digit 8") << "08" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("sign only") << "-" << false << 0;
    QTest::newRow("prefix only") << "0x" << false << 0;
    QTest::newRow("trailing letters") << "12ab" << false << 0;
    QTest::newRow("inner blank") << "1 2" << false << 0;
    QTest::newRow("double sign") << "--1" << false << 0;
}

void TestNumber::convert()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);

    qint32 v = -7;
    QCOMPARE(convertInteger(QStringView(text), &v), ok);
    if (ok)
        QCOMPARE(v, value);

    const QByteArray bytes = text.toLatin1();
    qint32 w = -7;
    QCOMPARE(convertInteger(QByteArrayView(bytes), &w), ok);
    if (ok)
        QCOMPARE(w, value);

    QCOMPARE(integerValue(QStringLiteral("  ") + text + QStringLiteral("\t")), ok ? value : 0);
}

QTEST_APPLESS_MAIN(TestNumber)
#include "test_number.moc"
