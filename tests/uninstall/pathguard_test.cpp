// The folders an uninstall must never walk, and the bounded path joins.
#include "tests/support/testutil.h"
#include "uninstall/pathguard.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <string>

using namespace vxtest;

TEST(PathGuard, SystemAndShellFoldersAreProtected) {
    for (int csidl : {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_PROGRAM_FILES, CSIDL_PROFILE,
                      CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_STARTMENU,
                      CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_APPDATA}) {
        std::wstring f = ShellFolder(csidl);
        ASSERT_FALSE(f.empty()) << csidl;
        EXPECT_TRUE(isProtectedDir(f.c_str())) << f;
        EXPECT_TRUE(isProtectedDir((f + L"\\").c_str())) << f;
    }
    // Parents of protected folders hold them: "C:\users\", the Start menu's
    // parents, the drive root.
    std::wstring programs = ShellFolder(CSIDL_PROGRAMS);
    for (std::wstring p = programs; p.size() > 3; p = p.substr(0, p.find_last_of(L'\\')))
        EXPECT_TRUE(isProtectedDir(p.c_str())) << p;
    EXPECT_TRUE(isProtectedDir(L"C:\\"));
    EXPECT_TRUE(isProtectedDir(L"c:"));
    EXPECT_TRUE(isProtectedDir(L"C:\\\\"));
    EXPECT_TRUE(isProtectedDir(L"\\\\server\\share\\"));
}

TEST(PathGuard, DisguisedAndRelativePathsAreProtected) {
    std::wstring win = ShellFolder(CSIDL_WINDOWS);
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
        isProtectedDir((ShellFolder(CSIDL_PROGRAM_FILES) + L"\\Product\\").c_str()));
    EXPECT_FALSE(isProtectedDir((ShellFolder(CSIDL_PROGRAMS) + L"\\Foo Group\\").c_str()));
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

namespace {

std::wstring ShortName(const std::wstring& path) {
    wchar_t buf[MAX_PATH] = {};
    DWORD n = GetShortPathNameW(path.c_str(), buf, MAX_PATH);
    return n > 0 && n < MAX_PATH ? buf : L"";
}

// "C:\x" as "\\host\C$\x".
std::wstring OnShare(const std::wstring& host, const std::wstring& path) {
    return L"\\\\" + host + L"\\" + path.substr(0, 1) + L"$" + path.substr(2);
}

// Sets an environment variable for one scope, restoring it after.
class ScopedEnv {
public:
    ScopedEnv(const wchar_t* name, const wchar_t* value) : m_name(name) {
        wchar_t old[MAX_PATH];
        DWORD n = GetEnvironmentVariableW(name, old, MAX_PATH);
        m_had = n > 0 && n < MAX_PATH;
        if (m_had)
            m_old = old;
        SetEnvironmentVariableW(name, value);
    }
    ~ScopedEnv() { SetEnvironmentVariableW(m_name, m_had ? m_old.c_str() : nullptr); }

private:
    const wchar_t* m_name;
    std::wstring m_old;
    bool m_had;
};

} // namespace

// Every spelling of a protected folder is recognised for what it names, and
// the folders below them stay removable.
TEST(PathGuard, SpellingsAreJudgedByWhatTheyName) {
    ScratchDir dir(L"guard");
    std::wstring windows = ShellFolder(CSIDL_WINDOWS), profile = ShellFolder(CSIDL_PROFILE);
    std::wstring users = profile.substr(0, profile.find_last_of(L'\\'));
    // Another user's profile, and one the profile list places elsewhere.
    std::wstring other = users + L"\\vxtest-other";
    for (auto sub : {L"\\Desktop\\", L"\\Documents\\Kelp\\", L"\\Pictures\\"})
        ASSERT_TRUE(MakeDirs(other + sub));
    auto removeOther = vx::scope_exit([&] {
        for (auto sub : {L"\\Desktop", L"\\Documents\\Kelp", L"\\Documents", L"\\Pictures", L""})
            RemoveDirectoryW((other + sub).c_str());
    });
    std::wstring listed = dir / L"profiles\\bob";
    ASSERT_TRUE(MakeDirs(listed + L"\\Documents\\"));
    ScopedRegKey sid(
        HKEY_LOCAL_MACHINE,
        L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-0-0-0-9901");
    ASSERT_TRUE(sid.SetText(L"ProfileImagePath", listed));
    std::wstring product = dir / L"Long Product Name\\";
    ASSERT_TRUE(MakeDirs(product));
    std::wstring programFiles64 =
        RegText(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                L"ProgramFilesDir", KEY_WOW64_64KEY);
    ASSERT_FALSE(programFiles64.empty());
    // A 32-bit process that lost these still knows the 64-bit folder.
    ScopedEnv pf(L"ProgramW6432", nullptr), cpf(L"CommonProgramW6432", nullptr);

    struct Case {
        std::wstring path;
        bool isProtected;
    } cases[] = {
        {ShortName(ShellFolder(CSIDL_PROGRAM_FILES)) + L"\\", true},
        {ShortName(ShellFolder(CSIDL_PERSONAL)) + L"\\", true},
        {ShortName(ShellFolder(CSIDL_PROGRAMS)) + L"\\", true},
        {OnShare(L"localhost", ShellFolder(CSIDL_PROGRAM_FILES)) + L"\\", true},
        {OnShare(L"127.0.0.1", users) + L"\\", true},
        {L"\\\\localhost\\users\\", true}, // a share of this machine that names no drive
        {windows + L"\\Sysnative\\", true},
        {windows + L"\\Sysnative\\drivers\\..\\", true},
        {windows + L".\\", true},
        {windows + L"\\system32. \\", true},
        {L"c:\\vxtest\\..\\" + windows.substr(3) + L"\\", true},
        {other + L"\\", true},
        {other + L"\\Desktop\\", true},
        {other + L"\\Documents\\", true},
        {other + L"\\Pictures", true},
        {profile + L"\\Downloads\\", true},
        {profile + L"\\Music\\", true},
        {profile + L"\\Videos\\", true},
        {users + L"\\Default\\", true},
        {listed + L"\\", true},
        {listed + L"\\Documents\\", true},
        {ShellFolder(CSIDL_COMMON_APPDATA) + L"\\", true},
        {programFiles64 + L"\\", true},
        {dir / L"x\\dir:stream\\", true},
        {other + L"\\Documents\\Kelp\\", false},
        {listed + L"\\Documents\\Kelp\\", false},
        {programFiles64 + L"\\Kelp\\", false},
        {product, false},
        {ShortName(product), false},
        {OnShare(L"localhost", product), false},
    };
    for (const Case& c : cases) {
        std::string shown(c.path.begin(), c.path.end());
        ASSERT_GT(c.path.size(), 3u) << shown;
        EXPECT_EQ(isProtectedDir(c.path.c_str()), c.isProtected) << shown;
    }
}
