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
// script to finish.
void RunChild(const std::wstring& product, const tagUninstallHeader& h,
              const std::vector<tagUninstallItem>& entries, const wchar_t* mode) {
    DeleteFileW(kScript.c_str());
    ASSERT_TRUE(MakeDirs(product));
    ASSERT_TRUE(CopyFileW((ExeDir() + L"selfremoval_child.exe").c_str(),
                          (product + L"vxUninstall.exe").c_str(), FALSE));
    ASSERT_TRUE(WriteManifest(product + L"vxUninstall.dat", BuildManifest(h, entries, {})));
    EXPECT_EQ(RunProcess(L"\"" + product + L"vxUninstall.exe\" " + mode, 30000, L"C:\\"), 0);
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
    // Directory mode walks the uninstaller's own folder; the install
    // directory field names the Programs folder, which must survive.
    RunChild(product, MakeManifestHeader(L"", L"P", L"", programs), {}, L"inline");
    EXPECT_TRUE(FileExists(canary));
    EXPECT_TRUE(DirExists(programs));
    DeleteFileW(canary.c_str());
}
