// Compiled twice: with UNICODE for the updater, without it for the
// self-updater. Every call below is the generic name of its A/W pair.
#include "ProtectedDirectory.h"

#include <tchar.h>

#include <memory>
#include <string>

#include "UniqueHandle.h"

namespace {

using TString = std::basic_string<TCHAR>;

#ifdef UNICODE
constexpr DWORD kDomainChars = 1024;
#else
constexpr DWORD kDomainChars = 512;
#endif
constexpr DWORD kAccountChars = 256;
constexpr DWORD kSidBytes = 2048;
constexpr DWORD kTokenUserBytes = 1024;

// The localised name of S-1-1-0 ("Everyone" on English systems), or empty.
TString WorldGroupName()
{
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID sid = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &sid))
        return TString();
    TCHAR name[kAccountChars] = {};
    TCHAR domain[kAccountChars] = {};
    DWORD nameChars = kAccountChars;
    DWORD domainChars = kAccountChars;
    SID_NAME_USE use;
    if (!LookupAccountSid(nullptr, sid, name, &nameChars, domain, &domainChars, &use))
        name[0] = 0;
    FreeSid(sid);
    return name;
}

void ClearReadOnly(const TString& path, DWORD attributes)
{
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributes(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

// Owner and access list first, so that neither stands in the way of the delete.
void OpenUp(const TString& path, DWORD attributes, const TString& world)
{
    ClearReadOnly(path, attributes);
    TakeOwnership(path.c_str());
    // An empty name would resolve to the machine's own account, not the world.
    if (!world.empty())
        GrantFullAccess(path.c_str(), world.c_str(), GENERIC_ALL);
}

}  // namespace

void RemoveProtectedDirectory(const TCHAR* folder)
{
    const TString base = folder;
    WIN32_FIND_DATA found;
    CFindHandle search(FindFirstFile((base + _T("\\*.*")).c_str(), &found));
    if (!search)
        return;  // no such folder: nothing changes
    const TString world = WorldGroupName();
    do
    {
        const TString name = found.cFileName;
        if (name == _T(".") || name == _T(".."))
            continue;
        const TString path = base + _T("\\") + name;
        const DWORD attributes = found.dwFileAttributes;
        const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        {
            // A junction or link goes by itself. Owner, access list and
            // contents would be those of its target, outside this tree.
            if (directory)
                RemoveDirectory(path.c_str());
            else
                DeleteFile(path.c_str());
            continue;
        }
        OpenUp(path, attributes, world);
        if (directory)
            RemoveProtectedDirectory(path.c_str());
        else
            DeleteFile(path.c_str());
    } while (FindNextFile(search.Get(), &found));
    search.Reset();

    OpenUp(base, GetFileAttributes(folder), world);
    RemoveDirectory(folder);
}

bool TakeOwnership(const TCHAR* path)
{
    SECURITY_DESCRIPTOR descriptor;
    CHandle token;
    BYTE userBuffer[kTokenUserBytes];
    DWORD needed = 0;
    bool ok = InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
              OpenProcessToken(GetCurrentProcess(),
                               TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY | READ_CONTROL,
                               token.Put()) &&
              EnablePrivilege(token.Get(), SE_TAKE_OWNERSHIP_NAME, false) &&
              GetTokenInformation(token.Get(), TokenUser, userBuffer, sizeof(userBuffer),
                                  &needed) &&
              SetSecurityDescriptorOwner(&descriptor,
                                         reinterpret_cast<TOKEN_USER*>(userBuffer)->User.Sid,
                                         FALSE) &&
              SetFileSecurity(path, OWNER_SECURITY_INFORMATION, &descriptor);
    if (!ok && token)
        EnablePrivilege(token.Get(), static_cast<const TCHAR*>(nullptr), true);
    return ok;
}

bool EnablePrivilege(HANDLE token, const TCHAR* name, bool disable)
{
    TOKEN_PRIVILEGES privileges = {};
    if (name && !disable && LookupPrivilegeValue(nullptr, name, &privileges.Privileges[0].Luid))
    {
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    }
    AdjustTokenPrivileges(token, disable, &privileges, 0, nullptr, nullptr);
    return GetLastError() == ERROR_SUCCESS;
}

bool GrantFullAccess(const TCHAR* path, const TCHAR* account, DWORD mask)
{
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION))
        return false;
    BYTE sid[kSidBytes];
    DWORD sidBytes = sizeof(sid);
    TCHAR domain[kDomainChars];
    DWORD domainChars = kDomainChars;
    SID_NAME_USE use;
    if (!LookupAccountName(nullptr, account, sid, &sidBytes, domain, &domainChars, &use))
        return false;

    // The list header and one access-allowed entry around the SID.
    const DWORD aclBytes = GetLengthSid(sid) + 16;
    auto acl = std::make_unique<BYTE[]>(aclBytes);
    PACL list = reinterpret_cast<PACL>(acl.get());
    return InitializeAcl(list, aclBytes, ACL_REVISION) &&
           AddAccessAllowedAce(list, ACL_REVISION, mask, sid) &&
           SetSecurityDescriptorDacl(&descriptor, TRUE, list, FALSE) &&
           SetFileSecurity(path, DACL_SECURITY_INFORMATION, &descriptor);
}
