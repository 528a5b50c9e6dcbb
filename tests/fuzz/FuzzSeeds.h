// Hand-made seeds, shaped like the readers' test fixtures.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

std::vector<std::string> ZipSeeds();
std::vector<std::string> FirmwareTableSeeds();
std::vector<std::string> DmiImageSeeds();
std::vector<std::string> IndexSeeds();
std::vector<std::string> PendingWorkSeeds();
std::vector<std::string> HistoryLogSeeds();
std::vector<std::string> ProductListSeeds();
std::vector<std::string> LanguageTextSeeds();

// A language input: the text's length in UTF-16 units (2 bytes), the text
// handed to the translation, then the library's reply up to the end (none:
// the library answers with its argument).
struct LanguageParts
{
    std::wstring strText;
    std::string strReply;
};
std::string LanguageInput(const std::wstring& text, const std::string& reply);
LanguageParts SplitLanguageInput(const std::string& input);

// The address the DMI images are placed at (the BIOS area) and their size.
constexpr unsigned kDmiImageAddress = 0xF0000;
constexpr unsigned kDmiImageBytes = 0x10000;
