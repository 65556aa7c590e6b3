// `velunor-cli dump`: every exported golden program against its golden text,
// malformed files with the offset and reason on standard error and nothing on
// standard output, and the section decoder on hand-made sections (text
// selectors, descriptors, lengths that run past their section).

#include <QtTest>

#include <QTemporaryDir>

#include "psi/mbndump.h"
#include "psi/mbnprogram.h"
#include "psitestutil.h"
#include "tests/common/filehelpers.h"

using psitest::goldenPath;
using psitest::hex;

namespace {

CliRun dumpCli(const QStringList &arguments)
{
    return runCli(QStringList{QStringLiteral("dump")} + arguments);
}

// Empty when equal; otherwise the first differing line of both texts.
QString describeLineDifference(const QByteArray &actual, const QByteArray &expected)
{
    if (actual == expected)
        return QString();
    const QList<QByteArray> a = actual.split('\n');
    const QList<QByteArray> e = expected.split('\n');
    int line = 0;
    while (line < a.size() && line < e.size() && a.at(line) == e.at(line))
        ++line;
    return QStringLiteral("first difference at line %1\n  actual:   %2\n  expected: %3")
        .arg(line + 1)
        .arg(QString::fromUtf8(a.value(line, "<end of text>")), QString::fromUtf8(e.value(line, "<end of text>")));
}

// A section as it goes on the air: `body` after table_id and section_length,
// section_length completed, CRC_32 appended (the TDT has none).
QByteArray section(int tableId, const char *body)
{
    QByteArray s = hex(body);
    const bool tdt = tableId == 0x70;
    const int length = int(s.size()) + (tdt ? 0 : 4);
    s.prepend(char(length));
    s.prepend(char((tdt ? 0x70 : 0xB0) | (length >> 8)));
    s.prepend(char(tableId));
    if (!tdt) {
        const quint32 crc = mpegCrc32(s);
        for (int k = 3; k >= 0; --k)
            s += char(crc >> (8 * k));
    }
    return s;
}

} // namespace

class TestDumpCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void goldenDumps_data();
    void goldenDumps();
    void malformedFiles_data();
    void malformedFiles();
    void sectionLines_data();
    void sectionLines();
    void sectionFaults_data();
    void sectionFaults();

private:
    QTemporaryDir m_dir;
};

void TestDumpCli::goldenDumps_data()
{
    QTest::addColumn<QString>("name");
    for (const QString &name : psitest::goldenNames)
        QTest::newRow(qPrintable(name)) << name;
}

void TestDumpCli::goldenDumps()
{
    QFETCH(QString, name);
    const CliRun r = dumpCli({goldenPath(name, ".mbn")});
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    const QString difference = describeLineDifference(r.out, readWholeFile(goldenPath(name, ".dump")));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestDumpCli::malformedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes"); // written to the file; null: no file at all
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // after "FILE: "

    const QByteArray golden = readWholeFile(goldenPath(QStringLiteral("all-tables"), ".mbn"));
    QCOMPARE(golden.size(), 732);
    QTest::newRow("empty file") << QByteArray("") << 1
                                << QStringLiteral("error at offset 0x0000: the file ends inside the entry table (0 of 96 bytes)");
    QTest::newRow("cut inside the entry table")
        << golden.left(50) << 1 << QStringLiteral("error at offset 0x0032: the file ends inside the entry table (50 of 96 bytes)");
    QTest::newRow("cut after the entry table")
        << golden.left(96) << 1 << QStringLiteral("error at offset 0x0000: slot 0 points to 0x007a, beyond the end of the file (96 bytes)");
    QTest::newRow("cut inside the SDT")
        << golden.left(200) << 1 << QStringLiteral("error at offset 0x0004: slot 2 points to 0x014a, beyond the end of the file (200 bytes)");
    QTest::newRow("last byte missing")
        << golden.left(731) << 1 << QStringLiteral("error at offset 0x02da: instruction 0xff cut short by the end of the file");

    // program_info_length of the first PMT (image at 0x016a) raised from 6 to 48.
    QByteArray longProgramInfo = golden;
    longProgramInfo[0x176] = char(0x30);
    QTest::newRow("program_info_length past the section")
        << longProgramInfo << 1
        << QStringLiteral("error at offset 0x0194: PMT routine 1: PMT: program_info_length runs past the end of its "
                          "section or loop (48 bytes needed at section byte 12, 28 left)");
    // The first service descriptor of the SDT (at 0x00f3) claims 48 bytes.
    QByteArray longDescriptor = golden;
    longDescriptor[0xF4] = char(0x30);
    QTest::newRow("service descriptor past its loop")
        << longDescriptor << 1
        << QStringLiteral("error at offset 0x014a: SDT routine: SDT actual transport stream: descriptor 0x48 runs past "
                          "the end of its section or loop (48 bytes needed at section byte 18, 21 left)");
    QTest::newRow("unreadable file") << QByteArray() << 2 << QStringLiteral("error: ");
}

