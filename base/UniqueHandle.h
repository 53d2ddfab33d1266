#pragma once
#include <windows.h>
#include <objbase.h>

#include <utility>

// One owner for every kind of system handle: the kind's traits say what an empty handle is, which
// values hold something, and how it is given back. Moves, never copies; gives the handle back when
// it goes, so that no return path closes one by hand.
template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type handle) : m_handle(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    [[nodiscard]] Type Get() const { return m_handle; }
    [[nodiscard]] explicit operator bool() const { return Traits::Holds(m_handle); }
    // For functions that hand a new handle back through a pointer: the old one goes first.
    [[nodiscard]] Type* Put()
    {
        Reset();
        return &m_handle;
    }
    [[nodiscard]] Type Release() { return std::exchange(m_handle, Traits::Empty()); }
    void Reset(Type handle = Traits::Empty())
    {
        if (Traits::Holds(m_handle))
            Traits::Close(m_handle);
        m_handle = handle;
    }

private:
    Type m_handle = Traits::Empty();
};

// Kernel objects: events, threads, processes, mutexes, files (a file that failed to open is
// INVALID_HANDLE_VALUE, the rest are null).
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Empty() { return nullptr; }
    static bool Holds(Type handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(Type handle) { CloseHandle(handle); }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Empty() { return nullptr; }
    static bool Holds(Type key) { return key != nullptr; }
    static void Close(Type key) { RegCloseKey(key); }
};
using RegistryKey = UniqueHandle<RegistryKeyTraits>;

struct MenuTraits {
    using Type = HMENU;
    static Type Empty() { return nullptr; }
    static bool Holds(Type menu) { return menu != nullptr; }
    static void Close(Type menu) { DestroyMenu(menu); }
};
using MenuHandle = UniqueHandle<MenuTraits>;

// Pens, brushes, fonts, bitmaps and regions.
struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static Type Empty() { return nullptr; }
    static bool Holds(Type object) { return object != nullptr; }
    static void Close(Type object) { DeleteObject(object); }
};
using GdiObject = UniqueHandle<GdiObjectTraits>;

struct IconTraits {
    using Type = HICON;
    static Type Empty() { return nullptr; }
    static bool Holds(Type icon) { return icon != nullptr; }
    static void Close(Type icon) { DestroyIcon(icon); }
};
using IconHandle = UniqueHandle<IconTraits>;

struct ModuleTraits {
    using Type = HMODULE;
    static Type Empty() { return nullptr; }
    static bool Holds(Type module) { return module != nullptr; }
    static void Close(Type module) { FreeLibrary(module); }
};
using ModuleHandle = UniqueHandle<ModuleTraits>;

// COM for this thread while it lives, undone only when it was done here.
class ComScope {
public:
    explicit ComScope(DWORD apartment = COINIT_MULTITHREADED) : m_result(CoInitializeEx(nullptr, apartment)) {}
    ~ComScope()
    {
        if (SUCCEEDED(m_result))
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    [[nodiscard]] bool Ready() const { return SUCCEEDED(m_result) || m_result == RPC_E_CHANGED_MODE; }

private:
    HRESULT m_result;
};
