#include "gfx/vximage.h"

#include "gfx/vximage_geometry.h"

#include <cmath>
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

namespace {

// The font and format both line routines use, so a measured width is the
// drawn one.
std::unique_ptr<Gdiplus::Font> LineFont(HDC hdc, HFONT hFont) {
    LOGFONTW lf = {};
    if (hFont && GetObjectW(hFont, sizeof(lf), &lf) == static_cast<int>(sizeof(lf)))
        return std::make_unique<Gdiplus::Font>(hdc, &lf);
    return std::make_unique<Gdiplus::Font>(hdc);
}

void LineFormat(Gdiplus::StringFormat& format) {
    format.SetAlignment(Gdiplus::StringAlignmentNear);
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    format.SetTrimming(Gdiplus::StringTrimmingNone);
    format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap);
}

} // namespace

int CVxImage::MeasureStringLine(HDC hdc, HFONT hFont, const wchar_t* lpszText) {
    if (!hdc || !lpszText)
        return 0;
    Gdiplus::Graphics g(hdc);
    std::unique_ptr<Gdiplus::Font> font = LineFont(hdc, hFont);
    if (g.GetLastStatus() != Gdiplus::Ok || font->GetLastStatus() != Gdiplus::Ok)
        return 0;
    Gdiplus::StringFormat format(0, 0);
    LineFormat(format);
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintSystemDefault);
    Gdiplus::RectF bounds;
    g.MeasureString(lpszText, -1, font.get(), Gdiplus::PointF(0, 0), &format, &bounds);
    return static_cast<int>(std::ceil(bounds.Width));
}

void CVxImage::DrawStringLine(HDC hdc, HFONT hFont, const wchar_t* lpszText, int x, int y, int w,
                              int h, COLORREF clrText, int nAlpha) {
    if (!hdc || !lpszText)
        return;
    Gdiplus::Graphics g(hdc);
    std::unique_ptr<Gdiplus::Font> font = LineFont(hdc, hFont);
    if (g.GetLastStatus() != Gdiplus::Ok || font->GetLastStatus() != Gdiplus::Ok)
        return;
    Gdiplus::StringFormat format(0, 0);
    LineFormat(format);
    Gdiplus::SolidBrush brush(Gdiplus::Color(vx::image::TextArgb(clrText, nAlpha)));
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintSystemDefault);
    Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(x), static_cast<Gdiplus::REAL>(y),
                          static_cast<Gdiplus::REAL>(w), static_cast<Gdiplus::REAL>(h));
    g.DrawString(lpszText, -1, font.get(), layout, &format, &brush);
}
