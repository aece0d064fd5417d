// zlib loaded from beside the program: loading, whole-file coding with its
// growing output buffer, and buffer decoding with its bounds. Each test runs
// in a copy of this program in a scratch folder, where "zlib1.dll" can be
// beside it or not.
#include "support/vxzlib.h"
#include "tests/support/copyrun.h"
#include "tests/support/zdata.h"
#include "util/vxutil.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <string>

using namespace vxtest;

namespace {

std::wstring Beside(const wchar_t* name) {
    return ExeDir() + name;
}

// Bytes no compressor can shrink.
std::string Noise(size_t n) {
    std::string s(n, '\0');
    unsigned x = 12345;
    for (char& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 23);
    }
    return s;
}

std::string Text(size_t n) {
    std::string s;
    for (size_t i = 0; s.size() < n; ++i)
        s += "line " + std::to_string(i % 1000) + " of the product's files\r\n";
    s.resize(n);
    return s;
}

struct Decoded {
    HRESULT hr;
    std::string bytes;
    bool nullBlock;
};

Decoded Decode(const std::string& data) {
    void* block = reinterpret_cast<void*>(1);
    int length = -1;
    Decoded d;
    d.hr = CVxZlib::Instance().DecodeGZipBuffer(data.data(), static_cast<int>(data.size()), &block,
                                                &length);
    d.nullBlock = block == nullptr;
    if (block && length >= 0)
        d.bytes.assign(static_cast<const char*>(block), static_cast<size_t>(length));
    else if (length != 0)
        d.bytes = "<length " + std::to_string(length) + ">";
    free(block);
    return d;
}

} // namespace

