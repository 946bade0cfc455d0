// The one owner type for every handle kind: the handle's type, how it is
// closed and which value means "no handle". Each kind is one alias over it
// (platform/win32/Handles.h for the Windows ones), so that every handle is
// released when its scope ends, on every path.
#pragma once

#include <cstdint>
#include <utility>

namespace qv {

// A close function named by its address, as a closer type.
template <auto Fn>
struct CloseWith {
    template <typename Handle>
    void operator()(Handle handle) const {
        Fn(handle);
    }
};

// `Close` is called with the handle unless it holds `Invalid`. A closer with
// state (one that closes through a seam, say) is handed to the constructor.
template <typename Handle, typename Close, std::intptr_t Invalid = 0>
class UniqueAny {
public:
    static Handle invalid() { return reinterpret_cast<Handle>(Invalid); }

    UniqueAny() = default;
    explicit UniqueAny(Handle handle, Close close = {}) : handle_(handle), close_(close) {}
    ~UniqueAny() { reset(); }
    UniqueAny(UniqueAny&& other) noexcept
        : handle_(std::exchange(other.handle_, invalid())), close_(other.close_) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.handle_, invalid()));
            close_ = other.close_;
        }
        return *this;
    }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != invalid(); }

    void reset(Handle handle = invalid()) {
        if (handle_ != invalid()) close_(handle_);
        handle_ = handle;
    }
    // For calls that hand a new handle back through a pointer: whatever was
    // held is closed first.
    Handle* put() {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = invalid();
    [[no_unique_address]] Close close_{};
};

}  // namespace qv
