#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include "config/cfgreader.h"
#include "tests/config/cfgtesthelpers.h"

Q_DECLARE_METATYPE(TransportStreamCfg)

namespace {

template <std::size_t N>
QByteArray bytes(const char (&text)[N])
{
    return QByteArray(text, qsizetype(N - 1)); // keeps embedded NUL bytes
}

// The default document changed by edit.
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

// What parse() must leave behind on every failure.
TransportStreamCfg sentinel()
{
    TransportStreamCfg c = exampleDocument();
    c.netName = QStringLiteral("untouched");
    return c;
}

// Parses with stderr captured (the reader must print nothing); returns
// whether parse succeeded.
bool parseCaptured(CfgReader &reader, const QByteArray &input, TransportStreamCfg *cfg, QByteArray *printed)
{
    StderrCapture capture;
    const bool ok = reader.parseData(input, cfg);
    *printed = capture.finish();
    return ok;
}

} // namespace

class TestCfgReader : public QObject
{
    Q_OBJECT

private slots:
    void goldenFilesReadAndWriteBack_data();
    void goldenFilesReadAndWriteBack();
    void openFailures();
    void accepts_data();
    void accepts();
    void rejects_data();
    void rejects();
    void keyRanges_data();
    void keyRanges();
    void encoding_data();
    void encoding();
    void sourceLines_data();
    void sourceLines();
    void sourceLinesClearedByFailure();
};

void TestCfgReader::goldenFilesReadAndWriteBack_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<TransportStreamCfg>("expected");
    QTest::addColumn<int>("lines");
    QTest::newRow("example.mux") << QStringLiteral("example.mux") << exampleDocument() << 0;
    QTest::newRow("default.mux, 19 lines") << QStringLiteral("default.mux") << TransportStreamCfg() << 19;
}

void TestCfgReader::goldenFilesReadAndWriteBack()
{
    QFETCH(QString, file);
    QFETCH(TransportStreamCfg, expected);
    QFETCH(int, lines);
    const QString name = QStringLiteral(VELUNOR_TEST_DATA "/") + file;
    CfgReader reader;
    QVERIFY2(reader.open(name), qPrintable(reader.errorString()));
    TransportStreamCfg cfg = sentinel();
    QVERIFY2(reader.parse(&cfg), qPrintable(reader.errorString()));
    COMPARE_DOCUMENTS(cfg, expected);
    COMPARE_BYTES(CfgWriter::toText(cfg), readWholeFile(name));
    if (lines)
        QCOMPARE(readWholeFile(name).count('\n'), lines);
}

