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
    void unreadableInputOrUnwritableOutput();

private:
    QTemporaryDir m_dir;
};

void TestFormatCommand::writesCanonicalText_data()
{
    QTest::addColumn<QByteArray>("input"); // empty: the example file itself
    QTest::addColumn<bool>("toFile");      // -o over a longer file instead of stdout
    QTest::addColumn<QString>("golden");
    QTest::newRow("the example reproduces byte for byte") << QByteArray() << false << QStringLiteral("example.mux");
    QTest::newRow("loose layout with CR LF")
        << QByteArray("transport-stream{\r\n  'id'=0x0;\r\nv2-features = No ; net-name = '  ';}\r\n") << false
        << QStringLiteral("default.mux");
    QTest::newRow("CR LF example with -o over a longer file")
        << testData(QStringLiteral("example.mux")).replace("\n", "\r\n") << true << QStringLiteral("example.mux");
    // The file is read in pieces of 128 KiB: an escape split between two.
    const QByteArray example = testData(QStringLiteral("example.mux"));
    QTest::newRow("escape across a read boundary")
        << QByteArray(128 * 1024 - 1 - example.indexOf("\\'"), ' ') + example << false << QStringLiteral("example.mux");
}

void TestFormatCommand::writesCanonicalText()
{
    QFETCH(QByteArray, input);
    QFETCH(bool, toFile);
    QFETCH(QString, golden);
    QString in = QStringLiteral(VELUNOR_TEST_DATA "/example.mux");
    if (!input.isEmpty()) {
        in = m_dir.filePath(QStringLiteral("in.mux"));
        QVERIFY(writeWholeFile(in, input));
    }
    const QString out = m_dir.filePath(QStringLiteral("out.mux"));
    QVERIFY(writeWholeFile(out, QByteArray(10000, 'x')));
    QStringList arguments{QStringLiteral("format"), in};
    if (toFile)
        arguments << QStringLiteral("-o") << out;
    const CliRun r = runCli(arguments);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.isEmpty(), r.err.constData());
    COMPARE_BYTES(toFile ? readWholeFile(out) : r.out, testData(golden));
    if (toFile)
        QVERIFY(r.out.isEmpty());
}

void TestFormatCommand::reportsBadInput_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("file");       // empty: bad.mux holding input; "fifo"; "sparse": bad.mux past the bound
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("message"); // after the file name; %1 stands for it
    QTest::newRow("misplaced ';' after a closing brace")
        << QByteArray("transport-stream {\n\tservice {\n\t};\n}\n") << QString() << 1
        << QByteArray(":3:3: error: unexpected ';'\n");
    QTest::newRow("value out of range") << QByteArray("transport-stream {\n\tpat-time = 501;\n}\n") << QString() << 1
                                        << QByteArray(":2:13: error: value 501 is out of range 25..500 for 'pat-time'\n");
    QTest::newRow("unknown key") << QByteArray("transport-stream {\n  foo = 1;\n}\n") << QString() << 1
                                 << QByteArray(":2:3: error: unknown key 'foo' in block 'transport-stream'\n");
    QTest::newRow("lines counted across read boundaries")
        << QByteArray(300000, '\n') + "transport-stream {\n\tpat-time = 501;\n}\n" << QString() << 1
        << QByteArray(":300002:13: error: value 501 is out of range 25..500 for 'pat-time'\n");
    const QByteArray notRegular(": error: cannot open '%1': it is not a regular file\n");
    QTest::newRow("a device that never ends") << QByteArray() << QStringLiteral("/dev/zero") << 2 << notRegular;
    QTest::newRow("a FIFO, not opened") << QByteArray() << QStringLiteral("fifo") << 2 << notRegular;
    QTest::newRow("over 64 MiB") << QByteArray("transport-stream {\n") << QStringLiteral("sparse") << 2
                                 << QByteArray(": error: cannot read '%1': it is larger than 64 MiB");
}

void TestFormatCommand::reportsBadInput()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, file);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, message);
    QString in = m_dir.filePath(QStringLiteral("bad.mux"));
    if (file == QLatin1String("fifo")) {
        in = m_dir.filePath(file);
        QVERIFY(QFile::exists(in) || ::mkfifo(QFile::encodeName(in).constData(), 0600) == 0);
    } else if (file.startsWith(u'/')) {
        in = file;
    } else {
        QVERIFY(writeWholeFile(in, input));
        QVERIFY(file.isEmpty() || QFile::resize(in, CfgReader::MaxFileSize + 1));
    }
    const QString out = m_dir.filePath(QStringLiteral("previous.mux"));
    QVERIFY(writeWholeFile(out, "previous"));
    const CliRun r = runCli({QStringLiteral("format"), in, QStringLiteral("-o"), out});
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(in.toUtf8() + message.replace("%1", in.toUtf8())), r.err.constData());
    QCOMPARE(readWholeFile(out), QByteArray("previous"));
}

void TestFormatCommand::unreadableInputOrUnwritableOutput()
{
    CliRun r = runCli({QStringLiteral("format"), m_dir.filePath(QStringLiteral("none.mux"))});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains("none.mux") && r.out.isEmpty(), r.err.constData());

    const QString regular = m_dir.filePath(QStringLiteral("plain"));
    QVERIFY(writeWholeFile(regular, "keep"));
    r = runCli({QStringLiteral("format"), QStringLiteral(VELUNOR_TEST_DATA "/example.mux"), QStringLiteral("-o"),
                regular + QStringLiteral("/out.mux")});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains("cannot write"), r.err.constData());
    QCOMPARE(readWholeFile(regular), QByteArray("keep"));
}

QTEST_GUILESS_MAIN(TestFormatCommand)
#include "test_formatcommand.moc"
