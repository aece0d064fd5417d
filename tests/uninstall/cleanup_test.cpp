// Registry entry, shortcuts and the self-removal script text.
#include "tests/support/testutil.h"
#include "tools/manifest/manifest_writer.h"
#include "uninstall/clearscript.h"
#include "uninstall/uninstaller.h"

#include <gtest/gtest.h>
#include <shlobj.h>

using namespace vxtest;

namespace {

const std::wstring kUninstallRoot = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

bool WriteBatch(const std::wstring& path, const std::string& text) {
    vx::unique_hfile f(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return f && WriteClearScript(f.get(), text.c_str());
}

void RunWith(const ScratchDir& dir, const tagUninstallHeader& h,
             const std::vector<tagUninstallItem>& shortcuts = {}) {
    ASSERT_TRUE(WriteManifest(dir / L"vxUninstall.dat", BuildManifest(h, {}, shortcuts)));
    CVxUninstaller engine;
    engine.SetOwnDir(dir.path().c_str());
    engine.StartUninstall(nullptr, 0);
}

} // namespace

TEST(ClearReg, DeletesTheProductKeyOnly) {
    ScopedRegKey key(HKEY_LOCAL_MACHINE, kUninstallRoot + L"VxTestClear");
    ScopedRegKey other(HKEY_LOCAL_MACHINE, kUninstallRoot + L"VxTestClearOther");
    ASSERT_TRUE(key.Create());
    ASSERT_TRUE(other.Create());
    CVxUninstaller engine;
    EXPECT_EQ(engine.ClearReg(L"VxTestClear"), 1);
    EXPECT_FALSE(key.Exists());
    EXPECT_TRUE(other.Exists());
    EXPECT_EQ(engine.ClearReg(L"VxTestClear"), 1) << "a missing key is still 1";
}

TEST(ClearReg, KeyWithSubkeysStays) {
    ScopedRegKey key(HKEY_LOCAL_MACHINE, kUninstallRoot + L"VxTestClearTree");
    ASSERT_TRUE(key.Create(L"Sub"));
    CVxUninstaller engine;
    EXPECT_EQ(engine.ClearReg(L"VxTestClearTree"), 1);
    EXPECT_TRUE(key.Exists(L"Sub"));
}

TEST(ClearReg, EmptyNameLeavesTheUninstallKey) {
    // A bare Uninstall key with no subkeys would be deleted by the plain call.
    ScopedRegKey probe(HKEY_LOCAL_MACHINE, kUninstallRoot + L"VxTestProbe");
    ASSERT_TRUE(probe.Create());
    CVxUninstaller engine;
    EXPECT_EQ(engine.ClearReg(L""), 1);
    EXPECT_TRUE(probe.Exists());
}

TEST(DelShortcut, GroupDesktopLinkAndListedFiles) {
    ScratchDir dir(L"shortcut");
    std::wstring programs = ShellFolder(CSIDL_PROGRAMS);
    std::wstring desktop = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
    ASSERT_FALSE(programs.empty());
    ASSERT_FALSE(desktop.empty());
    std::wstring group = programs + L"\\VxTest Group\\";
    ASSERT_TRUE(MakeFile(group + L"VxTest.lnk"));
    ASSERT_TRUE(MakeFile(group + L"Tools\\Help.lnk"));
    ASSERT_TRUE(MakeFile(programs + L"\\VxTest Group Neighbour\\keep.lnk"));
    ASSERT_TRUE(MakeFile(desktop + L"\\VxTestFoo.lnk"));
    ASSERT_TRUE(MakeFile(desktop + L"\\VxTestFoo2.lnk"));
    ASSERT_TRUE(MakeFile(desktop + L"\\VxTestFoo.url"));
    std::wstring listed = dir / L"quick\\VxTestFoo.lnk";
    ASSERT_TRUE(MakeFile(listed));
    ScopedRegKey key(HKEY_LOCAL_MACHINE, kUninstallRoot + L"VxTestFoo");
    ASSERT_TRUE(key.Create());

    RunWith(dir, MakeManifestHeader(L"VxTestFoo", L"VxTestFoo", L"VxTest Group", L""),
            {MakeManifestItem(0, listed), MakeManifestItem(1, L"")});

    EXPECT_FALSE(DirExists(group));
    EXPECT_FALSE(FileExists(desktop + L"\\VxTestFoo.lnk"));
    EXPECT_FALSE(FileExists(listed));
    EXPECT_FALSE(key.Exists());
    EXPECT_TRUE(FileExists(programs + L"\\VxTest Group Neighbour\\keep.lnk"));
    EXPECT_TRUE(FileExists(desktop + L"\\VxTestFoo2.lnk"));
    EXPECT_TRUE(FileExists(desktop + L"\\VxTestFoo.url"));
    for (auto p : {desktop + L"\\VxTestFoo2.lnk", desktop + L"\\VxTestFoo.url"})
        DeleteFileW(p.c_str());
    RemoveDirectoryW((programs + L"\\VxTest Group Neighbour\\keep.lnk").c_str());
    DeleteFileW((programs + L"\\VxTest Group Neighbour\\keep.lnk").c_str());
    RemoveDirectoryW((programs + L"\\VxTest Group Neighbour").c_str());
}

TEST(DelShortcut, EmptyOrEscapingGroupDeletesNothingInPrograms) {
    std::wstring programs = ShellFolder(CSIDL_PROGRAMS);
    std::wstring canary = programs + L"\\vxtest-canary.lnk";
    std::wstring menuCanary = ShellFolder(CSIDL_STARTMENU) + L"\\vxtest-canary.lnk";
    ASSERT_TRUE(MakeFile(canary));
    ASSERT_TRUE(MakeFile(menuCanary));
    for (std::wstring group : {L"", L".", L"..", L"..\\..", L"Startup"}) {
        ScratchDir dir(L"shortcut");
        RunWith(dir, MakeManifestHeader(L"", L"P", group, L""));
        EXPECT_TRUE(FileExists(canary))
            << "group \"" << std::string(group.begin(), group.end()) << "\"";
        EXPECT_TRUE(FileExists(menuCanary));
    }
    DeleteFileW(canary.c_str());
    DeleteFileW(menuCanary.c_str());
}

TEST(DelShortcut, ProductNameIsAFileNameNotAPath) {
    ScratchDir dir(L"shortcut");
    std::wstring victim = dir / L"victim.lnk";
    ASSERT_TRUE(MakeFile(victim));
    // "%desktop%\..\..\..\vxtest\...\victim.lnk" if the name were used as a path.
    std::wstring name = L"..\\..\\..\\..\\" + (dir / L"victim").substr(3);
    RunWith(dir, MakeManifestHeader(L"", name.substr(0, 49), L"", L""));
    EXPECT_TRUE(FileExists(victim));
}

TEST(ClearScript, BothForms) {
    char buf[1024];
    const char* wait = "@ echo off\r\ntaskkill /pid 1234 /f >nul 2>nul\r\nset vxn=0\r\n:vxwait\r\n"
                       "del \"C:\\P\\vxUninstall.exe\" >nul 2>nul\r\n"
                       "if not exist \"C:\\P\\vxUninstall.exe\" goto vxgone\r\n"
                       "set /a vxn+=1\r\nif %vxn% geq 10 goto vxgone\r\n"
                       "ping -n 2 127.0.0.1 >nul\r\ngoto vxwait\r\n:vxgone\r\n";
    ASSERT_TRUE(FormatClearScript("C:\\P\\vxUninstall.exe", nullptr, 1234, buf, sizeof(buf)));
    EXPECT_EQ(std::string(buf), std::string(wait) + "del %0");
    ASSERT_TRUE(FormatClearScript("C:\\P\\vxUninstall.exe", "C:\\P\\", 1234, buf, sizeof(buf)));
    EXPECT_EQ(std::string(buf), std::string(wait) + "rd /S /Q \"C:\\P\\\"\r\ndel %0");
    char small[40];
    EXPECT_FALSE(FormatClearScript("C:\\P\\vxUninstall.exe", nullptr, 1, small, sizeof(small)));
    EXPECT_STREQ(small, "");
}

TEST(ClearScript, WrittenAsTextModeWould) {
    ScratchDir dir(L"script");
    ASSERT_TRUE(WriteBatch(dir / L"s.bat", "a\r\nb"));
    EXPECT_EQ(ReadFileBytes(dir / L"s.bat"), "a\r\r\nb");
}

TEST(BatchPath, PercentIsDoubledAndNameSurvivesTheInterpreter) {
    ScratchDir dir(L"batch");
    // Unescaped, "%PATH%" and "%0" would expand to other names.
    std::wstring tricky = dir / L"50%PATH%off %0 & more.txt";
    ASSERT_TRUE(MakeFile(tricky));
    std::string text;
    ASSERT_TRUE(BatchPath(tricky.c_str(), GetOEMCP(), L"VX_TEST_UNUSED", text));
    EXPECT_NE(text.find("50%%PATH%%off %%0 & more.txt"), std::string::npos) << text;
    std::string script = "@echo off\r\ndel \"" + text + "\"\r\n";
    ASSERT_TRUE(WriteBatch(dir / L"t.bat", script));
    EXPECT_EQ(RunProcess(L"cmd.exe /c \"" + dir.path() + L"t.bat\""), 0);
    EXPECT_FALSE(FileExists(tricky));
}

TEST(BatchPath, UnrepresentableNameStillNamesTheSameFile) {
    ScratchDir dir(L"batch");
    std::wstring folder = dir / L"产品 目录\\";
    std::wstring file = folder + L"卸载.exe";
    std::wstring decoy = folder + L"other.exe";
    ASSERT_TRUE(MakeFile(file));
    ASSERT_TRUE(MakeFile(decoy));
    UINT cp = 437; // a Western console code page has no Chinese characters
    std::string fileText, dirText;
    ASSERT_TRUE(BatchPath(file.c_str(), cp, L"VX_TEST_FILE", fileText));
    for (unsigned char c : fileText)
        EXPECT_LT(c, 0x80) << fileText;
    std::string script = "@echo off\r\nchcp 437 >nul\r\ndel \"" + fileText + "\"\r\n";
    ASSERT_TRUE(WriteBatch(dir / L"t.bat", script));
    EXPECT_EQ(RunProcess(L"cmd.exe /c \"" + dir.path() + L"t.bat\""), 0);
    EXPECT_FALSE(FileExists(file));
    EXPECT_TRUE(FileExists(decoy));

    ASSERT_TRUE(BatchPath(folder.c_str(), cp, L"VX_TEST_DIR", dirText));
    script = "@echo off\r\nrd /S /Q \"" + dirText + "\"\r\n";
    ASSERT_TRUE(WriteBatch(dir / L"t.bat", script));
    EXPECT_EQ(RunProcess(L"cmd.exe /c \"" + dir.path() + L"t.bat\""), 0);
    EXPECT_FALSE(DirExists(folder));
    EXPECT_TRUE(FileExists(dir / L"t.bat"));
}

TEST(BatchPath, NameNoCodePageCanSpellGoesThroughTheEnvironment) {
    ScratchDir dir(L"batch");
    // Not there yet, so it has no short name either.
    std::wstring file = dir / L"产品 说明.txt";
    std::string text;
    ASSERT_TRUE(BatchPath(file.c_str(), 437, L"VX_TEST_ENV_PATH", text));
    EXPECT_EQ(text, "%VX_TEST_ENV_PATH%");
    wchar_t value[MAX_PATH] = {};
    GetEnvironmentVariableW(L"VX_TEST_ENV_PATH", value, MAX_PATH);
    EXPECT_EQ(file, value);
    // The interpreter, started from this process, inherits the variable.
    ASSERT_TRUE(MakeFile(file));
    std::string script = "@echo off\r\nchcp 437 >nul\r\ndel \"" + text + "\"\r\n";
    ASSERT_TRUE(WriteBatch(dir / L"t.bat", script));
    EXPECT_EQ(RunProcess(L"cmd.exe /c \"" + dir.path() + L"t.bat\""), 0);
    EXPECT_FALSE(FileExists(file));
    SetEnvironmentVariableW(L"VX_TEST_ENV_PATH", nullptr);
}

TEST(BatchPath, RepresentableNamesAreWrittenAsTheyAre) {
    std::string text;
    ASSERT_TRUE(BatchPath(L"C:\\Program Files\\Café\\x.exe", 1252, L"VX_TEST_UNUSED", text));
    EXPECT_EQ(text, "C:\\Program Files\\Caf\xe9\\x.exe");
    ASSERT_TRUE(BatchPath(L"C:\\产品\\x.exe", 936, L"VX_TEST_UNUSED", text));
    EXPECT_EQ(text.size(), strlen("C:\\\\x.exe") + 4);
    EXPECT_FALSE(BatchPath(L"", 437, L"VX_TEST_UNUSED", text));
}
