#include "psi/psivmprogram.h"

#include "config/model.h"
#include "format/mbnformat.h"
#include "psi/exportlog.h"
#include "psi/sections.h"

using namespace Mbn;

PsiVmProgram::PsiVmProgram(PsiBuffer::Mode mode)
    : m_buffer(mode)
{
}

PsiVmProgram::~PsiVmProgram() = default;

// Reports only while encoding: a measuring build runs past every limit by
// design, and builds no message text for it.
#define PSIVM_FAULT(...)                                                                          \
    do {                                                                                          \
        m_encodingError = true;                                                                   \
        if (!measuring())                                                                         \
            qCCritical(lcExport, __VA_ARGS__);                                                    \
    } while (false)

void PsiVmProgram::clearProgram()
{
    m_program.clear();
    m_program.fill('\xFF', EntryTableSize);
    m_context = -1;
    m_encodingError = false;
}

void PsiVmProgram::append16(quint16 value)
{
    m_program.append(char(value >> 8));
    m_program.append(char(value & 0xFF));
}

void PsiVmProgram::appendSection()
{
    if (measuring())
        m_program.append(m_buffer.outputLength(), '\xFF');
    else
        m_program.append(m_buffer.output().data(), m_buffer.outputLength());
}

void PsiVmProgram::alignProgram(int n)
{
    if (n <= 0)
        return;
    while (m_program.size() % n != 0)
        m_program.append('\xFF');
}

void PsiVmProgram::setEntryPoint(int slot, int offset)
{
    if (slot < 0 || slot >= EntrySlots) {
        PSIVM_FAULT("Tried to set entry point %d", slot);
        return;
    }
    if (offset > MaxOffset)
        PSIVM_FAULT("Entry point %d at offset %d is beyond the 16-bit program space", slot, offset);
    if (m_program.size() < 2 * slot + 2)
        m_program.resize(2 * slot + 2, '\xFF');
    m_program[2 * slot] = char((offset >> 8) & 0xFF);
    m_program[2 * slot + 1] = char(offset & 0xFF);
}

void PsiVmProgram::emitCopy(int offset, int length)
{
    if (offset > MaxOffset || length > MaxCopyLength)
        PSIVM_FAULT("Copy of %d bytes at offset %d cannot be addressed", length, offset);
    m_program.append(char(Op::CopyFlag | ((length >> 8) & 0x3F)));
    m_program.append(char(length & 0xFF));
    append16(quint16(offset));
}

void PsiVmProgram::emitByte(quint8 b)
{
    m_program.append(char(Op::Byte));
    m_program.append(char(b));
}

void PsiVmProgram::emitListMarker(quint8 kind)
{
    m_program.append(char(Op::ListMarker));
    m_program.append(char(kind));
}

void PsiVmProgram::emitSend(quint16 pid, int context)
{
    m_program.append(char(Op::Send));
    m_program.append(char(context & 0xFF));
    append16(pid);
}

void PsiVmProgram::emitClosingMarker(quint16 value)
{
    m_program.append(char(Op::ClosingMarker));
    m_program.append('\x00');
    append16(value);
}

void PsiVmProgram::emitRealTimeTdt(quint8 kind)
{
    m_program.append(char(Op::RealTimeTdt));
    m_program.append(char(kind));
}

void PsiVmProgram::emitInterval(quint16 ms)
{
    m_program.append(char(Op::Interval));
    m_program.append('\x00');
    append16(ms);
}

void PsiVmProgram::emitOpenLength16(quint8 b)
{
    m_program.append(char(Op::OpenLength16));
    m_program.append(char(b));
}

void PsiVmProgram::emitOpenLength8(quint8 b)
{
    m_program.append(char(Op::OpenLength8));
    m_program.append(char(b));
}

void PsiVmProgram::emitCloseLongLength(int width)
{
    m_program.append(char(Op::CloseLength16 | ((width - 9) & 0x0F)));
    m_program.append('\x00');
}

void PsiVmProgram::emitCloseShortLength(int width)
{
    m_program.append(char(Op::CloseLength8 | ((width - 1) & 0x07)));
    m_program.append('\x00');
}

void PsiVmProgram::emitEnd()
{
    append16(Op::End);
}

int PsiVmProgram::beginSection()
{
    m_buffer.reset();
    return int(m_program.size());
}

void PsiSections::header(PsiBuffer &buf, quint8 tableId, HeaderBit bit, quint16 tableIdExtension,
                         quint8 version)
{
    buf.writeBits(0x00, 8);             // pointer_field
    buf.writeBits(tableId, 8);          // table_id
    buf.writeBits(1, 1);                // section_syntax_indicator
    if (bit == HeaderBit::Mpeg2Zero)
        buf.writeBits(0, 1);            // '0'
    else
        buf.writeOnes(1);               // reserved_future_use
    buf.writeOnes(2);                   // reserved
    buf.writeBits(0, 12);               // section_length: completed by the device
    buf.writeBits(tableIdExtension, 16); // transport_stream_id, program_number, network_id, service_id
    buf.writeOnes(2);                   // reserved
    buf.writeBits(version, 5);          // version_number
    buf.writeBits(1, 1);                // current_next_indicator
    buf.writeBits(0, 8);                // section_number
    buf.writeBits(0, 8);                // last_section_number
}

