#pragma once

#include <QList>

#include <variant>

#include "si/sectionreader.h"

// The descriptors the reading side knows, one plain struct per tag, each
// field with its standard name and place in the section. A descriptor whose
// body is too short for its fixed fields keeps its bytes only; one whose
// entries do not fill it keeps the whole entries.

// ISO/IEC 13818-1 CA_descriptor
struct CaDescriptor {
    SiField caSystemId, caPid;
    SiBytes privateData;
};

// ISO/IEC 13818-1 ISO_639_language_descriptor
struct Iso639LanguageDescriptor {
    struct Entry {
        SiBytes language;
        SiField audioType;
    };
    QList<Entry> entries;
};

// EN 300 468 teletext_descriptor
struct TeletextDescriptor {
    struct Entry {
        SiBytes language;
        SiField teletextType, magazineNumber, pageNumber;
    };
    QList<Entry> entries;
};

// EN 300 468 subtitling_descriptor
struct SubtitlingDescriptor {
    struct Entry {
        SiBytes language;
        SiField subtitlingType, compositionPageId, ancillaryPageId;
    };
    QList<Entry> entries;
};

// EN 300 468 AC-3_descriptor and enhanced_AC-3_descriptor: the flags, one
// byte per set flag that has one, additional_info.
struct Ac3Descriptor {
    QList<SiField> flags;  // flag bits, then the reserved bits when there are any
    QList<SiField> fields; // in order, for the set flags
    SiBytes additionalInfo;
};

// EN 300 468 private_data_specifier_descriptor
struct PrivateDataSpecifierDescriptor {
    SiField privateDataSpecifier;
};

// EN 300 468 service_descriptor
struct ServiceDescriptor {
    SiField serviceType;
    SiText serviceProviderName, serviceName;
};

// EN 300 468 CA_identifier_descriptor
struct CaIdentifierDescriptor {
    QList<SiField> caSystemIds;
};

// EN 300 468 network_name_descriptor: the whole body is the name.
struct NetworkNameDescriptor {
    SiBytes name;
};

// EN 300 468 service_list_descriptor
struct ServiceListDescriptor {
    struct Entry {
        SiField serviceId, serviceType;
    };
    QList<Entry> entries;
};

// logical_channel_descriptor (EACEM/NorDig private tag): the number in the
// E-Book layout (10 bits) and, for a NorDig v1 specifier, in 14 bits.
struct LogicalChannelDescriptor {
    struct Entry {
        SiField serviceId, visibleServiceFlag, logicalChannelNumber, nordigChannelNumber;
    };
    QList<Entry> entries;
};

// EN 300 468 short_event_descriptor
struct ShortEventDescriptor {
    SiBytes language;
    SiText eventName, text;
};

// One descriptor of a loop: tag, length and body as sent, and the body
// decoded when the tag is known and the body holds its fixed fields.
struct SiDescriptor {
    SiField tag, length;
    SiBytes body;
    std::variant<std::monostate, CaDescriptor, Iso639LanguageDescriptor, TeletextDescriptor, SubtitlingDescriptor,
                 Ac3Descriptor, PrivateDataSpecifierDescriptor, ServiceDescriptor, CaIdentifierDescriptor,
                 NetworkNameDescriptor, ServiceListDescriptor, LogicalChannelDescriptor, ShortEventDescriptor>
        decoded;

    template <class T>
    const T *as() const
    {
        return std::get_if<T>(&decoded);
    }
};

struct SiDescriptorLoop {
    QList<SiDescriptor> descriptors;
    // A descriptor ran past the loop's end; the rest of the loop is not read.
    bool overrun = false;
};

// The descriptors from the reader's position to the end of its scope.
SiDescriptorLoop readDescriptors(SectionReader &r);
