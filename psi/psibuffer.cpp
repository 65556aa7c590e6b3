#include "psi/psibuffer.h"

#include "psi/exportlog.h"

Q_LOGGING_CATEGORY(lcExport, "velunor.export")

PsiBuffer::PsiBuffer(Mode mode)
    : m_mode(mode)
{
    if (!measuring()) {
        m_bits.resize(MaxBits + 1);
        m_output.fill('\0', OutputSize);
    }
    reset();
}

void PsiBuffer::fail(const char *message)
{
    if (!measuring())
        qCCritical(lcExport, "%s", message);
    m_error = true;
}

void PsiBuffer::reset()
{
    m_position = 0;
    m_lengthStack.clear();
    m_outputLength = 0;
    m_error = false;
}

bool PsiBuffer::fits(int bits)
{
    if (!measuring() && m_position + bits > MaxBits) {
        fail("PSI buffer overflow");
        return false;
    }
    return true;
}

void PsiBuffer::storeBits(int start, quint32 value, int width)
{
    if (measuring())
        return;
    for (int k = width - 1; k >= 0; --k) {
        const bool bit = k < 32 && ((value >> k) & 1u);
        m_bits.setBit(start++, bit);
    }
}

void PsiBuffer::writeBits(quint32 value, int width)
{
    if (width <= 0 || !fits(width))
        return;
    storeBits(m_position, value, width);
    m_position += width;
}

void PsiBuffer::writeOnes(int count)
{
    if (count <= 0 || !fits(count))
        return;
    if (!measuring())
        m_bits.fill(true, m_position, m_position + count);
    m_position += count;
}

QByteArray PsiBuffer::encodeText(const QString &text)
{
    bool ascii = true;
    bool latin1 = true;
    for (const QChar c : text) {
        if (c.unicode() > 0x7F)
            ascii = false;
        if (c.unicode() > 0xFF)
            latin1 = false;
    }
    if (ascii)
        return text.toLatin1();
    // EN 300 468 Annex A: without a selector a receiver assumes the Latin
    // alphabet of table 00 (ISO/IEC 6937), so anything beyond ASCII names its table.
    if (latin1)
        return QByteArray("\x10\x00\x01", 3) + text.toLatin1();
    return QByteArray(1, '\x15') + text.toUtf8();
}

void PsiBuffer::writeString(const QString &text)
{
    if (m_position % 8 != 0 && !measuring())
        qCCritical(lcExport, "Writing string at non-octet aligned position in PSI buffer");
    const QByteArray bytes = encodeText(text);
    if (bytes.size() > 255) {
        // The length byte would keep only its low 8 bits and no receiver could
        // find the end of the text; the export refuses such texts beforehand.
        if (!measuring())
            qCCritical(lcExport, "Text of %d bytes does not fit its 8-bit length field", int(bytes.size()));
        m_error = true;
    }
    writeBits(quint32(bytes.size()), 8);
    for (const char b : bytes)
        writeBits(quint8(b), 8);
}

void PsiBuffer::writeLanguage(const QString &code)
{
    QString padded = code;
    while (padded.size() < 3)
        padded.append(QLatin1Char(' '));
    for (int i = 0; i < 3; ++i) {
        // ISO 639-2 codes are ASCII letters. A lead byte of a UTF-8 sequence
        // would read as an unrelated Latin-1 letter on the receiver, so any
        // other character is written as '?', which no real code contains.
        const char16_t c = padded.at(i).unicode();
        writeBits(c <= 0x7F ? c : '?', 8);
    }
}

void PsiBuffer::pushLength(int width)
{
    const int end = m_position + width;
    if (end % 8 != 0) {
        if (!measuring())
            qCCritical(lcExport, "Length pushed on a non-octet aligned position (%d + %d = %d)", m_position, width, end);
        m_error = true;
    }
    m_lengthStack.append(qMakePair(m_position, width));
    writeBits(0, width);
}

void PsiBuffer::popLength()
{
    if (m_lengthStack.isEmpty()) {
        fail("Tried to pop from empty length stack");
        return;
    }
    const auto [start, width] = m_lengthStack.takeLast();
    // After an overflow the placeholder itself may be missing.
    if (start + width > m_position)
        return;
    const int n = m_position - start - width;
    if (n % 8 != 0)
        fail("Length inside pushed segment is of non integral octet length");
    if (width >= 1)
        storeBits(start, quint32(n / 8), width);
}

void PsiBuffer::finish()
{
    if (!m_lengthStack.isEmpty())
        fail("PSI length stack not empty on final section");
    if (m_position % 8 != 0) {
        fail("PSI is of non integral octet length");
        return;
    }
    m_outputLength = m_position / 8;
    if (measuring())
        return;
    m_output.fill('\0');
    char *out = m_output.data();
    for (int i = 0; i < m_position; ++i) {
        if (m_bits.testBit(i))
            out[i / 8] = char(quint8(out[i / 8]) | (0x80u >> (i % 8)));
    }
}
