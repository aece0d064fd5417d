#include "ui/vxwin.h"

#include "gfx/vxdc.h"
#include "support/vxhandle.h"
#include "ui/vxapp.h"
#include "ui/vxlayer.h"

#include <cwchar>
#include <iterator>

namespace {
// A destroyed main window's handle could be reused by another window, into
// which controls without a host would then paint.
void ForgetMainWindow(HWND wnd) {
    CVxApp& app = GetVxApp();
    if (app.GetMainWnd() == wnd)
        app.SetMainWnd(nullptr);
}
} // namespace

CVxWin::CVxWin() : hwnd(nullptr), layered(false), iconId(0), isChild(false), initialized(false) {}

CVxWin::~CVxWin() {
    DestroyOwnWindow();
}

void CVxWin::DestroyOwnWindow() {
    if (hwnd) {
        // Detached first: the object is going away, its handlers must not run.
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        vx::ui::ForgetLayeredOpacity(hwnd);
        ForgetMainWindow(hwnd);
        DestroyWindow(hwnd);
        hwnd = nullptr;
    }
    // Also the class of a creation that failed or of a window destroyed
    // from outside.
    if (!className.empty()) {
        UnregisterClassW(className.c_str(), GetVxApp().GetInstance());
        className.clear();
    }
}

void CVxWin::Paint(HDC) {}
void CVxWin::OnInit() {}
void CVxWin::OnCreate() {}

ATOM CVxWin::RegisterWndClass() {
    CVxApp& app = GetVxApp();
    wchar_t name[256];
    _snwprintf(name, std::size(name), L"%ls_VXWND_%d", app.GetAppName(),
               static_cast<int>(GetTickCount()));
    name[std::size(name) - 1] = L'\0';
    className = name;

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = StaticWndProc;
    wc.hInstance = app.GetInstance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = className.c_str();
    if (iconId) {
        wc.hIcon = LoadIconW(app.GetInstance(), MAKEINTRESOURCEW(iconId));
        wc.hIconSm = wc.hIcon;
    }
    return RegisterClassExW(&wc);
}

bool CVxWin::Create(DWORD style, int x_, int y_, int width_, int height_, DWORD exStyle,
                    bool layered_, HWND parent) {
    DestroyOwnWindow();
    x = x_;
    y = y_;
    width = width_;
    height = height_;
    RegisterWndClass();
    if (!style)
        style = parent ? WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN
                       : WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_MINIMIZEBOX;
    hostWnd = parent;
    CVxApp& app = GetVxApp();
    hwnd = CreateWindowExW(0, className.c_str(), app.GetAppName(), style, x, y, width, height,
                           parent, nullptr, app.GetInstance(), nullptr);
    if (!hwnd)
        return false;
    isChild = (style & WS_CHILD) != 0;
    if (exStyle)
        SetWindowLongW(hwnd, GWL_EXSTYLE, static_cast<LONG>(exStyle));
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    layered = layered_;
    if (layered)
        SetWindowLongW(hwnd, GWL_EXSTYLE, GetWindowLongW(hwnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    if (!initialized) {
        OnInit();
        initialized = true;
    }
    OnCreate();
    if (layered)
        PostMessageW(hwnd, WM_PAINT, 0, 0);
    return true;
}

LRESULT CALLBACK CVxWin::StaticWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CVxWin*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY && self->hwnd == hWnd) {
        // Destroyed from outside (its parent went away): the object keeps
        // no handle that a later window could reuse.
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
        vx::ui::ForgetLayeredOpacity(hWnd);
        ForgetMainWindow(hWnd);
        self->hwnd = nullptr;
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    }
    return self->WndProc(hWnd, msg, wParam, lParam);
}

LRESULT CVxWin::WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd != hwnd || msg != WM_PAINT)
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hWnd, &ps);
    Paint(dc);
    EndPaint(hWnd, &ps);
    return 0;
}

void CVxWin::Redraw() {
    if (!hwnd)
        return;
    if (layered) {
        PostMessageW(hwnd, WM_PAINT, 0, 0);
        return;
    }
    vx::unique_window_dc dc(hwnd);
    RECT rc = {};
    GetClientRect(hwnd, &rc);
    CVxDC surface(dc.get(), rc, false, false, nullptr);
    Paint(surface.memDC);
    surface.Draw();
}
