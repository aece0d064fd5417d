// The tag-text reader: the Part's cases through the exported functions, the
// raw element walk and attributes, and a random-document fuzz with every
// document and every output buffer placed right before a guard page.
#include "support/vxxml.h"
#include "tests/support/guardpage.h"

#include <gtest/gtest.h>
#include <cwchar>
#include <string>
#include <vector>

using namespace vxtest;

namespace {

enum Call { kFirst, kIndex, kCount, kAttr };

struct Case {
    const wchar_t* doc;
    Call call;
    const wchar_t* name; // the tag name, or for kAttr the attribute name
    int index;
    int result; // for kCount the count
    const wchar_t* value;
};

const Case kCases[] = {
    // Two elements of the same name: the first, by index, past the last.
    {L"<a>7</a><a>8</a>", kFirst, L"a", 0, 1, L"7"},
    {L"<a>7</a><a>8</a>", kIndex, L"a", 0, 1, L"7"},
    {L"<a>7</a><a>8</a>", kIndex, L"a", 1, 1, L"8"},
    {L"<a>7</a><a>8</a>", kIndex, L"a", 2, 0, L""},
    {L"<a>7</a><a>8</a>", kIndex, L"a", -1, 0, L""},
    // An opening tag straight before its closing tag: an empty value.
    {L"<a></a>", kFirst, L"a", 0, 1, L""},
    // Absent, unclosed, or closed before it opens (the first form looks for
    // the closing tag from the start of the document).
    {L"<b>1</b>", kFirst, L"a", 0, 0, L""},
    {L"<a>1", kFirst, L"a", 0, 0, L""},
    {L"</a><a>1</a>", kFirst, L"a", 0, 0, L""},
    {L"</a><a>1</a>", kIndex, L"a", 0, 1, L"1"},
    // Literal and case-sensitive.
    {L"<A>1</A>", kFirst, L"a", 0, 0, L""},
    {L"<a >1</a>", kFirst, L"a", 0, 0, L""},
    // Only the exact opening tag counts: not one with attributes, not a
    // self-closing one.
    {L"<a>1</a><a x=\"1\">2</a>", kCount, L"a", 0, 1, L""},
    {L"<a>1</a><a/><a>2</a>", kCount, L"a", 0, 2, L""},
    {L"", kCount, L"a", 0, 0, L""},
    // Attributes and inner text of the given element text.
    {L"<e x=\"5\" y=\"6\">z</e>", kAttr, L"x", 0, 1, L"5"},
    {L"<e x=\"5\" y=\"6\">z</e>", kAttr, L"y", 0, 1, L"6"},
    {L"<e x=\"5\" y=\"6\">z</e>", kAttr, L"", 0, 1, L"z"},
    {L"<e x=\"5\" y=\"6\">z</e>", kAttr, nullptr, 0, 1, L"z"},
    {L"<e x =\"5\">z</e>", kAttr, L"x", 0, 0, L""},
    {L"<e x='5'>z</e>", kAttr, L"x", 0, 0, L""},
    {L"<e x=\"5>z</e>", kAttr, L"x", 0, 0, L""},
    {L"<e x=\"5\">", kAttr, L"", 0, 0, L""},
    {L"e x=\"5\"", kAttr, L"", 0, 0, L""},
};

TEST(Xml, PartCasesThroughTheExportedFunctions) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message()
                     << "document " << testing::PrintToString(std::wstring(c.doc)) << ", name "
                     << (c.name ? c.name : L"(null)"));
        ASSERT_EQ(Parse(c.doc), 1);
        wchar_t out[64];
        wmemset(out, L'#', 64);
        int got = 0;
        switch (c.call) {
        case kFirst:
            got = GetXmlNodeValue(c.name, out);
            break;
        case kIndex:
            got = GetXmlNodeValue2(c.name, out, c.index);
            break;
        case kCount:
            EXPECT_EQ(GetXmlNodeCount(c.name), c.result);
            continue;
        case kAttr:
            got = CVxXml::Instance().GetNodeAttr(c.doc, c.name, out);
            break;
        }
        EXPECT_EQ(got, c.result);
        EXPECT_STREQ(out, c.value);
    }
}

TEST(Xml, IterationByPositionYieldsEachValueThenMinusOne) {
    Parse(L"<a>1</a><a>2</a>");
    int pos = 0;
    wchar_t out[16];
    std::vector<std::wstring> seen;
    while (GetXmlNodeValue3(L"a", out, &pos))
        seen.push_back(out);
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"1", L"2"}));
    EXPECT_EQ(pos, -1);
    EXPECT_STREQ(out, L"");

    // Unclosed: the position stands just past the opening tag.
    Parse(L"x<a>1");
    pos = 0;
    EXPECT_EQ(GetXmlNodeValue3(L"a", out, &pos), 0);
    EXPECT_EQ(pos, 4);
    // A start outside the document finds nothing.
    for (int start : {-1, 6}) {
        pos = start;
        EXPECT_EQ(CVxXml::Instance().GetXmlNodeValue(L"a", out, &pos), 0);
        EXPECT_EQ(pos, -1);
    }
}

