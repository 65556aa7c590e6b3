#include "mbn/mbnprogram.h"

#include <QFile>

#include "config/fileaccess.h"
#include "config/number.h"

namespace {

using namespace Mbn;

// The most a routine may assemble before its send: pointer_field, the three
// header bytes and a whole section. A routine of 16383-byte copies would
// otherwise grow to gigabytes before its send could refuse it.
constexpr int MaxAssembled = 1 + 3 + MaxSectionLength;

int u16At(const QByteArray &d, int at)
{
    return (quint8(d.at(at)) << 8) | quint8(d.at(at + 1));
}

bool isCopy(int op)
{
    return (op & 0xC0) == Op::CopyFlag;
}

bool isCloseLength16(int op)
{
    return (op & 0xF0) == Op::CloseLength16;
}

bool isCloseLength8(int op)
{
    return (op & 0xF8) == Op::CloseLength8;
}

// Copy, send, closing marker and interval carry a 16-bit operand word.
bool isLongInstruction(int op)
{
    return isCopy(op) || op == Op::Send || op == Op::ClosingMarker || op == Op::Interval;
}

} // namespace

FilterCfg MbnFilterRecord::rule() const
{
    FilterCfg rule;
    const int actionBits = words[0] >> FilterCodeShift;
    const int inputBits = words[1] >> FilterCodeShift;
    const int matchBits = words[2] >> FilterCodeShift;
    rule.match = matchBits == FilterMatchMask ? MatchMask : MatchRange;
    rule.input = inputBits == FilterInputAny ? InputAny : inputBits + 1;
    rule.a = words[1] & FilterValueMask;
    rule.b = words[2] & FilterValueMask;
    const quint32 offset = words[0] & FilterValueMask;
    if (actionBits == FilterActionDrop) {
        rule.action = ActionDrop;
    } else if (offset == 0) {
        // A pass rule is stored as a remap by offset 0; the two read back alike.
        rule.action = ActionPass;
    } else {
        rule.action = ActionRemap;
        rule.newBase = (rule.a + offset) & FilterValueMask;
    }
    return rule;
}

bool MbnProgram::parse(const QByteArray &program)
{
    m_bytes = program;
    m_routines.clear();
    m_filters.clear();
    m_filterTable = -1;
    m_errorOffset = -1;
    m_errorString.clear();

    const int size = int(qMin<qsizetype>(program.size(), 0x7FFFFFFF));
    if (size < EntryTableSize)
        return fail(size, QStringLiteral("the file ends inside the entry table (%1 of 96 bytes)").arg(size));

    // The entry table first, so a bad slot is reported before anything it points to.
    for (int slot = 0; slot < EntrySlots; ++slot) {
        const int offset = u16At(program, 2 * slot);
        if (offset == UnusedEntry)
            continue;
        if (slot > SlotTdt && slot < SlotFilterTable)
            return fail(2 * slot, QStringLiteral("slot %1 is set (%2) but no table uses it").arg(slot).arg(hexNumber(offset, 4)));
        if (offset >= size)
            return fail(2 * slot, QStringLiteral("slot %1 points to %2, beyond the end of the file (%3 bytes)")
                                      .arg(slot)
                                      .arg(hexNumber(offset, 4))
                                      .arg(size));
        if (offset < EntryTableSize)
            return fail(2 * slot, QStringLiteral("slot %1 points to %2, inside the entry table").arg(slot).arg(hexNumber(offset, 4)));
        if (offset % 2 != 0)
            return fail(2 * slot, QStringLiteral("slot %1 points to the odd offset %2").arg(slot).arg(hexNumber(offset, 4)));
    }

    for (int slot = 0; slot < EntrySlots; ++slot) {
        const int offset = u16At(program, 2 * slot);
        if (offset == UnusedEntry)
            continue;
        if (slot == SlotFilterTable) {
            if (!parseFilterTable(offset))
                return false;
            continue;
        }
        MbnRoutine routine;
        if (!parseRoutine(slot, offset, &routine))
            return false;
        m_routines.append(routine);
    }
    return true;
}

