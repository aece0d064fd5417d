// The off-screen surface: where a plain present lands and how often, what a
// zero-sized or replaced surface leaves behind, and a real layered popup
// updated with per-pixel alpha under the X server.
#include "gfx/vxdc.h"

#include "tests/gfx/canvas.h"
#include "support/vxhandle.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <cstdint>
#include <utility>

namespace {

const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kBlue = RGB(0, 0, 255);
// The test windows keep to a screen corner where other programs' windows
// on the same desktop are unlikely to cover them.
const int kFarX = GetSystemMetrics(SM_CXSCREEN) - 160;
const int kFarY = GetSystemMetrics(SM_CYSCREEN) - 60;

// A black 32-bit memory context standing in for a window, read as GDI does.
class Target : public vxtest::Canvas {
public:
    Target(int w, int h) : Canvas(w, h) {}
    COLORREF at(int x, int y) const { return GetPixel(dc(), x, y); }
};

void Fill(HDC dc, int l, int t, int r, int b, COLORREF c) {
    HBRUSH brush = CreateSolidBrush(c);
    RECT rc = {l, t, r, b};
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
}

// The DIB section behind a surface's memDC.
bool SurfaceBits(HDC memDC, DIBSECTION& ds) {
    HGDIOBJ bmp = GetCurrentObject(memDC, OBJ_BITMAP);
    return GetObjectW(bmp, sizeof(ds), &ds) == sizeof(ds) && ds.dsBm.bmBits;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

LRESULT CALLBACK FillProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ERASEBKGND) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        Fill(reinterpret_cast<HDC>(wp), rc.left, rc.top, rc.right, rc.bottom, kGreen);
        return 1;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// A shown top-level popup that erases itself green.
vx::unique_hwnd Popup(DWORD exStyle, int x, int y, int w, int h) {
    static ATOM atom = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = FillProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"vxdc_test";
        return RegisterClassW(&wc);
    }();
    (void)atom;
    vx::unique_hwnd wnd(CreateWindowExW(exStyle | WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"vxdc_test",
                                        L"", WS_POPUP, x, y, w, h, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr));
    if (wnd)
        ShowWindow(wnd.get(), SW_SHOWNOACTIVATE);
    Pump();
    return wnd;
}

COLORREF ScreenAt(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

bool ScreenShows(int x, int y, COLORREF want) {
    for (int i = 0; i < 100; ++i) {
        Pump();
        if (ScreenAt(x, y) == want)
            return true;
        Sleep(20);
    }
    return false;
}

} // namespace

TEST(DC, PlainCopyLandsAtTheRectangleOnMemoryAndWindowTargets) {
    Target target(40, 30);
    const RECT rc = {7, 5, 17, 12};
    {
        CVxDC dc(target.dc(), rc, false, false, nullptr);
        Fill(dc.memDC, 0, 0, 10, 7, kBlue);
        SetPixel(dc.memDC, 0, 0, kRed);
        dc.Draw();
    }
    EXPECT_EQ(kRed, target.at(7, 5));
    EXPECT_EQ(kBlue, target.at(8, 5));
    EXPECT_EQ(kBlue, target.at(16, 11));
    EXPECT_EQ(kBlack, target.at(6, 5));
    EXPECT_EQ(kBlack, target.at(7, 4));
    EXPECT_EQ(kBlack, target.at(17, 11));
    EXPECT_EQ(kBlack, target.at(16, 12));

    vx::unique_hwnd wnd = Popup(0, kFarX, kFarY, 60, 40);
    ASSERT_TRUE(wnd);
    HDC wdc = GetDC(wnd.get());
    Fill(wdc, 0, 0, 60, 40, kGreen);
    {
        CVxDC dc(wdc, rc, true, false, nullptr);
        Fill(dc.memDC, 0, 0, 10, 7, kBlue);
        SetPixel(dc.memDC, 0, 0, kRed);
    }
    EXPECT_EQ(kRed, GetPixel(wdc, 7, 5));
    EXPECT_EQ(kBlue, GetPixel(wdc, 16, 11));
    EXPECT_EQ(kGreen, GetPixel(wdc, 6, 5));
    EXPECT_EQ(kGreen, GetPixel(wdc, 17, 12));
    ReleaseDC(wnd.get(), wdc);
}

