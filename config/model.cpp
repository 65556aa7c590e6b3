#include "config/model.h"

#include <tuple>

#include "format/mbnformat.h"

namespace {

// stream_type values of ISO/IEC 13818-1 table 2-34; teletext travels as PES
// private data and is told apart by its descriptor.
const EsTypeInfo EsTypes[] = {
    {EsMpeg2Video, QT_TRANSLATE_NOOP("ValueEntry", "MPEG2 Video"), QT_TRANSLATE_NOOP("ValueEntry", "Vid"),
     "MPEG-2 video", StreamType::Mpeg2Video},
    {EsMpeg2Audio, QT_TRANSLATE_NOOP("ValueEntry", "MPEG2 Audio"), QT_TRANSLATE_NOOP("ValueEntry", "Aud"),
     "MPEG-2 audio", StreamType::Mpeg2Audio},
    {EsTeletext, QT_TRANSLATE_NOOP("ValueEntry", "Teletext"), QT_TRANSLATE_NOOP("ValueEntry", "Txt"),
     "teletext", StreamType::PesPrivateData},
    {EsH264Video, QT_TRANSLATE_NOOP("ValueEntry", "H264 Video"), QT_TRANSLATE_NOOP("ValueEntry", "Vid"),
     "H.264 video", StreamType::H264Video},
};

} // namespace

const EsTypeInfo *esTypeInfo(qint32 type)
{
    for (const EsTypeInfo &info : EsTypes)
        if (info.type == type)
            return &info;
    return nullptr;
}

bool operator==(const FilterCfg &l, const FilterCfg &r)
{
    return std::tie(l.match, l.input, l.a, l.b, l.action, l.newBase)
        == std::tie(r.match, r.input, r.a, r.b, r.action, r.newBase);
}

bool operator==(const ESCfg &l, const ESCfg &r)
{
    return std::tie(l.type, l.pid, l.language, l.teletextPage)
        == std::tie(r.type, r.pid, r.language, r.teletextPage);
}

bool operator==(const ServiceCfg &l, const ServiceCfg &r)
{
    return std::tie(l.id, l.type, l.providerName, l.serviceName, l.eventName, l.eventText,
                    l.language, l.pmtPid, l.pcrPid, l.caEnabled, l.caId, l.ecmPid,
                    l.pmtEnabled, l.lcEnabled, l.lcVisible, l.lcNumber, l.elements)
        == std::tie(r.id, r.type, r.providerName, r.serviceName, r.eventName, r.eventText,
                    r.language, r.pmtPid, r.pcrPid, r.caEnabled, r.caId, r.ecmPid,
                    r.pmtEnabled, r.lcEnabled, r.lcVisible, r.lcNumber, r.elements);
}

bool operator==(const TransportStreamCfg &l, const TransportStreamCfg &r)
{
    return std::tie(l.id, l.origId, l.netId, l.netName, l.caEnabled, l.caId, l.emmPid,
                    l.patEnabled, l.sdtEnabled, l.nitEnabled, l.eitEnabled, l.tdtEnabled,
                    l.patTime, l.nitTime, l.sdtTime, l.eitTime, l.pmtTime, l.tdtTime,
                    l.realTdt, l.playoutTimings, l.filterDefault, l.filters, l.services)
        == std::tie(r.id, r.origId, r.netId, r.netName, r.caEnabled, r.caId, r.emmPid,
                    r.patEnabled, r.sdtEnabled, r.nitEnabled, r.eitEnabled, r.tdtEnabled,
                    r.patTime, r.nitTime, r.sdtTime, r.eitTime, r.pmtTime, r.tdtTime,
                    r.realTdt, r.playoutTimings, r.filterDefault, r.filters, r.services);
}
