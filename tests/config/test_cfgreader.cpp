#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include "config/cfgreader.h"
#include "config/cfgwriter.h"
#include "tests/config/cfgtesthelpers.h"

Q_DECLARE_METATYPE(TransportStreamCfg)

namespace {

template <std::size_t N>
QByteArray bytes(const char (&text)[N])
{
    return QByteArray(text, qsizetype(N - 1)); // keeps embedded NUL bytes
}

QByteArray dataFile(const char *name)
{
    return readWholeFile(QStringLiteral(VELUNOR_TEST_DATA "/") + QLatin1String(name));
}

TransportStreamCfg doc(const std::function<void(TransportStreamCfg &)> &edit)
{
    TransportStreamCfg c;
    edit(c);
    return c;
}

ServiceCfg service(quint16 id)
{
    ServiceCfg s;
    s.id = id;
    return s;
}

// A document that parse() must never leave behind on failure.
TransportStreamCfg sentinel()
{
    TransportStreamCfg c = exampleDocument();
    c.netName = QStringLiteral("untouched");
    return c;
}

} // namespace

class TestCfgReader : public QObject
{
    Q_OBJECT

private slots:
    void exampleFileReadsAndWritesBack();
    void defaultFile();
    void openFailures();
    void accepts_data();
    void accepts();
    void rejects_data();
    void rejects();
    void keyRanges_data();
    void keyRanges();
    void encoding_data();
    void encoding();
    void moreServicesThanTheEditorAdds();
};

void TestCfgReader::exampleFileReadsAndWritesBack()
{
    const QString name = QStringLiteral(VELUNOR_TEST_DATA "/example.mux");
    CfgReader reader;
    QVERIFY2(reader.open(name), qPrintable(reader.errorString()));
    TransportStreamCfg cfg;
    QVERIFY2(reader.parse(&cfg), qPrintable(reader.errorString()));
    COMPARE_DOCUMENTS(cfg, exampleDocument());
    COMPARE_BYTES(CfgWriter::toText(cfg), readWholeFile(name));
}

void TestCfgReader::defaultFile()
{
    const QByteArray golden = dataFile("default.mux");
    QCOMPARE(golden.count('\n'), 19);
    TransportStreamCfg cfg = exampleDocument();
    CfgReader reader;
    QVERIFY2(reader.parseData(golden, &cfg), qPrintable(reader.errorString()));
    COMPARE_DOCUMENTS(cfg, TransportStreamCfg());
}

void TestCfgReader::openFailures()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    CfgReader reader;
    TransportStreamCfg cfg = sentinel();

    QVERIFY(!reader.parse(&cfg)); // nothing opened yet
    QVERIFY(!reader.errorString().isEmpty());

    QVERIFY(!reader.open(dir.filePath(QStringLiteral("missing.mux"))));
    QVERIFY2(reader.errorString().contains(QLatin1String("missing.mux")), qPrintable(reader.errorString()));
    QVERIFY(!reader.parse(&cfg));

    QVERIFY(!reader.open(dir.path()));
    QVERIFY2(reader.errorString().contains(QLatin1String("directory")), qPrintable(reader.errorString()));
    QVERIFY(!reader.parse(&cfg));
    COMPARE_DOCUMENTS(cfg, sentinel());
}

