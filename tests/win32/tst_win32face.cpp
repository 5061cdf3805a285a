// The Windows face in the test's own process: the real window, menu and
// panel, driven by the messages a person's keys and clicks send. Wine's null
// graphics driver makes them without a display.

#include "files/Backups.h"
#include "files/EepromFile.h"
#include "files/NativePath.h"
#include "files/PortSettings.h"
#include "files/WideText.h"
#include "image/MessageCodec.h"
#include "keyer/PortDiscovery.h"
#include "keyer/win32/ComPorts.h"
#include "keyer/win32/Win32SerialChannel.h"
#include "support/RecordingPrompts.h"
#include "ui/Layouts.h"
#include "ui/PanelRules.h"
#include "win32/Dialogs.h"
#include "win32/Frame.h"
#include "win32/MessagePump.h"
#include "win32/PanelKeyer.h"


#include <Version.h>
#include <commctrl.h>
#include <doctest.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <utility>
#include <vector>

namespace {

using C = ControlId;

class RecordingKeyer : public PanelCommands {
  public:
    void Press(ControlId button) override { pressed.push_back(button); }
    bool Busy() const override { return busy; }
    std::vector<ControlId> pressed;
    bool busy = false;
};

std::filesystem::path Scratch()
{
    static int made = 0;
    // Longer than the 127 characters of old, and not ASCII.
    const auto folder = std::filesystem::temp_directory_path() /
                        (L"mv2mgr win32face \u00e9" + std::wstring(120, L'x') +
                         std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++made));
    // Wine hands process ids out again: what an earlier run left must not count here.
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::filesystem::create_directories(folder);
    return folder;
}

const Setting* SettingFor(ControlId id)
{
    for (const Setting& setting : AllSettings()) {
        if (setting.id == id)
            return &setting;
    }
    return nullptr;
}

// A keyer on the line, in memory: it answers the commands as a keyer does,
// keeps its EEPROM and notes what it was sent.
class KeyerOnLine : public SerialChannel {
  public:
    EepromImage eeprom;
    std::vector<std::uint8_t> received;
    std::vector<int> played;
    int eepromBytesTaken = 256; // fewer: the line fails partway through a write

    int OpenPort(int) override
    {
        open = true;
        return LinkStatus::Ok;
    }
    int WritePort(const std::uint8_t* data, int count) override
    {
        received.insert(received.end(), data, data + count);
        if (takingEeprom) {
            const int taken = std::min(count, eepromBytesTaken);
            std::copy(data, data + taken, eeprom.bytes.begin());
            takingEeprom = false;
            return taken == count;
        } else if (count >= 2 && data[0] == 0) {
            const std::uint8_t code = data[1];
            if (code == 0x04 || code == 0x09 || code == 0x06 || code == 0x05)
                replies.push_back(code == 0x04 ? data[2] : code == 0x09 ? 23 : code == 0x06 ? 128 : 7);
            if (code == 0x0C)
                replies.insert(replies.end(), eeprom.bytes.begin(), eeprom.bytes.end());
            takingEeprom = code == 0x0D;
            if (code == 0x0E)
                played.push_back(data[2]);
        }
        return 1;
    }
    int ReadPort(std::uint8_t* buffer, int count) override
    {
        last = std::min(count, static_cast<int>(replies.size()));
        std::copy(replies.begin(), replies.begin() + last, buffer);
        replies.erase(replies.begin(), replies.begin() + last);
        return last == count;
    }
    void ClosePort() override { open = false; }
    bool PortOpen() const override { return open; }
    int LastReadCount() const override { return last; }
    const LinkTimings& Timings() const override { return timings; }
    void SetProgress(std::function<void(int, int)>) override {}
    std::string FailureReason() const override { return {}; }
    bool LineLost() const override { return false; }

  private:
    LinkTimings timings;
    std::vector<std::uint8_t> replies;
    bool takingEeprom = false;
    bool open = false;
    int last = 0;
};

