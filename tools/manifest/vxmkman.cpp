// vxmkman: writes an uninstall manifest from the command line.
//   vxmkman OUT.dat [--key K] [--name N] [--group G] [--dir D]
//                   [--entry KIND PATH]... [--shortcut PATH]...
#include "tools/manifest/manifest_writer.h"

#include <cstdio>
#include <cwchar>
#include <cstdlib>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fwprintf(stderr, L"usage: vxmkman OUT.dat [--key K] [--name N] [--group G] [--dir D] "
                         L"[--entry KIND PATH]... [--shortcut PATH]...\n");
        return 2;
    }
    std::wstring key, name, group, dir;
    std::vector<tagUninstallItem> entries, shortcuts;
    for (int i = 2; i < argc; ++i) {
        std::wstring opt = argv[i];
        auto need = [&](int n) {
            if (i + n >= argc) {
                fwprintf(stderr, L"vxmkman: %ls needs %d value(s)\n", opt.c_str(), n);
                exit(2);
            }
        };
        if (opt == L"--key") {
            need(1);
            key = argv[++i];
        } else if (opt == L"--name") {
            need(1);
            name = argv[++i];
        } else if (opt == L"--group") {
            need(1);
            group = argv[++i];
        } else if (opt == L"--dir") {
            need(1);
            dir = argv[++i];
        } else if (opt == L"--entry") {
            need(2);
            int kind = _wtoi(argv[i + 1]);
            entries.push_back(MakeManifestItem(kind, argv[i + 2]));
            i += 2;
        } else if (opt == L"--shortcut") {
            need(1);
            shortcuts.push_back(MakeManifestItem(1, argv[++i]));
        } else {
            fwprintf(stderr, L"vxmkman: unknown option %ls\n", opt.c_str());
            return 2;
        }
    }
    if (!dir.empty() && !entries.empty()) {
        fwprintf(stderr, L"vxmkman: --entry and --dir exclude each other\n");
        return 2;
    }
    auto bytes = BuildManifest(MakeManifestHeader(key, name, group, dir), entries, shortcuts);
    if (!WriteManifest(argv[1], bytes)) {
        fwprintf(stderr, L"vxmkman: cannot write %ls\n", argv[1]);
        return 1;
    }
    return 0;
}
