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
#include "support/vxthread.h"

#include <windows.h>
#include <objidl.h>
#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <vector>
// GDI+'s headers use the min and max that NOMINMAX takes away.
using std::max;
using std::min;
#include <gdiplus.h>

class CVxImage;

// One frame animation drawn into a window by a thread of its own. The thread
// reads its record in place, so records never move once registered.
struct VX_API tagMovieInfo {
    HWND hwnd;
    HDC bgDC; // when set, each frame starts as a copy of its pixels at (x, y)
    int id;
    int sourceKind; // 0 resource, 1 file, any other value stream
    int effect;     // 0 strip, 1 rotate-flip, 2 turn, 3 fade in, 4 fade out
    std::wstring path;
    int imageId;
    std::wstring imageType;
    IStream* stream;
    int x, y, w, h;
    int frames;
    int delay; // ms after each frame
    std::atomic<int> stopped;
    CVxImage* owner;
    // Whoever swaps the handle out for null waits for the thread and closes it.
    std::atomic<HANDLE> hThread;

    tagMovieInfo();
    // A copy gets the settings, not the thread.
    tagMovieInfo(const tagMovieInfo& o);
    tagMovieInfo& operator=(const tagMovieInfo& o);
};

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
    // The same for a window at dpi: the caps keep their look scaled from
    // 96 DPI, and scaled pieces are resampled smoothly.
    bool DrawStretchImg(HDC hdc, int nId, const wchar_t* lpszType, const RECT& dst, int nSplitH,
                        int nFrames, int nFrameIndex, int nSplitV, UINT dpi);
    // The image (or its part pSrc) at its natural size scaled from 96 DPI
    // to dpi, its top-left corner at (x, y), resampled smoothly.
    bool DrawImgScaled(HDC hdc, int nId, const wchar_t* lpszType, int x, int y, UINT dpi,
                       const RECT* pSrc = nullptr);

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

    // One line of text in hFont, never wrapped nor trimmed: its width as
    // DrawStringLine draws it, and the drawing, near-aligned and vertically
    // centred in (x, y, w, h) and clipped there.
    int MeasureStringLine(HDC hdc, HFONT hFont, const wchar_t* lpszText);
    void DrawStringLine(HDC hdc, HFONT hFont, const wchar_t* lpszText, int x, int y, int w, int h,
                        COLORREF clrText, int nAlpha);

    // Frame animations, each identified by the caller's id. Registering an
    // id that exists changes nothing and succeeds; settings that cannot be
    // played (too few frames for the effect) are refused.
    bool AddMovie(HWND hWnd, int nImageId, const wchar_t* lpszType, int x, int y, int nFrames,
                  int nDelay, int nId, int nEffect, int w, int h, HDC hBgDC);
    bool AddMovie(HWND hWnd, const wchar_t* lpszPath, int x, int y, int nFrames, int nDelay,
                  int nId, int nEffect, int w, int h, HDC hBgDC);
    // Starts a stopped animation on a thread of its own; a running one, or
    // an id without a record, is left alone. A thread of an earlier run that
    // has not ended yet is waited for first: one thread per animation.
    void StartMovie(int nId);
    // Stops the animation and waits for its thread (bounded, answering
    // messages sent to this thread meanwhile).
    void StopMovie(int nId);
    // True when the record exists and is stopped.
    bool isStop(int nId);
    // The record's position among the animations, or -1.
    int GetMovieIndex(int nId);

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

    static unsigned __stdcall MovieThread(void* lpParam);
    // The record of nId; the caller holds m_movieLock.
    tagMovieInfo* FindMovie(int nId);
    bool AddMovieRecord(const tagMovieInfo& rec);
    // Stops every animation of the window, or all of them for null.
    void StopMovies(HWND hWnd);
    // The window's destruction waits for its animations: its procedure is
    // wrapped while this object lives.
    void WatchWindow(HWND hWnd);
    static LRESULT CALLBACK MovieWindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

    Gdiplus::GdiplusStartupInput m_startupInput;
    ULONG_PTR m_gdiplusToken;
    // Set once destruction begins: animation threads stop on it.
    std::atomic<bool> m_bExiting;
    HINSTANCE m_hInst;
    // A deque keeps its elements where they are as it grows.
    std::deque<tagMovieInfo> m_movies;
    CVxMutex m_movieLock;
    std::vector<HWND> m_watched;
};

// The shared image object's animations.
VX_API bool AddMovie(HWND hWnd, int nImageId, const wchar_t* lpszType, int x, int y, int nFrames,
                     int nDelay, int nId, int nEffect, int w, int h, HDC hBgDC);
VX_API bool AddMovie(HWND hWnd, const wchar_t* lpszPath, int x, int y, int nFrames, int nDelay,
                     int nId, int nEffect, int w, int h, HDC hBgDC);
VX_API void StartMovie(int nId);
VX_API void StopMovie(int nId);
VX_API bool isStop(int nId);
VX_API int GetMovieIndex(int nId);
