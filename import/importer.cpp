#include "import/importer.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include "config/fileaccess.h"
#include "config/number.h"
#include "format/mbnformat.h"
#include "import/configbuilder.h"
#include "import/sectioncollector.h"
#include "mbn/mbnprogram.h"
#include "psi/exportcheck.h"

namespace {

// The same finding twice (a descriptor on every element, say) is one line.
QStringList labelled(const QList<ImportWarning> &warnings, const TransportStreamCfg &cfg)
{
    QStringList out;
    QList<int> times;
    for (const ImportWarning &w : warnings) {
        QString line = w.text;
        if (w.serviceId >= 0) {
            int index = 0;
            while (index < cfg.services.size() && cfg.services.at(index).id != w.serviceId)
                ++index;
            line.prepend((index < cfg.services.size()
                              ? serviceLabel(index, cfg.services.at(index))
                              : QStringLiteral("service id %1").arg(hexNumber(w.serviceId, 4, HexCase::Upper)))
                         + QLatin1String(": "));
        }
        const qsizetype seen = out.indexOf(line);
        if (seen >= 0) {
            ++times[seen];
            continue;
        }
        out << line;
        times << 1;
    }
    for (qsizetype i = 0; i < out.size(); ++i)
        if (times.at(i) > 1)
            out[i] += QStringLiteral(" (%1 times)").arg(times.at(i));
    return out;
}

// What a configuration without the table cannot know.
void missingTables(const TransportStreamCfg &cfg, const char *where, QList<ImportWarning> *warnings)
{
    const QString prefix = QStringLiteral("no %1 ") + QLatin1String(where);
    if (!cfg.sdtEnabled)
        warnings->append({-1, prefix.arg(QLatin1String("SDT"))
                                  + QLatin1String(": the services' types, names and providers are not known")});
    if (!cfg.nitEnabled)
        warnings->append({-1, prefix.arg(QLatin1String("NIT"))
                                  + QLatin1String(": the network id and name and the logical channels are not known")});
    if (!cfg.eitEnabled && !cfg.services.isEmpty())
        warnings->append({-1, prefix.arg(QLatin1String("EIT present/following"))
                                  + QLatin1String(": the services' events are not known")});
}

// The complete tables of a collector, decoded for the builder.
DecodedTable decoded(const CollectedTable &t)
{
    DecodedTable d{t.pid, t.tableId, t.extension, t.completeVersion, t.versions, t.seen, {}, {}, {}, {}, {}, {}};
    for (const QByteArray &section : t.complete) {
        switch (t.tableId) {
        case TableId::Pat: d.pat.append(decodeTable<PatSection>(section)); break;
        case TableId::Pmt: d.pmt.append(decodeTable<PmtSection>(section)); break;
        case TableId::SdtActual: d.sdt.append(decodeTable<SdtSection>(section)); break;
        case TableId::NitActual: d.nit.append(decodeTable<NitSection>(section)); break;
        case TableId::EitPfActual: d.eit.append(decodeTable<EitSection>(section)); break;
        default: d.cat.append(decodeTable<CatSection>(section)); break;
        }
    }
    return d;
}

DecodedTables decoded(const SectionCollector &collector)
{
    DecodedTables out;
    for (const CollectedTable &t : collector.tables()) {
        if (!t.isComplete())
            continue;
        if (&t == collector.pat())
            out.pat = int(out.tables.size());
        out.tables.append(decoded(t));
    }
    const CollectedTdt &tdt = collector.tdt();
    if (!tdt.section.isEmpty())
        out.tdt = decodeTdt(tdt.section);
    out.tdtSeen = tdt.seen;
    out.realTimeTdt = tdt.realTime;
    out.crcFailures = collector.crcFailures();
    out.unread = collector.unread();
    out.overflowed = collector.overflowed();
    return out;
}

// Bytes that were not packets, and the time bases of a looped capture.
void scanFindings(const TsScanner &scanner, QList<ImportWarning> *warnings)
{
    auto plural = [](qint64 n, const char *one, const char *many) {
        return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
    };
    if (scanner.leadingBytes() > 0)
        warnings->append({-1, plural(scanner.leadingBytes(), "byte", "bytes")
                                  + QLatin1String(" before the first packet skipped")});
    const QList<TsScanner::Loss> &losses = scanner.losses();
    if (!losses.isEmpty()) {
        constexpr int Listed = 5;
        qint64 skipped = 0;
        QStringList where;
        for (const TsScanner::Loss &loss : losses) {
            skipped += loss.bytes;
            if (where.size() < Listed)
                where << QStringLiteral("%1 at byte %2").arg(loss.bytes).arg(loss.offset);
        }
        if (losses.size() > Listed)
            where << QStringLiteral("%1 more").arg(losses.size() - Listed);
        warnings->append({-1, QStringLiteral("the packet sync was lost %1; %2 skipped (%3)")
                                  .arg(plural(losses.size(), "time", "times"), plural(skipped, "byte", "bytes"),
                                       where.join(QLatin1String(", ")))});
    }
    if (scanner.trailingBytes() > 0)
        warnings->append({-1, plural(scanner.trailingBytes(), "byte", "bytes")
                                  + QLatin1String(" after the last whole packet left out")});
    if (scanner.timeBases() > 1)
        warnings->append({-1, QStringLiteral("the PCR starts a new time base %1 (a looped or spliced capture); "
                                             "the intervals are measured within each")
                                  .arg(plural(scanner.timeBases() - 1, "time", "times"))});
}

} // namespace

