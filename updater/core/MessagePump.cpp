#include "MessagePump.h"

void DispatchWaitingMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void DispatchUntilSignalled(HANDLE object)
{
    for (;;)
    {
        DispatchWaitingMessages();
        if (WaitForSingleObject(object, 0) != WAIT_TIMEOUT)
            return;
        MsgWaitForMultipleObjects(1, &object, FALSE, INFINITE, QS_ALLINPUT);
    }
}

void DispatchFor(DWORD ms, const std::function<bool()>& stop)
{
    const ULONGLONG deadline = GetTickCount64() + ms;
    for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64())
    {
        if (stop && stop())
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now),
                                  QS_ALLINPUT);
        DispatchWaitingMessages();
    }
}
