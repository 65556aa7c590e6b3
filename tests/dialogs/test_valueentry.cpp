#include <QtTest>

#include "dialogs/valueentry.h"

// How typed numbers are judged against the ranges of PIDs and identifiers;
// rows in tests/data/dialogs/valueentry.tsv.
class TestValueEntry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QStringList>("row");
        QFile f(QStringLiteral(VELUNOR_TEST_DATA "/dialogs/valueentry.tsv"));
        QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
        for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1))
            QTest::newRow(qPrintable(line.section(QLatin1Char('\t'), 0, 0))) << line.split(QLatin1Char('\t'));
    }
    void parse()
    {
        QFETCH(QStringList, row);
        QCOMPARE(parseNumber(row.at(1), row.at(2).toInt(), row.at(3).toInt()), row.at(4) == QLatin1String("1"));
    }
};

QTEST_MAIN(TestValueEntry)
#include "test_valueentry.moc"
