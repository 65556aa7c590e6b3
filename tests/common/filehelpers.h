#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <functional>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

inline QByteArray readWholeFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeWholeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray testData(const QString &name)
{
    return readWholeFile(QStringLiteral(VELUNOR_TEST_DATA "/") + name);
}

// Everything in a directory, hidden files, nodes and dangling links
// included: a save that failed must leave no temporary file behind.
inline QStringList dirEntries(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// A character device of major 1 (3 null, 5 zero, 7 full) made at path,
// never the machine's own: a fault there would break the machine running the
// suite. Opened once to see that the mount allows devices; false where it
// cannot be made or opened (not root, nodev, container device rules).
inline bool makeDevice(const QString &path, unsigned minor)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mknod(name.constData(), S_IFCHR | 0600, makedev(1, minor)) != 0)
        return false;
    const int fd = ::open(name.constData(), (minor == 5 ? O_RDONLY : O_WRONLY) | O_CLOEXEC);
    return fd >= 0 && ::close(fd) == 0;
}

// Runs save() in a child limited to `limit` bytes of file size, as on a nearly
// full disk; SIGXFSZ is ignored so that write() fails with EFBIG part-way.
// Returns the child's exit code (save() returns it), or -1 when it died.
inline int exitCodeUnderFileSizeLimit(rlim_t limit, const std::function<int()> &save)
{
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit rl = {limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &rl);
        ::_exit(save());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

struct CliRun {
    int exitCode = -1; // -1: did not finish normally
    QByteArray out;
    QByteArray err;
};

// Runs velunor-cli; in workingDirectory when given, so that file names in
// its output are the ones on the command line. A `fileSizeLimit` in bytes
// stands for a nearly full disk: SIGXFSZ is ignored so that write() fails
// part-way. Standard input and output are pipes: `input` is written to the
// one and then closed; `whileRunning`, when given, is called every few
// milliseconds until the program ends.
inline CliRun runCli(const QStringList &arguments, const QString &workingDirectory = QString(),
                     int fileSizeLimit = 0, const QByteArray &input = QByteArray(),
                     const std::function<void()> &whileRunning = nullptr)
{
    const QString program = QStringLiteral(VELUNOR_BINARY_DIR "/cli/velunor-cli");
    QProcess p;
    p.setWorkingDirectory(workingDirectory);
    // System error texts (strerror) in English whatever the user's locale.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    p.setProcessEnvironment(environment);
    if (fileSizeLimit > 0)
        p.start(QStringLiteral("/bin/sh"),
                QStringList{QStringLiteral("-c"),
                            QStringLiteral("trap '' XFSZ; ulimit -f %1; exec \"$0\" \"$@\"").arg(fileSizeLimit / 512),
                            program}
                    + arguments);
    else
        p.start(program, arguments);
    p.write(input);
    p.closeWriteChannel();
    CliRun r;
    QDeadlineTimer deadline(60000);
    while (!p.waitForFinished(whileRunning ? 5 : 60000)) {
        if (p.state() == QProcess::NotRunning || deadline.hasExpired())
            return r;
        if (whileRunning)
            whileRunning();
    }
    if (p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}
