// The engine's rules on real files, links, attributes and keys. Each run is
// planned first, and what the run records must be what the plan said.
#include "tests/support/testutil.h"
#include "tools/manifest/manifest_writer.h"
#include "uninstall/uninstaller.h"

#include <gtest/gtest.h>
#include <shlobj.h>

using namespace vxtest;
using Step = tagRunStep;

namespace {

const std::wstring kUninstallRoot = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The steps as text, without this test program's own self-removal line: a
// plan is made for the uninstaller beside the manifest, a run here is this
// program.
std::vector<std::wstring> Lines(const std::vector<Step>& steps) {
    std::vector<std::wstring> out;
    for (const Step& s : steps)
        if (!(s.action == Step::ScriptRemoves && s.target.find(L".exe") != std::wstring::npos))
            out.push_back(FormatStep(s));
    return out;
}

// Writes the manifest into own, plans, then runs on this thread: the run's
// record must be the plan.
const std::vector<Step>& PlanThenRun(CVxUninstaller& engine, const std::wstring& own,
                                     const tagUninstallHeader& h,
                                     const std::vector<tagUninstallItem>& entries,
                                     const std::vector<tagUninstallItem>& shortcuts = {}) {
    EXPECT_TRUE(WriteManifest(own + L"vxUninstall.dat", BuildManifest(h, entries, shortcuts)));
    engine.SetOwnDir(own.c_str());
    std::vector<Step> plan;
    EXPECT_TRUE(engine.Plan(plan));
    engine.StartUninstall(nullptr, 0);
    EXPECT_EQ(Lines(plan), Lines(engine.GetRecord()));
    return engine.GetRecord();
}

int Count(const std::vector<Step>& steps, Step::Verdict v) {
    return CountVerdicts(steps).count[v];
}

} // namespace

TEST(Rules, DecisionsAsValues) {
    const struct {
        NodeKind kind;
        bool asFolder;
        Step::Action action;
        Step::Verdict verdict;
    } cases[] = {
        {NodeKind::File, false, Step::DeleteFile, Step::Removed},
        {NodeKind::File, true, Step::RemoveFolder, Step::Kept},
        {NodeKind::Folder, false, Step::DeleteFile, Step::Kept},
        {NodeKind::Folder, true, Step::RemoveFolder, Step::Removed},
        {NodeKind::Link, false, Step::RemoveLink, Step::Removed},
        {NodeKind::Link, true, Step::RemoveLink, Step::Removed},
        {NodeKind::FollowedLink, true, Step::RemoveLink, Step::Kept},
        {NodeKind::FollowedLink, false, Step::RemoveLink, Step::Kept},
        {NodeKind::Missing, false, Step::DeleteFile, Step::Missing},
        {NodeKind::Unchecked, true, Step::RemoveFolder, Step::Kept},
        {NodeKind::Unchecked, false, Step::DeleteFile, Step::Removed},
    };
    for (const auto& c : cases) {
        tagDecision d = DecideNode(c.kind, c.asFolder);
        EXPECT_EQ(d.action, c.action) << int(c.kind) << c.asFolder;
        EXPECT_EQ(d.verdict, c.verdict) << int(c.kind) << c.asFolder;
    }
    EXPECT_EQ(FolderAfterWalk(1, 1).verdict, Step::Kept);
    EXPECT_EQ(FolderAfterWalk(0, 2).verdict, Step::AtRestart);
    EXPECT_EQ(FolderAfterWalk(0, 0).verdict, Step::Removed);
    for (const wchar_t* name : {L"Kelp", L"Kelp 演示 专业版", L"Kelp.Pro", L".cache"})
        EXPECT_TRUE(isOneName(name)) << name;
    for (const wchar_t* name :
         {L"", L".", L"..", L"KelpK\\Sub", L"\\", L"a/b", L"C:x", L"..\\x", L"a..b"})
        EXPECT_FALSE(isOneName(name)) << name;
}

