// Shared helpers of the window toolkit tests: message pumping, screen
// reads, real X pointer input through xdotool, and the built program's
// pictures for the image lookups.
#pragma once

#include "gfx/vximage.h"
#include "support/vxhandle.h"
#include "tests/support/testutil.h"
#include "ui/vxapp.h"
#include "ui/vxdlg.h"

#include <windows.h>
#include <cstring>
#include <string>

namespace vxtest {

// Dispatches every waiting message, for at least ms milliseconds.
inline void Pump(DWORD ms = 0) {
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (ms)
            Sleep(5);
    } while (GetTickCount() - start < ms);
}

// Pumps until pred() holds or timeoutMs passes; the last value of pred().
template <typename P> bool PumpUntil(P pred, DWORD timeoutMs = 3000) {
    const DWORD start = GetTickCount();
    while (!pred()) {
        if (GetTickCount() - start > timeoutMs)
            return pred();
        Pump(10);
    }
    return true;
}

inline COLORREF ScreenAt(int x, int y) {
    vx::unique_window_dc screen(nullptr);
    return GetPixel(screen.get(), x, y);
}

// Starts xdotool with args (real X input) and returns at once: the file
// whose name it returns holds xdotool's exit code once it is done; empty
// when xdotool cannot be started (not under Wine).
inline std::wstring XDoStart(const std::wstring& args) {
    // Wine starts Unix programs given as \\?\unix paths but hands back no
    // process handle to wait on, hence the file under the scratch root.
    using UnixName = char*(CDECL*)(const wchar_t*);
    static const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    static ScratchDir dir(L"xdo");
    static int calls = 0;
    if (!unixName)
        return L"";
    const std::wstring done = dir / (L"done" + std::to_wstring(++calls));
    char* unixDone = unixName(done.c_str());
    if (!unixDone)
        return L"";
    std::wstring target(unixDone, unixDone + strlen(unixDone));
    HeapFree(GetProcessHeap(), 0, unixDone);
    std::wstring cmd = L"sh -c \"xdotool " + args + L"; echo $? > '" + target + L".tmp'; mv '" +
                       target + L".tmp' '" + target + L"'\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(L"\\\\?\\unix\\bin\\sh", &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi))
        return L"";
    // Without a process handle the thread "handle" is whatever was left in
    // the structure, and closing it could close one of ours.
    if (pi.hProcess) {
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    return done;
}

// Waits for a started xdotool, dispatching this thread's messages meanwhile
// and for a moment after, so the input has arrived; true when it succeeded.
inline bool XDoWait(const std::wstring& done) {
    if (done.empty() || !PumpUntil([&] { return FileExists(done); }, 10000))
        return false;
    const std::string code = ReadFileBytes(done);
    DeleteFileW(done.c_str());
    Pump(100);
    return code.substr(0, 1) == "0";
}

inline bool XDo(const std::wstring& args) {
    return XDoWait(XDoStart(args));
}

// Moves the real pointer to screen point (x, y).
inline bool PointerTo(int x, int y) {
    return XDo(L"mousemove " + std::to_wstring(x) + L" " + std::to_wstring(y));
}
// Presses at (x, y), moves the pointer by (dx, dy) with the button held
// down and releases it.
inline bool Drag(int x, int y, int dx, int dy) {
    // One xdotool run for the whole gesture: while the button is down this
    // thread may sit in the system's move loop until the release arrives.
    auto to = [](int px, int py) {
        return L" mousemove " + std::to_wstring(px) + L" " + std::to_wstring(py) + L" sleep 0.1";
    };
    return PointerTo(x, y) && XDo(L"mousedown 1 sleep 0.2" + to(x + dx / 2, y + dy / 2) +
                                  to(x + dx, y + dy) + L" mouseup 1");
}

// Makes the window the foreground window, as a user's click would.
inline void Activate(HWND wnd) {
    SetForegroundWindow(wnd);
    SetActiveWindow(wnd);
    Pump(50);
}

// Reads the toolkit's pictures from the built program for the rest of the
// test; the test program itself carries none.
class BuiltPictures {
public:
    BuiltPictures();
    ~BuiltPictures();
    bool ok() const { return static_cast<bool>(m_exe); }

private:
    vx::unique_hmodule m_exe;
};

inline BuiltPictures::BuiltPictures()
    : m_exe(LoadLibraryExW(BuiltUninstaller().c_str(), nullptr,
                           LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {
    CVxImage::Instance().SetInst(m_exe.get());
}

inline BuiltPictures::~BuiltPictures() {
    CVxImage::Instance().SetInst(nullptr);
}

// A dialog on a plain colour that counts its effect notifications.
class TestDlg : public CVxDlg {
public:
    TestDlg() {
        bgImageId = 0;
        bgColor = RGB(40, 90, 200);
    }
    ~TestDlg() override { CancelEffect(); }
    LRESULT WndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_EFFECT_DONE)
            ++effectsDone;
        return CVxDlg::WndProc(h, msg, wp, lp);
    }
    int effectsDone = 0;
};

// The window's rectangle on screen.
inline RECT WindowRect(HWND wnd) {
    RECT rc = {};
    GetWindowRect(wnd, &rc);
    return rc;
}

} // namespace vxtest
