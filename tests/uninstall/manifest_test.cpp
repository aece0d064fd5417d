// The manifest reader on real files: layouts, truncation, counts, fields.
#include "tests/support/testutil.h"
#include "tools/manifest/manifest_writer.h"
#include "uninstall/manifest.h"

#include <gtest/gtest.h>
#include <cstring>

using namespace vxtest;

namespace {

struct Parsed {
    bool opened = false;
    tagUninstallHeader header;
    std::vector<tagUninstallItem> entries, shortcuts;
};

Parsed ReadBytes(const ScratchDir& dir, const std::vector<unsigned char>& bytes) {
    std::wstring path = dir / L"vxUninstall.dat";
    EXPECT_TRUE(WriteFileBytes(path, std::string(bytes.begin(), bytes.end())));
    Parsed p;
    memset(&p.header, 0, sizeof(p.header));
    p.opened = ReadManifestFile(path.c_str(), p.header, p.entries, p.shortcuts);
    return p;
}

void PutInt(std::vector<unsigned char>& b, size_t at, int v) {
    memcpy(&b[at], &v, 4);
}

const tagUninstallHeader kListHeader = MakeManifestHeader(L"Foo", L"Foo 产品", L"Foo Group", L"");

} // namespace

TEST(Manifest, EntryListModeReadsBothListsInOrder) {
    ScratchDir dir(L"manifest");
    auto bytes =
        BuildManifest(kListHeader,
                      {MakeManifestItem(0, L"C:\\a\\"), MakeManifestItem(1, L"C:\\b.txt"),
                       MakeManifestItem(7, L"C:\\c.txt")},
                      {MakeManifestItem(0, L"C:\\s1.lnk"), MakeManifestItem(3, L"C:\\s2.lnk")});
    ASSERT_EQ(bytes.size(), 760u + 4 + 3 * 524 + 4 + 2 * 524);
    Parsed p = ReadBytes(dir, bytes);
    ASSERT_TRUE(p.opened);
    EXPECT_STREQ(p.header.szUninstallKey, L"Foo");
    EXPECT_STREQ(p.header.szProductName, L"Foo 产品");
    EXPECT_STREQ(p.header.szProgramGroup, L"Foo Group");
    ASSERT_EQ(p.entries.size(), 3u);
    EXPECT_EQ(p.entries[0].nKind, 0);
    EXPECT_STREQ(p.entries[1].szPath, L"C:\\b.txt");
    EXPECT_EQ(p.entries[2].nKind, 7);
    ASSERT_EQ(p.shortcuts.size(), 2u);
    EXPECT_STREQ(p.shortcuts[1].szPath, L"C:\\s2.lnk");
}

TEST(Manifest, HeaderOnlyFileGivesEmptyLists) {
    ScratchDir dir(L"manifest");
    auto bytes = BuildManifest(kListHeader, {}, {});
    bytes.resize(760);
    Parsed p = ReadBytes(dir, bytes);
    ASSERT_TRUE(p.opened);
    EXPECT_STREQ(p.header.szProductName, L"Foo 产品");
    EXPECT_TRUE(p.entries.empty());
    EXPECT_TRUE(p.shortcuts.empty());
}

TEST(Manifest, EmptyPathRecordsAreDroppedKeepingOrder) {
    ScratchDir dir(L"manifest");
    Parsed p =
        ReadBytes(dir, BuildManifest(kListHeader,
                                     {MakeManifestItem(1, L"C:\\one"), MakeManifestItem(0, L""),
                                      MakeManifestItem(-1, L"C:\\three")},
                                     {MakeManifestItem(1, L"")}));
    ASSERT_EQ(p.entries.size(), 2u);
    EXPECT_STREQ(p.entries[0].szPath, L"C:\\one");
    EXPECT_STREQ(p.entries[1].szPath, L"C:\\three");
    EXPECT_EQ(p.entries[1].nKind, -1);
    // The shortcut list is not filtered.
    ASSERT_EQ(p.shortcuts.size(), 1u);
    EXPECT_EQ(p.shortcuts[0].szPath[0], L'\0');
}

