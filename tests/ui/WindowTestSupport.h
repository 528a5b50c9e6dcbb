// Helpers for tests that drive real windows on the virtual display.
#pragma once

#include <windows.h>

#include <string>

// Dispatches this thread's messages for about ms milliseconds.
void PumpMessages(DWORD ms);

// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND parent, int id);

// The window as the screen shows it, in a 24-bit bitmap owned by the caller.
HBITMAP CaptureWindow(HWND window);
COLORREF PixelAt(HBITMAP bitmap, int x, int y);

// The window's client area drawn by itself (WM_PRINTCLIENT).
HBITMAP PrintClient(HWND window);

// Saves a capture of the window as a BMP file in the "screenshots" folder
// beside the test program; returns its path.
std::wstring SaveScreenshot(HWND window, const wchar_t* name);

// Folder of the running test program.
std::wstring TestProgramFolder();
