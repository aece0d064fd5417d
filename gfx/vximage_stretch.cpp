#include "gfx/vximage.h"

#include "gfx/vximage_geometry.h"
#include "gfx/vximage_load.h"

using vx::image::LoadedImage;

bool CVxImage::DrawStretchImg(HDC hdc, Gdiplus::Image* pImage, int x, int y, int w, int h,
                              int nSplitH, int nFrames, int nFrameIndex, int nSplitV) {
    if (!hdc)
        return false;
    if (!pImage)
        return false;
    // One Graphics for all pieces of the one image. A stretched piece is
    // sampled as if its edge pixels went on beyond it: the default would
    // blend each edge with whatever lies outside the piece, leaving a faint
    // seam between a cap and the middle.
    Gdiplus::Graphics g(hdc);
    Gdiplus::ImageAttributes edges;
    edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    for (const vx::image::Piece& piece :
         vx::image::StretchPieces(vx::image::Width(pImage), vx::image::Height(pImage), {x, y, w, h},
                                  nSplitH, nFrames, nFrameIndex, nSplitV))
        vx::image::DrawPiece(g, pImage, piece, &edges);
    return true;
}

namespace {
// Bicubic sampling: what a picture drawn larger or smaller than its pixels
// needs to stay smooth.
void SmoothScaling(Gdiplus::Graphics& g) {
    g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
}
} // namespace

// The pieces are laid out at 96 DPI on a picture of their own, which is then
// scaled whole: each piece scaled alone would leave a seam where its
// resampled edge meets the next one's.
bool CVxImage::DrawStretchImg(HDC hdc, int nId, const wchar_t* lpszType, const RECT& dst,
                              int nSplitH, int nFrames, int nFrameIndex, int nSplitV, UINT dpi) {
    if (!hdc)
        return false;
    const int w = dst.right - dst.left, h = dst.bottom - dst.top;
    if (dpi == 96)
        return DrawStretchImg(hdc, nId, lpszType, dst.left, dst.top, w, h, nSplitH, nFrames,
                              nFrameIndex, nSplitV);
    LoadedImage image(LoadPngFromRes(nId, lpszType));
    if (!image.get() || w <= 0 || h <= 0)
        return false;
    const int lw = std::max(1, MulDiv(w, 96, static_cast<int>(dpi)));
    const int lh = std::max(1, MulDiv(h, 96, static_cast<int>(dpi)));
    Gdiplus::Bitmap laid(lw, lh, PixelFormat32bppPARGB);
    Gdiplus::ImageAttributes edges;
    edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    {
        Gdiplus::Graphics lg(&laid);
        for (const vx::image::Piece& piece :
             vx::image::StretchPieces(vx::image::Width(image.get()), vx::image::Height(image.get()),
                                      {0, 0, lw, lh}, nSplitH, nFrames, nFrameIndex, nSplitV))
            vx::image::DrawPiece(lg, image.get(), piece, &edges);
    }
    Gdiplus::Graphics g(hdc);
    SmoothScaling(g);
    vx::image::DrawPiece(g, &laid, {{0, 0, lw, lh}, {dst.left, dst.top, w, h}}, &edges);
    return true;
}

bool CVxImage::DrawImgScaled(HDC hdc, int nId, const wchar_t* lpszType, int x, int y, UINT dpi,
                             const RECT* pSrc) {
    if (!hdc)
        return false;
    LoadedImage image(LoadPngFromRes(nId, lpszType));
    if (!image.get())
        return false;
    vx::image::Piece piece = vx::image::ResolvePiece(
        vx::image::Width(image.get()), vx::image::Height(image.get()), pSrc, {x, y, 0, 0});
    piece.dst.w = MulDiv(piece.dst.w, static_cast<int>(dpi), 96);
    piece.dst.h = MulDiv(piece.dst.h, static_cast<int>(dpi), 96);
    Gdiplus::Graphics g(hdc);
    if (dpi != 96)
        SmoothScaling(g);
    Gdiplus::ImageAttributes edges;
    edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    vx::image::DrawPiece(g, image.get(), piece, dpi != 96 ? &edges : nullptr);
    return true;
}

bool CVxImage::DrawStretchImg(HDC hdc, IStream* pStream, int x, int y, int w, int h, int nSplitH,
                              int nFrames, int nFrameIndex, int nSplitV) {
    if (!hdc)
        return false;
    LoadedImage image(pStream);
    return DrawStretchImg(hdc, image.get(), x, y, w, h, nSplitH, nFrames, nFrameIndex, nSplitV);
}

bool CVxImage::DrawStretchImg(HDC hdc, const wchar_t* lpszPath, int x, int y, int w, int h,
                              int nSplitH, int nFrames, int nFrameIndex, int nSplitV) {
    if (!hdc)
        return false;
    LoadedImage image(lpszPath);
    return DrawStretchImg(hdc, image.get(), x, y, w, h, nSplitH, nFrames, nFrameIndex, nSplitV);
}

bool CVxImage::DrawStretchImg(HDC hdc, int nId, const wchar_t* lpszType, int x, int y, int w, int h,
                              int nSplitH, int nFrames, int nFrameIndex, int nSplitV) {
    if (!hdc)
        return false;
    LoadedImage image(LoadPngFromRes(nId, lpszType));
    return DrawStretchImg(hdc, image.get(), x, y, w, h, nSplitH, nFrames, nFrameIndex, nSplitV);
}
