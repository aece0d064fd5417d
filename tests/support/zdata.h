// Compressed test data made with the same zlib1.dll the program loads, called
// through its own exports (the tests do not link zlib).
#pragma once

#include "tests/support/copyrun.h"

#include <windows.h>
#include <zlib.h>
#include <cstring>
#include <string>

namespace vxtest {

enum class ZWrap { kGzip = 31, kZlib = 15, kRaw = -15 };

inline HMODULE TestZlib() {
    static HMODULE mod = [] {
        HMODULE m = LoadLibraryW((ExeDir() + L"zlib1.dll").c_str());
        return m ? m : LoadLibraryW(BuiltZlib().c_str());
    }();
    return mod;
}

template <typename F> F ZlibExport(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(TestZlib(), name)));
}

// Deflates `repeat` copies of data in one stream; "" when zlib is missing.
inline std::string Deflate(const std::string& data, ZWrap wrap, int repeat = 1) {
    auto init = ZlibExport<decltype(&::deflateInit2_)>("deflateInit2_");
    auto deflate = ZlibExport<decltype(&::deflate)>("deflate");
    auto end = ZlibExport<decltype(&::deflateEnd)>("deflateEnd");
    if (!init || !deflate || !end)
        return "";
    z_stream s;
    memset(&s, 0, sizeof(s));
    if (init(&s, 9, Z_DEFLATED, static_cast<int>(wrap), 9, Z_DEFAULT_STRATEGY, ZLIB_VERSION,
             sizeof(s)) != Z_OK)
        return "";
    std::string out;
    char chunk[65536];
    for (int i = 0; i < repeat; ++i) {
        s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        s.avail_in = static_cast<uInt>(data.size());
        int flush = i + 1 == repeat ? Z_FINISH : Z_NO_FLUSH;
        int z;
        do {
            s.next_out = reinterpret_cast<Bytef*>(chunk);
            s.avail_out = sizeof(chunk);
            z = deflate(&s, flush);
            out.append(chunk, sizeof(chunk) - s.avail_out);
        } while (s.avail_out == 0 || (flush == Z_FINISH && z == Z_OK));
    }
    end(&s);
    return out;
}

} // namespace vxtest
