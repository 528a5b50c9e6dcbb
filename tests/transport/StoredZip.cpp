#include "StoredZip.h"

#include <windows.h>

#include <cstdint>

#include <gtest/gtest.h>

#include "ZipFixtures.h"

namespace {

void Put16(std::string& out, uint32_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

uint32_t Crc32(const std::string& data)
{
    uint32_t crc = 0xFFFFFFFF;
    for (unsigned char byte : data)
    {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
    }
    return ~crc;
}

constexpr uint32_t kStamp = (29u << 25) | (5u << 21) | (20u << 16) | (13u << 11) | (45u << 5);

}  // namespace

std::string PackStoredZip(const std::vector<StoredEntry>& entries)
{
    std::string body;
    std::string central;
    for (const StoredEntry& e : entries)
    {
        const uint32_t offset = static_cast<uint32_t>(body.size());
        const uint32_t crc = Crc32(e.strData);
        const uint32_t size = static_cast<uint32_t>(e.strData.size());
        Put32(body, 0x04034B50);
        Put16(body, 10);
        Put16(body, 0);
        Put16(body, 0);
        Put32(body, kStamp);
        Put32(body, crc);
        Put32(body, size);
        Put32(body, size);
        Put16(body, static_cast<uint32_t>(e.strName.size()));
        Put16(body, 0);
        body += e.strName + e.strData;

        Put32(central, 0x02014B50);
        Put16(central, 20);
        Put16(central, 10);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, kStamp);
        Put32(central, crc);
        Put32(central, size);
        Put32(central, size);
        Put16(central, static_cast<uint32_t>(e.strName.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, 0x20);
        Put32(central, offset);
        central += e.strName;
    }
    std::string end;
    Put32(end, 0x06054B50);
    Put16(end, 0);
    Put16(end, 0);
    Put16(end, static_cast<uint32_t>(entries.size()));
    Put16(end, static_cast<uint32_t>(entries.size()));
    Put32(end, static_cast<uint32_t>(central.size()));
    Put32(end, static_cast<uint32_t>(body.size()));
    Put16(end, 0);
    return body + central + end;
}

std::wstring FixtureFolder()
{
    // The build writes the fixtures on the Linux side; Wine shows / as Z:.
    std::wstring folder = L"Z:" KESTREL_ZIP_FIXTURES;
    for (wchar_t& c : folder)
    {
        if (c == L'/')
            c = L'\\';
    }
    return folder;
}

std::wstring CopyFixture(const wchar_t* name, const std::wstring& folder)
{
    const std::wstring source = FixtureFolder() + L"\\" + name;
    const std::wstring target = folder + L"\\" + name;
    EXPECT_TRUE(CopyFileW(source.c_str(), target.c_str(), FALSE)) << "missing fixture";
    return target;
}

std::string FixturePattern(size_t size, unsigned seed)
{
    std::string out;
    uint32_t value = seed;
    while (out.size() < size)
    {
        value = (value * 1103515245u + 12345u) & 0x7FFFFFFF;
        out.append((value & 3) + 1, static_cast<char>((value >> 16) & 0x3F));
    }
    out.resize(size);
    return out;
}
