#include "support/vxzlib.h"

#include "support/vxhandle.h"
#include "support/vxprocess.h"

#include <zlib.h>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>

namespace {

// The program is written against this version; zlib only checks the major
// number, and the record size must be that of the zlib.h it was built with.
const char kZlibVersion[] = "1.2.7";

using compress_fn = decltype(&::compress);
using compress2_fn = decltype(&::compress2);
using uncompress_fn = decltype(&::uncompress);
using inflate_fn = decltype(&::inflate);
using inflateEnd_fn = decltype(&::inflateEnd);
using inflateInit_fn = decltype(&::inflateInit_);
using inflateInit2_fn = decltype(&::inflateInit2_);

// Shared by every user of the singleton; changed only under its lock.
HMODULE g_hZlib = nullptr;
compress_fn g_compress = nullptr;
compress2_fn g_compress2 = nullptr;
uncompress_fn g_uncompress = nullptr;
inflate_fn g_inflate = nullptr;
inflateEnd_fn g_inflateEnd = nullptr;
inflateInit_fn g_inflateInit = nullptr;
inflateInit2_fn g_inflateInit2 = nullptr;

void ClearEntryPoints() {
    g_compress = nullptr;
    g_compress2 = nullptr;
    g_uncompress = nullptr;
    g_inflate = nullptr;
    g_inflateEnd = nullptr;
    g_inflateInit = nullptr;
    g_inflateInit2 = nullptr;
}

template <typename F> bool Resolve(F& out, const char* name) {
    out = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(g_hZlib, name)));
    return out != nullptr;
}

struct FreeDeleter {
    void operator()(void* p) const { free(p); }
};
using unique_block = std::unique_ptr<unsigned char, FreeDeleter>;

HRESULT LastError() {
    DWORD e = GetLastError();
    return e ? HRESULT_FROM_WIN32(e) : E_FAIL;
}

const unsigned long long kMaxFileBytes = 1000000000ULL;
const unsigned long long kFirstCapacity = 1000000ULL;

// 4 KB per inflate call, as the result grows.
const unsigned kChunk = 4096;

} // namespace

CVxZlib& CVxZlib::Instance() {
    static CVxZlib zlib;
    return zlib;
}

CVxZlib::CVxZlib() {
    InitializeCriticalSection(&m_cs);
}

CVxZlib::~CVxZlib() {
    DeleteCriticalSection(&m_cs);
}

HRESULT CVxZlib::InitZlib() {
    wchar_t path[300] = {};
    GetCurPath(path);
    // A cut-short folder would load some other zlib1.dll.
    if (!path[0] || wcslen(path) + wcslen(L"zlib1.dll") >= 300)
        return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    wcscat(path, L"zlib1.dll");

    EnterCriticalSection(&m_cs);
    HRESULT hr = S_OK;
    if (!g_hZlib) {
        g_hZlib = LoadLibraryW(path);
        bool ok = g_hZlib && Resolve(g_compress, "compress") && Resolve(g_compress2, "compress2") &&
                  Resolve(g_uncompress, "uncompress") && Resolve(g_inflate, "inflate") &&
                  Resolve(g_inflateEnd, "inflateEnd") && Resolve(g_inflateInit, "inflateInit_") &&
                  Resolve(g_inflateInit2, "inflateInit2_");
        if (!ok) {
            hr = LastError();
            ClearEntryPoints();
            if (g_hZlib)
                FreeLibrary(g_hZlib);
            g_hZlib = nullptr;
        }
    }
    LeaveCriticalSection(&m_cs);
    return hr;
}

void CVxZlib::UninitZlib() {
    EnterCriticalSection(&m_cs);
    if (g_hZlib) {
        FreeLibrary(g_hZlib);
        g_hZlib = nullptr;
        ClearEntryPoints();
    }
    LeaveCriticalSection(&m_cs);
}

HRESULT CVxZlib::EncodeFile(const wchar_t* lpszSrc, const wchar_t* lpszDst, int nLevel) {
    return CodeFile(lpszSrc, lpszDst, true, nLevel, 0);
}

HRESULT CVxZlib::DecodeFile(const wchar_t* lpszSrc, const wchar_t* lpszDst, DWORD dwExpected) {
    return CodeFile(lpszSrc, lpszDst, false, 0, dwExpected);
}

