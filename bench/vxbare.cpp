// The bare program the first-frame benchmark sets the uninstaller against:
// a 450 x 230 layered window, a card over its lower part and the rest
// transparent, shown with UpdateLayeredWindow and nothing more. It ends when
// its window is closed.
#include "support/vxhandle.h"

#include <windows.h>
#include <cstdint>

namespace {

const int kWidth = 450, kHeight = 230;
// Where the uninstaller's card image lies in its window.
const RECT kCard = {0, 89, 437, 230};

LRESULT CALLBACK BareProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, LPWSTR, int) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = BareProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"VxBare";
    RegisterClassW(&wc);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    vx::unique_hwnd wnd(CreateWindowExW(WS_EX_LAYERED, wc.lpszClassName, L"VxBare", WS_POPUP, x, y,
                                        kWidth, kHeight, nullptr, nullptr, inst, nullptr));

    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = kWidth;
    bi.bmiHeader.biHeight = -kHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    vx::unique_hbitmap bitmap(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!wnd || !bitmap)
        return 1;
    auto* pixels = static_cast<uint32_t*>(bits);
    for (int py = kCard.top; py < kCard.bottom; ++py)
        for (int px = kCard.left; px < kCard.right; ++px)
            pixels[py * kWidth + px] = 0xFFF6EEF0;

    vx::unique_hdc mem(CreateCompatibleDC(nullptr));
    vx::select_object select(mem.get(), bitmap.get());
    POINT pos = {x, y}, src = {0, 0};
    SIZE size = {kWidth, kHeight};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(wnd.get(), nullptr, &pos, &size, mem.get(), &src, 0, &blend, ULW_ALPHA);
    ShowWindow(wnd.get(), SW_SHOW);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}
