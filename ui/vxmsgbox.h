// The toolkit's modal message box: a small skinned popup with the
// application icon, a white title, a picture, the message, a close button,
// one or two push buttons, an optional check box and an optional countdown
// that presses OK by itself, showing the seconds left on the OK button.
#pragma once

#include "support/vxapi.h"
#include "support/vxhandle.h"
#include "ui/vxbutton.h"
#include "ui/vxcheckbox.h"
#include "ui/vxdlg.h"
#include "ui/vxtext.h"

#include <windows.h>
#include <atomic>
#include <string>

class VX_API CVxMsgBox : public CVxDlg {
public:
    CVxMsgBox();
    // Stops a countdown that still runs (it looks at its stop flags every
    // 10 ms; bounded), then the effect, before the controls go.
    ~CVxMsgBox() override;

    void OnInit() override;
    LRESULT WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    // The message, the picture and the icon.
    void DrawContent(HDC hdc) override;
    // Escape closes the box as its cross does.
    void OnEscape() override;
    // The title, the message, then the buttons and the check box.
    std::vector<tagAccItem> AccItems() override;

    // Shows the box centred with showEffect, its owner disabled meanwhile,
    // and returns 1 for OK or a countdown run out, 2 for Cancel, the close
    // button or any other close. buttons 0: OK; 1: OK and Cancel; else
    // none. A null title keeps the default one.
    int ShowMessage(HWND parent, const wchar_t* message, const wchar_t* title, int buttons,
                    int countdown, int width, int height, int showEffect, int closeEffect);

    HICON icon; // shared icon resource, not destroyed
    std::wstring title;
    std::wstring message;
    std::wstring checkText;
    CVxButton closeButton;
    CVxButton okButton;
    CVxButton cancelButton;
    CVxCheckBox checkBox;
    CVxText titleText;
    int buttons;
    int closeEffect;
    int countdown;
    bool checkInitial;
    bool showCheck;
    vx::unique_handle countdownThread;
    int pictureId;
    int buttonOffsetY;

private:
    // How long the destructor waits for the countdown thread, which looks
    // at its stop flags every 10 ms.
    static constexpr DWORD kCountdownWaitMs = 1000;
    // Where the message is drawn, at the box's DPI.
    RECT MessageRect() const;
    static void OnOk(void* context);
    static void OnCancel(void* context);
    static unsigned __stdcall CountdownThread(void* param);
    static UINT TickMessage();
    // One second has passed with left seconds to go: on the window's thread.
    void OnTick(int left);

    std::atomic<bool> stopCountdown;
};
