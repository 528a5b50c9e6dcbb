#include "PackageCheck.h"

#include <cwchar>

#include "TraceLog.h"
#include "UpdateItem.h"

namespace {

int HexValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

const wchar_t* VerdictName(PackageVerdict verdict)
{
    switch (verdict)
    {
    case PackageVerdict::Verified: return L"verified";
    case PackageVerdict::Unchecked: return L"no hash given, not checked";
    case PackageVerdict::NoHash: return L"no hash given, refused";
    case PackageVerdict::BadHash: return L"the hash is not 64 hex digits";
    case PackageVerdict::NotHashed: return L"the file cannot be hashed";
    case PackageVerdict::WrongSize: return L"wrong size";
    case PackageVerdict::WrongHash: return L"wrong hash";
    }
    return L"";
}

}  // namespace

bool ParseSha256Hex(const wchar_t* text, Sha256Digest& digest)
{
    if (!text || wcslen(text) != digest.size() * 2)
        return false;
    for (size_t i = 0; i < digest.size(); ++i)
    {
        int high = HexValue(text[2 * i]);
        int low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        digest[i] = static_cast<BYTE>(high * 16 + low);
    }
    return true;
}

PackageVerdict JudgePackage(BOOL bHashGiven, const wchar_t* pszSha256, LONG nSize,
                            bool bHashRequired, const PackageFacts& facts)
{
    if (!bHashGiven)
        return bHashRequired ? PackageVerdict::NoHash : PackageVerdict::Unchecked;
    Sha256Digest expected;
    if (!ParseSha256Hex(pszSha256, expected))
        return PackageVerdict::BadHash;
    if (!facts.bHashed)
        return PackageVerdict::NotHashed;
    if (nSize > 0 && facts.nBytes != static_cast<ULONGLONG>(nSize))
        return PackageVerdict::WrongSize;
    return facts.digest == expected ? PackageVerdict::Verified : PackageVerdict::WrongHash;
}

bool IsPackageAccepted(PackageVerdict verdict)
{
    return verdict == PackageVerdict::Verified || verdict == PackageVerdict::Unchecked;
}

PackageVerdict CheckDownloadedPackage(const UpdateItem& item, bool bHashRequired)
{
    PackageFacts facts;
    if (item.bSha256)
        facts.bHashed = HashFileSha256(item.szPath, facts.digest, facts.nBytes);
    PackageVerdict verdict =
        JudgePackage(item.bSha256, item.szSha256, item.nSize, bHashRequired, facts);
    TraceLog(L"CheckDownloadedPackage - %s : %s", item.szPath, VerdictName(verdict));
    return verdict;
}
