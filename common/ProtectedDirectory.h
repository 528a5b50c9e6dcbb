// Removal of folder trees whatever their owner and access list: installers
// leave read-only files and entries closed to the current user behind.
// One source builds two libraries with the same behaviour: UTF-16 for the
// updater (kest_protected_dir) and ANSI for the self-updater
// (kest_protected_dir_ansi).
#pragma once

#include <windows.h>

// Deletes folder and everything below it as far as Windows allows; what
// cannot go (a file in use, and every folder above it) stays.
void RemoveProtectedDirectory(const wchar_t* folder);
void RemoveProtectedDirectory(const char* folder);

// Makes the current user the owner of path.
bool TakeOwnership(const wchar_t* path);
bool TakeOwnership(const char* path);

// Enables the named privilege in token; with disable set, disables every
// privilege of token instead. True when the adjustment reported no error.
bool EnablePrivilege(HANDLE token, const wchar_t* name, bool disable);
bool EnablePrivilege(HANDLE token, const char* name, bool disable);

// Replaces path's access list with one entry that grants account mask.
bool GrantFullAccess(const wchar_t* path, const wchar_t* account, DWORD mask);
bool GrantFullAccess(const char* path, const char* account, DWORD mask);
