#include "config/number.h"

#include <QString>

#include <limits>

namespace {

template <typename Char>
int digitValue(Char c)
{
    const auto u = static_cast<unsigned>(c);
    if (u >= '0' && u <= '9')
        return int(u - '0');
    if (u >= 'a' && u <= 'f')
        return int(u - 'a' + 10);
    if (u >= 'A' && u <= 'F')
        return int(u - 'A' + 10);
    return 99;
}

template <typename Char>
bool convert(const Char *p, qsizetype n, qint32 *value)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < n && (p[i] == Char('+') || p[i] == Char('-'))) {
        negative = p[i] == Char('-');
        ++i;
    }
    int base = 10;
    if (i + 1 < n && p[i] == Char('0') && (p[i + 1] == Char('x') || p[i + 1] == Char('X'))) {
        base = 16;
        i += 2;
    } else if (i < n && p[i] == Char('0')) {
        base = 8;
    }
    if (i >= n)
        return false;
    qint64 magnitude = 0;
    for (; i < n; ++i) {
        const int d = digitValue(p[i]);
        if (d >= base)
            return false;
        magnitude = magnitude * base + d;
        if (magnitude > qint64(1) << 31)
            return false;
    }
    const qint64 v = negative ? -magnitude : magnitude;
    if (v > std::numeric_limits<qint32>::max() || v < std::numeric_limits<qint32>::min())
        return false;
    if (value)
        *value = qint32(v);
    return true;
}

} // namespace

bool convertInteger(QStringView text, qint32 *value)
{
    return convert(text.utf16(), text.size(), value);
}

bool convertInteger(QByteArrayView text, qint32 *value)
{
    return convert(text.data(), text.size(), value);
}

qint32 integerValue(QStringView text)
{
    qint32 v = 0;
    return convertInteger(text.trimmed(), &v) ? v : 0;
}

QString hexNumber(qint64 value, int digits, HexCase letters)
{
    QString text = QString::number(value, 16).rightJustified(digits, QLatin1Char('0'));
    if (letters == HexCase::Upper)
        text = text.toUpper();
    return QStringLiteral("0x") + text;
}

QString formatNumber(qint32 value, int width, bool hex)
{
    return hex ? hexNumber(value, width) : QString::number(value);
}
