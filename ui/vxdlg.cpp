#include "ui/vxdlg.h"

#include "gfx/vximage.h"
#include "gfx/vxres.h"
#include "support/vxthread.h"
#include "ui/vxaccess.h"
#include "ui/vxapp.h"
#include "ui/vxdpi.h"
#include "ui/vxlayer.h"

#include <oleacc.h>

CVxDlg::CVxDlg()
    : result(2), showEffect(0), captionHeight(30), dragAnywhere(false), draggable(true),
      roundCorners(true), closed(false), frozen(false), inEffect(false), defaultControl(nullptr),
      focusIndex(-1), showFocus(false), bgImageId(kImgDialog), parentBackgroundDC(nullptr),
      bgSplitV(30), bgSplitH(3), bgColor(0xFFFFFF), stopEffect(false), effectCall(nullptr) {
    context = this;
}

CVxDlg::~CVxDlg() {
    // The derived parts are gone: messages sent while the effect thread
    // is waited for get default handling.
    if (hwnd)
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    CancelEffect();
}

LRESULT CVxDlg::WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd != hwnd)
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    switch (msg) {
    case WM_MOUSEMOVE:
        OnMouseMove(wParam, lParam);
        return 0;
    case WM_SIZE:
        OnSize(wParam, lParam);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hWnd, &ps);
        Paint(dc);
        EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(wParam, lParam);
        return 0;
    case WM_LBUTTONUP:
        OnLButtonUp(wParam, lParam);
        return 0;
    case WM_DPICHANGED:
        ApplyDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_KEYDOWN:
        if (!frozen)
            OnKey(static_cast<UINT>(wParam));
        return 0;
    case WM_GETOBJECT:
        if (static_cast<LONG>(lParam) == static_cast<LONG>(OBJID_CLIENT))
            return AnswerGetObject(this, wParam);
        return CVxWin::WndProc(hWnd, msg, wParam, lParam);
    case WM_MOUSEWHEEL:
        // The wheel delta is signed: a turn towards the user is negative.
        OnMouseWheel(LOWORD(wParam), GET_WHEEL_DELTA_WPARAM(wParam),
                     static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return 0;
    default:
        // A zoom stopped halfway leaves no scaled picture behind.
        if (msg == WM_EFFECT_DONE && !inEffect)
            scaledFrame.Reset();
        if (msg == EffectMessage())
            return OnEffectCall(lParam);
        if (HandleAccessiblePress(this, msg, lParam))
            return 0;
        return CVxWin::WndProc(hWnd, msg, wParam, lParam);
    }
}

void CVxDlg::OnMouseWheel(int, int, int, int) {}
void CVxDlg::OnSize(WPARAM, LPARAM) {}
void CVxDlg::OnMouseMoved(int, int) {}
void CVxDlg::DrawContent(HDC) {}

// Controls are walked by index: a callback may append to the list.
void CVxDlg::OnMouseMove(WPARAM, LPARAM lParam) {
    if (frozen)
        return;
    const int mx = LOWORD(lParam), my = HIWORD(lParam);
    for (size_t i = 0; i < controls.size(); ++i)
        controls[i]->OnMouse(mx, my, kMouseMove, context);
    OnMouseMoved(mx, my);
}

void CVxDlg::OnLButtonUp(WPARAM, LPARAM lParam) {
    if (frozen)
        return;
    const int mx = LOWORD(lParam), my = HIWORD(lParam);
    for (size_t i = 0; i < controls.size(); ++i) {
        CVxBase* c = controls[i];
        c->OnMouse(mx, my, kMouseUp, c->context ? c->context : context);
    }
}

