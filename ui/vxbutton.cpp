#include "ui/vxbutton.h"

#include <oleacc.h>

#include "gfx/vximage.h"
#include "gfx/vxres.h"
#include "ui/vxdpi.h"
#include "ui/vxstateimage.h"

using vx::ui::DefaultTextOffsetY;

CVxButton::CVxButton()
    : pressed(false), imageId(kImgButton), frames(1), state(kNormal), splitH(2), splitV(2),
      textOffsetX(0), textOffsetY(DefaultTextOffsetY()), imageType(L"IMG"), skinName(L"button"),
      imageExt(L".png"), onDown(nullptr), onClick(nullptr) {}

CVxButton::CVxButton(const wchar_t* text_, int x_) : CVxButton() {
    Init(text_, x_, 148, 68, 29, 8, 3, nullptr, nullptr);
}

CVxButton::~CVxButton() = default;

void CVxButton::Init(const wchar_t* text_, int x_, int y_, int width_, int height_, int splitH_,
                     int frames_, HWND parent, const wchar_t* imageFile_) {
    imageId = kImgButton;
    imageType = L"IMG";
    state = kNormal;
    text = text_ ? text_ : L"";
    x = x_;
    y = y_;
    width = width_;
    height = height_;
    splitH = splitH_;
    frames = frames_;
    splitV = 2;
    skinName = L"button";
    imageExt = L".png";
    if (imageFile_) {
        imageFile = imageFile_;
        imageSource = 3;
    }
    hostWnd = parent;
    onDown = nullptr;
    onClick = nullptr;
    textOffsetX = 0;
    textOffsetY = DefaultTextOffsetY();
}

void CVxButton::Paint(HDC hdc) {
    if (IsDrawable())
        DrawAt(hdc, x - originX, y - originY);
}

void CVxButton::DrawResource(HDC hdc, int dx, int dy, int bandV) {
    const int id = stateImages <= 1 ? imageId : imageId + state;
    CVxImage::Instance().DrawStretchImg(hdc, id, imageType.c_str(),
                                        {dx, dy, dx + width, dy + height}, splitH, frames, state,
                                        bandV, dpi);
}

void CVxButton::DrawImage(HDC hdc, int dx, int dy) {
    switch (vx::ui::DrawSkinnedState(
        hdc, {imageSource, imageFile, skinName, imageExt, state, splitH, frames}, dx, dy, width,
        height)) {
    case vx::ui::StateImage::Drawn:
        break;
    case vx::ui::StateImage::Missing:
        DrawResource(hdc, dx, dy, 0);
        break;
    case vx::ui::StateImage::Resources:
        DrawResource(hdc, dx, dy, splitV);
        break;
    }
}

void CVxButton::DrawAt(HDC hdc, int dx, int dy) {
    if (!visible || !hdc)
        return;
    if (stateImages > 1 && state >= stateImages)
        state = stateImages - 1;
    DrawImage(hdc, dx, dy);
    if (!text.empty())
        CVxImage::Instance().DrawString(hdc, font, text.c_str(), dx + textOffsetX, dy + textOffsetY,
                                        width - textOffsetX, height, textColor, 254, true, true, 0);
}

void CVxButton::ScaleTo(UINT newDpi) {
    if (!newDpi || newDpi == dpi)
        return;
    textOffsetX = vx::ui::ScaleBetween(textOffsetX, dpi, newDpi);
    textOffsetY = vx::ui::ScaleBetween(textOffsetY, dpi, newDpi);
    CVxBase::ScaleTo(newDpi);
}

void CVxButton::SetState(int newState) {
    state = newState;
    RedrawSelf(false);
}

bool CVxButton::OnMouse(int mx, int my, int action, void* ctx) {
    if (!isAt(mx, my)) {
        if (state != kNormal)
            SetState(kNormal);
        return false;
    }
    switch (action) {
    case kMouseDown:
        pressed = true;
        SetState(kPressed);
        if (onDown)
            onDown(ctx);
        break;
    case kMouseUp:
        if (pressed) {
            pressed = false;
            SetState(kReleased);
            if (onClick)
                onClick(ctx);
        }
        break;
    case kMouseMove:
        if (state != kHover)
            SetState(kHover);
        break;
    default:
        break;
    }
    return true;
}

void CVxButton::Press(void* ctx) {
    SetState(kReleased);
    if (onClick)
        onClick(ctx);
}

std::wstring CVxButton::AccName() const {
    std::wstring name;
    for (wchar_t c : text)
        if (c != L' ')
            name += c;
    return name;
}

long CVxButton::AccRole() const {
    return ROLE_SYSTEM_PUSHBUTTON;
}
