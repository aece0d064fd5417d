#include "ui/vxlayer.h"

#include "support/vxhandle.h"

#include <objidl.h>
#include <algorithm>
#include <cstdint>
// GDI+ wants min and max in scope.
using std::max;
using std::min;
#include <gdiplus.h>

namespace vx::ui {

namespace {
const wchar_t kOpacityProp[] = L"vxOpacity";
}

// Stored as alpha + 1, so that "no property" (0) reads as opaque.
BYTE LayeredOpacity(HWND wnd) {
    auto v = reinterpret_cast<UINT_PTR>(GetPropW(wnd, kOpacityProp));
    return v ? static_cast<BYTE>(v - 1) : 255;
}

void SetLayeredOpacity(HWND wnd, BYTE alpha) {
    SetPropW(wnd, kOpacityProp, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(alpha) + 1));
}

void ForgetLayeredOpacity(HWND wnd) {
    RemovePropW(wnd, kOpacityProp);
}

void PresentLayered(HWND wnd, HDC memDC) {
    RECT wr = {};
    GetWindowRect(wnd, &wr);
    POINT pos = {wr.left, wr.top};
    SIZE size = {wr.right - wr.left, wr.bottom - wr.top};
    POINT src = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, LayeredOpacity(wnd), AC_SRC_ALPHA};
    UpdateLayeredWindow(wnd, nullptr, &pos, &size, memDC, &src, 0, &blend, ULW_ALPHA);
}

void FillOpaque(HDC hdc, const RECT& rc, COLORREF color) {
    DIBSECTION ds = {};
    HGDIOBJ bmp = GetCurrentObject(hdc, OBJ_BITMAP);
    if (GetObjectW(bmp, sizeof(ds), &ds) != sizeof(ds) || ds.dsBm.bmBitsPixel != 32 ||
        !ds.dsBm.bmBits) {
        vx::unique_hbrush brush(CreateSolidBrush(color));
        FillRect(hdc, &rc, brush.get());
        return;
    }
    GdiFlush();
    const int w = ds.dsBm.bmWidth, h = ds.dsBm.bmHeight;
    const uint32_t px =
        0xFF000000u | (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
    const bool bottomUp = ds.dsBmih.biHeight > 0;
    const int left = std::clamp(static_cast<int>(rc.left), 0, w);
    const int right = std::clamp(static_cast<int>(rc.right), left, w);
    const int top = std::clamp(static_cast<int>(rc.top), 0, h);
    const int bottom = std::clamp(static_cast<int>(rc.bottom), top, h);
    for (int row = top; row < bottom; ++row) {
        auto* line = static_cast<uint32_t*>(ds.dsBm.bmBits) + (bottomUp ? h - 1 - row : row) * w;
        std::fill(line + left, line + right, px);
    }
}

bool FrameCopy::Take(HDC source, int w, int h) {
    Reset();
    m_dc.reset(CreateCompatibleDC(source));
    m_bitmap.reset(CreateCompatibleBitmap(source, w, h));
    if (!m_dc || !m_bitmap) {
        Reset();
        return false;
    }
    m_select.emplace(m_dc.get(), m_bitmap.get());
    m_w = w;
    m_h = h;
    return BitBlt(m_dc.get(), 0, 0, w, h, source, 0, 0, SRCCOPY) != FALSE;
}

void FrameCopy::DrawScaled(HDC target, int w, int h, bool keepAlpha) const {
    if (!m_bitmap)
        return;
    // Halftone averages colours but not alpha bytes.
    SetStretchBltMode(target, keepAlpha ? COLORONCOLOR : HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);
    StretchBlt(target, 0, 0, w, h, m_dc.get(), 0, 0, m_w, m_h, SRCCOPY);
}

void FrameCopy::Reset() {
    m_select.reset();
    m_dc.reset();
    m_bitmap.reset();
    m_w = m_h = 0;
}

void DrawRoundOutline(HDC hdc, int x, int y, int w, int h, int r, unsigned argb, float penWidth) {
    if (w <= 2 * r || h <= 2 * r)
        return;
    Gdiplus::Graphics g(hdc);
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    Gdiplus::GraphicsPath path;
    const int d = 2 * r;
    path.AddArc(x, y, d, d, 180, 90);
    path.AddArc(x + w - d - 1, y, d, d, 270, 90);
    path.AddArc(x + w - d - 1, y + h - d - 1, d, d, 0, 90);
    path.AddArc(x, y + h - d - 1, d, d, 90, 90);
    path.CloseFigure();
    Gdiplus::Pen pen(Gdiplus::Color(argb), penWidth);
    g.DrawPath(&pen, &path);
}

} // namespace vx::ui