void TestDumpCli::malformedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const QString file = m_dir.filePath(QStringLiteral("in.mbn"));
    QFile::remove(file);
    QVERIFY(bytes.isNull() || writeWholeFile(file, bytes));
    const CliRun r = dumpCli({file});
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, QByteArray());
    const QByteArray expected = (file + QStringLiteral(": ") + message).toUtf8();
    if (exitCode == 1)
        QCOMPARE(r.err, expected + '\n');
    else
        QVERIFY2(r.err.startsWith(expected), r.err.constData());
    QVERIFY(bytes.isNull() || readWholeFile(file) == bytes); // the file is only read
}

void TestDumpCli::sectionLines_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QStringList>("lines"); // without the table_id and CRC_32 lines

    const QString head = QStringLiteral("%1 %2, version_number 0, current_next_indicator 1, section_number 0, "
                                        "last_section_number 0");
    QTest::newRow("texts by their character table selector")
        << section(0x42, "0001 C1 00 00  0002 FF"
                         "0101 FD 800D  48 0B 01  04 41 22 5C E9  04 10 00 01 E9"
                         "0202 FC 800A  48 08 02  03 15 C3 A9  02 05 41")
        << QStringList{head.arg(QStringLiteral("transport_stream_id"), QStringLiteral("0x0001")),
                       QStringLiteral("original_network_id 0x0002"),
                       QStringLiteral("service_id 0x0101: EIT_schedule_flag 0, EIT_present_following_flag 1, "
                                      "running_status 4 (running), free_CA_mode 0, descriptors 13 bytes"),
                       QStringLiteral("  service descriptor: service_type 0x01 (digital television), "
                                      "provider \"A\\\"\\\\\\xe9\", name \"\u00E9\" (ISO/IEC 8859-1)"),
                       QStringLiteral("service_id 0x0202: EIT_schedule_flag 0, EIT_present_following_flag 0, "
                                      "running_status 4 (running), free_CA_mode 0, descriptors 10 bytes"),
                       QStringLiteral("  service descriptor: service_type 0x02 (digital radio sound), "
                                      "provider \"\u00E9\" (UTF-8), name character table selector 0x05, bytes 05 41")};
    QTest::newRow("unknown descriptor as tag and bytes, CA private data")
        << section(0x02, "0001 C1 00 00  E1 00  F0 0A  09 05 0B 00 E2 00 AA  C0 01 FF  1B E1 01 F0 00")
        << QStringList{head.arg(QStringLiteral("program_number"), QStringLiteral("0x0001")),
                       QStringLiteral("PCR_PID 0x0100"), QStringLiteral("program info, 10 bytes"),
                       QStringLiteral("  CA descriptor: CA_system_ID 0x0b00, CA_PID 0x0200, private data aa"),
                       QStringLiteral("  descriptor 0xc0, 1 bytes: ff"),
                       QStringLiteral("stream_type 0x1b (H.264 video) on PID 0x0101, ES_info 0 bytes")};
    QTest::newRow("teletext pages: magazine 0 is 8, BCD page numbers")
        << section(0x02, "0002 C1 00 00  FF FF  F0 00  06 E3 00 F0 0C  56 0A 64 65 75 0A 34 65 6E 67 10 9A")
        << QStringList{head.arg(QStringLiteral("program_number"), QStringLiteral("0x0002")),
                       QStringLiteral("PCR_PID 0x1fff"), QStringLiteral("program info, 0 bytes"),
                       QStringLiteral("stream_type 0x06 (PES private data) on PID 0x0300, ES_info 12 bytes"),
                       QStringLiteral("  teletext descriptor, 2 page(s)"),
                       QStringLiteral("    language \"deu\", teletext_type 1, magazine 2, page 0x34 (page 234)"),
                       QStringLiteral("    language \"eng\", teletext_type 2, magazine 0, page 0x9a (page not BCD)")};
    QTest::newRow("EIT event with start_time and duration")
        << section(0x4E, "0101 C1 00 00  0001 0002 00 4E  0001 E4 4E 12 34 56 01 30 00 8008"
                         "4D 06 65 6E 67 01 4E 00")
        << QStringList{head.arg(QStringLiteral("service_id"), QStringLiteral("0x0101")),
                       QStringLiteral("transport_stream_id 0x0001, original_network_id 0x0002, "
                                      "segment_last_section_number 0, last_table_id 0x4e"),
                       QStringLiteral("event_id 0x0001: start_time 2018-11-24 12:34:56 (MJD 58446), duration 01:30:00, "
                                      "running_status 4 (running), free_CA_mode 0, descriptors 8 bytes"),
                       QStringLiteral("  short event descriptor: language \"eng\", name \"N\", text \"\"")};
    QTest::newRow("TDT time") << section(0x70, "E4 4E 23 59 5A")
                              << QStringList{QStringLiteral("UTC_time 2018-11-24 23:59:0x5a (MJD 58446)")};
    QTest::newRow("NIT with an empty transport stream loop")
        << section(0x40, "3001 C1 00 00  F0 03 40 01 4E  F0 00")
        << QStringList{head.arg(QStringLiteral("network_id"), QStringLiteral("0x3001")),
                       QStringLiteral("network descriptors, 3 bytes"),
                       QStringLiteral("  network name descriptor: \"N\"")};
}

