// Plain drawing, frames, fading, colour keys, rotation, parallelograms and
// text, read back from real DIB sections.
#include "gfx/vximage.h"
#include "gfx/vximage_geometry.h"
#include "tests/gfx/canvas.h"
#include "tests/support/testutil.h"

#include <gtest/gtest.h>
#include <climits>

using namespace vxtest;
using vx::image::Box;

namespace {

CVxImage& Img() {
    return CVxImage::Instance();
}

// The ink's bounding box: pixels that differ from the background.
struct Ink {
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    bool any() const { return right >= 0; }
};
Ink FindInk(const Canvas& c, uint32_t background) {
    Ink ink;
    for (int y = 0; y < c.h(); ++y)
        for (int x = 0; x < c.w(); ++x)
            if (!Near(c.Rgb(x, y), background, 40)) {
                ink.left = std::min(ink.left, x);
                ink.top = std::min(ink.top, y);
                ink.right = std::max(ink.right, x);
                ink.bottom = std::max(ink.bottom, y);
            }
    return ink;
}

} // namespace

TEST(ImageGeometry, NaturalSizesAndFrames) {
    // Either size 0 replaces both, from the source rectangle when there is one.
    EXPECT_EQ(vx::image::ResolvePiece(40, 30, nullptr, {1, 2, 0, 20}).dst, (Box{1, 2, 40, 30}));
    RECT part = {5, 6, 15, 10};
    vx::image::Piece p = vx::image::ResolvePiece(40, 30, &part, {0, 0, 7, 0});
    EXPECT_EQ(p.src, (Box{5, 6, 10, 4}));
    EXPECT_EQ(p.dst, (Box{0, 0, 10, 4}));
    EXPECT_EQ(vx::image::ResolvePiece(40, 30, nullptr, {0, 0, 8, 9}).dst, (Box{0, 0, 8, 9}));

    auto frame = [](int w, int frames, int index) {
        RECT r = vx::image::FrameRect(w, 10, frames, index);
        return Box{r.left, r.top, r.right - r.left, r.bottom - r.top};
    };
    EXPECT_EQ(frame(80, 4, 7), (Box{60, 0, 20, 10}));
    EXPECT_EQ(frame(80, 0, 0), (Box{0, 0, 80, 10}));
    EXPECT_EQ(frame(100, 3, 2), (Box{66, 0, 33, 10})); // column 99 is never drawn
    EXPECT_EQ(frame(80, 4, -3), (Box{0, 0, 20, 10}));
}

TEST(ImageGeometry, RotationParallelogramColourAndMime) {
    vx::image::RotateShift s = vx::image::RotateAbout({10, 20, 31, 41});
    EXPECT_EQ(s.toX, 25);
    EXPECT_EQ(s.toY, 40);
    EXPECT_EQ(s.backX, -25);
    EXPECT_EQ(s.backY, -40);
    std::array<POINT, 4> c = vx::image::ParallelogramCorners(10, 5, 50, 15, 20, 45);
    EXPECT_EQ(c[3].x, 60);
    EXPECT_EQ(c[3].y, 55);
    EXPECT_EQ(vx::image::TextArgb(RGB(0x12, 0x34, 0x56), 0x1FE), 0xFE123456u);
    wchar_t mime[vx::image::kMimeChars];
    ASSERT_TRUE(vx::image::MimeType(L"png", mime));
    EXPECT_STREQ(mime, L"image/png");
    EXPECT_FALSE(vx::image::MimeType(L"", mime));
    EXPECT_FALSE(vx::image::MimeType(std::wstring(80, L'x').c_str(), mime));
    EXPECT_STREQ(mime, L"");
}

TEST(ImageDraw, NullDeviceContextDrawsNothingAndFails) {
    ScratchDir dir(L"imgnull");
    std::wstring path = dir / L"q.bmp";
    ASSERT_TRUE(WriteFileBytes(path, Quadrants(8, 8)));
    vx::com_ptr<IStream> s = StreamOf(Quadrants(8, 8));
    EXPECT_FALSE(Img().DrawImg(nullptr, s.get(), 0, 0, 0, 0));
    EXPECT_FALSE(Img().DrawImg(nullptr, path.c_str(), 0, 0, 0, 0));
    EXPECT_FALSE(Img().DrawImg(nullptr, kImgDialog, L"IMG", 0, 0, 0, 0));
    EXPECT_FALSE(Img().DrawStretchImg(nullptr, s.get(), 0, 0, 0, 0, 1, 1, 0, 1));
    EXPECT_FALSE(Img().DrawImgEx(nullptr, s.get(), 1, 1, 1, 1, 0, 0, 0, 0));
    EXPECT_FALSE(Img().DrawTranImg(nullptr, s.get(), 0, 0, 0, 0, 0, 0));
    EXPECT_FALSE(Img().DrawRotate(nullptr, s.get(), 0, 0, 0, 0, 0));
    EXPECT_FALSE(Img().DrawRotateFlip(nullptr, s.get(), 0, 0, 0, 0, Gdiplus::RotateNoneFlipX, 1));
    // A source that does not load draws nothing and says so.
    Canvas c(8, 8, 0xFFFFFFFF);
    EXPECT_FALSE(Img().DrawImg(c.dc(), (dir / L"absent.png").c_str(), 0, 0, 0, 0));
    EXPECT_FALSE(Img().DrawRotate(c.dc(), (dir / L"absent.png").c_str(), 90, 0, 0, 0, 0));
    EXPECT_EQ(FindInk(c, 0xFFFFFF).any(), false);
    EXPECT_TRUE(Img().CheckImage(path.c_str()));
    ASSERT_TRUE(WriteFileBytes(dir / L"t.png", "not a picture"));
    EXPECT_FALSE(Img().CheckImage((dir / L"t.png").c_str()));
}