void CVxDlg::OnLButtonDown(WPARAM, LPARAM lParam) {
    const int mx = LOWORD(lParam), my = HIWORD(lParam);
    if (draggable && (dragAnywhere || my < captionHeight)) {
        bool covered = false;
        for (const CVxBase* c : controls) {
            if (c->visible && !c->dragThrough && c->x <= mx && mx <= c->x + c->width &&
                c->y <= my && my <= c->y + c->height) {
                covered = true;
                break;
            }
        }
        if (!covered) {
            // Returns once the system's move loop has ended; the stored
            // position follows the window, so later effects start there.
            SendMessageW(hwnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
            RECT wr = {};
            if (!isChild && GetWindowRect(hwnd, &wr)) {
                x = wr.left;
                y = wr.top;
            }
        }
    }
    if (frozen)
        return;
    for (size_t i = 0; i < controls.size(); ++i)
        controls[i]->OnMouse(mx, my, kMouseDown, context);
}

void CVxDlg::OnInit() {
    if (isChild) {
        bgSplitV = 2;
        draggable = false;
        roundCorners = false;
    }
    if (roundCorners)
        ApplyRegion();
    BuildLayers();
}

void CVxDlg::BuildLayers() {
    vx::unique_window_dc dc(hwnd);
    RECT rc = {};
    GetClientRect(hwnd, &rc);
    // A layered window's layers keep per-pixel alpha: 32-bit DIBs.
    frameLayer.CreateMemDC(dc.get(), rc, false, layered, hwnd);
    backgroundLayer.CreateMemDC(dc.get(), rc, false, layered, hwnd);
    DrawBackground(backgroundLayer.memDC, rc);
}

// The window was made at the size its code gives, for 96 DPI; the scale of
// its monitor is taken now that every control exists.
void CVxDlg::OnCreate() {
    AttachControls();
    ApplyDpi(vx::ui::WindowDpi(hwnd), nullptr);
}

void CVxDlg::AttachControls() {
    for (CVxBase* c : controls) {
        c->hostWnd = hwnd;
        c->backgroundDC = backgroundLayer.memDC;
        c->frameDC = frameLayer.memDC;
        c->hostLayered = layered;
    }
}

void CVxDlg::ApplyDpi(UINT newDpi, const RECT* rect) {
    if (!hwnd || !newDpi || (newDpi == dpi && !rect))
        return;
    const UINT old = dpi;
    for (CVxBase* c : controls)
        c->ScaleTo(newDpi);
    captionHeight = vx::ui::ScaleBetween(captionHeight, old, newDpi);
    font = vx::ui::ScaledFont(font, old, newDpi);
    dpi = newDpi;
    // A child's place is in its parent's client area, which scales too.
    if (isChild) {
        x = vx::ui::ScaleBetween(x, old, newDpi);
        y = vx::ui::ScaleBetween(y, old, newDpi);
    }
    RECT to = rect ? *rect
                   : RECT{x, y, x + vx::ui::ScaleBetween(width, old, newDpi),
                          y + vx::ui::ScaleBetween(height, old, newDpi)};
    x = to.left;
    y = to.top;
    width = to.right - to.left;
    height = to.bottom - to.top;
    SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (roundCorners)
        ApplyRegion();
    BuildLayers();
    AttachControls();
    Redraw();
}

void CVxDlg::Paint(HDC hdc) {
    RECT rc = {};
    GetClientRect(hwnd, &rc);
    // A plain surface presents itself as it goes; a layered one is
    // presented whole, at the window's opacity.
    CVxDC surface(hdc, rc, !layered, layered, hwnd);
    if (scaledFrame) {
        scaledFrame.DrawScaled(surface.memDC, rc.right - rc.left, rc.bottom - rc.top, layered);
        if (layered)
            vx::ui::PresentLayered(hwnd, surface.memDC);
        return;
    }
    DrawBackground(surface.memDC, rc);
    DrawContent(surface.memDC);
    if (!frozen) {
        for (size_t i = 0; i < controls.size(); ++i)
            controls[i]->Paint(surface.memDC);
        if (showFocus)
            DrawFocusMark(surface.memDC);
        BitBlt(frameLayer.memDC, 0, 0, rc.right - rc.left, rc.bottom - rc.top, surface.memDC, 0, 0,
               SRCCOPY);
    }
    if (layered)
        vx::ui::PresentLayered(hwnd, surface.memDC);
}

void CVxDlg::DrawBackground(HDC hdc, RECT rect) {
    if (isChild && parentBackgroundDC) {
        BitBlt(hdc, 0, 0, width, height, parentBackgroundDC, x, y, SRCCOPY);
        return;
    }
    if (bgImageId > 0) {
        CVxImage::Instance().DrawStretchImg(hdc, bgImageId, L"IMG", rect, bgSplitH, 1, 0, bgSplitV,
                                            dpi);
        return;
    }
    vx::ui::FillOpaque(hdc, rect, bgColor);
}

void CVxDlg::ApplyRegion() {
    if (!hwnd)
        return;
    roundCorners = true;
    RECT client = {}, wnd = {};
    GetClientRect(hwnd, &client);
    GetWindowRect(hwnd, &wnd);
    POINT tl = {0, 0}, br = {client.right, client.bottom};
    ClientToScreen(hwnd, &tl);
    ClientToScreen(hwnd, &br);
    const int l = tl.x - wnd.left, t = tl.y - wnd.top, r = br.x - wnd.left, b = br.y - wnd.top;
    // The corner is a two-step stair, each step one pixel at 96 DPI.
    const int u = vx::ui::Scale(1, dpi);
    vx::unique_hrgn shape(CreateRectRgn(l, t + 2 * u, r, b - 2 * u));
    const RECT bands[] = {{l + 2 * u, t, r - 2 * u, t + u},
                          {l + 2 * u, b - u, r - 2 * u, b},
                          {l + u, t + u, r - u, t + 2 * u},
                          {l + u, b - 2 * u, r - u, b - u}};
    for (const RECT& band : bands) {
        vx::unique_hrgn part(CreateRectRgn(band.left, band.top, band.right, band.bottom));
        CombineRgn(shape.get(), shape.get(), part.get(), RGN_OR);
    }
    // The window owns the region once it has taken it.
    if (SetWindowRgn(hwnd, shape.get(), TRUE))
        shape.release();
}

void CVxDlg::Show(int effect, bool center, int cmdShow) {
    // An effect is claimed here, in one step, and handed to its thread.
    if (effect == -1 ? inEffect.load() : inEffect.exchange(true))
        return;
    if (center) {
        x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
        MoveWindow(hwnd, x, y, width, height, FALSE);
    }
    if (effect == -1) {
        ShowWindow(hwnd, cmdShow);
    } else {
        showEffect = effect;
        // The earlier thread has finished its effect; only its end is left.
        WaitEffectThread(kEffectWaitMs);
        effectThread.reset(GetVxThread().StartThread(EffectThread, this, 0));
        if (!effectThread)
            inEffect = false;
    }
    CVxApp& app = GetVxApp();
    if (!app.GetMainWnd())
        app.SetMainWnd(hwnd);
}

int CVxDlg::RunModal(int effect, bool disableOwner, bool center) {
    const bool owner = disableOwner && hostWnd;
    if (owner)
        EnableWindow(hostWnd, FALSE);
    Show(effect, center, SW_SHOW);
    closed = false;
    MSG msg;
    while (!closed) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0)
            GetVxApp().ExitApp();
        if (got < 0)
            break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (owner) {
        EnableWindow(hostWnd, TRUE);
        SetForegroundWindow(hostWnd);
        SendMessageW(hostWnd, WM_MOUSEMOVE, 0, 0);
    }
    return result;
}

