#include "config/wording.h"

#include <QCoreApplication>

#include "config/number.h"

// Sources are UTF-8, as translate() takes them.
QString Wording::text(const char *source) const
{
    return m_translated ? QCoreApplication::translate("Check", source) : QString::fromUtf8(source);
}

QString Wording::oneLine(const QString &text)
{
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\\n"));
    out.replace(QLatin1Char('\r'), QLatin1String("\\n"));
    out.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return out;
}

QString Wording::number(qint64 value) const
{
    switch (m_numbers) {
    case Numbers::UpperHex:
        return hexNumber(value, 4, HexCase::Upper);
    case Numbers::LowerHex:
        return hexNumber(value, 4, HexCase::Lower);
    case Numbers::Decimal:
        break;
    }
    return QString::number(value);
}
