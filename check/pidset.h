#pragma once

#include <QCoreApplication>
#include <QtAlgorithms>

#include <array>

#include "config/model.h"

// Sets of PIDs, and what the MUX's filter rules do to them; the check's
// findings on rules and on what reaches the output share them.
namespace PidSets {

constexpr int PidCount = 8192;
constexpr int Ports = 4;

// One set of the 8192 PIDs, 64 to a word.
using PidSet = std::array<quint64, PidCount / 64>;

inline bool isEmpty(const PidSet &s)
{
    for (quint64 w : s)
        if (w)
            return false;
    return true;
}

inline bool contains(const PidSet &s, int pid)
{
    return (s[size_t(pid >> 6)] >> (pid & 63)) & 1;
}

// The lowest PID of s in first..last, or -1.
inline int firstIn(const PidSet &s, int first, int last)
{
    for (int pid = first; pid <= last; ++pid)
        if (contains(s, pid))
            return pid;
    return -1;
}

inline PidSet rangeSet(int low, int high)
{
    PidSet s{};
    for (int pid = low; pid <= high; ++pid) {
        if ((pid & 63) == 0 && pid + 63 <= high) {
            s[size_t(pid >> 6)] = ~quint64(0);
            pid += 63;
        } else {
            s[size_t(pid >> 6)] |= quint64(1) << (pid & 63);
        }
    }
    return s;
}

// PIDs p with (p AND mask) == value, built a word at a time: the low six bits
// give one pattern that every word whose high bits match shares.
inline PidSet maskSet(quint32 mask, quint32 value)
{
    PidSet s{};
    quint64 pattern = 0;
    for (quint32 low = 0; low < 64; ++low)
        if ((low & mask & 63) == (value & 63))
            pattern |= quint64(1) << low;
    for (quint32 word = 0; word < s.size(); ++word)
        if (((word << 6) & mask) == (value & ~quint32(63)))
            s[word] = pattern;
    return s;
}

// Every PID p of s moved to (p + shift) mod 8192.
inline PidSet rotated(const PidSet &s, int shift)
{
    shift = ((shift % PidCount) + PidCount) % PidCount;
    const size_t words = s.size();
    const size_t q = size_t(shift >> 6);
    const int r = shift & 63;
    PidSet out{};
    for (size_t i = 0; i < words; ++i) {
        if (!s[i])
            continue;
        out[(i + q) % words] |= s[i] << r;
        if (r)
            out[(i + q + 1) % words] |= s[i] >> (64 - r);
    }
    return out;
}

// The MUX hands a packet of a port to the first rule, in order, that applies
// to the port and matches its PID; a rule all of whose PIDs earlier rules
// already decide on each of its ports never acts.
// The PIDs a rule matches, and the base its remap subtracts before adding
// new-base; nullptr, or why the rule can match nothing at all.
inline const char *matchedPids(const FilterCfg &f, PidSet *matched, quint32 *base)
{
    if (f.match == MatchRange) {
        if (f.a > f.b)
            return QT_TRANSLATE_NOOP("Check", "matches no PID: its lowest PID is above its highest");
        *matched = rangeSet(int(f.a), int(qMin<quint32>(f.b, PidCount - 1)));
        *base = f.a;
    } else {
        if (f.b & ~f.a)
            return QT_TRANSLATE_NOOP("Check", "matches no PID: the value has bits outside the mask");
        *matched = maskSet(f.a, f.b);
        *base = f.a & f.b;
    }
    return nullptr;
}

} // namespace PidSets
