// Whether the screen shows one of the built program's pictures.
#pragma once

#include "tests/gfx/canvas.h"
#include "tests/ui/uitest.h"

namespace vxtest {

// Whether the screen at (x, y) shows every opaque pixel of picture id
// (w x h at most), and the picture has some.
inline bool ScreenShowsPicture(int id, int x, int y, int w, int h) {
    Canvas black(w, h, 0xFF000000), white(w, h, 0xFFFFFFFF);
    CVxImage::Instance().DrawImg(black.dc(), id, L"IMG", 0, 0, 0, 0, nullptr);
    CVxImage::Instance().DrawImg(white.dc(), id, L"IMG", 0, 0, 0, 0, nullptr);
    vx::unique_window_dc screen(nullptr);
    int opaque = 0;
    for (int py = 0; py < h; ++py)
        for (int px = 0; px < w; ++px) {
            const uint32_t c = black.Rgb(px, py);
            if (c != white.Rgb(px, py))
                continue;
            ++opaque;
            const COLORREF s = GetPixel(screen.get(), x + px, y + py);
            if (!Near(c, (GetRValue(s) << 16) | (GetGValue(s) << 8) | GetBValue(s), 2))
                return false;
        }
    return opaque > 50;
}

} // namespace vxtest
