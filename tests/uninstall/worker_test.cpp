// The uninstall run on real trees: counting, deletion, the progress messages
// a window receives, and what must survive.
#include "tests/support/testutil.h"
#include "tools/manifest/manifest_writer.h"
#include "uninstall/uninstaller.h"

#include <gtest/gtest.h>
#include <shlobj.h>

using namespace vxtest;

namespace {

// An engine reading its manifest from dir.
struct EngineRun {
    explicit EngineRun(const ScratchDir& dir) { engine.SetOwnDir(dir.path().c_str()); }
    void Manifest(const ScratchDir& dir, const tagUninstallHeader& h,
                  const std::vector<tagUninstallItem>& entries,
                  const std::vector<tagUninstallItem>& shortcuts = {}) {
        ASSERT_TRUE(WriteManifest(dir / L"vxUninstall.dat", BuildManifest(h, entries, shortcuts)));
    }
    CVxUninstaller engine;
    ProgressRecorder window;
};

tagUninstallHeader ListHeader() {
    return MakeManifestHeader(L"", L"VxTestProduct", L"", L"");
}

} // namespace

TEST(Worker, FourFilesGiveQuartersThenTheFinalPost) {
    ScratchDir dir(L"worker");
    std::wstring tree = dir / L"tree\\";
    for (auto f : {L"a.txt", L"b.txt", L"sub\\c.txt", L"sub\\deeper\\d.txt"})
        ASSERT_TRUE(MakeFile(tree + f));
    EngineRun run(dir);
    run.Manifest(dir, ListHeader(), {MakeManifestItem(0, tree)});
    run.engine.StartUninstall(run.window.hwnd(), 1);
    ASSERT_TRUE(run.window.WaitPosted(1, 10000));
    auto entries = run.window.Entries();
    ASSERT_EQ(entries.size(), 5u);
    int expected[] = {25, 50, 75, 100, 100};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(entries[i].percent, expected[i]) << i;
        EXPECT_EQ(entries[i].sent, i < 4) << "walk messages are sent, the final one posted";
    }
    EXPECT_TRUE(run.engine.isRunEnded());
    EXPECT_FALSE(DirExists(tree));
    EXPECT_EQ(run.engine.GetTotal(), 4);
}

TEST(Worker, ManyFilesSendEachWholePercentOnceInOrder) {
    ScratchDir dir(L"worker");
    std::wstring tree = dir / L"tree\\";
    for (int i = 0; i < 250; ++i)
        ASSERT_TRUE(MakeFile(tree + L"d" + std::to_wstring(i % 5) + L"\\f" + std::to_wstring(i)));
    EngineRun run(dir);
    run.Manifest(dir, ListHeader(), {MakeManifestItem(0, tree)});
    run.engine.StartUninstall(run.window.hwnd(), 0);
    // 250 files: every whole percentage from 0 to 100 is passed once; 0 is
    // where the display starts and is not repeated.
    std::vector<int> expected;
    for (int p = 1; p <= 100; ++p)
        expected.push_back(p);
    EXPECT_EQ(run.window.Percents(), expected);
    EXPECT_EQ(run.engine.GetDone(), 250);
    EXPECT_FALSE(DirExists(tree));
}

TEST(Worker, EntryListTotalsEachRecordByItsKind) {
    ScratchDir dir(L"worker");
    std::wstring tree = dir / L"tree\\";
    for (auto f : {L"1", L"2", L"3"})
        ASSERT_TRUE(MakeFile(tree + f));
    std::wstring single = dir / L"single.dll", keep = dir / L"keep.txt";
    ASSERT_TRUE(MakeFile(single));
    ASSERT_TRUE(MakeFile(keep));
    EngineRun run(dir);
    // Kind 7 is a file like any non-zero kind; the empty record is dropped.
    run.Manifest(
        dir, ListHeader(),
        {MakeManifestItem(0, tree), MakeManifestItem(0, L""), MakeManifestItem(7, single)});
    run.engine.StartUninstall(run.window.hwnd(), 0);
    EXPECT_EQ(run.engine.GetTotal(), 4);
    EXPECT_EQ(run.window.Percents(), (std::vector<int>{25, 50, 75}));
    EXPECT_FALSE(FileExists(single));
    EXPECT_FALSE(DirExists(tree));
    EXPECT_TRUE(FileExists(keep));
    EXPECT_TRUE(FileExists(dir / L"vxUninstall.dat"));
}