void CVxDlg::EndDialog(int code) {
    result = code;
    Hide();
}

void CVxDlg::Hide() {
    ShowWindow(hwnd, SW_HIDE);
    closed = true;
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, 0);
}

void CVxDlg::OnKey(UINT vk) {
    switch (vk) {
    case VK_TAB:
        MoveFocus(GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
        break;
    case VK_LEFT:
    case VK_UP:
        MoveFocus(-1);
        break;
    case VK_RIGHT:
    case VK_DOWN:
        MoveFocus(1);
        break;
    case VK_SPACE:
        if (CVxBase* c = FocusedControl())
            PressControl(c);
        break;
    case VK_RETURN: {
        CVxBase* c = FocusedControl();
        if (!c || c->AccRole() != ROLE_SYSTEM_PUSHBUTTON)
            c = defaultControl && defaultControl->isFocusable() ? defaultControl : c;
        if (c)
            PressControl(c);
        break;
    }
    case VK_ESCAPE:
        OnEscape();
        break;
    default:
        break;
    }
}

void CVxDlg::OnEscape() {}

CVxBase* CVxDlg::FocusedControl() const {
    if (focusIndex >= 0 && focusIndex < static_cast<int>(controls.size()) &&
        controls[focusIndex]->isFocusable())
        return controls[focusIndex];
    return defaultControl && defaultControl->isFocusable() ? defaultControl : nullptr;
}

void CVxDlg::MoveFocus(int step) {
    const int n = static_cast<int>(controls.size());
    int at = -1;
    for (int i = 0; i < n; ++i)
        if (controls[i] == FocusedControl())
            at = i;
    if (at < 0)
        at = step > 0 ? n - 1 : 0;
    for (int i = 1; i <= n; ++i) {
        const int next = ((at + step * i) % n + n) % n;
        if (controls[next]->isFocusable()) {
            SetFocusIndex(next);
            return;
        }
    }
}

void CVxDlg::SetFocusIndex(int index) {
    focusIndex = index;
    showFocus = index >= 0;
    Redraw();
    if (index >= 0)
        NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd, OBJID_CLIENT, AccChildOf(controls[index]));
}

void CVxDlg::PressControl(CVxBase* control) {
    control->Press(control->context ? control->context : context);
}

// A rounded outline just inside the focused control, drawn with alpha so
// it shows on a layered window as on a plain one.
void CVxDlg::DrawFocusMark(HDC hdc) {
    const CVxBase* c = FocusedControl();
    if (!c || !c->visible)
        return;
    CVxImage::Instance(); // GDI+ is started with it
    const int u = vx::ui::Scale(1, dpi);
    vx::ui::DrawRoundOutline(hdc, c->x - originX + u, c->y - originY + u, c->width - 2 * u,
                             c->height - 2 * u, vx::ui::Scale(3, dpi), vx::ui::kFocusArgb,
                             2.0f * static_cast<float>(dpi) / vx::ui::kBaseDpi);
}

std::vector<CVxDlg::tagAccItem> CVxDlg::AccItems() {
    std::vector<tagAccItem> items;
    if (frozen)
        return items;
    for (CVxBase* c : controls) {
        if (!c->visible || (c->AccName().empty() && !c->isFocusable()))
            continue;
        long state = c->AccState();
        if (c->isFocusable())
            state |= STATE_SYSTEM_FOCUSABLE;
        if (c->isFocusable() && c == FocusedControl() && GetForegroundWindow() == hwnd)
            state |= STATE_SYSTEM_FOCUSED;
        if (c == defaultControl)
            state |= STATE_SYSTEM_DEFAULT;
        items.push_back({c,
                         c->AccRole(),
                         c->AccName(),
                         L"",
                         {c->x, c->y, c->x + c->width, c->y + c->height},
                         state});
    }
    return items;
}

long CVxDlg::AccChildOf(const CVxBase* control) {
    std::vector<tagAccItem> items = AccItems();
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].control == control)
            return static_cast<long>(i + 1);
    return 0;
}
