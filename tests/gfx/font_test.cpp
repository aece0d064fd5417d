// The font cache: shared handles per key, fonts made as asked, every handle
// deleted with the cache, and the "微软雅黑" probe on scratch fonts folders
// and on the prefix's own.
#include "gfx/vxfont.h"
#include "tests/support/testutil.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <string>
#include <vector>

using namespace vxtest;

namespace {

const wchar_t kYaHei[] = L"微软雅黑";
const wchar_t kSongTi[] = L"宋体";

LOGFONTW Logical(HFONT font) {
    LOGFONTW lf = {};
    GetObjectW(font, sizeof(lf), &lf);
    return lf;
}

// Height in pixels of a line of text drawn with the font.
int TextHeight(HFONT font) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE sz = {};
    GetTextExtentPoint32W(dc, L"Xg", 2, &sz);
    SelectObject(dc, old);
    DeleteDC(dc);
    return sz.cy;
}

} // namespace

TEST(Font, SameKeySharesOneHandleAndAnyDifferenceMakesANewOne) {
    ScratchDir fonts(L"fonts-none");
    CVxFont cache(fonts.path().c_str());
    HFONT base = cache.GetFont(12, nullptr, 0, 0, 0);
    ASSERT_NE(nullptr, base);
    EXPECT_EQ(base, cache.GetFont(12, nullptr, 0, 0, 0));
    EXPECT_EQ(base, cache.GetFont(12, kSongTi, 0, 0, 0)) << "null face means the default face";
    EXPECT_EQ(1, cache.GetFontCount());

    std::vector<HFONT> others = {
        cache.GetFont(13, nullptr, 0, 0, 0),  cache.GetFont(12, L"Arial", 0, 0, 0),
        cache.GetFont(12, L"ARIAL", 0, 0, 0), cache.GetFont(12, nullptr, 1, 0, 0),
        cache.GetFont(12, nullptr, 2, 0, 0),  cache.GetFont(12, nullptr, 0, 1, 0),
        cache.GetFont(12, nullptr, 0, 0, 1),
    };
    EXPECT_EQ(8, cache.GetFontCount());
    for (size_t i = 0; i < others.size(); ++i) {
        ASSERT_NE(nullptr, others[i]) << i;
        EXPECT_NE(base, others[i]) << i;
        for (size_t j = 0; j < i; ++j)
            EXPECT_NE(others[j], others[i]) << i << " " << j;
    }
    EXPECT_EQ(others[1], cache.GetFont(12, L"Arial", 0, 0, 0));
    EXPECT_EQ(8, cache.GetFontCount());
}

TEST(Font, FontsAreMadeAsAskedAndAllDeletedWithTheCache) {
    std::vector<HFONT> handed;
    {
        ScratchDir fonts(L"fonts-made");
        CVxFont cache(fonts.path().c_str());
        HFONT plain = cache.GetFont(40, L"Arial", 0, 0, 0);
        HFONT styled = cache.GetFont(-20, L"Arial", 3, 1, 1);
        HFONT small = cache.GetFont(12, L"Arial", 0, 0, 0);
        handed = {plain, styled, small};
        LOGFONTW lf = Logical(plain);
        EXPECT_EQ(40, lf.lfHeight);
        EXPECT_EQ(FW_NORMAL, lf.lfWeight);
        EXPECT_STREQ(L"Arial", lf.lfFaceName);
        EXPECT_EQ(0, lf.lfUnderline);
        lf = Logical(styled);
        EXPECT_EQ(-20, lf.lfHeight);
        EXPECT_EQ(FW_BOLD, lf.lfWeight);
        EXPECT_EQ(1, lf.lfUnderline);
        EXPECT_EQ(1, lf.lfItalic);
        EXPECT_EQ(Logical(reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))).lfCharSet,
                  lf.lfCharSet);
        EXPECT_GT(TextHeight(plain), 2 * TextHeight(small));
        for (HFONT f : handed)
            EXPECT_EQ(static_cast<DWORD>(OBJ_FONT), GetObjectType(f));
    }
    for (HFONT f : handed)
        EXPECT_EQ(0u, GetObjectType(f));
}

