// Hand-made seeds, shaped like the readers' test fixtures.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> ZipSeeds();
std::vector<std::string> FirmwareTableSeeds();
std::vector<std::string> DmiImageSeeds();
std::vector<std::string> IndexSeeds();
std::vector<std::string> PendingWorkSeeds();
std::vector<std::string> HistoryLogSeeds();
std::vector<std::string> ProductListSeeds();

// The address the DMI images are placed at (the BIOS area) and their size.
constexpr unsigned kDmiImageAddress = 0xF0000;
constexpr unsigned kDmiImageBytes = 0x10000;
