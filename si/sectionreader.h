#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One field of a section as read: its standard name, where it stands (the
// byte of the section it starts in, its first bit counted from the most
// significant, its width in bits) and its value, so that a view can show the
// field and mark its bytes.
struct SiField {
    const char *name = "";
    int offset = -1;
    int bit = 0;
    int width = 0;
    quint32 value = 0;

    // A bit field inside this one, `bit` counted from its most significant bit.
    SiField part(const char *partName, int partBit, int partWidth) const;
};

// A run of bytes of a section: a language code, a text, a descriptor's body.
struct SiBytes {
    const char *name = "";
    int offset = -1;
    QByteArray bytes;
};

// A text behind its 8-bit length; `text` holds the bytes the scope had room
// for, which may be fewer than `length` says.
struct SiText {
    SiField length;
    SiBytes text;
};

// Reads one section field by field, big-endian, inside nested length scopes
// that mirror PsiBuffer::pushLength/popLength: a read never leaves the
// innermost scope. A read or a length that would is a finding, not a crash:
// the first finding is kept in the words `velunor-cli dump` reports it in, the
// read returns what the scope holds (zero for a number) and the scope is left
// at its end, so a loop over entries stops and the caller can go on with
// what was read.
class SectionReader
{
public:
    explicit SectionReader(const QByteArray &section);

    int at() const { return m_at; }
    int end() const { return m_end; }
    int left() const { return m_end - m_at; }
    const QByteArray &section() const { return m_section; }

    bool ok() const { return m_finding.isEmpty(); }
    QString finding() const { return m_finding; }
    // Reads that ran past their scope so far; a loop compares it before and
    // after an entry to tell a whole entry from a cut one.
    int misses() const { return m_misses; }
    // Records a finding unless an earlier one stands.
    void fail(const QString &why);

    // Numbers; `what` names the field in a finding when its name does not.
    SiField u8(const char *name, const QString &what = QString());
    SiField u16(const char *name, const QString &what = QString());
    SiField u32(const char *name);
    // 3 reserved bits and a 13-bit PID.
    SiField pid(const char *name);
    // 4 bits ahead of a 12-bit length.
    SiField length12(const char *name);
    SiBytes bytes(int count, const char *name, const QString &what = QString());
    // What is left of the scope.
    SiBytes rest(const char *name);
    // A three-letter ISO 639 language code.
    SiBytes language(const char *name = "ISO_639_language_code");
    // An 8-bit length and as many bytes of text (EN 300 468 Annex A).
    SiText text(const char *lengthName, const char *name);

    // Opens a scope of `length` bytes from here. One that runs past the
    // scope around it is a finding and is cut at that scope's end.
    void pushLength(int length, const QString &what);
    // Closes the innermost scope; reading goes on at its end.
    void popLength();

private:
    void miss(int count, const QString &what);
    bool need(int count, const QString &what);

    QByteArray m_section;
    int m_at = 0;
    int m_end = 0;
    QList<int> m_ends; // the ends of the scopes around the innermost
    int m_misses = 0;
    QString m_finding;
};
