// The real uninstaller's "open" report, through a loopback proxy: it leaves
// only once the card has slid in, so that its network libraries stay out of
// the way of the first frame.
// The loopback server is compiled into this one test file of the program.
#include "tests/support/net_server.cpp"
#include "tests/support/net_testutil.h"
#include "tools/manifest/manifest_writer.h"

#include <gtest/gtest.h>
#include <string>

using namespace vxtest;

namespace {

struct CardSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindCard(HWND wnd, LPARAM lp) {
    auto* s = reinterpret_cast<CardSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    RECT rc;
    if (pid == s->pid && IsWindowVisible(wnd) && GetWindowRect(wnd, &rc) &&
        rc.right - rc.left == 450 && rc.bottom - rc.top == 230)
        s->found = wnd;
    return s->found == nullptr;
}

} // namespace

TEST(MainWindow, OpenReportLeavesOnceTheCardHasSlidIn) {
    ScratchDir dir(L"openreport");
    const std::wstring exe = dir / L"vxUninstall.exe";
    ASSERT_TRUE(CopyFileW(BuiltUninstaller().c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(WriteManifest(dir / L"vxUninstall.dat",
                              BuildManifest(MakeManifestHeader(L"VxOpen", L"Kelp Demo", L"", L""),
                                            {MakeManifestItem(1, dir / L"product.exe")}, {})));
    HttpServer proxy(0);
    ASSERT_TRUE(proxy.Listening());
    ASSERT_TRUE(
        WriteFileBytes(dir / L"proxy.dat", ProxyFileBytes(LocalProxy(proxy.Port(), L"", L""))));

    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                               dir.path().c_str(), &si, &pi));
    vx::unique_handle process(pi.hProcess), thread(pi.hThread);
    CardSearch card = {pi.dwProcessId, nullptr};
    ASSERT_TRUE(WaitFor(
        [&] {
            EnumWindows(FindCard, reinterpret_cast<LPARAM>(&card));
            return card.found != nullptr;
        },
        20000));

    // Where the card stood at the last look before the request was seen; a
    // request already there before any look fails too.
    const int restX = (GetSystemMetrics(SM_CXSCREEN) - 450) / 2;
    int lastX = restX - 1;
    const DWORD start = GetTickCount();
    while (proxy.Requests().empty() && GetTickCount() - start < 15000) {
        RECT rc;
        GetWindowRect(card.found, &rc);
        lastX = rc.left;
        Sleep(1);
    }
    ASSERT_FALSE(proxy.Requests().empty());
    EXPECT_EQ(lastX, restX) << "the report left while the card was still sliding in";
    EXPECT_NE(proxy.Requests()[0].line.find("?type=open&value=Kelp_Uninstall&"), std::string::npos)
        << proxy.Requests()[0].line;

    PostMessageW(card.found, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.get(), 15000), WAIT_OBJECT_0);
}
