// The text label and the check box: the check box's states and value from
// real clicks, the label letting a press through to a window drag, and
// where a label puts its text.
#include "tests/gfx/canvas.h"
#include "tests/ui/uitest.h"
#include "ui/vxcheckbox.h"
#include "ui/vxtext.h"

#include <gtest/gtest.h>

using namespace vxtest;

namespace {
int g_changes = 0;
void* g_changeContext = nullptr;
void CountChange(void* ctx) {
    ++g_changes;
    g_changeContext = ctx;
}
} // namespace

TEST(CheckBoxInput, StatesAndValueFromRealClicks) {
    const int x = 500, y = 500;
    TestDlg dlg;
    CVxCheckBox box;
    box.Init(L"记住", 40, 60, 100, 20, false, 0, 1, nullptr, nullptr);
    int mine = 0;
    box.context = &mine;
    box.onChange = CountChange;
    dlg.controls.push_back(&box);
    ASSERT_TRUE(dlg.Create(0, x, y, 200, 120, WS_EX_TOOLWINDOW, false, nullptr));
    dlg.Show(-1, false, SW_SHOW);
    Activate(dlg.hwnd);
    // The caption's far end is inside too; (150, 100) is outside, below
    // the caption band so a press there drags nothing.
    const std::wstring in =
        L"mousemove " + std::to_wstring(x + 135) + L" " + std::to_wstring(y + 70);
    const std::wstring out =
        L"mousemove " + std::to_wstring(x + 150) + L" " + std::to_wstring(y + 100);
    struct {
        std::wstring input; // xdotool, or empty for Init(..., false, ...)
        int state;
        bool checked;
        int changes;
    } const kSteps[] = {
        {out, 0, false, 0},
        {in, 1, false, 0},
        {L"mousedown 1", 1, false, 0}, // a press alone changes nothing
        {L"mouseup 1", 2, true, 1},
        {out, 3, true, 1},
        {in, 2, true, 1},
        {L"mousedown 1", 2, true, 1},
        {out, 3, true, 1},
        {L"mouseup 1", 3, true, 1},   // released outside: no toggle
        {L"mousedown 1", 3, true, 1}, // a press elsewhere
        {in, 2, true, 1},             // (the button is held down)
        {L"mouseup 1", 1, false, 2},  // the first press survived: toggles
        {L"mousedown 1", 1, false, 2},
        {L"mouseup 1", 2, true, 3},
        {out, 3, true, 3},
        {L"", 3, false, 3},            // Init unchecked keeps the checked look
        {L"mousedown 1", 3, false, 3}, // outside: nothing changes
        {in, 1, false, 3},             // the first move inside shows state 1
    };
    g_changes = 0;
    for (size_t i = 0; i < std::size(kSteps); ++i) {
        const auto& s = kSteps[i];
        SCOPED_TRACE(testing::Message() << "step " << i);
        if (s.input.empty())
            box.Init(L"记住", 40, 60, 100, 20, false, 0, 1, dlg.hwnd, nullptr);
        else
            ASSERT_TRUE(XDo(s.input));
        EXPECT_EQ(s.state, box.state);
        EXPECT_EQ(s.checked, box.checked);
        EXPECT_EQ(s.changes, g_changes);
    }
    ASSERT_TRUE(XDo(L"mouseup 1"));
    EXPECT_EQ(&mine, g_changeContext) << "a change carries the box's own context";
}

// A label in the caption band lets the press through: the window moves.
TEST(TextInput, PressOnALabelStartsAWindowDrag) {
    const int x = 300, y = 300;
    TestDlg dlg;
    CVxText label;
    label.Init(L"标题", 10, 4, 150, 22, false);
    dlg.controls.push_back(&label);
    ASSERT_TRUE(dlg.Create(0, x, y, 300, 150, WS_EX_TOOLWINDOW, false, nullptr));
    dlg.Show(-1, false, SW_SHOWNOACTIVATE);
    Activate(dlg.hwnd);
    EXPECT_FALSE(label.OnMouse(20, 10, CVxBase::kMouseDown, nullptr));
    ASSERT_TRUE(Drag(x + 20, y + 10, 40, 30));
    ASSERT_TRUE(PumpUntil([&] { return !(GetAsyncKeyState(VK_LBUTTON) & 0x8000); }));
    EXPECT_EQ(x + 40, WindowRect(dlg.hwnd).left);
    EXPECT_EQ(y + 30, WindowRect(dlg.hwnd).top);
}

// Flush left or centred, vertically centred, in the label's colour; an
// empty label draws nothing.
TEST(TextLook, FlushLeftOrCentredInItsColour) {
    const uint32_t kFill = 0xFF000000;
    struct {
        const wchar_t* text;
        bool centered;
        int minLeft, maxLeft; // the first inked column
    } const kCases[] = {{L"卸载", false, 0, 4}, {L"卸载", true, 60, 90}, {L"", false, -1, -1}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.centered);
        CVxText label;
        label.Init(c.text, 0, 0, 160, 40, c.centered);
        label.SetFont(16, RGB(255, 255, 255), nullptr, 1, 0, 0);
        Canvas canvas(160, 40, kFill);
        label.DrawAt(canvas.dc(), 0, 0);
        int left = -1, top = 40, bottom = -1;
        for (int px = 0; px < 160; ++px)
            for (int py = 0; py < 40; ++py)
                if (canvas.Rgb(px, py) > 0x808080) {
                    if (left < 0)
                        left = px;
                    top = std::min(top, py);
                    bottom = std::max(bottom, py);
                }
        if (c.minLeft < 0) {
            EXPECT_EQ(-1, left);
            continue;
        }
        EXPECT_GE(left, c.minLeft);
        EXPECT_LE(left, c.maxLeft);
        EXPECT_NEAR(20 + label.textOffsetY, (top + bottom) / 2, 3) << "vertically centred";
    }
}