void TestCfgReader::openFailures()
{
    QTemporaryDir dir;
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
    auto row = [](const char *name, const QByteArray &input, const std::function<void(TransportStreamCfg &)> &edit) {
        QTest::newRow(name) << input << doc(edit);
    };
    auto netName = [](const QString &name) { return [name](TransportStreamCfg &c) { c.netName = name; }; };
    const auto same = [](TransportStreamCfg &) {};

    row("empty transport-stream block is the default document", "transport-stream {\n}\n", same);
    row("no white space at all", "transport-stream{id=5;service{id=3;}}",
        [](TransportStreamCfg &c) { c.id = 5; c.services = {service(3)}; });
    row("booleans in any case, quoted or bare, true and 1",
        "transport-stream { pat-enabled = Yes; sdt-enabled = FaLsE; nit-enabled = disabled; eit-enabled = 0; "
        "tdt-enabled = NO; real-tdt = ' ENABLED '; playout-timings = 1; }",
        [](TransportStreamCfg &c) {
            c.sdtEnabled = c.nitEnabled = c.eitEnabled = c.tdtEnabled = false;
            c.realTdt = c.playoutTimings = true;
        });
    row("v2-features sets playout-timings", "transport-stream { v2-features = yes; }",
        [](TransportStreamCfg &c) { c.playoutTimings = true; });
    row("quoted key and block name", "transport-stream { 'id' = 7; 'service' { 'id' = 9; } }",
        [](TransportStreamCfg &c) { c.id = 7; c.services = {service(9)}; });
    row("hexadecimal, octal, quoted with blanks and plus sign",
        "transport-stream { pat-time = 0x1F4; pmt-time = 0764; sdt-time = 0100; nit-time = ' +30 '; }",
        [](TransportStreamCfg &c) { c.patTime = 500; c.pmtTime = 500; c.sdtTime = 64; c.nitTime = 30; });
    row("escaped quote", "transport-stream { net-name = 'o\\'clock'; }", netName(QStringLiteral("o'clock")));
    row("backslash pair is one backslash", "transport-stream { net-name = 'a\\\\b'; }", netName(QStringLiteral("a\\b")));
    row("backslash before another letter stays", "transport-stream { net-name = 'a\\nb'; }",
        netName(QStringLiteral("a\\nb")));
    row("backslash pair before the closing quote", "transport-stream { net-name = 'a\\\\'; }",
        netName(QStringLiteral("a\\")));
    row("text loses outer blanks", "transport-stream { net-name = '  News  '; }", netName(QStringLiteral("News")));
    row("line breaks and punctuation inside quotes", "transport-stream { net-name = 'a\r\n{b;c=d}'; }",
        netName(QStringLiteral("a\r\n{b;c=d}")));
    row("quote inside a bare word", "transport-stream { net-name = it's; }", netName(QStringLiteral("it's")));
    row("key given twice keeps the last value", "transport-stream { id = 1; id = 2; }",
        [](TransportStreamCfg &c) { c.id = 2; });
    row("empty ca and logical-channel blocks set only their flags",
        "transport-stream { service { ca { } logical-channel { } } }", [](TransportStreamCfg &c) {
            c.services = {ServiceCfg()};
            c.services[0].caEnabled = c.services[0].lcEnabled = true;
        });
    row("remap without new-base gets 4096", "transport-stream { filter { action = 1; } }",
        [](TransportStreamCfg &c) { c.filters = {FilterCfg()}; c.filters[0].action = ActionRemap; });
    row("elements and services keep file order",
        "transport-stream { service { id = 2; element { pid = 20; } element { pid = 10; type = 2; language = deu; "
        "} } service { id = 1; } }",
        [](TransportStreamCfg &c) {
            c.services = {service(2), service(1)};
            c.services[0].elements = {ESCfg{EsMpeg2Video, 20, {}}, ESCfg{EsTeletext, 10, QStringLiteral("deu")}};
        });
    row("second transport-stream block replaces the first",
        "transport-stream { id = 1; net-name = first; service { id = 4; } filter { } }\n"
        "transport-stream { orig-id = 2; }\n",
        [](TransportStreamCfg &c) { c.origId = 2; });
    row("a service block starts from defaults",
        "transport-stream { service { id = 4; pmt-enabled = no; ca { ca-id = 5; } } service { } }",
        [](TransportStreamCfg &c) {
            ServiceCfg s = service(4);
            s.pmtEnabled = false;
            s.caEnabled = true;
            s.caId = 5;
            c.services = {s, ServiceCfg()};
        });
    QByteArray many = "transport-stream {\n";
    for (int i = 1; i <= 40; ++i)
        many += "service { id = " + QByteArray::number(i) + "; }\n";
    row("more services than the editor adds", many + "}\n", [](TransportStreamCfg &c) {
        for (int i = 1; i <= 40; ++i)
            c.services.append(service(quint16(i)));
    });
    QTest::newRow("CR LF line ends") << testData(QStringLiteral("example.mux")).replace("\n", "\r\n")
                                     << exampleDocument();
    row("UTF-8 byte order mark", "\xEF\xBB\xBFtransport-stream { id = 3; }", [](TransportStreamCfg &c) { c.id = 3; });
}

void TestCfgReader::accepts()
{
    QFETCH(QByteArray, input);
    QFETCH(TransportStreamCfg, expected);
    CfgReader reader;
    TransportStreamCfg cfg = sentinel();
    QByteArray diagnostics;
    QVERIFY2(parseCaptured(reader, input, &cfg, &diagnostics),
             qPrintable(QStringLiteral("%1:%2: %3").arg(reader.errorLine()).arg(reader.errorColumn()).arg(reader.errorString())));
    QVERIFY2(diagnostics.isEmpty(), diagnostics.constData());
    COMPARE_DOCUMENTS(cfg, expected);
}

