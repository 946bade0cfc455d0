#pragma once

#include "platform/Process.h"

namespace qv {

class ProcessWin32 final : public Process {
public:
    std::wstring ProgramFolder() override;
    void Sleep(std::uint32_t milliseconds) override;
    void EndProgram() override;
};

}  // namespace qv
