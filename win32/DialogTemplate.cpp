#include "win32/DialogTemplate.h"

#include "files/WideText.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr WORD ButtonClass = 0x0080;
constexpr WORD EditClass = 0x0081;
constexpr WORD StaticClass = 0x0082;
constexpr WORD ListBoxClass = 0x0083;
constexpr WORD ComboBoxClass = 0x0085;

// What names `control` for a screen reader, or null.
const ControlSpec* NameOf(const DialogSpec& layout, const ControlSpec& control)
{
    for (const ControlSpec& c : layout.controls) {
        if (control.id != ControlId::None && c.kind == ControlKind::Label && c.buddy == control.id)
            return &c;
        if (control.accessible && c.kind == ControlKind::GroupBox && std::strcmp(c.text, control.accessible) == 0)
            return &c;
    }
    return nullptr;
}

class TemplateWriter {
  public:
    void Word(WORD w) { words.push_back(w); }
    void DoubleWord(DWORD d)
    {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    void Short(int s) { Word(static_cast<WORD>(static_cast<short>(s))); }
    void Text(std::wstring_view text)
    {
        for (const wchar_t c : text)
            Word(static_cast<WORD>(c));
        Word(0);
    }
    // Each control's part starts on a double word.
    void Align()
    {
        if (words.size() % 2)
            Word(0);
    }
    std::vector<WORD> words;
};

} // namespace

std::vector<const ControlSpec*> CreationOrder(const DialogSpec& layout)
{
    std::vector<const ControlSpec*> names;
    for (const ControlSpec& c : layout.controls) {
        if (const ControlSpec* name = NameOf(layout, c))
            names.push_back(name);
    }
    std::vector<const ControlSpec*> order;
    for (const ControlSpec& c : layout.controls) {
        if (std::find(names.begin(), names.end(), &c) != names.end())
            continue;
        if (const ControlSpec* name = NameOf(layout, c))
            order.push_back(name);
        order.push_back(&c);
    }
    return order;
}

ControlClass ClassOf(const ControlSpec& control)
{
    constexpr DWORD Child = WS_CHILD | WS_VISIBLE;
    // What the program writes is shown as it is: an "&" in a file name is no
    // mnemonic, and a long text ends in an ellipsis rather than mid-letter
    // (the file's whole path, or why a link failed, is in its tooltip);
    // SS_NOTIFY lets the tooltip see the pointer.
    const DWORD written = SS_NOPREFIX | SS_NOTIFY | SS_ENDELLIPSIS;
    switch (control.kind) {
    case ControlKind::GroupBox:
        return {ButtonClass, Child | BS_GROUPBOX};
    case ControlKind::Label:
        return {StaticClass, Child | SS_LEFT};
    case ControlKind::CenteredLabel:
        return {StaticClass, Child | SS_CENTER};
    case ControlKind::Text:
        return {StaticClass, Child | SS_LEFT | written};
    case ControlKind::CenteredText:
        return {StaticClass, Child | SS_CENTER | written};
    case ControlKind::MessageField:
        return {EditClass, Child | WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL};
    case ControlKind::NumberField:
        return {EditClass, Child | WS_TABSTOP | WS_BORDER | ES_NUMBER | ES_AUTOHSCROLL};
    case ControlKind::CheckBox:
        // The image holds the mark; the panel sets it after each click.
        return {ButtonClass, Child | WS_TABSTOP | BS_CHECKBOX};
    case ControlKind::PushButton:
        return {ButtonClass, Child | WS_TABSTOP | BS_PUSHBUTTON};
    case ControlKind::DefaultButton:
        return {ButtonClass, Child | WS_TABSTOP | BS_DEFPUSHBUTTON};
    case ControlKind::EditableDropDown:
        return {ComboBoxClass, Child | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL};
    case ControlKind::DropDownList:
        return {ComboBoxClass, Child | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST};
    case ControlKind::IconArea:
        return {StaticClass, Child | SS_ICON};
    case ControlKind::ListBox:
        return {ListBoxClass,
                Child | WS_TABSTOP | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT};
    case ControlKind::WrappedText:
        return {StaticClass, Child | SS_LEFT | SS_NOPREFIX};
    case ControlKind::ReadOnlyText:
        return {EditClass, Child | WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL};
    }
    return {StaticClass, Child};
}

std::vector<WORD> DialogTemplate(const DialogSpec& layout, DWORD style, std::wstring_view font, WORD points)
{
    const std::vector<const ControlSpec*> order = CreationOrder(layout);
    TemplateWriter t;
    t.DoubleWord(style | DS_SETFONT);
    t.DoubleWord(0);
    t.Word(static_cast<WORD>(order.size()));
    t.Short(layout.x);
    t.Short(layout.y);
    t.Short(layout.width);
    t.Short(layout.height);
    t.Word(0); // no menu
    t.Word(0); // the dialog class
    t.Text(Wide(layout.caption));
    t.Word(points);
    t.Text(font);
    for (const ControlSpec* c : order) {
        const ControlClass kind = ClassOf(*c);
        t.Align();
        t.DoubleWord(kind.style);
        t.DoubleWord(0);
        t.Short(c->x);
        t.Short(c->y);
        t.Short(c->width);
        t.Short(c->height);
        t.Word(static_cast<WORD>(DialogId(c->id)));
        t.Word(0xFFFF);
        t.Word(kind.atom);
        t.Text(Wide(c->text));
        t.Word(0); // no creation data
    }
    return t.words;
}
