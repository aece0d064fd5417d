// File associations, protocols and the installed-programs search against the
// real registry, with keys the tests own.
#include "tests/support/testutil.h"
#include "util/vxutil.h"

#include <gtest/gtest.h>
#include <string>

using namespace vxtest;

namespace {

const std::wstring kUninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::wstring ReadText(HKEY root, const std::wstring& sub, const wchar_t* name = nullptr) {
    wchar_t buf[MAX_PATH] = {};
    DWORD size = sizeof(buf) - sizeof(wchar_t);
    if (RegGetValueW(root, sub.c_str(), name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buf;
}

bool KeyExists(HKEY root, const std::wstring& sub, REGSAM view = 0) {
    vx::unique_hkey key;
    return RegOpenKeyExW(root, sub.c_str(), 0, KEY_READ | view, key.put()) == ERROR_SUCCESS;
}

// Writes root\<Uninstall>\sub's "DisplayName" as given: bytes is the stored
// size, so a text can be stored without its terminator.
bool SetDisplayName(HKEY root, const std::wstring& sub, DWORD type, const void* data, DWORD bytes,
                    REGSAM view = 0) {
    vx::unique_hkey key;
    return RegCreateKeyExW(root, (kUninstall + L"\\" + sub).c_str(), 0, nullptr, 0,
                           KEY_WRITE | view, nullptr, key.put(), nullptr) == ERROR_SUCCESS &&
           RegSetValueExW(key.get(), L"DisplayName", 0, type, static_cast<const BYTE*>(data),
                          bytes) == ERROR_SUCCESS;
}

bool SetDisplayName(HKEY root, const std::wstring& sub, const std::wstring& name, REGSAM view = 0) {
    return SetDisplayName(root, sub, REG_SZ, name.c_str(),
                          DWORD((name.size() + 1) * sizeof(wchar_t)), view);
}

// An entry below Uninstall in one registry view, removed before and after.
class ScopedUninstallEntry {
public:
    ScopedUninstallEntry(HKEY root, const std::wstring& name, REGSAM view = 0)
        : m_root(root), m_name(name), m_view(view) {
        Remove();
    }
    ~ScopedUninstallEntry() { Remove(); }
    ScopedUninstallEntry(const ScopedUninstallEntry&) = delete;
    ScopedUninstallEntry& operator=(const ScopedUninstallEntry&) = delete;

private:
    void Remove() {
        vx::unique_hkey parent;
        if (RegOpenKeyExW(m_root, kUninstall.c_str(), 0, KEY_ALL_ACCESS | m_view, parent.put()) ==
            ERROR_SUCCESS)
            RegDeleteTreeW(parent.get(), m_name.c_str());
    }
    HKEY m_root;
    std::wstring m_name;
    REGSAM m_view;
};

} // namespace

TEST(Assoc, FileRelationWritesTheTypeAndItsOpenVerb) {
    ScopedRegKey ext(HKEY_CLASSES_ROOT, L".vxtestext");
    ScopedRegKey type(HKEY_CLASSES_ROOT, L"VxTest.Document");
    RegFileRelation(L".vxtestext", L"C:\\Program Files\\VxTest\\app.exe", L"VxTest.Document",
                    L"C:\\Program Files\\VxTest\\app.exe,1", L"VxTest 文档");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L".vxtestext"), L"VxTest.Document");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"VxTest.Document"), L"VxTest 文档");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"VxTest.Document\\DefaultIcon"),
              L"C:\\Program Files\\VxTest\\app.exe,1");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"VxTest.Document\\Shell\\Open"));
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"VxTest.Document\\Shell\\Open\\Command"),
              L"\"C:\\Program Files\\VxTest\\app.exe\" \"%1\"");
}

