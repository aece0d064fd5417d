// Frame animations: each registered record plays on a thread of its own,
// composing every frame off-screen and copying it into the window at once.
// Nothing is released while a thread that uses it may still run: stopping,
// the window's destruction and the image object's destruction all wait for
// the threads concerned.
#include "gfx/vxdc.h"
#include "gfx/vximage.h"
#include "gfx/vxmovie_frames.h"
#include "support/vxthread.h"

#include <process.h>

using vx::image::MovieFrame;

namespace {

const wchar_t kOwnerProp[] = L"VxMovieOwner";
const wchar_t kProcProp[] = L"VxMovieProc";

// How long a stop waits: one frame's sleep and a generous drawing time.
DWORD StopBound(const tagMovieInfo& m) {
    return static_cast<DWORD>(m.delay > 0 ? m.delay : 0) + 3000;
}

// One frame, drawn from the record's source into the surface.
void DrawFrame(CVxImage& image, const tagMovieInfo& m, HDC dc, const MovieFrame& f) {
    auto draw = [&](auto... source) {
        switch (f.kind) {
        case MovieFrame::Strip:
            image.DrawStretchImg(dc, source..., 0, 0, 0, 0, 0, m.frames, f.value, 0);
            break;
        case MovieFrame::RotateFlip:
            image.DrawRotateFlip(dc, source..., 0, 0, 0, 0,
                                 static_cast<Gdiplus::RotateFlipType>(f.value), 1.0f);
            break;
        case MovieFrame::Turn:
            image.DrawRotate(dc, source..., f.value, 0, 0, 0, 0);
            break;
        case MovieFrame::Fade:
            image.DrawImgEx(dc, source..., 1.0f, 1.0f, 1.0f, f.alpha, 0, 0, m.w, m.h);
            break;
        case MovieFrame::BackgroundOnly:
            break;
        }
    };
    if (m.sourceKind == 0)
        draw(m.imageId, m.imageType.c_str());
    else if (m.sourceKind == 1)
        draw(m.path.c_str());
    else
        draw(m.stream);
}

// A record with everything but its source.
tagMovieInfo MovieRecord(HWND hWnd, int x, int y, int frames, int delay, int id, int effect, int w,
                         int h, HDC bgDC) {
    tagMovieInfo rec;
    rec.hwnd = hWnd;
    rec.bgDC = bgDC;
    rec.x = x;
    rec.y = y;
    rec.w = w;
    rec.h = h;
    rec.frames = frames;
    rec.delay = delay;
    rec.id = id;
    rec.effect = effect;
    return rec;
}

} // namespace

tagMovieInfo::tagMovieInfo()
    : hwnd(nullptr), bgDC(nullptr), id(0), sourceKind(0), effect(0), imageId(0), stream(nullptr),
      x(0), y(0), w(0), h(0), frames(1), delay(50), stopped(1), owner(nullptr), hThread(nullptr) {}

tagMovieInfo::tagMovieInfo(const tagMovieInfo& o) : stopped(1), hThread(nullptr) {
    *this = o;
}

tagMovieInfo& tagMovieInfo::operator=(const tagMovieInfo& o) {
    if (this != &o) {
        hwnd = o.hwnd;
        bgDC = o.bgDC;
        id = o.id;
        sourceKind = o.sourceKind;
        effect = o.effect;
        path = o.path;
        imageId = o.imageId;
        imageType = o.imageType;
        stream = o.stream;
        x = o.x;
        y = o.y;
        w = o.w;
        h = o.h;
        frames = o.frames;
        delay = o.delay;
        stopped = o.stopped.load();
        owner = o.owner;
    }
    return *this;
}

bool CVxImage::AddMovie(HWND hWnd, int nImageId, const wchar_t* lpszType, int x, int y, int nFrames,
                        int nDelay, int nId, int nEffect, int w, int h, HDC hBgDC) {
    tagMovieInfo rec = MovieRecord(hWnd, x, y, nFrames, nDelay, nId, nEffect, w, h, hBgDC);
    rec.sourceKind = 0;
    rec.imageId = nImageId;
    rec.imageType = lpszType ? lpszType : L"";
    return AddMovieRecord(rec);
}

