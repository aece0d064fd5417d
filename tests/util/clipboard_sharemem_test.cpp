// The clipboard under the X server, and named shared memory seen from a
// second process.
#include "tests/support/testutil.h"
#include "util/vxutil.h"

#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

using namespace vxtest;

namespace {

// Puts raw bytes on the clipboard as CF_UNICODETEXT, without the library.
bool PutRawText(const void* data, size_t bytes) {
    vx::unique_hglobal block(GlobalAlloc(GMEM_MOVEABLE, bytes));
    void* p = block ? GlobalLock(block.get()) : nullptr;
    if (!p || !OpenClipboard(nullptr))
        return false;
    memcpy(p, data, bytes);
    GlobalUnlock(block.get());
    auto close = vx::scope_exit([] { CloseClipboard(); });
    EmptyClipboard();
    if (!SetClipboardData(CF_UNICODETEXT, block.get()))
        return false;
    block.release();
    return true;
}

// The clipboard text read without the library; "<none>" when there is none.
std::wstring RawText() {
    if (!OpenClipboard(nullptr))
        return L"<closed>";
    auto close = vx::scope_exit([] { CloseClipboard(); });
    HANDLE h = GetClipboardData(CF_UNICODETEXT);
    const auto* p = h ? static_cast<const wchar_t*>(GlobalLock(h)) : nullptr;
    if (!p)
        return L"<none>";
    std::wstring text(p, wcsnlen(p, GlobalSize(h) / sizeof(wchar_t)));
    GlobalUnlock(h);
    return text;
}

const wchar_t kChinese[] = L"\u5378\u8f7d\u7a0b\u5e8f\u5df2\u5b8c\u6210"; // 卸载程序已完成

} // namespace

TEST(Clipboard, TextRoundTripsThroughTheSystemClipboard) {
    ASSERT_EQ(SetClipboard(L"Hello, clipboard"), 1);
    EXPECT_EQ(RawText(), L"Hello, clipboard");
    wchar_t buf[MAX_PATH];
    ASSERT_EQ(GetClipboard(buf, MAX_PATH), 1);
    EXPECT_STREQ(buf, L"Hello, clipboard");

    ASSERT_EQ(SetClipboard(kChinese), 1);
    EXPECT_EQ(RawText(), kChinese);
    ASSERT_EQ(GetClipboard(buf, MAX_PATH), 1);
    EXPECT_STREQ(buf, kChinese);

    // Text another program put there reads the same way.
    const wchar_t other[] = L"set by someone else \u4e2d\u6587";
    ASSERT_TRUE(PutRawText(other, sizeof(other)));
    ASSERT_EQ(GetClipboard(buf, MAX_PATH), 1);
    EXPECT_STREQ(buf, other);
}

TEST(Clipboard, LongTextIsCutToMaximumLessOne) {
    wchar_t buf[8];
    ASSERT_EQ(SetClipboard(L"abcdefghij"), 1);
    wmemset(buf, L'#', 8);
    ASSERT_EQ(GetClipboard(buf, 4), 1);
    EXPECT_STREQ(buf, L"abc");
    EXPECT_EQ(buf[4], L'#') << "wrote past maximum";

    ASSERT_EQ(SetClipboard(kChinese), 1);
    wmemset(buf, L'#', 8);
    ASSERT_EQ(GetClipboard(buf, 3), 1);
    EXPECT_EQ(std::wstring(buf), std::wstring(kChinese, 2));
    EXPECT_EQ(buf[3], L'#');

    // Exactly fitting text is not cut; maximum 1 leaves room for nothing.
    ASSERT_EQ(SetClipboard(L"abc"), 1);
    ASSERT_EQ(GetClipboard(buf, 4), 1);
    EXPECT_STREQ(buf, L"abc");
    wmemset(buf, L'#', 8);
    ASSERT_EQ(GetClipboard(buf, 1), 1);
    EXPECT_EQ(buf[0], L'\0');
    EXPECT_EQ(buf[1], L'#');
}

