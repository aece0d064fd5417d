// vxmkman plan: what the uninstaller beside a manifest would delete and
// refuse on this machine, asked of the engine itself (CVxUninstaller::Plan),
// which records its steps instead of doing them.
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

const wchar_t* const kPartTitles[] = {L"files and folders", L"registry",
                                      L"program group",     L"desktop shortcut",
                                      L"shortcut list",     L"self-removal script"};
const wchar_t* const kPartKeys[] = {L"entries", L"registry",  L"programGroup",
                                    L"desktop", L"shortcuts", L"selfRemoval"};
const wchar_t* const kActionLabels[] = {L"delete file", L"remove folder", L"remove link",
                                        L"not there",   L"REFUSED",       L"kept",
                                        L"delete key",  L"script deletes"};
const wchar_t* const kActionKeys[] = {L"delete-file", L"remove-folder", L"remove-link",
                                      L"missing",     L"refused",       L"kept",
                                      L"delete-key",  L"script-deletes"};

struct Shown {
    tagRunStep step;
    bool refusal; // a path the run keeps: refused, not entered, or a link
    std::wstring note;
};

bool isPresent(const tagRunStep& s) {
    if (s.action == tagRunStep::Missing)
        return false;
    return s.action != tagRunStep::DeleteFile ||
           GetFileAttributesW(s.path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Each step with what a maker needs to read it.
std::vector<Shown> Explain(const std::vector<tagRunStep>& steps) {
    std::vector<Shown> out;
    for (const tagRunStep& s : steps) {
        Shown e = {s, false, s.note};
        switch (s.action) {
        case tagRunStep::RemoveLink:
            e.refusal = true;
            e.note = L"a link: removed as a link, what it points to is never entered";
            break;
        case tagRunStep::Skipped:
            e.refusal = true;
            e.note += L": not entered, so the folders above it stay";
            break;
        case tagRunStep::Refused:
            e.refusal = true;
            break;
        case tagRunStep::DeleteFile:
            if (!isPresent(s))
                e.note = L"not there now";
            break;
        case tagRunStep::Missing:
            e.note = L"nothing to remove";
            break;
        default:
            break;
        }
        out.push_back(e);
    }
    // A folder holding something the run keeps is still there afterwards.
    for (Shown& f : out) {
        if (f.step.action != tagRunStep::RemoveFolder)
            continue;
        for (const Shown& k : out)
            if (k.refusal && k.step.action != tagRunStep::RemoveLink &&
                k.step.path.size() > f.step.path.size() &&
                isEqualOrAncestor(f.step.path, k.step.path))
                f.note = L"stays after the walk: something inside is kept";
    }
    return out;
}

struct PlanInput {
    std::wstring manifest, folder, exe;
    tagManifestView view;
};

int ExitCode(const PlanInput& in, const std::vector<Shown>& shown) {
    bool refused = false;
    for (const Shown& s : shown)
        refused = refused || s.refusal;
    return refused || !in.view.problems.empty() ? kExitRefused : kExitFine;
}

void PrintText(const PlanInput& in, const std::vector<Shown>& shown) {
    Print(stdout,
          L"plan for " + in.manifest + L"\nas run by " + in.exe +
              (GetFileAttributesW(in.exe.c_str()) == INVALID_FILE_ATTRIBUTES ? L" (not there now)"
                                                                             : L"") +
              L", " + std::to_wstring(sizeof(void*) * 8) + L"-bit, on this machine\n");
    Print(stdout, in.view.directoryMode ? L"mode: directory: walks " + in.folder + L"\n"
                                        : std::wstring(L"mode: entry list\n"));
    for (int part = tagRunStep::Entries; part <= tagRunStep::SelfRemoval; ++part) {
        Print(stdout, std::wstring(kPartTitles[part]) + L":\n");
        bool any = false;
        for (const Shown& s : shown) {
            if (s.step.part != part)
                continue;
            any = true;
            std::wstring label = kActionLabels[s.step.action];
            label.resize(16, L' ');
            Print(stdout, L"  " + label + s.step.path +
                              (s.note.empty() ? L"" : L"  [" + s.note + L"]") + L"\n");
        }
        if (!any && part == tagRunStep::Registry && !in.view.key.empty())
            Print(stdout, L"  (no key " + in.view.key +
                              L" in the uninstaller's view, nor one naming it in the other)\n");
        else if (!any)
            Print(stdout, L"  (nothing)\n");
    }
    int refused = 0;
    for (const Shown& s : shown)
        if (s.refusal)
            Print(stdout, (refused++ ? L"" : L"refused or kept:\n") + std::wstring(L"  ") +
                              s.step.path + L"  [" + s.note + L"]\n");
    for (size_t i = 0; i < in.view.problems.size(); ++i)
        Print(stdout, (i ? L"" : L"manifest problems:\n") + std::wstring(L"  ! ") +
                          in.view.problems[i] + L"\n");
    Print(stdout, L"nothing was deleted; " + std::to_wstring(refused) + L" refused or kept, " +
                      std::to_wstring(in.view.problems.size()) + L" manifest problems\n");
}

void PrintJson(const PlanInput& in, const std::vector<Shown>& shown) {
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
    for (const Shown& s : shown) {
        j.BeginObject();
        j.Key("part").String(kPartKeys[s.step.part]);
        j.Key("action").String(kActionKeys[s.step.action]);
        j.Key("path").String(s.step.path);
        j.Key("note").String(s.note);
        j.Key("present").Bool(isPresent(s.step));
        j.Key("refused").Bool(s.refusal);
        j.EndObject();
    }
    j.EndArray();
    j.Key("refused").BeginArray();
    for (const Shown& s : shown)
        if (s.refusal)
            j.BeginObject()
                .Key("path")
                .String(s.step.path)
                .Key("reason")
                .String(s.note)
                .EndObject();
    j.EndArray();
    j.Key("problems").BeginArray();
    for (const std::wstring& p : in.view.problems)
        j.String(p);
    j.EndArray();
    j.Key("deletedNothing").Bool(true);
    j.Key("exitCode").Number(ExitCode(in, shown));
    j.EndObject();
    std::string text = j.Text();
    fwrite(text.data(), 1, text.size(), stdout);
}

// The bitness of a Windows program from its PE header; 0 when it is not
// there or not a program of either machine type.
int ProgramBits(const std::wstring& exe) {
    std::vector<unsigned char> b;
    if (!ReadWholeFile(exe, b) || b.size() < 0x40)
        return 0;
    size_t pe = b[0x3C] | b[0x3D] << 8 | b[0x3E] << 16 | static_cast<size_t>(b[0x3F]) << 24;
    if (pe > b.size() || b.size() - pe < 6 || memcmp(&b[pe], "PE\0\0", 4) != 0)
        return 0;
    unsigned machine = b[pe + 4] | b[pe + 5] << 8;
    return machine == IMAGE_FILE_MACHINE_I386 ? 32 : machine == IMAGE_FILE_MACHINE_AMD64 ? 64 : 0;
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
    std::vector<unsigned char> bytes;
    if (!ReadWholeFile(path, bytes)) {
        error = L"cannot read " + path;
        return false;
    }
    in.view = InspectManifest(bytes);
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
    if (!engine.Plan(steps))
        return UsageError(L"plan", L"the uninstaller could not open " + in.manifest);
    std::vector<Shown> shown = Explain(steps);
    if (json)
        PrintJson(in, shown);
    else
        PrintText(in, shown);
    return ExitCode(in, shown);
}
