#include "cli/Cli.h"
#include "files/RegularFile.h"
#include "paths/Paths.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    KeepWritesPastLimitsAsErrors();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mv2mgr"));
    const AppPaths found = DeterminePaths();
    const CliPaths paths{found.configFolder, found.portSettingsPath, found.backupFolder};
    QTextStream out(stdout);
    QTextStream err(stderr);
    return RunCli(QCoreApplication::arguments().mid(1), paths, out, err);
}
