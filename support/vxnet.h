// The process-wide HTTP client over WinINet: one GET or form POST per call,
// on the calling thread, with browser-like headers, an optional proxy from
// "proxy.dat" beside the executable, and compressed bodies decoded.
#pragma once

#include "support/vxapi.h"

#include <windows.h>
#include <wininet.h>
#include <atomic>

// "proxy.dat", read as raw bytes. A field need not hold its terminator: it
// ends at the field's end at the latest.
struct tagProxyInfo {
    int nUseProxy;
    wchar_t szHost[100];
    wchar_t szPort[12];
    wchar_t szUser[50];
    wchar_t szPassword[50];
};
static_assert(sizeof(tagProxyInfo) == 428, "proxy.dat layout");

class VX_API CVxNet {
public:
    static CVxNet& Instance();

    // Clears the proxy settings, then reads "proxy.dat" beside the executable
    // if there is one.
    void LoadProxyConfig();

    // GETs the URL ("http://host/object") into lpBuffer: at most nSize - 1
    // bytes and a terminating zero. 1 when a response was read, 0 on failure.
    int GetUrlInfo(const wchar_t* lpszUrl, char* lpBuffer, int nSize);
    // POSTs the body bytes as a form; the response as GetUrlInfo.
    int Post(const wchar_t* lpszUrl, const char* lpBody, int nBodyLength, char* lpBuffer,
             int nSize);
    // Non-zero when a GET to the URL could be sent.
    int isConnected(const wchar_t* lpszUrl);
    // 1 when the response's Content-Encoding is "gzip" or "deflate".
    int isGzip(HINTERNET hRequest);
    // From now on requests are still sent but nothing more is read.
    void Stop();

private:
    CVxNet();
    ~CVxNet();
    CVxNet(const CVxNet&) = delete;
    CVxNet& operator=(const CVxNet&) = delete;

    HINTERNET OpenInternet();
    int Request(bool bPost, const wchar_t* lpszHost, const wchar_t* lpszObject, const char* lpBody,
                int nBodyLength, char* lpBuffer, int nSize);

    tagProxyInfo m_proxy;
    std::atomic<bool> m_bStop;
    int m_nAttempts;
    int m_nPauseMs;
};

VX_CAPI int GetUrlInfo(const wchar_t* lpszUrl, char* lpBuffer, int nSize);
VX_CAPI int isConnected(const wchar_t* lpszUrl);
