#include "RunProcess.h"

#include <windows.h>
#include <shellapi.h>

#include "SelfTrace.h"
#include "UniqueHandle.h"

namespace {

void DrainMessageQueue()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

bool RunProcessAndWait(const char* directory, const char* file, const char* parameters,
                       int waitRounds)
{
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = "open";
    info.lpFile = file;
    info.lpParameters = parameters;
    info.lpDirectory = directory;
    info.nShow = SW_SHOW;
    if (!ShellExecuteExA(&info) || !info.hProcess)
        return true;
    CHandle process(info.hProcess);

    SelfTrace("waiting end of process");
    DWORD wait = WaitForSingleObject(process.Get(), 1000);
    for (int round = 0; wait == WAIT_TIMEOUT && round < waitRounds; ++round)
    {
        DrainMessageQueue();
        wait = WaitForSingleObject(process.Get(), 1000);
    }
    if (wait == WAIT_TIMEOUT)
    {
        TerminateProcess(process.Get(), 0);
        return false;
    }
    return true;
}