bool CVxImage::AddMovie(HWND hWnd, const wchar_t* lpszPath, int x, int y, int nFrames, int nDelay,
                        int nId, int nEffect, int w, int h, HDC hBgDC) {
    tagMovieInfo rec = MovieRecord(hWnd, x, y, nFrames, nDelay, nId, nEffect, w, h, hBgDC);
    rec.sourceKind = 1;
    rec.path = lpszPath ? lpszPath : L"";
    return AddMovieRecord(rec);
}

bool CVxImage::AddMovieRecord(const tagMovieInfo& rec) {
    std::lock_guard<CVxMutex> lock(m_movieLock);
    if (FindMovie(rec.id))
        return true;
    // Too few frames would divide by zero, and a rotate-flip beyond eight
    // frames would name modes GDI+ does not have.
    if (!vx::image::isPlayableMovie(rec.effect, rec.frames))
        return false;
    tagMovieInfo& added = m_movies.emplace_back(rec);
    added.owner = this;
    return true;
}

tagMovieInfo* CVxImage::FindMovie(int nId) {
    for (tagMovieInfo& m : m_movies)
        if (m.id == nId)
            return &m;
    return nullptr;
}

int CVxImage::GetMovieIndex(int nId) {
    std::lock_guard<CVxMutex> lock(m_movieLock);
    int i = 0;
    for (const tagMovieInfo& m : m_movies) {
        if (m.id == nId)
            return i;
        ++i;
    }
    return -1;
}

bool CVxImage::isStop(int nId) {
    std::lock_guard<CVxMutex> lock(m_movieLock);
    const tagMovieInfo* m = FindMovie(nId);
    return m && m->stopped;
}

void CVxImage::StartMovie(int nId) {
    m_bExiting = false;
    tagMovieInfo* m;
    HANDLE earlier;
    {
        std::lock_guard<CVxMutex> lock(m_movieLock);
        m = FindMovie(nId);
        if (!m || !m->stopped)
            return;
        earlier = m->hThread.exchange(nullptr);
    }
    // An earlier thread told to stop may still be drawing: it ends before
    // the record runs again, so two threads never share it.
    EndThreadAnsweringSent(earlier, StopBound(*m));

    std::lock_guard<CVxMutex> lock(m_movieLock);
    if (!m->stopped || m->hThread.load())
        return; // started by another caller meanwhile
    WatchWindow(m->hwnd);
    m->stopped = 0;
    // Suspended until the handle is in the record, so a stop always finds it.
    HANDLE h = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, MovieThread, m, CREATE_SUSPENDED, nullptr));
    if (!h) {
        m->stopped = 1;
        return;
    }
    m->hThread = h;
    ResumeThread(h);
}

void CVxImage::StopMovie(int nId) {
    HANDLE h;
    DWORD bound;
    {
        std::lock_guard<CVxMutex> lock(m_movieLock);
        tagMovieInfo* m = FindMovie(nId);
        if (!m)
            return;
        m->stopped = 1;
        h = m->hThread.exchange(nullptr);
        bound = StopBound(*m);
    }
    EndThreadAnsweringSent(h, bound);
}

void CVxImage::StopMovies(HWND hWnd) {
    std::vector<std::pair<HANDLE, DWORD>> threads;
    {
        std::lock_guard<CVxMutex> lock(m_movieLock);
        for (tagMovieInfo& m : m_movies) {
            if (hWnd && m.hwnd != hWnd)
                continue;
            m.stopped = 1;
            if (HANDLE h = m.hThread.exchange(nullptr))
                threads.emplace_back(h, StopBound(m));
        }
        if (!hWnd) {
            // Windows that outlive this object keep a procedure that only
            // passes their messages on.
            for (HWND w : m_watched)
                if (IsWindow(w) && GetPropW(w, kOwnerProp) == this)
                    RemovePropW(w, kOwnerProp);
            m_watched.clear();
        }
    }
    for (auto& [h, bound] : threads)
        EndThreadAnsweringSent(h, bound);
}

