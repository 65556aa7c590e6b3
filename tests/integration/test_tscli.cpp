// `velunor-cli ts` as a user meets it: the stream's length, and every way it
// can fail (malformed program, unreadable input, unwritable or full output,
// bad --seconds) with its exit code, its message, and the old output file
// left as it was.

#include <QtTest>

#include <QTemporaryDir>

#include "psi/mbnprogram.h"
#include "tests/common/filehelpers.h"

namespace {

const QByteArray OldOutput("an older stream that must survive");

QString golden(const char *name)
{
    return QStringLiteral(VELUNOR_TEST_DATA "/psi/") + QLatin1String(name);
}

// The program with the PAT routine's send instruction moved to another PID.
QByteArray withPatPid(int pid, int *sendOffset)
{
    QByteArray bytes = readWholeFile(golden("all-tables.mbn"));
    const int routine = (quint8(bytes.at(0)) << 8) | quint8(bytes.at(1));
    const int send = int(bytes.indexOf(QByteArray("\x03\x00\x00\x00", 4), routine));
    bytes[send + 2] = char(pid >> 8);
    bytes[send + 3] = char(pid & 0xFF);
    *sendOffset = send;
    return bytes;
}

} // namespace

class TestTsCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void writesStream_data();
    void writesStream();
    void failures_data();
    void failures();
    void fullDiskKeepsOldFile();

private:
    QTemporaryDir m_dir;
};

void TestTsCli::writesStream_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<qint64>("packets");
    QTest::newRow("default ten seconds") << QStringList() << qint64(10000);
    QTest::newRow("--seconds 1") << QStringList{QStringLiteral("--seconds"), QStringLiteral("1")} << qint64(1000);
    QTest::newRow("--seconds=3") << QStringList{QStringLiteral("--seconds=3")} << qint64(3000);
}

void TestTsCli::writesStream()
{
    QFETCH(QStringList, options);
    QFETCH(qint64, packets);
    const QString out = m_dir.filePath(QStringLiteral("out.ts"));
    QVERIFY(writeWholeFile(out, OldOutput));
    const CliRun r = runCli(QStringList{QStringLiteral("ts"), golden("all-tables.mbn"), out} + options);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.out, QByteArray());
    const QByteArray ts = readWholeFile(out);
    QCOMPARE(qint64(ts.size()), packets * 188);
    for (qint64 at = 0; at < ts.size(); at += 188)
        QVERIFY2(ts.at(at) == 0x47, qPrintable(QString::number(at)));
}

void TestTsCli::failures_data()
{
    QTest::addColumn<QByteArray>("input"); // written to in.mbn; empty: no input file
    QTest::addColumn<QString>("outName");  // relative to the temporary directory
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // %IN and %OUT stand for the paths

    const QByteArray good = readWholeFile(golden("all-tables.mbn"));
    const QString out = QStringLiteral("out.ts");
    const QStringList none;

    // Malformed: the reader's own offset and reason, in the dump's format.
    const QByteArray truncated = good.left(good.size() - 7);
    MbnProgram parsed;
    QVERIFY(!parsed.parse(truncated));
    const auto hex4 = [](int offset) { return QStringLiteral("%1").arg(offset, 4, 16, QLatin1Char('0')); };
    QTest::newRow("truncated program") << truncated << out << none << 1
                                       << QStringLiteral("%IN: error at offset 0x%1: %2\n")
                                              .arg(hex4(parsed.errorOffset()), parsed.errorString());
    int send = 0;
    const QByteArray nullPid = withPatPid(0x1FFF, &send);
    QTest::newRow("section on the null PID")
        << nullPid << out << none << 1
        << QStringLiteral("%IN: error at offset 0x%1: routine in slot 0 sends on the null PID 0x1FFF\n")
               .arg(hex4(send));
    QTest::newRow("empty file") << QByteArray("", 0) << out << none << 1 << QString();
    QTest::newRow("larger than any program")
        << good + QByteArray((1 << 20) - good.size() + 1, '\0') << out << none << 1
        << QStringLiteral("%IN: error at offset 0x100000: the file is larger than any MUX binary\n");

    QTest::newRow("no input file") << QByteArray() << out << none << 2 << QStringLiteral("%IN: error: ");
    QTest::newRow("output directory missing") << good << QStringLiteral("missing/out.ts") << none << 2
                                              << QStringLiteral("%OUT: error: cannot write: ");
    const QString range = QStringLiteral("velunor-cli ts: --seconds must be a whole number from 1 to 3600, not '%1'\n");
    for (const char *value : {"0", "3601", "-5", "ten", "2.5"})
        QTest::newRow(qPrintable(QStringLiteral("--seconds %1").arg(QLatin1String(value))))
            << good << out << QStringList{QStringLiteral("--seconds"), QLatin1String(value)} << 2
            << range.arg(QLatin1String(value));
}

void TestTsCli::failures()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, outName);
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    const QString in = m_dir.filePath(QStringLiteral("in.mbn"));
    QFile::remove(in);
    if (!input.isNull())
        QVERIFY(writeWholeFile(in, input));
    const QString out = m_dir.filePath(outName);
    const bool outDirExists = QFileInfo(QFileInfo(out).path()).isDir();
    if (outDirExists)
        QVERIFY(writeWholeFile(out, OldOutput));
    const QStringList before = dirEntries(m_dir.path());

    const CliRun r = runCli(QStringList{QStringLiteral("ts"), in, out} + options);
    QCOMPARE(r.exitCode, exitCode);
    const QString err = QString::fromLocal8Bit(r.err);
    QString expected = message;
    expected.replace(QLatin1String("%IN"), in).replace(QLatin1String("%OUT"), out);
    if (message.endsWith(u'\n'))
        QCOMPARE(err, expected);
    else if (!message.isEmpty())
        QVERIFY2(err.startsWith(expected) && err.count(u'\n') == 1, qPrintable(err));
    else
        QVERIFY2(err.startsWith(in + QLatin1String(": error at offset 0x")) && err.count(u'\n') == 1,
                 qPrintable(err));
    // Nothing written, nothing left behind.
    if (outDirExists)
        QCOMPARE(readWholeFile(out), OldOutput);
    QCOMPARE(dirEntries(m_dir.path()), before);
}

// A write that fails part-way (file size limit, as on a full disk) leaves the
// old stream and no temporary file.
void TestTsCli::fullDiskKeepsOldFile()
{
    const QString out = m_dir.filePath(QStringLiteral("full.ts"));
    QVERIFY(writeWholeFile(out, OldOutput));
    const QStringList before = dirEntries(m_dir.path());
    const QByteArray cli(VELUNOR_BINARY_DIR "/cli/velunor-cli");
    const QByteArray in = QFile::encodeName(golden("all-tables.mbn"));
    const QByteArray outName = QFile::encodeName(out);
    // The child execs the tool at once: the limit and the ignored SIGXFSZ go with it.
    const int code = exitCodeUnderFileSizeLimit(300 * 1024, [&] {
        ::execl(cli.constData(), cli.constData(), "ts", in.constData(), outName.constData(), "--seconds", "3",
                static_cast<char *>(nullptr));
        return 99;
    });
    QCOMPARE(code, 2);
    QCOMPARE(readWholeFile(out), OldOutput);
    QCOMPARE(dirEntries(m_dir.path()), before);
}

QTEST_GUILESS_MAIN(TestTsCli)
#include "test_tscli.moc"