void TestCfgReader::accepts_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<TransportStreamCfg>("expected");

    QTest::newRow("empty transport-stream block is the default document")
        << QByteArray("transport-stream {\n}\n") << TransportStreamCfg();
    QTest::newRow("no white space at all")
        << QByteArray("transport-stream{id=5;service{id=3;}}")
        << doc([](TransportStreamCfg &c) { c.id = 5; c.services = {service(3)}; });
    QTest::newRow("booleans in any case, quoted or bare")
        << QByteArray("transport-stream { pat-enabled = Yes; sdt-enabled = FaLsE; nit-enabled = "
                      "disabled; eit-enabled = 0; tdt-enabled = NO; real-tdt = ENABLED; "
                      "playout-timings = 'no'; }")
        << doc([](TransportStreamCfg &c) {
               c.sdtEnabled = c.nitEnabled = c.eitEnabled = c.tdtEnabled = false;
               c.realTdt = true;
           });
    QTest::newRow("true and 1 give true")
        << QByteArray("transport-stream { real-tdt = true; playout-timings = 1; }")
        << doc([](TransportStreamCfg &c) { c.realTdt = c.playoutTimings = true; });
    QTest::newRow("boolean with blanks inside the quotes")
        << QByteArray("transport-stream { real-tdt = ' yes '; }")
        << doc([](TransportStreamCfg &c) { c.realTdt = true; });
    QTest::newRow("v2-features sets playout-timings")
        << QByteArray("transport-stream { v2-features = yes; }")
        << doc([](TransportStreamCfg &c) { c.playoutTimings = true; });
    QTest::newRow("quoted key and block name")
        << QByteArray("transport-stream { 'id' = 7; 'service' { 'id' = 9; } }")
        << doc([](TransportStreamCfg &c) { c.id = 7; c.services = {service(9)}; });
    QTest::newRow("hexadecimal and octal numbers")
        << QByteArray("transport-stream { pat-time = 0x1F4; pmt-time = 0764; sdt-time = 0100; "
                      "nit-time = 0X1f4; }")
        << doc([](TransportStreamCfg &c) {
               c.patTime = 500; c.pmtTime = 500; c.sdtTime = 64; c.nitTime = 500;
           });
    QTest::newRow("number quoted with blanks and a plus sign")
        << QByteArray("transport-stream { pat-time = ' +30 '; }")
        << doc([](TransportStreamCfg &c) { c.patTime = 30; });
    QTest::newRow("escaped quote")
        << QByteArray("transport-stream { net-name = 'o\\'clock'; }")
        << doc([](TransportStreamCfg &c) { c.netName = QStringLiteral("o'clock"); });
    QTest::newRow("backslash pair is one backslash")
        << QByteArray("transport-stream { net-name = 'a\\\\b'; }")
        << doc([](TransportStreamCfg &c) { c.netName = QStringLiteral("a\\b"); });
    QTest::newRow("backslash before another letter stays")
        << QByteArray("transport-stream { net-name = 'a\\nb'; }")
        << doc([](TransportStreamCfg &c) { c.netName = QStringLiteral("a\\nb"); });
    QTest::newRow("backslash pair before the closing quote")
        << QByteArray("transport-stream { net-name = 'a\\\\'; }")
        << doc([](TransportStreamCfg &c) { c.netName = QStringLiteral("a\\"); });
    QTest::newRow("text loses outer blanks")
        << QByteArray("transport-stream { net-name = '  News  '; }")
        << doc([](TransportStreamCfg &c) { c.netName = QStringLiteral("News"); });
    QTest::newRow("line breaks and punctuation inside quotes")
        << QByteArray("transport-stream { net-name = 'a\r\n{b;c=d}'; }")
        << doc([](TransportStreamCfg &c) { c.netName = QStringLiteral("a\r\n{b;c=d}"); });
    QTest::newRow("quote inside a bare word")
        << QByteArray("transport-stream { net-name = it's; }")
        << doc([](TransportStreamCfg &c) { c.netName = QStringLiteral("it's"); });
    QTest::newRow("empty quoted text")
        << QByteArray("transport-stream { net-name = ''; }") << TransportStreamCfg();
    QTest::newRow("key given twice keeps the last value")
        << QByteArray("transport-stream { id = 1; id = 2; }")
        << doc([](TransportStreamCfg &c) { c.id = 2; });
    QTest::newRow("empty ca block in a service sets only the flag")
        << QByteArray("transport-stream { service { ca { } } }")
        << doc([](TransportStreamCfg &c) {
               ServiceCfg s;
               s.caEnabled = true;
               c.services = {s};
           });
    QTest::newRow("empty logical-channel block")
        << QByteArray("transport-stream { service { logical-channel { } } }")
        << doc([](TransportStreamCfg &c) {
               ServiceCfg s;
               s.lcEnabled = true;
               c.services = {s};
           });
    QTest::newRow("remap without new-base gets 4096")
        << QByteArray("transport-stream { filter { action = 1; } }")
        << doc([](TransportStreamCfg &c) {
               FilterCfg f;
               f.action = ActionRemap;
               c.filters = {f};
           });
    QTest::newRow("filter b of 8191 reads")
        << QByteArray("transport-stream { filter { b = 8191; match = 1; } }")
        << doc([](TransportStreamCfg &c) {
               FilterCfg f;
               f.match = MatchMask;
               c.filters = {f};
           });
    QTest::newRow("elements and services keep file order")
        << QByteArray("transport-stream { service { id = 2; element { pid = 20; } element { pid = 10; "
                      "type = 2; language = deu; } } service { id = 1; } }")
        << doc([](TransportStreamCfg &c) {
               ServiceCfg s = service(2);
               ESCfg a;
               a.pid = 20;
               ESCfg b;
               b.pid = 10;
               b.type = EsTeletext;
               b.language = QStringLiteral("deu");
               s.elements = {a, b};
               c.services = {s, service(1)};
           });
    QTest::newRow("second transport-stream block replaces the first")
        << QByteArray("transport-stream { id = 1; net-name = first; service { id = 4; } filter { } }\n"
                      "transport-stream { orig-id = 2; }\n")
        << doc([](TransportStreamCfg &c) { c.origId = 2; });
    QTest::newRow("a service block starts from defaults")
        << QByteArray("transport-stream { service { id = 4; pmt-enabled = no; ca { ca-id = 5; } "
                      "element { pid = 3; } } service { } }")
        << doc([](TransportStreamCfg &c) {
               ServiceCfg s = service(4);
               s.pmtEnabled = false;
               s.caEnabled = true;
               s.caId = 5;
               ESCfg e;
               e.pid = 3;
               s.elements = {e};
               c.services = {s, ServiceCfg()};
           });
    QTest::newRow("CR LF line ends")
        << dataFile("example.mux").replace("\n", "\r\n") << exampleDocument();
    QTest::newRow("UTF-8 byte order mark")
        << QByteArray("\xEF\xBB\xBFtransport-stream { id = 3; }")
        << doc([](TransportStreamCfg &c) { c.id = 3; });
}

