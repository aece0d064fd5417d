// A program that crashes on purpose, for the crash handler's tests:
//   ui_child crash <program with the pictures> [second|throw]
// installs the handler with the uninstaller's report and box and faults on
// its main thread; with "second" another thread faults 1.5 s later, while
// the first crash's box is open; with "throw" a C++ exception leaves the
// main thread instead of the fault.
#include "app/vxcrash.h"
#include "gfx/vximage.h"
#include "support/vxdump.h"
#include "support/vxhandle.h"
#include "ui/vxapp.h"
#include "ui/vxdlg.h"

#include <windows.h>
#include <cwchar>

namespace {
void Fault() {
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
}

DWORD WINAPI FaultLater(void*) {
    Sleep(1500);
    Fault();
    return 0;
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3 || wcscmp(argv[1], L"crash") != 0)
        return 2;
    CVxApp& app = GetVxApp();
    app.SetAppName(L"Kelp软件-卸载程序");
    InstallDump(app.GetAppName(), L"kp_uninstall_dump");
    GetVxDump().SetHooks(SendCrashReport, ShowCrashBox);
    vx::unique_hmodule pictures(LoadLibraryExW(
        argv[2], nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    CVxImage::Instance().SetInst(pictures.get());
    // The crash comes while the main window is up, as in the uninstaller.
    CVxDlg main;
    main.Create(0, 20, 20, 200, 100, WS_EX_TOOLWINDOW, false, nullptr);
    main.Show(-1, false, SW_SHOWNOACTIVATE);
    if (argc > 3 && wcscmp(argv[3], L"second") == 0)
        vx::unique_handle(CreateThread(nullptr, 0, FaultLater, nullptr, 0, nullptr));
    if (argc > 3 && wcscmp(argv[3], L"throw") == 0)
        throw 1;
    Fault();
    return 0;
}