void TestCfgReader::rejects_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("diagnostic"); // the "file:line" the callers print
    QTest::addColumn<int>("line");        // 0: not checked
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("reason");
    auto row = [](const char *name, const QByteArray &input, bool diagnostic, int line, int column, const char *reason) {
        QTest::newRow(name) << input << diagnostic << line << column << QString::fromUtf8(reason);
    };

    row("pat-time 24", "transport-stream {\n\tpat-time = 24;\n}\n", true, 2, 13,
        "value 24 is out of range 25..500 for 'pat-time'");
    row("08 is no number", "transport-stream { pat-time = 08; }", true, 1, 31, "value '08' of 'pat-time' is not a number");
    row("number beyond 32 bits", "transport-stream { id = 4294967296; }", true, 0, 0, "is not a number");
    row("0xFF after a number is no end of file", "transport-stream { id = 1\xFF; }", true, 0, 0, "is not a number");
    row("NUL after a number is no end of file", bytes("transport-stream { id = 1\0; }"), true, 0, 0, "is not a number");
    row("block inside the stream's ca", "transport-stream { ca { filter { } } }", true, 1, 25,
        "block 'filter' cannot stand inside 'ca'");
    row("element inside a filter", "transport-stream { filter { element { } } }", true, 0, 0,
        "block 'element' cannot stand inside 'filter'");
    row("block inside logical-channel", "transport-stream { service { logical-channel { x { } } } }", true, 0, 0,
        "cannot stand inside 'logical-channel'");
    row("block inside element", "transport-stream { service { element { element { } } } }", true, 0, 0,
        "cannot stand inside 'element'");
    row("closing brace at the top level", "transport-stream {\n}\n}\n", true, 3, 1, "'}' without an open block");
    row("semicolon after a closing brace", "transport-stream {\n\tservice {\n\t};\n}\n", true, 3, 3, "unexpected ';'");
    row("key and value without '='", "transport-stream {\n\tid 5;\n}\n", true, 2, 5, "expected '=' or '{' after 'id'");
    row("quoted brace is text, not syntax", "transport-stream {\n'}'\n", true, 0, 0, "expected '=' or '{' after '}'");
    row("empty quoted string after the block is no end of input", "transport-stream { } '' x\n", true, 1, 25,
        "expected '=' or '{' after ''");

    row("empty file", QByteArray(), false, 1, 1, "empty file");
    row("white space only", " \n\t\r\n", false, 3, 1, "empty file");
    row("a single token", "transport-stream\n", false, 2, 1, "the file ends after 'transport-stream'");
    row("service at the top level", "service {\n}\n", false, 1, 1, "unknown block 'service' at the top level");
    row("unknown block in transport-stream", "transport-stream { foo { } }", false, 1, 20,
        "unknown block 'foo' in block 'transport-stream'");
    row("filter inside a service", "transport-stream { service { filter { } } }", false, 0, 0,
        "unknown block 'filter' in block 'service'");
    row("unknown key", "transport-stream {\n\tservice {\n\t\tfoo = 1;\n\t}\n}\n", false, 3, 3,
        "unknown key 'foo' in block 'service'");
    row("keys are compared with case", "transport-stream { ID = 1; }", false, 0, 0,
        "unknown key 'ID' in block 'transport-stream'");
    row("ecm-pid in the stream's ca", "transport-stream { ca { ecm-pid = 1; } }", false, 0, 0,
        "unknown key 'ecm-pid' in block 'ca'");
    row("emm-pid in a service's ca", "transport-stream { service { ca { emm-pid = 1; } } }", false, 0, 0,
        "unknown key 'emm-pid' in block 'ca'");
    row("teletext page has no key", "transport-stream { service { element { teletext-page = 100; } } }", false, 0, 0,
        "unknown key");
    row("assignment at the top level", "id = 5;\ntransport-stream { }\n", false, 1, 1, "key 'id' outside any block");
    row("missing value", "transport-stream { id = ; }", false, 1, 25, "expected a value after 'id ='");
    row("unquoted text with a blank", "transport-stream {\n\tnet-name = Example Net;\n}\n", false, 2, 21,
        "expected ';' after the value of 'net-name'");
    row("range check comes after the ';' check", "transport-stream { pat-time = 1 }", false, 0, 0,
        "expected ';' after the value of 'pat-time'");
    row("boolean 'on'", "transport-stream { pat-enabled = on; }", false, 1, 34,
        "value 'on' of 'pat-enabled' is not a boolean");
    row("end of file inside transport-stream", "transport-stream {\n\tid = 5;\n", false, 3, 1,
        "end of file inside block 'transport-stream'");
    row("end of file after '='", "transport-stream { id =", false, 0, 0, "end of file after 'id ='");
    row("end of file inside a quoted string", "transport-stream {\n\tnet-name = 'abc;\n}\n", false, 2, 13,
        "end of file inside a quoted string");
    row("word cut off by the end of the file", "transport-stream {\n}\nx", false, 3, 1,
        "unexpected text at the end of the file");
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
    QByteArray diagnostics;
    QVERIFY(!parseCaptured(reader, input, &cfg, &diagnostics));
    QVERIFY2(diagnostics.isEmpty(), diagnostics.constData());
    COMPARE_DOCUMENTS(cfg, sentinel());
    QVERIFY2(reader.errorString().contains(reason), qPrintable(reader.errorString()));
    QCOMPARE(reader.errorLine() >= 1 && reader.errorColumn() >= 1, true);
    if (line) {
        QCOMPARE(reader.errorLine(), line);
        QCOMPARE(reader.errorColumn(), column);
    }
    const QByteArray text = reader.diagnostic();
    QCOMPARE(!text.isEmpty(), diagnostic);
    if (!diagnostic)
        return;
    // One line: the reader's source file, a colon and a line number.
    QVERIFY2(!text.contains('\n'), text.constData());
    const qsizetype colon = text.lastIndexOf(':');
    QVERIFY2(colon > 0 && text.left(colon).endsWith("cfgreader.cpp"), text.constData());
    bool numeric = false;
    QVERIFY2(text.mid(colon + 1).toInt(&numeric) > 0 && numeric, text.constData());
}

