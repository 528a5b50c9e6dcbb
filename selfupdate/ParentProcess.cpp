#include "ParentProcess.h"

#include "UniqueHandle.h"

namespace {

// ProcessBasicInformation as the system lays it out for this pointer size
// (24 bytes for 32-bit processes, 48 for 64-bit ones).
struct ProcessBasicInformation
{
    LONG_PTR exitStatus;
    void* pebBaseAddress;
    ULONG_PTR affinityMask;
    LONG_PTR basePriority;
    ULONG_PTR uniqueProcessId;
    ULONG_PTR inheritedFromUniqueProcessId;
};
static_assert(sizeof(ProcessBasicInformation) == 6 * sizeof(void*), "system layout");

using NtQueryInformationProcessFn = LONG(WINAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);
constexpr ULONG kProcessBasicInformationClass = 0;

}  // namespace

DWORD GetParentProcessId()
{
    CHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, GetCurrentProcessId()));
    if (!process)
        return kNoParentProcess;
    CLibrary ntdll(LoadLibraryA("ntdll.dll"));
    if (!ntdll)
        return kNoParentProcess;
    auto query = reinterpret_cast<NtQueryInformationProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll.Get(), "NtQueryInformationProcess")));
    if (!query)
        return kNoParentProcess;
    ProcessBasicInformation info = {};
    if (query(process.Get(), kProcessBasicInformationClass, &info, sizeof(info), nullptr) < 0)
        return kNoParentProcess;
    return static_cast<DWORD>(info.inheritedFromUniqueProcessId);
}
