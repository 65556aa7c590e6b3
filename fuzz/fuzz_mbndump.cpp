// MUX binary reader, disassembler and transport-stream renderer: any bytes
// either parse, or fail with a reason at an offset inside the file; a parsed
// program runs every routine and disassembles, or stops at a routine with a
// reason; the sections it sends carry a CRC_32 that checks; a program the
// renderer accepts plays out whole 188-byte packets.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "mbn/mbndump.h"
#include "mbn/mbnprogram.h"
#include "mbn/tsrender.h"

namespace {

[[noreturn]] void fault(const char *what)
{
    std::fprintf(stderr, "fuzz_mbndump: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    MbnProgram program;
    if (!program.parse(input)) {
        if (program.errorOffset() < 0 || program.errorOffset() > int(size) || program.errorString().isEmpty())
            fault("a failed parse gave no offset inside the file or no reason");
        return 0;
    }
    for (const MbnRoutine &routine : program.routines()) {
        if (routine.instructions.isEmpty() || routine.instructions.constLast().kind != MbnInstruction::End)
            fault("a parsed routine does not end with its end instruction");
        for (const MbnInstruction &in : routine.instructions)
            if (in.offset < 96 || in.offset + in.size > int(size))
                fault("an instruction stands outside the file");
        MbnSentSection sent;
        QString error;
        if (!program.run(routine, &sent, &error)) {
            if (error.isEmpty())
                fault("a routine that does not run gave no reason");
            continue;
        }
        if (!sent.section.isEmpty() && quint8(sent.section.at(0)) != 0x70 && mpegCrc32(sent.section) != 0)
            fault("a sent section carries a CRC_32 that does not check");
    }
    for (const MbnFilterRecord &record : program.filterRecords()) {
        const FilterCfg rule = record.rule();
        if (rule.input < 0 || rule.input > 4 || rule.a > 8191 || rule.b > 8191 || rule.newBase < 0 || rule.newBase > 8191)
            fault("a filter record reads back outside the rule's ranges");
    }
    TsRenderer renderer;
    if (renderer.load(program)) {
        QByteArray ts;
        renderer.renderPackets(300, &ts);
        if (ts.size() != 300 * TsRenderer::PacketSize)
            fault("the renderer did not play out the packets asked for");
        for (qsizetype at = 0; at < ts.size(); at += TsRenderer::PacketSize)
            if (ts.at(at) != 0x47)
                fault("a rendered packet does not start with the sync byte");
    } else if (renderer.errorString().isEmpty()) {
        fault("the renderer refused a program without a reason");
    }

    QString text;
    int offset = -1;
    QString reason;
    if (dumpMbnProgram(program, &text, &offset, &reason)) {
        if (text.isEmpty())
            fault("a disassembly succeeded with no text");
    } else if (reason.isEmpty() || !text.isEmpty() || offset < 96 || offset >= int(size)) {
        fault("a failed disassembly gave no routine offset or reason, or left text");
    }
    return 0;
}
