#include "support/vxchinese.h"

#include <cstring>
#include <string>

namespace {

const LCID kLocalePrc = 2052;

// The bytes of the text in a buffer of size bytes: up to its terminator,
// and never past the buffer.
std::string Bytes(const char* text, int size) {
    return std::string(text, strnlen(text, static_cast<size_t>(size)));
}

// Simplified characters to their traditional forms, still GB-encoded.
bool MapTraditional(const std::string& in, std::string& out) {
    int n = static_cast<int>(in.size());
    int m = LCMapStringA(kLocalePrc, LCMAP_TRADITIONAL_CHINESE, in.data(), n, nullptr, 0);
    if (m <= 0)
        return false;
    out.assign(static_cast<size_t>(m), '\0');
    return LCMapStringA(kLocalePrc, LCMAP_TRADITIONAL_CHINESE, in.data(), n, &out[0], m) == m;
}

bool GbToBig5(const std::string& gb, std::string& big5) {
    int n = static_cast<int>(gb.size());
    int w = MultiByteToWideChar(936, 0, gb.data(), n, nullptr, 0);
    if (w <= 0)
        return false;
    std::wstring wide(static_cast<size_t>(w), L'\0');
    if (MultiByteToWideChar(936, 0, gb.data(), n, &wide[0], w) != w)
        return false;
    int b = WideCharToMultiByte(950, 0, wide.data(), w, nullptr, 0, nullptr, nullptr);
    if (b <= 0)
        return false;
    big5.assign(static_cast<size_t>(b), '\0');
    return WideCharToMultiByte(950, 0, wide.data(), w, &big5[0], b, nullptr, nullptr) == b;
}

// Writes the result over the text if it fits with its terminator.
void Store(char* text, int size, const std::string& result) {
    if (result.size() >= static_cast<size_t>(size))
        return;
    memcpy(text, result.data(), result.size());
    text[result.size()] = '\0';
}

} // namespace

int isHZ(const char* lpszText) {
    if (!lpszText)
        return 0;
    size_t n = strlen(lpszText);
    if (n == 0 || n % 2 != 0)
        return 0;
    for (size_t i = 0; i < n; i += 2) {
        unsigned char lead = static_cast<unsigned char>(lpszText[i]);
        if (lead < 0xA1 || lead == 0xA3)
            return 0;
    }
    return 1;
}

int isTraditional(void) {
    return GetACP() == 950;
}

void gb2big(char* lpszText, int nSize) {
    if (!lpszText || nSize <= 0)
        return;
    std::string text = Bytes(lpszText, nSize), traditional, big5;
    if (text.empty())
        return;
    if (MapTraditional(text, traditional) && GbToBig5(traditional, big5))
        Store(lpszText, nSize, big5);
}

void vx::GbToTraditionalForCodePage(char* lpszText, int nSize, UINT acp) {
    if (acp == 950) {
        gb2big(lpszText, nSize);
        return;
    }
    if (!lpszText || nSize <= 0)
        return;
    std::string text = Bytes(lpszText, nSize), traditional;
    if (!text.empty() && MapTraditional(text, traditional))
        Store(lpszText, nSize, traditional);
}

void GbToTraditional(char* lpszText, int nSize) {
    vx::GbToTraditionalForCodePage(lpszText, nSize, GetACP());
}
