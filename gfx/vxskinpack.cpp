#include "gfx/vxskinpack.h"

#include <cstring>
#include <cwchar>

namespace vx::skinpack {

bool EntryName(const wchar_t* path, wchar_t (&name)[kNameChars]) {
    wmemset(name, 0, kNameChars);
    if (!path)
        return true;
    const wchar_t* file = path;
    for (const wchar_t* p = path; *p; ++p) {
        if (*p == L'\\' || *p == L'/')
            file = p + 1;
    }
    const wchar_t* dot = wcschr(file, L'.');
    if (!dot)
        return true;
    size_t n = static_cast<size_t>(dot - file);
    if (n > kMaxNameChars)
        return false;
    wmemcpy(name, file, n);
    return true;
}

void MakeHeader(const wchar_t* name, uint32_t size, unsigned char (&header)[kHeaderSize]) {
    memset(header, 0, kHeaderSize);
    for (size_t i = 0; name && i < kMaxNameChars && name[i]; ++i) {
        header[2 * i] = static_cast<unsigned char>(name[i] & 0xFF);
        header[2 * i + 1] = static_cast<unsigned char>((name[i] >> 8) & 0xFF);
    }
    for (int i = 0; i < 4; ++i)
        header[60 + i] = static_cast<unsigned char>((size >> (8 * i)) & 0xFF);
}

namespace {

// The header's name, or false when its field holds no terminator.
bool HeaderName(const unsigned char* header, wchar_t (&name)[kNameChars]) {
    for (size_t i = 0; i < kNameChars; ++i) {
        name[i] = static_cast<wchar_t>(header[2 * i] | (header[2 * i + 1] << 8));
        if (!name[i])
            return true;
    }
    return false;
}

uint32_t HeaderSize(const unsigned char* header) {
    return static_cast<uint32_t>(header[60]) | static_cast<uint32_t>(header[61]) << 8 |
           static_cast<uint32_t>(header[62]) << 16 | static_cast<uint32_t>(header[63]) << 24;
}

} // namespace

bool FindEntry(const unsigned char* pack, size_t packSize, const wchar_t* name, Entry& out) {
    if (!pack || !name)
        return false;
    size_t offset = 0;
    while (packSize - offset >= kHeaderSize) {
        const unsigned char* header = pack + offset;
        uint32_t size = HeaderSize(header);
        size_t data = offset + kHeaderSize;
        if (size > packSize - data)
            return false;
        wchar_t entry[kNameChars];
        if (HeaderName(header, entry) && wcscmp(entry, name) == 0) {
            out.dataOffset = data;
            out.dataSize = size;
            return true;
        }
        offset = data + size;
    }
    return false;
}

} // namespace vx::skinpack
