// Playing the window effects. The effect's thread only sleeps and sends:
// every step is carried out on the window's own thread through a sent
// message, so the dialog's fields, layers and controls are only ever
// touched there, and a dialog being destroyed can stop the thread between
// steps while it answers those messages.
#include "ui/vxdlg.h"

#include "gfx/vximage.h"
#include "support/vxthread.h"
#include "ui/vxlayer.h"

#include <objbase.h>

using vx::effect::Op;
using vx::effect::Step;

struct CVxDlg::EffectRun {
    std::vector<Step> steps;
    vx::com_ptr<IStream> snapshot;
};

// lParam of the step message; no step means "compute the steps".
struct CVxDlg::EffectCall {
    int effect;
    const Step* step;
    EffectRun* run;
};

UINT CVxDlg::EffectMessage() {
    static const UINT msg = RegisterWindowMessageW(L"vxEffectStep");
    return msg;
}

LRESULT CVxDlg::OnEffectCall(LPARAM lParam) {
    auto* call = reinterpret_cast<EffectCall*>(lParam);
    if (!call || call != effectCall.load())
        return 0;
    if (!call->step) {
        scaledFrame.Reset();
        call->run->steps =
            vx::effect::Steps(call->effect, {x, y, width, height, roundCorners, isChild, dpi});
        return 1;
    }
    return PlayStep(*call->step, *call->run) ? 1 : 0;
}

void CVxDlg::PlayEffect(int effect) {
    if (inEffect.exchange(true))
        return;
    PlayClaimed(effect);
}

unsigned __stdcall CVxDlg::EffectThread(void* param) {
    auto* self = static_cast<CVxDlg*>(param);
    self->PlayClaimed(self->showEffect);
    return 0;
}

void CVxDlg::PlayClaimed(int effect) {
    HWND wnd = hwnd;
    if (wnd) {
        EffectRun run;
        EffectCall call = {effect, nullptr, &run};
        effectCall = &call;
        // A message that no dialog answers (it is being destroyed) ends it.
        if (SendMessageW(wnd, EffectMessage(), 0, reinterpret_cast<LPARAM>(&call))) {
            for (const Step& step : run.steps) {
                if (stopEffect)
                    break;
                if (step.op == Op::Sleep) {
                    Sleep(step.a);
                    continue;
                }
                call.step = &step;
                if (!SendMessageW(wnd, EffectMessage(), 0, reinterpret_cast<LPARAM>(&call)))
                    break;
            }
        }
        effectCall = nullptr;
    }
    inEffect = false;
    if (wnd)
        PostMessageW(wnd, WM_EFFECT_DONE, 0, 0);
}

void CVxDlg::CancelEffect() {
    stopEffect = true;
    WaitEffectThread(kEffectWaitMs);
    stopEffect = false;
}

void CVxDlg::WaitEffectThread(DWORD timeoutMs) {
    // The thread's steps are sent to this thread: they are answered while
    // it is waited for, and a thread still running then is ended, since it
    // must not outlive the dialog.
    EndThreadAnsweringSent(effectThread.release(), timeoutMs);
}

// Runs on the window's thread; the step message's handler.
bool CVxDlg::PlayStep(const Step& s, EffectRun& run) {
    switch (s.op) {
    case Op::Place:
        SetWindowPos(hwnd, nullptr, s.a, s.b, s.c, s.d, SWP_SHOWWINDOW);
        // Drawn now, before the next frame: a posted paint would leave the
        // old picture (or none) on the window's new area meanwhile.
        if (scaledFrame) {
            vx::unique_window_dc dc(hwnd);
            Paint(dc.get());
        }
        break;
    case Op::Scale:
        scaledFrame.Reset();
        if (s.a) {
            // A fresh frame, controls included, as the box stands.
            {
                vx::unique_window_dc dc(hwnd);
                Paint(dc.get());
            }
            scaledFrame.Take(frameLayer.memDC, width, height);
        }
        break;
    case Op::Alpha:
        SetOpacity(s.a);
        break;
    case Op::Show:
        ShowWindow(hwnd, SW_SHOW);
        break;
    case Op::HideInPlace:
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
        break;
    case Op::Hide:
        Hide();
        break;
    case Op::Redraw:
        Redraw();
        break;
    case Op::Region:
        ApplyRegion();
        break;
    case Op::Freeze:
        frozen = s.a != 0;
        break;
    case Op::Store:
        x = s.a;
        y = s.b;
        width = s.c;
        height = s.d;
        break;
    case Op::Snapshot:
        TakeSnapshot(run);
        return run.snapshot.get() != nullptr;
    case Op::Slice:
    case Op::Turn:
        DrawSnapshot(s, run);
        break;
    case Op::AddLayered:
        if (!layered) {
            // Cleared first: a window that took SetLayeredWindowAttributes
            // refuses UpdateLayeredWindow until its layered state is new.
            const LONG ex = GetWindowLongW(hwnd, GWL_EXSTYLE) & ~WS_EX_LAYERED;
            SetWindowLongW(hwnd, GWL_EXSTYLE, ex);
            SetWindowLongW(hwnd, GWL_EXSTYLE, ex | WS_EX_LAYERED);
        }
        break;
    case Op::DropLayered:
        if (!layered)
            SetWindowLongW(hwnd, GWL_EXSTYLE, GetWindowLongW(hwnd, GWL_EXSTYLE) & ~WS_EX_LAYERED);
        break;
    case Op::Sleep:
        break;
    }
    return true;
}

// A window presented with UpdateLayeredWindow refuses
// SetLayeredWindowAttributes: it is repainted at the new opacity instead.
void CVxDlg::SetOpacity(int alpha) {
    if (layered) {
        vx::ui::SetLayeredOpacity(hwnd, static_cast<BYTE>(alpha));
        vx::unique_window_dc dc(hwnd);
        Paint(dc.get());
        return;
    }
    SetWindowLongW(hwnd, GWL_EXSTYLE, GetWindowLongW(hwnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(hwnd, 0, static_cast<BYTE>(alpha), LWA_ALPHA);
}

void CVxDlg::TakeSnapshot(EffectRun& run) {
    {
        vx::unique_window_dc dc(hwnd);
        Paint(dc.get());
    }
    vx::com_ptr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())))
        return;
    auto frame = static_cast<HBITMAP>(GetCurrentObject(frameLayer.memDC, OBJ_BITMAP));
    if (CVxImage::Instance().BmToStream(frame, stream.get(), L"bmp"))
        run.snapshot = std::move(stream);
}

void CVxDlg::DrawSnapshot(const Step& s, EffectRun& run) {
    vx::unique_window_dc dc(hwnd);
    const RECT frame = {0, 0, width, height};
    CVxImage& img = CVxImage::Instance();
    if (s.op == Op::Slice) {
        CVxDC surface(dc.get(), frame, false, false, nullptr);
        const RECT src = {0, s.b, s.a, s.b + s.c};
        img.DrawImg(surface.memDC, run.snapshot.get(), 0, 0, s.a, s.c, &src);
        surface.Draw();
        return;
    }
    CVxDC surface(dc.get(), frame, false, true, hwnd);
    img.DrawRotate3D(surface.memDC, run.snapshot.get(), s.a, s.b, s.c, s.d, s.e, s.f);
    vx::ui::PresentLayered(hwnd, surface.memDC);
}
