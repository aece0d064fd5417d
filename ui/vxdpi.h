// The screen's scale. Every window's geometry is written for 96 dots per
// inch; a window shown on a monitor of another DPI has its size, layout,
// fonts and pictures scaled by the monitor's DPI over 96.
#pragma once

#include "support/vxapi.h"

#include <windows.h>

namespace vx::ui {

constexpr UINT kBaseDpi = 96;

// v, written for 96 DPI, at dpi; rounded to the nearest pixel.
inline int Scale(int v, UINT dpi) {
    return MulDiv(v, static_cast<int>(dpi), kBaseDpi);
}

// v, at fromDpi, at toDpi.
inline int ScaleBetween(int v, UINT fromDpi, UINT toDpi) {
    return MulDiv(v, static_cast<int>(toDpi), static_cast<int>(fromDpi));
}

// The DPI a window is drawn at: the DPI of its monitor where the system
// tells windows apart (Windows 10 1607 and later), else the screen's.
VX_API UINT WindowDpi(HWND wnd);

// The font cache's copy of font at another DPI: same face and style, its
// height scaled from one DPI to the other. Null for a null font.
VX_API HFONT ScaledFont(HFONT font, UINT fromDpi, UINT toDpi);

} // namespace vx::ui
