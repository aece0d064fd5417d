// What the network tests share beyond the server: a "proxy.dat" beside the
// running program, the proxy's credential check, the log file, Base64.
#pragma once

#include "support/vxnet.h"
#include "tests/support/net_server.h"
#include "tests/support/testutil.h"

#include <windows.h>
#include <cwchar>
#include <string>

namespace vxtest {

inline std::string ProxyFileBytes(const tagProxyInfo& info) {
    return std::string(reinterpret_cast<const char*>(&info), sizeof(info));
}

// A record naming 127.0.0.1:port with the given credentials.
inline tagProxyInfo LocalProxy(unsigned short port, const wchar_t* user, const wchar_t* password) {
    tagProxyInfo info = {};
    info.nUseProxy = 1;
    wcscpy(info.szHost, L"127.0.0.1");
    _snwprintf(info.szPort, 11, L"%u", port);
    wcsncpy(info.szUser, user, 49);
    wcsncpy(info.szPassword, password, 49);
    return info;
}

// Writes "proxy.dat" beside this program and has the client read it.
inline bool UseProxyFile(const std::string& bytes) {
    if (!WriteFileBytes(ExeDir() + L"proxy.dat", bytes))
        return false;
    CVxNet::Instance().LoadProxyConfig();
    return true;
}

inline std::string Base64(const std::string& in) {
    static const char k[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < in.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(in[i]) << 16;
        if (i + 1 < in.size())
            v |= static_cast<unsigned char>(in[i + 1]) << 8;
        if (i + 2 < in.size())
            v |= static_cast<unsigned char>(in[i + 2]);
        out += k[(v >> 18) & 63];
        out += k[(v >> 12) & 63];
        out += i + 1 < in.size() ? k[(v >> 6) & 63] : '=';
        out += i + 2 < in.size() ? k[v & 63] : '=';
    }
    return out;
}

// A proxy that wants Basic credentials: 407 until they come, then the reply.
inline std::function<HttpReply(const HttpRequest&)> AuthProxy(const HttpReply& reply) {
    return [reply](const HttpRequest& r) {
        if (!r.Header("Proxy-Authorization").empty())
            return reply;
        HttpReply challenge;
        challenge.head = "HTTP/1.1 407 Proxy Authentication Required\r\n"
                         "Proxy-Authenticate: Basic realm=\"vx\"\r\n"
                         "Content-Length: 0\r\nConnection: close\r\n";
        return challenge;
    };
}

// Every log file beside this program, one after another.
inline std::string ReadLogs() {
    std::string all;
    WIN32_FIND_DATAW fd;
    vx::unique_hfind find(FindFirstFileW((ExeDir() + L"VX-*.log").c_str(), &fd));
    if (!find)
        return all;
    do
        all += ReadFileBytes(ExeDir() + fd.cFileName);
    while (FindNextFileW(find.get(), &fd));
    return all;
}

// A log line's message as the log writes it: in the thread's ANSI code page.
inline std::string AnsiText(const std::wstring& text) {
    char buf[512] = {};
    int n = WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), static_cast<int>(text.size()), buf,
                                sizeof(buf), nullptr, nullptr);
    return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

inline size_t CountOf(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

} // namespace vxtest
