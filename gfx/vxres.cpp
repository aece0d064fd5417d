#include "gfx/vxres.h"

#include "support/vxhandle.h"
#include "util/vxutil.h"

#include <climits>
#include <cstring>
#include <memory>
#include <new>

namespace {

// The bytes of a resource of the running executable, valid for its life.
struct ResBytes {
    const void* data = nullptr;
    DWORD size = 0;
};

// Only the low 16 bits name an integer resource; anything above would turn
// the identifier into a string pointer.
LPCWSTR ResName(int id) {
    return MAKEINTRESOURCEW(static_cast<WORD>(id & 0xFFFF));
}

HRSRC FindOwn(int id, const wchar_t* type) {
    if (!type)
        return nullptr;
    return FindResourceW(GetModuleHandleW(nullptr), ResName(id), type);
}

bool LockOwn(int id, const wchar_t* type, ResBytes& out) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindOwn(id, type);
    if (!info)
        return false;
    HGLOBAL loaded = LoadResource(module, info);
    if (!loaded)
        return false;
    const void* data = LockResource(loaded);
    if (!data)
        return false;
    out.data = data;
    out.size = SizeofResource(module, info);
    return true;
}

// Only a PE image can take resources; the system's update calls are not
// relied on to refuse other files before they rewrite them.
bool IsPeImage(const wchar_t* file) {
    vx::unique_hfile f(CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    IMAGE_DOS_HEADER dos;
    DWORD got = 0, signature = 0;
    if (!f || !ReadFile(f.get(), &dos, sizeof(dos), &got, nullptr) || got != sizeof(dos) ||
        dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0)
        return false;
    LARGE_INTEGER at;
    at.QuadPart = dos.e_lfanew;
    return SetFilePointerEx(f.get(), at, nullptr, FILE_BEGIN) &&
           ReadFile(f.get(), &signature, sizeof(signature), &got, nullptr) &&
           got == sizeof(signature) && signature == IMAGE_NT_SIGNATURE;
}

} // namespace

namespace vx {

IStream* CreateMemStream(const void* data, size_t size) {
    // A zero-byte movable block cannot be locked; one spare byte keeps the
    // copy path the same and the stream's size is set to the real count.
    vx::unique_hglobal block(GlobalAlloc(GMEM_MOVEABLE, size ? size : 1));
    void* dst = block ? GlobalLock(block.get()) : nullptr;
    if (!dst)
        return nullptr;
    if (size)
        memcpy(dst, data, size);
    GlobalUnlock(block.get());
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block.get(), TRUE, &stream)) || !stream)
        return nullptr;
    // The stream frees the block when it is released.
    block.release();
    // The block may be larger than asked for; the stream is exactly size.
    ULARGE_INTEGER length;
    length.QuadPart = size;
    if (FAILED(stream->SetSize(length))) {
        stream->Release();
        return nullptr;
    }
    return stream;
}

} // namespace vx

IStream* VxResGetStream(int id, const wchar_t* type) {
    ResBytes res;
    if (!LockOwn(id, type, res))
        return nullptr;
    return vx::CreateMemStream(res.data, res.size);
}

int VxResGetBuff(int id, const wchar_t* type, void* buffer) {
    ResBytes res;
    if (!buffer || !LockOwn(id, type, res))
        return 0;
    memcpy(buffer, res.data, res.size);
    return 1;
}

DWORD VxResSize(int id, const wchar_t* type) {
    HRSRC info = FindOwn(id, type);
    if (!info || !LoadResource(GetModuleHandleW(nullptr), info))
        return 0;
    return SizeofResource(GetModuleHandleW(nullptr), info);
}

int VxResSave(int id, const wchar_t* type, const wchar_t* path) {
    ResBytes res;
    if (!LockOwn(id, type, res))
        return 0;
    return VxWriteFile(path, res.data, res.size);
}

int VxResUpdate2(const wchar_t* file, int id, const wchar_t* type, const void* data, int size) {
    if (!file || !type || size < 0 || (!data && size > 0))
        return 0;
    // Null data with size 0 would delete the resource instead of storing it.
    static const unsigned char kNothing = 0;
    if (!data)
        data = &kNothing;
    HANDLE update = IsPeImage(file) ? BeginUpdateResourceW(file, FALSE) : nullptr;
    if (!update)
        return 0;
    if (!UpdateResourceW(update, type, ResName(id), 0, const_cast<void*>(data),
                         static_cast<DWORD>(size))) {
        // Committing now would report success for a change never made.
        EndUpdateResourceW(update, TRUE);
        return 0;
    }
    return EndUpdateResourceW(update, FALSE) ? 1 : 0;
}

int VxResUpdate(const wchar_t* file, int id, const wchar_t* type, const wchar_t* sourcePath) {
    if (!sourcePath)
        return 0;
    long long length = FileSize(sourcePath);
    if (length < 0 || length > INT_MAX)
        return 0;
    DWORD size = static_cast<DWORD>(length);
    std::unique_ptr<unsigned char[]> bytes(new (std::nothrow) unsigned char[size ? size : 1]);
    if (!bytes || !VxReadFile(sourcePath, bytes.get(), &size))
        return 0;
    return VxResUpdate2(file, id, type, bytes.get(), static_cast<int>(size));
}

int VxReadFile(const wchar_t* path, void* buffer, DWORD* size) {
    if (!path || !size || (!buffer && *size))
        return 0;
    vx::unique_hfile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 0;
    DWORD wanted = *size, total = 0;
    auto* dst = static_cast<unsigned char*>(buffer);
    while (total < wanted) {
        DWORD got = 0;
        if (!ReadFile(file.get(), dst + total, wanted - total, &got, nullptr)) {
            *size = total;
            return 0;
        }
        if (got == 0)
            break;
        total += got;
    }
    *size = total;
    return 1;
}

int VxWriteFile(const wchar_t* path, const void* data, DWORD size) {
    if (!path || (!data && size))
        return 0;
    vx::unique_hfile file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 0;
    auto* src = static_cast<const unsigned char*>(data);
    DWORD total = 0;
    while (total < size) {
        DWORD put = 0;
        if (!WriteFile(file.get(), src + total, size - total, &put, nullptr) || put == 0)
            return 0;
        total += put;
    }
    return 1;
}

int VxGetStrWidth(const wchar_t* text, HWND window, HFONT font) {
    if (!text)
        return 0;
    HDC dc = GetDC(window);
    if (!dc)
        return 0;
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &extent);
    // A window's own device context keeps what is selected into it.
    if (old)
        SelectObject(dc, old);
    ReleaseDC(window, dc);
    return extent.cx;
}
