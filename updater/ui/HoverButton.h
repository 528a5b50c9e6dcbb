// A bitmap button of the skin: normal, pressed, focused and disabled faces,
// plus a hover face shown while the mouse rests on it.
#pragma once

#include <windows.h>

class CHoverButton
{
public:
    CHoverButton() = default;
    ~CHoverButton();

    CHoverButton(const CHoverButton&) = delete;
    CHoverButton& operator=(const CHoverButton&) = delete;

    // Takes over the dialog's button control id and makes it owner-drawn.
    bool SubclassDlgItem(int id, HWND parent);

    // The faces by bitmap resource id; 0 means none. The normal face is
    // required.
    bool LoadBitmaps(UINT normal, UINT pressed, UINT focused, UINT disabled);
    BOOL LoadHoverBitmap(UINT id);

    // Sizes the button to its normal face.
    void SizeToContent();

    // WM_DRAWITEM of this button, passed on by its dialog.
    void DrawItem(const DRAWITEMSTRUCT& item);

    HWND GetSafeHwnd() const { return m_hWnd; }
    int GetDlgCtrlID() const { return m_nId; }

    BOOL m_bHover = FALSE;
    BOOL m_bTracking = FALSE;
    HBITMAP m_bmpHover = nullptr;
    int m_nHoverWidth = 0;
    int m_nHoverHeight = 0;

private:
    enum Face { kNormal, kPressed, kFocused, kDisabled, kFaceCount };

    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    int m_nId = 0;
    HBITMAP m_abmpFace[kFaceCount] = {};
};
