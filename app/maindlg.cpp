#include "app/maindlg.h"

#include "app/vxapp.h"
#include "app/vxprompt.h"
#include "gfx/vximage.h"
#include "gfx/vxres.h"
#include "support/vxthread.h"
#include "uninstall/pathguard.h"
#include "uninstall/report.h"

#include <iterator>

namespace {

const int kCardImage = 60052;
const int kCancelImage = 60073;
const int kUninstallImage = 60074;
const int kStripImage = 60026;
const int kEraserImage = 60027;
const int kStripWidth = 279;

} // namespace

CMainDlg::CMainDlg()
    : cancelButton(nullptr), uninstallButton(nullptr), page(0), targetPercent(0), shownPercent(0),
      eraserY(0), cancelled(false), finished(false) {
    wchar_t manifest[MAX_PATH];
    tagUninstallHeader header;
    if (JoinPath(manifest, GetVxApp().GetPath(), VX_MANIFEST_NAME) &&
        ReadManifestHeader(manifest, header)) {
        wchar_t name[std::size(header.szProductName) + 1];
        CopyFieldForDisplay(header.szProductName, name, std::size(name));
        productName = name;
    }
}

CMainDlg::~CMainDlg() {
    // Effects draw through this object's members: they end first.
    CancelEffect();
    for (CVxBase* control : controls)
        delete control;
    controls.clear();
}

void CMainDlg::OnInit() {
    dragAnywhere = true;
    bgImageId = kCardImage;
    CVxDlg::OnInit();

    cancelButton = AddButton(L"取 消", 325, kCancelImage, OnCancelClick);
    uninstallButton = AddButton(L"卸 载", 255, kUninstallImage, OnUninstallClick);

    PostMessageW(hwnd, WM_PAINT, 0, 0);
    DoReport(VX_REPORT_URL, L"open", L"Kelp_Uninstall");
}

// A bottom-row button whose image strip holds all its states, its caption
// two pixels higher than the strip's middle.
CVxButton* CMainDlg::AddButton(const wchar_t* text, int x, int imageId, VXBUTTONPROC onClick) {
    auto* button = new CVxButton(text, x);
    button->imageId = imageId;
    button->stateImages = 1;
    button->textOffsetY -= 2;
    button->onClick = onClick;
    controls.push_back(button);
    return button;
}

LRESULT CMainDlg::WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd == hwnd) {
        if (msg == WM_CLOSE)
            GetVxApp().ExitApp();
        if (msg == WM_UNINSTALL_PROGRESS) {
            if (wParam == 100)
                finished = true;
            targetPercent = static_cast<int>(wParam);
            return 0;
        }
    }
    return CVxDlg::WndProc(hWnd, msg, wParam, lParam);
}

void CMainDlg::DrawBackground(HDC hdc, RECT) {
    CVxImage::Instance().DrawImg(hdc, kCardImage, L"IMG", 0, 89, 0, 0);
}

void CMainDlg::DrawContent(HDC hdc) {
    CVxImage& image = CVxImage::Instance();
    if (page == 0) {
        // One line beside the buttons: a long name is shortened, never wrapped.
        std::wstring prompt = FitPrompt(productName, 210, [&](const std::wstring& s) {
            return VxGetStrWidth(s.c_str(), hwnd, font);
        });
        image.DrawString(hdc, font, prompt.c_str(), 35, 146, 210, 30, textColor, 254, false, true,
                         0);
        return;
    }
    const int shown = shownPercent;
    // The eraser bounces while it rubs, and rests once the strip is gone.
    eraserY = (eraserY != 0 && shown < 100) ? 0 : 30;
    const int c = shown * kStripWidth / 100;
    const RECT left = {c, 0, kStripWidth, 23};
    image.DrawImg(hdc, kStripImage, L"IMG", 75 + c, 150, kStripWidth - c, 23, &left);
    image.DrawImg(hdc, kEraserImage, L"IMG", 60 + shown * 240 / 100, eraserY, 0, 0);
}

void CMainDlg::OnCancelClick(void* dlg) {
    auto* self = static_cast<CMainDlg*>(dlg);
    self->cancelled = true;
    self->PlayEffect(3);
    GetVxApp().ExitApp();
}

void CMainDlg::OnUninstallClick(void* dlg) {
    auto* self = static_cast<CMainDlg*>(dlg);
    ++self->page;
    self->frozen = true;
    PostMessageW(self->hwnd, WM_PAINT, 0, 0);
    self->uninstaller.StartUninstall(self->hwnd, 1);
    GetVxThread().StartThread(ProgressThread, self, 1);
}

unsigned __stdcall CMainDlg::ProgressThread(void* dlg) {
    auto* self = static_cast<CMainDlg*>(dlg);
    while (!self->cancelled) {
        if (self->shownPercent < self->targetPercent)
            self->shownPercent += 10;
        // Sent, so each frame is drawn before the display moves on.
        SendMessageW(self->hwnd, WM_PAINT, 0, 0);
        Sleep(200);
        if (self->shownPercent >= 100)
            break;
    }
    while (!self->finished)
        Sleep(50);
    // Waits for the engine's registry and shortcut steps, then ends the
    // process; it returns only when the script could not be written.
    self->uninstaller.DeleteSelf();
    SendMessageW(self->hwnd, WM_CLOSE, 0, 0);
    return 0;
}
