// The confirmation's question shortened to its line, measured as ten pixels
// a character and with the card's own font.
#include "app/vxprompt.h"
#include "gfx/vxfont.h"
#include "gfx/vximage.h"
#include "support/vxhandle.h"

#include <gtest/gtest.h>

TEST(Prompt, NameIsShortenedSoTheQuestionFits) {
    auto measure = [](const std::wstring& s) { return static_cast<int>(s.size()) * 10; };
    struct Case {
        const wchar_t* name;
        int width;
        const wchar_t* expected;
    } cases[] = {
        {L"Kelp", 110, L"您确定要卸载Kelp?"},
        {L"Kelp Demo", 160, L"您确定要卸载Kelp Demo?"},
        {L"Kelp Demo", 150, L"您确定要卸载Kelp De…?"},
        {L"Kelp Demo Pro", 130, L"您确定要卸载Kelp…?"},
        {L"Kelp", 100, L"您确定要卸载Ke…?"},
        {L"Kelp", 80, L"您确定要卸载…?"},
        {L"Kelp", 70, L"您确定要卸载?"},
        {L"", 70, L"您确定要卸载?"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitPrompt(c.name, c.width, measure), c.expected) << c.width;
}

// With the card's font and the routine that draws it: the question keeps
// its mark on one line, with or without spaces in the name.
TEST(Prompt, RealTextFitsItsLine) {
    CVxFont& fonts = CVxFont::Instance();
    HFONT font = fonts.GetFont(fonts.isSupportYaHei() ? 18 : 12, nullptr, 0, 0, 0);
    vx::unique_hdc dc(CreateCompatibleDC(nullptr));
    CVxImage& image = CVxImage::Instance();
    auto measure = [&](const std::wstring& s) {
        return image.MeasureStringLine(dc.get(), font, s.c_str());
    };
    const struct {
        const wchar_t* name;
        bool whole;
    } cases[] = {
        {L"Kelp", true},
        {L"Kelp 演示", true},
        {L"Kelp 演示 专业版", false},
        {L"Kelp Demo Professional Edition 2026", false},
        {L"凯尔普演示专业版旗舰版企业版二零二六", false},
        {L"KelpDemoProfessionalEditionWithoutSpaces", false},
    };
    for (const auto& c : cases) {
        const std::wstring prompt = FitPrompt(c.name, 210, measure);
        EXPECT_LE(measure(prompt), 210) << c.name;
        EXPECT_EQ(prompt.back(), L'?') << c.name;
        EXPECT_EQ(prompt.find(L'…') == std::wstring::npos, c.whole) << c.name;
    }
}
