// Holds the Wine desktop open for a whole test run. Wine starts its desktop
// process from the first program that makes a window, with that program's
// output handles, and ends it when no program uses it any more; a test that
// happened to start it would leave CTest waiting on its output pipe for as
// long as later tests kept the desktop busy. Started once, with its output
// on /dev/null, before the tests; ended with the wineserver.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE hInst, HINSTANCE, LPWSTR, int) {
    HWND hidden =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, hInst, nullptr);
    if (!hidden)
        return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}
