// kdebug: starts a program as its debugger and appends every debug-output
// line it sends (OutputDebugString) to a trace file, one line each, until
// the program ends. Exits with the program's exit code.
//
//     kdebug.exe TRACE_FILE PROGRAM [ARGUMENTS...]
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string ToUtf8(const std::wstring& text)
{
    int cb = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
    std::string out(cb > 0 ? cb : 0, '\0');
    if (cb > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], cb,
                            nullptr, nullptr);
    return out;
}

std::wstring Quote(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    return L"\"" + argument + L"\"";
}

// Reads the debuggee's string; Wine sends ANSI events.
std::wstring ReadDebugString(HANDLE hProcess, const OUTPUT_DEBUG_STRING_INFO& info)
{
    const SIZE_T cch = info.nDebugStringLength;
    if (cch == 0)
        return std::wstring();
    if (info.fUnicode)
    {
        std::vector<wchar_t> buffer(cch + 1, L'\0');
        ReadProcessMemory(hProcess, info.lpDebugStringData, buffer.data(), cch * sizeof(wchar_t),
                          nullptr);
        return std::wstring(buffer.data());
    }
    std::vector<char> buffer(cch + 1, '\0');
    ReadProcessMemory(hProcess, info.lpDebugStringData, buffer.data(), cch, nullptr);
    int cchWide = MultiByteToWideChar(CP_ACP, 0, buffer.data(), -1, nullptr, 0);
    std::wstring text(cchWide > 0 ? cchWide : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, buffer.data(), -1, &text[0], cchWide);
    return std::wstring(text.c_str());
}

}  // namespace

int wmain()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3)
    {
        fprintf(stderr, "usage: kdebug TRACE_FILE PROGRAM [ARGUMENTS...]\n");
        return 255;
    }
    FILE* trace = _wfopen(argv[1], L"ab");
    if (!trace)
        return 254;

    std::wstring commandLine = Quote(argv[2]);
    for (int i = 3; i < argc; ++i)
        commandLine += L" " + Quote(argv[i]);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(argv[2], &commandLine[0], nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS,
                        nullptr, nullptr, &startup, &process))
    {
        fprintf(stderr, "kdebug: cannot start the program (%lu)\n", GetLastError());
        return 253;
    }

    DWORD exitCode = 0;
    for (bool running = true; running;)
    {
        DEBUG_EVENT event = {};
        if (!WaitForDebugEvent(&event, INFINITE))
            break;
        DWORD continueStatus = DBG_CONTINUE;
        switch (event.dwDebugEventCode)
        {
        case OUTPUT_DEBUG_STRING_EVENT:
        {
            std::string line = ToUtf8(ReadDebugString(process.hProcess, event.u.DebugString));
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.pop_back();
            fprintf(trace, "%s\n", line.c_str());
            fflush(trace);
            break;
        }
        case CREATE_PROCESS_DEBUG_EVENT:
            if (event.u.CreateProcessInfo.hFile)
                CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile)
                CloseHandle(event.u.LoadDll.hFile);
            break;
        case EXCEPTION_DEBUG_EVENT:
            // The loader's breakpoint is ours to swallow; everything else is
            // the program's to handle.
            if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                continueStatus = DBG_EXCEPTION_NOT_HANDLED;
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            exitCode = event.u.ExitProcess.dwExitCode;
            running = false;
            break;
        default:
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
    }
    fclose(trace);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}