struct Window {
    // A window of its own, or the next run of the one in `earlier`'s folder;
    // with `line`, the keyer buttons run the keyer operations on it.
    // `kept`: a folder that outlives the window, for another run to find.
    explicit Window(std::int32_t port = 3, const Window* earlier = nullptr, SerialChannel* line = nullptr,
                    int density = 96, const std::filesystem::path& kept = {})
        : folder(earlier ? earlier->folder : kept.empty() ? Scratch() : kept), owner(!earlier && kept.empty())
    {
        paths.portSettingsPath = Utf8Path(folder / "mv2mgr.cfg");
        paths.configFolder = Utf8Path(folder / "config");
        paths.backupFolder = Utf8Path(folder / "backups");
        paths.helpPath = Utf8Path(folder / "mv2mgr.hlp");
        paths.osFamily = "WinNT/WinXP";
        if (line) {
            waiter = std::make_unique<PumpingWaiter>([this] { return !frame || frame->Pump(); });
            operations = std::make_unique<KeyerOperations>(*line, *waiter, OperationWaits{0, 0});
            operations->SetBackupFolder(paths.backupFolder);
            wired = std::make_unique<PanelKeyer>(*operations, prompts, 0);
        }
        frame =
            std::make_unique<Frame>(paths, prompts, wired ? static_cast<PanelCommands&>(*wired) : keyer, port, density);
        if (wired)
            wired->Bind(*frame);
        ::ShowWindow(frame->Handle(), SW_SHOWNORMAL); // hidden controls take no focus
    }
    ~Window()
    {
        frame.reset();
        std::error_code ignored;
        if (owner)
            std::filesystem::remove_all(folder, ignored);
    }
    Panel& panel() { return frame->EditorPanel(); }
    HWND Control(ControlId id) { return panel().Control(id); }
    std::string Text(ControlId id) { return panel().Text(id); }
    void Type(ControlId id, std::wstring_view keys)
    {
        for (const wchar_t c : keys)
            ::SendMessageW(Control(id), WM_CHAR, c, 1);
    }
    void Choose(ControlId list, int index)
    {
        ::SendMessageW(Control(list), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ::SendMessageW(panel().Handle(), WM_COMMAND, MAKEWPARAM(static_cast<int>(list), CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(Control(list)));
    }
    bool Checked(ControlId box) { return ::SendMessageW(Control(box), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    bool MenuChecked(int id)
    {
        return ::GetMenuState(::GetMenu(frame->Handle()), static_cast<UINT>(id), MF_BYCOMMAND) & MF_CHECKED;
    }

    std::filesystem::path folder;
    bool owner;
    AppPaths paths;
    RecordingPrompts prompts;
    RecordingKeyer keyer;
    std::unique_ptr<PumpingWaiter> waiter;
    std::unique_ptr<KeyerOperations> operations;
    std::unique_ptr<PanelKeyer> wired;
    std::unique_ptr<Frame> frame;
};

void SetClipboard(const std::wstring& text)
{
    REQUIRE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    const HGLOBAL data = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::copy(text.c_str(), text.c_str() + text.size() + 1, static_cast<wchar_t*>(::GlobalLock(data)));
    ::GlobalUnlock(data);
    ::SetClipboardData(CF_UNICODETEXT, data);
    ::CloseClipboard();
}

bool QuitRequested()
{
    MSG message;
    return ::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

// The control that has the keyboard; a list's text part counts as its list.
ControlId Focused(HWND panel)
{
    HWND focus = ::GetFocus();
    if (focus && ::GetParent(focus) != panel)
        focus = ::GetParent(focus);
    return static_cast<ControlId>(::GetDlgCtrlID(focus));
}

void PressKey(HWND panel, WPARAM key, bool shift)
{
    BYTE keys[256] = {};
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    ::SetKeyboardState(keys);
    MSG message{::GetFocus(), WM_KEYDOWN, key, 1, 0, {}};
    ::IsDialogMessageW(panel, &message);
    keys[VK_SHIFT] = 0;
    ::SetKeyboardState(keys);
}

EepromImage Image(std::initializer_list<std::pair<int, int>> bytes, const MessageTexts& messages = {})
{
    EepromImage image;
    REQUIRE(PackMessages(image, messages));
    for (const auto& [address, value] : bytes)
        image[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(value);
    return image;
}

} // namespace

TEST_CASE("the window's size follows the screen's density")
{
    const struct {
        int density;
        WindowPixels size;
    } rows[] = {{96, {556, 455}}, {120, {738, 568}}, {144, {885, 681}}, {72, {442, 340}}, {0, {556, 455}}};
    for (const auto& row : rows) {
        CAPTURE(row.density);
        CHECK(InitialWindowSize(row.density) == row.size);
    }
    // The window starts at that size, and grows no larger.
    Window window;
    RECT rect{};
    ::GetWindowRect(window.frame->Handle(), &rect);
    MINMAXINFO limits{};
    ::SendMessageW(window.frame->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    CHECK(limits.ptMaxTrackSize.x == rect.right - rect.left);
    CHECK(limits.ptMaxTrackSize.y == rect.bottom - rect.top);
    CHECK(rect.right - rect.left >= 556);
    CHECK(rect.bottom - rect.top >= 455);
    // The panel covers the whole client area, made and shrunk: no band of
    // another colour. A long file name takes the operation status's room
    // while no status stands there.
    for (const auto& [density, shrink] : {std::pair{96, 0}, {96, 40}, {144, 0}}) {
        CAPTURE(density);
        Window shaped(3, nullptr, nullptr, density);
        const HWND frame = shaped.frame->Handle();
        RECT client{}, covered{}, name{};
        ::GetWindowRect(frame, &client);
        ::SetWindowPos(frame, nullptr, 0, 0, client.right - shrink, client.bottom - shrink, SWP_NOMOVE | SWP_NOZORDER);
        ::GetClientRect(frame, &client);
        ::GetWindowRect(shaped.panel().Handle(), &covered);
        ::MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&covered), 2);
        CHECK(::EqualRect(&client, &covered));
        const auto left = [&] { return ::GetWindowRect(shaped.Control(C::FileName), &name) ? name.left : -1; };
        const LONG own = left();
        shaped.panel().ShowFileName("File Name: " + std::string(60, 'X') + ".eep", {});
        CHECK(left() < own);
        shaped.panel().ShowStatus("Done");
        CHECK(left() == own);
    }
    wchar_t className[16] = {};
    ::GetClassNameW(window.frame->Handle(), className, 16);
    CHECK(std::wstring(className) == L"Morvel");
    CHECK(WindowText(window.frame->Handle()) == L"Morvel2 Standalone Editor");
}

TEST_CASE("the built program carries its picture as icon 240, an image for each size")
{
    const HMODULE program = // the test runs where the build puts it
        ::LoadLibraryExW(L".\\mv2mgr.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    REQUIRE(program);
    // Its directory: 6 bytes, then 14 an image, the width first (0: 256).
    const auto* directory = static_cast<const BYTE*>(::LockResource(
        ::LoadResource(program, ::FindResourceW(program, MAKEINTRESOURCEW(ProgramIconId), RT_GROUP_ICON))));
    std::vector<int> widths;
    for (int i = 0; i < directory[4]; ++i)
        widths.push_back(directory[6 + 14 * i] ? directory[6 + 14 * i] : 256);
    CHECK(widths == std::vector<int>{16, 24, 32, 48, 256});
    // Loaded as the window class loads it: the picture's dark blue ground
    // in the middle of its left side.
    for (const int size : {16, 32}) {
        CAPTURE(size);
        ICONINFO parts{};
        REQUIRE(::GetIconInfo(
            static_cast<HICON>(::LoadImageW(program, MAKEINTRESOURCEW(ProgramIconId), IMAGE_ICON, size, size, 0)),
            &parts));
        std::vector<DWORD> pixels(static_cast<std::size_t>(size * size));
        CHECK(::GetBitmapBits(parts.hbmColor, size * size * 4, pixels.data()) == size * size * 4);
        CHECK((pixels[static_cast<std::size_t>(size / 2 * size + size / 8)] & 0xF0F0F0) == 0x103050);
    }
    ::FreeLibrary(program);
}

TEST_CASE("the panel shows what an image holds")
{
    const EepromImage images[] = {
        Image({}),
        Image({{1, 0x2B},
               {3, 3},
               {4, 50},
               {5, 10},
               {6, 20},
               {7, 20},
               {8, 15},
               {9, 5},
               {10, 3},
               {11, 15},
               {12, 50},
               {13, 48},
               {14, 0xC9},
               {15, 0x0C},
               {16, 20}},
              {"CQ TEST", "", "HI!"}),
        Image({{1, 0xB0}, {3, 11}, {7, 250}, {8, 250}, {14, 0x3C}}),
    };
    // "on" and "off" for the marks of the check boxes.
    const struct {
        int image;
        ControlId id;
        const char* shown;
    } rows[] = {
        {0, C::Weight, "0"},
        {0, C::KeyerMode, "Iambic B"},
        {0, C::PaddleHang, "1.0 Word"},
        {0, C::Sidetone, ""},
        {0, C::OutputConfig, ""},
        {0, C::PotMax, "0"},
        {0, C::PaddleDog, "on"},
        {0, C::Swap, "off"},
        {0, C::Message1, ""},
        {1, C::Swap, "on"},
        {1, C::AutoSpace, "on"},
        {1, C::CTspace, "on"},
        {1, C::PaddleDog, "on"},
        {1, C::Cut09, "on"},
        {1, C::MsgBrk, "on"},
        {1, C::KeyerMode, "UltimDit"},
        {1, C::PaddleHang, "1.0 Word"},
        {1, C::OutputConfig, "Port2, PTT"},
        {1, C::Sidetone, "1333"},
        {1, C::PotMax, "35"},
        {1, C::PotMin, "20"},
        {1, C::Weight, "50"},
        {1, C::LeadIn, "10"},
        {1, C::Tail, "20"},
        {1, C::FirstExt, "5"},
        {1, C::Comp, "3"},
        {1, C::Farns, "15"},
        {1, C::Sample, "50"},
        {1, C::Ratio, "48"},
        {1, C::CmdWPM, "20"},
        {1, C::Message1, "CQ TEST"},
        {1, C::Message2, ""},
        {1, C::Message3, "HI!"},
        {2, C::PaddleDog, "off"},
        {2, C::KeyerMode, "VibroBug"},
        {2, C::PaddleHang, "2.0 Word"},
        {2, C::OutputConfig, ""},
        {2, C::Sidetone, ""},
        {2, C::PotMax, "500"},
    };
    Window window;
    // Before the first refresh the boxes show no mark, whatever the image.
    CHECK_FALSE(window.Checked(C::PaddleDog));
    for (int i = 0; i < static_cast<int>(std::size(images)); ++i) {
        window.frame->Image() = images[i];
        window.panel().RefreshPanel();
        for (const auto& row : rows) {
            if (row.image != i)
                continue;
            CAPTURE(i);
            CAPTURE(static_cast<int>(row.id));
            const bool box = SettingFor(row.id) && SettingFor(row.id)->Box();
            CHECK((box ? (window.Checked(row.id) ? "on" : "off") : window.Text(row.id)) == std::string(row.shown));
        }
        // Showing changes nothing.
        CHECK(window.frame->Image() == images[i]);
    }
}

TEST_CASE("each list and check box changes exactly its bits")
{
    const struct {
        ControlId control;
        int index; // the entry chosen; -1: a click
        int byte, before, after;
        int otherByte = 0, otherBefore = 0, otherAfter = 0; // what else changes with it
    } rows[] = {
        {C::KeyerMode, 4, 1, 0x00, 0x20, 14, 0xF5, 0x75}, // "UltimDah"
        {C::KeyerMode, 0, 1, 0xFF, 0xDF, 14, 0x75, 0x75}, // "Iambic A" leaves byte 14
        {C::KeyerMode, 2, 1, 0xDF, 0xEF, 14, 0xF5, 0x35}, // "Ultimatic" clears bits 7..6
        {C::PaddleHang, 2, 14, 0xFA, 0xEA},               // "1.6 Word"
        {C::OutputConfig, 5, 14, 0xF5, 0xFA},             // "Port2, ST"
        {C::Sidetone, 6, 3, 0, 7},                        // "571"
        {C::Swap, -1, 1, 0x00, 0x08},
        {C::AutoSpace, -1, 1, 0xFF, 0xFD},
        {C::CTspace, -1, 1, 0x00, 0x01},
        {C::PaddleDog, -1, 1, 0x00, 0x80},
        {C::Cut09, -1, 15, 0xFF, 0xF7},
        {C::MsgBrk, -1, 15, 0x00, 0x04},
    };
    Window window;
    EepromImage start;
    for (std::size_t a = 0; a < EepromImage::Size; ++a)
        start[a] = static_cast<std::uint8_t>(a * 37 + 11);
    for (const auto& row : rows) {
        CAPTURE(static_cast<int>(row.control));
        EepromImage image = start;
        image[static_cast<std::size_t>(row.byte)] = static_cast<std::uint8_t>(row.before);
        if (row.otherByte)
            image[static_cast<std::size_t>(row.otherByte)] = static_cast<std::uint8_t>(row.otherBefore);
        window.frame->Image() = image;
        if (row.index >= 0)
            window.Choose(row.control, row.index);
        else
            ::SendMessageW(window.Control(row.control), BM_CLICK, 0, 0);
        image[static_cast<std::size_t>(row.byte)] = static_cast<std::uint8_t>(row.after);
        if (row.otherByte)
            image[static_cast<std::size_t>(row.otherByte)] = static_cast<std::uint8_t>(row.otherAfter);
        CHECK(window.frame->Image() == image);
        if (row.index < 0) {
            // The mark follows the image, whatever the box showed before.
            CHECK(window.Checked(row.control) == IsChecked(image, SettingFor(row.control)->Box()->box));
        }
    }
}

TEST_CASE("Save refuses the first field out of range, in order, with its text")
{
    const std::pair<ControlId, const char*> valid[] = {
        {C::Weight, "50"}, {C::LeadIn, "10"}, {C::Tail, "20"},  {C::FirstExt, "5"}, {C::Comp, "3"},    {C::Farns, "15"},
        {C::Sample, "50"}, {C::CmdWPM, "20"}, {C::Ratio, "48"}, {C::PotMax, "35"},  {C::PotMin, "20"},
    };
    const struct {
        std::vector<std::pair<ControlId, std::string>> fields;
        const char* refusal; // nullptr: saved
    } rows[] = {
        {{{C::Weight, "9"}}, "Weight must be between 10 and 90"},
        {{{C::Weight, ""}, {C::Ratio, "70"}}, "Weight must be between 10 and 90"},
        {{{C::LeadIn, "251"}}, "Lead In must be 250 or less."},
        {{{C::Tail, "251"}}, "Tail must be 250 or less."},
        {{{C::FirstExt, "251"}}, "Extend must be 250 or less."},
        {{{C::Comp, "251"}}, "Key Comp must be 250 or less."},
        {{{C::Farns, "5"}}, "Farns must be 0 or between 10 and 90"},
        {{{C::Sample, "91"}}, "Ksamp must be between 10 and 90"},
        {{{C::CmdWPM, "4"}}, "CMDWPM must be between 5 and 99"},
        {{{C::Ratio, "70"}}, "Ratio must be between 33 and 66"},
        {{{C::PotMax, "50"}, {C::PotMin, "50"}}, "Pot Max must be greater than Pot Min"},
        {{{C::PotMax, "10"}, {C::PotMin, "4"}}, "Pot Min must be between 5 and 99"},
        {{{C::PotMax, "100"}, {C::PotMin, "5"}}, "Pot Max must be between 5 and 99"},
        {{{C::Message1, std::string(233, 'E')}},
         "The messages hold 233 characters; the keyer has room for 232. Shorten them by 1."},
        {{{C::Farns, "0"}, {C::Message2, "HI!"}}, nullptr},
    };
    Window window;
    for (const auto& row : rows) {
        CAPTURE(row.fields.front().second);
        window.frame->Image() = {};
        window.prompts.boxes.clear();
        window.prompts.chooserOwners.clear();
        for (int n = 1; n <= MessageCount; ++n)
            window.panel().SetText(MessageFieldId(n), "");
        for (const auto& [id, text] : valid)
            ::SetWindowTextW(window.Control(id), Wide(text).c_str());
        for (const auto& [id, text] : row.fields)
            window.panel().SetText(id, text);
        window.frame->Command(Cmd::Save);
        if (row.refusal) {
            REQUIRE(window.prompts.boxes.size() == 1);
            CHECK(window.prompts.boxes[0].kind == ShownBox::Error);
            CHECK(window.prompts.boxes[0].owner == Owner::EditorPanel);
            CHECK(window.prompts.LastText() == row.refusal);
            CHECK(window.prompts.chooserOwners.empty()); // no chooser after a refusal
        } else {
            CHECK(window.prompts.boxes.empty());
            CHECK(window.prompts.chooserOwners == std::vector<Owner>{Owner::MainWindow});
        }
    }
    // What passed before the refusal is stored; the rest is as it was.
    window.frame->Image() = {};
    window.panel().SetText(C::Ratio, "70");
    window.frame->Command(Cmd::Save);
    CHECK(window.frame->Image()[4] == 50);
    CHECK(window.frame->Image()[16] == 20);
    CHECK(window.frame->Image()[13] == 0);
    CHECK(window.frame->Image()[7] == 0);
}

TEST_CASE("a message field takes added text by the one rule, however it arrives")
{
    enum Route { Typed, Pasted, Replaced, Keys };
    const struct {
        Route route;
        std::string shown; // the field's text beforehand, as a file gave it
        int othersHold;    // characters in the other five fields
        std::wstring added;
        std::string after;
        int selected = 0; // characters selected before the end
    } rows[] = {
        {Typed, "", 0, L"cq de", "CQ DE"},
        {Typed, "", 0, L"!#%&*^_`{}~\u00e9", ""},
        {Typed, "CQ", 0, L"\tk\r\n", "CQ K  "}, // characters an assistive tool sends
        {Keys, "CQ", 0, L"\r\t", "CQ"},         // Enter and Tab pressed go to the panel
        {Pasted, "CQ CQ DE TEST", 0, L"\u00e9$#~", "CQ CQ DE TEST", 13},
        {Pasted, "CQ CQ DE TEST", 0, L"k", "CQ CQ DE K", 4},
        {Typed, "", 0, L"?@/", "?@/"},
        {Typed, "HI!", 0, L" k", "HI! K"}, // what was loaded stays as it is
        {Typed, "", 232, L"a", ""},
        {Typed, "AB", 230, L"c\b", "A"}, // backspace still works when full
        {Pasted, "", 0, L"ab#c\r\nd\u00e9", "ABC D"},
        {Pasted, "", 229, L"abcde", "ABC"},
        {Replaced, "", 0, L"x!y\u00e9z", "XYZ"}, // undo, a drop, a screen reader
    };
    Window window;
    for (const auto& row : rows) {
        CAPTURE(row.after);
        window.panel().SetText(C::Message2, std::string(static_cast<std::size_t>(row.othersHold), 'E'));
        window.panel().SetText(C::Message1, row.shown);
        const HWND field = window.Control(C::Message1);
        ::SetFocus(field);
        ::SendMessageW(field, EM_SETSEL, row.shown.size() - static_cast<std::size_t>(row.selected), row.shown.size());
        if (row.route == Typed) {
            window.Type(C::Message1, row.added);
        } else if (row.route == Keys) {
            for (const wchar_t key : row.added) {
                MSG message{field, WM_KEYDOWN, static_cast<WPARAM>(key == L'\r' ? VK_RETURN : VK_TAB), 1, 0, {}};
                if (!window.frame->TakeKeys(message)) {
                    ::TranslateMessage(&message);
                    ::DispatchMessageW(&message);
                }
                window.frame->Pump();
            }
        } else if (row.route == Pasted) {
            SetClipboard(row.added);
            ::SendMessageW(field, WM_PASTE, 0, 0);
        } else {
            ::SendMessageW(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(row.added.c_str()));
        }
        CHECK(window.Text(C::Message1) == row.after);
    }
}

TEST_CASE("the timer shows the bytes left and clears a status after 18 ticks")
{
    Window window;
    window.panel().SetText(C::Message1, "");
    window.panel().SetText(C::Message2, "");
    CHECK(window.Text(C::BytesLeft) == "Msg Bytes Left:");
    const struct {
        std::string message1;
        const char* shown;
    } rows[] = {
        {"", "Msg Bytes Left: 232"}, {"CQ CQ", "Msg Bytes Left: 227"}, {std::string(233, 'E'), "Msg Bytes Left: -1"}};
    for (const auto& row : rows) {
        window.panel().SetText(C::Message1, row.message1);
        window.panel().Tick();
        CHECK(window.Text(C::BytesLeft) == row.shown);
    }
    window.panel().ShowStatus("Done");
    for (int tick = 1; tick < StatusCountdown::Ticks; ++tick)
        window.panel().Tick();
    CHECK(window.Text(C::OperationStatus) == "Done");
    window.panel().Tick();
    CHECK(window.Text(C::OperationStatus) == "");
    // A status that stands is not cleared by an earlier one's countdown.
    window.panel().ShowStatus("MV OK");
    window.panel().ShowInterimStatus("Reading");
    for (int tick = 0; tick < 2 * StatusCountdown::Ticks; ++tick)
        window.panel().Tick();
    CHECK(window.Text(C::OperationStatus) == "Reading");
}

TEST_CASE("Tab goes through the controls in the layout's order, each label right before its field")
{
    Window window;
    const HWND panel = window.panel().Handle();
    std::vector<ControlId> expected;
    for (const ControlSpec& c : EditorPanelLayout.controls) {
        const bool label = c.kind == ControlKind::GroupBox || c.kind == ControlKind::Label ||
                           c.kind == ControlKind::Text || c.kind == ControlKind::CenteredText;
        if (!label)
            expected.push_back(c.id);
    }
    REQUIRE(expected.size() == 36);
    ::SetFocus(window.Control(C::Message1));
    std::vector<ControlId> seen{Focused(panel)};
    for (std::size_t i = 1; i < expected.size(); ++i) {
        PressKey(panel, VK_TAB, false);
        seen.push_back(Focused(panel));
    }
    CHECK(seen == expected);
    PressKey(panel, VK_TAB, false);
    CHECK(Focused(panel) == C::Message1); // round again
    PressKey(panel, VK_TAB, true);
    CHECK(Focused(panel) == expected.back());

    // A screen reader names a field by the text right before it.
    for (const ControlSpec& c : EditorPanelLayout.controls) {
        const bool list =
            c.accessible && (c.kind == ControlKind::EditableDropDown || c.kind == ControlKind::DropDownList);
        if (c.buddy == ControlId::None && !list)
            continue;
        const HWND named = window.Control(list ? c.id : c.buddy);
        const std::wstring name = Wide(list ? c.accessible : c.text);
        CAPTURE(Utf8(name));
        CHECK(WindowText(::GetWindow(named, GW_HWNDPREV)) == name);
    }
}

TEST_CASE("the menu, the port's check mark, Exit, the keys and the keyer buttons")
{
    Window window(300); // no port: nothing is checked, and nothing added
    const HMENU menu = ::GetMenu(window.frame->Handle());
    std::vector<std::vector<int>> ids;
    for (int m = 0; m < ::GetMenuItemCount(menu); ++m) {
        const HMENU popup = ::GetSubMenu(menu, m);
        ids.emplace_back();
        for (int i = 0; i < ::GetMenuItemCount(popup); ++i)
            ids.back().push_back(static_cast<int>(::GetMenuItemID(popup, i)));
    }
    // 0: a separator. Windows names its own ports: no Assign device.
    CHECK(ids == std::vector<std::vector<int>>{{Cmd::Open, Cmd::OpenBackup, Cmd::Save, 0, Cmd::Exit},
                                               {500, 501, 502, 503, 504, 505, 519, 526, 538, 546, 556, 566, 0,
                                                Cmd::ReadMV, Cmd::WriteMV, Cmd::TestMV, Cmd::VerifyAfterWriting},
                                               {Cmd::About, Cmd::Help}});

    for (int port = 1; port <= 12; ++port)
        CHECK_FALSE(window.MenuChecked(CommandForPort(port)));
    window.frame->Command(519);
    CHECK(window.frame->SelectedPort() == 7);
    for (int port = 1; port <= 12; ++port)
        CHECK(window.MenuChecked(CommandForPort(port)) == (port == 7));
    std::ifstream settings(NativePath(window.paths.portSettingsPath), std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(settings), {}};
    CHECK(bytes == std::vector<char>{7, 0, 0, 0});

    window.frame->Command(Cmd::VerifyAfterWriting);
    CHECK(window.MenuChecked(Cmd::VerifyAfterWriting));
    CHECK(Window(1, &window).frame->VerifyAfterWriting()); // remembered for the next run

    window.keyer.busy = true;
    window.frame->Command(Cmd::Exit);
    window.frame->Command(Cmd::Open);
    CHECK_FALSE(QuitRequested());
    CHECK(window.prompts.chooserOwners.empty()); // files wait for the keyer
    window.keyer.busy = false;
    window.frame->Command(Cmd::Exit);
    CHECK(QuitRequested());

    // Ctrl+R, Ctrl+W, Ctrl+T from a message field, and the panel's buttons.
    BYTE keys[256] = {};
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    for (const WPARAM key : {'R', 'W', 'T'}) {
        MSG message{window.Control(C::Message1), WM_KEYDOWN, key, 1, 0, {}};
        CHECK(window.frame->TakeKeys(message));
    }
    keys[VK_CONTROL] = 0;
    ::SetKeyboardState(keys);
    for (const ControlId button : {C::Test3, C::ReadMV})
        ::SendMessageW(window.Control(button), BM_CLICK, 0, 0);
    CHECK(window.keyer.pressed == std::vector<ControlId>{C::ReadMV, C::WriteMV, C::TestMV, C::Test3, C::ReadMV});
}

TEST_CASE("ports above Com12: offered when there or chosen, each with its id and the name Windows gives it")
{
    const AdapterDescriptions present{{"COM3", "USB Serial Port"}, {"COM15", ""}, {"COM200", "BT"}};
    const std::pair<std::int32_t, std::vector<int>> offered[] = {{3, {15, 200}}, {20, {15, 20, 200}},
                                                                {256, {15, 200, 256}}, {257, {15, 200}}, {-15, {15, 200}}};
    for (const auto& [selected, above] : offered) {
        std::vector<int> all(12);
        std::iota(all.begin(), all.end(), 1);
        all.insert(all.end(), above.begin(), above.end());
        CHECK_MESSAGE(OfferedPorts(selected, present) == all, selected);
    }
    const std::pair<int, std::string> captions[] = {
        {3, "Com3 COM3 \u2014 USB Serial Port"}, {2, "Com2 COM2 (not present)"}, {15, "Com15 COM15"}};
    for (const auto& [port, caption] : captions)
        CHECK(PortCaption(DescribePort(port, {}, present)) == caption);
    const std::pair<int, int> ids[] = {{7, 519}, {12, 566}, {13, 1013}, {256, 1256}, {257, 0}, {0, 0}};
    for (const auto& [port, id] : ids)
        CHECK((CommandForPort(port) == id && PortForCommand(id) == (id ? port : 0)));
    CHECK(PortForCommand(1012) == 0);
    const std::pair<std::wstring_view, int> names[] = {{L"COM15", 15}, {L"com3", 3},  {L"COM257", 0},
                                                        {L"COM015", 0}, {L"COMX", 0}, {L"LPT1", 0}};
    for (const auto& [name, number] : names)
        CHECK(ComPortNumber(name) == number);
    CHECK(WithoutPortSuffix("USB Serial Port (COM15)", 15) == "USB Serial Port");

    // A chosen port that is not there now keeps its item, after Com12, and its mark.
    Window window(15);
    CHECK(::GetMenuItemID(::GetSubMenu(::GetMenu(window.frame->Handle()), 1), 12) == 1015);
    CHECK(window.MenuChecked(1015));
}

// These two run in the link check, with COM15 led to a fake keyer that holds
// a valid image, and then with COM15 taken away; the folder outlives both.
struct PortOnLine {
    std::unique_ptr<Window> window;
    Win32SerialChannel line{{}, [](int ms) { ::Sleep(static_cast<DWORD>(ms)); }, [this] {
                                if (window)
                                    window->frame->Pump();
                            }};
    // The link check names a folder of the host's.
    const wchar_t* const given = _wgetenv(L"MV2MGR_LINE_FOLDER");
    std::filesystem::path folder = given ? std::filesystem::path(L"Z:" + std::wstring(given)) : Scratch();

    std::string Caption(int id)
    {
        const HMENU comm = ::GetSubMenu(::GetMenu(window->frame->Handle()), 1);
        ::SendMessageW(window->frame->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(comm), 1);
        wchar_t caption[64] = {};
        ::GetMenuStringW(comm, static_cast<UINT>(id), caption, 64, MF_BYCOMMAND);
        return Utf8(caption);
    }
    void Press(ControlId button) { ::SendMessageW(window->Control(button), BM_CLICK, 0, 0); }
};

TEST_CASE("COM15 on the line" * doctest::skip())
{
    PortOnLine on;
    on.window = std::make_unique<Window>(3, nullptr, &on.line, 96, on.folder);
    CHECK(on.Caption(1015) == "Com15 COM15");
    on.window->frame->Command(1015);
    std::ifstream settings(on.folder / "mv2mgr.cfg", std::ios::binary);
    CHECK(std::vector<char>{std::istreambuf_iterator<char>(settings), {}} == std::vector<char>{15, 0, 0, 0});
    on.Press(C::ReadMV); // the link check sees the bytes on the line
    CHECK(on.window->Text(C::OperationStatus) == "Done");
    on.Press(C::WriteMV);
    CHECK(on.window->Text(C::OperationStatus) == "Done");
    on.window.reset();
}

TEST_CASE("COM15 gone" * doctest::skip())
{
    PortOnLine on;
    std::int32_t port = 0;
    ReadPortSettings(Utf8Path(on.folder / "mv2mgr.cfg"), port);
    on.window = std::make_unique<Window>(port, nullptr, &on.line, 96, on.folder);
    CHECK(on.window->MenuChecked(1015));
    CHECK(on.Caption(1015) == "Com15 COM15 (not present)");
    on.Press(C::TestMV);
    CHECK(on.window->Text(C::LinkStatus) == "MV Fail:comm open");
    CHECK(on.window->panel().Tip(C::LinkStatus).starts_with("No such device: COM15."));
    on.window.reset();
}

TEST_CASE("File Open and Save name the file, on a long path with an accent")
{
    Window window;
    const std::filesystem::path file = window.folder / L"caf\u00e9.eep";
    const EepromImage saved = Image({{4, 55}, {1, 0x10}}, {"TEST"});
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(saved.bytes.data()), static_cast<std::streamsize>(saved.bytes.size()));
    window.prompts.answers = {Utf8Path(file)};
    window.frame->Command(Cmd::Open);
    CHECK(window.frame->Image() == saved);
    CHECK(window.Text(C::FileName) == "File Name: caf\xC3\xA9.eep");
    CHECK(window.panel().Tip(C::FileName) == Utf8Path(file));
    CHECK(window.Text(C::Weight) == "55");
    CHECK(window.Text(C::KeyerMode) == "Iambic A");
    CHECK(window.Text(C::Message1) == "TEST");
    Window named; // a file opened from Explorer: no chooser, the same steps
    named.frame->OpenNamedFile(Utf8Path(file));
    CHECK(named.frame->Image() == saved);
    CHECK(named.Text(C::FileName) == "File Name: caf\xC3\xA9.eep");
    CHECK(named.Text(C::Weight) == "55");
    CHECK(named.prompts.chooserOwners.empty());

    // Cancelled: typed values go back to the image's.
    ::SetWindowTextW(window.Control(C::Weight), L"70");
    window.frame->Command(Cmd::Open);
    CHECK(window.Text(C::Weight) == "55");

    const std::filesystem::path copy = window.folder / L"copy \u00e9.eep";
    for (const auto& [id, text] : std::initializer_list<std::pair<ControlId, const char*>>{{C::LeadIn, "10"},
                                                                                           {C::Tail, "20"},
                                                                                           {C::Farns, "15"},
                                                                                           {C::Sample, "50"},
                                                                                           {C::CmdWPM, "20"},
                                                                                           {C::Ratio, "48"},
                                                                                           {C::PotMax, "35"},
                                                                                           {C::PotMin, "20"}})
        window.panel().SetText(id, text);
    window.prompts.answers = {Utf8Path(copy)};
    window.frame->Command(Cmd::Save);
    CHECK(window.prompts.boxes.empty());
    CHECK(std::filesystem::file_size(copy) == 256);
    CHECK(window.Text(C::FileName) == "copy \xC3\xA9.eep");

    window.prompts.answers = {Utf8Path(window.folder / "missing.eep")};
    window.frame->Command(Cmd::Open);
    CHECK(window.prompts.LastText() == "File Not Found");
    CHECK(window.prompts.boxes.back().owner == Owner::MainWindow);
    // No backups yet: the box offers File > Open's chooser in their place.
    window.prompts.offerAnswer = true;
    window.frame->Command(Cmd::OpenBackup);
    CHECK(window.prompts.offers.back() == "No backups yet: Read MV keeps one of every read. |  | Open File...");
    CHECK(window.prompts.chooserFolders.back() == "");
}

TEST_CASE("the About box tells the version and the system, and only OK closes it")
{
    static std::vector<std::wstring> seen;
    static bool stillOpen = false;
    static bool iconShown = false;
    seen.clear();
    // Looks at the box from inside its own modal loop, as a person would:
    // Escape first, and a tick later, OK.
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
        const HWND box = ::FindWindowW(nullptr, L"Morvel Testbed");
        if (!box || !::IsWindowVisible(box))
            return;
        if (seen.empty()) {
            for (const int line : {-1, 202, 208})
                seen.push_back(WindowText(line > 0 ? ::GetDlgItem(box, line) : ::GetWindow(box, GW_CHILD)));
            iconShown = ::SendDlgItemMessageW(box, static_cast<int>(C::AboutIcon), STM_GETICON, 0, 0) != 0;
            ::SendMessageW(box, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        ::KillTimer(nullptr, id);
        stillOpen = true;
        ::SendMessageW(box, WM_COMMAND, IDOK, 0);
    });
    REQUIRE(timer);
    CHECK(RunAboutBox(nullptr, "WinNT/WinXP") == 1);
    CHECK(stillOpen);
    CHECK(iconShown);
    REQUIRE(seen.size() == 3);
    CHECK(seen[0] == L"Morvel2 Standalone Parameter Editor");
    CHECK(seen[1] == Wide(VersionLine()));
    CHECK(seen[2] == L"Operating System is WinNT/WinXP");
    // "Ver 2.8, Built 09:38:27, Jan  4 2007"
    const std::string version = Utf8(seen[1]);
    const std::string head = std::string("Ver ") + ProgramVersion + ", Built ";
    CHECK(version.starts_with(head));
    REQUIRE(version.size() == head.size() + 8 + 2 + 11);
    CHECK(version.substr(head.size() + 2, 1) == ":");
    CHECK(version.substr(head.size() + 8, 2) == ", ");
}

TEST_CASE("the keyer buttons run the keyer operations and show what they tell")
{
    KeyerOnLine keyer;
    keyer.eeprom =
        Image({{4, 55}, {5, 10}, {6, 20}, {7, 20}, {8, 15}, {11, 15}, {12, 50}, {13, 48}, {16, 20}}, {"CQ TEST"});
    Window window(5, nullptr, &keyer);
    const auto press = [&](ControlId button) { ::SendMessageW(window.Control(button), BM_CLICK, 0, 0); };

    CHECK(window.panel().Tip(C::WriteMV) == "Writes the whole image; the keyer has not been read yet.");
    press(C::TestMV);
    CHECK(window.Text(C::OperationStatus) == "MV OK");
    CHECK(window.Text(C::LinkStatus) == "MV Open, F/W revision 23");
    CHECK(window.Text(C::PotVal) == "128");
    CHECK(window.Text(C::PbVal) == "7");

    press(C::ReadMV);
    CHECK(window.frame->Image() == keyer.eeprom);
    CHECK(window.Text(C::Weight) == "55");
    CHECK(window.Text(C::Message1) == "CQ TEST");
    CHECK(window.Text(C::OperationStatus) == "Done");
    CHECK(window.panel().Countdown().Left() == StatusCountdown::Ticks);

    // What differs from the keyer is marked, and said.
    CHECK(window.panel().Tip(C::WriteMV) == "Writes no change; the keyer holds what the panel shows.");
    ::SetWindowTextW(window.Control(C::Weight), L"60");
    window.Choose(C::Sidetone, 6);
    CHECK(window.panel().IsMarked(C::Weight));
    CHECK(window.panel().IsMarked(C::Sidetone));
    CHECK_FALSE(window.panel().IsMarked(C::LeadIn));
    CHECK(window.panel().Tip(C::Weight) == "Keyer holds 55.");
    CHECK(window.panel().Tip(C::Sidetone) == "Keyer holds none.");
    CHECK(window.panel().Tip(C::WriteMV) == "Writes 2 changes: Weight, Sidetone Hz.");

    // A refused field: nothing written, and the status stays.
    window.panel().SetText(C::Weight, "5");
    keyer.received.clear();
    press(C::WriteMV);
    CHECK(window.prompts.LastText() == "Weight must be between 10 and 90");
    CHECK(window.prompts.boxes.back().owner == Owner::EditorPanel);
    CHECK(std::count(keyer.received.begin(), keyer.received.end(), 0x0D) == 0);
    CHECK(window.Text(C::OperationStatus) == "Done");

    window.panel().SetText(C::Weight, "60");
    window.panel().SetText(C::Message1, "TEST DE K");
    press(C::WriteMV);
    CHECK(keyer.eeprom[4] == 60);
    CHECK(DecodeMessage(keyer.eeprom, 1) == "TEST DE K");
    CHECK(keyer.eeprom == window.frame->Image());
    CHECK(window.Text(C::OperationStatus) == "Done");
    CHECK_FALSE(window.panel().IsMarked(C::Weight));
    CHECK(window.panel().Tip(C::WriteMV) == "Writes no change; the keyer holds what the panel shows.");

    press(C::Test4);
    CHECK(keyer.played == std::vector<int>{4});

    // A write that fails partway: what it meant to write is kept all the same.
    keyer.eepromBytesTaken = 100;
    window.panel().SetText(C::Weight, "70");
    press(C::WriteMV);
    CHECK(window.Text(C::OperationStatus) == "Write failed");
    const std::vector<std::string> kept = ListBackups(window.paths.backupFolder);
    REQUIRE(kept.size() == 3);
    CHECK(kept.back().find("_rev23_write") != std::string::npos); // the newest
    EepromImage meant;
    CHECK(LoadEepromFile(window.paths.backupFolder + "\\" + kept.back(), meant) == "");
    CHECK(meant == window.frame->Image());
    CHECK(meant[4] == 70);
}

TEST_CASE("the backups list and the box in its place, as a person and a screen reader meet them")
{
    static std::vector<std::wstring> seen;
    static WPARAM press = IDOK;
    const auto look = [](HWND, UINT, UINT_PTR id, DWORD) {
        const HWND box = ::FindWindowW(nullptr, L"Open Backup");
        if (!box || !::IsWindowVisible(box))
            return;
        ::KillTimer(nullptr, id);
        const HWND list = ::GetDlgItem(box, static_cast<int>(C::BackupsList));
        const HWND shown = list ? list : ::GetDlgItem(box, static_cast<int>(C::OfferText));
        const HWND note = ::GetDlgItem(box, static_cast<int>(list ? C::BackupsLeftOut : C::OfferDetails));
        seen = {WindowText(::GetWindow(list ? list : note, GW_HWNDPREV)), WindowText(shown), WindowText(note),
                ::IsWindowVisible(note) ? L"shown" : L"hidden", WindowText(::GetDlgItem(box, IDOK))};
        if (list) {
            std::wstring row(256, L'\0');
            row.resize(
                static_cast<std::size_t>(::SendMessageW(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(row.data()))));
            seen[1] = std::to_wstring(::SendMessageW(list, LB_GETCURSEL, 0, 0)) + L" of " +
                      std::to_wstring(::SendMessageW(list, LB_GETCOUNT, 0, 0)) + L": " + row;
            seen.push_back(::GetFocus() == list ? L"focus" : L"");
        }
        ::SendMessageW(box, WM_COMMAND, press, 0);
    };
    Win32Prompts real;
    REQUIRE(::SetTimer(nullptr, 0, 10, look));
    CHECK(real.ChooseBackup({"Today 19:22, read from the keyer, revision 30: the same as the panel.",
                             "Yesterday 08:05, written to the keyer, revision 30: Weight 50 differs."},
                            {"A is a link.", "B holds 100 bytes, too few for a keyer's memory."}) == 0u);
    CHECK(seen ==
          std::vector<std::wstring>{L"&Backups, newest first:",
                                    L"0 of 2: Yesterday 08:05, written to the keyer, revision 30: Weight 50 differs.",
                                    L"A is a link.\r\nB holds 100 bytes, too few for a keyer's memory.", L"shown",
                                    L"&Open", L"focus"});
    press = IDCANCEL;
    REQUIRE(::SetTimer(nullptr, 0, 10, look));
    CHECK_FALSE(real.Offer(Owner::MainWindow, "No backups yet: Read MV keeps one of every read.", "", "Open File..."));
    CHECK(seen == std::vector<std::wstring>{L"No backups yet: Read MV keeps one of every read.",
                                            L"No backups yet: Read MV keeps one of every read.", L"", L"hidden",
                                            L"Open File..."});
}

TEST_CASE("the Win32 channel asks for 1200 baud, 8N1, DTR on and RTS off, and keeps the port's other settings")
{
    DCB before[2] = {};
    before[1].BaudRate = 9600;
    before[1].ByteSize = 7;
    before[1].Parity = EVENPARITY;
    before[1].StopBits = TWOSTOPBITS;
    before[1].fDtrControl = DTR_CONTROL_HANDSHAKE;
    before[1].fRtsControl = RTS_CONTROL_TOGGLE;
    before[1].fOutX = before[1].fInX = before[1].fNull = before[1].fDsrSensitivity = TRUE;
    before[1].fOutxCtsFlow = TRUE;
    before[1].XonChar = 0x11;
    for (const DCB& port : before) {
        const DCB line = KeyerLine(port, LinkTimings{});
        CHECK(line.BaudRate == 1200);
        CHECK(line.ByteSize == 8);
        CHECK(line.Parity == NOPARITY);
        CHECK(line.StopBits == ONESTOPBIT);
        CHECK(line.fDtrControl == DTR_CONTROL_ENABLE);
        CHECK(line.fRtsControl == RTS_CONTROL_DISABLE);
        CHECK(line.fOutX + line.fInX + line.fNull + line.fDsrSensitivity == 0);
        // Writes keep whatever output flow control the port had.
        CHECK(line.fOutxCtsFlow == port.fOutxCtsFlow);
        CHECK(line.XonChar == port.XonChar);
    }
}

TEST_CASE("a keyer that cannot be reached: why, in the box and the tooltip, and nothing else runs meanwhile")
{
    std::unique_ptr<Window> window;
    const auto pump = [&] { return !window || window->frame->Pump(); };
    Win32SerialChannel line(
        {}, [](int ms) { ::Sleep(static_cast<DWORD>(ms)); }, [&] { pump(); });
    window = std::make_unique<Window>(12, nullptr, &line);
    const auto press = [&](ControlId button) { ::SendMessageW(window->Control(button), BM_CLICK, 0, 0); };

    press(C::TestMV);
    CHECK(window->Text(C::OperationStatus) == "MV NG");
    CHECK(window->Text(C::LinkStatus) == "MV Fail:comm open");
    const std::string reason = window->panel().Tip(C::LinkStatus);
    CHECK(reason.find("COM12") != std::string::npos);
    CHECK(window->prompts.boxes.empty());

    bool quit = true, menuGrayed = false, pressedAgain = false;
    window->prompts.whileBoxOpen = [&] {
        if (std::exchange(pressedAgain, true))
            return;
        press(C::ReadMV); // a second press does nothing
        window->frame->Command(Cmd::Exit);
        window->frame->Command(Cmd::Open);
        quit = QuitRequested();
        menuGrayed = ::GetMenuState(::GetMenu(window->frame->Handle()), Cmd::Open, MF_BYCOMMAND) & MF_GRAYED;
    };
    press(C::ReadMV);
    REQUIRE(window->prompts.boxes.size() == 1);
    CHECK(window->prompts.boxes[0].kind == ShownBox::Warning);
    CHECK(window->prompts.boxes[0].text == "MV not connected");
    CHECK(window->prompts.boxes[0].details == reason);
    CHECK_FALSE(quit);
    CHECK(menuGrayed);
    CHECK(window->prompts.chooserOwners.empty());
    CHECK_FALSE(window->wired->Busy());
    CHECK((::GetMenuState(::GetMenu(window->frame->Handle()), Cmd::Open, MF_BYCOMMAND) & MF_GRAYED) == 0);
    CHECK(::IsWindowEnabled(window->Control(C::WriteMV)));
    window.reset();
}
