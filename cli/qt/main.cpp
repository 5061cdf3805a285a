#include "cli/Cli.h"
#include "files/RegularFile.h"
#include "keyer/qt/QtAdapters.h"
#include "keyer/qt/QtSerialChannel.h"
#include "keyer/qt/QtWaiter.h"
#include "paths/Paths.h"

#include <QCoreApplication>
#include <iostream>
#include <unistd.h>

// On Linux the keyer is reached through Qt SerialPort, whose channel needs
// the event loop running while it waits.
int main(int argc, char* argv[])
{
    KeepWritesPastLimitsAsErrors();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mv2mgr"));
    const AppPaths found = DeterminePaths();
    const CliPaths paths{found.configFolder, found.portSettingsPath, found.backupFolder};
    // As Qt decodes them, the way this command line has always taken them.
    std::vector<std::string> args;
    for (const QString& arg : QCoreApplication::arguments().mid(1))
        args.push_back(arg.toStdString());
    EventLoopWaiter waiter;
    const CliPlatform platform{
        [](const std::string& configFolder) { return std::make_unique<QtSerialChannel>(configFolder); }, SystemAdapters,
        waiter, ::isatty(STDERR_FILENO) == 1};
    return RunCli(args, paths, platform, std::cout, std::cerr);
}
