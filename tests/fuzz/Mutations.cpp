#include "Mutations.h"

#include <algorithm>

namespace {

constexpr size_t kLongRun = 4096;

void FlipBit(std::string& input, CFuzzRandom& random)
{
    if (!input.empty())
        input[random.Below(input.size())] ^= static_cast<char>(1u << random.Below(8));
}

void SetByte(std::string& input, CFuzzRandom& random)
{
    static const unsigned char kBytes[] = {0x00, 0x01, 0x7F, 0x80, 0xFF, '<', '>', '/', '"', '&'};
    if (input.empty())
        return;
    char& target = input[random.Below(input.size())];
    target = random.OneIn(2) ? static_cast<char>(kBytes[random.Below(sizeof(kBytes))])
                             : static_cast<char>(random.Next());
}

void SetInteger(std::string& input, CFuzzRandom& random)
{
    const size_t width = random.OneIn(2) ? 2 : 4;
    if (input.size() < width)
        return;
    const size_t offset = random.Below(input.size() - width + 1);
    PutLittleEndian(input, offset,
                    InterestingValue(random, GetLittleEndian(input, offset, width), input.size()),
                    width);
}

void InsertRun(std::string& input, CFuzzRandom& random)
{
    const size_t length = 1 + random.Below(random.OneIn(8) ? kLongRun : 16);
    std::string run(length, static_cast<char>(random.Next()));
    if (random.OneIn(2))
    {
        for (char& c : run)
            c = static_cast<char>(random.Next());
    }
    input.insert(random.Below(input.size() + 1), run);
}

void DeleteRun(std::string& input, CFuzzRandom& random)
{
    if (input.empty())
        return;
    const size_t offset = random.Below(input.size());
    input.erase(offset, 1 + random.Below(random.OneIn(8) ? input.size() : 16));
}

void RepeatRun(std::string& input, CFuzzRandom& random)
{
    if (input.empty())
        return;
    const size_t offset = random.Below(input.size());
    const std::string run = input.substr(offset, 1 + random.Below(64));
    const size_t times = 1 + random.Below(random.OneIn(8) ? 256 : 4);
    std::string repeated;
    for (size_t i = 0; i < times; ++i)
        repeated += run;
    input.insert(random.Below(input.size() + 1), repeated);
}

// The head of this input up to a point, then another input from a point.
void Splice(std::string& input, const std::vector<std::string>& corpus, CFuzzRandom& random)
{
    const std::string& other = corpus[random.Below(corpus.size())];
    const size_t cut = random.Below(input.size() + 1);
    const size_t from = random.Below(other.size() + 1);
    input = input.substr(0, cut) + other.substr(from);
}

}  // namespace

uint32_t InterestingValue(CFuzzRandom& random, uint32_t current, size_t inputSize)
{
    switch (random.Below(7))
    {
    case 0:
        return 0;
    case 1:
        return 0xFFFFFFFFu >> (8 * random.Below(4));  // all ones in 32, 24, 16 or 8 bits
    case 2:
        return 0x80000000u >> (8 * random.Below(4));
    case 3:
        return current + static_cast<uint32_t>(random.Below(33)) - 16;
    case 4:
        return static_cast<uint32_t>(inputSize + random.Below(3) - 1);
    case 5:
        return current ^ (1u << random.Below(32));
    default:
        return static_cast<uint32_t>(random.Next());
    }
}

void PutLittleEndian(std::string& input, size_t offset, uint32_t value, size_t byteCount)
{
    if (offset > input.size() || input.size() - offset < byteCount)
        return;
    for (size_t i = 0; i < byteCount; ++i)
        input[offset + i] = static_cast<char>(value >> (8 * i));
}

uint32_t GetLittleEndian(const std::string& input, size_t offset, size_t byteCount)
{
    uint32_t value = 0;
    for (size_t i = 0; i < byteCount && offset + i < input.size(); ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(input[offset + i])) << (8 * i);
    return value;
}

void MutateInput(std::string& input, const std::vector<std::string>& corpus, FormatEdit formatEdit,
                 size_t maxSize, CFuzzRandom& random)
{
    const size_t edits = 1 + random.Below(4);
    for (size_t i = 0; i < edits; ++i)
    {
        if (formatEdit && random.OneIn(2))
        {
            formatEdit(input, random);
            continue;
        }
        switch (random.Below(7))
        {
        case 0: FlipBit(input, random); break;
        case 1: SetByte(input, random); break;
        case 2: SetInteger(input, random); break;
        case 3: InsertRun(input, random); break;
        case 4: DeleteRun(input, random); break;
        case 5: RepeatRun(input, random); break;
        default: Splice(input, corpus, random); break;
        }
    }
    if (input.size() > maxSize)
        input.resize(maxSize);
}
