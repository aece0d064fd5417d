// The countdown thread only sleeps and posts: every tick is carried out on
// the window's thread, so the caption, the layers and the handlers are only
// ever touched there, and the thread never waits for that thread.
#include "ui/vxmsgbox.h"

#include "gfx/vxfont.h"
#include "gfx/vximage.h"
#include "gfx/vxres.h"
#include "ui/vxdpi.h"
#include "support/vxthread.h"
#include "ui/vxapp.h"

#include <oleacc.h>
#include <cwchar>
#include <iterator>

namespace {
// The box's layout at 96 DPI; the dialog scales it to its monitor.
const int kCaptionHeight = 30;
const RECT kTitleRect = {35, 4, 235, 29};
const int kIconAt = 5, kIconSize = 24;
const POINT kPictureAt = {10, 58};
// The message starts right of the picture; its right edge is counted from
// the window's right edge.
const RECT kMessageRect = {50, 50, 5, 100};
const SIZE kCloseSize = {38, 18};
const int kCloseRight = 40, kCloseTop = 1;
const SIZE kButtonSize = {70, 25};
// From the bottom edge to the buttons' top; the gap between two buttons.
const int kButtonsUp = 30, kButtonGap = 20;
const RECT kCheckRect = {50, 60, 250, 80}; // top counted up from the bottom
} // namespace

CVxMsgBox::CVxMsgBox()
    : icon(LoadIconW(GetVxApp().GetInstance(), MAKEINTRESOURCEW(IDI_VXUNINSTALL))),
      title(L"提示信息"), buttons(0), closeEffect(0), countdown(0), checkInitial(false),
      showCheck(false), pictureId(0), buttonOffsetY(0), stopCountdown(false) {
    captionHeight = kCaptionHeight;
    iconId = IDI_VXUNINSTALL;
}

CVxMsgBox::~CVxMsgBox() {
    stopCountdown = true;
    GetVxThread().ExitThread(countdownThread.release(), kCountdownWaitMs);
    CancelEffect();
}

int CVxMsgBox::ShowMessage(HWND parent, const wchar_t* message_, const wchar_t* title_,
                           int buttons_, int countdown_, int width_, int height_, int showEffect_,
                           int closeEffect_) {
    message = message_ ? message_ : L"";
    if (title_)
        title = title_;
    buttons = buttons_;
    countdown = countdown_;
    closeEffect = closeEffect_;
    // Without a window nothing could ever end the modal loop: 0, neither
    // OK nor Cancel, at once.
    if (!Create(WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, width_, height_, 0, false,
                parent))
        return 0;
    return RunModal(showEffect_, true, true);
}

void CVxMsgBox::OnInit() {
    CVxDlg::OnInit();
    RECT rc = {};
    GetClientRect(hwnd, &rc);
    const int half = width / 2;
    closeButton.Init(L"", rc.right - kCloseRight, kCloseTop, kCloseSize.cx, kCloseSize.cy, 0, 1,
                     hwnd, nullptr);
    closeButton.imageId = kImgClose;
    closeButton.stateImages = 3;
    closeButton.onClick = OnCancel;
    controls.push_back(&closeButton);
    titleText.Init(title.c_str(), kTitleRect.left, kTitleRect.top,
                   kTitleRect.right - kTitleRect.left, kTitleRect.bottom - kTitleRect.top, false);
    if (CVxFont::Instance().isSupportYaHei())
        titleText.SetFont(20, 0xFFFFFF, nullptr, 1, 0, 0);
    else
        titleText.SetFont(14, 0xFFFFFF, L"宋体", 1, 0, 0);
    controls.push_back(&titleText);
    if (showCheck) {
        checkBox.Init(checkText.c_str(), kCheckRect.left, rc.bottom - kCheckRect.top,
                      kCheckRect.right - kCheckRect.left, kCheckRect.bottom - kCheckRect.top,
                      checkInitial, 0, 1, hwnd, nullptr);
        controls.push_back(&checkBox);
    }
    const int top = rc.bottom + buttonOffsetY - kButtonsUp;
    const int bw = kButtonSize.cx, bh = kButtonSize.cy;
    if (buttons == 0) {
        if (!pictureId)
            pictureId = kImgMsgInfo;
        okButton.Init(L"确定", half - bw / 2, top, bw, bh, 2, 1, hwnd, nullptr);
        okButton.onClick = OnOk;
        controls.push_back(&okButton);
    } else if (buttons == 1) {
        if (!pictureId)
            pictureId = kImgMsgQuestion;
        okButton.Init(L"确定", half - kButtonGap / 2 - bw, top, bw, bh, 2, 1, hwnd, nullptr);
        okButton.onClick = OnOk;
        controls.push_back(&okButton);
        cancelButton.Init(L"取消", half + kButtonGap / 2, top, bw, bh, 2, 1, hwnd, nullptr);
        cancelButton.onClick = OnCancel;
        controls.push_back(&cancelButton);
    }
    defaultControl = &okButton;
    if (countdown > 0)
        countdownThread.reset(GetVxThread().StartThread(CountdownThread, this, 0));
}

