// The HTTP client against a server of the test's own on 127.0.0.1:80, the
// port the client always uses: what goes on the wire, how much is read into
// which buffer, and how failures end a call.
#include "support/vxnet.h"
#include "support/vxzlib.h"
#include "tests/support/net_server.cpp"
#include "tests/support/net_testutil.h"
#include "tests/support/zdata.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace vxtest;

namespace {

struct Response {
    int result;
    std::string text; // up to the first zero byte
    bool terminated;  // a zero byte within the buffer
};

Response Get(const std::wstring& url, int size) {
    std::vector<char> buf(static_cast<size_t>(size), 'x');
    Response r;
    r.result = CVxNet::Instance().GetUrlInfo(url.c_str(), buf.data(), size);
    r.terminated = memchr(buf.data(), 0, buf.size()) != nullptr;
    r.text.assign(buf.data(), r.terminated ? strlen(buf.data()) : buf.size());
    return r;
}

std::string Letters(size_t n) {
    std::string s(n, ' ');
    for (size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>('a' + i % 26);
    return s;
}

// Our header lines as WinINet writes them: name, colon, one space, value.
const std::vector<std::string> kGetLines = {
    "Accept: text/html,application/xml;q=0.9,application/json,*/*;q=0.8",
    "Accept-Encoding: gzip,deflate",
    "Accept-Language: zh-CN,zh;q=0.5",
    "Accept-Charset: gb2312,utf-8;q=0.7,*;q=0.7",
    "Host: 127.0.0.1",
    "User-Agent: Mozilla/5.0 (Windows NT 6.1)",
};

// The lines arrive once each, in this order, whatever WinINet adds around them.
void ExpectLinesInOrder(const HttpRequest& r, const std::vector<std::string>& expected) {
    std::vector<std::string> lines = r.Lines();
    size_t from = 0;
    for (const std::string& want : expected) {
        auto it = std::find(lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end(), want);
        ASSERT_NE(it, lines.end()) << "missing or out of order: " << want << "\n" << r.head;
        from = static_cast<size_t>(it - lines.begin()) + 1;
        EXPECT_EQ(r.HeaderCount(want.substr(0, want.find(':'))), 1) << want;
    }
}

} // namespace

TEST(NetGet, SendsTheFixedHeaderBlock) {
    HttpServer server(80);
    ASSERT_TRUE(server.Listening());
    Response r = Get(L"http://127.0.0.1/path/a.asp?x=1&y=2", 1000);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.text, "ok");
    ASSERT_EQ(server.Requests().size(), 1u);
    HttpRequest req = server.Requests()[0];
    EXPECT_EQ(req.line, "GET /path/a.asp?x=1&y=2 HTTP/1.1");
    ExpectLinesInOrder(req, kGetLines);
    EXPECT_EQ(req.HeaderCount("Content-Type"), 0);
    EXPECT_EQ(CountOf(req.head, "Agent"), 1u) << "the agent name stays off the wire";

    // Without a '/' after the host the object is "/".
    EXPECT_EQ(Get(L"http://127.0.0.1", 100).result, 1);
    ASSERT_TRUE(server.WaitRequests(2, 5000));
    EXPECT_EQ(server.Requests()[1].line, "GET / HTTP/1.1");
}

TEST(NetPost, SendsTheBodyAsAFormAndTakesAnyScheme) {
    HttpServer server(80);
    ASSERT_TRUE(server.Listening());
    server.Serve(OkReply("posted"));
    const char body[] = "a=1&b=2\0c";
    char buf[100];
    ASSERT_EQ(CVxNet::Instance().Post(L"http://127.0.0.1/form", body, 9, buf, sizeof(buf)), 1);
    EXPECT_STREQ(buf, "posted");
    // An eight-character prefix: Post finds the host, the request still goes to port 80.
    ASSERT_EQ(CVxNet::Instance().Post(L"https://127.0.0.1/s", "q", 1, buf, sizeof(buf)), 1);
    auto reqs = server.Requests();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].line, "POST /form HTTP/1.1");
    EXPECT_EQ(reqs[0].body, std::string(body, 9));
    std::vector<std::string> lines = kGetLines;
    lines.push_back("Content-Type: application/x-www-form-urlencoded");
    ExpectLinesInOrder(reqs[0], lines);
    EXPECT_EQ(reqs[1].line, "POST /s HTTP/1.1");
    EXPECT_EQ(reqs[1].Header("Host"), "127.0.0.1");
    EXPECT_EQ(reqs[1].body, "q");

    // GetUrlInfo assumes seven characters and keeps the last '/' in the host.
    EXPECT_EQ(Get(L"https://127.0.0.1/s", 100).result, 0);
    EXPECT_EQ(server.Requests().size(), 2u);
}

