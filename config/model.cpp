#include "config/model.h"

#include <tuple>

#include "format/mbnformat.h"

namespace {

// stream_type values of ISO/IEC 13818-1 table 2-34. Teletext, AC-3, E-AC-3
// and DVB subtitles travel as PES private data and are told apart by their
// EN 300 468 descriptors. Audio of every coding names its language in an
// ISO_639_language_descriptor when one is set, so tracks can be told apart. In the elementary PID dialog's order: the video
// codings of old first, new kinds after the first four in code order.
const EsTypeInfo EsTypes[] = {
    {EsMpeg2Video, EsCategory::Video, QT_TRANSLATE_NOOP("ValueEntry", "MPEG2 Video"),
     QT_TRANSLATE_NOOP("ValueEntry", "MPEG2 Video"), QT_TRANSLATE_NOOP("ValueEntry", "Vid"),
     "MPEG2", "MPEG-2 video", StreamType::Mpeg2Video, 0, EsLanguage::None},
    {EsH264Video, EsCategory::Video, QT_TRANSLATE_NOOP("ValueEntry", "H264 Video"),
     QT_TRANSLATE_NOOP("ValueEntry", "H264  Video"), QT_TRANSLATE_NOOP("ValueEntry", "Vid"),
     "H264", "H.264 video", StreamType::H264Video, 0, EsLanguage::None},
    {EsMpeg2Audio, EsCategory::Audio, QT_TRANSLATE_NOOP("ValueEntry", "MPEG2 Audio"),
     QT_TRANSLATE_NOOP("ValueEntry", "MPEG2 Audio"), QT_TRANSLATE_NOOP("ValueEntry", "Aud"),
     "MPEG2", "MPEG-2 audio", StreamType::Mpeg2Audio, 0, EsLanguage::Iso639WhenSet},
    {EsTeletext, EsCategory::Teletext, QT_TRANSLATE_NOOP("ValueEntry", "Teletext"),
     QT_TRANSLATE_NOOP("ValueEntry", "Teletext"), QT_TRANSLATE_NOOP("ValueEntry", "Txt"),
     nullptr, "teletext", StreamType::PesPrivateData, DescriptorTag::Teletext, EsLanguage::InDescriptor},
    {EsHevcVideo, EsCategory::Video, QT_TRANSLATE_NOOP("ValueEntry", "HEVC Video"),
     QT_TRANSLATE_NOOP("ValueEntry", "HEVC Video"), QT_TRANSLATE_NOOP("ValueEntry", "Vid"),
     "HEVC", "HEVC video", StreamType::HevcVideo, 0, EsLanguage::None},
    {EsAacAudio, EsCategory::Audio, QT_TRANSLATE_NOOP("ValueEntry", "AAC Audio"),
     QT_TRANSLATE_NOOP("ValueEntry", "AAC Audio"), QT_TRANSLATE_NOOP("ValueEntry", "Aud"),
     "AAC", "AAC audio", StreamType::AacAdts, 0, EsLanguage::Iso639WhenSet},
    {EsAc3Audio, EsCategory::Audio, QT_TRANSLATE_NOOP("ValueEntry", "AC-3 Audio"),
     QT_TRANSLATE_NOOP("ValueEntry", "AC-3 Audio"), QT_TRANSLATE_NOOP("ValueEntry", "Aud"),
     "AC-3", "AC-3 audio", StreamType::PesPrivateData, DescriptorTag::Ac3, EsLanguage::Iso639WhenSet},
    {EsEac3Audio, EsCategory::Audio, QT_TRANSLATE_NOOP("ValueEntry", "E-AC-3 Audio"),
     QT_TRANSLATE_NOOP("ValueEntry", "E-AC-3 Audio"), QT_TRANSLATE_NOOP("ValueEntry", "Aud"),
     "E-AC-3", "E-AC-3 audio", StreamType::PesPrivateData, DescriptorTag::EnhancedAc3, EsLanguage::Iso639WhenSet},
    {EsDvbSubtitles, EsCategory::Subtitles, QT_TRANSLATE_NOOP("ValueEntry", "DVB Subtitles"),
     QT_TRANSLATE_NOOP("ValueEntry", "DVB Subtitles"), QT_TRANSLATE_NOOP("ValueEntry", "Sub"),
     nullptr, "DVB subtitles", StreamType::PesPrivateData, DescriptorTag::Subtitling, EsLanguage::OrUnd},
};

// EN 300 468 table 87. Television and radio by the coding they announce;
// the template of the add-service dialog switches on radio.
const ServiceTypeInfo ServiceTypes[] = {
    {ServiceDigitalTv, 0x01, false, QT_TRANSLATE_NOOP("ValueEntry", "Digital TV (0x01)"), "digital television"},
    {ServiceDigitalRadio, 0x02, true, QT_TRANSLATE_NOOP("ValueEntry", "Digital Radio (0x02)"), "digital radio"},
    {ServiceAvcSdTv, 0x16, false, QT_TRANSLATE_NOOP("ValueEntry", "Advanced Codec SD TV (0x16)"),
     "advanced codec SD television"},
    {ServiceAvcHdTv, 0x19, false, QT_TRANSLATE_NOOP("ValueEntry", "Advanced Codec HD TV (0x19)"),
     "advanced codec HD television"},
    {ServiceHevcTv, 0x1F, false, QT_TRANSLATE_NOOP("ValueEntry", "HEVC TV (0x1F)"), "HEVC television"},
    {ServiceAvcRadio, 0x0A, true, QT_TRANSLATE_NOOP("ValueEntry", "Advanced Codec Radio (0x0A)"),
     "advanced codec radio"},
    {ServiceMpeg2HdTv, 0x11, false, QT_TRANSLATE_NOOP("ValueEntry", "MPEG-2 HD TV (0x11)"), "MPEG-2 HD television"},
};

} // namespace

