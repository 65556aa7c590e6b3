// PAT and PMT (ISO/IEC 13818-1 2.4.4.3 and 2.4.4.8), single sections.

#include "config/model.h"
#include "format/mbnformat.h"
#include "psi/psibuffer.h"
#include "psi/psivmprogram.h"
#include "psi/sections.h"

void PsiSections::pat(PsiBuffer &buf, const TransportStreamCfg &cfg, quint8 version)
{
    // program_association_section, transport_stream_id
    header(buf, TableId::Pat, HeaderBit::Mpeg2Zero, cfg.id, version);
    if (cfg.nitEnabled) {
        buf.writeBits(0, 16);       // program_number: 0 announces the network PID
        buf.writeOnes(3);           // reserved
        buf.writeBits(Pid::Nit, 13); // network_PID
    }
    // Every service is listed; pmtEnabled only decides whether the MUX sends the PMT.
    for (const ServiceCfg &service : cfg.services) {
        buf.writeBits(service.id, 16);     // program_number
        buf.writeOnes(3);                  // reserved
        buf.writeBits(service.pmtPid, 13); // program_map_PID
    }
}

namespace {

// An element's descriptors: the one its kind is told apart by, then its
// language where the kind carries it in an ISO_639_language_descriptor.
void elementDescriptors(PsiBuffer &buf, const ESCfg &es, const EsTypeInfo &kind)
{
    switch (kind.descriptor) {
    case DescriptorTag::Teletext: {
        const int page = es.teletextPage;
        buf.writeBits(DescriptorTag::Teletext, 8); // descriptor_tag: teletext_descriptor
        buf.pushLength(8);                         // descriptor_length
        buf.writeLanguage(es.language);            // ISO_639_language_code
        buf.writeBits(0x01, 5);                    // teletext_type: initial Teletext page
        buf.writeBits(quint32((page / 100) % 10), 3); // teletext_magazine_number (8 is sent as 0)
        buf.writeBits(quint32(((page / 10) % 10) * 16 + page % 10), 8); // teletext_page_number, BCD
        buf.popLength();
        break;
    }
    case DescriptorTag::Ac3:
        buf.writeBits(DescriptorTag::Ac3, 8); // descriptor_tag: AC-3_descriptor
        buf.pushLength(8);                    // descriptor_length
        buf.writeBits(0, 4); // component_type_flag, bsid_flag, mainid_flag, asvc_flag: no optional fields
        buf.writeOnes(4);    // reserved
        buf.popLength();
        break;
    case DescriptorTag::EnhancedAc3:
        buf.writeBits(DescriptorTag::EnhancedAc3, 8); // descriptor_tag: enhanced_AC-3_descriptor
        buf.pushLength(8);                            // descriptor_length
        // component_type_flag, bsid_flag, mainid_flag, asvc_flag, mixinfoexists,
        // substream1_flag, substream2_flag, substream3_flag: no optional fields
        buf.writeBits(0, 8);
        buf.popLength();
        break;
    case DescriptorTag::Subtitling:
        buf.writeBits(DescriptorTag::Subtitling, 8); // descriptor_tag: subtitling_descriptor
        buf.pushLength(8);                           // descriptor_length
        buf.writeLanguage(es.language.isEmpty() ? QStringLiteral("und") : es.language); // ISO_639_language_code
        buf.writeBits(0x10, 8); // subtitling_type: DVB subtitles, normal, no monitor aspect ratio
        buf.writeBits(1, 16);   // composition_page_id
        buf.writeBits(1, 16);   // ancillary_page_id
        buf.popLength();
        break;
    default:
        break;
    }
    if (kind.language == EsLanguage::Iso639WhenSet && !es.language.isEmpty()) {
        buf.writeBits(DescriptorTag::Iso639Language, 8); // descriptor_tag: ISO_639_language_descriptor
        buf.pushLength(8);                               // descriptor_length
        buf.writeLanguage(es.language);                  // ISO_639_language_code
        buf.writeBits(0, 8);                             // audio_type: undefined
        buf.popLength();
    }
}

} // namespace

void PsiSections::pmt(PsiBuffer &buf, const ServiceCfg &service, quint8 version)
{
    // TS_program_map_section, program_number
    header(buf, TableId::Pmt, HeaderBit::Mpeg2Zero, service.id, version);
    buf.writeOnes(3);                 // reserved
    buf.writeBits(service.pcrPid, 13); // PCR_PID
    buf.writeOnes(4);                 // reserved
    buf.pushLength(12);               // program_info_length
    if (service.caEnabled) {
        buf.writeBits(DescriptorTag::Ca, 8); // descriptor_tag: CA_descriptor
        buf.pushLength(8);                   // descriptor_length
        buf.writeBits(service.caId, 16);     // CA_system_ID
        buf.writeOnes(3);                    // reserved
        buf.writeBits(service.ecmPid, 13);   // CA_PID
        buf.popLength();
    }
    buf.popLength();

    for (const ESCfg &es : service.elements) {
        const EsTypeInfo *kind = esTypeInfo(es.type);
        if (!kind)
            continue; // no stream_type known for it: left out
        buf.writeBits(kind->streamType, 8); // stream_type
        buf.writeOnes(3);                   // reserved
        buf.writeBits(es.pid, 13);          // elementary_PID
        buf.writeOnes(4);                   // reserved
        buf.pushLength(12);                 // ES_info_length
        elementDescriptors(buf, es, *kind);
        buf.popLength();
    }
}

void PsiVmProgram::generatePAT(const TransportStreamCfg &cfg, int context)
{
    const int section = beginSection();
    PsiSections::pat(m_buffer, cfg, m_versions.of(Pid::Pat, TableId::Pat, cfg.id));
    appendFinishedSection();
    emitSectionRoutine(cfg, section, cfg.patTime, Mbn::ListPatPrograms, Pid::Pat, context, Mbn::SlotPat);
}

void PsiVmProgram::generatePMT(const TransportStreamCfg &cfg, const ServiceCfg &service, int slot,
                               int context)
{
    const int section = beginSection();
    PsiSections::pmt(m_buffer, service, m_versions.of(service.pmtPid, TableId::Pmt, service.id));
    appendFinishedSection();
    emitSectionRoutine(cfg, section, cfg.pmtTime, -1, service.pmtPid, context, slot);
}
