// vxmkman show: a manifest's header and lists as the uninstaller's reader
// takes them, as text, with every finding.
#include "tools/manifest/manifest_examine.h"
#include "tools/manifest/mkman_text.h"
#include "tools/manifest/mkman_verbs.h"

namespace {

const wchar_t kUsage[] =
    L"usage: vxmkman show FILE.dat\n"
    L"Prints the header fields and both lists as the uninstaller reads them, as UTF-8\n"
    L"text, and flags what the reader met: damage (fields without a terminator, a file\n"
    L"cut short, a missing or negative count), entries with an empty path, bytes after\n"
    L"the last record, and paths that are not full paths.\n"
    L"Exit codes: 0 sound, 1 something is flagged, 2 bad usage or no such file.\n";

std::wstring Quoted(const std::wstring& s) {
    return L"\"" + s + L"\"";
}

void ShowItems(const wchar_t* title, const std::vector<tagUninstallItem>& items, bool kinds) {
    Print(stdout, std::wstring(title) + L" (" + std::to_wstring(items.size()) + L" kept):\n");
    for (size_t i = 0; i < items.size(); ++i) {
        std::wstring kind = kinds ? KindName(items[i].nKind) + L" " : L"";
        Print(stdout, L"  " + std::to_wstring(i + 1) + L". " + kind +
                          Quoted(FieldString(items[i].szPath)) + L"\n");
    }
}

} // namespace

int RunShow(int argc, wchar_t** argv) {
    if (argc == 1 && isHelpArg(argv[0]))
        return Print(stdout, kUsage), kExitFine;
    if (argc != 1)
        return UsageError(L"show", L"give one manifest file\n" + std::wstring(kUsage));
    tagManifestView v;
    if (!ExamineManifest(argv[0], v))
        return UsageError(L"show", std::wstring(L"cannot read ") + argv[0]);

    Print(stdout,
          std::wstring(L"manifest ") + argv[0] + L" (" + std::to_wstring(v.size) + L" bytes)\n");
    Print(stdout, L"  uninstall key name  " + Quoted(v.key) + L"\n");
    Print(stdout, L"  product name        " + Quoted(v.product) + L"\n");
    Print(stdout, L"  program group       " + Quoted(v.group) + L"\n");
    Print(stdout, L"  install directory   " + Quoted(v.installDir) + L"\n");
    Print(stdout, v.directoryMode
                      ? L"mode: directory (no entry list; the run removes the uninstaller's "
                        L"folder)\n"
                      : L"mode: entry list\n");
    if (v.findings.hasEntryCount) {
        Print(stdout, L"entry count " + std::to_wstring(v.findings.entryCount) + L"\n");
        ShowItems(L"entries", v.entries, true);
    }
    Print(stdout, L"shortcut count " + std::to_wstring(v.findings.shortcutCount) + L"\n");
    ShowItems(L"shortcuts", v.shortcuts, false);
    if (v.problems.empty()) {
        Print(stdout, L"no problems found\n");
        return kExitFine;
    }
    if (!v.findings.damage.empty())
        Print(stdout, L"damaged: the uninstaller removes nothing with this file\n");
    Print(stdout, L"problems (" + std::to_wstring(v.problems.size()) + L"):\n");
    for (const std::wstring& p : v.problems)
        Print(stdout, L"  ! " + p + L"\n");
    return kExitRefused;
}
