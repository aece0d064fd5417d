// A toolkit object with a real Win32 window: a private window class per
// window, creation (and re-creation), and the window's messages routed to a
// virtual window procedure through the pointer kept in GWLP_USERDATA.
#pragma once

#include "support/vxapi.h"
#include "ui/vxbase.h"

#include <windows.h>
#include <string>

class VX_API CVxWin : public CVxBase {
public:
    CVxWin();
    // Destroys the window and unregisters its class.
    ~CVxWin() override;
    CVxWin(const CVxWin&) = delete;
    CVxWin& operator=(const CVxWin&) = delete;

    // The window's paint handler; empty here.
    void Paint(HDC hdc) override;
    // Called once, after the first successful creation.
    virtual void OnInit();
    // Called after every successful creation, after OnInit.
    virtual void OnCreate();
    virtual LRESULT WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Repaints the whole window: at once when plain, through a posted
    // WM_PAINT when layered.
    virtual void Redraw();

    // Creates the window, destroying an earlier one first. A style of 0
    // picks a visible child when there is a parent and a popup with a
    // minimize box otherwise. exStyle is applied after creation.
    bool Create(DWORD style, int x, int y, int width, int height, DWORD exStyle, bool layered,
                HWND parent);
    // Registers a class named "<application name>_VXWND_<tick count>".
    ATOM RegisterWndClass();
    static LRESULT CALLBACK StaticWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd;
    std::wstring className;
    bool layered;
    int iconId;
    bool isChild;
    bool initialized;

protected:
    // Destroys the window (messages no longer reach this object) and
    // unregisters its class.
    void DestroyOwnWindow();
};
