// `velunor-cli dump`: exported golden programs against their golden text,
// malformed files with offset and reason on standard error, and the section
// decoder on hand-made sections.

#include <QtTest>

#include <QTemporaryDir>

#include "mbn/mbndump.h"
#include "mbn/mbnprogram.h"
#include "tests/common/psitestutil.h"
#include "tests/common/filehelpers.h"
#include "tests/common/linecompare.h"

using namespace Qt::StringLiterals;
using psitest::goldenPath;
using psitest::hex;

namespace {

// A section as it goes on the air: `body` after table_id and section_length,
// section_length completed, CRC_32 appended (the TDT has none).
QByteArray section(int tableId, const char *body)
{
    const bool tdt = tableId == 0x70;
    const QByteArray b = hex(body);
    const int length = int(b.size()) + (tdt ? 0 : 4);
    QByteArray s = QByteArray(1, char(tableId)) + char((tdt ? 0x70 : 0xB0) | (length >> 8)) + char(length) + b;
    return tdt ? s : s + hex(QByteArray::number(psitest::crc32Mpeg2(s), 16).rightJustified(8, '0').constData());
}

} // namespace

class TestDumpCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dump_data();
    void dump();
    void sectionLines_data();
    void sectionLines();
    void sectionFaults_data();
    void sectionFaults();

private:
    QTemporaryDir m_dir;
};

// Every golden program gives its golden text and nothing else; a malformed
// file gives nothing on standard output and one line with the offset and
// reason on standard error.
void TestDumpCli::dump_data()
{
    QTest::addColumn<QByteArray>("bytes"); // written to the file; null: no file at all
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QString>("message"); // after "FILE: " on standard error

    for (const QString &name : psitest::goldenNames)
        QTest::newRow(qPrintable(name)) << readWholeFile(goldenPath(name, ".mbn")) << 0
                                        << readWholeFile(goldenPath(name, ".dump")) << QString();
    const QByteArray golden = readWholeFile(goldenPath(u"all-tables"_s, ".mbn"));
    QCOMPARE(golden.size(), 732);
    const auto row = [](const char *name, const QByteArray &bytes, const char *message) {
        QTest::newRow(name) << bytes << 1 << QByteArray() << u"error at offset "_s + QString::fromUtf8(message);
    };
    row("empty file", "", "0x0000: the file ends inside the entry table (0 of 96 bytes)");
    row("cut inside the entry table", golden.left(50), "0x0032: the file ends inside the entry table (50 of 96 bytes)");
    row("cut after the entry table", golden.left(96),
        "0x0000: slot 0 points to 0x007a, beyond the end of the file (96 bytes)");
    row("cut inside the SDT", golden.left(200),
        "0x0004: slot 2 points to 0x014a, beyond the end of the file (200 bytes)");
    row("last byte missing", golden.left(731), "0x02da: instruction 0xff cut short by the end of the file");
    // program_info_length of the first PMT (image at 0x016a) raised from 6 to 48.
    QByteArray longProgramInfo = golden;
    longProgramInfo[0x176] = char(0x30);
    row("program_info_length past the section", longProgramInfo,
        "0x0194: PMT routine 1: PMT: program_info_length runs past the end of its section or loop (48 bytes needed "
        "at section byte 12, 28 left)");
    // The first service descriptor of the SDT (at 0x00f3) claims 48 bytes.
    QByteArray longDescriptor = golden;
    longDescriptor[0xF4] = char(0x30);
    row("service descriptor past its loop", longDescriptor,
        "0x014a: SDT routine: SDT actual transport stream: descriptor 0x48 runs past the end of its section or loop "
        "(48 bytes needed at section byte 18, 21 left)");
    QTest::newRow("unreadable file") << QByteArray() << 2 << QByteArray() << u"error: "_s;
}

