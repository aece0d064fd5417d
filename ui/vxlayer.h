// Presentation helpers shared by the toolkit's windows and controls: the
// opacity of a layered window and the fills that stay visible on one.
#pragma once

#include "support/vxhandle.h"

#include <windows.h>
#include <optional>

namespace vx::ui {

// The whole-window opacity a window presented with UpdateLayeredWindow
// shows at. Such a window refuses SetLayeredWindowAttributes, so the value
// lives in a window property and every present applies it; 255 until set.
BYTE LayeredOpacity(HWND wnd);
void SetLayeredOpacity(HWND wnd, BYTE alpha);
// Drops the property; called as the window is destroyed.
void ForgetLayeredOpacity(HWND wnd);

// Presents memDC (premultiplied 32-bit pixels, the window's size) as the
// whole layered window, at its opacity.
void PresentLayered(HWND wnd, HDC memDC);

// Fills rc with an opaque colour. GDI leaves the alpha byte of a 32-bit
// DIB at 0, which a layered window shows as transparent, so DIB pixels are
// written directly.
void FillOpaque(HDC hdc, const RECT& rc, COLORREF color);

// A copy of a window's whole frame, drawn at any size: what a zoom effect
// shows at each size the window takes.
class FrameCopy {
public:
    // Copies w x h pixels of source; false (and empty) when it cannot.
    bool Take(HDC source, int w, int h);
    // The copy stretched over (0, 0, w, h) of target; keepAlpha for the
    // per-pixel alpha of a layered window's surface.
    void DrawScaled(HDC target, int w, int h, bool keepAlpha) const;
    void Reset();
    explicit operator bool() const { return m_bitmap.get() != nullptr; }

private:
    vx::unique_hbitmap m_bitmap;
    vx::unique_hdc m_dc;
    std::optional<vx::select_object> m_select;
    int m_w = 0, m_h = 0;
};

// The keyboard focus mark: the skin's deep rose, opaque.
constexpr unsigned kFocusArgb = 0xFFC2185B;

// An outline of the rectangle, penWidth pixels wide, with rounded corners
// (radius r), anti-aliased and with alpha, so it shows on a layered window too.
void DrawRoundOutline(HDC hdc, int x, int y, int w, int h, int r, unsigned argb,
                      float penWidth = 2.0f);

} // namespace vx::ui
