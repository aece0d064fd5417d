// Shortcuts read back through the shell, the icon-size setting, programs
// started through the shell, and sounds.
#include "tests/support/testutil.h"
#include "util/vxutil.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <cstring>
#include <string>

using namespace vxtest;

namespace {

// Started with this argument, a copy of the test program makes a shortcut to
// itself, without naming a target, in the named folder and exits before any
// test runs.
const wchar_t kSelfLinkArg[] = L"--vx-self-shortcut=";

bool MakeSelfShortcutWhenAsked() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv)
        return false;
    std::wstring folder;
    const size_t n = wcslen(kSelfLinkArg);
    for (int i = 1; i < argc; ++i)
        if (wcsncmp(argv[i], kSelfLinkArg, n) == 0)
            folder = argv[i] + n;
    LocalFree(argv);
    if (folder.empty())
        return false;
    HRESULT com = CoInitialize(nullptr);
    int made = CreateShortcut(folder.c_str(), L"self", nullptr, nullptr, 0, nullptr, SW_SHOWNORMAL);
    if (SUCCEEDED(com))
        CoUninitialize();
    ExitProcess(made == 1 ? 0 : 1);
}

[[maybe_unused]] const bool kSelfLinkChild = MakeSelfShortcutWhenAsked();

class ShellTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(m_com)); }
    void TearDown() override {
        if (SUCCEEDED(m_com))
            CoUninitialize();
    }

private:
    HRESULT m_com = CoInitialize(nullptr);
};

// What the shell reads back from a saved shortcut.
struct LinkInfo {
    bool loaded = false;
    std::wstring path, workDir, icon, description;
    int iconIndex = -1;
    WORD hotkey = 0;
    int showCmd = 0;
};

LinkInfo ReadLink(const std::wstring& lnk) {
    LinkInfo info;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return info;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(lnk.c_str(), STGM_READ))) {
        wchar_t buf[MAX_PATH];
        info.loaded = true;
        if (link->GetPath(buf, MAX_PATH, nullptr, SLGP_RAWPATH) == S_OK)
            info.path = buf;
        if (SUCCEEDED(link->GetWorkingDirectory(buf, MAX_PATH)))
            info.workDir = buf;
        if (SUCCEEDED(link->GetIconLocation(buf, MAX_PATH, &info.iconIndex)))
            info.icon = buf;
        if (SUCCEEDED(link->GetDescription(buf, MAX_PATH)))
            info.description = buf;
        link->GetHotkey(&info.hotkey);
    }
    if (file)
        file->Release();
    link->Release();
    // The show command as saved in the file's header; Wine's loader does not
    // read it back.
    std::string bytes = ReadFileBytes(lnk);
    const size_t kShowCmdAt = 0x3C;
    if (bytes.size() >= 0x4C && bytes[0] == 0x4C) {
        DWORD showCmd = 0;
        memcpy(&showCmd, bytes.data() + kShowCmdAt, sizeof(showCmd));
        info.showCmd = static_cast<int>(showCmd);
    }
    return info;
}

std::wstring Lower(std::wstring s) {
    CharLowerBuffW(&s[0], static_cast<DWORD>(s.size()));
    return s;
}

bool ReadRegText(HKEY key, const wchar_t* name, std::wstring& text, DWORD& bytes) {
    wchar_t buf[64] = {};
    bytes = sizeof(buf) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    text.assign(buf, bytes / sizeof(wchar_t));
    return true;
}

} // namespace

TEST_F(ShellTest, CreateShortcutStoresEveryField) {
    ScratchDir dir(L"shortcut");
    std::wstring target = dir / L"bin\\app.exe";
    ASSERT_TRUE(MakeFile(target));
    std::wstring icon = dir / L"app.ico";
    ASSERT_TRUE(MakeFile(icon));
    const WORD hotkey = MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT);
    std::wstring folder = dir.path().substr(0, dir.path().size() - 1);
    ASSERT_EQ(CreateShortcut(folder.c_str(), L"My App", target.c_str(), icon.c_str(), hotkey,
                             L"Starts my app", SW_SHOWMINNOACTIVE),
              1);
    LinkInfo info = ReadLink(dir / L"My App.lnk");
    ASSERT_TRUE(info.loaded);
    EXPECT_EQ(Lower(info.path), Lower(target));
    EXPECT_EQ(Lower(info.workDir), Lower(dir / L"bin"));
    EXPECT_EQ(Lower(info.icon), Lower(icon));
    EXPECT_EQ(info.iconIndex, 0);
    EXPECT_EQ(info.hotkey, hotkey);
    EXPECT_EQ(info.description, L"Starts my app");
    EXPECT_EQ(info.showCmd, SW_SHOWMINNOACTIVE);
}