TEST(Worker, DotDirectoriesAreNeitherCountedNorEntered) {
    ScratchDir dir(L"worker");
    std::wstring tree = dir / L"tree\\";
    ASSERT_TRUE(MakeFile(tree + L"a.txt"));
    ASSERT_TRUE(MakeFile(tree + L".cache\\kept.bin"));
    ASSERT_TRUE(MakeFile(tree + L".hiddenfile"));
    EngineRun run(dir);
    run.Manifest(dir, ListHeader(), {MakeManifestItem(0, tree)});
    run.engine.StartUninstall(run.window.hwnd(), 0);
    EXPECT_EQ(run.engine.GetTotal(), 2);
    EXPECT_EQ(run.window.Percents(), (std::vector<int>{50, 100}));
    EXPECT_TRUE(FileExists(tree + L".cache\\kept.bin"));
    EXPECT_FALSE(FileExists(tree + L"a.txt"));
    EXPECT_FALSE(FileExists(tree + L".hiddenfile"));
    EXPECT_TRUE(DirExists(tree)) << "the parent stays while .cache is inside";
}

// A file another program holds is retried for a moment, then goes at the
// next restart with the folders that hold it; it still counts as done.
TEST(Worker, HeldFileGoesAtRestartWithItsFoldersAndStillCounts) {
    const wchar_t kSession[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
    auto pending = [&] {
        vx::unique_hkey key;
        std::wstring names(32768, L'\0');
        DWORD size = DWORD(names.size() * sizeof(wchar_t));
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSession, 0, KEY_ALL_ACCESS, key.put()) ||
            RegQueryValueExW(key.get(), L"PendingFileRenameOperations", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(&names[0]), &size))
            return std::wstring();
        RegDeleteValueW(key.get(), L"PendingFileRenameOperations");
        return names;
    };
    pending();
    ScratchDir dir(L"worker");
    std::wstring tree = dir / L"tree\\";
    ASSERT_TRUE(MakeFile(tree + L"a.txt"));
    ASSERT_TRUE(MakeFile(tree + L"in\\locked.txt"));
    vx::unique_hfile lock(CreateFileW((tree + L"in\\locked.txt").c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    EngineRun run(dir);
    run.Manifest(dir, ListHeader(), {MakeManifestItem(0, tree)});
    run.engine.StartUninstall(run.window.hwnd(), 0);
    EXPECT_EQ(run.window.Percents(), (std::vector<int>{50, 100}));
    EXPECT_TRUE(FileExists(tree + L"in\\locked.txt"));
    EXPECT_FALSE(FileExists(tree + L"a.txt"));
    EXPECT_EQ(run.engine.GetResult().outcome, tagRunResult::RestartNeeded);
    // Each goes once, the file before the folders that hold it.
    std::wstring names = pending();
    size_t file = names.find(L"\\tree\\in\\locked.txt"), in = names.find(L"\\tree\\in\0", 0, 9),
           top = names.find(L"\\tree\0", 0, 6);
    EXPECT_TRUE(file < in && in < top && top != std::wstring::npos) << names.c_str();
}

TEST(Worker, MissingManifestPostsTwoHundredsAndDeletesNothing) {
    ScratchDir dir(L"worker");
    ASSERT_TRUE(MakeFile(dir / L"product.exe"));
    EngineRun run(dir);
    run.engine.StartUninstall(run.window.hwnd(), 1);
    ASSERT_TRUE(run.window.WaitPosted(2, 10000));
    auto entries = run.window.Entries();
    ASSERT_EQ(entries.size(), 2u);
    for (auto& e : entries) {
        EXPECT_EQ(e.percent, 100);
        EXPECT_FALSE(e.sent);
    }
    EXPECT_TRUE(FileExists(dir / L"product.exe"));
}

TEST(Worker, DirectoryModeWalksTheOwnDirectory) {
    ScratchDir dir(L"worker");
    std::wstring product = dir / L"Product\\";
    ASSERT_TRUE(MakeFile(product + L"app.exe"));
    ASSERT_TRUE(MakeFile(product + L"data\\x.dat"));
    ASSERT_TRUE(MakeFile(dir / L"sibling.txt"));
    CVxUninstaller engine;
    engine.SetOwnDir(product.c_str());
    ASSERT_TRUE(WriteManifest(product + L"vxUninstall.dat",
                              BuildManifest(MakeManifestHeader(L"", L"P", L"", product), {}, {})));
    ProgressRecorder window;
    engine.StartUninstall(window.hwnd(), 0);
    EXPECT_EQ(engine.GetTotal(), 3);
    EXPECT_EQ(window.Percents(), (std::vector<int>{33, 66, 100}));
    EXPECT_FALSE(DirExists(product));
    EXPECT_TRUE(FileExists(dir / L"sibling.txt"));
}

TEST(Worker, NothingCountedMeansNoPercentages) {
    ScratchDir dir(L"worker");
    std::wstring empty = dir / L"empty\\";
    ASSERT_TRUE(MakeDirs(empty));
    // The program group's files are walked after a total of 0 was counted.
    wchar_t programs[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, programs, CSIDL_PROGRAMS, FALSE));
    std::wstring group = std::wstring(programs) + L"\\VxTestZeroGroup\\";
    ASSERT_TRUE(MakeFile(group + L"Product.lnk"));
    EngineRun run(dir);
    run.Manifest(dir, MakeManifestHeader(L"", L"P", L"VxTestZeroGroup", L""),
                 {MakeManifestItem(0, empty)});
    run.engine.StartUninstall(run.window.hwnd(), 0);
    EXPECT_EQ(run.engine.GetTotal(), 0);
    EXPECT_EQ(run.engine.GetDone(), 1);
    EXPECT_TRUE(run.window.Percents().empty());
    EXPECT_FALSE(DirExists(group));
    EXPECT_FALSE(DirExists(empty));
}

