// Documents in the product's formats that the readers' tests pin and the
// fuzzing harness starts its mutants from.
#pragma once

// One index item with every element the parser reads and one it ignores,
// for model P1 on Win7 in English.
extern const char kSampleIndexItem[];

// The text of process.xml (without its FF FE mark) for one driver, as the
// writer formats it.
extern const wchar_t kSamplePendingWork[];
