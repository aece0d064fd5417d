#include "ui/vxcheckbox.h"

#include <oleacc.h>

#include "gfx/vximage.h"
#include "gfx/vxres.h"
#include "ui/vxdpi.h"
#include "ui/vxstateimage.h"

using vx::ui::DefaultTextOffsetY;

CVxBaseEx::CVxBaseEx()
    : imageId(0), frames(1), state(0), splitH(2), imageType(L"IMG"), imageExt(L".png"),
      onDown(nullptr), onChange(nullptr) {}

CVxBaseEx::~CVxBaseEx() = default;

void CVxBaseEx::DrawResource(HDC hdc, int dx, int dy, int w, int h) {
    const int id = stateImages <= 1 ? imageId : imageId + state;
    CVxImage::Instance().DrawStretchImg(hdc, id, imageType.c_str(), {dx, dy, dx + w, dy + h},
                                        splitH, frames, state, 0, dpi);
}

// A skinned source first; every missing file or entry falls back to the
// resources, which are never split vertically here.
void CVxBaseEx::DrawImage(HDC hdc, int dx, int dy, int w, int h) {
    if (!visible || !hdc)
        return;
    if (stateImages > 1 && state >= stateImages)
        state = stateImages - 1;
    if (vx::ui::DrawSkinnedState(
            hdc, {imageSource, imageFile, skinName, imageExt, state, splitH, frames}, dx, dy, w,
            h) != vx::ui::StateImage::Drawn)
        DrawResource(hdc, dx, dy, w, h);
}

CVxCheckBox::CVxCheckBox() : pressed(false), checked(false), textOffsetY(DefaultTextOffsetY()) {
    imageId = kImgCheckBox;
    skinName = L"checkbox";
}

CVxCheckBox::~CVxCheckBox() = default;

void CVxCheckBox::Init(const wchar_t* text_, int x_, int y_, int width_, int height_, bool checked_,
                       int splitH_, int frames_, HWND parent, const wchar_t* imageFile_) {
    imageId = kImgCheckBox;
    if (checked_) {
        checked = true;
        state = kChecked;
    } else {
        checked = false;
    }
    text = text_ ? text_ : L"";
    x = x_;
    y = y_;
    width = width_;
    height = height_;
    splitH = splitH_;
    frames = frames_;
    skinName = L"checkbox";
    if (imageFile_) {
        imageFile = imageFile_;
        imageSource = 3;
    }
    hostWnd = parent;
    textOffsetY = DefaultTextOffsetY();
}

void CVxCheckBox::DrawAt(HDC hdc, int dx, int dy) {
    if (!visible || !hdc)
        return;
    // The box, then the text beside it.
    const auto at = [&](int v) { return vx::ui::Scale(v, dpi); };
    DrawImage(hdc, dx, dy + at(2), at(15), at(15));
    if (!text.empty())
        CVxImage::Instance().DrawString(hdc, font, text.c_str(), dx + at(18), dy + textOffsetY,
                                        width - at(20), height, textColor, 254, false, true, 0);
}

void CVxCheckBox::ScaleTo(UINT newDpi) {
    if (!newDpi || newDpi == dpi)
        return;
    textOffsetY = vx::ui::ScaleBetween(textOffsetY, dpi, newDpi);
    CVxBase::ScaleTo(newDpi);
}

void CVxCheckBox::Paint(HDC hdc) {
    if (IsDrawable())
        DrawAt(hdc, x - originX, y - originY);
}

void CVxCheckBox::SetState(int newState) {
    state = newState;
    RedrawSelf(true);
}

bool CVxCheckBox::OnMouse(int mx, int my, int action, void* ctx) {
    if (!isAt(mx, my)) {
        if (state != kUnchecked && state != kChecked)
            SetState(checked ? kChecked : kUnchecked);
        return false;
    }
    switch (action) {
    case kMouseDown:
        pressed = true;
        if (onDown)
            onDown(ctx);
        break;
    case kMouseUp:
        if (pressed) {
            pressed = false;
            checked = !checked;
            SetState(checked ? kCheckedHover : kUncheckedHover);
            if (onChange)
                onChange(ctx);
        }
        break;
    case kMouseMove:
        if (state != kUncheckedHover && state != kCheckedHover)
            SetState(checked ? kCheckedHover : kUncheckedHover);
        break;
    default:
        break;
    }
    return true;
}

void CVxCheckBox::Press(void* ctx) {
    checked = !checked;
    SetState(checked ? kChecked : kUnchecked);
    if (onChange)
        onChange(ctx);
}

long CVxCheckBox::AccRole() const {
    return ROLE_SYSTEM_CHECKBUTTON;
}

long CVxCheckBox::AccState() const {
    return checked ? STATE_SYSTEM_CHECKED : 0;
}
