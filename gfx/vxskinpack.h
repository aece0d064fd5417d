// The skin pack layout: a plain run of entries from offset 0 to the end of
// the file, each a 64-byte header (the name in UTF-16LE, zero-filled, in the
// first 60 bytes; the data length N, unsigned 32-bit little-endian, at 60)
// followed by the N data bytes. No file header, count or checksum.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vx::skinpack {

constexpr size_t kHeaderSize = 64;
// The name field in characters, terminator included.
constexpr size_t kNameChars = 30;
constexpr size_t kMaxNameChars = kNameChars - 1;

// The entry name of a packed file: its file name after the last backslash
// (or slash) up to the first '.'; empty when the file name has no '.' or
// starts with one. False when the name does not fit in a header.
bool EntryName(const wchar_t* path, wchar_t (&name)[kNameChars]);

// The header for an entry named name holding size data bytes.
void MakeHeader(const wchar_t* name, uint32_t size, unsigned char (&header)[kHeaderSize]);

struct Entry {
    size_t dataOffset;
    uint32_t dataSize;
};

// The first entry named name. The walk only trusts what lies inside the
// pack: it stops at a header cut short or an entry whose data would run
// past the end, and a header name without a terminator matches nothing.
bool FindEntry(const unsigned char* pack, size_t packSize, const wchar_t* name, Entry& out);

} // namespace vx::skinpack
