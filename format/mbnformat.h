#pragma once

#include <QByteArray>
#include <QtGlobal>

// The MUX binary as the device reads it, shared by the writer (psi/) and the
// readers (mbn/): the instruction set of the PSI virtual machine, the entry
// table, and the MPEG-2 / DVB numbers that both directions speak of. Table
// layouts are not in here on purpose: the readers decode sections on their
// own, so that a dump checks the writer rather than repeating it.

namespace Mbn {

// Entry table: 48 big-endian 16-bit program offsets; 0xFFFF leaves a slot empty.
constexpr int EntrySlots = 48;
constexpr int EntryTableSize = 2 * EntrySlots;
constexpr quint16 UnusedEntry = 0xFFFF;
constexpr int SlotPat = 0;
constexpr int SlotNit = 1;
constexpr int SlotSdt = 2;
constexpr int SlotTdt = 3;
constexpr int SlotFilterTable = 14;
constexpr int SlotClosing = 15;
constexpr int SlotFirstPmt = 16; // 16 to 31, one per service with a PMT
constexpr int SlotFirstEit = 32; // 32 to 47, in the same order
constexpr int MaxPmtServices = SlotFirstEit - SlotFirstPmt;

// Instructions are one or two 16-bit words: an opcode byte and an operand
// byte, then a 16-bit operand for the long ones.
namespace Op {
constexpr quint8 Byte = 0x01;          // append the operand byte
constexpr quint8 ListMarker = 0x02;    // operand: ListKind
constexpr quint8 Send = 0x03;          // operand: output context; word: PID
constexpr quint8 ClosingMarker = 0x04; // word: marker value
constexpr quint8 RealTimeTdt = 0x05;   // operand: RealTimeTdtOperand
constexpr quint8 Interval = 0x07;      // word: repetition interval in ms
constexpr quint8 CloseLength16 = 0x10; // low nibble: field width - 9
constexpr quint8 OpenLength16 = 0x18;  // operand: the field's first byte
constexpr quint8 CloseLength8 = 0x20;  // low 3 bits: field width - 1
constexpr quint8 OpenLength8 = 0x28;   // operand: the field's initial byte
constexpr quint8 CopyFlag = 0x80;      // 0x80 | length bits 13..8; operand: length bits 7..0; word: offset
constexpr quint16 End = 0xFFFF;
} // namespace Op

constexpr int MaxOffset = 0xFFFF;    // program offsets are 16 bits
constexpr int MaxCopyLength = 0x3FFF; // copy lengths are 14 bits
constexpr quint8 RealTimeTdtOperand = 4;
constexpr quint16 ClosingMarkerValue = 1;

// What a list marker tells the device about the entries just copied.
enum ListKind : quint8 { ListPatPrograms = 0, ListNitServices = 1, ListSdtServices = 2,
                         ListNitLogicalChannels = 3 };

// PID filter table: a 16-bit record count, then three 16-bit words a record,
// each a 3-bit code over 13 bits: action over the remap offset, input port
// over the PID (or masked value), match type over the second PID (or mask).
constexpr int FilterRecordSize = 6;
constexpr int FilterCodeShift = 13;
constexpr quint16 FilterValueMask = 0x1FFF;
constexpr int FilterActionDrop = 4;
constexpr int FilterActionRemap = 6; // a pass is a remap by offset 0
constexpr int FilterInputAny = 7;    // ports 1 to 4 are codes 0 to 3
constexpr int FilterMatchRange = 0;
constexpr int FilterMatchMask = 1;

} // namespace Mbn

// Well-known PIDs (ISO/IEC 13818-1 table 2-3, EN 300 468 table 1).
namespace Pid {
constexpr quint16 Pat = 0x0000;
constexpr quint16 Nit = 0x0010;
constexpr quint16 Sdt = 0x0011;
constexpr quint16 Eit = 0x0012;
constexpr quint16 Tdt = 0x0014;
constexpr quint16 Null = 0x1FFF;
constexpr quint16 LastReserved = 0x001F; // 0x0000-0x001F carry PSI/SI only
} // namespace Pid

namespace TableId {
constexpr quint8 Pat = 0x00;
constexpr quint8 Pmt = 0x02;
constexpr quint8 NitActual = 0x40;
constexpr quint8 NitOther = 0x41;
constexpr quint8 SdtActual = 0x42;
constexpr quint8 SdtOther = 0x46;
constexpr quint8 EitPfActual = 0x4E;
constexpr quint8 EitLast = 0x6F;
constexpr quint8 Tdt = 0x70;
} // namespace TableId

namespace DescriptorTag {
constexpr quint8 Ca = 0x09;
constexpr quint8 Iso639Language = 0x0A;
constexpr quint8 NetworkName = 0x40;
constexpr quint8 ServiceList = 0x41;
constexpr quint8 Service = 0x48;
constexpr quint8 ShortEvent = 0x4D;
constexpr quint8 CaIdentifier = 0x53;
constexpr quint8 Teletext = 0x56;
constexpr quint8 Subtitling = 0x59;
constexpr quint8 PrivateDataSpecifier = 0x5F;
constexpr quint8 Ac3 = 0x6A;
constexpr quint8 EnhancedAc3 = 0x7A;
constexpr quint8 LogicalChannel = 0x83; // EACEM/NorDig private descriptor
} // namespace DescriptorTag

// private_data_specifier values (ETSI TS 101 162) that scope the logical
// channel descriptor for the receiver profiles.
namespace PrivateDataSpecifier {
constexpr quint32 Eacem = 0x00000028;
constexpr quint32 Nordig = 0x00000029;
constexpr quint32 Dbook = 0x0000233A;
} // namespace PrivateDataSpecifier

namespace StreamType {
constexpr quint8 Mpeg2Video = 0x02;
constexpr quint8 Mpeg2Audio = 0x03;
constexpr quint8 PesPrivateData = 0x06;
constexpr quint8 AacAdts = 0x0F;
constexpr quint8 H264Video = 0x1B;
constexpr quint8 HevcVideo = 0x24;
} // namespace StreamType

// section_length is 12 bits and at most 4093 for any section; PSI sections
// (PAT, PMT, NIT, SDT) end at 1024 bytes including CRC_32.
constexpr int MaxSectionLength = 4093;
constexpr int MaxPsiSectionSize = 1024;

// The MPEG-2 CRC_32 of ISO/IEC 13818-1 Annex A (polynomial 0x04C11DB7, no
// reflection, initial value all ones): zero over a section including its CRC_32.
quint32 mpegCrc32(const char *data, qsizetype size);
inline quint32 mpegCrc32(const QByteArray &data)
{
    return mpegCrc32(data.constData(), data.size());
}
