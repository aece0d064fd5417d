// The arithmetic behind the image drawing: natural sizes, state-strip frames,
// three- and nine-part stretching, rotation about a centre, parallelograms,
// text colours and encoder MIME types. No GDI+ here; the drawing code only
// carries out what these return.
#pragma once

#include <windows.h>
#include <array>
#include <cstddef>
#include <vector>

namespace vx::image {

// A rectangle as its top-left corner and size.
struct Box {
    int x, y, w, h;
};
inline bool operator==(const Box& a, const Box& b) {
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

// One draw: a source rectangle of the image onto a destination.
struct Piece {
    Box src;
    Box dst;
};

// A piece before natural sizes are filled in: source as a RECT.
struct Part {
    RECT src;
    Box dst;
};

// What one plain draw of the image does: the whole image when src is null,
// and a destination width or height of 0 replaces both with the source's.
Piece ResolvePiece(int imageW, int imageH, const RECT* src, const Box& dst);

// Frame frameIndex of a strip of frames equal-width frames: frames below 1
// count as 1, an index past the last frame or below 0 is moved onto the
// nearest frame. The frame width is imageW / frames, rounded down.
RECT FrameRect(int imageW, int imageH, int frames, int frameIndex);

// Three parts across: the caps keep capWidth, the middle stretches.
std::array<Part, 3> SplitAcross(const RECT& src, const Box& dst, int capWidth);
// Three bands down: the top and bottom bands keep capHeight.
std::array<Part, 3> SplitDown(const RECT& src, const Box& dst, int capHeight);

// Every piece a stretched draw of frame frameIndex makes: nine with both
// splits, three with one, otherwise the frame alone; natural sizes resolved.
std::vector<Piece> StretchPieces(int imageW, int imageH, const Box& dst, int splitH, int frames,
                                 int frameIndex, int splitV);

// The two translations around a rotation about the centre of dst: first by
// (toX, toY), then, after rotating, by (backX, backY). Halves truncate.
struct RotateShift {
    int toX, toY, backX, backY;
};
RotateShift RotateAbout(const Box& dst);

// The corners a three-point mapping gives the image: upper-left, upper-right,
// lower-left as passed, and the lower-right that completes the parallelogram.
std::array<POINT, 4> ParallelogramCorners(int x1, int y1, int x2, int y2, int x3, int y3);

// The text brush colour 0xAARRGGBB from a COLORREF and the low byte of alpha.
DWORD TextArgb(COLORREF color, int alpha);

// "image/" followed by format into out; false when format is null or empty
// or the result would not fit.
constexpr size_t kMimeChars = 64;
bool MimeType(const wchar_t* format, wchar_t (&out)[kMimeChars]);

} // namespace vx::image