TEST(Assoc, FileRelationLeavesAMatchingTypeAloneAndReplacesAnother) {
    ScopedRegKey ext(HKEY_CLASSES_ROOT, L".vxtestext2");
    ScopedRegKey type(HKEY_CLASSES_ROOT, L"VxTest.Document2");
    ScopedRegKey other(HKEY_CLASSES_ROOT, L"VxTest.Other2");
    RegFileRelation(L".vxtestext2", L"C:\\a.exe", L"VxTest.Document2", L"C:\\a.exe,0", L"first");

    // Already associated, in any letter case: nothing is rewritten.
    RegSetValueW(HKEY_CLASSES_ROOT, L"VxTest.Document2", REG_SZ, L"kept", 4 * sizeof(wchar_t));
    RegFileRelation(L".vxtestext2", L"C:\\b.exe", L"vxtest.document2", L"x", L"changed");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"VxTest.Document2"), L"kept");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"VxTest.Document2\\Shell\\Open\\Command"),
              L"\"C:\\a.exe\" \"%1\"");

    // Associated with another type: the extension moves over to the new one.
    RegFileRelation(L".vxtestext2", L"C:\\c.exe", L"VxTest.Other2", L"C:\\c.exe,2", L"other");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L".vxtestext2"), L"VxTest.Other2");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"VxTest.Other2"), L"other");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"VxTest.Other2\\DefaultIcon"), L"C:\\c.exe,2");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"VxTest.Other2\\Shell\\Open\\Command"),
              L"\"C:\\c.exe\" \"%1\"");
}

TEST(Assoc, ProtocolPointsAtTheProgramBesideTheExecutable) {
    ScopedRegKey scheme(HKEY_CLASSES_ROOT, L"vxtestproto");
    RegProtocol(L"vxtestproto", L"handler.exe");
    // The test program's own folder, as the function's caller would see it.
    wchar_t dir[MAX_PATH] = {};
    GetCurPath(dir);
    ASSERT_NE(dir[0], L'\0');
    std::wstring path = std::wstring(dir) + L"handler.exe";
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"vxtestproto"), L"vxtestprotoProtocol");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"vxtestproto", L"URL Protocol"), path);
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"vxtestproto\\DefaultIcon"), path + L",0");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, L"vxtestproto\\shell\\open\\command"), path + L" \"%1\"");
}

TEST(Installed, DisplayNamePrefixInEitherRoot) {
    ScopedUninstallEntry lm(HKEY_LOCAL_MACHINE, L"VxTestInstalledLM");
    ScopedUninstallEntry cu(HKEY_CURRENT_USER, L"VxTestInstalledCU");
    ScopedUninstallEntry odd(HKEY_LOCAL_MACHINE, L"VxTestInstalledOdd");
    ASSERT_TRUE(SetDisplayName(HKEY_LOCAL_MACHINE, L"VxTestInstalledLM", L"VxFoo Bar 2.0"));
    ASSERT_TRUE(SetDisplayName(HKEY_CURRENT_USER, L"VxTestInstalledCU", L"VxUserTool 1.1"));
    ASSERT_TRUE(SetDisplayName(HKEY_LOCAL_MACHINE, L"VxTestInstalledOdd", L"The VxQux"));
    EXPECT_EQ(CheckInstalled(L"VxFoo"), 1);
    EXPECT_EQ(CheckInstalled(L"VxFoo Bar 2.0"), 1);
    EXPECT_EQ(CheckInstalled(L"vxfoo"), 0) << "the match is case-sensitive";
    EXPECT_EQ(CheckInstalled(L"VxQux"), 0) << "a prefix, not a substring";
    EXPECT_EQ(CheckInstalled(L"VxUserTool"), 1) << "the user's own list";
    EXPECT_EQ(CheckInstalled(L"VxFoo Bar 2.0 extra"), 0);
    EXPECT_EQ(CheckInstalled(L""), 0);
    EXPECT_EQ(CheckInstalled(nullptr), 0);
}

