#include "platform/win32/ProcessWin32.h"

#include <windows.h>

#include <vector>

namespace qv {

std::wstring ProcessWin32::ProgramFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            std::wstring folder(path.data(), length);
            const auto slash = folder.find_last_of(L'\\');
            folder.erase(slash == std::wstring::npos ? 0 : slash);
            // A drive's root keeps its backslash ("C:\"), as the system names it.
            if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
            return folder;
        }
        path.resize(path.size() * 2);
    }
}

void ProcessWin32::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

void ProcessWin32::EndProgram() { ExitProcess(0); }

}  // namespace qv
