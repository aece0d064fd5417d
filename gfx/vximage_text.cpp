#include "gfx/vximage.h"

#include "gfx/vximage_geometry.h"

#include <memory>

void CVxImage::DrawString(HDC hdc, HFONT hFont, const wchar_t* lpszText, int x, int y, int w, int h,
                          COLORREF clrText, int nAlpha, bool bCenter, bool bLineLimit,
                          int /*nReserved*/) {
    if (!hdc || !lpszText)
        return;
    Gdiplus::Graphics g(hdc);
    if (g.GetLastStatus() != Gdiplus::Ok)
        return;
    // The wide logical font: an ANSI one would lose a Chinese face name.
    std::unique_ptr<Gdiplus::Font> font;
    LOGFONTW lf = {};
    if (hFont && GetObjectW(hFont, sizeof(lf), &lf) == static_cast<int>(sizeof(lf)))
        font = std::make_unique<Gdiplus::Font>(hdc, &lf);
    else
        font = std::make_unique<Gdiplus::Font>(hdc);
    if (font->GetLastStatus() != Gdiplus::Ok)
        return;

    Gdiplus::StringFormat format(0, 0);
    format.SetAlignment(bCenter ? Gdiplus::StringAlignmentCenter : Gdiplus::StringAlignmentNear);
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    format.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
    if (bLineLimit)
        format.SetFormatFlags(Gdiplus::StringFormatFlagsLineLimit);

    Gdiplus::SolidBrush brush(Gdiplus::Color(vx::image::TextArgb(clrText, nAlpha)));
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintSystemDefault);
    Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(x), static_cast<Gdiplus::REAL>(y), 0, 0);
    if (w != 0 && h != 0) {
        layout.Width = static_cast<Gdiplus::REAL>(w);
        layout.Height = static_cast<Gdiplus::REAL>(h);
    }
    g.DrawString(lpszText, -1, font.get(), layout, &format, &brush);
}
