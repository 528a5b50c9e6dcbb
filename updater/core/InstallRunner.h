// Carries out an unpacked item's installation: the index's commands, the
// BIOS flash through the flashing utility, the hand-over of the product's
// own update to its setup, the hotfix mark; and the restart afterwards.
#pragma once

#include <windows.h>

#include <string>

#include "InstallRules.h"
#include "UpdateItem.h"

// What the runner needs from the main window.
class IInstallHost
{
public:
    virtual ~IInstallHost() = default;

    // Owner of the started programs and of the message boxes.
    virtual HWND GetOwnerWindow() = 0;
    // A beep and an information box (ShowInformationBox in the product).
    virtual void ShowInformation(const wchar_t* text) = 0;
    // Version of the installed item matching this one (GetInstalledItem), or
    // null when none is installed.
    virtual const wchar_t* GetInstalledVersion(const UpdateItem& item) = 0;
    // Records the self-update hand-over in the shared key.
    virtual void WriteSelfUpdateState(const wchar_t* lastVersion, const wchar_t* source) = 0;
    // The product's own setup is running; the window closes after this item.
    virtual void SetSelfUpdateStarted() = 0;
    // Ends the main dialog with this result.
    virtual void EndDialog(int result) = 0;
};

// ExitWindowsEx, or a stand-in for tests: a real reboot request ends the
// session.
using ExitWindowsFunction = BOOL(WINAPI*)(UINT flags, DWORD reason);

// Written for the product's version when no installed item of the product
// is known, so that the hand-over is still reported at the next start.
extern const wchar_t kUnknownProductVersion[];

class CInstallRunner
{
public:
    // programFolder is the folder of the running updater, without trailing
    // "\". The product always pauses kCommandPauseMs after each command.
    CInstallRunner(IInstallHost& host, std::wstring programFolder,
                   DWORD dwCommandPauseMs = kCommandPauseMs,
                   ExitWindowsFunction pfnExitWindows = ExitWindowsEx);

    // Installs the item from its folder; non-zero on success. When the item
    // is the product itself and its setup started, the item is freed and
    // the pointer cleared.
    BOOL InstallItem(UpdateItem*& item);

    // True when one of the commands of the last InstallItem exited with a
    // code that asks for a restart (3010, 1641).
    bool IsRestartRequested() const { return m_bRestartRequested; }

    // Starts a command line in a folder and waits until it ends, then pauses.
    // 1 when the program was started and its exit code says success (see
    // JudgeExitCode; a program started without a process handle cannot be
    // asked and counts as a success), 0 otherwise.
    int RunAndWait(const wchar_t* folder, const wchar_t* commandLine);

    // Shows the reboot notice (with the BIOS reminder for a BIOS image) and
    // asks Windows to reboot; then ends the dialog.
    void RestartComputer(bool bBiosImage);

private:
    BOOL InstallProduct(UpdateItem*& item, const std::wstring& itemFolder);
    BOOL FlashBios(const UpdateItem& item, const std::wstring& itemFolder);
    BOOL RunItemCommands(const UpdateItem& item, const std::wstring& itemFolder);

    IInstallHost& m_host;
    std::wstring m_strProgramFolder;
    DWORD m_dwCommandPauseMs;
    ExitWindowsFunction m_pfnExitWindows;
    bool m_bRestartRequested = false;
};
