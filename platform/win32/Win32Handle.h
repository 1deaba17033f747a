#pragma once

#include <windows.h>

namespace keywright::platform::win32 {

// Owns one kernel handle and closes it once. Both null and
// INVALID_HANDLE_VALUE mean "none", as the Windows calls return either.
class Win32Handle {
  public:
    Win32Handle() = default;
    explicit Win32Handle(HANDLE handle) : handle_(handle) {}
    ~Win32Handle() { Reset(); }
    Win32Handle(const Win32Handle&) = delete;
    Win32Handle& operator=(const Win32Handle&) = delete;
    Win32Handle(Win32Handle&& other) noexcept : handle_(other.Release()) {}
    Win32Handle& operator=(Win32Handle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = other.Release();
        }
        return *this;
    }

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return Valid(); }

    HANDLE Release() {
        HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    void Reset(HANDLE handle = nullptr) {
        if (Valid())
            CloseHandle(handle_);
        handle_ = handle;
    }

  private:
    HANDLE handle_ = nullptr;
};

} // namespace keywright::platform::win32
