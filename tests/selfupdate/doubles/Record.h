// Where the tests' stand-in programs write down how they were started: one
// line per start in <KESTREL_RECORD_DIR>\<name>.txt.
#pragma once

#include <windows.h>

#include <string>

inline void AppendRecord(const char* name, const std::string& line)
{
    char folder[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("KESTREL_RECORD_DIR", folder, MAX_PATH))
        return;
    std::string path = std::string(folder) + "\\" + name + ".txt";
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// The command line without the program's own name.
inline std::string ParametersOfCommandLine()
{
    const char* p = GetCommandLineA();
    bool quoted = false;
    for (; *p && (quoted || (*p != ' ' && *p != '\t')); ++p)
        if (*p == '"')
            quoted = !quoted;
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

inline std::string CurrentFolder()
{
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    return folder;
}
