#include "FindingGuard.h"

#include <psapi.h>

#include <cstdio>

#include "UniqueHandle.h"

namespace {

struct RunningInput
{
    const char* pszTarget = nullptr;
    uint64_t seed = 0;
    uint64_t iteration = 0;
    const std::string* pInput = nullptr;
    ULONGLONG ullStarted = 0;
};

CRITICAL_SECTION g_lock;
RunningInput g_running;
wchar_t g_szFolder[MAX_PATH];
FindingLimits g_limits;

// Runs on a faulting thread too: only stack buffers and plain system calls.
[[noreturn]] void SaveAndExit(const char* kind)
{
    const RunningInput running = g_running;
    const char* target = running.pszTarget ? running.pszTarget : "none";
    wchar_t path[MAX_PATH + 128];
    _snwprintf(path, sizeof(path) / sizeof(path[0]), L"%s\\%hs-%hs-seed%llu-%llu.bin", g_szFolder,
               target, kind, static_cast<unsigned long long>(running.seed),
               static_cast<unsigned long long>(running.iteration));
    path[sizeof(path) / sizeof(path[0]) - 1] = 0;
    if (running.pInput)
    {
        CFileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        WriteFile(file.Get(), running.pInput->data(), static_cast<DWORD>(running.pInput->size()),
                  &written, nullptr);
    }
    char line[MAX_PATH * 3 + 128];
    int length = _snprintf(line, sizeof(line), "FINDING %s %s %llu %llu %ls\n", kind, target,
                           static_cast<unsigned long long>(running.seed),
                           static_cast<unsigned long long>(running.iteration), path);
    DWORD written = 0;
    if (length > 0)
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, static_cast<DWORD>(length), &written,
                  nullptr);
    TerminateProcess(GetCurrentProcess(), kFindingExitCode);
    for (;;)
        Sleep(INFINITE);
}

const char* FaultKind(DWORD code)
{
    switch (code)
    {
    case EXCEPTION_ACCESS_VIOLATION: return "access-violation";
    case EXCEPTION_STACK_OVERFLOW: return "stack-overflow";
    case EXCEPTION_ILLEGAL_INSTRUCTION: return "illegal-instruction";
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return "divide-by-zero";
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED: return "bounds";
    case EXCEPTION_PRIV_INSTRUCTION: return "privileged-instruction";
    case 0xC0000374: return "heap-corruption";
    case 0xC0000409: return "stack-buffer-overrun";
    default: return nullptr;
    }
}

LONG CALLBACK OnException(EXCEPTION_POINTERS* pointers)
{
    const char* kind = FaultKind(pointers->ExceptionRecord->ExceptionCode);
    if (kind && g_running.pInput)
        SaveAndExit(kind);
    return EXCEPTION_CONTINUE_SEARCH;
}

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof(counters));
    return counters.PrivateUsage;
}

DWORD WINAPI Watch(void*)
{
    for (;;)
    {
        Sleep(50);
        EnterCriticalSection(&g_lock);
        if (g_running.pInput)
        {
            if (GetTickCount64() - g_running.ullStarted > g_limits.dwInputTimeLimitMs)
                SaveAndExit("hang");
            if (PrivateBytes() > g_limits.cbMemoryBound)
                SaveAndExit("memory");
        }
        LeaveCriticalSection(&g_lock);
    }
}

}  // namespace

void StartFindingGuard(const std::wstring& findingsFolder, const FindingLimits& limits)
{
    InitializeCriticalSection(&g_lock);
    lstrcpynW(g_szFolder, findingsFolder.c_str(), MAX_PATH);
    CreateDirectoryW(g_szFolder, nullptr);
    g_limits = limits;
    // First in line, before the frames' handlers.
    AddVectoredExceptionHandler(1, OnException);
    CHandle watcher(CreateThread(nullptr, 0, Watch, nullptr, 0, nullptr));
}

void BeginInput(const char* target, uint64_t seed, uint64_t iteration, const std::string& input)
{
    EnterCriticalSection(&g_lock);
    g_running = {target, seed, iteration, &input, GetTickCount64()};
    LeaveCriticalSection(&g_lock);
}

void EndInput()
{
    EnterCriticalSection(&g_lock);
    g_running.pInput = nullptr;
    LeaveCriticalSection(&g_lock);
}

void ReportFinding(const char* kind)
{
    SaveAndExit(kind);
}
