// The process-wide application object: module, main window, the
// executable's directory and the application name; the message loop and the
// orderly exit.
#pragma once

#include "support/vxapi.h"

#include <windows.h>

class VX_API CVxApp {
public:
    CVxApp();
    ~CVxApp();

    // Copies at most 199 characters.
    void SetAppName(const wchar_t* lpszName);
    const wchar_t* GetAppName() const { return m_szAppName; }

    HINSTANCE GetInstance() const { return m_hInst; }
    HWND GetMainWnd() const { return m_hMainWnd; }
    void SetMainWnd(HWND hWnd) { m_hMainWnd = hWnd; }
    // The executable's directory, ending in a backslash.
    const wchar_t* GetPath() const { return m_szPath; }
    bool isExiting() const { return m_bExit; }

    // Translates and dispatches every message of the thread until the quit
    // message; returns its wParam.
    int MsgLoop();
    // Stops the shared thread object's timers and ends the process with
    // exit code 0 (or nCode) through the runtime's normal exit.
    [[noreturn]] void ExitApp();
    [[noreturn]] void ExitApp(int nCode);

private:
    HINSTANCE m_hInst;
    HWND m_hMainWnd;
    wchar_t m_szPath[MAX_PATH + 1];
    wchar_t m_szAppName[200];
    bool m_bExit;
};

// The one application object, constructed on first use.
VX_API CVxApp& GetVxApp();
