// Plays the part of the multiplexer: runs each routine of an exported program
// (copy, literal byte, length fields, list markers, send), completes
// section_length and CRC_32 as the device does, and decodes the sections back
// into tables. Written from ISO/IEC 13818-1 and ETSI EN 300 468 alone, without
// the encoder's bit buffer, so a fault shared by encoder and decoder is unlikely.

#include <QtTest>

#include <QMap>
#include <QSet>
#include <QVector>

#include "config/model.h"
#include "psi/exportcheck.h"
#include "psi/psivmprogram.h"
#include "goldenconfigs.h"
#include "psitestutil.h"

Q_DECLARE_METATYPE(TransportStreamCfg)

namespace {

quint32 crc32Mpeg2(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= quint32(quint8(c)) << 24;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

int u8(const QByteArray &d, int at)
{
    return quint8(d.at(at));
}

int u16(const QByteArray &d, int at)
{
    return (u8(d, at) << 8) | u8(d, at + 1);
}

struct SentSection {
    int slot = -1;
    int pid = -1;
    int context = -1;
    int interval = -1;
    QVector<int> listMarkers;
    QByteArray bytes; // table_id .. CRC_32
    bool realTimeTdt = false;
    int closingMarker = -1;
};

// Runs one routine; returns false (with why) on a malformed program.
bool runRoutine(const QByteArray &prog, int slot, SentSection *out, QString *why)
{
    int pc = u16(prog, 2 * slot);
    QByteArray section;
    QVector<QPair<int, int>> open; // (position in section, bits)
    out->slot = slot;
    for (int steps = 0; steps < 1000; ++steps) {
        if (pc + 1 >= prog.size()) {
            *why = QStringLiteral("routine of slot %1 runs off the program").arg(slot);
            return false;
        }
        const int op = u8(prog, pc);
        const int arg = u8(prog, pc + 1);
        if (op == 0xFF && arg == 0xFF)
            return true;
        if ((op & 0xC0) == 0x80) {
            const int length = ((op & 0x3F) << 8) | arg;
            const int from = u16(prog, pc + 2);
            if (from + length > prog.size()) {
                *why = QStringLiteral("copy beyond the program in slot %1").arg(slot);
                return false;
            }
            section += prog.mid(from, length);
            pc += 4;
        } else if (op == 0x01) {
            section += char(arg);
            pc += 2;
        } else if (op == 0x02) {
            out->listMarkers << arg;
            pc += 2;
        } else if (op == 0x18) {
            open.append({int(section.size()), 16});
            section += char(arg);
            section += '\0';
            pc += 2;
        } else if (op == 0x28) {
            open.append({int(section.size()), 8});
            section += char(arg);
            pc += 2;
        } else if ((op & 0xF0) == 0x10 || (op & 0xF8) == 0x20) {
            const bool isLong = (op & 0xF0) == 0x10;
            const int width = isLong ? (op & 0x0F) + 9 : (op & 0x07) + 1;
            if (open.isEmpty() || (open.last().second == 16) != isLong) {
                *why = QStringLiteral("unbalanced length field in slot %1").arg(slot);
                return false;
            }
            const auto [at, bits] = open.takeLast();
            const int count = int(section.size()) - at - bits / 8;
            const quint32 mask = (1u << width) - 1;
            quint32 field = bits == 16 ? quint32(u16(section, at)) : quint32(u8(section, at));
            field = (field & ~mask) | (quint32(count) & mask);
            if (bits == 16) {
                section[at] = char(field >> 8);
                section[at + 1] = char(field);
            } else {
                section[at] = char(field);
            }
            pc += 2;
        } else if (op == 0x03) {
            out->context = arg;
            out->pid = u16(prog, pc + 2);
            // Drop the pointer_field, fill section_length, append CRC_32 (the
            // TDT carries none).
            if (section.isEmpty() || section.at(0) != 0) {
                *why = QStringLiteral("slot %1 sends a section without pointer_field").arg(slot);
                return false;
            }
            QByteArray s = section.mid(1);
            if (s.size() < 3) {
                *why = QStringLiteral("slot %1 sends a section shorter than its header").arg(slot);
                return false;
            }
            const bool tdt = u8(s, 0) == 0x70;
            const int length = int(s.size()) - 3 + (tdt ? 0 : 4);
            s[1] = char((u8(s, 1) & 0xF0) | ((length >> 8) & 0x0F));
            s[2] = char(length & 0xFF);
            if (!tdt) {
                const quint32 crc = crc32Mpeg2(s);
                for (int k = 3; k >= 0; --k)
                    s += char(crc >> (8 * k));
            }
            out->bytes = s;
            pc += 4;
        } else if (op == 0x04) {
            out->closingMarker = u16(prog, pc + 2);
            pc += 4;
        } else if (op == 0x05) {
            out->realTimeTdt = arg == 4;
            pc += 2;
        } else if (op == 0x07) {
            out->interval = u16(prog, pc + 2);
            pc += 4;
        } else {
            *why = QStringLiteral("unknown instruction %1 at %2").arg(op, 2, 16).arg(pc);
            return false;
        }
    }
    *why = QStringLiteral("routine of slot %1 does not end").arg(slot);
    return false;
}

// EN 300 468 Annex A text: no selector means the default table (ASCII here),
// 0x10 0x00 0x01 ISO/IEC 8859-1, 0x15 UTF-8.
QString decodeText(const QByteArray &raw)
{
    if (raw.startsWith(QByteArray("\x10\x00\x01", 3)))
        return QString::fromLatin1(raw.mid(3));
    if (raw.startsWith('\x15'))
        return QString::fromUtf8(raw.mid(1));
    return QString::fromLatin1(raw);
}

// Cursor over one section with bounds checking.
struct Cursor {
    const QByteArray &d;
    int at;
    int end;
    bool ok = true;
    int byte()
    {
        if (at >= end) {
            ok = false;
            return 0;
        }
        return u8(d, at++);
    }
    int word()
    {
        const int hi = byte();
        return (hi << 8) | byte();
    }
    QByteArray take(int n)
    {
        if (n < 0 || at + n > end) {
            ok = false;
            return QByteArray();
        }
        at += n;
        return d.mid(at - n, n);
    }
    QString text()
    {
        return decodeText(take(byte()));
    }
};

QString languageOf(const QString &code)
{
    QString padded = code.left(3);
    while (padded.size() < 3)
        padded += QLatin1Char(' ');
    return padded;
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
    for (const auto &[name, cfg] : psitest::goldenConfigs())
        QTest::newRow(qPrintable(name)) << cfg;

    TransportStreamCfg full;
    full.id = 0xABCD;
    full.origId = 0x1234;
    full.netId = 0xFEDC;
    full.netName = QStringLiteral("R\u00E9seau \u2116 1");
    full.playoutTimings = true;
    for (int i = 0; i < 16; ++i) {
        ServiceCfg s = psitest::goldenService(quint16(0x1000 + i * 0x111), quint16(0x100 + i * 0x10),
                                              QStringLiteral("Service %1 \u00FC").arg(i));
        s.type = i % 2;
        s.caEnabled = i % 3 == 0;
        s.caId = quint16(0x0B00 + i);
        s.ecmPid = quint16(0x1800 + i);
        s.lcEnabled = i % 4 != 1;
        s.lcVisible = i % 2 == 0;
        s.lcNumber = quint16(i * 61);
        s.language = i % 5 == 0 ? QString() : QStringLiteral("fra");
        s.eventText = QString(100 + i, QLatin1Char('t'));
        ESCfg ttx;
        ttx.type = EsTeletext;
        ttx.pid = quint16(0x1F00 + i);
        ttx.language = QStringLiteral("nl");
        ttx.teletextPage = 100 + 100 * (i % 8) + i;
        s.elements << ttx;
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

    QMap<int, SentSection> sent;
    for (int slot = 0; slot < PsiVmProgram::EntrySlots; ++slot) {
        if (slot == PsiVmProgram::SlotFilterTable || u16(p, 2 * slot) == 0xFFFF)
            continue;
        SentSection s;
        QString why;
        QVERIFY2(runRoutine(p, slot, &s, &why), qPrintable(why));
        if (!s.bytes.isEmpty()) {
            const int limit = u8(s.bytes, 0) == 0x4E ? 4096 : 1024;
            QVERIFY(s.bytes.size() <= limit);
            if (u8(s.bytes, 0) != 0x70)
                QCOMPARE(crc32Mpeg2(s.bytes), 0u); // CRC over the whole section leaves 0
        }
        sent.insert(slot, s);
    }
    auto expectInterval = [&](int ms) { return cfg.playoutTimings ? ms : -1; };

    // PAT
    QCOMPARE(sent.contains(0), cfg.patEnabled);
    if (cfg.patEnabled) {
        const SentSection &s = sent[0];
        QCOMPARE(s.pid, 0x0000);
        QCOMPARE(s.interval, expectInterval(cfg.patTime));
        QCOMPARE(s.listMarkers, QVector<int>{0});
        Cursor c{s.bytes, 0, int(s.bytes.size()) - 4};
        QCOMPARE(c.byte(), 0x00);
        QCOMPARE(c.word() & 0xC000, 0x8000);
        QCOMPARE(c.word(), int(cfg.id));
        QCOMPARE(c.byte(), 0xC1);
        QCOMPARE(c.word(), 0x0000);
        QVector<QPair<int, int>> programs;
        while (c.at < c.end && c.ok) {
            const int number = c.word();
            programs.append({number, c.word() & 0x1FFF});
        }
        QVERIFY(c.ok);
        QVector<QPair<int, int>> expected;
        if (cfg.nitEnabled)
            expected.append({0, 0x0010});
        for (const ServiceCfg &svc : cfg.services)
            expected.append({svc.id, svc.pmtPid});
        QCOMPARE(programs, expected);
    }

    // PMT and EIT, slot by slot
    QVector<const ServiceCfg *> withPmt;
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
        QCOMPARE(pmt.pid, int(svc.pmtPid));
        QCOMPARE(pmt.interval, expectInterval(cfg.pmtTime));
        Cursor c{pmt.bytes, 0, int(pmt.bytes.size()) - 4};
        QCOMPARE(c.byte(), 0x02);
        c.word();
        QCOMPARE(c.word(), int(svc.id));
        QCOMPARE(c.byte(), 0xC1);
        QCOMPARE(c.word(), 0x0000);
        QCOMPARE(c.word() & 0x1FFF, int(svc.pcrPid));
        const int infoLength = c.word() & 0x0FFF;
        if (svc.caEnabled) {
            QCOMPARE(infoLength, 6);
            QCOMPARE(c.byte(), 0x09);
            QCOMPARE(c.byte(), 4);
            QCOMPARE(c.word(), int(svc.caId));
            QCOMPARE(c.word() & 0x1FFF, int(svc.ecmPid));
        } else {
            QCOMPARE(infoLength, 0);
        }
        for (const ESCfg &es : svc.elements) {
            static const QMap<int, int> streamTypes{{0, 0x02}, {1, 0x03}, {2, 0x06}, {3, 0x1B}};
            if (!streamTypes.contains(es.type))
                continue;
            QCOMPARE(c.byte(), streamTypes[es.type]);
            QCOMPARE(c.word() & 0x1FFF, int(es.pid));
            const int esInfo = c.word() & 0x0FFF;
            if (es.type != EsTeletext) {
                QCOMPARE(esInfo, 0);
                continue;
            }
            QCOMPARE(esInfo, 7);
            QCOMPARE(c.byte(), 0x56);
            QCOMPARE(c.byte(), 5);
            QCOMPARE(QString::fromLatin1(c.take(3)), languageOf(es.language));
            const int typeAndMagazine = c.byte();
            QCOMPARE(typeAndMagazine >> 3, 1);
            QCOMPARE(typeAndMagazine & 7, (es.teletextPage / 100) % 8);
            const int page = c.byte();
            QCOMPARE((page >> 4) * 10 + (page & 0xF), es.teletextPage % 100);
        }
        QVERIFY(c.ok);
        QCOMPARE(c.at, c.end);

        if (!cfg.eitEnabled)
            continue;
        const SentSection &eit = sent[32 + i];
        QCOMPARE(eit.pid, 0x0012);
        QCOMPARE(eit.interval, expectInterval(cfg.eitTime / 2));
        Cursor e{eit.bytes, 0, int(eit.bytes.size()) - 4};
        QCOMPARE(e.byte(), 0x4E);
        const int sectionLength = e.word() & 0x0FFF;
        QCOMPARE(sectionLength, int(eit.bytes.size()) - 3);
        QCOMPARE(e.word(), int(svc.id));
        QCOMPARE(e.byte(), 0xC1);
        QCOMPARE(e.word(), 0x0000);
        QCOMPARE(e.word(), int(cfg.id));
        QCOMPARE(e.word(), int(cfg.origId));
        QCOMPARE(e.byte(), 0x00);
        QCOMPARE(e.byte(), 0x4E);
        QCOMPARE(e.word(), 1); // event_id
        QCOMPARE(e.take(8), QByteArray(8, '\xFF')); // start_time, duration undefined
        const int flags = e.word();
        QCOMPARE(flags >> 13, 0); // running_status undefined
        QCOMPARE(bool(flags & 0x1000), svc.caEnabled);
        QCOMPARE(flags & 0x0FFF, e.end - e.at);
        QCOMPARE(e.byte(), 0x4D);
        const int descriptorLength = e.byte();
        QCOMPARE(descriptorLength, e.end - e.at);
        QCOMPARE(QString::fromLatin1(e.take(3)), languageOf(svc.language));
        QCOMPARE(e.text(), svc.eventName);
        QCOMPARE(e.text(), svc.eventText);
        QVERIFY(e.ok);
        QCOMPARE(e.at, e.end);
    }
    // All EIT routines share one context; the contexts of all sends are otherwise distinct.
    QSet<int> contexts;
    QSet<int> eitContexts;
    for (const SentSection &s : sent) {
        if (s.context < 0)
            continue;
        if (s.pid == 0x0012) {
            eitContexts.insert(s.context);
        } else {
            QVERIFY(!contexts.contains(s.context));
            contexts.insert(s.context);
        }
    }
    QVERIFY(eitContexts.size() <= 1);
    for (const int eitContext : eitContexts)
        QVERIFY(!contexts.contains(eitContext));

    // SDT
    QCOMPARE(sent.contains(2), cfg.sdtEnabled);
    if (cfg.sdtEnabled) {
        const SentSection &s = sent[2];
        QCOMPARE(s.pid, 0x0011);
        QCOMPARE(s.listMarkers, QVector<int>{2});
        Cursor c{s.bytes, 0, int(s.bytes.size()) - 4};
        QCOMPARE(c.byte(), 0x42);
        c.word();
        QCOMPARE(c.word(), int(cfg.id));
        QCOMPARE(c.byte(), 0xC1);
        QCOMPARE(c.word(), 0x0000);
        QCOMPARE(c.word(), int(cfg.origId));
        QCOMPARE(c.byte(), 0xFF);
        for (const ServiceCfg &svc : cfg.services) {
            QCOMPARE(c.word(), int(svc.id));
            QCOMPARE(c.byte(), cfg.eitEnabled ? 0xFD : 0xFC);
            const int flags = c.word();
            QCOMPARE(flags >> 13, 4);
            QCOMPARE(bool(flags & 0x1000), svc.caEnabled);
            const int loopEnd = c.at + (flags & 0x0FFF);
            QCOMPARE(c.byte(), 0x48);
            const int descriptorLength = c.byte();
            const int descriptorEnd = c.at + descriptorLength;
            QCOMPARE(c.byte(), serviceTypeCode(svc.type));
            QCOMPARE(c.text(), svc.providerName);
            QCOMPARE(c.text(), svc.serviceName);
            QCOMPARE(c.at, descriptorEnd);
            if (svc.caEnabled) {
                QCOMPARE(c.byte(), 0x53);
                QCOMPARE(c.byte(), 2);
                QCOMPARE(c.word(), int(svc.caId));
            }
            QCOMPARE(c.at, loopEnd);
        }
        QVERIFY(c.ok);
        QCOMPARE(c.at, c.end);
    }

    // NIT
    QCOMPARE(sent.contains(1), cfg.nitEnabled);
    if (cfg.nitEnabled) {
        const SentSection &s = sent[1];
        QCOMPARE(s.pid, 0x0010);
        QCOMPARE(s.interval, expectInterval(cfg.nitTime));
        QCOMPARE(s.listMarkers, (QVector<int>{1, 3}));
        Cursor c{s.bytes, 0, int(s.bytes.size()) - 4};
        QCOMPARE(c.byte(), 0x40);
        QCOMPARE(c.word() & 0x0FFF, int(s.bytes.size()) - 3);
        QCOMPARE(c.word(), int(cfg.netId));
        QCOMPARE(c.byte(), 0xC1);
        QCOMPARE(c.word(), 0x0000);
        const int networkDescriptors = c.word();
        QCOMPARE(networkDescriptors >> 12, 0xF);
        QCOMPARE(c.byte(), 0x40);
        QCOMPARE(c.text(), cfg.netName);
        QCOMPARE(c.at, 10 + (networkDescriptors & 0x0FFF));
        const int loop = c.word();
        QCOMPARE(loop >> 12, 0xF);
        QCOMPARE(c.at + (loop & 0x0FFF), c.end);
        QCOMPARE(c.word(), int(cfg.id));
        QCOMPARE(c.word(), int(cfg.origId));
        const int transportDescriptors = c.word();
        QCOMPARE(transportDescriptors >> 12, 0xF);
        QCOMPARE(c.at + (transportDescriptors & 0x0FFF), c.end);
        QCOMPARE(c.byte(), 0x41);
        QCOMPARE(c.byte(), 3 * int(cfg.services.size()));
        for (const ServiceCfg &svc : cfg.services) {
            QCOMPARE(c.word(), int(svc.id));
            QCOMPARE(c.byte(), serviceTypeCode(svc.type));
        }
        QCOMPARE(c.byte(), 0x83);
        const int lcnLength = c.byte();
        const int lcnEnd = c.at + lcnLength;
        for (const ServiceCfg &svc : cfg.services) {
            if (!svc.lcEnabled)
                continue;
            QCOMPARE(c.word(), int(svc.id));
            const int word = c.word();
            QCOMPARE(bool(word & 0x8000), svc.lcVisible);
            QCOMPARE(word & 0x7C00, 0x7C00);
            QCOMPARE(word & 0x03FF, int(svc.lcNumber));
        }
        QCOMPARE(c.at, lcnEnd);
        QVERIFY(c.ok);
        QCOMPARE(c.at, c.end);
    }

    QCOMPARE(sent.value(15).closingMarker, 1);

    // TDT
    QCOMPARE(sent.contains(3), cfg.tdtEnabled);
    if (cfg.tdtEnabled) {
        const SentSection &s = sent[3];
        QCOMPARE(s.interval, expectInterval(cfg.tdtTime));
        if (cfg.realTdt) {
            QVERIFY(s.realTimeTdt);
            QCOMPARE(s.pid, -1);
        } else {
            QCOMPARE(s.pid, 0x0014);
            PSI_COMPARE_BYTES(s.bytes, psitest::hex("70 70 05 00 00 00 00 00"));
        }
    }
}

QTEST_APPLESS_MAIN(TestSectionDecoder)
#include "test_sectiondecoder.moc"