TEST(Worker, ProtectedFoldersInTheManifestAreNotWalked) {
    ScratchDir dir(L"worker");
    std::vector<std::wstring> canaries;
    std::vector<tagUninstallItem> entries;
    for (int csidl : {CSIDL_WINDOWS, CSIDL_PROGRAM_FILES, CSIDL_PROFILE, CSIDL_PROGRAMS,
                      CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_STARTMENU}) {
        wchar_t f[MAX_PATH] = {};
        ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, f)));
        std::wstring canary = std::wstring(f) + L"\\vxtest-canary.txt";
        ASSERT_TRUE(MakeFile(canary));
        canaries.push_back(canary);
        entries.push_back(MakeManifestItem(0, std::wstring(f) + L"\\"));
    }
    entries.push_back(MakeManifestItem(0, L"C:\\"));
    entries.push_back(MakeManifestItem(0, L"C:\\users\\"));
    entries.push_back(MakeManifestItem(0, L"C:\\vxtest\\..\\"));
    entries.push_back(MakeManifestItem(0, L"relative\\"));
    std::wstring tree = dir / L"tree\\";
    ASSERT_TRUE(MakeFile(tree + L"a"));
    entries.push_back(MakeManifestItem(0, tree));
    EngineRun run(dir);
    run.Manifest(dir, ListHeader(), entries);
    run.engine.StartUninstall(run.window.hwnd(), 0);
    for (auto& c : canaries) {
        EXPECT_TRUE(FileExists(c)) << c;
        DeleteFileW(c.c_str());
    }
    EXPECT_EQ(run.engine.GetTotal(), 1);
    EXPECT_FALSE(DirExists(tree)) << "the rest of the run goes on";
}

TEST(Worker, EntryWithoutTrailingBackslashDoesNotMatchSiblings) {
    ScratchDir dir(L"worker");
    ASSERT_TRUE(MakeFile(dir / L"app\\inside.txt"));
    ASSERT_TRUE(MakeFile(dir / L"appdata\\sibling.txt"));
    ASSERT_TRUE(MakeFile(dir / L"app.txt"));
    EngineRun run(dir);
    run.Manifest(dir, ListHeader(), {MakeManifestItem(0, dir / L"app")});
    run.engine.StartUninstall(run.window.hwnd(), 0);
    EXPECT_FALSE(DirExists(dir / L"app"));
    EXPECT_TRUE(FileExists(dir / L"appdata\\sibling.txt"));
    EXPECT_TRUE(FileExists(dir / L"app.txt"));
}

