// vxmkman run as a child process: damaged manifests through show, write
// read back by the engine's reader, plan on a fake install that must come
// through untouched.
#include "tests/support/testutil.h"
#include "tools/manifest/manifest_writer.h"
#include "uninstall/pathguard.h"

#include <gtest/gtest.h>
#include <cstring>
#include <map>

using namespace vxtest;

namespace {

struct ChildRun {
    int code;
    std::string out, err;
};

std::wstring Mkman() {
    std::wstring tests = ExeDir();
    return tests.substr(0, tests.find_last_of(L'\\', tests.size() - 2) + 1) + L"vxmkman.exe";
}

// vxmkman with args, its output taken through files in scratch.
ChildRun Mkman(const ScratchDir& dir, const std::wstring& args) {
    std::wstring outPath = dir / L"stdout.txt", errPath = dir / L"stderr.txt";
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    ChildRun r = {-1, "", ""};
    {
        vx::unique_hfile out(CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa,
                                         CREATE_ALWAYS, 0, nullptr));
        vx::unique_hfile err(CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa,
                                         CREATE_ALWAYS, 0, nullptr));
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = out.get();
        si.hStdError = err.get();
        PROCESS_INFORMATION pi = {};
        std::wstring cmd = L"\"" + Mkman() + L"\" " + args;
        if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, L"C:\\", &si,
                            &pi))
            return r;
        vx::unique_handle process(pi.hProcess), thread(pi.hThread);
        if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) {
            TerminateProcess(process.get(), 99);
            return r;
        }
        DWORD code = 0;
        GetExitCodeProcess(process.get(), &code);
        r.code = static_cast<int>(code);
    }
    r.out = ReadFileBytes(outPath);
    r.err = ReadFileBytes(errPath);
    DeleteFileW(outPath.c_str());
    DeleteFileW(errPath.c_str());
    return r;
}

// A folder for the command line: "C:\x\" would end in an escaped quote.
std::wstring Arg(const std::wstring& folder) {
    return L"\"" + folder.substr(0, folder.size() - 1) + L"\"";
}

std::string Bytes(const std::vector<unsigned char>& v) {
    return std::string(v.begin(), v.end());
}

std::string Le32(int v) {
    std::string b(4, '\0');
    memcpy(&b[0], &v, 4);
    return b;
}

} // namespace

