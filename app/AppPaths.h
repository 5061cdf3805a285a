#pragma once

// Where the program finds its files on this platform, and how big its window
// starts on this screen.

#include <QSize>
#include <QString>

class QScreen;

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

// The window's size in device pixels for a screen of `density` pixels per
// logical inch.
QSize InitialWindowSize(int density);

// Pixels per logical inch of the screen, counting its device pixel ratio.
int ScreenDensity(const QScreen* screen);
