// A dialog carried between monitors of other scales: WM_DPICHANGED as the
// system sends it, then the window's rectangle, its button's place and a
// real click on it.
#include "tests/ui/uitest.h"
#include "ui/vxbutton.h"

#include <gtest/gtest.h>

using namespace vxtest;

namespace {

int g_clicks = 0;
void CountClick(void*) {
    ++g_clicks;
}

} // namespace

TEST(DlgDpi, EachScaleResizesTheWindowAndMovesTheButtonUnderTheClick) {
    BuiltPictures pictures;
    ASSERT_TRUE(pictures.ok());
    CVxButton button; // outlives the dialog that holds it
    TestDlg dlg;
    button.Init(L"确定", 100, 60, 70, 30, 2, 1, nullptr, nullptr);
    button.onClick = CountClick;
    dlg.controls.push_back(&button);
    ASSERT_TRUE(dlg.Create(0, 200, 150, 300, 140, WS_EX_TOOLWINDOW, false, nullptr));
    dlg.Show(-1, false, SW_SHOWNOACTIVATE);
    // One after the other, as the window is dragged across, and back to 96:
    // the rounding must not wander.
    struct {
        UINT dpi;
        RECT window; // the system's suggestion
        RECT button; // client coordinates
    } const kCases[] = {
        {144, {200, 150, 650, 360}, {150, 90, 255, 135}},
        {192, {220, 160, 820, 440}, {200, 120, 340, 180}},
        {120, {200, 150, 575, 325}, {125, 75, 213, 113}},
        {96, {200, 150, 500, 290}, {100, 60, 170, 90}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.dpi);
        SendMessageW(dlg.hwnd, WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi),
                     reinterpret_cast<LPARAM>(&c.window));
        Pump(200);
        const RECT wr = WindowRect(dlg.hwnd);
        EXPECT_TRUE(EqualRect(&wr, &c.window));
        EXPECT_EQ(c.button.left, button.x);
        EXPECT_EQ(c.button.top, button.y);
        EXPECT_EQ(c.button.right, button.x + button.width);
        EXPECT_EQ(c.button.bottom, button.y + button.height);
        // Just inside the button's far corner: away from 96 DPI, a point the
        // button as written would not cover.
        g_clicks = 0;
        EXPECT_TRUE(XDo(L"mousemove " + std::to_wstring(wr.left + c.button.right - 3) + L" " +
                        std::to_wstring(wr.top + c.button.bottom - 3) + L" click 1"));
        EXPECT_TRUE(PumpUntil([] { return g_clicks == 1; }));
    }
}
