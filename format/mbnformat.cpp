#include "format/mbnformat.h"

#include <array>

namespace {

// One table look-up per byte: the transport-stream renderer runs the CRC over
// every section it repeats.
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
