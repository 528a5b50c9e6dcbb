// Edits that know the formats the readers take: zip records, SMBIOS
// structures (in the firmware table and in a DMI memory image), and XML in
// UTF-8 or in UTF-16 with its FF FE mark.
#pragma once

#include <string>

#include "FuzzRandom.h"

// A size, offset, count, name or extra length, method or flags field of a
// local, central or end record set to a value such fields break on.
void EditZipField(std::string& input, CFuzzRandom& random);

// The 'RSMB' form: the table length, or a structure's length, type,
// string number, string count or string ends.
void EditFirmwareTable(std::string& input, CFuzzRandom& random);

// A BIOS area image at F0000h: the "_DMI_" entry point's length or address,
// or a structure of the table it points to.
void EditDmiImage(std::string& input, CFuzzRandom& random);

// Deep nesting, a huge text, attributes reordered, doubled or dropped, a
// tag copied elsewhere, or an odd text (entities, NULs, lone surrogates).
void EditXml(std::string& input, CFuzzRandom& random);

// A language input (see LanguageInput): its text length set to a value such
// fields break on, or its text or reply grown or cut to the size of the
// translation buffers, give or take a unit, or filled with bytes above 7Fh.
void EditLanguageText(std::string& input, CFuzzRandom& random);
