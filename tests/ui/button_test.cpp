// The image button: which picture each state draws (separate images,
// strips, own files, themes folder, skin pack, the fallback to resources)
// read back as pixels, and its states and callbacks from real clicks.
#include "gfx/vxskin.h"
#include "tests/gfx/canvas.h"
#include "tests/support/copyrun.h"
#include "tests/ui/uitest.h"
#include "ui/vxbutton.h"

#include <gtest/gtest.h>

using namespace vxtest;

namespace {

const uint32_t kFill = 0xFF102030;

// Whether the button in its present state looks exactly like the resource
// picture id, frame frame of frames, drawn the same size.
bool LooksLike(CVxButton& b, int id, int frames, int frame, int splitV) {
    Canvas got(b.width, b.height, kFill), want(b.width, b.height, kFill);
    b.DrawAt(got.dc(), 0, 0);
    CVxImage::Instance().DrawStretchImg(want.dc(), id, L"IMG", 0, 0, b.width, b.height, b.splitH,
                                        frames, frame, splitV);
    bool inked = false;
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x) {
            if (got.At(x, y) != want.At(x, y))
                return false;
            inked |= got.At(x, y) != kFill;
        }
    return inked;
}

uint32_t Centre(CVxButton& b) {
    Canvas c(b.width, b.height, kFill);
    b.DrawAt(c.dc(), 0, 0);
    return c.Rgb(b.width / 2, b.height / 2);
}

// A solid picture file of the given colour.
std::string Solid(uint32_t rgb) {
    return BmpFile(8, 8, [rgb](int, int) { return rgb; });
}

} // namespace

TEST(ButtonLook, EachStateDrawsItsImageOrStripFrame) {
    BuiltPictures pictures;
    ASSERT_TRUE(pictures.ok());
    struct {
        int imageId, stateImages, frames, state;
        int id, frame; // what is drawn
        int storedState;
    } const kCases[] = {
        {60001, 4, 1, 0, 60001, 0, 0}, {60001, 4, 1, 1, 60002, 0, 1},
        {60001, 4, 1, 2, 60003, 0, 2}, {60001, 4, 1, 3, 60004, 0, 3},
        {60001, 3, 1, 3, 60003, 0, 2}, // past the last image: the last
        {60073, 1, 3, 0, 60073, 0, 0}, {60073, 1, 3, 1, 60073, 1, 1},
        {60073, 1, 3, 3, 60073, 2, 3}, // the strip clamps the frame
        {60074, 1, 3, 2, 60074, 2, 2},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.imageId << " state " << c.state);
        CVxButton b;
        b.Init(L"", 0, 0, 60, 29, 8, c.frames, nullptr, nullptr);
        b.imageId = c.imageId;
        b.stateImages = c.stateImages;
        b.state = c.state;
        EXPECT_TRUE(LooksLike(b, c.id, c.frames, c.frame, 2));
        EXPECT_EQ(c.storedState, b.state);
    }
    // The frames and images really differ, so a wrong pick would show.
    CVxButton strip;
    strip.Init(L"", 0, 0, 60, 29, 8, 3, nullptr, nullptr);
    strip.imageId = 60073;
    strip.stateImages = 1;
    EXPECT_FALSE(LooksLike(strip, 60073, 3, 1, 2));
    strip.state = 2;
    EXPECT_FALSE(LooksLike(strip, 60073, 3, 1, 2));
}

// A missing own file, themes file or pack entry draws the resource with
// the side caps only.
TEST(ButtonLook, MissingFilesFallBackToTheResources) {
    BuiltPictures pictures;
    ASSERT_TRUE(pictures.ok());
    CVxSkin& skin = CVxSkin::Instance();
    auto restore = vx::scope_exit([&] { skin.SetResType(CVxSkin::kResEmbedded); });
    ScratchDir dir(L"button-missing");
    enum Source { Own, Themes, Pack, Embedded };
    struct {
        Source source;
        int splitV;
    } const kCases[] = {{Own, 0}, {Themes, 0}, {Pack, 0}, {Embedded, 2}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.source);
        skin.SetResType(CVxSkin::kResEmbedded);
        CVxButton b;
        b.Init(L"", 0, 0, 60, 40, 2, 1, nullptr,
               c.source == Own ? (dir / L"none.png").c_str() : nullptr);
        b.state = 1;
        if (c.source == Themes)
            skin.SetThemesName(L"vx-no-such-theme");
        if (c.source == Pack)
            skin.SetSkinName(L"vx-no-such-pack");
        EXPECT_TRUE(LooksLike(b, 60002, 1, 1, c.splitV));
        EXPECT_FALSE(LooksLike(b, 60002, 1, 1, 2 - c.splitV));
    }
}

