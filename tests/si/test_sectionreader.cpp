// The reading layer on hand-made bytes: where each field stands, how length
// scopes hold reads in, and what a descriptor that does not fit is read as.

#include <QtTest>

#include "si/tables.h"

using namespace Qt::StringLiterals;

namespace {

QString field(const SiField &f)
{
    return u"%1 %2.%3/%4 = %5"_s.arg(QLatin1String(f.name)).arg(f.offset).arg(f.bit).arg(f.width).arg(f.value, 0, 16);
}

// Runs "push N", "pop", "u8", "u16", "bytes N" on the reader; values in
// hexadecimal, a pop as @ and the position it left the reader at.
QString run(SectionReader &r, const QString &script)
{
    QStringList trace;
    for (const QString &step : script.split(u';', Qt::SkipEmptyParts)) {
        const QStringList words = step.split(u' ', Qt::SkipEmptyParts);
        const int n = words.value(1).toInt();
        if (words.first() == u"push"_s)
            r.pushLength(n, u"x"_s);
        else if (words.first() == u"pop"_s)
            r.popLength(), trace << u"@%1"_s.arg(r.at());
        else if (words.first() == u"u8"_s)
            trace << QString::number(r.u8("x").value, 16);
        else if (words.first() == u"u16"_s)
            trace << QString::number(r.u16("x").value, 16);
        else
            trace << QString::fromLatin1(r.bytes(n, "x").bytes.toHex());
    }
    return trace.join(u' ');
}

QString overrun(int needed, int at, int left)
{
    return u"x runs past the end of its section or loop (%1 bytes needed at section byte %2, %3 left)"_s.arg(needed).arg(at).arg(left);
}

} // namespace

class TestSectionReader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pmtFields();
    void scopes_data();
    void scopes();
    void descriptors_data();
    void descriptors();
    void tables_data();
    void tables();
};

// A PMT with a CA descriptor and a teletext element, its fields where the
// standard puts them.
void TestSectionReader::pmtFields()
{
    const QByteArray section = QByteArray::fromHex("02b01f 0001 c3 00 00 e100 f006 09040604e123"
                                                   " 06e101f007 5605646575 0900 00000000");
    const PmtSection pmt = decodeTable<PmtSection>(section);
    QCOMPARE(pmt.finding, QString());
    QCOMPARE(pmt.streams.size(), 1);
    QCOMPARE(pmt.descriptors.descriptors.size() + pmt.streams.at(0).descriptors.descriptors.size(), 2);
    const CaDescriptor *ca = pmt.descriptors.descriptors.at(0).as<CaDescriptor>();
    const TeletextDescriptor *ttx = pmt.streams.at(0).descriptors.descriptors.at(0).as<TeletextDescriptor>();
    QVERIFY(ca && ttx && ttx->entries.size() == 1);
    const PmtSection::Stream &s = pmt.streams.at(0);
    const TeletextDescriptor::Entry &page = ttx->entries.at(0);
    QStringList actual;
    for (const SiField &f : {pmt.header.tableIdExtension, pmt.header.versionNumber, pmt.header.currentNextIndicator,
                             pmt.header.lastSectionNumber, pmt.pcrPid, pmt.programInfoLength,
                             pmt.descriptors.descriptors.at(0).tag, ca->caSystemId, ca->caPid, s.streamType,
                             s.elementaryPid, s.esInfoLength, page.teletextType, page.magazineNumber, page.pageNumber})
        actual << field(f);
    const QStringList expected{u"table_id_extension 3.0/16 = 1"_s,  u"version_number 5.2/5 = 1"_s,
                               u"current_next_indicator 5.7/1 = 1"_s, u"last_section_number 7.0/8 = 0"_s,
                               u"PCR_PID 8.3/13 = 100"_s,          u"program_info_length 10.4/12 = 6"_s,
                               u"descriptor_tag 12.0/8 = 9"_s,       u"CA_system_ID 14.0/16 = 604"_s,
                               u"CA_PID 16.3/13 = 123"_s,            u"stream_type 18.0/8 = 6"_s,
                               u"elementary_PID 19.3/13 = 101"_s,    u"ES_info_length 21.4/12 = 7"_s,
                               u"teletext_type 28.0/5 = 1"_s,        u"teletext_magazine_number 28.5/3 = 1"_s,
                               u"teletext_page_number 29.0/8 = 0"_s};
    QCOMPARE(actual, expected);
    QCOMPARE(page.language.offset, 25);
    QCOMPARE(page.language.bytes, QByteArray("deu"));
}

void TestSectionReader::scopes_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("trace");
    QTest::addColumn<QString>("finding");
    // The bytes are 01 02 03 04 05.
    QTest::newRow("reads inside a scope") << u"push 3; u8; u16; pop; u8"_s << u"1 203 @3 4"_s << QString();
    QTest::newRow("pop skips what was not read") << u"push 3; u8; pop; u8"_s << u"1 @3 4"_s << QString();
    QTest::newRow("a scope that fills its parent") << u"push 5; bytes 5; pop"_s << u"0102030405 @5"_s << QString();
    QTest::newRow("a read past the scope is zero") << u"push 2; u8; u16; pop; u8"_s << u"1 0 @2 3"_s << overrun(2, 1, 1);
    QTest::newRow("a length one past the parent is cut")
        << u"push 6; bytes 6; pop"_s << u"0102030405 @5"_s << overrun(6, 0, 5);
    QTest::newRow("nested, the inner one past the outer")
        << u"push 4; u8; push 4; u8; pop; u8; pop; u8"_s << u"1 2 @4 0 @4 5"_s << overrun(4, 1, 3);
    QTest::newRow("the first finding stands") << u"u16; u16; u16; u16"_s << u"102 304 0 0"_s << overrun(2, 4, 1);
}

