#include "win32/Frame.h"

#include "files/PortSettings.h"
#include "files/WideText.h"
#include "keyer/PortDiscovery.h"
#include "keyer/PortNames.h"
#include "keyer/PortProblems.h"
#include "keyer/win32/ComPorts.h"
#include "ui/BackupList.h"
#include "ui/FileCommands.h"
#include "ui/Layouts.h"
#include "ui/PanelRules.h"
#include "win32/Dialogs.h"
#include "win32/MessagePump.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <shellapi.h>
#include <string_view>
#include <vector>

namespace {

constexpr wchar_t ClassName[] = L"Morvel";

// Windows names its own COM ports, and the settings finder is the Linux
// window's: neither is offered here.
bool OnThisFace(int id)
{
    return id != Cmd::AssignDevice && id != Cmd::GoToSetting;
}

// The commands on files and ports, which stay still while the keyer is
// talked to: a file opened or a port changed then would be undone by it.
bool WaitsForOperation(int id)
{
    return id == Cmd::Open || id == Cmd::OpenBackup || id == Cmd::Save || PortForCommand(id) != 0;
}

// Where the Comm menu stands in the menu bar.
int CommMenuPosition()
{
    for (std::size_t position = 0; position < MainMenu.size(); ++position) {
        for (const MenuItemSpec& item : MainMenu[position].items) {
            if (item.caption && PortForCommand(item.id) != 0)
                return static_cast<int>(position);
        }
    }
    return -1;
}

bool RegisterWindowClass(WNDPROC procedure)
{
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (::GetClassInfoExW(instance, ClassName, &windowClass))
        return true;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    const HICON icon = ::LoadIconW(instance, MAKEINTRESOURCEW(ProgramIconId));
    windowClass.hIcon = icon ? icon : ::LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hIconSm =
        icon ? static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(ProgramIconId), IMAGE_ICON, 16, 16, 0))
             : nullptr;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_SCROLLBAR + 1);
    windowClass.lpszClassName = ClassName;
    return ::RegisterClassExW(&windowClass) != 0;
}

// "Ctrl+R" as a key of the window.
bool ParseShortcut(std::string_view shortcut, ACCEL& key)
{
    constexpr std::string_view Ctrl = "Ctrl+";
    if (!shortcut.starts_with(Ctrl) || shortcut.size() != Ctrl.size() + 1)
        return false;
    key.fVirt = FVIRTKEY | FCONTROL;
    key.key = static_cast<WORD>(shortcut.back());
    return true;
}

} // namespace

HMENU BuildMainMenu()
{
    const HMENU bar = ::CreateMenu();
    for (const MenuSpec& menu : MainMenu) {
        const HMENU popup = ::CreatePopupMenu();
        bool separator = false;
        int items = 0;
        for (const MenuItemSpec& item : menu.items) {
            if (!item.caption) {
                separator = items > 0;
                continue;
            }
            if (!OnThisFace(item.id))
                continue;
            if (separator)
                ::AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
            separator = false;
            std::string caption = item.caption;
            if (item.shortcut)
                caption += std::string("\t") + item.shortcut;
            ::AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(item.id), Wide(caption).c_str());
            ++items;
        }
        ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), Wide(menu.caption).c_str());
    }
    return bar;
}

HACCEL BuildKeys()
{
    std::vector<ACCEL> keys;
    for (const MenuSpec& menu : MainMenu) {
        for (const MenuItemSpec& item : menu.items) {
            ACCEL key{};
            if (item.caption && item.shortcut && OnThisFace(item.id) && ParseShortcut(item.shortcut, key)) {
                key.cmd = static_cast<WORD>(item.id);
                keys.push_back(key);
            }
        }
    }
    return ::CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
}