ImportResult importTransportStream(QIODevice *in, const ImportOptions &options)
{
    ImportResult result;
    SectionCollector tables;
    TsScanner scanner;
    if (!scanner.scan(in, options, &tables)) {
        result.status = ImportResult::Unreadable;
        result.error = scanner.errorString();
        return result;
    }
    if (scanner.packetSize() == 0) {
        result.error = QStringLiteral("no transport stream packets found (no run of sync bytes 188, 192 or "
                                      "204 bytes apart)");
        return result;
    }
    if (!tables.pat()) {
        result.error = QStringLiteral("no PAT with a valid CRC_32 in %1 packet%2 of %3 bytes")
                           .arg(scanner.packets())
                           .arg(scanner.packets() == 1 ? "" : "s")
                           .arg(scanner.packetSize());
        return result;
    }
    QList<ImportWarning> warnings;
    scanFindings(scanner, &warnings);
    if (options.maxSeconds >= 0 && scanner.msPerPacket() <= 0)
        warnings.append({-1, QStringLiteral("the capture has no time base (no PCR, and no bitrate was given), "
                                            "so the time bound did not apply")});
    result.cfg = buildConfiguration(decoded(tables), scanner.msPerPacket(), &warnings);
    missingTables(result.cfg, "in the capture", &warnings);
    result.warnings = labelled(warnings, result.cfg);
    result.status = ImportResult::Imported;
    return result;
}

namespace {

// Runs every routine into the collector; the repetition interval of each
// slot, -1 where none is set.
QList<int> runRoutines(const MbnProgram &program, SectionCollector &tables, QList<ImportWarning> *warnings)
{
    QList<int> intervals(Mbn::EntrySlots, -1);
    for (const MbnRoutine &routine : program.routines()) {
        MbnSentSection sent;
        QString error;
        if (!program.run(routine, &sent, &error)) {
            warnings->append({-1, QStringLiteral("the routine of entry slot %1 does not run (%2); left out")
                                      .arg(routine.slot)
                                      .arg(error)});
            continue;
        }
        if (sent.realTimeTdt)
            tables.addRealTimeTdt();
        if (sent.pid >= 0 && !sent.section.isEmpty())
            tables.addSection(sent.pid, sent.section.constData(), int(sent.section.size()), 0);
        if (sent.interval >= 0 && routine.slot >= 0 && routine.slot < Mbn::EntrySlots)
            intervals[routine.slot] = sent.interval;
    }
    return intervals;
}

// The program's repetition intervals, held to what the stream page accepts.
void takeIntervals(const QList<int> &intervals, TransportStreamCfg &cfg, QList<ImportWarning> *warnings)
{
    auto take = [&](int slot, quint16 *field, int factor, int most, const char *name) {
        const int ms = intervals.at(slot);
        if (ms < 0)
            return;
        *field = quint16(qBound(25, ms * factor, most));
        if (*field != ms * factor)
            warnings->append({-1, QStringLiteral("the %1 repetition interval of %2 ms is held to %3 ms")
                                      .arg(QLatin1String(name))
                                      .arg(ms * factor)
                                      .arg(*field)});
    };
    take(Mbn::SlotPat, &cfg.patTime, 1, 500, "PAT");
    take(Mbn::SlotNit, &cfg.nitTime, 1, 10000, "NIT");
    take(Mbn::SlotSdt, &cfg.sdtTime, 1, 2000, "SDT");
    take(Mbn::SlotTdt, &cfg.tdtTime, 1, 30000, "TDT");
    take(Mbn::SlotFirstPmt, &cfg.pmtTime, 1, 500, "PMT");
    take(Mbn::SlotFirstEit, &cfg.eitTime, 2, 2000, "EIT"); // each EIT goes out at half eit-time
    cfg.playoutTimings = std::any_of(intervals.cbegin(), intervals.cend(), [](int ms) { return ms >= 0; });
}

void takeFilterRules(const MbnProgram &program, TransportStreamCfg &cfg, QList<ImportWarning> *warnings)
{
    const QList<MbnFilterRecord> &records = program.filterRecords();
    for (int i = 0; i < records.size(); ++i) {
        const FilterCfg rule = records.at(i).rule();
        if (i + 1 == records.size()) {
            cfg.filterDefault = rule.action == ActionDrop ? ActionDrop : ActionPass;
            break;
        }
        if (rule.match == MatchMask)
            warnings->append({-1, QStringLiteral("filter rule %1 matches by mask: the program keeps only the "
                                                 "masked value, so its value comes back as %2 and its mask as %3")
                                      .arg(i + 1)
                                      .arg(hexNumber(rule.a, 4, HexCase::Upper), hexNumber(rule.b, 4, HexCase::Upper))});
        cfg.filters.append(rule);
    }
}

} // namespace

