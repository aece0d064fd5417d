// System information, token privileges and driver services, checked against
// what the system itself reports through other calls.
#include "tests/support/testutil.h"
#include "util/osname.h"
#include "util/vxutil.h"

#include <gtest/gtest.h>
#include <cpuid.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace vxtest;

namespace {

OSVERSIONINFOW RealVersion() {
    OSVERSIONINFOW vi = {};
    vi.dwOSVersionInfoSize = sizeof(vi);
    using Fn = LONG(WINAPI*)(OSVERSIONINFOW*);
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    if (fn)
        fn(&vi);
    return vi;
}

} // namespace

TEST(System, OsNameTable) {
    const DWORD nt = VER_PLATFORM_WIN32_NT, w9x = VER_PLATFORM_WIN32_WINDOWS;
    struct Case {
        DWORD platform, major, minor;
        const wchar_t* name;
    } cases[] = {
        {nt, 5, 0, L"Win2000"},
        {nt, 5, 1, L"XP"},
        {nt, 5, 2, L"XP"},
        {nt, 6, 0, L"Vista"},
        {nt, 6, 1, L"Win7"},
        {nt, 6, 2, L"Win8"},
        {nt, 6, 3, L"Win8"},
        {nt, 10, 0, L"Win8"},
        {nt, 11, 0, L"Win8"},
        {nt, 4, 0, L"XP"},
        {nt, 3, 51, L"XP"},
        {w9x, 4, 0, L"9x"},
        {w9x, 4, 10, L"9x"},
        {w9x, 4, 89, L"9x"},
        {w9x, 4, 90, L"Me"},
        {w9x, 3, 95, L"XP"},
        {VER_PLATFORM_WIN32s, 3, 10, L"XP"},
        {3, 4, 0, L"XP"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(vx::OsNameFor(c.platform, c.major, c.minor), c.name)
            << "platform " << c.platform << " version " << c.major << "." << c.minor;
}

TEST(System, VersionChecksFollowTheRealVersion) {
    OSVERSIONINFOW vi = RealVersion();
    ASSERT_NE(vi.dwMajorVersion, 0u) << "RtlGetVersion is missing";
    std::printf("[ note ] running on %lu.%lu build %lu\n", vi.dwMajorVersion, vi.dwMinorVersion,
                vi.dwBuildNumber);
    wchar_t name[MAX_PATH];
    wmemset(name, L'#', MAX_PATH);
    ASSERT_EQ(GetOsName(name), 1);
    EXPECT_STREQ(name, vx::OsNameFor(vi.dwPlatformId, vi.dwMajorVersion, vi.dwMinorVersion));

    bool nt = vi.dwPlatformId == VER_PLATFORM_WIN32_NT;
    bool vistaOrLater = nt && vi.dwMajorVersion >= 6;
    bool win8OrLater =
        nt && (vi.dwMajorVersion > 6 || (vi.dwMajorVersion == 6 && vi.dwMinorVersion >= 2));
    EXPECT_EQ(isWin7(), vistaOrLater ? 1 : 0);
    EXPECT_EQ(isWin8(), win8OrLater ? 1 : 0);
    if (win8OrLater) {
        EXPECT_STREQ(name, L"Win8") << "a later Windows is no older one";
    }
}

TEST(System, Wow64MatchesTheProcessAndTheMachine) {
    SYSTEM_INFO own = {}, native = {};
    GetSystemInfo(&own);
    GetNativeSystemInfo(&native);
    bool wow64 = own.wProcessorArchitecture != native.wProcessorArchitecture;
    EXPECT_EQ(isWow64(), wow64 ? 1 : 0);
    if (sizeof(void*) == 8) {
        EXPECT_EQ(isWow64(), 0);
    }
}

namespace {

// The machine field of a PE file's header, or 0.
WORD PeMachine(const std::wstring& path) {
    std::string b = ReadFileBytes(path);
    if (b.size() < 0x40)
        return 0;
    DWORD pe = 0;
    memcpy(&pe, b.data() + 0x3c, 4);
    WORD machine = 0;
    if (pe + 6 <= b.size() && memcmp(b.data() + pe, "PE\0\0", 4) == 0)
        memcpy(&machine, b.data() + pe + 4, 2);
    return machine;
}

} // namespace

TEST(System, FsRedirectionIsTouchedOnlyUnderWow64) {
    void* const sentinel = reinterpret_cast<void*>(static_cast<uintptr_t>(0x5a5a));
    void* saved = sentinel;
    DisableFsRedirection(nullptr);
    RevertFsRedirection(nullptr);
    if (!isWow64()) {
        DisableFsRedirection(&saved);
        EXPECT_EQ(saved, sentinel) << "nothing to disable outside WOW64";
        RevertFsRedirection(&saved);
        wchar_t dir[MAX_PATH];
        ASSERT_GT(GetSystemDirectoryW(dir, MAX_PATH), 0u);
        EXPECT_EQ(PeMachine(std::wstring(dir) + L"\\kernel32.dll"),
                  sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386);
        return;
    }
    // Under WOW64 System32 shows the 32-bit files unless redirection is off.
    wchar_t win[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryW(win, MAX_PATH), 0u);
    std::wstring kernel = std::wstring(win) + L"\\System32\\kernel32.dll";
    EXPECT_EQ(PeMachine(kernel), IMAGE_FILE_MACHINE_I386);
    DisableFsRedirection(&saved);
    EXPECT_NE(PeMachine(kernel), IMAGE_FILE_MACHINE_I386);
    RevertFsRedirection(&saved);
    EXPECT_EQ(PeMachine(kernel), IMAGE_FILE_MACHINE_I386);
}

namespace {

const wchar_t kPolicyKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

// The prefix's own EnableLUA value, put back when the test ends.
class SavedPolicy {
public:
    SavedPolicy() {
        DWORD disposition = 0;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPolicyKey, 0, nullptr, 0,
                        KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, m_key.put(), &disposition);
        m_created = disposition == REG_CREATED_NEW_KEY;
        DWORD size = sizeof(m_data);
        m_had = m_key && RegQueryValueExW(m_key.get(), L"EnableLUA", nullptr, &m_type, m_data,
                                          &size) == ERROR_SUCCESS;
        m_size = size;
    }
    ~SavedPolicy() {
        if (m_had)
            RegSetValueExW(m_key.get(), L"EnableLUA", 0, m_type, m_data, m_size);
        else
            RegDeleteValueW(m_key.get(), L"EnableLUA");
        m_key.reset();
        if (m_created)
            RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kPolicyKey, KEY_WOW64_64KEY, 0);
    }
    HKEY key() const { return m_key.get(); }
    void Set(DWORD type, const void* data, DWORD size) {
        RegSetValueExW(m_key.get(), L"EnableLUA", 0, type, static_cast<const BYTE*>(data), size);
    }

private:
    vx::unique_hkey m_key;
    bool m_created = false, m_had = false;
    DWORD m_type = 0, m_size = 0;
    BYTE m_data[64] = {};
};

} // namespace

