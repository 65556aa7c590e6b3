#include "config/fileaccess.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "config/savefile.h"

namespace {

// The standard stream a name stands for, or -1: "-" is the input on the one
// side and the output on the other.
int standardStream(const QString &name, bool output)
{
    if (name == QLatin1String("-"))
        return output ? STDOUT_FILENO : STDIN_FILENO;
    if (!output)
        return name == QLatin1String("/dev/stdin") ? STDIN_FILENO : -1;
    if (name == QLatin1String("/dev/stdout"))
        return STDOUT_FILENO;
    return name == QLatin1String("/dev/stderr") ? STDERR_FILENO : -1;
}

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// The text of the last link of a chain, the name that does not exist.
QString danglingEnd(const QString &name)
{
    QByteArray path = QFile::encodeName(name);
    QByteArray text;
    for (int depth = 0; depth < 40; ++depth) {
        char target[4096];
        const ssize_t n = ::readlink(path.constData(), target, sizeof target);
        if (n < 0)
            break;
        text = QByteArray(target, int(n));
        const qsizetype slash = path.lastIndexOf('/');
        path = text.startsWith('/') || slash < 0 ? text : path.left(slash + 1) + text;
    }
    return QFile::decodeName(text);
}

// A reader that goes away makes a write fail with EPIPE instead of ending
// the whole program by SIGPIPE: the window keeps its document, the command
// line reports the broken pipe.
class PipeSignalBlock
{
public:
    PipeSignalBlock()
    {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_old);
    }
    ~PipeSignalBlock()
    {
        sigset_t pending;
        sigpending(&pending);
        if (!m_wasPending && sigismember(&pending, SIGPIPE) == 1) {
            const timespec zero = {0, 0};
            sigtimedwait(&m_pipe, nullptr, &zero); // the one our write raised
        }
        pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }
    Q_DISABLE_COPY_MOVE(PipeSignalBlock)

private:
    sigset_t m_pipe;
    sigset_t m_old;
    bool m_wasPending = false;
};

} // namespace

OutputFile::OutputFile(const QString &name)
    : m_name(name)
{
}

OutputFile::~OutputFile()
{
    cancel();
}

// Why the name cannot be written, or empty; *inPlace when it is written
// where it stands, *fd when it is a stream already open.
QString OutputFile::refusal(bool *inPlace, bool *isFifo, int *fd) const
{
    *fd = standardStream(m_name, true);
    *inPlace = *fd >= 0;
    *isFifo = false;
    if (*inPlace)
        return QString();
    const QByteArray path = QFile::encodeName(m_name);
    struct stat st = {};
    if (::stat(path.constData(), &st) != 0) {
        const int code = errno;
        struct stat link = {};
        if (code == ENOENT && ::lstat(path.constData(), &link) == 0)
            return tr("%1 points to %2, which does not exist").arg(m_name, danglingEnd(m_name));
        // A new file, which QSaveFile creates; a missing folder it reports.
        return code == ENOENT ? QString() : systemError(code);
    }
    if (S_ISREG(st.st_mode))
        return QString();
    *isFifo = S_ISFIFO(st.st_mode);
    *inPlace = *isFifo || S_ISCHR(st.st_mode);
    if (*inPlace)
        return QString();
    if (S_ISDIR(st.st_mode))
        return tr("it is a directory");
    if (S_ISBLK(st.st_mode))
        return tr("it is a block device");
    return S_ISSOCK(st.st_mode) ? tr("it is a socket") : tr("it is not a regular file");
}

bool OutputFile::open(ReaderWait wait)
{
    cancel();
    m_error.clear();
    m_inPlace = false;
    bool inPlace = false;
    bool isFifo = false;
    int fd = -1;
    m_error = refusal(&inPlace, &isFifo, &fd);
    if (!m_error.isEmpty())
        return false;
    if (inPlace)
        return openInPlace(fd, isFifo, wait);
    m_save = std::make_unique<QSaveFile>(m_name);
    if (!m_save->open(QIODevice::WriteOnly)) {
        m_error = m_save->errorString();
        m_save.reset();
        return false;
    }
    return true;
}

