// The pending-work file "process.xml": the chosen items not yet installed
// when the machine restarts or the product's own setup takes over. It uses
// the index's element vocabulary and is read back through the index parser.
#pragma once

#include <windows.h>

#include <string>

#include "UpdateCatalogue.h"
#include "UpdateItem.h"

// The file's text without its FF FE mark: the product line and each item's
// lines, CR LF line ends, every line at most 1023 characters. Texts are
// escaped so that the parser gives them back unchanged; a text too long for
// its line is cut at a whole character.
std::wstring FormatPendingWork(const wchar_t* modelName, int runMode, LANGID userLangId,
                               const UpdateItemArray& items);

// Writes programFolder\process.xml from the catalogue's items, replacing any
// earlier file in one step: a crash leaves the old file or the new one.
// False (and nothing changed) when the file could not be written.
bool WritePendingWork(const wchar_t* programFolder, const wchar_t* modelName,
                      const CUpdateCatalogue& catalogue);

// Reports in found whether programFolder\process.xml exists and reads its
// items into the catalogue (no operating-system check: they were chosen on
// this system). TRUE when that produced at least one item.
BOOL LoadPendingWork(const wchar_t* programFolder, const wchar_t* modelName,
                     CUpdateCatalogue& catalogue, BOOL& found);

// index -1: removes the Temp folder and the pending-work file; otherwise
// only the item's folder Temp\<index>.
void CleanTempFiles(const wchar_t* programFolder, int index);
