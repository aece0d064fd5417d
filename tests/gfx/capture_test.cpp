// Encoding bitmaps into streams and files, re-encoding files, window and
// screen pictures; every result is decoded again and its pixels checked.
#include "gfx/vximage.h"
#include "tests/gfx/canvas.h"
#include "tests/support/testutil.h"

#include <gtest/gtest.h>

using namespace vxtest;

namespace {

CVxImage& Img() {
    return CVxImage::Instance();
}

std::string StreamBytes(IStream* s) {
    STATSTG st = {};
    s->Stat(&st, STATFLAG_NONAME);
    std::string out(static_cast<size_t>(st.cbSize.QuadPart), '\0');
    LARGE_INTEGER start = {};
    ULONG got = 0;
    s->Seek(start, STREAM_SEEK_SET, nullptr);
    s->Read(&out[0], static_cast<ULONG>(out.size()), &got);
    out.resize(got);
    return out;
}

// The picture file's size as GDI+ reads it; 0 x 0 when it is none.
SIZE ImageSize(const std::wstring& path) {
    Gdiplus::Image image(path.c_str());
    if (image.GetLastStatus() != Gdiplus::Ok)
        return {0, 0};
    return {static_cast<LONG>(image.GetWidth()), static_cast<LONG>(image.GetHeight())};
}

// A visible top-level popup painted solid red by its class background.
HWND RedWindow(int w, int h) {
    static const wchar_t kClass[] = L"VxCaptureTestWindow";
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = CreateSolidBrush(RGB(255, 0, 0));
    wc.lpszClassName = kClass;
    RegisterClassW(&wc);
    HWND wnd = CreateWindowExW(WS_EX_TOPMOST, kClass, L"", WS_POPUP | WS_VISIBLE, 0, 0, w, h,
                               nullptr, nullptr, wc.hInstance, nullptr);
    if (wnd) {
        UpdateWindow(wnd);
        MSG msg;
        for (int i = 0; i < 20; ++i, Sleep(10))
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
    }
    return wnd;
}

bool IsPng(const std::string& b) {
    return b.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
}

} // namespace

TEST(Capture, BitmapToStreamRoundTrips) {
    Canvas source(30, 20, 0xFF000000);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            source.Set(x, y,
                       0xFF000000 | (x < 15 ? 0xFF0000u : 0x0000FFu) | (y < 10 ? 0 : 0x00FF00));
    for (const wchar_t* format : {L"bmp", L"png"}) {
        SCOPED_TRACE(testing::Message() << format);
        vx::com_ptr<IStream> s(vx::CreateMemStream(nullptr, 0));
        ASSERT_TRUE(s);
        ASSERT_TRUE(Img().BmToStream(source.bitmap(), s.get(), format));
        std::string bytes = StreamBytes(s.get());
        if (format[1] == L'm') {
            ASSERT_GT(bytes.size(), 54u);
            EXPECT_EQ(bytes.compare(0, 2, "BM"), 0);
            EXPECT_EQ(*reinterpret_cast<const DWORD*>(&bytes[2]), bytes.size()) << "complete file";
        } else {
            EXPECT_TRUE(IsPng(bytes));
        }
        // Drawn straight back from the stream wherever its position is.
        Canvas back(30, 20, 0xFFFFFFFF);
        ASSERT_TRUE(Img().DrawImg(back.dc(), s.get(), 0, 0, 0, 0));
        for (int y : {2, 17})
            for (int x : {2, 27})
                EXPECT_EQ(back.Rgb(x, y), source.Rgb(x, y)) << x << "," << y;
    }
    // Written at the stream's position, after what is there already.
    vx::com_ptr<IStream> after(vx::CreateMemStream("abcde", 5));
    LARGE_INTEGER end = {};
    after.get()->Seek(end, STREAM_SEEK_END, nullptr);
    ASSERT_TRUE(Img().BmToStream(source.bitmap(), after.get(), L"bmp"));
    EXPECT_EQ(StreamBytes(after.get()).substr(0, 7), "abcdeBM");
    // "jpg" names no encoder: nothing written, and the call says so.
    vx::com_ptr<IStream> none(vx::CreateMemStream(nullptr, 0));
    EXPECT_FALSE(Img().BmToStream(source.bitmap(), none.get(), L"jpg"));
    EXPECT_EQ(StreamBytes(none.get()).size(), 0u);
}

