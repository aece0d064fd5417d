// The uninstaller's reports: the escaping of the value, the machine
// identifier kept for the user, the GET that reaches the server, and the
// "uninstall" report of a real run.
#include "support/vxnet.h"
#include "tests/support/copyrun.h"
#include "tests/support/net_testutil.h"
#include "tools/manifest/manifest_writer.h"
#include "uninstall/report.h"
#include "uninstall/uninstaller.h"
#include "util/vxutil.h"

#include <gtest/gtest.h>
#include <cwctype>
#include <string>
#include <vector>

using namespace vxtest;

namespace {

const wchar_t kUidKey[] = L"SOFTWARE\\Tarnvel";

// HKCU\SOFTWARE\Tarnvel "UID" as it was before the test, put back after it.
class SavedUid {
public:
    SavedUid() {
        vx::unique_hkey key;
        m_keyExisted =
            RegOpenKeyExW(HKEY_CURRENT_USER, kUidKey, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
        DWORD cb = 0;
        if (m_keyExisted &&
            RegQueryValueExW(key.get(), L"UID", nullptr, &m_type, nullptr, &cb) == ERROR_SUCCESS) {
            m_data.resize(cb);
            m_had = RegQueryValueExW(key.get(), L"UID", nullptr, &m_type, m_data.data(), &cb) ==
                    ERROR_SUCCESS;
        }
    }
    ~SavedUid() {
        if (!m_keyExisted)
            RegDeleteTreeW(HKEY_CURRENT_USER, kUidKey);
        else if (m_had)
            RegSetKeyValueW(HKEY_CURRENT_USER, kUidKey, L"UID", m_type, m_data.data(),
                            static_cast<DWORD>(m_data.size()));
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kUidKey, L"UID");
    }

private:
    bool m_keyExisted = false;
    bool m_had = false;
    DWORD m_type = 0;
    std::vector<BYTE> m_data;
};

bool SetUid(DWORD type, const std::wstring& text) {
    RegCreateKeyExW(HKEY_CURRENT_USER, kUidKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                    vx::unique_hkey().put(), nullptr);
    return RegSetKeyValueW(HKEY_CURRENT_USER, kUidKey, L"UID", type, text.c_str(),
                           static_cast<DWORD>(text.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::wstring StoredUid(DWORD* type = nullptr) {
    wchar_t buf[100] = {};
    DWORD cb = sizeof(buf) - sizeof(wchar_t), t = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kUidKey, L"UID", RRF_RT_ANY | RRF_NOEXPAND, &t, buf, &cb) !=
        ERROR_SUCCESS)
        return L"<none>";
    if (type)
        *type = t;
    return buf;
}

std::wstring Uid(int persist) {
    wchar_t buf[50];
    wmemset(buf, L'#', 50);
    CreateUID(buf, persist);
    return buf;
}

std::wstring Encoded(const std::wstring& text, int* result = nullptr, size_t cap = 2048) {
    std::vector<wchar_t> buf(cap, L'#');
    wcscpy(buf.data(), text.c_str());
    int r = URLEncode(buf.data(), cap);
    if (result)
        *result = r;
    return buf.data();
}

// The query of a report request line, split at its '&'s.
std::vector<std::string> QueryFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t at = line.find('?'), end = line.rfind(' ');
    while (at != std::string::npos && at < end) {
        size_t next = line.find('&', at + 1);
        fields.push_back(line.substr(at + 1, std::min(next, end) - at - 1));
        at = next;
    }
    return fields;
}

std::string Narrow(const std::wstring& w) {
    return std::string(w.begin(), w.end());
}

} // namespace

