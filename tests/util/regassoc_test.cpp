// File associations, protocols and the installed-programs search against the
// real registry, with keys the tests own.
#include "tests/support/testutil.h"
#include "util/vxutil.h"

#include <gtest/gtest.h>
#include <string>

using namespace vxtest;

namespace {

std::wstring ReadText(HKEY root, const std::wstring& sub, const wchar_t* name = nullptr) {
    wchar_t buf[MAX_PATH] = {};
    DWORD size = sizeof(buf) - sizeof(wchar_t);
    if (RegGetValueW(root, sub.c_str(), name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buf;
}

void SetDisplayName(HKEY root, const std::wstring& sub, const std::wstring& name, REGSAM view = 0) {
    vx::unique_hkey key;
    ASSERT_EQ(RegCreateKeyExW(root, sub.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key.get(), L"DisplayName", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(name.c_str()),
                   static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
}

const std::wstring kUninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

} // namespace

TEST(Assoc, FileRelationWritesTheVerbAndLeavesAMatchingTypeAlone) {
    ScopedRegKey ext(HKEY_CLASSES_ROOT, L".vxtestext");
    ScopedRegKey type(HKEY_CLASSES_ROOT, L"VxTest.Document");
    RegFileRelation(L".vxtestext", L"C:\\Program Files\\VxTest\\app.exe", L"VxTest.Document",
                    L"C:\\Program Files\\VxTest\\app.exe,1", L"VxTest 文档");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L".vxtestext"), L"VxTest.Document");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"VxTest.Document"), L"VxTest 文档");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"VxTest.Document\\DefaultIcon"),
              L"C:\\Program Files\\VxTest\\app.exe,1");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"VxTest.Document\\Shell\\Open\\Command"),
              L"\"C:\\Program Files\\VxTest\\app.exe\" \"%1\"");

    // Already associated (in any letter case): nothing is rewritten.
    RegSetValueW(HKEY_CLASSES_ROOT, L"VxTest.Document", REG_SZ, L"kept", 4 * sizeof(wchar_t));
    RegFileRelation(L".vxtestext", L"C:\\other.exe", L"vxtest.document", L"x", L"changed");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"VxTest.Document"), L"kept");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"VxTest.Document\\Shell\\Open\\Command"),
              L"\"C:\\Program Files\\VxTest\\app.exe\" \"%1\"");
}

TEST(Assoc, ProtocolPointsAtTheProgramBesideTheExecutable) {
    ScopedRegKey scheme(HKEY_CLASSES_ROOT, L"vxtestproto");
    RegProtocol(L"vxtestproto", L"handler.exe");
    wchar_t dir[MAX_PATH] = {};
    GetCurPath(dir);
    std::wstring path = std::wstring(dir) + L"handler.exe";
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"vxtestproto"), L"vxtestprotoProtocol");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"vxtestproto", L"URL Protocol"), path);
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"vxtestproto\\DefaultIcon"), path + L",0");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"vxtestproto\\shell\\open\\command"), path + L" \"%1\"");
}

TEST(Installed, DisplayNamePrefixInEitherRoot) {
    ScopedRegKey lm(HKEY_LOCAL_MACHINE, kUninstall + L"VxTestInstalledLM");
    ScopedRegKey cu(HKEY_CURRENT_USER, kUninstall + L"VxTestInstalledCU");
    ScopedRegKey odd(HKEY_LOCAL_MACHINE, kUninstall + L"VxTestInstalledOdd");
    SetDisplayName(HKEY_LOCAL_MACHINE, kUninstall + L"VxTestInstalledLM", L"VxFoo Bar 2.0");
    SetDisplayName(HKEY_CURRENT_USER, kUninstall + L"VxTestInstalledCU", L"VxUserTool 1.1");
    SetDisplayName(HKEY_LOCAL_MACHINE, kUninstall + L"VxTestInstalledOdd", L"The VxQux");
    EXPECT_EQ(CheckInstalled(L"VxFoo"), 1);
    EXPECT_EQ(CheckInstalled(L"VxFoo Bar 2.0"), 1);
    EXPECT_EQ(CheckInstalled(L"vxfoo"), 0) << "the match is case-sensitive";
    EXPECT_EQ(CheckInstalled(L"VxQux"), 0) << "a prefix, not a substring";
    EXPECT_EQ(CheckInstalled(L"VxUserTool"), 1);
    EXPECT_EQ(CheckInstalled(L"VxFoo Bar 2.0 extra"), 0);
}

TEST(Installed, RegistryViews) {
    // Written through the 32-bit view only: a native process, which is not
    // under WOW64, searches its own view and does not see it; a 32-bit one does.
    ScopedRegKey plain(HKEY_LOCAL_MACHINE, kUninstall + L"VxTestView");
    SetDisplayName(HKEY_LOCAL_MACHINE, kUninstall + L"VxTestView", L"VxViewOnly32",
                   KEY_WOW64_32KEY);
#ifdef _WIN64
    EXPECT_EQ(CheckInstalled(L"VxViewOnly32"), 0);
#else
    EXPECT_EQ(CheckInstalled(L"VxViewOnly32"), 1);
#endif
    vx::unique_hkey parent;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstall.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                      parent.put()) == ERROR_SUCCESS)
        RegDeleteTreeW(parent.get(), L"VxTestView");
}
