#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

#include "psi/psibuffer.h"

struct TransportStreamCfg;
struct ServiceCfg;

// The MUX binary: a program for the multiplexer's PSI virtual machine. An
// entry table of 48 slots, then per table a section image (all but
// section_length and CRC_32, which the device completes) followed by the
// routine that assembles and sends it, then the PID filter table and the
// closing routine. Written through QSaveFile so that a failed or refused
// export never leaves a truncated .mbn behind.
class PsiVmProgram : public QSaveFile
{
public:
    static constexpr int EntrySlots = 48;
    static constexpr int EntryTableSize = 2 * EntrySlots;
    static constexpr int SlotPat = 0;
    static constexpr int SlotNit = 1;
    static constexpr int SlotSdt = 2;
    static constexpr int SlotTdt = 3;
    static constexpr int SlotFilterTable = 14;
    static constexpr int SlotClosing = 15;
    static constexpr int SlotFirstPmt = 16;
    static constexpr int SlotFirstEit = 32;
    static constexpr int MaxPmtServices = 16;

    PsiVmProgram();

    using QSaveFile::open;
    // Opens the target through a temporary file; nothing replaces it before
    // generateProgram() commits.
    bool open(const QString &fileName);

    // Checks the configuration (exportProblems), builds the program, writes
    // it in one guarded commit and dumps it on stderr when dumping is on.
    // False, with errorString() set and the target untouched, when the
    // configuration is refused, an encoding fault occurred or writing failed.
    bool generateProgram(const TransportStreamCfg &cfg);

    // Builds the program in memory only, without checks. False when the bit
    // buffer or the builder reported a fault on qCritical.
    bool buildProgram(const TransportStreamCfg &cfg);

    void setDumpEnabled(bool enabled) { m_dumpEnabled = enabled; }
    bool dumpEnabled() const { return m_dumpEnabled; }
    const QByteArray &program() const { return m_program; }
    bool hasEncodingError() const { return m_encodingError; }

    // The psivm_prog array declaration that dumpProgram() prints.
    static QByteArray dumpText(const QByteArray &program);
    void dumpProgram() const;

    // Building blocks, in the order a program uses them.
    void clearProgram();
    void appendSection();
    void alignProgram(int n);
    void setEntryPoint(int slot, int offset);

    void emitCopy(int offset, int length);
    void emitByte(quint8 b);
    void emitListMarker(quint8 kind);
    void emitSend(quint16 pid, int context);
    void emitClosingMarker(quint16 value);
    void emitRealTimeTdt(quint8 kind);
    void emitInterval(quint16 ms);
    void emitOpenLength16(quint8 b);
    void emitOpenLength8(quint8 b);
    void emitCloseLongLength(int width);
    void emitCloseShortLength(int width);
    void emitEnd();

    void generatePAT(const TransportStreamCfg &cfg, int context);
    void generatePMT(const TransportStreamCfg &cfg, const ServiceCfg &service, int slot, int context);
    void generateSDT(const TransportStreamCfg &cfg, int context);
    void generateNIT(const TransportStreamCfg &cfg, int context);
    void generateTDT(const TransportStreamCfg &cfg, int context);
    void generateRealTimeTDT(const TransportStreamCfg &cfg);
    void generateEIT(const TransportStreamCfg &cfg, const ServiceCfg &service, int slot, int context,
                     quint16 eventId);
    void generateFilterTable(const TransportStreamCfg &cfg);
    void generateClosingRoutine();

    PsiBuffer &buffer() { return m_buffer; }

private:
    // Common block steps: pack the section, append it padded to an even
    // size, and return where it starts.
    int appendFinishedSection();
    int beginSection();
    // pointer_field and the long section header up to last_section_number,
    // section_length 0, version 0, current, section 0 of 0. MPEG-2 tables
    // carry a '0' after section_syntax_indicator, DVB tables a
    // reserved_future_use one.
    enum class HeaderBit { Mpeg2Zero, DvbReserved };
    void writeSectionHeader(quint8 tableId, HeaderBit bit, quint16 tableIdExtension);
    void emitSectionRoutine(const TransportStreamCfg &cfg, int sectionOffset, quint16 interval,
                            int listKind, quint16 pid, int context, int slot);
    void append16(quint16 value);
    void writeServiceType(qint32 type);

    PsiBuffer m_buffer;
    QByteArray m_program;
    int m_context = -1;
    bool m_dumpEnabled = true;
    bool m_encodingError = false;
};
