// The agent's hidden main window: it owns the notification-area icon,
// receives its callbacks and the menu's commands, and runs the schedule timer.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "ScheduleRules.h"
#include "ScheduleStore.h"

constexpr UINT kTrayIconId = 129;
constexpr UINT WM_TRAY_NOTIFY = WM_USER + 200;
constexpr UINT_PTR kScheduleTimerId = 1;
constexpr UINT kScheduleTickMs = 300000;

class CTrayAgentDlg : private IScheduleHost
{
public:
    CTrayAgentDlg();

    // Creates the window (never shown) and runs its message loop until
    // WM_QUIT; then destroys it.
    void RunModal();

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
    // Sees every message first; false passes it on to BaseDialogProc.
    bool WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& nResult);
    // What a dialog does with a message of its own: OK and Cancel (also the
    // Cancel that WM_CLOSE becomes) end it, which ends the agent. False lets
    // the dialog manager go on.
    bool BaseDialogProc(UINT nMsg, WPARAM wParam);
    BOOL OnInitDialog();
    void AddTrayIcon();
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    void ShowTrayMenu();
    void OnCommand(UINT nId);
    void ConfirmExit();
    void OnScheduleTimer();
    void StartScheduleTimer();
    void ReadSchedule();
    void DestroyWindow();

    // IScheduleHost
    bool IsNetworkReachable() override;
    void Pause(DWORD nMilliseconds) override;
    void LaunchScheduledRun() override;

    HWND m_hWnd = nullptr;
    HICON m_hIcon = nullptr;
    NOTIFYICONDATAW m_nid = {};
    CScheduleStore m_store;
    // m_nFrequency, m_nPeriod, m_tLastUpdate and m_bFirstLaunchPending.
    ScheduleState m_schedule;
    UINT_PTR m_nTimerId = 0;
};
