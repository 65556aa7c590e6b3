#include "si/sectionreader.h"

SiField SiField::part(const char *partName, int partBit, int partWidth) const
{
    const int fromBit = bit + partBit;
    const int shift = width - partBit - partWidth;
    return SiField{partName, offset + fromBit / 8, fromBit % 8, partWidth,
                   (value >> shift) & ((quint32(1) << partWidth) - 1)};
}

SectionReader::SectionReader(const QByteArray &section)
    : m_section(section)
    , m_end(int(section.size()))
{
}

void SectionReader::fail(const QString &why)
{
    if (m_finding.isEmpty())
        m_finding = why;
}

void SectionReader::miss(int count, const QString &what)
{
    ++m_misses;
    fail(QStringLiteral("%1 runs past the end of its section or loop (%2 bytes needed at section byte %3, %4 left)")
             .arg(what)
             .arg(count)
             .arg(m_at)
             .arg(qMax(0, left())));
}

bool SectionReader::need(int count, const QString &what)
{
    if (count >= 0 && count <= left())
        return true;
    miss(count, what);
    m_at = m_end;
    return false;
}

SiField SectionReader::u8(const char *name, const QString &what)
{
    SiField f{name, m_at, 0, 8, 0};
    if (need(1, what.isNull() ? QLatin1String(name) : what))
        f.value = quint8(m_section.at(m_at++));
    return f;
}

SiField SectionReader::u16(const char *name, const QString &what)
{
    SiField f{name, m_at, 0, 16, 0};
    if (need(2, what.isNull() ? QLatin1String(name) : what)) {
        f.value = (quint32(quint8(m_section.at(m_at))) << 8) | quint8(m_section.at(m_at + 1));
        m_at += 2;
    }
    return f;
}

SiField SectionReader::u32(const char *name)
{
    const SiField high = u16(name);
    const SiField low = u16(name);
    return SiField{name, high.offset, 0, 32, (high.value << 16) | low.value};
}

SiField SectionReader::pid(const char *name)
{
    return u16(name).part(name, 3, 13);
}

SiField SectionReader::length12(const char *name)
{
    return u16(name).part(name, 4, 12);
}

SiBytes SectionReader::bytes(int count, const char *name, const QString &what)
{
    SiBytes b{name, m_at, QByteArray()};
    const int from = m_at;
    const int taken = need(count, what.isNull() ? QLatin1String(name) : what) ? count : m_end - from;
    b.bytes = m_section.mid(from, qMax(0, taken));
    m_at = from + qMax(0, taken);
    return b;
}

SiBytes SectionReader::rest(const char *name)
{
    return bytes(left(), name);
}

SiBytes SectionReader::language(const char *name)
{
    return bytes(3, name);
}

SiText SectionReader::text(const char *lengthName, const char *name)
{
    SiText t;
    t.length = u8(lengthName, QLatin1String(name) + QLatin1String(" length"));
    t.text = bytes(int(t.length.value), name);
    return t;
}

void SectionReader::pushLength(int length, const QString &what)
{
    m_ends.append(m_end);
    const int outer = m_end;
    if (length > left())
        miss(length, what);
    m_end = qMin(outer, m_at + qMax(0, length));
}

void SectionReader::popLength()
{
    if (m_ends.isEmpty())
        return;
    m_at = qMax(m_at, m_end);
    m_end = m_ends.takeLast();
}
