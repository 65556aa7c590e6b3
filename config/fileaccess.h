#pragma once

#include <QCoreApplication>
#include <QString>

#include <functional>
#include <memory>

class QFile;
class QIODevice;
class QSaveFile;

// Where a name given for writing finally leads decides how it is written:
// - a regular file, or a name under which nothing exists yet: replaced
//   through QSaveFile, a temporary file beside it renamed over it only when
//   every byte was written (a link to a regular file: the file is replaced,
//   the link stays);
// - a FIFO or a character device, directly or through links: opened by the
//   name given (so /dev/fd/N works) and written in place, so /dev/null stays
//   a device and a reader on a FIFO gets the bytes; a write error is an error;
// - "-", /dev/stdout and /dev/stderr: the stream already open, written in
//   place (an appending shell redirection keeps what was there);
// - a socket, a block device, a directory, a dangling link and a link loop:
//   refused before anything is created.
// Nothing but the temporary file beside a regular target is ever created,
// renamed or removed.
class OutputFile
{
    Q_DECLARE_TR_FUNCTIONS(OutputFile)

public:
    // Opening a FIFO waits for a reader, as a shell's ">" does; a window
    // must not freeze on one and fails at once instead.
    enum class ReaderWait { Wait, FailAtOnce };

    explicit OutputFile(const QString &name);
    ~OutputFile();
    Q_DISABLE_COPY_MOVE(OutputFile)

    // Decides how the name is written and opens it; false, with
    // errorString(), when it is refused or cannot be opened.
    bool open(ReaderWait wait = ReaderWait::Wait);

    // Writes through writeAll (false when the device took less than all of
    // it) and makes the result final: a regular target is replaced only when
    // everything was written and flushed, else left as it was.
    bool write(const std::function<bool(QIODevice *)> &writeAll);

    // Drops an opened output: the temporary file goes, the target stays.
    void cancel();

    // True after open() chose to write in place: what is written is a copy
    // sent somewhere, not a file that holds the document.
    bool inPlace() const { return m_inPlace; }
    QString fileName() const { return m_name; }
    QString errorString() const { return m_error; }

private:
    bool openInPlace(int fd, bool isFifo, ReaderWait wait);
    QString refusal(bool *inPlace, bool *isFifo, int *fd) const;

    QString m_name;
    std::unique_ptr<QSaveFile> m_save;
    std::unique_ptr<QFile> m_stream;
    bool m_inPlace = false;
    QString m_error;
};

// Opens a name for reading: "-" and /dev/stdin are the standard input already
// open, anything else is opened by its name. *regular says whether it is a
// regular file (whose size can be trusted); false with *error, the system's
// reason, when it cannot be opened or is a directory.
bool openInput(const QString &name, QFile *file, bool *regular, QString *error);

// Reads a device to its end, but never more than bound + 1 bytes: input that
// is not a regular file (a pipe, /dev/zero) has no size to check first, so
// one byte more than the bound says it is too large. False on a read error.
bool readBounded(QIODevice *device, qint64 bound, QByteArray *bytes);

// True when an input name and an output name lead to the same regular file
// (the same device and inode, through any path or link); "-" is the standard
// input on the one side and the standard output on the other.
bool sameRegularFile(const QString &inName, const QString &outName);

// True for "-" and /dev/stdin as input names: the stream has no name of its
// own to go by.
bool isStandardInput(const QString &name);

// True when anything stands under the name, a dangling link included.
bool nameTaken(const QString &name);
