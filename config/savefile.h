#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;
class QSaveFile;

// Writes data into an opened QSaveFile and commits it only when every byte was
// written and flushed. Qt 6.4's commit() alone can accept a short write, which
// would replace a good file by a truncated one; on any failure the temporary
// file is discarded and the target stays as it was.
bool commitGuarded(QSaveFile &file, const QByteArray &data, QString *error = nullptr);

// The same with the data written by writeAll, which returns false when the
// file took less than all of it.
bool commitGuarded(QSaveFile &file, const std::function<bool(QIODevice *)> &writeAll,
                   QString *error = nullptr);

// Opens fileName through QSaveFile and writes data as above.
bool writeFileAtomically(const QString &fileName, const QByteArray &data, QString *error = nullptr);
bool writeFileAtomically(const QString &fileName, const std::function<bool(QIODevice *)> &writeAll,
                         QString *error = nullptr);
