// Unpacks a downloaded package beside itself, on a worker thread of the
// update run.
#pragma once

#include <windows.h>

#include <string>

#include "UniqueHandle.h"

constexpr LONG UNPACK_E_CANCELLED = static_cast<LONG>(0x80010001);
constexpr LONG UNPACK_E_FORMAT = static_cast<LONG>(0x80010002);  // invalid file format
constexpr LONG UNPACK_E_FILE = static_cast<LONG>(0x80010003);    // a file could not be written

// Extracts every file entry of the archive into the archive's folder,
// re-creating the entries' folders, with the archive's times and attributes.
// Stops after the current entry once *plCancel is non-zero. Returns 0 or one
// of the UNPACK_E_ codes; files already extracted stay.
LONG UnpackPackage(const wchar_t* archivePath, const volatile LONG* plCancel);

// What the update run hands its unpacking worker. The run keeps it alive
// until the thread has ended and then reads *plInstallError.
struct UnpackJob
{
    std::wstring strArchivePath;
    const volatile LONG* plCancel = nullptr;
    volatile LONG* plInstallError = nullptr;
};

// Starts UnpackPackage for job on a new thread (created suspended, then
// resumed). Returns the thread, or no handle when it could not be created.
CHandle StartUnpackWorker(UnpackJob& job);