ImportResult importProgram(const MbnProgram &program)
{
    ImportResult result;
    SectionCollector tables;
    QList<ImportWarning> warnings;
    const QList<int> intervals = runRoutines(program, tables, &warnings);
    if (tables.isEmpty()) {
        result.error = QStringLiteral("the program sends no table");
        return result;
    }
    DecodedTables decodedTables = decoded(tables);
    decodedTables.whole = true; // a MUX binary sends every table it has
    result.cfg = buildConfiguration(decodedTables, 0, &warnings);
    takeIntervals(intervals, result.cfg, &warnings);
    takeFilterRules(program, result.cfg, &warnings);
    missingTables(result.cfg, "in the program", &warnings);
    result.warnings = labelled(warnings, result.cfg);
    result.status = ImportResult::Imported;
    return result;
}

namespace {

// A stream without a name is told by its first bytes. A MUX binary opens
// with its entry table: unused slots 0xFFFF, the others even offsets past the
// table, the filter table and the closing routine always there. A transport
// stream never does: a packet's sync byte and PID make slot 0 odd or slot 1
// point into the table.
bool startsLikeProgram(const QByteArray &head)
{
    if (head.size() < Mbn::EntryTableSize)
        return false;
    for (int slot = 0; slot < Mbn::EntrySlots; ++slot) {
        const int offset = (quint8(head.at(2 * slot)) << 8) | quint8(head.at(2 * slot + 1));
        const bool required = slot == Mbn::SlotFilterTable || slot == Mbn::SlotClosing;
        if (offset == Mbn::UnusedEntry ? required : offset < Mbn::EntryTableSize || offset % 2 != 0)
            return false;
    }
    return true;
}

// A sync byte at the start of every packet the head holds, two at least: a
// text that happens to begin with 'G' is no stream.
bool syncedAt(const QByteArray &head, int first, int packet)
{
    if (head.size() <= first + packet)
        return false;
    for (int at = first; at < head.size(); at += packet)
        if (head.at(at) != char(0x47))
            return false;
    return true;
}

QByteArray headOf(QIODevice *in)
{
    QByteArray head;
    in->startTransaction();
    readBounded(in, InputKindHead - 1, &head);
    in->rollbackTransaction();
    return head;
}

} // namespace

InputKind inputKind(const QByteArray &head)
{
    if (startsLikeProgram(head))
        return InputKind::Program;
    if (syncedAt(head, 0, 188) || syncedAt(head, 4, 192))
        return InputKind::TransportStream;
    return InputKind::Unknown;
}

ImportResult importFile(const QString &fileName, const ImportOptions &options, InputKind kind)
{
    ImportResult result;
    result.status = ImportResult::Unreadable;
    QFile file;
    bool regular = false;
    if (!openInput(fileName, &file, &regular, &result.error))
        return result;
    const bool program = kind != InputKind::Unknown ? kind == InputKind::Program
        : isStandardInput(fileName)                ? startsLikeProgram(headOf(&file))
                                                   : QFileInfo(fileName).suffix().compare(QLatin1String("mbn"), Qt::CaseInsensitive) == 0;
    if (!program)
        return importTransportStream(&file, options);
    QByteArray bytes;
    if (!readBounded(&file, MbnProgram::LargestFile, &bytes)) {
        result.error = file.errorString();
        return result;
    }
    result.status = ImportResult::NothingFound;
    if (bytes.size() > MbnProgram::LargestFile) {
        result.error = QStringLiteral("the file is larger than any MUX binary");
        return result;
    }
    MbnProgram mbn;
    if (mbn.parse(bytes))
        return importProgram(mbn);
    result.error = QStringLiteral("error at offset %1: %2")
                       .arg(hexNumber(qMax(0, mbn.errorOffset()), 4), mbn.errorString());
    return result;
}
