// Plays the part of the multiplexer: runs each routine of an exported program
// (copy, literal byte, length fields, list markers, send), completes
// section_length and CRC_32 as the device does, and decodes the sections back
// into tables. Written from ISO/IEC 13818-1 and ETSI EN 300 468 alone, without
// the encoder's bit buffer, so a fault shared by encoder and decoder is unlikely.

#include <QtTest>

#include <QMap>
#include <QSet>

#include "config/model.h"
#include "format/mbnformat.h"
#include "psi/exportcheck.h"
#include "psi/psivmprogram.h"
#include "tests/common/psitestutil.h"

Q_DECLARE_METATYPE(TransportStreamCfg)

using psitest::crc32Mpeg2;
using psitest::u16At;
using IntList = QList<int>;

namespace {

struct SentSection {
    int pid = -1, context = -1, interval = -1, closingMarker = -1;
    IntList listMarkers;
    QByteArray bytes; // table_id .. CRC_32
    bool realTimeTdt = false;
};

// Runs the routine of one slot; returns why it is malformed, or nothing.
QString runRoutine(const QByteArray &prog, int slot, SentSection *out)
{
    int pc = u16At(prog, 2 * slot);
    QByteArray section;
    QList<QPair<int, int>> open; // (position in section, bits)
    for (int steps = 0; steps < 1000 && pc + 1 < prog.size(); ++steps) {
        const int op = quint8(prog.at(pc));
        const int arg = quint8(prog.at(pc + 1));
        const int word = pc + 3 < prog.size() ? u16At(prog, pc + 2) : -1;
        if (op == 0xFF && arg == 0xFF)
            return QString();
        pc += ((op & 0xC0) == 0x80 || op == 0x03 || op == 0x04 || op == 0x07) ? 4 : 2;
        if ((op & 0xC0) == 0x80) {
            const int length = ((op & 0x3F) << 8) | arg;
            if (word + length > prog.size())
                return QStringLiteral("copy beyond the program");
            section += prog.mid(word, length);
        } else if (op == 0x01) {
            section += char(arg);
        } else if (op == 0x02) {
            out->listMarkers << arg;
        } else if (op == 0x18 || op == 0x28) {
            open.append({int(section.size()), op == 0x18 ? 16 : 8});
            section += char(arg);
            if (op == 0x18)
                section += '\0';
        } else if ((op & 0xF0) == 0x10 || (op & 0xF8) == 0x20) {
            const bool isLong = (op & 0xF0) == 0x10;
            if (open.isEmpty() || (open.last().second == 16) != isLong)
                return QStringLiteral("unbalanced length field");
            const auto [at, bits] = open.takeLast();
            const quint32 mask = (1u << (isLong ? (op & 0x0F) + 9 : (op & 0x07) + 1)) - 1;
            const quint32 count = quint32(section.size() - at - bits / 8);
            if (bits == 16) {
                const quint32 field = (quint32(u16At(section, at)) & ~mask) | (count & mask);
                section[at] = char(field >> 8);
                section[at + 1] = char(field);
            } else {
                section[at] = char((quint8(section.at(at)) & ~mask) | (count & mask));
            }
        } else if (op == 0x03) {
            out->context = arg;
            out->pid = word;
            // Drop the pointer_field, fill section_length, append CRC_32 (the TDT carries none).
            if (section.size() < 4 || section.at(0) != 0)
                return QStringLiteral("a section without pointer_field or header");
            QByteArray s = section.mid(1);
            const bool tdt = quint8(s.at(0)) == 0x70;
            const int length = int(s.size()) - 3 + (tdt ? 0 : 4);
            s[1] = char((quint8(s.at(1)) & 0xF0) | ((length >> 8) & 0x0F));
            s[2] = char(length);
            if (!tdt)
                for (int k = 3, crc = int(crc32Mpeg2(s)); k >= 0; --k)
                    s += char(quint32(crc) >> (8 * k));
            out->bytes = s;
        } else if (op == 0x04) {
            out->closingMarker = word;
        } else if (op == 0x05) {
            out->realTimeTdt = arg == 4;
        } else if (op == 0x07) {
            out->interval = word;
        } else {
            return QStringLiteral("unknown instruction %1").arg(op, 2, 16);
        }
    }
    return QStringLiteral("routine runs off the program or does not end");
}

// Cursor over one section without its CRC_32, with bounds checking.
struct Cursor {
    const QByteArray &d;
    int at = 0;
    int end = int(d.size()) - 4;
    bool ok = true;
    int byte()
    {
        ok = ok && at < end;
        return ok ? quint8(d.at(at++)) : 0;
    }
    int word() { return (byte() << 8) | byte(); }
    QByteArray take(int n)
    {
        ok = ok && n >= 0 && at + n <= end;
        at += ok ? n : 0;
        return ok ? d.mid(at - n, n) : QByteArray();
    }
    // EN 300 468 Annex A: no selector is the default table (ASCII here),
    // 0x10 0x00 0x01 ISO/IEC 8859-1, 0x15 UTF-8.
    QString text()
    {
        const QByteArray raw = take(byte());
        if (raw.startsWith(QByteArray("\x10\x00\x01", 3)))
            return QString::fromLatin1(raw.mid(3));
        return raw.startsWith('\x15') ? QString::fromUtf8(raw.mid(1)) : QString::fromLatin1(raw);
    }
};

QString languageOf(const QString &code)
{
    return code.left(3).leftJustified(3, QLatin1Char(' '));
}

int serviceTypeCode(int type)
{
    return type == ServiceDigitalRadio ? 0x02 : 0x01;
}

} // namespace

