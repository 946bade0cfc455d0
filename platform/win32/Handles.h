// One owner per Windows handle kind, each a line over UniqueAny, and the two
// scopes that pair a device context's getting with its giving back.
#pragma once

#include <windows.h>

#include "platform/UniqueAny.h"

namespace qv {

using UniqueScHandle = UniqueAny<SC_HANDLE, CloseWith<&::CloseServiceHandle>>;
using UniqueHandle = UniqueAny<HANDLE, CloseWith<&::CloseHandle>>;
// CreateFile's failure value is INVALID_HANDLE_VALUE, not null.
using UniqueFile = UniqueAny<HANDLE, CloseWith<&::CloseHandle>, -1>;
using UniqueFind = UniqueAny<HANDLE, CloseWith<&::FindClose>, -1>;
using UniqueFont = UniqueAny<HFONT, CloseWith<&::DeleteObject>>;
using UniqueBitmap = UniqueAny<HBITMAP, CloseWith<&::DeleteObject>>;
using UniqueBrush = UniqueAny<HBRUSH, CloseWith<&::DeleteObject>>;
using UniquePen = UniqueAny<HPEN, CloseWith<&::DeleteObject>>;
using UniqueMemoryDc = UniqueAny<HDC, CloseWith<&::DeleteDC>>;
using UniqueIcon = UniqueAny<HICON, CloseWith<&::DestroyIcon>>;
using UniqueCursor = UniqueAny<HCURSOR, CloseWith<&::DestroyCursor>>;
// A reference to a COM object, given up by scope.
struct ReleaseReference {
    template <typename Interface>
    void operator()(Interface* object) const {
        object->Release();
    }
};
template <typename Interface>
using UniqueCom = UniqueAny<Interface*, ReleaseReference>;

// A window's device context from GetDC, given back by scope.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint's context, ended by scope.
class PaintDc {
public:
    explicit PaintDc(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintDc() { EndPaint(window_, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const { return dc_; }
    const RECT& dirty() const { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// Selects an object into a DC for one scope and puts the previous one back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectedObject() { SelectObject(dc_, previous_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace qv