TEST_F(ShellTest, CreateShortcutWithoutTargetPointsAtTheRunningProgram) {
    ScratchDir dir(L"shortcutself");
    std::wstring exe = dir / L"bin\\util_tests.exe";
    ASSERT_TRUE(MakeDirs(exe));
    ASSERT_TRUE(CopyFileW((ExeDir() + L"util_tests.exe").c_str(), exe.c_str(), FALSE));
    std::wstring folder = dir.path().substr(0, dir.path().size() - 1);
    ASSERT_EQ(RunProcess(L"\"" + exe + L"\" " + kSelfLinkArg + folder), 0);
    LinkInfo info = ReadLink(dir / L"self.lnk");
    ASSERT_TRUE(info.loaded);
    EXPECT_EQ(Lower(info.path), Lower(exe));
    // The program's folder as GetCurPath gives it, backslash and all.
    EXPECT_EQ(Lower(info.workDir), Lower(dir / L"bin\\"));
    EXPECT_EQ(info.hotkey, 0);
    EXPECT_EQ(info.description, L"");
    EXPECT_EQ(info.showCmd, SW_SHOWNORMAL);
}

TEST_F(ShellTest, CreateShortcutFailsWithoutAWritableFolder) {
    ScratchDir dir(L"shortcutbad");
    EXPECT_EQ(CreateShortcut(nullptr, L"x", nullptr, nullptr, 0, nullptr, SW_SHOWNORMAL), 0);
    EXPECT_EQ(CreateShortcut((dir / L"missing").c_str(), L"x", nullptr, nullptr, 0, nullptr,
                             SW_SHOWNORMAL),
              0);
    EXPECT_FALSE(FileExists(dir / L"missing\\x.lnk"));
}

TEST_F(ShellTest, SetShortcutIconChangesOnlyTheIcon) {
    ScratchDir dir(L"shortcuticon");
    std::wstring target = dir / L"app.exe";
    ASSERT_TRUE(MakeFile(target));
    std::wstring folder = dir.path().substr(0, dir.path().size() - 1);
    ASSERT_EQ(CreateShortcut(folder.c_str(), L"app", target.c_str(), nullptr, 0, L"keep me",
                             SW_SHOWNORMAL),
              1);
    std::wstring lnk = dir / L"app.lnk";
    std::wstring icon = dir / L"other.ico";
    ASSERT_TRUE(MakeFile(icon));
    EXPECT_EQ(SetShortcutIcon(lnk.c_str(), icon.c_str()), 1);
    LinkInfo info = ReadLink(lnk);
    ASSERT_TRUE(info.loaded);
    EXPECT_EQ(Lower(info.icon), Lower(icon));
    EXPECT_EQ(info.iconIndex, 0);
    EXPECT_EQ(Lower(info.path), Lower(target));
    EXPECT_EQ(info.description, L"keep me");

    EXPECT_EQ(SetShortcutIcon((dir / L"missing.lnk").c_str(), icon.c_str()), 0);
    EXPECT_FALSE(FileExists(dir / L"missing.lnk"));
}

TEST_F(ShellTest, CreateUrlShortcutWritesTheUrl) {
    ScratchDir dir(L"urlshortcut");
    std::wstring path = dir / L"site.url";
    const wchar_t url[] = L"http://127.0.0.1/path?q=1";
    ASSERT_EQ(CreateUrlShortcut(path.c_str(), url), 1);
    ASSERT_TRUE(FileExists(path));
    wchar_t stored[MAX_PATH] = {};
    GetPrivateProfileStringW(L"InternetShortcut", L"URL", L"", stored, MAX_PATH, path.c_str());
    EXPECT_STREQ(stored, url);
}

