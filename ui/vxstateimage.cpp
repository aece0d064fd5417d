#include "ui/vxstateimage.h"

#include "gfx/vxfont.h"
#include "gfx/vximage.h"
#include "gfx/vxskin.h"

#include <shlwapi.h>
#include <cwchar>
#include <iterator>

namespace vx::ui {

StateImage DrawSkinnedState(HDC hdc, const StateImageSource& s, int x, int y, int w, int h) {
    CVxImage& img = CVxImage::Instance();
    CVxSkin& skin = CVxSkin::Instance();
    if (s.imageSource == 3) {
        if (!PathFileExistsW(s.imageFile.c_str()))
            return StateImage::Missing;
        img.DrawStretchImg(hdc, s.imageFile.c_str(), x, y, w, h, s.splitH, s.frames, s.state, 0);
        return StateImage::Drawn;
    }
    if (skin.GetResType() == CVxSkin::kResThemes) {
        wchar_t themes[MAX_PATH] = {};
        skin.GetThemesPath(themes);
        wchar_t path[MAX_PATH];
        const int n = _snwprintf(path, std::size(path), L"%ls%ls_%d%ls", themes, s.skinName.c_str(),
                                 s.state, s.imageExt.c_str());
        path[std::size(path) - 1] = L'\0';
        // A path cut short names some other file: treated as missing.
        if (n < 0 || n >= static_cast<int>(std::size(path)) || !PathFileExistsW(path))
            return StateImage::Missing;
        img.DrawStretchImg(hdc, path, x, y, w, h, s.splitH, s.frames, s.state, 0);
        return StateImage::Drawn;
    }
    if (skin.GetResType() == CVxSkin::kResSkinPack) {
        IStream* stream = nullptr;
        if (!skin.GetRes(s.skinName.c_str(), stream) || !stream)
            return StateImage::Missing;
        img.DrawStretchImg(hdc, stream, x, y, w, h, s.splitH, s.frames, s.state, 0);
        return StateImage::Drawn;
    }
    return StateImage::Resources;
}

int DefaultTextOffsetY() {
    return CVxFont::Instance().isSupportYaHei() ? 0 : 2;
}

} // namespace vx::ui
