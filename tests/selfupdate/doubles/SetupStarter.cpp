// Stand-in for the new package's setup as the self-updater's starter: shows
// a window of class "InstallShield_Win", starts the program named on the
// command line and closes the window after the given number of seconds or
// when the program has ended, whichever comes first. It then waits for the
// program and records whether it ended while the window was still open.
// With 0 seconds it shows no window, as a start by hand from the shell.
//   setupstarter.exe SECONDS PROGRAM
#include <windows.h>

#include <cstdlib>
#include <string>

#include "Record.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    std::string parameters = ParametersOfCommandLine();
    size_t blank = parameters.find(' ');
    if (blank == std::string::npos)
        return 2;
    DWORD seconds = std::strtoul(parameters.substr(0, blank).c_str(), nullptr, 10);
    std::string program = parameters.substr(blank + 1);

    HWND window = nullptr;
    if (seconds > 0)
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = "InstallShield_Win";
        RegisterClassA(&windowClass);
        window = CreateWindowA("InstallShield_Win", "Setup", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                               0, 300, 200, nullptr, nullptr, instance, nullptr);
    }

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + program + "\"";
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return 3;
    CloseHandle(process.hThread);

    DWORD deadline = GetTickCount() + seconds * 1000;
    bool endedWithWindowOpen = false;
    while (GetTickCount() < deadline)
    {
        if (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 100, QS_ALLINPUT) ==
            WAIT_OBJECT_0)
        {
            endedWithWindowOpen = true;
            break;
        }
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    if (window)
        DestroyWindow(window);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    if (window)
        AppendRecord("starter", endedWithWindowOpen ? "ended with the window open"
                                                    : "ended after the window closed");
    return 0;
}