TEST(System, UacFollowsTheEnableLuaPolicy) {
    SavedPolicy policy;
    ASSERT_NE(policy.key(), nullptr);
    int onVista = RealVersion().dwMajorVersion > 5 ? 1 : 0;
    DWORD one = 1, zero = 0, two = 2;
    unsigned long long wide = 1;
    policy.Set(REG_DWORD, &one, sizeof(one));
    EXPECT_EQ(isEnableUAC(), onVista);
    policy.Set(REG_DWORD, &zero, sizeof(zero));
    EXPECT_EQ(isEnableUAC(), 0);
    policy.Set(REG_DWORD, &two, sizeof(two));
    EXPECT_EQ(isEnableUAC(), 0);
    policy.Set(REG_SZ, L"1", sizeof(L"1"));
    EXPECT_EQ(isEnableUAC(), 0) << "a string is not the policy";
    policy.Set(REG_QWORD, &wide, sizeof(wide));
    EXPECT_EQ(isEnableUAC(), 0) << "nor is a 64-bit value";
    policy.Set(REG_BINARY, &one, 2);
    EXPECT_EQ(isEnableUAC(), 0);
    RegDeleteValueW(policy.key(), L"EnableLUA");
    EXPECT_EQ(isEnableUAC(), 0);
}

namespace {

// SYSTEM_BATTERY_STATE's leading fields, as NtPowerInformation fills them.
struct BatteryState {
    BOOLEAN AcOnLine, BatteryPresent, Charging, Discharging;
    BOOLEAN Spare1[4];
    DWORD MaxCapacity, RemainingCapacity, Rate, EstimatedTime, DefaultAlert1, DefaultAlert2;
};

} // namespace

