// vxmkman: writes, shows and plans uninstall manifests for the people who
// ship the uninstaller.
#include "tools/manifest/mkman_text.h"
#include "tools/manifest/mkman_verbs.h"

#include <fcntl.h>
#include <io.h>
#include <cwchar>

namespace {

const wchar_t kUsage[] =
    L"usage: vxmkman VERB ...\n"
    L"  write OUT.dat ...     write a manifest (vxmkman write --help)\n"
    L"  show FILE.dat         the manifest as text, with what is wrong in it\n"
    L"  plan FILE.dat [--json] what the uninstaller would delete and refuse here\n"
    L"  register FOLDER        the Uninstall entry an installer writes for it\n"
    L"Exit codes: 0 fine, 1 refused or damaged, 2 bad usage.\n";

} // namespace

int wmain(int argc, wchar_t** argv) {
    // The verbs write UTF-8 bytes themselves.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    if (argc < 2)
        return UsageError(L"", L"give a verb\n" + std::wstring(kUsage));
    const wchar_t* verb = argv[1];
    if (isHelpArg(verb))
        return Print(stdout, kUsage), kExitFine;
    if (wcscmp(verb, L"write") == 0)
        return RunWrite(argc - 2, argv + 2);
    if (wcscmp(verb, L"show") == 0)
        return RunShow(argc - 2, argv + 2);
    if (wcscmp(verb, L"plan") == 0)
        return RunPlan(argc - 2, argv + 2);
    if (wcscmp(verb, L"register") == 0)
        return RunRegister(argc - 2, argv + 2);
    return UsageError(L"", std::wstring(L"unknown verb ") + verb +
                               L" (the manifest file now follows the verb: vxmkman write OUT.dat "
                               L"...)\n" +
                               kUsage);
}
