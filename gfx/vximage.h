// Image drawing over GDI+: state strips, three- and nine-part stretching,
// colour scaling, colour keys, rotation, flips, parallelogram mapping and
// text, plus capture of the screen, device contexts and bitmaps into image
// files and streams.
//
// Every drawing family takes its image from a GDI+ image the caller owns, a
// stream (read from its start whatever its position, which is left as it
// was), a file, or a resource (identifier and type, usually "IMG") of the
// module chosen with SetInst. Images are decoded anew on every call and no
// GDI+ object outlives the call. Destinations are device pixels; a width or
// height of 0 means the source's natural size. Calls with a boolean result
// return false for a null device context or an image that did not load.
#pragma once

#include "support/vxapi.h"

#include <windows.h>
#include <objidl.h>
#include <algorithm>
// GDI+'s headers use the min and max that NOMINMAX takes away.
using std::max;
using std::min;
#include <gdiplus.h>

class VX_API CVxImage {
public:
    static CVxImage& Instance();

    CVxImage();
    ~CVxImage();
    CVxImage(const CVxImage&) = delete;
    CVxImage& operator=(const CVxImage&) = delete;

    // The module whose resources the resource overloads read; the
    // executable itself until set.
    void SetInst(HINSTANCE hInst);

    // The image (or the part pSrc of it, in image pixels) into (x, y, w, h).
    bool DrawImg(HDC hdc, Gdiplus::Image* pImage, int x, int y, int w, int h,
                 const RECT* pSrc = nullptr, Gdiplus::ImageAttributes* pAttr = nullptr);
    bool DrawImg(HDC hdc, IStream* pStream, int x, int y, int w, int h, const RECT* pSrc = nullptr);
    bool DrawImg(HDC hdc, const wchar_t* lpszPath, int x, int y, int w, int h,
                 const RECT* pSrc = nullptr);
    bool DrawImg(HDC hdc, int nId, const wchar_t* lpszType, int x, int y, int w, int h,
                 const RECT* pSrc = nullptr);

    // Frame nFrameIndex of a strip of nFrames frames, stretched with its
    // nSplitH-pixel side caps and nSplitV-pixel top and bottom bands kept
    // (either 0: that direction stretches whole).
    bool DrawStretchImg(HDC hdc, Gdiplus::Image* pImage, int x, int y, int w, int h, int nSplitH,
                        int nFrames, int nFrameIndex, int nSplitV);
    bool DrawStretchImg(HDC hdc, IStream* pStream, int x, int y, int w, int h, int nSplitH,
                        int nFrames, int nFrameIndex, int nSplitV);
    bool DrawStretchImg(HDC hdc, const wchar_t* lpszPath, int x, int y, int w, int h, int nSplitH,
                        int nFrames, int nFrameIndex, int nSplitV);
    bool DrawStretchImg(HDC hdc, int nId, const wchar_t* lpszType, int x, int y, int w, int h,
                        int nSplitH, int nFrames, int nFrameIndex, int nSplitV);

    // The whole image with each channel scaled: (1, 1, 1, 0.5) is half opacity.
    bool DrawImgEx(HDC hdc, IStream* pStream, float r, float g, float b, float a, int x, int y,
                   int w, int h);
    bool DrawImgEx(HDC hdc, const wchar_t* lpszPath, float r, float g, float b, float a, int x,
                   int y, int w, int h);
    bool DrawImgEx(HDC hdc, int nId, const wchar_t* lpszType, float r, float g, float b, float a,
                   int x, int y, int w, int h);

    // The whole image without the pixels whose every channel lies between
    // the ARGB keys clrLow and clrHigh.
    bool DrawTranImg(HDC hdc, IStream* pStream, DWORD clrHigh, DWORD clrLow, int x, int y, int w,
                     int h);
    bool DrawTranImg(HDC hdc, const wchar_t* lpszPath, DWORD clrHigh, DWORD clrLow, int x, int y,
                     int w, int h);
    bool DrawTranImg(HDC hdc, int nId, const wchar_t* lpszType, DWORD clrHigh, DWORD clrLow, int x,
                     int y, int w, int h);

    // The whole image turned nAngle degrees clockwise about the centre of
    // (x, y, w, h).
    bool DrawRotate(HDC hdc, IStream* pStream, int nAngle, int x, int y, int w, int h);
    bool DrawRotate(HDC hdc, const wchar_t* lpszPath, int nAngle, int x, int y, int w, int h);
    bool DrawRotate(HDC hdc, int nId, const wchar_t* lpszType, int nAngle, int x, int y, int w,
                    int h);

    // The whole image flipped or quarter-turned, at opacity fAlpha.
    bool DrawRotateFlip(HDC hdc, IStream* pStream, int x, int y, int w, int h,
                        Gdiplus::RotateFlipType type, float fAlpha);
    bool DrawRotateFlip(HDC hdc, const wchar_t* lpszPath, int x, int y, int w, int h,
                        Gdiplus::RotateFlipType type, float fAlpha);
    bool DrawRotateFlip(HDC hdc, int nId, const wchar_t* lpszType, int x, int y, int w, int h,
                        Gdiplus::RotateFlipType type, float fAlpha);

    // The image mapped onto a parallelogram: its upper-left corner to
    // (x1, y1), upper-right to (x2, y2), lower-left to (x3, y3).
    void DrawRotate3D(HDC hdc, IStream* pStream, int x1, int y1, int x2, int y2, int x3, int y3);

    // Text in hFont (null: the device context's font) and clrText at
    // opacity nAlpha (low byte), vertically centred in (x, y, w, h) and
    // horizontally centred or near-aligned, cut with an ellipsis; with w or
    // h 0, from the point (x, y). bLineLimit shows only whole lines.
    void DrawString(HDC hdc, HFONT hFont, const wchar_t* lpszText, int x, int y, int w, int h,
                    COLORREF clrText, int nAlpha, bool bCenter, bool bLineLimit, int nReserved);

    // Whether the file is an image GDI+ can read.
    bool CheckImage(const wchar_t* lpszPath);

    // Capture and encoding. lpszFormat completes the MIME type "image/...":
    // bmp, png, jpeg, gif, tiff. The savers return true only when the
    // picture was encoded and written.
    bool SaveScreen(const wchar_t* lpszPath, const wchar_t* lpszFormat);
    bool SavePic(HDC hdc, RECT rc, const wchar_t* lpszPath, const wchar_t* lpszFormat);
    bool SavePic(HWND hWnd, const wchar_t* lpszPath, const wchar_t* lpszFormat);
    bool SavePic(const wchar_t* lpszSrcPath, const wchar_t* lpszPath, const wchar_t* lpszFormat);
    // Encodes the bitmap into the stream at its current position.
    bool BmToStream(HBITMAP hBitmap, IStream* pStream, const wchar_t* lpszFormat);

private:
    // A new image from the resource, the caller deletes it; null when absent.
    Gdiplus::Image* LoadPngFromRes(int nId, const wchar_t* lpszType);
    // The encoder's index in GDI+'s list, its class in clsid; -1 when none.
    int GetEncoderClsid(const wchar_t* lpszMimeType, CLSID* pClsid);
    bool SaveBitmap(HBITMAP hBitmap, const wchar_t* lpszPath, const wchar_t* lpszFormat);

    Gdiplus::GdiplusStartupInput m_startupInput;
    ULONG_PTR m_gdiplusToken;
    // Set once destruction begins: long-running drawing loops stop on it.
    volatile bool m_bExiting;
    HINSTANCE m_hInst;
};
