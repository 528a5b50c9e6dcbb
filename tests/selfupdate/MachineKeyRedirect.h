// Redirects HKEY_LOCAL_MACHINE of this process to a scratch key below
// HKEY_CURRENT_USER while it lives, so registry tests neither see nor touch
// the machine keys other tests of the shared prefix use.
#pragma once

#include <windows.h>

#include <string>

class CMachineKeyRedirect
{
public:
    CMachineKeyRedirect();
    ~CMachineKeyRedirect();

    CMachineKeyRedirect(const CMachineKeyRedirect&) = delete;
    CMachineKeyRedirect& operator=(const CMachineKeyRedirect&) = delete;

    // Helpers for building and reading the redirected machine keys.
    static void SetText(const char* key, const char* name, const std::string& text,
                        DWORD type = REG_SZ);
    static void SetDword(const char* key, const char* name, DWORD value);
    static bool HasKey(const char* key);
    static bool HasValue(const char* key, const char* name);
    // A text value as ANSI readers see it; empty when it is missing.
    static std::string GetText(const char* key, const char* name);
    static DWORD GetDword(const char* key, const char* name);

private:
    std::string m_scratchPath;
    HKEY m_scratch = nullptr;
};
