// A message-only window for the tests and the benchmark: its messages go to
// a handler (true: handled, answered 0), the rest to DefWindowProc. It lives
// on the thread that makes it or, made with kOwnThread, on a thread of its
// own that runs its message loop until the window is gone, so that what is
// sent to it crosses threads as it does to the uninstaller's window.
#pragma once

#include "support/vxhandle.h"

#include <windows.h>
#include <functional>
#include <utility>

namespace vxtest {

class MessageWindow {
public:
    using Handler = std::function<bool(UINT msg, WPARAM wParam, LPARAM lParam)>;
    enum Thread { kThisThread, kOwnThread };

    explicit MessageWindow(Handler handler = nullptr, Thread thread = kThisThread)
        : m_handler(std::move(handler)), m_ownThread(thread == kOwnThread) {
        if (!m_ownThread) {
            m_hwnd = Create();
            return;
        }
        m_ready.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        m_thread.reset(CreateThread(nullptr, 0, Loop, this, 0, nullptr));
        if (m_ready && m_thread)
            WaitForSingleObject(m_ready.get(), 10000);
    }
    // A window is destroyed by its own thread.
    ~MessageWindow() {
        if (!m_ownThread) {
            if (m_hwnd)
                DestroyWindow(m_hwnd);
            return;
        }
        if (m_hwnd)
            PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
        if (m_thread)
            WaitForSingleObject(m_thread.get(), 10000);
    }
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    // Null when the window could not be made.
    HWND hwnd() const { return m_hwnd; }

private:
    HWND Create() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VxTestMessageWindow";
        // Registered by the first window of the process; later ones fail harmlessly.
        RegisterClassW(&wc);
        return CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               wc.hInstance, this);
    }

    static DWORD WINAPI Loop(void* param) {
        auto* self = static_cast<MessageWindow*>(param);
        HWND hwnd = self->Create();
        self->m_hwnd = hwnd;
        SetEvent(self->m_ready.get());
        MSG msg;
        while (hwnd && GetMessageW(&msg, nullptr, 0, 0) > 0)
            DispatchMessageW(&msg);
        return 0;
    }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE)
            SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(
                                  reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && self->m_handler && self->m_handler(msg, wParam, lParam))
            return 0;
        if (msg == WM_DESTROY && self && self->m_ownThread)
            PostQuitMessage(0);
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    Handler m_handler;
    bool m_ownThread;
    HWND m_hwnd = nullptr;
    vx::unique_handle m_ready, m_thread;
};

} // namespace vxtest
