// Times the engine's full run over a large tree against "rd /s /q" and a bare
// walk without messages, and a whole silent uninstall against the same, and
// shows that the engine's memory does not grow with the number of files.
// Everything it creates lies under C:\vxbench\.
#include "support/vxhandle.h"
#include "tests/support/msgwindow.h"
#include "tools/manifest/manifest_writer.h"
#include "uninstall/uninstaller.h"

#include <windows.h>
#include <psapi.h>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

const wchar_t kRoot[] = L"C:\\vxbench\\";
const wchar_t kTree[] = L"C:\\vxbench\\tree\\";
const wchar_t kManDir[] = L"C:\\vxbench\\man\\";
const int kTop = 20, kSub = 10; // 200 leaf folders, two levels

double Now() {
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

bool Exists(const std::wstring& p) {
    return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES;
}
bool IsDots(const wchar_t* n) {
    return n[0] == L'.' && (!n[1] || (n[1] == L'.' && !n[2]));
}
bool IsDir(const WIN32_FIND_DATAW& fd) {
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The bare walk uses the engine's find flags, so a difference in time is
// what the engine adds (its messages), not a faster enumeration.
vx::unique_hfind FindAll(const std::wstring& dir, WIN32_FIND_DATAW& fd) {
    return vx::unique_hfind(FindFirstFileExW((dir + L"*").c_str(), FindExInfoBasic, &fd,
                                             FindExSearchNameMatch, nullptr,
                                             FIND_FIRST_EX_LARGE_FETCH));
}

int BareCount(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    vx::unique_hfind find = FindAll(dir, fd);
    int n = 0;
    if (find) {
        do {
            if (!IsDir(fd))
                ++n;
            else if (!IsDots(fd.cFileName))
                n += BareCount(dir + fd.cFileName + L"\\");
        } while (FindNextFileW(find.get(), &fd));
    }
    return n;
}

void BareDelete(const std::wstring& dir) {
    // Never anything outside the benchmark's own folder.
    if (_wcsnicmp(dir.c_str(), kRoot, wcslen(kRoot)) != 0 || dir.find(L"..") != std::wstring::npos)
        return;
    WIN32_FIND_DATAW fd;
    vx::unique_hfind find = FindAll(dir, fd);
    if (find) {
        do {
            std::wstring full = dir + fd.cFileName;
            if (!IsDir(fd))
                DeleteFileW(full.c_str());
            else if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                RemoveDirectoryW(full.c_str());
            else if (!IsDots(fd.cFileName))
                BareDelete(full + L"\\");
        } while (FindNextFileW(find.get(), &fd));
    }
    find.reset(); // the folder cannot go while it is open
    RemoveDirectoryW(dir.c_str());
}

// kTop x kSub leaf folders holding perDir small files each.
bool MakeTree(int perDir) {
    static const char kBytes[] = "vxbench small file contents\r\n";
    BareDelete(kTree); // a failed step may have left one
    CreateDirectoryW(kRoot, nullptr);
    bool ok = CreateDirectoryW(kTree, nullptr);
    wchar_t path[MAX_PATH];
    for (int t = 0; ok && t < kTop; ++t) {
        for (int s = 0; ok && s < kSub; ++s) {
            _snwprintf(path, MAX_PATH, L"%lsd%02d", kTree, t);
            ok = (s > 0 || CreateDirectoryW(path, nullptr));
            _snwprintf(path, MAX_PATH, L"%lsd%02d\\s%02d", kTree, t, s);
            ok = ok && CreateDirectoryW(path, nullptr);
            for (int f = 0; ok && f < perDir; ++f) {
                _snwprintf(path, MAX_PATH, L"%lsd%02d\\s%02d\\file%04d.txt", kTree, t, s, f);
                vx::unique_hfile h(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
                DWORD written = 0;
                ok = h && WriteFile(h.get(), kBytes, sizeof(kBytes) - 1, &written, nullptr);
            }
        }
    }
    if (!ok)
        wprintf(L"  could not build the tree (error %lu)\n", GetLastError());
    return ok;
}

// The progress messages a window on its own thread gets: the engine's
// SendMessage from the main thread crosses threads and waits for each reply,
// as with the real UI.
std::atomic<int> g_msgs{0}, g_sent{0}, g_last{-1};

bool CountProgress(UINT msg, WPARAM wp, LPARAM) {
    if (msg != WM_UNINSTALL_PROGRESS)
        return false;
    g_msgs++;
    g_sent += InSendMessage() ? 1 : 0;
    g_last = static_cast<int>(wp);
    return true;
}

// Private bytes. Wine leaves PrivateUsage at 0 but fills PagefileUsage
// (which Windows gives the same value) from the anonymous resident memory.
SIZE_T PrivateBytes(const PROCESS_MEMORY_COUNTERS_EX& pmc) {
    return pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
}

// Samples private bytes and working set every 5 ms until stopped. The base
// is the sampler thread's own first sample: creating a thread under Wine
// costs about 1 MiB, which is not the engine's.
struct MemSampler {
    std::atomic<bool> stop{false};
    SIZE_T basePriv = 0, baseWs = 0, peakPriv = 0, peakWs = 0;
    vx::unique_handle ready, thread;

    static void Sample(SIZE_T& priv, SIZE_T& ws) {
        PROCESS_MEMORY_COUNTERS_EX pmc = {};
        GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc),
                             sizeof(pmc));
        priv = PrivateBytes(pmc), ws = pmc.WorkingSetSize;
    }
    static DWORD WINAPI Proc(void* p) {
        auto* self = static_cast<MemSampler*>(p);
        Sample(self->basePriv, self->baseWs);
        self->peakPriv = self->basePriv, self->peakWs = self->baseWs;
        SetEvent(self->ready.get());
        for (; !self->stop.load(); Sleep(5)) {
            SIZE_T priv, ws;
            Sample(priv, ws);
            self->peakPriv = priv > self->peakPriv ? priv : self->peakPriv;
            self->peakWs = ws > self->peakWs ? ws : self->peakWs;
        }
        return 0;
    }
    bool Start() {
        ready.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        thread.reset(CreateThread(nullptr, 0, Proc, this, 0, nullptr));
        return ready && thread && WaitForSingleObject(ready.get(), 10000) == WAIT_OBJECT_0;
    }
    void Stop() {
        stop = true;
        if (thread)
            WaitForSingleObject(thread.get(), INFINITE);
    }
};

struct EngineResult {
    double seconds = -1;
    int messages = 0;
    SIZE_T basePriv = 0, privDelta = 0, baseWs = 0, wsDelta = 0;
};

// (a): the engine in entry-list mode with the tree root as its one directory.
bool RunEngine(int files, EngineResult& r) {
    CreateDirectoryW(kManDir, nullptr);
    g_msgs = 0, g_sent = 0, g_last = -1;
    vxtest::MessageWindow wnd(CountProgress, vxtest::MessageWindow::kOwnThread);
    if (!WriteManifest(std::wstring(kManDir) + VX_MANIFEST_NAME,
                       BuildManifest(MakeManifestHeader(L"", L"VxBench", L"", L""),
                                     {MakeManifestItem(0, kTree)}, {})) ||
        !wnd.hwnd())
        return false;
    CVxUninstaller engine;
    engine.SetOwnDir(kManDir);
    MemSampler mem;
    if (!mem.Start())
        return false;
    double t0 = Now();
    engine.StartUninstall(wnd.hwnd(), 0);
    r.seconds = Now() - t0;
    mem.Stop();
    r.messages = g_msgs;
    r.basePriv = mem.basePriv, r.privDelta = mem.peakPriv - mem.basePriv;
    r.baseWs = mem.baseWs, r.wsDelta = mem.peakWs - mem.baseWs;
    // One message for each whole percentage the walk passes.
    int expected = files >= 100 ? 100 : files;
    bool ok = !Exists(kTree) && engine.GetTotal() == files && g_msgs == expected &&
              g_sent == expected && g_last == 100;
    if (!ok)
        wprintf(L"  engine check failed: tree %ls, total %d, messages %d (sent %d), last %d\n",
                Exists(kTree) ? L"left" : L"gone", engine.GetTotal(), g_msgs.load(), g_sent.load(),
                g_last.load());
    return ok;
}

// Starts a command line as a child in the benchmark's folder.
bool StartChild(std::wstring cmd, PROCESS_INFORMATION& pi) {
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    pi = {};
    return CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, kRoot, &si, &pi) !=
           FALSE;
}

