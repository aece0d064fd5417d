// Move-only owners for system handles: one traits type per handle kind says
// what "no handle" is and how to release one, so no early return can leak.
#pragma once

#include <windows.h>
#include <wincrypt.h>
#include <winsvc.h>
#include <cstdio>
#include <utility>

namespace vx {

template <typename Traits> class unique_any {
public:
    using pointer = typename Traits::type;

    unique_any() noexcept : m_h(Traits::invalid()) {}
    explicit unique_any(pointer h) noexcept : m_h(h) {}
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& o) noexcept : m_h(o.release()) {}
    unique_any& operator=(unique_any&& o) noexcept {
        if (this != &o)
            reset(o.release());
        return *this;
    }
    ~unique_any() { reset(); }

    pointer get() const noexcept { return m_h; }
    explicit operator bool() const noexcept { return m_h != Traits::invalid(); }

    void reset(pointer h = Traits::invalid()) noexcept {
        if (m_h != Traits::invalid())
            Traits::close(m_h);
        m_h = h;
    }
    pointer release() noexcept {
        pointer h = m_h;
        m_h = Traits::invalid();
        return h;
    }
    // For out-parameters of creating calls: releases what is held first.
    pointer* put() noexcept {
        reset();
        return &m_h;
    }

private:
    pointer m_h;
};

namespace traits {
struct handle {
    using type = HANDLE;
    static type invalid() { return nullptr; }
    static void close(type h) { ::CloseHandle(h); }
};
struct hfile {
    using type = HANDLE;
    static type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(type h) { ::CloseHandle(h); }
};
struct hfind {
    using type = HANDLE;
    static type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(type h) { ::FindClose(h); }
};
struct hkey {
    using type = HKEY;
    static type invalid() { return nullptr; }
    static void close(type h) { ::RegCloseKey(h); }
};
struct hmodule {
    using type = HMODULE;
    static type invalid() { return nullptr; }
    static void close(type h) { ::FreeLibrary(h); }
};
struct hwnd {
    using type = HWND;
    static type invalid() { return nullptr; }
    static void close(type h) { ::DestroyWindow(h); }
};
struct mapped_view {
    using type = void*;
    static type invalid() { return nullptr; }
    static void close(type p) { ::UnmapViewOfFile(p); }
};
template <typename T> struct com {
    using type = T*;
    static type invalid() { return nullptr; }
    static void close(type p) { p->Release(); }
};
struct hglobal {
    using type = HGLOBAL;
    static type invalid() { return nullptr; }
    static void close(type h) { ::GlobalFree(h); }
};
struct sc_handle {
    using type = SC_HANDLE;
    static type invalid() { return nullptr; }
    static void close(type h) { ::CloseServiceHandle(h); }
};
struct cert_store {
    using type = HCERTSTORE;
    static type invalid() { return nullptr; }
    static void close(type h) { ::CertCloseStore(h, 0); }
};
struct cert_context {
    using type = PCCERT_CONTEXT;
    static type invalid() { return nullptr; }
    static void close(type c) { ::CertFreeCertificateContext(c); }
};
struct stdio_file {
    using type = FILE*;
    static type invalid() { return nullptr; }
    static void close(type f) { ::fclose(f); }
};
} // namespace traits

using unique_handle = unique_any<traits::handle>;
using unique_hfile = unique_any<traits::hfile>;
using unique_hfind = unique_any<traits::hfind>;
using unique_hkey = unique_any<traits::hkey>;
using unique_hmodule = unique_any<traits::hmodule>;
using unique_hwnd = unique_any<traits::hwnd>;
using unique_file = unique_any<traits::stdio_file>;
using unique_hglobal = unique_any<traits::hglobal>;
using unique_sc_handle = unique_any<traits::sc_handle>;
using unique_cert_store = unique_any<traits::cert_store>;
using unique_cert_context = unique_any<traits::cert_context>;
using unique_view = unique_any<traits::mapped_view>;
template <typename T> using com_ptr = unique_any<traits::com<T>>;

// Runs a callable when the scope ends, unless dismissed.
template <typename F> class scope_exit_t {
public:
    explicit scope_exit_t(F f) : m_f(std::move(f)) {}
    scope_exit_t(const scope_exit_t&) = delete;
    scope_exit_t& operator=(const scope_exit_t&) = delete;
    ~scope_exit_t() {
        if (m_armed)
            m_f();
    }
    void dismiss() noexcept { m_armed = false; }

private:
    F m_f;
    bool m_armed = true;
};

template <typename F> scope_exit_t<F> scope_exit(F f) {
    return scope_exit_t<F>(std::move(f));
}

} // namespace vx

// Device contexts, GDI objects and selections.
namespace vx {

namespace traits {
struct hdc {
    using type = HDC;
    static type invalid() { return nullptr; }
    static void close(type h) { ::DeleteDC(h); }
};
template <typename T> struct gdi_object {
    using type = T;
    static type invalid() { return nullptr; }
    static void close(type h) { ::DeleteObject(h); }
};
} // namespace traits

// A created (memory or device) context, deleted with DeleteDC.
using unique_hdc = unique_any<traits::hdc>;
using unique_hbitmap = unique_any<traits::gdi_object<HBITMAP>>;
using unique_hbrush = unique_any<traits::gdi_object<HBRUSH>>;
using unique_hrgn = unique_any<traits::gdi_object<HRGN>>;
using unique_hgdiobj = unique_any<traits::gdi_object<HGDIOBJ>>;

// A window's context from GetDC: it remembers its window, as ReleaseDC
// needs the same one back.
class unique_window_dc {
public:
    unique_window_dc() noexcept = default;
    explicit unique_window_dc(HWND wnd) noexcept : m_wnd(wnd), m_dc(::GetDC(wnd)) {}
    unique_window_dc(const unique_window_dc&) = delete;
    unique_window_dc& operator=(const unique_window_dc&) = delete;
    unique_window_dc(unique_window_dc&& o) noexcept
        : m_wnd(o.m_wnd), m_dc(std::exchange(o.m_dc, nullptr)) {}
    unique_window_dc& operator=(unique_window_dc&& o) noexcept {
        if (this != &o) {
            reset();
            m_wnd = o.m_wnd;
            m_dc = std::exchange(o.m_dc, nullptr);
        }
        return *this;
    }
    ~unique_window_dc() { reset(); }

    HDC get() const noexcept { return m_dc; }
    HWND window() const noexcept { return m_wnd; }
    explicit operator bool() const noexcept { return m_dc != nullptr; }
    void reset() noexcept {
        if (m_dc)
            ::ReleaseDC(m_wnd, std::exchange(m_dc, nullptr));
    }

private:
    HWND m_wnd = nullptr;
    HDC m_dc = nullptr;
};

// Selects an object into a context for the scope and puts back the one it
// replaced, so the object can be deleted afterwards.
class select_object {
public:
    select_object(HDC dc, HGDIOBJ obj) noexcept : m_dc(dc), m_old(::SelectObject(dc, obj)) {}
    select_object(const select_object&) = delete;
    select_object& operator=(const select_object&) = delete;
    ~select_object() {
        if (m_old && m_old != HGDI_ERROR)
            ::SelectObject(m_dc, m_old);
    }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

} // namespace vx
