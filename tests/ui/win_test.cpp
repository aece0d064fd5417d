// Window creation and the drawable test: default styles with and without a
// parent, the child flag, initialisation once and creation every time,
// default handling before the object is attached, the class name.
#include "tests/ui/uitest.h"
#include "ui/vxbutton.h"
#include "ui/vxwin.h"

#include <gtest/gtest.h>
#include <cwctype>
#include <memory>

using namespace vxtest;

namespace {

class CountingWin : public CVxWin {
public:
    void OnInit() override { ++inits; }
    void OnCreate() override { ++creates; }
    LRESULT WndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_NCCREATE || msg == WM_CREATE || msg == WM_NCCALCSIZE)
            ++creationMessages;
        return CVxWin::WndProc(h, msg, wp, lp);
    }
    int inits = 0, creates = 0, creationMessages = 0;
};

bool ClassRegistered(const std::wstring& name) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    return GetClassInfoExW(GetVxApp().GetInstance(), name.c_str(), &wc) != 0;
}

} // namespace

TEST(WinCreate, StylesChildFlagAndClassName) {
    GetVxApp().SetAppName(L"vxuitest");
    CountingWin top;
    ASSERT_TRUE(top.Create(0, 40, 40, 200, 100, WS_EX_TOOLWINDOW, true, nullptr));
    const LONG style = GetWindowLongW(top.hwnd, GWL_STYLE);
    const LONG popup = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_MINIMIZEBOX;
    EXPECT_EQ(popup, style & popup);
    EXPECT_FALSE(style & (WS_CHILD | WS_VISIBLE));
    EXPECT_FALSE(top.isChild);
    EXPECT_EQ(nullptr, top.hostWnd);
    const LONG ex = GetWindowLongW(top.hwnd, GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW) << "applied after creation";
    EXPECT_TRUE(ex & WS_EX_LAYERED);

    // "<application name>_VXWND_<tick count>", and the window's own class.
    const std::wstring prefix = L"vxuitest_VXWND_";
    ASSERT_EQ(prefix, top.className.substr(0, prefix.size()));
    const std::wstring tick = top.className.substr(prefix.size());
    ASSERT_FALSE(tick.empty());
    for (wchar_t c : tick)
        EXPECT_TRUE(iswdigit(c) || c == L'-') << top.className;
    wchar_t cls[256] = {};
    GetClassNameW(top.hwnd, cls, 256);
    EXPECT_EQ(top.className, cls);

    struct {
        DWORD style;
        bool child;
    } const kChildren[] = {{0, true}, {WS_POPUP, false}, {WS_CHILD, true}};
    for (const auto& c : kChildren) {
        CountingWin win;
        ASSERT_TRUE(win.Create(c.style, 5, 5, 50, 30, 0, false, top.hwnd)) << c.style;
        EXPECT_EQ(c.child, win.isChild) << c.style;
        EXPECT_EQ(top.hwnd, win.hostWnd);
        if (c.style == 0) {
            EXPECT_EQ(WS_CHILD | WS_VISIBLE,
                      GetWindowLongW(win.hwnd, GWL_STYLE) & (WS_CHILD | WS_VISIBLE | WS_POPUP));
        }
    }
}

TEST(WinCreate, InitOnceCreateEveryTimeAndDefaultHandlingBeforeAttaching) {
    auto win = std::make_unique<CountingWin>();
    ASSERT_TRUE(win->Create(0, 40, 40, 80, 60, 0, false, nullptr));
    const HWND first = win->hwnd;
    const std::wstring firstClass = win->className;
    Sleep(20); // a later tick count, so a new class name
    ASSERT_TRUE(win->Create(0, 50, 50, 90, 70, 0, false, nullptr));
    EXPECT_EQ(1, win->inits);
    EXPECT_EQ(2, win->creates);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_NE(firstClass, win->className);
    EXPECT_FALSE(ClassRegistered(firstClass));
    // Creation's own messages came before the object was attached, and the
    // default handling let the window be made.
    EXPECT_EQ(0, win->creationMessages);
    EXPECT_EQ(90, WindowRect(win->hwnd).right - WindowRect(win->hwnd).left);
    // Destroyed with its object, and its class with it.
    const HWND second = win->hwnd;
    const std::wstring secondClass = win->className;
    EXPECT_TRUE(ClassRegistered(secondClass));
    win.reset();
    EXPECT_FALSE(IsWindow(second));
    EXPECT_FALSE(ClassRegistered(secondClass));
}

TEST(WinCreate, DrawableWhileTouchingTheWindowExtent) {
    CountingWin host;
    ASSERT_TRUE(host.Create(0, 40, 40, 200, 100, 0, false, nullptr));
    struct {
        int x, y;
        bool visible, drawable;
    } const kCases[] = {
        {-20, 0, true, true},  {-21, 0, true, false}, {200, 0, true, true},
        {201, 0, true, false}, {0, -10, true, true},  {0, -11, true, false},
        {0, 100, true, true},  {0, 101, true, false}, {50, 50, false, false},
    };
    for (const auto& c : kCases) {
        CVxButton b;
        b.Init(L"", c.x, c.y, 20, 10, 2, 1, host.hwnd, nullptr);
        b.visible = c.visible;
        EXPECT_EQ(c.drawable, b.IsDrawable()) << c.x << "," << c.y;
    }
}
