// Format-blind mutations: bit and byte flips, interesting integers,
// inserted, deleted and repeated runs, and splices of two inputs.
#pragma once

#include <string>
#include <vector>

#include "FuzzRandom.h"

// A target's edit that knows its format; may leave the input unchanged when
// it finds nothing to edit.
using FormatEdit = void (*)(std::string& input, CFuzzRandom& random);

// One to four edits, each format-aware with some chance, else blind; the
// result is cut to maxSize bytes.
void MutateInput(std::string& input, const std::vector<std::string>& corpus, FormatEdit formatEdit,
                 size_t maxSize, CFuzzRandom& random);

// A value a length or count field likes to break on, given the input size.
uint32_t InterestingValue(CFuzzRandom& random, uint32_t current, size_t inputSize);

// Writes the low byteCount bytes of value little-endian at offset, when they fit.
void PutLittleEndian(std::string& input, size_t offset, uint32_t value, size_t byteCount);
uint32_t GetLittleEndian(const std::string& input, size_t offset, size_t byteCount);
