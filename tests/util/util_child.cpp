// The second process of the utility tests. The first argument picks a role;
// the exit code reports the result (kOk, or a code saying what went wrong).
//   shm-read NAME FILE            ReadShareMem, the text to FILE (UTF-16)
//   shm-read2 NAME FILE LEN OFF   ReadShareMem2, the bytes to FILE
//   shm-write NAME TEXT CHAROFF   WriteShareMem
//   shm-host NAME SIZE TEXT READY DONE
//                                 creates the mapping, writes TEXT, sets
//                                 event READY, and holds it until event DONE
//   instance-first NAME FILE [min]
//                                 the first instance: a window titled NAME
//                                 (minimised with "min") that writes the
//                                 first WM_COPYDATA it gets to FILE
//   instance-second NAME TEXT     exits with CheckOneInstance's result
//   priv-remove NAME              SetPrivilege(NAME, 0), then checks the token
#include "support/vxhandle.h"
#include "util/vxutil.h"

#include <cwchar>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

enum Exit {
    kOk = 0,
    kUsage = 100,
    kCallFailed = 101,
    kFileFailed = 102,
    kTimeout = 103,
    kStillPresent = 104,
};

bool WriteAll(const wchar_t* path, const void* data, DWORD size) {
    vx::unique_hfile f(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return f && WriteFile(f.get(), data, size, &written, nullptr) && written == size;
}

DWORD Number(const wchar_t* text) {
    return static_cast<DWORD>(wcstoul(text, nullptr, 10));
}

int ShmRead(const wchar_t* name, const wchar_t* file) {
    wchar_t text[MAX_PATH];
    if (!ReadShareMem(name, text))
        return kCallFailed;
    return WriteAll(file, text, static_cast<DWORD>(wcslen(text) * sizeof(wchar_t))) ? kOk
                                                                                    : kFileFailed;
}

int ShmRead2(const wchar_t* name, const wchar_t* file, DWORD length, DWORD offset) {
    std::vector<unsigned char> bytes(length);
    if (!ReadShareMem2(name, bytes.data(), length, offset))
        return kCallFailed;
    return WriteAll(file, bytes.data(), length) ? kOk : kFileFailed;
}

int ShmHost(const wchar_t* name, DWORD size, const wchar_t* text, const wchar_t* ready,
            const wchar_t* done) {
    vx::unique_handle mapping(CreateShareMem(name, size));
    vx::unique_handle readyEvent(OpenEventW(EVENT_MODIFY_STATE, FALSE, ready));
    vx::unique_handle doneEvent(OpenEventW(SYNCHRONIZE, FALSE, done));
    if (!mapping || !readyEvent || !doneEvent)
        return kUsage;
    if (!WriteShareMem(name, text, 0))
        return kCallFailed;
    SetEvent(readyEvent.get());
    return WaitForSingleObject(doneEvent.get(), 30000) == WAIT_OBJECT_0 ? kOk : kTimeout;
}

const wchar_t* g_copyFile = nullptr;
int g_copyResult = kTimeout;

LRESULT CALLBACK FirstInstanceProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COPYDATA) {
        const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
        // dwData must be 0; anything else is reported as a failed call.
        bool written = WriteAll(g_copyFile, cds->lpData, cds->cbData);
        g_copyResult = cds->dwData != 0 ? kCallFailed : written ? kOk : kFileFailed;
        PostQuitMessage(0);
        return TRUE;
    }
    if (msg == WM_TIMER) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

int InstanceFirst(const wchar_t* name, const wchar_t* file, bool minimised) {
    if (CheckOneInstance(name, L"") != 1)
        return kCallFailed;
    g_copyFile = file;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = FirstInstanceProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VxUtilChildFirstInstance";
    RegisterClassW(&wc);
    vx::unique_hwnd wnd(CreateWindowExW(0, wc.lpszClassName, name, WS_OVERLAPPEDWINDOW, 10, 10, 200,
                                        100, nullptr, nullptr, wc.hInstance, nullptr));
    if (!wnd)
        return kUsage;
    ShowWindow(wnd.get(), minimised ? SW_SHOWMINNOACTIVE : SW_SHOWNOACTIVATE);
    SetTimer(wnd.get(), 1, 30000, nullptr);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0)
        DispatchMessageW(&m);
    return g_copyResult;
}

// Whether the token lists the privilege at all.
bool TokenHas(const wchar_t* privilege) {
    LUID luid = {};
    vx::unique_handle token;
    if (!LookupPrivilegeValueW(nullptr, privilege, &luid) ||
        !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return false;
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
    std::vector<unsigned char> buf(size);
    if (!size || !GetTokenInformation(token.get(), TokenPrivileges, buf.data(), size, &size))
        return false;
    const auto* tp = reinterpret_cast<const TOKEN_PRIVILEGES*>(buf.data());
    for (DWORD i = 0; i < tp->PrivilegeCount; ++i)
        if (tp->Privileges[i].Luid.LowPart == luid.LowPart &&
            tp->Privileges[i].Luid.HighPart == luid.HighPart)
            return true;
    return false;
}

int PrivRemove(const wchar_t* privilege) {
    if (!TokenHas(privilege))
        return kUsage;
    if (SetPrivilege(privilege, 0) != 1)
        return kCallFailed;
    return TokenHas(privilege) ? kStillPresent : kOk;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring role = argc > 1 ? argv[1] : L"";
    if (role == L"shm-read" && argc == 4)
        return ShmRead(argv[2], argv[3]);
    if (role == L"shm-read2" && argc == 6)
        return ShmRead2(argv[2], argv[3], Number(argv[4]), Number(argv[5]));
    if (role == L"shm-write" && argc == 5)
        return WriteShareMem(argv[2], argv[3], Number(argv[4])) ? kOk : kCallFailed;
    if (role == L"shm-host" && argc == 7)
        return ShmHost(argv[2], Number(argv[3]), argv[4], argv[5], argv[6]);
    if (role == L"instance-first" && (argc == 4 || argc == 5))
        return InstanceFirst(argv[2], argv[3], argc == 5 && std::wstring(argv[4]) == L"min");
    if (role == L"instance-second" && argc == 4)
        return CheckOneInstance(argv[2], argv[3]);
    if (role == L"priv-remove" && argc == 3)
        return PrivRemove(argv[2]);
    return kUsage;
}
