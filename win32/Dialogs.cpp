#include "win32/Dialogs.h"

#include "ui/PanelRules.h"
#include "ui/Layouts.h"
#include "win32/DialogTemplate.h"
#include "files/WideText.h"

#include <algorithm>
#include <commdlg.h>
#include <vector>

namespace {

constexpr wchar_t Title[] = L"Error";

std::string FolderOf(const std::string& path)
{
    const auto cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

INT_PTR CALLBACK AboutProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const auto* osFamily = reinterpret_cast<const std::string*>(lParam);
        ::SetDlgItemTextW(box, static_cast<int>(ControlId::AboutVersion), Wide(VersionLine()).c_str());
        ::SetDlgItemTextW(box, static_cast<int>(ControlId::AboutSystem), Wide(SystemLine(*osFamily)).c_str());
        // The program's picture, drawn for the room the icon area has at
        // this density rather than stretched from the standard size.
        const HWND area = ::GetDlgItem(box, static_cast<int>(ControlId::AboutIcon));
        RECT room{};
        ::GetClientRect(area, &room);
        const int size = std::min(room.right, room.bottom);
        if (const HANDLE icon =
                ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ProgramIconId), IMAGE_ICON, size, size, 0))
            ::SendMessageW(area, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
        return TRUE;
    }
    case WM_DESTROY:
        if (const auto icon = ::SendDlgItemMessageW(box, static_cast<int>(ControlId::AboutIcon), STM_GETICON, 0, 0))
            ::DestroyIcon(reinterpret_cast<HICON>(icon));
        return FALSE;
    case WM_COMMAND:
        // Only OK, or Enter on it; Escape leaves the box open.
        if (wParam == static_cast<WPARAM>(ControlId::AboutOk))
            ::EndDialog(box, 1);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void Win32Prompts::SetOwners(HWND main, HWND panel)
{
    mainWindow = main;
    editorPanel = panel;
}

HWND Win32Prompts::OwnerWindow(Owner owner) const
{
    return owner == Owner::EditorPanel ? editorPanel : mainWindow;
}

void Win32Prompts::ErrorBox(Owner owner, const std::string& text)
{
    ::MessageBoxW(OwnerWindow(owner), Wide(text).c_str(), Title, MB_OK);
}

void Win32Prompts::WarningBox(const std::string& text, const std::string& details)
{
    // No owner: the rest of the program stays usable while it is open.
    const std::string shown = details.empty() ? text : text + "\n\n" + details;
    ::MessageBoxW(nullptr, Wide(shown).c_str(), Title, MB_OK | MB_ICONEXCLAMATION);
}

std::optional<std::string> Win32Prompts::ChooseOpenFile(Owner owner, const std::string& folder)
{
    return Choose(owner, folder, false);
}

std::optional<std::string> Win32Prompts::ChooseSaveFile(Owner owner)
{
    return Choose(owner, {}, true);
}

std::optional<std::string> Win32Prompts::Choose(Owner owner, const std::string& folder, bool save)
{
    // Room for the longest path Windows has, not the 255 characters of old.
    std::vector<wchar_t> name(32768, L'\0');
    const std::wstring start = Wide(folder.empty() ? lastFolder : folder);
    OPENFILENAMEW chooser{};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = OwnerWindow(owner);
    chooser.lpstrFilter = L"EEPROM Files (*.eep)\0*.eep\0All Documents (*.*)\0*.*\0";
    chooser.nFilterIndex = 1;
    chooser.lpstrFile = name.data();
    chooser.nMaxFile = static_cast<DWORD>(name.size());
    chooser.lpstrInitialDir = start.empty() ? nullptr : start.c_str();
    chooser.lpstrDefExt = L"eep";
    // A name of a file that does not exist is taken, to be told so.
    chooser.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    const BOOL chosen = save ? ::GetSaveFileNameW(&chooser) : ::GetOpenFileNameW(&chooser);
    if (!chosen)
        return std::nullopt;
    const std::string path = Utf8(name.data());
    lastFolder = FolderOf(path);
    return path;
}

INT_PTR RunAboutBox(HWND owner, const std::string& osFamily)
{
    const std::vector<WORD> layout =
        DialogTemplate(AboutBoxLayout, DS_MODALFRAME | WS_POPUP | WS_CAPTION, L"MS Shell Dlg", 8);
    return ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(layout.data()),
                                     owner, AboutProc, reinterpret_cast<LPARAM>(&osFamily));
}

std::string HelpIndexPath(const AppPaths& paths)
{
    const std::string folder = FolderOf(paths.helpPath);
    return (folder.empty() ? std::string() : folder + "\\") + "help\\index.html";
}
