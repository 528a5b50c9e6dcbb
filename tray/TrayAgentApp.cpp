#include "TrayAgentApp.h"

#include <commctrl.h>

#include "LanguageBinding.h"
#include "TrayAgentDlg.h"

namespace {

constexpr wchar_t kSingleInstanceMutex[] = L"VEXA KESTREL SYSTEM TRAY : ODEN TARR";

}  // namespace

BOOL CTrayAgentApp::InitInstance()
{
    m_hMutex.Reset(CreateMutexW(nullptr, FALSE, kSingleInstanceMutex));
    if (!m_hMutex || GetLastError() == ERROR_ALREADY_EXISTS)
        return FALSE;

    LoadLanguageLibrary();

    // The menu's item bar is a toolbar control.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    CTrayAgentDlg dialog;
    dialog.RunModal();
    return FALSE;
}