TEST(Clipboard, NoRoomOrNoBufferWritesNothing) {
    ASSERT_EQ(SetClipboard(L"abc"), 1);
    wchar_t buf[4] = {L'#', L'#', L'#', L'#'};
    EXPECT_EQ(GetClipboard(buf, 0), 0);
    EXPECT_EQ(GetClipboard(buf, -5), 0);
    EXPECT_EQ(buf[0], L'#');
    EXPECT_EQ(GetClipboard(nullptr, 10), 0);
    EXPECT_EQ(SetClipboard(nullptr), 0);
    EXPECT_EQ(RawText(), L"abc");
}

TEST(Clipboard, EmptyClipboardGivesEmptyText) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    wchar_t buf[8] = L"stale";
    EXPECT_EQ(GetClipboard(buf, 8), 1);
    EXPECT_STREQ(buf, L"");
}

TEST(Clipboard, TextWithoutTerminatorIsBoundedByItsBlock) {
    const wchar_t unterminated[3] = {L'x', L'y', L'z'};
    ASSERT_TRUE(PutRawText(unterminated, sizeof(unterminated)));
    wchar_t buf[16];
    wmemset(buf, L'#', 16);
    ASSERT_EQ(GetClipboard(buf, 16), 1);
    std::wstring got = buf;
    EXPECT_EQ(std::wstring(L"xyz").compare(0, got.size(), got), 0) << "read beyond the block";
    if (RawText() == L"xy")
        GTEST_SKIP() << "Wine overwrites the last character of CF_UNICODETEXT data with a "
                        "terminator, so no unterminated text reaches the clipboard";
    EXPECT_EQ(got, L"xyz");
}

namespace {

struct HolderContext {
    HANDLE opened, release;
    bool ok;
};

// Holds the clipboard open for a window of its own thread, as another
// program would, until told to let go.
DWORD WINAPI HoldClipboard(void* p) {
    auto* c = static_cast<HolderContext*>(p);
    MessageWindow owner;
    c->ok = owner.hwnd() && OpenClipboard(owner.hwnd());
    SetEvent(c->opened);
    WaitForSingleObject(c->release, 10000);
    if (c->ok)
        CloseClipboard();
    return 0;
}

} // namespace

TEST(Clipboard, ClipboardHeldOpenElsewhereFailsBothWays) {
    ASSERT_EQ(SetClipboard(L"before"), 1);
    vx::unique_handle opened(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    vx::unique_handle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HolderContext ctx{opened.get(), release.get(), false};
    vx::unique_handle holder(CreateThread(nullptr, 0, HoldClipboard, &ctx, 0, nullptr));
    ASSERT_TRUE(holder);
    auto join = vx::scope_exit([&] {
        SetEvent(release.get());
        WaitForSingleObject(holder.get(), 10000);
    });
    ASSERT_EQ(WaitForSingleObject(opened.get(), 10000), WAIT_OBJECT_0);
    ASSERT_TRUE(ctx.ok);

    wchar_t buf[16] = L"untouched";
    EXPECT_EQ(GetClipboard(buf, 16), 0);
    EXPECT_STREQ(buf, L"") << "a failed read leaves an empty text";
    EXPECT_EQ(SetClipboard(L"after"), 0);

    SetEvent(release.get());
    WaitForSingleObject(holder.get(), 10000);
    EXPECT_EQ(RawText(), L"before");
}

namespace {

std::wstring Child() {
    return L"\"" + ExeDir() + L"util_child.exe\" ";
}

// A name no other test run uses.
std::wstring MapName(const wchar_t* what) {
    return L"VxTestShm-" + std::wstring(what) + L"-" + std::to_wstring(GetCurrentProcessId());
}

std::wstring FileText(const std::wstring& path) {
    std::string bytes = ReadFileBytes(path);
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                        bytes.size() / sizeof(wchar_t));
}

const DWORD kPage = 4096;

} // namespace

TEST(ShareMem, ExistsWhileAHandleIsOpen) {
    std::wstring name = MapName(L"exists");
    EXPECT_EQ(isExistsShareMem(name.c_str()), 0);
    vx::unique_handle mapping(CreateShareMem(name.c_str(), kPage));
    ASSERT_TRUE(mapping);
    EXPECT_EQ(isExistsShareMem(name.c_str()), 1);
    mapping.reset();
    EXPECT_EQ(isExistsShareMem(name.c_str()), 0);
    EXPECT_EQ(isExistsShareMem(nullptr), 0);
}

