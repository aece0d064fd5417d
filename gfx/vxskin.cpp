#include "gfx/vxskin.h"

#include "gfx/vxres.h"
#include "support/vxhandle.h"
#include "support/vxtext.h"
#include "util/vxutil.h"

#include <climits>
#include <cwchar>
#include <memory>
#include <new>

namespace {

// "<exe folder><folder>\<name><suffix>", or empty when it does not fit:
// a cut path could name another file.
void SetPathBeside(wchar_t (&out)[MAX_PATH], const wchar_t* folder, const wchar_t* name,
                   const wchar_t* suffix) {
    wchar_t cur[MAX_PATH];
    GetCurPath(cur);
    std::wstring path = std::wstring(cur) + folder + L"\\" + (name ? name : L"") + suffix;
    if (!cur[0] || path.size() >= MAX_PATH)
        path.clear();
    vx::CopyBounded(out, path.c_str(), MAX_PATH - 1);
}

// Reads exactly size bytes.
bool ReadAll(HANDLE file, unsigned char* dst, DWORD size) {
    DWORD total = 0;
    while (total < size) {
        DWORD got = 0;
        if (!ReadFile(file, dst + total, size - total, &got, nullptr) || got == 0)
            return false;
        total += got;
    }
    return true;
}

vx::unique_hfile OpenForReading(const wchar_t* path) {
    return vx::unique_hfile(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
}

} // namespace

CVxSkin::CVxSkin() : m_hSkinData(nullptr), m_nSkinSize(0), m_nResType(kResEmbedded) {
    m_szSkinPath[0] = L'\0';
    m_szThemesPath[0] = L'\0';
}

CVxSkin::~CVxSkin() {
    FreeSkin();
}

CVxSkin& CVxSkin::Instance() {
    static CVxSkin skin;
    return skin;
}

void CVxSkin::SetResType(int nType) {
    m_nResType = nType;
}

int CVxSkin::GetResType() const {
    return m_nResType;
}

void CVxSkin::SetThemesName(const wchar_t* lpszName) {
    SetPathBeside(m_szThemesPath, L"Themes", lpszName, L"\\");
    m_nResType = kResThemes;
}

void CVxSkin::GetThemesPath(wchar_t* lpszPath) const {
    if (lpszPath)
        vx::CopyBounded(lpszPath, m_szThemesPath, MAX_PATH - 1);
}

void CVxSkin::SetSkinName(const wchar_t* lpszName) {
    SetPathBeside(m_szSkinPath, L"Skins", lpszName, L".skin");
    m_nResType = kResSkinPack;
}

bool CVxSkin::LoadSkin(const wchar_t* lpszName) {
    if (m_hSkinData)
        FreeSkin();
    if (lpszName)
        SetSkinName(lpszName);
    vx::unique_hfile file = OpenForReading(m_szSkinPath);
    if (!file)
        return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > INT_MAX)
        return false;
    // A movable block of 0 bytes cannot be locked: an empty pack gets one
    // spare byte and holds no entries.
    vx::unique_hglobal data(
        GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size.QuadPart ? size.QuadPart : 1)));
    auto* bytes = data ? static_cast<unsigned char*>(GlobalLock(data.get())) : nullptr;
    bool read = bytes && ReadAll(file.get(), bytes, static_cast<DWORD>(size.QuadPart));
    if (bytes)
        GlobalUnlock(data.get());
    if (!read)
        return false;
    m_hSkinData = data.release();
    m_nSkinSize = static_cast<int>(size.QuadPart);
    return true;
}

void CVxSkin::FreeSkin() {
    if (m_hSkinData) {
        GlobalFree(m_hSkinData);
        m_hSkinData = nullptr;
        m_nSkinSize = 0;
    }
    for (tagSkinStream& entry : m_streams)
        entry.stream->Release();
    m_streams.clear();
}

bool CVxSkin::GetRes(const wchar_t* lpszName, IStream*& pStream) {
    pStream = nullptr;
    if (!lpszName || wcslen(lpszName) > vx::skinpack::kMaxNameChars)
        return false;
    for (tagSkinStream& entry : m_streams) {
        if (wcscmp(entry.name, lpszName) == 0) {
            pStream = entry.stream;
            break;
        }
    }
    if (!pStream && !FindRes(lpszName, pStream))
        return false;
    // The last reader may have left the stream anywhere.
    LARGE_INTEGER start = {};
    pStream->Seek(start, STREAM_SEEK_SET, nullptr);
    return true;
}

bool CVxSkin::FindRes(const wchar_t* lpszName, IStream*& pStream) {
    pStream = nullptr;
    if (!m_hSkinData)
        return false;
    auto* pack = static_cast<const unsigned char*>(GlobalLock(m_hSkinData));
    if (!pack)
        return false;
    vx::skinpack::Entry entry;
    IStream* stream = nullptr;
    if (vx::skinpack::FindEntry(pack, static_cast<size_t>(m_nSkinSize), lpszName, entry))
        stream = vx::CreateMemStream(pack + entry.dataOffset, entry.dataSize);
    GlobalUnlock(m_hSkinData);
    if (!stream)
        return false;
    tagSkinStream cached = {};
    vx::CopyBounded(cached.name, lpszName, vx::skinpack::kMaxNameChars);
    cached.stream = stream;
    m_streams.push_back(cached);
    pStream = stream;
    return true;
}

bool CVxSkin::MakeSkin(const wchar_t* lpszFolder, const wchar_t* lpszPackPath) {
    if (!lpszFolder || !lpszPackPath)
        return false;
    vx::unique_file pack(_wfopen(lpszPackPath, L"wb"));
    if (!pack)
        return false;
    std::wstring folder(lpszFolder);
    WIN32_FIND_DATAW found;
    vx::unique_hfind find(FindFirstFileW((folder + L"*.*").c_str(), &found));
    if (!find)
        return false;
    bool written = true;
    do {
        if (found.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY)
            continue;
        written = WriteSkin(pack.get(), folder + found.cFileName) && written;
    } while (FindNextFileW(find.get(), &found));
    return fclose(pack.release()) == 0 && written;
}

bool CVxSkin::WriteSkin(FILE* pPack, const std::wstring& strPath) {
    vx::unique_hfile file = OpenForReading(strPath.c_str());
    if (!file)
        return true;
    // The header holds 32 bits of length and 29 characters of name; a file
    // that does not fit is left out rather than stored under a wrong name.
    LARGE_INTEGER size;
    wchar_t name[vx::skinpack::kNameChars];
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > UINT_MAX ||
        !vx::skinpack::EntryName(strPath.c_str(), name))
        return true;
    DWORD count = static_cast<DWORD>(size.QuadPart);
    std::unique_ptr<unsigned char[]> bytes(new (std::nothrow) unsigned char[count ? count : 1]);
    if (!bytes || !ReadAll(file.get(), bytes.get(), count))
        return true;
    unsigned char header[vx::skinpack::kHeaderSize];
    vx::skinpack::MakeHeader(name, count, header);
    return fwrite(header, 1, sizeof(header), pPack) == sizeof(header) &&
           fwrite(bytes.get(), 1, count, pPack) == count;
}
