// SDT actual and NIT actual (ETSI EN 300 468 5.2.3 and 5.2.1).

#include "config/model.h"
#include "format/mbnformat.h"
#include "psi/psibuffer.h"
#include "psi/psivmprogram.h"
#include "psi/sections.h"

void PsiSections::sdt(PsiBuffer &buf, const TransportStreamCfg &cfg, quint8 version)
{
    // service_description_section, actual TS; transport_stream_id
    header(buf, TableId::SdtActual, HeaderBit::DvbReserved, cfg.id, version);
    buf.writeBits(cfg.origId, 16); // original_network_id
    buf.writeOnes(8);              // reserved_future_use
    for (const ServiceCfg &service : cfg.services) {
        buf.writeBits(service.id, 16);               // service_id
        buf.writeOnes(6);                            // reserved_future_use
        buf.writeBits(0, 1);                         // EIT_schedule_flag
        buf.writeBits(cfg.eitEnabled ? 1 : 0, 1);    // EIT_present_following_flag
        buf.writeBits(4, 3);                         // running_status: running
        buf.writeBits(service.caEnabled ? 1 : 0, 1); // free_CA_mode
        buf.pushLength(12);                          // descriptors_loop_length
        serviceDescriptor(buf, service);
        if (service.caEnabled) {
            buf.writeBits(DescriptorTag::CaIdentifier, 8); // descriptor_tag: CA_identifier_descriptor
            buf.pushLength(8);                             // descriptor_length
            buf.writeBits(service.caId, 16);               // CA_system_id
            buf.popLength();
        }
        buf.popLength();
    }
}

void PsiSections::serviceDescriptor(PsiBuffer &buf, const ServiceCfg &service)
{
    buf.writeBits(DescriptorTag::Service, 8); // descriptor_tag: service_descriptor
    buf.pushLength(8);                        // descriptor_length
    serviceType(buf, service.type);           // service_type
    buf.writeString(service.providerName);    // service_provider_name_length, service_provider_name
    buf.writeString(service.serviceName);     // service_name_length, service_name
    buf.popLength();
}

void PsiSections::serviceType(PsiBuffer &buf, qint32 type)
{
    if (const ServiceTypeInfo *info = serviceTypeInfo(type)) {
        buf.writeBits(info->code, 8); // service_type
        return;
    }
    // No code to write; exportProblems() refuses such services up front.
    buf.fail(qPrintable(QStringLiteral("Service type %1 has no DVB service_type").arg(type)));
    buf.writeBits(0xFF, 8); // service_type: placeholder
}

void PsiSections::nitHead(PsiBuffer &buf, const TransportStreamCfg &cfg, quint8 version)
{
    // network_information_section, actual network; network_id
    header(buf, TableId::NitActual, HeaderBit::DvbReserved, cfg.netId, version);
    buf.writeOnes(4);   // reserved_future_use
    buf.pushLength(12); // network_descriptors_length
    networkNameDescriptor(buf, cfg);
    buf.popLength();
}

void PsiSections::networkNameDescriptor(PsiBuffer &buf, const TransportStreamCfg &cfg)
{
    buf.writeBits(DescriptorTag::NetworkName, 8); // descriptor_tag: network_name_descriptor
    buf.writeString(cfg.netName);                 // descriptor_length, network name
}

void PsiSections::nitTransportStream(PsiBuffer &buf, const TransportStreamCfg &cfg)
{
    buf.writeBits(cfg.id, 16);     // transport_stream_id
    buf.writeBits(cfg.origId, 16); // original_network_id
}

void PsiSections::nitServiceList(PsiBuffer &buf, const TransportStreamCfg &cfg)
{
    for (const ServiceCfg &service : cfg.services) {
        buf.writeBits(service.id, 16);  // service_id
        serviceType(buf, service.type); // service_type
    }
}

