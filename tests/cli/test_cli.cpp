// velunor-cli as an operator meets it, every command in one table
// (tests/data/cli/commands.txt): the exit code, the whole of standard output
// and error, the files written, and nothing else touched: an input is only
// read, an old output stays as it was when the command fails, and no
// temporary file is left behind.

#include <QtTest>

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "tests/common/bytecompare.h"
#include "tests/common/filehelpers.h"
#include "tests/common/linecompare.h"

using namespace Qt::StringLiterals;

namespace {

const QString dataDir = QStringLiteral(VELUNOR_TEST_DATA "/");

QString unescaped(QString s)
{
    return s.replace(u"\\n"_s, u"\n"_s).replace(u"\\t"_s, u"\t"_s).replace(u"\\r"_s, u"\r"_s);
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

// The bytes of SOURCE EDIT...: a file under tests/data or text "TEXT", edited.
bool bytesOf(QStringList words, QByteArray *bytes, qint64 *size)
{
    const QString source = words.value(0);
    *bytes = source == u"text" ? unescaped(words.value(1)).toUtf8() : readWholeFile(dataDir + source);
    words = words.mid(source == u"text" ? 2 : 1);
    for (int i = 0; i + 1 < words.size(); i += 2) {
        const QString &edit = words.at(i), &arg = words.at(i + 1);
        if (edit == u"left")
            bytes->truncate(arg.toInt());
        else if (edit == u"pad")
            bytes->append(arg.toInt() - bytes->size(), '\0');
        else if (edit == u"repeat")
            *bytes = bytes->repeated(arg.toInt());
        else if (edit == u"lead" && i + 2 < words.size())
            bytes->prepend(QByteArray(arg.toInt(), unescaped(words.at(++i + 1)).toLatin1().at(0)));
        else if (edit == u"replace" && i + 2 < words.size() && bytes->contains(unescaped(arg).toUtf8()))
            bytes->replace(unescaped(arg).toUtf8(), unescaped(words.at(++i + 1)).toUtf8());
        else if (edit == u"drop" && bytes->contains(unescaped(arg).toUtf8()))
            bytes->replace(unescaped(arg).toUtf8(), QByteArray());
        else if (edit == u"size")
            *size = arg.toLongLong();
        else if (edit == u"set")
            for (const QString &set : arg.split(u','))
                (*bytes)[set.section(u'=', 0, 0).toInt(nullptr, 16)] = char(set.section(u'=', 1).toInt(nullptr, 16));
        else
            return false;
    }
    return true;
}

bool makeSocket(const QString &path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (size_t(name.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    return ::close(fd) == 0 && bound;
}

// What the files made first set up besides files: the standard input, and
// the other end of each FIFO (a reader, or a writer of the bytes given).
struct Setup {
    QByteArray input;
    QMap<QString, QByteArray> feeds;  // FIFO path -> bytes a writer sends
    QStringList drained;              // FIFO paths a reader empties
    bool skip = false;                // a node that cannot be made here
};

// Makes one entry of the "files made first" cell, e.g.
// `in.mbn = psi/all-tables.mbn set 82=1F,83=FF`, `out.ts = text "old"`,
// `pipe = fifo of example.mux`, `null = null`, `here = link null`.
bool make(const QString &dir, const QString &entry, Setup *setup)
{
    const QString name = entry.section(u'=', 0, 0).trimmed(), path = dir + u'/' + name;
    const QStringList words = QProcess::splitCommand(entry.section(u'=', 1));
    const QString source = words.value(0);
    const QByteArray encoded = QFile::encodeName(path);
    QByteArray bytes;
    qint64 size = -1;
    if (source == u"fifo") {
        if (words.value(1) == u"of" && !bytesOf(words.mid(2), &setup->feeds[path], &size))
            return false;
        if (words.size() == 1)
            setup->drained << path;
        return ::mkfifo(encoded.constData(), 0600) == 0;
    }
    if (source == u"null" || source == u"full" || source == u"zero" || source == u"block" || source == u"socket") {
        const bool made = source == u"socket" ? makeSocket(path)
            : source == u"block" ? ::mknod(encoded.constData(), S_IFBLK | 0600, makedev(0, 0)) == 0
                                 : makeDevice(path, source == u"null" ? 3 : source == u"full" ? 7 : 5);
        setup->skip |= !made;
        return true;
    }
    if (source == u"velunor-cli")
        return runCli(words.mid(1), dir).exitCode == 0 && QFile::exists(path);
    if (source == u"link")
        return ::symlink(QFile::encodeName(words.value(1)).constData(), encoded.constData()) == 0;
    if (source == u"hardlink")
        return ::link(QFile::encodeName(dir + u'/' + words.value(1)).constData(), encoded.constData()) == 0;
    if (source == u"dir")
        return QDir().mkdir(path);
    if (!bytesOf(words, &bytes, &size))
        return false;
    if (name == u"-") {
        setup->input = bytes;
        return true;
    }
    return writeWholeFile(path, bytes) && (size < 0 || QFile::resize(path, size));
}

// Every entry of a directory with what it holds: a digest for a regular file,
// its kind (and a link's text, a device's numbers) for anything else; a FIFO
// is never opened.
QMap<QString, QByteArray> snapshot(const QString &dir)
{
    QMap<QString, QByteArray> entries;
    for (const QString &name : dirEntries(dir)) {
        struct stat st = {};
        const QString path = dir + u'/' + name;
        const QByteArray encoded = QFile::encodeName(path);
        if (::lstat(encoded.constData(), &st) != 0) {
            entries.insert(name, "gone");
        } else if (S_ISLNK(st.st_mode)) {
            char target[4096] = {};
            entries.insert(name, "link to " + QByteArray(target, int(qMax<ssize_t>(0, ::readlink(encoded.constData(), target, sizeof target)))));
        } else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) {
            entries.insert(name, (S_ISCHR(st.st_mode) ? "character device " : "block device ")
                                     + QByteArray::number(major(st.st_rdev)) + ',' + QByteArray::number(minor(st.st_rdev)));
        } else if (!S_ISREG(st.st_mode)) {
            entries.insert(name, S_ISFIFO(st.st_mode) ? "fifo" : S_ISDIR(st.st_mode) ? "directory" : "socket");
        } else {
            QFile f(path);
            QCryptographicHash hash(QCryptographicHash::Sha1);
            entries.insert(name, "file " + (f.open(QIODevice::ReadOnly) && hash.addData(&f) ? hash.result().toHex() : "unreadable"));
        }
    }
    return entries;
}

// A transport stream of `packets` packets, each with its sync byte.
void comparePackets(const QByteArray &ts, int packets)
{
    QCOMPARE(ts.size(), packets * 188);
    for (qsizetype at = 0; at < ts.size(); at += 188)
        QVERIFY2(ts.at(at) == 0x47, qPrintable(u"no sync byte at %1"_s.arg(at)));
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
    if (cell.startsWith(u"packets "_s)) {
        comparePackets(actual, cell.section(u' ', 1).toInt());
    } else if (cell.startsWith(u'<')) {
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
    void initTestCase();
    void run_data();
    void run();
    void standardStreamsAppended();
    void readerGoesAway();
    void livePipeWithoutTdt();
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

// The other end of each FIFO while the command runs: readers empty theirs
// into `drained`, writers send their bytes once the command opens it.
class FifoEnds
{
public:
    explicit FifoEnds(const Setup &setup)
    {
        for (const QString &path : setup.drained)
            m_readers.insert(path, ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        for (auto it = setup.feeds.cbegin(); it != setup.feeds.cend(); ++it)
            m_writers.emplace_back([this, path = QFile::encodeName(it.key()), bytes = it.value()] { feed(path, bytes); });
    }
    ~FifoEnds()
    {
        m_stop = true;
        for (std::thread &writer : m_writers)
            writer.join();
        for (int fd : std::as_const(m_readers))
            ::close(fd);
    }
    void drain()
    {
        for (auto it = m_readers.cbegin(); it != m_readers.cend(); ++it) {
            char buffer[65536];
            for (ssize_t n; (n = ::read(it.value(), buffer, sizeof buffer)) > 0;)
                drained[it.key()].append(buffer, n);
        }
    }
    QMap<QString, QByteArray> drained;

private:
    void feed(const QByteArray &path, const QByteArray &bytes)
    {
        int fd = -1;
        while (fd < 0 && !m_stop) { // no reader yet: ENXIO
            fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
                QThread::msleep(2);
        }
        if (fd < 0)
            return;
        ::fcntl(fd, F_SETFL, 0);
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n <= 0)
                break; // the reader went away (EPIPE)
            done += n;
        }
        ::close(fd);
    }
    QMap<QString, int> m_readers;
    std::vector<std::thread> m_writers;
    std::atomic<bool> m_stop{false};
};

void TestCli::initTestCase()
{
    // A command that stops reading leaves a writer here with EPIPE, not SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
}

void TestCli::run()
{
    QFETCH(QStringList, cells);
    for (QString &cell : cells)
        cell = cell.trimmed();
    QTemporaryDir dir;
    Setup setup;
    for (const QString &entry : entries(cells.at(1), u';'))
        QVERIFY2(make(dir.path(), entry, &setup), qPrintable(entry));
    if (setup.skip)
        QSKIP("device nodes or sockets cannot be made or opened here (not root, nodev, container rules)");
    QMap<QString, QByteArray> expected = snapshot(dir.path());

    QStringList args = QProcess::splitCommand(cells.at(2));
    const int limit = args.value(0) == u"limit" ? args.at(1).toInt() : 0;
    CliRun r;
    QMap<QString, QByteArray> drained;
    {
        FifoEnds ends(setup);
        r = runCli(args.mid(limit ? 2 : 0), dir.path(), limit, setup.input, [&ends] { ends.drain(); });
        ends.drain();
        drained = ends.drained;
    }
    QCOMPARE(r.exitCode, cells.at(3).toInt());
    compareStream(r.out, cells.at(4));
    // The reader's note names its source file and line, which move with every edit.
    static const QRegularExpression note(u"^.*/(config/cfgreader\\.cpp):\\d+$"_s, QRegularExpression::MultilineOption);
    compareStream(QString::fromUtf8(r.err).replace(note, u"\\1:LINE"_s).toUtf8(), cells.at(5));

    // Files written are checked here (a FIFO: what its reader got); everything
    // else must be as it was made, and a node written in place stays a node.
    for (const QString &written : cells.at(6).split(u';', Qt::SkipEmptyParts)) {
        const QString name = written.trimmed().section(u' ', 0, 0), path = dir.filePath(name);
        const QString what = written.trimmed().section(u' ', 1, 1), arg = written.trimmed().section(u' ', 2);
        const QByteArray bytes = drained.contains(path) ? drained.value(path) : readWholeFile(path);
        if (what == u"packets") {
            comparePackets(bytes, arg.toInt());
        } else {
            QCOMPARE(what, u"="_s);
            COMPARE_BYTES(bytes, readWholeFile(dataDir + arg));
        }
        if (expected.value(name, "file").startsWith("file"))
            expected.insert(name, snapshot(dir.path()).value(name));
    }
    QCOMPARE(snapshot(dir.path()), expected);
}

// "-", /dev/stdout and /dev/stderr are the streams already open: a log that
// the shell opened for appending keeps its earlier lines, and an output
// appended to the command's own input is refused before anything is written.
void TestCli::standardStreamsAppended()
{
    QTemporaryDir dir;
    const QString log = dir.filePath(u"log"_s), in = dir.filePath(u"in.mux"_s);
    const QByteArray example = testData(u"example.mux"_s);
    QVERIFY(writeWholeFile(log, "earlier line\n") && writeWholeFile(in, example));
    auto run = [](const QStringList &arguments, const QString &appendTo, QProcess::ProcessChannel channel) {
        QProcess p;
        (channel == QProcess::StandardOutput ? p.setStandardOutputFile(appendTo, QIODevice::Append)
                                             : p.setStandardErrorFile(appendTo, QIODevice::Append));
        p.start(QStringLiteral(VELUNOR_BINARY_DIR "/cli/velunor-cli"), arguments);
        p.closeWriteChannel();
        return p.waitForFinished() && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    QCOMPARE(run({u"format"_s, in, u"-o"_s, u"/dev/stdout"_s}, log, QProcess::StandardOutput), 0);
    QCOMPARE(run({u"format"_s, in, u"-o"_s, u"-"_s}, log, QProcess::StandardOutput), 0);
    QCOMPARE(run({u"format"_s, in, u"-o"_s, u"/dev/stderr"_s}, log, QProcess::StandardError), 0);
    COMPARE_LINES(readWholeFile(log), "earlier line\n" + example + example + example);
    QCOMPARE(run({u"export"_s, in, u"-"_s}, in, QProcess::StandardOutput), 2);
    QCOMPARE(run({u"import"_s, in}, in, QProcess::StandardOutput), 2);
    COMPARE_BYTES(readWholeFile(in), example);
}

// `velunor-cli ts IN -  | head -c 1000`: the reader that goes away is a
// write error, reported with exit 2, not a signal that ends the tool
// without a word.
void TestCli::readerGoesAway()
{
    QTemporaryDir dir;
    QVERIFY(writeWholeFile(dir.filePath(u"in.mbn"_s), testData(u"psi/all-tables.mbn"_s)));
    QProcess writer, reader;
    writer.setWorkingDirectory(dir.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    writer.setProcessEnvironment(environment);
    writer.setStandardOutputProcess(&reader);
    reader.start(u"head"_s, {u"-c"_s, u"1000"_s});
    writer.start(QStringLiteral(VELUNOR_BINARY_DIR "/cli/velunor-cli"), {u"ts"_s, u"in.mbn"_s, u"-"_s, u"--seconds"_s, u"600"_s});
    QVERIFY(writer.waitForFinished(60000) && reader.waitForFinished(60000));
    QCOMPARE(writer.exitStatus(), QProcess::NormalExit);
    QCOMPARE(writer.exitCode(), 2);
    QVERIFY2(writer.readAllStandardError().endsWith(": Broken pipe\n"), "no broken pipe reported");
    QCOMPARE(reader.readAllStandardOutput().size(), 1000);
}

// A receiver on a pipe that does not end, without a TDT: the import stops by
// itself once every table was seen twice and none new came for a while of
// stream time, and the writer, bounded by 600 s of packets, is cut off.
void TestCli::livePipeWithoutTdt()
{
    QTemporaryDir dir;
    QVERIFY(writeWholeFile(dir.filePath(u"in.mbn"_s), testData(u"psi/filter-rules.mbn"_s)));
    QProcess writer, reader;
    writer.setWorkingDirectory(dir.path());
    reader.setWorkingDirectory(dir.path());
    writer.setStandardOutputProcess(&reader);
    const QString cli = QStringLiteral(VELUNOR_BINARY_DIR "/cli/velunor-cli");
    reader.start(cli, {u"import"_s, u"-"_s, u"--bitrate"_s, u"1504000"_s, u"-o"_s, u"out.mux"_s});
    writer.start(cli, {u"ts"_s, u"in.mbn"_s, u"-"_s, u"--seconds"_s, u"600"_s});
    QVERIFY(reader.waitForFinished(120000) && writer.waitForFinished(120000));
    QCOMPARE(reader.exitCode(), 0);
    QCOMPARE(writer.exitCode(), 2);
    QVERIFY(readWholeFile(dir.filePath(u"out.mux"_s)).contains("pat-enabled = yes;"));
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
