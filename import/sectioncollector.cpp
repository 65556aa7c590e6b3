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

QList<PatSection::Program> programs(const CollectedTable *pat)
{
    QList<PatSection::Program> out;
    if (pat)
        for (const QByteArray &section : pat->complete)
            out += decodeTable<PatSection>(section).programs;
    return out;
}

} // namespace

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
    if (m_tdt.first < 0)
        m_tdt.first = position;
    m_tdt.last = position;
    ++m_tdt.sightings;
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
    if (!wanted(pid, tableId) || size < 12 || !(quint8(data[1]) & 0x80))
        return;
    if (mpegCrc32(data, size) != 0) {
        ++m_crcFailures[pid];
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
    if (t.first < 0)
        t.first = position;
    t.last = position;
    ++t.sightings;
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
    if (m_patIndex < 0 || m_tdt.sightings < 2)
        return false;
    for (const CollectedTable &t : m_tables)
        if (t.sightings == 1) // one never complete is not waited for
            return false;
    if (!find(Pid::Sdt, TableId::SdtActual, pat()->extension))
        return false;
    for (const PatSection::Program &p : programs(pat())) {
        const int pid = int(p.pid.value);
        const bool seen = p.programNumber.value == 0
            ? std::any_of(m_tables.cbegin(), m_tables.cend(),
                          [pid](const CollectedTable &t) { return t.pid == pid && t.tableId == TableId::NitActual && t.isComplete(); })
            : find(pid, TableId::Pmt, int(p.programNumber.value)) != nullptr;
        if (!seen)
            return false;
    }
    return true;
}
