#include "support/vxsharemem.h"

#include "support/vxhandle.h"
#include "support/vxtext.h"

#include <cstring>
#include <cwchar>

namespace {

using vx::unique_view;

// A view of a whole named mapping and the size the system really gave it,
// so every copy can be checked against it.
class MappedView {
public:
    explicit MappedView(const wchar_t* name) {
        if (!name)
            return;
        m_mapping.reset(OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name));
        if (!m_mapping)
            return;
        m_view.reset(MapViewOfFile(m_mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
        MEMORY_BASIC_INFORMATION mbi = {};
        if (m_view && VirtualQuery(m_view.get(), &mbi, sizeof(mbi)) == sizeof(mbi))
            m_size = mbi.RegionSize;
    }

    explicit operator bool() const { return m_size != 0; }
    size_t size() const { return m_size; }
    unsigned char* base() const { return static_cast<unsigned char*>(m_view.get()); }

    // Whether [offset, offset + length) lies inside the view; offsets are
    // 64-bit so that no product of a 32-bit offset can wrap.
    bool Holds(unsigned long long offset, unsigned long long length) const {
        return offset <= m_size && length <= m_size - offset;
    }

private:
    vx::unique_handle m_mapping;
    unique_view m_view;
    size_t m_size = 0;
};

} // namespace

HANDLE CreateShareMem(const wchar_t* name, DWORD size) {
    return CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name);
}

int isExistsShareMem(const wchar_t* name) {
    if (!name)
        return 0;
    vx::unique_handle mapping(OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name));
    return mapping ? 1 : 0;
}

int ReadShareMem(const wchar_t* name, wchar_t* out) {
    if (!out)
        return 0;
    MappedView view(name);
    if (!view)
        return 0;
    size_t limit = view.size() / sizeof(wchar_t);
    if (limit > MAX_PATH - 1)
        limit = MAX_PATH - 1;
    const auto* text = reinterpret_cast<const wchar_t*>(view.base());
    vx::CopyBounded(out, text, limit);
    return 1;
}

int WriteShareMem(const wchar_t* name, const wchar_t* text, DWORD charOffset) {
    if (!text)
        return 0;
    MappedView view(name);
    unsigned long long offset = static_cast<unsigned long long>(charOffset) * sizeof(wchar_t);
    unsigned long long bytes =
        (static_cast<unsigned long long>(wcslen(text)) + 1) * sizeof(wchar_t);
    if (!view || !view.Holds(offset, bytes))
        return 0;
    memcpy(view.base() + offset, text, static_cast<size_t>(bytes));
    return 1;
}

int ReadShareMem2(const wchar_t* name, void* dest, DWORD length, DWORD byteOffset) {
    if (!dest && length)
        return 0;
    MappedView view(name);
    if (!view || !view.Holds(byteOffset, length))
        return 0;
    if (length)
        memcpy(dest, view.base() + byteOffset, length);
    return 1;
}

int WriteShareMem2(const wchar_t* name, const void* src, DWORD length, DWORD byteOffset) {
    if (!src && length)
        return 0;
    MappedView view(name);
    if (!view || !view.Holds(byteOffset, length))
        return 0;
    if (length)
        memcpy(view.base() + byteOffset, src, length);
    return 1;
}
