#include "import/sectioncollector.h"

#include <algorithm>
#include <cstring>

#include "format/mbnformat.h"
#include "si/tables.h"

namespace {

constexpr int CatPid = 0x0001;
constexpr quint8 CatTableId = 0x01;

quint64 key(int pid, int tableId, int extension)
{
    return (quint64(pid) << 24) | (quint64(tableId) << 16) | quint64(extension);
}

// The tables the importer reads, on the PIDs they travel on.
bool wanted(int pid, int tableId)
{
    return (pid == Pid::Pat && tableId == TableId::Pat) || (pid == CatPid && tableId == CatTableId)
        || (pid == Pid::Sdt && tableId == TableId::SdtActual) || (pid == Pid::Eit && tableId == TableId::EitPfActual)
        || (tableId == TableId::NitActual && pid > CatPid) || (tableId == TableId::Pmt && pid > Pid::LastReserved);
}

// Sections of a table whose CRC_32 is checked: the long form, and the TOT.
bool hasCrc(int tableId, const char *data)
{
    return (quint8(data[1]) & 0x80) || tableId == UnreadTableId::Tot;
}

QList<PatSection::Program> programs(const CollectedTable *pat)
{
    QList<PatSection::Program> out;
    if (pat)
        for (const QByteArray &section : pat->complete)
            out += decodeTable<PatSection>(section).programs;
    return out;
}

} // namespace

void Sightings::add(qint64 position, int inStretch)
{
    lastGap = -1;
    if (count > 0 && stretch == inStretch) {
        lastGap = position - last;
        spanned += lastGap;
        ++gaps;
        longestBefore = longest;
        longest = qMax(longest, lastGap);
    }
    if (first < 0)
        first = position;
    last = position;
    stretch = inStretch;
    ++count;
}

void Sightings::moveLast(int toStretch)
{
    if (lastGap >= 0) {
        spanned -= lastGap;
        --gaps;
        longest = longestBefore;
        lastGap = -1;
    }
    stretch = toStretch;
}

void SectionCollector::newTimeBase(qint64 since)
{
    const int previous = m_stretch++;
    for (CollectedTable &t : m_tables)
        if (t.seen.count > 0 && t.seen.last >= since && t.seen.stretch == previous)
            t.seen.moveLast(m_stretch);
    if (m_tdt.seen.count > 0 && m_tdt.seen.last >= since && m_tdt.seen.stretch == previous)
        m_tdt.seen.moveLast(m_stretch);
}

const CollectedTable *SectionCollector::find(int pid, int tableId, int extension) const
{
    const auto it = m_index.constFind(key(pid, tableId, extension));
    return it == m_index.constEnd() || !m_tables.at(*it).isComplete() ? nullptr : &m_tables.at(*it);
}

CollectedTable *SectionCollector::table(int pid, int tableId, int extension)
{
    const quint64 k = key(pid, tableId, extension);
    const auto it = m_index.constFind(k);
    if (it != m_index.constEnd())
        return &m_tables[*it];
    if (m_tables.size() >= MaxTables) {
        m_overflowed = true;
        return nullptr;
    }
    m_index.insert(k, int(m_tables.size()));
    CollectedTable t;
    t.pid = pid;
    t.tableId = tableId;
    t.extension = extension;
    m_tables.append(t);
    return &m_tables.last();
}

// time_date_section: no CRC_32, UTC_time only.
void SectionCollector::addTdt(int pid, const char *data, int size, qint64 position)
{
    if (pid != Pid::Tdt || size != 8)
        return;
    m_tdt.section = QByteArray(data, size);
    m_tdt.seen.add(position, m_stretch);
    if (m_tdt.seen.count == 1)
        ++m_found;
}

// A repeat stores nothing; anything new counts against the budget.
bool SectionCollector::store(QByteArray &part, const char *data, int size)
{
    if (part.size() == size && std::memcmp(part.constData(), data, size_t(size)) == 0)
        return true;
    if (m_storedBytes + size > MaxStoredBytes) {
        m_overflowed = true;
        return false;
    }
    m_storedBytes += size;
    part = QByteArray(data, size);
    return true;
}

void SectionCollector::addSection(int pid, const char *data, int size, qint64 position)
{
    if (size < 3)
        return;
    const int tableId = quint8(data[0]);
    if (tableId == TableId::Tdt)
        return addTdt(pid, data, size, position);
    const bool read = wanted(pid, tableId);
    if (read ? size < 12 || !(quint8(data[1]) & 0x80) : tableId == UnreadTableId::Stuffing)
        return;
    if (hasCrc(tableId, data) && mpegCrc32(data, size) != 0) {
        ++m_crcFailures[pid];
        return;
    }
    if (!read) {
        ++m_unread[(tableId << 16) | pid];
        return;
    }
    if (!(quint8(data[5]) & 0x01))
        return; // current_next_indicator 0: a version not yet in force
    const int version = (quint8(data[5]) >> 1) & 0x1F;
    const int number = quint8(data[6]);
    const int lastNumber = quint8(data[7]);
    CollectedTable *t = number > lastNumber ? nullptr : table(pid, tableId, (quint8(data[3]) << 8) | quint8(data[4]));
    if (!t)
        return;
    if (t->version != version || t->parts.size() != lastNumber + 1) {
        t->version = version;
        t->parts = QList<QByteArray>(lastNumber + 1);
    }
    if (!store(t->parts[number], data, size) || number != lastNumber)
        return;
    if (std::any_of(t->parts.cbegin(), t->parts.cend(), [](const QByteArray &part) { return part.isEmpty(); }))
        return;
    const bool changed = t->complete != t->parts;
    t->complete = t->parts;
    if (changed && t->completeVersion != version) {
        ++t->versions;
        t->completeVersion = version;
    }
    completed(*t, changed, position);
}

void SectionCollector::completed(CollectedTable &t, bool changed, qint64 position)
{
    t.seen.add(position, m_stretch);
    if (t.seen.count == 1)
        ++m_found;
    if (t.tableId == TableId::Pat && t.pid == Pid::Pat) {
        m_patIndex = int(&t - m_tables.constData());
        if (changed)
            ++m_pidGeneration;
    } else if (t.tableId == TableId::Pmt && m_timeBasePid < 0) {
        SectionReader r(t.complete.last());
        r.bytes(8, "header");
        const int pcr = int(r.pid("PCR_PID").value);
        if (pcr != Pid::Null) {
            m_timeBasePid = pcr;
            ++m_pidGeneration;
        }
    }
    if (m_handler)
        m_handler(t);
}

QList<int> SectionCollector::announcedPids() const
{
    QList<int> pids;
    for (const PatSection::Program &p : programs(pat()))
        pids.append(int(p.pid.value));
    return pids;
}

bool SectionCollector::seenEverythingTwice() const
{
    if (m_patIndex < 0 || m_tdt.seen.count == 1)
        return false;
    return std::none_of(m_tables.cbegin(), m_tables.cend(), [](const CollectedTable &t) { return t.seen.count == 1; });
}
