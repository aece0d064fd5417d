// Where a control with state images finds the picture of a state: its own
// file, or the themes folder or the skin pack while the skin object is in
// that mode; the executable's resources otherwise, and wherever those lack it.
#pragma once

#include <windows.h>
#include <string>

namespace vx::ui {

enum class StateImage {
    Drawn,     // from the own file, the themes folder or the skin pack
    Missing,   // one of those was asked for but lacks the picture
    Resources, // none of them is in use
};

struct StateImageSource {
    int imageSource; // 3: the control's own file
    const std::wstring& imageFile;
    const std::wstring& skinName;
    const std::wstring& imageExt;
    int state;
    int splitH;
    int frames;
};

// Draws the state's picture into (x, y, w, h) when a skinned source has it;
// otherwise draws nothing and says why, and the caller draws its resource.
StateImage DrawSkinnedState(HDC hdc, const StateImageSource& s, int x, int y, int w, int h);

// The caption's vertical offset: 2 pixels lower with the classic face.
int DefaultTextOffsetY();

} // namespace vx::ui
