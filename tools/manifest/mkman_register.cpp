// vxmkman register: the values a product's installer writes under the
// Windows Uninstall key so that the uninstaller in a folder is listed and
// can be run unattended.
#include "tools/manifest/json_writer.h"
#include "tools/manifest/mkman_text.h"
#include "tools/manifest/mkman_verbs.h"
#include "uninstall/decide.h"
#include "uninstall/manifest.h"

#include <windows.h>
#include <cwchar>

namespace {

const wchar_t kUsage[] =
    L"usage: vxmkman register FOLDER [--json] [--out FILE.reg]\n"
    L"The Uninstall entry a product's installer writes for the uninstaller in FOLDER, from\n"
    L"FOLDER\\vxUninstall.dat: UninstallString, QuietUninstallString (with /S), DisplayName\n"
    L"and InstallLocation, under HKEY_LOCAL_MACHINE in the registry view of the\n"
    L"uninstaller's build (a 32-bit one on 64-bit Windows: under WOW6432Node). Printed as\n"
    L".reg text, or --json; --out writes the .reg file as regedit does (UTF-16).\n"
    L"Exit codes: 0 fine, 1 the manifest is damaged or names no usable key, 2 bad usage.\n";

struct Entry {
    std::wstring key;
    int bits;
    std::wstring values[4][2];
};

bool isWindows64() {
    if (sizeof(void*) == 8)
        return true;
    BOOL wow = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow) && wow;
}

std::wstring RegQuoted(const std::wstring& s) {
    std::wstring out = L"\"";
    for (wchar_t c : s) {
        if (c == L'\\' || c == L'"')
            out += L'\\';
        out += c;
    }
    return out + L"\"";
}

std::wstring RegText(const Entry& e) {
    std::wstring text =
        L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\" + e.key + L"]\r\n";
    for (const auto& v : e.values)
        text += RegQuoted(v[0]) + L"=" + RegQuoted(v[1]) + L"\r\n";
    return text;
}

bool WriteUtf16(const std::wstring& path, const std::wstring& text) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return false;
    const wchar_t bom = 0xFEFF;
    bool ok = fwrite(&bom, sizeof(bom), 1, f) == 1 &&
              fwrite(text.data(), sizeof(wchar_t), text.size(), f) == text.size();
    return fclose(f) == 0 && ok;
}

} // namespace

int RunRegister(int argc, wchar_t** argv) {
    bool json = false;
    std::wstring folder, out;
    for (int i = 0; i < argc; ++i) {
        if (isHelpArg(argv[i]))
            return Print(stdout, kUsage), kExitFine;
        if (wcscmp(argv[i], L"--json") == 0)
            json = true;
        else if (wcscmp(argv[i], L"--out") == 0 && i + 1 < argc)
            out = argv[++i];
        else if (folder.empty() && argv[i][0] != L'-')
            folder = argv[i];
        else
            return UsageError(L"register", std::wstring(L"unexpected argument ") + argv[i]);
    }
    wchar_t full[MAX_PATH];
    DWORD n = folder.empty() ? 0 : GetFullPathNameW(folder.c_str(), MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH)
        return UsageError(L"register", L"give the install folder\n" + std::wstring(kUsage));
    std::wstring dir = full;
    while (dir.size() > 3 && dir.back() == L'\\')
        dir.pop_back();
    const std::wstring manifest = dir + L"\\" VX_MANIFEST_NAME, exe = dir + L"\\vxUninstall.exe";

    tagUninstallHeader header;
    std::vector<tagUninstallItem> entries, shortcuts;
    std::wstring damage;
    if (!ReadManifestFile(manifest.c_str(), header, entries, shortcuts, &damage))
        return UsageError(L"register", L"cannot read " + manifest);
    const wchar_t* key = FieldText(header.szUninstallKey);
    if (!damage.empty() || !isOneName(key)) {
        Print(stderr, L"vxmkman register: " + manifest +
                          (damage.empty() ? L" names no usable Uninstall key" : L": " + damage) +
                          L"\n");
        return kExitRefused;
    }
    Entry e;
    e.bits = ProgramBits(exe);
    if (!e.bits)
        e.bits = static_cast<int>(sizeof(void*) * 8);
    e.key = std::wstring(e.bits == 32 && isWindows64() ? L"SOFTWARE\\WOW6432Node" : L"SOFTWARE") +
            L"\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + key;
    const std::wstring quotedExe = L"\"" + exe + L"\"";
    e.values[0][0] = L"DisplayName";
    e.values[0][1] = FieldString(header.szProductName);
    e.values[1][0] = L"UninstallString";
    e.values[1][1] = quotedExe;
    e.values[2][0] = L"QuietUninstallString";
    e.values[2][1] = quotedExe + L" /S";
    e.values[3][0] = L"InstallLocation";
    e.values[3][1] = dir;

    if (!out.empty() && !WriteUtf16(out, RegText(e)))
        return UsageError(L"register", L"cannot write " + out);
    if (json) {
        CJsonWriter j;
        j.BeginObject().Key("key").String(L"HKEY_LOCAL_MACHINE\\" + e.key);
        j.Key("view").String(e.bits == 32 ? L"32-bit" : L"64-bit");
        j.Key("values").BeginObject();
        for (const auto& v : e.values) {
            const std::string name(v[0].begin(), v[0].end());
            j.Key(name.c_str()).String(v[1]);
        }
        j.EndObject().EndObject();
        const std::string text = j.Text();
        fwrite(text.data(), 1, text.size(), stdout);
    } else if (out.empty()) {
        Print(stdout, RegText(e));
    }
    return kExitFine;
}
