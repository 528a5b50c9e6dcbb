// The stand-in programs built beside the tests, and their records.
#pragma once

#include <string>
#include <vector>

// Folder of the running test program, with a trailing backslash.
std::string TestProgramFolder();

// Full path of a stand-in in the doubles folder.
std::string DoublePath(const char* fileName);

// Points the stand-ins' records at folder (KESTREL_RECORD_DIR) while alive.
class CRecordFolder
{
public:
    explicit CRecordFolder(const std::string& folder);
    ~CRecordFolder();

    CRecordFolder(const CRecordFolder&) = delete;
    CRecordFolder& operator=(const CRecordFolder&) = delete;

    // The lines a stand-in recorded, one per start.
    std::vector<std::string> Lines(const char* name) const;

private:
    std::string m_folder;
};
