// The font cache: GDI fonts handed out by (size, face, bold, underline,
// italic) and kept for the life of the cache, so controls may ask for a font
// on every construction without creating GDI objects each time. Callers
// never delete a font they got from it. It also picks the toolkit's default
// face once: "微软雅黑" when its file is installed, else "宋体".
#pragma once

#include "support/vxapi.h"
#include "support/vxthread.h"

#include <windows.h>
#include <string>
#include <vector>

// The cache key and entry.
struct tagFontInfo {
    wchar_t faceName[50];
    int size;
    int bold;
    int underline;
    int italic;
    HFONT hFont;
};

class VX_API CVxFont {
public:
    static CVxFont& Instance();

    // Decides the default face from the system fonts folder.
    CVxFont();
    // Decides it from another fonts folder instead.
    explicit CVxFont(const wchar_t* lpszFontsFolder);
    // Deletes every font handed out.
    ~CVxFont();
    CVxFont(const CVxFont&) = delete;
    CVxFont& operator=(const CVxFont&) = delete;

    // The cached or a new font; a null face means the default face. Faces
    // that do not fit a LOGFONTW (over 31 characters) get null. Any thread
    // may ask.
    HFONT GetFont(int nSize, const wchar_t* lpszFace, int nBold, int nUnderline, int nItalic);
    int isSupportYaHei() const;
    int GetDefaultSize() const;
    // 1 when the face is "微软雅黑" and its file is in the system fonts folder.
    int CheckFont(std::wstring strFace);
    // The same test against the given fonts folder.
    static int CheckFontIn(const std::wstring& strFace, const wchar_t* lpszFontsFolder);
    // How many distinct fonts the cache holds.
    int GetFontCount() const;

private:
    void SetDefault(int nSupportYaHei);
    HFONT GetFont(const tagFontInfo& info) const;
    HFONT CreateNewFont(const tagFontInfo& info) const;

    std::wstring defaultFace;
    int supportYaHei;
    std::vector<tagFontInfo> fonts;
    int defaultSize;
    mutable CVxMutex fontsLock;
};
