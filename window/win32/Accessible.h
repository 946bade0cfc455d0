// The window's client area as screen readers see it (MSAA): an IAccessible
// whose children are the drawn labels AccessibleElements lists. OLE is
// loaded only when a reader first asks, so a run without one pays nothing.
#pragma once

#include <windows.h>

#include <oleacc.h>

#include "window/Accessibility.h"

namespace qv {

// The window message a default action is posted as: it runs from the
// window's own loop, not inside the reader's call, which a command's wait
// would otherwise hold up.
inline constexpr UINT kDefaultActionMessage = WM_APP + 1;

class Accessible final : public IAccessible {
public:
    // `heading`: where the self-sizing heading is drawn now.
    Accessible(HWND window, const frmVctool& form, float& twipsPerPixel, const RECT& heading)
        : window_(window), form_(&form), twipsPerPixel_(twipsPerPixel), heading_(heading) {}

    // The answer to WM_GETOBJECT for the client area; 0 when OLE is missing.
    LRESULT Answer(WPARAM wParam);
    // The window is going: later calls find nothing.
    void Disconnect() { form_ = nullptr; }
    // Tells readers (or no longer) that the status is a polite live region,
    // whose every change they speak without moving there.
    void AnnotateLiveRegion(bool live);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch: the properties are read through IAccessible alone.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** dispatch) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    // The element a VARIANT child id names, or null for the client itself
    // (and for a bad id, with `valid` false).
    const AccessibleElement* Element(const VARIANT& child, bool& valid);
    HRESULT Text(const std::wstring& text, BSTR* out);

    HWND window_;
    const frmVctool* form_;
    float& twipsPerPixel_;
    const RECT& heading_;
    ULONG references_ = 1;  // the window's own
    std::vector<AccessibleElement> elements_;  // as of the last call
};

}  // namespace qv
