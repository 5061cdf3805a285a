// What a screen reader is told each control of the running editor is
// called, asked from this process as a screen reader asks (MSAA), with what
// it should be told. Run beside mv2mgr.exe under wine's X11 driver; exits 1
// when a name is not the one expected.

#include "ui/Layouts.h"
#include "files/WideText.h"

#include <cstdio>
#include <oleacc.h>
#include <string>
#include <vector>

namespace {

std::wstring NameOf(HWND control)
{
    IAccessible* object = nullptr;
    if (FAILED(::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                            reinterpret_cast<void**>(&object))))
        return L"(no accessible object)";
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::wstring text = L"(no name)";
    if (SUCCEEDED(object->get_accName(self, &name)) && name)
        text = name;
    ::SysFreeString(name);
    object->Release();
    return text;
}

} // namespace

int main()
{
    HWND window = nullptr;
    for (int tries = 0; tries < 300 && !window; ++tries) {
        window = ::FindWindowW(L"Morvel", L"Morvel2 Standalone Editor");
        if (!window)
            ::Sleep(100);
    }
    const HWND panel = window ? ::GetWindow(window, GW_CHILD) : nullptr;
    if (!panel) {
        std::puts("the editor's window did not appear");
        return 1;
    }
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    // Six buttons that all say "Test", told apart; and each field named by
    // the label before it, which the panel keeps right in front of it.
    struct Expected {
        ControlId id;
        std::wstring name;
    };
    std::vector<Expected> expected;
    for (int n = 1; n <= 6; ++n)
        expected.push_back({MessageTestId(n), L"Test message " + std::to_wstring(n)});
    for (const ControlSpec& label : EditorPanelLayout.controls) {
        for (const ControlSpec& field : EditorPanelLayout.controls) {
            const bool edit = field.kind == ControlKind::MessageField || field.kind == ControlKind::NumberField;
            if (label.kind == ControlKind::Label && label.buddy == field.id && edit)
                expected.push_back({field.id, Wide(label.text)});
        }
    }
    int wrong = 0;
    for (const Expected& e : expected) {
        const std::wstring told = NameOf(::GetDlgItem(panel, static_cast<int>(e.id)));
        const bool right = told == e.name;
        wrong += right ? 0 : 1;
        std::printf("%4d: \"%s\"%s\n", static_cast<int>(e.id), Utf8(told).c_str(),
                    right ? "" : (" -- expected \"" + Utf8(e.name) + "\"").c_str());
    }
    // What the lists and the other buttons are told, for the record.
    for (const ControlId id : {ControlId::KeyerMode, ControlId::Sidetone, ControlId::ReadMV, ControlId::Swap})
        std::printf("%4d: \"%s\" (not checked)\n", static_cast<int>(id),
                    Utf8(NameOf(::GetDlgItem(panel, static_cast<int>(id)))).c_str());
    std::printf("accessible names: %zu read, %d wrong\n", expected.size(), wrong);
    ::CoUninitialize();
    return wrong ? 1 : 0;
}