// The themes and Skins folders lie beside the program: run in a copy.
TEST(ButtonLook, OwnFileThemesFolderAndSkinPack) {
    VX_RUN_IN_COPY(false);
    CVxSkin& skin = CVxSkin::Instance();
    auto restore = vx::scope_exit([&] { skin.SetResType(CVxSkin::kResEmbedded); });
    const std::wstring here = ModuleFile().substr(0, ModuleFile().find_last_of(L'\\') + 1);
    ASSERT_TRUE(MakeFile(here + L"own.bmp", Solid(0x2040F0)));
    ASSERT_TRUE(MakeFile(here + L"Themes\\blue\\button_1.bmp", Solid(0x00FF00)));
    ASSERT_TRUE(MakeFile(here + L"src\\button.bmp", Solid(0xFF00FF)));
    ASSERT_TRUE(MakeDirs(here + L"Skins\\"));
    ASSERT_TRUE(skin.MakeSkin((here + L"src\\").c_str(), (here + L"Skins\\blue.skin").c_str()));

    CVxButton b;
    b.Init(L"", 0, 0, 40, 20, 2, 1, nullptr, (here + L"own.bmp").c_str());
    EXPECT_EQ(0x2040F0u, Centre(b)) << "own file";
    b.imageSource = 0;
    b.imageExt = L".bmp";
    b.state = 1;
    skin.SetThemesName(L"blue");
    EXPECT_EQ(0x00FF00u, Centre(b)) << "themes folder, state 1";
    b.state = 2;
    EXPECT_EQ(kFill & 0xFFFFFF, Centre(b)) << "no state-2 file: the (absent) resource";
    ASSERT_TRUE(skin.LoadSkin(L"blue"));
    EXPECT_EQ(0xFF00FFu, Centre(b)) << "skin pack";
    skin.FreeSkin();
}

namespace {
struct Calls {
    int downs = 0, clicks = 0;
    void* downContext = nullptr;
    void* clickContext = nullptr;
} g_calls;
void OnDown(void* ctx) {
    ++g_calls.downs;
    g_calls.downContext = ctx;
}
void OnClick(void* ctx) {
    ++g_calls.clicks;
    g_calls.clickContext = ctx;
}
} // namespace

TEST(ButtonInput, StatesAndCallbacksFromRealClicks) {
    BuiltPictures pictures;
    const int x = 500, y = 500;
    TestDlg dlg;
    CVxButton b;
    b.Init(L"OK", 50, 60, 69, 21, 2, 1, nullptr, nullptr);
    int mine = 0;
    b.context = &mine;
    b.onDown = OnDown;
    b.onClick = OnClick;
    dlg.controls.push_back(&b);
    ASSERT_TRUE(dlg.Create(0, x, y, 200, 120, WS_EX_TOOLWINDOW, false, nullptr));
    dlg.Show(-1, false, SW_SHOW);
    Activate(dlg.hwnd);
    const int inX = x + 80, inY = y + 70, outX = x + 150, outY = y + 100;
    const COLORREF normal = ScreenAt(inX, inY);

    ASSERT_TRUE(PointerTo(inX, inY));
    EXPECT_EQ(CVxButton::kHover, b.state);
    EXPECT_TRUE(PumpUntil([&] { return ScreenAt(inX, inY) != normal; })) << "the hover look";
    ASSERT_TRUE(XDo(L"mousedown 1"));
    EXPECT_EQ(CVxButton::kPressed, b.state);
    EXPECT_EQ(1, g_calls.downs);
    EXPECT_EQ(&dlg, g_calls.downContext) << "a press carries the dialog";
    ASSERT_TRUE(XDo(L"mouseup 1"));
    EXPECT_EQ(CVxButton::kReleased, b.state);
    EXPECT_EQ(1, g_calls.clicks);
    EXPECT_EQ(&mine, g_calls.clickContext) << "a release carries the button's own context";
    ASSERT_TRUE(PointerTo(outX, outY));
    EXPECT_EQ(CVxButton::kNormal, b.state);
    EXPECT_TRUE(PumpUntil([&] { return ScreenAt(inX, inY) == normal; })) << "normal again";

    // Pressed inside, released outside: no click, but the press is kept,
    // and a release inside after a press elsewhere clicks.
    ASSERT_TRUE(PointerTo(inX, inY));
    ASSERT_TRUE(XDo(L"mousedown 1"));
    ASSERT_TRUE(PointerTo(outX, outY));
    EXPECT_EQ(CVxButton::kNormal, b.state);
    ASSERT_TRUE(XDo(L"mouseup 1"));
    EXPECT_EQ(1, g_calls.clicks);
    EXPECT_TRUE(b.pressed);
    ASSERT_TRUE(XDo(L"mousedown 1"));
    ASSERT_TRUE(PointerTo(inX, inY));
    ASSERT_TRUE(XDo(L"mouseup 1"));
    EXPECT_EQ(2, g_calls.clicks);
    EXPECT_EQ(2, g_calls.downs);
}
