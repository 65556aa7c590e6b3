#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtTest>

// Empty when both texts are equal; otherwise the first line where they differ,
// so a mismatch against a golden text file points at its line.
inline QString describeLineDifference(const QByteArray &actual, const QByteArray &expected)
{
    if (actual == expected)
        return QString();
    const QList<QByteArray> a = actual.split('\n');
    const QList<QByteArray> e = expected.split('\n');
    int line = 0;
    while (line < a.size() && line < e.size() && a.at(line) == e.at(line))
        ++line;
    return QStringLiteral("first difference at line %1\n  actual:   %2\n  expected: %3")
        .arg(line + 1)
        .arg(QString::fromUtf8(a.value(line, "<end of text>")), QString::fromUtf8(e.value(line, "<end of text>")));
}

#define COMPARE_LINES(actual, expected)                                                   \
    do {                                                                                  \
        const QString difference_ = describeLineDifference((actual), (expected));         \
        QVERIFY2(difference_.isEmpty(), qPrintable(difference_));                         \
    } while (false)
