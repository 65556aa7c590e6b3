#pragma once

#include <QHash>
#include <QtGlobal>

class PsiBuffer;
struct ServiceCfg;
struct TransportStreamCfg;

// The section images and descriptors that the MUX binary carries, each written
// field by field into a PsiBuffer. They are the one description of every
// table's layout: the generators encode with them, and the export check sizes
// sections and descriptors by running them on a measuring buffer.
//
// Images start with the pointer_field and leave section_length 0 and CRC_32
// out; the device completes both.

// The version_number each table goes out with, by the PID it is sent on, its
// table_id and table_id_extension. A table not named here goes out as
// version 0. Who picks the versions (from the program being replaced) is the
// caller's business: the writer only writes them.
class TableVersions
{
public:
    void set(quint16 pid, quint8 tableId, quint16 extension, quint8 version)
    {
        m_versions.insert(key(pid, tableId, extension), quint8(version & 0x1F));
    }
    quint8 of(quint16 pid, quint8 tableId, quint16 extension) const
    {
        return m_versions.value(key(pid, tableId, extension), 0);
    }
    bool isEmpty() const { return m_versions.isEmpty(); }

private:
    static quint64 key(quint16 pid, quint8 tableId, quint16 extension)
    {
        return (quint64(pid) << 24) | (quint64(tableId) << 16) | extension;
    }
    QHash<quint64, quint8> m_versions;
};

namespace PsiSections {

// pointer_field and the long section header up to last_section_number:
// current, section 0 of 0. MPEG-2 tables carry a '0' after
// section_syntax_indicator, DVB tables a reserved_future_use one.
enum class HeaderBit { Mpeg2Zero, DvbReserved };
void header(PsiBuffer &buf, quint8 tableId, HeaderBit bit, quint16 tableIdExtension, quint8 version = 0);

void pat(PsiBuffer &buf, const TransportStreamCfg &cfg, quint8 version = 0);
void pmt(PsiBuffer &buf, const ServiceCfg &service, quint8 version = 0);

void sdt(PsiBuffer &buf, const TransportStreamCfg &cfg, quint8 version = 0);
void serviceDescriptor(PsiBuffer &buf, const ServiceCfg &service);
// The DVB code of a service type; an unknown type is a fault, written as a
// 0xFF placeholder so that sizes stay those of a valid service.
void serviceType(PsiBuffer &buf, qint32 type);

// The NIT's pieces, which the routine joins on the device: the head with
// the network descriptors, the transport stream loop entry, and the entries of
// the service list and logical channel descriptors (tag and length added by
// the routine).
void nitHead(PsiBuffer &buf, const TransportStreamCfg &cfg, quint8 version = 0);
void networkNameDescriptor(PsiBuffer &buf, const TransportStreamCfg &cfg);
void nitTransportStream(PsiBuffer &buf, const TransportStreamCfg &cfg);
void nitServiceList(PsiBuffer &buf, const TransportStreamCfg &cfg);
void nitLogicalChannels(PsiBuffer &buf, const TransportStreamCfg &cfg);
// The private_data_specifier_descriptor that scopes the logical channel
// descriptor under lcn-profile; nothing for plain. A fifth piece, sent
// directly before the 0x83 tag.
void nitLcnSpecifier(PsiBuffer &buf, const TransportStreamCfg &cfg);

void eit(PsiBuffer &buf, const TransportStreamCfg &cfg, const ServiceCfg &service, quint16 eventId,
         quint8 version = 0);
void shortEventDescriptor(PsiBuffer &buf, const ServiceCfg &service);

void tdt(PsiBuffer &buf);

} // namespace PsiSections
