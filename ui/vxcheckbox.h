// Windowless controls made of a small state image and a caption: the
// shared base with the image lookup, and the check box toggled by a click.
#pragma once

#include "support/vxapi.h"
#include "ui/vxbase.h"
#include "ui/vxbutton.h"

#include <windows.h>
#include <string>

class VX_API CVxBaseEx : public CVxBase {
public:
    CVxBaseEx();
    ~CVxBaseEx() override;

    // Draws the current state's image into (x, y, width, height): the own
    // file, the themes folder, the skin pack, else the resources, which are
    // never split vertically.
    void DrawImage(HDC hdc, int x, int y, int width, int height);

    int imageId;
    int frames;
    int state;
    int splitH;
    std::wstring imageType;
    std::wstring imageFile;
    std::wstring skinName;
    std::wstring imageExt;
    VXBUTTONPROC onDown;   // gets the dialog
    VXBUTTONPROC onChange; // gets the control's own context, else the dialog

private:
    void DrawResource(HDC hdc, int x, int y, int width, int height);
};

// States: 0 unchecked, 1 unchecked under the pointer, 2 checked under the
// pointer, 3 checked; one image each, kImgCheckBox + state, 15 x 15 at the left.
class VX_API CVxCheckBox : public CVxBaseEx {
public:
    enum { kUnchecked = 0, kUncheckedHover = 1, kCheckedHover = 2, kChecked = 3 };

    CVxCheckBox();
    ~CVxCheckBox() override;

    void DrawAt(HDC hdc, int x, int y) override;
    // The text's offsets scale with the rest.
    void ScaleTo(UINT newDpi) override;
    void Paint(HDC hdc) override;
    // The whole rectangle, caption included, is the hit area. A click
    // toggles the value; a press that began inside survives a release
    // outside.
    bool OnMouse(int x, int y, int action, void* context) override;
    bool isFocusable() const override { return visible; }
    void Press(void* context) override;
    std::wstring AccName() const override { return text; }
    long AccRole() const override;
    long AccState() const override;

    // A false checked keeps the present state (and look). A null imageFile
    // keeps the skin and resource lookup; the callbacks stay as they are.
    void Init(const wchar_t* text, int x, int y, int width, int height, bool checked, int splitH,
              int frames, HWND parent, const wchar_t* imageFile);

    bool pressed;
    std::wstring text;
    bool checked;
    int textOffsetY;

private:
    void SetState(int newState);
};
