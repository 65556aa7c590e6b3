#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <type_traits>

#include "config/model.h"

// The fields of the four records as the .mux format knows them: key, block,
// range and member, in the order the writer writes them. The reader stores
// through this table, the writer walks it and the pages take their ranges
// from it, so a key and its bounds are typed once.

// 16-bit identifiers: transport stream, network, service, CA system.
constexpr qint32 MaxId = 65535;
// PIDs of tables and streams stop at 8190: 0x1FFF is the null packet PID.
constexpr qint32 MaxPid = 8190;
// A filter rule may name the null packet PID.
constexpr qint32 MaxFilterPid = 8191;
// Logical channel numbers are what viewers key in, up to three digits.
constexpr qint32 MaxLogicalChannel = 999;

// Blocks of the format; the first of each record is the record's own.
enum class CfgBlock { Stream, StreamCa, Filter, Service, ServiceCa, LogicalChannel, Element };

// RecurringText: a text that many services or elements share (a provider,
// an event title, a language), which the reader keeps once.
// Word: a code stored as a number, written as one of a list of words.
enum class FieldKind { Number, Boolean, Text, RecurringText, Word };

const char *cfgBlockName(CfgBlock block);

template<typename R>
struct CfgField {
    QByteArrayView key;
    CfgBlock block;
    FieldKind kind;
    qint32 least;
    qint32 greatest;
    // The member, by its type; exactly one is set.
    quint16 R::*u16;
    qint32 R::*i32;
    quint32 R::*u32;
    bool R::*flag;
    QString R::*text;
    bool written; // false for an older name that the reader still takes
    const char *const *words = nullptr; // a Word's words, by code from 0 to greatest

    qint64 number(const R &r) const { return u16 ? r.*u16 : i32 ? r.*i32 : u32 ? qint64(r.*u32) : 0; }
    // A Word field's word for its stored code; empty for a code outside the list.
    QByteArrayView word(const R &r) const
    {
        const qint64 code = number(r);
        return code >= least && code <= greatest ? QByteArrayView(words[code]) : QByteArrayView();
    }
    // The value has passed the range, so it fits the member.
    void setNumber(R &r, qint32 value) const
    {
        if (u16)
            r.*u16 = quint16(value);
        else if (i32)
            r.*i32 = value;
        else if (u32)
            r.*u32 = quint32(value);
    }

    template<typename T>
    bool is(T R::*member) const
    {
        if constexpr (std::is_same_v<T, quint16>)
            return u16 == member;
        else if constexpr (std::is_same_v<T, qint32>)
            return i32 == member;
        else if constexpr (std::is_same_v<T, quint32>)
            return u32 == member;
        else if constexpr (std::is_same_v<T, bool>)
            return flag == member;
        else
            return text == member;
    }
};

