// The lock that keeps the tool to one window per Windows session, held by
// the copy that shows the window for as long as it runs, and what tells a
// copy of this program from a stranger's process in the session.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/Handles.h"
#include "window/Opening.h"

namespace qv {

class SessionLock final : public SessionCopies {
public:
    SessionLock();
    ~SessionLock() override;
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;

    bool TakeLock(std::uint32_t ms) override;
    bool LockIsAdministrators() override { return inNamespace_; }
    bool Elevated() override { return elevated_; }
    std::vector<Seen> EarlierProcesses() override;
    std::vector<WindowSeen> Windows() override;
    bool BringForward(std::uintptr_t window) override;

private:
    // The lock in the private namespace that only administrators may enter;
    // false where the system has none (Wine) or this start is no administrator.
    bool OpenInNamespace();
    Seen SeeProcess(DWORD id) const;

    bool elevated_ = false;
    std::wstring image_;  // this program's executable, as the system names it
    DWORD session_ = 0;
    FILETIME started_{};
    HANDLE namespace_ = nullptr;  // closed by the destructor, through the loaded function
    UniqueHandle mutex_;
    bool inNamespace_ = false;
    // The mutex belongs to a copy run by another account in this session,
    // which may not be waited on: that copy's window is still looked for.
    bool deniedToUs_ = false;
    bool held_ = false;
};

}  // namespace qv