TEST(Capture, FilesDeviceContextsAndWindows) {
    ScratchDir dir(L"capture");
    std::wstring bmp = dir / L"q.bmp", png = dir / L"q.png";
    ASSERT_TRUE(WriteFileBytes(bmp, Quadrants(16, 16)));
    ASSERT_TRUE(Img().SavePic(bmp.c_str(), png.c_str(), L"png"));
    EXPECT_TRUE(IsPng(ReadFileBytes(png)));
    Canvas back(16, 16, 0xFFFFFFFF);
    ASSERT_TRUE(Img().DrawImg(back.dc(), png.c_str(), 0, 0, 0, 0));
    EXPECT_TRUE(Near(back.Rgb(12, 12), kBottomRight));
    EXPECT_FALSE(Img().SavePic(bmp.c_str(), (dir / L"q.jpg").c_str(), L"jpg"));
    EXPECT_FALSE(FileExists(dir / L"q.jpg"));
    EXPECT_FALSE(Img().SavePic((dir / L"absent.bmp").c_str(), png.c_str(), L"png"));

    // Part of a device context: the rectangle itself.
    Canvas c(40, 40, 0xFFFFFFFF);
    ASSERT_TRUE(Img().DrawImg(c.dc(), bmp.c_str(), 20, 20, 0, 0));
    RECT part = {20, 20, 36, 28};
    ASSERT_TRUE(Img().SavePic(c.dc(), part, (dir / L"part.png").c_str(), L"png"));
    RECT flat = {20, 20, 20, 28};
    EXPECT_FALSE(Img().SavePic(c.dc(), flat, (dir / L"flat.png").c_str(), L"png"));
    SIZE size = ImageSize(dir / L"part.png");
    EXPECT_EQ(size.cx, 16);
    EXPECT_EQ(size.cy, 8);
    back.Fill(0xFFFFFFFF);
    ASSERT_TRUE(Img().DrawImg(back.dc(), (dir / L"part.png").c_str(), 0, 0, 0, 0));
    EXPECT_TRUE(Near(back.Rgb(2, 2), kTopLeft));
    EXPECT_TRUE(Near(back.Rgb(13, 2), kTopRight));

    HWND wnd = RedWindow(400, 300);
    ASSERT_NE(wnd, nullptr);
    vx::unique_hwnd owner(wnd);
    ASSERT_TRUE(Img().SavePic(wnd, (dir / L"wnd.bmp").c_str(), L"bmp"));
    size = ImageSize(dir / L"wnd.bmp");
    EXPECT_EQ(size.cx, 400);
    EXPECT_EQ(size.cy, 300);
}

TEST(Capture, ScreenUnderTheDisplay) {
    ScratchDir dir(L"screen");
    // Something known on screen: a red top-most window in the corner.
    HWND wnd = RedWindow(64, 64);
    ASSERT_NE(wnd, nullptr);
    vx::unique_hwnd owner(wnd);
    RECT all = {0, 0, 64, 64};

    std::wstring path = dir / L"screen.png";
    ASSERT_TRUE(Img().SaveScreen(path.c_str(), L"png"));
    SIZE size = ImageSize(path);
    EXPECT_EQ(size.cx, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(size.cy, GetSystemMetrics(SM_CYSCREEN));
    Canvas back(64, 64, 0xFFFFFFFF);
    ASSERT_TRUE(Img().DrawImg(back.dc(), path.c_str(), 0, 0, 64, 64, &all));
    EXPECT_TRUE(Near(back.Rgb(32, 32), 0xFF0000)) << std::hex << back.Rgb(32, 32);
}
