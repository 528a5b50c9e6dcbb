#include "JpegPicture.h"

#include <ole2.h>
#include <olectl.h>

#include "ComPtr.h"
#include "UniqueHandle.h"

namespace {

constexpr int kHimetricPerInch = 2540;

// A stream over a copy of the resource's bytes; the stream frees the copy.
bool OpenResourceStream(UINT id, CComPtr<IStream>& stream)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), L"JPGFILE");
    if (!resource)
        return false;
    DWORD size = SizeofResource(module, resource);
    HGLOBAL data = LoadResource(module, resource);
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes || size == 0)
        return false;
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!copy)
        return false;
    void* target = GlobalLock(copy);
    memcpy(target, bytes, size);
    GlobalUnlock(copy);
    if (FAILED(CreateStreamOnHGlobal(copy, TRUE, stream.Put())))
    {
        GlobalFree(copy);
        return false;
    }
    return true;
}

}  // namespace

int HimetricToPixels(LONG himetric, int pixelsPerInch)
{
    return MulDiv(himetric, pixelsPerInch, kHimetricPerInch);
}

HBITMAP LoadJpegResource(HDC dc, UINT id, int x, int y)
{
    CComPtr<IStream> stream;
    if (!OpenResourceStream(id, stream))
        return nullptr;
    CComPtr<IPicture> picture;
    if (FAILED(OleLoadPicture(stream.Get(), 0, FALSE, IID_IPicture, picture.PutVoid())))
        return nullptr;

    OLE_XSIZE_HIMETRIC himetricWidth = 0;
    OLE_YSIZE_HIMETRIC himetricHeight = 0;
    picture->get_Width(&himetricWidth);
    picture->get_Height(&himetricHeight);
    int width = HimetricToPixels(himetricWidth, GetDeviceCaps(dc, LOGPIXELSX));
    int height = HimetricToPixels(himetricHeight, GetDeviceCaps(dc, LOGPIXELSY));

    CMemoryDc memoryDc(CreateCompatibleDC(dc));
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    if (!memoryDc || !bitmap)
    {
        if (bitmap)
            DeleteObject(bitmap);
        return nullptr;
    }
    HGDIOBJ previous = SelectObject(memoryDc.Get(), bitmap);
    // The picture's own coordinates run bottom-up: start at its height and
    // go a negative height to draw it upright.
    picture->Render(memoryDc.Get(), x, y, width, height, 0, himetricHeight, himetricWidth,
                    -himetricHeight, nullptr);
    SelectObject(memoryDc.Get(), previous);
    return bitmap;
}

HBRUSH CreateJpegPatternBrush(HDC dc, UINT id, int x, int y)
{
    HBITMAP bitmap = LoadJpegResource(dc, id, x, y);
    if (!bitmap)
        return nullptr;
    HBRUSH brush = CreatePatternBrush(bitmap);
    DeleteObject(bitmap);
    return brush;
}