TEST(ShellIconCache, LeavesTheShellIconSizeAtTheIconWidth) {
    const wchar_t kKey[] = L"Control Panel\\Desktop\\WindowMetrics";
    vx::unique_hkey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.put()),
              ERROR_SUCCESS);
    // The value belongs to the prefix: put back whatever was there.
    std::wstring saved;
    DWORD savedBytes = 0;
    bool hadValue = ReadRegText(key.get(), L"Shell Icon Size", saved, savedBytes);
    auto restore = vx::scope_exit([&] {
        if (hadValue)
            RegSetValueExW(key.get(), L"Shell Icon Size", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(saved.data()), savedBytes);
        else
            RegDeleteValueW(key.get(), L"Shell Icon Size");
    });
    RegSetValueExW(key.get(), L"Shell Icon Size", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"1"),
                   2 * sizeof(wchar_t));

    DWORD start = GetTickCount();
    RefreshIconCache();
    EXPECT_LT(GetTickCount() - start, 20000u) << "the broadcasts must not hang";

    std::wstring text;
    DWORD bytes = 0;
    ASSERT_TRUE(ReadRegText(key.get(), L"Shell Icon Size", text, bytes));
    // The system stores the terminator it finds after the counted digits.
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    EXPECT_EQ(text, std::to_wstring(GetSystemMetrics(SM_CXICON)));
}

TEST(ShellDoRun, WaitsForTheProgramOnlyWhenAsked) {
    ScratchDir dir(L"dorun");
    // The started programs inherit a folder they can open, and one that is
    // not being removed.
    wchar_t saved[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\"));
    auto restore = vx::scope_exit([&] { SetCurrentDirectoryW(saved); });
    std::wstring done = dir / L"done.txt";
    // ping takes about a second per echo before the program writes its file.
    std::wstring params = L"/c ping -n 3 127.0.0.1 > nul & echo done> \"" + done + L"\"";
    DWORD start = GetTickCount();
    EXPECT_EQ(DoRun(L"cmd.exe", params.c_str(), 1, SW_HIDE), 1);
    EXPECT_TRUE(FileExists(done)) << "returned before the program ended";
    EXPECT_GE(GetTickCount() - start, 1000u);

    std::wstring later = dir / L"later.txt";
    params = L"/c ping -n 3 127.0.0.1 > nul & echo later> \"" + later + L"\"";
    EXPECT_EQ(DoRun(L"cmd.exe", params.c_str(), 0, SW_HIDE), 1);
    EXPECT_FALSE(FileExists(later)) << "waited although not asked to";
    EXPECT_TRUE(WaitFor([&] { return FileExists(later); }, 20000));
    // Gone once the program has let go of it, so the folder can go too.
    EXPECT_TRUE(WaitFor([&] { return DeleteFileW(later.c_str()) != FALSE; }, 20000));
}

TEST(ShellPlayWav, ResourceFormReportsThePlayerFileFormDoesNot) {
    ScratchDir dir(L"playwav");
    // A tenth of a second of 8-bit mono silence.
    const unsigned samples = 800;
    std::string wav = "RIFF";
    auto put32 = [&](unsigned v) {
        for (int i = 0; i < 4; ++i)
            wav += static_cast<char>((v >> (8 * i)) & 0xff);
    };
    auto put16 = [&](unsigned v) {
        wav += static_cast<char>(v & 0xff);
        wav += static_cast<char>((v >> 8) & 0xff);
    };
    put32(36 + samples);
    wav += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(1);
    put32(8000);
    put32(8000);
    put16(1);
    put16(8);
    wav += "data";
    put32(samples);
    wav += std::string(samples, static_cast<char>(0x80));
    std::wstring path = dir / L"quiet.wav";
    ASSERT_TRUE(MakeFile(path, wav));

    EXPECT_EQ(PlayWav(path.c_str(), 0), 0);
    // No sound named stops whatever plays, which the player reports as done.
    EXPECT_EQ(PlayWav(nullptr, 1), 1);
}