TEST(ShareMem, WrittenHereIsReadByAnotherProcess) {
    ScratchDir dir(L"shm");
    std::wstring name = MapName(L"here");
    vx::unique_handle mapping(CreateShareMem(name.c_str(), kPage));
    ASSERT_TRUE(mapping);

    const std::wstring text = std::wstring(L"shared ") + kChinese;
    ASSERT_EQ(WriteShareMem(name.c_str(), text.c_str(), 0), 1);
    EXPECT_EQ(RunProcess(Child() + L"shm-read " + name + L" \"" + dir / L"text" + L"\""), 0);
    EXPECT_EQ(FileText(dir / L"text"), text);

    // Bytes at an offset, including zeros, arrive as they are.
    const unsigned char bytes[] = {1, 0, 2, 0xff, 0, 3};
    ASSERT_EQ(WriteShareMem2(name.c_str(), bytes, sizeof(bytes), 1000), 1);
    EXPECT_EQ(RunProcess(Child() + L"shm-read2 " + name + L" \"" + dir / L"bytes" + L"\" 6 1000"),
              0);
    EXPECT_EQ(ReadFileBytes(dir / L"bytes"), std::string(reinterpret_cast<const char*>(bytes), 6));
}

TEST(ShareMem, WrittenByAnotherProcessIsReadHere) {
    std::wstring name = MapName(L"there");
    vx::unique_handle mapping(CreateShareMem(name.c_str(), kPage));
    ASSERT_TRUE(mapping);
    ASSERT_EQ(RunProcess(Child() + L"shm-write " + name + L" \"from the child\" 100"), 0);
    wchar_t buf[32];
    ASSERT_EQ(ReadShareMem2(name.c_str(), buf, 32, 200), 1);
    EXPECT_STREQ(buf, L"from the child");
    ASSERT_EQ(ReadShareMem(name.c_str(), buf), 1);
    EXPECT_STREQ(buf, L"") << "the start of the mapping was not written";

    // A mapping only the child holds lives exactly as long as the child.
    std::wstring host = MapName(L"host");
    std::wstring ready = host + L"-ready", done = host + L"-done";
    vx::unique_handle readyEvent(CreateEventW(nullptr, TRUE, FALSE, ready.c_str()));
    vx::unique_handle doneEvent(CreateEventW(nullptr, TRUE, FALSE, done.c_str()));
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::wstring cmd =
        Child() + L"shm-host " + host + L" 8192 \"" + kChinese + L"\" " + ready + L" " + done;
    ASSERT_TRUE(
        CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &pi));
    vx::unique_handle process(pi.hProcess), thread(pi.hThread);
    ASSERT_EQ(WaitForSingleObject(readyEvent.get(), 30000), WAIT_OBJECT_0);
    EXPECT_EQ(isExistsShareMem(host.c_str()), 1);
    wchar_t text[MAX_PATH];
    EXPECT_EQ(ReadShareMem(host.c_str(), text), 1);
    EXPECT_STREQ(text, kChinese);
    EXPECT_EQ(ReadShareMem2(host.c_str(), text, 2, 8190), 1) << "the child asked for 8192 bytes";
    SetEvent(doneEvent.get());
    ASSERT_EQ(WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(isExistsShareMem(host.c_str()), 0);
    EXPECT_EQ(ReadShareMem(host.c_str(), text), 0);
}

