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
