// Drives a running tray agent from the end-to-end tests the way the shell
// and the user would: the icon's callback, keys to the open menu, the exit
// question's buttons; and reports what is on screen. Prints results to
// standard output; exit code 0 on success, 1 when the window asked for is
// not there.
//   TrayPoke agent                 number of agent windows; 1 when none
//   TrayPoke notify <mouse msg>    icon callback (e.g. 517 right button up)
//   TrayPoke close                 WM_CLOSE, as a program closing the agent sends
//   TrayPoke key <vk>              key down to the open menu
//   TrayPoke menus                 "x y w h" of every visible menu popup
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

constexpr UINT kTrayNotify = WM_USER + 200;
constexpr WPARAM kTrayIconId = 129;

// The agent's windows: hidden dialogs with the product's title and no
// controls (a closing question box is hidden for a moment too).
std::vector<HWND> AgentWindows()
{
    std::vector<HWND> windows;
    HWND hWnd = nullptr;
    while ((hWnd = FindWindowExW(nullptr, hWnd, L"#32770", L"Vexa Kestrel")) != nullptr)
    {
        if (!IsWindowVisible(hWnd) && !GetWindow(hWnd, GW_CHILD))
            windows.push_back(hWnd);
    }
    return windows;
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
    {
        size_t nAgents = AgentWindows().size();
        std::printf("%u\n", static_cast<unsigned>(nAgents));
        return nAgents ? 0 : 1;
    }
    if (!wcscmp(pszVerb, L"notify"))
    {
        std::vector<HWND> agents = AgentWindows();
        return !agents.empty() && PostMessageW(agents.front(), kTrayNotify, kTrayIconId, nArgument) ? 0 : 1;
    }
    if (!wcscmp(pszVerb, L"close"))
    {
        std::vector<HWND> agents = AgentWindows();
        return !agents.empty() && PostMessageW(agents.front(), WM_CLOSE, 0, 0) ? 0 : 1;
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
    return 2;
}
