#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "config/model.h"
#include "format/mbnformat.h"

// Reads a MUX binary back: the entry table, each routine's instructions, the
// PID filter table. Used by `velunor-cli dump` and `velunor-cli ts`; nothing
// in here trusts the file, every offset and length is checked against its size.

struct MbnInstruction {
    enum Kind {
        Copy,          // a = source offset, b = length
        Byte,          // a = the literal byte
        ListMarker,    // a = kind (0 PAT, 1 NIT services, 2 SDT, 3 NIT logical channels)
        Send,          // a = PID, b = output context
        ClosingMarker, // a = value
        RealTimeTdt,   // a = operand byte (4)
        Interval,      // a = milliseconds
        OpenLength16,  // a = initial first byte
        OpenLength8,   // a = initial byte
        CloseLength16, // a = width in bits (9 to 24 encodable; 12 in practice)
        CloseLength8,  // a = width in bits (1 to 8)
        End
    };
    Kind kind = End;
    int offset = 0; // where the instruction stands in the program
    int size = 2;   // 2 or 4 bytes
    int a = 0;
    int b = 0;
};

struct MbnRoutine {
    int slot = -1;
    int offset = 0;
    QList<MbnInstruction> instructions; // the last one is End
};

// One record of the PID filter table, as stored.
struct MbnFilterRecord {
    int offset = 0;
    quint16 words[3] = {0, 0, 0};
    // The rule in the editor's terms. A pass rule and a remap by offset 0 are
    // stored alike and read back as pass. A mask record keeps only b and
    // a AND b, so the rule reads back with a = b = the stored words' values.
    FilterCfg rule() const;
};

// What one run of a routine gives: the section as it goes on the air
// (table_id to CRC_32, section_length and CRC_32 completed, no pointer_field).
struct MbnSentSection {
    int pid = -1;      // -1: the routine sends nothing
    int context = -1;
    int interval = -1; // milliseconds; -1 without an interval instruction
    bool realTimeTdt = false;
    QList<int> listMarkers;
    QByteArray section;
};

class MbnProgram
{
public:
    // Offsets are 16 bits and copies at most 16383 bytes long, so no program
    // reaches beyond 80 KiB; a far larger file is not a MUX binary.
    static constexpr qint64 LargestFile = 1 << 20;

    // The bytes of a file that should hold a MUX binary ("-": the standard
    // input), at most one byte more than LargestFile, so that a large file,
    // a pipe or /dev/zero is refused without being read whole. False, with
    // the file's error, when it cannot be read.
    static bool readFile(const QString &fileName, QByteArray *bytes, QString *error);

    // Decodes the entry table, every routine it points to and the filter
    // table. False on the first fault, with errorOffset() and errorString().
    bool parse(const QByteArray &program);

    const QByteArray &bytes() const { return m_bytes; }
    quint16 entry(int slot) const; // Mbn::UnusedEntry for an empty slot or a slot out of range
    const QList<MbnRoutine> &routines() const { return m_routines; } // slot order, slot 14 excluded
    const MbnRoutine *routine(int slot) const;
    int filterTableOffset() const { return m_filterTable; } // -1 when slot 14 is unused
    // The records in table order; the last one is the default rule.
    const QList<MbnFilterRecord> &filterRecords() const { return m_filters; }

    // Runs a routine as the device does. False with *error when it copies from
    // outside the program, leaves a length field open or closes one not open,
    // or sends something that is not a section.
    bool run(const MbnRoutine &routine, MbnSentSection *out, QString *error) const;

    int errorOffset() const { return m_errorOffset; }
    QString errorString() const { return m_errorString; }

private:
    bool fail(int offset, const QString &reason);
    bool parseRoutine(int slot, int offset, MbnRoutine *out);
    bool decodeInstruction(int slot, int pc, MbnInstruction *in);
    bool parseFilterTable(int offset);

    QByteArray m_bytes;
    QList<MbnRoutine> m_routines;
    QList<MbnFilterRecord> m_filters;
    int m_filterTable = -1;
    int m_errorOffset = -1;
    QString m_errorString;
};
