#pragma once

#include <QString>

// The editor's own settings: the number notation, in velunor.ini.
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

    // Writes `hex` to iniFile; false when the file could not be written.
    bool save() const;

    static QString resolveIniFile(const QString &appDir);

    QString iniFile;
    bool hex = false;

private:
    void load();
};
