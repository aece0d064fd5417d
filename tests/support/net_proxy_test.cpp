// The HTTP client with what lies beside its executable: "proxy.dat", zlib1.dll
// and the log. Each test runs in a copy of this program in a scratch folder.
#include "support/vxlog.h"
#include "support/vxnet.h"
#include "support/vxzlib.h"
#include "tests/support/copyrun.h"
#include "tests/support/net_testutil.h"
#include "tests/support/zdata.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

using namespace vxtest;

namespace {

std::string Get(const std::wstring& url, int size, int* result = nullptr) {
    std::vector<char> buf(static_cast<size_t>(size), 'x');
    int r = CVxNet::Instance().GetUrlInfo(url.c_str(), buf.data(), size);
    if (result)
        *result = r;
    return std::string(buf.data(), strnlen(buf.data(), buf.size()));
}

const wchar_t kRemote[] = L"http://report.example.invalid/report.asp?type=a";

} // namespace

TEST(NetProxy, RequestsGoThroughTheProxyWithItsCredentials) {
    VX_RUN_IN_COPY(false);
    HttpServer proxy(0);
    ASSERT_TRUE(proxy.Listening());
    proxy.Serve(AuthProxy(OkReply("through")));
    ASSERT_TRUE(UseProxyFile(ProxyFileBytes(LocalProxy(proxy.Port(), L"vxuser", L"vx:pass"))));
    int result = 0;
    EXPECT_EQ(Get(kRemote, 100, &result), "through");
    EXPECT_EQ(result, 1);
    ASSERT_FALSE(proxy.Requests().empty());
    HttpRequest last = proxy.Requests().back();
    // The absolute URL (Wine writes the port into it, Windows does not).
    EXPECT_EQ(last.line.compare(0, 33, "GET http://report.example.invalid"), 0) << last.line;
    EXPECT_NE(last.line.find("/report.asp?type=a HTTP/1.1"), std::string::npos) << last.line;
    EXPECT_EQ(last.Header("Host"), "report.example.invalid");
    EXPECT_EQ(last.Header("User-Agent"), "Mozilla/5.0 (Windows NT 6.1)");
    EXPECT_EQ(last.Header("Proxy-Authorization"), "Basic " + Base64("vxuser:vx:pass"));
}

TEST(NetProxy, FieldsWithoutTerminatorEndAtTheirField) {
    VX_RUN_IN_COPY(false);
    HttpServer proxy(0);
    ASSERT_TRUE(proxy.Listening());
    proxy.Serve(AuthProxy(OkReply("bounded")));
    tagProxyInfo info = LocalProxy(proxy.Port(), L"", L"pw");
    // A port of twelve digits runs straight into a user name of fifty characters.
    _snwprintf(info.szPort, 12, L"%012u", proxy.Port());
    wmemset(info.szUser, L'u', 50);
    ASSERT_TRUE(UseProxyFile(ProxyFileBytes(info)));
    EXPECT_EQ(Get(kRemote, 100), "bounded");
    ASSERT_FALSE(proxy.Requests().empty());
    EXPECT_EQ(proxy.Requests().back().Header("Proxy-Authorization"),
              "Basic " + Base64(std::string(50, 'u') + ":pw"));
}

TEST(NetProxy, ShortOrSwitchedOffFileMeansDirect) {
    VX_RUN_IN_COPY(false);
    HttpServer proxy(0), direct(80);
    ASSERT_TRUE(proxy.Listening());
    ASSERT_TRUE(direct.Listening());
    direct.Serve(OkReply("direct"));
    std::string full = ProxyFileBytes(LocalProxy(proxy.Port(), L"u", L"p"));
    // Three bytes cannot hold the flag; a zero flag switches the rest off.
    ASSERT_TRUE(UseProxyFile(full.substr(0, 3)));
    EXPECT_EQ(Get(L"http://127.0.0.1/a", 100), "direct");
    std::string off = full;
    off[0] = 0;
    ASSERT_TRUE(UseProxyFile(off));
    EXPECT_EQ(Get(L"http://127.0.0.1/b", 100), "direct");
    // The whole file names the proxy again.
    ASSERT_TRUE(UseProxyFile(full));
    EXPECT_EQ(Get(L"http://127.0.0.1/c", 100), "ok");
    EXPECT_EQ(direct.Requests().size(), 2u);
    EXPECT_EQ(proxy.Requests().size(), 1u);
}