// Each finding of the uninstaller's reader is named, with exit code 1, and
// damage says that the uninstaller removes nothing; a sound file gives 0.
TEST(Mkman, ShowFlagsEveryDamage) {
    ScratchDir dir(L"mkshow");
    auto header = MakeManifestHeader(L"VxKey", L"Vx Product", L"Vx Group", L"");
    std::vector<tagUninstallItem> entries = {MakeManifestItem(0, L"C:\\vxtest\\a\\"),
                                             MakeManifestItem(1, L"C:\\vxtest\\b.txt")};
    std::vector<tagUninstallItem> shortcuts = {MakeManifestItem(1, L"C:\\vxtest\\c.lnk")};
    std::string sound = Bytes(BuildManifest(header, entries, shortcuts));
    auto withEntries = [&](std::vector<tagUninstallItem> e) {
        return Bytes(BuildManifest(header, e, shortcuts));
    };
    std::string longName = Bytes(BuildManifest(
        MakeManifestHeader(L"VxKey", std::wstring(50, L'n'), L"", L""), entries, shortcuts));
    std::string countsOnly =
        sound.substr(0, 760) + Le32(3) + sound.substr(764, 2 * sizeof(tagUninstallItem));
    const char* kCut = "the header is cut off by the end of the file";
    struct Case {
        const char* name;
        std::string bytes;
        const char* flag; // nullptr: sound
        bool damaged;
    } cases[] = {
        {"sound", sound, nullptr, false},
        {"empty file", "", kCut, true},
        {"header cut", sound.substr(0, 500), kCut, true},
        {"name without terminator", longName, "the product name has no terminator", true},
        {"empty path", withEntries({entries[0], MakeManifestItem(1, L""), entries[1]}),
         "entry 2: the path is empty", false},
        {"path without terminator", withEntries({MakeManifestItem(1, std::wstring(260, L'p'))}),
         "entry 1: the path has no terminator", true},
        {"record cut", sound.substr(0, 764 + 300), "entry 1 is cut off", true},
        {"count beyond the file", countsOnly, "entry 3 is cut off", true},
        {"no shortcut count", sound.substr(0, 764 + 2 * sizeof(tagUninstallItem)),
         "the shortcut count is missing", true},
        {"negative count", sound.substr(0, 760) + Le32(-5) + Le32(0), "the entry count is negative",
         true},
        {"huge count", sound.substr(0, 760) + Le32(0x7FFFFFFF), "entry 1 is cut off", true},
        {"trailing bytes", sound + "junk", "4 bytes after the last record", false},
        {"relative path", withEntries({MakeManifestItem(1, L"rel\\x.txt")}), "not a full path",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring file = dir / L"m.dat";
        ASSERT_TRUE(WriteFileBytes(file, c.bytes));
        ChildRun r = Mkman(dir, L"show \"" + file + L"\"");
        EXPECT_EQ(r.code, c.flag ? 1 : 0) << r.out << r.err;
        if (c.flag)
            EXPECT_NE(r.out.find(c.flag), std::string::npos) << r.out;
        else
            EXPECT_NE(r.out.find("no problems found"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("the uninstaller removes nothing") != std::string::npos, c.damaged)
            << r.out;
    }
}

// What write puts in the file is what the uninstaller's reader gets back,
// with the backslash a directory lacked added and said.
TEST(Mkman, WriteRoundTripsThroughTheReader) {
    ScratchDir dir(L"mkwrite");
    std::wstring list = dir / L"entries.txt", out = dir / L"vxUninstall.dat";
    ASSERT_TRUE(WriteFileBytes(list, "\xEF\xBB\xBF# product files\r\n"
                                     "dir \"C:\\vxtest\\Kelp\\my data\"\r\n\n"
                                     "7   C:\\vxtest\\Kelp\\\xE6\x95\xB0\xE6\x8D\xAE.txt  \r\n"));
    ChildRun r =
        Mkman(dir, L"write \"" + out +
                       L"\" --key KelpKey --name \"Kelp \x00C4\" --group Kelp --entry file "
                       L"C:\\vxtest\\Kelp\\a.exe --entries-from \"" +
                       list + L"\" --shortcut C:\\vxtest\\q.lnk");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("added the trailing backslash"), std::string::npos) << r.err;
    tagUninstallHeader h;
    std::vector<tagUninstallItem> entries, shortcuts;
    ASSERT_TRUE(ReadManifestFile(out.c_str(), h, entries, shortcuts));
    EXPECT_STREQ(h.szUninstallKey, L"KelpKey");
    EXPECT_STREQ(h.szProductName, L"Kelp \x00C4");
    EXPECT_STREQ(h.szProgramGroup, L"Kelp");
    EXPECT_STREQ(h.szInstallDir, L"");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].nKind, 1);
    EXPECT_STREQ(entries[0].szPath, L"C:\\vxtest\\Kelp\\a.exe");
    EXPECT_EQ(entries[1].nKind, 0);
    EXPECT_STREQ(entries[1].szPath, L"C:\\vxtest\\Kelp\\my data\\");
    EXPECT_EQ(entries[2].nKind, 7);
    EXPECT_STREQ(entries[2].szPath, L"C:\\vxtest\\Kelp\\\x6570\x636E.txt");
    ASSERT_EQ(shortcuts.size(), 1u);
    EXPECT_STREQ(shortcuts[0].szPath, L"C:\\vxtest\\q.lnk");

    r = Mkman(dir, L"write \"" + out + L"\" --key K --from-dir " + Arg(dir.path()));
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_TRUE(ReadManifestFile(out.c_str(), h, entries, shortcuts));
    EXPECT_EQ(std::wstring(h.szInstallDir), dir.path());
    EXPECT_TRUE(entries.empty());
}

