#include "ui/vxbase.h"

#include <oleacc.h>

#include "gfx/vxdc.h"
#include "gfx/vxfont.h"
#include "support/vxhandle.h"
#include "ui/vxapp.h"
#include "ui/vxdpi.h"
#include "ui/vxlayer.h"

CVxBase::CVxBase()
    : context(nullptr), x(0), y(0), width(0), height(0), originX(0), originY(0), font(nullptr),
      textColor(0), hostWnd(nullptr), visible(true), imageSource(0), stateImages(4),
      dragThrough(false), backgroundDC(nullptr), frameDC(nullptr), hostLayered(false),
      dpi(vx::ui::kBaseDpi) {
    CVxFont& fonts = CVxFont::Instance();
    font = fonts.GetFont(fonts.isSupportYaHei() ? 18 : 12, nullptr, 0, 0, 0);
}

CVxBase::~CVxBase() = default;

void CVxBase::DrawAt(HDC, int, int) {}

bool CVxBase::OnMouse(int, int, int, void*) {
    return false;
}

// Edges are scaled rather than sizes, so neighbours stay neighbours.
void CVxBase::ScaleTo(UINT newDpi) {
    if (!newDpi || newDpi == dpi)
        return;
    const auto at = [&](int v) { return vx::ui::ScaleBetween(v, dpi, newDpi); };
    const int right = at(x + width), bottom = at(y + height);
    x = at(x);
    y = at(y);
    width = right - x;
    height = bottom - y;
    originX = at(originX);
    originY = at(originY);
    font = vx::ui::ScaledFont(font, dpi, newDpi);
    dpi = newDpi;
}

HWND CVxBase::HostWindow() {
    if (!hostWnd)
        hostWnd = GetVxApp().GetMainWnd();
    return hostWnd;
}

bool CVxBase::isAt(int px, int py) const {
    const int left = x - originX, top = y - originY;
    return left <= px && px <= left + width && top <= py && py <= top + height;
}

bool CVxBase::IsDrawable() {
    if (!visible)
        return false;
    RECT wnd = {};
    GetWindowRect(HostWindow(), &wnd);
    const int left = x - originX, top = y - originY;
    const int right = left + width, bottom = top + height;
    return bottom >= 0 && top <= wnd.bottom - wnd.top && right >= 0 && left <= wnd.right - wnd.left;
}

void CVxBase::RedrawSelf(bool) {
    if (!IsDrawable())
        return;
    HWND window = HostWindow();
    vx::unique_window_dc dc(window);
    if (!dc)
        return;
    if (hostLayered) {
        // A layered window is only ever updated whole: rebuild the frame
        // from the composition layer with this object's new look in it.
        RECT wr = {};
        GetWindowRect(window, &wr);
        CVxDC surface(dc.get(), wr, false, true, window);
        if (frameDC)
            BitBlt(surface.memDC, 0, 0, wr.right - wr.left, wr.bottom - wr.top, frameDC, 0, 0,
                   SRCCOPY);
        if (backgroundDC)
            BitBlt(surface.memDC, x, y, width, height, backgroundDC, x, y, SRCCOPY);
        DrawAt(surface.memDC, x, y);
        if (frameDC)
            BitBlt(frameDC, x, y, width, height, surface.memDC, x, y, SRCCOPY);
        vx::ui::PresentLayered(window, surface.memDC);
        return;
    }
    const RECT rc = {x - originX, y - originY, x - originX + width, y - originY + height};
    CVxDC surface(dc.get(), rc, false, false, nullptr);
    if (backgroundDC)
        BitBlt(surface.memDC, 0, 0, width, height, backgroundDC, rc.left, rc.top, SRCCOPY);
    DrawAt(surface.memDC, 0, 0);
    if (frameDC)
        BitBlt(frameDC, x, y, width, height, surface.memDC, 0, 0, SRCCOPY);
    surface.Draw();
}

void CVxBase::Press(void*) {}

long CVxBase::AccRole() const {
    return ROLE_SYSTEM_STATICTEXT;
}
