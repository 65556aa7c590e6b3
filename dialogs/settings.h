#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The editor's own settings in velunor.ini: the number notation, the recent
// configurations and the window's geometry, page and splitter.
//
// The file lives beside the executable when it can be written there (a
// portable copy keeps its settings with it); otherwise, as for a system-wide
// install, in the per-user configuration directory. Reading and writing
// always use the same file; with no writable place at all, iniFile is empty
// and nothing is written.
class Settings {
public:
    Settings();
    // For tests: resolve the file against `appDir` instead of the executable's directory.
    explicit Settings(const QString &appDir);

    // Writes every setting to iniFile; false when the file could not be written.
    bool save() const;

    static QString resolveIniFile(const QString &appDir);

    // Puts a configuration first in recentFiles, once, keeping the newest
    // MaxRecentFiles.
    void addRecentFile(const QString &path);
    static constexpr int MaxRecentFiles = 8;

    QString iniFile;
    bool hex = false;
    QStringList recentFiles; // absolute paths, the most recent first
    QByteArray windowGeometry;
    QByteArray splitterState;
    int page = 0;

private:
    void load();
};
