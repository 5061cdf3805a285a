#include "win32/Dialogs.h"

#include "files/WideText.h"
#include "ui/Layouts.h"
#include "ui/PanelRules.h"
#include "win32/DialogTemplate.h"

#include <algorithm>
#include <commdlg.h>
#include <vector>

namespace {


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

// What a backups dialog shows, and what the person chose.
struct BackupDialog {
    const std::vector<std::string>* rows = nullptr;
    std::string leftOut, text, action;
    int chosen = -1;
};

HWND Item(HWND dialog, ControlId id)
{
    return ::GetDlgItem(dialog, static_cast<int>(id));
}

// Moves `control` right by `dx`, or makes it wider by `dx`.
void Shift(HWND dialog, HWND control, int dx, bool widen)
{
    RECT place{};
    ::GetWindowRect(control, &place);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
    ::SetWindowPos(control, nullptr, place.left + (widen ? 0 : dx), place.top,
                   place.right - place.left + (widen ? dx : 0), place.bottom - place.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

// Takes the room of the hidden `gone` away: the buttons below it come up,
// and the box is no taller than what it shows.
void CloseUp(HWND dialog, HWND gone)
{
    RECT hidden{}, button{}, outer{};
    ::GetWindowRect(gone, &hidden);
    ::GetWindowRect(Item(dialog, ControlId::BackupsOpen), &button);
    ::GetWindowRect(dialog, &outer);
    const int dy = button.top - hidden.top;
    for (const ControlId id : {ControlId::BackupsOpen, ControlId::BackupsCancel}) {
        RECT place{};
        const HWND control = Item(dialog, id);
        ::GetWindowRect(control, &place);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
        ::SetWindowPos(control, nullptr, place.left, place.top - dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::SetWindowPos(dialog, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top - dy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Widens the list until its longest row shows whole, as far as the screen
// allows; what still does not fit scrolls sideways.
void FitRows(HWND dialog, HWND list, const std::vector<std::string>& rows)
{
    const HDC dc = ::GetDC(list);
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0));
    const HGDIOBJ old = ::SelectObject(dc, font);
    int widest = 0;
    for (const std::string& row : rows) {
        const std::wstring wide = Wide(row);
        SIZE size{};
        ::GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx) + 8);
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(list, dc);
    ::SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest), 0);
    RECT inside{}, outer{}, screen{};
    ::GetClientRect(list, &inside);
    ::GetWindowRect(dialog, &outer);
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
    const int room = (screen.right - screen.left) * 9 / 10 - (outer.right - outer.left);
    const int dx = std::min(widest + ::GetSystemMetrics(SM_CXVSCROLL) - static_cast<int>(inside.right), room);
    if (dx <= 0)
        return;
    ::SetWindowPos(dialog, nullptr, 0, 0, outer.right - outer.left + dx, outer.bottom - outer.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const int id = ::GetDlgCtrlID(child);
        const bool button =
            id == static_cast<int>(ControlId::BackupsOpen) || id == static_cast<int>(ControlId::BackupsCancel);
        Shift(dialog, child, dx, !button);
    }
}

INT_PTR CALLBACK BackupProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* shown = reinterpret_cast<BackupDialog*>(::GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        shown = reinterpret_cast<BackupDialog*>(lParam);
        const HWND list = Item(dialog, ControlId::BackupsList);
        if (!list) {
            // The box offered in place of the list.
            ::SetDlgItemTextW(dialog, static_cast<int>(ControlId::OfferText), Wide(shown->text).c_str());
            ::SetDlgItemTextW(dialog, static_cast<int>(ControlId::BackupsOpen), Wide(shown->action).c_str());
            ::SetDlgItemTextW(dialog, static_cast<int>(ControlId::OfferDetails), Wide(shown->leftOut).c_str());
            ::ShowWindow(Item(dialog, ControlId::OfferDetails), shown->leftOut.empty() ? SW_HIDE : SW_SHOW);
            if (shown->leftOut.empty())
                CloseUp(dialog, Item(dialog, ControlId::OfferDetails));
            ::SetFocus(Item(dialog, ControlId::BackupsOpen));
            return FALSE; // the focus is set
        }
        for (const std::string& row : *shown->rows)
            ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(row).c_str()));
        ::SendMessageW(list, LB_SETCURSEL, 0, 0);
        FitRows(dialog, list, *shown->rows);
        // Nothing left out: no note, and no stop for it.
        ::SetDlgItemTextW(dialog, static_cast<int>(ControlId::BackupsLeftOut), Wide(shown->leftOut).c_str());
        if (shown->leftOut.empty()) {
            ::ShowWindow(Item(dialog, ControlId::BackupsLeftOut), SW_HIDE);
            ::ShowWindow(::GetWindow(Item(dialog, ControlId::BackupsLeftOut), GW_HWNDPREV), SW_HIDE);
        }
        ::SetFocus(list);
        return FALSE; // the focus is set
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == static_cast<int>(ControlId::BackupsList) && HIWORD(wParam) == LBN_DBLCLK)
            wParam = static_cast<WPARAM>(ControlId::BackupsOpen);
        if (LOWORD(wParam) == static_cast<int>(ControlId::BackupsOpen)) {
            const HWND list = Item(dialog, ControlId::BackupsList);
            shown->chosen = list ? static_cast<int>(::SendMessageW(list, LB_GETCURSEL, 0, 0)) : 0;
            ::EndDialog(dialog, 1);
        } else if (LOWORD(wParam) == static_cast<int>(ControlId::BackupsCancel)) {
            ::EndDialog(dialog, 0);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

// Sentences one to a line, as an edit box breaks lines.
std::string Lines(const std::vector<std::string>& sentences)
{
    std::string lines;
    for (const std::string& sentence : sentences) {
        lines += lines.empty() ? "" : "\r\n";
        for (const char c : sentence)
            lines += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    return lines;
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
    ::MessageBoxW(OwnerWindow(owner), Wide(text).c_str(), Wide(ErrorTitle).c_str(), MB_OK);
}

void Win32Prompts::WarningBox(const std::string& text, const std::string& details)
{
    // No owner: the rest of the program stays usable while it is open.
    const std::string shown = details.empty() ? text : text + "\n\n" + details;
    ::MessageBoxW(nullptr, Wide(shown).c_str(), Wide(ErrorTitle).c_str(), MB_OK | MB_ICONEXCLAMATION);
}

namespace {

INT_PTR RunBackupDialog(HWND owner, const DialogSpec& layout, BackupDialog& shown)
{
    const std::vector<WORD> form =
        DialogTemplate(layout, DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, L"MS Shell Dlg", 8);
    return ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(form.data()),
                                     owner, BackupProc, reinterpret_cast<LPARAM>(&shown));
}

} // namespace

bool Win32Prompts::Offer(Owner owner, const std::string& text, const std::string& details, const std::string& action)
{
    BackupDialog shown;
    shown.text = text;
    shown.leftOut = details.empty() ? std::string() : Lines({details});
    shown.action = action;
    return RunBackupDialog(OwnerWindow(owner), BackupOfferLayout, shown) == 1;
}

std::optional<std::size_t> Win32Prompts::ChooseBackup(const std::vector<std::string>& rows,
                                                      const std::vector<std::string>& leftOut)
{
    BackupDialog shown;
    shown.rows = &rows;
    shown.leftOut = Lines(leftOut);
    if (RunBackupDialog(mainWindow, BackupListLayout, shown) != 1 || shown.chosen < 0)
        return std::nullopt;
    return static_cast<std::size_t>(shown.chosen);
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
