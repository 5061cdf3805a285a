// What a screen reader is told the running editor's controls are called,
// asked from this process through MSAA; exits 1 when a name is not right.

#include "files/WideText.h"
#include "ui/Layouts.h"

#include <cstdio>
#include <oleacc.h>
#include <string>
#include <utility>
#include <vector>

static std::wstring NameOf(HWND control)
{
    IAccessible* object = nullptr;
    VARIANT self{}; // CHILDID_SELF
    self.vt = VT_I4;
    BSTR name = nullptr;
    if (SUCCEEDED(::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                               reinterpret_cast<void**>(&object))))
        object->get_accName(self, &name);
    const std::wstring text = name ? name : L"(none)";
    ::SysFreeString(name);
    if (object)
        object->Release();
    return text;
}

int main()
{
    // The window is there while it is still being made; shown, it is whole.
    HWND window = nullptr;
    for (int tries = 0; tries < 300 && !((window = ::FindWindowW(L"Morvel", nullptr)) && ::IsWindowVisible(window));
         ++tries)
        ::Sleep(100);
    const HWND panel = ::GetWindow(window, GW_CHILD);
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // The six buttons that all say "Test" told apart, and each edit field
    // named by the label that the panel keeps right before it.
    std::vector<std::pair<ControlId, std::wstring>> expected;
    for (int n = 1; n <= 6; ++n)
        expected.emplace_back(MessageTestId(n), L"Test message " + std::to_wstring(n));
    for (const ControlSpec& label : EditorPanelLayout.controls) {
        wchar_t kind[8] = {};
        ::GetClassNameW(::GetDlgItem(panel, static_cast<int>(label.buddy)), kind, 8);
        if (label.kind == ControlKind::Label && std::wstring(kind) == L"Edit")
            expected.emplace_back(label.buddy, Wide(label.text));
    }
    int wrong = 0;
    for (const auto& [id, name] : expected) {
        const std::wstring told = NameOf(::GetDlgItem(panel, static_cast<int>(id)));
        wrong += told != name;
        std::printf("%d: \"%s\"%s\n", static_cast<int>(id), Utf8(told).c_str(), told == name ? "" : " (wrong)");
    }
    std::printf("accessible names: %zu read, %d wrong\n", expected.size(), wrong);
    return wrong || expected.size() != 23 ? 1 : 0;
}