TEST(ShareMem, CopiesOutsideTheMappingAreRefused) {
    std::wstring name = MapName(L"bounds");
    const wchar_t* n = name.c_str();
    vx::unique_handle mapping(CreateShareMem(n, kPage));
    ASSERT_TRUE(mapping);
    // The test's own view, to check every byte.
    vx::unique_view view(MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_TRUE(view);
    const auto* own = static_cast<const unsigned char*>(view.get());
    std::vector<unsigned char> fill(kPage, 0xab);
    ASSERT_EQ(WriteShareMem2(n, fill.data(), kPage, 0), 1) << "the whole mapping is writable";

    // Text with its terminator: "ab" needs 6 bytes, 4 remain at char 2046.
    EXPECT_EQ(WriteShareMem(n, L"ab", 2047), 0);
    EXPECT_EQ(WriteShareMem(n, L"ab", 2046), 0);
    EXPECT_EQ(WriteShareMem(n, L"a", 2048), 0);
    // Offsets whose byte offset wraps 32 bits.
    EXPECT_EQ(WriteShareMem(n, L"a", 0x80000000u), 0);
    EXPECT_EQ(WriteShareMem(n, L"a", 0xffffffffu), 0);
    unsigned char two[2] = {0x11, 0x22};
    EXPECT_EQ(WriteShareMem2(n, two, 2, kPage - 1), 0);
    EXPECT_EQ(WriteShareMem2(n, two, 1, kPage), 0);
    EXPECT_EQ(WriteShareMem2(n, two, 2, 0xffffffffu), 0);
    EXPECT_EQ(WriteShareMem2(n, fill.data(), 0xffffffffu, 2), 0);
    EXPECT_EQ(WriteShareMem2(n, fill.data(), kPage + 1, 0), 0);
    for (DWORD i = 0; i < kPage; ++i)
        ASSERT_EQ(own[i], 0xab) << "byte " << i << " changed by a refused write";

    // The last bytes themselves are reachable.
    EXPECT_EQ(WriteShareMem(n, L"a", 2046), 1);
    EXPECT_EQ(own[kPage - 4], 'a');
    EXPECT_EQ(own[kPage - 1], 0);
    EXPECT_EQ(WriteShareMem2(n, two, 2, kPage - 2), 1);
    EXPECT_EQ(own[kPage - 1], 0x22);

    unsigned char out[8];
    memset(out, 0x5a, sizeof(out));
    EXPECT_EQ(ReadShareMem2(n, out, 2, kPage - 1), 0);
    EXPECT_EQ(ReadShareMem2(n, out, 1, kPage), 0);
    EXPECT_EQ(ReadShareMem2(n, out, 8, 0xfffffffcu), 0);
    EXPECT_EQ(ReadShareMem2(n, out, 0xffffffffu, 4), 0);
    for (unsigned char c : out)
        EXPECT_EQ(c, 0x5a) << "a refused read wrote to the buffer";
    EXPECT_EQ(ReadShareMem2(n, out, 2, kPage - 2), 1);
    EXPECT_EQ(out[1], 0x22);
    EXPECT_EQ(ReadShareMem2(n, out, 0, kPage), 1) << "nothing at the very end is still inside";
}

TEST(ShareMem, TextReadIsBoundedAndTerminated) {
    std::wstring name = MapName(L"long");
    vx::unique_handle mapping(CreateShareMem(name.c_str(), kPage));
    ASSERT_TRUE(mapping);
    std::vector<wchar_t> many(kPage / sizeof(wchar_t), L'x');
    ASSERT_EQ(WriteShareMem2(name.c_str(), many.data(), kPage, 0), 1);
    wchar_t out[MAX_PATH + 8];
    wmemset(out, L'#', MAX_PATH + 8);
    ASSERT_EQ(ReadShareMem(name.c_str(), out), 1);
    EXPECT_EQ(wcslen(out), static_cast<size_t>(MAX_PATH - 1));
    EXPECT_EQ(out[MAX_PATH], L'#');
}

TEST(ShareMem, MissingMappingFailsEveryCall) {
    std::wstring name = MapName(L"missing");
    const wchar_t* n = name.c_str();
    wchar_t out[MAX_PATH] = L"untouched";
    unsigned char bytes[4] = {9, 9, 9, 9};
    EXPECT_EQ(isExistsShareMem(n), 0);
    EXPECT_EQ(ReadShareMem(n, out), 0);
    EXPECT_STREQ(out, L"untouched");
    EXPECT_EQ(WriteShareMem(n, L"x", 0), 0);
    EXPECT_EQ(ReadShareMem2(n, bytes, 4, 0), 0);
    EXPECT_EQ(bytes[0], 9);
    EXPECT_EQ(WriteShareMem2(n, bytes, 4, 0), 0);
    EXPECT_EQ(isExistsShareMem(n), 0) << "a failed write must not create the mapping";
}