// One instruction at pc, its operands checked against the file but not
// against the routine's other instructions.
bool MbnProgram::decodeInstruction(int slot, int pc, MbnInstruction *in)
{
    const int size = int(m_bytes.size());
    if (pc >= size)
        return fail(pc, QStringLiteral("routine of slot %1 runs past the end of the file").arg(slot));
    const int op = quint8(m_bytes.at(pc));
    if (pc + 2 > size)
        return fail(pc, QStringLiteral("instruction %1 cut short by the end of the file").arg(hexNumber(op, 2)));
    const int arg = quint8(m_bytes.at(pc + 1));
    in->offset = pc;
    in->size = isLongInstruction(op) ? 4 : 2;
    if (pc + in->size > size)
        return fail(pc, QStringLiteral("instruction %1 cut short by the end of the file").arg(hexNumber(op, 2)));
    const int word = in->size == 4 ? u16At(m_bytes, pc + 2) : 0;
    const bool zeroArg = arg == 0;

    if (isCopy(op)) {
        *in = {MbnInstruction::Copy, pc, 4, word, ((op & 0x3F) << 8) | arg};
        if (in->a + in->b > size)
            return fail(pc, QStringLiteral("copy of %1 bytes from %2 runs past the end of the file")
                                .arg(in->b)
                                .arg(hexNumber(in->a, 4)));
    } else if (op == Op::Byte) {
        *in = {MbnInstruction::Byte, pc, 2, arg, 0};
    } else if (op == Op::ListMarker) {
        *in = {MbnInstruction::ListMarker, pc, 2, arg, 0};
    } else if (op == Op::Send) {
        *in = {MbnInstruction::Send, pc, 4, word, arg};
    } else if (op == Op::ClosingMarker && zeroArg) {
        *in = {MbnInstruction::ClosingMarker, pc, 4, word, 0};
    } else if (op == Op::RealTimeTdt) {
        *in = {MbnInstruction::RealTimeTdt, pc, 2, arg, 0};
    } else if (op == Op::Interval && zeroArg) {
        *in = {MbnInstruction::Interval, pc, 4, word, 0};
    } else if (op == Op::OpenLength16) {
        *in = {MbnInstruction::OpenLength16, pc, 2, arg, 0};
    } else if (op == Op::OpenLength8) {
        *in = {MbnInstruction::OpenLength8, pc, 2, arg, 0};
    } else if (isCloseLength16(op) && zeroArg) {
        *in = {MbnInstruction::CloseLength16, pc, 2, (op & 0x0F) + 9, 0};
    } else if (isCloseLength8(op) && zeroArg) {
        *in = {MbnInstruction::CloseLength8, pc, 2, (op & 0x07) + 1, 0};
    } else if (op == 0xFF && arg == 0xFF) {
        *in = {MbnInstruction::End, pc, 2, 0, 0};
    } else if (op == Op::ClosingMarker || op == Op::Interval || isCloseLength16(op) || isCloseLength8(op)) {
        return fail(pc, QStringLiteral("instruction %1 with second byte %2 instead of 0x00")
                            .arg(hexNumber(op, 2), hexNumber(arg, 2)));
    } else {
        return fail(pc, QStringLiteral("unknown instruction %1").arg(hexNumber(op, 2)));
    }
    return true;
}

bool MbnProgram::parseRoutine(int slot, int offset, MbnRoutine *out)
{
    out->slot = slot;
    out->offset = offset;
    QList<int> openWidths; // 16 or 8, innermost last
    auto widthName = [](bool isLong) { return isLong ? "16-bit" : "8-bit"; };
    for (int pc = offset;;) {
        MbnInstruction in;
        if (!decodeInstruction(slot, pc, &in))
            return false;
        switch (in.kind) {
        case MbnInstruction::OpenLength16:
        case MbnInstruction::OpenLength8:
            openWidths.append(in.kind == MbnInstruction::OpenLength16 ? 16 : 8);
            break;
        case MbnInstruction::CloseLength16:
        case MbnInstruction::CloseLength8: {
            const bool isLong = in.kind == MbnInstruction::CloseLength16;
            if (openWidths.isEmpty())
                return fail(pc, QStringLiteral("%1 length field closed but none is open").arg(widthName(isLong)));
            if ((openWidths.last() == 16) != isLong)
                return fail(pc, QStringLiteral("%1 length field closed while the innermost open one is %2")
                                    .arg(widthName(isLong), widthName(openWidths.last() == 16)));
            openWidths.removeLast();
            break;
        }
        case MbnInstruction::End:
            if (!openWidths.isEmpty())
                return fail(pc, QStringLiteral("routine of slot %1 ends with %2 length field(s) still open")
                                    .arg(slot)
                                    .arg(openWidths.size()));
            out->instructions.append(in);
            return true;
        default:
            break;
        }
        out->instructions.append(in);
        pc += in.size;
    }
}

