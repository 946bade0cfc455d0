// The lock that keeps the tool to one window per Windows session: a named
// mutex in the session's own namespace, so another user's session keeps its
// own window, held by the copy that shows the window for as long as it runs.
#pragma once

#include <windows.h>

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
    bool BringForward() override;

private:
    UniqueHandle mutex_;
    // The mutex belongs to a copy run by another account in this session,
    // which may not be waited on: that copy's window is still looked for.
    bool deniedToUs_ = false;
    bool held_ = false;
};

}  // namespace qv