TEST(Manifest, DirectoryModeHasNoEntryList) {
    ScratchDir dir(L"manifest");
    auto header = MakeManifestHeader(L"Foo", L"Foo", L"G", L"C:\\Product\\");
    // The writer leaves the entry list out; entries given here must not appear.
    auto bytes = BuildManifest(header, {MakeManifestItem(1, L"C:\\never")},
                               {MakeManifestItem(1, L"C:\\s.lnk")});
    ASSERT_EQ(bytes.size(), 760u + 4 + 524);
    Parsed p = ReadBytes(dir, bytes);
    EXPECT_TRUE(p.entries.empty());
    ASSERT_EQ(p.shortcuts.size(), 1u);
    EXPECT_STREQ(p.shortcuts[0].szPath, L"C:\\s.lnk");
    EXPECT_STREQ(p.header.szInstallDir, L"C:\\Product\\");
}

TEST(Manifest, NegativeAndHugeCounts) {
    ScratchDir dir(L"manifest");
    auto bytes = BuildManifest(kListHeader, {MakeManifestItem(1, L"C:\\x")},
                               {MakeManifestItem(1, L"C:\\s")});
    auto neg = bytes;
    PutInt(neg, 760, -5);
    Parsed p = ReadBytes(dir, neg);
    // The entry count is negative: nothing read, and the record bytes are then
    // taken as the shortcut count (kind 1) and one shortcut record.
    EXPECT_TRUE(p.entries.empty());

    auto negShort = bytes;
    PutInt(negShort, 760 + 4 + 524, -1);
    p = ReadBytes(dir, negShort);
    EXPECT_EQ(p.entries.size(), 1u);
    EXPECT_TRUE(p.shortcuts.empty());

    auto huge = bytes;
    PutInt(huge, 760, 0x7fffffff);
    DWORD start = GetTickCount();
    p = ReadBytes(dir, huge);
    EXPECT_LT(GetTickCount() - start, 5000u) << "a huge count must stop at the end of the file";
    EXPECT_EQ(p.entries.size(), 2u); // the record and the shortcut bytes read as an entry
    EXPECT_TRUE(p.shortcuts.empty());
}

TEST(Manifest, ShortcutCountBeyondFileStopsAfterFirstShortRead) {
    ScratchDir dir(L"manifest");
    auto bytes = BuildManifest(
        kListHeader, {}, {MakeManifestItem(1, L"C:\\s1.lnk"), MakeManifestItem(1, L"C:\\s2.lnk")});
    PutInt(bytes, 760 + 4, 50);
    Parsed p = ReadBytes(dir, bytes);
    // Two full records and one whose read ran into the end of the file.
    ASSERT_EQ(p.shortcuts.size(), 3u);
    EXPECT_STREQ(p.shortcuts[1].szPath, L"C:\\s2.lnk");
    EXPECT_EQ(p.shortcuts[2].szPath[0], L'\0');

    // A read that ends exactly at the end of the file does not stop the list.
    PutInt(bytes, 760 + 4, 2);
    p = ReadBytes(dir, bytes);
    EXPECT_EQ(p.shortcuts.size(), 2u);
}

TEST(Manifest, PathsCutByTheEndOfTheFileAreNotUsed) {
    ScratchDir dir(L"manifest");
    const auto full = BuildManifest(kListHeader,
                                    {MakeManifestItem(1, L"C:\\keep.txt"),
                                     MakeManifestItem(0, L"C:\\Program Files\\Product\\")},
                                    {});
    auto bytes = full;
    // Cut inside the second path: "C:\Program" would name another folder.
    bytes.resize(760 + 4 + 524 + 4 + 2 * 10);
    Parsed p = ReadBytes(dir, bytes);
    ASSERT_EQ(p.entries.size(), 1u);
    EXPECT_STREQ(p.entries[0].szPath, L"C:\\keep.txt");

    // A record cut after its terminator is still whole.
    bytes = full;
    bytes.resize(760 + 4 + 524 + 4 + 2 * 30);
    p = ReadBytes(dir, bytes);
    ASSERT_EQ(p.entries.size(), 2u);
    EXPECT_STREQ(p.entries[1].szPath, L"C:\\Program Files\\Product\\");
}