const ServiceTypeInfo *serviceTypeInfo(qint32 type)
{
    for (const ServiceTypeInfo &info : ServiceTypes)
        if (info.type == type)
            return &info;
    return nullptr;
}

const ServiceTypeInfo *serviceTypeOfCode(int code)
{
    for (const ServiceTypeInfo &info : ServiceTypes)
        if (info.code == code)
            return &info;
    return nullptr;
}

QList<const ServiceTypeInfo *> serviceTypes()
{
    QList<const ServiceTypeInfo *> all;
    for (const ServiceTypeInfo &info : ServiceTypes)
        all << &info;
    return all;
}

quint32 lcnSpecifier(qint32 profile)
{
    switch (profile) {
    case LcnEacem: return PrivateDataSpecifier::Eacem;
    case LcnNordig: return PrivateDataSpecifier::Nordig;
    case LcnDbook: return PrivateDataSpecifier::Dbook;
    default: return 0;
    }
}

qint32 lcnProfileOfSpecifier(quint32 specifier)
{
    for (qint32 profile : {LcnEacem, LcnNordig, LcnDbook})
        if (lcnSpecifier(profile) == specifier)
            return profile;
    return -1;
}

const EsTypeInfo *esTypeInfo(qint32 type)
{
    for (const EsTypeInfo &info : EsTypes)
        if (info.type == type)
            return &info;
    return nullptr;
}

QList<const EsTypeInfo *> esTypes()
{
    QList<const EsTypeInfo *> all;
    for (const EsTypeInfo &info : EsTypes)
        all << &info;
    return all;
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
                    l.realTdt, l.playoutTimings, l.filterDefault, l.lcnProfile, l.filters, l.services)
        == std::tie(r.id, r.origId, r.netId, r.netName, r.caEnabled, r.caId, r.emmPid,
                    r.patEnabled, r.sdtEnabled, r.nitEnabled, r.eitEnabled, r.tdtEnabled,
                    r.patTime, r.nitTime, r.sdtTime, r.eitTime, r.pmtTime, r.tdtTime,
                    r.realTdt, r.playoutTimings, r.filterDefault, r.lcnProfile, r.filters, r.services);
}
