#pragma once

#include <QBitArray>
#include <QByteArray>
#include <QByteArrayView>
#include <QPair>
#include <QString>
#include <QVector>

// Assembles one PSI/SI section image bit by bit, most significant bit first,
// with nested length fields that are opened before their contents and filled
// in when closed. Errors are sticky: a failed write reports on qCritical, sets
// the flag and later writes go on; the caller checks hasError() once.
class PsiBuffer
{
public:
    // Bit positions 0 to 32766 are usable: at most 4095 whole bytes.
    static constexpr int MaxBits = 32767;
    static constexpr int OutputSize = 4096;

    PsiBuffer();

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

    QByteArrayView output() const { return QByteArrayView(m_output.constData(), m_outputLength); }
    int outputLength() const { return m_outputLength; }
    int position() const { return m_position; }
    bool hasError() const { return m_error; }

    // The bytes that writeString puts after its length byte: plain ASCII as
    // it is; otherwise a character-table selector and ISO/IEC 8859-1 or UTF-8.
    static QByteArray encodeText(const QString &text);

private:
    bool fits(int bits);
    void storeBits(int start, quint32 value, int width);

    QVector<QPair<int, int>> m_lengthStack; // (start bit, width), innermost last
    QBitArray m_bits;
    QByteArray m_output;
    int m_position = 0;
    int m_outputLength = 0;
    bool m_error = false;
};
