#include "si/descriptors.h"

#include <algorithm>

#include "config/number.h"
#include "format/mbnformat.h"

namespace {

// The body of one descriptor, from the reader's position to its scope's end.
struct Body {
    SectionReader &r;
    SiDescriptor &d;

    int length() const { return int(d.length.value); }
    void bad(const char *name, const char *holds)
    {
        r.fail(QStringLiteral("%1 of %2 bytes does not hold %3").arg(QLatin1String(name)).arg(length()).arg(QLatin1String(holds)));
    }
    // A body of fixed-size entries; whole entries are read all the same.
    void entries(int size, const char *name, const char *holds)
    {
        if (length() % size != 0)
            bad(name, holds);
    }
    int count(int size) const { return length() / size; }
};

void caDescriptor(Body &b)
{
    if (b.length() < 4)
        return b.bad("CA descriptor", "CA_system_ID and CA_PID");
    CaDescriptor ca;
    ca.caSystemId = b.r.u16("CA_system_ID");
    ca.caPid = b.r.pid("CA_PID");
    if (b.r.left() > 0)
        ca.privateData = b.r.rest("private_data_byte");
    b.d.decoded = ca;
}

void iso639LanguageDescriptor(Body &b)
{
    b.entries(4, "ISO 639 language descriptor", "4-byte entries");
    Iso639LanguageDescriptor out;
    for (int i = 0; i < b.count(4); ++i)
        out.entries.append({b.r.language(), b.r.u8("audio_type")});
    b.d.decoded = out;
}

void teletextDescriptor(Body &b)
{
    b.entries(5, "teletext descriptor", "5-byte entries");
    TeletextDescriptor out;
    for (int i = 0; i < b.count(5); ++i) {
        const SiBytes language = b.r.language();
        const SiField typeAndMagazine = b.r.u8("teletext_type");
        out.entries.append({language, typeAndMagazine.part("teletext_type", 0, 5),
                            typeAndMagazine.part("teletext_magazine_number", 5, 3), b.r.u8("teletext_page_number")});
    }
    b.d.decoded = out;
}

void subtitlingDescriptor(Body &b)
{
    b.entries(8, "subtitling descriptor", "8-byte entries");
    SubtitlingDescriptor out;
    for (int i = 0; i < b.count(8); ++i) {
        const SiBytes language = b.r.language();
        const SiField type = b.r.u8("subtitling_type");
        const SiField composition = b.r.u16("composition_page_id");
        out.entries.append({language, type, composition, b.r.u16("ancillary_page_id")});
    }
    b.d.decoded = out;
}

void ac3FlagsDescriptor(Body &b, const QList<const char *> &flags, const QList<const char *> &fields)
{
    Ac3Descriptor out;
    const SiField bits = b.r.u8("flags");
    for (int i = 0; i < flags.size(); ++i)
        out.flags.append(bits.part(flags.at(i), i, 1));
    if (flags.size() < 8)
        out.flags.append(bits.part("reserved", int(flags.size()), 8 - int(flags.size())));
    for (int i = 0; i < fields.size(); ++i) {
        if (fields.at(i) && (bits.value >> (7 - i)) & 1)
            out.fields.append(b.r.u8(fields.at(i)));
    }
    if (b.r.left() > 0)
        out.additionalInfo = b.r.rest("additional_info_byte");
    b.d.decoded = out;
}

void ac3Descriptor(Body &b)
{
    ac3FlagsDescriptor(b, {"component_type_flag", "bsid_flag", "mainid_flag", "asvc_flag"},
                       {"component_type", "bsid", "mainid", "asvc"});
}

void enhancedAc3Descriptor(Body &b)
{
    ac3FlagsDescriptor(b,
                       {"component_type_flag", "bsid_flag", "mainid_flag", "asvc_flag", "mixinfoexists",
                        "substream1_flag", "substream2_flag", "substream3_flag"},
                       {"component_type", "bsid", "mainid", "asvc", nullptr, "substream1", "substream2", "substream3"});
}

void privateDataSpecifierDescriptor(Body &b)
{
    if (b.length() != 4)
        b.bad("private data specifier descriptor", "exactly a 32-bit specifier");
    if (b.length() >= 4)
        b.d.decoded = PrivateDataSpecifierDescriptor{b.r.u32("private_data_specifier")};
}

void serviceDescriptor(Body &b)
{
    ServiceDescriptor out;
    out.serviceType = b.r.u8("service_type");
    out.serviceProviderName = b.r.text("service_provider_name_length", "service_provider_name");
    out.serviceName = b.r.text("service_name_length", "service_name");
    if (b.r.ok() && b.r.left() != 0)
        b.bad("service descriptor", "exactly its type and two names");
    b.d.decoded = out;
}

void caIdentifierDescriptor(Body &b)
{
    b.entries(2, "CA identifier descriptor", "16-bit CA_system_ids");
    CaIdentifierDescriptor out;
    for (int i = 0; i < b.count(2); ++i)
        out.caSystemIds.append(b.r.u16("CA_system_id"));
    b.d.decoded = out;
}

void networkNameDescriptor(Body &b)
{
    b.d.decoded = NetworkNameDescriptor{b.r.rest("char")};
}

void serviceListDescriptor(Body &b)
{
    b.entries(3, "service list descriptor", "3-byte entries");
    ServiceListDescriptor out;
    for (int i = 0; i < b.count(3); ++i) {
        const SiField id = b.r.u16("service_id");
        out.entries.append({id, b.r.u8("service_type")});
    }
    b.d.decoded = out;
}

void logicalChannelDescriptor(Body &b)
{
    b.entries(4, "logical channel descriptor", "4-byte entries");
    LogicalChannelDescriptor out;
    for (int i = 0; i < b.count(4); ++i) {
        const SiField id = b.r.u16("service_id");
        const SiField w = b.r.u16("logical_channel_number");
        out.entries.append({id, w.part("visible_service_flag", 0, 1), w.part("logical_channel_number", 6, 10),
                            w.part("logical_channel_number", 2, 14)});
    }
    b.d.decoded = out;
}

void shortEventDescriptor(Body &b)
{
    ShortEventDescriptor out;
    out.language = b.r.language();
    out.eventName = b.r.text("event_name_length", "event_name");
    out.text = b.r.text("text_length", "text");
    if (b.r.ok() && b.r.left() != 0)
        b.bad("short event descriptor", "exactly a language, a name and a text");
    b.d.decoded = out;
}

const struct {
    quint8 tag;
    void (*decode)(Body &);
} Decoders[] = {
    {DescriptorTag::Ca, caDescriptor},
    {DescriptorTag::Iso639Language, iso639LanguageDescriptor},
    {DescriptorTag::NetworkName, networkNameDescriptor},
    {DescriptorTag::ServiceList, serviceListDescriptor},
    {DescriptorTag::Service, serviceDescriptor},
    {DescriptorTag::ShortEvent, shortEventDescriptor},
    {DescriptorTag::CaIdentifier, caIdentifierDescriptor},
    {DescriptorTag::Teletext, teletextDescriptor},
    {DescriptorTag::Subtitling, subtitlingDescriptor},
    {DescriptorTag::PrivateDataSpecifier, privateDataSpecifierDescriptor},
    {DescriptorTag::Ac3, ac3Descriptor},
    {DescriptorTag::EnhancedAc3, enhancedAc3Descriptor},
    {DescriptorTag::LogicalChannel, logicalChannelDescriptor},
};

// One descriptor: its tag and length, then its body in a scope of its own.
// False when the loop ends here (a cut header or a body past the loop).
bool readDescriptor(SectionReader &r, SiDescriptor &d)
{
    const int misses = r.misses();
    d.tag = r.u8("descriptor_tag");
    d.length = r.u8("descriptor_length");
    if (r.misses() != misses)
        return false;
    const int length = int(d.length.value);
    if (length > r.left()) {
        r.pushLength(length, QStringLiteral("descriptor %1").arg(hexNumber(d.tag.value, 2)));
        r.popLength();
        return false;
    }
    const int start = r.at();
    d.body = SiBytes{"descriptor body", start, r.section().mid(start, length)};
    r.pushLength(length, QString());
    const auto known = std::find_if(std::begin(Decoders), std::end(Decoders),
                                    [&d](const auto &decoder) { return decoder.tag == d.tag.value; });
    if (known != std::end(Decoders)) {
        Body body{r, d};
        known->decode(body);
    }
    if (r.left() != 0 && known != std::end(Decoders))
        r.fail(QStringLiteral("descriptor %1 does not end where its length says").arg(hexNumber(d.tag.value, 2)));
    r.popLength();
    return true;
}

} // namespace

SiDescriptorLoop readDescriptors(SectionReader &r)
{
    SiDescriptorLoop loop;
    while (r.left() > 0) {
        SiDescriptor d;
        if (!readDescriptor(r, d)) {
            loop.overrun = true;
            break;
        }
        loop.descriptors.append(d);
    }
    return loop;
}
