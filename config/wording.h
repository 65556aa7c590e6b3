#pragma once

#include <QString>
#include <QtGlobal>

// How the checks put their findings into words. The command line prints them
// as compilers do: in English, identifiers and PIDs in upper-case hexadecimal,
// a form scripts can match. The editor shows the same findings translated
// (context "Check") and in the operator's notation.
class Wording
{
public:
    static Wording commandLine() { return Wording(false, Numbers::UpperHex); }
    static Wording editor(bool hex) { return Wording(true, hex ? Numbers::LowerHex : Numbers::Decimal); }

    // source is marked with QT_TRANSLATE_NOOP("Check", ...).
    QString text(const char *source) const;
    // A PID or a 16-bit identifier.
    QString number(qint64 value) const;
    // A text as a finding quotes it: each line break (LF, CR LF, CR) as \n,
    // so that the finding stays one line.
    static QString oneLine(const QString &text);

private:
    enum class Numbers { UpperHex, LowerHex, Decimal };
    Wording(bool translated, Numbers numbers) : m_translated(translated), m_numbers(numbers) {}

    bool m_translated;
    Numbers m_numbers;
};
