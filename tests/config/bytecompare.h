#pragma once

#include <QByteArray>
#include <QString>

// Empty when both byte strings are equal; otherwise where they first differ,
// with a hex and printable window around that offset on both sides, so a
// golden-file mismatch can be read without a diff tool.
inline QString describeByteDifference(const QByteArray &actual, const QByteArray &expected)
{
    if (actual == expected)
        return QString();
    qsizetype at = 0;
    const qsizetype common = qMin(actual.size(), expected.size());
    while (at < common && actual.at(at) == expected.at(at))
        ++at;
    const qsizetype from = qMax<qsizetype>(0, at - 16);
    auto window = [&](const QByteArray &bytes) {
        const QByteArray part = bytes.mid(from, 32);
        QString printable;
        for (char c : part) {
            const uchar u = uchar(c);
            printable += (u >= 0x20 && u < 0x7F) ? QChar(u) : QChar(u'.');
        }
        return QString::fromLatin1(part.toHex(' ')) + QStringLiteral("  |") + printable
            + QLatin1Char('|');
    };
    return QStringLiteral("first difference at offset %1 (actual %2 bytes, expected %3 bytes)\n"
                          "  actual   @%4: %5\n  expected @%4: %6")
        .arg(at)
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
