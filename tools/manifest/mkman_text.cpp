#include "tools/manifest/mkman_text.h"

#include "support/vxhandle.h"

#include <windows.h>
#include <cstring>

namespace {

void AppendCodePoint(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendEscape(std::string& out, unsigned unit) {
    char buf[8];
    snprintf(buf, sizeof(buf), "\\u%04X", unit & 0xFFFF);
    out += buf;
}

} // namespace

std::string ToUtf8(const std::wstring& text, bool json) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned c = static_cast<unsigned>(text[i]) & 0xFFFF;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
            (static_cast<unsigned>(text[i + 1]) & 0xFC00) == 0xDC00) {
            unsigned low = static_cast<unsigned>(text[++i]) & 0x3FF;
            AppendCodePoint(out, 0x10000 + ((c - 0xD800) << 10) + low);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            if (json)
                AppendEscape(out, c);
            else
                AppendCodePoint(out, 0xFFFD);
        } else if (c < 0x20 || c == 0x7F) {
            AppendEscape(out, c);
        } else if (json && (c == L'"' || c == L'\\')) {
            out += '\\';
            out += static_cast<char>(c);
        } else {
            AppendCodePoint(out, c);
        }
    }
    return out;
}

bool FromUtf8(const std::string& bytes, std::wstring& out) {
    out.clear();
    if (bytes.empty())
        return true;
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0)
        return false;
    out.resize(n);
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                               static_cast<int>(bytes.size()), &out[0], n) == n;
}

void Print(FILE* f, const std::wstring& text) {
    // Line breaks are the only control characters the verbs mean to write.
    std::string bytes;
    size_t start = 0;
    for (size_t nl; (nl = text.find(L'\n', start)) != std::wstring::npos; start = nl + 1)
        bytes += ToUtf8(text.substr(start, nl - start)) + "\n";
    bytes += ToUtf8(text.substr(start));
    fwrite(bytes.data(), 1, bytes.size(), f);
}

int UsageError(const wchar_t* verb, const std::wstring& message) {
    Print(stderr, std::wstring(L"vxmkman") + (*verb ? L" " : L"") + verb + L": " + message + L"\n");
    return kExitUsage;
}

bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>& out) {
    out.clear();
    vx::unique_file f(_wfopen(path.c_str(), L"rb"));
    if (!f)
        return false;
    unsigned char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f.get())) > 0)
        out.insert(out.end(), buf, buf + n);
    return !ferror(f.get());
}

bool isHelpArg(const wchar_t* arg) {
    return wcscmp(arg, L"--help") == 0 || wcscmp(arg, L"-h") == 0 || wcscmp(arg, L"/?") == 0;
}

int ProgramBits(const std::wstring& exe) {
    std::vector<unsigned char> b;
    if (!ReadWholeFile(exe, b) || b.size() < 0x40)
        return 0;
    size_t pe = b[0x3C] | b[0x3D] << 8 | b[0x3E] << 16 | static_cast<size_t>(b[0x3F]) << 24;
    if (pe > b.size() || b.size() - pe < 6 || memcmp(&b[pe], "PE\0\0", 4) != 0)
        return 0;
    unsigned machine = b[pe + 4] | b[pe + 5] << 8;
    return machine == IMAGE_FILE_MACHINE_I386 ? 32 : machine == IMAGE_FILE_MACHINE_AMD64 ? 64 : 0;
}
