// Times programs from their start to their first frame on the screen:
//   vxfirstframe RUNS BARE UNINSTALLER...
// BARE is the bare layered-window program; each UNINSTALLER is a copy of
// vxUninstall.exe in a folder of its own, where a manifest is written.
// A frame counts once the program's 450 x 230 window is visible and every
// pixel of it that is on the screen shows what the program's settled window
// shows: each program is run once first to learn that picture. The runs go
// round the programs, each started with CreateProcess and closed with
// WM_CLOSE; each program's median and its ratio to the bare one's are
// printed against the target.
#include "support/vxhandle.h"
#include "tools/manifest/manifest_writer.h"

#include <windows.h>
#include <psapi.h>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

const int kWidth = 450, kHeight = 230;
const double kTarget = 1.3;

double Now() {
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

// A black window over the whole screen, below every other: whatever shows
// through a transparent pixel is the same wherever the window stands.
vx::unique_hwnd MakeBackdrop() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = L"VxFirstFrameBackdrop";
    RegisterClassW(&wc);
    vx::unique_hwnd wnd(CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName, L"",
                                        WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                        GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                        wc.hInstance, nullptr));
    ShowWindow(wnd.get(), SW_SHOWNOACTIVATE);
    SetWindowPos(wnd.get(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Pump();
    return wnd;
}

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindCard(HWND wnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    RECT rc;
    if (pid == s->pid && IsWindowVisible(wnd) && GetWindowRect(wnd, &rc) &&
        rc.right - rc.left == kWidth && rc.bottom - rc.top == kHeight) {
        s->found = wnd;
        return FALSE;
    }
    return TRUE;
}

// The process's visible 450 x 230 window, or null.
HWND FindCardOf(DWORD pid) {
    Search s = {pid, nullptr};
    EnumWindows(FindCard, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// The screen's pixels under a window, window-relative; outside the screen
// they stay 0. Fails when the window moved meanwhile.
class Grabber {
public:
    Grabber() : m_screen(nullptr) {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = kWidth;
        bi.bmiHeader.biHeight = -kHeight;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        m_bitmap.reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        m_pixels = static_cast<uint32_t*>(bits);
        m_dc.reset(CreateCompatibleDC(nullptr));
        m_select.emplace(m_dc.get(), m_bitmap.get());
    }
    // On success, shown is the part of the window on the screen.
    bool Grab(HWND wnd, RECT& shown) {
        RECT before, after;
        if (!m_pixels || !GetWindowRect(wnd, &before))
            return false;
        const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        if (!IntersectRect(&shown, &before, &screen))
            return false;
        std::fill(m_pixels, m_pixels + kWidth * kHeight, 0u);
        BitBlt(m_dc.get(), shown.left - before.left, shown.top - before.top,
               shown.right - shown.left, shown.bottom - shown.top, m_screen.get(), shown.left,
               shown.top, SRCCOPY | CAPTUREBLT);
        GdiFlush();
        OffsetRect(&shown, -before.left, -before.top);
        return GetWindowRect(wnd, &after) && EqualRect(&before, &after);
    }
    const uint32_t* pixels() const { return m_pixels; }

private:
    vx::unique_window_dc m_screen;
    vx::unique_hbitmap m_bitmap;
    vx::unique_hdc m_dc;
    std::optional<vx::select_object> m_select;
    uint32_t* m_pixels = nullptr;
};

bool Near(uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > 8 || d < -8)
            return false;
    }
    return true;
}

// Whether the part of the window on the screen (at least a quarter of its
// width) shows the settled picture.
bool ShowsFrame(Grabber& grab, HWND wnd, const std::vector<uint32_t>& settled) {
    RECT shown;
    if (!grab.Grab(wnd, shown) || shown.right - shown.left < kWidth / 4)
        return false;
    for (int y = shown.top; y < shown.bottom; ++y)
        for (int x = shown.left; x < shown.right; ++x)
            if (!Near(grab.pixels()[y * kWidth + x], settled[y * kWidth + x]))
                return false;
    return true;
}

struct Child {
    vx::unique_handle process;
    DWORD pid = 0;
    HWND wnd = nullptr;

    bool Start(const std::wstring& exe) {
        std::wstring cmd = L"\"" + exe + L"\"";
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                            &pi))
            return false;
        process.reset(pi.hProcess);
        vx::unique_handle thread(pi.hThread);
        pid = pi.dwProcessId;
        return true;
    }
    // Closes the window and waits for the process to end.
    void End() {
        if (wnd)
            PostMessageW(wnd, WM_CLOSE, 0, 0);
        for (int i = 0; i < 1500 && WaitForSingleObject(process.get(), 10) == WAIT_TIMEOUT; ++i)
            Pump();
        if (WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(process.get(), 1);
            WaitForSingleObject(process.get(), 5000);
        }
    }
};