void TestDumpCli::dump()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QString, message);
    const QString file = m_dir.filePath(u"in.mbn"_s);
    QFile::remove(file);
    QVERIFY(bytes.isNull() || writeWholeFile(file, bytes));
    const CliRun r = runCli({u"dump"_s, file});
    QCOMPARE(r.exitCode, exitCode);
    COMPARE_LINES(r.out, out);
    const QByteArray expected = message.isEmpty() ? QByteArray() : (file + u": "_s + message).toUtf8();
    if (exitCode == 2)
        QVERIFY2(r.err.startsWith(expected), r.err.constData());
    else
        QCOMPARE(r.err, exitCode == 1 ? expected + '\n' : expected);
    QVERIFY(bytes.isNull() || readWholeFile(file) == bytes); // the file is only read
}

void TestDumpCli::sectionLines_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QStringList>("lines"); // without the table_id and CRC_32 lines

    const QString head =
        u"%1 %2, version_number 0, current_next_indicator 1, section_number 0, last_section_number 0"_s;
    QTest::newRow("texts by their character table selector")
        << section(0x42, "0001 C1 00 00  0002 FF"
                         "0101 FD 800D  48 0B 01  04 41 22 5C E9  04 10 00 01 E9"
                         "0202 FC 800A  48 08 02  03 15 C3 A9  02 05 41")
        << QStringList{head.arg(u"transport_stream_id"_s, u"0x0001"_s), u"original_network_id 0x0002"_s,
                       u"service_id 0x0101: EIT_schedule_flag 0, EIT_present_following_flag 1, running_status 4 "
                       "(running), free_CA_mode 0, descriptors 13 bytes"_s,
                       u"  service descriptor: service_type 0x01 (digital television), provider \"A\\\"\\\\\\xe9\", "
                       "name \"\u00E9\" (ISO/IEC 8859-1)"_s,
                       u"service_id 0x0202: EIT_schedule_flag 0, EIT_present_following_flag 0, running_status 4 "
                       "(running), free_CA_mode 0, descriptors 10 bytes"_s,
                       u"  service descriptor: service_type 0x02 (digital radio sound), provider \"\u00E9\" (UTF-8), "
                       "name character table selector 0x05, bytes 05 41"_s};
    QTest::newRow("unknown descriptor as tag and bytes, CA private data")
        << section(0x02, "0001 C1 00 00  E1 00  F0 0A  09 05 0B 00 E2 00 AA  C0 01 FF  1B E1 01 F0 00")
        << QStringList{head.arg(u"program_number"_s, u"0x0001"_s), u"PCR_PID 0x0100"_s, u"program info, 10 bytes"_s,
                       u"  CA descriptor: CA_system_ID 0x0b00, CA_PID 0x0200, private data aa"_s,
                       u"  descriptor 0xc0, 1 bytes: ff"_s,
                       u"stream_type 0x1b (H.264 video) on PID 0x0101, ES_info 0 bytes"_s};
    QTest::newRow("teletext pages: magazine 0 is 8, BCD page numbers")
        << section(0x02, "0002 C1 00 00  FF FF  F0 00  06 E3 00 F0 0C  56 0A 64 65 75 0A 34 65 6E 67 10 9A")
        << QStringList{head.arg(u"program_number"_s, u"0x0002"_s), u"PCR_PID 0x1fff"_s, u"program info, 0 bytes"_s,
                       u"stream_type 0x06 (PES private data) on PID 0x0300, ES_info 12 bytes"_s,
                       u"  teletext descriptor, 2 page(s)"_s,
                       u"    language \"deu\", teletext_type 1, magazine 2, page 0x34 (page 234)"_s,
                       u"    language \"eng\", teletext_type 2, magazine 0, page 0x9a (page not BCD)"_s};
    QTest::newRow("EIT event with start_time and duration")
        << section(0x4E, "0101 C1 00 00  0001 0002 00 4E  0001 E4 4E 12 34 56 01 30 00 8008  4D 06 65 6E 67 01 4E 00")
        << QStringList{head.arg(u"service_id"_s, u"0x0101"_s),
                       u"transport_stream_id 0x0001, original_network_id 0x0002, segment_last_section_number 0, "
                       "last_table_id 0x4e"_s,
                       u"event_id 0x0001: start_time 2018-11-24 12:34:56 (MJD 58446), duration 01:30:00, "
                       "running_status 4 (running), free_CA_mode 0, descriptors 8 bytes"_s,
                       u"  short event descriptor: language \"eng\", name \"N\", text \"\""_s};
    QTest::newRow("TDT time") << section(0x70, "E4 4E 23 59 5A")
                              << QStringList{u"UTC_time 2018-11-24 23:59:0x5a (MJD 58446)"_s};
}

