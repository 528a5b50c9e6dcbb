#include "FormatEdits.h"

#include <algorithm>
#include <vector>

#include "FuzzSeeds.h"
#include "Mutations.h"

namespace {

struct ZipField
{
    size_t offset;
    size_t width;
};

// Local header, central record and end record fields worth breaking.
const ZipField kLocalFields[] = {{6, 2}, {8, 2}, {14, 4}, {18, 4}, {22, 4}, {26, 2}, {28, 2}};
const ZipField kCentralFields[] = {{8, 2},  {10, 2}, {16, 4}, {20, 4}, {24, 4}, {28, 2},
                                   {30, 2}, {32, 2}, {34, 2}, {38, 4}, {42, 4}};
const ZipField kEndFields[] = {{4, 2}, {6, 2}, {8, 2}, {10, 2}, {12, 4}, {16, 4}, {20, 2}};

std::vector<size_t> FindAll(const std::string& input, const std::string& pattern)
{
    std::vector<size_t> found;
    for (size_t at = input.find(pattern); at != std::string::npos; at = input.find(pattern, at + 1))
        found.push_back(at);
    return found;
}

template <size_t N>
void EditRecordField(std::string& input, size_t record, const ZipField (&fields)[N],
                     CFuzzRandom& random)
{
    const ZipField& field = fields[random.Below(N)];
    const uint32_t current = GetLittleEndian(input, record + field.offset, field.width);
    uint32_t value = InterestingValue(random, current, input.size());
    if (field.offset == 8 && field.width == 2 && random.OneIn(2))
        value = random.Below(16);  // a method or flag number near the real ones
    PutLittleEndian(input, record + field.offset, value, field.width);
}

// The structures of a table walked as the firmware-table reader walks it.
std::vector<size_t> StructureOffsets(const std::string& input, size_t start, size_t end)
{
    std::vector<size_t> offsets;
    size_t at = start;
    while (at + 2 <= end && offsets.size() < 256)
    {
        offsets.push_back(at);
        size_t pos = at + static_cast<unsigned char>(input[at + 1]);
        if (pos >= end)
            break;
        size_t strings = 0;
        while (pos < end && input[pos] != 0)
        {
            while (pos < end && input[pos] != 0)
                ++pos;
            ++pos;
            ++strings;
        }
        at = pos + (strings == 0 ? 2 : 1);
    }
    return offsets;
}

void EditStructure(std::string& input, size_t start, size_t end, CFuzzRandom& random)
{
    end = std::min(end, input.size());
    const std::vector<size_t> offsets = StructureOffsets(input, start, end);
    if (offsets.empty())
        return;
    const size_t at = offsets[random.Below(offsets.size())];
    switch (random.Below(5))
    {
    case 0:  // length byte
        input[at + 1] = static_cast<char>(random.OneIn(2) ? random.Below(8) : random.Next());
        break;
    case 1:  // type: the three the walk reads, or any
        input[at] = static_cast<char>(random.OneIn(2) ? random.Below(3) : random.Next());
        break;
    case 2:  // string number at 05h
        if (at + 5 < input.size())
            input[at + 5] = static_cast<char>(random.OneIn(2) ? random.Below(10) : random.Next());
        break;
    case 3:  // a string end removed, so a string runs on
    {
        const size_t from = at + static_cast<unsigned char>(input[at + 1]);
        const size_t nul = input.find('\0', std::min(from, input.size()));
        if (nul != std::string::npos)
            input[nul] = 'S';
        break;
    }
    default:  // many strings
    {
        const size_t from = std::min(at + static_cast<unsigned char>(input[at + 1]), input.size());
        std::string strings;
        const size_t count = 1 + random.Below(300);
        for (size_t i = 0; i < count; ++i)
            strings += std::string(1 + random.Below(80), static_cast<char>('A' + i % 26)) + '\0';
        input.insert(from, strings);
        break;
    }
    }
}

constexpr size_t kFirmwareHeaderBytes = 8;
constexpr uint32_t kBiosAreaAddress = 0xF0000;

bool IsUtf16(const std::string& input)
{
    return input.size() >= 2 && input[0] == '\xFF' && input[1] == '\xFE';
}

// text in the input's encoding (ASCII texts only, or raw units given as
// UTF-16 when wide).
std::string Encoded(const std::string& input, const std::string& text)
{
    if (!IsUtf16(input))
        return text;
    std::string wide;
    for (char c : text)
    {
        wide += c;
        wide += '\0';
    }
    return wide;
}

// Offsets just after a '>' (or of a '<'), aligned to the encoding's unit.
std::vector<size_t> MarkupOffsets(const std::string& input, char mark, bool after)
{
    const size_t unit = IsUtf16(input) ? 2 : 1;
    std::vector<size_t> offsets;
    for (size_t i = unit == 2 ? 2 : 0; i + unit <= input.size(); i += unit)
    {
        if (input[i] == mark && (unit == 1 || input[i + 1] == 0))
            offsets.push_back(after ? i + unit : i);
    }
    return offsets;
}

size_t PickInsertPoint(const std::string& input, CFuzzRandom& random)
{
    const std::vector<size_t> offsets = MarkupOffsets(input, '>', true);
    if (offsets.empty())
        return IsUtf16(input) ? input.size() & ~size_t(1) : random.Below(input.size() + 1);
    return offsets[random.Below(offsets.size())];
}

void NestDeeply(std::string& input, CFuzzRandom& random)
{
    const size_t depth = 1 + random.Below(random.OneIn(4) ? 20000 : 300);
    std::string open, close;
    for (size_t i = 0; i < depth; ++i)
    {
        open += "<item>";
        close += "</item>";
    }
    input.insert(PickInsertPoint(input, random),
                 Encoded(input, open + (random.OneIn(4) ? std::string() : close)));
}

void HugeText(std::string& input, CFuzzRandom& random)
{
    static const char* const kPieces[] = {"A", "&amp;", "&#x41;", " ", "\r\n", "%s%n"};
    const std::string piece = kPieces[random.Below(sizeof(kPieces) / sizeof(kPieces[0]))];
    const size_t times = 1000 + random.Below(200000);
    std::string text;
    for (size_t i = 0; i < times; ++i)
        text += piece;
    input.insert(PickInsertPoint(input, random), Encoded(input, text));
}

// Tag text between a '<' and the next '>'; attributes split at spaces.
void ShuffleAttributes(std::string& input, CFuzzRandom& random)
{
    const std::vector<size_t> starts = MarkupOffsets(input, '<', false);
    if (starts.empty())
        return;
    const size_t start = starts[random.Below(starts.size())];
    const size_t unit = IsUtf16(input) ? 2 : 1;
    const size_t end = input.find(Encoded(input, ">"), start);
    if (end == std::string::npos)
        return;
    std::vector<std::string> parts;
    size_t partStart = start;
    const std::string space = Encoded(input, " ");
    for (size_t i = start; i < end; i += unit)
    {
        if (input.compare(i, unit, space) == 0)
        {
            parts.push_back(input.substr(partStart, i - partStart));
            partStart = i + unit;
        }
    }
    parts.push_back(input.substr(partStart, end - partStart));
    if (parts.size() < 2)
        return;
    switch (random.Below(3))
    {
    case 0:
        for (size_t i = parts.size() - 1; i > 1; --i)
            std::swap(parts[i], parts[1 + random.Below(i)]);
        break;
    case 1:
        parts.push_back(parts[1 + random.Below(parts.size() - 1)]);
        break;
    default:
        parts.erase(parts.begin() + 1 + random.Below(parts.size() - 1));
        break;
    }
    std::string tag = parts[0];
    for (size_t i = 1; i < parts.size(); ++i)
        tag += space + parts[i];
    input.replace(start, end - start, tag);
}

void CopyTag(std::string& input, CFuzzRandom& random)
{
    const std::vector<size_t> starts = MarkupOffsets(input, '<', false);
    if (starts.empty())
        return;
    const size_t start = starts[random.Below(starts.size())];
    const size_t end = input.find(Encoded(input, ">"), start);
    if (end == std::string::npos)
        return;
    const std::string tag = input.substr(start, end - start + (IsUtf16(input) ? 2 : 1));
    input.insert(PickInsertPoint(input, random), tag);
}

void OddText(std::string& input, CFuzzRandom& random)
{
    static const char* const kTexts[] = {"&#0;",  "&#xFFFF;", "&#xD800;", "&bogus;", "]]>",
                                         "<!--",  "<![CDATA[", "<?x?>",   "\"'",     "&#99999999;",
                                         "<!DOCTYPE a [<!ENTITY e 'x'>]>"};
    std::string text = Encoded(input, kTexts[random.Below(sizeof(kTexts) / sizeof(kTexts[0]))]);
    if (IsUtf16(input) && random.OneIn(3))
        text = std::string(random.OneIn(2) ? "\x00\xD8" : "\x00\x00", 2);  // lone surrogate, NUL
    input.insert(PickInsertPoint(input, random), text);
}

}  // namespace

