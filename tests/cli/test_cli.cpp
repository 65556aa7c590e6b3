// velunor-cli as an operator meets it, every command in one table
// (tests/data/cli/commands.txt): the exit code, the whole of standard output
// and error, the files written, and nothing else touched: an input is only
// read, an old output stays as it was when the command fails, and no
// temporary file is left behind.

#include <QtTest>

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "tests/common/bytecompare.h"
#include "tests/common/filehelpers.h"
#include "tests/common/linecompare.h"

using namespace Qt::StringLiterals;

namespace {

const QString dataDir = QStringLiteral(VELUNOR_TEST_DATA "/");

QString unescaped(QString s)
{
    return s.replace(u"\\n"_s, u"\n"_s).replace(u"\\t"_s, u"\t"_s);
}

// Splits a cell at `separator` outside double quotes.
QStringList entries(const QString &cell, QChar separator)
{
    QStringList out{QString()};
    bool quoted = false;
    for (QChar c : cell) {
        quoted ^= c == u'"';
        if (c == separator && !quoted)
            out << QString();
        else
            out.last() += c;
    }
    out.removeIf([](const QString &s) { return s.trimmed().isEmpty(); });
    return out;
}

// Makes one entry of the "files made first" cell, e.g.
// `in.mbn = psi/all-tables.mbn set 82=1F,83=FF`, `out.ts = text "old"` or
// `in.ts = velunor-cli ts in.mbn in.ts`.
bool make(const QString &dir, const QString &entry)
{
    const QString path = dir + u'/' + entry.section(u'=', 0, 0).trimmed();
    QStringList words = QProcess::splitCommand(entry.section(u'=', 1));
    const QString source = words.value(0);
    if (source == u"fifo")
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    if (source == u"velunor-cli")
        return runCli(words.mid(1), dir).exitCode == 0 && QFile::exists(path);
    QByteArray bytes = source == u"text" ? unescaped(words.value(1)).toUtf8() : readWholeFile(dataDir + source);
    words = words.mid(source == u"text" ? 2 : 1);
    qint64 size = -1;
    for (int i = 0; i + 1 < words.size(); i += 2) {
        const QString &edit = words.at(i), &arg = words.at(i + 1);
        if (edit == u"left")
            bytes.truncate(arg.toInt());
        else if (edit == u"pad")
            bytes.append(arg.toInt() - bytes.size(), '\0');
        else if (edit == u"lead" && i + 2 < words.size())
            bytes.prepend(QByteArray(arg.toInt(), unescaped(words.at(++i + 1)).toLatin1().at(0)));
        else if (edit == u"replace" && i + 2 < words.size() && bytes.contains(unescaped(arg).toUtf8()))
            bytes.replace(unescaped(arg).toUtf8(), unescaped(words.at(++i + 1)).toUtf8());
        else if (edit == u"drop" && bytes.contains(unescaped(arg).toUtf8()))
            bytes.replace(unescaped(arg).toUtf8(), QByteArray());
        else if (edit == u"size")
            size = arg.toLongLong();
        else if (edit == u"set")
            for (const QString &set : arg.split(u','))
                bytes[set.section(u'=', 0, 0).toInt(nullptr, 16)] = char(set.section(u'=', 1).toInt(nullptr, 16));
        else
            return false;
    }
    return writeWholeFile(path, bytes) && (size < 0 || QFile::resize(path, size));
}

// Every entry of a directory with what it holds: a digest for a regular file,
// its kind for anything else (a FIFO is never opened).
QMap<QString, QByteArray> snapshot(const QString &dir)
{
    QMap<QString, QByteArray> entries;
    for (const QString &name : dirEntries(dir)) {
        struct stat st = {};
        const QString path = dir + u'/' + name;
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
            entries.insert(name, "not a regular file");
            continue;
        }
        QFile f(path);
        QCryptographicHash hash(QCryptographicHash::Sha1);
        entries.insert(name, f.open(QIODevice::ReadOnly) && hash.addData(&f) ? hash.result().toHex() : "unreadable");
    }
    return entries;
}

// JSON is compared as parsed documents, whatever its layout.
void compareJson(const QByteArray &actual, const QByteArray &expected)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(actual, &error);
    QVERIFY2(error.error == QJsonParseError::NoError && document.isArray(),
             qPrintable(u"not a JSON array: "_s + error.errorString() + u"\n"_s + QString::fromUtf8(actual)));
    const QJsonDocument wanted = QJsonDocument::fromJson(expected);
    QVERIFY2(document == wanted, qPrintable(u"JSON differs; got\n"_s + QString::fromUtf8(document.toJson())));
}

