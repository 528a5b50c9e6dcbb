#include "UnpackPackage.h"

#include <memory>
#include <set>
#include <system_error>

#include "PackageEntryName.h"
#include "ZipReader.h"

namespace {

constexpr DWORD kNameBytes = 1024;
constexpr DWORD kCopyStep = 0x4000;

bool IsCancelled(const volatile LONG* plCancel)
{
    return InterlockedCompareExchange(const_cast<volatile LONG*>(plCancel), 0, 0) != 0;
}

bool IsSeparator(wchar_t c)
{
    return c == L'/' || c == L'\\';
}

[[noreturn]] void ThrowLastError(const char* what)
{
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

// The entry's name converted from the ANSI code page.
std::wstring ReadEntryName(CZipReader& reader, ZipEntryInfo& info, const std::wstring& archive)
{
    reader.GetCurrentEntryInfo(&info);
    if (info.dwNameLength >= kNameBytes)
        throw CZipException(kZipBadArchive, archive);
    char name[kNameBytes];
    reader.GetCurrentEntryInfo(&info, name, info.dwNameLength + 1);
    wchar_t wide[kNameBytes];
    if (!MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, name, -1, wide, kNameBytes))
        throw CZipException(kZipBadArchive, archive);
    return wide;
}

// An archive given without a folder unpacks into the current folder, not
// into the root.
void AppendPathPart(std::wstring& path, const std::wstring& part)
{
    if (!path.empty() && !IsSeparator(path.back()))
        path += L'\\';
    path += part;
}

// Creates the entry's folders below folder and returns the file's path.
// Folders made for earlier entries are not asked for again: under Wine each
// request costs as much as writing a small file.
std::wstring PrepareEntryPath(std::wstring folder, const std::wstring& name,
                              std::set<std::wstring>& created)
{
    size_t start = 0;
    for (size_t i = 0; i < name.size(); ++i)
    {
        if (!IsSeparator(name[i]))
            continue;
        AppendPathPart(folder, name.substr(start, i - start));
        if (created.insert(folder).second)
            CreateDirectoryW(folder.c_str(), nullptr);  // an existing folder is fine
        start = i + 1;
    }
    AppendPathPart(folder, name.substr(start));
    return folder;
}

void ExtractEntry(CZipReader& reader, const std::wstring& filePath, const ZipEntryInfo& info,
                  const volatile LONG* plCancel, BYTE* buffer)
{
    CFileHandle file(CreateFileW(filePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        ThrowLastError("UnpackPackage create");
    reader.OpenCurrentEntry();
    DWORD read = 0;
    do
    {
        read = reader.ReadCurrentEntry(buffer, kCopyStep);
        DWORD written = 0;
        if (read && !WriteFile(file.Get(), buffer, read, &written, nullptr))
            ThrowLastError("UnpackPackage write");
        if (written != read)
            throw std::system_error(ERROR_DISK_FULL, std::system_category(), "UnpackPackage");
    } while (read == kCopyStep && !IsCancelled(plCancel));

    if (IsCancelled(plCancel))
        return;  // left as far as it was written, without the archive's stamps
    CZipReader::UpdateEntryFileStatus(file, filePath.c_str(), info);
}

void ExtractAll(const wchar_t* archivePath, const volatile LONG* plCancel)
{
    const std::wstring archive = archivePath;
    const std::wstring folder = archive.substr(0, archive.find_last_of(L"\\/") + 1);
    auto buffer = std::make_unique<BYTE[]>(kCopyStep);
    std::set<std::wstring> createdFolders;

    CZipReader reader(archivePath);
    do
    {
        ZipEntryInfo info;
        const std::wstring name = ReadEntryName(reader, info, archive);
        if (name.empty() || !IsSeparator(name.back()))
        {
            if (!IsSafeEntryName(name.c_str()))
                throw CZipException(kZipBadArchive, archive);
            ExtractEntry(reader, PrepareEntryPath(folder, name, createdFolders), info, plCancel, buffer.get());
        }
    } while (!IsCancelled(plCancel) && reader.GoToNextEntry());
    reader.Close();
}

DWORD WINAPI UnpackThread(void* parameter)
{
    auto* job = static_cast<UnpackJob*>(parameter);
    InterlockedExchange(job->plInstallError,
                        UnpackPackage(job->strArchivePath.c_str(), job->plCancel));
    return 0;
}

}  // namespace

LONG UnpackPackage(const wchar_t* archivePath, const volatile LONG* plCancel)
{
    try
    {
        ExtractAll(archivePath, plCancel);
    }
    catch (const CZipException&)
    {
        return UNPACK_E_FORMAT;
    }
    catch (...)
    {
        return UNPACK_E_FILE;
    }
    return IsCancelled(plCancel) ? UNPACK_E_CANCELLED : 0;
}

CHandle StartUnpackWorker(UnpackJob& job)
{
    CHandle thread(CreateThread(nullptr, 0, UnpackThread, &job, CREATE_SUSPENDED, nullptr));
    if (thread)
        ResumeThread(thread.Get());
    return thread;
}
