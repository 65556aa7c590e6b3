#include "mbn/mbndump.h"

#include "config/filtertext.h"
#include "config/number.h"
#include "format/mbnformat.h"
#include "mbn/mbnprogram.h"
#include "mbn/sectiondescriber.h"

namespace {

QString routineName(int slot)
{
    using namespace Mbn;
    switch (slot) {
    case SlotPat: return QStringLiteral("PAT routine");
    case SlotNit: return QStringLiteral("NIT routine");
    case SlotSdt: return QStringLiteral("SDT routine");
    case SlotTdt: return QStringLiteral("TDT routine");
    case SlotFilterTable: return QStringLiteral("PID filter table");
    case SlotClosing: return QStringLiteral("closing routine");
    default:
        // Slot 16 + i and 32 + i belong to the i-th service that has a PMT,
        // which need not be the i-th service of the list.
        if (slot >= SlotFirstPmt && slot < SlotFirstEit)
            return QStringLiteral("PMT routine %1").arg(slot - SlotFirstPmt + 1);
        if (slot >= SlotFirstEit && slot < EntrySlots)
            return QStringLiteral("EIT routine %1").arg(slot - SlotFirstEit + 1);
        return QStringLiteral("slot %1").arg(slot);
    }
}

QString listKind(int kind)
{
    switch (kind) {
    case Mbn::ListPatPrograms: return QStringLiteral("PAT program loop");
    case Mbn::ListNitServices: return QStringLiteral("NIT service list");
    case Mbn::ListSdtServices: return QStringLiteral("SDT service loop");
    case Mbn::ListNitLogicalChannels: return QStringLiteral("NIT logical channels");
    default: return QStringLiteral("unknown list");
    }
}

QString instructionText(const MbnInstruction &in)
{
    switch (in.kind) {
    case MbnInstruction::Copy: return QStringLiteral("copy %1 bytes from %2").arg(in.b).arg(hexNumber(in.a, 4));
    case MbnInstruction::Byte: return QStringLiteral("byte %1").arg(hexNumber(in.a, 2));
    case MbnInstruction::ListMarker: return QStringLiteral("list marker %1 (%2)").arg(in.a).arg(listKind(in.a));
    case MbnInstruction::Send: return QStringLiteral("send on PID %1, context %2").arg(hexNumber(in.a, 4)).arg(in.b);
    case MbnInstruction::ClosingMarker: return QStringLiteral("closing marker %1").arg(in.a);
    case MbnInstruction::RealTimeTdt: return QStringLiteral("real-time TDT (%1)").arg(in.a);
    case MbnInstruction::Interval: return QStringLiteral("interval %1 ms").arg(in.a);
    case MbnInstruction::OpenLength16: return QStringLiteral("open 16-bit length field (first byte %1)").arg(hexNumber(in.a, 2));
    case MbnInstruction::OpenLength8: return QStringLiteral("open 8-bit length field (initial byte %1)").arg(hexNumber(in.a, 2));
    case MbnInstruction::CloseLength16: return QStringLiteral("close 16-bit length field, %1 bits").arg(in.a);
    case MbnInstruction::CloseLength8: return QStringLiteral("close 8-bit length field, %1 bits").arg(in.a);
    case MbnInstruction::End: return QStringLiteral("end");
    }
    return QString();
}

QString rawBytes(const QByteArray &program, int offset, int size)
{
    return QString::fromLatin1(program.mid(offset, size).toHex(' ')).leftJustified(11);
}

// One line per used slot; PMT and EIT routines name the service they carry.
void entryTableLines(const MbnProgram &program, const QList<MbnSentSection> &sent, QStringList &lines)
{
    lines << QStringLiteral("Entry table");
    for (int slot = 0; slot < Mbn::EntrySlots; ++slot) {
        const quint16 offset = program.entry(slot);
        if (offset == Mbn::UnusedEntry)
            continue;
        QString line = QStringLiteral("  slot %1 %2 at %3").arg(slot, -2).arg(routineName(slot), hexNumber(offset, 4));
        for (int i = 0; i < program.routines().size(); ++i) {
            const QByteArray &section = sent.at(i).section;
            const int tableId = section.isEmpty() ? -1 : quint8(section.at(0));
            if (program.routines().at(i).slot == slot && section.size() >= 5
                && (tableId == TableId::Pmt || tableId == TableId::EitPfActual))
                line += QStringLiteral(" (service_id %1)")
                            .arg(hexNumber((quint8(section.at(3)) << 8) | quint8(section.at(4)), 4));
        }
        lines << line;
    }
}

// A routine's instructions and the section it sends, decoded.
bool routineLines(const MbnProgram &program, const MbnRoutine &routine, const MbnSentSection &s,
                  QStringList &lines, QString *why)
{
    lines << QString()
          << QStringLiteral("%1 (slot %2) at %3").arg(routineName(routine.slot)).arg(routine.slot).arg(hexNumber(routine.offset, 4));
    for (const MbnInstruction &in : routine.instructions)
        lines << QStringLiteral("  %1  %2  %3").arg(hexNumber(in.offset, 4), rawBytes(program.bytes(), in.offset, in.size),
                                                    instructionText(in));
    if (s.realTimeTdt)
        lines << QStringLiteral("  no section: the device sends a TDT with the current UTC time");
    if (s.pid < 0)
        return true;
    lines << QStringLiteral("  section sent on PID %1, context %2, %3 bytes")
                 .arg(hexNumber(s.pid, 4))
                 .arg(s.context)
                 .arg(s.section.size());
    return describeSection(s.section, 4, &lines, why);
}

// The records in the words of the PID filter page, in hexadecimal notation.
void filterTableLines(const MbnProgram &program, QStringList &lines)
{
    const QList<MbnFilterRecord> &records = program.filterRecords();
    lines << QString()
          << QStringLiteral("PID filter table (slot %1) at %2, %3 records")
                 .arg(Mbn::SlotFilterTable)
                 .arg(hexNumber(program.filterTableOffset(), 4))
                 .arg(records.size());
    const FilterRuleTexts words(true);
    for (int i = 0; i < records.size(); ++i) {
        const MbnFilterRecord &record = records.at(i);
        lines << QStringLiteral("  %1  %2  %3%4")
                     .arg(hexNumber(record.offset, 4),
                          QString::fromLatin1(program.bytes().mid(record.offset, Mbn::FilterRecordSize).toHex(' ')),
                          words.text(record.rule()),
                          i + 1 == records.size() ? QStringLiteral("  (default rule)") : QString());
    }
}

} // namespace

bool dumpMbnProgram(const MbnProgram &program, QString *text, int *errorOffset, QString *errorString)
{
    text->clear();
    auto stop = [&](const MbnRoutine &routine, const QString &why) {
        *errorOffset = routine.offset;
        *errorString = QStringLiteral("%1: %2").arg(routineName(routine.slot), why);
        return false;
    };

    // Run every routine first: the entry table names the service each PMT and
    // EIT routine is for, and a routine that does not run stops the dump.
    QList<MbnSentSection> sent;
    for (const MbnRoutine &routine : program.routines()) {
        MbnSentSection s;
        QString why;
        if (!program.run(routine, &s, &why))
            return stop(routine, why);
        sent.append(s);
    }

    QStringList lines;
    lines << QStringLiteral("MUX binary of %1 bytes").arg(program.bytes().size()) << QString();
    entryTableLines(program, sent, lines);
    for (int i = 0; i < program.routines().size(); ++i) {
        QString why;
        if (!routineLines(program, program.routines().at(i), sent.at(i), lines, &why))
            return stop(program.routines().at(i), why);
    }
    if (program.filterTableOffset() >= 0)
        filterTableLines(program, lines);
    *text = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    return true;
}
