#include "WindowTestSupport.h"

#include <vector>

#include "ProgramFolder.h"

void PumpMessages(DWORD ms)
{
    DWORD start = GetTickCount();
    do
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

RECT ChildRect(HWND parent, int id)
{
    RECT rect = {};
    GetWindowRect(GetDlgItem(parent, id), &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

static HBITMAP CopyFromDc(HDC source, int x, int y, int width, int height)
{
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateCompatibleBitmap(source, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    return bitmap;
}

HBITMAP CaptureWindow(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap =
        CopyFromDc(screen, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

HBITMAP PrintClient(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    SelectObject(memory, previous);
    DeleteDC(memory);
    return bitmap;
}

COLORREF PixelAt(HBITMAP bitmap, int x, int y)
{
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    COLORREF colour = GetPixel(memory, x, y);
    SelectObject(memory, previous);
    DeleteDC(memory);
    return colour;
}

std::wstring TestProgramFolder()
{
    return GetProgramFolder();
}

std::wstring SaveScreenshot(HWND window, const wchar_t* name)
{
    HBITMAP bitmap = CaptureWindow(window);
    BITMAP info = {};
    GetObjectW(bitmap, sizeof(info), &info);
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = info.bmWidth;
    header.biHeight = info.bmHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    DWORD rowBytes = ((info.bmWidth * 3) + 3) & ~3u;
    std::vector<BYTE> pixels(rowBytes * info.bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);

    std::wstring folder = TestProgramFolder() + L"screenshots";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring path = folder + L"\\" + name + L".bmp";
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(handle, &file, sizeof(file), &written, nullptr);
    WriteFile(handle, &header, sizeof(header), &written, nullptr);
    WriteFile(handle, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
    CloseHandle(handle);
    return path;
}
