// Text and verdict rules of the installation runner, kept apart from the
// process starting so that they can be checked with plain inputs.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// Pause after every installer command: installers that hand over to a second
// process need the time to finish before the next command starts.
constexpr DWORD kCommandPauseMs = 10000;

// Units of the buffer that command lines are expanded into.
constexpr size_t kExpandedCommandUnits = 1024;

// The flashing utility's verdict for a successful flash.
constexpr DWORD kBiosFlashSucceeded = 530;

// What an installer's exit code says: 0 succeeded; 3010 and 1641 (the
// Windows installer's "success, restart required" and "restart started")
// succeeded and the machine must restart; any other code failed.
enum class ExitVerdict
{
    Succeeded,
    SucceededRestartRequired,
    Failed,
};
ExitVerdict JudgeExitCode(DWORD exitCode);

// The name the product's own update item carries in the index.
extern const wchar_t kProductItemName[];

// Expands the environment variables of a command into buf. False when the
// expansion fails or does not fit, so that a cut command is never started.
bool ExpandCommandLine(const wchar_t* command, wchar_t (&buf)[kExpandedCommandUnits]);

// The program and its parameters: split at the first "%%" of the expanded
// text, or the whole text as the program when it holds none.
struct CommandParts
{
    std::wstring strProgram;
    std::wstring strParameters;
};
CommandParts SplitCommandLine(const wchar_t* expanded);

// The item folder: the program folder, "Temp\" and the item's index.
std::wstring FormatItemFolder(const wchar_t* programFolder, LONG index);

// The flashing utility's parameters for an image in its short (8.3) form.
std::wstring FormatBiosParameters(const wchar_t* shortImagePath);

// The reboot notice; a BIOS image adds its reminder on a line of its own.
// biosReminder is null for every other item.
std::wstring ComposeRebootText(const wchar_t* restartText, const wchar_t* biosReminder);

// What a query of the utility's "Error Code" value returned: only a 4-byte
// REG_DWORD of 530 read without error counts as a successful flash.
bool IsBiosFlashSucceeded(LSTATUS status, DWORD type, DWORD size, DWORD value);

// The hotfix mark's key below HKEY_LOCAL_MACHINE ("%s\\%s", at most 255
// characters).
std::wstring FormatHotfixKey(const wchar_t* hotfixName);
