// Where the controls' images come from: the executable's "IMG" resources,
// loose files in a themes folder, or a skin pack loaded into memory whole.
// A skin pack packs every file of a folder under its base name (see
// gfx/vxskinpack.h for the layout); lookups hand out cached streams that
// the skin object owns.
#pragma once

#include "gfx/vxskinpack.h"
#include "support/vxapi.h"

#include <windows.h>
#include <objidl.h>
#include <cstdio>
#include <string>
#include <vector>

// A stream already handed out, under the entry name it was found by.
struct tagSkinStream {
    wchar_t name[vx::skinpack::kNameChars];
    IStream* stream;
};

class VX_API CVxSkin {
public:
    // Image sources, the value of GetResType.
    enum { kResEmbedded = 0, kResThemes = 1, kResSkinPack = 2 };

    static CVxSkin& Instance();

    CVxSkin();
    ~CVxSkin();
    CVxSkin(const CVxSkin&) = delete;
    CVxSkin& operator=(const CVxSkin&) = delete;

    void SetResType(int nType);
    int GetResType() const;

    // Themes folder "<exe folder>Themes\<name>\"; switches to the themes mode.
    void SetThemesName(const wchar_t* lpszName);
    // Copies the themes folder into a buffer of MAX_PATH characters.
    void GetThemesPath(wchar_t* lpszPath) const;
    // Skin pack "<exe folder>Skins\<name>.skin"; switches to the pack mode.
    void SetSkinName(const wchar_t* lpszName);

    // Loads the named pack (null: the current one) into memory, dropping
    // the pack loaded before.
    bool LoadSkin(const wchar_t* lpszName);
    // Drops the loaded pack and releases every stream handed out.
    void FreeSkin();
    // The stream of the first entry named lpszName, rewound to its start,
    // or null. The skin object keeps it until FreeSkin.
    bool GetRes(const wchar_t* lpszName, IStream*& pStream);

    // Packs every file directly in lpszFolder (which ends in '\') into a
    // new pack file lpszPackPath.
    bool MakeSkin(const wchar_t* lpszFolder, const wchar_t* lpszPackPath);

private:
    bool FindRes(const wchar_t* lpszName, IStream*& pStream);
    // Appends one file as an entry; false only when the pack cannot be
    // written. Files that cannot be opened are skipped: the pack itself is
    // among them, as it is open for writing.
    bool WriteSkin(FILE* pPack, const std::wstring& strPath);

    wchar_t m_szSkinPath[MAX_PATH];
    wchar_t m_szThemesPath[MAX_PATH];
    HGLOBAL m_hSkinData;
    int m_nSkinSize;
    int m_nResType;
    std::vector<tagSkinStream> m_streams;
};
