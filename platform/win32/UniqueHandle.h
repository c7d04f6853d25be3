#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

namespace ocx {

// Owns one Win32 handle and closes it exactly once with the function given. The invalid value is
// given as a number, since INVALID_HANDLE_VALUE cannot be a template argument.
template <typename Handle, auto Close, std::intptr_t InvalidValue = 0> class UniqueHandle {
public:
    using pointer = Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(pointer value) noexcept : value_(value) {}
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    [[nodiscard]] pointer get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Invalid(); }

    pointer release() noexcept { return std::exchange(value_, Invalid()); }
    void reset(pointer value = Invalid()) noexcept {
        const pointer old = std::exchange(value_, value);
        if (old != Invalid()) {
            Close(old);
        }
    }

private:
    static pointer Invalid() noexcept {
        return reinterpret_cast<pointer>(InvalidValue); // NOLINT(performance-no-int-to-ptr)
    }

    pointer value_ = Invalid();
};

using UniqueKernelHandle = UniqueHandle<HANDLE, ::CloseHandle>;
using UniqueFindHandle = UniqueHandle<HANDLE, ::FindClose, -1>;
using UniqueFileHandle = UniqueHandle<HANDLE, ::CloseHandle, -1>;
using UniqueModule = UniqueHandle<HMODULE, ::FreeLibrary>;
using UniqueLocalMemory = UniqueHandle<HLOCAL, ::LocalFree>;
using UniqueWindow = UniqueHandle<HWND, ::DestroyWindow>;

} // namespace ocx
