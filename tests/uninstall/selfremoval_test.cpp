// DeleteSelf in real child processes: the script is written, run, removes
// the uninstaller (and the install directory) and itself.
#include "tests/support/testutil.h"
#include "tools/manifest/manifest_writer.h"

#include <gtest/gtest.h>
#include <shlobj.h>

using namespace vxtest;

namespace {

const std::wstring kScript = L"c:\\clear.bat";
const std::wstring kUninstallRoot = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Lays the stand-in uninstaller into product, runs it and waits for its
// script to finish; a run that removes nothing returns from DeleteSelf
// (exit code 3) and leaves the uninstaller.
void RunChild(const std::wstring& product, const tagUninstallHeader& h,
              const std::vector<tagUninstallItem>& entries, const wchar_t* mode,
              bool removes = true) {
    DeleteFileW(kScript.c_str());
    ASSERT_TRUE(MakeDirs(product));
    ASSERT_TRUE(CopyFileW((ExeDir() + L"selfremoval_child.exe").c_str(),
                          (product + L"vxUninstall.exe").c_str(), FALSE));
    ASSERT_TRUE(WriteManifest(product + L"vxUninstall.dat", BuildManifest(h, entries, {})));
    EXPECT_EQ(RunProcess(L"\"" + product + L"vxUninstall.exe\" " + mode, 30000, L"C:\\"),
              removes ? 0 : 3);
    if (!removes) {
        EXPECT_TRUE(FileExists(product + L"vxUninstall.exe"));
        EXPECT_FALSE(FileExists(kScript));
        return;
    }
    EXPECT_TRUE(WaitFor([&] { return !FileExists(product + L"vxUninstall.exe"); }, 20000));
    EXPECT_TRUE(WaitFor([&] { return !FileExists(kScript); }, 20000))
        << "the script deletes itself";
}

} // namespace

TEST(SelfRemoval, DirectoryModeRemovesTheInstallDirectory) {
    ScratchDir dir(L"selfdel");
    std::wstring product = dir / L"Product\\";
    ASSERT_TRUE(MakeFile(product + L"app.exe"));
    ASSERT_TRUE(MakeFile(product + L".config\\settings.ini"));
    ASSERT_TRUE(MakeFile(dir / L"neighbour.txt"));
    ScopedRegKey key(HKEY_LOCAL_MACHINE, kUninstallRoot + L"VxTestSelf");
    ASSERT_TRUE(key.Create());
    std::wstring group = ShellFolder(CSIDL_PROGRAMS) + L"\\VxTestSelf\\";
    ASSERT_TRUE(MakeFile(group + L"VxTestSelf.lnk"));

    RunChild(product, MakeManifestHeader(L"VxTestSelf", L"VxTestSelf", L"VxTestSelf", product), {},
             L"thread");

    // The walk leaves the dot folder; the script's "rd /S /Q" takes it.
    EXPECT_FALSE(DirExists(product));
    EXPECT_TRUE(FileExists(dir / L"neighbour.txt"));
    EXPECT_FALSE(key.Exists()) << "the worker's registry step ran before the process ended";
    EXPECT_FALSE(DirExists(group)) << "the worker's shortcut step ran before the process ended";
}

TEST(SelfRemoval, EntryListModeRemovesOnlyTheUninstaller) {
    ScratchDir dir(L"selfdel");
    std::wstring product = dir / L"Product\\";
    std::wstring data = dir / L"Data\\";
    ASSERT_TRUE(MakeFile(data + L"x.bin"));
    ASSERT_TRUE(MakeFile(product + L"readme.txt"));
    RunChild(product, MakeManifestHeader(L"", L"P", L"", L""), {MakeManifestItem(0, data)},
             L"inline");
    EXPECT_FALSE(DirExists(data));
    EXPECT_TRUE(FileExists(product + L"readme.txt"));
    EXPECT_TRUE(FileExists(product + L"vxUninstall.dat"));
}