TEST(NetGet, ReadSizeFollowsTheBufferSize) {
    HttpServer server(80);
    ASSERT_TRUE(server.Listening());
    const std::string body = Letters(60000);
    server.Serve(OkReply(body));
    // One read of size - 1 fills a small buffer, however much more is waiting.
    Response small = Get(L"http://127.0.0.1/small", 100);
    EXPECT_EQ(small.result, 1);
    EXPECT_EQ(small.text, body.substr(0, 99));
    // 16,384 a read while received + 16,384 < 40,000: two reads, 32,768 bytes.
    Response mid = Get(L"http://127.0.0.1/mid", 40000);
    EXPECT_EQ(mid.result, 1);
    EXPECT_EQ(mid.text, body.substr(0, 32768));
    Response one = Get(L"http://127.0.0.1/one", 1);
    EXPECT_EQ(one.result, 1);
    EXPECT_EQ(one.text, "");

    // A large body that fits is read whole, however slowly it comes.
    const std::string large = Letters(1000000);
    server.Serve(OkReply(large));
    Response all = Get(L"http://127.0.0.1/large", 1000000 + 16385);
    EXPECT_EQ(all.result, 1);
    EXPECT_EQ(all.text, large);
    server.Serve(
        SlowReply({body.substr(0, 10000), body.substr(10000, 10000), body.substr(20000)}, 200));
    Response slow = Get(L"http://127.0.0.1/slow", 40000);
    EXPECT_EQ(slow.result, 1);
    EXPECT_EQ(slow.text, body.substr(0, 32768));
}

TEST(NetGet, BodiesThatAreNotTextComeBackEmpty) {
    // This program's folder has no zlib1.dll: compressed bodies cannot be decoded.
    if (CVxZlib::Instance().InitZlib() == S_OK)
        GTEST_SKIP() << "zlib1.dll is beside the test program";
    HttpServer server(80);
    ASSERT_TRUE(server.Listening());
    server.Serve(OkReply(std::string("plain\0text", 10)));
    EXPECT_EQ(Get(L"http://127.0.0.1/zero", 100).text, "");
    server.Serve(OkReply(Deflate("squeezed", ZWrap::kGzip), "Content-Encoding: gzip\r\n"));
    Response gz = Get(L"http://127.0.0.1/gz", 100);
    EXPECT_EQ(gz.result, 1);
    EXPECT_EQ(gz.text, "");
    // The encoding is compared whole and in any case.
    server.Serve(OkReply("hello", "Content-Encoding: GZip\r\n"));
    EXPECT_EQ(Get(L"http://127.0.0.1/upper", 100).text, "");
    server.Serve(OkReply("hello", "Content-Encoding: gzip, identity\r\n"));
    EXPECT_EQ(Get(L"http://127.0.0.1/list", 100).text, "hello");
}

TEST(NetFail, ClosedPortDroppedAndCutConnections) {
    {
        // Nothing listens: the send fails, and with it the call; the buffer is cleared.
        Response closed = Get(L"http://127.0.0.1/closed", 50);
        EXPECT_EQ(closed.result, 0);
        EXPECT_EQ(closed.text, "");
        EXPECT_EQ(CVxNet::Instance().isConnected(L"http://127.0.0.1/closed"), 0);
    }
    HttpServer server(80);
    ASSERT_TRUE(server.Listening());
    // Closed without a word: no response, so nothing is read. (Windows fails
    // the send, 0; Wine takes the silence for an empty HTTP/0.9 response, 1.)
    server.Serve(DropReply());
    Response drop = Get(L"http://127.0.0.1/drop", 50);
    EXPECT_TRUE(drop.terminated);
    EXPECT_EQ(drop.text, "");
    // A body cut short by the server is what there is.
    server.Serve(CutReply("short", 100));
    Response cut = Get(L"http://127.0.0.1/cut", 500);
    EXPECT_EQ(cut.result, 1);
    EXPECT_EQ(cut.text, "short");
    EXPECT_EQ(server.Requests().size(), 2u);
}

TEST(NetFail, IsConnectedSendsABareGet) {
    HttpServer server(80);
    ASSERT_TRUE(server.Listening());
    EXPECT_EQ(CVxNet::Instance().isConnected(L"http://127.0.0.1/probe"), 1);
    ASSERT_TRUE(server.WaitRequests(1, 5000));
    HttpRequest req = server.Requests()[0];
    EXPECT_EQ(req.line, "GET /probe HTTP/1.1");
    EXPECT_EQ(req.Header("Accept"), "*/*");
    EXPECT_EQ(req.HeaderCount("Accept-Language"), 0);
    EXPECT_EQ(req.Header("User-Agent").compare(0, 5, "Agent"), 0) << req.head;
    EXPECT_EQ(isConnected(L"http://127.0.0.1/free"), 1);
}
