// The folders an uninstall must never walk, and the bounded path joins.
#include "tests/support/testutil.h"
#include "uninstall/pathguard.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <string>

TEST(PathGuard, SystemAndShellFoldersAreProtected) {
    for (int csidl : {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_PROGRAM_FILES, CSIDL_PROFILE,
                      CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_STARTMENU,
                      CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_APPDATA}) {
        std::wstring f = vxtest::ShellFolder(csidl);
        ASSERT_FALSE(f.empty()) << csidl;
        EXPECT_TRUE(isProtectedDir(f.c_str())) << f;
        EXPECT_TRUE(isProtectedDir((f + L"\\").c_str())) << f;
    }
    // Parents of protected folders hold them: "C:\users\", the Start menu's
    // parents, the drive root.
    std::wstring programs = vxtest::ShellFolder(CSIDL_PROGRAMS);
    for (std::wstring p = programs; p.size() > 3; p = p.substr(0, p.find_last_of(L'\\')))
        EXPECT_TRUE(isProtectedDir(p.c_str())) << p;
    EXPECT_TRUE(isProtectedDir(L"C:\\"));
    EXPECT_TRUE(isProtectedDir(L"c:"));
    EXPECT_TRUE(isProtectedDir(L"C:\\\\"));
    EXPECT_TRUE(isProtectedDir(L"\\\\server\\share\\"));
}

TEST(PathGuard, DisguisedAndRelativePathsAreProtected) {
    std::wstring win = vxtest::ShellFolder(CSIDL_WINDOWS);
    EXPECT_TRUE(isProtectedDir((win + L"\\system32\\..\\").c_str()));
    EXPECT_TRUE(isProtectedDir((win + L"\\.\\").c_str()));
    EXPECT_TRUE(isProtectedDir(L"C:\\vxtest\\..\\"));
    EXPECT_TRUE(isProtectedDir(L"C:/"));
    EXPECT_TRUE(isProtectedDir(L""));
    EXPECT_TRUE(isProtectedDir(nullptr));
    EXPECT_TRUE(isProtectedDir(L"relative\\dir\\"));
    EXPECT_TRUE(isProtectedDir(L"\\rooted\\"));
    EXPECT_TRUE(isProtectedDir(L"C:drive-relative\\"));
    EXPECT_TRUE(isProtectedDir(L"\\\\?\\C:\\Product\\"));
    EXPECT_TRUE(isProtectedDir(L"\\\\.\\C:\\"));
}

TEST(PathGuard, ProductFoldersAreNot) {
    EXPECT_FALSE(isProtectedDir(L"C:\\vxtest\\Product\\"));
    EXPECT_FALSE(
        isProtectedDir((vxtest::ShellFolder(CSIDL_PROGRAM_FILES) + L"\\Product\\").c_str()));
    EXPECT_FALSE(isProtectedDir((vxtest::ShellFolder(CSIDL_PROGRAMS) + L"\\Foo Group\\").c_str()));
    EXPECT_FALSE(isProtectedDir(L"\\\\server\\share\\Product\\"));
}

TEST(PathGuard, StrictlyInside) {
    EXPECT_TRUE(isStrictlyInside(L"C:\\a\\b", L"C:\\a"));
    EXPECT_TRUE(isStrictlyInside(L"C:\\A\\b\\", L"c:\\a\\"));
    EXPECT_FALSE(isStrictlyInside(L"C:\\a", L"C:\\a\\"));
    EXPECT_FALSE(isStrictlyInside(L"C:\\ab", L"C:\\a"));
    EXPECT_FALSE(isStrictlyInside(L"C:\\a\\..\\b", L"C:\\a"));
    EXPECT_FALSE(isStrictlyInside(L"C:\\a\\.", L"C:\\a"));
}

TEST(PathGuard, JoinPathIsBounded) {
    wchar_t buf[8];
    EXPECT_TRUE(JoinPath(buf, L"ab", L"cd", L"efg"));
    EXPECT_STREQ(buf, L"abcdefg");
    EXPECT_FALSE(JoinPath(buf, L"ab", L"cd", L"efgh"));
    EXPECT_STREQ(buf, L"");
    wchar_t big[MAX_PATH];
    std::wstring n(MAX_PATH - 1, L'x');
    EXPECT_TRUE(JoinPath(big, n.c_str()));
    EXPECT_FALSE(JoinPath(big, n.c_str(), L"y"));
}
