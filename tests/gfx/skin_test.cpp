// Skin packs: the entry layout as values in and out, packs built from real
// folders, loaded from the Skins folder beside a copy of this program and
// served byte for byte, and malformed packs that must not be read past.
#include "gfx/vxskin.h"
#include "tests/support/copyrun.h"
#include "tests/support/testutil.h"
#include "util/vxutil.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

using namespace vxtest;
namespace pack = vx::skinpack;

namespace {

std::string Entry(const wchar_t* name, const std::string& data) {
    unsigned char header[pack::kHeaderSize];
    pack::MakeHeader(name, static_cast<uint32_t>(data.size()), header);
    return std::string(reinterpret_cast<char*>(header), sizeof(header)) + data;
}

// A pack's bytes placed so that they end where readable memory ends: a read
// past the pack faults.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::string& bytes) {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        m_page = si.dwPageSize;
        m_base = static_cast<unsigned char*>(
            VirtualAlloc(nullptr, 2 * m_page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(m_base + m_page, m_page, PAGE_NOACCESS, &old);
        m_data = m_base + m_page - bytes.size();
        memcpy(m_data, bytes.data(), bytes.size());
    }
    ~GuardedBytes() { VirtualFree(m_base, 0, MEM_RELEASE); }
    const unsigned char* data() const { return m_data; }

private:
    size_t m_page = 0;
    unsigned char* m_base = nullptr;
    unsigned char* m_data = nullptr;
};

// Where an entry is found in the pack, or (0, 0) when it is not.
std::pair<size_t, uint32_t> Find(const std::string& bytes, const wchar_t* name) {
    GuardedBytes guarded(bytes);
    pack::Entry e = {};
    if (!pack::FindEntry(guarded.data(), bytes.size(), name, e))
        return {0, 0};
    return {e.dataOffset, e.dataSize};
}

std::string ReadStream(IStream* stream) {
    std::string out;
    char buf[512];
    ULONG got = 0;
    while (SUCCEEDED(stream->Read(buf, sizeof(buf), &got)) && got > 0)
        out.append(buf, got);
    return out;
}

// Whether pack holds exactly the source folder's three files, in any order
// (the file system's order is not fixed).
void ExpectSkinFolderPack(const std::string& bytes) {
    const std::pair<const wchar_t*, std::string> files[] = {
        {L"", "read me"},
        {L"bk", std::string("\x89PNG\r\n\x1a\n\0bk", 11)},
        {L"btn", "button bytes\r\n"}};
    size_t total = 0;
    for (const auto& f : files) {
        auto at = Find(bytes, f.first);
        EXPECT_EQ(bytes.substr(at.first, at.second), f.second) << f.first;
        total += pack::kHeaderSize + f.second.size();
    }
    EXPECT_EQ(bytes.size(), total);
}

// The source folder of a skin: a picture, a dotted name, a file without
// extension and a subfolder that is not packed.
void MakeSkinFolder(const std::wstring& folder) {
    ASSERT_TRUE(MakeFile(folder + L"bk.png", std::string("\x89PNG\r\n\x1a\n\0bk", 11)));
    ASSERT_TRUE(MakeFile(folder + L"btn.close.png", "button bytes\r\n"));
    ASSERT_TRUE(MakeFile(folder + L"readme", "read me"));
    ASSERT_TRUE(MakeFile(folder + L"sub\\inner.png", "not packed"));
}

} // namespace

TEST(SkinPack, EntryNames) {
    struct Case {
        const wchar_t* path;
        const wchar_t* name;
        bool fits;
    };
    const Case cases[] = {
        {L"C:\\skin\\bk.png", L"bk", true},
        {L"C:\\skin\\btn.close.png", L"btn", true},
        {L"C:\\skin\\readme", L"", true},
        {L"C:\\skin\\.hidden.png", L"", true},
        {L"C:\\a.b\\c.png", L"c", true},
        {L"C:/skin/slash.png", L"slash", true},
        {L"C:\\s\\abcdefghijklmnopqrstuvwxyz123.png", L"abcdefghijklmnopqrstuvwxyz123", true},
        {L"C:\\s\\abcdefghijklmnopqrstuvwxyz1234.png", L"", false},
    };
    for (const Case& c : cases) {
        wchar_t name[pack::kNameChars];
        EXPECT_EQ(pack::EntryName(c.path, name), c.fits) << c.path;
        if (c.fits) {
            EXPECT_STREQ(name, c.name) << c.path;
        }
    }
}

