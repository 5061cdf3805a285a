#pragma once

// Where the program finds its files on this platform: the window and the
// command line use the same ones.

#include <QString>

struct AppPaths {
    QString exePath;
    QString portSettingsPath;
    QString configFolder; // where com<n> links override the port devices
    QString backupFolder; // where images read from and written to keyers are kept
    QString osFamily;     // shown in the About box
};

AppPaths DeterminePaths();

// The path with its first lower-case "exe" replaced by `extension` and cut
// right after it; a path without one gets ".<extension>" appended.
QString ReplaceFirstExe(const QString& path, const QString& extension);
