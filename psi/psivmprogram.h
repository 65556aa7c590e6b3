#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

#include "config/fileaccess.h"

#include "psi/psibuffer.h"
#include "psi/sections.h"

struct TransportStreamCfg;
struct ServiceCfg;

// The MUX binary: a program for the multiplexer's PSI virtual machine. An
// entry table of 48 slots, then per table a section image (all but
// section_length and CRC_32, which the device completes) followed by the
// routine that assembles and sends it, then the PID filter table and the
// closing routine. Written through OutputFile so that a failed or refused
// export never leaves a truncated .mbn behind, and a FIFO or a device named
// as the target is written in place.
//
// Built with a measuring buffer, the program has the size of the real one but
// blank section images, and nothing is reported: the export check sizes
// configurations that way, however large.
class PsiVmProgram
{
public:
    explicit PsiVmProgram(PsiBuffer::Mode mode = PsiBuffer::Mode::Encode);
    ~PsiVmProgram();
    Q_DISABLE_COPY_MOVE(PsiVmProgram)

    // Opens the target (a regular one through a temporary file); nothing
    // replaces it before generateProgram() commits.
    bool open(const QString &fileName, OutputFile::ReaderWait wait = OutputFile::ReaderWait::Wait);
    // True once open() found a FIFO or a device, written in place.
    bool inPlace() const { return m_output && m_output->inPlace(); }
    QString errorString() const { return m_errorString; }

    // The export driver: checks the configuration (exportProblems), builds the
    // program, writes it in one guarded commit and, when dumping is on, prints
    // it on stderr. False, with errorString() set and the target untouched,
    // when the configuration is refused, an encoding fault occurred or
    // writing failed.
    bool generateProgram(const TransportStreamCfg &cfg);

    // Builds the program in memory only, without checks. False when the bit
    // buffer or the builder reported a fault (velunor.export, critical).
    bool buildProgram(const TransportStreamCfg &cfg);

    // Off for a program built only to be looked at (by the check, or to
    // compare with the one it replaces): the note on each EIT routine is
    // then left out, so that an export does not repeat it.
    void setNotesEnabled(bool enabled) { m_notesEnabled = enabled; }

    // The version_number of each table; without them every table is version 0.
    void setVersions(const TableVersions &versions) { m_versions = versions; }

    // Off unless the caller asks: the core prints nothing of its own accord.
    void setDumpEnabled(bool enabled) { m_dumpEnabled = enabled; }
    bool dumpEnabled() const { return m_dumpEnabled; }
    bool measuring() const { return m_buffer.measuring(); }
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
    void emitSectionRoutine(const TransportStreamCfg &cfg, int sectionOffset, quint16 interval,
                            int listKind, quint16 pid, int context, int slot);
    void append16(quint16 value);

    PsiBuffer m_buffer;
    TableVersions m_versions;
    QByteArray m_program;
    int m_context = -1;
    bool m_dumpEnabled = false;
    bool m_notesEnabled = true;
    bool m_encodingError = false;
    std::unique_ptr<OutputFile> m_output;
    QString m_errorString;
};
