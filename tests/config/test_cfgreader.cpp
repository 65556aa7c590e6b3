#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "config/cfgreader.h"
#include "tests/config/cfgtesthelpers.h"

namespace {

const QString readerData = QStringLiteral(VELUNOR_TEST_DATA "/reader/");

// What parse() must leave behind on every failure, and replace on success.
TransportStreamCfg sentinel()
{
    TransportStreamCfg c;
    c.netName = QStringLiteral("untouched");
    c.services = {ServiceCfg{}};
    return c;
}

// The reader prints nothing itself: the callers decide what reaches stderr.
bool parseQuietly(CfgReader &reader, const QByteArray &input, TransportStreamCfg *cfg)
{
    StderrCapture capture;
    const bool ok = reader.parseData(input, cfg);
    const QByteArray printed = capture.finish();
    if (!printed.isEmpty())
        QTest::qFail(printed.constData(), __FILE__, __LINE__);
    return ok;
}

// Block lines in one line of text, so that a mismatch shows where.
QByteArray linesText(const CfgSourceLines &l)
{
    QString s;
    QDebug(&s).nospace() << "lines: stream " << l.stream << ", ca " << l.streamCa << ", filters " << l.filters
                         << ", services " << l.services << ", service ca " << l.serviceCa << ", channels "
                         << l.logicalChannels << ", elements " << l.elements << '\n';
    return s.toUtf8();
}

// One row per NAME.mux in the folder, named after the case it shows.
void addFileRows(const QString &folder)
{
    QTest::addColumn<QString>("base");
    for (const QString &file : QDir(readerData + folder).entryList({QStringLiteral("*.mux")}, QDir::Files))
        QTest::newRow(qPrintable(file.chopped(4))) << readerData + folder + u'/' + file.chopped(4);
}

} // namespace

class TestCfgReader : public QObject
{
    Q_OBJECT

private slots:
    void openFailures();
    void accepts_data() { addFileRows(QStringLiteral("accept")); }
    void accepts();
    void rejects_data() { addFileRows(QStringLiteral("reject")); }
    void rejects();
    void keyRanges_data();
    void keyRanges();
    void sourceLinesClearedByFailure();
};

void TestCfgReader::openFailures()
{
    QTemporaryDir dir;
    CfgReader reader;
    TransportStreamCfg cfg = sentinel();
    QVERIFY(!reader.parse(&cfg) && !reader.errorString().isEmpty()); // nothing opened yet
    QVERIFY2(!reader.open(dir.path()) && reader.errorString().contains(QLatin1String("directory")),
             qPrintable(reader.errorString()));
    QVERIFY(!reader.parse(&cfg));
    QVERIFY(cfg == sentinel());
}

// accept/NAME.mux reads to the document whose canonical text, then the
// blocks' source lines, is accept/NAME.out.
void TestCfgReader::accepts()
{
    QFETCH(QString, base);
    CfgReader reader;
    TransportStreamCfg cfg = sentinel();
    QVERIFY2(parseQuietly(reader, readWholeFile(base + QStringLiteral(".mux")), &cfg), qPrintable(reader.errorString()));
    // Parallel to the document, so a check can index them by service.
    QCOMPARE(reader.sourceLines().services.size(), cfg.services.size());
    QCOMPARE(reader.sourceLines().filters.size(), cfg.filters.size());
    COMPARE_BYTES(CfgWriter::toText(cfg) + linesText(reader.sourceLines()), readWholeFile(base + QStringLiteral(".out")));
}

// reject/NAME.mux fails, leaves the document alone and reports what
// reject/NAME.out holds: "LINE:COLUMN: REASON", "[note]" when a note is given.
void TestCfgReader::rejects()
{
    QFETCH(QString, base);
    CfgReader reader;
    TransportStreamCfg cfg = sentinel();
    QVERIFY(!parseQuietly(reader, readWholeFile(base + QStringLiteral(".mux")), &cfg));
    QVERIFY(cfg == sentinel());
    const QByteArray note = reader.diagnostic();
    const QByteArray actual = QStringLiteral("%1:%2: %3%4\n").arg(reader.errorLine()).arg(reader.errorColumn())
                                  .arg(reader.errorString(), note.isEmpty() ? QString() : QStringLiteral(" [note]")).toUtf8();
    COMPARE_BYTES(actual, readWholeFile(base + QStringLiteral(".out")));
    // The note the callers print: one line, "<reader source>:<line>".
    const qsizetype colon = note.lastIndexOf(':');
    QVERIFY2(note.isEmpty() || (!note.contains('\n') && note.left(colon).endsWith("cfgreader.cpp")
                                && note.mid(colon + 1).toInt() > 0), note.constData());
}

// Every key of key-ranges.txt at both ends of its range, one past each end, and the top in hex.
void TestCfgReader::keyRanges_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QByteArray>("writtenLine");
    for (const QByteArray &line : testData(QStringLiteral("reader/key-ranges.txt")).trimmed().split('\n')) {
        const QByteArrayList f = line.split(' '), blocks = f[0].split('/'); // f: blocks key min max
        // In a filter, action = 1 first, so that new-base is written back.
        const QByteArray before = blocks.join(" {\n") + " {\n" + (blocks.last() == "filter" ? "action = 1;\n" : "");
        auto row = [&](const char *what, const QByteArray &text, const QByteArray &value, bool accepted) {
            QTest::addRow("%s %s %s", f[0].constData(), f[1].constData(), what)
                << before + f[1] + " = " + text + ";\n" + QByteArray(blocks.size(), '}') << accepted
                << QByteArray(blocks.size(), '\t') + f[1] + " = " + value + ";\n";
        };
        row("min", f[2], f[2], true);
        row("max", f[3], f[3], true);
        row("max in hex", "0x" + QByteArray::number(f[3].toInt(), 16), f[3], true);
        row("min-1", QByteArray::number(f[2].toInt() - 1), {}, false);
        row("max+1", QByteArray::number(f[3].toInt() + 1), {}, false);
    }
}

void TestCfgReader::keyRanges()
{
    QFETCH(QByteArray, input);
    QFETCH(bool, accepted);
    QFETCH(QByteArray, writtenLine);
    CfgReader reader;
    TransportStreamCfg cfg = sentinel();
    QCOMPARE(parseQuietly(reader, input, &cfg), accepted);
    // An accepted value reached the field that the writer prints under the same key.
    const QByteArray text = CfgWriter::toText(cfg);
    QVERIFY2(accepted ? text.contains("\n" + writtenLine) : reader.errorString().contains(QLatin1String("out of range")),
             qPrintable(text + reader.errorString()));
    QVERIFY(accepted || cfg == sentinel());
}

// Lines of an earlier file must not outlive a parse that failed.
void TestCfgReader::sourceLinesClearedByFailure()
{
    CfgReader reader;
    TransportStreamCfg cfg;
    QVERIFY(parseQuietly(reader, testData(QStringLiteral("example.mux")), &cfg));
    QVERIFY(!parseQuietly(reader, "transport-stream {\n service { }\n filter { a = x; }\n}\n", &cfg));
    QCOMPARE(linesText(reader.sourceLines()), linesText(CfgSourceLines()));
}

QTEST_GUILESS_MAIN(TestCfgReader)
#include "test_cfgreader.moc"
