// QVStatusTool: shows whether the voice chat service runs and drives it
// through the service control manager.
#include <windows.h>

#include <cstdlib>

#include "window/win32/App.h"

#if defined(__GLIBCXX__)
// libstdc++'s own handler of an exception nobody caught prints its type's
// name, which links in a whole C++ demangler and the C library's formatted
// printing: a fifth of the program, for a window program with no console to
// print to. Ending is all there is to do.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    return qv::RunStatusTool(instance, showCommand);
}