// Every key at both ends of its range, one past each end, and the top in hex.
void TestCfgReader::keyRanges_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QByteArray>("writtenLine");
    struct Context {
        const char *name, *before, *after;
        int level;
    };
    const Context stream{"transport-stream", "transport-stream {\n", "}\n", 1};
    const Context streamCa{"stream ca", "transport-stream {\nca {\n", "}\n}\n", 2};
    // action = 1 first, so that new-base is written back.
    const Context filter{"filter", "transport-stream {\nfilter {\naction = 1;\n", "}\n}\n", 2};
    const Context svc{"service", "transport-stream {\nservice {\n", "}\n}\n", 2};
    const Context serviceCa{"service ca", "transport-stream {\nservice {\nca {\n", "}\n}\n}\n", 3};
    const Context lc{"logical-channel", "transport-stream {\nservice {\nlogical-channel {\n", "}\n}\n}\n", 3};
    const Context element{"element", "transport-stream {\nservice {\nelement {\n", "}\n}\n}\n", 3};
    struct Range {
        const Context *context;
        const char *key;
        qint32 min, max;
    };
    const Range ranges[] = {
        {&stream, "id", 0, 65535}, {&stream, "orig-id", 0, 65535}, {&stream, "net-id", 0, 65535},
        {&stream, "pat-time", 25, 500}, {&stream, "nit-time", 25, 10000}, {&stream, "sdt-time", 25, 2000},
        {&stream, "eit-time", 25, 2000}, {&stream, "pmt-time", 25, 500}, {&stream, "tdt-time", 25, 30000},
        {&stream, "filter-default", 0, 2}, {&streamCa, "ca-id", 0, 65535}, {&streamCa, "emm-pid", 0, 8190},
        {&filter, "match", 0, 1}, {&filter, "input", 0, 4}, {&filter, "a", 0, 8191}, {&filter, "b", 0, 8191},
        {&filter, "action", 0, 2}, {&filter, "new-base", 0, 8191}, {&svc, "id", 0, 65535},
        {&svc, "type", 0, 65535}, {&svc, "pmt-pid", 0, 8190}, {&svc, "pcr-pid", 0, 8190},
        {&serviceCa, "ca-id", 0, 65535}, {&serviceCa, "ecm-pid", 0, 8190}, {&lc, "number", 0, 999},
        {&element, "type", 0, 65535}, {&element, "pid", 0, 8190},
    };
    for (const Range &r : ranges) {
        auto row = [&](const char *what, const QByteArray &text, qint64 value, bool accepted) {
            const QByteArray input = r.context->before + QByteArray(r.key) + " = " + text + ";\n" + r.context->after;
            const QByteArray line = QByteArray(r.context->level, '\t') + r.key + " = " + QByteArray::number(value) + ";\n";
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
    QByteArray diagnostics;
    QCOMPARE(parseCaptured(reader, input, &cfg, &diagnostics), accepted);
    if (accepted) {
        QVERIFY(diagnostics.isEmpty());
        // The value reached the field that the writer prints under the same key.
        const QByteArray text = CfgWriter::toText(cfg);
        QVERIFY2(text.contains("\n" + writtenLine), text.constData());
    } else {
        QVERIFY(diagnostics.isEmpty() && !reader.diagnostic().isEmpty());
        QVERIFY2(reader.errorString().contains(QLatin1String("out of range")), qPrintable(reader.errorString()));
        COMPARE_DOCUMENTS(cfg, sentinel());
    }
}

void TestCfgReader::encoding_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("UTF-8") << QByteArray("'Caf\xC3\xA9 \xE6\x97\xA5\xF0\x9F\x98\x80'") << QString::fromUtf8("Café 日😀");
    QTest::newRow("Latin-1 from an older tool") << QByteArray("'Caf\xE9 M\xFCnchen'")
                                                << QStringLiteral("Caf\u00e9 M\u00fcnchen");
    QTest::newRow("one stray byte makes the whole value Latin-1") << QByteArray("'\xC3\xA9\xE9'")
                                                                  << QStringLiteral("\u00c3\u00a9\u00e9");
    QTest::newRow("NUL inside quotes") << bytes("'a\0b'") << QStringView(u"a\0b", 3).toString();
    QTest::newRow("0xFF inside quotes") << QByteArray("'a\xFF;b'") << QStringLiteral("a\u00ff;b");
    QTest::newRow("NUL and 0xFF together") << bytes("'\0\xFFz'") << QStringView(u"\0\u00ffz", 3).toString();
    QTest::newRow("0xFF in a bare word") << QByteArray("\xFF\xFE") << QStringLiteral("\u00ff\u00fe");
    QTest::newRow("U+FEFF inside a value") << QByteArray("'a \xEF\xBB\xBF b'") << QStringLiteral("a \ufeff b");
    QTest::newRow("U+FEFF at the start of a value") << QByteArray("\xEF\xBB\xBFName") << QStringLiteral("\ufeffName");
    QTest::newRow("U+FEFF after blanks at the start") << QByteArray("' \xEF\xBB\xBFh'") << QStringLiteral("\ufeffh");
}

