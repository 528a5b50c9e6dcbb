#include "IndexTrust.h"

#include "DownloadFile.h"
#include "HttpDownload.h"
#include "TraceLog.h"
#include "UniqueHandle.h"
#include "resource.h"

namespace {

// Index files are far smaller; anything longer is not read.
constexpr DWORD kMaxSignedFileBytes = 64u << 20;

std::string ReadWholeFile(const std::wstring& path)
{
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart > kMaxSignedFileBytes)
        return std::string();
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size()))
        return std::string();
    return bytes;
}

std::string LoadSigningKeyResource()
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(IDR_SIGNING_KEY), RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return std::string();
    return std::string(static_cast<const char*>(data), SizeofResource(module, resource));
}

}  // namespace

const std::string& GetSigningKey()
{
    static const std::string key = LoadSigningKeyResource();
    return key;
}

LONG JudgeIndexSignature(bool bKeyBuiltIn, LONG lSignatureStatus, SignatureCheck check)
{
    if (!bKeyBuiltIn)
        return DL_COMPLETE;
    switch (lSignatureStatus)
    {
    case DL_COMPLETE:
        return check == SignatureCheck::Valid ? DL_COMPLETE : INDEX_E_SIGNATURE;
    case DL_E_REQUEST:
        return DL_E_REQUEST;
    case 0:  // the run was cancelled before the signature was asked for
    case DL_E_CANCELLED:
        return DL_E_CANCELLED;
    default:  // missing on the server, or not stored
        return INDEX_E_SIGNATURE;
    }
}

LONG CheckIndexSignature(IDownloadOwner& owner, const DownloadLocation& index)
{
    const std::string& key = GetSigningKey();
    if (key.empty())
    {
        TraceLog(L"CheckIndexSignature - no signing key built in: unsigned indexes are accepted");
        return JudgeIndexSignature(false, 0, SignatureCheck::NotChecked);
    }
    const std::wstring url = index.strUrl + L".sig";
    const std::wstring path = index.strLocalPath + L".sig";
    TraceLog(L"Download %s", url.c_str());
    LONG lStatus = DownloadFile(owner, url.c_str(), path.c_str(), FALSE);
    SignatureCheck check = SignatureCheck::NotChecked;
    if (lStatus == DL_COMPLETE)
        check = VerifySignature(key, ReadWholeFile(index.strLocalPath), ReadWholeFile(path));
    TraceLog(L"CheckIndexSignature - %08X : %d", static_cast<unsigned>(lStatus),
             static_cast<int>(check));
    return JudgeIndexSignature(true, lStatus, check);
}
