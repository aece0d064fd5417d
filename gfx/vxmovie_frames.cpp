#include "gfx/vxmovie_frames.h"

namespace vx::image {

MovieFrame MovieFrameFor(int effect, int frames, int counter) {
    switch (static_cast<MovieEffect>(effect)) {
    case MovieEffect::Strip:
        return {MovieFrame::Strip, counter, 1.0f, false};
    case MovieEffect::RotateFlip:
        return {MovieFrame::RotateFlip, counter, 1.0f, false};
    case MovieEffect::Turn:
        return {MovieFrame::Turn, (360 / frames) * counter, 1.0f, false};
    case MovieEffect::FadeIn:
    case MovieEffect::FadeOut: {
        const double step = 1.0 / (frames - 1);
        const float in = static_cast<float>(step * counter);
        const bool fadeIn = effect == static_cast<int>(MovieEffect::FadeIn);
        // The end is judged on the counter: a float sum need not land on 1.
        return {MovieFrame::Fade, 0, fadeIn ? in : 1.0f - in, counter >= frames - 1};
    }
    }
    return {MovieFrame::BackgroundOnly, 0, 1.0f, false};
}

int NextMovieCounter(int counter, int frames) {
    return (counter + 1) % frames;
}

bool isPlayableMovie(int effect, int frames) {
    switch (static_cast<MovieEffect>(effect)) {
    case MovieEffect::FadeIn:
    case MovieEffect::FadeOut:
        return frames >= 2;
    case MovieEffect::RotateFlip:
        return frames >= 1 && frames <= 8;
    default:
        return frames >= 1;
    }
}

} // namespace vx::image
