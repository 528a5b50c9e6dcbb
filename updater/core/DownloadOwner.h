// What a download needs from the window that runs it: the run's cancel
// flag, a window for progress messages, the status line, the string table
// and the history log. The main window implements it; the download code
// needs nothing else of the window, so it runs before the window exists.
#pragma once

#include <windows.h>

#include <string>

class IDownloadOwner
{
public:
    // The run's cancel flag, read interlocked: 1 once the run must stop.
    virtual LONG ReadCancel() = 0;

    // Receives WM_DOWNLOAD_PROGRESS and WM_DOWNLOAD_ERROR; may be null.
    virtual HWND GetProgressWindow() = 0;

    // The status line: a string id with an item title, or -1 with the text.
    virtual void SetStatusText(int nStringId, const wchar_t* pszText) = 0;

    // A text of the string table, translated.
    virtual std::wstring LoadText(UINT nStringId) = 0;

    // One history record; nType -1 writes the short form without a name.
    virtual void AppendHistoryLog(BOOL bStatus, const wchar_t* pszText, int nType, const wchar_t* pszName) = 0;

protected:
    ~IDownloadOwner() = default;
};
