#pragma once

#include <QBitArray>
#include <QByteArray>
#include <QByteArrayView>
#include <QPair>
#include <QString>
#include <QVector>

// Assembles one PSI/SI section image bit by bit, most significant bit first,
// with nested length fields that are opened before their contents and filled
// in when closed. Errors are sticky: a failed write reports on the critical
// channel of velunor.export, sets the flag and later writes go on; the caller
// checks hasError() once.
//
// A measuring buffer keeps no bits and has no size limit: it only counts, so
// the export check can size a section with the very code that encodes it,
// however large the configuration. It reports nothing.
class PsiBuffer
{
public:
    // Bit positions 0 to 32766 are usable: at most 4095 whole bytes.
    static constexpr int MaxBits = 32767;
    static constexpr int OutputSize = 4096;

    enum class Mode { Encode, Measure };

    explicit PsiBuffer(Mode mode = Mode::Encode);

    void reset();
    void writeBits(quint32 value, int width);
    void writeOnes(int count);
    // An 8-bit length followed by the text as EN 300 468 Annex A character bytes.
    void writeString(const QString &text);
    // Three bytes of an ISO 639 language code, blank-padded or truncated.
    void writeLanguage(const QString &code);
    void pushLength(int width);
    void popLength();
    void finish();
    // Marks an encoding fault found by the caller, with the words to report.
    void fail(const char *message);

    // The finished image; empty while measuring.
    QByteArrayView output() const
    {
        return measuring() ? QByteArrayView() : QByteArrayView(m_output.constData(), m_outputLength);
    }
    bool measuring() const { return m_mode == Mode::Measure; }
    int outputLength() const { return m_outputLength; }
    int position() const { return m_position; }
    bool hasError() const { return m_error; }

    // The bytes that writeString puts after its length byte: plain ASCII as
    // it is; otherwise a character-table selector and ISO/IEC 8859-1 or UTF-8.
    // A line break (LF, CR LF, CR) is the CR/LF control code 0x8A (U+E08A).
    static QByteArray encodeText(const QString &text);
    // Their number, without building them for plain and Latin-1 text.
    static int encodedSize(const QString &text);

private:
    bool fits(int bits);
    void storeBits(int start, quint32 value, int width);

    Mode m_mode;
    QVector<QPair<int, int>> m_lengthStack; // (start bit, width), innermost last
    QBitArray m_bits;
    QByteArray m_output;
    int m_position = 0;
    int m_outputLength = 0;
    bool m_error = false;
};