// The surface's content changes between presents, so the target tells
// which presents happened.
TEST(DC, PresentsOncePerDrawAndOnDestroyOnlyWhenNotDrawn) {
    const RECT rc = {0, 0, 4, 4};
    {
        Target target(4, 4);
        {
            CVxDC dc(target.dc(), rc, true, false, nullptr);
            Fill(dc.memDC, 0, 0, 4, 4, kRed);
            dc.Draw();
            EXPECT_EQ(kRed, target.at(3, 3));
            Fill(dc.memDC, 0, 0, 4, 4, kGreen);
        }
        EXPECT_EQ(kRed, target.at(3, 3)) << "the explicit Draw must clear drawOnDestroy";
    }
    {
        Target target(4, 4);
        CVxDC dc(target.dc(), rc, false, false, nullptr);
        Fill(dc.memDC, 0, 0, 4, 4, kRed);
        dc.Draw();
        Fill(dc.memDC, 0, 0, 4, 4, kGreen);
        dc.Draw();
        EXPECT_EQ(kGreen, target.at(0, 0));
    }
    {
        Target target(4, 4);
        {
            CVxDC dc(target.dc(), rc, true, false, nullptr);
            Fill(dc.memDC, 0, 0, 4, 4, kBlue);
            EXPECT_EQ(kBlack, target.at(0, 0));
        }
        EXPECT_EQ(kBlue, target.at(0, 0));
    }
    {
        Target target(4, 4);
        {
            CVxDC dc(target.dc(), rc, false, false, nullptr);
            Fill(dc.memDC, 0, 0, 4, 4, kBlue);
        }
        EXPECT_EQ(kBlack, target.at(0, 0));
    }
}

TEST(DC, ZeroOrReversedRectanglesDrawNothing) {
    Target target(20, 20);
    vx::unique_hwnd wnd = Popup(WS_EX_LAYERED, 10, 10, 20, 20);
    const RECT rects[] = {{5, 5, 5, 15}, {5, 5, 15, 5}, {15, 15, 5, 5}};
    for (const RECT& rc : rects) {
        for (bool layered : {false, true}) {
            CVxDC dc(target.dc(), rc, true, layered, wnd.get());
            EXPECT_EQ(nullptr, dc.CreateCompatibleBitmapEx(rc));
            Fill(dc.memDC, 0, 0, 20, 20, kRed);
            dc.Draw();
        }
    }
    CVxDC empty;
    EXPECT_EQ(nullptr, empty.memDC);
    empty.Draw();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(kBlack, target.at(x, y)) << x << "," << y;
}

TEST(DC, RecreatingOrDestroyingReleasesTheHandles) {
    Target target(20, 20);
    CVxDC dc;
    dc.CreateMemDC(target.dc(), RECT{0, 0, 8, 8}, false, false, nullptr);
    HDC firstDC = dc.memDC;
    HGDIOBJ firstBmp = GetCurrentObject(firstDC, OBJ_BITMAP);
    ASSERT_EQ(OBJ_MEMDC, GetObjectType(firstDC));

    dc.CreateMemDC(target.dc(), RECT{10, 10, 14, 14}, false, true, nullptr);
    EXPECT_EQ(0u, GetObjectType(firstDC));
    EXPECT_EQ(0u, GetObjectType(firstBmp));
    HDC secondDC = dc.memDC;
    HGDIOBJ secondBmp = GetCurrentObject(secondDC, OBJ_BITMAP);
    DIBSECTION ds = {};
    ASSERT_TRUE(SurfaceBits(secondDC, ds));
    EXPECT_EQ(4, ds.dsBm.bmWidth);

    // Moving hands the handles over: the moved-from surface is empty and
    // only the new owner presents and deletes.
    dc.CreateMemDC(target.dc(), RECT{10, 10, 14, 14}, true, false, nullptr);
    Fill(dc.memDC, 0, 0, 4, 4, kRed);
    secondDC = dc.memDC;
    secondBmp = GetCurrentObject(secondDC, OBJ_BITMAP);
    {
        CVxDC moved(std::move(dc));
        EXPECT_EQ(nullptr, dc.memDC);
        EXPECT_EQ(secondDC, moved.memDC);
        CVxDC assigned;
        assigned = std::move(moved);
        EXPECT_EQ(kBlack, target.at(10, 10));
    }
    EXPECT_EQ(kRed, target.at(13, 13));
    EXPECT_EQ(0u, GetObjectType(secondDC));
    EXPECT_EQ(0u, GetObjectType(secondBmp));
    Fill(target.dc(), 0, 0, 20, 20, kBlack);
    dc.Draw();
    EXPECT_EQ(kBlack, target.at(13, 13));
}

