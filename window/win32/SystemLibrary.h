// The program runs with an administrator's token from a folder that other
// users may be able to write to; a library it loads by name comes from the
// system folder alone, never from beside the program.
#pragma once

#include <windows.h>

namespace qv {

inline HMODULE LoadSystemLibrary(const wchar_t* name) {
    return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace qv