TEST(SelfRemoval, PercentAndNonAnsiNamesAreRemovedExactly) {
    ScratchDir dir(L"selfdel");
    std::wstring product = dir / L"产品 100%PATH% 卸载\\";
    ASSERT_TRUE(MakeFile(product + L"app.exe"));
    ASSERT_TRUE(MakeFile(dir / L"keep\\file.txt"));
    RunChild(product, MakeManifestHeader(L"", L"P", L"", product), {}, L"inline");
    EXPECT_FALSE(DirExists(product));
    EXPECT_TRUE(FileExists(dir / L"keep\\file.txt"));
}

TEST(SelfRemoval, ProtectedInstallDirectoryIsNotHandedToRd) {
    ScratchDir dir(L"selfdel");
    std::wstring product = dir / L"Product\\";
    std::wstring programs = ShellFolder(CSIDL_PROGRAMS) + L"\\";
    std::wstring canary = programs + L"vxtest-selfdel-canary.lnk";
    ASSERT_TRUE(MakeFile(canary));
    ASSERT_TRUE(MakeFile(product + L"app.exe"));
    // The install directory field names the Programs folder: the manifest
    // is refused whole, and nothing at all is removed.
    RunChild(product, MakeManifestHeader(L"", L"P", L"", programs), {}, L"inline", false);
    EXPECT_TRUE(FileExists(canary));
    EXPECT_TRUE(FileExists(product + L"app.exe"));
    EXPECT_TRUE(DirExists(programs));
    DeleteFileW(canary.c_str());
}

namespace {

// A registry value the test sets and removes again.
class ScopedRegValue {
public:
    ScopedRegValue(HKEY root, const wchar_t* key, const wchar_t* name, DWORD type, const void* data,
                   DWORD size)
        : m_name(name) {
        RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, m_key.put(), nullptr);
        RegSetValueExW(m_key.get(), name, 0, type, static_cast<const BYTE*>(data), size);
    }
    ~ScopedRegValue() { RegDeleteValueW(m_key.get(), m_name); }

private:
    vx::unique_hkey m_key;
    const wchar_t* m_name;
};

std::vector<std::wstring> FreshScripts() {
    std::vector<std::wstring> out;
    WIN32_FIND_DATAW fd;
    vx::unique_hfind find(FindFirstFileW(L"c:\\clear-*.bat", &fd));
    if (find)
        do
            out.push_back(fd.cFileName);
        while (FindNextFileW(find.get(), &fd));
    return out;
}

} // namespace