void TestCfgReader::accepts()
{
    QFETCH(QByteArray, input);
    QFETCH(TransportStreamCfg, expected);
    CfgReader reader;
    TransportStreamCfg cfg = sentinel();
    StderrCapture capture;
    const bool ok = reader.parseData(input, &cfg);
    const QByteArray diagnostics = capture.finish();
    QVERIFY2(ok, qPrintable(QStringLiteral("%1:%2: %3")
                                .arg(reader.errorLine())
                                .arg(reader.errorColumn())
                                .arg(reader.errorString())));
    QVERIFY2(diagnostics.isEmpty(), diagnostics.constData());
    COMPARE_DOCUMENTS(cfg, expected);
}

void TestCfgReader::rejects_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("diagnostic");
    QTest::addColumn<int>("line");   // 0: not checked
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("reason");

    // Faults that write the one-line diagnostic.
    QTest::newRow("pat-time 24")
        << QByteArray("transport-stream {\n\tpat-time = 24;\n}\n") << true << 2 << 13
        << QStringLiteral("value 24 is out of range 25..500 for 'pat-time'");
    QTest::newRow("pat-time 501")
        << QByteArray("transport-stream {\n\tpat-time = 501;\n}\n") << true << 2 << 13
        << QStringLiteral("value 501 is out of range 25..500 for 'pat-time'");
    QTest::newRow("08 is no number")
        << QByteArray("transport-stream { pat-time = 08; }") << true << 1 << 31
        << QStringLiteral("value '08' of 'pat-time' is not a number");
    QTest::newRow("number beyond 32 bits")
        << QByteArray("transport-stream { id = 4294967296; }") << true << 0 << 0
        << QStringLiteral("is not a number");
    QTest::newRow("pmt-pid 8191")
        << QByteArray("transport-stream { service { pmt-pid = 8191; } }") << true << 0 << 0
        << QStringLiteral("out of range 0..8190");
    QTest::newRow("0xFF after a number is no end of file")
        << QByteArray("transport-stream { id = 1\xFF; }") << true << 0 << 0
        << QStringLiteral("is not a number");
    QTest::newRow("NUL after a number is no end of file")
        << bytes("transport-stream { id = 1\0; }") << true << 0 << 0
        << QStringLiteral("is not a number");
    QTest::newRow("block inside the stream's ca")
        << QByteArray("transport-stream { ca { filter { } } }") << true << 1 << 25
        << QStringLiteral("block 'filter' cannot stand inside 'ca'");
    QTest::newRow("element inside a filter")
        << QByteArray("transport-stream { filter { element { } } }") << true << 0 << 0
        << QStringLiteral("block 'element' cannot stand inside 'filter'");
    QTest::newRow("block inside a service's ca")
        << QByteArray("transport-stream { service { ca { ca { } } } }") << true << 0 << 0
        << QStringLiteral("cannot stand inside 'ca'");
    QTest::newRow("block inside logical-channel")
        << QByteArray("transport-stream { service { logical-channel { x { } } } }") << true << 0 << 0
        << QStringLiteral("cannot stand inside 'logical-channel'");
    QTest::newRow("block inside element")
        << QByteArray("transport-stream { service { element { element { } } } }") << true << 0 << 0
        << QStringLiteral("cannot stand inside 'element'");
    QTest::newRow("closing brace at the top level")
        << QByteArray("transport-stream {\n}\n}\n") << true << 3 << 1
        << QStringLiteral("'}' without an open block");
    QTest::newRow("semicolon after a closing brace")
        << QByteArray("transport-stream {\n\tservice {\n\t};\n}\n") << true << 3 << 3
        << QStringLiteral("unexpected ';'");
    QTest::newRow("key and value without '='")
        << QByteArray("transport-stream {\n\tid 5;\n}\n") << true << 2 << 5
        << QStringLiteral("expected '=' or '{' after 'id'");
    QTest::newRow("quoted brace is text, not syntax")
        << QByteArray("transport-stream {\n'}'\n") << true << 0 << 0
        << QStringLiteral("expected '=' or '{' after '}'");
    QTest::newRow("empty quoted string after the block is no end of input")
        << QByteArray("transport-stream { } '' x\n") << true << 1 << 25
        << QStringLiteral("expected '=' or '{' after ''");

    // Faults that fail quietly.
    QTest::newRow("empty file") << QByteArray() << false << 1 << 1 << QStringLiteral("empty file");
    QTest::newRow("white space only")
        << QByteArray(" \n\t\r\n") << false << 3 << 1 << QStringLiteral("empty file");
    QTest::newRow("a single token")
        << QByteArray("transport-stream\n") << false << 2 << 1
        << QStringLiteral("the file ends after 'transport-stream'");
    QTest::newRow("service at the top level")
        << QByteArray("service {\n}\n") << false << 1 << 1
        << QStringLiteral("unknown block 'service' at the top level");
    QTest::newRow("unknown block in transport-stream")
        << QByteArray("transport-stream { foo { } }") << false << 1 << 20
        << QStringLiteral("unknown block 'foo' in block 'transport-stream'");
    QTest::newRow("filter inside a service")
        << QByteArray("transport-stream { service { filter { } } }") << false << 0 << 0
        << QStringLiteral("unknown block 'filter' in block 'service'");
    QTest::newRow("unknown key")
        << QByteArray("transport-stream {\n\tservice {\n\t\tfoo = 1;\n\t}\n}\n") << false << 3 << 3
        << QStringLiteral("unknown key 'foo' in block 'service'");
    QTest::newRow("keys are compared with case")
        << QByteArray("transport-stream { ID = 1; }") << false << 0 << 0
        << QStringLiteral("unknown key 'ID' in block 'transport-stream'");
    QTest::newRow("ecm-pid in the stream's ca")
        << QByteArray("transport-stream { ca { ecm-pid = 1; } }") << false << 0 << 0
        << QStringLiteral("unknown key 'ecm-pid' in block 'ca'");
    QTest::newRow("emm-pid in a service's ca")
        << QByteArray("transport-stream { service { ca { emm-pid = 1; } } }") << false << 0 << 0
        << QStringLiteral("unknown key 'emm-pid' in block 'ca'");
    QTest::newRow("teletext page has no key")
        << QByteArray("transport-stream { service { element { teletext-page = 100; } } }") << false
        << 0 << 0 << QStringLiteral("unknown key");
    QTest::newRow("assignment at the top level")
        << QByteArray("id = 5;\ntransport-stream { }\n") << false << 1 << 1
        << QStringLiteral("key 'id' outside any block");
    QTest::newRow("missing value")
        << QByteArray("transport-stream { id = ; }") << false << 1 << 25
        << QStringLiteral("expected a value after 'id ='");
    QTest::newRow("unquoted text with a blank")
        << QByteArray("transport-stream {\n\tnet-name = Example Net;\n}\n") << false << 2 << 21
        << QStringLiteral("expected ';' after the value of 'net-name'");
    QTest::newRow("range check comes after the ';' check")
        << QByteArray("transport-stream { pat-time = 1 }") << false << 0 << 0
        << QStringLiteral("expected ';' after the value of 'pat-time'");
    QTest::newRow("boolean 'on'")
        << QByteArray("transport-stream { pat-enabled = on; }") << false << 1 << 34
        << QStringLiteral("value 'on' of 'pat-enabled' is not a boolean");
    QTest::newRow("end of file inside transport-stream")
        << QByteArray("transport-stream {\n\tid = 5;\n") << false << 3 << 1
        << QStringLiteral("end of file inside block 'transport-stream'");
    QTest::newRow("end of file after a service")
        << QByteArray("transport-stream {\n\tservice {\n\t}") << false << 0 << 0
        << QStringLiteral("end of file inside block 'transport-stream'");
    QTest::newRow("end of file after '='")
        << QByteArray("transport-stream { id =") << false << 0 << 0
        << QStringLiteral("end of file after 'id ='");
    QTest::newRow("end of file inside a quoted string")
        << QByteArray("transport-stream {\n\tnet-name = 'abc;\n}\n") << false << 2 << 13
        << QStringLiteral("end of file inside a quoted string");
    QTest::newRow("unterminated quote after the block")
        << QByteArray("transport-stream { }\n'abc") << false << 2 << 1
        << QStringLiteral("end of file inside a quoted string");
    QTest::newRow("word cut off by the end of the file")
        << QByteArray("transport-stream {\n}\nx") << false << 3 << 1
        << QStringLiteral("unexpected text at the end of the file");
    QTest::newRow("another block after transport-stream")
        << QByteArray("transport-stream { }\nservice { }\n") << false << 2 << 1
        << QStringLiteral("unknown block 'service' at the top level");
}

