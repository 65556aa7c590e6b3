#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QtGlobal>

// Integer conversion with automatic base, as operators type identifiers and
// PIDs: an optional sign, then "0x"/"0X" and hexadecimal digits, or a leading
// 0 and octal digits, or decimal digits. The whole text must convert and fit
// a signed 32-bit integer; white space is not skipped (callers trim first).
bool convertInteger(QStringView text, qint32 *value);
bool convertInteger(QByteArrayView text, qint32 *value);

// The trimmed text converted as above; 0 when it does not convert.
qint32 integerValue(QStringView text);

enum class HexCase { Lower, Upper };

// "0x" and at least `digits` hexadecimal digits: how dumps, diagnostics and
// the hexadecimal notation show PIDs and identifiers.
QString hexNumber(qint64 value, int digits, HexCase letters = HexCase::Lower);

// The number in the operator's notation: "0x" and at least `width` lower-case
// hexadecimal digits, or plain decimal (width ignored).
QString formatNumber(qint32 value, int width, bool hex);
