#include "tools/manifest/manifest_writer.h"

#include "support/vxhandle.h"

#include <cstring>

namespace {

template <size_t N> void SetField(wchar_t (&field)[N], const std::wstring& s) {
    memset(field, 0, sizeof(field));
    wmemcpy(field, s.c_str(), s.size() < N ? s.size() : N);
}

void Append(std::vector<unsigned char>& out, const void* p, size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    out.insert(out.end(), b, b + n);
}

void AppendInt(std::vector<unsigned char>& out, int v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    Append(out, b, sizeof(b));
}

} // namespace

// Fields are filled up to their full size; a name as long as its field is
// left without a terminator, as a faulty installer would write it.
tagUninstallHeader MakeManifestHeader(const std::wstring& key, const std::wstring& product,
                                      const std::wstring& group, const std::wstring& installDir) {
    tagUninstallHeader h;
    SetField(h.szUninstallKey, key);
    SetField(h.szProductName, product);
    SetField(h.szProgramGroup, group);
    SetField(h.szInstallDir, installDir);
    return h;
}

tagUninstallItem MakeManifestItem(int kind, const std::wstring& path) {
    tagUninstallItem item;
    item.nKind = kind;
    SetField(item.szPath, path);
    return item;
}

std::vector<unsigned char> BuildManifest(const tagUninstallHeader& header,
                                         const std::vector<tagUninstallItem>& entries,
                                         const std::vector<tagUninstallItem>& shortcuts) {
    std::vector<unsigned char> out;
    Append(out, &header, sizeof(header));
    if (!isDirectoryMode(header)) {
        AppendInt(out, static_cast<int>(entries.size()));
        for (const auto& e : entries)
            Append(out, &e, sizeof(e));
    }
    AppendInt(out, static_cast<int>(shortcuts.size()));
    for (const auto& s : shortcuts)
        Append(out, &s, sizeof(s));
    return out;
}

bool WriteManifest(const std::wstring& path, const std::vector<unsigned char>& bytes) {
    vx::unique_file f(_wfopen(path.c_str(), L"wb"));
    if (!f)
        return false;
    return fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size() &&
           fclose(f.release()) == 0;
}
