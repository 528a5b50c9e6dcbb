// Hand-packed archives of stored entries, for layouts the tests spell out
// byte by byte (entry names above all). Written here, not by the reader.
#pragma once

#include <string>
#include <vector>

struct StoredEntry
{
    std::string strName;  // raw name bytes as they stand in the archive
    std::string strData;
};

std::string PackStoredZip(const std::vector<StoredEntry>& entries);

// The folder of the fixtures made at build time, as Wine names it.
std::wstring FixtureFolder();

// A fixture made at build time by the independent writer, copied into folder.
std::wstring CopyFixture(const wchar_t* name, const std::wstring& folder);