// The script removes exactly what it names and nothing else: with delayed
// expansion switched on for the interpreter and an AutoRun command set,
// with "c:\clear.bat" taken by a folder, and with the exe held open for a
// while by another program that is also called vxUninstall.exe.
TEST(SelfRemoval, ScriptMeansExactlyWhatItSays) {
    ScratchDir dir(L"selfdel");
    std::wstring product = dir / L"Data!\\", sibling = dir / L"Data\\";
    ASSERT_TRUE(MakeFile(product + L"app.exe"));
    ASSERT_TRUE(MakeFile(sibling + L"vxUninstall.exe"));
    ASSERT_TRUE(MakeFile(sibling + L"keep.txt"));
    const wchar_t* processor = L"Software\\Microsoft\\Command Processor";
    DWORD on = 1;
    ScopedRegValue delayed(HKEY_CURRENT_USER, processor, L"DelayedExpansion", REG_DWORD, &on,
                           sizeof(on));
    std::wstring autorun = L"echo ran>\"" + dir.path() + L"autorun.txt\"";
    ScopedRegValue run(HKEY_CURRENT_USER, processor, L"AutoRun", REG_SZ, autorun.c_str(),
                       static_cast<DWORD>((autorun.size() + 1) * sizeof(wchar_t)));
    const std::wstring taken = L"c:\\clear.bat\\";
    ASSERT_TRUE(MakeFile(taken + L"inside.txt"));
    auto removeTaken = vx::scope_exit([&] {
        DeleteFileW((taken + L"inside.txt").c_str());
        RemoveDirectoryW(taken.c_str());
    });
    for (const std::wstring& stale : FreshScripts())
        DeleteFileW((L"c:\\" + stale).c_str());

    ASSERT_TRUE(CopyFileW((ExeDir() + L"selfremoval_child.exe").c_str(),
                          (product + L"vxUninstall.exe").c_str(), FALSE));
    std::wstring holder = dir / L"holder\\vxUninstall.exe", marker = dir / L"held.txt";
    ASSERT_TRUE(MakeDirs(holder));
    ASSERT_TRUE(CopyFileW((ExeDir() + L"selfremoval_child.exe").c_str(), holder.c_str(), FALSE));
    ASSERT_TRUE(WriteManifest(product + L"vxUninstall.dat",
                              BuildManifest(MakeManifestHeader(L"", L"P", L"", product), {}, {})));

    std::wstring cmd =
        L"\"" + holder + L"\" hold \"" + product + L"vxUninstall.exe\" 3000 \"" + marker + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(
        CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &pi));
    vx::unique_handle holding(pi.hProcess), holdingThread(pi.hThread);
    ASSERT_TRUE(WaitFor([&] { return FileExists(marker); }, 10000));

    EXPECT_EQ(RunProcess(L"\"" + product + L"vxUninstall.exe\" inline", 30000, L"C:\\"), 0);
    EXPECT_TRUE(WaitFor([&] { return !DirExists(product); }, 30000))
        << "the script waits until the exe can be deleted";
    EXPECT_TRUE(WaitFor([&] { return FreshScripts().empty(); }, 20000))
        << "the script under a fresh name deletes itself";

    DWORD code = 1;
    ASSERT_EQ(WaitForSingleObject(holding.get(), 10000), WAIT_OBJECT_0);
    GetExitCodeProcess(holding.get(), &code);
    EXPECT_EQ(code, 0u) << "another vxUninstall.exe was ended";
    EXPECT_TRUE(FileExists(sibling + L"keep.txt"));
    EXPECT_TRUE(FileExists(sibling + L"vxUninstall.exe"));
    EXPECT_TRUE(FileExists(taken + L"inside.txt"));
    EXPECT_FALSE(FileExists(dir / L"autorun.txt")) << "the interpreter ran AutoRun";
}

// The Add/Remove Programs entry goes from the view where it is; in the other
// view only when it names this very uninstaller.
TEST(SelfRemoval, RegistryEntryIsClearedInTheViewWhereItIs) {
    ScratchDir dir(L"selfdel");
    std::wstring exe = dir / L"Product\\vxUninstall.exe";
    ASSERT_TRUE(MakeDirs(exe));
    ASSERT_TRUE(CopyFileW((ExeDir() + L"selfremoval_child.exe").c_str(), exe.c_str(), FALSE));
    const REGSAM own = sizeof(void*) == 4 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    const REGSAM other = own == KEY_WOW64_32KEY ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    std::wstring upper = exe;
    CharUpperW(&upper[0]);
    struct Case {
        REGSAM view;
        std::wstring uninstallString;
        bool withSubkey;
        bool removed;
    } cases[] = {
        {own, L"\"C:\\Other\\vxUninstall.exe\"", false, true},
        {other, L"\"" + exe + L"\"", false, true},
        {other, exe + L" /S", false, true},
        {other, upper, false, true},
        {other, L"\"C:\\Other\\vxUninstall.exe\"", false, false},
        {other, L"", false, false},
        {other, L"\"" + exe + L"\"", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.uninstallString.begin(), c.uninstallString.end()));
        ScopedRegKey key(HKEY_LOCAL_MACHINE, kUninstallRoot + L"VxTestView", c.view);
        ASSERT_TRUE(key.SetText(L"UninstallString", c.uninstallString));
        if (c.withSubkey) {
            ASSERT_TRUE(key.Create(L"Sub"));
        }
        EXPECT_EQ(RunProcess(L"\"" + exe + L"\" clearreg VxTestView"), 0);
        EXPECT_EQ(key.Exists(), !c.removed) << (c.view == own ? "own view" : "other view");
    }
}
