// Frame animations: the frame arithmetic as values, then real animations in
// a real window, read back from its pixels.
#include "gfx/vxmovie_frames.h"
#include "tests/gfx/canvas.h"
#include "tests/support/testutil.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>
#include <vector>

using namespace vxtest;
using vx::image::MovieFrame;

TEST(MovieFrames, ValuesInAndOut) {
    struct Case {
        int effect, frames, counter;
        MovieFrame::Kind kind;
        int value;
        float alpha;
        bool ends;
    } cases[] = {
        {0, 4, 3, MovieFrame::Strip, 3, 1.0f, false},
        {1, 8, 5, MovieFrame::RotateFlip, 5, 1.0f, false},
        {2, 8, 1, MovieFrame::Turn, 45, 1.0f, false},
        {2, 7, 1, MovieFrame::Turn, 51, 1.0f, false},
        {2, 7, 6, MovieFrame::Turn, 306, 1.0f, false},
        {3, 5, 0, MovieFrame::Fade, 0, 0.0f, false},
        {3, 5, 1, MovieFrame::Fade, 0, 0.25f, false},
        {3, 5, 3, MovieFrame::Fade, 0, 0.75f, false},
        {3, 5, 4, MovieFrame::Fade, 0, 1.0f, true},
        {4, 5, 0, MovieFrame::Fade, 0, 1.0f, false},
        {4, 5, 3, MovieFrame::Fade, 0, 0.25f, false},
        {4, 5, 4, MovieFrame::Fade, 0, 0.0f, true},
        {3, 50, 49, MovieFrame::Fade, 0, 1.0f, true},
        {9, 3, 2, MovieFrame::BackgroundOnly, 0, 1.0f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.effect << "/" << c.frames << "/" << c.counter);
        MovieFrame f = vx::image::MovieFrameFor(c.effect, c.frames, c.counter);
        EXPECT_EQ(f.kind, c.kind);
        EXPECT_EQ(f.value, c.value);
        EXPECT_NEAR(f.alpha, c.alpha, 1e-6);
        EXPECT_EQ(f.ends, c.ends);
    }
    EXPECT_EQ(vx::image::NextMovieCounter(3, 4), 0);
    for (auto [effect, frames, playable] : {std::tuple{0, 1, true},
                                            {0, 0, false},
                                            {2, -3, false},
                                            {3, 1, false},
                                            {4, 2, true},
                                            {1, 8, true},
                                            {1, 9, false},
                                            {9, 1, true}})
        EXPECT_EQ(vx::image::isPlayableMovie(effect, frames), playable) << effect << "/" << frames;
}

namespace {

const uint32_t kStrip[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};

// A visible top-level window at the screen's corner.
vx::unique_hwnd MovieWindow() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"VxMovieTest";
    RegisterClassW(&wc);
    vx::unique_hwnd wnd(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"",
                                        WS_POPUP | WS_VISIBLE, 0, 0, 60, 30, nullptr, nullptr,
                                        wc.hInstance, nullptr));
    UpdateWindow(wnd.get());
    return wnd;
}

// 0xRRGGBB of a pixel of the window as it is shown.
uint32_t WindowPixel(HWND wnd, int x, int y) {
    HDC dc = GetDC(wnd);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(wnd, dc);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// The distinct colours the pixel shows over ms milliseconds, in order.
std::vector<uint32_t> Watch(HWND wnd, DWORD ms) {
    std::vector<uint32_t> seen;
    for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(5)) {
        uint32_t c = WindowPixel(wnd, 5, 5);
        if (seen.empty() || seen.back() != c)
            seen.push_back(c);
    }
    return seen;
}

int ThreadCount() {
    vx::unique_hfile snap(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 te = {};
    te.dwSize = sizeof(te);
    int n = 0;
    for (BOOL ok = Thread32First(snap.get(), &te); ok; ok = Thread32Next(snap.get(), &te))
        n += te.th32OwnerProcessID == GetCurrentProcessId();
    return n;
}

// Starts and stops animation 5 over and over, leaving it running.
DWORD WINAPI Race(void* p) {
    auto* image = static_cast<CVxImage*>(p);
    for (int i = 0; i < 30; ++i) {
        image->StartMovie(5);
        image->StopMovie(5);
    }
    image->StartMovie(5);
    return 0;
}

} // namespace

