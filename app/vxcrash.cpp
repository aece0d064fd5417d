#include "app/vxcrash.h"

#include "ui/vxapp.h"
#include "ui/vxmsgbox.h"
#include "uninstall/report.h"

void SendCrashReport(const wchar_t* lpszReportName) {
    DoReport(VX_API_URL, lpszReportName, L"");
}

void ShowCrashBox() {
    CVxApp& app = GetVxApp();
    CVxMsgBox box;
    box.pictureId = 60061;
    box.ShowMessage(app.GetMainWnd(), nullptr, app.GetAppName(), 0, 5, 300, 200, 8, 9);
}
