// The off-screen surface every paint goes through: callers draw into memDC
// and present the finished frame in one step, either as a block copy onto
// the target context or as the whole per-pixel-alpha image of a layered
// window, so the screen never shows a half-drawn frame.
#pragma once

#include "support/vxapi.h"

#include <windows.h>

class VX_API CVxDC {
public:
    // An empty surface, for members that are built later with CreateMemDC.
    CVxDC();
    CVxDC(HDC hTargetDC, const RECT& rc, bool bDrawOnDestroy, bool bLayered, HWND hLayeredWnd);
    // Presents first when drawOnDestroy is still set.
    ~CVxDC();

    // Two copies would delete the same handles: a surface is moved, never
    // copied. The moved-from surface is left empty.
    CVxDC(const CVxDC&) = delete;
    CVxDC& operator=(const CVxDC&) = delete;
    CVxDC(CVxDC&& other) noexcept;
    CVxDC& operator=(CVxDC&& other) noexcept;

    // Builds the surface; a live surface first drops its earlier handles
    // without presenting them.
    void CreateMemDC(HDC hTargetDC, const RECT& rc, bool bDrawOnDestroy, bool bLayered,
                     HWND hLayeredWnd);
    // A zero-filled (fully transparent) bottom-up 32-bit DIB section of the
    // rectangle's size, owned by the caller; null for an empty rectangle.
    HBITMAP CreateCompatibleBitmapEx(RECT rc);
    // Presents the surface and clears drawOnDestroy.
    void Draw();

    HDC memDC;

private:
    void Release();
    void Take(CVxDC& other);

    HDC targetDC;
    RECT rect;
    HBITMAP bitmap;
    HBITMAP oldBitmap;
    bool drawOnDestroy;
    bool layered;
    HWND layeredWindow;
};
