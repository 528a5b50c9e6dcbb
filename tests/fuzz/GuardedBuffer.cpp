#include "GuardedBuffer.h"

#include <cstring>
#include <new>

namespace {

size_t PageSize()
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

}  // namespace

CGuardedBuffer::CGuardedBuffer(size_t capacity)
{
    const size_t page = PageSize();
    m_cbReadable = (capacity + page - 1) / page * page;
    if (m_cbReadable == 0)
        m_cbReadable = page;
    m_pBase = static_cast<BYTE*>(
        VirtualAlloc(nullptr, m_cbReadable + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    if (!m_pBase || !VirtualProtect(m_pBase + m_cbReadable, page, PAGE_NOACCESS, &old))
        throw std::bad_alloc();
}

CGuardedBuffer::~CGuardedBuffer()
{
    VirtualFree(m_pBase, 0, MEM_RELEASE);
}

BYTE* CGuardedBuffer::Place(const void* data, size_t length)
{
    if (length > m_cbReadable)
        length = m_cbReadable;
    BYTE* start = m_pBase + m_cbReadable - length;
    if (length)
        memcpy(start, data, length);
    return start;
}

bool CGuardedBuffer::IsGuard(const void* address) const
{
    const BYTE* p = static_cast<const BYTE*>(address);
    return p >= m_pBase + m_cbReadable && p < m_pBase + m_cbReadable + PageSize();
}
