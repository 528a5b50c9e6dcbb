// Binding to the optional language library "VxMultiLang.dll" beside the
// program. Every shown text passes through TranslateText; without the
// library texts come back in English as stored.
#pragma once

#include <windows.h>

// Mask bits of LoadLanguageLibrary; nothing examines them but tests.
constexpr DWORD kLangLibraryMissing = 0x1;
constexpr DWORD kLangTranslateStrMissing = 0x10;
constexpr DWORD kLangTranslateStrFMissing = 0x100;
constexpr DWORD kLangGetLangPathNameMissing = 0x1000;
constexpr DWORD kLangGetLangNameMissing = 0x10000;

// Binds the library from the program's own folder (and nowhere else); called
// once early at start. Returns the mask of what was missing.
DWORD LoadLanguageLibrary();

// The translated text, in a buffer of the module's that the next call
// overwrites: callers copy it at once. Text is cut to what the 512-unit
// buffers hold.
const wchar_t* TranslateText(const wchar_t* text);
