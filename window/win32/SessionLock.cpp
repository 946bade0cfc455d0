#include "window/win32/SessionLock.h"

#include <string>

#include "service/Product.h"
#include "window/win32/StatusWindow.h"

namespace qv {
namespace {

// Local\: one per session. The service's name is in it because the tool
// exists for that one service.
std::wstring LockName() {
    return std::wstring(L"Local\\") + kApplicationTitle + L"." + kServiceKeyName;
}

}  // namespace

SessionLock::SessionLock() {
    const std::wstring name = LockName();
    mutex_.reset(CreateMutexW(nullptr, FALSE, name.c_str()));
    deniedToUs_ = !mutex_ && GetLastError() == ERROR_ACCESS_DENIED;
}

SessionLock::~SessionLock() {
    if (held_) ReleaseMutex(mutex_.get());
}

bool SessionLock::TakeLock(std::uint32_t ms) {
    if (!mutex_) {
        if (!deniedToUs_) return true;  // no lock to be had at all: a window rather than none
        Sleep(ms);
        return false;
    }
    // Abandoned: the copy that held it ended without letting go, and its
    // window with it.
    const DWORD result = WaitForSingleObject(mutex_.get(), ms);
    held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    return held_;
}

bool SessionLock::BringForward() {
    // By class: every copy's caption is the same, and a message box or
    // another program may carry it too.
    const HWND window = FindWindowW(StatusWindow::kClassName, nullptr);
    if (window == nullptr) return false;
    // A message box it shows is what to bring forward; a window not yet
    // shown is still loading.
    const HWND front = GetLastActivePopup(window);
    if (!IsWindowVisible(front)) return false;
    // Asynchronously: a copy that does not answer must not hold this one up.
    if (IsIconic(window)) ShowWindowAsync(window, SW_RESTORE);
    // This process was just started by the user, so Windows lets it set the
    // foreground window; the running copy would not be let to take it itself.
    SetForegroundWindow(front);
    // A window closed meanwhile brought nothing forward: its copy is ending,
    // and the lock comes free once it has.
    return IsWindow(window) != FALSE;
}

}  // namespace qv