TEST(ZlibLoad, MissingDllLeavesEveryOperationUnavailable) {
    VX_RUN_IN_COPY(false);
    EXPECT_EQ(InitZlib(), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
    ASSERT_TRUE(WriteFileBytes(Beside(L"in.txt"), "data"));
    EXPECT_EQ(EncodeFile(Beside(L"in.txt").c_str(), Beside(L"out.z").c_str(), 9), E_NOINTERFACE);
    EXPECT_EQ(DecodeFile(Beside(L"in.txt").c_str(), Beside(L"out.txt").c_str(), 0), E_NOINTERFACE);
    EXPECT_FALSE(FileExists(Beside(L"out.z")));
    Decoded d = Decode("\x1f\x8b\x08\x00");
    EXPECT_EQ(d.hr, E_FAIL);
    EXPECT_TRUE(d.nullBlock);
    EXPECT_EQ(d.bytes, "");
}

TEST(ZlibLoad, DllMissingAnExportIsNotKept) {
    VX_RUN_IN_COPY(true);
    // Wine's user32 and wininet bring Wine's own zlib1.dll, and Wine then
    // hands that module out for any path ending in zlib1.dll; Windows loads
    // the file named.
    if (HMODULE loaded = GetModuleHandleW(L"zlib1.dll")) {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(loaded, path, MAX_PATH);
        GTEST_SKIP() << "a zlib1.dll is loaded already: " << std::string(path, path + wcslen(path));
    }
    // The real zlib1.dll with one export renamed (still in sorted order).
    std::string dll = ReadFileBytes(Beside(L"zlib1.dll"));
    const std::string name("\0inflateEnd\0", 12);
    size_t at = dll.find(name);
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(dll.find(name, at + 1), std::string::npos);
    dll[at + 10] = 'X';
    ASSERT_TRUE(WriteFileBytes(Beside(L"zlib1.dll"), dll));
    EXPECT_EQ(InitZlib(), HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(GetModuleHandleW(Beside(L"zlib1.dll").c_str()), nullptr) << "released again";
    ASSERT_TRUE(WriteFileBytes(Beside(L"in.txt"), "data"));
    EXPECT_EQ(EncodeFile(Beside(L"in.txt").c_str(), Beside(L"out.z").c_str(), 9), E_NOINTERFACE);
}

TEST(ZlibLoad, LoadsOnceUnloadsAndLoadsAgain) {
    VX_RUN_IN_COPY(true);
    ASSERT_EQ(InitZlib(), S_OK);
    EXPECT_EQ(InitZlib(), S_OK);
    ASSERT_TRUE(WriteFileBytes(Beside(L"in.txt"), Text(5000)));
    EXPECT_EQ(EncodeFile(Beside(L"in.txt").c_str(), Beside(L"out.z").c_str(), -1), S_OK);
    UninitZlib();
    EXPECT_EQ(EncodeFile(Beside(L"in.txt").c_str(), Beside(L"out.z").c_str(), -1), E_NOINTERFACE);
    EXPECT_EQ(Decode(Deflate("abc", ZWrap::kGzip)).hr, E_FAIL);
    UninitZlib();
    ASSERT_EQ(InitZlib(), S_OK);
    EXPECT_EQ(Decode(Deflate("abc", ZWrap::kGzip)).bytes, "abc");
}

TEST(ZlibFile, RoundTripsThroughABareZlibStream) {
    VX_RUN_IN_COPY(true);
    ASSERT_EQ(InitZlib(), S_OK);
    const std::string text = Text(300000);
    ASSERT_TRUE(WriteFileBytes(Beside(L"in.txt"), text));
    ASSERT_TRUE(WriteFileBytes(Beside(L"out.z"), std::string(1000000, 'x')));
    ASSERT_EQ(EncodeFile(Beside(L"in.txt").c_str(), Beside(L"out.z").c_str(), 9), S_OK);
    std::string z = ReadFileBytes(Beside(L"out.z"));
    ASSERT_LT(z.size(), text.size() / 10) << "the old, longer file is replaced";
    // compress2's own form: what inflate takes as a zlib stream.
    EXPECT_EQ(static_cast<unsigned char>(z[0]), 0x78);
    EXPECT_EQ(Decode(z).bytes, text);

    for (DWORD expected : {0ul, 300000ul, 7ul}) {
        SCOPED_TRACE(expected);
        DeleteFileW(Beside(L"back.txt").c_str());
        EXPECT_EQ(DecodeFile(Beside(L"out.z").c_str(), Beside(L"back.txt").c_str(), expected),
                  S_OK);
        EXPECT_EQ(ReadFileBytes(Beside(L"back.txt")), text);
    }
}

TEST(ZlibFile, OutputRoomDoublesPastTheFirstGuess) {
    VX_RUN_IN_COPY(true);
    ASSERT_EQ(InitZlib(), S_OK);
    // 3,000,000 bytes from a small file: room 1,000,000, then 2,000,000, then 4,000,000.
    const std::string big = Text(3000000);
    ASSERT_TRUE(WriteFileBytes(Beside(L"big.txt"), big));
    ASSERT_EQ(EncodeFile(Beside(L"big.txt").c_str(), Beside(L"big.z").c_str(), 9), S_OK);
    ASSERT_LT(FileSize(Beside(L"big.z").c_str()), 1000000);
    ASSERT_EQ(DecodeFile(Beside(L"big.z").c_str(), Beside(L"big.out").c_str(), 0), S_OK);
    EXPECT_EQ(ReadFileBytes(Beside(L"big.out")), big);

    // Noise grows a little under deflate: room as large as the input is not enough.
    const std::string noise = Noise(1200000);
    ASSERT_TRUE(WriteFileBytes(Beside(L"noise.bin"), noise));
    ASSERT_EQ(EncodeFile(Beside(L"noise.bin").c_str(), Beside(L"noise.z").c_str(), 9), S_OK);
    EXPECT_GT(FileSize(Beside(L"noise.z").c_str()), 1200000);
    ASSERT_EQ(DecodeFile(Beside(L"noise.z").c_str(), Beside(L"noise.out").c_str(), 0), S_OK);
    EXPECT_EQ(ReadFileBytes(Beside(L"noise.out")), noise);
}

TEST(ZlibFile, EmptyMissingCorruptAndOutOfRange) {
    VX_RUN_IN_COPY(true);
    ASSERT_EQ(InitZlib(), S_OK);
    ASSERT_TRUE(WriteFileBytes(Beside(L"empty"), ""));
    ASSERT_TRUE(WriteFileBytes(Beside(L"e.z"), "old"));
    ASSERT_TRUE(WriteFileBytes(Beside(L"e.txt"), "old"));
    EXPECT_EQ(EncodeFile(Beside(L"empty").c_str(), Beside(L"e.z").c_str(), 9), S_OK);
    EXPECT_EQ(DecodeFile(Beside(L"empty").c_str(), Beside(L"e.txt").c_str(), 0), S_OK);
    EXPECT_TRUE(FileExists(Beside(L"e.z")));
    EXPECT_EQ(ReadFileBytes(Beside(L"e.z")), "");
    EXPECT_EQ(ReadFileBytes(Beside(L"e.txt")), "");

    EXPECT_EQ(EncodeFile(Beside(L"absent").c_str(), Beside(L"a.z").c_str(), 9),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(FileExists(Beside(L"a.z")));
    ASSERT_TRUE(WriteFileBytes(Beside(L"in.txt"), Text(1000)));
    EXPECT_EQ(EncodeFile(Beside(L"in.txt").c_str(), Beside(L"no\\such\\dir.z").c_str(), 9),
              HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));

    // Not a zlib stream: fails, leaving the destination created but empty.
    ASSERT_TRUE(WriteFileBytes(Beside(L"bad.z"), "this is not compressed"));
    EXPECT_EQ(DecodeFile(Beside(L"bad.z").c_str(), Beside(L"bad.txt").c_str(), 0), E_FAIL);
    EXPECT_TRUE(FileExists(Beside(L"bad.txt")));
    EXPECT_EQ(ReadFileBytes(Beside(L"bad.txt")), "");

    // A hint above 1,000,000,000 leaves no room to try.
    ASSERT_EQ(EncodeFile(Beside(L"in.txt").c_str(), Beside(L"in.z").c_str(), 9), S_OK);
    EXPECT_EQ(DecodeFile(Beside(L"in.z").c_str(), Beside(L"in.out").c_str(), 0xFFFFFFFFu), E_FAIL);
    EXPECT_EQ(ReadFileBytes(Beside(L"in.out")), "");
}

TEST(ZlibBuffer, DecodesGzipAndZlibButNotRawDeflate) {
    VX_RUN_IN_COPY(true);
    ASSERT_EQ(InitZlib(), S_OK);
    const std::string text = Text(10000) + std::string(5, '\0') + Text(4096 * 3 - 5);
    std::string gz = Deflate(text, ZWrap::kGzip), zl = Deflate(text, ZWrap::kZlib);
    ASSERT_EQ(gz.substr(0, 2), "\x1f\x8b");
    ASSERT_EQ(static_cast<unsigned char>(zl[0]), 0x78);
    EXPECT_EQ(Decode(gz).bytes, text);
    EXPECT_EQ(Decode(zl).bytes, text);
    // A result of whole 4 KB chunks ends as cleanly as any other.
    EXPECT_EQ(Decode(Deflate(std::string(4096 * 2, 'k'), ZWrap::kGzip)).bytes,
              std::string(4096 * 2, 'k'));

    Decoded empty = Decode(Deflate("", ZWrap::kGzip));
    EXPECT_EQ(empty.hr, S_OK);
    EXPECT_FALSE(empty.nullBlock);
    EXPECT_EQ(empty.bytes, "");

    for (const std::string& bad :
         {Deflate(text, ZWrap::kRaw), gz.substr(0, gz.size() / 2), std::string("plain text")}) {
        Decoded d = Decode(bad);
        EXPECT_EQ(d.hr, E_FAIL);
        EXPECT_TRUE(d.nullBlock);
        EXPECT_EQ(d.bytes, "");
    }
}

TEST(ZlibBuffer, OutputBeyondTheBoundFails) {
    VX_RUN_IN_COPY(true);
    ASSERT_EQ(InitZlib(), S_OK);
    const std::string mib(1 << 20, '\0');
    const int limitMib = CVxZlib::kMaxDecoded >> 20;
    // About 64 KB that would expand to one MiB more than the bound.
    std::string bomb = Deflate(mib, ZWrap::kGzip, limitMib + 1);
    ASSERT_LT(bomb.size(), 200000u);
    Decoded d = Decode(bomb);
    EXPECT_EQ(d.hr, E_FAIL);
    EXPECT_TRUE(d.nullBlock);
    // Exactly at the bound is still decoded.
    Decoded full = Decode(Deflate(mib, ZWrap::kZlib, limitMib));
    EXPECT_EQ(full.hr, S_OK);
    EXPECT_EQ(full.bytes.size(), static_cast<size_t>(CVxZlib::kMaxDecoded));
}
