// Unicode text on the clipboard.
#include "util/vxutil.h"

#include "support/vxhandle.h"
#include "support/vxtext.h"

#include <cwchar>

using vx::unique_hglobal;

int GetClipboard(wchar_t* out, int maximum) {
    if (!out || maximum <= 0)
        return 0;
    out[0] = L'\0';
    if (!OpenClipboard(nullptr))
        return 0;
    auto close = vx::scope_exit([] { CloseClipboard(); });

    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (!data)
        return 1;
    const auto* text = static_cast<const wchar_t*>(GlobalLock(data));
    if (!text)
        return 0;
    auto unlock = vx::scope_exit([data] { GlobalUnlock(data); });

    // The block need not hold a terminator: its size bounds the text too.
    size_t limit = GlobalSize(data) / sizeof(wchar_t);
    if (limit > static_cast<size_t>(maximum) - 1)
        limit = static_cast<size_t>(maximum) - 1;
    vx::CopyBounded(out, text, limit);
    return 1;
}

int SetClipboard(const wchar_t* text) {
    if (!text)
        return 0;
    size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    unique_hglobal block(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!block)
        return 0;
    void* p = GlobalLock(block.get());
    if (!p)
        return 0;
    memcpy(p, text, bytes);
    GlobalUnlock(block.get());

    if (!OpenClipboard(nullptr))
        return 0;
    auto close = vx::scope_exit([] { CloseClipboard(); });
    EmptyClipboard();
    if (!SetClipboardData(CF_UNICODETEXT, block.get()))
        return 0;
    // The clipboard owns the block now.
    block.release();
    return 1;
}