TEST(Worker, JunctionIsRemovedButItsTargetIsNotEntered) {
    ScratchDir dir(L"worker");
    std::wstring outside = dir / L"outside\\";
    ASSERT_TRUE(MakeFile(outside + L"precious.txt"));
    std::wstring tree = dir / L"tree\\";
    ASSERT_TRUE(MakeFile(tree + L"a.txt"));
    bool unixLink = false;
    if (!MakeDirLink(tree + L"link", dir / L"outside", unixLink))
        GTEST_SKIP() << "no way to make a directory link here";
    DWORD attrs = GetFileAttributesW((tree + L"link").c_str());
    if (!(attrs & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "this Wine does not report junctions as reparse points";
    EngineRun run(dir);
    run.Manifest(dir, ListHeader(), {MakeManifestItem(0, tree)});
    run.engine.StartUninstall(run.window.hwnd(), 0);
    EXPECT_EQ(run.engine.GetTotal(), 1);
    EXPECT_TRUE(FileExists(outside + L"precious.txt"));
    EXPECT_FALSE(FileExists(tree + L"a.txt"));
    if (unixLink) {
        RemoveUnixLink(tree + L"link");
        GTEST_SKIP() << "Wine cannot remove a Unix symbolic link to a directory "
                        "(RemoveDirectoryW fails); its target was left alone as it must be";
    }
    EXPECT_FALSE(DirExists(tree + L"link"));
    EXPECT_FALSE(DirExists(tree));
}

// A link is removed as a link and never entered: as a manifest entry, as the
// program group, and when a folder is swapped for one while the walk runs.
TEST(Worker, LinksAreNeverEntered) {
    enum Where { Entry, Group, SwappedDuringWalk };
    for (Where where : {Entry, Group, SwappedDuringWalk}) {
        SCOPED_TRACE(where);
        ScratchDir dir(L"links");
        std::wstring outside = dir / L"outside";
        ASSERT_TRUE(MakeFile(outside + L"\\precious.txt"));
        std::wstring tree = dir / L"tree\\";
        std::wstring group = ShellFolder(CSIDL_PROGRAMS) + L"\\VxTestLinkGroup";
        std::wstring link;
        bool unixLink = false;
        EngineRun run(dir);
        tagUninstallHeader header = ListHeader();
        std::vector<tagUninstallItem> entries;
        switch (where) {
        case Entry:
            link = dir / L"entry";
            entries.push_back(MakeManifestItem(0, link + L"\\"));
            break;
        case Group:
            link = group;
            header = MakeManifestHeader(L"", L"VxTestProduct", L"VxTestLinkGroup", L"");
            break;
        case SwappedDuringWalk:
            ASSERT_TRUE(MakeFile(tree + L"a\\f1"));
            ASSERT_TRUE(MakeFile(tree + L"b\\f2"));
            entries.push_back(MakeManifestItem(0, tree));
            // Between two files, the folder the walk has not reached yet
            // becomes a link to the outside folder.
            run.window.onSent = [&](int) {
                if (!link.empty())
                    return;
                link = tree + (FileExists(tree + L"a\\f1") ? L"a" : L"b");
                ASSERT_TRUE(MoveFileW(link.c_str(), (dir / L"moved").c_str()));
                ASSERT_TRUE(MakeDirLink(link, outside, unixLink));
            };
            break;
        }
        if (where != SwappedDuringWalk && !MakeDirLink(link, outside, unixLink))
            GTEST_SKIP() << "no way to make a directory link here";
        run.Manifest(dir, header, entries);
        run.engine.StartUninstall(run.window.hwnd(), 0);

        ASSERT_FALSE(link.empty());
        EXPECT_TRUE(FileExists(outside + L"\\precious.txt"));
        // Wine cannot remove a Unix symbolic link to a directory.
        if (unixLink)
            RemoveUnixLink(link);
        else
            EXPECT_FALSE(DirExists(link));
        RemoveDirectoryW(group.c_str());
    }
}
