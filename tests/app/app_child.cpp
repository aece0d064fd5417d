// The second process of the application tests.
//   exit-app FILE   starts two timers on the shared thread object and calls
//                   ExitApp; a global object's destructor then writes to FILE
//                   whether the timers had been stopped
//   acc TITLE [NAME] prints the accessible tree of the visible window whose
//                   title starts with TITLE, one child a line (role, name,
//                   value, state in hex, default action), as UTF-8; with
//                   NAME, does the default action of the child so named
#include "support/vxhandle.h"
#include "support/vxthread.h"
#include "ui/vxapp.h"

#include <oleacc.h>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

const wchar_t* g_report = nullptr;

// Destroyed only by the runtime's normal exit, and before the shared thread
// object, which was made first.
struct ExitWitness {
    ~ExitWitness() {
        if (!g_report)
            return;
        if (FILE* f = _wfopen(g_report, L"wb")) {
            fputs(GetVxThread().isStopped() ? "stopped" : "running", f);
            fclose(f);
        }
    }
};

void __stdcall Tick(void*) {}

struct Found {
    const wchar_t* title;
    HWND wnd;
};

BOOL CALLBACK FindVisible(HWND w, LPARAM p) {
    auto* f = reinterpret_cast<Found*>(p);
    wchar_t text[256] = {};
    GetWindowTextW(w, text, 256);
    if (IsWindowVisible(w) && wcsncmp(text, f->title, wcslen(f->title)) == 0)
        f->wnd = w;
    return TRUE;
}

std::string Utf8(const wchar_t* w) {
    char out[1024] = {};
    WideCharToMultiByte(CP_UTF8, 0, w ? w : L"", -1, out, sizeof(out) - 1, nullptr, nullptr);
    return out;
}

std::string Text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), IAccessible* acc,
                 VARIANT id) {
    BSTR b = nullptr;
    std::string s = SUCCEEDED((acc->*get)(id, &b)) && b ? Utf8(b) : "-";
    SysFreeString(b);
    return s;
}

int ReadTree(const wchar_t* title, const wchar_t* press) {
    Found f = {title, nullptr};
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&f));
    CoInitialize(nullptr);
    IAccessible* acc = nullptr;
    if (!f.wnd ||
        FAILED(AccessibleObjectFromWindow(f.wnd, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&acc))))
        return 2;
    long count = 0, pressed = 0;
    acc->get_accChildCount(&count);
    for (long i = 1; i <= count; ++i) {
        VARIANT id = {};
        id.vt = VT_I4;
        id.lVal = i;
        VARIANT role = {}, state = {};
        acc->get_accRole(id, &role);
        acc->get_accState(id, &state);
        std::string name = Text(&IAccessible::get_accName, acc, id);
        printf("%ld|%s|%s|%lx|%s\n", role.lVal, name.c_str(),
               Text(&IAccessible::get_accValue, acc, id).c_str(), state.lVal,
               Text(&IAccessible::get_accDefaultAction, acc, id).c_str());
        if (press && name == Utf8(press))
            pressed = i;
    }
    fflush(stdout);
    VARIANT id = {};
    id.vt = VT_I4;
    id.lVal = pressed;
    if (pressed && FAILED(acc->accDoDefaultAction(id)))
        return 3;
    acc->Release();
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && wcscmp(argv[1], L"acc") == 0)
        return ReadTree(argv[2], argc > 3 ? argv[3] : nullptr);
    if (argc < 3 || wcscmp(argv[1], L"exit-app") != 0)
        return 100;
    g_report = argv[2];
    GetVxThread();
    static ExitWitness witness;
    GetVxThread().StartTimer(1, Tick, 10, nullptr);
    GetVxThread().StartTimer(2, Tick, 10, nullptr);
    Sleep(50);
    GetVxApp().ExitApp();
}
