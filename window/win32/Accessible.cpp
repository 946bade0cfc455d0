#include "window/win32/Accessible.h"

#include "window/win32/Painter.h"
#include "window/win32/SystemLibrary.h"

namespace qv {
namespace {

// OLE, loaded at the first reader's first question.
struct Ole {
    decltype(&::LresultFromObject) lresultFromObject = nullptr;
    decltype(&::CreateStdAccessibleObject) createStdAccessibleObject = nullptr;
    decltype(&::SysAllocString) sysAllocString = nullptr;
    decltype(&::CoCreateInstance) coCreateInstance = nullptr;
};

// The annotation service's class and interface, and the property by which a
// reader knows how eagerly to speak an object's changes, with its "polite"
// value: when the reader is next idle.
constexpr CLSID kAccPropServicesClass{0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kAccPropServicesInterface{0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr MSAAPROPID kLiveSetting{0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr long kPolite = 1;

template <typename Function>
void Find(Function& function, const wchar_t* library, const char* name) {
    // Through void*, as a FARPROC names no particular signature.
    function = reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(LoadSystemLibrary(library), name)));
}

const Ole& LoadedOle() {
    static const Ole ole = [] {
        Ole loaded;
        decltype(&::CoInitializeEx) coInitializeEx = nullptr;
        Find(coInitializeEx, L"ole32.dll", "CoInitializeEx");
        // The reader's calls arrive as messages to this thread's apartment.
        if (coInitializeEx != nullptr) coInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        Find(loaded.lresultFromObject, L"oleacc.dll", "LresultFromObject");
        Find(loaded.createStdAccessibleObject, L"oleacc.dll", "CreateStdAccessibleObject");
        Find(loaded.sysAllocString, L"oleaut32.dll", "SysAllocString");
        Find(loaded.coCreateInstance, L"ole32.dll", "CoCreateInstance");
        return loaded;
    }();
    return ole;
}

void Set(VARIANT& variant, long value) {
    variant.vt = VT_I4;
    variant.lVal = value;
}

}  // namespace

void Accessible::AnnotateLiveRegion(bool live) {
    const Ole& ole = LoadedOle();
    IAccPropServices* services = nullptr;
    if (ole.coCreateInstance == nullptr ||
        FAILED(ole.coCreateInstance(kAccPropServicesClass, nullptr, CLSCTX_INPROC_SERVER,
                                    kAccPropServicesInterface, reinterpret_cast<void**>(&services))))
        return;
    const auto child = static_cast<DWORD>(AccessibleChildId(kLiveRegion));
    if (live) {
        VARIANT polite{};
        Set(polite, kPolite);
        services->SetHwndProp(window_, static_cast<DWORD>(OBJID_CLIENT), child, kLiveSetting, polite);
    } else {
        services->ClearHwndProps(window_, static_cast<DWORD>(OBJID_CLIENT), child, &kLiveSetting, 1);
    }
    services->Release();
}

LRESULT Accessible::Answer(WPARAM wParam) {
    const Ole& ole = LoadedOle();
    if (ole.lresultFromObject == nullptr || ole.sysAllocString == nullptr) return 0;
    return ole.lresultFromObject(__uuidof(IAccessible), wParam, this);
}

HRESULT Accessible::QueryInterface(REFIID riid, void** object) {
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) ||
        riid == __uuidof(IAccessible)) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG Accessible::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT Accessible::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

const AccessibleElement* Accessible::Element(const VARIANT& child, bool& valid) {
    elements_ = form_ ? AccessibleElements(*form_) : std::vector<AccessibleElement>{};
    valid = form_ != nullptr && child.vt == VT_I4 && child.lVal >= CHILDID_SELF &&
            child.lVal <= static_cast<long>(elements_.size());
    return valid && child.lVal != CHILDID_SELF ? &elements_[static_cast<std::size_t>(child.lVal - 1)]
                                               : nullptr;
}

HRESULT Accessible::Text(const std::wstring& text, BSTR* out) {
    *out = text.empty() ? nullptr : LoadedOle().sysAllocString(text.c_str());
    return text.empty() ? S_FALSE : S_OK;
}

HRESULT Accessible::get_accParent(IDispatch** parent) {
    *parent = nullptr;
    const Ole& ole = LoadedOle();
    if (form_ == nullptr || ole.createStdAccessibleObject == nullptr) return S_FALSE;
    return ole.createStdAccessibleObject(window_, OBJID_WINDOW, __uuidof(IDispatch),
                                         reinterpret_cast<void**>(parent));
}

HRESULT Accessible::get_accChildCount(long* count) {
    *count = form_ ? static_cast<long>(AccessibleElements(*form_).size()) : 0;
    return S_OK;
}

HRESULT Accessible::get_accChild(VARIANT child, IDispatch** dispatch) {
    bool valid = false;
    Element(child, valid);
    *dispatch = nullptr;  // the children are simple elements, not objects
    return valid ? S_FALSE : E_INVALIDARG;
}

HRESULT Accessible::get_accName(VARIANT child, BSTR* name) {
    bool valid = false;
    const AccessibleElement* element = Element(child, valid);
    if (!valid) return E_INVALIDARG;
    if (element == nullptr) {
        wchar_t caption[128] = {};
        GetWindowTextW(window_, caption, static_cast<int>(std::size(caption)));
        return Text(caption, name);
    }
    return Text(element->name, name);
}

HRESULT Accessible::get_accValue(VARIANT, BSTR* value) {
    *value = nullptr;
    return S_FALSE;
}

HRESULT Accessible::get_accDescription(VARIANT child, BSTR* description) {
    bool valid = false;
    const AccessibleElement* element = Element(child, valid);
    if (!valid) return E_INVALIDARG;
    return Text(element ? element->description : L"", description);
}

HRESULT Accessible::get_accRole(VARIANT child, VARIANT* role) {
    bool valid = false;
    const AccessibleElement* element = Element(child, valid);
    if (!valid) return E_INVALIDARG;
    Set(*role, element == nullptr ? ROLE_SYSTEM_CLIENT
               : element->button  ? ROLE_SYSTEM_PUSHBUTTON
                                  : ROLE_SYSTEM_STATICTEXT);
    return S_OK;
}

HRESULT Accessible::get_accState(VARIANT child, VARIANT* state) {
    bool valid = false;
    const AccessibleElement* element = Element(child, valid);
    if (!valid) return E_INVALIDARG;
    // Whatever a focus event or get_accFocus names says FOCUSED: a command,
    // or the client itself while the window has the keyboard and no command
    // is focused; a reader drops a focus event on an object that does not.
    const bool active = GetFocus() == window_;
    const bool anyFocused = form_->input.Focused().has_value();
    long flags = STATE_SYSTEM_FOCUSABLE | (active && !anyFocused ? STATE_SYSTEM_FOCUSED : 0);
    if (element != nullptr && !element->button) flags = STATE_SYSTEM_READONLY;
    if (element != nullptr && element->button)
        flags = element->unavailable ? STATE_SYSTEM_UNAVAILABLE : STATE_SYSTEM_FOCUSABLE;
    if (element != nullptr && element->focused && active) flags |= STATE_SYSTEM_FOCUSED;
    Set(*state, flags);
    return S_OK;
}

HRESULT Accessible::get_accHelp(VARIANT, BSTR* help) {
    *help = nullptr;
    return S_FALSE;
}

HRESULT Accessible::get_accHelpTopic(BSTR* file, VARIANT, long* topic) {
    *file = nullptr;
    *topic = 0;
    return S_FALSE;
}

HRESULT Accessible::get_accKeyboardShortcut(VARIANT, BSTR* shortcut) {
    *shortcut = nullptr;  // the commands are reached with Tab, not by letters
    return S_FALSE;
}

HRESULT Accessible::get_accFocus(VARIANT* focus) {
    focus->vt = VT_EMPTY;
    if (form_ == nullptr || GetFocus() != window_) return S_FALSE;
    const std::optional<ControlId> focused = form_->input.Focused();
    Set(*focus, focused ? AccessibleChildId(*focused) : CHILDID_SELF);
    return S_OK;
}

HRESULT Accessible::get_accSelection(VARIANT* selection) {
    selection->vt = VT_EMPTY;
    return S_FALSE;
}

HRESULT Accessible::get_accDefaultAction(VARIANT child, BSTR* action) {
    bool valid = false;
    const AccessibleElement* element = Element(child, valid);
    if (!valid) return E_INVALIDARG;
    return Text(element && element->button ? L"Press" : L"", action);
}

HRESULT Accessible::accLocation(long* left, long* top, long* width, long* height,
                                VARIANT child) {
    bool valid = false;
    const AccessibleElement* element = Element(child, valid);
    if (!valid) return E_INVALIDARG;
    RECT rect{};
    GetClientRect(window_, &rect);
    // Where it is drawn: the heading where it has sized itself to its caption.
    if (element != nullptr) rect = LabelRect(element->id, twipsPerPixel_, heading_);
    MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    *left = rect.left;
    *top = rect.top;
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
    return S_OK;
}

HRESULT Accessible::accNavigate(long direction, VARIANT start, VARIANT* end) {
    bool valid = false;
    const AccessibleElement* from = Element(start, valid);
    if (!valid) return E_INVALIDARG;
    const long count = static_cast<long>(elements_.size());
    long to = 0;
    if (from == nullptr && direction == NAVDIR_FIRSTCHILD) to = 1;
    if (from == nullptr && direction == NAVDIR_LASTCHILD) to = count;
    if (from != nullptr && direction == NAVDIR_NEXT) to = start.lVal + 1;
    if (from != nullptr && direction == NAVDIR_PREVIOUS) to = start.lVal - 1;
    // Between the commands the directions follow the drawing; the texts,
    // one under another, go up and down in reading order.
    if (from != nullptr && direction >= NAVDIR_UP && direction <= NAVDIR_RIGHT) {
        if (from->button) {
            constexpr Direction kDirections[] = {Direction::Up, Direction::Down, Direction::Left,
                                                 Direction::Right};
            const std::optional<ControlId> toward =
                CommandToward(from->id, kDirections[direction - NAVDIR_UP]);
            to = toward ? AccessibleChildId(*toward) : 0;
        } else if (direction == NAVDIR_UP || direction == NAVDIR_DOWN) {
            to = start.lVal + (direction == NAVDIR_DOWN ? 1 : -1);
        }
    }
    if (to < 1 || to > count) {
        end->vt = VT_EMPTY;
        return S_FALSE;
    }
    Set(*end, to);
    return S_OK;
}

HRESULT Accessible::accHitTest(long x, long y, VARIANT* child) {
    POINT point{x, y};
    ScreenToClient(window_, &point);
    RECT client{};
    GetClientRect(window_, &client);
    if (form_ == nullptr || !PtInRect(&client, point)) {
        child->vt = VT_EMPTY;
        return S_FALSE;
    }
    const ControlLayout* target = ControlAt(point.x, point.y, twipsPerPixel_);
    // The heading is found where it is drawn, as it is located; no other
    // label lies there.
    if (target != nullptr && target->id == ControlId::Label2) target = nullptr;
    if (PtInRect(&heading_, point)) target = &LayoutOf(ControlId::Label2);
    Set(*child, target ? AccessibleChildId(target->id) : CHILDID_SELF);
    return S_OK;
}

HRESULT Accessible::accDoDefaultAction(VARIANT child) {
    bool valid = false;
    const AccessibleElement* element = Element(child, valid);
    if (!valid) return E_INVALIDARG;
    // A greyed command has no action to take, as static text has none: a
    // reader must not announce a press that will not happen.
    if (element == nullptr || !element->button || element->unavailable) return DISP_E_MEMBERNOTFOUND;
    PostMessageW(window_, kDefaultActionMessage, static_cast<WPARAM>(element->id), 0);
    return S_OK;
}

}  // namespace qv
