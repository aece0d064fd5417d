// The message box: its two layouts read back from the screen and answered
// by real clicks, the countdown's captions and result, the owner disabled
// while it runs, and a box that cannot be made.
#include "tests/ui/screenpicture.h"
#include "tests/ui/uitest.h"
#include "ui/vxmsgbox.h"

#include <gtest/gtest.h>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace vxtest;

namespace {

// Records, on the window's thread, the OK caption of every paint and
// whether the owner was enabled at the first one.
class SpyBox : public CVxMsgBox {
public:
    void OnInit() override {
        CVxMsgBox::OnInit();
        window = hwnd;
    }
    void DrawContent(HDC hdc) override {
        CVxMsgBox::DrawContent(hdc);
        if (captions.empty() || captions.back() != okButton.text)
            captions.push_back(okButton.text);
        if (owner && paints++ == 0)
            ownerEnabled = IsWindowEnabled(owner) != FALSE;
    }
    std::atomic<HWND> window{nullptr};
    std::vector<std::wstring> captions;
    HWND owner = nullptr;
    int paints = 0;
    bool ownerEnabled = true;
};

} // namespace

// Each layout's picture is on screen and its buttons answer where they
// are drawn: OK 1, Cancel and the close button 2.
TEST(MsgBoxInput, LayoutsShowTheirPictureAndAnswerRealClicks) {
    BuiltPictures pictures;
    ASSERT_TRUE(pictures.ok());
    const int w = 300, h = 200;
    struct {
        int buttons, picture;
        int clickX, clickY; // from the box's top-left corner
        int result;
    } const kCases[] = {
        {0, 60056, w / 2, h - 18, 1},      // the centred OK
        {0, 60056, w - 20, 10, 2},         // the close button
        {1, 60057, w / 2 - 45, h - 18, 1}, // OK left of centre
        {1, 60057, w / 2 + 45, h - 18, 2}, // Cancel right of it
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.buttons << " at " << c.clickX << "," << c.clickY);
        SpyBox box;
        bool picture = false, clicked = false;
        std::thread user([&] {
            if (!WaitFor([&] { return box.window && IsWindowVisible(box.window); }, 5000))
                return;
            Sleep(300);
            const RECT rc = WindowRect(box.window);
            picture = ScreenShowsPicture(c.picture, rc.left + 10, rc.top + 58, 32, 32);
            clicked = XDo(L"mousemove " + std::to_wstring(rc.left + c.clickX) + L" " +
                          std::to_wstring(rc.top + c.clickY) + L" click 1");
        });
        const int result = box.ShowMessage(nullptr, L"消息", L"标题", c.buttons, 0, w, h, -1, -1);
        user.join();
        EXPECT_TRUE(clicked);
        EXPECT_TRUE(picture);
        EXPECT_EQ(c.result, result);
    }
}

// OK counts down once a second and presses itself; the owner is disabled
// meanwhile. Without push buttons the box still closes by itself.
TEST(MsgBoxCountdown, CaptionsCountDownThenOkPressesItself) {
    struct {
        int buttons, seconds;
        std::vector<std::wstring> captions;
    } const kCases[] = {
        {0, 5, {L"确定", L"确定(4)", L"确定(3)", L"确定(2)", L"确定(1)", L"确定(0)"}},
        {2, 1, {L"", L"确定(0)"}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.buttons);
        TestDlg owner;
        ASSERT_TRUE(owner.Create(0, 100, 100, 200, 100, WS_EX_TOOLWINDOW, false, nullptr));
        owner.Show(-1, false, SW_SHOWNOACTIVATE);
        SpyBox box;
        box.owner = owner.hwnd;
        const DWORD start = GetTickCount();
        EXPECT_EQ(
            1, box.ShowMessage(owner.hwnd, nullptr, nullptr, c.buttons, c.seconds, 300, 200, 8, 9));
        const DWORD took = GetTickCount() - start;
        EXPECT_GE(took, c.seconds * 1000u - 100);
        // Generous: the two effects, and hiding an active window under Wine
        // without a window manager, take about two seconds of their own.
        EXPECT_LE(took, c.seconds * 1000u + 4500);
        EXPECT_EQ(c.captions, box.captions);
        EXPECT_FALSE(box.ownerEnabled);
        EXPECT_TRUE(IsWindowEnabled(owner.hwnd));
        EXPECT_FALSE(IsWindowVisible(box.hwnd));
    }
}

// The close button during a countdown gives 2, and the countdown thread
// has ended within one of its 10-ms slices of the box closing.
TEST(MsgBoxCountdown, CloseButtonEndsTheCountdownThread) {
    BuiltPictures pictures;
    SpyBox box;
    bool clicked = false;
    std::thread user([&] {
        if (!WaitFor([&] { return box.window && IsWindowVisible(box.window); }, 5000))
            return;
        Sleep(1300);
        const RECT rc = WindowRect(box.window);
        clicked = XDo(L"mousemove " + std::to_wstring(rc.right - 20) + L" " +
                      std::to_wstring(rc.top + 10) + L" click 1");
    });
    EXPECT_EQ(2, box.ShowMessage(nullptr, nullptr, nullptr, 1, 5, 300, 200, -1, 9));
    user.join();
    EXPECT_TRUE(clicked);
    ASSERT_TRUE(box.countdownThread);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(box.countdownThread.get(), 30));
    EXPECT_EQ((std::vector<std::wstring>{L"确定", L"确定(4)"}), box.captions);
}

// A window that cannot be made (its owner is no window) returns 0 at once.
TEST(MsgBoxFailure, NoWindowReturnsZeroAtOnce) {
    CVxMsgBox box;
    const DWORD start = GetTickCount();
    EXPECT_EQ(0, box.ShowMessage(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7654321)), L"m",
                                 nullptr, 0, 5, 300, 200, 8, 9));
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_FALSE(box.hwnd);
    EXPECT_FALSE(box.countdownThread);
}
