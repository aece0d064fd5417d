// The application object: its fields, the message loop and the orderly exit
// (in a child process).
#include "ui/vxapp.h"

#include "tests/support/testutil.h"

#include <gtest/gtest.h>

#include <string>

namespace {

int g_dispatched = 0;

LRESULT CALLBACK CountProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_APP)
        ++g_dispatched;
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

} // namespace

TEST(App, HoldsItsModuleFolderAndABoundedName) {
    CVxApp& app = GetVxApp();
    EXPECT_EQ(&app, &GetVxApp());
    EXPECT_EQ(GetModuleHandleW(nullptr), app.GetInstance());
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, n);
    EXPECT_EQ(path.substr(0, path.rfind(L'\\') + 1), app.GetPath());

    app.SetAppName(L"Kelp软件-卸载程序");
    EXPECT_STREQ(L"Kelp软件-卸载程序", app.GetAppName());
    app.SetAppName(std::wstring(300, L'n').c_str());
    EXPECT_EQ(std::wstring(199, L'n'), app.GetAppName());
}

TEST(App, MsgLoopDispatchesUntilTheQuitMessageAndReturnsItsCode) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = CountProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VxTestLoop";
    RegisterClassW(&wc);
    vx::unique_hwnd wnd(CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                        nullptr, wc.hInstance, nullptr));
    ASSERT_TRUE(wnd);
    g_dispatched = 0;
    PostMessageW(wnd.get(), WM_APP, 0, 0);
    PostMessageW(wnd.get(), WM_APP, 0, 0);
    PostQuitMessage(42);
    EXPECT_EQ(42, GetVxApp().MsgLoop());
    EXPECT_EQ(2, g_dispatched);
}

TEST(App, ExitAppStopsTheTimersThenEndsWithCodeZero) {
    vxtest::ScratchDir dir(L"exitapp");
    std::wstring report = dir / L"exit.txt";
    int code = vxtest::RunProcess(L"\"" + vxtest::ExeDir() + L"app_child.exe\" exit-app \"" +
                                  report + L"\"");
    EXPECT_EQ(0, code);
    // Global objects are destroyed, after the shared thread object stopped.
    EXPECT_EQ("stopped", vxtest::ReadFileBytes(report));
}
