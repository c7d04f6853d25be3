#pragma once

#include <windows.h>

#include <utility>

namespace ocx {

// Owns one Win32 handle and closes it exactly once. Traits give the handle type, its invalid
// value and how to close it.
template <typename Traits> class UniqueHandle {
public:
    using pointer = typename Traits::pointer;

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
    explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }

    pointer release() noexcept { return std::exchange(value_, Traits::Invalid()); }
    void reset(pointer value = Traits::Invalid()) noexcept {
        const pointer old = std::exchange(value_, value);
        if (old != Traits::Invalid()) {
            Traits::Close(old);
        }
    }

private:
    pointer value_ = Traits::Invalid();
};

struct KernelHandleTraits {
    using pointer = HANDLE;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer handle) noexcept { ::CloseHandle(handle); }
};

struct FindHandleTraits {
    using pointer = HANDLE;
    static pointer Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(pointer handle) noexcept { ::FindClose(handle); }
};

struct FileHandleTraits {
    using pointer = HANDLE;
    static pointer Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(pointer handle) noexcept { ::CloseHandle(handle); }
};

struct ModuleTraits {
    using pointer = HMODULE;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer module) noexcept { ::FreeLibrary(module); }
};

struct LocalMemoryTraits {
    using pointer = HLOCAL;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer memory) noexcept { ::LocalFree(memory); }
};

struct WindowTraits {
    using pointer = HWND;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer window) noexcept { ::DestroyWindow(window); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits>;
using UniqueWindow = UniqueHandle<WindowTraits>;

} // namespace ocx
