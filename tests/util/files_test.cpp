// Files and folders on the real file system: kinds, sizes, times, trees,
// used space, version resources, and the version and size texts.
#include "tests/support/testutil.h"
#include "util/vxutil.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <string>

using namespace vxtest;

namespace {


FILETIME MakeFileTime(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
    SYSTEMTIME st = {};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    FILETIME ft = {};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

SYSTEMTIME LocalSystemTime(const FILETIME& utc) {
    FILETIME local;
    SYSTEMTIME st = {};
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &st);
    return st;
}

std::string Format(const SYSTEMTIME& st) {
    char buf[64];
    snprintf(buf, sizeof(buf), "%04u-%02u-%02u %02u:%02u:%02u.%03u", st.wYear, st.wMonth, st.wDay,
             st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
    return buf;
}

} // namespace

TEST(FilesKinds, IsDirTellsFoldersFromFilesAndNothing) {
    ScratchDir dir(L"isdir");
    ASSERT_TRUE(MakeFile(dir / L"file.txt"));
    EXPECT_EQ(isDir(dir.path().c_str()), 1);
    EXPECT_EQ(isDir((dir / L"file.txt").c_str()), 0);
    EXPECT_EQ(isDir((dir / L"missing").c_str()), 0);
    EXPECT_EQ(isDir(nullptr), 0);
}

TEST(FilesSize, ReportsBytesIncludingBeyondFourGigabytes) {
    ScratchDir dir(L"filesize");
    ASSERT_TRUE(MakeFile(dir / L"small.bin", std::string(1234, 'a')));
    EXPECT_EQ(FileSize((dir / L"small.bin").c_str()), 1234);
    ASSERT_TRUE(MakeFile(dir / L"empty.bin", ""));
    EXPECT_EQ(FileSize((dir / L"empty.bin").c_str()), 0);

    // A sparse file past 4 GB: the high part of the size must count.
    const long long big = 5LL * 1024 * 1024 * 1024 + 7;
    {
        vx::unique_hfile f(CreateFileW((dir / L"big.bin").c_str(), GENERIC_WRITE, 0, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(f);
        LARGE_INTEGER at;
        at.QuadPart = big;
        ASSERT_TRUE(SetFilePointerEx(f.get(), at, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(f.get()));
    }
    EXPECT_EQ(FileSize((dir / L"big.bin").c_str()), big);

    EXPECT_EQ(FileSize((dir / L"missing.bin").c_str()), 0);
    EXPECT_EQ(FileSize(nullptr), 0);
}

TEST(FilesTime, ReadsEachRequestedTimeAsLocalTime) {
    ScratchDir dir(L"filetime");
    std::wstring path = dir / L"dated.txt";
    ASSERT_TRUE(MakeFile(path));
    const FILETIME written = MakeFileTime(2001, 2, 3, 4, 5);
    const FILETIME accessed = MakeFileTime(2012, 11, 10, 9, 8);
    {
        vx::unique_hfile f(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(f);
        ASSERT_TRUE(SetFileTime(f.get(), nullptr, &accessed, &written));
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));

    // Open elsewhere for writing: the read must share.
    vx::unique_hfile holder(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    SYSTEMTIME c = {}, w = {}, a = {};
    ASSERT_EQ(FileTime(path.c_str(), &c, &w, &a), 1);
    EXPECT_EQ(Format(w), Format(LocalSystemTime(written)));
    EXPECT_EQ(Format(a), Format(LocalSystemTime(accessed)));
    EXPECT_EQ(Format(c), Format(LocalSystemTime(data.ftCreationTime)));

    SYSTEMTIME only = {};
    EXPECT_EQ(FileTime(path.c_str(), nullptr, &only, nullptr), 1);
    EXPECT_EQ(Format(only), Format(LocalSystemTime(written)));

    EXPECT_EQ(FileTime((dir / L"missing.txt").c_str(), &c, &w, &a), 0);
    EXPECT_EQ(FileTime(nullptr, &c, &w, &a), 0);
}

TEST(FilesCreate, CreateFolderMakesOneLevelOnly) {
    ScratchDir dir(L"mkfolder");
    EXPECT_EQ(CreateFolder((dir / L"one").c_str()), 1);
    EXPECT_TRUE(DirExists(dir / L"one"));
    EXPECT_EQ(CreateFolder((dir / L"one").c_str()), 0) << "already there";
    EXPECT_EQ(CreateFolder((dir / L"two\\three").c_str()), 0) << "parent missing";
    EXPECT_FALSE(DirExists(dir / L"two"));
    EXPECT_EQ(CreateFolder(nullptr), 0);
}

TEST(FilesCreate, CreateDirTreeMakesEveryFolderButTheLastPart) {
    ScratchDir dir(L"dirtree");
    EXPECT_EQ(CreateDirTree((dir / L"a\\b\\c.txt").c_str()), 1);
    EXPECT_TRUE(DirExists(dir / L"a"));
    EXPECT_TRUE(DirExists(dir / L"a\\b"));
    EXPECT_FALSE(DirExists(dir / L"a\\b\\c.txt"));
    EXPECT_FALSE(FileExists(dir / L"a\\b\\c.txt"));

    // A trailing backslash names the folder itself; doubled ones are skipped.
    EXPECT_EQ(CreateDirTree((dir / L"x\\\\y\\z\\").c_str()), 1);
    EXPECT_TRUE(DirExists(dir / L"x\\y\\z"));

    // An existing path returns at once, even a file.
    ASSERT_TRUE(MakeFile(dir / L"file.txt"));
    EXPECT_EQ(CreateDirTree((dir / L"file.txt").c_str()), 1);
    EXPECT_TRUE(FileExists(dir / L"file.txt"));
}

TEST(FilesUseSpace, DriveRootIsUsedBytesFolderIsItsContents) {
    ULARGE_INTEGER available, total;
    ASSERT_TRUE(GetDiskFreeSpaceExW(L"C:\\", &available, &total, nullptr));
    unsigned long long used = GetPathUseSpace(L"C:\\");
    EXPECT_GT(used, 0u);
    EXPECT_LE(used, total.QuadPart);
    EXPECT_EQ(GetPathUseSpace(L""), 0u);
    EXPECT_EQ(GetPathUseSpace(nullptr), 0u);

    ScratchDir dir(L"usespace");
    ASSERT_TRUE(MakeFile(dir / L"one.bin", std::string(1000, 'a')));
    ASSERT_TRUE(MakeFile(dir / L"sub\\two.bin", std::string(2345, 'b')));
    EXPECT_EQ(GetPathUseSpace((dir / L"no-such-folder").c_str()), 0u);
    unsigned long long size = GetPathUseSpace(dir.path().c_str());
    if (size == 0 && RunningOnWine()) {
        printf("[   NOTE   ] Wine's scripting runtime has no Folder.Size: the folder size is 0\n");
        return;
    }
    EXPECT_EQ(size, 3345u);
}

TEST(FilesVersion, ReadsTheFixedFileVersionOfARealExecutable) {
    ScratchDir dir(L"filever");
    std::wstring exe = dir / L"vxUninstall.exe";
    ASSERT_TRUE(CopyFileW(BuiltUninstaller().c_str(), exe.c_str(), FALSE))
        << "build the vxUninstall target first";
    wchar_t out[MAX_PATH] = L"stale";
    EXPECT_EQ(GetFileVer(exe.c_str(), out), 1);
    EXPECT_STREQ(out, L"1.0.0.1");

    ASSERT_TRUE(MakeFile(dir / L"plain.txt", "no resources here"));
    wcscpy(out, L"stale");
    EXPECT_EQ(GetFileVer((dir / L"plain.txt").c_str(), out), 0);
    EXPECT_STREQ(out, L"");
    wcscpy(out, L"stale");
    EXPECT_EQ(GetFileVer((dir / L"missing.exe").c_str(), out), 0);
    EXPECT_STREQ(out, L"");
}

TEST(FilesCompVersion, ComparesUpToFourNumbersInOrder) {
    const struct {
        const wchar_t* a;
        const wchar_t* b;
        int result;
    } cases[] = {
        {L"1.2.10", L"1.2.9", 1},
        {L"1.2.9", L"1.2.10", -1},
        {L"1.0", L"1.0.0.0", 0},
        {L"2", L"1.9.9.9", 1},
        {L"1.2.3.4", L"1.2.3.5", -1},
        {L"1.2.3.4.9", L"1.2.3.4.1", 0},
        {L"1.02", L"1.2", 0},
        {L"3a.1", L"3.1", 0},
        {L"1.x", L"1.0", 0},
        {L"10.0", L"9.99", 1},
        {L"", L"1.0", -2},
        {L"1.0", L"", -2},
        {nullptr, L"1.0", -2},
        {L"1.0", nullptr, -2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompVersion(c.a, c.b), c.result)
            << testing::PrintToString(std::wstring(c.a ? c.a : L"(null)")) << " vs "
            << testing::PrintToString(std::wstring(c.b ? c.b : L"(null)"));
}

TEST(FilesSizeText, ReadsTheNumberBeforeTheSpaceTimesItsUnit) {
    const struct {
        const wchar_t* text;
        long long size;
    } cases[] = {
        {L"10 KB", 10240},
        {L"10KB", 0},
        {L"5 B", 0},
        {L"2 gb", 2147483648LL},
        {L"3 MB", 3145728},
        {L"7 k", 7168},
        {L"4096 GB", 4096LL << 30},
        {L"1.5 MB", 1048576},
        {L"12", 0},
        {L"", 0},
        {nullptr, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StrToIntSize(c.text), c.size)
            << testing::PrintToString(std::wstring(c.text ? c.text : L"(null)"));
}

TEST(FilesSizeText, WritesBytesUpToOneKilobyteThenTwoDecimals) {
    const struct {
        long long size;
        const wchar_t* text;
    } cases[] = {
        {0, L"0 B"},
        {1024, L"1024 B"},
        {1025, L"1.00 KB"},
        {1536, L"1.50 KB"},
        {1048576, L"1024.00 KB"},
        {1048577, L"1.00 MB"},
        {1073741824, L"1024.00 MB"},
        {1073741825, L"1.00 GB"},
        {5LL << 40, L"5120.00 GB"},
        {-5, L"-5 B"},
    };
    for (const auto& c : cases) {
        wchar_t out[MAX_PATH] = L"stale";
        IntToStrSize(c.size, out);
        EXPECT_STREQ(out, c.text) << c.size;
    }
}
