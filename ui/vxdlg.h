// The borderless skinned top-level window the toolkit's screens are built
// on: windowless controls composed off-screen over two cached layers, mouse
// routing to the controls, dragging by the caption band, cut corners, show
// and hide effects on a thread of their own, and a modal loop.
#pragma once

#include "gfx/vxdc.h"
#include "support/vxapi.h"
#include "support/vxhandle.h"
#include "ui/vxeffect.h"
#include "ui/vxlayer.h"
#include "ui/vxwin.h"

#include <windows.h>
#include <atomic>
#include <string>
#include <vector>

class VX_API CVxDlg : public CVxWin {
public:
    CVxDlg();
    // Stops a running effect first (see CancelEffect); the controls are
    // not deleted.
    ~CVxDlg() override;

    void Paint(HDC hdc) override;
    void OnInit() override;
    void OnCreate() override;
    LRESULT WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    virtual void OnMouseWheel(int keys, int delta, int x, int y);
    virtual void OnSize(WPARAM wParam, LPARAM lParam);
    virtual void OnMouseMove(WPARAM wParam, LPARAM lParam);
    // After a move was dispatched; a hook for derived dialogs.
    virtual void OnMouseMoved(int x, int y);
    virtual void OnLButtonUp(WPARAM wParam, LPARAM lParam);
    virtual void OnLButtonDown(WPARAM wParam, LPARAM lParam);
    virtual void DrawBackground(HDC hdc, RECT rect);
    // The dialog's own content, over the background and under the controls.
    virtual void DrawContent(HDC hdc);
    // Plays one effect and returns when it has ended: the calling thread
    // sleeps between the steps and the window's thread carries each one
    // out. Nothing while an effect plays; posts WM_EFFECT_DONE at the end.
    virtual void PlayEffect(int effect);

    // The keyboard, through any dialog: Tab and Shift+Tab (and the arrow
    // keys) move the focus among the focusable controls, Space presses the
    // focused one, Enter the focused push button or else the default one,
    // and Escape calls OnEscape. The focus mark shows once keys are used.
    virtual void OnKey(UINT vk);
    virtual void OnEscape();
    // The control the keys act on: the focused one, else the default one.
    CVxBase* FocusedControl() const;
    // Moves the focus to controls[index] (-1 for none), shows the mark and
    // tells screen readers.
    void SetFocusIndex(int index);
    // A press from the keyboard or a screen reader, as a click would do.
    void PressControl(CVxBase* control);

    // What a screen reader sees of the dialog: one item per visible
    // control by default, in order; a dialog may show more (text it draws
    // itself, a progress display).
    struct tagAccItem {
        CVxBase* control; // may be null
        long role;
        std::wstring name;
        std::wstring value;
        RECT rect; // client coordinates
        long state;
    };
    virtual std::vector<tagAccItem> AccItems();
    // The child id (1-based) of control among AccItems(), or 0.
    long AccChildOf(const CVxBase* control);

    // effect -1 shows with cmdShow at once; otherwise the effect plays on a
    // thread of its own. Nothing while an effect plays.
    void Show(int effect, bool center, int cmdShow);
    int RunModal(int effect, bool disableOwner, bool center);
    void EndDialog(int code);
    void Hide();
    // Clips the window to the rectangle with two pixels (at 96 DPI) cut at
    // each corner.
    void ApplyRegion();
    // Takes the scale of newDpi: the controls, fonts and caption band move
    // to it, and the window to rect (the system's suggestion), or keeps its
    // corner and scales its size without one. The layers are rebuilt.
    void ApplyDpi(UINT newDpi, const RECT* rect);
    // Stops the effect thread at its next step and waits for it, bounded,
    // handling the messages it sends meanwhile. A derived dialog whose
    // drawing reaches its own members calls it first in its destructor.
    void CancelEffect();

    int result;
    CVxDC backgroundLayer;
    CVxDC frameLayer;
    int showEffect;
    int captionHeight;
    bool dragAnywhere;
    bool draggable;
    bool roundCorners;
    // Shared with effect threads.
    std::atomic<bool> closed;
    std::atomic<bool> frozen;
    std::atomic<bool> inEffect;
    std::vector<CVxBase*> controls; // not owned
    CVxBase* defaultControl;        // Enter presses it; not owned
    int focusIndex;                 // into controls, -1 for none
    bool showFocus;
    int bgImageId;
    HDC parentBackgroundDC;
    int bgSplitV;
    int bgSplitH;
    COLORREF bgColor;

private:
    // How long a dialog waits for its effect thread to end.
    static constexpr DWORD kEffectWaitMs = 3000;
    struct EffectRun;
    struct EffectCall;
    static unsigned __stdcall EffectThread(void* param);
    static UINT EffectMessage();
    // The effect message's handler: computes the steps, or plays one.
    LRESULT OnEffectCall(LPARAM lParam);
    // Plays an effect whose inEffect claim the caller holds.
    void PlayClaimed(int effect);
    // Carries out one step on the window's thread; false ends the effect.
    bool PlayStep(const vx::effect::Step& step, EffectRun& run);
    void TakeSnapshot(EffectRun& run);
    void DrawSnapshot(const vx::effect::Step& step, EffectRun& run);
    void SetOpacity(int alpha);
    void MoveFocus(int step);
    void DrawFocusMark(HDC hdc);
    // Builds both layers at the client's size and draws the background.
    void BuildLayers();
    // Hands the controls this window and its layers.
    void AttachControls();
    // Waits for the effect thread, up to timeoutMs, handling sent messages.
    void WaitEffectThread(DWORD timeoutMs);

    vx::unique_handle effectThread;
    // While a zoom plays: the whole box, which every paint draws scaled.
    vx::ui::FrameCopy scaledFrame;
    std::atomic<bool> stopEffect;
    // The call the playing thread has in flight; the handler takes no other
    // pointer, whoever sends the message.
    std::atomic<EffectCall*> effectCall;
};
