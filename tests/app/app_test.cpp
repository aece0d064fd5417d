// The application object: its fields, the message loop and the orderly exit
// (in a child process).
#include "ui/vxapp.h"

#include "tests/support/testutil.h"

#include <gtest/gtest.h>

#include <string>

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
    int dispatched = 0;
    vxtest::MessageWindow wnd([&](UINT msg, WPARAM, LPARAM) {
        dispatched += msg == WM_APP;
        return false;
    });
    ASSERT_TRUE(wnd.hwnd());
    PostMessageW(wnd.hwnd(), WM_APP, 0, 0);
    PostMessageW(wnd.hwnd(), WM_APP, 0, 0);
    PostQuitMessage(42);
    EXPECT_EQ(42, GetVxApp().MsgLoop());
    EXPECT_EQ(2, dispatched);
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
