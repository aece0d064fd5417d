// Process entry: names the application, shows the main window sliding in
// (or says why there is nothing to uninstall), and runs the message loop.
// Command-line arguments are not used.
#include "app/maindlg.h"
#include "app/vxapp.h"
#include "support/vxdump.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    CVxApp& app = GetVxApp();
    app.SetAppName(L"Kelp软件-卸载程序");
    InstallDump(app.GetAppName(), L"kp_uninstall_dump");

    CMainDlg dlg;
    // Nothing to uninstall: the user is told why, and nothing is removed.
    if (!dlg.CanUninstall())
        app.ExitApp(kExitNothingRemoved);
    dlg.Create(0, 0, 0, 450, 230, 0, true, nullptr);
    dlg.Show(0, true, SW_SHOW);
    app.SetMainWnd(dlg.hwnd);
    app.MsgLoop();
    return 0;
}
