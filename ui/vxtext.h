// A text label: a caption in a rectangle with its own font and colour. It
// takes no mouse event, so a press on it in a dialog's caption band still
// starts a window drag.
#pragma once

#include "support/vxapi.h"
#include "ui/vxbase.h"

#include <windows.h>
#include <string>

class VX_API CVxText : public CVxBase {
public:
    CVxText();
    ~CVxText() override;

    void DrawAt(HDC hdc, int x, int y) override;
    // The text's offsets scale with the rest.
    void ScaleTo(UINT newDpi) override;
    void Paint(HDC hdc) override;
    std::wstring AccName() const override { return text; }

    // Sets the text and rectangle; the label lets presses through.
    void Init(const wchar_t* text, int x, int y, int width, int height, bool centered);
    // The font from the font cache (a null face: the cache's default) and
    // the text colour.
    void SetFont(int size, COLORREF color, const wchar_t* face, int bold, int underline,
                 int italic);

    std::wstring text;
    int textOffsetY;
    bool centered;
};
