// zlib, loaded at run time from "zlib1.dll" beside the executable: whole-file
// compression and decompression, and in-memory decoding of gzip- or
// zlib-wrapped buffers (compressed HTTP bodies).
#pragma once

#include "support/vxapi.h"

#include <windows.h>

class VX_API CVxZlib {
public:
    static CVxZlib& Instance();

    // S_OK once the library and all seven entry points are loaded (also when
    // they already were); otherwise the failed load's or lookup's Win32 error.
    HRESULT InitZlib();
    void UninitZlib();

    // The source file as one bare zlib stream (what compress2 writes), at
    // level 0..9 or -1 for the default.
    HRESULT EncodeFile(const wchar_t* lpszSrc, const wchar_t* lpszDst, int nLevel);
    // The reverse; dwExpected is the decoded size if known (0 = no hint).
    HRESULT DecodeFile(const wchar_t* lpszSrc, const wchar_t* lpszDst, DWORD dwExpected);
    // Decodes a gzip member or a zlib stream (told apart by its header) into
    // a new block the caller releases with free(). E_FAIL with a null block
    // for bad data, output beyond kMaxDecoded, or no memory.
    HRESULT DecodeGZipBuffer(const void* lpData, int nLength, void** lppBlock, int* lpnBlockLength);

    // A compressed body may expand about a thousandfold: decoding gives up
    // past this many bytes rather than exhaust memory.
    static const int kMaxDecoded = 64 * 1024 * 1024;

private:
    CVxZlib();
    ~CVxZlib();
    CVxZlib(const CVxZlib&) = delete;
    CVxZlib& operator=(const CVxZlib&) = delete;

    HRESULT CodeFile(const wchar_t* lpszSrc, const wchar_t* lpszDst, bool bEncode, int nLevel,
                     DWORD dwExpected);
    CRITICAL_SECTION m_cs;
};

VX_CAPI HRESULT InitZlib(void);
VX_CAPI void UninitZlib(void);
VX_CAPI HRESULT EncodeFile(const wchar_t* lpszSrc, const wchar_t* lpszDst, int nLevel);
VX_CAPI HRESULT DecodeFile(const wchar_t* lpszSrc, const wchar_t* lpszDst, DWORD dwExpected);
VX_CAPI HRESULT DecodeGZipBuffer(const void* lpData, int nLength, void** lppBlock,
                                 int* lpnBlockLength);
