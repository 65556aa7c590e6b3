#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// Codes stored as plain integers in the records below; a value outside the
// list is kept as it is, so a file written by a newer tool survives a round trip.
enum MatchType : int { MatchRange = 0, MatchMask = 1 };
enum FilterAction : int { ActionDrop = 0, ActionRemap = 1, ActionPass = 2 };
enum EsType : int {
    EsMpeg2Video = 0,
    EsMpeg2Audio = 1,
    EsTeletext = 2,
    EsH264Video = 3,
    EsHevcVideo = 4,
    EsAacAudio = 5,
    EsAc3Audio = 6,
    EsEac3Audio = 7,
    EsDvbSubtitles = 8,
};
enum ServiceType : int {
    ServiceDigitalTv = 0,
    ServiceDigitalRadio = 1,
    ServiceAvcSdTv = 2,
    ServiceAvcHdTv = 3,
    ServiceHevcTv = 4,
    ServiceAvcRadio = 5,
    ServiceMpeg2HdTv = 6,
};

// How the NIT's logical channel descriptor 0x83 is scoped: alone, or after a
// private_data_specifier_descriptor naming the receiver profile whose layout
// it follows (E-Book/EACEM, NorDig v1, D-Book).
enum LcnProfile : int { LcnPlain = 0, LcnEacem = 1, LcnNordig = 2, LcnDbook = 3 };
// The private_data_specifier of a profile; 0 for plain (and unknown codes).
quint32 lcnSpecifier(qint32 profile);
// The profile of a private_data_specifier; -1 when no profile has it.
qint32 lcnProfileOfSpecifier(quint32 specifier);

// What every part of the program knows of a service type: the DVB
// service_type it is announced as, whether it is television or radio, the
// editor's name (translated there, in the ValueEntry context) and the words
// of the configuration check.
struct ServiceTypeInfo {
    ServiceType type;
    quint8 code; // service_type of EN 300 468 table 87
    bool radio;
    const char *name;
    const char *description;
};

// nullptr for a code that no service type has; the export refuses those.
const ServiceTypeInfo *serviceTypeInfo(qint32 type);
// The type announced as that service_type; nullptr when there is none.
const ServiceTypeInfo *serviceTypeOfCode(int code);
// Every type, in the order of the editor's type list.
QList<const ServiceTypeInfo *> serviceTypes();

// What an element kind is, for the checks that count or compare kinds.
enum class EsCategory { Video, Audio, Teletext, Subtitles };

// How the PMT carries an element's language.
enum class EsLanguage {
    None,          // not at all
    InDescriptor,  // in the kind's own descriptor, which needs one (teletext)
    OrUnd,         // in the kind's own descriptor, "und" when empty (subtitles)
    Iso639WhenSet, // in an ISO_639_language_descriptor after the kind's own, when set
};

// What every part of the program knows of an element kind: the editor's list,
// elementary PID dialog, template and short texts (translated there, in the
// ValueEntry context), the words of the configuration check, and the PMT's
// stream_type, descriptor and language.
struct EsTypeInfo {
    EsType type;
    EsCategory category;
    const char *name;
    const char *listName; // in the elementary PID dialog's type list
    const char *shortName;
    const char *codec;    // in the add-service dialog (not translated); nullptr: not offered there
    const char *description;
    quint8 streamType;
    quint8 descriptor;    // DescriptorTag of the kind's own ES descriptor, 0: none
    EsLanguage language;
};

// nullptr for a code that no kind has; such elements stay out of the PMT.
const EsTypeInfo *esTypeInfo(qint32 type);
// Every kind, in the order of the elementary PID dialog's type list.
QList<const EsTypeInfo *> esTypes();

// Input port of a filter rule: 0 is any port, 1 to 4 are the ports.
constexpr int InputAny = 0;
constexpr int MaxServicesAdded = 16;

struct FilterCfg {
    qint32 match = MatchRange;
    qint32 input = InputAny;
    quint32 a = 0;
    quint32 b = 8191;
    qint32 action = ActionPass;
    qint32 newBase = 4096;

    void setDefaults() { *this = FilterCfg(); }
    friend bool operator==(const FilterCfg &l, const FilterCfg &r);
    friend bool operator!=(const FilterCfg &l, const FilterCfg &r) { return !(l == r); }
};

struct ESCfg {
    qint32 type = EsMpeg2Video;
    quint16 pid = 0;
    QString language;
    // Initial teletext page (magazine in the hundreds); not kept in the file.
    qint32 teletextPage = 100;

    void setDefaults() { *this = ESCfg(); }
    friend bool operator==(const ESCfg &l, const ESCfg &r);
    friend bool operator!=(const ESCfg &l, const ESCfg &r) { return !(l == r); }
};

struct ServiceCfg {
    quint16 id = 0;
    qint32 type = ServiceDigitalTv;
    QString providerName;
    QString serviceName;
    QString eventName;
    QString eventText;
    QString language;
    quint16 pmtPid = 0;
    quint16 pcrPid = 0;
    bool caEnabled = false;
    quint16 caId = 0;
    quint16 ecmPid = 0;
    bool pmtEnabled = true;
    bool lcEnabled = false;
    bool lcVisible = true;
    quint16 lcNumber = 0;
    QList<ESCfg> elements;

    void setDefaults() { *this = ServiceCfg(); }
    friend bool operator==(const ServiceCfg &l, const ServiceCfg &r);
    friend bool operator!=(const ServiceCfg &l, const ServiceCfg &r) { return !(l == r); }
};

// Qt's containers and plain values may move with memcpy, so a growing
// QList of these moves them with realloc, without constructing copies.
Q_DECLARE_TYPEINFO(ESCfg, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(ServiceCfg, Q_RELOCATABLE_TYPE);

struct TransportStreamCfg {
    quint16 id = 0;
    quint16 origId = 0;
    quint16 netId = 0;
    QString netName;
    bool caEnabled = false;
    quint16 caId = 0;
    quint16 emmPid = 0;
    bool patEnabled = true;
    bool sdtEnabled = true;
    bool nitEnabled = true;
    bool eitEnabled = true;
    bool tdtEnabled = true;
    quint16 patTime = 475;
    quint16 nitTime = 5000;
    quint16 sdtTime = 1000;
    quint16 eitTime = 1000;
    quint16 pmtTime = 475;
    quint16 tdtTime = 15000;
    bool realTdt = false;
    bool playoutTimings = false;
    qint32 filterDefault = ActionPass;
    qint32 lcnProfile = LcnPlain;
    QList<FilterCfg> filters;
    QList<ServiceCfg> services;

    void setDefaults() { *this = TransportStreamCfg(); }
    friend bool operator==(const TransportStreamCfg &l, const TransportStreamCfg &r);
    friend bool operator!=(const TransportStreamCfg &l, const TransportStreamCfg &r) { return !(l == r); }
};
