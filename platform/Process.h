// What the program as a whole offers its modules: the folder it was started
// from, a pause, and its end.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

class Process {
public:
    virtual ~Process() = default;

    // The program's folder as the system reports it: without a trailing "\"
    // except for a drive's root ("C:\").
    virtual std::wstring ProgramFolder() = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // Ends the program at once: no confirmation, no clean-up.
    virtual void EndProgram() = 0;
};

}  // namespace qv
