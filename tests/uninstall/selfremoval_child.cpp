// Stand-in for the uninstaller in self-removal tests: copied into a fake
// install as vxUninstall.exe, it runs the engine and removes itself, or
// clears one registry entry, or holds a file open for a while.
//   selfremoval_child inline|thread
//   selfremoval_child clearreg KEY
//   selfremoval_child hold FILE MILLISECONDS MARKER
#include "support/vxhandle.h"
#include "tests/support/msgwindow.h"
#include "uninstall/uninstaller.h"

#include <windows.h>
#include <cstdlib>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && wcscmp(argv[1], L"clearreg") == 0) {
        CVxUninstaller engine;
        return engine.ClearReg(argv[2]) == 1 ? 0 : 1;
    }
    if (argc == 5 && wcscmp(argv[1], L"hold") == 0) {
        // No delete sharing: the file cannot be deleted while held.
        vx::unique_hfile held(CreateFileW(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
        vx::unique_hfile marker(
            CreateFileW(argv[4], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        if (!held || !marker)
            return 2;
        marker.reset();
        Sleep(static_cast<DWORD>(_wtoi(argv[3])));
        return 0;
    }
    bool threaded = argc > 1 && wcscmp(argv[1], L"thread") == 0;
    vxtest::MessageWindow notify;
    CVxUninstaller engine;
    engine.StartUninstall(notify.hwnd(), threaded ? 1 : 0);
    // With the run on a worker, this must wait for its registry and shortcut
    // steps before the process ends.
    engine.DeleteSelf();
    return 3;
}
