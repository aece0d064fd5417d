// Replaces an icon group of an executable with the images of an icon file.
#include "util/vxutil.h"

#include "support/vxhandle.h"

#include <cstring>
#include <vector>

namespace {

const WORD kChinese = 2052; // the language the resources are written in
const DWORD kMaxIconFile = 16 * 1024 * 1024;

struct update_traits {
    using type = HANDLE;
    static type invalid() { return nullptr; }
    // Anything not committed explicitly is thrown away.
    static void close(type h) { ::EndUpdateResourceW(h, TRUE); }
};
using unique_update = vx::unique_any<update_traits>;

#pragma pack(push, 1)
struct IconDirEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes, offset;
};
struct GroupEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)
static_assert(sizeof(IconDirEntry) == 16 && sizeof(GroupEntry) == 14, "icon file layouts");

bool ReadWhole(const wchar_t* path, std::vector<BYTE>& out) {
    vx::unique_hfile f(
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size;
    if (!f || !GetFileSizeEx(f.get(), &size) || size.QuadPart > kMaxIconFile)
        return false;
    out.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    return out.empty() ||
           (ReadFile(f.get(), out.data(), static_cast<DWORD>(out.size()), &got, nullptr) &&
            got == out.size());
}

} // namespace

int ReplaceExeIco(const wchar_t* exePath, const wchar_t* icoPath, int groupId) {
    if (!exePath || !icoPath || groupId < 1 || groupId > 0xFFFF)
        return 0;
    std::vector<BYTE> ico;
    if (!ReadWhole(icoPath, ico) || ico.size() < 6)
        return 0;
    WORD type, count;
    memcpy(&type, &ico[2], 2);
    memcpy(&count, &ico[4], 2);
    // Every entry and every image it names must lie inside the file.
    if (type != 1 || count == 0 || ico.size() < 6 + size_t(count) * sizeof(IconDirEntry))
        return 0;
    std::vector<IconDirEntry> entries(count);
    memcpy(entries.data(), &ico[6], count * sizeof(IconDirEntry));
    for (const IconDirEntry& e : entries)
        if (e.bytes == 0 || e.offset > ico.size() || e.bytes > ico.size() - e.offset)
            return 0;

    std::vector<BYTE> group(6 + count * sizeof(GroupEntry));
    memcpy(group.data(), ico.data(), 6);
    // Image i is written as RT_ICON i, counting from 0.
    for (WORD i = 0; i < count; ++i) {
        const IconDirEntry& e = entries[i];
        GroupEntry g = {e.width, e.height, e.colors, e.reserved, e.planes, e.bitCount, e.bytes, i};
        memcpy(&group[6 + i * sizeof(GroupEntry)], &g, sizeof(g));
    }

    unique_update update(BeginUpdateResourceW(exePath, FALSE));
    if (!update)
        return 0;
    BOOL last = UpdateResourceW(update.get(), RT_GROUP_ICON, MAKEINTRESOURCEW(groupId), kChinese,
                                group.data(), static_cast<DWORD>(group.size()));
    if (!last)
        return 0;
    for (WORD i = 0; i < count; ++i)
        last = UpdateResourceW(update.get(), RT_ICON, MAKEINTRESOURCEW(i), kChinese,
                               &ico[entries[i].offset], entries[i].bytes);
    if (!EndUpdateResourceW(update.release(), FALSE))
        return 0;
    return last ? 1 : 0;
}
