#include "cli/Cli.h"
#include "files/RegularFile.h"
#include "files/WideText.h"
#include "keyer/win32/ComPorts.h"
#include "keyer/win32/Win32SerialChannel.h"
#include "paths/Paths.h"

#include <io.h>
#include <iostream>
#include <windows.h>

namespace {

// A command line has no window to keep painting: it sleeps.
class SleepingWaiter : public Waiter {
  public:
    void Wait(int ms) override
    {
        if (ms > 0)
            ::Sleep(static_cast<DWORD>(ms));
    }
};

} // namespace

int wmain(int argc, wchar_t* argv[])
{
    KeepWritesPastLimitsAsErrors();
    // What is printed is UTF-8 (a message's "é" refused, a path), as on Linux.
    ::SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(Utf8(argv[i]));
    const AppPaths found = DeterminePaths();
    const CliPaths paths{found.configFolder, found.portSettingsPath, found.backupFolder};
    SleepingWaiter waiter;
    const CliPlatform platform{[](const std::string&) { return std::make_unique<Win32SerialChannel>(); }, ComPortsPresent,
                               waiter, ::_isatty(_fileno(stderr)) != 0};
    return RunCli(args, paths, platform, std::cout, std::cerr);
}
