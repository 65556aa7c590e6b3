#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "tests/config/cfgtesthelpers.h"

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runCli(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral(VELUNOR_BINARY_DIR "/cli/velunor-cli"), arguments);
    Run r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

bool writeBytes(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

const QString example = QStringLiteral(VELUNOR_TEST_DATA "/example.mux");

} // namespace

class TestFormatCommand : public QObject
{
    Q_OBJECT

private slots:
    void reproducesTheExample();
    void canonicalisesLooseLayout();
    void writesOutputFile();
    void reportsParseErrorWithPosition_data();
    void reportsParseErrorWithPosition();
    void missingInput();
    void unwritableOutput();
};

void TestFormatCommand::reproducesTheExample()
{
    const Run r = runCli({QStringLiteral("format"), example});
    QCOMPARE(r.exitCode, 0);
    COMPARE_BYTES(r.out, readWholeFile(example));
    QVERIFY2(r.err.isEmpty(), r.err.constData());
}

void TestFormatCommand::canonicalisesLooseLayout()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString in = dir.filePath(QStringLiteral("loose.mux"));
    QVERIFY(writeBytes(in, "transport-stream{\r\n  'id'=0x0;\r\nv2-features = No ; net-name = '  ';}\r\n"));
    const Run r = runCli({QStringLiteral("format"), in});
    QCOMPARE(r.exitCode, 0);
    COMPARE_BYTES(r.out, readWholeFile(QStringLiteral(VELUNOR_TEST_DATA "/default.mux")));
}

void TestFormatCommand::writesOutputFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString in = dir.filePath(QStringLiteral("in.mux"));
    QVERIFY(writeBytes(in, readWholeFile(example).replace("\n", "\r\n")));
    const QString out = dir.filePath(QStringLiteral("out.mux"));
    QVERIFY(writeBytes(out, QByteArray(10000, 'x')));
    const Run r = runCli({QStringLiteral("format"), in, QStringLiteral("-o"), out});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.isEmpty());
    COMPARE_BYTES(readWholeFile(out), readWholeFile(example));
}

void TestFormatCommand::reportsParseErrorWithPosition_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("position");
    QTest::addColumn<QByteArray>("reason");
    QTest::newRow("semicolon after a closing brace")
        << QByteArray("transport-stream {\n\tservice {\n\t};\n}\n") << QByteArray(":3:3: error: ")
        << QByteArray("unexpected ';'");
    QTest::newRow("value out of range")
        << QByteArray("transport-stream {\n\tpat-time = 501;\n}\n") << QByteArray(":2:13: error: ")
        << QByteArray("value 501 is out of range 25..500 for 'pat-time'");
    QTest::newRow("unknown key")
        << QByteArray("transport-stream {\n  foo = 1;\n}\n") << QByteArray(":2:3: error: ")
        << QByteArray("unknown key 'foo' in block 'transport-stream'");
}

void TestFormatCommand::reportsParseErrorWithPosition()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, position);
    QFETCH(QByteArray, reason);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString in = dir.filePath(QStringLiteral("bad.mux"));
    QVERIFY(writeBytes(in, input));
    const QString out = dir.filePath(QStringLiteral("out.mux"));
    QVERIFY(writeBytes(out, "previous"));

    const Run r = runCli({QStringLiteral("format"), in, QStringLiteral("-o"), out});
    QCOMPARE(r.exitCode, 1);
    const QByteArray line = in.toUtf8() + position + reason + '\n';
    QVERIFY2(r.err.contains(line), r.err.constData());
    QCOMPARE(readWholeFile(out), QByteArray("previous"));
    QCOMPARE(readWholeFile(in), input);
}

void TestFormatCommand::missingInput()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const Run r = runCli({QStringLiteral("format"), dir.filePath(QStringLiteral("none.mux"))});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains("none.mux"), r.err.constData());
    QVERIFY(r.out.isEmpty());
}

void TestFormatCommand::unwritableOutput()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString regular = dir.filePath(QStringLiteral("plain"));
    QVERIFY(writeBytes(regular, "keep"));
    const Run r = runCli({QStringLiteral("format"), example, QStringLiteral("-o"),
                          regular + QStringLiteral("/out.mux")});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains("cannot write"), r.err.constData());
    QCOMPARE(readWholeFile(regular), QByteArray("keep"));
}

QTEST_GUILESS_MAIN(TestFormatCommand)
#include "test_formatcommand.moc"
