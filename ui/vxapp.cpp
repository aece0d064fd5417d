#include "ui/vxapp.h"

#include "support/vxtext.h"
#include "support/vxthread.h"
#include "util/vxutil.h"

#include <cstdlib>
#include <iterator>

CVxApp::CVxApp() : m_hInst(GetModuleHandleW(nullptr)), m_hMainWnd(nullptr), m_bExit(false) {
    m_szPath[0] = L'\0';
    m_szAppName[0] = L'\0';
    GetCurPath(m_szPath);
}

CVxApp::~CVxApp() = default;

void CVxApp::SetAppName(const wchar_t* lpszName) {
    vx::CopyBounded(m_szAppName, lpszName ? lpszName : L"", std::size(m_szAppName) - 1);
}

int CVxApp::MsgLoop() {
    MSG msg;
    // GetMessage gives -1 on a bad call; that is no message to dispatch.
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void CVxApp::ExitApp() {
    ExitApp(0);
}

void CVxApp::ExitApp(int nCode) {
    GetVxThread().Stop();
    m_bExit = true;
    PostQuitMessage(nCode);
    std::exit(nCode);
}

CVxApp& GetVxApp() {
    static CVxApp app;
    return app;
}