// Runs the program once until its window has stood still for 600 ms, a
// second after it showed, and keeps the picture it shows then.
bool LearnFrame(const std::wstring& exe, std::vector<uint32_t>& settled) {
    Child child;
    if (!child.Start(exe))
        return false;
    Grabber grab;
    const double t0 = Now();
    double shownAt = 0, stillSince = 0;
    RECT last = {};
    bool ok = false;
    while (!ok && Now() - t0 < 30) {
        Pump();
        Sleep(20);
        if (!child.wnd && (child.wnd = FindCardOf(child.pid)) != nullptr)
            shownAt = Now();
        RECT rc;
        if (!child.wnd || !GetWindowRect(child.wnd, &rc))
            continue;
        if (!EqualRect(&rc, &last))
            last = rc, stillSince = Now();
        RECT shown;
        ok = Now() - shownAt > 1 && Now() - stillSince > 0.6 && grab.Grab(child.wnd, shown) &&
             shown.right - shown.left == kWidth && shown.bottom - shown.top == kHeight;
    }
    if (ok)
        settled.assign(grab.pixels(), grab.pixels() + kWidth * kHeight);
    child.End();
    return ok;
}

// Seconds from the start to the first frame, or -1; modules is how many
// the process had loaded by then.
double TimeFirstFrame(const std::wstring& exe, const std::vector<uint32_t>& settled, int& modules) {
    Grabber grab;
    Child child;
    const double t0 = Now();
    if (!child.Start(exe))
        return -1;
    double elapsed = -1;
    while (elapsed < 0 && Now() - t0 < 30) {
        if (!child.wnd)
            child.wnd = FindCardOf(child.pid);
        if (child.wnd && ShowsFrame(grab, child.wnd, settled))
            elapsed = Now() - t0;
        else
            Sleep(1);
    }
    HMODULE mods[512];
    DWORD bytes = 0;
    modules = EnumProcessModules(child.process.get(), mods, sizeof(mods), &bytes)
                  ? static_cast<int>(bytes / sizeof(HMODULE))
                  : 0;
    child.End();
    return elapsed;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? -1 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        fwprintf(stderr, L"usage: vxfirstframe RUNS BARE UNINSTALLER...\n");
        return 2;
    }
    const int runs = _wtoi(argv[1]) > 0 ? _wtoi(argv[1]) : 10;
    const std::vector<std::wstring> exes(argv + 2, argv + argc);
    const size_t n = exes.size();

    // Each uninstaller asks about the product its manifest names.
    for (size_t i = 1; i < n; ++i) {
        const std::wstring dir = exes[i].substr(0, exes[i].find_last_of(L'\\') + 1);
        if (!WriteManifest(
                dir + VX_MANIFEST_NAME,
                BuildManifest(MakeManifestHeader(L"VxFirstFrame", L"Kelp Demo", L"", L""),
                              {MakeManifestItem(0, dir + L"nothing\\")}, {}))) {
            wprintf(L"could not write the manifest beside %ls\n", exes[i].c_str());
            return 1;
        }
    }
    vx::unique_hwnd backdrop = MakeBackdrop();
    // The pointer stays off the window, whose buttons would light up under it.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);

    std::vector<std::vector<uint32_t>> settled(n);
    for (size_t i = 0; i < n; ++i)
        if (!LearnFrame(exes[i], settled[i])) {
            wprintf(L"%ls: its window never settled on the screen\n", exes[i].c_str());
            return 1;
        }
    // Each round starts with another program, so none always follows the same one.
    std::vector<std::vector<double>> times(n);
    std::vector<int> modules(n);
    for (int run = 0; run < runs; ++run) {
        for (size_t k = 0; k < n; ++k) {
            const size_t i = (run + k) % n;
            const double t = TimeFirstFrame(exes[i], settled[i], modules[i]);
            if (t < 0) {
                wprintf(L"%ls: no first frame within 30 s\n", exes[i].c_str());
                return 1;
            }
            times[i].push_back(t);
        }
    }
    const double bare = Median(times[0]);
    for (size_t i = 0; i < n; ++i) {
        wprintf(L"%ls\n  first frame, ms:", exes[i].c_str());
        for (double t : times[i])
            wprintf(L" %.0f", t * 1000);
        const double ratio = Median(times[i]) / bare;
        wprintf(L"\n  median %.0f ms, %d modules loaded by then", Median(times[i]) * 1000,
                modules[i]);
        if (i > 0) {
            wprintf(L", ratio to the bare window %.2f (target <= %.2f) %ls", ratio, kTarget,
                    ratio <= kTarget ? L"PASS" : L"MISS");
        }
        wprintf(L"\n");
    }
    return 0;
}
