// `velunor-cli dump` and `velunor-cli ts` as a user meets them: golden programs
// against their golden text, streams of the asked length, and every way they
// fail with exit code and message, the input only read, an old output left as
// it was and no temporary file behind; then the section decoder on hand-made
// sections (tests/data/dump/).

#include <QtTest>

#include <QTemporaryDir>

#include "mbn/mbndump.h"
#include "tests/common/psitestutil.h"
#include "tests/common/filehelpers.h"
#include "tests/common/linecompare.h"

using namespace Qt::StringLiterals;
using psitest::goldenPath;

namespace {

// velunor-cli, its files limited to `limit` bytes (0: none) as on a nearly full
// disk, SIGXFSZ ignored so that write() fails part-way.
CliRun run(const QStringList &arguments, int limit)
{
    QProcess p;
    p.start(u"/bin/sh"_s, QStringList{u"-c"_s, u"trap '' XFSZ; ulimit -f %1; exec \"$0\" \"$@\""_s
                                          .arg(limit ? QString::number(limit / 512) : u"unlimited"_s),
                                      QStringLiteral(VELUNOR_BINARY_DIR "/cli/velunor-cli")} + arguments);
    CliRun r;
    if (p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit)
        r = CliRun{p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
    return r;
}

} // namespace

class TestDumpCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cli_data();
    void cli();
    void section_data();
    void section();

private:
    QTemporaryDir m_dir;
};

// Golden programs against their golden text, then tests/data/dump/cli.txt.
void TestDumpCli::cli_data()
{
    QTest::addColumn<QStringList>("args"); // %D: the temporary directory, with in.mbn and an old out.ts
    QTest::addColumn<QByteArray>("input"); // written to in.mbn; null: no file at all
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QString>("err");      // without final newline: a prefix of its one line
    QTest::addColumn<int>("packets");      // written to out.ts; 0: the old out.ts stays
    QTest::addColumn<int>("fileSizeLimit"); // 0: none
    for (const QString &name : psitest::goldenNames)
        QTest::newRow(qPrintable(name)) << QStringList{u"dump"_s, u"%D/in.mbn"_s} << readWholeFile(goldenPath(name, ".mbn"))
                                        << 0 << readWholeFile(goldenPath(name, ".dump")) << QString() << 0 << 0;
    const QByteArray good = readWholeFile(goldenPath(u"all-tables"_s, ".mbn"));
    for (const QByteArray &line : testData(u"dump/cli.txt"_s).split('\n')) {
        const QList<QByteArray> f = line.split('|'), edit = f.value(1).trimmed().split(' ');
        if (f.size() != 6 || line.startsWith('#'))
            continue;
        const int n = edit.value(1).toInt();
        QByteArray bytes = edit[0] == "none" ? QByteArray() : edit[0] == "left" ? QByteArray(good.constData(), n) : good;
        if (edit[0] == "pad")
            bytes += QByteArray(n - good.size(), '\0');
        for (const QByteArray &set : edit[0] == "set" ? edit[1].split(',') : QList<QByteArray>())
            bytes[set.split('=')[0].toInt(nullptr, 16)] = char(set.split('=')[1].toInt(nullptr, 16));
        QTest::newRow(qPrintable(QString::fromUtf8(f[0] + '|' + f[1]) + (f[5].trimmed() == "0" ? "" : "| size limit")))
            << QString::fromUtf8(f[0].trimmed()).split(u' ') << bytes << f[2].trimmed().toInt() << QByteArray()
            << QString::fromUtf8(f[3].trimmed()).replace(u"\\n"_s, u"\n"_s) << f[4].trimmed().toInt() << f[5].trimmed().toInt();
    }
}

void TestDumpCli::cli()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QString, err);
    QFETCH(int, packets);
    QFETCH(int, fileSizeLimit);
    const QString in = m_dir.filePath(u"in.mbn"_s), ts = m_dir.filePath(u"out.ts"_s);
    const QByteArray old("an older stream that must survive");
    QFile::remove(in);
    QVERIFY(input.isNull() || writeWholeFile(in, input));
    QVERIFY(writeWholeFile(ts, old));
    const QStringList before = dirEntries(m_dir.path());
    const CliRun r = run(args.replaceInStrings(u"%D"_s, m_dir.path()), fileSizeLimit);
    QCOMPARE(r.exitCode, exitCode);
    COMPARE_LINES(r.out, out);
    err.replace(u"%D"_s, m_dir.path());
    if (err.isEmpty() || err.endsWith(u'\n'))
        QCOMPARE(QString::fromLocal8Bit(r.err), err);
    else
        QVERIFY2(r.err.startsWith(err.toLocal8Bit()) && r.err.count('\n') == 1, r.err.constData());
    QCOMPARE(readWholeFile(in), input);
    const QByteArray written = readWholeFile(ts);
    QCOMPARE(written.size(), packets ? qsizetype(packets) * 188 : old.size());
    for (qsizetype at = 0; at < written.size() && packets; at += 188)
        QVERIFY2(written.at(at) == 0x47, qPrintable(QString::number(at)));
    QCOMPARE(dirEntries(m_dir.path()), before);
}

// The decoder's lines (without table_id and CRC_32) or its error, per section.
void TestDumpCli::section_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("error"); // empty: decoded
    for (const QString &block : QString::fromUtf8(testData(u"dump/sections.txt"_s)).split(u"\n\n"_s)) {
        QStringList lines = block.split(u'\n', Qt::SkipEmptyParts);
        if (lines.size() >= 3 && lines.first().startsWith(u"# "_s))
            QTest::newRow(qPrintable(lines.takeFirst().mid(2))) << QByteArray::fromHex(lines.takeFirst().toLatin1())
                                                                << lines << QString();
    }
    for (const QByteArray &line : testData(u"dump/section-faults.txt"_s).split('\n')) {
        const QString error = QString::fromUtf8(line.mid(line.indexOf('|') + 2));
        if (line.contains('|') && !line.startsWith('#'))
            QTest::newRow(qPrintable(error)) << QByteArray::fromHex(line.left(line.indexOf('|'))) << QStringList() << error;
    }
}

void TestDumpCli::section()
{
    QFETCH(QByteArray, section);
    QFETCH(QStringList, lines);
    QFETCH(QString, error);
    QStringList actual;
    QString why;
    QCOMPARE(describeSection(section, 0, &actual, &why), error.isEmpty());
    QCOMPARE(why, error);
    if (!error.isEmpty())
        return;
    QVERIFY(actual.size() >= 2 && actual.takeFirst().startsWith(QLatin1String("table_id ")));
    if (quint8(section.at(0)) != 0x70)
        QCOMPARE(actual.takeLast(), u"CRC_32 0x"_s + QString::fromLatin1(section.right(4).toHex()));
    QCOMPARE(actual, lines);
}

QTEST_GUILESS_MAIN(TestDumpCli)
#include "test_dumpcli.moc"
