// The registry helper and monitor against the real registry, on keys the
// tests own.
#include "support/vxreg.h"

#include "tests/support/testutil.h"
#include "util/vxutil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

using vxtest::ScopedRegKey;

namespace {

const wchar_t kTestKey[] = L"SOFTWARE\\VxTest\\Reg";
const wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// The test key in one explicit view, removed before and after.
class ViewKey {
public:
    explicit ViewKey(REGSAM view) : m_view(view) {
        Remove();
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                        m_key.put(), nullptr);
    }
    ~ViewKey() {
        m_key.reset();
        Remove();
    }
    bool Set(const wchar_t* name, DWORD type, const void* data, DWORD cb) {
        return RegSetValueExW(m_key.get(), name, 0, type, static_cast<const BYTE*>(data), cb) ==
               ERROR_SUCCESS;
    }
    bool SetText(const wchar_t* name, const std::wstring& text) {
        return Set(name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * 2));
    }

private:
    void Remove() {
        vx::unique_hkey parent;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VxTest", 0, KEY_ALL_ACCESS | m_view,
                          parent.put()) == ERROR_SUCCESS)
            RegDeleteTreeW(parent.get(), L"Reg");
    }
    REGSAM m_view;
    vx::unique_hkey m_key;
};

// Type and byte count of a value, or false when it is missing.
bool QueryValue(HKEY root, const wchar_t* path, const wchar_t* name, DWORD& type, DWORD& cb,
                std::wstring* text = nullptr) {
    wchar_t buf[1024] = {};
    cb = sizeof(buf) - sizeof(wchar_t);
    if (RegGetValueW(root, path, name, RRF_RT_ANY | RRF_NOEXPAND, &type, buf, &cb) != ERROR_SUCCESS)
        return false;
    if (text)
        *text = buf;
    return true;
}

} // namespace

TEST(Reg, EachViewFlagReadsItsView) {
    ViewKey v32(KEY_WOW64_32KEY), v64(KEY_WOW64_64KEY);
    ASSERT_TRUE(v32.SetText(L"view", L"32"));
    ASSERT_TRUE(v64.SetText(L"view", L"64"));
    wchar_t out[261] = {};
    ASSERT_EQ(1, GetRegInfo(HKEY_LOCAL_MACHINE, kTestKey, L"view", 1, out));
    EXPECT_STREQ(L"64", out);
    // Flag 0 asks for the 32-bit view only in a 32-bit program on 64-bit
    // Windows; any other program reads its own view.
    const wchar_t* native = (isWow64() || sizeof(void*) == 4) ? L"32" : L"64";
    ASSERT_EQ(1, GetRegInfo(HKEY_LOCAL_MACHINE, kTestKey, L"view", 0, out));
    EXPECT_STREQ(native, out);
}

TEST(Reg, ReadsUpTo260CharactersOfAnyTypeAlwaysTerminated) {
    ViewKey key(KEY_WOW64_64KEY);
    ASSERT_TRUE(key.SetText(L"full", std::wstring(260, L'x')));
    ASSERT_TRUE(key.SetText(L"over", std::wstring(261, L'y')));
    std::string bytes(520, 'A');
    ASSERT_TRUE(key.Set(L"bin", REG_BINARY, bytes.data(), 520));
    DWORD dword = 0x00420041; // "AB" as two wide characters
    ASSERT_TRUE(key.Set(L"num", REG_DWORD, &dword, sizeof(dword)));

    wchar_t out[261];
    wmemset(out, L'#', 261);
    ASSERT_EQ(1, GetRegInfo(HKEY_LOCAL_MACHINE, kTestKey, L"full", 1, out));
    EXPECT_EQ(std::wstring(260, L'x'), out);

    wmemset(out, L'#', 261);
    EXPECT_EQ(0, GetRegInfo(HKEY_LOCAL_MACHINE, kTestKey, L"over", 1, out));
    EXPECT_EQ(0, GetRegInfo(HKEY_LOCAL_MACHINE, kTestKey, L"missing", 1, out));
    EXPECT_EQ(L'#', out[0]) << "a failed read leaves the buffer alone";

    // 520 bytes of binary data without a zero: still a terminated string.
    ASSERT_EQ(1, GetRegInfo(HKEY_LOCAL_MACHINE, kTestKey, L"bin", 1, out));
    EXPECT_EQ(260u, wcsnlen(out, 261));
    ASSERT_EQ(1, GetRegInfo(HKEY_LOCAL_MACHINE, kTestKey, L"num", 1, out));
    EXPECT_STREQ(L"AB", out);
}