int PsiVmProgram::appendFinishedSection()
{
    const int offset = int(m_program.size());
    m_buffer.finish();
    if (m_buffer.hasError())
        m_encodingError = true;
    appendSection();
    alignProgram(2);
    return offset;
}

void PsiVmProgram::emitSectionRoutine(const TransportStreamCfg &cfg, int sectionOffset,
                                      quint16 interval, int listKind, quint16 pid, int context,
                                      int slot)
{
    const int routine = int(m_program.size());
    if (cfg.playoutTimings)
        emitInterval(interval);
    emitCopy(sectionOffset, m_buffer.outputLength());
    if (listKind >= 0)
        emitListMarker(quint8(listKind));
    emitSend(pid, context);
    emitEnd();
    setEntryPoint(slot, routine);
}

void PsiVmProgram::generateFilterTable(const TransportStreamCfg &cfg)
{
    const int offset = int(m_program.size());
    append16(quint16(cfg.filters.size() + 1));

    // Three 16-bit words per rule: action and remap offset; input port and
    // first PID (range) or masked value; match type and second PID (or mask).
    auto record = [this](qint32 match, qint32 input, quint32 a, quint32 b, qint32 action,
                         qint32 newBase) {
        auto word = [](int code, quint32 value) {
            return quint16((code << FilterCodeShift) | (value & FilterValueMask));
        };
        const quint32 pidValue = (match == MatchMask ? (a & b) : a) & FilterValueMask;
        if (action == ActionDrop)
            append16(word(FilterActionDrop, 0));
        else if (action == ActionRemap)
            append16(word(FilterActionRemap, quint32(newBase) - pidValue));
        else // pass: a remap by offset 0
            append16(word(FilterActionRemap, 0));
        append16(word(input == InputAny ? FilterInputAny : (input - 1) & 0x7, pidValue));
        append16(word(match == MatchMask ? FilterMatchMask : FilterMatchRange, b));
    };
    for (const FilterCfg &f : cfg.filters)
        record(f.match, f.input, f.a, f.b, f.action, f.newBase);
    // The default rule covers PIDs 0 to 8190; the null packets on 0x1FFF stay out.
    record(MatchRange, InputAny, 0, 0x1FFE, cfg.filterDefault, 0x1000);
    setEntryPoint(SlotFilterTable, offset);
}

void PsiVmProgram::generateClosingRoutine()
{
    const int offset = int(m_program.size());
    emitClosingMarker(ClosingMarkerValue);
    emitEnd();
    setEntryPoint(SlotClosing, offset);
}

bool PsiVmProgram::buildProgram(const TransportStreamCfg &cfg)
{
    clearProgram();
    if (cfg.patEnabled)
        generatePAT(cfg, ++m_context);
    if (cfg.nitEnabled)
        generateNIT(cfg, ++m_context);
    if (cfg.sdtEnabled)
        generateSDT(cfg, ++m_context);
    if (cfg.tdtEnabled) {
        if (cfg.realTdt)
            generateRealTimeTDT(cfg);
        else
            generateTDT(cfg, ++m_context);
    }
    // All EIT routines share one output context, taken even without services.
    const int eitContext = cfg.eitEnabled ? ++m_context : -1;
    int i = 0;
    for (const ServiceCfg &service : cfg.services) {
        if (!service.pmtEnabled)
            continue;
        generatePMT(cfg, service, SlotFirstPmt + i, ++m_context);
        if (cfg.eitEnabled)
            generateEIT(cfg, service, SlotFirstEit + i, eitContext, 1);
        ++i;
    }
    generateFilterTable(cfg);
    generateClosingRoutine();
    return !m_encodingError;
}

QByteArray PsiVmProgram::dumpText(const QByteArray &program)
{
    QByteArray text = "unsigned char psivm_prog[" + QByteArray::number(program.size()) + "] = {\n";
    const qsizetype n = program.size();
    text.reserve(text.size() + n * 6 + n / 8 + 8);
    static const char digits[] = "0123456789abcdef";
    for (qsizetype i = 0; i < n; ++i) {
        if (i % 8 == 0)
            text.append('\t');
        const quint8 b = quint8(program.at(i));
        text.append("0x");
        text.append(digits[b >> 4]);
        text.append(digits[b & 0xF]);
        if (i != n - 1)
            text.append(", ");
        if (i % 8 == 7 || i == n - 1)
            text.append('\n');
    }
    text.append("};\n");
    return text;
}
