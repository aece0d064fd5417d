// One instance per name: a named mutex says whether one runs, and its
// window (titled with the same name) is brought forward and told why.
#include "util/vxutil.h"

#include "support/vxhandle.h"
#include "support/vxthread.h"

#include <cwchar>
#include <mutex>
#include <vector>

namespace {

// The first instance keeps its mutexes until the process ends: that is what
// tells later instances it runs.
void KeepForProcessLife(vx::unique_handle mutex) {
    static CVxMutex guard;
    static std::vector<vx::unique_handle> kept;
    std::lock_guard<CVxMutex> lock(guard);
    kept.push_back(std::move(mutex));
}

} // namespace

int CheckOneInstance(const wchar_t* name, const wchar_t* text) {
    // Without a name there is nothing to share with another instance.
    if (!name || !*name)
        return 1;
    vx::unique_handle mutex(CreateMutexW(nullptr, FALSE, name));
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        if (mutex)
            KeepForProcessLife(std::move(mutex));
        return 1;
    }
    mutex.reset();

    HWND other = FindWindowW(nullptr, name);
    if (!other)
        return 1;
    ShowWindow(other, IsIconic(other) ? SW_RESTORE : SW_SHOWNORMAL);
    SetForegroundWindow(other);
    if (text && wcslen(text) > 1) {
        COPYDATASTRUCT cds = {};
        cds.dwData = 0;
        cds.cbData = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
        cds.lpData = const_cast<wchar_t*>(text);
        // A hung first instance must not hang this one as well.
        DWORD_PTR result = 0;
        SendMessageTimeoutW(other, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_ABORTIFHUNG,
                            10000, &result);
    }
    return 0;
}