Frame::Frame(const AppPaths& paths, Prompts& prompts, PanelCommands& keyer, std::int32_t selectedPort, int density)
    : paths(paths), prompts(prompts), keyer(keyer), selectedPort(selectedPort)
{
    if (!RegisterWindowClass(WindowProc))
        return;
    const WindowPixels size = InitialWindowSize(density);
    width = size.width;
    height = size.height;
    wchar_t verify[8] = {};
    ::GetPrivateProfileStringW(L"General", L"verifyAfterWriting", L"false", verify, 8, OptionsPath().c_str());
    verifyAfterWriting = std::wstring_view(verify) == L"true";
    keys = BuildKeys();
    window = ::CreateWindowExW(0, ClassName, Wide(MainWindowTitle()).c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, width, height,
                               nullptr, BuildMainMenu(), ::GetModuleHandleW(nullptr), this);
    if (!window)
        return;
    // Everything in the panel must be seen at the start, whatever this
    // system's fonts make of its dialog units.
    RECT needed{0, 0, panel->LaidOutSize().cx, panel->LaidOutSize().cy};
    ::AdjustWindowRectEx(&needed, WS_OVERLAPPEDWINDOW, TRUE, 0);
    width = std::max(width, static_cast<int>(needed.right - needed.left));
    height = std::max(height, static_cast<int>(needed.bottom - needed.top));
    ::SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Frame::~Frame()
{
    if (window) {
        // Gone with its object, not closed by the person: no quit request.
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        ::DestroyWindow(window);
    }
    if (keys)
        ::DestroyAcceleratorTable(keys);
}

LRESULT CALLBACK Frame::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* frame = static_cast<Frame*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        frame->window = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame));
    }
    auto* frame = reinterpret_cast<Frame*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    return frame ? frame->Dispatch(message, wParam, lParam) : ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Frame::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        panel = std::make_unique<Panel>(window, image, prompts, keyer);
        // A chosen port above Com12 has its item, and its check mark, from the start.
        UpdatePortCaptions(::GetSubMenu(::GetMenu(window), CommMenuPosition()));
        ::CheckMenuItem(::GetMenu(window), Cmd::VerifyAfterWriting,
                        MF_BYCOMMAND | (verifyAfterWriting ? MF_CHECKED : MF_UNCHECKED));
        return panel->Handle() ? 0 : -1;
    case WM_SETFOCUS:
        ::SetFocus(panel->Handle());
        return 0;
    case WM_SIZE:
        // The panel is all the window shows: no band of the window's own
        // background beside or below it, at any density or size.
        if (panel && panel->Handle())
            ::MoveWindow(panel->Handle(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_ERASEBKGND: {
        // Only seen while the panel's own frame is dragged smaller; the
        // class keeps the scroll-bar colour, which classic Windows drew in
        // the dialogs' grey.
        RECT client{};
        ::GetClientRect(window, &client);
        ::FillRect(reinterpret_cast<HDC>(wParam), &client, ::GetSysColorBrush(COLOR_3DFACE));
        return 1;
    }
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMaxTrackSize = {width, height};
        return 0;
    case WM_COMMAND:
        Command(LOWORD(wParam));
        return 0;
    case WM_INITMENUPOPUP:
        if (reinterpret_cast<HMENU>(wParam) == ::GetSubMenu(::GetMenu(window), CommMenuPosition()))
            UpdatePortCaptions(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_CLOSE:
        // A keyer operation may be waiting in one of its boxes: closing now
        // would pull the panel away from under it.
        if (!keyer.Busy())
            ::DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

void Frame::UpdatePortMenu()
{
    const HMENU menu = ::GetMenu(window);
    for (int port = 1; port <= HighestPort(); ++port)
        ::CheckMenuItem(menu, CommandForPort(port), MF_BYCOMMAND | (port == selectedPort ? MF_CHECKED : MF_UNCHECKED));
}

void Frame::UpdatePortCaptions(HMENU comm)
{
    if (!comm)
        return;
    for (int position = ::GetMenuItemCount(comm) - 1; position >= 0; --position) {
        if (PortForCommand(static_cast<int>(::GetMenuItemID(comm, position))) > PortCount)
            ::DeleteMenu(comm, static_cast<UINT>(position), MF_BYPOSITION);
    }
    UINT after = 0;
    while (after < static_cast<UINT>(::GetMenuItemCount(comm)) &&
           ::GetMenuItemID(comm, static_cast<int>(after)) != static_cast<UINT>(CommandForPort(PortCount)))
        ++after;
    // Opened during an operation, the ports stay as still as the table's.
    const UINT state = MF_STRING | (keyer.Busy() ? MF_GRAYED : MF_ENABLED);
    const AdapterDescriptions present = ComPortsPresent();
    for (const int port : OfferedPorts(selectedPort, present)) {
        const auto id = static_cast<UINT_PTR>(CommandForPort(port));
        const std::wstring caption = Wide(AsMenuText(PortCaption(DescribePort(port, {}, present))));
        if (port <= PortCount)
            ::ModifyMenuW(comm, static_cast<UINT>(id), MF_BYCOMMAND | state, id, caption.c_str());
        else
            ::InsertMenuW(comm, ++after, MF_BYPOSITION | state, id, caption.c_str());
    }
    UpdatePortMenu();
}

void Frame::AfterOpen()
{
    panel->RefreshPanel(); // also after a cancel: typed values go back to the image's
}

FileNameDisplay Frame::ShowName()
{
    return [this](const std::string& text, const std::string& path) { panel->ShowFileName(text, path); };
}

void Frame::OpenNamedFile(const std::string& path)
{
    LoadNamedEepromFile(image, prompts, Owner::MainWindow, ShowName(), path);
    AfterOpen();
}

void Frame::Command(int id)
{
    if (keyer.Busy() && WaitsForOperation(id))
        return;
    if (const int port = PortForCommand(id)) {
        selectedPort = port;
        if (const std::string warning = WritePortSettings(paths.portSettingsPath, selectedPort); !warning.empty())
            prompts.WarningBox(warning, {});
        UpdatePortMenu();
        return;
    }
    const FileNameDisplay showName = ShowName();
    switch (id) {
    case Cmd::Open:
        if (OpenEepromFile(image, prompts, Owner::MainWindow, showName) == 1)
            ::SetWindowTextW(window, Wide(MainWindowTitle()).c_str());
        AfterOpen();
        break;
    case Cmd::OpenBackup: {
        const OpenedBackup opened =
            OpenBackupFile(image, panel->FieldTextsNow(), prompts, showName, paths.backupFolder, std::time(nullptr));
        AfterOpen();
        // The title says which backup the panel shows; a file is named in the panel.
        if (opened.loaded == 1)
            ::SetWindowTextW(window, Wide(MainWindowTitle(opened.label)).c_str());
        break;
    }
    case Cmd::Save:
        if (panel->ValidatePanel() == 1)
            SaveEepromFile(image, prompts, Owner::MainWindow, showName);
        break;
    case Cmd::Exit:
        if (!keyer.Busy())
            ::PostQuitMessage(0);
        break;
    case Cmd::ReadMV:
        keyer.Press(ControlId::ReadMV);
        break;
    case Cmd::WriteMV:
        keyer.Press(ControlId::WriteMV);
        break;
    case Cmd::TestMV:
        keyer.Press(ControlId::TestMV);
        break;
    case Cmd::VerifyAfterWriting:
        SetVerifyAfterWriting(!verifyAfterWriting);
        break;
    case Cmd::About:
        RunAboutBox(window, paths.osFamily);
        break;
    case Cmd::Help:
        OpenHelp();
        break;
    default:
        break;
    }
}

std::wstring Frame::OptionsPath() const
{
    return Wide(paths.configFolder + "\\mv2mgr.ini");
}

void Frame::SetVerifyAfterWriting(bool on)
{
    verifyAfterWriting = on;
    ::CheckMenuItem(::GetMenu(window), Cmd::VerifyAfterWriting, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    // Remembered between runs; a folder that takes no file forgets it.
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(Wide(paths.configFolder)), ignored);
    ::WritePrivateProfileStringW(L"General", L"verifyAfterWriting", on ? L"true" : L"false", OptionsPath().c_str());
}

void Frame::OpenHelp()
{
    const std::string index = HelpIndexPath(paths);
    const auto opened = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(window, L"open", Wide(index).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (opened <= 32)
        prompts.ErrorBox(Owner::MainWindow,
                         "The help pages cannot be opened (" + index + "): " + SystemErrorText(::GetLastError()) + ".");
}

bool Frame::TakeKeys(MSG& message)
{
    if (keys && ::TranslateAcceleratorW(window, keys, &message))
        return true;
    // Tab, Shift+Tab, arrows and the buttons' Alt keys within the panel.
    return panel && panel->Handle() && ::IsDialogMessageW(panel->Handle(), &message);
}

bool Frame::Pump()
{
    return PumpMessages([this](MSG& message) { return TakeKeys(message); });
}

void Frame::ShowBusy(bool busy)
{
    const HMENU menu = ::GetMenu(window);
    for (const MenuSpec& popup : MainMenu) {
        for (const MenuItemSpec& item : popup.items) {
            if (item.caption && WaitsForOperation(item.id))
                ::EnableMenuItem(menu, static_cast<UINT>(item.id), MF_BYCOMMAND | (busy ? MF_GRAYED : MF_ENABLED));
        }
    }
    for (int port = PortCount + 1; port <= HighestPort(); ++port)
        ::EnableMenuItem(menu, static_cast<UINT>(CommandForPort(port)), MF_BYCOMMAND | (busy ? MF_GRAYED : MF_ENABLED));
}

int Frame::Run()
{
    ::ShowWindow(window, SW_SHOWNORMAL);
    ::UpdateWindow(window);
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (TakeKeys(message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
