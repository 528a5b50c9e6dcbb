#include "InstallRules.h"

#include "WideText.h"

const wchar_t kProductItemName[] = L"Vexa Kestrel";

namespace
{
const wchar_t kCommandSeparator[] = L"%%";
constexpr DWORD kExitRestartRequired = 3010;  // ERROR_SUCCESS_REBOOT_REQUIRED
constexpr DWORD kExitRestartStarted = 1641;   // ERROR_SUCCESS_REBOOT_INITIATED
const wchar_t kHotfixRoot[] = L"SOFTWARE\\Vexa\\Hotfix";
constexpr size_t kHotfixKeyUnits = 256;
}  // namespace

bool ExpandCommandLine(const wchar_t* command, wchar_t (&buf)[kExpandedCommandUnits])
{
    DWORD needed = ExpandEnvironmentStringsW(command ? command : L"", buf, kExpandedCommandUnits);
    if (needed == 0 || needed > kExpandedCommandUnits)
    {
        buf[0] = L'\0';
        return false;
    }
    return true;
}

ExitVerdict JudgeExitCode(DWORD exitCode)
{
    if (exitCode == 0)
        return ExitVerdict::Succeeded;
    if (exitCode == kExitRestartRequired || exitCode == kExitRestartStarted)
        return ExitVerdict::SucceededRestartRequired;
    return ExitVerdict::Failed;
}

CommandParts SplitCommandLine(const wchar_t* expanded)
{
    CommandParts parts;
    std::wstring text = expanded ? expanded : L"";
    size_t separator = text.find(kCommandSeparator);
    if (separator == std::wstring::npos)
    {
        parts.strProgram = text;
        return parts;
    }
    parts.strProgram = text.substr(0, separator);
    parts.strParameters = text.substr(separator + 2);
    return parts;
}

std::wstring FormatItemFolder(const wchar_t* programFolder, LONG index)
{
    std::wstring folder = programFolder ? programFolder : L"";
    if (folder.empty() || folder.back() != L'\\')
        folder += L'\\';
    folder += L"Temp\\";
    folder += std::to_wstring(index);
    return folder;
}

std::wstring FormatBiosParameters(const wchar_t* shortImagePath)
{
    return std::wstring(shortImagePath ? shortImagePath : L"") + L" -NoRebootMsg";
}

std::wstring ComposeRebootText(const wchar_t* restartText, const wchar_t* biosReminder)
{
    std::wstring text = restartText ? restartText : L"";
    if (biosReminder)
    {
        text += L'\n';
        text += biosReminder;
    }
    return text;
}

bool IsBiosFlashSucceeded(LSTATUS status, DWORD type, DWORD size, DWORD value)
{
    return status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(DWORD) &&
           value == kBiosFlashSucceeded;
}

std::wstring FormatHotfixKey(const wchar_t* hotfixName)
{
    wchar_t key[kHotfixKeyUnits];
    FormatBounded(key, kHotfixKeyUnits, L"%s\\%s", kHotfixRoot, hotfixName ? hotfixName : L"");
    return key;
}
