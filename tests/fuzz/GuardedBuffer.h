// Memory whose last readable byte is followed by a PAGE_NOACCESS page, so a
// reader that runs one byte past the bytes placed here faults at once.
#pragma once

#include <windows.h>

#include <cstddef>

class CGuardedBuffer
{
public:
    explicit CGuardedBuffer(size_t capacity);
    ~CGuardedBuffer();

    CGuardedBuffer(const CGuardedBuffer&) = delete;
    CGuardedBuffer& operator=(const CGuardedBuffer&) = delete;

    // Copies length bytes (at most the capacity) so that they end at the
    // guard page; returns their first byte.
    BYTE* Place(const void* data, size_t length);
    size_t Capacity() const { return m_cbReadable; }
    // True when address lies in the guard page.
    bool IsGuard(const void* address) const;

private:
    BYTE* m_pBase = nullptr;
    size_t m_cbReadable = 0;
};