// Runs a command line as a child and waits; its wall time, or -1.
double RunChild(const std::wstring& cmd) {
    PROCESS_INFORMATION pi;
    double t0 = Now();
    if (!StartChild(cmd, pi))
        return -1;
    vx::unique_handle process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    return Now() - t0;
}

struct SilentResult {
    double seconds = -1;
    // The uninstaller's peak working set and peak private bytes.
    SIZE_T peakWs = 0, peakPrivate = 0;
};

// (d): the built uninstaller run with /S as the install's own, in directory
// mode, from its start until the self-removal script has taken the folder.
SilentResult RunSilent(const std::wstring& uninstaller) {
    SilentResult r;
    const std::wstring exe = std::wstring(kTree) + L"vxUninstall.exe";
    if (!CopyFileW(uninstaller.c_str(), exe.c_str(), FALSE) ||
        !WriteManifest(std::wstring(kTree) + VX_MANIFEST_NAME,
                       BuildManifest(MakeManifestHeader(L"", L"VxBench", L"", kTree), {}, {})))
        return r;
    PROCESS_INFORMATION pi;
    double t0 = Now();
    if (!StartChild(L"\"" + exe + L"\" /S", pi))
        return r;
    vx::unique_handle process(pi.hProcess), thread(pi.hThread);
    thread.reset();
    while (Exists(kTree) && Now() - t0 < 300) {
        // The peaks are read while the process lives; its handle goes as
        // soon as it has ended: under Wine a handle to an ended process
        // keeps its exe from being deleted, which the script waits for.
        PROCESS_MEMORY_COUNTERS_EX pmc = {};
        if (process &&
            GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc),
                                 sizeof(pmc))) {
            r.peakWs = std::max(r.peakWs, pmc.PeakWorkingSetSize);
            r.peakPrivate =
                std::max(r.peakPrivate, std::max(pmc.PeakPagefileUsage, PrivateBytes(pmc)));
        }
        if (process && WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0)
            process.reset();
        Sleep(5);
    }
    if (!Exists(kTree))
        r.seconds = Now() - t0;
    return r;
}

