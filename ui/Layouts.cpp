#include "ui/Layouts.h"

#include "keyer/PortNames.h"

#include <array>

namespace {

using K = ControlKind;
using C = ControlId;

// clang-format off
constexpr ControlSpec PanelControls[] = {
    // Group boxes first, so that everything else is drawn on top of them.
    {C::None, K::GroupBox, "Message Editor", 6, 6, 220, 217},
    {C::None, K::GroupBox, "ModeReg", 232, 6, 59, 73},
    {C::None, K::GroupBox, "WPM Speed", 295, 6, 61, 75},
    {C::None, K::GroupBox, "Settings", 231, 80, 125, 68},
    {C::None, K::GroupBox, "Keyer Mode", 232, 149, 59, 27},
    {C::None, K::GroupBox, "Paddle Hang", 295, 149, 61, 27},
    {C::None, K::GroupBox, "Sidetone Hz", 232, 178, 49, 27},
    {C::None, K::GroupBox, "Output Config", 285, 178, 71, 27},

    {C::Message1, K::MessageField, "", 11, 18, 167, 30},
    {C::None, K::Label, "Message 1", 183, 20, 38, 10, C::Message1},
    {C::Test1, K::PushButton, "Test", 190, 31, 21, 14, C::None, "Test message 1"},
    {C::Message2, K::MessageField, "", 11, 52, 167, 30},
    {C::None, K::Label, "Message 2", 183, 54, 38, 10, C::Message2},
    {C::Test2, K::PushButton, "Test", 190, 65, 21, 14, C::None, "Test message 2"},
    {C::Message3, K::MessageField, "", 11, 86, 167, 30},
    {C::None, K::Label, "Message 3", 183, 88, 38, 10, C::Message3},
    {C::Test3, K::PushButton, "Test", 190, 99, 21, 14, C::None, "Test message 3"},
    {C::Message4, K::MessageField, "", 11, 120, 167, 30},
    {C::None, K::Label, "Message 4", 183, 122, 38, 10, C::Message4},
    {C::Test4, K::PushButton, "Test", 190, 133, 21, 14, C::None, "Test message 4"},
    {C::Message5, K::MessageField, "", 11, 154, 167, 30},
    {C::None, K::Label, "Message 5", 183, 156, 38, 10, C::Message5},
    {C::Test5, K::PushButton, "Test", 190, 167, 21, 14, C::None, "Test message 5"},
    {C::Message6, K::MessageField, "", 11, 188, 167, 30},
    {C::None, K::Label, "Message 6", 183, 190, 38, 10, C::Message6},
    {C::Test6, K::PushButton, "Test", 190, 201, 21, 14, C::None, "Test message 6"},

    {C::Swap, K::CheckBox, "Swap", 238, 17, 34, 10},
    {C::AutoSpace, K::CheckBox, "AutoSpace", 238, 27, 51, 10},
    {C::CTspace, K::CheckBox, "CTspace", 238, 37, 45, 10},
    {C::PaddleDog, K::CheckBox, "PaddleDog", 238, 47, 51, 10},
    {C::Cut09, K::CheckBox, "Cut 0/9", 238, 57, 49, 10},
    {C::MsgBrk, K::CheckBox, "MsgBrk", 238, 67, 49, 10},

    {C::PotMax, K::NumberField, "", 300, 19, 18, 12},
    {C::None, K::Label, "MAX", 322, 20, 23, 8, C::PotMax, nullptr, "Speed at the top of the speed pot, words per minute"},
    {C::PotMin, K::NumberField, "", 300, 32, 18, 12},
    {C::None, K::Label, "MIN", 322, 34, 24, 8, C::PotMin, nullptr, "Speed at the bottom of the speed pot, words per minute"},
    {C::CmdWPM, K::NumberField, "", 300, 45, 18, 12},
    {C::None, K::Label, "CmdWPM", 322, 47, 34, 8, C::CmdWPM, nullptr, "Speed of the keyer's command replies, words per minute"},
    {C::PbVal, K::CenteredText, "", 300, 58, 20, 11},
    {C::None, K::Label, "PbVal", 323, 59, 24, 8, C::PbVal, nullptr, "Push-button reading from the last connection"},
    {C::PotVal, K::CenteredText, "", 300, 67, 20, 11},
    {C::None, K::Label, "PotVal", 323, 70, 26, 8, C::PotVal, nullptr, "Speed pot reading from the last connection"},

    {C::Ratio, K::NumberField, "", 240, 92, 21, 12},
    {C::None, K::Label, "Ratio", 265, 94, 25, 8, C::Ratio, nullptr, "Dash-to-dot ratio"},
    {C::Comp, K::NumberField, "", 240, 105, 21, 12},
    {C::CompLabel, K::Label, "Comp", 265, 107, 25, 8, C::Comp, nullptr, "Keying compensation"},
    {C::FirstExt, K::NumberField, "", 240, 118, 21, 12},
    {C::FirstExtLabel, K::Label, "1stExt", 265, 120, 26, 8, C::FirstExt, nullptr, "Extension of the first element after a pause"},
    {C::Sample, K::NumberField, "", 240, 131, 21, 12},
    {C::None, K::Label, "Sample", 265, 133, 28, 8, C::Sample, nullptr, "Paddle sampling point"},
    {C::Weight, K::NumberField, "", 297, 92, 21, 12},
    {C::None, K::Label, "Weight", 322, 94, 26, 8, C::Weight, nullptr, "Dot and dash weighting; 50 is standard"},
    {C::LeadIn, K::NumberField, "", 297, 105, 21, 12},
    {C::None, K::Label, "LeadIn", 322, 107, 26, 8, C::LeadIn, nullptr, "Delay from PTT to the first element"},
    {C::Tail, K::NumberField, "", 297, 118, 21, 12},
    {C::None, K::Label, "Tail", 322, 120, 25, 8, C::Tail, nullptr, "Time PTT stays on after the last element"},
    {C::Farns, K::NumberField, "", 297, 131, 21, 12},
    {C::None, K::Label, "Farns", 322, 133, 25, 8, C::Farns, nullptr, "Farnsworth speed; 0 switches it off"},

    {C::KeyerMode, K::EditableDropDown, "", 235, 159, 51, 78, C::None, "Keyer Mode"},
    {C::PaddleHang, K::EditableDropDown, "", 299, 159, 55, 58, C::None, "Paddle Hang"},
    {C::Sidetone, K::DropDownList, "", 238, 188, 37, 98, C::None, "Sidetone Hz"},
    {C::OutputConfig, K::DropDownList, "", 289, 188, 65, 95, C::None, "Output Config"},

    {C::ReadMV, K::PushButton, "&Read MV", 230, 208, 40, 15},
    {C::WriteMV, K::PushButton, "&Write MV", 273, 208, 40, 15},
    {C::TestMV, K::PushButton, "&Test MV", 316, 208, 40, 15},

    {C::BytesLeft, K::Text, "Msg Bytes Left:", 12, 229, 78, 12, C::None, nullptr, "Message bytes left"},
    {C::LinkStatus, K::Text, "", 110, 229, 116, 12, C::None, nullptr, "Link status"},
    {C::OperationStatus, K::Text, "", 231, 229, 38, 12, C::None, nullptr, "Operation status"},
    {C::FileName, K::Text, "", 275, 229, 80, 12, C::None, nullptr, "File name"},
};

constexpr ControlSpec AboutControls[] = {
    {C::None, K::CenteredLabel, "Morvel2 Standalone Parameter Editor", 39, 13, 148, 8},
    {C::AboutVersion, K::CenteredText, "", 39, 25, 148, 8},
    {C::AboutSystem, K::CenteredText, "", 39, 36, 148, 8},
    {C::AboutIcon, K::IconArea, "", 17, 15, 21, 20},
    {C::AboutOk, K::DefaultButton, "&OK", 77, 83, 40, 14},
};

constexpr ControlSpec BackupListControls[] = {
    {C::None, K::Label, "&Backups, newest first:", 7, 7, 306, 8, C::BackupsList},
    {C::BackupsList, K::ListBox, "", 7, 17, 306, 98},
    {C::None, K::Label, "&Not listed:", 7, 119, 306, 8, C::BackupsLeftOut},
    {C::BackupsLeftOut, K::ReadOnlyText, "", 7, 129, 306, 26},
    {C::BackupsOpen, K::DefaultButton, "&Open", 209, 160, 50, 14},
    {C::BackupsCancel, K::PushButton, "Cancel", 263, 160, 50, 14},
};
constexpr ControlSpec BackupOfferControls[] = {
    {C::OfferText, K::WrappedText, "", 7, 7, 246, 16},
    {C::OfferDetails, K::ReadOnlyText, "", 7, 27, 246, 34},
    {C::BackupsOpen, K::DefaultButton, "", 149, 66, 50, 14},
    {C::BackupsCancel, K::PushButton, "Cancel", 203, 66, 50, 14},
};

constexpr MenuItemSpec FileItems[] = {
    {"&Open", Cmd::Open}, {"Open &Backup...", Cmd::OpenBackup}, {"&Save", Cmd::Save},
    {nullptr, 0}, {"&Go to setting...", Cmd::GoToSetting, "Ctrl+G"},
    {nullptr, 0}, {"&Exit", Cmd::Exit}};
constexpr MenuItemSpec CommItems[] = {
    {"Com1", 500}, {"Com2", 501}, {"Com3", 502}, {"Com4", 503},  {"Com5", 504},  {"Com6", 505},
    {"Com7", 519}, {"Com8", 526}, {"Com9", 538}, {"Com10", 546}, {"Com11", 556}, {"Com12", 566},
    {nullptr, 0}, {"&Assign device...", Cmd::AssignDevice},
    {nullptr, 0}, {"&Read MV", Cmd::ReadMV, "Ctrl+R"}, {"&Write MV", Cmd::WriteMV, "Ctrl+W"},
    {"&Test MV", Cmd::TestMV, "Ctrl+T"}, {"&Verify after writing", Cmd::VerifyAfterWriting},
};
constexpr MenuItemSpec HelpItems[] = {{"&About", Cmd::About}, {"&Help", Cmd::Help}};
constexpr MenuSpec Menus[] = {{"&File", FileItems}, {"&Comm", CommItems}, {"&Help", HelpItems}};
// clang-format on

} // namespace

const DialogSpec EditorPanelLayout{"", 2, -13, 362, 250, PanelControls};
const DialogSpec AboutBoxLayout{"Morvel Testbed", 18, 38, 198, 108, AboutControls};
const DialogSpec BackupListLayout{"Open Backup", 0, 0, 320, 181, BackupListControls};
const DialogSpec BackupOfferLayout{"Open Backup", 0, 0, 260, 87, BackupOfferControls};
const std::span<const MenuSpec> MainMenu{Menus};

std::string AsMenuText(std::string_view text)
{
    std::string shown;
    for (const char c : text) {
        if (c == '&')
            shown += '&';
        shown += c;
    }
    return shown;
}

int CommandForPort(int port)
{
    if (port < 1 || port > HighestPort())
        return 0;
    return port <= PortCount ? CommItems[port - 1].id : HighPortCommands + port;
}

int PortForCommand(int id)
{
    for (int port = 1; port <= PortCount; ++port) {
        if (CommItems[port - 1].id == id)
            return port;
    }
    const int high = id - HighPortCommands;
    return high > PortCount && high <= HighestPort() ? high : 0;
}
