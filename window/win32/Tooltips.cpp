#include "window/win32/Tooltips.h"

#include "window/TextFit.h"
#include "window/win32/SystemLibrary.h"

namespace qv {

void Tooltips::Create(HWND owner, HINSTANCE instance, const frmVctool& form, float twipsPerPixel) {
    if (window_ != nullptr) return;
    using InitCommonControlsEx = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto init = reinterpret_cast<InitCommonControlsEx>(reinterpret_cast<void*>(
        GetProcAddress(LoadSystemLibrary(L"comctl32.dll"), "InitCommonControlsEx")));
    const INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    if (init == nullptr || !init(&controls)) return;
    owner_ = owner;
    window_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                              WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance, nullptr);
    for (std::size_t i = 0; window_ != nullptr && i < kLayout.size(); ++i) {
        if (!kLayout[i].command) continue;
        texts_[i] = form.LabelFor(kLayout[i].id)->ToolTipText();
        TOOLINFOW tool = ToolOf(i, twipsPerPixel);
        SendMessageW(window_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void Tooltips::Move(float twipsPerPixel) {
    for (std::size_t i = 0; window_ != nullptr && i < kLayout.size(); ++i) {
        if (!kLayout[i].command) continue;
        TOOLINFOW tool = ToolOf(i, twipsPerPixel);
        SendMessageW(window_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void Tooltips::Retext(std::size_t index, const std::wstring& text, float twipsPerPixel) {
    if (window_ == nullptr || !kLayout[index].command) return;
    texts_[index] = text;
    TOOLINFOW tool = ToolOf(index, twipsPerPixel);
    SendMessageW(window_, TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool));
}

TOOLINFOW Tooltips::ToolOf(std::size_t index, float twipsPerPixel) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = owner_;
    tool.uId = index;
    const PixelRect r = ControlRect(kLayout[index], twipsPerPixel);
    tool.rect = {r.left, r.top, r.right, r.bottom};
    tool.lpszText = texts_[index].data();
    // A right-to-left translation reads in its own order.
    tool.uFlags = TTF_SUBCLASS | (RightToLeft(texts_[index]) ? TTF_RTLREADING : 0);
    return tool;
}

}  // namespace qv
