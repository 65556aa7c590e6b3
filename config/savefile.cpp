#include "config/savefile.h"

#include <QSaveFile>

namespace {

bool writeAllBytes(QIODevice *device, const QByteArray &data)
{
    qint64 done = 0;
    while (done < data.size()) {
        const qint64 n = device->write(data.constData() + done, data.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

bool commitGuarded(QSaveFile &file, const QByteArray &data, QString *error)
{
    return commitGuarded(file, [&data](QIODevice *device) { return writeAllBytes(device, data); }, error);
}

bool commitGuarded(QSaveFile &file, const std::function<bool(QIODevice *)> &writeAll, QString *error)
{
    auto fail = [&] {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        file.commit(); // releases the temporary file; returns false after cancelWriting()
        return false;
    };
    if (!file.isOpen() || !writeAll(&file))
        return fail();
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        // A write cut short by a full disk or a file size limit leaves Qt
        // without a reason ("Unknown error"); a second attempt meets the
        // fault itself and names it.
        file.flush();
        return fail();
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool writeFileAtomically(const QString &fileName, const QByteArray &data, QString *error)
{
    return writeFileAtomically(fileName, [&data](QIODevice *device) { return writeAllBytes(device, data); }, error);
}

bool writeFileAtomically(const QString &fileName, const std::function<bool(QIODevice *)> &writeAll,
                         QString *error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return commitGuarded(file, writeAll, error);
}