TEST(System, NotebookMeansTheSystemHasABattery) {
    SYSTEM_POWER_STATUS status = {};
    ASSERT_TRUE(GetSystemPowerStatus(&status));
    // The battery as the power manager reports it, a separate source.
    using Fn = LONG(WINAPI*)(int, void*, ULONG, void*, ULONG);
    auto query = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtPowerInformation")));
    ASSERT_NE(query, nullptr);
    BatteryState battery = {};
    const int kSystemBatteryState = 5;
    ASSERT_EQ(query(kSystemBatteryState, nullptr, 0, &battery, sizeof(battery)), 0);
    std::printf("[ note ] battery present %d, life %d%%, flag %d\n", battery.BatteryPresent,
                status.BatteryLifePercent, status.BatteryFlag);
    EXPECT_EQ(isNotebook(), battery.BatteryPresent ? 1 : 0);
    if (status.BatteryFlag & 128) {
        EXPECT_EQ(isNotebook(), 0) << "the system says it has no battery";
    }
}

TEST(System, CpuIdIsVendorThenFeatureFlags) {
    char out[MAX_PATH];
    memset(out, '#', sizeof(out));
    GetCPUID(out);
    ASSERT_LT(strlen(out), sizeof(out));
    ASSERT_GT(strlen(out), 12u);

    unsigned int eax = 0, regs[3] = {};
    ASSERT_TRUE(__get_cpuid(0, &eax, &regs[0], &regs[2], &regs[1])); // ebx, edx, ecx
    EXPECT_EQ(std::string(out, 12), std::string(reinterpret_cast<const char*>(regs), 12));

    char* end = nullptr;
    long long flags = strtoll(out + 12, &end, 10);
    EXPECT_EQ(*end, '\0') << "not a number: " << out + 12;
    EXPECT_GE(flags, -2147483648LL);
    EXPECT_LE(flags, 2147483647LL);
    // Every x86-64 processor has an FPU (bit 0) and SSE2 (bit 26).
    if (sizeof(void*) == 8) {
        EXPECT_NE(flags & 1, 0);
        EXPECT_NE(flags & (1 << 26), 0);
    }
}

namespace {

// The attributes of a privilege in this process's token; -1 when absent.
long TokenAttributes(const wchar_t* privilege) {
    LUID luid = {};
    vx::unique_handle token;
    if (!LookupPrivilegeValueW(nullptr, privilege, &luid) ||
        !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return -1;
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
    std::vector<unsigned char> buf(size);
    if (!size || !GetTokenInformation(token.get(), TokenPrivileges, buf.data(), size, &size))
        return -1;
    const auto* tp = reinterpret_cast<const TOKEN_PRIVILEGES*>(buf.data());
    for (DWORD i = 0; i < tp->PrivilegeCount; ++i)
        if (tp->Privileges[i].Luid.LowPart == luid.LowPart &&
            tp->Privileges[i].Luid.HighPart == luid.HighPart)
            return static_cast<long>(tp->Privileges[i].Attributes);
    return -1;
}

// Sets a privilege's attributes directly, to start from a known state.
bool AdjustDirectly(const wchar_t* privilege, DWORD attributes) {
    TOKEN_PRIVILEGES tp = {};
    vx::unique_handle token;
    if (!LookupPrivilegeValueW(nullptr, privilege, &tp.Privileges[0].Luid) ||
        !OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.put()))
        return false;
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = attributes;
    return AdjustTokenPrivileges(token.get(), FALSE, &tp, sizeof(tp), nullptr, nullptr) &&
           GetLastError() == ERROR_SUCCESS;
}

} // namespace

TEST(Privilege, EnablingShowsInTheToken) {
    for (const wchar_t* name : {L"SeDebugPrivilege", L"SeShutdownPrivilege"}) {
        SCOPED_TRACE(testing::Message() << name);
        if (TokenAttributes(name) < 0) {
            // Enabling what the token lacks still finds the privilege.
            EXPECT_EQ(SetPrivilege(name, 1), 1);
            std::printf("[ note ] the token does not hold %ls; nothing to see enabled\n", name);
            continue;
        }
        ASSERT_TRUE(AdjustDirectly(name, 0));
        ASSERT_EQ(TokenAttributes(name) & SE_PRIVILEGE_ENABLED, 0);
        EXPECT_EQ(SetPrivilege(name, 1), 1);
        EXPECT_NE(TokenAttributes(name) & SE_PRIVILEGE_ENABLED, 0);
    }
}

