// Whether a downloaded package may be unpacked: its SHA-256 and length
// against what the index gives for it. Nothing that fails is unpacked.
#pragma once

#include <windows.h>

#include "Sha256.h"

struct UpdateItem;

// The run's install error for a package that fails its check.
constexpr LONG PACKAGE_E_CHANGED = static_cast<LONG>(0x80010005);

enum class PackageVerdict
{
    Verified,   // hash (and size, where given) match
    Unchecked,  // no hash given and none required: taken as it is
    NoHash,     // a hash is required and the item has none
    BadHash,    // the item's hash is not 64 hex digits
    NotHashed,  // the file could not be read or hashed
    WrongSize,
    WrongHash,
};

// Exactly 64 hex digits, any case; anything else is false.
bool ParseSha256Hex(const wchar_t* text, Sha256Digest& digest);

// What was measured of the downloaded file.
struct PackageFacts
{
    bool bHashed = false;
    Sha256Digest digest = {};
    ULONGLONG nBytes = 0;
};

// The decision for an item's hash element (bHashGiven, pszSha256) and size
// (0: none given). bHashRequired: the build verifies its catalogues, so an
// item without a hash is refused too.
PackageVerdict JudgePackage(BOOL bHashGiven, const wchar_t* pszSha256, LONG nSize,
                            bool bHashRequired, const PackageFacts& facts);

bool IsPackageAccepted(PackageVerdict verdict);

// Hashes the item's downloaded package (its local path) where the item
// gives a hash, and judges it; traces the verdict.
PackageVerdict CheckDownloadedPackage(const UpdateItem& item, bool bHashRequired);
