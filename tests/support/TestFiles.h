// A scratch folder per test, removed with everything in it afterwards.
#pragma once

#include <string>

class CTempFolder
{
public:
    CTempFolder();
    ~CTempFolder();

    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    std::wstring File(const wchar_t* name) const { return m_path + L"\\" + name; }

    // Writes bytes as they are.
    std::wstring WriteBytes(const wchar_t* name, const std::string& bytes) const;

private:
    std::wstring m_path;
};

std::string ReadFileBytes(const std::wstring& path);
bool PathExists(const std::wstring& path);

// The UTF-16 little-endian bytes of text, as the product writes its files.
std::string Utf16Bytes(const std::wstring& text);
std::string Utf16Bytes(const std::string& utf8);

// A status or result as eight hex digits, for readable assertions.
std::string HexStatus(long status);

// UTF-8 to UTF-16 and back, for readable assertions.
std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);
