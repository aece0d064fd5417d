// The uninstaller's window: a card asking whether to uninstall the product,
// then an eraser rubbing out a strip as the engine's run goes on, then the
// uninstaller's own removal.
#pragma once

#include "ui/vxbutton.h"
#include "ui/vxdlg.h"
#include "uninstall/uninstaller.h"

#include <windows.h>
#include <atomic>
#include <string>

// A skinned OK box saying text, over owner (or alone, without one).
void TellUser(HWND owner, const wchar_t* text);

class CMainDlg : public CVxDlg {
public:
    // The card's size at 96 DPI.
    static constexpr SIZE kCardSize = {450, 230};

    // Reads the product's name from the manifest beside the executable.
    CMainDlg();
    // Deletes the controls it made.
    ~CMainDlg() override;

    // Whether the manifest, as uninstaller.CheckManifest judged it, allows a
    // run; when it does not, the window goes, a message box says why and
    // false comes back.
    bool CanUninstall();

    // Draws the card at the screen's DPI for the window's paints to copy,
    // and a line in the controls' font into a scratch bitmap: GDI+, its
    // decoders and the font are then ready too. Run on another thread while
    // the window is made, it takes that work out of the first paint.
    void PrepareFirstFrame();

    void OnInit() override;
    LRESULT WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    void DrawBackground(HDC hdc, RECT rect) override;
    void DrawContent(HDC hdc) override;
    // Escape is "取 消", with its slide-out.
    void OnEscape() override;
    // The prompt and the buttons on the card; the progress bar after.
    std::vector<tagAccItem> AccItems() override;

    // The buttons' click callbacks and the progress display's thread; each
    // takes the dialog.
    static void OnCancelClick(void* dlg);
    static void OnUninstallClick(void* dlg);
    static unsigned __stdcall ProgressThread(void* dlg);

    CVxButton* cancelButton;
    CVxButton* uninstallButton;
    CVxUninstaller uninstaller;
    int page; // 0 confirmation, otherwise progress
    // Shared with the progress thread: the engine's last figure, the
    // display's figure (0, 10, ... 100), and the two ends.
    std::atomic<int> targetPercent;
    std::atomic<int> shownPercent;
    int eraserY;
    std::atomic<bool> cancelled;
    std::atomic<bool> finished;
    std::wstring productName;
    // What the process ends with once the run is over.
    int exitCode;
    // The figure screen readers were last told.
    int announcedPercent;
    // Whether the "open" report has been started.
    bool openReported;
    // The card as PrepareFirstFrame drew it, at cardPictureDpi; the DPI is
    // stored once the picture is whole, 0 until then.
    CVxDC cardPicture;
    std::atomic<UINT> cardPictureDpi;

private:
    // On the window's thread once the run has ended: says what the user
    // must know (a restart to come, nothing removed) and sets exitCode.
    void OnRunEnded();
    // Shows a skinned OK box over the window (or alone, without one).
    void Tell(const wchar_t* text);

    // A rectangle of the card's layout at the window's DPI.
    RECT Scaled(const RECT& r) const;
    CVxButton* AddButton(const wchar_t* text, int x, int imageId, VXBUTTONPROC onClick);
    // The whole question, as a screen reader reads it.
    std::wstring Prompt() const;
};
