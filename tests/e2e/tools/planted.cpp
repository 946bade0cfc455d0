// planted.dll: what a user who can write to the program folder might leave
// there as oleacc.dll or comctl32.dll. Loaded, it leaves a mark beside
// itself (its own path plus ".ran") and refuses to stay.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t mark[MAX_PATH + 4] = {};
    const DWORD length = GetModuleFileNameW(self, mark, MAX_PATH);
    lstrcpyW(mark + length, L".ran");
    CloseHandle(CreateFileW(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return FALSE;
}