TEST(SkinPack, HeaderLayout) {
    unsigned char h[pack::kHeaderSize];
    pack::MakeHeader(L"bk\x4E2D", 0x01020304, h);
    const unsigned char front[] = {'b', 0, 'k', 0, 0x2D, 0x4E, 0, 0};
    EXPECT_EQ(memcmp(h, front, sizeof(front)), 0);
    EXPECT_TRUE(std::all_of(h + 8, h + 60, [](unsigned char b) { return b == 0; }));
    const unsigned char size[] = {4, 3, 2, 1};
    EXPECT_EQ(memcmp(h + 60, size, 4), 0);
    // A name too long for the field keeps its terminator.
    pack::MakeHeader(L"abcdefghijklmnopqrstuvwxyz1234567", 0, h);
    EXPECT_EQ(h[58] | h[59], 0);
    EXPECT_EQ(h[56], '3');
}

TEST(SkinPack, FindEntryStaysInsideThePack) {
    std::string packed = Entry(L"a", "one") + Entry(L"b", "") + Entry(L"a", "second");
    EXPECT_EQ(Find(packed, L"a"), std::make_pair(size_t{64}, 3u)) << "the first of a name";
    EXPECT_EQ(Find(packed, L"b"), std::make_pair(size_t{131}, 0u));
    EXPECT_EQ(Find(packed, L"c"), std::make_pair(size_t{0}, 0u));
    EXPECT_EQ(Find(packed, L"").first, 0u);
    // Every cut of the pack: entries wholly inside are found, no read passes the end.
    for (size_t n = 0; n <= packed.size(); ++n) {
        std::string cut = packed.substr(0, n);
        EXPECT_EQ(Find(cut, L"a").first != 0, n >= 67) << n;
        EXPECT_EQ(Find(cut, L"b").first != 0, n >= 131) << n;
    }

    // An entry claiming more than remains ends the walk.
    std::string claims = Entry(L"long", std::string(10, 'x'));
    claims[60] = static_cast<char>(0xE8);
    claims[61] = 3;
    EXPECT_EQ(Find(claims + Entry(L"after", "z"), L"long").first, 0u);
    claims[60] = claims[61] = claims[62] = claims[63] = static_cast<char>(0xFF);
    EXPECT_EQ(Find(claims + Entry(L"after", "z"), L"after").first, 0u);

    // A name without a terminator matches nothing; the walk goes on past it.
    std::string noterm = Entry(L"", "q");
    for (size_t i = 0; i < pack::kNameChars; ++i)
        noterm[2 * i] = 'n';
    std::wstring thirty(pack::kNameChars, L'n');
    EXPECT_EQ(Find(noterm + Entry(L"next", "ok"), thirty.c_str()).first, 0u);
    EXPECT_EQ(Find(noterm + Entry(L"next", "ok"), L"next"), std::make_pair(size_t{129}, 2u));
}

TEST(SkinPack, MakeSkinPacksEveryFileOfTheFolder) {
    ScratchDir dir(L"skin-make");
    std::wstring folder = dir / L"blue\\";
    MakeSkinFolder(folder);
    CVxSkin skin;
    ASSERT_TRUE(skin.MakeSkin(folder.c_str(), (dir / L"blue.skin").c_str()));
    ExpectSkinFolderPack(ReadFileBytes(dir / L"blue.skin"));

    // A pack written into the folder it packs leaves itself out.
    ASSERT_TRUE(skin.MakeSkin(folder.c_str(), (folder + L"self.skin").c_str()));
    ExpectSkinFolderPack(ReadFileBytes(folder + L"self.skin"));

    EXPECT_FALSE(skin.MakeSkin((dir / L"none\\").c_str(), (dir / L"none.skin").c_str()));
    EXPECT_TRUE(FileExists(dir / L"none.skin"));
    EXPECT_EQ(ReadFileBytes(dir / L"none.skin"), "");
}

