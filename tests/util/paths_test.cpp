// The program's folder, the shell folders, path cutting and shortcut targets.
#include "tests/support/testutil.h"
#include "util/vxutil.h"

#include <gtest/gtest.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <string>
#include <thread>

using namespace vxtest;

namespace {

// Started with this argument, a copy of the test program writes what
// GetCurPath says into the named file and exits before any test runs.
const wchar_t kCurPathArg[] = L"--vx-write-curpath=";

bool WriteCurPathWhenAsked() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv)
        return false;
    std::wstring target;
    const size_t n = wcslen(kCurPathArg);
    for (int i = 1; i < argc; ++i)
        if (wcsncmp(argv[i], kCurPathArg, n) == 0)
            target = argv[i] + n;
    LocalFree(argv);
    if (target.empty())
        return false;
    wchar_t dir[MAX_PATH];
    GetCurPath(dir);
    std::wstring text(dir);
    WriteFileBytes(target, std::string(reinterpret_cast<const char*>(text.data()),
                                       text.size() * sizeof(wchar_t)));
    ExitProcess(0);
}

[[maybe_unused]] const bool kCurPathChild = WriteCurPathWhenAsked();

std::wstring ReadWide(const std::wstring& path) {
    std::string bytes = ReadFileBytes(path);
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                        bytes.size() / sizeof(wchar_t));
}

std::wstring ModulePath() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    return std::wstring(buf, n);
}

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring out;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path)))
        out = path;
    CoTaskMemFree(path);
    return out;
}

struct ComScope {
    HRESULT hr = CoInitialize(nullptr);
    ~ComScope() {
        if (SUCCEEDED(hr))
            CoUninitialize();
    }
};

// A shortcut made through the shell's own interface, not through the code under test.
bool MakeLink(const std::wstring& lnk, const std::wstring& target) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return false;
    IPersistFile* file = nullptr;
    bool ok = SUCCEEDED(link->SetPath(target.c_str())) &&
              SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
              SUCCEEDED(file->Save(lnk.c_str(), TRUE));
    if (file)
        file->Release();
    link->Release();
    return ok;
}

} // namespace

TEST(PathsCurPath, IsTheRunningProgramsFolderWithItsBackslash) {
    std::wstring module = ModulePath();
    ASSERT_FALSE(module.empty());
    wchar_t out[MAX_PATH] = L"stale";
    GetCurPath(out);
    std::wstring dir(out);
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), L'\\');
    EXPECT_EQ(dir, module.substr(0, module.find_last_of(L'\\') + 1));
}

TEST(PathsCurPath, CopyRunFromAnotherFolderReportsThatFolder) {
    ScratchDir dir(L"curpath");
    // A folder name outside ANSI shows the path is never narrowed.
    std::wstring sub = dir / L"\u5b50\u76ee\u5f55\\";
    ASSERT_TRUE(MakeDirs(sub));
    std::wstring exe = sub + L"util_tests.exe";
    ASSERT_TRUE(CopyFileW((ExeDir() + L"util_tests.exe").c_str(), exe.c_str(), FALSE));
    std::wstring report = dir / L"report.txt";
    EXPECT_EQ(RunProcess(L"\"" + exe + L"\" " + kCurPathArg + report), 0);
    EXPECT_EQ(ReadWide(report), sub);
}

TEST(PathsShellFolders, MatchTheKnownFolders) {
    const struct {
        int (*get)(wchar_t*);
        const KNOWNFOLDERID& id;
        const char* name;
    } cases[] = {
        {GetProgramsPath, FOLDERID_Programs, "Programs"},
        {GetStartMenuPath, FOLDERID_StartMenu, "StartMenu"},
        {GetDesktopPath, FOLDERID_PublicDesktop, "common desktop"},
        {GetProgramFilePath, FOLDERID_ProgramFiles, "ProgramFiles"},
    };
    for (const auto& c : cases) {
        std::wstring expected = KnownFolder(c.id);
        ASSERT_FALSE(expected.empty()) << c.name;
        wchar_t out[MAX_PATH] = L"stale";
        EXPECT_EQ(c.get(out), 1) << c.name;
        EXPECT_EQ(_wcsicmp(out, expected.c_str()), 0) << c.name;
    }
}

