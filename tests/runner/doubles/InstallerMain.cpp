// Stands in for a package's installer (and, copied as "setup.exe", for the
// product's setup): records how it was started and exits with the code that
// KESTREL_INSTALLER_EXIT gives (0 when unset). When
// KESTREL_RECORD_HOLD names an existing event, it first waits for that event
// and ends without a record when it is not set within 20 seconds, so a test
// can see whether its starter waited for it or kept its messages flowing.
#include <windows.h>

#include <cwchar>

#include "StartRecord.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    wchar_t hold[256] = {};
    DWORD length = GetEnvironmentVariableW(L"KESTREL_RECORD_HOLD", hold, 256);
    if (length > 0 && length < 256)
    {
        HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, hold);
        if (event)
        {
            DWORD wait = WaitForSingleObject(event, 20000);
            CloseHandle(event);
            if (wait != WAIT_OBJECT_0)
                return 4;
        }
    }
    RecordStart();
    wchar_t exitCode[16] = {};
    length = GetEnvironmentVariableW(L"KESTREL_INSTALLER_EXIT", exitCode, 16);
    return length > 0 && length < 16 ? static_cast<int>(wcstoul(exitCode, nullptr, 10)) : 0;
}
