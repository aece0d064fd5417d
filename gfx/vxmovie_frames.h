// What each frame of a frame animation draws, as values in and out: the
// animation thread only carries out what these return.
#pragma once

namespace vx::image {

enum class MovieEffect { Strip = 0, RotateFlip = 1, Turn = 2, FadeIn = 3, FadeOut = 4 };

struct MovieFrame {
    enum Kind { Strip, RotateFlip, Turn, Fade, BackgroundOnly } kind;
    // The strip frame, the RotateFlipType or the angle in degrees.
    int value;
    // The opacity of a fade frame.
    float alpha;
    // A fade has reached its end value: that frame is not shown and the
    // animation ends.
    bool ends;
};

// Frame counter of an animation of effect with frames frames. A fade of n
// frames shows n - 1 of them and never its end value.
MovieFrame MovieFrameFor(int effect, int frames, int counter);

// The counter after a frame: the cycles start again at 0.
int NextMovieCounter(int counter, int frames);

// Whether the settings describe an animation that can be played: every
// effect needs one frame, the fades two (the opacity step divides by
// frames - 1), and the rotate-flip cycle has only eight modes.
bool isPlayableMovie(int effect, int frames);

} // namespace vx::image
