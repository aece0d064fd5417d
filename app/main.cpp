// Process entry: asks the user to confirm, runs the uninstall, removes the
// uninstaller.
#include "support/vxhandle.h"
#include "uninstall/pathguard.h"
#include "uninstall/uninstaller.h"

#include <windows.h>
#include <cwchar>

namespace {

const wchar_t kAppName[] = L"Kelp软件-卸载程序";

LRESULT CALLBACK NotifyProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

// Receives the engine's progress; nothing is shown while the run is inline.
vx::unique_hwnd CreateNotifyWindow(HINSTANCE hInst) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = NotifyProc;
    wc.hInstance = hInst;
    wc.lpszClassName = L"VxUninstallNotify";
    RegisterClassExW(&wc);
    return vx::unique_hwnd(CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                           nullptr, hInst, nullptr));
}

} // namespace

int WINAPI wWinMain(HINSTANCE hInst, HINSTANCE, LPWSTR, int) {
    CVxUninstaller engine;

    tagUninstallHeader header;
    wchar_t manifest[MAX_PATH];
    wchar_t product[50];
    product[0] = L'\0';
    if (JoinPath(manifest, engine.GetOwnDir(), VX_MANIFEST_NAME) &&
        ReadManifestHeader(manifest, header))
        CopyFieldForDisplay(header.szProductName, product, std::size(product));

    wchar_t prompt[128];
    _snwprintf(prompt, std::size(prompt), L"您确定要卸载%s?", product);
    prompt[std::size(prompt) - 1] = L'\0';
    if (MessageBoxW(nullptr, prompt, kAppName, MB_YESNO | MB_DEFBUTTON1) != IDYES)
        return 0;

    vx::unique_hwnd notify = CreateNotifyWindow(hInst);
    engine.StartUninstall(notify.get(), 0);
    engine.DeleteSelf();
    return 0;
}