TEST(Reg, SetRegInfoWritesTerminatedTextIntoExistingKeysOnly) {
    ViewKey key(KEY_WOW64_64KEY);
    EXPECT_EQ(0, SetRegInfo(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VxTest\\Reg\\Absent", L"v", 1, L"x"));
    HKEY probe;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VxTest\\Reg\\Absent", 0,
                                           KEY_READ | KEY_WOW64_64KEY, &probe))
        << "the key was created";
    EXPECT_EQ(0, SetRegInfo(HKEY_LOCAL_MACHINE, kTestKey, L"v", 1, nullptr));

    ASSERT_EQ(1, SetRegInfo(HKEY_LOCAL_MACHINE, kTestKey, L"v", 1, L"中文 text"));
    wchar_t out[261] = {};
    ASSERT_EQ(1, GetRegInfo(HKEY_LOCAL_MACHINE, kTestKey, L"v", 1, out));
    EXPECT_STREQ(L"中文 text", out);
    vx::unique_hkey k;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_READ | KEY_WOW64_64KEY, k.put()));
    DWORD type = 0, cb = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(k.get(), L"v", nullptr, &type, nullptr, &cb));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ((wcslen(L"中文 text") + 1) * 2, cb) << "the terminator is counted";
}

TEST(Reg, AutoRunStoresTheProgramAndRemovesItsEntry) {
    const wchar_t name[] = L"VxTestAutoRun";
    auto cleanup = vx::scope_exit([&] { RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kRunKey, name); });
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kRunKey, name);

    ASSERT_EQ(1, SetAutoRun(name, 1, nullptr));
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    DWORD type = 0, cb = 0;
    std::wstring text;
    ASSERT_TRUE(QueryValue(HKEY_LOCAL_MACHINE, kRunKey, name, type, cb, &text));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(self, text);

    ASSERT_EQ(1, SetAutoRun(name, 1, L"C:\\Program Files\\Kelp\\kelp.exe"));
    ASSERT_TRUE(QueryValue(HKEY_LOCAL_MACHINE, kRunKey, name, type, cb, &text));
    EXPECT_EQ(L"C:\\Program Files\\Kelp\\kelp.exe", text);

    EXPECT_EQ(1, SetAutoRun(name, 0, nullptr));
    EXPECT_FALSE(QueryValue(HKEY_LOCAL_MACHINE, kRunKey, name, type, cb));
    EXPECT_EQ(1, SetAutoRun(name, 0, nullptr)) << "removing a missing entry succeeds";
}

namespace {

std::atomic<int> g_changes{0};

void CountChange(void* context) {
    ++*static_cast<std::atomic<int>*>(context);
}

// A monitor started on a fresh key of the test's own, stopped at the end.
class MonitoredKey {
public:
    MonitoredKey() : m_key(HKEY_CURRENT_USER, kPath) {
        m_key.Create();
        g_changes = 0;
        StartMonitor(HKEY_CURRENT_USER, kPath, 0, CountChange, &g_changes);
        m_started =
            vxtest::WaitFor([] { return CVxReg::Instance().GetRunningMonitors() == 1; }, 5000);
        // Arming the notification follows the count at once.
        Sleep(200);
    }
    ~MonitoredKey() {
        StopMonitor();
        vxtest::WaitFor([] { return CVxReg::Instance().GetRunningMonitors() == 0; }, 3000);
    }
    bool started() const { return m_started; }
    ScopedRegKey& key() { return m_key; }
    static constexpr const wchar_t* kPath = L"SOFTWARE\\VxTest\\Monitor";

private:
    ScopedRegKey m_key;
    bool m_started = false;
};

bool ChangeSeenAfter(int before) {
    return vxtest::WaitFor([&] { return g_changes > before; }, 5000);
}

} // namespace

TEST(RegMonitor, SeesASubKeyAddedAndStopsWithinHalfASecond) {
    MonitoredKey mon;
    ASSERT_TRUE(mon.started());
    int before = g_changes;
    ASSERT_TRUE(mon.key().Create(L"Child"));
    EXPECT_TRUE(ChangeSeenAfter(before)) << "sub-key unseen";

    StopMonitor();
    DWORD start = GetTickCount();
    ASSERT_TRUE(vxtest::WaitFor([] { return CVxReg::Instance().GetRunningMonitors() == 0; }, 3000));
    EXPECT_LE(GetTickCount() - start, 1000u) << "stopped long after its 500 ms poll";
}

TEST(RegMonitor, AfterTheFirstChangeAValueChangeIsSeenToo) {
    if (vxtest::RunningOnWine())
        GTEST_SKIP() << "Wine keeps a key's first notification filter when it is armed again";
    MonitoredKey mon;
    ASSERT_TRUE(mon.started());
    int before = g_changes;
    ASSERT_TRUE(mon.key().Create(L"Child"));
    ASSERT_TRUE(ChangeSeenAfter(before));
    Sleep(100);
    before = g_changes;
    vx::unique_hkey k;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_CURRENT_USER, MonitoredKey::kPath, 0, KEY_SET_VALUE, k.put()));
    DWORD v = 1;
    RegSetValueExW(k.get(), L"value", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), sizeof(v));
    EXPECT_TRUE(ChangeSeenAfter(before)) << "value change unseen";
}

TEST(RegMonitor, AMissingKeyEndsTheMonitorAtOnce) {
    CVxReg& reg = CVxReg::Instance();
    EXPECT_EQ(0, reg.MonitorReg(HKEY_CURRENT_USER, L"SOFTWARE\\VxTest\\NoSuchKey", 0, CountChange,
                                &g_changes));
}
