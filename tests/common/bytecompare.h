#pragma once

#include <QByteArray>
#include <QString>
#include <QtTest>

// Empty when both byte strings are equal; otherwise where they first differ,
// with a hex and printable window around that offset on both sides, so a
// golden-file mismatch can be read without a diff tool.
inline QString describeByteDifference(const QByteArray &actual, const QByteArray &expected)
{
    if (actual == expected)
        return QString();
    qsizetype at = 0;
    while (at < actual.size() && at < expected.size() && actual.at(at) == expected.at(at))
        ++at;
    const qsizetype from = qMax<qsizetype>(0, at - 16);
    auto window = [&](const QByteArray &bytes) {
        const QByteArray part = bytes.mid(from, 32);
        QString printable;
        for (char c : part)
            printable += (uchar(c) >= 0x20 && uchar(c) < 0x7F) ? QChar(uchar(c)) : QChar(u'.');
        return QString::fromLatin1(part.toHex(' ')) + QStringLiteral("  |") + printable + u'|';
    };
    return QStringLiteral("first difference at offset %1 (0x%2; actual %3 bytes, expected %4 bytes)\n"
                          "  actual   @%5: %6\n  expected @%5: %7")
        .arg(at)
        .arg(at, 0, 16)
        .arg(actual.size())
        .arg(expected.size())
        .arg(from)
        .arg(window(actual), window(expected));
}

#define COMPARE_BYTES(actual, expected)                                                   \
    do {                                                                                  \
        const QString difference_ = describeByteDifference((actual), (expected));         \
        QVERIFY2(difference_.isEmpty(), qPrintable(difference_));                         \
    } while (false)
