// What the demo's installer and flashing utility share: their settings
// files, the demo machine's install log and the small window each shows
// while it works.
#pragma once

#include <windows.h>

#include <string>

// The folder of the running program, without a trailing "\".
std::wstring GetOwnFolder();

// A value of an INI-style file, empty when it is missing.
std::wstring ReadSetting(const std::wstring& file, const wchar_t* section, const wchar_t* key);

// Appends one line (UTF-16, no byte order mark) to "C:\Vexa Demo\install.log",
// the record of what the demo's programs did to the machine.
void AppendInstallLog(const std::wstring& line);

// Shows a small window with the text for the given time, so that the work
// can be seen on the screen, then closes it.
void ShowWorkWindow(const std::wstring& text, DWORD milliseconds);