class TestSectionDecoder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void crc_data();
    void crc();
    void roundTrip_data();
    void roundTrip();
};

void TestSectionDecoder::crc_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<quint32>("crc");
    QTest::newRow("check value of CRC-32/MPEG-2") << QByteArray("123456789") << quint32(0x0376E6E7);
    QTest::newRow("empty") << QByteArray() << quint32(0xFFFFFFFF);
    // A real PAT from a broadcast stream: tsid 1, program 1 on PID 0x1000.
    QTest::newRow("PAT") << psitest::hex("00 B0 0D 00 01 C1 00 00 00 01 F0 00") << quint32(0x2AB104B2);
}

void TestSectionDecoder::crc()
{
    QFETCH(QByteArray, data);
    QFETCH(quint32, crc);
    QCOMPARE(crc32Mpeg2(data), crc);
}

void TestSectionDecoder::roundTrip_data()
{
    QTest::addColumn<TransportStreamCfg>("cfg");
    for (const QString &name : psitest::goldenNames)
        QTest::newRow(qPrintable(name)) << psitest::goldenConfig(name);

    TransportStreamCfg full;
    full.id = 0xABCD;
    full.origId = 0x1234;
    full.netId = 0xFEDC;
    full.netName = QStringLiteral("R\u00E9seau \u2116 1");
    full.playoutTimings = true;
    const ServiceCfg news = psitest::goldenConfig(QStringLiteral("all-tables")).services.value(0);
    for (int i = 0; i < 16; ++i) {
        ServiceCfg s = news;
        s.id = quint16(0x1000 + i * 0x111);
        s.pmtPid = quint16(0x100 + i * 0x10);
        s.serviceName = QStringLiteral("Service %1 \u00FC").arg(i);
        s.type = i % 2;
        s.caEnabled = i % 3 == 0;
        s.caId = quint16(0x0B00 + i);
        s.ecmPid = quint16(0x1800 + i);
        s.lcEnabled = i % 4 != 1;
        s.lcVisible = i % 2 == 0;
        s.lcNumber = quint16(i * 61);
        s.language = i % 5 == 0 ? QString() : QStringLiteral("fra");
        s.eventText = QString(100 + i, QLatin1Char('t'));
        s.elements << ESCfg{EsTeletext, quint16(0x1F00 + i), QStringLiteral("nl"), 100 + 100 * (i % 8) + i};
        full.services << s;
    }
    full.services[7].pmtEnabled = false;
    full.services << full.services[7];
    QTest::newRow("16 PMT services, two without") << full;
}

