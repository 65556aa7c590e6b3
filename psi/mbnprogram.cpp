#include "psi/mbnprogram.h"

#include <array>

namespace {

constexpr int EntryTableSize = 2 * MbnProgram::EntrySlots; // 96 bytes
constexpr int FilterRecordSize = 6;
// section_length is 12 bits; ISO/IEC 13818-1 caps it at 4093 for any section.
constexpr int MaxSectionLength = 4093;
// The most a routine may assemble before its send: pointer_field, the three
// header bytes and a whole section. A routine of 16383-byte copies would
// otherwise grow to gigabytes before its send could refuse it.
constexpr int MaxAssembled = 1 + 3 + MaxSectionLength;

int u16At(const QByteArray &d, int at)
{
    return (quint8(d.at(at)) << 8) | quint8(d.at(at + 1));
}

QString hex2(int value)
{
    return QStringLiteral("0x%1").arg(value, 2, 16, QLatin1Char('0'));
}

QString hex4(int value)
{
    return QStringLiteral("0x%1").arg(value, 4, 16, QLatin1Char('0'));
}

// The CRC_32 of ISO/IEC 13818-1 Annex A, one table look-up per byte: the
// transport-stream renderer runs it over every section it repeats.
constexpr std::array<quint32, 256> makeCrcTable()
{
    std::array<quint32, 256> table{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 crc = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        table[i] = crc;
    }
    return table;
}

constexpr std::array<quint32, 256> CrcTable = makeCrcTable();

} // namespace

quint32 mpegCrc32(const char *data, qsizetype size)
{
    quint32 crc = 0xFFFFFFFFu;
    for (qsizetype i = 0; i < size; ++i)
        crc = (crc << 8) ^ CrcTable[((crc >> 24) ^ quint8(data[i])) & 0xFF];
    return crc;
}

