#include "check/tableversions.h"

#include <QFileInfo>
#include <QHash>

#include "config/fileaccess.h"
#include "config/model.h"
#include "format/mbnformat.h"
#include "mbn/mbnprogram.h"
#include "psi/exportcheck.h"
#include "psi/psivmprogram.h"

namespace {

// A long-form section as a program sends it: table_id, the syntax header
// and the CRC_32 (ISO/IEC 13818-1 2.4.4.10). Byte 5 holds version_number.
constexpr int VersionByte = 5;
constexpr int VersionMask = 0x3E;
constexpr int LongSectionMinimum = 12;

struct SentTable {
    quint16 pid = 0;
    quint8 tableId = 0;
    quint16 extension = 0;
    QByteArray section;

    quint64 key() const { return (quint64(pid) << 24) | (quint64(tableId) << 16) | extension; }
    int version() const { return (quint8(section.at(VersionByte)) & VersionMask) >> 1; }
};

// The long-form sections a program sends, in slot order; the TDT has no
// version and stays out. False with *error when a routine cannot run.
bool sentTables(const MbnProgram &program, QList<SentTable> *tables, QString *error)
{
    for (const MbnRoutine &routine : program.routines()) {
        MbnSentSection sent;
        if (!program.run(routine, &sent, error))
            return false;
        const QByteArray &s = sent.section;
        if (sent.pid < 0 || sent.realTimeTdt || s.size() < LongSectionMinimum || !(quint8(s.at(1)) & 0x80))
            continue;
        tables->append(SentTable{quint16(sent.pid), quint8(s.at(0)),
                                 quint16((quint8(s.at(3)) << 8) | quint8(s.at(4))), s});
    }
    return true;
}

// Equal but for version_number and the CRC_32 that follows from it.
bool sameContent(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    const qsizetype end = a.size() - 4;
    for (qsizetype i = 0; i < end; ++i) {
        const int mask = i == VersionByte ? ~VersionMask : 0xFF;
        if ((quint8(a.at(i)) & mask) != (quint8(b.at(i)) & mask))
            return false;
    }
    return true;
}

QString tableName(const SentTable &t, const TransportStreamCfg &cfg, const Wording &words)
{
    switch (t.tableId) {
    case TableId::Pat:
        return words.text(QT_TRANSLATE_NOOP("Check", "PAT"));
    case TableId::NitActual:
        return words.text(QT_TRANSLATE_NOOP("Check", "NIT"));
    case TableId::SdtActual:
        return words.text(QT_TRANSLATE_NOOP("Check", "SDT"));
    default:
        break;
    }
    int service = -1;
    for (int i = 0; i < cfg.services.size() && service < 0; ++i)
        if (cfg.services.at(i).id == t.extension && cfg.services.at(i).pmtEnabled)
            service = i;
    const QString label = service >= 0 ? serviceLabel(service, cfg.services.at(service), words)
                                       : words.text(QT_TRANSLATE_NOOP("Check", "service id %1"))
                                             .arg(words.number(t.extension));
    return t.tableId == TableId::Pmt
               ? words.text(QT_TRANSLATE_NOOP("Check", "PMT of %1")).arg(label)
               : words.text(QT_TRANSLATE_NOOP("Check", "EIT present/following of %1")).arg(label);
}

} // namespace

VersionChoice chooseTableVersions(const TransportStreamCfg &cfg, const QString &previous, PreviousProgram kind,
                                  const Wording &words)
{
    VersionChoice choice;
    if (kind == PreviousProgram::Replaced && (isStandardInput(previous) || previous == QLatin1String("-")
                                              || !QFileInfo(previous).isFile()))
        return choice;

    const auto startAtZero = [&](const QString &why) {
        choice.notes << words.text(QT_TRANSLATE_NOOP("Check", "%1 is not a readable MUX binary (%2); every "
                                                              "table starts at version 0"))
                            .arg(previous, why);
        return choice;
    };
    QByteArray bytes;
    QString error;
    if (!MbnProgram::readFile(previous, &bytes, &error))
        return startAtZero(error);
    MbnProgram old;
    QList<SentTable> oldTables;
    if (!old.parse(bytes))
        return startAtZero(old.errorString());
    if (!sentTables(old, &oldTables, &error))
        return startAtZero(error);

    // The new program as it would go out with every version at 0.
    PsiVmProgram writer;
    writer.setNotesEnabled(false);
    MbnProgram built;
    QList<SentTable> newTables;
    if (!writer.buildProgram(cfg) || !built.parse(writer.program()) || !sentTables(built, &newTables, &error))
        return choice; // the export refuses it anyway

    QHash<quint64, const SentTable *> before;
    for (const SentTable &t : oldTables)
        if (!before.contains(t.key()))
            before.insert(t.key(), &t);
    QHash<quint64, bool> moved; // per table: whether any of its sections changed
    QList<const SentTable *> order;
    for (const SentTable &t : newTables) {
        const SentTable *old = before.value(t.key());
        if (!old)
            continue;
        if (!moved.contains(t.key()))
            order << &t;
        moved[t.key()] = moved.value(t.key()) || !sameContent(t.section, old->section);
    }
    for (const SentTable *t : order) {
        const int was = before.value(t->key())->version();
        const int now = moved.value(t->key()) ? (was + 1) % 32 : was;
        choice.versions.set(t->pid, t->tableId, t->extension, quint8(now));
        if (now != was)
            choice.notes << words.text(QT_TRANSLATE_NOOP("Check", "%1 version %2 → %3"))
                                .arg(tableName(*t, cfg, words))
                                .arg(was)
                                .arg(now);
    }
    return choice;
}