void TestSectionDecoder::roundTrip()
{
    QFETCH(TransportStreamCfg, cfg);
    QVERIFY(exportProblems(cfg).isEmpty());
    PsiVmProgram prog;
    psitest::MessageCapture quiet;
    QVERIFY(prog.buildProgram(cfg));
    const QByteArray &p = prog.program();
    QCOMPARE(exportProgramSize(cfg), int(p.size()));

    QMap<int, SentSection> sent;
    for (int slot = 0; slot < Mbn::EntrySlots; ++slot) {
        if (slot == Mbn::SlotFilterTable || u16At(p, 2 * slot) == 0xFFFF)
            continue;
        SentSection s;
        const QString why = runRoutine(p, slot, &s);
        QVERIFY2(why.isEmpty(), qPrintable(QStringLiteral("slot %1: ").arg(slot) + why));
        if (!s.bytes.isEmpty() && quint8(s.bytes.at(0)) != 0x70) {
            QVERIFY(s.bytes.size() <= (quint8(s.bytes.at(0)) == 0x4E ? 4096 : 1024));
            QCOMPARE(crc32Mpeg2(s.bytes), 0u); // CRC over the whole section leaves 0
        }
        sent.insert(slot, s);
    }
    const int noInterval = -1;
    auto interval = [&](int ms) { return cfg.playoutTimings ? ms : noInterval; };
    const int id = cfg.id, origId = cfg.origId;

    // PAT: program 0 for the NIT, then every service, with or without PMT.
    QCOMPARE(sent.contains(0), cfg.patEnabled);
    if (cfg.patEnabled) {
        const SentSection &s = sent[0];
        QCOMPARE((IntList{s.pid, s.interval}), (IntList{0x0000, interval(cfg.patTime)}));
        QCOMPARE(s.listMarkers, IntList{0});
        Cursor c{s.bytes};
        IntList programs{c.byte(), c.word() & 0xC000, c.word(), c.byte(), c.word()};
        IntList expected{0x00, 0x8000, id, 0xC1, 0x0000};
        while (c.at < c.end && c.ok)
            programs << c.word() << (c.word() & 0x1FFF);
        if (cfg.nitEnabled)
            expected << 0 << 0x0010;
        for (const ServiceCfg &svc : cfg.services)
            expected << svc.id << svc.pmtPid;
        QCOMPARE(programs, expected);
    }

    // PMT and EIT, slot by slot, for the services with PMT.
    QList<const ServiceCfg *> withPmt;
    for (const ServiceCfg &svc : cfg.services)
        if (svc.pmtEnabled)
            withPmt << &svc;
    for (int i = 0; i < 16; ++i) {
        QCOMPARE(sent.contains(16 + i), i < withPmt.size());
        QCOMPARE(sent.contains(32 + i), i < withPmt.size() && cfg.eitEnabled);
        if (i >= withPmt.size())
            continue;
        const ServiceCfg &svc = *withPmt[i];
        const SentSection &pmt = sent[16 + i];
        QCOMPARE((IntList{pmt.pid, pmt.interval}), (IntList{svc.pmtPid, interval(cfg.pmtTime)}));
        Cursor c{pmt.bytes};
        IntList actual{c.byte(), (c.word(), c.word()), c.byte(), c.word(), c.word() & 0x1FFF, c.word() & 0x0FFF};
        IntList expected{0x02, svc.id, 0xC1, 0x0000, svc.pcrPid, svc.caEnabled ? 6 : 0};
        if (svc.caEnabled) {
            actual << c.byte() << c.byte() << c.word() << (c.word() & 0x1FFF);
            expected << 0x09 << 4 << svc.caId << svc.ecmPid;
        }
        static const QMap<int, int> streamTypes{{EsMpeg2Video, 0x02}, {EsMpeg2Audio, 0x03}, {EsTeletext, 0x06},
                                                {EsH264Video, 0x1B}};
        for (const ESCfg &es : svc.elements) {
            if (!streamTypes.contains(es.type))
                continue; // no stream_type: left out
            actual << c.byte() << (c.word() & 0x1FFF) << (c.word() & 0x0FFF);
            expected << streamTypes[es.type] << es.pid << (es.type == EsTeletext ? 7 : 0);
            if (es.type != EsTeletext)
                continue;
            actual << c.byte() << c.byte();
            expected << 0x56 << 5;
            QCOMPARE(QString::fromLatin1(c.take(3)), languageOf(es.language));
            const int typeAndMagazine = c.byte();
            const int page = c.byte();
            actual << (typeAndMagazine >> 3) << (typeAndMagazine & 7) << (page >> 4) * 10 + (page & 0xF);
            expected << 1 << (es.teletextPage / 100) % 8 << es.teletextPage % 100;
        }
        QCOMPARE(actual, expected);
        QVERIFY(c.ok && c.at == c.end);

        if (!cfg.eitEnabled)
            continue;
        const SentSection &eit = sent[32 + i];
        QCOMPARE((IntList{eit.pid, eit.interval}), (IntList{0x0012, interval(cfg.eitTime / 2)}));
        Cursor e{eit.bytes};
        // table_id, section_length, service, version, numbers, ts, network,
        // last numbers, event_id; start_time and duration undefined.
        QCOMPARE((IntList{e.byte(), e.word() & 0x0FFF, e.word(), e.byte(), e.word(), e.word(), e.word(), e.byte(),
                          e.byte(), e.word()}),
                 (IntList{0x4E, int(eit.bytes.size()) - 3, svc.id, 0xC1, 0, id, origId, 0, 0x4E, 1}));
        QCOMPARE(e.take(8), QByteArray(8, '\xFF'));
        const int flags = e.word();
        const int loopEnd = e.at + (flags & 0x0FFF);
        const int tag = e.byte();
        const int descriptorLength = e.byte();
        // running_status undefined, free_CA_mode, one short event descriptor to the end.
        QCOMPARE((IntList{flags >> 13, bool(flags & 0x1000), loopEnd, tag, e.at + descriptorLength}),
                 (IntList{0, svc.caEnabled, e.end, 0x4D, e.end}));
        QCOMPARE(QString::fromLatin1(e.take(3)), languageOf(svc.language));
        QCOMPARE((QStringList{e.text(), e.text()}), (QStringList{svc.eventName, svc.eventText}));
        QVERIFY(e.ok && e.at == e.end);
    }

    // All EIT routines share one context; the contexts of all sends are otherwise distinct.
    QSet<int> contexts, eitContexts;
    int sends = 0;
    for (const SentSection &s : sent) {
        if (s.context >= 0 && s.pid != 0x0012) {
            contexts.insert(s.context);
            ++sends;
        } else if (s.context >= 0) {
            eitContexts.insert(s.context);
        }
    }
    QCOMPARE(contexts.size(), sends);
    QVERIFY(eitContexts.size() <= 1 && !contexts.intersects(eitContexts));

    // SDT
    QCOMPARE(sent.contains(2), cfg.sdtEnabled);
    if (cfg.sdtEnabled) {
        const SentSection &s = sent[2];
        QCOMPARE((IntList{s.pid, s.interval}), (IntList{0x0011, interval(cfg.sdtTime)}));
        QCOMPARE(s.listMarkers, IntList{2});
        Cursor c{s.bytes};
        QCOMPARE((IntList{c.byte(), (c.word(), c.word()), c.byte(), c.word(), c.word(), c.byte()}),
                 (IntList{0x42, id, 0xC1, 0x0000, origId, 0xFF}));
        for (const ServiceCfg &svc : cfg.services) {
            const int serviceId = c.word(), eitFlags = c.byte(), flags = c.word();
            const int loopEnd = c.at + (flags & 0x0FFF);
            const int tag = c.byte(), descriptorLength = c.byte();
            const int descriptorEnd = c.at + descriptorLength;
            QCOMPARE((IntList{serviceId, eitFlags, flags >> 13, bool(flags & 0x1000), tag, c.byte()}),
                     (IntList{svc.id, cfg.eitEnabled ? 0xFD : 0xFC, 4, svc.caEnabled, 0x48, serviceTypeCode(svc.type)}));
            QCOMPARE((QStringList{c.text(), c.text()}), (QStringList{svc.providerName, svc.serviceName}));
            QCOMPARE(c.at, descriptorEnd);
            if (svc.caEnabled)
                QCOMPARE((IntList{c.byte(), c.byte(), c.word()}), (IntList{0x53, 2, svc.caId}));
            QCOMPARE(c.at, loopEnd);
        }
        QVERIFY(c.ok && c.at == c.end);
    }

    // NIT: network name, then one transport stream with the service list and
    // logical channel descriptors.
    QCOMPARE(sent.contains(1), cfg.nitEnabled);
    if (cfg.nitEnabled) {
        const SentSection &s = sent[1];
        QCOMPARE((IntList{s.pid, s.interval}), (IntList{0x0010, interval(cfg.nitTime)}));
        QCOMPARE(s.listMarkers, (IntList{1, 3}));
        Cursor c{s.bytes};
        QCOMPARE((IntList{c.byte(), c.word() & 0x0FFF, c.word(), c.byte(), c.word()}),
                 (IntList{0x40, int(s.bytes.size()) - 3, cfg.netId, 0xC1, 0x0000}));
        const int networkDescriptors = c.word();
        QCOMPARE((IntList{networkDescriptors >> 12, c.byte()}), (IntList{0xF, 0x40}));
        QCOMPARE(c.text(), cfg.netName);
        QCOMPARE(c.at, 10 + (networkDescriptors & 0x0FFF));
        const int loop = c.word();
        const int loopEnd = c.at + (loop & 0x0FFF);
        const int tsId = c.word(), networkId = c.word(), transportDescriptors = c.word();
        const int descriptorsEnd = c.at + (transportDescriptors & 0x0FFF);
        QCOMPARE((IntList{loop >> 12, loopEnd, tsId, networkId, transportDescriptors >> 12, descriptorsEnd, c.byte(),
                          c.byte()}),
                 (IntList{0xF, c.end, id, origId, 0xF, c.end, 0x41, 3 * int(cfg.services.size())}));
        IntList actual, expected;
        for (const ServiceCfg &svc : cfg.services) {
            actual << c.word() << c.byte();
            expected << svc.id << serviceTypeCode(svc.type);
        }
        actual << c.byte();
        expected << 0x83;
        const int lcnLength = c.byte();
        const int lcnEnd = c.at + lcnLength;
        for (const ServiceCfg &svc : cfg.services) {
            if (!svc.lcEnabled)
                continue;
            const int serviceId = c.word();
            const int word = c.word();
            actual << serviceId << bool(word & 0x8000) << (word & 0x7C00) << (word & 0x03FF);
            expected << svc.id << svc.lcVisible << 0x7C00 << svc.lcNumber;
        }
        QCOMPARE(actual, expected);
        QVERIFY(c.ok && c.at == lcnEnd && c.at == c.end);
    }

    QCOMPARE(sent.value(15).closingMarker, 1);

    // TDT: static with UTC_time zero, or sent by the device itself.
    QCOMPARE(sent.contains(3), cfg.tdtEnabled);
    if (cfg.tdtEnabled) {
        const SentSection &s = sent[3];
        QCOMPARE((IntList{s.interval, s.realTimeTdt, s.pid}),
                 (IntList{interval(cfg.tdtTime), cfg.realTdt, cfg.realTdt ? -1 : 0x0014}));
        if (!cfg.realTdt)
            COMPARE_BYTES(s.bytes, psitest::hex("70 70 05 00 00 00 00 00"));
    }
}

QTEST_APPLESS_MAIN(TestSectionDecoder)
#include "test_sectiondecoder.moc"
