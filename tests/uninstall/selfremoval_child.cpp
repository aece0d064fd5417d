// Stand-in for the uninstaller in self-removal tests: copied into a fake
// install as vxUninstall.exe, it runs the engine and removes itself.
//   selfremoval_child inline|thread
#include "support/vxhandle.h"
#include "uninstall/uninstaller.h"

#include <windows.h>
#include <cwchar>

namespace {

LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcW(h, m, w, l);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    bool threaded = argc > 1 && wcscmp(argv[1], L"thread") == 0;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VxSelfRemovalChild";
    RegisterClassW(&wc);
    vx::unique_hwnd notify(CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                           nullptr, wc.hInstance, nullptr));
    CVxUninstaller engine;
    engine.StartUninstall(notify.get(), threaded ? 1 : 0);
    // With the run on a worker, this must wait for its registry and shortcut
    // steps before the process ends.
    engine.DeleteSelf();
    return 3;
}
