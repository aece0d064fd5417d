#include "app/maindlg.h"

#include "app/vxprompt.h"
#include "gfx/vxdc.h"
#include "gfx/vxfont.h"
#include "gfx/vximage.h"
#include "gfx/vxres.h"
#include "support/vxtext.h"
#include "support/vxthread.h"
#include "ui/vxapp.h"
#include "ui/vxdpi.h"
#include "ui/vxeffect.h"
#include "ui/vxmsgbox.h"
#include "uninstall/pathguard.h"
#include "uninstall/report.h"

#include <oleacc.h>
#include <iterator>

namespace {

// The card's layout at 96 DPI; drawing scales it to the window's DPI.
const POINT kCardAt = {0, 89};
const int kUninstallX = 255, kCancelX = 325;
// Where the question stands, beside the buttons.
const RECT kPromptRect = {35, 146, 245, 176};
// The progress page: the strip the eraser rubs out, left to right, and the
// eraser's travel above it, bouncing between two heights.
const RECT kStripRect = {75, 150, 75 + 279, 173};
const int kEraserLeft = 60, kEraserTravel = 240, kEraserHigh = 0, kEraserLow = 30;
// The box that tells the user why a run cannot go on.
const SIZE kTellSize = {330, 160};

// The card in its place on a window at dpi.
void DrawCard(HDC hdc, UINT dpi) {
    CVxImage::Instance().DrawImgScaled(hdc, kImgCard, L"IMG", vx::ui::Scale(kCardAt.x, dpi),
                                       vx::ui::Scale(kCardAt.y, dpi), dpi);
}

// The window thread's part of the run's end, sent by the progress thread.
const UINT WM_RUN_ENDED = WM_APP + 1;
// Ends the process with exitCode: only the progress thread sends it.
const UINT WM_RUN_EXIT = WM_APP + 2;

const wchar_t kNoManifest[] = L"卸载信息文件缺失或已损坏，无法卸载。";
const wchar_t kRefused[] = L"卸载信息文件指向受保护的位置，无法卸载。";
const wchar_t kNotStarted[] = L"卸载未能开始，没有删除任何文件。";
const wchar_t kRestart[] = L"部分文件正被其他程序使用，将在重新启动计算机后删除。";

} // namespace

CMainDlg::CMainDlg()
    : cancelButton(nullptr), uninstallButton(nullptr), page(0), targetPercent(0), shownPercent(0),
      eraserY(0), cancelled(false), finished(false), exitCode(kExitRemoved), announcedPercent(-1),
      openReported(false), cardPictureDpi(0) {
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
    bgImageId = kImgCard;
    CVxDlg::OnInit();

    cancelButton = AddButton(L"取 消", kCancelX, kImgCancel, OnCancelClick);
    uninstallButton = AddButton(L"卸 载", kUninstallX, kImgUninstall, OnUninstallClick);
    defaultControl = uninstallButton;
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

bool CMainDlg::CanUninstall() {
    const tagRunResult& check = uninstaller.GetResult();
    if (check.outcome == tagRunResult::NotRun)
        return true;
    // The card never shows: the box stands alone.
    DestroyOwnWindow();
    Tell(check.outcome == tagRunResult::ManifestRefused ? kRefused : kNoManifest);
    return false;
}

void TellUser(HWND owner, const wchar_t* text) {
    CVxMsgBox box;
    box.ShowMessage(owner, text, GetVxApp().GetAppName(), 0, 0, kTellSize.cx, kTellSize.cy,
                    vx::effect::kZoomIn, vx::effect::kSwellAndFade);
}

void CMainDlg::Tell(const wchar_t* text) {
    TellUser(hwnd, text);
}

LRESULT CMainDlg::WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd == hwnd) {
        switch (msg) {
        case WM_CLOSE:
            // Once the run has begun, it is never left halfway: the window
            // goes when the run and the self-removal are over.
            if (page == 0)
                GetVxApp().ExitApp(kExitRemoved);
            return 0;
        case WM_QUERYENDSESSION:
            if (page == 0)
                break;
            ShutdownBlockReasonCreate(hwnd, L"正在卸载，请稍候。");
            return FALSE;
        case WM_ENDSESSION:
            // The session ends whatever was answered: the run finishes first.
            if (wParam && page != 0)
                uninstaller.WaitRunEnd();
            return 0;
        case WM_UNINSTALL_PROGRESS:
            if (wParam == 100)
                finished = true;
            targetPercent = static_cast<int>(wParam);
            return 0;
        case WM_RUN_ENDED:
            OnRunEnded();
            return 0;
        case WM_EFFECT_DONE:
            // The "open" report waits until the card has slid in: its
            // network libraries stay out of the first frame's way.
            if (!openReported) {
                openReported = true;
                DoReport(VX_REPORT_URL, L"open", L"Kelp_Uninstall");
            }
            break;
        case WM_RUN_EXIT:
            GetVxApp().ExitApp(exitCode);
        default:
            break;
        }
    }
    return CVxDlg::WndProc(hWnd, msg, wParam, lParam);
}

void CMainDlg::OnRunEnded() {
    ShutdownBlockReasonDestroy(hwnd);
    const tagRunResult& result = uninstaller.GetResult();
    if (result.outcome == tagRunResult::RestartNeeded) {
        Tell(kRestart);
        exitCode = kExitRestartNeeded;
    } else if (!result.isRemoved()) {
        Tell(result.outcome == tagRunResult::StartFailed       ? kNotStarted
             : result.outcome == tagRunResult::ManifestRefused ? kRefused
                                                               : kNoManifest);
        exitCode = kExitNothingRemoved;
    }
}