void TestCfgReader::rejects()
{
    QFETCH(QByteArray, input);
    QFETCH(bool, diagnostic);
    QFETCH(int, line);
    QFETCH(int, column);
    QFETCH(QString, reason);

    CfgReader reader;
    TransportStreamCfg cfg = sentinel();
    StderrCapture capture;
    const bool ok = reader.parseData(input, &cfg);
    const QByteArray diagnostics = capture.finish();

    QVERIFY(!ok);
    COMPARE_DOCUMENTS(cfg, sentinel());
    QVERIFY2(reader.errorString().contains(reason),
             qPrintable(QStringLiteral("reason '%1'").arg(reader.errorString())));
    if (line) {
        QCOMPARE(reader.errorLine(), line);
        QCOMPARE(reader.errorColumn(), column);
    } else {
        QVERIFY(reader.errorLine() >= 1);
        QVERIFY(reader.errorColumn() >= 1);
    }
    if (diagnostic) {
        // Exactly one line: the reader's source file, a colon and a line number.
        QCOMPARE(diagnostics.count('\n'), 1);
        QVERIFY2(diagnostics.endsWith('\n'), diagnostics.constData());
        const QByteArray text = diagnostics.chopped(1);
        const qsizetype colon = text.lastIndexOf(':');
        QVERIFY2(colon > 0, text.constData());
        QVERIFY2(text.left(colon).endsWith("cfgreader.cpp"), text.constData());
        bool numeric = false;
        QVERIFY(text.mid(colon + 1).toInt(&numeric) > 0 && numeric);
    } else {
        QVERIFY2(diagnostics.isEmpty(), diagnostics.constData());
    }
}

