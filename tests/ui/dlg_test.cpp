// The dialog on screen: its cut corners read back from the X screen, the
// two layers a control repaints through, and mouse dispatch and dragging
// from real X pointer input.
#include "tests/ui/uitest.h"
#include "ui/vxbutton.h"
#include "ui/vxlayer.h"

#include <gtest/gtest.h>

using namespace vxtest;

namespace {

const COLORREF kBlue = RGB(40, 90, 200);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);

// A control drawing a 10 x 10 square at dx inside its rectangle.
class Patch : public CVxBase {
public:
    void DrawAt(HDC hdc, int px, int py) override {
        vx::ui::FillOpaque(hdc, {px + dx, py, px + dx + 10, py + 10}, kRed);
    }
    void Paint(HDC hdc) override {
        if (IsDrawable())
            DrawAt(hdc, x - originX, y - originY);
    }
    int dx = 0;
};

// Not activated: under Wine without a window manager, hiding an activated
// window waits 2 s for the manager.
void ShowAt(CVxDlg& dlg, int x, int y, int w, int h, bool layered) {
    ASSERT_TRUE(dlg.Create(0, x, y, w, h, WS_EX_TOOLWINDOW, layered, nullptr));
    dlg.Show(-1, false, SW_SHOWNOACTIVATE);
    Pump(100);
}

bool ScreenShows(int x, int y, COLORREF want) {
    return PumpUntil([&] { return ScreenAt(x, y) == want; }, 2000);
}

} // namespace

TEST(DlgScreen, CornersAreCutTwoPixelsThenOne) {
    const int x = 600, y = 80, w = 60, h = 40;
    TestDlg backdrop;
    backdrop.roundCorners = false;
    backdrop.bgColor = kGreen;
    ShowAt(backdrop, x - 10, y - 10, w + 20, h + 20, false);
    TestDlg dlg;
    dlg.bgColor = kRed;
    ShowAt(dlg, x, y, w, h, false);
    ASSERT_TRUE(ScreenShows(x + w / 2, y + h / 2, kRed)) << "the X screen cannot be read back";
    // Offsets from a corner, inward: cut or drawn.
    struct {
        int dx, dy;
        bool drawn;
    } const kPixels[] = {{0, 0, false}, {1, 0, false}, {2, 0, true}, {0, 1, false},
                         {1, 1, true},  {0, 2, true},  {3, 3, true}};
    for (int corner = 0; corner < 4; ++corner) {
        const bool right = corner & 1, bottom = corner & 2;
        for (const auto& p : kPixels) {
            const int px = right ? x + w - 1 - p.dx : x + p.dx;
            const int py = bottom ? y + h - 1 - p.dy : y + p.dy;
            EXPECT_EQ(p.drawn ? kRed : kGreen, ScreenAt(px, py))
                << "corner " << corner << " offset " << p.dx << "," << p.dy;
        }
    }
}

// A control's repaint erases its old look from the background layer and
// leaves the composition layer showing what the screen shows.
TEST(DlgScreen, ControlRepaintErasesItsOldLookOnBothKindsOfHost) {
    for (bool layered : {false, true}) {
        SCOPED_TRACE(layered ? "layered" : "plain");
        const int x = 600, y = 200, w = 120, h = 80;
        Patch patch;
        patch.x = 20;
        patch.y = 40;
        patch.width = 40;
        patch.height = 20;
        TestDlg dlg;
        dlg.controls.push_back(&patch);
        ShowAt(dlg, x, y, w, h, layered);
        ASSERT_TRUE(ScreenShows(x + 25, y + 45, kRed));

        patch.dx = 20;
        patch.RedrawSelf(false);
        EXPECT_TRUE(ScreenShows(x + 25, y + 45, kBlue));
        EXPECT_TRUE(ScreenShows(x + 45, y + 45, kRed));
        EXPECT_EQ(kBlue, GetPixel(dlg.frameLayer.memDC, 25, 45));
        EXPECT_EQ(kRed, GetPixel(dlg.frameLayer.memDC, 45, 45));
        EXPECT_EQ(kBlue, GetPixel(dlg.backgroundLayer.memDC, 45, 45));

        // A hidden control is not repainted.
        patch.visible = false;
        patch.dx = 0;
        patch.RedrawSelf(true);
        Pump(100);
        EXPECT_EQ(kRed, ScreenAt(x + 45, y + 45));
        EXPECT_EQ(kBlue, ScreenAt(x + 25, y + 45));
    }
}

