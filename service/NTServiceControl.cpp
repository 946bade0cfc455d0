#include "service/NTServiceControl.h"

#include <cstddef>
#include <limits>
#include <new>
#include <vector>

namespace qv {
namespace {

std::int32_t LastError(ServiceManager& scm) { return static_cast<std::int32_t>(scm.GetLastError()); }

// The fixed part of QUERY_SERVICE_CONFIG is nine 32-bit fields; buffers are
// sized in whole records of this size.
constexpr std::int32_t kConfigRecordBytes = 36;
constexpr std::int32_t kErrorNotEnoughMemory = 8;

// The frame every service operation shares: open the manager, open the
// service with `access`, run `request` on it, close both (service first).
// A failure to open either ends the operation with `onOpenFailure(error)`.
template <typename Request, typename OpenFailure>
std::int32_t WithService(ServiceManager& scm, std::uint32_t access, Request request,
                         OpenFailure onOpenFailure) {
    const ScopedScHandle manager(scm.OpenSCManagerA(nullptr, nullptr, scm::kScManagerConnect),
                                 {&scm});
    if (!manager) return onOpenFailure(LastError(scm));
    const ScopedScHandle service(scm.OpenServiceA(manager.get(), ServiceName, access), {&scm});
    if (!service) return onOpenFailure(LastError(scm));
    return request(service.get());
}

std::int32_t ErrorCodeOf(std::int32_t error) { return error; }

}  // namespace

std::int32_t NTServiceControl::GetServiceStatus() {
    return WithService(
        scm_, scm::kServiceQueryStatus,
        [&](ScHandle service) {
            ServiceStatus status{};
            if (!scm_.QueryServiceStatus(service, &status)) return std::int32_t{0};
            return static_cast<std::int32_t>(status.dwCurrentState);
        },
        [](std::int32_t) { return std::int32_t{0}; });
}

std::int32_t NTServiceControl::GetServiceConfig() {
    return WithService(
        scm_, scm::kServiceQueryConfig,
        [&](ScHandle service) -> std::int32_t {
            // uint64_t elements keep the record aligned for its 64-bit pointers.
            std::vector<std::uint64_t> buffer(
                (static_cast<std::size_t>(kConfigRecordBytes) + 7) / 8);
            std::uint32_t bytesNeeded{};
            if (scm_.QueryServiceConfigA(service, buffer.data(), kConfigRecordBytes, &bytesNeeded))
                return 0;
            const std::int32_t error = LastError(scm_);
            if (error != scm::kErrorInsufficientBuffer) return error;

            // Always one record more than the reported need.
            const std::int64_t need = static_cast<std::int32_t>(bytesNeeded);
            const std::int64_t records = need / kConfigRecordBytes + 1;
            const std::int64_t size = records * kConfigRecordBytes;
            // A need near 2 GiB has no buffer size a 32-bit signed count can
            // express, and a need that reads negative is no size at all. Both
            // arrive inside the refresh tick, so they come back as a result.
            if (need < 0 || size > std::numeric_limits<std::int32_t>::max())
                return scm::kErrorArithmeticOverflow;
            try {
                buffer.assign((static_cast<std::size_t>(size) + 7) / 8, 0);
            } catch (const std::bad_alloc&) {
                return kErrorNotEnoughMemory;
            }
            if (!scm_.QueryServiceConfigA(service, buffer.data(), static_cast<std::uint32_t>(size),
                                          &bytesNeeded))
                return LastError(scm_);
            return 0;
        },
        ErrorCodeOf);
}

std::int32_t NTServiceControl::StartNTService() {
    return WithService(
        scm_, scm::kServiceStart,
        [&](ScHandle service) -> std::int32_t {
            if (scm_.StartServiceA(service, 0, nullptr)) return 0;
            const std::int32_t error = LastError(scm_);
            program_.StartFailed = VbTrue;
            return error;
        },
        ErrorCodeOf);
}

std::int32_t NTServiceControl::StopNTService() {
    return WithService(
        scm_, scm::kServiceStop,
        [&](ScHandle service) -> std::int32_t {
            ServiceStatus status{};
            if (scm_.ControlService(service, scm::kServiceControlStop, &status)) return 0;
            return LastError(scm_);
        },
        ErrorCodeOf);
}

std::int32_t NTServiceControl::DeleteNTService() {
    return WithService(
        scm_, scm::kServiceAllAccess,
        [&](ScHandle service) -> std::int32_t {
            // A stopped service refuses the control; the deletion goes ahead
            // regardless and the service manager removes it once it stops.
            ServiceStatus status{};
            scm_.ControlService(service, scm::kServiceControlStop, &status);
            if (scm_.DeleteService(service)) return 0;
            return LastError(scm_);
        },
        ErrorCodeOf);
}

VbBool NTServiceControl::FileExists(const std::wstring& path) {
    return ToVbBool(files_.FileLength(path).has_value());
}

}  // namespace qv
