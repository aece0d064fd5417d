// vxmkman plan: what the uninstaller beside a manifest would delete and
// refuse on this machine: the record of the engine's own steps
// (CVxUninstaller::Plan), decided as a run decides them and not carried out.
#include "tools/manifest/json_writer.h"
#include "tools/manifest/manifest_examine.h"
#include "tools/manifest/mkman_text.h"
#include "tools/manifest/mkman_verbs.h"
#include "uninstall/uninstaller.h"

#include <cstring>

namespace {

const wchar_t kUsage[] =
    L"usage: vxmkman plan FILE.dat|FOLDER [--json]\n"
    L"A dry run of the uninstaller that would run beside FILE.dat (which must be named\n"
    L"vxUninstall.dat), on this machine, through the uninstaller's own steps and guards:\n"
    L"every file and folder it would delete, the registry key and its view, the program\n"
    L"group, the desktop shortcut, what the self-removal script would remove, and every\n"
    L"path it would refuse, with the reason. Nothing is deleted. Registry views are this\n"
    L"tool's: a vxUninstall.exe of the other bitness beside the file is refused, plan it\n"
    L"with the vxmkman of its own build.\n"
    L"  --json   the same as one JSON document\n"
    L"Exit codes: 0 nothing refused, 1 something refused or the file is damaged,\n"
    L"2 bad usage or no such file.\n";

struct PlanInput {
    std::wstring manifest, folder, exe;
    tagManifestView view;
};

int ExitCode(const PlanInput& in, const std::vector<tagRunStep>& steps) {
    return CountVerdicts(steps).Left() || !in.view.problems.empty() ? kExitRefused : kExitFine;
}

// The engine's record as it stands, each part under its own title.
void PrintText(const PlanInput& in, const std::vector<tagRunStep>& steps) {
    Print(stdout,
          L"plan for " + in.manifest + L"\nas run by " + in.exe +
              (GetFileAttributesW(in.exe.c_str()) == INVALID_FILE_ATTRIBUTES ? L" (not there now)"
                                                                             : L"") +
              L", " + std::to_wstring(sizeof(void*) * 8) + L"-bit, on this machine\n");
    Print(stdout, in.view.directoryMode ? L"mode: directory: walks " + in.folder + L"\n"
                                        : std::wstring(L"mode: entry list\n"));
    for (int part = tagRunStep::Manifest; part <= tagRunStep::SelfRemoval; ++part) {
        bool any = false;
        for (const tagRunStep& s : steps) {
            if (s.part != part)
                continue;
            if (!any)
                Print(stdout, std::wstring(PartWord(s.part)) + L":\n");
            any = true;
            Print(stdout, L"  " + FormatStep(s) + L"\n");
        }
    }
    for (size_t i = 0; i < in.view.problems.size(); ++i)
        Print(stdout, (i ? L"" : L"manifest problems:\n") + std::wstring(L"  ! ") +
                          in.view.problems[i] + L"\n");
    Print(stdout, FormatTotals(CountVerdicts(steps)) + L"\nnothing was deleted by this plan\n");
}

void PrintJson(const PlanInput& in, const std::vector<tagRunStep>& steps) {
    CJsonWriter j;
    j.BeginObject();
    j.Key("manifest").String(in.manifest);
    j.Key("uninstaller").String(in.exe);
    j.Key("uninstallerPresent").Bool(GetFileAttributesW(in.exe.c_str()) != INVALID_FILE_ATTRIBUTES);
    j.Key("bits").Number(sizeof(void*) * 8);
    j.Key("mode").String(in.view.directoryMode ? L"directory" : L"entry-list");
    j.Key("walks").String(in.view.directoryMode ? in.folder : L"");
    j.Key("uninstallKey").String(in.view.key);
    j.Key("steps").BeginArray();
    for (const tagRunStep& s : steps)
        j.BeginObject()
            .Key("part")
            .String(PartKey(s.part))
            .Key("action")
            .String(ActionKey(s.action))
            .Key("verdict")
            .String(VerdictKey(s.verdict))
            .Key("target")
            .String(s.target)
            .Key("reason")
            .String(s.reason)
            .EndObject();
    j.EndArray();
    tagRunTotals totals = CountVerdicts(steps);
    j.Key("totals").BeginObject();
    for (int v = tagRunStep::Removed; v <= tagRunStep::Failed; ++v) {
        std::wstring key = VerdictKey(static_cast<tagRunStep::Verdict>(v));
        j.Key(std::string(key.begin(), key.end()).c_str()).Number(totals.count[v]);
    }
    j.EndObject();
    j.Key("problems").BeginArray();
    for (const std::wstring& p : in.view.problems)
        j.String(p);
    j.EndArray();
    j.Key("deletedNothing").Bool(true);
    j.Key("exitCode").Number(ExitCode(in, steps));
    j.EndObject();
    std::string text = j.Text();
    fwrite(text.data(), 1, text.size(), stdout);
}

// The manifest's full path and its folder; the name must be the one the
// uninstaller reads, since the engine finds it beside itself.
bool Locate(const std::wstring& arg, PlanInput& in, std::wstring& error) {
    wchar_t full[MAX_PATH];
    DWORD n = GetFullPathNameW(arg.c_str(), MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) {
        error = L"not a usable path: " + arg;
        return false;
    }
    std::wstring path = full;
    DWORD attrs = GetFileAttributesW(full);
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY))
        path += (path.back() == L'\\' ? L"" : L"\\") + std::wstring(VX_MANIFEST_NAME);
    size_t slash = path.find_last_of(L'\\');
    if (_wcsicmp(path.c_str() + slash + 1, VX_MANIFEST_NAME) != 0) {
        error =
            L"the uninstaller reads " VX_MANIFEST_NAME L" beside itself; name the file so: " + path;
        return false;
    }
    in.manifest = path;
    in.folder = path.substr(0, slash + 1);
    in.exe = in.folder + L"vxUninstall.exe";
    // Registry views and the system folder's redirection are the process's
    // own: only a tool of the uninstaller's bitness sees what it would.
    int bits = ProgramBits(in.exe);
    if (bits && bits != static_cast<int>(sizeof(void*) * 8)) {
        error = in.exe + L" is a " + std::to_wstring(bits) +
                L"-bit program: plan it with the vxmkman of the same build";
        return false;
    }
    if (!ExamineManifest(path, in.view)) {
        error = L"cannot read " + path;
        return false;
    }
    return true;
}

} // namespace

int RunPlan(int argc, wchar_t** argv) {
    bool json = false;
    std::wstring file;
    for (int i = 0; i < argc; ++i) {
        if (isHelpArg(argv[i]))
            return Print(stdout, kUsage), kExitFine;
        if (wcscmp(argv[i], L"--json") == 0)
            json = true;
        else if (file.empty() && argv[i][0] != L'-')
            file = argv[i];
        else
            return UsageError(L"plan", std::wstring(L"unexpected argument ") + argv[i]);
    }
    if (file.empty())
        return UsageError(L"plan", L"give the manifest to plan\n" + std::wstring(kUsage));
    PlanInput in;
    std::wstring error;
    if (!Locate(file, in, error))
        return UsageError(L"plan", error);

    CVxUninstaller engine;
    engine.SetOwnDir(in.folder.c_str());
    std::vector<tagRunStep> steps;
    engine.Plan(steps);
    if (json)
        PrintJson(in, steps);
    else
        PrintText(in, steps);
    return ExitCode(in, steps);
}
