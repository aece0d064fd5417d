// Runs one test again in a copy of the test program placed in a scratch
// folder: code that looks beside its executable ("zlib1.dll", "proxy.dat",
// the log) needs a real folder, and Wine names the build folder "unix\...".
#pragma once

#include "tests/support/testutil.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <string>

namespace vxtest {

inline std::wstring ModuleFile() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring p(buf, n < MAX_PATH ? n : 0);
    // As ExeDir: Wine's "unix\..." needs "\\?\" in front to be usable.
    if (p.compare(0, 5, L"unix\\") == 0)
        p = L"\\\\?\\" + p;
    return p;
}

// True in a copy started by RunCurrentTestInCopy.
inline bool InScratchCopy() {
    std::wstring self = ModuleFile();
    size_t n = wcslen(kScratchRoot);
    return self.size() > n && _wcsnicmp(self.c_str(), kScratchRoot, n) == 0;
}

// The zlib1.dll the build puts beside vxUninstall.exe.
inline std::wstring BuiltZlib() {
    std::wstring exe = BuiltUninstaller();
    return exe.substr(0, exe.find_last_of(L'\\') + 1) + L"zlib1.dll";
}

// Copies this program (and zlib1.dll when asked) into dir, runs the test
// that is running now in the copy, and returns its exit code; its output
// goes to *output.
inline std::string ReadShared(const std::wstring& path) {
    vx::unique_hfile f(CreateFileW(path.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    char buf[4096];
    DWORD got = 0;
    while (f && ReadFile(f.get(), buf, sizeof(buf), &got, nullptr) && got > 0)
        bytes.append(buf, got);
    return bytes;
}

inline int RunTestInCopy(const ScratchDir& dir, bool withZlib, std::string* output) {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    std::wstring self = ModuleFile();
    std::wstring copy = dir / self.substr(self.find_last_of(L'\\') + 1);
    if (!CopyFileW(self.c_str(), copy.c_str(), FALSE))
        return -2;
    if (withZlib && !CopyFileW(BuiltZlib().c_str(), (dir / L"zlib1.dll").c_str(), FALSE))
        return -3;

    // Wine starts its desktop process from the first program that makes a
    // window and hands it that program's output handle, which then outlives
    // the copy: the desktop is made here first, before the handle exists.
    GetDesktopWindow();
    std::wstring log = dir / L"copy-output.txt";
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    vx::unique_hfile out(CreateFileW(log.c_str(), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa,
                                     CREATE_ALWAYS, 0, nullptr));
    if (!out)
        return -4;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = out.get();
    PROCESS_INFORMATION pi = {};
    std::wstring cmd =
        L"\"" + copy + L"\" --gtest_filter=" + std::wstring(name.begin(), name.end());
    BOOL started = CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr,
                                  dir.path().c_str(), &si, &pi);
    if (!started)
        return -5;
    vx::unique_handle process(pi.hProcess), thread(pi.hThread);
    out.reset();
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.get(), 100000) != WAIT_OBJECT_0)
        TerminateProcess(process.get(), code);
    else
        GetExitCodeProcess(process.get(), &code);
    if (output)
        *output = ReadShared(log);
    return static_cast<int>(code);
}

inline void RunCurrentTestInCopy(bool withZlib) {
    ScratchDir dir(L"copy");
    std::string output;
    int code = RunTestInCopy(dir, withZlib, &output);
    EXPECT_EQ(code, 0) << "the copy's run:\n" << output;
    if (code == 0 && output.find("[  SKIPPED ] 1 test") != std::string::npos)
        GTEST_SKIP() << output;
    // A filter that matched nothing would pass without testing anything.
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

} // namespace vxtest

// In the build folder: runs the current test in a scratch copy (with
// zlib1.dll beside it when withZlib) and ends it here with the copy's result.
// In the copy: the test goes on.
#define VX_RUN_IN_COPY(withZlib)                                                                   \
    do {                                                                                           \
        if (!::vxtest::InScratchCopy()) {                                                          \
            ::vxtest::RunCurrentTestInCopy(withZlib);                                              \
            return;                                                                                \
        }                                                                                          \
    } while (0)