TEST(ReportEncode, EscapesEveryByteOutsideTheKeptSet) {
    int r = 0;
    EXPECT_EQ(Encoded(L"a b&c", &r), L"a%20b%26c");
    EXPECT_NE(r, 0);
    EXPECT_EQ(Encoded(L"x=1"), L"x%3d1");
    EXPECT_EQ(Encoded(L"50%"), L"50%");
    EXPECT_EQ(Encoded(L"/path:~"), L"/path:~");
    EXPECT_EQ(Encoded(L"AZaz09!'()*-._"), L"AZaz09!'()*-._");
    EXPECT_EQ(Encoded(L"?+#\"<"), L"%3f%2b%23%22%3c");
    EXPECT_EQ(Encoded(L"卸载"), L"%e5%8d%b8%e8%bd%bd");
    EXPECT_EQ(Encoded(L"", &r), L"");
    EXPECT_NE(r, 0);
    // 342 spaces need 1,027 characters with the terminator: left as they are.
    std::wstring spaces(342, L' ');
    EXPECT_EQ(Encoded(spaces, &r), spaces);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(Encoded(std::wstring(341, L' '), &r).size(), 1023u);
    EXPECT_NE(r, 0);
    // Nor does it write past a buffer too small for the result.
    EXPECT_EQ(Encoded(L"a b", &r, 5), L"a b");
    EXPECT_EQ(r, 0);
    EXPECT_EQ(Encoded(L"a b", &r, 6), L"a%20b");
    EXPECT_NE(r, 0);
}

TEST(ReportUid, FreshIdentifierOfTheTickCountAndTwoNumbers) {
    SavedUid saved;
    ASSERT_TRUE(SetUid(REG_SZ, L"VX000000000000000000"));
    DWORD before = GetTickCount();
    std::wstring id = Uid(0);
    DWORD after = GetTickCount();
    ASSERT_GE(id.size(), 20u);
    EXPECT_EQ(id.substr(0, 2), L"VX");
    for (wchar_t c : id.substr(2))
        EXPECT_TRUE(iswdigit(c)) << Narrow(id);
    DWORD tick = static_cast<DWORD>(std::stoll(id.substr(2, id.size() - 12)));
    EXPECT_GE(tick, before);
    EXPECT_LE(tick, after);
    EXPECT_LE(std::stoi(id.substr(id.size() - 10, 5)), 32767);
    EXPECT_LE(std::stoi(id.substr(id.size() - 5)), 32767);
    EXPECT_EQ(StoredUid(), L"VX000000000000000000") << "not kept without the persist flag";
}

TEST(ReportUid, StoredReusedAndReplaced) {
    SavedUid saved;
    RegDeleteTreeW(HKEY_CURRENT_USER, kUidKey);
    std::wstring first = Uid(1);
    DWORD type = 0;
    EXPECT_EQ(StoredUid(&type), first) << "the key is made and the value stored";
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    Sleep(20);
    std::wstring second = Uid(1);
    if (first.size() == 20) {
        EXPECT_EQ(second, first);
    } else {
        // Made with a tick count of nine digits or more: never accepted back.
        EXPECT_NE(second, first);
        EXPECT_EQ(StoredUid(), second);
    }

    const std::wstring kept = L"VX123456781234512345";
    for (DWORD t : {REG_SZ, REG_EXPAND_SZ}) {
        ASSERT_TRUE(SetUid(t, kept));
        EXPECT_EQ(Uid(1), kept);
    }
    struct Bad {
        DWORD type;
        std::wstring text;
    };
    for (const Bad& bad : {Bad{REG_SZ, kept.substr(0, 19)}, Bad{REG_SZ, kept + L"6"},
                           Bad{REG_SZ, kept + kept}, Bad{REG_BINARY, kept}}) {
        SCOPED_TRACE(Narrow(bad.text));
        ASSERT_TRUE(SetUid(bad.type, bad.text));
        std::wstring fresh = Uid(1);
        EXPECT_NE(fresh.compare(0, 19, kept.substr(0, 19)), 0);
        EXPECT_EQ(StoredUid(&type), fresh);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    }
}

