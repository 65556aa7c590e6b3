#include "dialogs/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {
const char *const iniName = "velunor.ini";
const char *const hexKey = "notation/hex";
const char *const recentKey = "files/recent";
const char *const geometryKey = "window/geometry";
const char *const splitterKey = "window/splitter";
const char *const pageKey = "window/page";
} // namespace

Settings::Settings()
    : Settings(QCoreApplication::applicationDirPath())
{
}

Settings::Settings(const QString &appDir)
    : iniFile(resolveIniFile(appDir))
{
    load();
}

QString Settings::resolveIniFile(const QString &appDir)
{
    QString besideExecutable = appDir;
    if (!besideExecutable.endsWith(QLatin1Char('/')))
        besideExecutable += QLatin1Char('/');
    besideExecutable += QLatin1String(iniName);

    // A portable copy keeps its settings beside it, but only where they can
    // be written: a file that cannot be written would refuse every save.
    const QFileInfo file(besideExecutable);
    const QFileInfo dir(appDir);
    if (file.exists() ? file.isFile() && file.isWritable() : dir.isDir() && dir.isWritable())
        return besideExecutable;

    // No writable location at all: the settings live for this session only,
    // and nothing is written to the file-system root.
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (perUser.isEmpty())
        return QString();
    return perUser + QLatin1Char('/') + QLatin1String(iniName);
}

void Settings::load()
{
    if (iniFile.isEmpty() || !QFileInfo::exists(iniFile))
        return;
    const QSettings store(iniFile, QSettings::IniFormat);
    hex = store.value(QLatin1String(hexKey), 0).toBool();
    recentFiles = store.value(QLatin1String(recentKey)).toStringList().mid(0, MaxRecentFiles);
    windowGeometry = store.value(QLatin1String(geometryKey)).toByteArray();
    splitterState = store.value(QLatin1String(splitterKey)).toByteArray();
    page = store.value(QLatin1String(pageKey), 0).toInt();
}

void Settings::addRecentFile(const QString &path)
{
    recentFiles.removeAll(path);
    recentFiles.prepend(path);
    recentFiles = recentFiles.mid(0, MaxRecentFiles);
}

bool Settings::save() const
{
    if (iniFile.isEmpty())
        return false;
    const QFileInfo info(iniFile);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    QSettings store(iniFile, QSettings::IniFormat);
    store.setValue(QLatin1String(hexKey), hex);
    store.setValue(QLatin1String(recentKey), recentFiles);
    store.setValue(QLatin1String(geometryKey), windowGeometry);
    store.setValue(QLatin1String(splitterKey), splitterState);
    store.setValue(QLatin1String(pageKey), page);
    store.sync();
    return store.status() == QSettings::NoError;
}