HRESULT CVxZlib::CodeFile(const wchar_t* lpszSrc, const wchar_t* lpszDst, bool bEncode, int nLevel,
                          DWORD dwExpected) {
    compress2_fn pCompress2 = g_compress2;
    uncompress_fn pUncompress = g_uncompress;
    if (!pCompress2 || !pUncompress)
        return E_NOINTERFACE;
    if (!lpszSrc || !lpszDst)
        return E_INVALIDARG;
    try {
        vx::unique_hfile src(CreateFileW(lpszSrc, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!src)
            return LastError();
        vx::unique_hfile dst(CreateFileW(lpszDst, GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!dst)
            return LastError();

        LARGE_INTEGER size;
        if (!GetFileSizeEx(src.get(), &size))
            return LastError();
        if (size.QuadPart == 0)
            return S_OK;
        if (size.HighPart != 0 || static_cast<unsigned long long>(size.QuadPart) > kMaxFileBytes)
            return E_FAIL;
        const DWORD inLength = size.LowPart;

        unique_block in(static_cast<unsigned char*>(malloc(inLength)));
        if (!in)
            return E_OUTOFMEMORY;
        DWORD read = 0;
        if (!ReadFile(src.get(), in.get(), inLength, &read, nullptr))
            return LastError();
        if (read != inLength)
            return E_FAIL;

        unsigned long long capacity = inLength < kFirstCapacity ? kFirstCapacity : inLength;
        if (!bEncode && dwExpected)
            capacity = dwExpected;
        unique_block out;
        uLongf outLength = 0;
        bool done = false;
        for (; capacity <= kMaxFileBytes; capacity *= 2) {
            out.reset();
            out.reset(static_cast<unsigned char*>(malloc(static_cast<size_t>(capacity))));
            if (!out)
                return E_OUTOFMEMORY;
            outLength = static_cast<uLongf>(capacity);
            int z = bEncode ? pCompress2(out.get(), &outLength, in.get(), inLength, nLevel)
                            : pUncompress(out.get(), &outLength, in.get(), inLength);
            if (z == Z_OK) {
                done = true;
                break;
            }
            if (z != Z_BUF_ERROR)
                return E_FAIL;
        }
        if (!done)
            return E_FAIL;
        // The input goes before the write, so the peak is one block less.
        in.reset();
        if (void* shrunk = realloc(out.get(), outLength ? outLength : 1)) {
            out.release();
            out.reset(static_cast<unsigned char*>(shrunk));
        }

        DWORD written = 0;
        if (!WriteFile(dst.get(), out.get(), outLength, &written, nullptr))
            return LastError();
        return written == outLength ? S_OK : E_FAIL;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT CVxZlib::DecodeGZipBuffer(const void* lpData, int nLength, void** lppBlock,
                                  int* lpnBlockLength) {
    if (!lppBlock || !lpnBlockLength)
        return E_FAIL;
    *lppBlock = nullptr;
    *lpnBlockLength = 0;
    inflate_fn pInflate = g_inflate;
    inflateEnd_fn pInflateEnd = g_inflateEnd;
    inflateInit2_fn pInflateInit2 = g_inflateInit2;
    if (!pInflate || !pInflateEnd || !pInflateInit2 || !lpData || nLength < 0)
        return E_FAIL;

    z_stream stream;
    memset(&stream, 0, sizeof(stream));
    // 15 window bits plus 32: a zlib or a gzip header, whichever is there.
    if (pInflateInit2(&stream, 15 + 32, kZlibVersion, static_cast<int>(sizeof(z_stream))) != Z_OK)
        return E_FAIL;
    stream.next_in = static_cast<Bytef*>(const_cast<void*>(lpData));
    stream.avail_in = static_cast<uInt>(nLength);

    unique_block block;
    size_t used = 0, capacity = 0;
    int z = Z_OK;
    bool ok = true;
    for (;;) {
        unsigned char chunk[kChunk];
        stream.next_out = chunk;
        stream.avail_out = kChunk;
        z = pInflate(&stream, Z_NO_FLUSH);
        if (z == Z_NEED_DICT)
            z = Z_DATA_ERROR;
        if (z == Z_MEM_ERROR || z == Z_DATA_ERROR)
            break;
        size_t produced = kChunk - stream.avail_out;
        if (used + produced > static_cast<size_t>(kMaxDecoded)) {
            ok = false;
            break;
        }
        // Doubling room, so a large body is not copied once per chunk.
        if (used + produced > capacity) {
            size_t grown = capacity ? capacity * 2 : kChunk * 4;
            while (grown < used + produced)
                grown *= 2;
            void* p = realloc(block.get(), grown);
            if (!p) {
                ok = false;
                break;
            }
            block.release();
            block.reset(static_cast<unsigned char*>(p));
            capacity = grown;
        }
        if (produced)
            memcpy(block.get() + used, chunk, produced);
        used += produced;
        if (z == Z_STREAM_END || produced < kChunk)
            break;
    }
    pInflateEnd(&stream);
    if (!ok || z != Z_STREAM_END)
        return E_FAIL;

    // Exactly the bytes produced; an empty result is still a block.
    void* exact = realloc(block.get(), used ? used : 1);
    if (exact) {
        block.release();
        block.reset(static_cast<unsigned char*>(exact));
    }
    if (!block)
        return E_FAIL;
    *lppBlock = block.release();
    *lpnBlockLength = static_cast<int>(used);
    return S_OK;
}

HRESULT InitZlib(void) {
    return CVxZlib::Instance().InitZlib();
}

void UninitZlib(void) {
    CVxZlib::Instance().UninitZlib();
}

HRESULT EncodeFile(const wchar_t* lpszSrc, const wchar_t* lpszDst, int nLevel) {
    return CVxZlib::Instance().EncodeFile(lpszSrc, lpszDst, nLevel);
}

HRESULT DecodeFile(const wchar_t* lpszSrc, const wchar_t* lpszDst, DWORD dwExpected) {
    return CVxZlib::Instance().DecodeFile(lpszSrc, lpszDst, dwExpected);
}

HRESULT DecodeGZipBuffer(const void* lpData, int nLength, void** lppBlock, int* lpnBlockLength) {
    return CVxZlib::Instance().DecodeGZipBuffer(lpData, nLength, lppBlock, lpnBlockLength);
}
