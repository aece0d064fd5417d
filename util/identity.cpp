// The per-user machine identifier the vendor's reports carry.
#include "util/vxutil.h"

#include "support/vxhandle.h"
#include "support/vxreg.h"
#include "support/vxtext.h"

#include <cstdlib>
#include <cwchar>

namespace {

const wchar_t kUidKey[] = L"SOFTWARE\\Tarnvel";
const wchar_t kUidValue[] = L"UID";
const size_t kStoredUidChars = 20;

// The identifier stored for this user, if it is text of exactly 20 characters.
bool ReadStoredUid(HKEY key, wchar_t* out) {
    wchar_t stored[31] = {};
    DWORD type = 0, cb = 30 * sizeof(wchar_t);
    if (RegQueryValueExW(key, kUidValue, nullptr, &type, reinterpret_cast<BYTE*>(stored), &cb) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    if (wcslen(stored) != kStoredUidChars)
        return false;
    vx::CopyBounded(out, stored, kStoredUidChars);
    return true;
}

} // namespace

void CreateUID(wchar_t* out, int persist) {
    if (!out)
        return;
    srand(GetTickCount());
    int first = rand(), second = rand();
    wchar_t uid[kUidChars + 8] = {};
    _snwprintf(uid, kUidChars, L"VX%08d%05d%05d", static_cast<int>(GetTickCount()), second, first);

    if (persist) {
        vx::unique_hkey key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kUidKey, 0, KEY_ALL_ACCESS, key.put()) !=
            ERROR_SUCCESS) {
            if (RegCreateKeyExW(HKEY_CURRENT_USER, kUidKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_READ | KEY_WRITE, nullptr, key.put(), nullptr) == ERROR_SUCCESS)
                CVxReg::Instance().SetRegInfo(HKEY_CURRENT_USER, kUidKey, kUidValue, 0, uid);
        } else if (!ReadStoredUid(key.get(), uid)) {
            CVxReg::Instance().SetRegInfo(HKEY_CURRENT_USER, kUidKey, kUidValue, 0, uid);
        }
    }
    vx::CopyBounded(out, uid, kUidChars - 1);
}
