#include "support/vxnet.h"

#include "support/vxhandle.h"
#include "support/vxlog.h"
#include "support/vxprocess.h"
#include "support/vxtext.h"
#include "support/vxzlib.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <iterator>

namespace {

struct hinternet_traits {
    using type = HINTERNET;
    static type invalid() { return nullptr; }
    static void close(type h) { ::InternetCloseHandle(h); }
};
using unique_hinternet = vx::unique_any<hinternet_traits>;

const wchar_t kFixedHeaders[] =
    L"Accept:text/html,application/xml;q=0.9,application/json,*/*;q=0.8\r\n"
    L"Accept-Encoding:gzip,deflate\r\n"
    L"Accept-Language:zh-CN,zh;q=0.5\r\n"
    L"Accept-Charset:gb2312,utf-8;q=0.7,*;q=0.7\r\n";
const wchar_t kUserAgent[] = L"User-Agent:Mozilla/5.0 (Windows NT 6.1)\r\n";
const wchar_t kFormType[] = L"Content-Type: application/x-www-form-urlencoded\r\n";

// The header block, terminator included, and what the host may take of it.
const size_t kHeaderChars = 500;
const size_t kFixedChars =
    std::size(kFixedHeaders) - 1 + std::size(L"Host:\r\n") - 1 + std::size(kUserAgent) - 1;
static_assert(kFixedChars == 220, "fixed request header lines");
const size_t kMaxGetHost = kHeaderChars - 1 - kFixedChars;
const size_t kMaxPostHost = kMaxGetHost - (std::size(kFormType) - 1);

// The proxy record's field widths in characters.
constexpr size_t kProxyHost = sizeof(tagProxyInfo::szHost) / sizeof(wchar_t);
constexpr size_t kProxyPort = sizeof(tagProxyInfo::szPort) / sizeof(wchar_t);
constexpr size_t kProxyUser = sizeof(tagProxyInfo::szUser) / sizeof(wchar_t);
constexpr size_t kProxyPassword = sizeof(tagProxyInfo::szPassword) / sizeof(wchar_t);

const DWORD kConnectTimeoutMs = 3000;
const int kChunk = 16384;

void LogFailure(const wchar_t* step) {
    CVxLog::Instance().WriteLog2(L"网络连接异常: %ls", step);
}

// Copies [from, to) of the URL into host (maxHost + 1 characters); false when
// it is longer than maxHost.
bool TakeHost(const wchar_t* from, const wchar_t* to, wchar_t* host, size_t maxHost) {
    size_t n = static_cast<size_t>(to - from);
    if (n > maxHost)
        return false;
    wmemcpy(host, from, n);
    host[n] = L'\0';
    return true;
}

// GetUrlInfo and isConnected: a seven-character scheme prefix, the host up to
// the first '/' from index 8, the object from there ("/" when there is none).
bool SplitGetUrl(const wchar_t* url, wchar_t* host, size_t maxHost, const wchar_t** object) {
    size_t len = wcslen(url);
    if (len < 7)
        return false;
    const wchar_t* slash = len > 8 ? wcschr(url + 8, L'/') : nullptr;
    *object = slash ? slash : L"/";
    return TakeHost(url + 7, slash ? slash : url + len, host, maxHost);
}

// Post: the host from two characters after the first '/', up to the next '/'.
bool SplitPostUrl(const wchar_t* url, wchar_t* host, size_t maxHost, const wchar_t** object) {
    const wchar_t* first = wcschr(url, L'/');
    if (!first)
        return false;
    size_t len = wcslen(url), b = static_cast<size_t>(first - url);
    if (b + 2 > len)
        return false;
    const wchar_t* slash = b + 3 < len ? wcschr(url + b + 3, L'/') : nullptr;
    *object = slash ? slash : L"/";
    return TakeHost(url + b + 2, slash ? slash : url + len, host, maxHost);
}

} // namespace

CVxNet& CVxNet::Instance() {
    static CVxNet net;
    return net;
}

CVxNet::CVxNet() : m_bStop(false), m_nAttempts(3), m_nPauseMs(1000) {
    memset(&m_proxy, 0, sizeof(m_proxy));
    LoadProxyConfig();
    CVxZlib::Instance().InitZlib();
}

CVxNet::~CVxNet() {
    m_bStop = true;
    CVxZlib::Instance().UninitZlib();
}

