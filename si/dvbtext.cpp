#include "si/dvbtext.h"

#include <QStringDecoder>

namespace {

// The single-byte tables are the ISO/IEC 8859 parts; Qt reads them through ICU.
QString decodeNamed(const char *name, const char *data, int size, QString *problem)
{
    QStringDecoder decoder(name);
    if (!decoder.isValid()) {
        *problem = QStringLiteral("character table %1 is not available here; read as Latin-1")
                       .arg(QLatin1String(name));
        return QString::fromLatin1(data, size);
    }
    return decoder.decode(QByteArrayView(data, size));
}

QString decodeUcs2(const char *data, int size, QString *problem)
{
    if (size % 2 != 0)
        *problem = QStringLiteral("a UCS-2 text of an odd number of bytes; the last byte is dropped");
    QString text;
    text.reserve(size / 2);
    for (int i = 0; i + 1 < size; i += 2)
        text.append(QChar(char16_t((quint8(data[i]) << 8) | quint8(data[i + 1]))));
    return text;
}

// Control codes are removed; the CR/LF code becomes a line break.
QString removeControls(const QString &text, char16_t base)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= base && u <= base + 0x1F) {
            if (u == base + 0x0A)
                out.append(QLatin1Char('\n'));
            continue;
        }
        out.append(c);
    }
    return out;
}

QString latin1Named(int part)
{
    return QStringLiteral("ISO-8859-%1").arg(part);
}

} // namespace

QString decodeDvbText(const char *data, int size, QString *problem)
{
    if (size <= 0)
        return QString();
    const quint8 first = quint8(data[0]);
    if (first >= 0x20) {
        // Table 00 (ISO/IEC 6937): its letters below 0x80 are Latin; the
        // diacritical marks of 0xC1 to 0xCF and the rest are read as Latin-1.
        for (int i = 0; i < size; ++i)
            if (quint8(data[i]) >= 0xA0) {
                *problem = QStringLiteral("a text in the default character table with letters beyond "
                                          "Latin; read as Latin-1");
                break;
            }
        return removeControls(QString::fromLatin1(data, size), 0x80);
    }
    // 0x01 to 0x0B: ISO 8859-5 to -15, 0x08 (-12) never having been published.
    if (first >= 0x01 && first <= 0x0B && first != 0x08) {
        const int part = first + 4;
        return removeControls(decodeNamed(qPrintable(latin1Named(part)), data + 1, size - 1, problem),
                              0x80);
    }
    if (first == 0x10) {
        const int part = size >= 3 ? (quint8(data[1]) << 8) | quint8(data[2]) : 0;
        if (part < 1 || part > 15 || part == 12) {
            *problem = QStringLiteral("character table selector 0x10 with part %1 of ISO 8859; read as "
                                      "Latin-1")
                           .arg(part);
            return removeControls(QString::fromLatin1(data + qMin(size, 3), qMax(0, size - 3)), 0x80);
        }
        if (part == 1)
            return removeControls(QString::fromLatin1(data + 3, size - 3), 0x80);
        return removeControls(decodeNamed(qPrintable(latin1Named(part)), data + 3, size - 3, problem),
                              0x80);
    }
    if (first == 0x11)
        return removeControls(decodeUcs2(data + 1, size - 1, problem), 0xE080);
    if (first == 0x15)
        return removeControls(QString::fromUtf8(data + 1, size - 1), 0xE080);
    *problem = QStringLiteral("character table selector 0x%1 is %2; read as Latin-1")
                   .arg(first, 2, 16, QLatin1Char('0'))
                   .arg(first >= 0x12 && first <= 0x14 ? QStringLiteral("a table not supported here")
                        : first == 0x1F               ? QStringLiteral("an encoding not supported here")
                                                      : QStringLiteral("reserved"));
    return removeControls(QString::fromLatin1(data + 1, size - 1), 0x80);
}
