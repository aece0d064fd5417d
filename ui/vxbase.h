// The root of every skinned window and windowless control: a rectangle that
// draws itself into a device context, answers mouse events at a point, and
// knows the host window and the host's two drawing layers it paints into.
#pragma once

#include "support/vxapi.h"

#include <windows.h>
#include <string>

class VX_API CVxBase {
public:
    // Mouse actions handed to OnMouse.
    enum { kMouseDown = 0, kMouseUp = 1, kMouseMove = 4 };

    CVxBase();
    virtual ~CVxBase();

    // Draws the object's look with its top-left corner at (x, y) of hdc.
    virtual void DrawAt(HDC hdc, int x, int y);
    // Paints the object into hdc at its own position.
    virtual void Paint(HDC hdc) = 0;
    // A mouse event at client point (x, y); true when the point is on the object.
    virtual bool OnMouse(int x, int y, int action, void* context);

    // The keyboard and the accessible tree. Whether Tab stops here; what a
    // press from the keyboard (or a screen reader) does, as a click does;
    // the object's name, role (an MSAA ROLE_SYSTEM_ value) and state bits.
    virtual bool isFocusable() const { return false; }
    virtual void Press(void* context);
    virtual std::wstring AccName() const { return L""; }
    virtual long AccRole() const;
    virtual long AccState() const { return 0; }
    // Moves the object's geometry and font from the DPI they are at to
    // newDpi: its host window went to a monitor of another scale.
    virtual void ScaleTo(UINT newDpi);

    // Whether the object is visible and touches its window's extent, edges
    // included. Without a host window, the application's main window is
    // taken and kept as the host.
    bool IsDrawable();
    // Whether the client point lies on the object, its edges included.
    bool isAt(int px, int py) const;
    // Repaints only this object on screen through its host's layers. The
    // composition layer takes the new look on both kinds of host, so it
    // always matches the screen; updateFrame no longer changes that.
    void RedrawSelf(bool updateFrame);

    void* context;
    int x, y;
    int width, height;
    int originX, originY;
    HFONT font; // not owned: the font cache's
    COLORREF textColor;
    HWND hostWnd;
    bool visible;
    int imageSource; // 3: the object's own image file
    int stateImages; // > 1: one image per state, imageId + state
    bool dragThrough;
    HDC backgroundDC; // the host dialog's background layer, not owned
    HDC frameDC;      // the host dialog's composition layer, not owned
    bool hostLayered;
    UINT dpi; // what the geometry is at; 96 as written

private:
    HWND HostWindow();
};