void CVxNet::LoadProxyConfig() {
    memset(&m_proxy, 0, sizeof(m_proxy));
    wchar_t path[MAX_PATH + 20] = {};
    GetCurPath(path);
    if (!path[0])
        return;
    wcscat(path, L"proxy.dat");
    vx::unique_hfile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    tagProxyInfo read = {};
    DWORD got = 0;
    if (!ReadFile(file.get(), &read, sizeof(read), &got, nullptr) || got < sizeof(read.nUseProxy))
        return;
    m_proxy = read;
}

void CVxNet::Stop() {
    m_bStop = true;
}

HINTERNET CVxNet::OpenInternet() {
    DWORD state = 0;
    InternetGetConnectedState(&state, 0);
    wchar_t agent[32];
    _snwprintf(agent, std::size(agent), L"Agent%ld", static_cast<long>(GetTickCount()));
    agent[std::size(agent) - 1] = L'\0';
    if (m_proxy.nUseProxy) {
        wchar_t host[kProxyHost + 1], port[kProxyPort + 1];
        vx::CopyBounded(host, m_proxy.szHost, kProxyHost);
        vx::CopyBounded(port, m_proxy.szPort, kProxyPort);
        wchar_t proxy[kProxyHost + kProxyPort + 16];
        _snwprintf(proxy, std::size(proxy), L"HTTP=HTTP://%ls:%ls", host, port);
        proxy[std::size(proxy) - 1] = L'\0';
        return InternetOpenW(agent, INTERNET_OPEN_TYPE_PROXY, proxy, nullptr, 0);
    }
    DWORD access = (state & INTERNET_CONNECTION_PROXY) ? INTERNET_OPEN_TYPE_PRECONFIG
                                                       : INTERNET_OPEN_TYPE_DIRECT;
    return InternetOpenW(agent, access, nullptr, nullptr, 0);
}

int CVxNet::GetUrlInfo(const wchar_t* lpszUrl, char* lpBuffer, int nSize) {
    wchar_t host[kMaxGetHost + 1];
    const wchar_t* object = nullptr;
    if (!lpszUrl || !lpBuffer || nSize < 1 || !SplitGetUrl(lpszUrl, host, kMaxGetHost, &object))
        return 0;
    return Request(false, host, object, nullptr, 0, lpBuffer, nSize);
}

int CVxNet::Post(const wchar_t* lpszUrl, const char* lpBody, int nBodyLength, char* lpBuffer,
                 int nSize) {
    wchar_t host[kMaxPostHost + 1];
    const wchar_t* object = nullptr;
    if (!lpszUrl || !lpBuffer || nSize < 1 || nBodyLength < 0 || (nBodyLength > 0 && !lpBody) ||
        !SplitPostUrl(lpszUrl, host, kMaxPostHost, &object))
        return 0;
    return Request(true, host, object, lpBody, nBodyLength, lpBuffer, nSize);
}

