#include "app/vxcrash.h"

#include "gfx/vxres.h"
#include "ui/vxapp.h"
#include "ui/vxeffect.h"
#include "ui/vxmsgbox.h"
#include "uninstall/report.h"

namespace {
// The box's size at 96 DPI, and how long it stays before it closes itself.
const SIZE kCrashBoxSize = {300, 200};
const int kCrashBoxSeconds = 5;
} // namespace

void SendCrashReport(const wchar_t* lpszReportName) {
    DoReport(VX_API_URL, lpszReportName, L"");
}

void ShowCrashBox() {
    CVxApp& app = GetVxApp();
    CVxMsgBox box;
    box.pictureId = kImgCrash;
    box.ShowMessage(app.GetMainWnd(), nullptr, app.GetAppName(), 0, kCrashBoxSeconds,
                    kCrashBoxSize.cx, kCrashBoxSize.cy, vx::effect::kZoomIn,
                    vx::effect::kSwellAndFade);
}