TEST(ImageDraw, NaturalSizePartsAndStreamsAtAnyPosition) {
    vx::com_ptr<IStream> s = StreamOf(Quadrants(20, 20));
    // Left at its end, as right after writing it.
    LARGE_INTEGER end = {};
    ULARGE_INTEGER at = {};
    ASSERT_HRESULT_SUCCEEDED(s.get()->Seek(end, STREAM_SEEK_END, &at));
    Canvas c(40, 40, 0xFFFFFFFF);
    ASSERT_TRUE(Img().DrawImg(c.dc(), s.get(), 5, 5, 0, 30));
    EXPECT_TRUE(Near(c.Rgb(9, 9), kTopLeft));
    EXPECT_TRUE(Near(c.Rgb(20, 9), kTopRight));
    EXPECT_TRUE(Near(c.Rgb(9, 20), kBottomLeft));
    EXPECT_TRUE(Near(c.Rgb(20, 20), kBottomRight));
    EXPECT_TRUE(Near(c.Rgb(27, 27), 0xFFFFFF)) << "drawn at natural size";
    ULARGE_INTEGER after = {};
    s.get()->Seek(end, STREAM_SEEK_CUR, &after);
    EXPECT_EQ(after.QuadPart, at.QuadPart) << "the caller's position stays";

    // Twice more from the same stream, the lower-right quadrant stretched.
    c.Fill(0xFFFFFFFF);
    RECT part = {10, 10, 20, 20};
    ASSERT_TRUE(Img().DrawImg(c.dc(), s.get(), 0, 0, 30, 30, &part));
    ASSERT_TRUE(Img().DrawImg(c.dc(), s.get(), 30, 30, 0, 0, &part));
    EXPECT_TRUE(Near(c.Rgb(2, 2), kBottomRight));
    EXPECT_TRUE(Near(c.Rgb(27, 27), kBottomRight));
    EXPECT_TRUE(Near(c.Rgb(35, 35), kBottomRight));
    EXPECT_TRUE(Near(c.Rgb(33, 20), 0xFFFFFF));
}

TEST(ImageDraw, FadingAndColourKeys) {
    ScratchDir dir(L"imgfade");
    std::wstring path = dir / L"k.bmp";
    // Red with a magenta column in the middle.
    ASSERT_TRUE(WriteFileBytes(
        path, BmpFile(20, 10, [](int x, int) { return x >= 8 && x < 12 ? 0xFF00FF : 0xFF0000; })));
    Canvas c(20, 10, 0xFFFFFFFF);
    ASSERT_TRUE(Img().DrawImgEx(c.dc(), path.c_str(), 1, 1, 1, 0.5f, 0, 0, 0, 0));
    EXPECT_TRUE(Near(c.Rgb(3, 5), 0xFF8080, 12)) << std::hex << c.Rgb(3, 5);
    EXPECT_TRUE(Near(c.Rgb(10, 5), 0xFF80FF, 12)) << std::hex << c.Rgb(10, 5);

    c.Fill(0xFFFFFFFF);
    ASSERT_TRUE(Img().DrawTranImg(c.dc(), path.c_str(), 0xFFFF10FF, 0xFFF000F0, 0, 0, 0, 0));
    EXPECT_TRUE(Near(c.Rgb(3, 5), 0xFF0000));
    EXPECT_TRUE(Near(c.Rgb(10, 5), 0xFFFFFF)) << "keyed out: " << std::hex << c.Rgb(10, 5);
    EXPECT_TRUE(Near(c.Rgb(16, 5), 0xFF0000));
}