bool MbnProgram::parseFilterTable(int offset)
{
    const int size = int(m_bytes.size());
    if (offset + 2 > size)
        return fail(offset, QStringLiteral("PID filter table count cut short by the end of the file"));
    const int count = u16At(m_bytes, offset);
    if (count < 1)
        return fail(offset, QStringLiteral("PID filter table without records (the default rule is missing)"));
    if (qint64(offset) + 2 + qint64(count) * FilterRecordSize > size)
        return fail(offset, QStringLiteral("PID filter table of %1 records runs past the end of the file").arg(count));
    for (int i = 0; i < count; ++i) {
        MbnFilterRecord record;
        record.offset = offset + 2 + i * FilterRecordSize;
        for (int w = 0; w < 3; ++w)
            record.words[w] = quint16(u16At(m_bytes, record.offset + 2 * w));
        const int actionBits = record.words[0] >> FilterCodeShift;
        const int inputBits = record.words[1] >> FilterCodeShift;
        const int matchBits = record.words[2] >> FilterCodeShift;
        if (actionBits != FilterActionDrop && actionBits != FilterActionRemap)
            return fail(record.offset, QStringLiteral("PID filter record %1 has the unknown action code %2")
                                           .arg(i + 1)
                                           .arg(actionBits, 3, 2, QLatin1Char('0')));
        if (actionBits == FilterActionDrop && (record.words[0] & FilterValueMask) != 0)
            return fail(record.offset, QStringLiteral("PID filter record %1 drops with a remap offset").arg(i + 1));
        if (inputBits >= 4 && inputBits != FilterInputAny)
            return fail(record.offset, QStringLiteral("PID filter record %1 has the unknown input code %2")
                                           .arg(i + 1)
                                           .arg(inputBits, 3, 2, QLatin1Char('0')));
        if (matchBits > FilterMatchMask)
            return fail(record.offset, QStringLiteral("PID filter record %1 has the unknown match code %2")
                                           .arg(i + 1)
                                           .arg(matchBits, 3, 2, QLatin1Char('0')));
        m_filters.append(record);
    }
    m_filterTable = offset;
    return true;
}

quint16 MbnProgram::entry(int slot) const
{
    if (slot < 0 || slot >= EntrySlots || m_bytes.size() < EntryTableSize)
        return UnusedEntry;
    return quint16(u16At(m_bytes, 2 * slot));
}

const MbnRoutine *MbnProgram::routine(int slot) const
{
    for (const MbnRoutine &r : m_routines)
        if (r.slot == slot)
            return &r;
    return nullptr;
}

namespace {

// A routine's section as the device assembles it, one instruction at a time.
// Each step returns an empty string, or why the routine cannot run.
class SectionAssembler
{
public:
    explicit SectionAssembler(const QByteArray &program) : m_program(program) {}

