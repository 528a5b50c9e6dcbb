#include "RunnerTestSupport.h"

#include "SharedSettings.h"
#include "TestFiles.h"

void CFakeInstallHost::WriteSelfUpdateState(const wchar_t* lastVersion, const wchar_t* source)
{
    aSelfUpdateState.push_back({lastVersion, source});
    CSharedSettings().WriteSelfUpdateState(lastVersion, source, 0);
}

std::vector<StartRecord> ReadStartRecords(const std::wstring& recordFile)
{
    std::vector<StartRecord> records;
    std::wstring text = Widen(ReadFileBytes(recordFile));
    size_t start = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
    {
        std::wstring line = text.substr(start, end - start);
        std::vector<std::wstring> fields;
        size_t from = 0;
        for (size_t bar; (bar = line.find(L'|', from)) != std::wstring::npos; from = bar + 1)
            fields.push_back(line.substr(from, bar - from));
        fields.push_back(line.substr(from));
        fields.resize(4);
        records.push_back({fields[0], fields[1], fields[2], fields[3]});
    }
    return records;
}

std::wstring GetDoublesFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    *wcsrchr(path, L'\\') = L'\0';
    return path;
}

void DeleteMachineKey(const wchar_t* keyName)
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, keyName);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, keyName);
}

bool ReadMachineValue(const wchar_t* keyName, const wchar_t* valueName, DWORD& type,
                      std::string& bytes)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    bool found = RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    bytes.assign(size, '\0');
    if (found && size > 0)
        found = RegQueryValueExW(key, valueName, nullptr, &type,
                                 reinterpret_cast<BYTE*>(&bytes[0]), &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

void WriteMachineValue(const wchar_t* keyName, const wchar_t* valueName, DWORD type,
                       const void* data, DWORD size)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyName, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, valueName, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void WriteMachineString(const wchar_t* keyName, const wchar_t* valueName, const wchar_t* text)
{
    WriteMachineValue(keyName, valueName, REG_SZ, text,
                      static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(wchar_t)));
}

std::wstring TextOf(const std::string& bytes)
{
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    memcpy(&text[0], bytes.data(), text.size() * sizeof(wchar_t));
    return text.c_str();
}
