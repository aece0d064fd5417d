#include "gfx/vxfont.h"

#include "support/vxtext.h"

#include <cwchar>
#include <mutex>

namespace {

const wchar_t kYaHei[] = L"微软雅黑";
const wchar_t kSongTi[] = L"宋体";
// The longest face a LOGFONTW holds; a longer one cut short would name
// another face.
const size_t kFaceChars = LF_FACESIZE - 1;

bool FileIn(const std::wstring& folder, const wchar_t* name) {
    std::wstring path = folder + L"\\" + name;
    return path.size() < MAX_PATH && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

CVxFont& CVxFont::Instance() {
    static CVxFont font;
    return font;
}

CVxFont::CVxFont() : supportYaHei(0), defaultSize(0) {
    SetDefault(CheckFont(kYaHei));
}

CVxFont::CVxFont(const wchar_t* lpszFontsFolder) : supportYaHei(0), defaultSize(0) {
    SetDefault(CheckFontIn(kYaHei, lpszFontsFolder));
}

CVxFont::~CVxFont() {
    for (const tagFontInfo& info : fonts)
        DeleteObject(info.hFont);
    fonts.clear();
}

void CVxFont::SetDefault(int nSupportYaHei) {
    supportYaHei = nSupportYaHei;
    defaultFace = supportYaHei ? kYaHei : kSongTi;
    defaultSize = supportYaHei ? 18 : 12;
}

int CVxFont::isSupportYaHei() const {
    return supportYaHei;
}

int CVxFont::GetDefaultSize() const {
    return defaultSize;
}

int CVxFont::GetFontCount() const {
    std::lock_guard<CVxMutex> hold(fontsLock);
    return static_cast<int>(fonts.size());
}

// The fonts folder is always the system's Windows folder's "Fonts": asked of
// the kernel, the probe loads no shell library before the first frame.
int CVxFont::CheckFont(std::wstring strFace) {
    wchar_t folder[MAX_PATH] = L"";
    const UINT n = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    if (n == 0 || n + 7 > MAX_PATH)
        return 0;
    wcscat(folder, L"\\Fonts");
    return CheckFontIn(strFace, folder);
}

int CVxFont::CheckFontIn(const std::wstring& strFace, const wchar_t* lpszFontsFolder) {
    if (strFace != kYaHei || !lpszFontsFolder || !lpszFontsFolder[0])
        return 0;
    std::wstring folder = lpszFontsFolder;
    if (folder.back() == L'\\')
        folder.pop_back();
    return FileIn(folder, L"msyh.ttf") || FileIn(folder, L"msyh.ttc") ? 1 : 0;
}

HFONT CVxFont::GetFont(int nSize, const wchar_t* lpszFace, int nBold, int nUnderline, int nItalic) {
    const wchar_t* face = lpszFace ? lpszFace : defaultFace.c_str();
    if (wcslen(face) > kFaceChars)
        return nullptr;
    tagFontInfo info = {};
    info.size = nSize;
    info.bold = nBold;
    info.underline = nUnderline;
    info.italic = nItalic;
    vx::CopyBounded(info.faceName, face, kFaceChars);
    std::lock_guard<CVxMutex> hold(fontsLock);
    if (HFONT found = GetFont(info))
        return found;
    // A failed creation is not kept: it would only grow the cache on every retry.
    info.hFont = CreateNewFont(info);
    if (info.hFont)
        fonts.push_back(info);
    return info.hFont;
}

HFONT CVxFont::GetFont(const tagFontInfo& info) const {
    for (const tagFontInfo& entry : fonts) {
        if (entry.size == info.size && entry.bold == info.bold &&
            entry.underline == info.underline && entry.italic == info.italic &&
            lstrcmpW(entry.faceName, info.faceName) == 0)
            return entry.hFont;
    }
    return nullptr;
}

HFONT CVxFont::CreateNewFont(const tagFontInfo& info) const {
    LOGFONTW lf = {};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    vx::CopyBounded(lf.lfFaceName, info.faceName, kFaceChars);
    lf.lfHeight = info.size;
    lf.lfWeight = info.bold ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = static_cast<BYTE>(info.underline);
    lf.lfItalic = static_cast<BYTE>(info.italic);
    return CreateFontIndirectW(&lf);
}
