// The confirmation's question shortened to its line, measured here as ten
// pixels a character.
#include "app/vxprompt.h"

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
