// The countdown thread only sleeps and posts: every tick is carried out on
// the window's thread, so the caption, the layers and the handlers are only
// ever touched there, and the thread never waits for that thread.
#include "ui/vxmsgbox.h"

#include "gfx/vxfont.h"
#include "gfx/vximage.h"
#include "support/vxthread.h"
#include "ui/vxapp.h"

#include <oleacc.h>
#include <cwchar>
#include <iterator>

CVxMsgBox::CVxMsgBox()
    : icon(LoadIconW(GetVxApp().GetInstance(), MAKEINTRESOURCEW(107))), title(L"提示信息"),
      buttons(0), closeEffect(0), countdown(0), checkInitial(false), showCheck(false), pictureId(0),
      buttonOffsetY(0), stopCountdown(false) {
    captionHeight = 30;
    iconId = 107;
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
    closeButton.Init(L"", rc.right - 40, 1, 38, 18, 0, 1, hwnd, nullptr);
    closeButton.imageId = 60006;
    closeButton.stateImages = 3;
    closeButton.onClick = OnCancel;
    controls.push_back(&closeButton);
    titleText.Init(title.c_str(), 35, 4, 200, 25, false);
    if (CVxFont::Instance().isSupportYaHei())
        titleText.SetFont(20, 0xFFFFFF, nullptr, 1, 0, 0);
    else
        titleText.SetFont(14, 0xFFFFFF, L"宋体", 1, 0, 0);
    controls.push_back(&titleText);
    if (showCheck) {
        checkBox.Init(checkText.c_str(), 50, rc.bottom - 60, 200, 20, checkInitial, 0, 1, hwnd,
                      nullptr);
        controls.push_back(&checkBox);
    }
    const int top = rc.bottom + buttonOffsetY - 30;
    if (buttons == 0) {
        if (!pictureId)
            pictureId = 60056;
        okButton.Init(L"确定", half - 35, top, 70, 25, 2, 1, hwnd, nullptr);
        okButton.onClick = OnOk;
        controls.push_back(&okButton);
    } else if (buttons == 1) {
        if (!pictureId)
            pictureId = 60057;
        okButton.Init(L"确定", half - 80, top, 70, 25, 2, 1, hwnd, nullptr);
        okButton.onClick = OnOk;
        controls.push_back(&okButton);
        cancelButton.Init(L"取消", half + 10, top, 70, 25, 2, 1, hwnd, nullptr);
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
    items.insert(at, {nullptr,
                      ROLE_SYSTEM_STATICTEXT,
                      message,
                      L"",
                      {50, 50, width - 5, 100},
                      STATE_SYSTEM_READONLY});
    return items;
}

void CVxMsgBox::DrawContent(HDC hdc) {
    CVxImage& img = CVxImage::Instance();
    img.DrawString(hdc, font, message.c_str(), 50, 50, width - 55, 50, 0, 254, false, false, 0);
    img.DrawImg(hdc, pictureId, L"IMG", 10, 58, 0, 0, nullptr);
    if (icon)
        DrawIconEx(hdc, 5, 5, icon, 24, 24, 0, nullptr, DI_NORMAL);
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
