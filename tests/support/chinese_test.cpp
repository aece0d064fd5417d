// GB and Big5 text: the GB test, and simplified GB text (code page 936)
// turned into traditional Big5 (code page 950), or into traditional GB for a
// simplified-Chinese system.
//
// Where Wine differs from Windows: Wine 8's LCMapString accepts
// LCMAP_TRADITIONAL_CHINESE but maps nothing (its tables hold no
// simplified-to-traditional pairs), so there the text stays simplified and
// only its code page changes: simplified characters Big5 lacks become '?',
// 体 becomes Big5 CA5E (its own, rarer code) instead of 體 C5E9. Windows maps
// 简体中文 to 簡體中文. The tests find out which the system does, say so, and
// check that system's result exactly. The machine's ANSI code page is not
// 936 or 950 under the test prefix (and cannot change inside a process), so
// GbToTraditional is checked as it goes for each code page through
// vx::GbToTraditionalForCodePage, and for the real one through the export.
#include "support/vxchinese.h"
#include "tests/support/guardpage.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <string>

using namespace vxtest;

namespace {

std::string Narrow(UINT cp, const std::wstring& text) {
    int n = WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                        nullptr);
    return out;
}

// Whether the system maps simplified characters to traditional ones.
bool SystemMapsTraditional() {
    wchar_t out[4] = {};
    return LCMapStringW(2052, LCMAP_TRADITIONAL_CHINESE, L"\x7B80", 1, out, 4) == 1 &&
           out[0] == L'\x7C21';
}

// Simplified text and its traditional form as Windows maps it; the pairs are
// the plain one-to-one ones.
const struct {
    const wchar_t* simplified;
    const wchar_t* traditional;
} kTexts[] = {
    {L"简体中文", L"簡體中文"},
    {L"汉语国门东车马电", L"漢語國門東車馬電"},
    {L"鱼鸟龙书学软", L"魚鳥龍書學軟"},
    {L"Kelp 卸载程序 1.0", L"Kelp 卸載程序 1.0"},
    // Small Roman numeral one: GB has it, Big5 does not.
    {L"\x2170", L"\x2170"},
};

std::string Convert(void (*fn)(char*, int), std::string text, int size) {
    text.resize(static_cast<size_t>(size), '\0');
    fn(&text[0], size);
    return text.c_str();
}

TEST(Chinese, isHZCases) {
    const struct {
        const char* text;
        int expected;
    } cases[] = {
        {"\xd6\xd0\xce\xc4", 1},         // 中文
        {"\xbc\xf2\xcc\xe5\xd6\xd0", 1}, // 简体中
        {"\xd6\xd0\xce", 0},             // odd length
        {"", 0},
        {"\xd6\xd0\x61\xc4", 0}, // third byte an ASCII letter, "a"
        {"\xa3\xc1\xa3\xc2", 0}, // full-width "ＡＢ", row 0xA3
        {"\xa0\xa1", 0},         // below 0xA1
        {"\xd6\x61", 1},         // trail bytes are not examined
        {"ab", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isHZ(c.text), c.expected) << testing::PrintToString(std::string(c.text));
    EXPECT_EQ(isHZ(nullptr), 0);
    EXPECT_EQ(isTraditional(), GetACP() == 950 ? 1 : 0);
}

TEST(Chinese, GbToBig5AndGbToTraditionalGb) {
    const bool maps = SystemMapsTraditional();
    if (!maps)
        std::printf("This system (Wine 8) maps no simplified character to its traditional form: "
                    "the text keeps its characters and changes only its code page.\n");
    // Published code points: GB2312 简体中文 BCF2 CCE5 D6D0 CEC4; Big5 簡體中文
    // C2B2 C5E9 A4A4 A4E5, and 体 (unmapped) CA5E, 简 none.
    const std::string gb = "\xbc\xf2\xcc\xe5\xd6\xd0\xce\xc4";
    ASSERT_EQ(Narrow(936, L"简体中文"), gb);
    EXPECT_EQ(Convert(gb2big, gb, 16),
              maps ? "\xc2\xb2\xc5\xe9\xa4\xa4\xa4\xe5" : "?\xca\x5e\xa4\xa4\xa4\xe5");

    for (const auto& t : kTexts) {
        std::wstring mapped = maps ? t.traditional : t.simplified;
        std::string in = Narrow(936, t.simplified), big5 = Narrow(950, mapped);
        SCOPED_TRACE(testing::PrintToString(in));
        const int size = static_cast<int>(in.size()) + 1;
        EXPECT_EQ(Convert(gb2big, in, size), big5);
        // A Big5 system gets the Big5 text; any other traditional GB text.
        EXPECT_EQ(
            Convert([](char* s, int n) { vx::GbToTraditionalForCodePage(s, n, 950); }, in, size),
            big5);
        EXPECT_EQ(
            Convert([](char* s, int n) { vx::GbToTraditionalForCodePage(s, n, 936); }, in, size),
            Narrow(936, mapped));
        EXPECT_EQ(Convert(GbToTraditional, in, size), GetACP() == 950 ? big5 : Narrow(936, mapped));
    }
    EXPECT_EQ(Convert(gb2big, "\xa2\xa1", 3), "?");
    EXPECT_EQ(Convert(gb2big, "", 1), "");
}

TEST(Chinese, ConversionStaysInsideItsBuffer) {
    // 中文 has the same four bytes' length in GB and Big5 and no other form.
    const char gb[] = "\xd6\xd0\xce\xc4";
    GuardedBlock block(16);
    ASSERT_TRUE(block.ok());
    for (auto fn : {gb2big, GbToTraditional}) {
        // Room for the text and its terminator, and not a byte more.
        char* text = block.Tail<char>(5);
        memcpy(text, gb, 5);
        fn(text, 5);
        EXPECT_STREQ(text, fn == gb2big || GetACP() == 950 ? "\xa4\xa4\xa4\xe5" : gb);
        // Four bytes and no terminator: read no further, and leave the text
        // as it was, since the result and its terminator do not fit.
        text = block.Tail<char>(4);
        memcpy(text, gb, 4);
        fn(text, 4);
        EXPECT_EQ(std::string(text, 4), std::string(gb, 4));
    }
    gb2big(nullptr, 8);
    char small[2] = "a";
    gb2big(small, 0);
    GbToTraditional(small, -1);
    EXPECT_STREQ(small, "a");
}

} // namespace
