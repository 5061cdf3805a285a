#include "win32/Panel.h"

#include "image/MessageText.h"
#include "keyer/Operations.h"
#include "ui/Layouts.h"
#include "win32/AccessibleName.h"
#include "win32/DialogTemplate.h"
#include "files/WideText.h"

#include <algorithm>
#include <commctrl.h>
#include <string_view>

namespace {

constexpr ControlId KeyerButtons[] = {ControlId::ReadMV, ControlId::WriteMV, ControlId::TestMV,
                                      ControlId::Test1,  ControlId::Test2,   ControlId::Test3,
                                      ControlId::Test4,  ControlId::Test5,   ControlId::Test6};

constexpr ControlId TippedTexts[] = {ControlId::LinkStatus, ControlId::OperationStatus, ControlId::FileName};

// The one list that shows the image from the start, as the keyer's editor did.
constexpr ControlId ShownFromStart = ControlId::Sidetone;

const Setting* SettingOf(int id)
{
    for (const Setting& setting : AllSettings()) {
        if (static_cast<int>(setting.id) == id)
            return &setting;
    }
    return nullptr;
}

int MessageOf(int id)
{
    const int n = id - static_cast<int>(ControlId::Message1) + 1;
    return n >= 1 && n <= MessageCount ? n : 0;
}

bool IsKeyerButton(int id)
{
    for (const ControlId button : KeyerButtons) {
        if (static_cast<int>(button) == id)
            return true;
    }
    return false;
}

// The texts that never change; the ones the program writes must erase what
// they showed before.
bool IsLabel(HWND control)
{
    const int id = ::GetDlgCtrlID(control);
    const bool named = id == static_cast<int>(ControlId::CompLabel) || id == static_cast<int>(ControlId::FirstExtLabel);
    wchar_t kind[16] = {};
    ::GetClassNameW(control, kind, 16);
    return (named || static_cast<WORD>(id) == 0xFFFF) && ::lstrcmpiW(kind, L"Static") == 0;
}

DialogSpec PanelPlace()
{
    // The panel's table puts it 13 units above the window's client area,
    // which would cut off the captions of its top group boxes.
    DialogSpec place = EditorPanelLayout;
    place.y = 0;
    return place;
}

// How wide a text control's text is drawn, in pixels.
int TextWidth(HWND control)
{
    const std::wstring text = WindowText(control);
    const HDC canvas = ::GetDC(control);
    const HGDIOBJ font = ::SelectObject(canvas, reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    ::GetTextExtentPoint32W(canvas, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(canvas, font);
    ::ReleaseDC(control, canvas);
    return size.cx;
}

std::wstring ListEntry(HWND list, LRESULT index)
{
    if (index < 0)
        return {};
    const auto length = ::SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    ::SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(text.find(L'\0'));
    return text;
}

} // namespace

std::wstring WindowText(HWND window)
{
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

Panel::Panel(HWND parent, EepromImage& image, Prompts& prompts, PanelCommands& commands)
    : image(image), prompts(prompts), commands(commands)
{
    layout = DialogTemplate(PanelPlace(), WS_CHILD | WS_VISIBLE | WS_BORDER | WS_THICKFRAME, L"Helv", 8);
    ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(layout.data()),
                                 parent, DialogProc, reinterpret_cast<LPARAM>(this));
    RECT made{};
    ::GetWindowRect(dialog, &made);
    laidOut = {made.right - made.left, made.bottom - made.top};
}

Panel::~Panel()
{
    if (dialog) {
        ::SetWindowLongPtrW(dialog, DWLP_USER, 0);
        ::DestroyWindow(dialog);
    }
}

INT_PTR CALLBACK Panel::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        reinterpret_cast<Panel*>(lParam)->Created(dialog);
        return TRUE; // the first field gets the keyboard
    }
    auto* panel = reinterpret_cast<Panel*>(::GetWindowLongPtrW(dialog, DWLP_USER));
    if (!panel)
        return FALSE;
    switch (message) {
    case WM_TIMER:
        if (wParam == LaterTimerId) {
            ::KillTimer(dialog, LaterTimerId);
            panel->ShowStatus(panel->laterText, panel->laterReason);
        } else {
            panel->Tick();
        }
        return TRUE;
    case WM_COMMAND:
        return panel->Command(LOWORD(wParam), HIWORD(wParam));
    case WM_SIZE:
        panel->LayOutStatusRow();
        return FALSE;
    case WM_CTLCOLORSTATIC:
        // A label drawn over the line of its group box would cut it: the
        // labels let the panel show through around their letters.
        if (IsLabel(reinterpret_cast<HWND>(lParam))) {
            ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            return reinterpret_cast<INT_PTR>(::GetStockObject(NULL_BRUSH));
        }
        return FALSE;
    case WM_DESTROY:
        ::KillTimer(dialog, TimerId);
        ::KillTimer(dialog, LaterTimerId);
        panel->dialog = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

void Panel::Created(HWND handle)
{
    dialog = handle;
    for (int n = 1; n <= MessageCount; ++n)
        ::SetWindowSubclass(Control(MessageFieldId(n)), FieldProc, 0, reinterpret_cast<DWORD_PTR>(this));
    // A button is named by its caption, and six say "Test": the layout
    // names each for a screen reader.
    for (const ControlSpec& c : EditorPanelLayout.controls) {
        if (c.kind == ControlKind::PushButton && c.accessible)
            NameForScreenReaders(Control(c.id), Wide(c.accessible));
    }
    ::SetTimer(dialog, TimerId, StatusCountdown::TickMs, nullptr);
    // Why a link or an operation failed, and the whole path of a file whose
    // name is shortened, stand in the texts' tooltips.
    tips = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, ::GetModuleHandleW(nullptr),
                             nullptr);
    for (const ControlId id : TippedTexts)
        AddTip(Control(id));
    AddTip(Control(ControlId::WriteMV));
    ::SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, 400);
    for (const Setting& setting : AllSettings()) {
        const ListSetting* list = setting.List();
        if (!list)
            continue;
        const HWND box = Control(setting.id);
        for (const std::string_view entry : list->entries)
            ::SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(entry).c_str()));
        if (setting.id == ShownFromStart)
            ::SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(list->shown(image).value_or(-1)), 0);
    }
    MakeMarks();
}

