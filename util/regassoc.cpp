// File associations, URL protocols and the list of installed programs.
#include "util/vxutil.h"

#include "support/vxhandle.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

namespace {

const wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// A registry value can be up to a megabyte; no program's name is that long.
const DWORD kMaxDisplayBytes = 64 * 1024;

vx::unique_hkey CreateKey(HKEY root, const std::wstring& sub) {
    vx::unique_hkey key;
    if (RegCreateKeyExW(root, sub.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS)
        key.reset();
    return key;
}

void SetText(HKEY key, const wchar_t* name, const std::wstring& value) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// The default value of root\sub, when it is a string.
std::wstring DefaultText(HKEY root, const wchar_t* sub) {
    vx::unique_hkey key;
    if (RegOpenKeyExW(root, sub, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return L"";
    wchar_t buf[MAX_PATH] = {};
    DWORD type = 0, size = sizeof(buf) - sizeof(wchar_t);
    if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return L"";
    buf[size / sizeof(wchar_t)] = L'\0';
    return buf;
}

// Whether sub's "DisplayName" begins with name. It is read into 150
// characters and always terminated, whether or not the stored text was; a
// longer name is read whole, so its beginning still counts.
bool DisplayNameStarts(HKEY uninstall, const wchar_t* sub, REGSAM view, const wchar_t* name,
                       size_t nameLen) {
    vx::unique_hkey key;
    if (RegOpenKeyExW(uninstall, sub, 0, KEY_READ | view, key.put()) != ERROR_SUCCESS)
        return false;
    const size_t kChars = 150;
    std::vector<wchar_t> display(kChars + 1, L'\0');
    DWORD type = 0, size = static_cast<DWORD>(kChars * sizeof(wchar_t));
    LONG r = RegQueryValueExW(key.get(), L"DisplayName", nullptr, &type,
                              reinterpret_cast<BYTE*>(display.data()), &size);
    if (r == ERROR_MORE_DATA && size <= kMaxDisplayBytes) {
        display.assign(size / sizeof(wchar_t) + 1, L'\0');
        r = RegQueryValueExW(key.get(), L"DisplayName", nullptr, &type,
                             reinterpret_cast<BYTE*>(display.data()), &size);
    }
    // A number or binary data is no name.
    if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    display[std::min<size_t>(size / sizeof(wchar_t), display.size() - 1)] = L'\0';
    return wcsncmp(display.data(), name, nameLen) == 0;
}

bool SearchUninstall(HKEY root, REGSAM view, const wchar_t* name, size_t nameLen) {
    vx::unique_hkey key;
    // Reading is all the search needs: read access is enough when all
    // access is refused.
    if (RegOpenKeyExW(root, kUninstallKey, 0, KEY_ALL_ACCESS | view, key.put()) != ERROR_SUCCESS &&
        RegOpenKeyExW(root, kUninstallKey, 0, KEY_READ | view, key.put()) != ERROR_SUCCESS)
        return false;
    wchar_t sub[256]; // the longest key name is 255 characters
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(std::size(sub));
        LONG r = RegEnumKeyExW(key.get(), i, sub, &len, nullptr, nullptr, nullptr, nullptr);
        if (r != ERROR_SUCCESS && r != ERROR_MORE_DATA)
            return false;
        if (r == ERROR_SUCCESS && DisplayNameStarts(key.get(), sub, view, name, nameLen))
            return true;
    }
}

} // namespace

void RegFileRelation(const wchar_t* ext, const wchar_t* program, const wchar_t* typeName,
                     const wchar_t* icon, const wchar_t* description) {
    if (!ext || !*ext || !program || !typeName || !*typeName)
        return;
    if (_wcsicmp(DefaultText(HKEY_CLASSES_ROOT, ext).c_str(), typeName) == 0)
        return;
    const std::wstring type = typeName;
    if (auto k = CreateKey(HKEY_CLASSES_ROOT, ext))
        SetText(k.get(), nullptr, type);
    if (auto k = CreateKey(HKEY_CLASSES_ROOT, type))
        SetText(k.get(), nullptr, description ? description : L"");
    if (auto k = CreateKey(HKEY_CLASSES_ROOT, type + L"\\DefaultIcon"))
        SetText(k.get(), nullptr, icon ? icon : L"");
    CreateKey(HKEY_CLASSES_ROOT, type + L"\\Shell");
    CreateKey(HKEY_CLASSES_ROOT, type + L"\\Shell\\Open");
    if (auto k = CreateKey(HKEY_CLASSES_ROOT, type + L"\\Shell\\Open\\Command"))
        SetText(k.get(), nullptr, L"\"" + std::wstring(program) + L"\" \"%1\"");
}

void RegProtocol(const wchar_t* scheme, const wchar_t* programFile) {
    if (!scheme || !*scheme || !programFile)
        return;
    wchar_t dir[MAX_PATH] = {};
    GetCurPath(dir);
    const std::wstring path = std::wstring(dir) + programFile;
    const std::wstring s = scheme;
    if (auto k = CreateKey(HKEY_CLASSES_ROOT, s)) {
        SetText(k.get(), nullptr, s + L"Protocol");
        SetText(k.get(), L"URL Protocol", path);
    }
    if (auto k = CreateKey(HKEY_CLASSES_ROOT, s + L"\\DefaultIcon"))
        SetText(k.get(), nullptr, path + L",0");
    if (auto k = CreateKey(HKEY_CLASSES_ROOT, s + L"\\shell\\open\\command"))
        SetText(k.get(), nullptr, path + L" \"%1\"");
}

int CheckInstalled(const wchar_t* name) {
    // Every name begins with the empty text: that asks nothing.
    if (!name || !*name)
        return 0;
    size_t len = wcslen(name);
    bool wow = isWow64() != 0;
    REGSAM view = wow ? KEY_WOW64_32KEY : 0;
    if (SearchUninstall(HKEY_LOCAL_MACHINE, view, name, len) ||
        SearchUninstall(HKEY_CURRENT_USER, view, name, len))
        return 1;
    if (wow && (SearchUninstall(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, name, len) ||
                SearchUninstall(HKEY_CURRENT_USER, KEY_WOW64_64KEY, name, len)))
        return 1;
    return 0;
}