void CVxImage::WatchWindow(HWND hWnd) {
    // Only the window's own thread may replace its procedure.
    if (!IsWindow(hWnd) || GetWindowThreadProcessId(hWnd, nullptr) != GetCurrentThreadId() ||
        GetPropW(hWnd, kProcProp))
        return;
    LONG_PTR old = GetWindowLongPtrW(hWnd, GWLP_WNDPROC);
    if (!SetPropW(hWnd, kProcProp, reinterpret_cast<HANDLE>(old)) ||
        !SetPropW(hWnd, kOwnerProp, this)) {
        RemovePropW(hWnd, kProcProp);
        return;
    }
    SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MovieWindowProc));
    m_watched.push_back(hWnd);
}

LRESULT CALLBACK CVxImage::MovieWindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto old = reinterpret_cast<WNDPROC>(GetPropW(hWnd, kProcProp));
    if (msg == WM_DESTROY) {
        // The window is still whole here: its animations end before it goes.
        if (auto* owner = static_cast<CVxImage*>(GetPropW(hWnd, kOwnerProp)))
            owner->StopMovies(hWnd);
    } else if (msg == WM_NCDESTROY) {
        if (auto* owner = static_cast<CVxImage*>(GetPropW(hWnd, kOwnerProp))) {
            std::lock_guard<CVxMutex> lock(owner->m_movieLock);
            std::vector<HWND>& w = owner->m_watched;
            w.erase(std::remove(w.begin(), w.end(), hWnd), w.end());
        }
        RemovePropW(hWnd, kOwnerProp);
        RemovePropW(hWnd, kProcProp);
        SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
    }
    return old ? CallWindowProcW(old, hWnd, msg, wParam, lParam)
               : DefWindowProcW(hWnd, msg, wParam, lParam);
}

unsigned __stdcall CVxImage::MovieThread(void* lpParam) {
    auto* m = static_cast<tagMovieInfo*>(lpParam);
    CVxImage* owner = m->owner;
    HDC first = GetDC(m->hwnd);
    if (!first)
        return 0;
    const RECT rc = {m->x, m->y, m->x + m->w, m->y + m->h};
    CVxDC surface(first, rc, false, false, nullptr);
    ReleaseDC(m->hwnd, first);
    for (int counter = 0; !owner->m_bExiting && !m->stopped;
         counter = vx::image::NextMovieCounter(counter, m->frames)) {
        if (m->bgDC)
            BitBlt(surface.memDC, 0, 0, m->w, m->h, m->bgDC, m->x, m->y, SRCCOPY);
        const MovieFrame f = vx::image::MovieFrameFor(m->effect, m->frames, counter);
        if (f.ends)
            break;
        DrawFrame(*owner, *m, surface.memDC, f);
        // The window's context is taken for each frame: a window that has
        // gone gives none.
        HDC dc = GetDC(m->hwnd);
        if (!dc)
            break;
        BitBlt(dc, m->x, m->y, m->w, m->h, surface.memDC, 0, 0, SRCCOPY);
        ReleaseDC(m->hwnd, dc);
        Sleep(static_cast<DWORD>(m->delay > 0 ? m->delay : 0));
    }
    return 0;
}

bool AddMovie(HWND hWnd, int nImageId, const wchar_t* lpszType, int x, int y, int nFrames,
              int nDelay, int nId, int nEffect, int w, int h, HDC hBgDC) {
    return CVxImage::Instance().AddMovie(hWnd, nImageId, lpszType, x, y, nFrames, nDelay, nId,
                                         nEffect, w, h, hBgDC);
}

bool AddMovie(HWND hWnd, const wchar_t* lpszPath, int x, int y, int nFrames, int nDelay, int nId,
              int nEffect, int w, int h, HDC hBgDC) {
    return CVxImage::Instance().AddMovie(hWnd, lpszPath, x, y, nFrames, nDelay, nId, nEffect, w, h,
                                         hBgDC);
}

void StartMovie(int nId) {
    CVxImage::Instance().StartMovie(nId);
}

void StopMovie(int nId) {
    CVxImage::Instance().StopMovie(nId);
}

bool isStop(int nId) {
    return CVxImage::Instance().isStop(nId);
}

int GetMovieIndex(int nId) {
    return CVxImage::Instance().GetMovieIndex(nId);
}
