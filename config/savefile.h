#pragma once

#include <QByteArray>
#include <QString>

class QSaveFile;

// Writes data into an opened QSaveFile and commits it only when every byte was
// written and flushed. Qt 6.4's commit() alone can accept a short write, which
// would replace a good file by a truncated one; on any failure the temporary
// file is discarded and the target stays as it was.
bool commitGuarded(QSaveFile &file, const QByteArray &data, QString *error = nullptr);

// Opens fileName through QSaveFile and writes data as above.
bool writeFileAtomically(const QString &fileName, const QByteArray &data, QString *error = nullptr);
