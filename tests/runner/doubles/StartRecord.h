// Shared by the test doubles of installers and the flashing utility: each
// start appends one line to the file named by KESTREL_RECORD_FILE.
#pragma once

#include <string>

// The command line without the program's own name and the blanks after it.
std::wstring GetArguments();

// Appends "program|arguments|working folder|CURDIR" (UTF-8) and a line end.
// Several doubles may append to the same file one after the other.
void RecordStart();