void TestDumpCli::sectionLines()
{
    QFETCH(QByteArray, section);
    QFETCH(QStringList, lines);
    QStringList actual;
    QString error;
    QVERIFY2(describeSection(section, 0, &actual, &error), qPrintable(error));
    QVERIFY(actual.size() >= 2 && actual.first().startsWith(QLatin1String("table_id ")));
    actual.removeFirst();
    if (quint8(section.at(0)) != 0x70) {
        QCOMPARE(actual.takeLast(), QStringLiteral("CRC_32 0x%1").arg(psitest::u16At(section, section.size() - 4) * 65536u
                                                                          + psitest::u16At(section, section.size() - 2),
                                                                      8, 16, QLatin1Char('0')));
    }
    QCOMPARE(actual, lines);
}

void TestDumpCli::sectionFaults_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QString>("error");

    QTest::newRow("shorter than the header") << hex("00 B0") << QStringLiteral("section of 2 bytes, shorter than its 3-byte header");
    QTest::newRow("section_length not what was sent")
        << hex("00 B0 20 00 01 C1 00 00") << QStringLiteral("section_length 32 does not match the 8 bytes sent");
    QTest::newRow("PAT entry cut")
        << section(0x00, "0001 C1 00 00  0001 E1")
        << QStringLiteral("PAT: program_map_PID runs past the end of its section or loop (2 bytes needed at section byte 10, 1 left)");
    QTest::newRow("ES_info_length past the section")
        << section(0x02, "0001 C1 00 00  E1 00  F0 00  02 E1 01 F0 05 0A")
        << QStringLiteral("PMT: ES_info_length runs past the end of its section or loop (5 bytes needed at section byte 17, 1 left)");
    QTest::newRow("descriptor longer than its loop")
        << section(0x02, "0001 C1 00 00  E1 00  F0 02  09 04  0B 00 E2 00")
        << QStringLiteral("PMT: descriptor 0x09 runs past the end of its section or loop (4 bytes needed at section byte 14, 0 left)");
    QTest::newRow("CA descriptor too short")
        << section(0x02, "0001 C1 00 00  E1 00  F0 04  09 02 0B 00")
        << QStringLiteral("PMT: CA descriptor of 2 bytes does not hold CA_system_ID and CA_PID");
    QTest::newRow("teletext descriptor not in 5-byte entries")
        << section(0x02, "0001 C1 00 00  E1 00  F0 00  06 E1 00 F0 06  56 04 64 65 75 09")
        << QStringLiteral("PMT: teletext descriptor of 4 bytes does not hold 5-byte entries");
    QTest::newRow("descriptors_loop_length past the SDT")
        << section(0x42, "0001 C1 00 00  0002 FF  0101 FD 8010  48 03 01 00 00")
        << QStringLiteral("SDT actual transport stream: descriptors_loop_length runs past the end of its section or loop "
                          "(16 bytes needed at section byte 16, 5 left)");
    QTest::newRow("service name past its descriptor")
        << section(0x42, "0001 C1 00 00  0002 FF  0101 FD 8006  48 04 01 00 05 41")
        << QStringLiteral("SDT actual transport stream: service_name runs past the end of its section or loop "
                          "(5 bytes needed at section byte 21, 1 left)");
    QTest::newRow("service descriptor with a byte left over")
        << section(0x42, "0001 C1 00 00  0002 FF  0101 FD 8006  48 04 01 00 00 41")
        << QStringLiteral("SDT actual transport stream: service descriptor of 4 bytes does not hold exactly its type and two names");
    QTest::newRow("NIT loop past the section")
        << section(0x40, "3001 C1 00 00  F0 00  F0 09  0001 0002 F0 00")
        << QStringLiteral("NIT actual network: transport_stream_loop_length runs past the end of its section or loop "
                          "(9 bytes needed at section byte 12, 6 left)");
    QTest::newRow("NIT bytes after the loop")
        << section(0x40, "3001 C1 00 00  F0 00  F0 00  AA")
        << QStringLiteral("NIT actual network: 1 bytes after the transport stream loop");
    QTest::newRow("logical channel entries not 4 bytes")
        << section(0x40, "3001 C1 00 00  F0 00  F0 0B  0001 0002 F0 05 83 03 01 01 FC")
        << QStringLiteral("NIT actual network: logical channel descriptor of 3 bytes does not hold 4-byte entries");
    QTest::newRow("EIT event cut") << section(0x4E, "0101 C1 00 00  0001 0002 00 4E  0001 E4 4E")
                                   << QStringLiteral("EIT actual transport stream, present/following: start_time runs past "
                                                     "the end of its section or loop (5 bytes needed at section byte 16, 2 left)");
    QTest::newRow("TDT cut") << section(0x70, "E4 4E 12 34")
                             << QStringLiteral("UTC_time runs past the end of its section or loop (5 bytes needed at section byte 3, 4 left)");
    QTest::newRow("TDT too long") << section(0x70, "E4 4E 12 34 56 00")
                                  << QStringLiteral("TDT of 6 bytes after its header, 5 expected");
}

void TestDumpCli::sectionFaults()
{
    QFETCH(QByteArray, section);
    QFETCH(QString, error);
    QStringList lines;
    QString actual;
    QVERIFY(!describeSection(section, 0, &lines, &actual));
    QCOMPARE(actual, error);
}

QTEST_GUILESS_MAIN(TestDumpCli)
#include "test_dumpcli.moc"
