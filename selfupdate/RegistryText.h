// ANSI registry reads bounded by the fixed buffer sizes of the self-updater.
#pragma once

#include <windows.h>

#include <string>

// Reads a value into a buffer of bufferBytes bytes. The text always ends at
// the buffer's end, even when the stored value has no terminating zero.
// Returns false when the value is missing or larger than the buffer; *type
// (when given) receives the stored type.
bool ReadRegText(HKEY key, const char* name, size_t bufferBytes, std::string& text,
                 DWORD* type = nullptr);

// Reads 4 bytes whatever the value's type; false when that fails.
bool ReadRegDword(HKEY key, const char* name, DWORD& value);

// Writes REG_SZ with the text's length and no terminating zero.
LONG WriteRegText(HKEY key, const char* name, const std::string& text);
LONG WriteRegDword(HKEY key, const char* name, DWORD value);
