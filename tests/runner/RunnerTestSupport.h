// Fixtures of the runner tests: a host that records what the runner asked of
// the main window, the records of the started test doubles, and registry
// helpers.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "InstallRunner.h"

class CFakeInstallHost : public IInstallHost
{
public:
    HWND GetOwnerWindow() override { return nullptr; }
    void ShowInformation(const wchar_t* text) override { aShownText.push_back(text); }
    const wchar_t* GetInstalledVersion(const UpdateItem&) override
    {
        return bHasInstalledVersion ? strInstalledVersion.c_str() : nullptr;
    }
    // Recorded, and written to the shared key as the main window does.
    void WriteSelfUpdateState(const wchar_t* lastVersion, const wchar_t* source) override;
    void SetSelfUpdateStarted() override { bSelfUpdateStarted = true; }
    void EndDialog(int result) override { aDialogResult.push_back(result); }

    bool bHasInstalledVersion = true;
    std::wstring strInstalledVersion = L"V2.0.1";
    std::vector<std::wstring> aShownText;
    std::vector<std::pair<std::wstring, std::wstring>> aSelfUpdateState;
    bool bSelfUpdateStarted = false;
    std::vector<int> aDialogResult;
};

// One start of a test double, as it recorded it.
struct StartRecord
{
    std::wstring strProgram;     // file name of the started executable
    std::wstring strArguments;   // command line without the program
    std::wstring strFolder;      // working folder
    std::wstring strCurDir;      // CURDIR as the program saw it
};

std::vector<StartRecord> ReadStartRecords(const std::wstring& recordFile);

// Folder of the test executable, where the doubles are built.
std::wstring GetDoublesFolder();

// Deletes a key below HKEY_LOCAL_MACHINE with everything in it.
void DeleteMachineKey(const wchar_t* keyName);

// Raw bytes and type of a value below HKEY_LOCAL_MACHINE; false when absent.
bool ReadMachineValue(const wchar_t* keyName, const wchar_t* valueName, DWORD& type,
                      std::string& bytes);

// The UTF-16 text of a string value's bytes, up to its first terminator.
// (The registry counts a terminator into a string written without one when
// the writer's text ends there, on NT as under Wine, so a value's size says
// little about how it was written.)
std::wstring TextOf(const std::string& bytes);

// Writes a value below HKEY_LOCAL_MACHINE, creating the key.
void WriteMachineValue(const wchar_t* keyName, const wchar_t* valueName, DWORD type,
                       const void* data, DWORD size);
void WriteMachineString(const wchar_t* keyName, const wchar_t* valueName, const wchar_t* text);