RECT CMainDlg::Scaled(const RECT& r) const {
    return {vx::ui::Scale(r.left, dpi), vx::ui::Scale(r.top, dpi), vx::ui::Scale(r.right, dpi),
            vx::ui::Scale(r.bottom, dpi)};
}

void CMainDlg::PrepareFirstFrame() {
    const UINT at = vx::ui::WindowDpi(nullptr);
    cardPicture.CreateMemDC(
        nullptr, {0, 0, vx::ui::Scale(kCardSize.cx, at), vx::ui::Scale(kCardSize.cy, at)}, false,
        true, nullptr);
    DrawCard(cardPicture.memDC, at);
    cardPictureDpi.store(at, std::memory_order_release);
    CVxDC scratch;
    scratch.CreateMemDC(nullptr, {0, 0, 1, 1}, false, true, nullptr);
    CVxFont& fonts = CVxFont::Instance();
    CVxImage::Instance().DrawStringLine(scratch.memDC,
                                        fonts.GetFont(fonts.GetDefaultSize(), nullptr, 0, 0, 0),
                                        L"卸载", 0, 0, 1, 1, 0, 255);
}

// Every paint starts on a blank surface, so the prepared card, where its
// scale is the window's, is copied in as it is.
void CMainDlg::DrawBackground(HDC hdc, RECT rect) {
    if (cardPictureDpi.load(std::memory_order_acquire) == dpi) {
        BitBlt(hdc, 0, 0, rect.right - rect.left, rect.bottom - rect.top, cardPicture.memDC, 0, 0,
               SRCCOPY);
        return;
    }
    DrawCard(hdc, dpi);
}

void CMainDlg::DrawContent(HDC hdc) {
    CVxImage& image = CVxImage::Instance();
    if (page == 0) {
        // One line beside the buttons, measured as it is drawn: a long name
        // is shortened, never wrapped.
        const RECT p = Scaled(kPromptRect);
        std::wstring prompt = FitPrompt(productName, p.right - p.left, [&](const std::wstring& s) {
            return image.MeasureStringLine(hdc, font, s.c_str());
        });
        image.DrawStringLine(hdc, font, prompt.c_str(), p.left, p.top, p.right - p.left,
                             p.bottom - p.top, textColor, 254);
        return;
    }
    const int shown = shownPercent;
    if (shown != announcedPercent) {
        announcedPercent = shown;
        NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, hwnd, OBJID_CLIENT, 1);
    }
    // The eraser bounces while it rubs, and rests once the strip is gone.
    eraserY = (eraserY != kEraserHigh && shown < 100) ? kEraserHigh : kEraserLow;
    const int stripW = kStripRect.right - kStripRect.left;
    const int c = shown * stripW / 100;
    const RECT left = {c, 0, stripW, kStripRect.bottom - kStripRect.top};
    const auto at = [&](int v) { return vx::ui::Scale(v, dpi); };
    image.DrawImgScaled(hdc, kImgProgress, L"IMG", at(kStripRect.left + c), at(kStripRect.top), dpi,
                        &left);
    image.DrawImgScaled(hdc, kImgEraser, L"IMG", at(kEraserLeft + shown * kEraserTravel / 100),
                        at(eraserY), dpi);
}

std::wstring CMainDlg::Prompt() const {
    return L"您确定要卸载" + productName + L"?";
}

std::vector<CVxDlg::tagAccItem> CMainDlg::AccItems() {
    if (page != 0)
        return {{nullptr, ROLE_SYSTEM_PROGRESSBAR, L"卸载进度",
                 vx::DecimalText(shownPercent.load()) + L"%", Scaled(kStripRect),
                 STATE_SYSTEM_READONLY}};
    std::vector<tagAccItem> items = CVxDlg::AccItems();
    items.insert(items.begin(), {nullptr, ROLE_SYSTEM_STATICTEXT, Prompt(), L"",
                                 Scaled(kPromptRect), STATE_SYSTEM_READONLY});
    return items;
}

void CMainDlg::OnEscape() {
    if (page == 0)
        OnCancelClick(this);
}

void CMainDlg::OnCancelClick(void* dlg) {
    auto* self = static_cast<CMainDlg*>(dlg);
    self->cancelled = true;
    self->PlayEffect(vx::effect::kSlideOutLeft);
    GetVxApp().ExitApp();
}

void CMainDlg::OnUninstallClick(void* dlg) {
    auto* self = static_cast<CMainDlg*>(dlg);
    ++self->page;
    self->frozen = true;
    self->showFocus = false;
    PostMessageW(self->hwnd, WM_PAINT, 0, 0);
    // The card's children give way to the progress bar.
    NotifyWinEvent(EVENT_OBJECT_REORDER, self->hwnd, OBJID_CLIENT, CHILDID_SELF);
    NotifyWinEvent(EVENT_OBJECT_FOCUS, self->hwnd, OBJID_CLIENT, 1);
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
    // process; it returns when the run removed nothing or the script could
    // not be written, and the uninstaller stays.
    while (!self->uninstaller.isRunEnded())
        Sleep(50);
    SendMessageW(self->hwnd, WM_RUN_ENDED, 0, 0);
    self->uninstaller.DeleteSelf();
    SendMessageW(self->hwnd, WM_RUN_EXIT, 0, 0);
    return 0;
}
