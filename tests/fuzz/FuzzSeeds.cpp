#include "FuzzSeeds.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include <zlib.h>

#include "HistoryLog.h"
#include "Mutations.h"
#include "SampleDocuments.h"
#include "TestFiles.h"

namespace {

std::string U16(unsigned v)
{
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8)};
}

std::string U32(unsigned v)
{
    return U16(v & 0xFFFF) + U16(v >> 16);
}

struct ZipEntry
{
    std::string name;
    std::string data;
    bool bDeflate;
};

std::string Deflated(const std::string& data)
{
    std::string out(compressBound(static_cast<uLong>(data.size())) + 16, '\0');
    z_stream stream = {};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// A plain archive: local headers with their data, the central directory,
// the end record.
std::string Zip(const std::vector<ZipEntry>& entries)
{
    std::string body, central;
    for (const ZipEntry& e : entries)
    {
        const std::string packed = e.bDeflate ? Deflated(e.data) : e.data;
        const unsigned crc = crc32(0, reinterpret_cast<const Bytef*>(e.data.data()),
                                   static_cast<uInt>(e.data.size()));
        const std::string common = U16(20) + U16(0) + U16(e.bDeflate ? 8 : 0) + U32(0x3AB46DAF) +
                                   U32(crc) + U32(static_cast<unsigned>(packed.size())) +
                                   U32(static_cast<unsigned>(e.data.size())) +
                                   U16(static_cast<unsigned>(e.name.size())) + U16(0);
        central += std::string("PK\x01\x02", 4) + U16(20) + common + U16(0) + U16(0) + U16(0) +
                   U32(0x20) + U32(static_cast<unsigned>(body.size())) + e.name;
        body += std::string("PK\x03\x04", 4) + common + e.name + packed;
    }
    const unsigned count = static_cast<unsigned>(entries.size());
    return body + central + std::string("PK\x05\x06", 4) + U16(0) + U16(0) + U16(count) +
           U16(count) + U32(static_cast<unsigned>(central.size())) +
           U32(static_cast<unsigned>(body.size())) + U16(0);
}

std::string Structure(unsigned char type, unsigned char stringAt5,
                      const std::vector<std::string>& strings, unsigned char length = 8)
{
    std::string bytes(length, '\0');
    bytes[0] = static_cast<char>(type);
    bytes[1] = static_cast<char>(length);
    if (length > 5)
        bytes[5] = static_cast<char>(stringAt5);
    for (const std::string& text : strings)
        bytes += text + '\0';
    bytes += strings.empty() ? std::string(2, '\0') : std::string(1, '\0');
    return bytes;
}

std::string StructureTable()
{
    return Structure(0, 2, {"Vendor", "1.07"}) +
           Structure(1, 2, {"Maker", "P1", "1.0", "SN", "SKU", "Family"}, 0x1B) +
           Structure(4, 0, {}) + Structure(2, 2, {"Maker", "Board"}) + Structure(127, 0, {}, 4);
}

std::string Utf16File(const std::wstring& text)
{
    return "\xFF\xFE" + Utf16Bytes(text);
}

// Elements the sample item lacks: a second language and a registry check.
const char kMoreItem[] =
    "<item name='Tool'><os>Win7</os><version>2.0</version>\r\n"
    " <description l_id='2052' title='T'>D</description>\r\n"
    " <registry key='HKLM\\Software\\V' value='Ver' data='1.0'/></item>\r\n";

}  // namespace

std::vector<std::string> ZipSeeds()
{
    const std::string text(3000, 'k');
    return {Zip({{"setup.exe", "MZ stub", false}}),
            Zip({{"Driver/", "", false}, {"Driver/a.inf", text, true}, {"b.txt", "bee", true}}),
            Zip({{"x/y/z.bin", std::string(70000, '\x01'), true}})};
}

std::vector<std::string> FirmwareTableSeeds()
{
    const std::string table = StructureTable();
    std::string noStrings = Structure(0, 0, {}) + Structure(1, 0, {}, 0x1B);
    auto rsmb = [](const std::string& t) {
        return std::string{0, 2, 7, 0} + U32(static_cast<unsigned>(t.size())) + t;
    };
    return {rsmb(table), rsmb(noStrings), rsmb(table.substr(0, 20))};
}