// Bad input is refused with exit code 2 and a message, and no file appears.
TEST(Mkman, WriteRefusesWhatDoesNotFit) {
    ScratchDir dir(L"mkbad");
    std::wstring list = dir / L"bad.txt";
    ASSERT_TRUE(WriteFileBytes(list, "file C:\\ok.txt\nbanana C:\\x\n"));
    const std::wstring tooLong = L"C:\\" + std::wstring(257, L'x');
    const std::wstring refused[] = {
        L"--name " + std::wstring(50, L'n'),
        L"--key " + std::wstring(100, L'k'),
        L"--key a\\b",
        L"--group " + std::wstring(30, L'g'),
        L"--dir C:\\" + std::wstring(197, L'd'),
        L"--entry dir rel\\folder",
        L"--entry file " + tooLong,
        L"--entry dir C:\\" + std::wstring(256, L'd'),
        L"--entry banana C:\\x",
        L"--shortcut x.lnk",
        L"--dir C:\\a\\ --entry file C:\\b",
        L"--from-dir C:\\vxtest\\no-such-folder",
        L"--entries-from \"" + list + L"\"",
        L"--key",
        L"--bogus",
    };
    std::wstring out = dir / L"out.dat";
    for (const std::wstring& args : refused) {
        SCOPED_TRACE(std::string(args.begin(), args.end()));
        ChildRun r = Mkman(dir, L"write \"" + out + L"\" " + args);
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find("vxmkman write: "), std::string::npos) << r.err;
        EXPECT_FALSE(FileExists(out));
    }
    // The old form names no verb.
    EXPECT_EQ(Mkman(dir, L"\"" + out + L"\" --key K").code, 2);
    EXPECT_FALSE(FileExists(out));
    for (const wchar_t* verb : {L"", L"write ", L"show ", L"plan "})
        EXPECT_EQ(Mkman(dir, std::wstring(verb) + L"--help").code, 0);
}

namespace {

// Every name, link and file's bytes below dir; links are listed, never entered.
void Snapshot(const std::wstring& dir, std::map<std::wstring, std::string>& out) {
    WIN32_FIND_DATAW fd;
    vx::unique_hfind find(FindFirstFileW((dir + L"*").c_str(), &fd));
    if (!find)
        return;
    do {
        std::wstring name = fd.cFileName, path = dir + name;
        if (name == L"." || name == L"..")
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            out[path] = "<link>";
        } else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[path + L"\\"] = "<dir>";
            Snapshot(path + L"\\", out);
        } else {
            out[path] = ReadFileBytes(path);
        }
    } while (FindNextFileW(find.get(), &fd));
}

const wchar_t kPlanKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VxTestPlan";

} // namespace

