#include "TestDoubles.h"

#include <windows.h>

#include <sstream>

#include "TestFiles.h"

std::string TestProgramFolder()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.rfind('\\') + 1);
}

std::string DoublePath(const char* fileName)
{
    return TestProgramFolder() + "doubles\\" + fileName;
}

CRecordFolder::CRecordFolder(const std::string& folder) : m_folder(folder)
{
    SetEnvironmentVariableA("KESTREL_RECORD_DIR", folder.c_str());
}

CRecordFolder::~CRecordFolder()
{
    SetEnvironmentVariableA("KESTREL_RECORD_DIR", nullptr);
}

std::vector<std::string> CRecordFolder::Lines(const char* name) const
{
    std::string path = m_folder + "\\" + name + ".txt";
    std::istringstream text(ReadFileBytes(Widen(path)));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}