TEST(ImageDraw, RotationFlipsAndParallelogram) {
    vx::com_ptr<IStream> s = StreamOf(Quadrants(20, 20));
    Canvas plain(40, 40, 0xFFFFFFFF), turned(40, 40, 0xFFFFFFFF);
    ASSERT_TRUE(Img().DrawImg(plain.dc(), s.get(), 10, 10, 20, 20));
    ASSERT_TRUE(Img().DrawRotate(turned.dc(), s.get(), 0, 10, 10, 20, 20));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(plain.Rgb(x, y), turned.Rgb(x, y)) << x << "," << y;

    // A quarter turn clockwise: the upper-left quadrant goes to the upper right.
    turned.Fill(0xFFFFFFFF);
    ASSERT_TRUE(Img().DrawRotate(turned.dc(), s.get(), 90, 10, 10, 0, 0));
    EXPECT_TRUE(Near(turned.Rgb(25, 15), kTopLeft));
    EXPECT_TRUE(Near(turned.Rgb(25, 25), kTopRight));
    EXPECT_TRUE(Near(turned.Rgb(15, 25), kBottomRight));
    EXPECT_TRUE(Near(turned.Rgb(15, 15), kBottomLeft));
    EXPECT_TRUE(Near(turned.Rgb(5, 5), 0xFFFFFF));

    // A quarter-turned 20 x 10 picture is drawn 10 x 20 at natural size.
    vx::com_ptr<IStream> wide =
        StreamOf(BmpFile(20, 10, [](int x, int) { return x < 10 ? 0xFF0000u : 0x0000FFu; }));
    turned.Fill(0xFFFFFFFF);
    ASSERT_TRUE(
        Img().DrawRotateFlip(turned.dc(), wide.get(), 0, 0, 0, 0, Gdiplus::Rotate90FlipNone, 1));
    EXPECT_TRUE(Near(turned.Rgb(5, 5), 0xFF0000));
    EXPECT_TRUE(Near(turned.Rgb(5, 15), 0x0000FF));
    EXPECT_TRUE(Near(turned.Rgb(15, 5), 0xFFFFFF));
    EXPECT_TRUE(Near(turned.Rgb(5, 22), 0xFFFFFF));

    // Parallelogram: each image corner lands at its point, the fourth
    // completes the shape; outside stays untouched.
    Canvas sheared(80, 80, 0xFFFFFFFF);
    Img().DrawRotate3D(sheared.dc(), s.get(), 10, 10, 50, 20, 20, 60);
    std::array<POINT, 4> c = vx::image::ParallelogramCorners(10, 10, 50, 20, 20, 60);
    const uint32_t colours[4] = {kTopLeft, kTopRight, kBottomLeft, kBottomRight};
    // A few pixels inside each corner, towards the centre.
    const int cx = (c[0].x + c[3].x) / 2, cy = (c[0].y + c[3].y) / 2;
    for (int i = 0; i < 4; ++i) {
        int px = c[i].x + (cx - c[i].x) / 5, py = c[i].y + (cy - c[i].y) / 5;
        EXPECT_TRUE(Near(sheared.Rgb(px, py), colours[i], 24))
            << i << ": " << std::hex << sheared.Rgb(px, py);
    }
    EXPECT_TRUE(Near(sheared.Rgb(5, 70), 0xFFFFFF));
    EXPECT_TRUE(Near(sheared.Rgb(70, 5), 0xFFFFFF));
}

TEST(ImageText, CentredAndNearAlignedChineseText) {
    HFONT font =
        CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"微软雅黑");
    ASSERT_NE(font, nullptr);
    auto release = vx::scope_exit([&] { DeleteObject(font); });
    Canvas c(300, 60, 0xFFFFFFFF);
    Img().DrawString(c.dc(), font, L"您确定要卸载", 0, 0, 300, 60, RGB(0, 0, 0), 254, true, false,
                     0);
    Ink centred = FindInk(c, 0xFFFFFF);
    ASSERT_TRUE(centred.any()) << "the font did not draw";
    EXPECT_NEAR((centred.left + centred.right) / 2, 150, 6);
    EXPECT_NEAR((centred.top + centred.bottom) / 2, 30, 6);
    EXPECT_GT(centred.left, 40);

    c.Fill(0xFFFFFFFF);
    Img().DrawString(c.dc(), font, L"您确定要卸载", 0, 0, 300, 60, RGB(255, 0, 0), 254, false,
                     false, 0);
    Ink nearAligned = FindInk(c, 0xFFFFFF);
    ASSERT_TRUE(nearAligned.any());
    EXPECT_LT(nearAligned.left, 8);
    EXPECT_NEAR((nearAligned.top + nearAligned.bottom) / 2, 30, 6);
    EXPECT_EQ(nearAligned.right - nearAligned.left, centred.right - centred.left);
    // Red ink: the COLORREF's red byte is the brush's red.
    bool red = false;
    for (int x = nearAligned.left; x <= nearAligned.right && !red; ++x)
        for (int y = nearAligned.top; y <= nearAligned.bottom && !red; ++y)
            red = Near(c.Rgb(x, y), 0xFF0000, 40);
    EXPECT_TRUE(red);

    // Without a width the text is placed at the point, whatever the height:
    // starting there, its middle on the point's line.
    c.Fill(0xFFFFFFFF);
    Img().DrawString(c.dc(), font, L"您确定", 200, 10, 0, 60, RGB(0, 0, 0), 254, false, false, 0);
    Ink point = FindInk(c, 0xFFFFFF);
    ASSERT_TRUE(point.any());
    EXPECT_GE(point.left, 198);
    EXPECT_NEAR((point.top + point.bottom) / 2, 10, 4);
}
