#include "FuzzScratch.h"

#include <windows.h>

#include <stdexcept>

#include "UniqueHandle.h"

namespace {

constexpr const wchar_t* kLevels[] = {L"a", L"b", L"scratch"};

bool IsDotName(const wchar_t* name)
{
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

void RemoveTree(const std::wstring& folder, bool removeFolder)
{
    WIN32_FIND_DATAW data;
    CFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (find)
    {
        do
        {
            if (IsDotName(data.cFileName))
                continue;
            const std::wstring path = folder + L"\\" + data.cFileName;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // unpacked read-only files
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path, true);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find.Get(), &data));
    }
    if (removeFolder)
        RemoveDirectoryW(folder.c_str());
}

// True when folder holds exactly one entry, named only.
bool HoldsOnly(const std::wstring& folder, const wchar_t* only)
{
    WIN32_FIND_DATAW data;
    CFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!find)
        return false;
    bool alone = true;
    do
    {
        if (!IsDotName(data.cFileName) && lstrcmpiW(data.cFileName, only) != 0)
            alone = false;
    } while (alone && FindNextFileW(find.Get(), &data));
    return alone;
}

}  // namespace

CFuzzScratch::CFuzzScratch()
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    wchar_t name[MAX_PATH];
    GetTempFileNameW(base, L"kfz", 0, name);
    DeleteFileW(name);
    m_sandbox = name;
    m_folder = m_sandbox;
    CreateDirectoryW(m_folder.c_str(), nullptr);
    for (const wchar_t* level : kLevels)
    {
        m_folder += L"\\";
        m_folder += level;
        if (!CreateDirectoryW(m_folder.c_str(), nullptr))
            throw std::runtime_error("scratch folder");
    }
}

CFuzzScratch::~CFuzzScratch()
{
    RemoveTree(m_sandbox, true);
}

std::wstring CFuzzScratch::Write(const wchar_t* name, const std::string& bytes) const
{
    const std::wstring path = File(name);
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                            nullptr) || written != bytes.size())
        throw std::runtime_error("scratch write");
    return path;
}

void CFuzzScratch::Empty() const
{
    RemoveTree(m_folder, false);
}

bool CFuzzScratch::WroteOutside() const
{
    std::wstring folder = m_sandbox;
    for (const wchar_t* level : kLevels)
    {
        if (!HoldsOnly(folder, level))
            return true;
        folder += L"\\";
        folder += level;
    }
    return false;
}
