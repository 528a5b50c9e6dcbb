#include "InstallRunner.h"

#include <shellapi.h>

#include "BiosFlashVerdict.h"
#include "HotfixMark.h"
#include "MessagePump.h"
#include "ShutdownPrivilege.h"
#include "StringTable.h"
#include "TraceLog.h"
#include "UniqueHandle.h"
#include "WideText.h"
#include "resource.h"

const wchar_t kUnknownProductVersion[] = L"V0.0";

namespace
{
constexpr DWORD kShortPathUnits = 1024;

// Starts a program through the shell with the "open" verb and asks for its
// process handle. The shell's own error box stays off: a failure is the
// item's failure and is reported with it, also in an unattended run.
bool StartProgram(HWND owner, const wchar_t* file, const wchar_t* parameters,
                  const wchar_t* folder, int show, CHandle& process)
{
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpVerb = L"open";
    info.lpFile = file;
    info.lpParameters = parameters;
    info.lpDirectory = folder;
    info.nShow = show;
    if (!ShellExecuteExW(&info))
        return false;
    process.Reset(info.hProcess);
    return true;
}

bool FileExists(const std::wstring& path)
{
    WIN32_FIND_DATAW found;
    CFindHandle find(FindFirstFileW(path.c_str(), &found));
    return find.IsValid();
}
}  // namespace

CInstallRunner::CInstallRunner(IInstallHost& host, std::wstring programFolder,
                               DWORD dwCommandPauseMs, ExitWindowsFunction pfnExitWindows)
    : m_host(host),
      m_strProgramFolder(std::move(programFolder)),
      m_dwCommandPauseMs(dwCommandPauseMs),
      m_pfnExitWindows(pfnExitWindows)
{
}

BOOL CInstallRunner::InstallItem(UpdateItem*& item)
{
    m_bRestartRequested = false;
    std::wstring itemFolder = FormatItemFolder(m_strProgramFolder.c_str(), item->nIndex);
    SetEnvironmentVariableW(L"CURDIR", itemFolder.c_str());

    if (EqualsNoCase(item->szName, kProductItemName))
        return InstallProduct(item, itemFolder);
    if (item->bType == kItemTypeBios)
        return FlashBios(*item, itemFolder);
    return RunItemCommands(*item, itemFolder);
}

BOOL CInstallRunner::InstallProduct(UpdateItem*& item, const std::wstring& itemFolder)
{
    std::wstring setup = itemFolder + L"\\setup.exe";
    if (!FileExists(setup))
    {
        TraceLog(L"InstallItem - no setup.exe in %s", itemFolder.c_str());
        return FALSE;
    }

    m_host.ShowInformation(LoadTranslatedString(IDS_CLOSE_FOR_SELF_UPDATE).c_str());

    const wchar_t* version = m_host.GetInstalledVersion(*item);
    m_host.WriteSelfUpdateState(version ? version : kUnknownProductVersion, item->szZipPath);

    // The setup replaces this program, so it is not waited for.
    CHandle process;
    if (!StartProgram(m_host.GetOwnerWindow(), setup.c_str(), L"-s", itemFolder.c_str(),
                      SW_SHOWNORMAL, process))
    {
        TraceLog(L"InstallItem - setup.exe of the product not started");
        return FALSE;
    }
    m_host.SetSelfUpdateStarted();
    FreeUpdateItem(item);
    item = nullptr;
    return TRUE;
}

BOOL CInstallRunner::FlashBios(const UpdateItem& item, const std::wstring& itemFolder)
{
    std::wstring image = itemFolder + L"\\" + item.szExecute;
    wchar_t shortImage[kShortPathUnits];
    DWORD length = GetShortPathNameW(image.c_str(), shortImage, kShortPathUnits);
    if (length == 0 || length >= kShortPathUnits)
    {
        TraceLog(L"InstallItem - no BIOS image %s", image.c_str());
        return FALSE;
    }
    std::wstring parameters = FormatBiosParameters(shortImage);

    ClearBiosFlashVerdict();
    CHandle process;
    if (!StartProgram(m_host.GetOwnerWindow(), L"Romtool.exe", parameters.c_str(),
                      m_strProgramFolder.c_str(), SW_SHOWNORMAL, process))
    {
        TraceLog(L"InstallItem - Romtool.exe not started");
        return FALSE;
    }
    if (process)
        DispatchUntilSignalled(process.Get());
    process.Reset();
    return ReadBiosFlashVerdict() ? TRUE : FALSE;
}

BOOL CInstallRunner::RunItemCommands(const UpdateItem& item, const std::wstring& itemFolder)
{
    const wchar_t* folder = itemFolder.c_str();
    if (item.szPrePatch[0] && !RunAndWait(folder, item.szPrePatch))
        return FALSE;
    if (item.szUninstall[0] && !RunAndWait(folder, item.szUninstall))
        return FALSE;
    if (!RunAndWait(folder, item.szExecute))
        return FALSE;
    if (item.szPostPatch[0] && !RunAndWait(folder, item.szPostPatch))
        return FALSE;
    if (item.bType == kItemTypeHotfix)
        MarkHotfixInstalled(item.szName, item.szVersion);
    return TRUE;
}

int CInstallRunner::RunAndWait(const wchar_t* folder, const wchar_t* commandLine)
{
    wchar_t expanded[kExpandedCommandUnits];
    bool bExpanded = ExpandCommandLine(commandLine, expanded);
    CommandParts parts = SplitCommandLine(expanded);
    TraceLog(L"RunAndWait - Directory: \"%s\", File : \"%s\", Parameters : \"%s\"", folder,
             parts.strProgram.c_str(), parts.strParameters.c_str());

    // An empty program would make the shell open the working folder instead.
    CHandle process;
    if (!bExpanded || parts.strProgram.empty() ||
        !StartProgram(m_host.GetOwnerWindow(), parts.strProgram.c_str(),
                      parts.strParameters.c_str(), folder, SW_SHOW, process))
    {
        TraceLog(L"RunAndWait - ShellExecuteEx function fail");
        return 0;
    }
    DWORD exitCode = 0;
    if (process)
    {
        DispatchUntilSignalled(process.Get());
        if (!GetExitCodeProcess(process.Get(), &exitCode))
            exitCode = GetLastError();
    }
    process.Reset();
    // Messages flow during the pause: the window repaints and answers.
    DispatchFor(m_dwCommandPauseMs);
    TraceLog(L"RunAndWait - exit code %lu", exitCode);
    switch (JudgeInstallerExit(exitCode))
    {
    case InstallerExit::SucceededRestart:
        m_bRestartRequested = true;
        return 1;
    case InstallerExit::Succeeded:
        return 1;
    default:
        return 0;
    }
}

void CInstallRunner::RestartComputer(bool bBiosImage)
{
    std::wstring restartText = LoadTranslatedString(IDS_REBOOT_AFTER_OK);
    std::wstring reminder;
    if (bBiosImage)
        reminder = LoadTranslatedString(IDS_LOAD_DEFAULT_BIOS);
    std::wstring text =
        ComposeRebootText(restartText.c_str(), bBiosImage ? reminder.c_str() : nullptr);
    m_host.ShowInformation(text.c_str());  // beeps first

    EnableShutdownPrivilege();
    m_pfnExitWindows(EWX_REBOOT, 0);
    m_host.EndDialog(0);
}
