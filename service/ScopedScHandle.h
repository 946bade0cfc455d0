#pragma once

#include "platform/ServiceManager.h"

namespace qv {

// Closes a service manager handle on every path out of an operation.
class ScopedScHandle {
public:
    ScopedScHandle(ServiceManager& scm, ScHandle handle) : scm_(scm), handle_(handle) {}
    ~ScopedScHandle() {
        if (handle_ != nullptr) scm_.CloseServiceHandle(handle_);
    }
    ScopedScHandle(const ScopedScHandle&) = delete;
    ScopedScHandle& operator=(const ScopedScHandle&) = delete;

    ScHandle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    ServiceManager& scm_;
    ScHandle handle_;
};

}  // namespace qv
