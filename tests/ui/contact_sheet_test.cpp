// A look at the toolkit: a dialog with buttons in every state, and the
// screen where a dialog ended after each effect, saved as
// ui_contact_sheet.png beside the test program.
#include "tests/gfx/canvas.h"
#include "tests/ui/uitest.h"
#include "ui/vxbutton.h"
#include "ui/vxmsgbox.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using namespace vxtest;

namespace {

const uint32_t kSheet = 0xFFC8D0D8;

// A dialog on its background picture with the default button in its four
// states and the two strip buttons.
class SampleDlg : public TestDlg {
public:
    SampleDlg() {
        bgImageId = 60051;
        const wchar_t* names[] = {L"普通", L"悬停", L"按下", L"点击"};
        for (int s = 0; s < 4; ++s) {
            auto b = std::make_unique<CVxButton>();
            b->Init(names[s], 12 + s * 74, 45, 69, 21, 2, 1, nullptr, nullptr);
            b->state = s;
            buttons.push_back(std::move(b));
        }
        const wchar_t* strips[] = {L"卸 载", L"取 消"};
        for (int i = 0; i < 2; ++i) {
            auto b = std::make_unique<CVxButton>(strips[i], 150 + i * 75);
            b->y = 100;
            b->imageId = 60074 - i;
            b->stateImages = 1;
            b->textOffsetY -= 2;
            b->state = i;
            buttons.push_back(std::move(b));
        }
        for (auto& b : buttons)
            controls.push_back(b.get());
    }
    std::vector<std::unique_ptr<CVxButton>> buttons;
};

void Label(Canvas& sheet, int x, int y, const std::wstring& text) {
    CVxImage::Instance().DrawString(sheet.dc(), nullptr, text.c_str(), x, y, 0, 0, RGB(0, 0, 0),
                                    255, false, false, 0);
}

// Copies a screen rectangle into the sheet.
void Capture(Canvas& sheet, int x, int y, const RECT& screen) {
    vx::unique_window_dc dc(nullptr);
    BitBlt(sheet.dc(), x, y, screen.right - screen.left, screen.bottom - screen.top, dc.get(),
           screen.left, screen.top, SRCCOPY);
}

} // namespace

TEST(ToolkitSheet, DialogAndEveryEffectsEnd) {
    BuiltPictures pictures;
    ASSERT_TRUE(pictures.ok());
    Canvas sheet(1000, 1180, kSheet);

    SampleDlg sample;
    ASSERT_TRUE(sample.Create(0, 40, 40, 320, 140, WS_EX_TOOLWINDOW, false, nullptr));
    {
        Canvas frame(320, 140, kSheet);
        sample.Paint(frame.dc());
        EXPECT_NE(kSheet & 0xFFFFFF, frame.Rgb(160, 20)) << "the background was drawn";
        BitBlt(sheet.dc(), 10, 30, 320, 140, frame.dc(), 0, 0, SRCCOPY);
        Label(sheet, 10, 8, L"dialog: buttons normal, hover, pressed, clicked; strips");
        // The keyboard's focus mark on the "卸 载" strip.
        sample.buttons[4]->onClick = [](void*) {};
        sample.SetFocusIndex(4);
        sample.Paint(frame.dc());
        BitBlt(sheet.dc(), 670, 30, 320, 140, frame.dc(), 0, 0, SRCCOPY);
        Label(sheet, 670, 8, L"the focus mark on 卸 载");
    }

    // Both message boxes, and a frame halfway through the crash box's zoom.
    for (int buttons = 0; buttons < 2; ++buttons) {
        CVxMsgBox box;
        box.message = L"卸载信息文件缺失或已损坏，无法卸载。";
        box.buttons = buttons;
        ASSERT_TRUE(box.Create(WS_POPUP, 0, 0, 330, 160, WS_EX_TOOLWINDOW, false, nullptr));
        Canvas frame(330, 160, kSheet);
        box.Paint(frame.dc());
        BitBlt(sheet.dc(), 10 + buttons * 340, 970, 330, 160, frame.dc(), 0, 0, SRCCOPY);
    }
    {
        CVxMsgBox box;
        box.message = L"抱歉，程序出现问题";
        box.countdown = 0;
        ASSERT_TRUE(box.Create(WS_POPUP, 600, 600, 300, 200, WS_EX_TOOLWINDOW, false, nullptr));
        box.Show(8, false, SW_SHOWNOACTIVATE);
        // Two thirds of the way: the whole box, scaled, as the frame is drawn
        // (the screen shows it only as opaque as the frame's step).
        PumpUntil(
            [&] {
                const int w = WindowRect(box.hwnd).right - WindowRect(box.hwnd).left;
                return box.inEffect && w >= 190 && w < 290;
            },
            8000);
        Canvas frame(300, 200, kSheet);
        box.Paint(frame.dc());
        BitBlt(sheet.dc(), 690, 970, 300, 200, frame.dc(), 0, 0, SRCCOPY);
        PumpUntil([&] { return !box.inEffect; }, 8000);
        box.Hide();
    }
    Label(sheet, 10, 950, L"message boxes: OK; OK and Cancel; the crash box zooming in");

    // Every effect played on one dialog put back in place before each.
    const int x = 200, y = 200, w = 180, h = 90;
    const RECT area = {x - 40, y - 30, x + w + 40, y + h + 30};
    SampleDlg dlg;
    ASSERT_TRUE(dlg.Create(0, x, y, w, h, WS_EX_TOOLWINDOW, false, nullptr));
    for (int effect = 0; effect < vx::effect::kCount; ++effect) {
        SCOPED_TRACE(effect);
        dlg.frozen = false;
        dlg.x = x;
        dlg.y = y;
        dlg.width = w;
        dlg.height = h;
        SetWindowLongW(dlg.hwnd, GWL_EXSTYLE,
                       GetWindowLongW(dlg.hwnd, GWL_EXSTYLE) & ~WS_EX_LAYERED);
        SetWindowPos(dlg.hwnd, nullptr, x, y, w, h, SWP_NOACTIVATE | SWP_NOZORDER);
        dlg.ApplyRegion();
        dlg.Show(-1, false, SW_SHOWNOACTIVATE);
        Pump(100);
        const int before = dlg.effectsDone;
        dlg.Show(effect, false, SW_SHOW);
        ASSERT_TRUE(PumpUntil([&] { return dlg.effectsDone > before; }, 8000));
        Pump(150);
        const int col = effect % 4, row = effect / 4;
        const int cx = 10 + col * 245, cy = 200 + row * 185;
        Capture(sheet, cx, cy + 22, area);
        Label(sheet, cx, cy, L"effect " + std::to_wstring(effect));
    }

    const std::wstring path = ExeDir() + L"ui_contact_sheet.png";
    DeleteFileW(path.c_str());
    const RECT all = {0, 0, sheet.w(), sheet.h()};
    ASSERT_TRUE(CVxImage::Instance().SavePic(sheet.dc(), all, path.c_str(), L"png"));
    EXPECT_TRUE(FileExists(path));
}
