// Background pictures stored as "JPGFILE" resources, read by the system's
// picture loader.
#pragma once

#include <windows.h>

// Converts a length in 0.01 mm (HIMETRIC) to pixels at the given density.
int HimetricToPixels(LONG himetric, int pixelsPerInch);

// The picture resource id of type "JPGFILE" in the program, rendered into a
// bitmap compatible with dc at (x, y); null when missing or unreadable. The
// caller owns the bitmap.
HBITMAP LoadJpegResource(HDC dc, UINT id, int x, int y);

// A pattern brush of that picture; null when it cannot be loaded.
HBRUSH CreateJpegPatternBrush(HDC dc, UINT id, int x, int y);
