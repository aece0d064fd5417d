#include "gfx/vximage.h"

#include "gfx/vximage_geometry.h"
#include "gfx/vxres.h"
#include "gfx/vximage_load.h"

#include <climits>
#include <cstring>

namespace vx::image {

namespace {

Gdiplus::Image* Loaded(Gdiplus::Image* image) {
    if (image && image->GetLastStatus() != Gdiplus::Ok) {
        delete image;
        return nullptr;
    }
    return image;
}

} // namespace

LoadedImage::LoadedImage(Gdiplus::Image* owned) : m_image(Loaded(owned)) {}

LoadedImage::LoadedImage(IStream* stream) {
    if (!stream)
        return;
    // Callers draw a stream right after writing it, and draw cached streams
    // many times: read a clone from the start so the caller's position
    // stays. A stream that cannot be cloned is rewound and put back later.
    const LARGE_INTEGER start = {};
    IStream* source = nullptr;
    if (SUCCEEDED(stream->Clone(m_clone.put())) && m_clone &&
        SUCCEEDED(m_clone.get()->Seek(start, STREAM_SEEK_SET, nullptr))) {
        source = m_clone.get();
    } else if (SUCCEEDED(stream->Seek(start, STREAM_SEEK_CUR, &m_position)) &&
               SUCCEEDED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) {
        m_rewound = stream;
        source = stream;
    }
    if (source)
        m_image = Loaded(Gdiplus::Image::FromStream(source, FALSE));
}

LoadedImage::LoadedImage(const wchar_t* path) {
    if (path)
        m_image = Loaded(Gdiplus::Image::FromFile(path, FALSE));
}

Gdiplus::Image* LoadedImage::release() {
    Gdiplus::Image* image = m_image;
    m_image = nullptr;
    return image;
}

LoadedImage::~LoadedImage() {
    delete m_image;
    if (m_rewound) {
        LARGE_INTEGER back;
        back.QuadPart = static_cast<LONGLONG>(m_position.QuadPart);
        m_rewound->Seek(back, STREAM_SEEK_SET, nullptr);
    }
}

int Width(Gdiplus::Image* image) {
    UINT w = image->GetWidth();
    return w > INT_MAX ? INT_MAX : static_cast<int>(w);
}

int Height(Gdiplus::Image* image) {
    UINT h = image->GetHeight();
    return h > INT_MAX ? INT_MAX : static_cast<int>(h);
}

void DrawPiece(Gdiplus::Graphics& g, Gdiplus::Image* image, const Piece& p,
               Gdiplus::ImageAttributes* attr) {
    g.DrawImage(image, Gdiplus::Rect(p.dst.x, p.dst.y, p.dst.w, p.dst.h), p.src.x, p.src.y, p.src.w,
                p.src.h, Gdiplus::UnitPixel, attr);
}

Gdiplus::ColorMatrix ScaleMatrix(float r, float g, float b, float a) {
    Gdiplus::ColorMatrix m;
    memset(&m, 0, sizeof(m));
    m.m[0][0] = r;
    m.m[1][1] = g;
    m.m[2][2] = b;
    m.m[3][3] = a;
    return m;
}

} // namespace vx::image

using vx::image::LoadedImage;

CVxImage& CVxImage::Instance() {
    static CVxImage image;
    return image;
}

CVxImage::CVxImage() : m_gdiplusToken(0), m_bExiting(false), m_hInst(nullptr) {
    Gdiplus::GdiplusStartup(&m_gdiplusToken, &m_startupInput, nullptr);
}

CVxImage::~CVxImage() {
    m_bExiting = true;
    // No animation thread may draw once GDI+ is gone.
    StopMovies(nullptr);
    if (m_gdiplusToken)
        Gdiplus::GdiplusShutdown(m_gdiplusToken);
}

void CVxImage::SetInst(HINSTANCE hInst) {
    m_hInst = hInst;
}

Gdiplus::Image* CVxImage::LoadPngFromRes(int nId, const wchar_t* lpszType) {
    if (!m_hInst)
        m_hInst = GetModuleHandleW(nullptr);
    if (!lpszType)
        return nullptr;
    // Only the low 16 bits name an integer resource.
    HRSRC info =
        FindResourceW(m_hInst, MAKEINTRESOURCEW(static_cast<WORD>(nId & 0xFFFF)), lpszType);
    HGLOBAL loaded = info ? LoadResource(m_hInst, info) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return nullptr;
    vx::com_ptr<IStream> stream(vx::CreateMemStream(data, SizeofResource(m_hInst, info)));
    if (!stream)
        return nullptr;
    // GDI+ holds its own reference to the stream while the image lives.
    return LoadedImage(Gdiplus::Image::FromStream(stream.get(), FALSE)).release();
}

bool CVxImage::DrawImg(HDC hdc, Gdiplus::Image* pImage, int x, int y, int w, int h,
                       const RECT* pSrc, Gdiplus::ImageAttributes* pAttr) {
    if (!hdc)
        return false;
    if (!pImage)
        return false;
    Gdiplus::Graphics g(hdc);
    vx::image::DrawPiece(g, pImage,
                         vx::image::ResolvePiece(vx::image::Width(pImage),
                                                 vx::image::Height(pImage), pSrc, {x, y, w, h}),
                         pAttr);
    return true;
}

bool CVxImage::DrawImg(HDC hdc, IStream* pStream, int x, int y, int w, int h, const RECT* pSrc) {
    if (!hdc)
        return false;
    LoadedImage image(pStream);
    return DrawImg(hdc, image.get(), x, y, w, h, pSrc, nullptr);
}

bool CVxImage::DrawImg(HDC hdc, const wchar_t* lpszPath, int x, int y, int w, int h,
                       const RECT* pSrc) {
    if (!hdc)
        return false;
    LoadedImage image(lpszPath);
    return DrawImg(hdc, image.get(), x, y, w, h, pSrc, nullptr);
}

bool CVxImage::DrawImg(HDC hdc, int nId, const wchar_t* lpszType, int x, int y, int w, int h,
                       const RECT* pSrc) {
    if (!hdc)
        return false;
    LoadedImage image(LoadPngFromRes(nId, lpszType));
    return DrawImg(hdc, image.get(), x, y, w, h, pSrc, nullptr);
}

bool CVxImage::CheckImage(const wchar_t* lpszPath) {
    LoadedImage image(lpszPath);
    return image && image.get()->GetHeight() > 0;
}