TEST(NetProxy, HostLengthIsBoundByTheHeaderBlock) {
    VX_RUN_IN_COPY(false);
    HttpServer proxy(0);
    ASSERT_TRUE(proxy.Listening());
    ASSERT_TRUE(UseProxyFile(ProxyFileBytes(LocalProxy(proxy.Port(), L"", L""))));
    // 500 characters with the terminator, 220 of them fixed (269 for a POST).
    int result = -1;
    EXPECT_EQ(Get(L"http://" + std::wstring(279, L'h') + L"/x", 100, &result), "ok");
    EXPECT_EQ(result, 1);
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_EQ(proxy.Requests()[0].Header("Host"), std::string(279, 'h'));
    // Refused before anything is sent; the buffer is left as it was.
    EXPECT_EQ(Get(L"http://" + std::wstring(280, L'h') + L"/x", 100, &result),
              std::string(100, 'x'));
    EXPECT_EQ(result, 0);

    char buf[100];
    std::wstring post = L"http://" + std::wstring(230, L'p') + L"/x";
    EXPECT_EQ(CVxNet::Instance().Post(post.c_str(), "b", 1, buf, sizeof(buf)), 1);
    post = L"http://" + std::wstring(231, L'p') + L"/x";
    EXPECT_EQ(CVxNet::Instance().Post(post.c_str(), "b", 1, buf, sizeof(buf)), 0);
    EXPECT_EQ(proxy.Requests().size(), 2u);
}

TEST(NetBody, CompressedBodiesAreDecodedAndBounded) {
    VX_RUN_IN_COPY(true);
    HttpServer server(80);
    ASSERT_TRUE(server.Listening());
    const std::string text = "decoded body " + std::string(5000, 'd');
    server.Serve(OkReply(Deflate(text, ZWrap::kGzip), "Content-Encoding: gzip\r\n"));
    EXPECT_EQ(Get(L"http://127.0.0.1/gzip", 10000), text);
    // Cut to the buffer, terminator inside.
    EXPECT_EQ(Get(L"http://127.0.0.1/gzip-small", 1000), text.substr(0, 999));
    server.Serve(OkReply(Deflate(text, ZWrap::kZlib), "Content-Encoding: deflate\r\n"));
    EXPECT_EQ(Get(L"http://127.0.0.1/deflate", 10000), text);
    // No header, but the zero bytes of a gzip member give it away.
    server.Serve(OkReply(Deflate(text, ZWrap::kGzip)));
    EXPECT_EQ(Get(L"http://127.0.0.1/unlabelled", 10000), text);

    int result = 0;
    server.Serve(OkReply(Deflate(text, ZWrap::kRaw), "Content-Encoding: deflate\r\n"));
    EXPECT_EQ(Get(L"http://127.0.0.1/raw", 10000, &result), "");
    EXPECT_EQ(result, 1);
    // A small body that would expand past the decoder's bound.
    std::string bomb =
        Deflate(std::string(1 << 20, 'z'), ZWrap::kGzip, (CVxZlib::kMaxDecoded >> 20) + 1);
    server.Serve(OkReply(bomb, "Content-Encoding: gzip\r\n"));
    EXPECT_EQ(Get(L"http://127.0.0.1/bomb", static_cast<int>(bomb.size()) + 16385, &result), "");
    EXPECT_EQ(result, 1);
}

TEST(NetStop, EndsADownloadAndEveryLaterRead) {
    VX_RUN_IN_COPY(false);
    HttpServer server(80);
    ASSERT_TRUE(server.Listening());
    const std::string piece(16384, 's');
    server.Serve(SlowReply({piece, piece, piece}, 1500));
    std::string got;
    int result = 0;
    std::thread reader([&] { got = Get(L"http://127.0.0.1/slow", 100000, &result); });
    // The first piece is read at once, the second read waits for its piece:
    // stopping now lets that read finish and no other begin.
    ASSERT_TRUE(server.WaitRequests(1, 5000));
    Sleep(500);
    CVxNet::Instance().Stop();
    reader.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(got.size(), 2 * piece.size());

    server.Serve(OkReply("unread"));
    EXPECT_EQ(Get(L"http://127.0.0.1/after", 100, &result), "");
    EXPECT_EQ(result, 1);
    ASSERT_TRUE(server.WaitRequests(2, 5000)) << "still sent";
}

TEST(NetLog, FailedStepsAreLogged) {
    VX_RUN_IN_COPY(false);
    // The same switch as "debug" = "1", for this process alone: the log's own
    // tests change the machine's value meanwhile.
    CVxLog::Instance().ForceLog(true);
    // Only a connection handle that cannot be made is tried again: three
    // attempts, 1,000 ms apart.
    DWORD start = GetTickCount();
    int result = -1;
    Get(L"http://", 100, &result);
    EXPECT_EQ(result, 0);
    EXPECT_GE(GetTickCount() - start, 2000u);
    std::string log = ReadLogs();
    EXPECT_EQ(CountOf(log, AnsiText(L"\t网络连接异常: InternetConnect\r\n")), 1u) << log;

    // A closed port fails at sending, which shows as the read.
    Get(L"http://127.0.0.1/closed", 100, &result);
    EXPECT_EQ(result, 0);
    log = ReadLogs();
    EXPECT_EQ(CountOf(log, AnsiText(L"\t网络连接异常: InternetReadFile\r\n")), 1u) << log;
    EXPECT_EQ(CountOf(log, "\r\n"), 2u) << log;
}