void TestCfgReader::keyRanges_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QByteArray>("writtenLine");

    struct Context {
        const char *name;
        const char *before;
        const char *after;
        int level;
    };
    const Context stream{"transport-stream", "transport-stream {\n", "}\n", 1};
    const Context streamCa{"stream ca", "transport-stream {\nca {\n", "}\n}\n", 2};
    // action = 1 first, so that new-base is written back.
    const Context filter{"filter", "transport-stream {\nfilter {\naction = 1;\n", "}\n}\n", 2};
    const Context svc{"service", "transport-stream {\nservice {\n", "}\n}\n", 2};
    const Context serviceCa{"service ca", "transport-stream {\nservice {\nca {\n", "}\n}\n}\n", 3};
    const Context lc{"logical-channel", "transport-stream {\nservice {\nlogical-channel {\n",
                     "}\n}\n}\n", 3};
    const Context element{"element", "transport-stream {\nservice {\nelement {\n", "}\n}\n}\n", 3};

    struct Range {
        const Context *context;
        const char *key;
        qint32 min;
        qint32 max;
    };
    const Range ranges[] = {
        {&stream, "id", 0, 65535}, {&stream, "orig-id", 0, 65535}, {&stream, "net-id", 0, 65535},
        {&stream, "pat-time", 25, 500}, {&stream, "nit-time", 25, 10000},
        {&stream, "sdt-time", 25, 2000}, {&stream, "eit-time", 25, 2000},
        {&stream, "pmt-time", 25, 500}, {&stream, "tdt-time", 25, 30000},
        {&stream, "filter-default", 0, 2},
        {&streamCa, "ca-id", 0, 65535}, {&streamCa, "emm-pid", 0, 8190},
        {&filter, "match", 0, 1}, {&filter, "input", 0, 4}, {&filter, "a", 0, 8191},
        {&filter, "b", 0, 8191}, {&filter, "action", 0, 2}, {&filter, "new-base", 0, 8191},
        {&svc, "id", 0, 65535}, {&svc, "type", 0, 65535}, {&svc, "pmt-pid", 0, 8190},
        {&svc, "pcr-pid", 0, 8190},
        {&serviceCa, "ca-id", 0, 65535}, {&serviceCa, "ecm-pid", 0, 8190},
        {&lc, "number", 0, 999},
        {&element, "type", 0, 65535}, {&element, "pid", 0, 8190},
    };
    for (const Range &r : ranges) {
        auto row = [&](const char *what, const QByteArray &text, qint64 value, bool accepted) {
            const QByteArray input = QByteArray(r.context->before) + r.key + " = " + text + ";\n"
                + r.context->after;
            const QByteArray line = QByteArray(r.context->level, '\t') + r.key + " = "
                + QByteArray::number(value) + ";\n";
            QTest::addRow("%s %s %s", r.context->name, r.key, what) << input << accepted << line;
        };
        row("min", QByteArray::number(r.min), r.min, true);
        row("max", QByteArray::number(r.max), r.max, true);
        row("max in hex", "0x" + QByteArray::number(r.max, 16), r.max, true);
        row("min-1", QByteArray::number(qint64(r.min) - 1), 0, false);
        row("max+1", QByteArray::number(qint64(r.max) + 1), 0, false);
    }
}