int CVxNet::Request(bool bPost, const wchar_t* lpszHost, const wchar_t* lpszObject,
                    const char* lpBody, int nBodyLength, char* lpBuffer, int nSize) {
    unique_hinternet inet(OpenInternet());
    if (!inet) {
        LogFailure(L"InternetOpen");
        return 0;
    }
    DWORD timeout = kConnectTimeoutMs;
    InternetSetOptionW(inet.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof(timeout));

    unique_hinternet connect;
    for (int attempt = 1; attempt <= m_nAttempts; ++attempt) {
        connect.reset(InternetConnectW(inet.get(), lpszHost, INTERNET_DEFAULT_HTTP_PORT, nullptr,
                                       nullptr, INTERNET_SERVICE_HTTP, INTERNET_FLAG_NO_UI, 0));
        if (connect)
            break;
        if (attempt < m_nAttempts)
            Sleep(static_cast<DWORD>(m_nPauseMs));
    }
    if (!connect) {
        LogFailure(L"InternetConnect");
        return 0;
    }
    if (m_proxy.nUseProxy) {
        wchar_t user[kProxyUser + 1], password[kProxyPassword + 1];
        DWORD userLen = static_cast<DWORD>(vx::CopyBounded(user, m_proxy.szUser, kProxyUser));
        DWORD passwordLen =
            static_cast<DWORD>(vx::CopyBounded(password, m_proxy.szPassword, kProxyPassword));
        InternetSetOptionW(connect.get(), INTERNET_OPTION_PROXY_USERNAME, user, userLen);
        InternetSetOptionW(connect.get(), INTERNET_OPTION_PROXY_PASSWORD, password, passwordLen);
    }

    const wchar_t* accept[] = {L"*/*", nullptr};
    unique_hinternet request(
        HttpOpenRequestW(connect.get(), bPost ? L"POST" : L"GET", lpszObject, L"HTTP/1.1", nullptr,
                         accept, INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_UI, 0));
    if (!request) {
        LogFailure(L"HttpOpenRequest");
        return 0;
    }

    // The host's length was checked against this block when the URL was split.
    wchar_t headers[kHeaderChars];
    int n = _snwprintf(headers, kHeaderChars, L"%ls%ls%ls%ls%ls%ls", kFixedHeaders, L"Host:",
                       lpszHost, L"\r\n", kUserAgent, bPost ? kFormType : L"");
    if (n < 0 || static_cast<size_t>(n) >= kHeaderChars)
        return 0;
    HttpAddRequestHeadersW(request.get(), headers, static_cast<DWORD>(n),
                           HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);

    // A request that was not sent has nothing to read: its first read fails,
    // whatever WinINet would make of it (Wine reads nothing, successfully).
    bool sent = HttpSendRequestW(request.get(), nullptr, 0, const_cast<char*>(lpBody),
                                 static_cast<DWORD>(nBodyLength)) != FALSE;
    bool compressed = isGzip(request.get()) != 0;

    const int readSize = nSize <= kChunk ? nSize - 1 : kChunk;
    memset(lpBuffer, 0, static_cast<size_t>(nSize));
    int received = 0;
    while (!m_bStop && received + readSize < nSize) {
        DWORD got = 0;
        if (!sent || !InternetReadFile(request.get(), lpBuffer + received,
                                       static_cast<DWORD>(readSize), &got)) {
            LogFailure(L"InternetReadFile");
            return 0;
        }
        if (got == 0)
            break;
        received += static_cast<int>(got);
    }
    lpBuffer[received] = '\0';

    // A zero byte inside the data also means it is not text.
    if (compressed || strlen(lpBuffer) != static_cast<size_t>(received)) {
        void* block = nullptr;
        int length = 0;
        HRESULT hr = CVxZlib::Instance().DecodeGZipBuffer(lpBuffer, received, &block, &length);
        memset(lpBuffer, 0, static_cast<size_t>(received));
        if (hr == S_OK) {
            if (length > nSize - 1)
                length = nSize - 1;
            memcpy(lpBuffer, block, static_cast<size_t>(length));
            lpBuffer[length] = '\0';
        }
        free(block);
    }
    return 1;
}

int CVxNet::isConnected(const wchar_t* lpszUrl) {
    wchar_t host[kMaxGetHost + 1];
    const wchar_t* object = nullptr;
    if (!lpszUrl || !SplitGetUrl(lpszUrl, host, kMaxGetHost, &object))
        return 0;
    unique_hinternet inet(OpenInternet());
    if (!inet)
        return 0;
    unique_hinternet connect(InternetConnectW(inet.get(), host, INTERNET_DEFAULT_HTTP_PORT, nullptr,
                                              nullptr, INTERNET_SERVICE_HTTP, INTERNET_FLAG_NO_UI,
                                              0));
    if (!connect)
        return 0;
    const wchar_t* accept[] = {L"*/*", nullptr};
    unique_hinternet request(
        HttpOpenRequestW(connect.get(), L"GET", object, L"HTTP/1.1", nullptr, accept,
                         INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_UI, 0));
    if (!request)
        return 0;
    return HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0) ? 1 : 0;
}

int CVxNet::isGzip(HINTERNET hRequest) {
    wchar_t encoding[257] = {};
    DWORD cb = 512;
    if (!HttpQueryInfoW(hRequest, HTTP_QUERY_CONTENT_ENCODING, encoding, &cb, nullptr))
        return 0;
    encoding[256] = L'\0';
    for (wchar_t* p = encoding; *p; ++p)
        *p = static_cast<wchar_t>(towlower(*p));
    return wcscmp(encoding, L"gzip") == 0 || wcscmp(encoding, L"deflate") == 0;
}

int GetUrlInfo(const wchar_t* lpszUrl, char* lpBuffer, int nSize) {
    return CVxNet::Instance().GetUrlInfo(lpszUrl, lpBuffer, nSize);
}

int isConnected(const wchar_t* lpszUrl) {
    return CVxNet::Instance().isConnected(lpszUrl);
}
