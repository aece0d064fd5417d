#include "tests/support/net_server.h"

#include <ws2tcpip.h>
#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace vxtest {

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool SendAll(SOCKET s, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        int n = send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

std::string Head(size_t length, const std::string& extra) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(length) +
           "\r\nConnection: close\r\n" + extra;
}

} // namespace

std::vector<std::string> HttpRequest::Lines() const {
    std::vector<std::string> lines;
    size_t at = 0, end;
    while ((end = head.find("\r\n", at)) != std::string::npos) {
        lines.push_back(head.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

std::string HttpRequest::Header(const std::string& name) const {
    for (const std::string& line : Lines()) {
        size_t colon = line.find(':');
        if (colon == std::string::npos || Lower(line.substr(0, colon)) != Lower(name))
            continue;
        size_t value = line.find_first_not_of(' ', colon + 1);
        return value == std::string::npos ? "" : line.substr(value);
    }
    return "";
}

int HttpRequest::HeaderCount(const std::string& name) const {
    int n = 0;
    for (const std::string& line : Lines()) {
        size_t colon = line.find(':');
        if (colon != std::string::npos && Lower(line.substr(0, colon)) == Lower(name))
            ++n;
    }
    return n;
}

HttpReply OkReply(const std::string& body, const std::string& extraHeaders) {
    HttpReply r;
    r.head = Head(body.size(), extraHeaders);
    r.pieces = {body};
    return r;
}

HttpReply SlowReply(const std::vector<std::string>& pieces, DWORD pauseMs) {
    size_t total = 0;
    for (const std::string& p : pieces)
        total += p.size();
    HttpReply r;
    r.head = Head(total, "");
    r.pieces = pieces;
    r.pauseMs = pauseMs;
    return r;
}

HttpReply CutReply(const std::string& body, size_t announced) {
    HttpReply r;
    r.head = Head(announced, "");
    r.pieces = {body};
    return r;
}

HttpReply DropReply() {
    HttpReply r;
    r.drop = true;
    return r;
}

HttpServer::HttpServer(unsigned short port) {
    WSADATA wsa;
    m_wsa = WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
    m_handler = [](const HttpRequest&) { return OkReply("ok"); };
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return;
    BOOL on = TRUE;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof(on));
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof(addr);
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || listen(s, 8) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        closesocket(s);
        return;
    }
    m_listen = s;
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { Run(); });
}

HttpServer::~HttpServer() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listen != INVALID_SOCKET)
        closesocket(m_listen);
    if (m_wsa)
        WSACleanup();
}

void HttpServer::Serve(const HttpReply& reply) {
    Serve([reply](const HttpRequest&) { return reply; });
}

void HttpServer::Serve(std::function<HttpReply(const HttpRequest&)> handler) {
    std::lock_guard<std::mutex> lock(m_mu);
    m_handler = std::move(handler);
}

std::vector<HttpRequest> HttpServer::Requests() const {
    std::lock_guard<std::mutex> lock(m_mu);
    return m_requests;
}

bool HttpServer::WaitRequests(size_t n, DWORD timeoutMs) const {
    std::unique_lock<std::mutex> lock(m_mu);
    return m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                         [&] { return m_requests.size() >= n; });
}

void HttpServer::Run() {
    while (!m_stop) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(m_listen, &set);
        timeval tv = {0, 50000};
        if (select(0, &set, nullptr, nullptr, &tv) <= 0)
            continue;
        SOCKET c = accept(m_listen, nullptr, nullptr);
        if (c == INVALID_SOCKET)
            continue;
        Handle(c);
        closesocket(c);
    }
}

void HttpServer::Handle(SOCKET s) {
    DWORD timeout = 10000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof(timeout));
    std::string data;
    char buf[4096];
    size_t end;
    while ((end = data.find("\r\n\r\n")) == std::string::npos) {
        int n = recv(s, buf, sizeof(buf), 0);
        if (n <= 0)
            return;
        data.append(buf, static_cast<size_t>(n));
    }
    HttpRequest req;
    size_t lineEnd = data.find("\r\n");
    req.line = data.substr(0, lineEnd);
    req.head = data.substr(lineEnd + 2, end + 2 - (lineEnd + 2));
    size_t length = static_cast<size_t>(atoi(req.Header("Content-Length").c_str()));
    req.body = data.substr(end + 4);
    while (req.body.size() < length) {
        int n = recv(s, buf, sizeof(buf), 0);
        if (n <= 0)
            break;
        req.body.append(buf, static_cast<size_t>(n));
    }
    HttpReply reply;
    {
        std::lock_guard<std::mutex> lock(m_mu);
        m_requests.push_back(req);
        reply = m_handler(req);
    }
    m_cv.notify_all();
    if (!reply.drop && SendAll(s, reply.head + "\r\n")) {
        for (size_t i = 0; i < reply.pieces.size(); ++i) {
            if (i > 0 && reply.pauseMs)
                Sleep(reply.pauseMs);
            if (!SendAll(s, reply.pieces[i]))
                break;
        }
    }
    shutdown(s, SD_SEND);
}

} // namespace vxtest
