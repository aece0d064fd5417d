// The log: the dated file written by a copy of a child program in a scratch
// folder, switched by the real "debug" value, and the shared-memory block
// read back from a second process.
#include "support/vxlog.h"

#include "tests/support/testutil.h"
#include "util/vxutil.h"

#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using vxtest::ExeDir;
using vxtest::ReadFileBytes;
using vxtest::RunProcess;
using vxtest::ScratchDir;

namespace {

const wchar_t kTarnvel[] = L"SOFTWARE\\Tarnvel";

// Takes the machine's "debug" value out of the way for the test and puts
// back whatever was there, in both views.
class DebugSwitch {
public:
    DebugSwitch() {
        for (View& v : m_views) {
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTarnvel, 0, nullptr, 0, KEY_ALL_ACCESS | v.flag,
                            nullptr, v.key.put(), nullptr);
            v.saved.resize(4096);
            DWORD cb = static_cast<DWORD>(v.saved.size());
            v.had = RegQueryValueExW(v.key.get(), L"debug", nullptr, &v.type,
                                     reinterpret_cast<BYTE*>(&v.saved[0]), &cb) == ERROR_SUCCESS;
            v.saved.resize(v.had ? cb : 0);
            RegDeleteValueW(v.key.get(), L"debug");
        }
    }
    ~DebugSwitch() {
        for (View& v : m_views) {
            RegDeleteValueW(v.key.get(), L"debug");
            if (v.had)
                RegSetValueExW(v.key.get(), L"debug", 0, v.type,
                               reinterpret_cast<const BYTE*>(v.saved.data()),
                               static_cast<DWORD>(v.saved.size()));
        }
    }
    // In the view this program reads first.
    void Set(const std::wstring& text) { SetIn(0, REG_SZ, text); }
    void SetIn64(const std::wstring& text) { SetIn(1, REG_SZ, text); }
    void SetDword(DWORD value) {
        RegSetValueExW(m_views[0].key.get(), L"debug", 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&value), sizeof(value));
    }

private:
    void SetIn(int view, DWORD type, const std::wstring& text) {
        RegSetValueExW(m_views[view].key.get(), L"debug", 0, type,
                       reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * 2));
    }
    struct View {
        REGSAM flag;
        vx::unique_hkey key;
        bool had = false;
        DWORD type = 0;
        std::string saved;
    };
    View m_views[2] = {{0, {}, false, 0, {}}, {KEY_WOW64_64KEY, {}, false, 0, {}}};
};

// A scratch folder holding a copy of the child program.
class LogDir {
public:
    LogDir() : m_dir(L"log") {
        CopyFileW((ExeDir() + L"support_child.exe").c_str(), (m_dir / L"child.exe").c_str(), FALSE);
    }
    int Run(const std::wstring& args) {
        return RunProcess(L"\"" + (m_dir / L"child.exe") + L"\" " + args);
    }
    std::wstring LogPath() const {
        SYSTEMTIME st;
        GetLocalTime(&st);
        return m_dir / (L"VX-" + std::to_wstring(st.wYear) + L"-" + std::to_wstring(st.wMonth) +
                        L"-" + std::to_wstring(st.wDay) + L".log");
    }
    std::string Log() const { return ReadFileBytes(LogPath()); }

private:
    ScratchDir m_dir;
};

const char kStamp[] = R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\t)";

// "YYYY-MM-DD" of today, as each line starts.
std::string Today() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    char buf[16];
    snprintf(buf, sizeof(buf), "%04d-%02d-%02d", st.wYear, st.wMonth, st.wDay);
    return buf;
}

} // namespace

TEST(Log, DebugSwitchIsExactlyTheTextOne) {
    DebugSwitch sw;
    struct Case {
        const char* what;
        std::function<void()> set;
        bool logs;
    } cases[] = {
        {"no value", [] {}, false},
        {"\"1\"", [&] { sw.Set(L"1"); }, true},
        {"\"1 \"", [&] { sw.Set(L"1 "); }, false},
        {"\"0\"", [&] { sw.Set(L"0"); }, false},
        {"\"11\"", [&] { sw.Set(L"11"); }, false},
        {"DWORD 1", [&] { sw.SetDword(1); }, false},
        // A 32-bit program on 64-bit Windows looks there second.
        {"\"1\" in the 64-bit view", [&] { sw.SetIn64(L"1"); }, true},
    };
    for (const Case& c : cases) {
        DebugSwitch fresh;
        c.set();
        LogDir dir;
        ASSERT_EQ(0, dir.Run(L"log hello"));
        EXPECT_EQ(c.logs, vxtest::FileExists(dir.LogPath())) << c.what;
    }
}

TEST(Log, LinesGoToTheDaysFileInTheProgramsFolder) {
    DebugSwitch sw;
    sw.Set(L"1");
    LogDir dir;
    ASSERT_EQ(0, dir.Run(L"log first"));
    ASSERT_EQ(0, dir.Run(L"log \"second line\""));
    std::string log = dir.Log();
    std::regex two(std::string("(") + kStamp + "first\r\n)(" + kStamp + "second line\r\n)");
    EXPECT_TRUE(std::regex_match(log, two)) << log;
    EXPECT_EQ(0u, log.find(Today())) << log;
}

