// Icon groups written into a copy of the real executable and read back.
#include "tests/support/testutil.h"
#include "util/vxutil.h"

#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

using namespace vxtest;

namespace {

const WORD kChinese = 2052;

struct icon_traits {
    using type = HICON;
    static type invalid() { return nullptr; }
    static void close(type h) { DestroyIcon(h); }
};
using unique_hicon = vx::unique_any<icon_traits>;

template <typename T> void Put(std::string& s, size_t at, T v) {
    memcpy(&s[at], &v, sizeof(v));
}

template <typename T> T Get(const std::string& s, size_t at) {
    T v;
    memcpy(&v, s.data() + at, sizeof(v));
    return v;
}

// A square 32-bit icon image: header, colour pixels in a pattern of its
// own, and the transparency mask.
std::string IconImage(int side, int pattern) {
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof(h);
    h.biWidth = side;
    h.biHeight = side * 2; // colour and mask
    h.biPlanes = 1;
    h.biBitCount = 32;
    std::string img(reinterpret_cast<const char*>(&h), sizeof(h));
    for (int i = 0; i < side * side; ++i) {
        DWORD pixel = 0xFF000000u | (pattern * 0x10101u + i);
        img.append(reinterpret_cast<const char*>(&pixel), sizeof(pixel));
    }
    img.append(size_t(side / 8 + 3) / 4 * 4 * side, '\0');
    return img;
}

// An icon file of one image per side, each 32 bits per pixel.
std::string IconFile(const std::vector<int>& sides, std::vector<std::string>& images) {
    std::string dir, data;
    size_t offset = 6 + 16 * sides.size();
    for (size_t i = 0; i < sides.size(); ++i) {
        std::string img = IconImage(sides[i], int(i) + 1);
        std::string e(16, '\0');
        e[0] = e[1] = char(sides[i] % 256);
        Put<WORD>(e, 4, 1);
        Put<WORD>(e, 6, 32);
        Put<DWORD>(e, 8, DWORD(img.size()));
        Put<DWORD>(e, 12, DWORD(offset + data.size()));
        dir += e;
        data += img;
        images.push_back(img);
    }
    std::string header(6, '\0');
    Put<WORD>(header, 2, 1);
    Put<WORD>(header, 4, WORD(sides.size()));
    return header + dir + data;
}

std::string Resource(HMODULE m, LPCWSTR type, WORD id) {
    HRSRC r = FindResourceExW(m, type, MAKEINTRESOURCEW(id), kChinese);
    const void* p = r ? LockResource(LoadResource(m, r)) : nullptr;
    return p ? std::string(static_cast<const char*>(p), SizeofResource(m, r)) : "<none>";
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
    std::string ico = IconFile({16, 32}, images);
    ASSERT_TRUE(WriteFileBytes(copy.dir / L"two.ico", ico));
    ASSERT_EQ(ReplaceExeIco(copy.exe.c_str(), (copy.dir / L"two.ico").c_str(), 107), 1);

    vx::unique_hmodule m(LoadLibraryExW(copy.exe.c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(m) << GetLastError();
    std::string group = Resource(m.get(), RT_GROUP_ICON, 107);
    ASSERT_EQ(group.size(), 6u + 2 * 14);
    EXPECT_EQ(group.substr(0, 6), ico.substr(0, 6)) << "the header as read";
    for (size_t i = 0; i < images.size(); ++i) {
        size_t g = 6 + 14 * i, f = 6 + 16 * i;
        SCOPED_TRACE("image " + std::to_string(i));
        EXPECT_EQ(group.substr(g, 8), ico.substr(f, 8)) << "size, colours, planes, bit count";
        EXPECT_EQ(Get<WORD>(group, g + 6), 32);
        EXPECT_EQ(Get<DWORD>(group, g + 8), images[i].size());
        WORD id = Get<WORD>(group, g + 12);
        EXPECT_EQ(id, i) << "images are numbered from 0";
        std::string bytes = Resource(m.get(), RT_ICON, id);
        ASSERT_EQ(bytes, images[i]);
        // What was written is an icon the system can draw.
        unique_hicon icon(CreateIconFromResourceEx(reinterpret_cast<BYTE*>(&bytes[0]),
                                                   DWORD(bytes.size()), TRUE, 0x00030000, 0, 0, 0));
        EXPECT_TRUE(icon);
    }
}

TEST(ExeIcon, MalformedIconFilesChangeNothing) {
    ExeCopy copy;
    const std::string before = ReadFileBytes(copy.exe);
    ASSERT_FALSE(before.empty());
    std::vector<std::string> images;
    const std::string good = IconFile({16, 32}, images);
    const DWORD size = DWORD(good.size());

    std::string countTooBig = good, offsetAtEnd = good, offsetWraps = good, sizeOneOver = good,
                sizeWraps = good, notIcon = good, noImages = good.substr(0, 6);
    Put<WORD>(countTooBig, 4, 9);
    Put<DWORD>(offsetAtEnd, 6 + 12, size);
    Put<DWORD>(offsetWraps, 6 + 12, 0xFFFFFFF0u);
    Put<DWORD>(sizeOneOver, 6 + 16 + 8, DWORD(images[1].size() + 1));
    Put<DWORD>(sizeWraps, 6 + 16 + 8, 0xFFFFFFFFu);
    Put<WORD>(notIcon, 2, 2); // a cursor file
    Put<WORD>(noImages, 4, 0);
    struct Case {
        std::string name, bytes;
    } cases[] = {
        {"count", countTooBig},
        {"offset-end", offsetAtEnd},
        {"offset-wrap", offsetWraps},
        {"size-over", sizeOneOver},
        {"size-wrap", sizeWraps},
        {"cursor", notIcon},
        {"none", noImages},
        {"header", good.substr(0, 5)},
        {"directory", good.substr(0, 6 + 16 + 8)},
        {"empty", ""},
    };
    for (const Case& c : cases) {
        std::wstring path = copy.dir / (std::wstring(c.name.begin(), c.name.end()) + L".ico");
        ASSERT_TRUE(WriteFileBytes(path, c.bytes));
        EXPECT_EQ(ReplaceExeIco(copy.exe.c_str(), path.c_str(), 107), 0) << c.name;
    }
    ASSERT_TRUE(WriteFileBytes(copy.dir / L"good.ico", good));
    std::wstring ico = copy.dir / L"good.ico";
    EXPECT_EQ(ReplaceExeIco(copy.exe.c_str(), (copy.dir / L"missing.ico").c_str(), 107), 0);
    EXPECT_EQ(ReplaceExeIco(copy.exe.c_str(), ico.c_str(), 0), 0);
    EXPECT_EQ(ReplaceExeIco(copy.exe.c_str(), ico.c_str(), -1), 0);
    EXPECT_EQ(ReplaceExeIco(copy.exe.c_str(), ico.c_str(), 65536), 0);
    EXPECT_EQ(ReplaceExeIco(copy.exe.c_str(), nullptr, 107), 0);
    EXPECT_TRUE(ReadFileBytes(copy.exe) == before) << "the executable is unchanged";

    // The icon is fine; the executable is missing or no program at all.
    ASSERT_TRUE(WriteFileBytes(copy.dir / L"notexe.exe", "just text"));
    EXPECT_EQ(ReplaceExeIco((copy.dir / L"notexe.exe").c_str(), ico.c_str(), 107), 0);
    EXPECT_EQ(ReadFileBytes(copy.dir / L"notexe.exe"), "just text");
    EXPECT_EQ(ReplaceExeIco((copy.dir / L"missing.exe").c_str(), ico.c_str(), 107), 0);
    EXPECT_FALSE(FileExists(copy.dir / L"missing.exe"));
    EXPECT_EQ(ReplaceExeIco(nullptr, ico.c_str(), 107), 0);
}