TEST(Installed, OddlyStoredNames) {
    ScopedUninstallEntry bare(HKEY_LOCAL_MACHINE, L"VxTestInstalledBare");
    ScopedUninstallEntry full(HKEY_LOCAL_MACHINE, L"VxTestInstalledFull");
    ScopedUninstallEntry lng(HKEY_LOCAL_MACHINE, L"VxTestInstalledLong");
    ScopedUninstallEntry num(HKEY_LOCAL_MACHINE, L"VxTestInstalledNum");
    ScopedUninstallEntry bin(HKEY_LOCAL_MACHINE, L"VxTestInstalledBin");

    // Stored without the terminator.
    std::wstring bareName = L"VxBareName";
    ASSERT_TRUE(SetDisplayName(HKEY_LOCAL_MACHINE, L"VxTestInstalledBare", REG_SZ, bareName.data(),
                               DWORD(bareName.size() * sizeof(wchar_t))));
    // Exactly 150 characters, also without the terminator: the whole buffer.
    std::wstring fullName = L"VxFullName" + std::wstring(140, L'f');
    ASSERT_TRUE(SetDisplayName(HKEY_LOCAL_MACHINE, L"VxTestInstalledFull", REG_SZ, fullName.data(),
                               DWORD(fullName.size() * sizeof(wchar_t))));
    std::wstring longName = L"VxLongName" + std::wstring(290, L'g');
    ASSERT_TRUE(SetDisplayName(HKEY_LOCAL_MACHINE, L"VxTestInstalledLong", longName));
    DWORD number = 0x263A; // a smiley and a terminator, if read as text
    ASSERT_TRUE(SetDisplayName(HKEY_LOCAL_MACHINE, L"VxTestInstalledNum", REG_DWORD, &number,
                               sizeof(number)));
    std::wstring binName = L"VxBinName";
    ASSERT_TRUE(SetDisplayName(HKEY_LOCAL_MACHINE, L"VxTestInstalledBin", REG_BINARY,
                               binName.c_str(), DWORD((binName.size() + 1) * sizeof(wchar_t))));

    EXPECT_EQ(CheckInstalled(L"VxBareName"), 1);
    EXPECT_EQ(CheckInstalled(L"VxBareNameX"), 0) << "the read stops at the stored text";
    EXPECT_EQ(CheckInstalled(fullName.c_str()), 1);
    EXPECT_EQ(CheckInstalled((fullName + L"f").c_str()), 0);
    EXPECT_EQ(CheckInstalled(L"VxLongName"), 1) << "a name past 150 characters still counts";
    EXPECT_EQ(CheckInstalled(longName.substr(0, 200).c_str()), 1);
    EXPECT_EQ(CheckInstalled(L"\u263A"), 0) << "a number is no name";
    EXPECT_EQ(CheckInstalled(L"VxBinName"), 0) << "binary data is no name";
}

TEST(Installed, RegistryViews) {
    ScopedUninstallEntry only32(HKEY_LOCAL_MACHINE, L"VxTestView32", KEY_WOW64_32KEY);
    ScopedUninstallEntry only64(HKEY_LOCAL_MACHINE, L"VxTestView64", KEY_WOW64_64KEY);
    ASSERT_TRUE(
        SetDisplayName(HKEY_LOCAL_MACHINE, L"VxTestView32", L"VxViewOnly32", KEY_WOW64_32KEY));
    ASSERT_TRUE(
        SetDisplayName(HKEY_LOCAL_MACHINE, L"VxTestView64", L"VxViewOnly64", KEY_WOW64_64KEY));
    if (KeyExists(HKEY_LOCAL_MACHINE, kUninstall + L"\\VxTestView32", KEY_WOW64_64KEY))
        GTEST_SKIP() << "this system has a single registry view";

    // The 32-bit view is searched first only under WOW64; a native 64-bit
    // process searches its own view and never sees the 32-bit-only entry.
    // The 64-bit view is the native one, or the fallback under WOW64.
    EXPECT_EQ(CheckInstalled(L"VxViewOnly32"), isWow64() ? 1 : 0);
    EXPECT_EQ(CheckInstalled(L"VxViewOnly64"), 1);
}
