#include "win32/AccessibleName.h"

#include <commctrl.h>
#include <oleacc.h>
#include <utility>

namespace {

// The system's own accessible object for the control, with another name for
// the control itself: every other question goes to the system's object.
class NamedAccessible final : public IAccessible, public IOleWindow {
  public:
    NamedAccessible(IAccessible* standard, HWND control, const std::wstring& name)
        : standard(standard), control(control), name(name)
    {
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible))
            *object = static_cast<IAccessible*>(this);
        else if (iid == __uuidof(IOleWindow))
            *object = static_cast<IOleWindow*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&references)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = ::InterlockedDecrement(&references);
        if (left == 0) {
            standard->Release();
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    // IOleWindow: which window this is, for a screen reader that asks.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override
    {
        if (!window)
            return E_POINTER;
        *window = control;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // The one answer of its own.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* answer) override
    {
        if (child.vt != VT_I4 || child.lVal != CHILDID_SELF)
            return standard->get_accName(child, answer);
        if (!answer)
            return E_POINTER;
        *answer = ::SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
        return *answer ? S_OK : E_OUTOFMEMORY;
    }

    // IDispatch and the rest of IAccessible, as the system answers them.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return standard->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override
    {
        return standard->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override
    {
        return standard->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* wrong) override
    {
        return standard->Invoke(id, iid, locale, flags, parameters, result, exception, wrong);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override { return standard->get_accChildCount(count); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override
    {
        return standard->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        return standard->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override
    {
        return standard->get_accDescription(child, description);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        return standard->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        return standard->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override
    {
        return standard->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override
    {
        return standard->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override
    {
        return standard->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return standard->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override
    {
        return standard->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        return standard->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override
    {
        return standard->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override
    {
        return standard->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override
    {
        return standard->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override
    {
        return standard->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override { return standard->accDoDefaultAction(child); }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR value) override
    {
        return standard->put_accName(child, value);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override
    {
        return standard->put_accValue(child, value);
    }

  private:
    ~NamedAccessible() = default;

    IAccessible* standard;
    HWND control;
    std::wstring name;
    LONG references = 1;
};

LRESULT CALLBACK NamedProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    const auto* name = reinterpret_cast<const std::wstring*>(data);
    switch (message) {
    case WM_GETOBJECT:
        // Asked afresh each time: the object lives only as long as the
        // screen reader holds it.
        if (static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
            IAccessible* standard = nullptr;
            if (SUCCEEDED(::CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                                      reinterpret_cast<void**>(&standard)))) {
                auto* named = new NamedAccessible(standard, control, *name);
                const LRESULT answer =
                    ::LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(named));
                named->Release();
                return answer;
            }
        }
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(control, NamedProc, 0);
        delete name;
        break;
    default:
        break;
    }
    return ::DefSubclassProc(control, message, wParam, lParam);
}

} // namespace

void NameForScreenReaders(HWND control, std::wstring name)
{
    auto* kept = new std::wstring(std::move(name));
    if (!::SetWindowSubclass(control, NamedProc, 0, reinterpret_cast<DWORD_PTR>(kept)))
        delete kept;
}