TEST(Xml, ElementWalkGivesRawElementsAndAlwaysEnds) {
    struct Walk {
        const wchar_t* doc;
        std::vector<std::wstring> elements;
        int endPos;
    };
    const Walk walks[] = {
        // An element with text, then a self-closing one.
        {L"<a>t</a><b/>", {L"<a>t</a>", L"<b/>"}, -1},
        // Nesting is not supported: the outer opening tag comes with the
        // inner element, up to the first closing tag.
        {L"<a><b>t</b></a>", {L"<a><b>t</b>", L"</a>"}, -1},
        {L"text only", {}, -1},
        // No '>' after "</": the element has no end, and the walk ends at the
        // unfinished '<' rather than returning an empty element for ever.
        {L"<a</b", {}, 0},
        {L"<a/>x<b", {L"<a/>"}, 5},
    };
    for (const Walk& w : walks) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(w.doc)));
        Parse(w.doc);
        int pos = 0;
        wchar_t out[32];
        std::vector<std::wstring> got;
        while (got.size() < 10 && CVxXml::Instance().GetXmlNode(out, pos))
            got.push_back(out);
        EXPECT_EQ(got, w.elements);
        EXPECT_EQ(pos, w.endPos);
        EXPECT_STREQ(out, L"");
    }
}

TEST(Xml, NullArgumentsFailWithAnEmptyOutput) {
    Parse(nullptr);
    wchar_t out[4] = L"xyz";
    EXPECT_EQ(GetXmlNodeValue(L"a", out), 0);
    Parse(L"<a>1</a>");
    wcscpy(out, L"xyz");
    EXPECT_EQ(GetXmlNodeValue(nullptr, out), 0);
    EXPECT_STREQ(out, L"");
    EXPECT_EQ(GetXmlNodeValue(L"a", nullptr), 0);
    EXPECT_EQ(GetXmlNodeValue3(L"a", out, nullptr), 0);
    EXPECT_EQ(GetXmlNodeCount(nullptr), 0);
    EXPECT_EQ(CVxXml::Instance().GetNodeAttr(nullptr, L"x", out), 0);
}

// A small deterministic generator, so a failing document can be replayed.
struct Random {
    unsigned state;
    unsigned Next(unsigned n) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % n;
    }
};

const wchar_t* const kPieces[] = {L"<",    L">",    L"/",  L"</",  L"/>",   L"=\"",     L"\"",
                                  L"a",    L"x",    L" ",  L"7",   L"<a>",  L"</a>",    L"<b>",
                                  L"</b>", L"<a/>", L"<>", L"</>", L"x=\"", L"<a x=\"", L"'"};
const wchar_t* const kNames[] = {L"a", L"b", L""};
const wchar_t* const kAttrs[] = {L"x", L"a", L"", nullptr};

TEST(Xml, RandomDocumentsNeverReadOrWriteOutsideTheirBuffers) {
    const size_t kMaxChars = 200;
    GuardedBlock docBlock(kMaxChars * sizeof(wchar_t));
    GuardedBlock outBlock(kMaxChars * sizeof(wchar_t));
    ASSERT_TRUE(docBlock.ok() && outBlock.ok());
    Random rng{20240615u};
    const int kDocuments = 12000;
    for (int d = 0; d < kDocuments; ++d) {
        std::wstring text;
        for (unsigned n = rng.Next(16); n > 0; --n)
            text += kPieces[rng.Next(sizeof(kPieces) / sizeof(kPieces[0]))];
        size_t len = text.size();
        ASSERT_LT(len, kMaxChars);
        // The document's terminator is the last character before the guard
        // page, and an output buffer holds exactly its length plus one.
        wchar_t* doc = docBlock.Tail<wchar_t>(len + 1);
        wmemcpy(doc, text.c_str(), len + 1);
        wchar_t* out = outBlock.Tail<wchar_t>(len + 1);
        auto check = [&](int result, const char* what) {
            SCOPED_TRACE(testing::Message()
                         << what << " on document " << d << ": " << testing::PrintToString(text));
            ASSERT_TRUE(result == 0 || result == 1);
            ASSERT_NE(wmemchr(out, L'\0', len + 1), nullptr) << "output not terminated";
            if (result == 0)
                ASSERT_EQ(out[0], L'\0');
            else
                ASSERT_NE(wcsstr(doc, out), nullptr) << "output is not a piece of the document";
            wmemset(out, L'#', len + 1);
        };
        wmemset(out, L'#', len + 1);
        ASSERT_EQ(Parse(doc), 1);
        for (const wchar_t* name : kNames) {
            check(GetXmlNodeValue(name, out), "first");
            for (int i = 0; i < 3; ++i)
                check(GetXmlNodeValue2(name, out, i), "by index");
            int count = GetXmlNodeCount(name);
            ASSERT_GE(count, 0);
            ASSERT_LE(static_cast<size_t>(count), len / 2);
            // Iteration by position always moves on, from any start.
            for (int start : {0, static_cast<int>(rng.Next(static_cast<unsigned>(len) + 4)) - 2}) {
                int pos = start, steps = 0, r;
                while ((r = GetXmlNodeValue3(name, out, &pos)) == 1) {
                    check(r, "by position");
                    ASSERT_LE(++steps, static_cast<int>(len))
                        << "no end: " << testing::PrintToString(text);
                }
                check(r, "by position");
                ASSERT_GE(pos, -1);
                ASSERT_LE(pos, static_cast<int>(len));
            }
        }
        int pos = 0, steps = 0, r;
        while ((r = CVxXml::Instance().GetXmlNode(out, pos)) == 1) {
            check(r, "element walk");
            ASSERT_LE(++steps, static_cast<int>(len)) << "no end: " << testing::PrintToString(text);
        }
        check(r, "element walk");
        // Attributes read the guarded document itself.
        for (const wchar_t* attr : kAttrs)
            check(CVxXml::Instance().GetNodeAttr(doc, attr, out), "attribute");
        if (HasFatalFailure())
            return;
    }
}

} // namespace