FilterCfg MbnFilterRecord::rule() const
{
    FilterCfg rule;
    const int actionBits = words[0] >> 13;
    const int inputBits = words[1] >> 13;
    const int matchBits = words[2] >> 13;
    rule.match = matchBits == 1 ? MatchMask : MatchRange;
    rule.input = inputBits == 7 ? 0 : inputBits + 1;
    rule.a = words[1] & 0x1FFF;
    rule.b = words[2] & 0x1FFF;
    const quint32 offset = words[0] & 0x1FFF;
    if (actionBits == 4) {
        rule.action = ActionDrop;
    } else if (offset == 0) {
        // A pass rule is stored as a remap by offset 0; the two read back alike.
        rule.action = ActionPass;
    } else {
        rule.action = ActionRemap;
        rule.newBase = (rule.a + offset) & 0x1FFF;
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
        if (offset == Unused)
            continue;
        if (slot >= 4 && slot <= 13)
            return fail(2 * slot, QStringLiteral("slot %1 is set (%2) but no table uses it").arg(slot).arg(hex4(offset)));
        if (offset >= size)
            return fail(2 * slot, QStringLiteral("slot %1 points to %2, beyond the end of the file (%3 bytes)")
                                      .arg(slot)
                                      .arg(hex4(offset))
                                      .arg(size));
        if (offset < EntryTableSize)
            return fail(2 * slot, QStringLiteral("slot %1 points to %2, inside the entry table").arg(slot).arg(hex4(offset)));
        if (offset % 2 != 0)
            return fail(2 * slot, QStringLiteral("slot %1 points to the odd offset %2").arg(slot).arg(hex4(offset)));
    }

    for (int slot = 0; slot < EntrySlots; ++slot) {
        const int offset = u16At(program, 2 * slot);
        if (offset == Unused)
            continue;
        if (slot == FilterTableSlot) {
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

bool MbnProgram::parseRoutine(int slot, int offset, MbnRoutine *out)
{
    const int size = int(m_bytes.size());
    out->slot = slot;
    out->offset = offset;
    QList<int> openWidths; // 16 or 8, innermost last
    int pc = offset;
    while (true) {
        if (pc >= size)
            return fail(pc, QStringLiteral("routine of slot %1 runs past the end of the file").arg(slot));
        if (pc + 2 > size)
            return fail(pc, QStringLiteral("instruction %1 cut short by the end of the file")
                                .arg(hex2(quint8(m_bytes.at(pc)))));
        const int op = quint8(m_bytes.at(pc));
        const int arg = quint8(m_bytes.at(pc + 1));
        MbnInstruction in;
        in.offset = pc;
        const bool fourBytes = (op & 0xC0) == 0x80 || op == 0x03 || op == 0x04 || op == 0x07;
        in.size = fourBytes ? 4 : 2;
        if (pc + in.size > size)
            return fail(pc, QStringLiteral("instruction %1 cut short by the end of the file").arg(hex2(op)));
        const int word = fourBytes ? u16At(m_bytes, pc + 2) : 0;

        if ((op & 0xC0) == 0x80) {
            in.kind = MbnInstruction::Copy;
            in.a = word;
            in.b = ((op & 0x3F) << 8) | arg;
            if (in.a + in.b > size)
                return fail(pc, QStringLiteral("copy of %1 bytes from %2 runs past the end of the file")
                                    .arg(in.b)
                                    .arg(hex4(in.a)));
        } else if (op == 0x01) {
            in.kind = MbnInstruction::Byte;
            in.a = arg;
        } else if (op == 0x02) {
            in.kind = MbnInstruction::ListMarker;
            in.a = arg;
        } else if (op == 0x03) {
            in.kind = MbnInstruction::Send;
            in.a = word;
            in.b = arg;
        } else if (op == 0x04 && arg == 0) {
            in.kind = MbnInstruction::ClosingMarker;
            in.a = word;
        } else if (op == 0x05) {
            in.kind = MbnInstruction::RealTimeTdt;
            in.a = arg;
        } else if (op == 0x07 && arg == 0) {
            in.kind = MbnInstruction::Interval;
            in.a = word;
        } else if (op == 0x18) {
            in.kind = MbnInstruction::OpenLength16;
            in.a = arg;
            openWidths.append(16);
        } else if (op == 0x28) {
            in.kind = MbnInstruction::OpenLength8;
            in.a = arg;
            openWidths.append(8);
        } else if (((op & 0xF0) == 0x10 || (op & 0xF8) == 0x20) && arg == 0) {
            const bool isLong = (op & 0xF0) == 0x10;
            in.kind = isLong ? MbnInstruction::CloseLength16 : MbnInstruction::CloseLength8;
            in.a = isLong ? (op & 0x0F) + 9 : (op & 0x07) + 1;
            if (openWidths.isEmpty())
                return fail(pc, QStringLiteral("%1 length field closed but none is open").arg(isLong ? "16-bit" : "8-bit"));
            if ((openWidths.last() == 16) != isLong)
                return fail(pc, QStringLiteral("%1 length field closed while the innermost open one is %2")
                                    .arg(isLong ? "16-bit" : "8-bit", openWidths.last() == 16 ? "16-bit" : "8-bit"));
            openWidths.removeLast();
        } else if (op == 0xFF && arg == 0xFF) {
            in.kind = MbnInstruction::End;
            if (!openWidths.isEmpty())
                return fail(pc, QStringLiteral("routine of slot %1 ends with %2 length field(s) still open")
                                    .arg(slot)
                                    .arg(openWidths.size()));
            out->instructions.append(in);
            return true;
        } else if (op == 0x04 || op == 0x07 || (op & 0xF0) == 0x10 || (op & 0xF8) == 0x20) {
            return fail(pc, QStringLiteral("instruction %1 with second byte %2 instead of 0x00").arg(hex2(op), hex2(arg)));
        } else {
            return fail(pc, QStringLiteral("unknown instruction %1").arg(hex2(op)));
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
        const int actionBits = record.words[0] >> 13;
        const int inputBits = record.words[1] >> 13;
        const int matchBits = record.words[2] >> 13;
        if (actionBits != 4 && actionBits != 6)
            return fail(record.offset, QStringLiteral("PID filter record %1 has the unknown action code %2")
                                           .arg(i + 1)
                                           .arg(actionBits, 3, 2, QLatin1Char('0')));
        if (actionBits == 4 && (record.words[0] & 0x1FFF) != 0)
            return fail(record.offset, QStringLiteral("PID filter record %1 drops with a remap offset").arg(i + 1));
        if (inputBits >= 4 && inputBits != 7)
            return fail(record.offset, QStringLiteral("PID filter record %1 has the unknown input code %2")
                                           .arg(i + 1)
                                           .arg(inputBits, 3, 2, QLatin1Char('0')));
        if (matchBits > 1)
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
        return Unused;
    return quint16(u16At(m_bytes, 2 * slot));
}

const MbnRoutine *MbnProgram::routine(int slot) const
{
    for (const MbnRoutine &r : m_routines)
        if (r.slot == slot)
            return &r;
    return nullptr;
}

bool MbnProgram::run(const MbnRoutine &routine, MbnSentSection *out, QString *error) const
{
    *out = MbnSentSection();
    auto refuse = [error](const MbnInstruction &in, const QString &why) {
        if (error)
            *error = QStringLiteral("at %1: %2").arg(hex4(in.offset), why);
        return false;
    };
    QByteArray section;
    QList<QPair<int, int>> open; // (position in the section, 16 or 8 bits)
    for (const MbnInstruction &in : routine.instructions) {
        const int growth = in.kind == MbnInstruction::Copy           ? in.b
                         : in.kind == MbnInstruction::OpenLength16 ? 2
                         : in.kind == MbnInstruction::Byte || in.kind == MbnInstruction::OpenLength8 ? 1
                                                                     : 0;
        if (section.size() + growth > MaxAssembled)
            return refuse(in, QStringLiteral("the section grows past %1 bytes").arg(MaxAssembled));
        switch (in.kind) {
        case MbnInstruction::Copy:
            if (in.a < 0 || in.b < 0 || qint64(in.a) + in.b > m_bytes.size())
                return refuse(in, QStringLiteral("copy from outside the program"));
            section.append(m_bytes.constData() + in.a, in.b);
            break;
        case MbnInstruction::Byte:
            section.append(char(in.a));
            break;
        case MbnInstruction::ListMarker:
            out->listMarkers.append(in.a);
            break;
        case MbnInstruction::OpenLength16:
            open.append({int(section.size()), 16});
            section.append(char(in.a));
            section.append('\0');
            break;
        case MbnInstruction::OpenLength8:
            open.append({int(section.size()), 8});
            section.append(char(in.a));
            break;
        case MbnInstruction::CloseLength16:
        case MbnInstruction::CloseLength8: {
            const bool isLong = in.kind == MbnInstruction::CloseLength16;
            if (open.isEmpty() || (open.last().second == 16) != isLong)
                return refuse(in, QStringLiteral("unbalanced length field"));
            const auto [at, bits] = open.takeLast();
            const quint32 mask = (1u << qBound(1, in.a, 24)) - 1;
            const quint32 count = quint32(section.size() - at - bits / 8);
            if (count > mask)
                return refuse(in, QStringLiteral("%1 bytes do not fit a %2-bit length").arg(count).arg(in.a));
            if (isLong) {
                const quint32 field = (quint32(u16At(section, at)) & ~mask) | count;
                section[at] = char(field >> 8);
                section[at + 1] = char(field);
            } else {
                section[at] = char((quint8(section.at(at)) & ~mask) | count);
            }
            break;
        }
        case MbnInstruction::Send: {
            if (out->pid >= 0)
                return refuse(in, QStringLiteral("a second send in one routine"));
            if (section.isEmpty() || section.at(0) != 0)
                return refuse(in, section.isEmpty() ? QStringLiteral("send of an empty section")
                                                    : QStringLiteral("pointer_field %1 instead of 0x00")
                                                          .arg(hex2(quint8(section.at(0)))));
            if (!open.isEmpty())
                return refuse(in, QStringLiteral("send with a length field still open"));
            QByteArray s = section.mid(1);
            if (s.size() < 3)
                return refuse(in, QStringLiteral("section of %1 bytes, shorter than its 3-byte header").arg(s.size()));
            // The TDT (table_id 0x70) carries no CRC_32; every other section does.
            const bool tdt = quint8(s.at(0)) == 0x70;
            const int length = int(s.size()) - 3 + (tdt ? 0 : 4);
            if (length > MaxSectionLength)
                return refuse(in, QStringLiteral("section_length %1 exceeds 4093").arg(length));
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
            break;
        }
        case MbnInstruction::ClosingMarker:
            break;
        case MbnInstruction::RealTimeTdt:
            out->realTimeTdt = true;
            break;
        case MbnInstruction::Interval:
            out->interval = in.a;
            break;
        case MbnInstruction::End:
            if (!open.isEmpty())
                return refuse(in, QStringLiteral("routine ends with a length field still open"));
            return true;
        }
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