void Panel::LayOutStatusRow()
{
    const auto place = [this](ControlId id) {
        const auto row = std::find_if(EditorPanelLayout.controls.begin(), EditorPanelLayout.controls.end(),
                                      [id](const ControlSpec& c) { return c.id == id; });
        RECT r{row->x, row->y, row->x + row->width, row->y + row->height};
        ::MapDialogRect(dialog, &r);
        return r;
    };
    const RECT name = place(ControlId::FileName), status = place(ControlId::OperationStatus);
    RECT edge{EditorPanelLayout.width, 0, 0, 0}, client{};
    ::MapDialogRect(dialog, &edge);
    ::GetClientRect(dialog, &client);
    // The file name keeps the layout's distance from the panel's right edge
    // as the window grows; a name longer than that takes the operation
    // status's room too while no status stands there: it is shortened only
    // when the row has no more room for it.
    const int right = std::max(name.right, client.right - (edge.left - name.right));
    const HWND nameText = Control(ControlId::FileName), statusText = Control(ControlId::OperationStatus);
    const bool wide = ::GetWindowTextLengthW(statusText) == 0 && TextWidth(nameText) > right - name.left;
    ::ShowWindow(statusText, wide ? SW_HIDE : SW_SHOWNA);
    const int left = wide ? status.left : name.left;
    // Drawn afresh: where the text is shortened depends on the width.
    ::SetWindowPos(nameText, nullptr, left, name.top, right - left, name.bottom - name.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    ::InvalidateRect(nameText, nullptr, TRUE);
}

void Panel::AddTip(HWND control)
{
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Panel::MakeMarks()
{
    RECT unit{0, 0, 4, 8};
    ::MapDialogRect(dialog, &unit);
    const auto font = ::SendMessageW(dialog, WM_GETFONT, 0, 0);
    for (const Setting& setting : AllSettings()) {
        const HWND control = Control(setting.id);
        // The caption: the box's own text, or the label or the group box
        // that names the control, which stands right before it.
        const HWND caption = setting.Box() ? control : ::GetWindow(control, GW_HWNDPREV);
        RECT place{};
        ::GetWindowRect(caption, &place);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
        // A bullet in the gap in front of the caption: seen in any colours,
        // and the same for every kind of control.
        const int top = setting.List() ? place.top : (place.top + place.bottom - unit.bottom) / 2;
        const HWND mark =
            ::CreateWindowExW(0, L"STATIC", L"\u2022", WS_CHILD | SS_CENTER | SS_NOPREFIX, place.left - unit.right, top,
                              unit.right, unit.bottom, dialog, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ::SendMessageW(mark, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
        marks[setting.id] = mark;
        AddTip(control);
    }
    UpdateMarks();
}

void Panel::SetKeyerHolds(const std::optional<EepromImage>& held)
{
    keyerHolds = held;
    keyerTexts = held ? ShownTexts(*held) : FieldTexts();
    UpdateMarks();
}

bool Panel::IsMarked(ControlId id) const
{
    const auto mark = marks.find(id);
    return mark != marks.end() && ::IsWindowVisible(mark->second);
}

void Panel::UpdateMarks()
{
    const FieldTexts shown = FieldTextsNow();
    std::vector<std::string> changed;
    for (const Setting& setting : AllSettings()) {
        std::string tip;
        if (keyerHolds) {
            const std::string held = ShownValue(setting, *keyerHolds, keyerTexts);
            if (ShownValue(setting, image, shown) != held) {
                changed.emplace_back(setting.name);
                tip = KeyerHoldsText(setting, held);
            }
        }
        ::ShowWindow(marks[setting.id], tip.empty() ? SW_HIDE : SW_SHOWNA);
        SetTip(setting.id, tip);
    }
    SetTip(ControlId::WriteMV, WriteSummary(keyerHolds.has_value(), changed));
}

bool Panel::Command(int id, int code)
{
    if (id == IDOK || id == IDCANCEL)
        return true; // Enter and Escape close nothing: the panel is the window
    if (const int n = MessageOf(id)) {
        if (code == EN_CHANGE && !mending) {
            KeepToRule(n);
            UpdateMarks(); // typing changes what the panel shows, and so what differs
        }
        return false;
    }
    if (IsKeyerButton(id)) {
        if (code == BN_CLICKED)
            commands.Press(static_cast<ControlId>(id));
        return true;
    }
    const Setting* setting = SettingOf(id);
    if (!setting)
        return false;
    const HWND control = Control(setting->id);
    if (setting->Number()) {
        if (code == EN_CHANGE && !mending)
            UpdateMarks();
        return false;
    }
    if (const ListSetting* list = setting->List()) {
        const auto index = ::SendMessageW(control, CB_GETCURSEL, 0, 0);
        if (code == CBN_SELCHANGE && index >= 0) {
            list->choose(image, static_cast<int>(index));
            UpdateMarks();
        }
        // What is typed into an editable list changes nothing; leaving it
        // shows the chosen entry again.
        if (code == CBN_KILLFOCUS && WindowText(control) != ListEntry(control, index))
            ::SetWindowTextW(control, ListEntry(control, index).c_str());
        return true;
    }
    if (const CheckBoxSetting* box = setting->Box()) {
        // The image holds the state; the mark only shows it.
        ClickCheckBox(image, box->box);
        ::SendMessageW(control, BM_SETCHECK, IsChecked(image, box->box) ? BST_CHECKED : BST_UNCHECKED, 0);
        UpdateMarks();
        return true;
    }
    return false;
}

LRESULT CALLBACK Panel::FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    const auto* panel = reinterpret_cast<const Panel*>(data);
    switch (message) {
    case WM_GETDLGCODE:
        // Tab moves on, as in every other field, and Enter adds nothing: a
        // line break cannot be stored. Both go to the panel, not the field.
        if (lParam && reinterpret_cast<const MSG*>(lParam)->message == WM_KEYDOWN &&
            (reinterpret_cast<const MSG*>(lParam)->wParam == VK_TAB ||
             reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN))
            return ::DefSubclassProc(field, message, wParam, lParam) & ~(DLGC_WANTALLKEYS | DLGC_WANTTAB);
        break;
    case WM_CHAR:
        if (!panel->TakeTyped(field, wParam))
            return 0;
        break;
    case WM_PASTE:
        panel->Paste(field);
        return 0;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(field, FieldProc, 0);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(field, message, wParam, lParam);
}

int Panel::RoomFor(HWND field) const
{
    DWORD start = 0, end = 0;
    ::SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return MessageRoomLeft(Messages()) + static_cast<int>(end - start);
}

bool Panel::TakeTyped(HWND field, WPARAM& c) const
{
    const auto typed = static_cast<wchar_t>(c);
    // The keys Tab and Enter never get here (see WM_GETDLGCODE): a tab or a
    // line break that does was sent as a character, and becomes a space.
    const bool space = typed == L'\r' || typed == L'\n' || typed == L'\t';
    if (typed < 32 && !space)
        return true; // the field's own editing keys: backspace, copy, paste, undo
    if (typed >= 0xD800 && typed <= 0xDFFF)
        return false; // beyond ASCII, and half a character
    const auto added = TypedText(Utf8(std::wstring(1, typed)), RoomFor(field));
    if (!added)
        return false;
    c = static_cast<unsigned char>(added->front());
    return true;
}

void Panel::Paste(HWND field) const
{
    std::wstring pasted;
    if (::IsClipboardFormatAvailable(CF_UNICODETEXT) && ::OpenClipboard(field)) {
        if (const HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
            if (const auto* text = static_cast<const wchar_t*>(::GlobalLock(data))) {
                pasted = text;
                ::GlobalUnlock(data);
            }
        }
        ::CloseClipboard();
    }
    // Cleaned on the way in, so that undo brings back the clean text.
    if (const auto clean = PastedText(Utf8(pasted), RoomFor(field)))
        ::SendMessageW(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Wide(*clean).c_str()));
}

void Panel::KeepToRule(int n)
{
    if (mending)
        return;
    const HWND field = Control(MessageFieldId(n));
    std::wstring& before = accepted[static_cast<std::size_t>(n - 1)];
    const std::wstring now = WindowText(field);
    // What was added lies between what the text kept at its start and its end.
    std::size_t head = 0;
    while (head < now.size() && head < before.size() && now[head] == before[head])
        ++head;
    std::size_t tail = 0;
    while (tail < now.size() - head && tail < before.size() - head &&
           now[now.size() - 1 - tail] == before[before.size() - 1 - tail])
        ++tail;
    const std::wstring added = now.substr(head, now.size() - head - tail);
    if (!added.empty()) {
        const std::string addedUtf8 = Utf8(added);
        const int room = MessageRoomLeft(Messages()) + static_cast<int>(addedUtf8.size());
        const std::wstring kept = Wide(TakeAddedText(addedUtf8, room).text);
        if (kept != added) {
            mending = true;
            ::SendMessageW(field, EM_SETSEL, head, head + added.size());
            // Not to be undone: undoing the mending would bring back what the
            // rule keeps out.
            ::SendMessageW(field, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(kept.c_str()));
            mending = false;
        }
    }
    before = WindowText(field);
}

void Panel::SetShown(ControlId id, const std::wstring& text)
{
    const HWND control = Control(id);
    // Only what changes is touched: each change is redrawn, and told to a
    // screen reader.
    if (!control || WindowText(control) == text)
        return;
    const int n = MessageOf(static_cast<int>(id));
    mending = true;
    ::SetWindowTextW(control, text.c_str());
    mending = false;
    if (n)
        accepted[static_cast<std::size_t>(n - 1)] = WindowText(control);
    if (id == ControlId::FileName || id == ControlId::OperationStatus)
        LayOutStatusRow();
}

void Panel::SetText(ControlId id, const std::string& text)
{
    SetShown(id, Wide(text));
}

std::string Panel::Text(ControlId id) const
{
    return Utf8(WindowText(Control(id)));
}

FieldTexts Panel::FieldTextsNow() const
{
    FieldTexts texts;
    for (const Setting& setting : AllSettings()) {
        if (setting.IsField())
            texts[setting.id] = Text(setting.id);
    }
    return texts;
}

MessageTexts Panel::Messages() const
{
    MessageTexts texts;
    for (int n = 1; n <= MessageCount; ++n)
        texts[static_cast<std::size_t>(n - 1)] = Text(MessageFieldId(n));
    return texts;
}

void Panel::RefreshPanel()
{
    for (const Setting& setting : AllSettings()) {
        const HWND control = Control(setting.id);
        if (const CheckBoxSetting* box = setting.Box()) {
            ::SendMessageW(control, BM_SETCHECK, IsChecked(image, box->box) ? BST_CHECKED : BST_UNCHECKED, 0);
        } else if (const ListSetting* list = setting.List()) {
            // No entry stands for some values (an output nibble without
            // exactly one port bit): showing none is better than showing a
            // setting the keyer does not have.
            const int index = list->shown(image).value_or(-1);
            if (::SendMessageW(control, CB_GETCURSEL, 0, 0) != index || index < 0)
                ::SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        } else {
            SetText(setting.id, ShownText(setting, image));
        }
    }
    UpdateMarks();
}

int Panel::ValidatePanel()
{
    if (const auto refusal = ValidateSettings(image, FieldTextsNow())) {
        prompts.ErrorBox(Owner::EditorPanel, *refusal);
        return 0;
    }
    return 1;
}

void Panel::ShowStatus(const std::string& text, const std::string& reason)
{
    SetText(ControlId::OperationStatus, text);
    SetTip(ControlId::OperationStatus, reason);
    countdown.Start();
}

void Panel::ShowStatusAfter(int ms, const std::string& text, const std::string& reason)
{
    laterText = text;
    laterReason = reason;
    ::SetTimer(dialog, LaterTimerId, static_cast<UINT>(ms), nullptr);
}

void Panel::ShowInterimStatus(const std::string& text)
{
    SetText(ControlId::OperationStatus, text);
    SetTip(ControlId::OperationStatus, "");
    // An earlier status's countdown must not clear this one.
    countdown.Stop();
}

void Panel::ShowLinkStatus(const std::string& text, const std::string& reason)
{
    SetText(ControlId::LinkStatus, text);
    SetTip(ControlId::LinkStatus, reason);
}

void Panel::ShowFileName(const std::string& text, const std::string& path)
{
    SetText(ControlId::FileName, text);
    SetTip(ControlId::FileName, path);
}

void Panel::SetTip(ControlId id, const std::string& text)
{
    const std::wstring wide = Wide(text);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(Control(id));
    tool.lpszText = const_cast<wchar_t*>(wide.c_str());
    ::SendMessageW(tips, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

std::string Panel::Tip(ControlId id) const
{
    std::wstring text(1024, L'\0');
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(Control(id));
    tool.lpszText = text.data();
    ::SendMessageW(tips, TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
    text.resize(text.find(L'\0'));
    return Utf8(text);
}

void Panel::SetKeyerButtonsEnabled(bool enabled, HWND keep)
{
    for (const ControlId id : KeyerButtons) {
        if (Control(id) != keep)
            ::EnableWindow(Control(id), enabled);
    }
}

void Panel::Tick()
{
    SetText(ControlId::BytesLeft, BytesLeftText(MessageRoomLeft(Messages())));
    if (countdown.Tick())
        SetText(ControlId::OperationStatus, "");
}