TEST(Log, ForceLogNeedsNoSwitchAndFormattedLinesAreCut) {
    DebugSwitch sw;
    LogDir dir;
    ASSERT_EQ(0, dir.Run(L"log-force forced"));
    std::wstring longText(2000, L'z');
    ASSERT_EQ(0, dir.Run(L"log2 42 " + longText));
    std::string log = dir.Log();
    std::smatch m;
    std::regex lines(std::string("(") + kStamp + "forced\r\n)" + kStamp + "42\\|(z+)\r\n");
    ASSERT_TRUE(std::regex_match(log, m, lines)) << log.substr(0, 200);
    EXPECT_EQ(1023u - 3, m[2].length()) << "the message is cut to 1,023 characters";
}

TEST(Log, TextIsWrittenInTheThreadsAnsiCodePage) {
    DebugSwitch sw;
    LogDir gbk;
    ASSERT_EQ(0, gbk.Run(L"log-gbk 中文"));
    std::string log = gbk.Log();
    if (log.find("??") != std::string::npos)
        GTEST_SKIP() << "Wine ignores the thread locale for CP_THREAD_ACP";
    EXPECT_NE(std::string::npos, log.find("\t\xD6\xD0\xCE\xC4\r\n")) << log;

    LogDir western;
    ASSERT_EQ(0, western.Run(L"log-force 中文"));
    if (GetACP() == 1252) {
        EXPECT_NE(std::string::npos, western.Log().find("\t??\r\n")) << western.Log();
    }
}

namespace {

// A block name of this test's own.
std::wstring MemName() {
    std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
    return L"VxTestLog" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::wstring(test.begin(), test.end());
}

// The whole block as another process sees it.
std::wstring ReadBlock(const std::wstring& name, int bytes) {
    ScratchDir dir(L"logmem");
    std::wstring file = dir / L"block.bin";
    int code = RunProcess(L"\"" + ExeDir() + L"util_child.exe\" shm-read2 " + name + L" \"" + file +
                          L"\" " + std::to_wstring(bytes) + L" 0");
    EXPECT_EQ(0, code);
    std::string raw = ReadFileBytes(file);
    std::wstring text(reinterpret_cast<const wchar_t*>(raw.data()), raw.size() / 2);
    return text.substr(0, text.find(L'\0'));
}

std::vector<std::wstring> Lines(const std::wstring& block) {
    std::vector<std::wstring> out;
    size_t pos = 0, end;
    while ((end = block.find(L"\r\n", pos)) != std::wstring::npos) {
        out.push_back(block.substr(pos, end - pos));
        pos = end + 2;
    }
    EXPECT_EQ(pos, block.size()) << "text after the last line";
    return out;
}

} // namespace

TEST(LogMem, LinesFollowOneAnotherAndAnotherProcessReadsThem) {
    DebugSwitch sw; // off: the block does not care
    CVxLog& log = CVxLog::Instance();
    log.WriteLog3(L"before %d", 0);
    EXPECT_EQ(0, log.GetMemOffset()) << "a line with nowhere to go moves nothing";

    log.SetMemName(MemName().c_str(), 4096);
    log.WriteLog3(L"first %d", 1);
    int afterFirst = log.GetMemOffset();
    log.WriteLog3(L"second %s", L"中文");
    std::wstring block = ReadBlock(MemName(), 4096);
    std::vector<std::wstring> lines = Lines(block);
    ASSERT_EQ(2u, lines.size()) << block;
    EXPECT_TRUE(
        std::regex_match(lines[0], std::wregex(LR"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\tfirst 1)")));
    EXPECT_EQ(L"\tsecond 中文", lines[1].substr(19));
    EXPECT_EQ(static_cast<int>(lines[0].size()) + 2, afterFirst);
    EXPECT_EQ(static_cast<int>(block.size()), log.GetMemOffset());
}

TEST(LogMem, ALineThatDoesNotFitIsDroppedWhole) {
    CVxLog& log = CVxLog::Instance();
    const int bytes = 200; // 100 characters, with room for one terminator
    log.SetMemName(MemName().c_str(), bytes);
    log.WriteLog3(L"%s", std::wstring(40, L'a').c_str()); // 20 + 40 + 2 = 62 characters
    log.WriteLog3(L"%s", std::wstring(30, L'b').c_str()); // 52: would end past the block
    log.WriteLog3(L"%s", std::wstring(10, L'c').c_str()); // 32: fits
    log.WriteLog3(L"%s", std::wstring(5, L'd').c_str());  // 27: no room left
    std::vector<std::wstring> lines = Lines(ReadBlock(MemName(), bytes));
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(std::wstring(40, L'a'), lines[0].substr(20));
    EXPECT_EQ(std::wstring(10, L'c'), lines[1].substr(20));
    EXPECT_EQ(94, log.GetMemOffset());
}

TEST(LogMem, ConcurrentWritersLoseNoLineAndMixNoCharacters) {
    CVxLog& log = CVxLog::Instance();
    log.SetMemName(MemName().c_str(), 65536);
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&log, t] {
            for (int i = 0; i < 100; ++i)
                log.WriteLog3(L"writer %d line %03d %s", t, i, L"payload-payload-payload");
        });
    for (std::thread& w : writers)
        w.join();
    std::vector<std::wstring> lines = Lines(ReadBlock(MemName(), 65536));
    ASSERT_EQ(400u, lines.size());
    std::set<std::wstring> seen;
    std::wregex shape(LR"(.{19}\twriter ([0-3]) line (\d{3}) payload-payload-payload)");
    for (const std::wstring& line : lines) {
        std::wsmatch m;
        ASSERT_TRUE(std::regex_match(line, m, shape)) << "mixed line";
        seen.insert(m[1].str() + L"/" + m[2].str());
    }
    EXPECT_EQ(400u, seen.size());
}
