// Three- and nine-part stretching and state strips, as geometry and as
// pixels in real DIB sections.
#include "gfx/vximage.h"
#include "gfx/vximage_geometry.h"
#include "tests/gfx/canvas.h"

#include <gtest/gtest.h>
#include <vector>

using namespace vxtest;
using vx::image::Box;

namespace {

// The dialog background's layout: 186 x 150 with 3-pixel caps and 30-pixel
// bands, each of the nine regions its own colour.
uint32_t RegionColour(int col, int row) {
    static const uint32_t colours[9] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF,
                                        0x00FFFF, 0x800000, 0x008000, 0x000080};
    return colours[row * 3 + col];
}
std::string NineRegions() {
    return BmpFile(186, 150, [](int x, int y) {
        int col = x < 3 ? 0 : x < 183 ? 1 : 2, row = y < 30 ? 0 : y < 120 ? 1 : 2;
        return RegionColour(col, row);
    });
}

} // namespace

TEST(StretchGeometry, DialogBackgroundNinePieces) {
    std::vector<vx::image::Piece> pieces =
        vx::image::StretchPieces(186, 150, {0, 0, 450, 230}, 3, 1, 0, 30);
    const vx::image::Piece expected[9] = {
        {{0, 0, 3, 30}, {0, 0, 3, 30}},         {{3, 0, 180, 30}, {3, 0, 444, 30}},
        {{183, 0, 3, 30}, {447, 0, 3, 30}},     {{0, 30, 3, 90}, {0, 30, 3, 170}},
        {{3, 30, 180, 90}, {3, 30, 444, 170}},  {{183, 30, 3, 90}, {447, 30, 3, 170}},
        {{0, 120, 3, 30}, {0, 200, 3, 30}},     {{3, 120, 180, 30}, {3, 200, 444, 30}},
        {{183, 120, 3, 30}, {447, 200, 3, 30}},
    };
    ASSERT_EQ(pieces.size(), 9u);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(pieces[i].src, expected[i].src) << i;
        EXPECT_EQ(pieces[i].dst, expected[i].dst) << i;
    }
    // Bands only: three whole-width pieces.
    EXPECT_EQ(vx::image::StretchPieces(186, 150, {0, 0, 450, 230}, 0, 1, 0, 30).size(), 3u);
}

TEST(StretchGeometry, ThreePartsAndFrames) {
    // Frame 1 of a three-frame 87 x 29 strip across 100 pixels with 8-pixel caps.
    std::vector<vx::image::Piece> p =
        vx::image::StretchPieces(87, 29, {10, 5, 100, 40}, 8, 3, 1, 0);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].src, (Box{29, 0, 8, 29}));
    EXPECT_EQ(p[0].dst, (Box{10, 5, 8, 40}));
    EXPECT_EQ(p[1].src, (Box{37, 0, 13, 29}));
    EXPECT_EQ(p[1].dst, (Box{18, 5, 84, 40}));
    EXPECT_EQ(p[2].src, (Box{50, 0, 8, 29}));
    EXPECT_EQ(p[2].dst, (Box{102, 5, 8, 40}));
    // A width of twice the cap leaves the middle at width 0: drawn at its
    // source size.
    p = vx::image::StretchPieces(30, 10, {0, 0, 10, 20}, 5, 1, 0, 0);
    EXPECT_EQ(p[1].dst, (Box{5, 0, 20, 10}));
    // No split: the frame alone.
    p = vx::image::StretchPieces(87, 29, {0, 0, 0, 0}, 0, 3, 9, 0);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].src, (Box{58, 0, 29, 29}));
    EXPECT_EQ(p[0].dst, (Box{0, 0, 29, 29}));
}

TEST(StretchDraw, NineRegionsLandOnTheirRectangles) {
    vx::com_ptr<IStream> s = StreamOf(NineRegions());
    Canvas c(450, 230, 0xFFFFFFFF);
    ASSERT_TRUE(CVxImage::Instance().DrawStretchImg(c.dc(), s.get(), 0, 0, 450, 230, 3, 1, 0, 30));
    const int dstCol[] = {0, 3, 447, 450}, dstRow[] = {0, 30, 200, 230};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            SCOPED_TRACE(testing::Message() << "region " << col << "," << row);
            // The middle and the edges of the region: a cap's own pixel, or
            // 4 pixels in where the stretch blends neighbouring pixels.
            int x0 = dstCol[col], x1 = dstCol[col + 1] - 1, y0 = dstRow[row],
                y1 = dstRow[row + 1] - 1;
            int mx = x1 - x0 > 10 ? 4 : 1, my = y1 - y0 > 30 ? 4 : 1;
            int xs[] = {(x0 + x1) / 2, x0 + mx, x1 - mx};
            int ys[] = {(y0 + y1) / 2, y0 + my, y1 - my};
            for (int x : xs)
                for (int y : ys)
                    EXPECT_TRUE(Near(c.Rgb(x, y), RegionColour(col, row), 24))
                        << x << "," << y << " " << std::hex << c.Rgb(x, y);
        }
    }
}

TEST(StretchDraw, StateStripFramesAndThreeParts) {
    // Four 10-pixel frames, each its own colour, with darker 2-pixel caps.
    const uint32_t frame[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
    const uint32_t cap[4] = {0x800000, 0x008000, 0x000080, 0x808000};
    vx::com_ptr<IStream> s = StreamOf(BmpFile(40, 8, [&](int x, int) {
        int f = x / 10, in = x % 10;
        return in < 2 || in >= 8 ? cap[f] : frame[f];
    }));
    CVxImage& img = CVxImage::Instance();
    Canvas c(100, 20, 0xFFFFFFFF);
    // Index 7 of 4 frames is the last; natural size.
    ASSERT_TRUE(img.DrawStretchImg(c.dc(), s.get(), 0, 0, 0, 0, 0, 4, 7, 0));
    EXPECT_TRUE(Near(c.Rgb(5, 4), frame[3]));
    EXPECT_TRUE(Near(c.Rgb(12, 4), 0xFFFFFF)) << "one frame wide";
    // Frames 0 counts as one: the whole strip.
    c.Fill(0xFFFFFFFF);
    ASSERT_TRUE(img.DrawStretchImg(c.dc(), s.get(), 0, 0, 0, 0, 0, 0, 0, 0));
    for (int f = 0; f < 4; ++f)
        EXPECT_TRUE(Near(c.Rgb(f * 10 + 5, 4), frame[f])) << f;

    // Frame 1 across 100 x 20: caps 2 pixels wide at both ends, the middle stretched.
    c.Fill(0xFFFFFFFF);
    ASSERT_TRUE(img.DrawStretchImg(c.dc(), s.get(), 0, 0, 100, 20, 2, 4, 1, 0));
    // Rows away from the image's top and bottom edges, which the vertical
    // stretch blends with the transparency beyond them.
    for (int y : {4, 10, 15}) {
        EXPECT_TRUE(Near(c.Rgb(0, y), cap[1], 40)) << std::hex << c.Rgb(0, y);
        EXPECT_TRUE(Near(c.Rgb(99, y), cap[1], 40)) << std::hex << c.Rgb(99, y);
        for (int x : {20, 50, 80})
            EXPECT_TRUE(Near(c.Rgb(x, y), frame[1])) << x << "," << y;
    }
}
