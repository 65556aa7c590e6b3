// Importer: any bytes, read as a transport stream and as a MUX binary, either
// give a configuration that the writer turns into text the reader reads back
// the same, or fail with a reason.
#include <QBuffer>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "config/cfgreader.h"
#include "config/cfgwriter.h"
#include "cfgroundtrip.h"
#include "import/importer.h"
#include "mbn/mbnprogram.h"

namespace {

[[noreturn]] void fault(const char *what)
{
    std::fprintf(stderr, "fuzz_import: %s\n", what);
    std::abort();
}

void check(const ImportResult &result)
{
    if (result.status != ImportResult::Imported) {
        if (result.error.isEmpty())
            fault("an import that found nothing gave no reason");
        return;
    }
    // What import builds must be a configuration the editor can load.
    const QByteArray text = CfgWriter::toText(result.cfg);
    CfgReader reader;
    TransportStreamCfg back;
    if (!reader.parseData(text, &back))
        fault("the imported configuration does not read back");
    if (back != normalizedForText(result.cfg))
        fault("the imported configuration reads back different");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer;
    buffer.setData(input);
    buffer.open(QIODevice::ReadOnly);
    ImportOptions options;
    options.earlyStop = size % 2 == 0;
    options.bitrate = size % 3 == 0 ? 1000000 : 0;
    check(importTransportStream(&buffer, options));
    MbnProgram program;
    if (program.parse(input))
        check(importProgram(program));
    return 0;
}
