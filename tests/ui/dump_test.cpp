// The crash handler in a child program that faults: one minidump beside
// it, the report through a loopback proxy, the box with the crash picture,
// and the process gone once the box has counted down. A second faulting
// thread writes no second dump and waits without using the processor. An
// uncaught C++ exception takes the same path.
#include "support/vxdump.h"
// The loopback server is compiled into this one test file of the program.
#include "tests/support/net_server.cpp"
#include "tests/support/net_testutil.h"
#include "tests/ui/screenpicture.h"
#include "tests/ui/uitest.h"

#include <dbghelp.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cwctype>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace vxtest;

namespace {

struct WindowSearch {
    DWORD pid;
    std::set<HWND> found;
};

BOOL CALLBACK AddVisible(HWND wnd, LPARAM lp) {
    auto* search = reinterpret_cast<WindowSearch*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(wnd, &owner);
    if (IsWindowVisible(wnd) && owner == search->pid)
        search->found.insert(wnd);
    return TRUE;
}

// The visible top-level windows of one process.
std::set<HWND> VisibleWindows(DWORD pid) {
    WindowSearch search = {pid, {}};
    EnumWindows(AddVisible, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Under Wine: the /proc folder of the Unix process whose command line
// holds needle; empty when there is none.
std::wstring UnixProcDir(const std::string& needle) {
    WIN32_FIND_DATAW fd;
    vx::unique_hfind find(FindFirstFileW(L"\\\\?\\unix\\proc\\*", &fd));
    for (bool more = static_cast<bool>(find); more; more = FindNextFileW(find.get(), &fd)) {
        if (!iswdigit(fd.cFileName[0]))
            continue;
        const std::wstring dir = L"\\\\?\\unix\\proc\\" + std::wstring(fd.cFileName) + L"\\";
        if (ReadFileBytes(dir + L"cmdline").find(needle) != std::string::npos)
            return dir;
    }
    return L"";
}

// The processor time a process has used so far, in 100-ns units. Wine's
// own process times leave out a thread spinning through faults, so under
// Wine the Unix process's user and system times (10-ms ticks) are read.
ULONGLONG Busy100ns(HANDLE process, const std::wstring& unixDir) {
    if (!unixDir.empty()) {
        const std::string stat = ReadFileBytes(unixDir + L"stat");
        const size_t name = stat.rfind(')');
        if (name == std::string::npos)
            return 0;
        std::istringstream fields(stat.substr(name + 1));
        std::string field;
        ULONGLONG ticks = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i)
            if (i >= 14)
                ticks += std::stoull(field);
        return ticks * 100000;
    }
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return (ULONGLONG(kernel.dwHighDateTime) << 32 | kernel.dwLowDateTime) +
           (ULONGLONG(user.dwHighDateTime) << 32 | user.dwLowDateTime);
}

// The exception code in a minidump's exception stream; 0 without one.
DWORD DumpedException(const std::string& dump) {
    if (dump.size() < sizeof(MINIDUMP_HEADER) || dump.compare(0, 4, "MDMP") != 0)
        return 0;
    MINIDUMP_HEADER head;
    memcpy(&head, dump.data(), sizeof(head));
    for (ULONG32 i = 0; i < head.NumberOfStreams; ++i) {
        MINIDUMP_DIRECTORY dir;
        const size_t at = head.StreamDirectoryRva + i * sizeof(dir);
        if (at + sizeof(dir) > dump.size())
            return 0;
        memcpy(&dir, dump.data() + at, sizeof(dir));
        MINIDUMP_EXCEPTION_STREAM stream;
        if (dir.StreamType != ExceptionStream || dir.Location.Rva + sizeof(stream) > dump.size())
            continue;
        memcpy(&stream, dump.data() + dir.Location.Rva, sizeof(stream));
        return stream.ExceptionRecord.ExceptionCode;
    }
    return 0;
}

} // namespace

TEST(CrashDump, OneDumpReportAndBoxThenTheProcessEnds) {
    BuiltPictures pictures;
    ASSERT_TRUE(pictures.ok());
    // Wine's own crash dialog must never stand in for ours (older prefixes).
    if (RunningOnWine()) {
        const DWORD off = 0;
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\WineDbg", L"ShowCrashDialog",
                        REG_DWORD, &off, sizeof(off));
    }
    const struct {
        const wchar_t* arg;
        DWORD code;
        const char* what;
    } cases[] = {{L"", EXCEPTION_ACCESS_VIOLATION, "one fault"},
                 {L" second", EXCEPTION_ACCESS_VIOLATION, "a second thread faults too"},
                 {L" throw", VX_UNCAUGHT_CPP_EXCEPTION, "an uncaught C++ exception"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir(L"crash");
        const std::wstring child = dir / L"ui_child.exe";
        ASSERT_TRUE(CopyFileW((ExeDir() + L"ui_child.exe").c_str(), child.c_str(), FALSE));
        HttpServer proxy(0);
        ASSERT_TRUE(proxy.Listening());
        ASSERT_TRUE(
            WriteFileBytes(dir / L"proxy.dat", ProxyFileBytes(LocalProxy(proxy.Port(), L"", L""))));

        std::wstring cmd = L"\"" + child + L"\" crash \"" + BuiltUninstaller() + L"\"" + c.arg;
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        const DWORD start = GetTickCount();
        ASSERT_TRUE(CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                                   dir.path().c_str(), &si, &pi));
        vx::unique_handle process(pi.hProcess), thread(pi.hThread);

        // System dialogs the child shows while it crashes: its own box is a
        // window of the toolkit's class, never one of these. Only the child's
        // windows count, whatever other programs show meanwhile.
        std::set<HWND> dialogs;
        auto noteDialogs = [&] {
            for (HWND w : VisibleWindows(pi.dwProcessId)) {
                wchar_t cls[16] = {};
                GetClassNameW(w, cls, 16);
                if (wcscmp(cls, L"#32770") == 0)
                    dialogs.insert(w);
            }
        };

        // The box: visible, 300 x 200, the crash picture at (10, 58).
        HWND box = nullptr;
        EXPECT_TRUE(WaitFor(
            [&] {
                noteDialogs();
                for (HWND w : VisibleWindows(pi.dwProcessId)) {
                    const RECT rc = WindowRect(w);
                    if (rc.right - rc.left == 300 && rc.bottom - rc.top == 200)
                        box = w;
                }
                return box != nullptr;
            },
            20000))
            << "Wine takes seconds to write the dump before the box";
        const DWORD shown = GetTickCount();
        const std::wstring folder = dir.path();
        const std::wstring unixDir =
            RunningOnWine() ? UnixProcDir(std::string(folder.begin(), folder.end())) : L"";
        const ULONGLONG busyAtShow = Busy100ns(process.get(), unixDir);
        // The Unix process is gone with the Windows one: its last reading.
        ULONGLONG busyAtEnd = busyAtShow;
        Sleep(1000);
        const RECT rc = WindowRect(box);
        EXPECT_TRUE(box && ScreenShowsPicture(60061, rc.left + 10, rc.top + 58, 256, 80));

        ASSERT_TRUE(WaitFor(
            [&] {
                noteDialogs();
                busyAtEnd = std::max(busyAtEnd, Busy100ns(process.get(), unixDir));
                return WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
            },
            30000));
        const DWORD ended = GetTickCount();
        EXPECT_GE(ended - shown, 4500u) << "the countdown closes the box";
        DWORD code = 0;
        GetExitCodeProcess(process.get(), &code);
        EXPECT_EQ(c.code, code);
        EXPECT_LT(busyAtEnd - busyAtShow, 20000000u)
            << "over 2 s of processor time while the box counted down";

        std::vector<std::wstring> dumps;
        WIN32_FIND_DATAW fd;
        vx::unique_hfind find(FindFirstFileW((dir / L"*.dmp").c_str(), &fd));
        for (bool more = static_cast<bool>(find); more; more = FindNextFileW(find.get(), &fd))
            dumps.push_back(fd.cFileName);
        ASSERT_EQ(1u, dumps.size());
        const std::wstring prefix = L"ui_child.exe_";
        ASSERT_EQ(0, dumps[0].compare(0, prefix.size(), prefix)) << "named after the program";
        const DWORD tick = static_cast<DWORD>(std::stoi(dumps[0].substr(prefix.size())));
        EXPECT_LE(start, tick);
        EXPECT_LE(tick, ended);
        EXPECT_EQ(dumps[0].size(),
                  prefix.size() + std::to_wstring(static_cast<int>(tick)).size() + 4);
        EXPECT_EQ(c.code, DumpedException(ReadFileBytes(dir / dumps[0])));

        ASSERT_TRUE(proxy.WaitRequests(1, 1000));
        const std::string line = proxy.Requests()[0].line;
        EXPECT_NE(std::string::npos, line.find("/api.ashx?type=kp_uninstall_dump&value=&uuid="))
            << line;
        EXPECT_EQ(1u, proxy.Requests().size());

        EXPECT_TRUE(dialogs.empty()) << "the child showed another dialog besides its box";
    }
}

namespace {
LONG WINAPI EarlierFilter(EXCEPTION_POINTERS*) {
    return EXCEPTION_CONTINUE_SEARCH;
}
} // namespace

// The handler puts back the filter it replaced when it goes.
TEST(CrashDump, EndingPutsTheEarlierFilterBack) {
    const LPTOP_LEVEL_EXCEPTION_FILTER outer = SetUnhandledExceptionFilter(EarlierFilter);
    {
        CvxDump dump;
        const LPTOP_LEVEL_EXCEPTION_FILTER installed = SetUnhandledExceptionFilter(nullptr);
        SetUnhandledExceptionFilter(installed);
        EXPECT_NE(EarlierFilter, installed);
        EXPECT_TRUE(installed);
    }
    EXPECT_EQ(EarlierFilter, SetUnhandledExceptionFilter(outer));
}
