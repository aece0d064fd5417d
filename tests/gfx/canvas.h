// Drawing targets and test pictures for the image tests: 32-bit DIB
// sections read back pixel by pixel, and hand-made BMP files.
#pragma once

#include "gfx/vximage.h"
#include "gfx/vxres.h"
#include "support/vxhandle.h"

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

namespace vxtest {

// A top-down 32-bit DIB section in a memory device context.
class Canvas {
public:
    Canvas(int w, int h, uint32_t fill = 0) : m_w(w), m_h(h) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<uint32_t*>(bits);
        m_old = SelectObject(m_dc, m_bitmap);
        Fill(fill);
    }
    ~Canvas() {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return m_dc; }
    HBITMAP bitmap() const { return m_bitmap; }
    int w() const { return m_w; }
    int h() const { return m_h; }
    void Fill(uint32_t argb) {
        GdiFlush();
        for (int i = 0; i < m_w * m_h; ++i)
            m_bits[i] = argb;
    }
    void Set(int x, int y, uint32_t argb) {
        GdiFlush();
        m_bits[y * m_w + x] = argb;
    }
    // 0xAARRGGBB.
    uint32_t At(int x, int y) const {
        GdiFlush();
        return m_bits[y * m_w + x];
    }
    uint32_t Rgb(int x, int y) const { return At(x, y) & 0xFFFFFF; }

private:
    int m_w, m_h;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    uint32_t* m_bits = nullptr;
};

// Whether every colour channel of a and b differs by at most tolerance.
inline bool Near(uint32_t a, uint32_t b, int tolerance = 8) {
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) -
                     static_cast<int>((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

// A 24-bit BMP file of w x h pixels coloured by rgb(x, y) = 0xRRGGBB.
inline std::string BmpFile(int w, int h, const std::function<uint32_t(int, int)>& rgb) {
    const int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + stride * h;
    info.biSize = sizeof(info);
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::string out(reinterpret_cast<const char*>(&file), sizeof(file));
    out.append(reinterpret_cast<const char*>(&info), sizeof(info));
    for (int y = h - 1; y >= 0; --y) {
        std::string row(stride, '\0');
        for (int x = 0; x < w; ++x) {
            uint32_t c = rgb(x, y);
            row[x * 3] = static_cast<char>(c & 0xFF);
            row[x * 3 + 1] = static_cast<char>((c >> 8) & 0xFF);
            row[x * 3 + 2] = static_cast<char>((c >> 16) & 0xFF);
        }
        out += row;
    }
    return out;
}

inline vx::com_ptr<IStream> StreamOf(const std::string& bytes) {
    return vx::com_ptr<IStream>(vx::CreateMemStream(bytes.data(), bytes.size()));
}

// A square picture of four coloured quadrants.
const uint32_t kTopLeft = 0xFF0000, kTopRight = 0x00FF00, kBottomLeft = 0x0000FF,
               kBottomRight = 0xFFFF00;
inline std::string Quadrants(int w, int h) {
    return BmpFile(w, h, [w, h](int x, int y) {
        return y < h / 2 ? (x < w / 2 ? kTopLeft : kTopRight)
                         : (x < w / 2 ? kBottomLeft : kBottomRight);
    });
}

} // namespace vxtest
