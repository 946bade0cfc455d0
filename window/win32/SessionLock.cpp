#include "window/win32/SessionLock.h"

#include <sddl.h>
#include <tlhelp32.h>

#include <array>
#include <string>

#include "service/Product.h"
#include "window/win32/StatusWindow.h"

namespace qv {
namespace {

// Looked up by name: Wine 8 has no private namespaces, and a program that
// imports them does not start there at all.
struct NamespaceApi {
    decltype(&::CreateBoundaryDescriptorW) createBoundary = nullptr;
    decltype(&::AddSIDToBoundaryDescriptor) addSid = nullptr;
    decltype(&::DeleteBoundaryDescriptor) deleteBoundary = nullptr;
    decltype(&::CreatePrivateNamespaceW) createNamespace = nullptr;
    decltype(&::OpenPrivateNamespaceW) openNamespace = nullptr;
    decltype(&::ClosePrivateNamespace) closeNamespace = nullptr;

    bool Complete() const {
        return createBoundary && addSid && deleteBoundary && createNamespace && openNamespace &&
               closeNamespace;
    }
};

// The C library's formatted printing, which std::to_wstring calls, would
// weigh more than the rest of this file for a few digits.
std::wstring Decimal(DWORD number) {
    std::wstring digits;
    do digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + number % 10));
    while ((number /= 10) != 0);
    return digits;
}

template <typename Fn>
void Find(HMODULE kernel, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

const NamespaceApi& Namespaces() {
    static const NamespaceApi api = [] {
        NamespaceApi found;
        const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        if (kernel == nullptr) return found;
        Find(kernel, "CreateBoundaryDescriptorW", found.createBoundary);
        Find(kernel, "AddSIDToBoundaryDescriptor", found.addSid);
        Find(kernel, "DeleteBoundaryDescriptor", found.deleteBoundary);
        Find(kernel, "CreatePrivateNamespaceW", found.createNamespace);
        Find(kernel, "OpenPrivateNamespaceW", found.openNamespace);
        Find(kernel, "ClosePrivateNamespace", found.closeNamespace);
        return found;
    }();
    return api;
}

// The service's name is in the lock's because the tool exists for that one
// service; the session's number, as the private namespace is not the
// session's own as Local\ is.
constexpr wchar_t kNamespaceAlias[] = L"QVStatusTool";
std::wstring LockName() { return std::wstring(kApplicationTitle) + L"." + kServiceKeyName; }

bool TokenElevated(HANDLE process) {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &raw)) return false;
    const UniqueHandle token(raw);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size) &&
           elevation.TokenIsElevated != 0;
}

std::wstring ImageOf(HANDLE process) {
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process, 0, path.data(), &size)) return {};
    path.resize(size);
    return path;
}

std::wstring FileNameOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return !a.empty() && CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// A stranger could open thousands of windows of the class; a copy's is
// among the first few.
constexpr int kWindowsLookedAt = 64;

}  // namespace

SessionLock::SessionLock() {
    elevated_ = TokenElevated(GetCurrentProcess());
    image_ = ImageOf(GetCurrentProcess());
    ProcessIdToSessionId(GetCurrentProcessId(), &session_);
    FILETIME unused[3];
    GetProcessTimes(GetCurrentProcess(), &started_, &unused[0], &unused[1], &unused[2]);

    if (OpenInNamespace()) return;
    // Local\: one per session. Anyone in it can take this one; what may hold
    // it is judged by the processes and windows found.
    const std::wstring name = L"Local\\" + LockName();
    mutex_.reset(CreateMutexW(nullptr, FALSE, name.c_str()));
    deniedToUs_ = !mutex_ && GetLastError() == ERROR_ACCESS_DENIED;
}

