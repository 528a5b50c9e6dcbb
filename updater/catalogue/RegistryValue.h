// Reading string values of the inventory's registry keys into fixed buffers.
#pragma once

#include <windows.h>

#include <cstddef>

// Reads a REG_SZ value into buffer (capacity characters including the NUL).
// False when the value is missing, of another type, or longer than
// capacity - 1 characters; the buffer is then left unchanged. Values stored
// with or without their terminating NUL read alike.
bool ReadRegistryString(HKEY key, const wchar_t* valueName, wchar_t* buffer, size_t capacity);

template <size_t N>
bool ReadRegistryString(HKEY key, const wchar_t* valueName, wchar_t (&buffer)[N])
{
    return ReadRegistryString(key, valueName, buffer, N);
}

// Writes a REG_SZ value without its terminating NUL, as every writer of the
// product does.
bool WriteRegistryString(HKEY key, const wchar_t* valueName, const wchar_t* text);
