// Texts of the updater's string table, passed through the language library.
#pragma once

#include <windows.h>

#include <string>

// The string with this id, translated; empty when the id is unknown.
std::wstring LoadTranslatedString(UINT nStringId);