TEST(PathsQuickLaunch, AppendsTheQuickLaunchFoldersToAppData) {
    std::wstring appData = KnownFolder(FOLDERID_RoamingAppData);
    ASSERT_FALSE(appData.empty());
    std::wstring quick = appData + L"\\Microsoft\\Internet Explorer\\Quick Launch";
    bool existed = DirExists(quick);
    wchar_t out[MAX_PATH] = {};
    EXPECT_EQ(GetQuickLaunchPath(out, 0), 1);
    EXPECT_EQ(_wcsicmp(out, quick.c_str()), 0);
    EXPECT_EQ(GetQuickLaunchPath(out, 1), 1);
    EXPECT_EQ(_wcsicmp(out, (quick + L"\\User Pinned\\TaskBar").c_str()), 0);
    EXPECT_EQ(DirExists(quick), existed) << "a lookup must not create the folder";
}

TEST(PathsExtractPath, CutsAfterTheLastBackslashAndDropsQuotes) {
    const struct {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {L"\"C:\\a\\b.exe\"", L"C:\\a\\"},
        {L"C:\\a\\b\\c.exe -x", L"C:\\a\\b\\"},
        {L"\"C:\\my \"dir\\x.exe", L"C:\\my dir\\"},
        {L"C:\\", L"C:\\"},
        {L"plain.exe", L"plain.exe"},
        {L"\\only", L"\\only"},
        {L"\"quoted\"", L"\"quoted\""},
        {L"", L""},
    };
    for (const auto& c : cases) {
        wchar_t buf[MAX_PATH];
        wcscpy(buf, c.in);
        ExtractPath(buf);
        EXPECT_STREQ(buf, c.out) << "input: " << testing::PrintToString(std::wstring(c.in));
    }
}

TEST(PathsLnkToRealPath, ReadsTheTargetOfARealShortcut) {
    ScratchDir dir(L"lnkpath");
    std::wstring target = dir / L"tool.exe";
    ASSERT_TRUE(MakeFile(target));
    std::wstring lnk = dir / L"tool.lnk";
    {
        ComScope com;
        ASSERT_TRUE(MakeLink(lnk, target));
    }
    wchar_t out[MAX_PATH] = {};
    EXPECT_EQ(LnkToRealPath(lnk.c_str(), out), S_OK);
    EXPECT_EQ(_wcsicmp(out, target.c_str()), 0) << testing::PrintToString(std::wstring(out));

    wcscpy(out, L"stale");
    EXPECT_TRUE(FAILED(LnkToRealPath((dir / L"missing.lnk").c_str(), out)));
    EXPECT_STREQ(out, L"");
}

TEST(PathsLnkToRealPath, LeavesACallersOtherApartmentAlone) {
    ScratchDir dir(L"lnkmta");
    std::wstring target = dir / L"tool.exe";
    ASSERT_TRUE(MakeFile(target));
    std::wstring lnk = dir / L"tool.lnk";
    HRESULT result = E_FAIL, after = E_FAIL;
    std::wstring got;
    std::thread worker([&] {
        if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
            return;
        if (MakeLink(lnk, target)) {
            wchar_t out[MAX_PATH] = {};
            result = LnkToRealPath(lnk.c_str(), out);
            got = out;
        }
        // Still initialised: the call did not undo the thread's own apartment.
        after = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(after))
            CoUninitialize();
        CoUninitialize();
    });
    worker.join();
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(_wcsicmp(got.c_str(), target.c_str()), 0);
    EXPECT_EQ(after, S_FALSE);
}