void TestCfgReader::encoding()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, expected);
    const QByteArray input = "transport-stream { net-name = " + value + "; service { event-text = " + value + "; } }";
    CfgReader reader;
    TransportStreamCfg cfg;
    QVERIFY2(reader.parseData(input, &cfg), qPrintable(reader.errorString()));
    QCOMPARE(cfg.netName, expected);
    QCOMPARE(cfg.services.value(0).eventText, expected);
    // Written as UTF-8 and read back to the same characters.
    TransportStreamCfg again;
    QVERIFY(CfgWriter::toText(cfg).contains(expected.toUtf8()));
    QVERIFY2(reader.parseData(CfgWriter::toText(cfg), &again), qPrintable(reader.errorString()));
    QCOMPARE(again.netName, expected);
}

namespace {

// Block lines in one line of text, so that a mismatch shows where.
QString linesText(const CfgSourceLines &l)
{
    auto list = [](const QList<int> &v) {
        QStringList parts;
        for (int n : v)
            parts << QString::number(n);
        return u'[' + parts.join(u' ') + u']';
    };
    QStringList elements;
    for (const QList<int> &e : l.elements)
        elements << list(e);
    return QStringLiteral("stream %1, ca %2, filters %3, services %4, service ca %5, channels %6, elements [%7]")
        .arg(l.stream)
        .arg(l.streamCa)
        .arg(list(l.filters), list(l.services), list(l.serviceCa), list(l.logicalChannels),
             elements.join(u' '));
}

} // namespace

