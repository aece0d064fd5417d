#include "gfx/vxdc.h"

CVxDC::CVxDC()
    : memDC(nullptr), targetDC(nullptr), rect{0, 0, 0, 0}, bitmap(nullptr), oldBitmap(nullptr),
      drawOnDestroy(false), layered(false), layeredWindow(nullptr) {}

CVxDC::CVxDC(HDC hTargetDC, const RECT& rc, bool bDrawOnDestroy, bool bLayered, HWND hLayeredWnd)
    : CVxDC() {
    CreateMemDC(hTargetDC, rc, bDrawOnDestroy, bLayered, hLayeredWnd);
}

CVxDC::~CVxDC() {
    if (drawOnDestroy)
        Draw();
    Release();
}

CVxDC::CVxDC(CVxDC&& other) noexcept : CVxDC() {
    Take(other);
}

CVxDC& CVxDC::operator=(CVxDC&& other) noexcept {
    if (this != &other) {
        Release();
        Take(other);
    }
    return *this;
}

void CVxDC::Take(CVxDC& other) {
    memDC = other.memDC;
    targetDC = other.targetDC;
    rect = other.rect;
    bitmap = other.bitmap;
    oldBitmap = other.oldBitmap;
    drawOnDestroy = other.drawOnDestroy;
    layered = other.layered;
    layeredWindow = other.layeredWindow;
    other.memDC = nullptr;
    other.bitmap = nullptr;
    other.oldBitmap = nullptr;
    other.drawOnDestroy = false;
}

void CVxDC::Release() {
    if (memDC && oldBitmap)
        SelectObject(memDC, oldBitmap);
    if (bitmap)
        DeleteObject(bitmap);
    if (memDC)
        DeleteDC(memDC);
    memDC = nullptr;
    bitmap = nullptr;
    oldBitmap = nullptr;
    drawOnDestroy = false;
}

void CVxDC::CreateMemDC(HDC hTargetDC, const RECT& rc, bool bDrawOnDestroy, bool bLayered,
                        HWND hLayeredWnd) {
    Release();
    targetDC = hTargetDC;
    drawOnDestroy = bDrawOnDestroy;
    layered = bLayered;
    layeredWindow = hLayeredWnd;
    rect = rc;
    memDC = CreateCompatibleDC(targetDC);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (layered)
        bitmap = CreateCompatibleBitmapEx(rect);
    else if (width > 0 && height > 0)
        bitmap = CreateCompatibleBitmap(targetDC, width, height);
    if (memDC && bitmap)
        oldBitmap = static_cast<HBITMAP>(SelectObject(memDC, bitmap));
}

HBITMAP CVxDC::CreateCompatibleBitmapEx(RECT rc) {
    // A reversed rectangle would otherwise turn into a top-down DIB.
    if (rc.right - rc.left <= 0 || rc.bottom - rc.top <= 0)
        return nullptr;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = rc.right - rc.left;
    info.bmiHeader.biHeight = rc.bottom - rc.top;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

void CVxDC::Draw() {
    drawOnDestroy = false;
    if (!memDC || !bitmap)
        return;
    if (layered) {
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        RECT wnd = {};
        GetWindowRect(layeredWindow, &wnd);
        POINT point = {wnd.left, wnd.top};
        SIZE size = {wnd.right - wnd.left, wnd.bottom - wnd.top};
        POINT source = {0, 0};
        UpdateLayeredWindow(layeredWindow, targetDC, &point, &size, memDC, &source, 0, &blend,
                            ULW_ALPHA);
    } else {
        BitBlt(targetDC, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, memDC,
               0, 0, SRCCOPY);
    }
}
