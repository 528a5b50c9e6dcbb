// The rule that keeps a package's files inside the package's folder.
#pragma once

// True when name (a file entry's converted name, with "/" or "\" between
// folders) stays below the folder it is unpacked into: no root, drive,
// stream, UNC or device form, no ".." or other dots-only segment except
// ".", and no reserved device name such as CON or NUL.
bool IsSafeEntryName(const wchar_t* name);