void EditZipField(std::string& input, CFuzzRandom& random)
{
    const std::vector<size_t> local = FindAll(input, std::string("PK\x03\x04", 4));
    const std::vector<size_t> central = FindAll(input, std::string("PK\x01\x02", 4));
    const std::vector<size_t> end = FindAll(input, std::string("PK\x05\x06", 4));
    switch (random.Below(3))
    {
    case 0:
        if (!local.empty())
            EditRecordField(input, local[random.Below(local.size())], kLocalFields, random);
        break;
    case 1:
        if (!central.empty())
            EditRecordField(input, central[random.Below(central.size())], kCentralFields, random);
        break;
    default:
        if (!end.empty())
            EditRecordField(input, end[random.Below(end.size())], kEndFields, random);
        break;
    }
}

void EditFirmwareTable(std::string& input, CFuzzRandom& random)
{
    if (input.size() < kFirmwareHeaderBytes)
        return;
    if (random.OneIn(4))
    {
        PutLittleEndian(input, 4, InterestingValue(random, GetLittleEndian(input, 4, 4), input.size()),
                        4);
        return;
    }
    EditStructure(input, kFirmwareHeaderBytes, input.size(), random);
}

void EditDmiImage(std::string& input, CFuzzRandom& random)
{
    const size_t anchor = input.find("_DMI_");
    if (anchor == std::string::npos || anchor + 12 > input.size())
        return;
    const uint32_t address = GetLittleEndian(input, anchor + 8, 4);
    switch (random.Below(3))
    {
    case 0:
        PutLittleEndian(input, anchor + 6,
                        InterestingValue(random, GetLittleEndian(input, anchor + 6, 2), input.size()), 2);
        break;
    case 1:  // near a page end, the area's end, or anywhere
    {
        static const uint32_t kAddresses[] = {0xF0FFF, 0xF0FF0, 0xFEFFF, 0xFFFF0, 0xFFFFF, 0xF0000};
        const uint32_t value = random.OneIn(2) ? kAddresses[random.Below(6)]
                                               : InterestingValue(random, address, input.size());
        PutLittleEndian(input, anchor + 8, value, 4);
        break;
    }
    default:
        if (address >= kBiosAreaAddress && address - kBiosAreaAddress < input.size())
        {
            const size_t start = address - kBiosAreaAddress;
            EditStructure(input, start, start + GetLittleEndian(input, anchor + 6, 2), random);
        }
        break;
    }
}

void EditXml(std::string& input, CFuzzRandom& random)
{
    switch (random.Below(5))
    {
    case 0: NestDeeply(input, random); break;
    case 1: HugeText(input, random); break;
    case 2: ShuffleAttributes(input, random); break;
    case 3: CopyTag(input, random); break;
    default: OddText(input, random); break;
    }
}

void EditLanguageText(std::string& input, CFuzzRandom& random)
{
    LanguageParts parts = SplitLanguageInput(input);
    const size_t nearBuffer = 509 + random.Below(6);  // 509 .. 514
    switch (random.Below(4))
    {
    case 0:
        PutLittleEndian(input, 0,
                        InterestingValue(random, GetLittleEndian(input, 0, 2), input.size()), 2);
        return;
    case 1:
        parts.strText.assign(nearBuffer,
                             random.OneIn(2) ? L'W' : static_cast<wchar_t>(random.Next()));
        break;
    case 2:
        parts.strReply.resize(nearBuffer, static_cast<char>(random.Next() | 0x80));
        break;
    default:
        for (char& c : parts.strReply)
            c = static_cast<char>(c | 0x80);
        break;
    }
    input = LanguageInput(parts.strText, parts.strReply);
}