void TestSectionReader::scopes()
{
    QFETCH(QString, script);
    QFETCH(QString, trace);
    QFETCH(QString, finding);
    SectionReader r(QByteArray::fromHex("0102030405"));
    QCOMPARE(run(r, script), trace);
    QCOMPARE(r.finding(), finding);
}

void TestSectionReader::descriptors_data()
{
    QTest::addColumn<QByteArray>("loop");
    QTest::addColumn<int>("count");   // descriptors read
    QTest::addColumn<bool>("overrun");
    QTest::addColumn<QString>("entry"); // what the first one decoded to, or its bytes
    QTest::addColumn<QString>("finding");
    auto row = [](const char *name, const char *hex, int count, bool over, const QString &entry, const QString &finding) {
        QTest::newRow(name) << QByteArray::fromHex(hex) << count << over << entry << finding;
    };
    row("teletext, one page", "56056465750900", 1, false, u"deu 1 1 0"_s, QString());
    row("teletext, a byte after its page", "5606646575090041", 1, false, u"deu 1 1 0"_s,
        u"teletext descriptor of 6 bytes does not hold 5-byte entries"_s);
    row("a body one byte past the loop", "560564657509", 0, true, QString(),
        u"descriptor 0x56 runs past the end of its section or loop (5 bytes needed at section byte 2, 4 left)"_s);
    row("a tag without its length", "48", 0, true, QString(),
        u"descriptor_length runs past the end of its section or loop (1 bytes needed at section byte 1, 0 left)"_s);
    row("a CA descriptor too short for its PID", "0903010203", 1, false, u"bytes 010203"_s,
        u"CA descriptor of 3 bytes does not hold CA_system_ID and CA_PID"_s);
    row("a service name past its descriptor", "4806010141034243", 1, false, u"1 A BC"_s,
        u"service_name runs past the end of its section or loop (3 bytes needed at section byte 6, 2 left)"_s);
    row("an unknown tag kept as bytes", "7c02aabb", 1, false, u"bytes aabb"_s, QString());
}

void TestSectionReader::descriptors()
{
    QFETCH(QByteArray, loop);
    QFETCH(int, count);
    QFETCH(bool, overrun);
    QFETCH(QString, entry);
    QFETCH(QString, finding);
    SectionReader r(loop);
    const SiDescriptorLoop read = readDescriptors(r);
    QCOMPARE(read.descriptors.size(), count);
    QCOMPARE(read.overrun, overrun);
    QCOMPARE(r.finding(), finding);
    if (count == 0)
        return;
    const SiDescriptor &d = read.descriptors.first();
    QString actual = u"bytes "_s + QString::fromLatin1(d.body.bytes.toHex());
    if (const auto *t = d.as<TeletextDescriptor>()) {
        const auto &e = t->entries.first();
        actual = u"%1 %2 %3 %4"_s.arg(QString::fromLatin1(e.language.bytes)).arg(e.teletextType.value)
                     .arg(e.magazineNumber.value).arg(e.pageNumber.value);
    } else if (const auto *s = d.as<ServiceDescriptor>()) {
        actual = u"%1 %2 %3"_s.arg(s->serviceType.value).arg(QString::fromLatin1(s->serviceProviderName.text.bytes),
                                                              QString::fromLatin1(s->serviceName.text.bytes));
    }
    QCOMPARE(actual, entry);
}

// Damaged tables: what each keeps of its loop, and its first finding.
void TestSectionReader::tables_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<int>("entries"); // programs, services, transport streams or events kept
    QTest::addColumn<QString>("finding");
    auto row = [](const char *name, const char *hex, int entries, const char *finding) {
        QTest::newRow(name) << QByteArray::fromHex(hex) << entries << QString::fromLatin1(finding);
    };
    row("PAT, a cut last entry", "00b00f0001c100000001e100000200000000", 1,
        "program_map_PID runs past the end of its section or loop (2 bytes needed at section byte 14, 0 left)");
    row("SDT, a loop past the section keeps its service", "42b0160001c10000" "0002ff0101fd8010480301000005" "2c9deb", 1,
        "descriptors_loop_length runs past the end of its section or loop (16 bytes needed at section byte 16, 5 left)");
    row("EIT, a cut event is left out", "4eb0130101c10000" "0001000200" "4e0001e44e" "6383a9cd", 0,
        "start_time runs past the end of its section or loop (5 bytes needed at section byte 16, 2 left)");
    row("NIT, a byte after the loop", "40b00e3001c10000f000f000aa221251c3", 0, "1 bytes after the transport stream loop");
}

void TestSectionReader::tables()
{
    QFETCH(QByteArray, section);
    QFETCH(int, entries);
    QFETCH(QString, finding);
    switch (quint8(section.at(0))) {
    case 0x00: QCOMPARE(decodeTable<PatSection>(section).programs.size(), entries); QCOMPARE(decodeTable<PatSection>(section).finding, finding); break;
    case 0x42: QCOMPARE(decodeTable<SdtSection>(section).services.size(), entries); QCOMPARE(decodeTable<SdtSection>(section).finding, finding); break;
    case 0x40: QCOMPARE(decodeTable<NitSection>(section).transportStreams.size(), entries); QCOMPARE(decodeTable<NitSection>(section).finding, finding); break;
    default: QCOMPARE(decodeTable<EitSection>(section).events.size(), entries); QCOMPARE(decodeTable<EitSection>(section).finding, finding); break;
    }
}

QTEST_GUILESS_MAIN(TestSectionReader)
#include "test_sectionreader.moc"
