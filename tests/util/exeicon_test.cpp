// Icon groups written into a copy of the real executable and read back.
#include "tests/support/testutil.h"
#include "util/vxutil.h"

#include <gtest/gtest.h>
#include <cstring>

using namespace vxtest;

namespace {

const WORD kChinese = 2052;

// An icon file of count images whose bytes are distinct patterns.
std::string IconFile(int count, std::vector<std::string>& images) {
    std::string dir, data;
    size_t offset = 6 + 16 * count;
    for (int i = 0; i < count; ++i) {
        std::string img(40 + i * 24, char(0x30 + i));
        img[0] = char(40); // looks like the start of a BITMAPINFOHEADER
        images.push_back(img);
        BYTE size = BYTE(16 << i);
        unsigned char e[16] = {size, size, 0, 0, 1, 0, 32, 0};
        DWORD bytes = DWORD(img.size()), off = DWORD(offset + data.size());
        memcpy(e + 8, &bytes, 4);
        memcpy(e + 12, &off, 4);
        dir.append(reinterpret_cast<char*>(e), 16);
        data += img;
    }
    unsigned char header[6] = {0, 0, 1, 0, BYTE(count), 0};
    return std::string(reinterpret_cast<char*>(header), 6) + dir + data;
}

std::string Resource(HMODULE m, LPCWSTR type, int id) {
    HRSRC r = FindResourceExW(m, type, MAKEINTRESOURCEW(id), kChinese);
    if (!r)
        return "<none>";
    const char* p = static_cast<const char*>(LockResource(LoadResource(m, r)));
    return std::string(p, SizeofResource(m, r));
}

struct ExeCopy {
    ScratchDir dir{L"exeicon"};
    std::wstring exe = dir / L"copy.exe";
    ExeCopy() { EXPECT_TRUE(CopyFileW(BuiltUninstaller().c_str(), exe.c_str(), FALSE)); }
};

} // namespace

TEST(ExeIcon, GroupAndImagesAreWrittenAndReadBack) {
    ExeCopy copy;
    std::vector<std::string> images;
    ASSERT_TRUE(WriteFileBytes(copy.dir / L"two.ico", IconFile(2, images)));
    EXPECT_EQ(ReplaceExeIco(copy.exe.c_str(), (copy.dir / L"two.ico").c_str(), 107), 1);

    HMODULE m = LoadLibraryExW(copy.exe.c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(m, nullptr);
    auto unload = vx::scope_exit([&] { FreeLibrary(m); });
    std::string group = Resource(m, RT_GROUP_ICON, 107);
    ASSERT_EQ(group.size(), 6u + 2 * 14);
    EXPECT_EQ(group.substr(0, 6), std::string("\0\0\1\0\2\0", 6));
    for (int i = 0; i < 2; ++i) {
        const unsigned char* e = reinterpret_cast<const unsigned char*>(group.data()) + 6 + 14 * i;
        WORD bitCount, id;
        DWORD bytes;
        memcpy(&bitCount, e + 6, 2);
        memcpy(&bytes, e + 8, 4);
        memcpy(&id, e + 12, 2);
        EXPECT_EQ(e[0], 16 << i);
        EXPECT_EQ(bitCount, 32);
        EXPECT_EQ(bytes, images[i].size());
        EXPECT_EQ(Resource(m, RT_ICON, id), images[i]) << "image " << i;
    }
}

TEST(ExeIcon, MalformedIconFilesChangeNothing) {
    ExeCopy copy;
    std::string before = ReadFileBytes(copy.exe);
    std::vector<std::string> images;
    std::string good = IconFile(2, images);
    std::string countTooBig = good, offsetPastEnd = good, sizePastEnd = good, notIcon = good;
    countTooBig[4] = 9;
    offsetPastEnd[6 + 12] = char(0xF0);
    sizePastEnd[6 + 16 + 9] = char(0x40);
    notIcon[2] = 2;
    struct Case {
        const wchar_t* name;
        std::string bytes;
    } cases[] = {{L"count.ico", countTooBig},       {L"offset.ico", offsetPastEnd},
                 {L"size.ico", sizePastEnd},        {L"cursor.ico", notIcon},
                 {L"short.ico", good.substr(0, 5)}, {L"empty.ico", std::string("\0\0\1\0\0\0", 6)}};
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(copy.dir / c.name, c.bytes));
        EXPECT_EQ(ReplaceExeIco(copy.exe.c_str(), (copy.dir / c.name).c_str(), 107), 0) << c.name;
    }
    ASSERT_TRUE(WriteFileBytes(copy.dir / L"good.ico", good));
    EXPECT_EQ(ReplaceExeIco(copy.exe.c_str(), (copy.dir / L"missing.ico").c_str(), 107), 0);
    EXPECT_EQ(ReplaceExeIco(copy.exe.c_str(), (copy.dir / L"good.ico").c_str(), 0), 0);
    EXPECT_EQ(ReplaceExeIco(copy.exe.c_str(), (copy.dir / L"good.ico").c_str(), 70000), 0);
    EXPECT_TRUE(ReadFileBytes(copy.exe) == before) << "the executable is unchanged";

    ASSERT_TRUE(WriteFileBytes(copy.dir / L"notexe.exe", "just text"));
    EXPECT_EQ(
        ReplaceExeIco((copy.dir / L"notexe.exe").c_str(), (copy.dir / L"good.ico").c_str(), 107),
        0);
}
