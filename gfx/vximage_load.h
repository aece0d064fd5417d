// Loading the image of one drawing call, shared by the drawing families.
#pragma once

#include "gfx/vximage.h"
#include "gfx/vximage_geometry.h"
#include "support/vxhandle.h"

namespace vx::image {

// An image decoded for one call. Deletes it at the end; a stream that had
// to be rewound itself gets its position back after the image is gone.
class LoadedImage {
public:
    // Takes over an image (null or one that failed to load gives none).
    explicit LoadedImage(Gdiplus::Image* owned);
    // Decodes the stream from its start, leaving its position alone.
    explicit LoadedImage(IStream* stream);
    explicit LoadedImage(const wchar_t* path);
    ~LoadedImage();
    LoadedImage(const LoadedImage&) = delete;
    LoadedImage& operator=(const LoadedImage&) = delete;

    Gdiplus::Image* get() const { return m_image; }
    explicit operator bool() const { return m_image != nullptr; }
    // Hands the image to the caller, who deletes it.
    Gdiplus::Image* release();

private:
    Gdiplus::Image* m_image = nullptr;
    vx::com_ptr<IStream> m_clone;
    IStream* m_rewound = nullptr;
    ULARGE_INTEGER m_position = {};
};

// The image's size in pixels as ints.
int Width(Gdiplus::Image* image);
int Height(Gdiplus::Image* image);

// One piece of an image onto the Graphics.
void DrawPiece(Gdiplus::Graphics& g, Gdiplus::Image* image, const Piece& piece,
               Gdiplus::ImageAttributes* attr);

// A colour matrix scaling the four channels, every other entry 0.
Gdiplus::ColorMatrix ScaleMatrix(float r, float g, float b, float a);

} // namespace vx::image