// A fake install holding a link, beside a folder that holds a protected one:
// the plan names the files, the key and the script's targets, refuses the
// protected folder and the link, and the tree and the key come through
// unchanged, byte for byte.
TEST(Mkman, PlanRefusesAndDeletesNothing) {
    ScratchDir dir(L"mkplan");
    std::wstring app = dir / L"app\\", shared = dir / L"shared\\";
    ASSERT_TRUE(MakeFile(app + L"a.txt", "alpha"));
    ASSERT_TRUE(MakeFile(app + L"sub\\b.txt", "beta"));
    ASSERT_TRUE(MakeFile(shared + L"ProgramData\\keep.txt", "shared data"));
    ASSERT_TRUE(MakeFile(dir / L"outside\\precious.txt", "precious"));
    bool unixLink = false;
    if (!MakeDirLink(app + L"link", dir / L"outside", unixLink))
        GTEST_SKIP() << "no way to make a directory link here";
    auto unlink = vx::scope_exit([&] {
        if (unixLink)
            RemoveUnixLink(app + L"link");
    });
    if (!(GetFileAttributesW((app + L"link").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "this Wine does not report the directory link as a reparse point";
    // The guard takes ProgramData from the environment, which the child inherits.
    std::wstring programData = shared + L"ProgramData";
    wchar_t old[MAX_PATH] = {};
    GetEnvironmentVariableW(L"ProgramData", old, MAX_PATH);
    SetEnvironmentVariableW(L"ProgramData", programData.c_str());
    auto restore = vx::scope_exit([&] { SetEnvironmentVariableW(L"ProgramData", old); });
    ScopedRegKey key(HKEY_LOCAL_MACHINE, kPlanKey);
    ASSERT_TRUE(key.SetText(L"DisplayName", L"VxTestPlan"));
    std::wstring manifest = dir / L"install\\vxUninstall.dat";
    ASSERT_TRUE(MakeDirs(dir / L"install\\"));
    ASSERT_TRUE(WriteManifest(
        manifest, BuildManifest(MakeManifestHeader(L"VxTestPlan", L"VxTestPlan", L"", L""),
                                {MakeManifestItem(0, app), MakeManifestItem(0, shared)}, {})));
    std::map<std::wstring, std::string> before, after;
    Snapshot(dir.path(), before);

    ChildRun text = Mkman(dir, L"plan \"" + manifest + L"\"");
    ChildRun json = Mkman(dir, L"plan \"" + manifest + L"\" --json");
    Snapshot(dir.path(), after);
    EXPECT_EQ(before, after);
    EXPECT_TRUE(key.Exists());

    EXPECT_EQ(text.code, 1) << text.out << text.err;
    auto has = [&](const std::string& line) {
        EXPECT_NE(text.out.find(line), std::string::npos) << line << "\n" << text.out;
    };
    auto narrow = [](const std::wstring& w) { return std::string(w.begin(), w.end()); };
    has("removed     delete file     " + narrow(app) + "a.txt");
    has("removed     delete file     " + narrow(app) + "sub\\b.txt");
    has(" remove link     " + narrow(app) + "link  [a link");
    has("refused     remove folder   " + narrow(shared) + "  [a protected folder");
    has("removed     delete key      HKLM\\" + narrow(kPlanKey) + "  [" +
        (sizeof(void*) == 8 ? "64" : "32") + "-bit view (the uninstaller's own)]");
    has("script removes  " + narrow(dir / L"install\\vxUninstall.exe"));
    EXPECT_EQ(text.out.find("precious"), std::string::npos) << "the link was entered";
    EXPECT_EQ(text.out.find("keep.txt"), std::string::npos) << "the protected folder was entered";

    EXPECT_EQ(json.code, 1);
    EXPECT_EQ(json.out.front(), '{');
    EXPECT_EQ(json.out.substr(json.out.size() - 2), "}\n");
    EXPECT_NE(json.out.find("\"verdict\":\"refused\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"exitCode\":1"), std::string::npos) << json.out;
}

// A plain install plans clean: exit code 0, and it is all still there.
TEST(Mkman, CleanPlanExitsZero) {
    ScratchDir dir(L"mkclean");
    ASSERT_TRUE(MakeFile(dir / L"bin\\app.exe", "MZ"));
    std::wstring manifest = dir / L"vxUninstall.dat";
    ChildRun w =
        Mkman(dir, L"write \"" + manifest + L"\" --key VxTestClean --from-dir " + Arg(dir.path()));
    ASSERT_EQ(w.code, 0) << w.err;
    std::map<std::wstring, std::string> before, after;
    Snapshot(dir.path(), before);
    ChildRun r = Mkman(dir, L"plan " + Arg(dir.path()));
    Snapshot(dir.path(), after);
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("removed     delete file     " +
                         std::string(dir.path().begin(), dir.path().end()) + "bin\\app.exe"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(before, after);

    // An uninstaller of the other bitness sees other registry views: the
    // plan is refused rather than made for the wrong one.
    std::string pe(0x46, '\0');
    pe.replace(0, 2, "MZ");
    pe[0x3C] = 0x40;
    pe.replace(0x40, 4, std::string("PE\0\0", 4));
    pe[0x44] = sizeof(void*) == 8 ? '\x4C' : '\x64';
    pe[0x45] = sizeof(void*) == 8 ? '\x01' : '\x86';
    ASSERT_TRUE(WriteFileBytes(dir / L"vxUninstall.exe", pe));
    r = Mkman(dir, L"plan " + Arg(dir.path()));
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("-bit program"), std::string::npos) << r.err;
}

const std::wstring kUninstallRoot = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The entry register prints is what reg import writes: the values read
// back from the view the uninstaller's build uses.
TEST(Mkman, RegisterGivesAnEntryRegImportTakes) {
    ScratchDir dir(L"mkreg");
    std::wstring folder = dir / L"Kelp 演示";
    ASSERT_TRUE(MakeDirs(folder + L"\\"));
    ASSERT_TRUE(WriteManifest(
        folder + L"\\vxUninstall.dat",
        BuildManifest(MakeManifestHeader(L"VxTestRegister", L"Kelp 演示", L"", folder + L"\\"), {},
                      {})));
    ScopedRegKey key(HKEY_LOCAL_MACHINE, kUninstallRoot + L"VxTestRegister");
    ChildRun json = Mkman(dir, L"register \"" + folder + L"\" --json");
    ChildRun reg =
        Mkman(dir, L"register \"" + folder + L"\" --out \"" + (dir / L"entry.reg") + L"\"");
    ASSERT_EQ(reg.code, 0) << reg.err;
    EXPECT_NE(json.out.find("vxUninstall.exe\\\" /S\""), std::string::npos) << json.out;
    ASSERT_EQ(RunProcess(L"reg import \"" + (dir / L"entry.reg") + L"\""), 0);
    const std::wstring path = kUninstallRoot + L"VxTestRegister";
    const std::wstring exe = L"\"" + folder + L"\\vxUninstall.exe\"";
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, path.c_str(), L"UninstallString"), exe);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, path.c_str(), L"QuietUninstallString"), exe + L" /S");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, path.c_str(), L"DisplayName"), L"Kelp 演示");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, path.c_str(), L"InstallLocation"), folder);
}
