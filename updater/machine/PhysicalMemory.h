// The narrow seam through which the identity readers see physical memory.
// The hardware-access driver implements it; tests supply memory images.
#pragma once

#include <windows.h>

class IPhysicalMemory
{
public:
    // A readable view whose first byte is the first requested physical byte,
    // or null when the range cannot be mapped.
    virtual BYTE* MapPhysicalMemory(DWORD dwPhysicalAddress, DWORD dwLength) = 0;
    // Releases a view that MapPhysicalMemory returned; null is ignored.
    virtual void UnmapPhysicalMemory(BYTE* pView) = 0;

protected:
    ~IPhysicalMemory() = default;
};