// Relative paths, paths through "..", and names that are paths are refused,
// whatever the current directory, and what they would name stays.
TEST(Rules, EveryPathAndNameIsJudged) {
    ScratchDir dir(L"rules");
    std::wstring victim = dir / L"victim.txt";
    std::wstring programs = ShellFolder(CSIDL_PROGRAMS);
    std::wstring nested = programs + L"\\VxTestRules\\Sub\\";
    ASSERT_TRUE(MakeFile(victim));
    ASSERT_TRUE(MakeFile(nested + L"keep.lnk"));
    ScopedRegKey product(HKEY_LOCAL_MACHINE, kUninstallRoot + L"VxTestRulesK");
    ASSERT_TRUE(product.Create(L"Sub"));
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    SetCurrentDirectoryW(dir.path().c_str());
    const struct {
        tagUninstallHeader header;
        std::vector<tagUninstallItem> entries, shortcuts;
    } cases[] = {
        {MakeManifestHeader(L"", L"", L"", L""),
         {MakeManifestItem(1, L"victim.txt"), MakeManifestItem(0, L".\\")},
         {MakeManifestItem(1, L"victim.txt")}},
        {MakeManifestHeader(L"VxTestRulesK\\Sub", L"..\\victim", L"VxTestRules\\Sub", L""), {}, {}},
        {MakeManifestHeader(L"\\", L"a/b", L"..", L""), {}, {}},
    };
    for (const auto& c : cases) {
        CVxUninstaller engine;
        const auto& record = PlanThenRun(engine, dir.path(), c.header, c.entries, c.shortcuts);
        EXPECT_EQ(Count(record, Step::Refused), 3);
        EXPECT_EQ(Count(record, Step::Removed), 0);
    }
    SetCurrentDirectoryW(cwd);
    EXPECT_TRUE(FileExists(victim));
    EXPECT_TRUE(FileExists(nested + L"keep.lnk"));
    EXPECT_TRUE(product.Exists(L"Sub"));
    DeleteFileW((nested + L"keep.lnk").c_str());
    RemoveDirectoryW(nested.c_str());
    RemoveDirectoryW((programs + L"\\VxTestRules").c_str());
}

// A link is removed as a link or left and recorded; what it points to is
// never touched. In directory mode a link left anywhere inside the install
// folder, dot-folders included, keeps the folder from the script.
TEST(Rules, LinksAreRemovedAsLinksOrLeft) {
    ScratchDir dir(L"rules");
    std::wstring target = dir / L"outside\\precious.txt", install = dir / L"install\\";
    ASSERT_TRUE(MakeFile(target, "precious"));
    ASSERT_TRUE(MakeFile(dir / L"listed\\a.txt"));
    ASSERT_TRUE(MakeFile(install + L"app.exe"));
    ASSERT_TRUE(MakeFile(install + L".cache\\c.bin"));
    const std::wstring links[] = {dir / L"listed.lnk", dir / L"listed\\file.lnk",
                                  install + L"file.lnk", install + L".cache\\dir"};
    bool unix[4] = {};
    for (int i = 0; i < 4; ++i)
        if (!(i < 3 ? MakeFileLink(links[i], target, unix[i])
                    : MakeDirLink(links[i], dir / L"outside", unix[i])))
            GTEST_SKIP() << "no way to make links here";

    CVxUninstaller list;
    PlanThenRun(list, dir.path(), MakeManifestHeader(L"", L"", L"", L""),
                {MakeManifestItem(1, links[0]), MakeManifestItem(0, dir / L"listed\\")});
    CVxUninstaller directory;
    bool folderToScript = false;
    for (const Step& s :
         PlanThenRun(directory, install, MakeManifestHeader(L"", L"", L"", install), {}))
        folderToScript =
            folderToScript || (s.action == Step::ScriptRemoves && s.verdict == Step::ByScript &&
                               s.target + L"\\" == install);

    EXPECT_EQ(ReadFileBytes(target), "precious");
    EXPECT_FALSE(FileExists(dir / L"listed\\a.txt"));
    // Wine opens its Unix links only as their targets: they are left, and
    // the script must not get the folder; where links go, it must.
    EXPECT_EQ(folderToScript, !(unix[2] || unix[3]));
    for (int i = 0; i < 4; ++i)
        if (unix[i])
            RemoveUnixLink(links[i]);
        else
            EXPECT_EQ(GetFileAttributesW(links[i].c_str()), INVALID_FILE_ATTRIBUTES) << i;
}