TEST(Privilege, UnknownNameFails) {
    EXPECT_EQ(SetPrivilege(L"SeNoSuchThingPrivilege", 1), 0);
    EXPECT_EQ(SetPrivilege(L"SeNoSuchThingPrivilege", 0), 0);
    EXPECT_EQ(SetPrivilege(nullptr, 1), 0);
}

TEST(Privilege, TurningOffRemovesItFromTheToken) {
    // Removal cannot be undone, so it happens in a child process.
    const wchar_t* name = L"SeShutdownPrivilege";
    ASSERT_GE(TokenAttributes(name), 0) << "the token should hold the privilege";
    int code = RunProcess(L"\"" + ExeDir() + L"util_child.exe\" priv-remove " + name);
    EXPECT_EQ(code, 0) << "104: still in the child's token; 101: SetPrivilege failed";
    EXPECT_GE(TokenAttributes(name), 0) << "the test process's own token must keep it";
}

namespace {

std::wstring ServiceName(const wchar_t* what) {
    return L"VxTestDrv" + std::wstring(what) + std::to_wstring(GetCurrentProcessId());
}

using ScHandle = vx::unique_sc_handle;

} // namespace

TEST(Driver, BogusDriverIsRegisteredCannotStartAndIsRemoved) {
    ScratchDir dir(L"drv");
    std::wstring service = ServiceName(L"Bogus");
    std::wstring driver = dir / L"bogus.sys";
    ASSERT_TRUE(WriteFileBytes(driver, "this is not a driver"));
    ScHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ASSERT_TRUE(scm);
    auto cleanup = vx::scope_exit([&] {
        ScHandle left(OpenServiceW(scm.get(), service.c_str(), DELETE));
        if (left)
            DeleteService(left.get());
    });

    // No system starts a file that is no driver image, and Wine cannot start
    // kernel drivers as Windows does in any case: only the failure is seen.
    std::printf("[ note ] a driver service cannot start here; LoadDrv must fail\n");
    EXPECT_EQ(LoadDrv(service.c_str(), driver.c_str()), 0);
    {
        ScHandle svc(OpenServiceW(scm.get(), service.c_str(), SERVICE_QUERY_CONFIG));
        ASSERT_TRUE(svc) << "the service was not created";
        DWORD size = 0;
        QueryServiceConfigW(svc.get(), nullptr, 0, &size);
        std::vector<unsigned char> buf(size);
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buf.data());
        ASSERT_TRUE(size && QueryServiceConfigW(svc.get(), config, size, &size));
        EXPECT_EQ(config->dwServiceType, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
        EXPECT_EQ(config->dwStartType, static_cast<DWORD>(SERVICE_DEMAND_START));
        EXPECT_EQ(config->dwErrorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
        EXPECT_STREQ(config->lpDisplayName, service.c_str());
        EXPECT_EQ(_wcsicmp(config->lpBinaryPathName, driver.c_str()), 0)
            << config->lpBinaryPathName;
    }
    // The second time it exists already: opened, and still not startable.
    EXPECT_EQ(LoadDrv(service.c_str(), driver.c_str()), 0);

    EXPECT_EQ(UnLoadDrv(service.c_str()), 1);
    ScHandle gone(OpenServiceW(scm.get(), service.c_str(), SERVICE_QUERY_STATUS));
    EXPECT_FALSE(gone) << "the service is still there";
    EXPECT_EQ(UnLoadDrv(service.c_str()), 0);
}

TEST(Driver, MissingServiceOrArgumentsFail) {
    std::wstring service = ServiceName(L"Missing");
    EXPECT_EQ(UnLoadDrv(service.c_str()), 0);
    EXPECT_EQ(UnLoadDrv(nullptr), 0);
    EXPECT_EQ(LoadDrv(nullptr, L"C:\\x.sys"), 0);
    EXPECT_EQ(LoadDrv(service.c_str(), nullptr), 0);
    ScHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    ScHandle svc(OpenServiceW(scm.get(), service.c_str(), SERVICE_QUERY_STATUS));
    EXPECT_FALSE(svc) << "a refused call must not create the service";
}