std::vector<std::string> DmiImageSeeds()
{
    // Entry point at 0h of the area, table at F1000h; an EXTF table whose
    // name lies at F2000h.
    const std::string table = StructureTable();
    std::string image(kDmiImageBytes - 1, '\0');
    const std::string anchor = std::string("_DMI_") + '\0' +
                               U16(static_cast<unsigned>(table.size())) + U32(0xF1000) + U16(3);
    image.replace(0x100, anchor.size(), anchor);
    image.replace(0x1000, table.size(), table);
    std::string withExtf = image;
    const std::string extf = "EXTF" + std::string(3, '\x11') + '\x02' + std::string(6, '\x22') +
                             U32(0xF2000);
    withExtf.replace(0x800, extf.size(), extf);
    withExtf.replace(0x2000, 10, "EXTF-Model");
    std::string nearPageEnd = image;
    PutLittleEndian(nearPageEnd, 0x108, 0xF1FF0, 4);
    nearPageEnd.replace(0x1FF0, table.size(), table);
    return {image, withExtf, nearPageEnd};
}

std::vector<std::string> IndexSeeds()
{
    return {std::string("<?xml version='1.0' encoding='utf-8'?>\r\n"
                        "<product name='P1' opt='1'>\r\n") +
                kSampleIndexItem + kMoreItem + "</product>\r\n",
            std::string("<product name='p1'>") + kSampleIndexItem + kSampleIndexItem + "</product>",
            "<product name='P2'><item name='X'><os>Win7</os></item></product>"};
}

std::vector<std::string> PendingWorkSeeds()
{
    return {Utf16File(kSamplePendingWork), Utf16File(L"<product name=\"P1\"")};
}

std::vector<std::string> HistoryLogSeeds()
{
    const std::wstring records = FormatHistoryRecord(1242827130, TRUE, L"Installed & done", 2,
                                                     L"Audio <Driver>") +
                                 FormatHistoryRecord(1242827190, FALSE, L"Failed", 4, L"KB1") +
                                 FormatHistoryRecord(1242827200, TRUE, L"Run ended",
                                                     kHistoryNoItem, L"");
    const std::wstring whole = L"<logs sync=\"0\">\r\n" + records + L"</logs>\r\n";
    return {Utf16File(whole), Utf16File(whole.substr(0, whole.size() - 20)),
            Utf16File(L"<logs sync=\"1\">\r\n")};
}

std::vector<std::string> ProductListSeeds()
{
    // The first byte picks the damaged file: even, the plain list a crash
    // left; odd, the encrypted list.
    const std::string list = Utf16File(L"<product name=\"P1\">\r\n"
                                       L"<zip-path> C:\\K\\Temp\\1\\A.zip </zip-path>\r\n"
                                       L"</product>\r\n");
    const std::string plain(1, '\0'), encrypted(1, '\1');
    return {plain + list, plain + list.substr(0, 30), encrypted + list};
}

std::string LanguageInput(const std::wstring& text, const std::string& reply)
{
    return U16(static_cast<unsigned>(text.size())) + Utf16Bytes(text) + reply;
}

LanguageParts SplitLanguageInput(const std::string& input)
{
    constexpr size_t kTextStart = 2;
    const size_t start = std::min(input.size(), kTextStart);
    const size_t units = std::min<size_t>(GetLittleEndian(input, 0, 2), (input.size() - start) / 2);
    LanguageParts parts;
    parts.strText.resize(units);
    memcpy(&parts.strText[0], input.data() + start, units * sizeof(wchar_t));
    parts.strReply = input.substr(start + units * sizeof(wchar_t));
    return parts;
}

std::vector<std::string> LanguageTextSeeds()
{
    // Around the 512-unit buffers, with characters the ANSI code page lacks
    // and a lone surrogate.
    return {LanguageInput(L"Press OK to connect to server.",
                          "Appuyez sur OK pour vous connecter au serveur."),
            LanguageInput(L"Check all", ""),
            LanguageInput(std::wstring(600, L'W'), std::string(700, 'L')),
            LanguageInput(L"Uncheck all \u00e9\u4e2d\xD800", "Tout d\xE9" "cocher"),
            LanguageInput(std::wstring(511, L'\u00e9'), std::string(511, '\xE9'))};
}