void TestCfgReader::keyRanges()
{
    QFETCH(QByteArray, input);
    QFETCH(bool, accepted);
    QFETCH(QByteArray, writtenLine);

    CfgReader reader;
    TransportStreamCfg cfg = sentinel();
    StderrCapture capture;
    const bool ok = reader.parseData(input, &cfg);
    const QByteArray diagnostics = capture.finish();
    QCOMPARE(ok, accepted);
    if (accepted) {
        QVERIFY(diagnostics.isEmpty());
        // The value reached the field that the writer prints under the same key.
        const QByteArray text = CfgWriter::toText(cfg);
        QVERIFY2(text.contains("\n" + writtenLine), text.constData());
    } else {
        QCOMPARE(diagnostics.count('\n'), 1);
        QVERIFY2(reader.errorString().contains(QLatin1String("out of range")),
                 qPrintable(reader.errorString()));
        COMPARE_DOCUMENTS(cfg, sentinel());
    }
}

void TestCfgReader::encoding_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("UTF-8") << QByteArray("'Caf\xC3\xA9 \xE6\x97\xA5\xF0\x9F\x98\x80'")
                           << QString::fromUtf8("Café 日😀");
    QTest::newRow("Latin-1 from an older tool") << QByteArray("'Caf\xE9 M\xFCnchen'")
                                                << QStringLiteral("Caf\u00e9 M\u00fcnchen");
    QTest::newRow("one stray byte makes the whole value Latin-1")
        << QByteArray("'\xC3\xA9\xE9'") << QStringLiteral("\u00c3\u00a9\u00e9");
    QTest::newRow("NUL inside quotes") << bytes("'a\0b'") << QStringView(u"a\0b", 3).toString();
    QTest::newRow("0xFF inside quotes") << QByteArray("'a\xFF;b'") << QStringLiteral("a\u00ff;b");
    QTest::newRow("NUL and 0xFF together") << bytes("'\0\xFFz'")
                                           << QStringView(u"\0\u00ffz", 3).toString();
    QTest::newRow("0xFF in a bare word") << QByteArray("\xFF\xFE") << QStringLiteral("\u00ff\u00fe");
}

