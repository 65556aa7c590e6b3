#include "config/savefile.h"

#include <QSaveFile>

bool commitGuarded(QSaveFile &file, const QByteArray &data, QString *error)
{
    auto fail = [&] {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        file.commit(); // releases the temporary file; returns false after cancelWriting()
        return false;
    };
    if (!file.isOpen())
        return fail();
    qint64 done = 0;
    while (done < data.size()) {
        const qint64 n = file.write(data.constData() + done, data.size() - done);
        if (n <= 0)
            return fail();
        done += n;
    }
    if (!file.flush() || file.error() != QFileDevice::NoError)
        return fail();
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool writeFileAtomically(const QString &fileName, const QByteArray &data, QString *error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return commitGuarded(file, data, error);
}
