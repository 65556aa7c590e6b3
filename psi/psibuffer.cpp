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

namespace {

enum class TextKind { Ascii, Latin1, Other };

TextKind textKind(const QString &text)
{
    TextKind kind = TextKind::Ascii;
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return TextKind::Other;
        if (c.unicode() > 0x7F)
            kind = TextKind::Latin1;
    }
    return kind;
}

const QByteArray Latin1Selector("\x10\x00\x01", 3);

// EN 300 468 Annex A has no line feed inside a text: a line break (LF, CR LF
// or a lone CR, as the file had it) is the CR/LF control code, 0x8A in the
// single-byte tables and U+E08A under UTF-8.
constexpr char16_t ByteLineBreak = 0x8A;
constexpr char16_t Utf8LineBreak = 0xE08A;

bool hasLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

QString withLineBreaks(const QString &text, char16_t code)
{
    if (!hasLineBreak(text))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        out.append(c == QLatin1Char('\r') || c == QLatin1Char('\n') ? QChar(code) : c);
    }
    return out;
}

} // namespace

QByteArray PsiBuffer::encodeText(const QString &text)
{
    switch (textKind(text)) {
    case TextKind::Ascii:
        return withLineBreaks(text, ByteLineBreak).toLatin1();
    case TextKind::Latin1:
        // EN 300 468 Annex A: without a selector a receiver assumes the Latin
        // alphabet of table 00 (ISO/IEC 6937), so anything beyond ASCII names its table.
        return Latin1Selector + withLineBreaks(text, ByteLineBreak).toLatin1();
    case TextKind::Other:
        break;
    }
    return QByteArray(1, '\x15') + withLineBreaks(text, Utf8LineBreak).toUtf8();
}

int PsiBuffer::encodedSize(const QString &text)
{
    // A CR LF pair is one control code.
    const int pairs = hasLineBreak(text) ? int(text.count(QLatin1String("\r\n"))) : 0;
    switch (textKind(text)) {
    case TextKind::Ascii: return int(text.size()) - pairs;
    case TextKind::Latin1: return int(Latin1Selector.size() + text.size()) - pairs;
    case TextKind::Other: break;
    }
    return int(encodeText(text).size());
}

void PsiBuffer::writeString(const QString &text)
{
    if (m_position % 8 != 0 && !measuring())
        qCCritical(lcExport, "Writing string at non-octet aligned position in PSI buffer");
    const QByteArray bytes = measuring() ? QByteArray() : encodeText(text);
    const int size = measuring() ? encodedSize(text) : int(bytes.size());
    if (size > 255) {
        // The length byte would keep only its low 8 bits and no receiver could
        // find the end of the text; the export refuses such texts beforehand.
        if (!measuring())
            qCCritical(lcExport, "Text of %d bytes does not fit its 8-bit length field", size);
        m_error = true;
    }
    writeBits(quint32(size), 8);
    if (measuring()) {
        m_position += 8 * size;
        return;
    }
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