void TestCfgReader::encoding()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, expected);
    const QByteArray input = "transport-stream { net-name = " + value + "; service { event-text = "
        + value + "; } }";
    CfgReader reader;
    TransportStreamCfg cfg;
    QVERIFY2(reader.parseData(input, &cfg), qPrintable(reader.errorString()));
    QCOMPARE(cfg.netName, expected);
    QCOMPARE(cfg.services.size(), 1);
    QCOMPARE(cfg.services.first().eventText, expected);

    // Written as UTF-8 and read back to the same characters.
    TransportStreamCfg again;
    QVERIFY2(reader.parseData(CfgWriter::toText(cfg), &again), qPrintable(reader.errorString()));
    QCOMPARE(again.netName, expected);
    QVERIFY(CfgWriter::toText(cfg).contains(expected.toUtf8()));
}

void TestCfgReader::moreServicesThanTheEditorAdds()
{
    QByteArray input = "transport-stream {\n";
    for (int i = 1; i <= 40; ++i)
        input += "service { id = " + QByteArray::number(i) + "; }\n";
    input += "}\n";
    CfgReader reader;
    TransportStreamCfg cfg;
    QVERIFY(reader.parseData(input, &cfg));
    QCOMPARE(cfg.services.size(), 40);
    QCOMPARE(cfg.services.last().id, quint16(40));
}

QTEST_GUILESS_MAIN(TestCfgReader)
#include "test_cfgreader.moc"
