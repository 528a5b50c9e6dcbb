// Move-only owners for Win32 handles. Copying is deleted so no handle is
// ever closed twice; each traits type says what "no handle" is and how to
// close one.
#pragma once

#include <windows.h>

#include <utility>

template <typename T, typename Traits>
class CUniqueHandle
{
public:
    CUniqueHandle() noexcept : m_h(Traits::Invalid()) {}
    explicit CUniqueHandle(T h) noexcept : m_h(h) {}
    ~CUniqueHandle() { Reset(); }

    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;

    CUniqueHandle(CUniqueHandle&& other) noexcept : m_h(other.Release()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    T Get() const noexcept { return m_h; }
    bool IsValid() const noexcept { return m_h != Traits::Invalid(); }
    explicit operator bool() const noexcept { return IsValid(); }

    // Gives up ownership without closing.
    T Release() noexcept { return std::exchange(m_h, Traits::Invalid()); }

    void Reset(T h = Traits::Invalid()) noexcept
    {
        T old = std::exchange(m_h, h);
        if (old != Traits::Invalid())
            Traits::Close(old);
    }

    // For APIs that return a handle through an out parameter.
    T* Put() noexcept
    {
        Reset();
        return &m_h;
    }

private:
    T m_h;
};

// Handles that APIs report as NULL on failure (threads, events, mutexes...).
struct KernelHandleTraits
{
    static HANDLE Invalid() noexcept { return nullptr; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};

// Handles that APIs report as INVALID_HANDLE_VALUE on failure (files, devices).
struct FileHandleTraits
{
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};

struct FindHandleTraits
{
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::FindClose(h); }
};

struct RegKeyTraits
{
    static HKEY Invalid() noexcept { return nullptr; }
    static void Close(HKEY h) noexcept { ::RegCloseKey(h); }
};

struct LibraryTraits
{
    static HMODULE Invalid() noexcept { return nullptr; }
    static void Close(HMODULE h) noexcept { ::FreeLibrary(h); }
};

struct ServiceHandleTraits
{
    static SC_HANDLE Invalid() noexcept { return nullptr; }
    static void Close(SC_HANDLE h) noexcept { ::CloseServiceHandle(h); }
};

// Pens, brushes, fonts, bitmaps and regions the code created itself.
template <typename T>
struct GdiObjectTraits
{
    static T Invalid() noexcept { return nullptr; }
    static void Close(T h) noexcept { ::DeleteObject(h); }
};

struct MenuTraits
{
    static HMENU Invalid() noexcept { return nullptr; }
    static void Close(HMENU h) noexcept { ::DestroyMenu(h); }
};

template <typename T>
using CGdiObject = CUniqueHandle<T, GdiObjectTraits<T>>;
using CMenuHandle = CUniqueHandle<HMENU, MenuTraits>;
using CHandle = CUniqueHandle<HANDLE, KernelHandleTraits>;
using CFileHandle = CUniqueHandle<HANDLE, FileHandleTraits>;
using CFindHandle = CUniqueHandle<HANDLE, FindHandleTraits>;
using CRegKey = CUniqueHandle<HKEY, RegKeyTraits>;
using CLibrary = CUniqueHandle<HMODULE, LibraryTraits>;
using CServiceHandle = CUniqueHandle<SC_HANDLE, ServiceHandleTraits>;

// CryptoAPI contexts, keys and hashes.
struct CryptContextTraits
{
    static HCRYPTPROV Invalid() noexcept { return 0; }
    static void Close(HCRYPTPROV h) noexcept { ::CryptReleaseContext(h, 0); }
};

struct CryptKeyTraits
{
    static HCRYPTKEY Invalid() noexcept { return 0; }
    static void Close(HCRYPTKEY h) noexcept { ::CryptDestroyKey(h); }
};

struct CryptHashTraits
{
    static HCRYPTHASH Invalid() noexcept { return 0; }
    static void Close(HCRYPTHASH h) noexcept { ::CryptDestroyHash(h); }
};

// Memory device contexts from CreateCompatibleDC.
struct MemoryDcTraits
{
    static HDC Invalid() noexcept { return nullptr; }
    static void Close(HDC h) noexcept { ::DeleteDC(h); }
};

using CCryptContext = CUniqueHandle<HCRYPTPROV, CryptContextTraits>;
using CCryptKey = CUniqueHandle<HCRYPTKEY, CryptKeyTraits>;
using CCryptHash = CUniqueHandle<HCRYPTHASH, CryptHashTraits>;
using CMemoryDc = CUniqueHandle<HDC, MemoryDcTraits>;
