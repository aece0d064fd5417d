// The fourteen show and hide effects of a skinned dialog as pure step
// sequences: for a start rectangle, every window placement, opacity,
// snapshot frame, region, redraw and sleep in order. The dialog only plays
// what these return.
#pragma once

#include "ui/vxdpi.h"

#include <windows.h>
#include <vector>

// Posted to a dialog after each effect, wParam and lParam 0.
#define WM_EFFECT_DONE 7225

namespace vx::effect {

enum class Op {
    Place,       // SetWindowPos(a, b, c, d) with SWP_SHOWWINDOW
    Alpha,       // whole-window opacity a (0 to 255)
    Show,        // ShowWindow(SW_SHOW)
    HideInPlace, // SetWindowPos with SWP_HIDEWINDOW, nothing else changed
    Hide,        // the dialog's Hide()
    Redraw,      // the dialog's Redraw()
    Region,      // the dialog's ApplyRegion()
    Freeze,      // frozen = a
    Store,       // the stored x, y, width, height = a, b, c, d
    Snapshot,    // paint a fresh frame and keep it as a picture; the effect
                 // ends here when it cannot be kept
    Slice,       // the snapshot's rows from b, a x c pixels, drawn at (0, 0)
    Turn,        // the snapshot mapped onto the parallelogram (a, b) (c, d) (e, f)
    AddLayered,  // a fresh WS_EX_LAYERED state for the turn frames
    DropLayered, // WS_EX_LAYERED removed unless the dialog is layered
    Scale,       // a 1: a fresh frame is kept, and every paint and every
                 // place draws it scaled to the window; a 0: paints are the
                 // dialog's again
    Sleep,       // a milliseconds
};

struct Step {
    Op op;
    int a, b, c, d, e, f;
};

// What an effect starts from. Its fixed distances are written for 96 DPI
// and scaled to the window's.
struct Start {
    int x, y, w, h;
    bool roundCorners;
    bool child;
    UINT dpi = vx::ui::kBaseDpi;
};

// The effects by number; the numbers are what callers pass.
enum Effect : int {
    kSlideInBounce = 0,
    kUnrollDown = 1,
    kRollUpHide = 2,
    kSlideOutLeft = 3,
    kOpenFromMiddle = 4,
    kCloseToMiddle = 5,
    kFadeIn = 6,
    kFadeOut = 7,
    kZoomIn = 8,
    kSwellAndFade = 9,
    kTurnOver = 10,
    kHalfTurn = 11,
    kUnrollRight = 12,
    kRollLeftHide = 13,
    kCount = 14
};

// The steps of effect number effect; empty for numbers outside 0 to 13.
std::vector<Step> Steps(int effect, const Start& start);

} // namespace vx::effect