void CVxMsgBox::OnEscape() {
    OnCancel(this);
}

std::vector<CVxDlg::tagAccItem> CVxMsgBox::AccItems() {
    std::vector<tagAccItem> items = CVxDlg::AccItems();
    const auto at = items.empty() ? items.end() : items.begin() + 1;
    items.insert(
        at, {nullptr, ROLE_SYSTEM_STATICTEXT, message, L"", MessageRect(), STATE_SYSTEM_READONLY});
    return items;
}

RECT CVxMsgBox::MessageRect() const {
    const auto at = [&](int v) { return vx::ui::Scale(v, dpi); };
    return {at(kMessageRect.left), at(kMessageRect.top), width - at(kMessageRect.right),
            at(kMessageRect.bottom)};
}

void CVxMsgBox::DrawContent(HDC hdc) {
    CVxImage& img = CVxImage::Instance();
    const RECT m = MessageRect();
    img.DrawString(hdc, font, message.c_str(), m.left, m.top, m.right - m.left, m.bottom - m.top, 0,
                   254, false, false, 0);
    const auto at = [&](int v) { return vx::ui::Scale(v, dpi); };
    img.DrawImgScaled(hdc, pictureId, L"IMG", at(kPictureAt.x), at(kPictureAt.y), dpi);
    if (icon)
        DrawIconEx(hdc, at(kIconAt), at(kIconAt), icon, at(kIconSize), at(kIconSize), 0, nullptr,
                   DI_NORMAL);
}

void CVxMsgBox::OnOk(void* context) {
    if (auto* box = static_cast<CVxMsgBox*>(context)) {
        box->PlayEffect(box->closeEffect);
        box->EndDialog(1);
    }
}

void CVxMsgBox::OnCancel(void* context) {
    if (auto* box = static_cast<CVxMsgBox*>(context)) {
        box->PlayEffect(box->closeEffect);
        box->EndDialog(2);
    }
}

UINT CVxMsgBox::TickMessage() {
    static const UINT msg = RegisterWindowMessageW(L"vxCountdownTick");
    return msg;
}

LRESULT CVxMsgBox::WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd == hwnd && msg == TickMessage()) {
        OnTick(static_cast<int>(wParam));
        return 0;
    }
    return CVxDlg::WndProc(hWnd, msg, wParam, lParam);
}

void CVxMsgBox::OnTick(int left) {
    // A box closed meanwhile (or going away) is left as it is.
    if (closed || stopCountdown)
        return;
    countdown = left;
    wchar_t caption[32];
    _snwprintf(caption, std::size(caption), L"确定(%d)", left);
    caption[std::size(caption) - 1] = L'\0';
    okButton.text = caption;
    Redraw();
    if (left <= 0)
        OnOk(this);
}

// Counts whole seconds in 10-ms slices, looking at the stop flags before
// each slice.
unsigned __stdcall CVxMsgBox::CountdownThread(void* param) {
    auto* self = static_cast<CVxMsgBox*>(param);
    const HWND wnd = self->hwnd;
    for (int left = self->countdown; left > 0;) {
        for (int slice = 0; slice < 100; ++slice) {
            if (self->closed || self->stopCountdown)
                return 0;
            Sleep(10);
        }
        --left;
        // Dispatched by the modal loop, which then sees the box closed by
        // the last tick's OK handler.
        PostMessageW(wnd, TickMessage(), static_cast<WPARAM>(left), 0);
    }
    return 0;
}
