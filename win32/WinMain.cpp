#include "files/PortSettings.h"
#include "files/WideText.h"
#include "keyer/Operations.h"
#include "paths/Paths.h"
#include "win32/Dialogs.h"
#include "win32/Frame.h"
#include "win32/MessagePump.h"
#include "win32/PanelKeyer.h"
#include "keyer/win32/Win32SerialChannel.h"

#include <commctrl.h>
#include <shellapi.h>
#include <objbase.h>
#include <windows.h>

namespace {

// Pixels per logical inch across the screen; 0 when there is no screen.
int ScreenDensity()
{
    const HDC screen = ::GetDC(nullptr);
    if (!screen)
        return 0;
    const int density = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    return density;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    ::InitCommonControls();
    // A screen reader's questions arrive through COM, in this thread's
    // apartment, between the window's messages.
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const AppPaths paths = DeterminePaths();
    Win32Prompts prompts;
    std::int32_t selectedPort = 0;
    if (const std::string warning = ReadPortSettings(paths.portSettingsPath, selectedPort); !warning.empty())
        prompts.WarningBox(warning, {});

    // While the keyer is talked to, the window goes on painting and counting.
    Frame* window = nullptr;
    const auto pump = [&window] { return !window || window->Pump(); };
    PumpingWaiter waiter(pump);
    Win32SerialChannel channel(
        {}, [&waiter](int ms) { waiter.Wait(ms); }, [&pump] { pump(); });
    KeyerOperations operations(channel, waiter);
    operations.SetBackupFolder(paths.backupFolder);
    PanelKeyer keyer(operations, prompts);

    Frame frame(paths, prompts, keyer, selectedPort, ScreenDensity());
    if (!frame)
        return 0;
    window = &frame;
    keyer.Bind(frame);
    prompts.SetOwners(frame.Handle(), frame.EditorPanel().Handle());
    // An .eep opened from Explorer, or dropped on the program, arrives here;
    // it is opened once the window is seen, so that a box about it has its owner.
    int count = 0;
    wchar_t** const args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    const std::string file = args && count > 1 ? Utf8(args[1]) : std::string();
    ::LocalFree(args);
    if (!file.empty()) {
        ::ShowWindow(frame.Handle(), SW_SHOWNORMAL);
        ::UpdateWindow(frame.Handle());
        frame.OpenNamedFile(file);
    }
    return frame.Run();
}