// A cell of standard output or error: empty for nothing at all, "<PATH" for a
// golden file (rewritten when VELUNOR_UPDATE_GOLDEN is set), else the exact
// text. A golden *.json file, or a cell that starts with "[", is JSON.
void compareStream(const QByteArray &actual, const QString &cell)
{
    if (cell.startsWith(u'<')) {
        const QString golden = dataDir + cell.mid(1);
        if (qEnvironmentVariableIsSet("VELUNOR_UPDATE_GOLDEN"))
            writeWholeFile(golden, actual);
        if (golden.endsWith(u".json"))
            compareJson(actual, readWholeFile(golden));
        else
            COMPARE_LINES(actual, readWholeFile(golden));
    } else if (cell.startsWith(u'[')) {
        compareJson(actual, cell.toUtf8());
    } else {
        COMPARE_LINES(actual, unescaped(cell).toUtf8());
    }
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void run_data();
    void run();
};

// A "*" in the files made first makes a row per matching golden file, its
// stem standing for "*" in every cell.
void TestCli::run_data()
{
    QTest::addColumn<QStringList>("cells");
    for (const QString &line : QString::fromUtf8(testData(u"cli/commands.txt"_s)).split(u'\n')) {
        const QStringList cells = line.split(u'|');
        if (line.startsWith(u'#') || cells.size() != 7)
            continue;
        const QString name = cells.at(0).trimmed(), files = cells.at(1);
        const qsizetype star = files.indexOf(u'*', files.indexOf(u'='));
        if (star < 0) {
            QTest::newRow(qPrintable(name)) << cells;
            continue;
        }
        const qsizetype from = files.lastIndexOf(u' ', star) + 1, to = files.indexOf(u' ', star);
        const QString pattern = files.mid(from, to < 0 ? -1 : to - from);
        const QString prefix = pattern.section(u'*', 0, 0), suffix = pattern.section(u'*', 1);
        const QFileInfo glob(dataDir + pattern);
        for (const QString &match : glob.dir().entryList({glob.fileName()}, QDir::Files)) {
            const QString stem = (glob.dir().path() + u'/' + match).mid(dataDir.size() + prefix.size()).chopped(suffix.size());
            QTest::newRow(qPrintable(name + u' ' + stem)) << QStringList(cells).replaceInStrings(u"*"_s, stem);
        }
    }
}

void TestCli::run()
{
    QFETCH(QStringList, cells);
    for (QString &cell : cells)
        cell = cell.trimmed();
    QTemporaryDir dir;
    for (const QString &entry : entries(cells.at(1), u';'))
        QVERIFY2(make(dir.path(), entry), qPrintable(entry));
    QMap<QString, QByteArray> expected = snapshot(dir.path());

    QStringList args = QProcess::splitCommand(cells.at(2));
    const int limit = args.value(0) == u"limit" ? args.at(1).toInt() : 0;
    const CliRun r = runCli(args.mid(limit ? 2 : 0), dir.path(), limit);
    QCOMPARE(r.exitCode, cells.at(3).toInt());
    compareStream(r.out, cells.at(4));
    // The reader's note names its source file and line, which move with every edit.
    static const QRegularExpression note(u"^.*/(config/cfgreader\\.cpp):\\d+$"_s, QRegularExpression::MultilineOption);
    compareStream(QString::fromUtf8(r.err).replace(note, u"\\1:LINE"_s).toUtf8(), cells.at(5));

    // Files written are checked here; everything else must be as it was made.
    for (const QString &written : cells.at(6).split(u';', Qt::SkipEmptyParts)) {
        const QString name = written.section(u' ', 0, 0), path = dir.filePath(name);
        const QString what = written.section(u' ', 1, 1), arg = written.section(u' ', 2);
        if (what == u"packets") {
            const QByteArray ts = readWholeFile(path);
            QCOMPARE(ts.size(), arg.toInt() * 188);
            for (qsizetype at = 0; at < ts.size(); at += 188)
                QVERIFY2(ts.at(at) == 0x47, qPrintable(u"no sync byte at %1"_s.arg(at)));
        } else {
            QCOMPARE(what, u"="_s);
            COMPARE_BYTES(readWholeFile(path), readWholeFile(dataDir + arg));
        }
        expected.insert(name, snapshot(dir.path()).value(name));
    }
    QCOMPARE(snapshot(dir.path()), expected);
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
