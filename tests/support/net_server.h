// A small HTTP server on 127.0.0.1 for the network tests: it records every
// request as it arrived and answers with replies the test chooses, including
// slow, cut-short and dropped ones. One connection at a time, closed after
// each reply.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vxtest {

struct HttpRequest {
    std::string line; // "GET /object HTTP/1.1"
    std::string head; // the header lines as received, each ending in "\r\n"
    std::string body;

    // The first header of this name (any case) with the spaces after its
    // colon removed; "" when there is none.
    std::string Header(const std::string& name) const;
    int HeaderCount(const std::string& name) const;
    // The header lines, in order, each without its "\r\n".
    std::vector<std::string> Lines() const;
};

struct HttpReply {
    std::string head;                // status line and header lines, each ending in "\r\n"
    std::vector<std::string> pieces; // the body, sent one piece at a time
    DWORD pauseMs = 0;               // before each piece after the first
    bool drop = false;               // close without answering
};

// 200 with the body in one piece; extra header lines end in "\r\n".
HttpReply OkReply(const std::string& body, const std::string& extraHeaders = "");
// 200 whose body comes in pieces with pauses between them.
HttpReply SlowReply(const std::vector<std::string>& pieces, DWORD pauseMs);
// Announces `announced` bytes, sends body, and closes the connection.
HttpReply CutReply(const std::string& body, size_t announced);
HttpReply DropReply();

class HttpServer {
public:
    // port 0 picks a free port.
    explicit HttpServer(unsigned short port);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    bool Listening() const { return m_listen != INVALID_SOCKET; }
    unsigned short Port() const { return m_port; }

    // How later requests are answered (by default OkReply("ok")).
    void Serve(const HttpReply& reply);
    void Serve(std::function<HttpReply(const HttpRequest&)> handler);

    std::vector<HttpRequest> Requests() const;
    bool WaitRequests(size_t n, DWORD timeoutMs) const;

private:
    void Run();
    void Handle(SOCKET s);

    SOCKET m_listen = INVALID_SOCKET;
    unsigned short m_port = 0;
    bool m_wsa = false;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mu;
    mutable std::condition_variable m_cv;
    std::vector<HttpRequest> m_requests;
    std::function<HttpReply(const HttpRequest&)> m_handler;
    std::thread m_thread;
};

} // namespace vxtest