TEST(SkinPack, ModesAndThemesFolder) {
    CVxSkin skin;
    EXPECT_EQ(skin.GetResType(), 0);
    IStream* stream = reinterpret_cast<IStream*>(1);
    EXPECT_FALSE(skin.GetRes(L"bk", stream));
    EXPECT_EQ(stream, nullptr);

    skin.SetThemesName(L"blue");
    EXPECT_EQ(skin.GetResType(), 1);
    wchar_t cur[MAX_PATH], themes[MAX_PATH];
    GetCurPath(cur);
    skin.GetThemesPath(themes);
    EXPECT_EQ(std::wstring(themes), std::wstring(cur) + L"Themes\\blue\\");
    // A path that would not fit is dropped rather than cut.
    skin.SetThemesName(std::wstring(MAX_PATH, L'x').c_str());
    skin.GetThemesPath(themes);
    EXPECT_STREQ(themes, L"");
    skin.SetResType(0);
    EXPECT_EQ(skin.GetResType(), 0);
    EXPECT_EQ(&CVxSkin::Instance(), &CVxSkin::Instance());
}

TEST(SkinPack, LoadsFromTheSkinsFolderAndServesByteForByte) {
    VX_RUN_IN_COPY(false);
    wchar_t cur[MAX_PATH];
    GetCurPath(cur);
    std::wstring skins = std::wstring(cur) + L"Skins\\";
    MakeSkinFolder(std::wstring(cur) + L"src\\");
    CVxSkin skin;
    ASSERT_TRUE(MakeDirs(skins));
    ASSERT_TRUE(
        skin.MakeSkin((std::wstring(cur) + L"src\\").c_str(), (skins + L"blue.skin").c_str()));

    ASSERT_TRUE(skin.LoadSkin(L"blue"));
    EXPECT_EQ(skin.GetResType(), 2);
    IStream* bk = nullptr;
    ASSERT_TRUE(skin.GetRes(L"bk", bk));
    ASSERT_NE(bk, nullptr);
    EXPECT_EQ(ReadStream(bk), std::string("\x89PNG\r\n\x1a\n\0bk", 11));
    IStream* again = nullptr;
    ASSERT_TRUE(skin.GetRes(L"bk", again));
    EXPECT_EQ(again, bk) << "from the cache";
    EXPECT_EQ(ReadStream(again), std::string("\x89PNG\r\n\x1a\n\0bk", 11)) << "rewound";
    IStream* other = nullptr;
    ASSERT_TRUE(skin.GetRes(L"btn", other));
    EXPECT_EQ(ReadStream(other), "button bytes\r\n");
    ASSERT_TRUE(skin.GetRes(L"", other));
    EXPECT_EQ(ReadStream(other), "read me");
    EXPECT_FALSE(skin.GetRes(L"inner", other));
    EXPECT_EQ(other, nullptr);

    skin.FreeSkin();
    EXPECT_FALSE(skin.GetRes(L"bk", other));

    // Malformed and empty packs load, and serve only what lies inside them.
    std::string cut = Entry(L"ok", "fine") + Entry(L"cut", std::string(1000, 'c'));
    ASSERT_TRUE(WriteFileBytes(skins + L"bad.skin", cut.substr(0, cut.size() - 990)));
    ASSERT_TRUE(WriteFileBytes(skins + L"empty.skin", ""));
    ASSERT_TRUE(skin.LoadSkin(L"bad"));
    EXPECT_TRUE(skin.GetRes(L"ok", other));
    EXPECT_EQ(ReadStream(other), "fine");
    EXPECT_FALSE(skin.GetRes(L"cut", other));
    ASSERT_TRUE(skin.LoadSkin(L"empty"));
    EXPECT_FALSE(skin.GetRes(L"ok", other)) << "the cache went with the old pack";

    EXPECT_FALSE(skin.LoadSkin(L"missing"));
    EXPECT_EQ(skin.GetResType(), 2);
    EXPECT_FALSE(skin.LoadSkin(nullptr));
    skin.SetSkinName(L"blue");
    EXPECT_TRUE(skin.LoadSkin(nullptr));
    EXPECT_TRUE(skin.GetRes(L"btn", other));
}
