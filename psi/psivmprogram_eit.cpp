// EIT present/following actual (ETSI EN 300 468 5.2.4) and TDT (5.2.5).

#include "config/model.h"
#include "format/mbnformat.h"
#include "psi/exportlog.h"
#include "psi/psibuffer.h"
#include "psi/psivmprogram.h"
#include "psi/sections.h"

void PsiSections::eit(PsiBuffer &buf, const TransportStreamCfg &cfg, const ServiceCfg &service,
                      quint16 eventId, quint8 version)
{
    // event_information_section, actual TS, present/following; service_id.
    // Section 0 is the present event.
    header(buf, TableId::EitPfActual, HeaderBit::DvbReserved, service.id, version);
    buf.writeBits(cfg.id, 16);     // transport_stream_id
    buf.writeBits(cfg.origId, 16); // original_network_id
    buf.writeBits(0, 8);           // segment_last_section_number
    buf.writeBits(TableId::EitPfActual, 8); // last_table_id
    buf.writeBits(eventId, 16);    // event_id
    buf.writeOnes(40);             // start_time: undefined
    buf.writeOnes(24);             // duration: undefined
    buf.writeBits(0, 3);           // running_status: undefined
    buf.writeBits(service.caEnabled ? 1 : 0, 1); // free_CA_mode
    buf.pushLength(12);            // descriptors_loop_length
    shortEventDescriptor(buf, service);
    buf.popLength();
}

void PsiSections::shortEventDescriptor(PsiBuffer &buf, const ServiceCfg &service)
{
    buf.writeBits(DescriptorTag::ShortEvent, 8); // descriptor_tag: short_event_descriptor
    buf.pushLength(8);                   // descriptor_length
    buf.writeLanguage(service.language); // ISO_639_language_code
    buf.writeString(service.eventName);  // event_name_length, event_name_char
    buf.writeString(service.eventText);  // text_length, text_char
    buf.popLength();
}

void PsiSections::tdt(PsiBuffer &buf)
{
    buf.writeBits(0x00, 8);         // pointer_field
    buf.writeBits(TableId::Tdt, 8); // table_id: time_date_section
    buf.writeBits(0, 1);            // section_syntax_indicator
    buf.writeOnes(3);               // reserved_future_use, reserved
    buf.writeBits(0, 12);           // section_length: completed by the device
    buf.writeBits(0, 8);            // UTC_time: MJD 0, 00:00:00
    buf.writeBits(0, 32);           // UTC_time (continued)
}

void PsiVmProgram::generateEIT(const TransportStreamCfg &cfg, const ServiceCfg &service, int slot,
                               int context, quint16 eventId)
{
    if (!measuring() && m_notesEnabled)
        qCDebug(lcExport, "generateEIT(...,[..., %i], %i, %i)", int(service.id), slot, context);
    const int section = beginSection();
    PsiSections::eit(m_buffer, cfg, service, eventId,
                     m_versions.of(Pid::Eit, TableId::EitPfActual, service.id));
    appendFinishedSection();
    emitSectionRoutine(cfg, section, quint16(cfg.eitTime / 2), -1, Pid::Eit, context, slot);
}

void PsiVmProgram::generateTDT(const TransportStreamCfg &cfg, int context)
{
    const int section = beginSection();
    PsiSections::tdt(m_buffer);
    appendFinishedSection();
    emitSectionRoutine(cfg, section, cfg.tdtTime, -1, Pid::Tdt, context, Mbn::SlotTdt);
}

// The device stamps the current time itself: a routine without a section.
void PsiVmProgram::generateRealTimeTDT(const TransportStreamCfg &cfg)
{
    const int routine = int(m_program.size());
    if (cfg.playoutTimings)
        emitInterval(cfg.tdtTime);
    emitRealTimeTdt(Mbn::RealTimeTdtOperand);
    emitEnd();
    setEntryPoint(Mbn::SlotTdt, routine);
}