// n cross-thread SendMessage round-trips alone, no file work: the engine's
// per-file message cost.
double TimeMessages(int n) {
    vxtest::MessageWindow wnd(CountProgress, vxtest::MessageWindow::kOwnThread);
    if (!wnd.hwnd())
        return -1;
    double t0 = Now();
    for (int i = 0; i < n; ++i)
        SendMessageW(wnd.hwnd(), WM_UNINSTALL_PROGRESS, static_cast<WPARAM>(i * 100 / n), 0);
    return Now() - t0;
}

bool Check(bool ok, const wchar_t* what) {
    if (!ok)
        wprintf(L"  check failed: %ls\n", what);
    return ok;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int asked = argc > 1 ? _wtoi(argv[1]) : 20000;
    int perDir = asked >= kTop * kSub ? asked / (kTop * kSub) : 1;
    int smallPerDir = perDir >= 10 ? perDir / 10 : 1;
    int files = perDir * kTop * kSub, smallFiles = smallPerDir * kTop * kSub;
    BareDelete(kRoot); // leftovers of an earlier run
    wprintf(L"vxbench: %d files in %d folders (%d x %d, %d files each)\n", files, kTop * kSub, kTop,
            kSub, perDir);

    // An unreported small run first, so one-time costs (code paged in, the
    // window class, heap set-up) land in neither measured run.
    EngineResult warm, a, small;
    bool ok = MakeTree(smallPerDir) && RunEngine(smallFiles, warm);
    ok = MakeTree(perDir) && RunEngine(files, a) && ok;

    wchar_t sys[MAX_PATH];
    UINT n = GetSystemDirectoryW(sys, MAX_PATH);
    std::wstring cmdExe = L"\"" + std::wstring(sys, n < MAX_PATH ? n : 0) + L"\\cmd.exe\"";
    double b = MakeTree(perDir) ? RunChild(cmdExe + L" /c rd /s /q \"C:\\vxbench\\tree\"") : -1;
    ok = Check(b >= 0 && !Exists(kTree), L"rd /s /q left the tree") && ok;
    double cmdAlone = RunChild(cmdExe + L" /c exit");

    double c = -1, cCount = -1;
    if (MakeTree(perDir)) {
        double t0 = Now();
        int counted = BareCount(kTree);
        cCount = Now() - t0;
        BareDelete(kTree);
        c = Now() - t0;
        ok = Check(counted == files && !Exists(kTree), L"bare walk count or delete") && ok;
    } else {
        ok = false;
    }
    // The built uninstaller, where bench/run.sh put it for this run.
    SilentResult silent;
    if (argc > 2 && MakeTree(perDir))
        silent = RunSilent(argv[2]);
    const double d = silent.seconds;
    ok = Check(d > 0, L"the silent run left the install folder") && ok;
    double msgs = TimeMessages(files);
    ok = MakeTree(smallPerDir) && RunEngine(smallFiles, small) && ok;
    BareDelete(kRoot);

    wprintf(L"(a) engine StartUninstall(hwnd, 0): %8.3f s  (%d files, %d messages, last 100)\n",
            a.seconds, files, a.messages);
    wprintf(L"(b) cmd /c rd /s /q:                %8.3f s  (cmd /c exit alone: %.3f s)\n", b,
            cmdAlone);
    wprintf(L"(c) bare count + delete walk:       %8.3f s  (count %.3f s, delete %.3f s)\n", c,
            cCount, c - cCount);
    wprintf(L"    %d cross-thread SendMessage alone: %.3f s (%.1f us each)\n", files, msgs,
            msgs * 1e6 / files);
    wprintf(L"(d) vxUninstall.exe /S, directory mode: %5.3f s  (start to install folder gone)\n",
            d);
    wprintf(L"    its peak memory: working set %zu KiB, private bytes %zu KiB\n",
            silent.peakWs / 1024, silent.peakPrivate / 1024);
    double ab = b > 0 ? a.seconds / b : 0, ac = c > 0 ? a.seconds / c : 0;
    double db = b > 0 ? d / b : 0;
    wprintf(L"d/b = %.3f  (target <= 0.25)  %ls\n", db, d > 0 && db <= 0.25 ? L"PASS" : L"MISS");
    wprintf(L"a/b = %.3f  (target <= 0.35)  %ls\n", ab, ab <= 0.35 ? L"PASS" : L"MISS");
    wprintf(L"a/c = %.3f  (target <= 3.00)  %ls\n", ac, ac <= 3.0 ? L"PASS" : L"MISS");
    wprintf(
        L"engine memory during (a), KiB:  files  private base  +peak   working set base  +peak\n");
    for (const EngineResult* r : {&a, &small})
        wprintf(L"                               %6d  %12zu  +%-6zu  %16zu  +%-6zu\n",
                r == &a ? files : smallFiles, r->basePriv / 1024, r->privDelta / 1024,
                r->baseWs / 1024, r->wsDelta / 1024);
    wprintf(L"%ls\n", ok ? L"all checks passed" : L"A CHECK FAILED");
    return ok ? 0 : 1;
}
