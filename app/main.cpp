// Process entry: asks the user to confirm, runs the uninstall on its worker
// while the message loop runs, then removes the uninstaller.
#include "app/vxapp.h"
#include "support/vxhandle.h"
#include "uninstall/pathguard.h"
#include "uninstall/uninstaller.h"

#include <windows.h>
#include <cwchar>

namespace {

const wchar_t kAppName[] = L"Kelp软件-卸载程序";

// The end of the run removes the uninstaller; the process ends there.
LRESULT CALLBACK NotifyProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    } else if (msg == WM_UNINSTALL_PROGRESS && wParam == 100) {
        // The walk also reaches 100 while the run goes on; only the end of
        // the run removes the uninstaller.
        auto* engine = reinterpret_cast<CVxUninstaller*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        if (engine && engine->isRunEnded()) {
            engine->DeleteSelf();
            GetVxApp().ExitApp();
        }
    }
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

// Receives the engine's progress; nothing is shown while the run goes on.
vx::unique_hwnd CreateNotifyWindow(HINSTANCE hInst, CVxUninstaller* engine) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = NotifyProc;
    wc.hInstance = hInst;
    wc.lpszClassName = L"VxUninstallNotify";
    RegisterClassExW(&wc);
    return vx::unique_hwnd(CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                           nullptr, hInst, engine));
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    CVxApp& app = GetVxApp();
    app.SetAppName(kAppName);
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
    if (MessageBoxW(nullptr, prompt, app.GetAppName(), MB_YESNO | MB_DEFBUTTON1) != IDYES)
        app.ExitApp();

    vx::unique_hwnd notify = CreateNotifyWindow(app.GetInstance(), &engine);
    app.SetMainWnd(notify.get());
    engine.StartUninstall(notify.get(), 1);
    return app.MsgLoop();
}