TEST(ReportSend, OneGetWithTypeEscapedValueUidAndTick) {
    SavedUid saved;
    ASSERT_TRUE(SetUid(REG_SZ, L"VX123456781234512345"));
    HttpServer server(80);
    ASSERT_TRUE(server.Listening());
    DWORD before = GetTickCount();
    DoReport(L"http://127.0.0.1/report.asp", L"open", L"a b&c 卸载");
    ASSERT_TRUE(server.WaitRequests(1, 10000));
    DWORD after = GetTickCount();
    HttpRequest req = server.Requests()[0];
    EXPECT_EQ(req.line.compare(0, 16, "GET /report.asp?"), 0) << req.line;
    std::vector<std::string> fields = QueryFields(req.line);
    ASSERT_EQ(fields.size(), 4u) << req.line;
    EXPECT_EQ(fields[0], "type=open");
    EXPECT_EQ(fields[1], "value=a%20b%26c%20%e5%8d%b8%e8%bd%bd");
    EXPECT_EQ(fields[2], "uuid=VX123456781234512345");
    ASSERT_EQ(fields[3].compare(0, 5, "sign="), 0);
    DWORD sign = static_cast<DWORD>(std::stoll(fields[3].substr(5)));
    EXPECT_GE(sign, before);
    EXPECT_LE(sign, after);
    EXPECT_EQ(req.Header("User-Agent"), "Mozilla/5.0 (Windows NT 6.1)");
}

TEST(ReportSend, LongValuesAndRefusedArguments) {
    SavedUid saved;
    HttpServer server(80);
    ASSERT_TRUE(server.Listening());
    const wchar_t* url = L"http://127.0.0.1/report.asp";
    // Refused: no report at all.
    DoReport(url, std::wstring(30, L't').c_str(), L"v");
    DoReport((L"http://127.0.0.1/" + std::wstring(183, L'u')).c_str(), L"longurl", L"v");
    DoReport(nullptr, L"nourl", L"v");
    DoReport(url, nullptr, L"v");
    // Sent: 99 characters escape to 891, far beyond the block's value field;
    // 100 characters go as an empty value.
    DoReport(url, L"wide", std::wstring(99, L'卸').c_str());
    DoReport(url, L"long", std::wstring(100, L'v').c_str());
    DoReport(url, L"none", nullptr);
    ASSERT_TRUE(server.WaitRequests(3, 10000));
    Sleep(1000);
    auto reqs = server.Requests();
    ASSERT_EQ(reqs.size(), 3u);
    std::string wide;
    for (int i = 0; i < 99; ++i)
        wide += "%e5%8d%b8";
    for (const HttpRequest& r : reqs) {
        std::vector<std::string> fields = QueryFields(r.line);
        ASSERT_EQ(fields.size(), 4u) << r.line;
        if (fields[0] == "type=wide")
            EXPECT_EQ(fields[1], "value=" + wide);
        else
            EXPECT_EQ(fields[1], "value=") << fields[0];
        EXPECT_NE(fields[0], "type=longurl");
    }
}

TEST(ReportEngine, UninstallRunReportsTheProductName) {
    // The report goes to the built-in endpoint: through a local proxy.
    VX_RUN_IN_COPY(false);
    SavedUid saved;
    HttpServer proxy(0);
    ASSERT_TRUE(proxy.Listening());
    ASSERT_TRUE(UseProxyFile(ProxyFileBytes(LocalProxy(proxy.Port(), L"", L""))));

    ScratchDir dir(L"report");
    ASSERT_TRUE(MakeFile(dir / L"product.exe"));
    ASSERT_TRUE(WriteManifest(dir / L"vxUninstall.dat",
                              BuildManifest(MakeManifestHeader(L"", L"Vx 测试产品", L"", L""),
                                            {MakeManifestItem(1, dir / L"product.exe")}, {})));
    ProgressRecorder window;
    CVxUninstaller engine;
    engine.SetOwnDir(dir.path().c_str());
    engine.StartUninstall(window.hwnd(), 0);
    EXPECT_FALSE(FileExists(dir / L"product.exe"));

    ASSERT_TRUE(proxy.WaitRequests(1, 15000));
    HttpRequest req = proxy.Requests()[0];
    const std::string endpoint = Narrow(VX_REPORT_URL);
    const size_t path = endpoint.find('/', 8);
    EXPECT_EQ(req.Header("Host"), endpoint.substr(7, path - 7));
    EXPECT_NE(req.line.find(endpoint.substr(path) + "?type=uninstall&"), std::string::npos)
        << req.line;
    std::vector<std::string> fields = QueryFields(req.line);
    ASSERT_EQ(fields.size(), 4u) << req.line;
    EXPECT_EQ(fields[1], "value=Vx%20%e6%b5%8b%e8%af%95%e4%ba%a7%e5%93%81");
    EXPECT_EQ(fields[2], "uuid=" + Narrow(StoredUid()));
}
