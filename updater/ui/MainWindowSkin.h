// The skin of the updater's main window: background, outline, hover
// buttons, fonts, colours and the fixed layout of dialog 102.
#pragma once

#include <windows.h>

#include "SkinDialog.h"

// Positions that depend on the user's default language.
struct CheckAllLayout
{
    int nCheckAllX;
    int nUncheckAllX;
    int nCheckLabelX;
    int nCheckLabelWidth;
    int nUncheckLabelX;
    int nUncheckLabelWidth;
};

CheckAllLayout GetCheckAllLayout(LANGID langId);

class CMainSkinDialog : public CSkinDialog
{
public:
    CMainSkinDialog(UINT nTemplateId, HWND hParent, const wchar_t* pszRegionName);
    ~CMainSkinDialog() override;

    // The font of control 1061, which the update list's header uses too.
    HFONT GetSmallFont() const { return m_hSmallFont; }

    // The language whose layout the window takes; the user's default.
    LANGID m_wSkinLangId;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WORD id, WORD code) override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnPaint() override;
    HBRUSH OnCtlColorStatic(HDC dc, HWND control) override;

private:
    struct CheckLabel
    {
        int nLabelId;
        int nButtonId;
        bool bHovered;
    };

    void ApplySkin();
    void PlaceStatic(HBITMAP background, int id, int x, int y, int width, int height, HFONT font);
    CheckLabel* FindLabel(HWND label);
    void SetLabelHover(CheckLabel& label, bool hovered);
    static LRESULT CALLBACK LabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR self);

    HICON m_hIcon = nullptr;
    HFONT m_hModelFont = nullptr;
    HFONT m_hSmallFont = nullptr;
    HFONT m_hLabelFont = nullptr;
    CheckLabel m_aLabel[2];
};