void TestDumpCli::sectionLines()
{
    QFETCH(QByteArray, section);
    QFETCH(QStringList, lines);
    QStringList actual;
    QString error;
    QVERIFY2(describeSection(section, 0, &actual, &error), qPrintable(error));
    QVERIFY(actual.size() >= 2 && actual.takeFirst().startsWith(QLatin1String("table_id ")));
    if (quint8(section.at(0)) != 0x70)
        QCOMPARE(actual.takeLast(), u"CRC_32 0x"_s + QString::fromLatin1(section.right(4).toHex()));
    QCOMPARE(actual, lines);
}

// One row per check of the decoder; a bounds check shared by several fields
// is shown once per kind of read (word, loop, descriptor, text, take).
void TestDumpCli::sectionFaults_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QString>("error");
    // Each row is named by the error it must give; a bounds check shared by
    // several fields is shown once per kind of limit (section, loop, descriptor).
    const auto row = [](const QByteArray &section, const QByteArray &error) {
        QTest::newRow(error.constData()) << section << QString::fromUtf8(error);
    };
    const auto past = [](const char *what, int needed, int at, int left) {
        return QByteArray(what) + " runs past the end of its section or loop (" + QByteArray::number(needed)
            + " bytes needed at section byte " + QByteArray::number(at) + ", " + QByteArray::number(left) + " left)";
    };
    row(hex("00 B0"), "section of 2 bytes, shorter than its 3-byte header");
    row(hex("00 B0 20 00 01 C1 00 00"), "section_length 32 does not match the 8 bytes sent");
    row(section(0x02, "0001 C1 00 00  E1 00  F0 02  09 04  0B 00 E2 00"), "PMT: " + past("descriptor 0x09", 4, 14, 0));
    row(section(0x02, "0001 C1 00 00  E1 00  F0 04  09 02 0B 00"),
        "PMT: CA descriptor of 2 bytes does not hold CA_system_ID and CA_PID");
    row(section(0x02, "0001 C1 00 00  E1 00  F0 00  06 E1 00 F0 06  56 04 64 65 75 09"),
        "PMT: teletext descriptor of 4 bytes does not hold 5-byte entries");
    row(section(0x42, "0001 C1 00 00  0002 FF  0101 FD 8010  48 03 01 00 00"),
        "SDT actual transport stream: " + past("descriptors_loop_length", 16, 16, 5));
    row(section(0x42, "0001 C1 00 00  0002 FF  0101 FD 8006  48 04 01 00 05 41"),
        "SDT actual transport stream: " + past("service_name", 5, 21, 1));
    row(section(0x42, "0001 C1 00 00  0002 FF  0101 FD 8006  48 04 01 00 00 41"),
        "SDT actual transport stream: service descriptor of 4 bytes does not hold exactly its type and two names");
    row(section(0x40, "3001 C1 00 00  F0 00  F0 09  0001 0002 F0 00"),
        "NIT actual network: " + past("transport_stream_loop_length", 9, 12, 6));
    row(section(0x40, "3001 C1 00 00  F0 00  F0 00  AA"),
        "NIT actual network: 1 bytes after the transport stream loop");
    row(section(0x40, "3001 C1 00 00  F0 00  F0 0B  0001 0002 F0 05 83 03 01 01 FC"),
        "NIT actual network: logical channel descriptor of 3 bytes does not hold 4-byte entries");
    row(section(0x4E, "0101 C1 00 00  0001 0002 00 4E  0001 E4 4E"),
        "EIT actual transport stream, present/following: " + past("start_time", 5, 16, 2));
    row(section(0x70, "E4 4E 12 34"), past("UTC_time", 5, 3, 4));
    row(section(0x70, "E4 4E 12 34 56 00"), "TDT of 6 bytes after its header, 5 expected");
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
