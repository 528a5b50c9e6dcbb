// Drives a running tray agent from the end-to-end tests the way the shell
// and the user would: the icon's callback, keys to the open menu, the exit
// question's buttons; and reports what is on screen. Prints results to
// standard output; exit code 0 on success, 1 when the window asked for is
// not there.
//   TrayPoke agent                 is the agent's window there
//   TrayPoke notify <mouse msg>    icon callback (e.g. 517 right button up)
//   TrayPoke key <vk>              key down to the open menu
//   TrayPoke menus                 "x y w h" of every visible menu popup
//   TrayPoke question              text of the open question box
//   TrayPoke answer <6|7>          press Yes (6) or No (7) in it
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

constexpr UINT kTrayNotify = WM_USER + 200;
constexpr WPARAM kTrayIconId = 129;

HWND FindAgent()
{
    // The agent's window is the hidden dialog with the product's title.
    HWND hWnd = nullptr;
    while ((hWnd = FindWindowExW(nullptr, hWnd, L"#32770", L"Vexa Kestrel")) != nullptr)
    {
        if (!IsWindowVisible(hWnd))
            return hWnd;
    }
    return nullptr;
}

HWND FindQuestion()
{
    HWND hWnd = nullptr;
    while ((hWnd = FindWindowExW(nullptr, hWnd, L"#32770", L"Vexa Kestrel")) != nullptr)
    {
        if (IsWindowVisible(hWnd))
            return hWnd;
    }
    return nullptr;
}

std::vector<HWND> MenuWindows()
{
    std::vector<HWND> windows;
    HWND hWnd = nullptr;
    while ((hWnd = FindWindowExW(nullptr, hWnd, L"Gradient Menu", nullptr)) != nullptr)
    {
        if (IsWindowVisible(hWnd))
            windows.push_back(hWnd);
    }
    return windows;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    const wchar_t* pszVerb = argv[1];
    UINT nArgument = argc > 2 ? wcstoul(argv[2], nullptr, 0) : 0;

    if (!wcscmp(pszVerb, L"agent"))
        return FindAgent() ? 0 : 1;
    if (!wcscmp(pszVerb, L"notify"))
    {
        HWND hAgent = FindAgent();
        return hAgent && PostMessageW(hAgent, kTrayNotify, kTrayIconId, nArgument) ? 0 : 1;
    }
    if (!wcscmp(pszVerb, L"key"))
    {
        std::vector<HWND> menus = MenuWindows();
        return !menus.empty() && PostMessageW(menus.front(), WM_KEYDOWN, nArgument, 1) ? 0 : 1;
    }
    if (!wcscmp(pszVerb, L"menus"))
    {
        for (HWND hMenu : MenuWindows())
        {
            RECT rc;
            GetWindowRect(hMenu, &rc);
            std::printf("%ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
        }
        return 0;
    }
    if (!wcscmp(pszVerb, L"question"))
    {
        HWND hBox = FindQuestion();
        if (!hBox)
            return 1;
        wchar_t szText[512] = {};
        GetDlgItemTextW(hBox, 0xFFFF, szText, 512);
        std::printf("%ls\n", szText);
        return 0;
    }
    if (!wcscmp(pszVerb, L"answer"))
    {
        HWND hBox = FindQuestion();
        return hBox && PostMessageW(hBox, WM_COMMAND, nArgument, 0) ? 0 : 1;
    }
    return 2;
}