TEST(DC, LayeredSurfaceIsATransparentBottomUpDib) {
    CVxDC dc;
    HBITMAP bmp = dc.CreateCompatibleBitmapEx(RECT{100, 50, 112, 59});
    ASSERT_NE(nullptr, bmp);
    DIBSECTION ds = {};
    ASSERT_EQ(static_cast<int>(sizeof(ds)), GetObjectW(bmp, sizeof(ds), &ds));
    EXPECT_EQ(12, ds.dsBmih.biWidth);
    EXPECT_EQ(9, ds.dsBmih.biHeight) << "positive: bottom-up";
    EXPECT_EQ(32, ds.dsBmih.biBitCount);
    const uint32_t* px = static_cast<const uint32_t*>(ds.dsBm.bmBits);
    for (int i = 0; i < 12 * 9; ++i)
        ASSERT_EQ(0u, px[i]) << i;
    DeleteObject(bmp);
}

// A green window below a layered popup whose left half is painted opaque
// red: the right half, left unpainted, must show the green through.
TEST(DC, LayeredPresentKeepsTheWindowPlaceAndUnpaintedPixelsTransparent) {
    const int x = kFarX + 80, y = kFarY, w = 32, h = 24;
    vx::unique_hwnd below = Popup(0, x, y, w, h);
    vx::unique_hwnd wnd = Popup(WS_EX_LAYERED, x, y, w, h);
    ASSERT_TRUE(below && wnd);
    ASSERT_TRUE(ScreenShows(x + 1, y + 1, kGreen)) << "the X screen cannot be read back";
    const COLORREF atRect = ScreenAt(kFarX - 40, kFarY + 2);

    HDC wdc = GetDC(wnd.get());
    {
        // The rectangle is not where the window is: it only gives the size.
        CVxDC dc(wdc, RECT{kFarX - 42, kFarY, kFarX - 42 + w, kFarY + h}, true, true, wnd.get());
        DIBSECTION ds = {};
        ASSERT_TRUE(SurfaceBits(dc.memDC, ds));
        uint32_t* px = static_cast<uint32_t*>(ds.dsBm.bmBits);
        for (int row = 0; row < h; ++row)
            for (int col = 0; col < w / 2; ++col)
                px[row * w + col] = 0xFFFF0000u;
    }
    ReleaseDC(wnd.get(), wdc);

    RECT wr = {};
    GetWindowRect(wnd.get(), &wr);
    EXPECT_EQ(x, wr.left);
    EXPECT_EQ(y, wr.top);
    EXPECT_EQ(w, wr.right - wr.left);
    EXPECT_TRUE(ScreenShows(x + 2, y + 2, kRed));
    EXPECT_TRUE(ScreenShows(x + w / 2 - 1, y + h - 1, kRed));
    EXPECT_TRUE(ScreenShows(x + w / 2 + 1, y + 2, kGreen));
    EXPECT_TRUE(ScreenShows(x + w - 1, y + h - 1, kGreen));
    EXPECT_EQ(atRect, ScreenAt(kFarX - 40, kFarY + 2)) << "nothing lands at the rectangle";
}