TEST(Font, FacesLongerThanALogfontHoldsAreRefused) {
    ScratchDir fonts(L"fonts-long");
    CVxFont cache(fonts.path().c_str());
    const std::wstring fits(31, L'a');
    EXPECT_NE(nullptr, cache.GetFont(12, fits.c_str(), 0, 0, 0));
    EXPECT_STREQ(fits.c_str(), Logical(cache.GetFont(12, fits.c_str(), 0, 0, 0)).lfFaceName);
    EXPECT_EQ(nullptr, cache.GetFont(12, (fits + L"b").c_str(), 0, 0, 0));
    EXPECT_EQ(nullptr, cache.GetFont(12, std::wstring(80, L'c').c_str(), 0, 0, 0));
    EXPECT_EQ(1, cache.GetFontCount());
}

TEST(Font, ProbeFindsEitherFontFileAndOnlyForTheModernFace) {
    ScratchDir none(L"fonts-none");
    ScratchDir ttc(L"fonts-ttc");
    ScratchDir ttf(L"fonts-ttf");
    ASSERT_TRUE(MakeFile(ttc / L"msyh.ttc"));
    ASSERT_TRUE(MakeFile(ttf / L"msyh.ttf"));
    ASSERT_TRUE(MakeFile(none / L"msyhbd.ttc"));

    CVxFont classic(none.path().c_str());
    EXPECT_EQ(0, classic.isSupportYaHei());
    EXPECT_EQ(12, classic.GetDefaultSize());
    EXPECT_STREQ(kSongTi, Logical(classic.GetFont(12, nullptr, 0, 0, 0)).lfFaceName);

    CVxFont modern(ttc.path().c_str());
    EXPECT_EQ(1, modern.isSupportYaHei());
    EXPECT_EQ(18, modern.GetDefaultSize());
    EXPECT_STREQ(kYaHei, Logical(modern.GetFont(18, nullptr, 0, 0, 0)).lfFaceName);

    std::wstring ttfFolder = ttf.path();
    EXPECT_EQ(1, CVxFont::CheckFontIn(kYaHei, ttfFolder.c_str()));
    ttfFolder.pop_back();
    EXPECT_EQ(1, CVxFont::CheckFontIn(kYaHei, ttfFolder.c_str())) << "without the final '\\'";
    EXPECT_EQ(0, CVxFont::CheckFontIn(L"Microsoft YaHei", ttfFolder.c_str()));
    EXPECT_EQ(0, CVxFont::CheckFontIn(kSongTi, ttfFolder.c_str()));
    EXPECT_EQ(0, CVxFont::CheckFontIn(kYaHei, nullptr));
    EXPECT_EQ(0, CVxFont::CheckFontIn(kYaHei, L""));
}

TEST(Font, TheSharedCacheFollowsTheSystemFontsFolder) {
    const std::wstring folder = ShellFolder(CSIDL_FONTS);
    ASSERT_FALSE(folder.empty());
    const bool installed = FileExists(folder + L"\\msyh.ttf") || FileExists(folder + L"\\msyh.ttc");
    CVxFont& font = CVxFont::Instance();
    EXPECT_EQ(&font, &CVxFont::Instance());
    EXPECT_EQ(installed ? 1 : 0, font.isSupportYaHei());
    EXPECT_EQ(installed ? 1 : 0, font.CheckFont(kYaHei));
    EXPECT_EQ(0, font.CheckFont(kSongTi));
    EXPECT_EQ(installed ? 18 : 12, font.GetDefaultSize());
    EXPECT_STREQ(installed ? kYaHei : kSongTi,
                 Logical(font.GetFont(font.GetDefaultSize(), nullptr, 0, 0, 0)).lfFaceName);
}
