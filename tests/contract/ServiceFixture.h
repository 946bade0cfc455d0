// Puts the stand-in under the real service manager as QuorvelVC and takes it
// away again. These helpers talk to advapi32 directly, never through the code
// under test, so a fault there cannot hide itself.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/win32/Handles.h"

namespace qv::contract {

inline constexpr wchar_t kServiceName[] = L"QuorvelVC";
inline constexpr wchar_t kDisplayName[] = L"QV Voice Chat Server";

// Long enough for a loaded two-core machine under Wine; a wait that reaches
// it means the state never came.
inline constexpr std::chrono::milliseconds kStateDeadline{20000};

// Polls `done` every 50 ms until it holds or `limit` has passed.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = kStateDeadline);

// The stand-in to install: QV_STANDIN_EXE when set, otherwise the one in the
// standin folder of the build this test exe belongs to.
std::wstring StandinExe();

// QuorvelVC's current state, read directly; nothing when it is not installed
// or cannot be queried.
std::optional<DWORD> CurrentState();
bool WaitForState(DWORD state);

// Installs `exe` as QuorvelVC: own process, demand start. `arguments` follow
// the quoted exe path in the binary path. Returns the error code, 0 on success.
DWORD Install(const std::wstring& exe, const std::wstring& displayName = kDisplayName,
              const std::wstring& arguments = {});

// Stops QuorvelVC (ending its process when it is stuck pending), deletes it
// and waits until the manager no longer knows it. Empty on success, else what
// went wrong.
std::string Uninstall();

// A private copy of the stand-in with its own TesmoVoIP.xml, for the states
// the shipped defaults never reach. Removed again on destruction.
class StandinCopy {
public:
    explicit StandinCopy(std::string_view behaviourXml);
    ~StandinCopy();
    StandinCopy(const StandinCopy&) = delete;
    StandinCopy& operator=(const StandinCopy&) = delete;

    // Empty when the copy could not be made.
    const std::wstring& exe() const { return exe_; }

private:
    std::wstring folder_;
    std::wstring exe_;
};

}  // namespace qv::contract