TEST(Manifest, TruncatedHeaderClearsCutFields) {
    ScratchDir dir(L"manifest");
    auto bytes =
        BuildManifest(MakeManifestHeader(L"Key", L"Name", L"G", L"C:\\Program Files\\P\\"), {}, {});
    bytes.resize(360 + 2 * 5); // install directory cut after "C:\Pr"
    Parsed p = ReadBytes(dir, bytes);
    EXPECT_STREQ(p.header.szUninstallKey, L"Key");
    EXPECT_STREQ(p.header.szProductName, L"Name");
    EXPECT_FALSE(isDirectoryMode(p.header));
    EXPECT_TRUE(p.entries.empty());

    bytes.resize(200 + 2 * 2); // product name cut
    tagUninstallHeader h;
    ASSERT_TRUE(WriteFileBytes(dir / L"h.dat", std::string(bytes.begin(), bytes.end())));
    ASSERT_TRUE(ReadManifestHeader((dir / L"h.dat").c_str(), h));
    EXPECT_STREQ(h.szUninstallKey, L"Key");
    EXPECT_EQ(h.szProductName[0], L'\0');
}

TEST(Manifest, UnterminatedFieldsAreBoundedByTheField) {
    ScratchDir dir(L"manifest");
    std::wstring longKey(100, L'K'), longName(50, L'N'), longPath(260, L'P');
    auto bytes = BuildManifest(MakeManifestHeader(longKey, longName, L"G", L""),
                               {MakeManifestItem(1, longPath), MakeManifestItem(1, L"C:\\ok")},
                               {MakeManifestItem(1, longPath)});
    Parsed p = ReadBytes(dir, bytes);
    EXPECT_EQ(FieldText(p.header.szUninstallKey), nullptr);
    EXPECT_EQ(FieldText(p.header.szProductName), nullptr);
    EXPECT_NE(FieldText(p.header.szProgramGroup), nullptr);
    wchar_t shown[50];
    CopyFieldForDisplay(p.header.szProductName, shown, std::size(shown));
    EXPECT_EQ(std::wstring(shown), std::wstring(49, L'N'));
    ASSERT_EQ(p.entries.size(), 1u);
    EXPECT_STREQ(p.entries[0].szPath, L"C:\\ok");
    ASSERT_EQ(p.shortcuts.size(), 1u);
    EXPECT_EQ(p.shortcuts[0].szPath[0], L'\0');
}

TEST(Manifest, MissingFile) {
    ScratchDir dir(L"manifest");
    tagUninstallHeader h;
    memset(&h, 0x55, sizeof(h));
    EXPECT_FALSE(ReadManifestHeader((dir / L"absent.dat").c_str(), h));
    EXPECT_EQ(h.szProductName[0], L'\0');
    std::vector<tagUninstallItem> e, s;
    EXPECT_FALSE(ReadManifestFile((dir / L"absent.dat").c_str(), h, e, s));
}

// What makes a file not whole is named; what the format allows is not.
TEST(Manifest, DamageIsNamedAndOnlyDamage) {
    ScratchDir dir(L"manifest");
    const auto whole = BuildManifest(kListHeader, {MakeManifestItem(0, L"C:\\a\\")},
                                     {MakeManifestItem(1, L"C:\\s.lnk")});
    auto negative = whole, unterminated = whole, emptyPath = whole, trailing = whole;
    PutInt(negative, 760 + 4 + 524, -1);
    for (size_t i = 0; i < 200; i += 2)
        unterminated[i] = 'K';
    emptyPath[760 + 4 + 4] = emptyPath[760 + 4 + 5] = 0;
    trailing.push_back(7);
    const struct {
        std::vector<unsigned char> bytes;
        const wchar_t* damage; // "" for none
    } cases[] = {
        {whole, L""},
        {emptyPath, L""},
        {trailing, L""},
        {{whole.begin(), whole.begin() + 700}, L"the header is cut off by the end of the file"},
        {{whole.begin(), whole.begin() + 760}, L"the entry count is missing"},
        {{whole.begin(), whole.begin() + 760 + 4 + 524}, L"the shortcut count is missing"},
        {{whole.begin(), whole.end() - 1}, L"shortcut 1 is cut off by the end of the file"},
        {negative, L"the shortcut count is negative"},
        {unterminated, L"the key name has no terminator"},
        {{unterminated.begin(), unterminated.end() - 1},
         L"the key name has no terminator; shortcut 1 is cut off by the end of the file"},
    };
    for (const auto& c : cases) {
        std::wstring path = dir / L"vxUninstall.dat", damage = L"?";
        ASSERT_TRUE(WriteFileBytes(path, std::string(c.bytes.begin(), c.bytes.end())));
        Parsed p;
        ASSERT_TRUE(ReadManifestFile(path.c_str(), p.header, p.entries, p.shortcuts, &damage));
        EXPECT_EQ(damage, c.damage) << c.bytes.size();
    }
}
