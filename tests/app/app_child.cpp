// The second process of the application tests.
//   exit-app FILE   starts two timers on the shared thread object and calls
//                   ExitApp; a global object's destructor then writes to FILE
//                   whether the timers had been stopped
#include "app/vxapp.h"
#include "support/vxthread.h"

#include <cstdio>
#include <cwchar>

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

} // namespace

int wmain(int argc, wchar_t** argv) {
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