void TestCfgReader::sourceLines_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("expected");
    const QByteArray example = testData(QStringLiteral("example.mux"));
    const QString exampleLines = QStringLiteral(
        "stream 1, ca 6, filters [24], services [32], service ca [42], channels [46], elements [[51 55]]");
    QTest::newRow("example.mux") << example << exampleLines;
    QTest::newRow("CR LF line ends") << QByteArray(example).replace("\n", "\r\n") << exampleLines;
    QTest::newRow("byte order mark, all on one line")
        << QByteArray("\xEF\xBB\xBFtransport-stream { filter { } service { element { } ca { } } }")
        << QStringLiteral("stream 1, ca 0, filters [1], services [1], service ca [1], channels [0], elements [[1]]");
    QTest::newRow("the line of the block name, not of its brace")
        << QByteArray("transport-stream\n{\n\tservice\n\n{ logical-channel\n{ } }\n}\n")
        << QStringLiteral("stream 1, ca 0, filters [], services [3], service ca [0], channels [5], elements [[]]");
    QTest::newRow("line ends inside quoted text count")
        << QByteArray("transport-stream {\n net-name = 'two\nlines';\n service { event-text = 'a\n\nb'; element { } }\n"
                      " service { }\n}\n")
        << QStringLiteral("stream 1, ca 0, filters [], services [4 7], service ca [0 0], channels [0 0], "
                          "elements [[6] []]");
    QTest::newRow("a repeated ca block keeps the first line")
        << QByteArray("transport-stream {\n ca { }\n ca { }\n service {\n ca { }\n ca { }\n }\n}\n")
        << QStringLiteral("stream 1, ca 2, filters [], services [4], service ca [5], channels [0], elements [[]]");
    QTest::newRow("a second transport-stream block starts over")
        << QByteArray("transport-stream {\n service { }\n filter { }\n}\ntransport-stream {\n filter { }\n}\n")
        << QStringLiteral("stream 5, ca 0, filters [6], services [], service ca [], channels [], elements []");
}

void TestCfgReader::sourceLines()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, expected);
    CfgReader reader;
    TransportStreamCfg cfg;
    QVERIFY2(reader.parseData(input, &cfg), qPrintable(reader.errorString()));
    QCOMPARE(linesText(reader.sourceLines()), expected);
    // Parallel to the document, so a check can index them by service.
    QCOMPARE(reader.sourceLines().services.size(), cfg.services.size());
    QCOMPARE(reader.sourceLines().filters.size(), cfg.filters.size());
}

// Lines of an earlier file must not outlive a parse that failed.
void TestCfgReader::sourceLinesClearedByFailure()
{
    CfgReader reader;
    TransportStreamCfg cfg;
    QVERIFY(reader.parseData(testData(QStringLiteral("example.mux")), &cfg));
    QCOMPARE(reader.sourceLines().services.size(), 1);
    QByteArray diagnostics;
    QVERIFY(!parseCaptured(reader, "transport-stream {\n service { }\n filter { a = x; }\n}\n", &cfg, &diagnostics));
    QCOMPARE(linesText(reader.sourceLines()), linesText(CfgSourceLines()));
}

QTEST_GUILESS_MAIN(TestCfgReader)
#include "test_cfgreader.moc"
