// Edge coverage of the product's code in the fuzzing tree, whose libraries
// are compiled with -fsanitize-coverage=trace-pc (KESTREL_FUZZ_COVERAGE):
// an input that reaches an edge no earlier input reached is worth mutating
// further. In other builds nothing is recorded and no input is new.
#pragma once

#include <cstddef>

// Forgets the edges of the previous input.
void BeginInputCoverage();
// Adds this input's edges to those seen so far; true when any was new.
bool MergeInputCoverage();
// Edges seen so far (slots of a hashed map, so a close estimate).
size_t CoveredEdges();