namespace cfgfield {

template<typename R, typename T>
constexpr CfgField<R> number(QByteArrayView key, CfgBlock block, qint32 least, qint32 greatest, T R::*member)
{
    CfgField<R> f{key, block, FieldKind::Number, least, greatest, nullptr, nullptr, nullptr, nullptr, nullptr, true};
    if constexpr (std::is_same_v<T, quint16>)
        f.u16 = member;
    else if constexpr (std::is_same_v<T, qint32>)
        f.i32 = member;
    else
        f.u32 = member;
    return f;
}

template<typename R>
constexpr CfgField<R> flag(QByteArrayView key, CfgBlock block, bool R::*member, bool written = true)
{
    return {key, block, FieldKind::Boolean, 0, 0, nullptr, nullptr, nullptr, member, nullptr, written};
}

template<typename R>
constexpr CfgField<R> text(QByteArrayView key, CfgBlock block, QString R::*member, bool recurring = false)
{
    return {key, block, recurring ? FieldKind::RecurringText : FieldKind::Text, 0, 0,
            nullptr, nullptr, nullptr, nullptr, member, true};
}

template<typename R, size_t N>
constexpr CfgField<R> word(QByteArrayView key, CfgBlock block, const char *const (&words)[N], qint32 R::*member)
{
    CfgField<R> f{key, block, FieldKind::Word, 0, qint32(N) - 1, nullptr, member, nullptr, nullptr, nullptr, true};
    f.words = words;
    return f;
}

// lcn-profile, by LcnProfile code.
inline constexpr const char *LcnProfileWords[] = {"plain", "eacem", "nordig", "dbook"};

using S = TransportStreamCfg;
using F = FilterCfg;
using V = ServiceCfg;
using E = ESCfg;
constexpr CfgBlock Stream = CfgBlock::Stream;
constexpr CfgBlock StreamCa = CfgBlock::StreamCa;
constexpr CfgBlock Filter = CfgBlock::Filter;
constexpr CfgBlock Service = CfgBlock::Service;
constexpr CfgBlock ServiceCa = CfgBlock::ServiceCa;
constexpr CfgBlock Lc = CfgBlock::LogicalChannel;
constexpr CfgBlock Element = CfgBlock::Element;

inline constexpr CfgField<S> streamFields[] = {
    number("id", Stream, 0, MaxId, &S::id),
    number("orig-id", Stream, 0, MaxId, &S::origId),
    number("net-id", Stream, 0, MaxId, &S::netId),
    text("net-name", Stream, &S::netName),
    number("ca-id", StreamCa, 0, MaxId, &S::caId),
    number("emm-pid", StreamCa, 0, MaxPid, &S::emmPid),
    flag("pat-enabled", Stream, &S::patEnabled),
    flag("sdt-enabled", Stream, &S::sdtEnabled),
    flag("nit-enabled", Stream, &S::nitEnabled),
    flag("eit-enabled", Stream, &S::eitEnabled),
    flag("tdt-enabled", Stream, &S::tdtEnabled),
    flag("real-tdt", Stream, &S::realTdt),
    flag("playout-timings", Stream, &S::playoutTimings),
    // The name under which the first firmware with playout timings knew the flag.
    flag("v2-features", Stream, &S::playoutTimings, false),
    number("pat-time", Stream, 25, 500, &S::patTime),
    number("nit-time", Stream, 25, 10000, &S::nitTime),
    number("sdt-time", Stream, 25, 2000, &S::sdtTime),
    number("eit-time", Stream, 25, 2000, &S::eitTime),
    number("pmt-time", Stream, 25, 500, &S::pmtTime),
    number("tdt-time", Stream, 25, 30000, &S::tdtTime),
    number("filter-default", Stream, ActionDrop, ActionPass, &S::filterDefault),
    // Written only when not plain, the meaning of a file without it.
    word("lcn-profile", Stream, LcnProfileWords, &S::lcnProfile),
};

inline constexpr CfgField<F> filterFields[] = {
    number("match", Filter, MatchRange, MatchMask, &F::match),
    number("input", Filter, InputAny, 4, &F::input),
    number("a", Filter, 0, MaxFilterPid, &F::a),
    number("b", Filter, 0, MaxFilterPid, &F::b),
    number("action", Filter, ActionDrop, ActionPass, &F::action),
    // Written for a remap rule only, the one action that uses it.
    number("new-base", Filter, 0, MaxFilterPid, &F::newBase),
};

inline constexpr CfgField<V> serviceFields[] = {
    number("id", Service, 0, MaxId, &V::id),
    number("type", Service, 0, MaxId, &V::type),
    text("provider-name", Service, &V::providerName, true),
    text("service-name", Service, &V::serviceName),
    text("event-name", Service, &V::eventName, true),
    text("event-text", Service, &V::eventText),
    text("language", Service, &V::language, true),
    number("pmt-pid", Service, 0, MaxPid, &V::pmtPid),
    number("pcr-pid", Service, 0, MaxPid, &V::pcrPid),
    number("ca-id", ServiceCa, 0, MaxId, &V::caId),
    number("ecm-pid", ServiceCa, 0, MaxPid, &V::ecmPid),
    flag("visible", Lc, &V::lcVisible),
    number("number", Lc, 0, MaxLogicalChannel, &V::lcNumber),
    flag("pmt-enabled", Service, &V::pmtEnabled),
};

inline constexpr CfgField<E> elementFields[] = {
    number("type", Element, 0, MaxId, &E::type),
    number("pid", Element, 0, MaxPid, &E::pid),
    text("language", Element, &E::language, true),
};

} // namespace cfgfield

// The table of a record.
template<typename R>
struct CfgFields;
template<>
struct CfgFields<TransportStreamCfg> {
    static constexpr const auto &table = cfgfield::streamFields;
};
template<>
struct CfgFields<FilterCfg> {
    static constexpr const auto &table = cfgfield::filterFields;
};
template<>
struct CfgFields<ServiceCfg> {
    static constexpr const auto &table = cfgfield::serviceFields;
};
template<>
struct CfgFields<ESCfg> {
    static constexpr const auto &table = cfgfield::elementFields;
};

// The field of that key in that block; null when the block has none.
template<typename R>
const CfgField<R> *findCfgField(CfgBlock block, QByteArrayView key)
{
    for (const CfgField<R> &f : CfgFields<R>::table) {
        if (f.block == block && f.key == key)
            return &f;
    }
    return nullptr;
}

// The field that stores into member (the first, where an older key shares it).
template<typename R, typename T>
const CfgField<R> &cfgField(T R::*member)
{
    for (const CfgField<R> &f : CfgFields<R>::table) {
        if (f.is(member))
            return f;
    }
    Q_UNREACHABLE();
    return CfgFields<R>::table[0];
}
