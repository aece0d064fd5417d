// Process entry: names the application, reads the switches, claims the
// install folder, then either runs silently or shows the main window
// sliding in (or says why there is nothing to uninstall) and runs the
// message loop.
#include "app/maindlg.h"
#include "app/vxcrash.h"
#include "app/vxcmdline.h"
#include "app/vxunattended.h"
#include "support/vxdump.h"
#include "support/vxhandle.h"
#include "support/vxthread.h"
#include "ui/vxapp.h"
#include "ui/vxeffect.h"

#include <windows.h>

namespace {
unsigned __stdcall PrepareAndJudge(void* param) {
    auto* dlg = static_cast<CMainDlg*>(param);
    dlg->PrepareFirstFrame();
    dlg->uninstaller.CheckManifest();
    return 0;
}
} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    CVxApp& app = GetVxApp();
    app.SetAppName(L"Kelp软件-卸载程序");
    InstallDump(app.GetAppName(), L"kp_uninstall_dump");
    GetVxDump().SetHooks(SendCrashReport, ShowCrashBox);

    const tagCommandLine cmd = ParseCommandLine(GetCommandLineW());
    if (!cmd.unknown.empty()) {
        RecordUnknownSwitch(cmd.logPath, cmd.unknown);
        if (!cmd.silent) {
            TellUser(nullptr, (L"未知的命令行参数：" + cmd.unknown).c_str());
        }
        app.ExitApp(kExitBadSwitch);
    }
    // Another copy is removing this install already: this one changes nothing.
    if (!ClaimInstallFolder(app.GetPath()))
        app.ExitApp(kExitAlreadyRunning);
    if (cmd.silent)
        app.ExitApp(RunSilent(cmd.logPath));

    CMainDlg dlg;
    dlg.uninstaller.SetRecordCopy(cmd.logPath);
    // The first cursor loads the display driver. Loaded before the thread
    // below starts loading GDI+ and its decoders, the window's thread does
    // not queue behind them for it.
    LoadCursorW(nullptr, IDC_ARROW);
    // The first paint's pictures and font are prepared, then the manifest is
    // judged, on a thread of its own while the window is made, hidden: the
    // card shows only once the manifest has passed.
    vx::unique_handle judging(GetVxThread().StartThread(PrepareAndJudge, &dlg, 0));
    // It yields to the window's thread, whose work is the first frame's.
    if (judging)
        SetThreadPriority(judging.get(), THREAD_PRIORITY_LOWEST);
    dlg.Create(0, 0, 0, CMainDlg::kCardSize.cx, CMainDlg::kCardSize.cy, 0, true, nullptr);
    if (judging)
        WaitForSingleObject(judging.get(), INFINITE);
    else
        dlg.uninstaller.CheckManifest();
    // Nothing to uninstall: the user is told why, and nothing is removed.
    if (!dlg.CanUninstall())
        app.ExitApp(kExitNothingRemoved);
    dlg.Show(vx::effect::kSlideInBounce, true, SW_SHOW);
    app.SetMainWnd(dlg.hwnd);
    app.MsgLoop();
    return 0;
}