// A strip of four colours plays its frames in order, stops when told and
// when its window goes, and restarts.
TEST(Movies, StripPlaysInOrderStopsRestartsAndEndsWithItsWindow) {
    ScratchDir dir(L"movie");
    std::wstring strip = dir / L"strip.bmp";
    ASSERT_TRUE(WriteFileBytes(strip, BmpFile(40, 10, [](int x, int) { return kStrip[x / 10]; })));
    vx::unique_hwnd wnd = MovieWindow();
    ASSERT_TRUE(wnd);
    CVxImage image;
    ASSERT_TRUE(image.AddMovie(wnd.get(), strip.c_str(), 0, 0, 4, 60, 1, 0, 10, 10, nullptr));
    EXPECT_TRUE(image.AddMovie(wnd.get(), L"none", 9, 9, 2, 5, 1, 4, 1, 1, nullptr))
        << "an id that exists is kept as it was";
    EXPECT_FALSE(image.AddMovie(wnd.get(), strip.c_str(), 0, 0, 1, 50, 2, 3, 10, 10, nullptr))
        << "a fade needs two frames";
    EXPECT_EQ(image.GetMovieIndex(1), 0);
    EXPECT_EQ(image.GetMovieIndex(2), -1);

    image.StartMovie(1);
    std::vector<uint32_t> seen = Watch(wnd.get(), 1200);
    ASSERT_GE(seen.size(), 6u);
    for (size_t i = 2; i < seen.size(); ++i) {
        int a = int(std::find(kStrip, kStrip + 4, seen[i - 1]) - kStrip);
        int b = int(std::find(kStrip, kStrip + 4, seen[i]) - kStrip);
        ASSERT_LT(b, 4) << std::hex << seen[i];
        EXPECT_EQ(b, (a + 1) % 4) << i;
    }

    image.StopMovie(1);
    EXPECT_TRUE(image.isStop(1));
    EXPECT_EQ(Watch(wnd.get(), 300).size(), 1u) << "nothing draws after the stop returned";
    image.StartMovie(1);
    EXPECT_FALSE(image.isStop(1));
    EXPECT_GE(Watch(wnd.get(), 500).size(), 3u);

    wnd.reset();
    EXPECT_TRUE(image.isStop(1)) << "the window's destruction stops its animation";
}

// A fade in of five frames over black shows 0, 1/4, 1/2 and 3/4 of the
// white image and ends there, never at full white.
TEST(Movies, FadeShowsEachStepAndNeverItsEnd) {
    ScratchDir dir(L"movie");
    std::wstring white = dir / L"white.bmp";
    ASSERT_TRUE(WriteFileBytes(white, BmpFile(10, 10, [](int, int) { return 0xFFFFFF; })));
    vx::unique_hwnd wnd = MovieWindow();
    Canvas black(60, 30, 0xFF000000);
    CVxImage image;
    ASSERT_TRUE(image.AddMovie(wnd.get(), white.c_str(), 0, 0, 5, 150, 7, 3, 10, 10, black.dc()));
    image.StartMovie(7);
    std::vector<uint32_t> seen = Watch(wnd.get(), 1500);
    std::vector<uint32_t> steps = {0x000000, 0x404040, 0x808080, 0xBFBFBF};
    ASSERT_EQ(seen.size(), steps.size() + 1) << "the window's white, then four steps";
    for (size_t i = 0; i < steps.size(); ++i)
        EXPECT_TRUE(Near(seen[i + 1], steps[i], 3)) << std::hex << seen[i + 1];
    EXPECT_FALSE(image.isStop(7)) << "an ended fade counts as running until stopped";
    image.StopMovie(7);
}

// Starting and stopping one animation from two threads at once, and
// destroying the image object while it plays, leave no thread behind.
TEST(Movies, RacingStartsAndTheImagesEndLeaveNoThread) {
    vx::unique_hwnd wnd = MovieWindow();
    const int before = ThreadCount();
    {
        CVxImage image;
        ASSERT_TRUE(image.AddMovie(wnd.get(), 0, L"IMG", 0, 0, 1, 2, 5, 9, 10, 10, nullptr));
        vx::unique_handle a(CreateThread(nullptr, 0, Race, &image, 0, nullptr));
        vx::unique_handle b(CreateThread(nullptr, 0, Race, &image, 0, nullptr));
        HANDLE both[] = {a.get(), b.get()};
        ASSERT_EQ(WaitForMultipleObjects(2, both, TRUE, 60000), WAIT_OBJECT_0);
        a.reset();
        b.reset();
        EXPECT_FALSE(image.isStop(5));
        EXPECT_LE(ThreadCount(), before + 2) << "one animation thread at most";
    }
    EXPECT_LE(ThreadCount(), before) << "the image object's end waited for its animation";
}
