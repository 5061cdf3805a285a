#pragma once

// The window layouts as data: every control's id, kind, text and rectangle in
// dialog units. Rows are in tab order.

#include "image/ControlIds.h"

#include <span>
#include <string>
#include <string_view>

enum class ControlKind {
    GroupBox,
    Label,         // a plain label; `buddy` names the control it describes
    CenteredLabel, // centred static text
    Text,          // a static text the program writes
    CenteredText,
    MessageField,
    NumberField,
    CheckBox,
    PushButton,
    DefaultButton,
    EditableDropDown,
    DropDownList,
    IconArea,
    ListBox,
    WrappedText,  // a static text the program writes, over several lines
    ReadOnlyText, // text the program writes, to be read a line at a time and copied
};

struct ControlSpec {
    ControlId id; // None for controls nobody addresses
    ControlKind kind;
    const char* text;
    int x, y, width, height;
    ControlId buddy = ControlId::None; // for labels: the control they name
    const char* accessible = nullptr;  // name for controls that have no label
    // For labels: what the named control's number means, for a screen
    // reader; for texts the program writes: what the text is.
    const char* description = nullptr;
};

struct DialogSpec {
    const char* caption;
    int x, y, width, height;
    std::span<const ControlSpec> controls;
};

extern const DialogSpec EditorPanelLayout; // dialog layout 100
extern const DialogSpec AboutBoxLayout;    // dialog layout 200
extern const DialogSpec BackupListLayout;  // File > Open Backup's list
extern const DialogSpec BackupOfferLayout; // in its place when there is none to choose

struct MenuItemSpec {
    const char* caption; // nullptr: a separator
    int id;
    const char* shortcut = nullptr;
};

struct MenuSpec {
    const char* caption;
    std::span<const MenuItemSpec> items;
};

extern const std::span<const MenuSpec> MainMenu; // "MAINMENU"

// Command ids.
namespace Cmd {
inline constexpr int Open = 539;
inline constexpr int Save = 540;
inline constexpr int OpenBackup = 541;
inline constexpr int AssignDevice = 570;
inline constexpr int Exit = 551;
inline constexpr int About = 514;
inline constexpr int Help = 508;
inline constexpr int GoToSetting = 580;
// The keyer buttons, from anywhere in the window.
inline constexpr int ReadMV = 581;
inline constexpr int WriteMV = 582;
inline constexpr int TestMV = 583;
inline constexpr int VerifyAfterWriting = 584;
} // namespace Cmd

// `text` as a menu item shows it: each & doubled, so that a name that holds
// one (an adapter's, a device's) is shown whole and underlines nothing.
std::string AsMenuText(std::string_view text);

// Comm menu: port n and its command id; 0 when there is none. Com1 to
// Com12 have the ids of old; a port above them that the system has takes
// HighPortCommands + n.
inline constexpr int HighPortCommands = 1000;
int CommandForPort(int port);
int PortForCommand(int id);