bool SessionLock::OpenInNamespace() {
    const NamespaceApi& api = Namespaces();
    if (!elevated_ || !api.Complete()) return false;
    // Only a process with the Administrators group enabled in its token may
    // make or enter a namespace with this boundary, and the namespace's own
    // permissions let only administrators and the system in.
    std::array<BYTE, SECURITY_MAX_SID_SIZE> administrators{};
    DWORD sidSize = static_cast<DWORD>(administrators.size());
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators.data(), &sidSize))
        return false;
    HANDLE boundary = api.createBoundary(kNamespaceAlias, 0);
    if (boundary == nullptr) return false;
    const bool bounded = api.addSid(&boundary, administrators.data()) != FALSE;
    if (bounded) {
        PSECURITY_DESCRIPTOR raw = nullptr;
        if (ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;GA;;;BA)(A;;GA;;;SY)",
                                                                 SDDL_REVISION_1, &raw, nullptr)) {
            const UniqueAny<PSECURITY_DESCRIPTOR, CloseWith<&::LocalFree>> descriptor(raw);
            SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
            namespace_ = api.createNamespace(&attributes, boundary, kNamespaceAlias);
            if (namespace_ == nullptr && GetLastError() == ERROR_ALREADY_EXISTS)
                namespace_ = api.openNamespace(boundary, kNamespaceAlias);
        }
    }
    api.deleteBoundary(boundary);
    if (namespace_ == nullptr) return false;
    const std::wstring name =
        std::wstring(kNamespaceAlias) + L"\\" + LockName() + L"." + Decimal(session_);
    mutex_.reset(CreateMutexW(nullptr, FALSE, name.c_str()));
    inNamespace_ = static_cast<bool>(mutex_);
    return inNamespace_;
}

SessionLock::~SessionLock() {
    if (held_) ReleaseMutex(mutex_.get());
    mutex_.reset();
    // The namespace lives while a copy keeps it open; the lock inside it first.
    if (namespace_ != nullptr) Namespaces().closeNamespace(namespace_, 0);
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

Seen SessionLock::SeeProcess(DWORD id) const {
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!process) return {};
    return {SameText(ImageOf(process.get()), image_), TokenElevated(process.get())};
}

std::vector<Seen> SessionLock::EarlierProcesses() {
    // Only those by this program's file name: no other can run its image.
    std::vector<Seen> earlier;
    const UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return earlier;
    const std::wstring name = FileNameOf(image_);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        DWORD session = 0;
        if (entry.th32ProcessID == GetCurrentProcessId() || !SameText(entry.szExeFile, name) ||
            !ProcessIdToSessionId(entry.th32ProcessID, &session) || session != session_)
            continue;
        const UniqueHandle process(
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        FILETIME started{}, unused[3];
        if (!process ||
            !GetProcessTimes(process.get(), &started, &unused[0], &unused[1], &unused[2]) ||
            CompareFileTime(&started, &started_) > 0)
            continue;
        earlier.push_back(SeeProcess(entry.th32ProcessID));
    }
    return earlier;
}

std::vector<WindowSeen> SessionLock::Windows() {
    // By class: every copy's caption is the same, and a message box or
    // another program may carry it too.
    std::vector<WindowSeen> windows;
    HWND window = nullptr;
    for (int i = 0; i < kWindowsLookedAt; ++i) {
        window = FindWindowExW(nullptr, window, StatusWindow::kClassName, nullptr);
        if (window == nullptr) break;
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        // A message box it shows is what shows; a window not yet shown is
        // still loading.
        windows.push_back({reinterpret_cast<std::uintptr_t>(window), SeeProcess(process),
                           IsWindowVisible(GetLastActivePopup(window)) != FALSE});
    }
    return windows;
}

bool SessionLock::BringForward(std::uintptr_t handle) {
    const HWND window = reinterpret_cast<HWND>(handle);
    const HWND front = GetLastActivePopup(window);
    // Asynchronously: a copy that does not answer must not hold this one up.
    if (IsIconic(window)) ShowWindowAsync(window, SW_RESTORE);
    // This process was just started by the user, so Windows lets it set the
    // foreground window; the running copy would not be let to take it itself.
    SetForegroundWindow(front);
    return IsWindow(window) != FALSE;
}

}  // namespace qv
