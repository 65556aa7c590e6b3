#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include "config/cfgreader.h"
#include "tests/common/bytecompare.h"
#include "tests/common/filehelpers.h"

class TestFormatCommand : public QObject
{
    Q_OBJECT

private slots:
    void writesCanonicalText_data();
    void writesCanonicalText();
    void reportsBadInput_data();
    void reportsBadInput();

private:
    QTemporaryDir m_dir;
};

void TestFormatCommand::writesCanonicalText_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("toFile"); // -o over a longer file instead of stdout
    QTest::newRow("CR LF example, -o over a longer file") << testData(QStringLiteral("reader/accept/crlf.mux")) << true;
    // The file is read in pieces of 128 KiB: an escape split between two.
    const QByteArray example = testData(QStringLiteral("example.mux"));
    QTest::newRow("escape across a read boundary, to stdout")
        << QByteArray(128 * 1024 - 1 - example.indexOf("\\'"), ' ') + example << false;
}

void TestFormatCommand::writesCanonicalText()
{
    QFETCH(QByteArray, input);
    QFETCH(bool, toFile);
    const QString in = m_dir.filePath(QStringLiteral("in.mux")), out = m_dir.filePath(QStringLiteral("out.mux"));
    QVERIFY(writeWholeFile(in, input) && writeWholeFile(out, QByteArray(10000, 'x')));
    const CliRun r = runCli(toFile ? QStringList{QStringLiteral("format"), in, QStringLiteral("-o"), out}
                                   : QStringList{QStringLiteral("format"), in});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.isEmpty() && (!toFile || r.out.isEmpty()), r.err.constData());
    COMPARE_BYTES(toFile ? readWholeFile(out) : r.out, testData(QStringLiteral("example.mux")));
}

void TestFormatCommand::reportsBadInput_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("file"); // empty: in.mux holding input; "sparse": the same past the bound; else a name
    QTest::addColumn<QString>("output"); // under the directory; previous.mux holds "previous"
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("message"); // %1 stands for the input's name
    const QString previous = QStringLiteral("previous.mux");
    QTest::newRow("a syntax error, with its line and column")
        << QByteArray("transport-stream {\n\tservice {\n\t};\n}\n") << QString() << previous << 1
        << QByteArray("%1:3:3: error: unexpected ';'\n");
    QTest::newRow("lines counted across read boundaries")
        << QByteArray(300000, '\n') + "transport-stream {\n\tpat-time = 501;\n}\n" << QString() << previous << 1
        << QByteArray("%1:300002:13: error: value 501 is out of range 25..500 for 'pat-time'\n");
    QTest::newRow("a FIFO, never opened") << QByteArray() << QStringLiteral("fifo") << previous << 2
                                          << QByteArray("%1: error: cannot open '%1': it is not a regular file\n");
    QTest::newRow("/dev/zero, never read") << QByteArray() << QStringLiteral("/dev/zero") << previous << 2
                                           << QByteArray("%1: error: cannot open '%1': it is not a regular file\n");
    QTest::newRow("over 64 MiB") << QByteArray("transport-stream {\n") << QStringLiteral("sparse") << previous << 2
                                 << QByteArray("%1: error: cannot read '%1': it is larger than 64 MiB");
    QTest::newRow("missing input") << QByteArray() << QStringLiteral("none.mux") << previous << 2
                                   << QByteArray("%1: error: cannot open '%1'");
    QTest::newRow("output under a regular file") << testData(QStringLiteral("example.mux")) << QString()
                                                 << QStringLiteral("previous.mux/out.mux") << 2 << QByteArray("cannot write");
}

// The input is reported with the exit code for its kind of failure, and the
// output file is left as it was.
void TestFormatCommand::reportsBadInput()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, file);
    QFETCH(QString, output);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, message);
    const bool inMux = file.isEmpty() || file == QLatin1String("sparse");
    const QString in = file.startsWith(u'/') ? file : m_dir.filePath(inMux ? QStringLiteral("in.mux") : file);
    if (file == QLatin1String("fifo"))
        QVERIFY(QFile::exists(in) || ::mkfifo(QFile::encodeName(in).constData(), 0600) == 0);
    else if (inMux)
        QVERIFY(writeWholeFile(in, input) && (file.isEmpty() || QFile::resize(in, CfgReader::MaxFileSize + 1)));
    const QString previous = m_dir.filePath(QStringLiteral("previous.mux"));
    QVERIFY(writeWholeFile(previous, "previous"));
    const CliRun r = runCli({QStringLiteral("format"), in, QStringLiteral("-o"), m_dir.filePath(output)});
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(message.replace("%1", in.toUtf8())) && r.out.isEmpty(), r.err.constData());
    QCOMPARE(readWholeFile(previous), QByteArray("previous"));
}

QTEST_GUILESS_MAIN(TestFormatCommand)
#include "test_formatcommand.moc"
