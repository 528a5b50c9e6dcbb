// The folder a target's files go in, emptied after every input, three
// levels below a sandbox of its own: each level must keep holding only the
// next, so a write that climbs out of the scratch folder is seen.
#pragma once

#include <string>

class CFuzzScratch
{
public:
    CFuzzScratch();
    ~CFuzzScratch();

    CFuzzScratch(const CFuzzScratch&) = delete;
    CFuzzScratch& operator=(const CFuzzScratch&) = delete;

    const std::wstring& Folder() const { return m_folder; }
    std::wstring File(const wchar_t* name) const { return m_folder + L"\\" + name; }
    std::wstring Write(const wchar_t* name, const std::string& bytes) const;

    // Deletes everything inside the scratch folder.
    void Empty() const;
    // True when a level above the scratch folder holds anything else.
    bool WroteOutside() const;

private:
    std::wstring m_sandbox;
    std::wstring m_folder;
};
