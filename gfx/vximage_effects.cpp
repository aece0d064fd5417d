#include "gfx/vximage.h"

#include "gfx/vximage_geometry.h"
#include "gfx/vximage_load.h"

using vx::image::LoadedImage;

namespace {

// The whole image through a colour matrix.
void DrawScaled(CVxImage& self, HDC hdc, Gdiplus::Image* image, const Gdiplus::ColorMatrix& m,
                int x, int y, int w, int h) {
    if (!image)
        return;
    Gdiplus::ImageAttributes attr;
    attr.SetColorMatrix(&m);
    self.DrawImg(hdc, image, x, y, w, h, nullptr, &attr);
}

void DrawKeyed(CVxImage& self, HDC hdc, Gdiplus::Image* image, DWORD high, DWORD low, int x, int y,
               int w, int h) {
    if (!image)
        return;
    Gdiplus::ImageAttributes attr;
    attr.SetColorKey(Gdiplus::Color(low), Gdiplus::Color(high));
    self.DrawImg(hdc, image, x, y, w, h, nullptr, &attr);
}

void DrawTurned(HDC hdc, Gdiplus::Image* image, int angle, int x, int y, int w, int h) {
    if (!image)
        return;
    if (w == 0 || h == 0) {
        w = vx::image::Width(image);
        h = vx::image::Height(image);
    }
    vx::image::RotateShift s = vx::image::RotateAbout({x, y, w, h});
    Gdiplus::Graphics g(hdc);
    g.TranslateTransform(static_cast<Gdiplus::REAL>(s.toX), static_cast<Gdiplus::REAL>(s.toY));
    g.RotateTransform(static_cast<Gdiplus::REAL>(angle));
    g.TranslateTransform(static_cast<Gdiplus::REAL>(s.backX), static_cast<Gdiplus::REAL>(s.backY));
    g.DrawImage(image, x, y, w, h);
    g.ResetTransform();
}

void DrawFlipped(CVxImage& self, HDC hdc, Gdiplus::Image* image, int x, int y, int w, int h,
                 Gdiplus::RotateFlipType type, float alpha) {
    if (!image)
        return;
    image->RotateFlip(type);
    DrawScaled(self, hdc, image, vx::image::ScaleMatrix(1, 1, 1, alpha), x, y, w, h);
}

} // namespace

bool CVxImage::DrawImgEx(HDC hdc, IStream* pStream, float r, float g, float b, float a, int x,
                         int y, int w, int h) {
    if (!hdc)
        return false;
    LoadedImage image(pStream);
    DrawScaled(*this, hdc, image.get(), vx::image::ScaleMatrix(r, g, b, a), x, y, w, h);
    return static_cast<bool>(image);
}

bool CVxImage::DrawImgEx(HDC hdc, const wchar_t* lpszPath, float r, float g, float b, float a,
                         int x, int y, int w, int h) {
    if (!hdc)
        return false;
    LoadedImage image(lpszPath);
    DrawScaled(*this, hdc, image.get(), vx::image::ScaleMatrix(r, g, b, a), x, y, w, h);
    return static_cast<bool>(image);
}

bool CVxImage::DrawImgEx(HDC hdc, int nId, const wchar_t* lpszType, float r, float g, float b,
                         float a, int x, int y, int w, int h) {
    if (!hdc)
        return false;
    LoadedImage image(LoadPngFromRes(nId, lpszType));
    DrawScaled(*this, hdc, image.get(), vx::image::ScaleMatrix(r, g, b, a), x, y, w, h);
    return static_cast<bool>(image);
}

bool CVxImage::DrawTranImg(HDC hdc, IStream* pStream, DWORD clrHigh, DWORD clrLow, int x, int y,
                           int w, int h) {
    if (!hdc)
        return false;
    LoadedImage image(pStream);
    DrawKeyed(*this, hdc, image.get(), clrHigh, clrLow, x, y, w, h);
    return static_cast<bool>(image);
}

bool CVxImage::DrawTranImg(HDC hdc, const wchar_t* lpszPath, DWORD clrHigh, DWORD clrLow, int x,
                           int y, int w, int h) {
    if (!hdc)
        return false;
    LoadedImage image(lpszPath);
    DrawKeyed(*this, hdc, image.get(), clrHigh, clrLow, x, y, w, h);
    return static_cast<bool>(image);
}

bool CVxImage::DrawTranImg(HDC hdc, int nId, const wchar_t* lpszType, DWORD clrHigh, DWORD clrLow,
                           int x, int y, int w, int h) {
    if (!hdc)
        return false;
    LoadedImage image(LoadPngFromRes(nId, lpszType));
    DrawKeyed(*this, hdc, image.get(), clrHigh, clrLow, x, y, w, h);
    return static_cast<bool>(image);
}

bool CVxImage::DrawRotate(HDC hdc, IStream* pStream, int nAngle, int x, int y, int w, int h) {
    if (!hdc)
        return false;
    LoadedImage image(pStream);
    DrawTurned(hdc, image.get(), nAngle, x, y, w, h);
    return static_cast<bool>(image);
}

bool CVxImage::DrawRotate(HDC hdc, const wchar_t* lpszPath, int nAngle, int x, int y, int w,
                          int h) {
    if (!hdc)
        return false;
    LoadedImage image(lpszPath);
    DrawTurned(hdc, image.get(), nAngle, x, y, w, h);
    return static_cast<bool>(image);
}

bool CVxImage::DrawRotate(HDC hdc, int nId, const wchar_t* lpszType, int nAngle, int x, int y,
                          int w, int h) {
    if (!hdc)
        return false;
    LoadedImage image(LoadPngFromRes(nId, lpszType));
    DrawTurned(hdc, image.get(), nAngle, x, y, w, h);
    return static_cast<bool>(image);
}

bool CVxImage::DrawRotateFlip(HDC hdc, IStream* pStream, int x, int y, int w, int h,
                              Gdiplus::RotateFlipType type, float fAlpha) {
    if (!hdc)
        return false;
    LoadedImage image(pStream);
    DrawFlipped(*this, hdc, image.get(), x, y, w, h, type, fAlpha);
    return static_cast<bool>(image);
}

bool CVxImage::DrawRotateFlip(HDC hdc, const wchar_t* lpszPath, int x, int y, int w, int h,
                              Gdiplus::RotateFlipType type, float fAlpha) {
    if (!hdc)
        return false;
    LoadedImage image(lpszPath);
    DrawFlipped(*this, hdc, image.get(), x, y, w, h, type, fAlpha);
    return static_cast<bool>(image);
}

bool CVxImage::DrawRotateFlip(HDC hdc, int nId, const wchar_t* lpszType, int x, int y, int w, int h,
                              Gdiplus::RotateFlipType type, float fAlpha) {
    if (!hdc)
        return false;
    LoadedImage image(LoadPngFromRes(nId, lpszType));
    DrawFlipped(*this, hdc, image.get(), x, y, w, h, type, fAlpha);
    return static_cast<bool>(image);
}

void CVxImage::DrawRotate3D(HDC hdc, IStream* pStream, int x1, int y1, int x2, int y2, int x3,
                            int y3) {
    if (!hdc || !pStream)
        return;
    LoadedImage image(pStream);
    if (!image)
        return;
    std::array<POINT, 4> c = vx::image::ParallelogramCorners(x1, y1, x2, y2, x3, y3);
    const Gdiplus::Point points[3] = {{c[0].x, c[0].y}, {c[1].x, c[1].y}, {c[2].x, c[2].y}};
    Gdiplus::Graphics g(hdc);
    g.DrawImage(image.get(), points, 3);
}