// Read-only, hidden and system files and folders go, and so does a tree
// deeper than MAX_PATH; a read-only file the walk does not reach keeps its
// attribute.
TEST(Rules, AttributesAndDepthDoNotStopTheWalk) {
    ScratchDir dir(L"rules");
    std::wstring tree = dir / L"tree\\", deep = L"\\\\?\\" + tree;
    for (int i = 0; deep.size() < MAX_PATH + 40; ++i)
        deep += L"level-" + std::to_wstring(i) + L"-of-a-deep-tree\\";
    ASSERT_TRUE(MakeFile(tree + L"ro\\r.txt"));
    ASSERT_TRUE(MakeFile(tree + L"hs.txt"));
    ASSERT_TRUE(MakeFile(tree + L".dot\\kept.txt"));
    for (size_t at = deep.find(L'\\', tree.size() + 4); at != std::wstring::npos;
         at = deep.find(L'\\', at + 1))
        CreateDirectoryW(deep.substr(0, at).c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(deep + L"bottom.txt", "x"));
    const std::pair<std::wstring, DWORD> attrs[] = {
        {tree + L"ro\\r.txt", FILE_ATTRIBUTE_READONLY},
        {tree + L"ro", FILE_ATTRIBUTE_READONLY},
        {tree + L"hs.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY},
        {tree + L".dot\\kept.txt", FILE_ATTRIBUTE_READONLY},
        {deep + L"bottom.txt", FILE_ATTRIBUTE_READONLY}};
    for (const auto& a : attrs)
        ASSERT_TRUE(SetFileAttributesW(a.first.c_str(), a.second));

    CVxUninstaller engine;
    const auto& record = PlanThenRun(engine, dir.path(), MakeManifestHeader(L"", L"", L"", L""),
                                     {MakeManifestItem(0, tree)});
    EXPECT_EQ(Count(record, Step::Failed), 0);
    EXPECT_EQ(GetFileAttributesW((deep + L"bottom.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(FileExists(tree + L"hs.txt"));
    EXPECT_FALSE(DirExists(tree + L"ro"));
    EXPECT_FALSE(DirExists(tree + L"level-0-of-a-deep-tree"));
    EXPECT_TRUE(GetFileAttributesW((tree + L".dot\\kept.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
}

// Nothing is removed and no script is decided when the manifest is missing,
// damaged or refused; the run says why, in its result and in its record.
TEST(Rules, NoWholeManifestRemovesNothing) {
    const struct {
        const char* name;
        size_t keepBytes; // of the manifest; 0 for none at all
        const wchar_t* installDir;
        tagRunResult::Outcome outcome;
    } cases[] = {
        {"missing", 0, L"", tagRunResult::ManifestMissing},
        {"cut in its entry", 760 + 4 + 100, L"", tagRunResult::ManifestDamaged},
        {"header only", 760, L"", tagRunResult::ManifestDamaged},
        {"drive root", ~size_t(0), L"C:\\", tagRunResult::ManifestRefused},
        {"relative", ~size_t(0), L"install\\", tagRunResult::ManifestRefused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir(L"rules");
        ASSERT_TRUE(MakeFile(dir / L"tree\\a.txt"));
        ScopedRegKey key(HKEY_LOCAL_MACHINE, kUninstallRoot + L"VxTestRulesWhole");
        ASSERT_TRUE(key.Create());
        auto bytes = BuildManifest(MakeManifestHeader(L"VxTestRulesWhole", L"", L"", c.installDir),
                                   {MakeManifestItem(0, dir / L"tree\\")}, {});
        bytes.resize(std::min(c.keepBytes, bytes.size()));
        if (c.keepBytes) {
            ASSERT_TRUE(
                WriteFileBytes(dir / L"vxUninstall.dat", std::string(bytes.begin(), bytes.end())));
        }
        CVxUninstaller engine;
        engine.SetOwnDir(dir.path().c_str());
        engine.StartUninstall(nullptr, 0);
        engine.DeleteSelf(); // returns: nothing to remove itself for
        EXPECT_EQ(engine.GetResult().outcome, c.outcome);
        EXPECT_FALSE(engine.GetResult().isRemoved());
        ASSERT_EQ(engine.GetRecord().size(), 1u);
        EXPECT_EQ(engine.GetRecord()[0].action, Step::ReadManifest);
        EXPECT_TRUE(FileExists(dir / L"tree\\a.txt"));
        EXPECT_TRUE(key.Exists());
        // The record names the manifest and why, then the totals.
        std::string text = ReadFileBytes(engine.GetRecordPath());
        EXPECT_NE(text.find("vxUninstall.dat"), std::string::npos) << text;
        EXPECT_NE(text.find("\r\ntotal: 0 removed"), std::string::npos) << text;
        DeleteFileW(engine.GetRecordPath().c_str());
    }
}
