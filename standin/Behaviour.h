// What TesmoVoIP.xml asks of the stand-in. Kept apart from the service code
// and free of Win32: reading a file of text is no service's business.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace qv::standin {

// Every field has a default, so a missing file, a missing element or a value
// that does not parse still leaves a service that starts and stops quickly.
struct Behaviour {
    std::uint32_t startPendingMs = 300;
    std::uint32_t stopPendingMs = 300;
    bool stayPending = false;
    std::optional<std::uint32_t> pauseAfterMs;  // unset: never pauses

    bool operator==(const Behaviour&) const = default;
};

// Reads the flat <TesmoVoIP> file. Element names are matched without regard
// to case, comments are ignored, and each element that is absent or holds
// something unreadable keeps its default. A negative PauseAfterMs means
// "never".
Behaviour ParseBehaviour(std::string_view xml);

}  // namespace qv::standin
