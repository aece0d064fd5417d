#include "ui/vxeffect.h"

#include "ui/vxdpi.h"

#include <cmath>

namespace vx::effect {

namespace {

class Script {
public:
    void Place(int x, int y, int w, int h) { Add(Op::Place, x, y, w, h); }
    // Opacities wrap into a byte.
    void Alpha(int a) { Add(Op::Alpha, ((a % 256) + 256) % 256); }
    void Sleep(int ms) { Add(Op::Sleep, ms); }
    void Add(Op op, int a = 0, int b = 0, int c = 0, int d = 0, int e = 0, int f = 0) {
        steps.push_back({op, a, b, c, d, e, f});
    }
    std::vector<Step> steps;
};

void SlideInBounce(Script& s, int x, int y, int w, int h, UINT dpi) {
    const int step = (x + w) / 3;
    int p = -w;
    for (int k = 0; k < 3; ++k) {
        p += step;
        s.Place(p, y, w, h);
        s.Sleep(50);
    }
    for (int delta : {-5, -5, 5, 5}) {
        p += vx::ui::Scale(delta, dpi);
        s.Place(p, y, w, h);
        s.Sleep(20);
    }
    s.Place(x, y, w, h);
    s.Add(Op::Redraw);
}

void OpenFromMiddle(Script& s, int x, int y, int w, int h) {
    s.Add(Op::HideInPlace);
    s.Add(Op::Freeze, 0);
    s.Add(Op::Redraw);
    s.Add(Op::Snapshot);
    const int step = h / 10, half = step / 2;
    for (int k = 1; k <= 10; ++k) {
        const int band = k * step;
        s.Place(x, y + h / 2 - k * half, w, band);
        s.Add(Op::Slice, w, (h - band) / 2, band);
        s.Sleep(10);
    }
    s.Place(x, y, w, h);
    s.Add(Op::Redraw);
}

void CloseToMiddle(Script& s, int x, int y, int w, int h) {
    s.Add(Op::Freeze, 1);
    const int step = h / 10;
    int top = y;
    for (int k = 1; k <= 9; ++k) {
        top += step / 2;
        s.Place(x, top, w, h - k * step);
        s.Sleep(15);
    }
    s.Place(x, y + h / 2, w, 1);
    s.Add(Op::Redraw);
    s.Sleep(50);
    s.Add(Op::Hide);
}

// The swell of 8 and 9 is a tenth of the height per 10 pixels of width.
int Swell(int w, int h) {
    return w ? 10 * h / w : 0;
}

// The zoom effects draw the whole box, controls included, scaled to each
// size the window takes.
void ZoomIn(Script& s, int x, int y, int w, int h, bool round, UINT dpi) {
    s.Add(Op::Scale, 1);
    s.Add(Op::Freeze, 1);
    const int cw = w / 3, ch = h / 3;
    int left = x + w / 2, top = y + h / 2;
    for (int k = 1; k <= 3; ++k) {
        s.Alpha(50 * k);
        left -= cw / 2;
        top -= ch / 2;
        s.Place(left, top, k * cw, k * ch);
        s.Sleep(20);
    }
    const int r = Swell(w, h);
    const int ten = vx::ui::Scale(10, dpi);
    int px = x - 3 * ten, py = y - 3 * r, pw = w + 6 * ten, ph = h + 6 * r;
    s.Add(Op::Store, x, y, pw, ph);
    s.Place(px, py, pw, ph);
    if (round)
        s.Add(Op::Region);
    for (int k = 1; k <= 3; ++k) {
        s.Alpha(33 * k - 106);
        pw -= 2 * ten;
        ph -= 2 * r;
        px += ten;
        py += r;
        s.Add(Op::Store, x, y, pw, ph);
        s.Place(px, py, pw, ph);
        s.Sleep(20);
    }
    if (round)
        s.Add(Op::Region);
    s.Add(Op::Scale, 0);
    s.Add(Op::Freeze, 0);
    s.Add(Op::Redraw);
}

void SwellAndFade(Script& s, int x, int y, int w, int h, bool round, UINT dpi) {
    s.Add(Op::Scale, 1);
    s.Add(Op::Freeze, 1);
    const int r = Swell(w, h), ten = vx::ui::Scale(10, dpi);
    for (int k = 1; k <= 3; ++k) {
        s.Alpha(250 - 33 * k);
        y -= r;
        w += 2 * ten;
        x -= ten;
        h += 2 * r;
        s.Add(Op::Store, x, y, w, h);
        s.Place(x, y, w, h);
        if (round)
            s.Add(Op::Region);
        s.Add(Op::Redraw);
        s.Sleep(20);
    }
    const int dw = w / 3, dh = h / 3;
    for (int k = 1; k <= 3; ++k) {
        s.Alpha(50 * (3 - k));
        y += dh / 2;
        x += dw / 2;
        s.Add(Op::Store, x, y, w, h);
        s.Place(x, y, w - k * dw, h - k * dh);
        s.Sleep(20);
    }
    s.Add(Op::Scale, 0);
}

// A step of at least one pixel, so narrow windows still end.
int TurnStep(int w) {
    return w / 10 > 0 ? w / 10 : 1;
}

void TurnOver(Script& s, int w, int h) {
    s.Add(Op::Snapshot);
    s.Add(Op::AddLayered);
    s.Add(Op::Show);
    const int c = w / 2;
    for (int i = 0; i <= w; i += TurnStep(w)) {
        s.Add(Op::Turn, i, 0, 2 * c - i, 0, i, h);
        s.Sleep(20);
    }
    s.Add(Op::DropLayered);
    s.Add(Op::Redraw);
}

void HalfTurn(Script& s, int w, int h, bool child, UINT dpi) {
    const int bulge = vx::ui::Scale(15, dpi);
    s.Add(Op::Snapshot);
    s.Add(Op::AddLayered);
    const int c = w / 2;
    for (int i = 0; i <= c; i += TurnStep(w)) {
        const int d = i - c;
        const double ratio = c ? static_cast<double>(d * d) / static_cast<double>(c * c) : 1.0;
        const int e = bulge - static_cast<int>(std::sqrt((1.0 - ratio) * bulge * bulge));
        s.Add(Op::Turn, i, e, 2 * c - i, 2 * bulge - e, i, h + e);
        s.Sleep(20);
    }
    if (child)
        s.Add(Op::Hide);
}

} // namespace

std::vector<Step> Steps(int effect, const Start& st) {
    Script s;
    const int x = st.x, y = st.y, w = st.w, h = st.h;
    switch (effect) {
    case kSlideInBounce:
        SlideInBounce(s, x, y, w, h, st.dpi);
        break;
    case kUnrollDown:
    case kRollUpHide:
        for (int k = 1; k <= 5; ++k) {
            s.Place(x, y, w, effect == kUnrollDown ? k * (h / 5) : h - k * (h / 5));
            s.Sleep(50);
        }
        if (effect == kUnrollDown) {
            s.Place(x, y, w, h);
            s.Add(Op::Redraw);
        } else {
            s.Add(Op::Hide);
        }
        break;
    case kSlideOutLeft:
        for (int k = 1; k <= 5; ++k) {
            s.Place(x - k * ((x + w) / 5), y, w, h);
            s.Sleep(50);
        }
        break;
    case kOpenFromMiddle:
        OpenFromMiddle(s, x, y, w, h);
        break;
    case kCloseToMiddle:
        CloseToMiddle(s, x, y, w, h);
        break;
    case kFadeIn:
        s.Alpha(0);
        s.Add(Op::Show);
        for (int k = 1; k <= 10; ++k) {
            s.Alpha(60 + 19 * k);
            s.Sleep(30);
        }
        break;
    case kFadeOut:
        for (int k = 1; k <= 20; ++k) {
            s.Alpha(255 - 12 * k);
            s.Sleep(30);
        }
        break;
    case kZoomIn:
        ZoomIn(s, x, y, w, h, st.roundCorners, st.dpi);
        break;
    case kSwellAndFade:
        SwellAndFade(s, x, y, w, h, st.roundCorners, st.dpi);
        break;
    case kTurnOver:
        TurnOver(s, w, h);
        break;
    case kHalfTurn:
        HalfTurn(s, w, h, st.child, st.dpi);
        break;
    case kUnrollRight:
    case kRollLeftHide:
        for (int k = 1; k <= 10; ++k) {
            s.Place(x, y, effect == kUnrollRight ? k * (w / 10) : w - k * (w / 10), h);
            if (effect == kRollLeftHide)
                s.Add(Op::Redraw);
            s.Sleep(20);
        }
        if (effect == kUnrollRight) {
            s.Place(x, y, w, h);
            s.Add(Op::Redraw);
        } else {
            s.Add(Op::Hide);
        }
        break;
    default:
        break;
    }
    return s.steps;
}

} // namespace vx::effect
