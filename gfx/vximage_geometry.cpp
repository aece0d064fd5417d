#include "gfx/vximage_geometry.h"

#include "support/vxtext.h"

#include <cwchar>

namespace vx::image {

Piece ResolvePiece(int imageW, int imageH, const RECT* src, const Box& dst) {
    Piece p;
    if (src)
        p.src = {src->left, src->top, src->right - src->left, src->bottom - src->top};
    else
        p.src = {0, 0, imageW, imageH};
    p.dst = dst;
    if (dst.w == 0 || dst.h == 0) {
        p.dst.w = p.src.w;
        p.dst.h = p.src.h;
    }
    return p;
}

RECT FrameRect(int imageW, int imageH, int frames, int frameIndex) {
    if (frames < 1)
        frames = 1;
    if (frameIndex >= frames)
        frameIndex = frames - 1;
    // A negative index would reach left of the image.
    if (frameIndex < 0)
        frameIndex = 0;
    int frameW = imageW / frames;
    return {frameW * frameIndex, 0, frameW * frameIndex + frameW, imageH};
}

std::array<Part, 3> SplitAcross(const RECT& s, const Box& d, int c) {
    return {{
        {{s.left, s.top, s.left + c, s.bottom}, {d.x, d.y, c, d.h}},
        {{s.left + c, s.top, s.right - c, s.bottom}, {d.x + c, d.y, d.w - 2 * c, d.h}},
        {{s.right - c, s.top, s.right, s.bottom}, {d.x + d.w - c, d.y, c, d.h}},
    }};
}

std::array<Part, 3> SplitDown(const RECT& s, const Box& d, int c) {
    return {{
        {{s.left, s.top, s.right, s.top + c}, {d.x, d.y, d.w, c}},
        {{s.left, s.top + c, s.right, s.bottom - c}, {d.x, d.y + c, d.w, d.h - 2 * c}},
        {{s.left, s.bottom - c, s.right, s.bottom}, {d.x, d.y + d.h - c, d.w, c}},
    }};
}

std::vector<Piece> StretchPieces(int imageW, int imageH, const Box& dst, int splitH, int frames,
                                 int frameIndex, int splitV) {
    RECT frame = FrameRect(imageW, imageH, frames, frameIndex);
    std::vector<Piece> pieces;
    auto across = [&](const RECT& src, const Box& box) {
        for (const Part& part : SplitAcross(src, box, splitH))
            pieces.push_back(ResolvePiece(imageW, imageH, &part.src, part.dst));
    };
    if (splitV > 0) {
        for (const Part& band : SplitDown(frame, dst, splitV)) {
            if (splitH > 0)
                across(band.src, band.dst);
            else
                pieces.push_back(ResolvePiece(imageW, imageH, &band.src, band.dst));
        }
    } else if (splitH > 0) {
        across(frame, dst);
    } else {
        pieces.push_back(ResolvePiece(imageW, imageH, &frame, dst));
    }
    return pieces;
}

RotateShift RotateAbout(const Box& d) {
    return {d.x + d.w / 2, d.y + d.h / 2, (-d.w) / 2 - d.x, (-d.h) / 2 - d.y};
}

std::array<POINT, 4> ParallelogramCorners(int x1, int y1, int x2, int y2, int x3, int y3) {
    return {{{x1, y1}, {x2, y2}, {x3, y3}, {x2 + x3 - x1, y2 + y3 - y1}}};
}

DWORD TextArgb(COLORREF color, int alpha) {
    return static_cast<DWORD>(alpha & 0xFF) << 24 | static_cast<DWORD>(GetRValue(color)) << 16 |
           static_cast<DWORD>(GetGValue(color)) << 8 | GetBValue(color);
}

bool MimeType(const wchar_t* format, wchar_t (&out)[kMimeChars]) {
    static const wchar_t kPrefix[] = L"image/";
    const size_t prefix = wcslen(kPrefix);
    out[0] = L'\0';
    if (!format || !format[0] || wcslen(format) >= kMimeChars - prefix)
        return false;
    vx::CopyBounded(out, kPrefix, prefix);
    vx::CopyBounded(out + prefix, format, kMimeChars - prefix - 1);
    return true;
}

} // namespace vx::image