bool OutputFile::openInPlace(int fd, bool isFifo, ReaderWait wait)
{
    QFileDevice::FileHandleFlags handle = QFileDevice::DontCloseHandle;
    if (fd < 0) {
        // Never created and never truncated: the node itself stays.
        const int nonBlocking = wait == ReaderWait::FailAtOnce ? O_NONBLOCK : 0;
        fd = ::open(QFile::encodeName(m_name).constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC | nonBlocking);
        if (fd < 0) {
            m_error = errno == ENXIO && isFifo ? tr("no program is reading from the FIFO") : systemError(errno);
            return false;
        }
        // Written with blocking writes: a slow reader is waited for.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        handle = QFileDevice::AutoCloseHandle;
    }
    m_stream = std::make_unique<QFile>();
    if (!m_stream->open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, handle)) {
        m_error = m_stream->errorString();
        m_stream.reset();
        if (handle == QFileDevice::AutoCloseHandle)
            ::close(fd);
        return false;
    }
    m_inPlace = true;
    return true;
}

bool OutputFile::write(const std::function<bool(QIODevice *)> &writeAll)
{
    if (m_save) {
        const std::unique_ptr<QSaveFile> file = std::move(m_save);
        return commitGuarded(*file, writeAll, &m_error);
    }
    if (!m_stream) {
        if (m_error.isEmpty())
            m_error = tr("no file is open for writing");
        return false;
    }
    const std::unique_ptr<QFile> stream = std::move(m_stream);
    const PipeSignalBlock noSigpipe;
    if (writeAll(stream.get()) && stream->flush() && stream->error() == QFileDevice::NoError)
        return true;
    m_error = stream->errorString();
    return false;
}

void OutputFile::cancel()
{
    if (m_save) {
        m_save->cancelWriting();
        m_save->commit(); // removes the temporary file; the target stays
        m_save.reset();
    }
    m_stream.reset();
}

bool openInput(const QString &name, QFile *file, bool *regular, QString *error)
{
    struct stat st = {};
    const int fd = standardStream(name, false);
    if (fd >= 0) {
        *regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        if (file->open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            return true;
        *error = file->errorString();
        return false;
    }
    // Checked before opening: a FIFO's open waits for a writer, a
    // directory's would only fail with a vaguer reason.
    if (::stat(QFile::encodeName(name).constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
        *error = OutputFile::tr("it is a directory");
        return false;
    }
    *regular = S_ISREG(st.st_mode);
    file->setFileName(name);
    if (file->open(QIODevice::ReadOnly))
        return true;
    *error = file->errorString();
    return false;
}

bool readBounded(QIODevice *device, qint64 bound, QByteArray *bytes)
{
    constexpr qint64 Chunk = 64 * 1024;
    bytes->clear();
    while (bytes->size() <= bound) {
        const qsizetype before = bytes->size();
        bytes->resize(before + qsizetype(qMin(Chunk, bound + 1 - before)));
        const qint64 n = device->read(bytes->data() + before, bytes->size() - before);
        bytes->resize(before + qsizetype(qMax<qint64>(n, 0)));
        if (n <= 0)
            break;
    }
    const auto *file = qobject_cast<const QFileDevice *>(device);
    return !file || file->error() == QFileDevice::NoError;
}

bool sameRegularFile(const QString &inName, const QString &outName)
{
    auto identify = [](const QString &name, bool output, struct stat *st) {
        const int fd = standardStream(name, output);
        const int got = fd >= 0 ? ::fstat(fd, st) : ::stat(QFile::encodeName(name).constData(), st);
        return got == 0 && S_ISREG(st->st_mode);
    };
    struct stat in = {};
    struct stat out = {};
    return identify(inName, false, &in) && identify(outName, true, &out) && in.st_dev == out.st_dev
        && in.st_ino == out.st_ino;
}

bool nameTaken(const QString &name)
{
    struct stat st = {};
    return ::lstat(QFile::encodeName(name).constData(), &st) == 0;
}

bool isStandardInput(const QString &name)
{
    return standardStream(name, false) >= 0;
}