namespace {
int g_downs = 0;
void CountDown(void*) {
    ++g_downs;
}
} // namespace

TEST(DlgInput, PressesDragFromEmptySpotsAndReachControlsElsewhere) {
    const int x = 300, y = 300, w = 300, h = 150;
    TestDlg dlg;
    CVxButton button;
    button.Init(L"", 200, 5, 60, 20, 2, 1, nullptr, nullptr);
    button.onDown = CountDown;
    Patch label;
    label.x = 10;
    label.y = 5;
    label.width = 50;
    label.height = 20;
    label.dragThrough = true;
    dlg.controls = {&button, &label};
    ShowAt(dlg, x, y, w, h, false);
    ASSERT_TRUE(ScreenShows(x + w / 2, y + h / 2, kBlue));

    struct {
        int px, py;
        bool anywhere, frozen, moves, pressesButton;
    } const kCases[] = {
        {100, 10, false, false, true, false},   // empty caption spot
        {230, 15, false, false, false, true},   // the button
        {260, 25, false, false, false, true},   // its bottom-right edge
        {261, 15, false, false, true, false},   // one pixel past it
        {20, 10, false, false, true, false},    // a label lets the drag through
        {100, 100, false, false, false, false}, // below the caption band
        {100, 100, true, false, true, false},   // anywhere
        {100, 10, false, true, true, false},    // frozen: dragging still works
        {230, 15, false, true, false, false},   // frozen: the button gets nothing
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.px << "," << c.py << (c.anywhere ? " anywhere" : "")
                                        << (c.frozen ? " frozen" : ""));
        SetWindowPos(dlg.hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        dlg.x = x;
        dlg.y = y;
        dlg.dragAnywhere = c.anywhere;
        dlg.frozen = c.frozen;
        g_downs = 0;
        Activate(dlg.hwnd);
        ASSERT_TRUE(Drag(x + c.px, y + c.py, 40, 30)) << "xdotool";
        ASSERT_TRUE(PumpUntil([&] { return !(GetAsyncKeyState(VK_LBUTTON) & 0x8000); }));
        const RECT rc = WindowRect(dlg.hwnd);
        EXPECT_EQ(c.moves ? x + 40 : x, rc.left);
        EXPECT_EQ(c.moves ? y + 30 : y, rc.top);
        EXPECT_EQ(rc.left, dlg.x) << "the stored position follows a drag";
        EXPECT_EQ(c.pressesButton ? 1 : 0, g_downs);
    }
}

namespace {
struct Modal {
    CVxDlg* dlg = nullptr;
    HWND owner = nullptr;
    bool ownerEnabled = true;
} g_modal;
void EndWithSeven(void*) {
    g_modal.ownerEnabled = IsWindowEnabled(g_modal.owner) != FALSE;
    g_modal.dlg->EndDialog(7);
}
} // namespace

// A click on a button that ends the dialog ends the modal loop with its
// result; the owner is disabled meanwhile and enabled again after.
TEST(DlgInput, RunModalEndsWithTheClickedButtonsResult) {
    TestDlg owner;
    ShowAt(owner, 300, 300, 300, 150, false);
    TestDlg dlg;
    CVxButton ok;
    ok.Init(L"OK", 40, 60, 69, 21, 2, 1, nullptr, nullptr);
    ok.onClick = EndWithSeven;
    dlg.controls.push_back(&ok);
    // A popup owned by the first dialog (the default style with a parent
    // would make a child window).
    ASSERT_TRUE(dlg.Create(WS_POPUP, 350, 320, 200, 110, WS_EX_TOOLWINDOW, false, owner.hwnd));
    g_modal = {&dlg, owner.hwnd, true};
    const std::wstring click = XDoStart(L"sleep 0.8 mousemove 400 390 click 1");
    ASSERT_FALSE(click.empty());
    EXPECT_EQ(7, dlg.RunModal(-1, true, false));
    EXPECT_TRUE(XDoWait(click));
    EXPECT_FALSE(g_modal.ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd));
    EXPECT_FALSE(IsWindowVisible(dlg.hwnd));
    EXPECT_TRUE(dlg.closed);
}
