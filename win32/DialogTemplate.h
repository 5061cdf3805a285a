#pragma once

// A layout table as an in-memory dialog template, the form Windows builds
// dialogs from: rectangles in dialog units, so that the dialog scales with
// its font and the screen's density.

#include "ui/Layouts.h"

#include <string_view>
#include <vector>
#include <windows.h>

// The controls in the order the dialog gets them, which is their tab order
// and the order a screen reader looks for names in: the table's, with each
// label moved directly in front of the control it names, and the group box
// named like a list directly in front of that list.
std::vector<const ControlSpec*> CreationOrder(const DialogSpec& layout);

// The window class and styles a control of `kind` is made with.
struct ControlClass {
    WORD atom; // 0x0080 button, 0x0081 edit, 0x0082 static, 0x0083 list box, 0x0085 combo box
    DWORD style;
};
ControlClass ClassOf(const ControlSpec& control);

// The template of `layout`, with `style` for the dialog itself and its font.
std::vector<WORD> DialogTemplate(const DialogSpec& layout, DWORD style, std::wstring_view font, WORD points);

// A control's id as the dialog knows it; the ones nobody addresses share -1.
inline int DialogId(ControlId id)
{
    return id == ControlId::None ? -1 : static_cast<int>(id);
}
