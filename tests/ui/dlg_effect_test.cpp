// Effects played by a real dialog on its effect thread: where the window
// ends, its stored rectangle and opacity, one notification per effect, no
// effect over a running one, fades on plain and layered dialogs, and a
// dialog destroyed while its effect runs.
#include "tests/gfx/canvas.h"
#include "tests/ui/uitest.h"

#include <gtest/gtest.h>
#include <memory>

using namespace vxtest;

namespace {

const int kX = 400, kY = 300, kW = 200, kH = 100;

int PlainOpacity(HWND wnd) {
    BYTE alpha = 0;
    DWORD flags = 0;
    if (!GetLayeredWindowAttributes(wnd, nullptr, &alpha, &flags) || !(flags & LWA_ALPHA))
        return -1;
    return alpha;
}

// Plays the effect on the dialog's own thread and waits for its notification.
bool Play(TestDlg& dlg, int effect) {
    const int before = dlg.effectsDone;
    dlg.Show(effect, false, SW_SHOW);
    return PumpUntil([&] { return dlg.effectsDone > before; }, 5000);
}

} // namespace

TEST(DlgEffect, EndPositionsSizesAndOpacity) {
    struct {
        int effect;
        RECT end;                // the window at the end
        int x, y, width, height; // the stored rectangle
        int opacity;             // -1: never faded
        bool frozen;
    } const kCases[] = {
        {0, {400, 300, 600, 400}, 400, 300, 200, 100, -1, false},
        {3, {-200, 300, 0, 400}, 400, 300, 200, 100, -1, false},
        {8, {400, 300, 600, 400}, 400, 300, 200, 100, 249, false},
        // Swollen by 10 h / w = 5 a step, then shrunk by thirds around
        // a moving corner: the stored rectangle keeps the swell.
        {9, {499, 348, 501, 349}, 499, 348, 260, 130, 0, true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.effect);
        TestDlg dlg;
        ASSERT_TRUE(dlg.Create(0, kX, kY, kW, kH, WS_EX_TOOLWINDOW, false, nullptr));
        ASSERT_TRUE(Play(dlg, c.effect));
        Pump(100);
        EXPECT_EQ(1, dlg.effectsDone);
        EXPECT_FALSE(dlg.inEffect);
        const RECT rc = WindowRect(dlg.hwnd);
        EXPECT_EQ(c.end.left, rc.left);
        EXPECT_EQ(c.end.top, rc.top);
        EXPECT_EQ(c.end.right, rc.right);
        EXPECT_EQ(c.end.bottom, rc.bottom);
        EXPECT_EQ(c.x, dlg.x);
        EXPECT_EQ(c.y, dlg.y);
        EXPECT_EQ(c.width, dlg.width);
        EXPECT_EQ(c.height, dlg.height);
        EXPECT_EQ(c.opacity, PlainOpacity(dlg.hwnd));
        EXPECT_EQ(c.frozen, dlg.frozen);
        EXPECT_TRUE(IsWindowVisible(dlg.hwnd));
    }
}

TEST(DlgEffect, AnEffectStartedWhileOneRunsDoesNothing) {
    TestDlg dlg;
    ASSERT_TRUE(dlg.Create(0, kX, kY, kW, kH, WS_EX_TOOLWINDOW, false, nullptr));
    dlg.Show(3, false, SW_SHOW);
    ASSERT_TRUE(PumpUntil([&] { return WindowRect(dlg.hwnd).left < kX; }));
    dlg.Show(0, true, SW_SHOW);
    dlg.PlayEffect(1);
    ASSERT_TRUE(PumpUntil([&] { return dlg.effectsDone == 1; }, 5000));
    Pump(600);
    EXPECT_EQ(1, dlg.effectsDone);
    EXPECT_EQ(-200, WindowRect(dlg.hwnd).left) << "effect 3's end, untouched";
    EXPECT_EQ(kH, WindowRect(dlg.hwnd).bottom - WindowRect(dlg.hwnd).top);
    // A number outside the table still notifies, and changes nothing.
    ASSERT_TRUE(Play(dlg, 14));
    EXPECT_EQ(-200, WindowRect(dlg.hwnd).left);
}

// Opacity set with SetLayeredWindowAttributes on a plain dialog; a layered
// dialog, which refuses that call, is presented at the new opacity.
TEST(DlgEffect, FadesWorkOnPlainAndLayeredDialogs) {
    TestDlg backdrop;
    backdrop.roundCorners = false;
    backdrop.bgColor = RGB(0, 0, 0);
    ASSERT_TRUE(
        backdrop.Create(0, kX - 20, kY - 20, kW + 40, kH + 40, WS_EX_TOOLWINDOW, false, nullptr));
    backdrop.Show(-1, false, SW_SHOWNOACTIVATE);
    for (bool layered : {false, true}) {
        SCOPED_TRACE(layered ? "layered" : "plain");
        TestDlg dlg;
        dlg.bgColor = RGB(240, 240, 240);
        ASSERT_TRUE(dlg.Create(0, kX, kY, kW, kH, WS_EX_TOOLWINDOW, layered, nullptr));
        ASSERT_TRUE(Play(dlg, 6));
        EXPECT_TRUE(IsWindowVisible(dlg.hwnd));
        if (!layered) {
            EXPECT_EQ(250, PlainOpacity(dlg.hwnd));
        }
        ASSERT_TRUE(Play(dlg, 7));
        if (!layered) {
            EXPECT_EQ(15, PlainOpacity(dlg.hwnd));
            continue;
        }
        // 240 at opacity 15 over black: 14.
        EXPECT_TRUE(PumpUntil([&] {
            return Near(ScreenAt(kX + kW / 2, kY + kH / 2), 0x0E0E0E, 4);
        })) << std::hex
            << ScreenAt(kX + kW / 2, kY + kH / 2);
        ASSERT_TRUE(Play(dlg, 6));
        EXPECT_TRUE(PumpUntil([&] {
            return Near(ScreenAt(kX + kW / 2, kY + kH / 2), 0xEBEBEB, 4);
        })) << std::hex
            << ScreenAt(kX + kW / 2, kY + kH / 2);
        EXPECT_TRUE(IsWindowVisible(dlg.hwnd));
    }
}

// The effect thread sends every step to the window's thread: a destructor
// that only waited would sit out its whole bound (3 s) and then end the
// thread by force. Under Wine, hiding an activated window without a window
// manager waits 2 s for the manager, so the time is compared with that of
// destroying the same dialog shown without an effect.
TEST(DlgEffect, DestroyedWhileItsEffectRunsStopsTheThreadAndWaitsForIt) {
    auto destroyTime = [](int effect) -> DWORD {
        auto dlg = std::make_unique<CVxDlg>();
        dlg->bgImageId = 0;
        if (!dlg->Create(0, kX, kY, kW, kH, WS_EX_TOOLWINDOW, false, nullptr))
            return 0;
        const HWND wnd = dlg->hwnd;
        dlg->Show(effect, false, SW_SHOW);
        if (!PumpUntil([&] { return IsWindowVisible(wnd) != FALSE; }))
            return 0;
        if (effect == -1)
            Pump(100);
        const DWORD start = GetTickCount();
        dlg.reset();
        const DWORD spent = GetTickCount() - start;
        return IsWindow(wnd) ? 0 : spent + 1;
    };
    const DWORD plain = destroyTime(-1);
    ASSERT_NE(0u, plain);
    for (int effect : {1, 13}) {
        const DWORD during = destroyTime(effect);
        ASSERT_NE(0u, during) << effect;
        EXPECT_LT(during, plain + 1000) << "effect " << effect << "; without effect " << plain;
    }
}
