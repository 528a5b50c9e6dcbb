// Drives one download from the window's thread: the engine works on its own
// thread while this thread keeps dispatching the window's messages.
#pragma once

#include <windows.h>

#include "DownloadOwner.h"

struct UpdateItem;

// Posted to the owner's progress window while a download reports progress.
constexpr UINT WM_DOWNLOAD_PROGRESS = WM_USER + 100;  // wParam: percent 0..100
constexpr UINT WM_DOWNLOAD_ERROR = WM_USER + 101;     // wParam: the failure status

// String table ids of the download messages.
constexpr UINT kStringDownload = 6;
constexpr UINT kStringUnableToCreateLocalFile = 7;
constexpr UINT kStringConnectionCancelled = 33;
constexpr UINT kStringFailToConnect = 34;
constexpr UINT kStringFileNotOnServer = 35;
constexpr UINT kStringDiskFull = 36;

// Downloads url to pszLocalPath and returns the final status of the engine
// (DL_COMPLETE or a failure), or 0 at once when the run is already
// cancelled. Cancelling during the transfer asks the engine to abort and
// waits for its final status.
LONG DownloadFile(IDownloadOwner& owner, const wchar_t* pszUrl, const wchar_t* pszLocalPath,
                  BOOL bReportProgress);

// Downloads an item's package into its folder below Temp, with progress.
// A server that cannot be reached is tried again every 3 seconds (one
// history record for the series) and a failed read at once, until another
// status comes back or the run is cancelled. The final status is shown and
// recorded as the user sees it; on success the local path is stored in the
// item.
LONG DownloadPackage(IDownloadOwner& owner, UpdateItem& item);

// The message shown and recorded for a final package status that drops the
// item, or 0 when the item is kept or goes silently.
UINT PackageFailureMessageId(LONG lStatus);

// The item stays in the run after its download: complete, or cancelled (its
// unpacking then fails).
bool IsPackageKept(LONG lStatus);
