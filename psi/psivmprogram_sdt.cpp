// SDT actual and NIT actual (ETSI EN 300 468 5.2.3 and 5.2.1).

#include "config/model.h"
#include "psi/psivmprogram.h"

namespace {
constexpr int ListNitServices = 1;
constexpr int ListSdtServices = 2;
constexpr int ListNitLogicalChannels = 3;
constexpr quint16 PidNit = 0x0010;
constexpr quint16 PidSdt = 0x0011;
constexpr quint8 TagServiceList = 0x41;
constexpr quint8 TagLogicalChannel = 0x83; // private descriptor (EACEM/NorDig style LCN)
}

void PsiVmProgram::generateSDT(const TransportStreamCfg &cfg, int context)
{
    PsiBuffer &buf = m_buffer;
    const int section = beginSection();
    // service_description_section, actual TS; transport_stream_id
    writeSectionHeader(0x42, HeaderBit::DvbReserved, cfg.id);
    buf.writeBits(cfg.origId, 16); // original_network_id
    buf.writeOnes(8);              // reserved_future_use
    for (const ServiceCfg &service : cfg.services) {
        buf.writeBits(service.id, 16);                // service_id
        buf.writeOnes(6);                             // reserved_future_use
        buf.writeBits(0, 1);                          // EIT_schedule_flag
        buf.writeBits(cfg.eitEnabled ? 1 : 0, 1);     // EIT_present_following_flag
        buf.writeBits(4, 3);                          // running_status: running
        buf.writeBits(service.caEnabled ? 1 : 0, 1);  // free_CA_mode
        buf.pushLength(12);                           // descriptors_loop_length

        buf.writeBits(0x48, 8);                // descriptor_tag: service_descriptor
        buf.pushLength(8);                     // descriptor_length
        writeServiceType(service.type);        // service_type
        buf.writeString(service.providerName); // service_provider_name_length, service_provider_name
        buf.writeString(service.serviceName);  // service_name_length, service_name
        buf.popLength();

        if (service.caEnabled) {
            buf.writeBits(0x53, 8);          // descriptor_tag: CA_identifier_descriptor
            buf.pushLength(8);               // descriptor_length
            buf.writeBits(service.caId, 16); // CA_system_id
            buf.popLength();
        }
        buf.popLength();
    }
    appendFinishedSection();
    emitSectionRoutine(cfg, section, cfg.sdtTime, ListSdtServices, PidSdt, context, SlotSdt);
}

// The NIT goes out as four pieces that the routine joins on the device,
// which fills in the loop and descriptor lengths around the service list and
// logical channel entries.
void PsiVmProgram::generateNIT(const TransportStreamCfg &cfg, int context)
{
    PsiBuffer &buf = m_buffer;

    // Piece 1: section head and network descriptors.
    beginSection();
    // network_information_section, actual network; network_id
    writeSectionHeader(0x40, HeaderBit::DvbReserved, cfg.netId);
    buf.writeOnes(4);             // reserved_future_use
    buf.pushLength(12);           // network_descriptors_length
    buf.writeBits(0x40, 8);       // descriptor_tag: network_name_descriptor
    buf.writeString(cfg.netName); // descriptor_length, network name
    buf.popLength();
    const int head = appendFinishedSection();
    const int headLength = buf.outputLength();

    // Piece 2: the one transport stream loop entry.
    beginSection();
    buf.writeBits(cfg.id, 16);     // transport_stream_id
    buf.writeBits(cfg.origId, 16); // original_network_id
    const int stream = appendFinishedSection();
    const int streamLength = buf.outputLength();

    // Piece 3: service_list_descriptor entries.
    beginSection();
    for (const ServiceCfg &service : cfg.services) {
        buf.writeBits(service.id, 16);  // service_id
        writeServiceType(service.type); // service_type
    }
    const int services = appendFinishedSection();
    const int servicesLength = buf.outputLength();

    // Piece 4: logical channel entries.
    beginSection();
    for (const ServiceCfg &service : cfg.services) {
        if (!service.lcEnabled)
            continue;
        buf.writeBits(service.id, 16);              // service_id
        buf.writeBits(service.lcVisible ? 1 : 0, 1); // visible_service_flag
        buf.writeOnes(5);                           // reserved
        buf.writeBits(service.lcNumber, 10);        // logical_channel_number
    }
    const int channels = appendFinishedSection();
    const int channelsLength = buf.outputLength();

    const int routine = int(m_program.size());
    if (cfg.playoutTimings)
        emitInterval(cfg.nitTime);
    emitCopy(head, headLength);
    emitOpenLength16(0xF0); // reserved_future_use, transport_stream_loop_length
    emitCopy(stream, streamLength);
    emitOpenLength16(0xF0); // reserved_future_use, transport_descriptors_length
    emitByte(TagServiceList);
    emitOpenLength8(0x00);
    emitCopy(services, servicesLength);
    emitListMarker(ListNitServices);
    emitCloseShortLength(8);
    emitByte(TagLogicalChannel);
    emitOpenLength8(0x00);
    emitCopy(channels, channelsLength);
    emitListMarker(ListNitLogicalChannels);
    emitCloseShortLength(8);
    emitCloseLongLength(12);
    emitCloseLongLength(12);
    emitSend(PidNit, context);
    emitEnd();
    setEntryPoint(SlotNit, routine);
}
