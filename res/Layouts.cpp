#include "res/Layouts.h"

#include <array>

namespace {

using K = ControlKind;

// clang-format off
constexpr ControlSpec PanelControls[] = {
    // Group boxes first, so that everything else is drawn on top of them.
    {0, K::GroupBox, "Message Editor", 6, 6, 220, 217},
    {0, K::GroupBox, "ModeReg", 232, 6, 59, 73},
    {0, K::GroupBox, "WPM Speed", 295, 6, 61, 75},
    {0, K::GroupBox, "Settings", 231, 80, 125, 68},
    {0, K::GroupBox, "Keyer Mode", 232, 149, 59, 27},
    {0, K::GroupBox, "Paddle Hang", 295, 149, 61, 27},
    {0, K::GroupBox, "Sidetone Hz", 232, 178, 49, 27},
    {0, K::GroupBox, "Output Config", 285, 178, 71, 27},

    {1000, K::MessageField, "", 11, 18, 167, 30},
    {0, K::Label, "Message 1", 183, 20, 38, 10, 1000},
    {1006, K::PushButton, "Test", 190, 31, 21, 14, 0, "Test message 1"},
    {1001, K::MessageField, "", 11, 52, 167, 30},
    {0, K::Label, "Message 2", 183, 54, 38, 10, 1001},
    {1007, K::PushButton, "Test", 190, 65, 21, 14, 0, "Test message 2"},
    {1002, K::MessageField, "", 11, 86, 167, 30},
    {0, K::Label, "Message 3", 183, 88, 38, 10, 1002},
    {1008, K::PushButton, "Test", 190, 99, 21, 14, 0, "Test message 3"},
    {1003, K::MessageField, "", 11, 120, 167, 30},
    {0, K::Label, "Message 4", 183, 122, 38, 10, 1003},
    {1009, K::PushButton, "Test", 190, 133, 21, 14, 0, "Test message 4"},
    {1004, K::MessageField, "", 11, 154, 167, 30},
    {0, K::Label, "Message 5", 183, 156, 38, 10, 1004},
    {1010, K::PushButton, "Test", 190, 167, 21, 14, 0, "Test message 5"},
    {1005, K::MessageField, "", 11, 188, 167, 30},
    {0, K::Label, "Message 6", 183, 190, 38, 10, 1005},
    {1011, K::PushButton, "Test", 190, 201, 21, 14, 0, "Test message 6"},

    {1016, K::CheckBox, "Swap", 238, 17, 34, 10},
    {1017, K::CheckBox, "AutoSpace", 238, 27, 51, 10},
    {1018, K::CheckBox, "CTspace", 238, 37, 45, 10},
    {1019, K::CheckBox, "PaddleDog", 238, 47, 51, 10},
    {112, K::CheckBox, "Cut 0/9", 238, 57, 49, 10},
    {107, K::CheckBox, "MsgBrk", 238, 67, 49, 10},

    {1014, K::NumberField, "", 300, 19, 18, 12},
    {0, K::Label, "MAX", 322, 20, 23, 8, 1014, nullptr, "Speed at the top of the speed pot, words per minute"},
    {1015, K::NumberField, "", 300, 32, 18, 12},
    {0, K::Label, "MIN", 322, 34, 24, 8, 1015, nullptr, "Speed at the bottom of the speed pot, words per minute"},
    {108, K::NumberField, "", 300, 45, 18, 12},
    {0, K::Label, "CmdWPM", 322, 47, 34, 8, 108, nullptr, "Speed of the keyer's command replies, words per minute"},
    {104, K::CenteredText, "", 300, 58, 20, 11},
    {0, K::Label, "PbVal", 323, 59, 24, 8, 104, nullptr, "Push-button reading from the last connection"},
    {103, K::CenteredText, "", 300, 67, 20, 11},
    {0, K::Label, "PotVal", 323, 70, 26, 8, 103, nullptr, "Speed pot reading from the last connection"},

    {1034, K::NumberField, "", 240, 92, 21, 12},
    {0, K::Label, "Ratio", 265, 94, 25, 8, 1034, nullptr, "Dash-to-dot ratio"},
    {1035, K::NumberField, "", 240, 105, 21, 12},
    {1037, K::Label, "Comp", 265, 107, 25, 8, 1035, nullptr, "Keying compensation"},
    {1036, K::NumberField, "", 240, 118, 21, 12},
    {1039, K::Label, "1stExt", 265, 120, 26, 8, 1036, nullptr, "Extension of the first element after a pause"},
    {1045, K::NumberField, "", 240, 131, 21, 12},
    {0, K::Label, "Sample", 265, 133, 28, 8, 1045, nullptr, "Paddle sampling point"},
    {1021, K::NumberField, "", 297, 92, 21, 12},
    {0, K::Label, "Weight", 322, 94, 26, 8, 1021, nullptr, "Dot and dash weighting; 50 is standard"},
    {1031, K::NumberField, "", 297, 105, 21, 12},
    {0, K::Label, "LeadIn", 322, 107, 26, 8, 1031, nullptr, "Delay from PTT to the first element"},
    {1032, K::NumberField, "", 297, 118, 21, 12},
    {0, K::Label, "Tail", 322, 120, 25, 8, 1032, nullptr, "Time PTT stays on after the last element"},
    {1033, K::NumberField, "", 297, 131, 21, 12},
    {0, K::Label, "Farns", 322, 133, 25, 8, 1033, nullptr, "Farnsworth speed; 0 switches it off"},

    {1040, K::EditableDropDown, "", 235, 159, 51, 78, 0, "Keyer Mode"},
    {1141, K::EditableDropDown, "", 299, 159, 55, 58, 0, "Paddle Hang"},
    {1044, K::DropDownList, "", 238, 188, 37, 98, 0, "Sidetone Hz"},
    {1046, K::DropDownList, "", 289, 188, 65, 95, 0, "Output Config"},

    {102, K::PushButton, "Read MV", 230, 208, 40, 15},
    {328, K::PushButton, "Write MV", 273, 208, 40, 15},
    {115, K::PushButton, "Test MV", 316, 208, 40, 15},

    {119, K::Text, "Msg Bytes Left:", 12, 229, 78, 12, 0, nullptr, "Message bytes left"},
    {106, K::Text, "", 110, 229, 116, 12, 0, nullptr, "Link status"},
    {121, K::Text, "", 231, 229, 38, 12, 0, nullptr, "Operation status"},
    {113, K::Text, "", 275, 229, 80, 12, 0, nullptr, "File name"},
};

constexpr ControlSpec AboutControls[] = {
    {0, K::CenteredLabel, "Morvel2 Standalone Parameter Editor", 39, 13, 148, 8},
    {202, K::CenteredText, "", 39, 25, 148, 8},
    {208, K::CenteredText, "", 39, 36, 148, 8},
    {201, K::IconArea, "", 17, 15, 21, 20},
    {1, K::DefaultButton, "&OK", 77, 83, 40, 14},
};

constexpr MenuItemSpec FileItems[] = {
    {"&Open", Cmd::Open}, {"Open &Backup...", Cmd::OpenBackup}, {"&Save", Cmd::Save}, {"&Exit", Cmd::Exit}};
constexpr MenuItemSpec CommItems[] = {
    {"Com1", 500}, {"Com2", 501}, {"Com3", 502}, {"Com4", 503},  {"Com5", 504},  {"Com6", 505},
    {"Com7", 519}, {"Com8", 526}, {"Com9", 538}, {"Com10", 546}, {"Com11", 556}, {"Com12", 566},
    {"&Assign device...", Cmd::AssignDevice},
};
constexpr MenuItemSpec HelpItems[] = {{"&About", Cmd::About}, {"&Help", Cmd::Help}};
constexpr MenuSpec Menus[] = {{"&File", FileItems}, {"&Comm", CommItems}, {"&Help", HelpItems}};
// clang-format on

} // namespace

const DialogSpec EditorPanelLayout{"", 2, -13, 362, 250, PanelControls};
const DialogSpec AboutBoxLayout{"Morvel Testbed", 18, 38, 198, 108, AboutControls};
const std::span<const MenuSpec> MainMenu{Menus};

int CommandForPort(int port)
{
    if (port < 1 || port > 12)
        return 0;
    return CommItems[port - 1].id;
}

int PortForCommand(int id)
{
    for (std::size_t i = 0; i < 12; ++i) {
        if (CommItems[i].id == id)
            return static_cast<int>(i) + 1;
    }
    return 0;
}