void PsiSections::nitLogicalChannels(PsiBuffer &buf, const TransportStreamCfg &cfg)
{
    for (const ServiceCfg &service : cfg.services) {
        if (!service.lcEnabled)
            continue;
        buf.writeBits(service.id, 16);               // service_id
        buf.writeBits(service.lcVisible ? 1 : 0, 1); // visible_service_flag
        if (cfg.lcnProfile == LcnNordig) {
            // NorDig U2 logical_channel_descriptor version 1
            buf.writeOnes(1);                    // reserved
            buf.writeBits(service.lcNumber, 14); // logical_channel_number
        } else {
            // E-Book/EACEM layout, which D-Book and the plain descriptor share
            buf.writeOnes(5);                    // reserved
            buf.writeBits(service.lcNumber, 10); // logical_channel_number
        }
    }
}

void PsiSections::nitLcnSpecifier(PsiBuffer &buf, const TransportStreamCfg &cfg)
{
    const quint32 specifier = lcnSpecifier(cfg.lcnProfile);
    if (!specifier)
        return;
    buf.writeBits(DescriptorTag::PrivateDataSpecifier, 8); // descriptor_tag: private_data_specifier_descriptor
    buf.pushLength(8);                                     // descriptor_length
    buf.writeBits(specifier, 32);                          // private_data_specifier
    buf.popLength();
}

void PsiVmProgram::generateSDT(const TransportStreamCfg &cfg, int context)
{
    const int section = beginSection();
    PsiSections::sdt(m_buffer, cfg, m_versions.of(Pid::Sdt, TableId::SdtActual, cfg.id));
    appendFinishedSection();
    emitSectionRoutine(cfg, section, cfg.sdtTime, Mbn::ListSdtServices, Pid::Sdt, context, Mbn::SlotSdt);
}

// The NIT goes out as four pieces that the routine joins on the device,
// which fills in the loop and descriptor lengths around the service list and
// logical channel entries; under an lcn-profile a fifth, the private data
// specifier, goes right before the logical channel descriptor.
void PsiVmProgram::generateNIT(const TransportStreamCfg &cfg, int context)
{
    struct Piece {
        int offset;
        int length;
    };
    auto piece = [this, &cfg](void (*write)(PsiBuffer &, const TransportStreamCfg &)) {
        beginSection();
        write(m_buffer, cfg);
        const int offset = appendFinishedSection();
        return Piece{offset, m_buffer.outputLength()};
    };
    beginSection();
    PsiSections::nitHead(m_buffer, cfg, m_versions.of(Pid::Nit, TableId::NitActual, cfg.netId));
    const int headOffset = appendFinishedSection();
    const Piece head{headOffset, m_buffer.outputLength()};
    const Piece stream = piece(PsiSections::nitTransportStream);
    const Piece services = piece(PsiSections::nitServiceList);
    const Piece channels = piece(PsiSections::nitLogicalChannels);
    const Piece specifier = cfg.lcnProfile != LcnPlain ? piece(PsiSections::nitLcnSpecifier) : Piece{0, 0};

    const int routine = int(m_program.size());
    if (cfg.playoutTimings)
        emitInterval(cfg.nitTime);
    emitCopy(head.offset, head.length);
    emitOpenLength16(0xF0); // reserved_future_use, transport_stream_loop_length
    emitCopy(stream.offset, stream.length);
    emitOpenLength16(0xF0); // reserved_future_use, transport_descriptors_length
    emitByte(DescriptorTag::ServiceList);
    emitOpenLength8(0x00);
    emitCopy(services.offset, services.length);
    emitListMarker(Mbn::ListNitServices);
    emitCloseShortLength(8);
    if (specifier.length)
        emitCopy(specifier.offset, specifier.length);
    emitByte(DescriptorTag::LogicalChannel);
    emitOpenLength8(0x00);
    emitCopy(channels.offset, channels.length);
    emitListMarker(Mbn::ListNitLogicalChannels);
    emitCloseShortLength(8);
    emitCloseLongLength(12);
    emitCloseLongLength(12);
    emitSend(Pid::Nit, context);
    emitEnd();
    setEntryPoint(Mbn::SlotNit, routine);
}
