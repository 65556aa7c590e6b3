// `velunor-cli ts` as a user meets it: the stream's length, and every way it
// can fail with its exit code, its message, the old output file left as it
// was and no temporary file left behind.

#include <QtTest>

#include <QTemporaryDir>

#include <vector>

#include "mbn/mbnprogram.h"
#include "tests/common/filehelpers.h"
#include "tests/common/stderrcapture.h"

namespace {

const QByteArray OldOutput("an older stream that must survive");
const QByteArray Good = readWholeFile(QStringLiteral(VELUNOR_TEST_DATA "/psi/all-tables.mbn"));

// The reader's or renderer's refusal, as the tool reports it for in.mbn.
QString refusal(int offset, const QString &reason)
{
    return QStringLiteral("%IN: error at offset 0x%1: %2\n").arg(offset, 4, 16, QLatin1Char('0')).arg(reason);
}

// The golden program with the PAT routine's send instruction moved to another PID.
QByteArray withPatPid(int pid, int *sendOffset)
{
    QByteArray bytes = Good;
    *sendOffset = int(bytes.indexOf(QByteArray("\x03\x00\x00\x00", 4), (quint8(bytes.at(0)) << 8) | quint8(bytes.at(1))));
    bytes[*sendOffset + 2] = char(pid >> 8);
    bytes[*sendOffset + 3] = char(pid & 0xFF);
    return bytes;
}

// velunor-cli, in a child whose files may grow to `limit` bytes when it is not 0.
CliRun run(const QStringList &arguments, rlim_t limit)
{
    if (limit == 0)
        return runCli(arguments);
    QList<QByteArray> words{QByteArray(VELUNOR_BINARY_DIR "/cli/velunor-cli")};
    for (const QString &a : arguments)
        words << QFile::encodeName(a);
    std::vector<char *> argv;
    for (QByteArray &w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    StderrCapture capture;
    CliRun r;
    r.exitCode = exitCodeUnderFileSizeLimit(limit, [&] {
        ::execv(argv[0], argv.data());
        return 99;
    });
    r.err = capture.finish();
    return r;
}

} // namespace

class TestTsCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void exitCodesAndOutput_data();
    void exitCodesAndOutput();

private:
    QTemporaryDir m_dir;
};

void TestTsCli::exitCodesAndOutput_data()
{
    QTest::addColumn<QByteArray>("input"); // written to in.mbn; null: no input file
    QTest::addColumn<QString>("outName");  // in the temporary directory
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("fileSizeLimit"); // 0: none
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // %IN and %OUT stand for the paths; no final newline: a prefix
    QTest::addColumn<int>("packets");     // written on success; otherwise the old output stays

    const QString out = QStringLiteral("out.ts");
    const QStringList none;
    QTest::newRow("default ten seconds") << Good << out << none << 0 << 0 << QString() << 10000;
    QTest::newRow("--seconds 1") << Good << out << QStringList{QStringLiteral("--seconds"), QStringLiteral("1")} << 0
                                 << 0 << QString() << 1000;
    QTest::newRow("--seconds=3") << Good << out << QStringList{QStringLiteral("--seconds=3")} << 0 << 0 << QString()
                                 << 3000;
    for (const QByteArray &bad : {Good.left(Good.size() - 7), QByteArray("", 0)}) {
        MbnProgram parsed;
        QVERIFY(!parsed.parse(bad));
        QTest::newRow(bad.isEmpty() ? "empty file" : "truncated program")
            << bad << out << none << 0 << 1 << refusal(parsed.errorOffset(), parsed.errorString()) << 0;
    }
    QTest::newRow("larger than any program")
        << Good + QByteArray((1 << 20) - Good.size() + 1, '\0') << out << none << 0 << 1
        << refusal(0x100000, QStringLiteral("the file is larger than any MUX binary")) << 0;
    int send = 0;
    const QByteArray nullPid = withPatPid(0x1FFF, &send);
    QTest::newRow("section on the null PID") << nullPid << out << none << 0 << 1
                                             << refusal(send, QStringLiteral("routine in slot 0 sends on the null PID 0x1FFF")) << 0;
    const QByteArray wide = withPatPid(0x2000, &send);
    QTest::newRow("PID beyond 13 bits")
        << wide << out << none << 0 << 1
        << refusal(send, QStringLiteral("routine in slot 0 sends on 0x2000, which is not a 13-bit PID")) << 0;

    QTest::newRow("no input file") << QByteArray() << out << none << 0 << 2 << QStringLiteral("%IN: error: ") << 0;
    QTest::newRow("output directory missing") << Good << QStringLiteral("missing/out.ts") << none << 0 << 2
                                              << QStringLiteral("%OUT: error: cannot write: ") << 0;
    QTest::newRow("disk full part-way") << Good << out << QStringList{QStringLiteral("--seconds=3")} << 300 * 1024
                                        << 2 << QStringLiteral("%OUT: error: cannot write: ") << 0;
    const QString range = QStringLiteral("velunor-cli ts: --seconds must be a whole number from 1 to 3600, not '%1'\n");
    for (const char *value : {"0", "3601", "-5", "ten", "2.5"})
        QTest::newRow(qPrintable(QStringLiteral("--seconds %1").arg(QLatin1String(value))))
            << Good << out << QStringList{QStringLiteral("--seconds"), QLatin1String(value)} << 0 << 2
            << range.arg(QLatin1String(value)) << 0;
}

void TestTsCli::exitCodesAndOutput()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, outName);
    QFETCH(QStringList, options);
    QFETCH(int, fileSizeLimit);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QFETCH(int, packets);

    const QString in = m_dir.filePath(QStringLiteral("in.mbn"));
    QFile::remove(in);
    if (!input.isNull())
        QVERIFY(writeWholeFile(in, input));
    const QString out = m_dir.filePath(outName);
    const bool outDirExists = QFileInfo(QFileInfo(out).path()).isDir();
    if (outDirExists)
        QVERIFY(writeWholeFile(out, OldOutput));
    const QStringList before = dirEntries(m_dir.path());

    const CliRun r = run(QStringList{QStringLiteral("ts"), in, out} + options, rlim_t(fileSizeLimit));
    QCOMPARE(r.exitCode, exitCode);
    const QString err = QString::fromLocal8Bit(r.err);
    const QString expected = QString(message).replace(QLatin1String("%IN"), in).replace(QLatin1String("%OUT"), out);
    if (message.isEmpty() || message.endsWith(u'\n'))
        QCOMPARE(err + QString::fromLocal8Bit(r.out), expected);
    else
        QVERIFY2(err.startsWith(expected) && err.count(u'\n') == 1, qPrintable(err));
    const QByteArray written = readWholeFile(out);
    if (packets == 0)
        QCOMPARE(written, outDirExists ? OldOutput : QByteArray());
    else
        QCOMPARE(written.size(), qsizetype(packets) * 188);
    for (qsizetype at = 0; packets != 0 && at < written.size(); at += 188)
        QVERIFY2(written.at(at) == 0x47, qPrintable(QString::number(at)));
    QCOMPARE(dirEntries(m_dir.path()), before);
}

QTEST_GUILESS_MAIN(TestTsCli)
#include "test_tscli.moc"