    QString step(const MbnInstruction &in, MbnSentSection *out)
    {
        const int growth = in.kind == MbnInstruction::Copy ? in.b
            : in.kind == MbnInstruction::OpenLength16      ? 2
            : in.kind == MbnInstruction::Byte || in.kind == MbnInstruction::OpenLength8 ? 1
                                                                                       : 0;
        if (m_section.size() + growth > MaxAssembled)
            return QStringLiteral("the section grows past %1 bytes").arg(MaxAssembled);
        switch (in.kind) {
        case MbnInstruction::Copy:
            if (in.a < 0 || in.b < 0 || qint64(in.a) + in.b > m_program.size())
                return QStringLiteral("copy from outside the program");
            m_section.append(m_program.constData() + in.a, in.b);
            break;
        case MbnInstruction::Byte: m_section.append(char(in.a)); break;
        case MbnInstruction::ListMarker: out->listMarkers.append(in.a); break;
        case MbnInstruction::OpenLength16:
            m_open.append({int(m_section.size()), 16});
            m_section.append(char(in.a));
            m_section.append('\0');
            break;
        case MbnInstruction::OpenLength8:
            m_open.append({int(m_section.size()), 8});
            m_section.append(char(in.a));
            break;
        case MbnInstruction::CloseLength16:
        case MbnInstruction::CloseLength8: return closeLength(in);
        case MbnInstruction::Send: return send(in, out);
        case MbnInstruction::ClosingMarker: break;
        case MbnInstruction::RealTimeTdt: out->realTimeTdt = true; break;
        case MbnInstruction::Interval: out->interval = in.a; break;
        case MbnInstruction::End:
            if (!m_open.isEmpty())
                return QStringLiteral("routine ends with a length field still open");
            break;
        }
        return QString();
    }

private:
    QString closeLength(const MbnInstruction &in)
    {
        const bool isLong = in.kind == MbnInstruction::CloseLength16;
        if (m_open.isEmpty() || (m_open.last().second == 16) != isLong)
            return QStringLiteral("unbalanced length field");
        const auto [at, bits] = m_open.takeLast();
        const quint32 mask = (1u << qBound(1, in.a, 24)) - 1;
        const quint32 count = quint32(m_section.size() - at - bits / 8);
        if (count > mask)
            return QStringLiteral("%1 bytes do not fit a %2-bit length").arg(count).arg(in.a);
        if (isLong) {
            const quint32 field = (quint32(u16At(m_section, at)) & ~mask) | count;
            m_section[at] = char(field >> 8);
            m_section[at + 1] = char(field);
        } else {
            m_section[at] = char((quint8(m_section.at(at)) & ~mask) | count);
        }
        return QString();
    }

    // The device drops the pointer_field, completes section_length and, for
    // every table but the TDT, appends the CRC_32.
    QString send(const MbnInstruction &in, MbnSentSection *out)
    {
        if (out->pid >= 0)
            return QStringLiteral("a second send in one routine");
        if (m_section.isEmpty())
            return QStringLiteral("send of an empty section");
        if (m_section.at(0) != 0)
            return QStringLiteral("pointer_field %1 instead of 0x00").arg(hexNumber(quint8(m_section.at(0)), 2));
        if (!m_open.isEmpty())
            return QStringLiteral("send with a length field still open");
        QByteArray s = m_section.mid(1);
        if (s.size() < 3)
            return QStringLiteral("section of %1 bytes, shorter than its 3-byte header").arg(s.size());
        const bool tdt = quint8(s.at(0)) == TableId::Tdt;
        const int length = int(s.size()) - 3 + (tdt ? 0 : 4);
        if (length > MaxSectionLength)
            return QStringLiteral("section_length %1 exceeds 4093").arg(length);
        s[1] = char((quint8(s.at(1)) & 0xF0) | ((length >> 8) & 0x0F));
        s[2] = char(length);
        if (!tdt) {
            const quint32 crc = mpegCrc32(s);
            for (int k = 3; k >= 0; --k)
                s.append(char(crc >> (8 * k)));
        }
        out->pid = in.a;
        out->context = in.b;
        out->section = s;
        return QString();
    }

    const QByteArray &m_program;
    QByteArray m_section;
    QList<QPair<int, int>> m_open; // (position in the section, 16 or 8 bits)
};

} // namespace

bool MbnProgram::run(const MbnRoutine &routine, MbnSentSection *out, QString *error) const
{
    *out = MbnSentSection();
    SectionAssembler assembler(m_bytes);
    for (const MbnInstruction &in : routine.instructions) {
        const QString why = assembler.step(in, out);
        if (!why.isEmpty()) {
            if (error)
                *error = QStringLiteral("at %1: %2").arg(hexNumber(in.offset, 4), why);
            return false;
        }
        if (in.kind == MbnInstruction::End)
            return true;
    }
    if (error)
        *error = QStringLiteral("routine without end");
    return false;
}

bool MbnProgram::fail(int offset, const QString &reason)
{
    m_errorOffset = offset;
    m_errorString = reason;
    return false;
}

bool MbnProgram::readFile(const QString &fileName, QByteArray *bytes, QString *error)
{
    QFile file;
    bool regular = false;
    if (!openInput(fileName, &file, &regular, error))
        return false;
    if (readBounded(&file, LargestFile, bytes))
        return true;
    *error = file.errorString();
    return false;
}
