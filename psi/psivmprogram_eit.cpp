// EIT present/following actual (ETSI EN 300 468 5.2.4) and TDT (5.2.5).

#include <QtDebug>

#include "config/model.h"
#include "psi/psivmprogram.h"

namespace {
constexpr quint16 PidEit = 0x0012;
constexpr quint16 PidTdt = 0x0014;
constexpr quint8 RealTimeTdt = 4;
}

void PsiVmProgram::generateEIT(const TransportStreamCfg &cfg, const ServiceCfg &service, int slot,
                               int context, quint16 eventId)
{
    qDebug("generateEIT(...,[..., %i], %i, %i)", int(service.id), slot, context);
    PsiBuffer &buf = m_buffer;
    const int section = beginSection();
    // event_information_section, actual TS, present/following; service_id.
    // Section 0 is the present event.
    writeSectionHeader(0x4E, HeaderBit::DvbReserved, service.id);
    buf.writeBits(cfg.id, 16);     // transport_stream_id
    buf.writeBits(cfg.origId, 16); // original_network_id
    buf.writeBits(0, 8);           // segment_last_section_number
    buf.writeBits(0x4E, 8);        // last_table_id
    buf.writeBits(eventId, 16);    // event_id
    buf.writeOnes(40);             // start_time: undefined
    buf.writeOnes(24);             // duration: undefined
    buf.writeBits(0, 3);           // running_status: undefined
    buf.writeBits(service.caEnabled ? 1 : 0, 1); // free_CA_mode
    buf.pushLength(12);            // descriptors_loop_length
    buf.writeBits(0x4D, 8);        // descriptor_tag: short_event_descriptor
    buf.pushLength(8);             // descriptor_length
    buf.writeLanguage(service.language); // ISO_639_language_code
    buf.writeString(service.eventName);  // event_name_length, event_name_char
    buf.writeString(service.eventText);  // text_length, text_char
    buf.popLength();
    buf.popLength();
    appendFinishedSection();
    emitSectionRoutine(cfg, section, quint16(cfg.eitTime / 2), -1, PidEit, context, slot);
}

void PsiVmProgram::generateTDT(const TransportStreamCfg &cfg, int context)
{
    PsiBuffer &buf = m_buffer;
    const int section = beginSection();
    buf.writeBits(0x00, 8); // pointer_field
    buf.writeBits(0x70, 8); // table_id: time_date_section
    buf.writeBits(0, 1);    // section_syntax_indicator
    buf.writeOnes(3);       // reserved_future_use, reserved
    buf.writeBits(0, 12);   // section_length: completed by the device
    buf.writeBits(0, 8);    // UTC_time: MJD 0, 00:00:00
    buf.writeBits(0, 32);   // UTC_time (continued)
    appendFinishedSection();
    emitSectionRoutine(cfg, section, cfg.tdtTime, -1, PidTdt, context, SlotTdt);
}

// The device stamps the current time itself: a routine without a section.
void PsiVmProgram::generateRealTimeTDT(const TransportStreamCfg &cfg)
{
    const int routine = int(m_program.size());
    if (cfg.playoutTimings)
        emitInterval(cfg.tdtTime);
    emitRealTimeTdt(RealTimeTdt);
    emitEnd();
    setEntryPoint(SlotTdt, routine);
}
