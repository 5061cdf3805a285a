#include "paths/Paths.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QSysInfo>

QString ReplaceFirstExe(const QString& path, const QString& extension)
{
    const qsizetype at = path.indexOf(QLatin1String("exe"));
    if (at < 0)
        return path + QLatin1Char('.') + extension;
    return path.left(at) + extension;
}

AppPaths DeterminePaths()
{
    AppPaths paths;
    paths.exePath = QCoreApplication::applicationFilePath();
#ifdef Q_OS_WIN
    paths.osFamily = QStringLiteral("WinNT/WinXP");
    paths.portSettingsPath = ReplaceFirstExe(paths.exePath, QStringLiteral("cfg"));
    paths.configFolder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
#else
#if defined(Q_OS_LINUX)
    paths.osFamily = QStringLiteral("Linux");
#elif defined(Q_OS_MACOS)
    paths.osFamily = QStringLiteral("macOS");
#else
    paths.osFamily = QSysInfo::kernelType();
#endif
    // Beside the program is rarely writable here; the per-user folder is.
    paths.configFolder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    paths.portSettingsPath = paths.configFolder + QStringLiteral("/mv2mgr.cfg");
#endif
    paths.backupFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/backups");
    return paths;
}
