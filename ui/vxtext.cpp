#include "ui/vxtext.h"

#include "gfx/vxfont.h"
#include "gfx/vximage.h"
#include "ui/vxdpi.h"
#include "ui/vxstateimage.h"

using vx::ui::DefaultTextOffsetY;

CVxText::CVxText() : textOffsetY(DefaultTextOffsetY()), centered(false) {
    dragThrough = true;
}

CVxText::~CVxText() = default;

void CVxText::Init(const wchar_t* text_, int x_, int y_, int width_, int height_, bool centered_) {
    text = text_ ? text_ : L"";
    x = x_;
    y = y_;
    width = width_;
    height = height_;
    dragThrough = true;
    centered = centered_;
    textOffsetY = DefaultTextOffsetY();
}

void CVxText::SetFont(int size, COLORREF color, const wchar_t* face, int bold, int underline,
                      int italic) {
    font = CVxFont::Instance().GetFont(size, face, bold, underline, italic);
    textColor = color;
}

void CVxText::DrawAt(HDC hdc, int dx, int dy) {
    if (!hdc || text.empty())
        return;
    CVxImage::Instance().DrawString(hdc, font, text.c_str(), dx, dy + textOffsetY, width, height,
                                    textColor, 254, centered, true, 0);
}

void CVxText::ScaleTo(UINT newDpi) {
    if (!newDpi || newDpi == dpi)
        return;
    textOffsetY = vx::ui::ScaleBetween(textOffsetY, dpi, newDpi);
    CVxBase::ScaleTo(newDpi);
}

void CVxText::Paint(HDC hdc) {
    if (IsDrawable())
        DrawAt(hdc, x - originX, y - originY);
}
