#include "ui/vxdpi.h"

#include "gfx/vxfont.h"
#include "support/vxhandle.h"
#include "support/vxprocess.h"

namespace vx::ui {

UINT WindowDpi(HWND wnd) {
    // Looked up by name: the function is newer than the oldest system the
    // program runs on.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = vx::LookUp<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
    if (getDpi && wnd) {
        if (const UINT dpi = getDpi(wnd))
            return dpi;
    }
    vx::unique_window_dc screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

HFONT ScaledFont(HFONT font, UINT fromDpi, UINT toDpi) {
    LOGFONTW lf = {};
    if (!font || fromDpi == toDpi || !GetObjectW(font, sizeof(lf), &lf))
        return font;
    return CVxFont::Instance().GetFont(
        MulDiv(lf.lfHeight, static_cast<int>(toDpi), static_cast<int>(fromDpi)), lf.lfFaceName,
        lf.lfWeight >= FW_BOLD ? 1 : 0, lf.lfUnderline ? 1 : 0, lf.lfItalic ? 1 : 0);
}

} // namespace vx::ui
