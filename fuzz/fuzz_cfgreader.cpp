// Round trip of the .mux reader and writer: whatever the reader accepts must
// be written, read back to the same document and written to the same bytes;
// whatever it refuses must leave the caller's record untouched.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "config/cfgreader.h"
#include "config/cfgwriter.h"
#include "cfgroundtrip.h"

namespace {

[[noreturn]] void fault(const char *what, const QByteArray &text)
{
    std::fprintf(stderr, "fuzz_cfgreader: %s\n--- canonical text ---\n%s\n---\n", what,
                 text.constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                     qsizetype(size));
    CfgReader reader;
    TransportStreamCfg first = TransportStreamCfg();
    first.netName = QStringLiteral("sentinel");
    if (!reader.parseData(input, &first)) {
        if (first.netName != QLatin1String("sentinel") || first.services.size() != 0)
            fault("a failed parse changed the output record", QByteArray());
        if (reader.errorLine() < 1 || reader.errorColumn() < 1 || reader.errorString().isEmpty())
            fault("a failed parse gave no position or reason", QByteArray());
        return 0;
    }
    const QByteArray text = CfgWriter::toText(first);
    TransportStreamCfg second;
    if (!reader.parseData(text, &second))
        fault(qPrintable(QStringLiteral("the canonical text does not read back: %1:%2: %3")
                             .arg(reader.errorLine())
                             .arg(reader.errorColumn())
                             .arg(reader.errorString())),
              text);
    if (!(second == normalizedForText(first)))
        fault("the canonical text reads back to another document", text);
    if (CfgWriter::toText(second) != text)
        fault("the canonical text is not stable", text);
    return 0;
}
