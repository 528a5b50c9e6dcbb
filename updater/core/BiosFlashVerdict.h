// The flashing utility reports its verdict in the registry, not through its
// exit code.
#pragma once

// Removes a verdict left by an earlier flash, so that a utility that dies
// without writing one is not taken for a success.
void ClearBiosFlashVerdict();

// True only when `Error Code` under HKLM "SOFTWARE\VEXA\PELM60\BIOSFLASH"
// is a REG_DWORD of 530.
bool ReadBiosFlashVerdict();
