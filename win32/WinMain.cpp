#include "files/PortSettings.h"
#include "paths/Paths.h"
#include "win32/Dialogs.h"
#include "win32/Frame.h"

#include <commctrl.h>
#include <windows.h>

namespace {

// The keyer buttons until the keyer operations stand behind them.
class NoKeyer : public PanelCommands {
  public:
    void Press(ControlId) override {}
    bool Busy() const override { return false; }
};

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
    const AppPaths paths = DeterminePaths();
    Win32Prompts prompts;
    std::int32_t selectedPort = 0;
    if (const std::string warning = ReadPortSettings(paths.portSettingsPath, selectedPort); !warning.empty())
        prompts.WarningBox(warning, {});
    NoKeyer keyer;
    Frame frame(paths, prompts, keyer, selectedPort, ScreenDensity());
    if (!frame)
        return 0;
    prompts.SetOwners(frame.Handle(), frame.EditorPanel().Handle());
    return frame.Run();
}
