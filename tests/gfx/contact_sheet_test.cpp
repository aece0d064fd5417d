// Every embedded picture of the built program drawn at its natural size and
// stretched the way the toolkit stretches it, onto one sheet that is saved
// as contact_sheet.png beside the test program for a look.
#include "gfx/vximage.h"
#include "gfx/vxres.h"
#include "tests/gfx/canvas.h"
#include "tests/support/testutil.h"

#include <gtest/gtest.h>

using namespace vxtest;

namespace {

struct Entry {
    int id;
    int w, h;                   // natural size
    int frames, splitH, splitV; // how the stretched copy is cut
    int stretchW, stretchH;     // 0: no stretched copy
};

const Entry kEntries[] = {
    {kImgButton, 69, 21, 1, 2, 0, 140, 30},     {kImgButton + 1, 69, 21, 1, 2, 0, 140, 30},
    {kImgButton + 2, 69, 21, 1, 2, 0, 140, 30}, {kImgButton + 3, 69, 21, 1, 2, 0, 140, 30},
    {kImgButton + 4, 69, 21, 1, 2, 0, 140, 30}, {kImgClose, 38, 18, 1, 0, 0, 0, 0},
    {kImgClose + 1, 38, 18, 1, 0, 0, 0, 0},     {kImgClose + 2, 38, 18, 1, 0, 0, 0, 0},
    {kImgProgress, 279, 23, 1, 0, 0, 0, 0},     {kImgEraser, 137, 157, 1, 0, 0, 0, 0},
    {kImgDialog, 186, 150, 1, 3, 30, 450, 230}, {kImgCard, 437, 141, 1, 12, 12, 520, 180},
    {kImgMsgInfo, 32, 32, 1, 0, 0, 0, 0},       {kImgMsgQuestion, 32, 32, 1, 0, 0, 0, 0},
    {kImgCrash, 256, 80, 1, 0, 0, 0, 0},        {kImgCancel, 87, 29, 3, 8, 0, 60, 29},
    {kImgUninstall, 87, 29, 3, 8, 0, 60, 29},
};

const uint32_t kSheet = 0xFFC8D0D8;

// Pixels inside the box that are not the sheet's colour (a close button is
// little more than its cross), and whether the pixels just outside stayed clean.
int Inked(const Canvas& c, int x, int y, int w, int h) {
    int n = 0;
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            n += !Near(c.Rgb(i, j), kSheet & 0xFFFFFF, 6);
    return n;
}
bool CleanAround(const Canvas& c, int x, int y, int w, int h) {
    for (int i = x - 2; i < x + w + 2; ++i)
        if (!Near(c.Rgb(i, y - 2), kSheet & 0xFFFFFF, 6) ||
            !Near(c.Rgb(i, y + h + 1), kSheet & 0xFFFFFF, 6))
            return false;
    for (int j = y - 2; j < y + h + 2; ++j)
        if (!Near(c.Rgb(x - 2, j), kSheet & 0xFFFFFF, 6) ||
            !Near(c.Rgb(x + w + 1, j), kSheet & 0xFFFFFF, 6))
            return false;
    return true;
}

} // namespace

TEST(ContactSheet, EveryEmbeddedPictureDraws) {
    vx::unique_hmodule exe(
        LoadLibraryExW(BuiltUninstaller().c_str(), nullptr,
                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(exe) << GetLastError();
    CVxImage& img = CVxImage::Instance();
    img.SetInst(exe.get());
    // Back to the test program itself whatever happens below.
    auto restore = vx::scope_exit([&] { img.SetInst(nullptr); });

    Canvas sheet(1200, 900, kSheet);
    int x = 10, y = 10, rowH = 0;
    for (const Entry& e : kEntries) {
        SCOPED_TRACE(e.id);
        int cellW = e.w + (e.stretchW ? e.stretchW + 10 : 0), cellH = std::max(e.h, e.stretchH);
        if (x + cellW > sheet.w() - 10) {
            x = 10;
            y += rowH + 14;
            rowH = 0;
        }
        ASSERT_LE(y + cellH, sheet.h() - 10);
        ASSERT_TRUE(img.DrawImg(sheet.dc(), e.id, L"IMG", x, y, 0, 0));
        EXPECT_GT(Inked(sheet, x, y, e.w, e.h), e.w * e.h / 20);
        EXPECT_TRUE(CleanAround(sheet, x, y, e.w, e.h)) << "drawn at its natural size";
        if (e.stretchW) {
            int sx = x + e.w + 10;
            // Every frame of a strip, one under the other.
            for (int f = 0; f < e.frames; ++f) {
                int fy = y + f * (e.stretchH + 4);
                ASSERT_TRUE(img.DrawStretchImg(sheet.dc(), e.id, L"IMG", sx, fy, e.stretchW,
                                               e.stretchH, e.splitH, e.frames, f, e.splitV));
                EXPECT_GT(Inked(sheet, sx, fy, e.stretchW, e.stretchH),
                          e.stretchW * e.stretchH / 20)
                    << "frame " << f;
                EXPECT_TRUE(CleanAround(sheet, sx, fy, e.stretchW, e.stretchH)) << "frame " << f;
            }
            cellH = std::max(cellH, e.frames * (e.stretchH + 4));
        }
        x += cellW + 14;
        rowH = std::max(rowH, cellH);
    }
    // The executable's own resources are gone once the module is reset.
    img.SetInst(nullptr);
    Canvas none(20, 20, kSheet);
    EXPECT_FALSE(img.DrawImg(none.dc(), kImgMsgInfo, L"IMG", 0, 0, 0, 0));
    EXPECT_EQ(Inked(none, 0, 0, 20, 20), 0) << "the test program carries no pictures";

    std::wstring path = ExeDir() + L"contact_sheet.png";
    DeleteFileW(path.c_str());
    RECT all = {0, 0, sheet.w(), sheet.h()};
    ASSERT_TRUE(img.SavePic(sheet.dc(), all, path.c_str(), L"png"));
    EXPECT_TRUE(FileExists(path));
}
