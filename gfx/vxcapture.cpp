#include "gfx/vximage.h"

#include "gfx/vximage_geometry.h"
#include "gfx/vximage_load.h"
#include "gfx/vxres.h"
#include "support/vxhandle.h"

#include <memory>
#include <new>

int CVxImage::GetEncoderClsid(const wchar_t* lpszMimeType, CLSID* pClsid) {
    UINT count = 0, bytes = 0;
    if (!lpszMimeType || !pClsid || Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok ||
        bytes == 0)
        return -1;
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[bytes]);
    if (!buffer)
        return -1;
    auto* list = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.get());
    if (Gdiplus::GetImageEncoders(count, bytes, list) != Gdiplus::Ok)
        return -1;
    // The list and the strings it points to share the one block.
    if (static_cast<unsigned long long>(count) * sizeof(Gdiplus::ImageCodecInfo) > bytes)
        return -1;
    for (UINT i = 0; i < count; ++i) {
        if (list[i].MimeType && lstrcmpW(list[i].MimeType, lpszMimeType) == 0) {
            *pClsid = list[i].Clsid;
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool CVxImage::SaveBitmap(HBITMAP hBitmap, const wchar_t* lpszPath, const wchar_t* lpszFormat) {
    wchar_t mime[vx::image::kMimeChars];
    CLSID clsid;
    if (!lpszPath || !vx::image::MimeType(lpszFormat, mime) || GetEncoderClsid(mime, &clsid) < 0)
        return false;
    Gdiplus::Bitmap bitmap(hBitmap, nullptr);
    return bitmap.GetLastStatus() == Gdiplus::Ok &&
           bitmap.Save(lpszPath, &clsid, nullptr) == Gdiplus::Ok;
}

bool CVxImage::SaveScreen(const wchar_t* lpszPath, const wchar_t* lpszFormat) {
    HDC screen = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
    if (!screen)
        return false;
    RECT all = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    bool saved = SavePic(screen, all, lpszPath, lpszFormat);
    DeleteDC(screen);
    return saved;
}

bool CVxImage::SavePic(HDC hdc, RECT rc, const wchar_t* lpszPath, const wchar_t* lpszFormat) {
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (!hdc || w <= 0 || h <= 0)
        return false;
    HDC mem = CreateCompatibleDC(hdc);
    HBITMAP bitmap = CreateCompatibleBitmap(hdc, w, h);
    auto release = vx::scope_exit([&] {
        if (bitmap)
            DeleteObject(bitmap);
        if (mem)
            DeleteDC(mem);
    });
    if (!mem || !bitmap)
        return false;
    HGDIOBJ old = SelectObject(mem, bitmap);
    // The picture shows the rectangle itself, wherever it lies.
    BitBlt(mem, 0, 0, w, h, hdc, rc.left, rc.top, SRCCOPY);
    SelectObject(mem, old);
    return SaveBitmap(bitmap, lpszPath, lpszFormat);
}

bool CVxImage::SavePic(HWND hWnd, const wchar_t* lpszPath, const wchar_t* lpszFormat) {
    HDC dc = GetDC(hWnd);
    if (!dc)
        return false;
    RECT client = {};
    GetClientRect(hWnd, &client);
    bool result = SavePic(dc, client, lpszPath, lpszFormat);
    ReleaseDC(hWnd, dc);
    return result;
}

bool CVxImage::SavePic(const wchar_t* lpszSrcPath, const wchar_t* lpszPath,
                       const wchar_t* lpszFormat) {
    wchar_t mime[vx::image::kMimeChars];
    CLSID clsid;
    if (!lpszPath || !vx::image::MimeType(lpszFormat, mime) || GetEncoderClsid(mime, &clsid) < 0)
        return false;
    vx::image::LoadedImage image(lpszSrcPath);
    return image && image.get()->Save(lpszPath, &clsid, nullptr) == Gdiplus::Ok;
}

bool CVxImage::BmToStream(HBITMAP hBitmap, IStream* pStream, const wchar_t* lpszFormat) {
    wchar_t mime[vx::image::kMimeChars];
    CLSID clsid;
    if (!hBitmap || !pStream || !vx::image::MimeType(lpszFormat, mime) ||
        GetEncoderClsid(mime, &clsid) < 0)
        return false;
    // Some encoders write from the stream's start rather than its position:
    // the picture is made apart and then appended where the caller is.
    Gdiplus::Bitmap bitmap(hBitmap, nullptr);
    vx::com_ptr<IStream> encoded(vx::CreateMemStream(nullptr, 0));
    if (bitmap.GetLastStatus() != Gdiplus::Ok || !encoded ||
        bitmap.Save(encoded.get(), &clsid, nullptr) != Gdiplus::Ok)
        return false;
    STATSTG st = {};
    LARGE_INTEGER zero = {};
    return SUCCEEDED(encoded.get()->Stat(&st, STATFLAG_NONAME)) &&
           SUCCEEDED(encoded.get()->Seek(zero, STREAM_SEEK_SET, nullptr)) &&
           SUCCEEDED(encoded.get()->CopyTo(pStream, st.cbSize, nullptr, nullptr));
}
