// The toolkit's push button: a windowless control drawn by its dialog from
// a state image and an optional centred caption. Four states follow the
// mouse (0 normal, 1 hover, 2 pressed, 3 just clicked); each change repaints
// only the button, and plain callbacks run on press and on click.
#pragma once

#include "support/vxapi.h"
#include "ui/vxbase.h"

#include <windows.h>
#include <string>

// A button callback: the context the dialog passes with the event.
typedef void (*VXBUTTONPROC)(void* context);

class VX_API CVxButton : public CVxBase {
public:
    enum { kNormal = 0, kHover = 1, kPressed = 2, kReleased = 3 };

    CVxButton();
    // The bottom-row button of the main window: y 148, 68 x 29, 8-pixel
    // caps, a strip of three frames.
    CVxButton(const wchar_t* text, int x);
    ~CVxButton() override;

    void DrawAt(HDC hdc, int x, int y) override;
    // The text's offsets scale with the rest.
    void ScaleTo(UINT newDpi) override;
    void Paint(HDC hdc) override;
    bool OnMouse(int x, int y, int action, void* context) override;
    // A captioned button with something to do; a bare picture button (a
    // close cross) is left to Escape.
    bool isFocusable() const override { return visible && onClick && !text.empty(); }
    void Press(void* context) override;
    // The caption without its spacing ("卸 载" is "卸载").
    std::wstring AccName() const override;
    long AccRole() const override;

    // Sets the button up; a null imageFile keeps the skin and resource
    // lookup. Clears the callbacks.
    void Init(const wchar_t* text, int x, int y, int width, int height, int splitH, int frames,
              HWND parent, const wchar_t* imageFile);

    bool pressed;
    int imageId;
    int frames;
    int state;
    int splitH;
    int splitV;
    int textOffsetX;
    int textOffsetY;
    std::wstring text;
    std::wstring imageType;
    std::wstring imageFile;
    std::wstring skinName;
    std::wstring imageExt;
    VXBUTTONPROC onDown;
    VXBUTTONPROC onClick;

private:
    void SetState(int newState);
    void DrawImage(HDC hdc, int x, int y);
    void DrawResource(HDC hdc, int x, int y, int splitV);
};
