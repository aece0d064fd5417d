// The second process of the service tests, run from a copy placed in a
// scratch folder so that its own folder is a real one. The first argument
// picks a role; the exit code reports the result (0, or 100 for bad usage).
//   log TEXT           CVxLog::WriteLog(TEXT), as the registry switch says
//   log-force TEXT     the same with ForceLog(true)
//   log-gbk TEXT       ForceLog(true) on a thread whose locale is Chinese (PRC)
//   log2 NUMBER TEXT   ForceLog(true), then WriteLog2(L"%d|%s", NUMBER, TEXT)
#include "support/vxlog.h"

#include <cwchar>
#include <cstdlib>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return 100;
    const wchar_t* role = argv[1];
    CVxLog& log = CVxLog::Instance();
    if (wcscmp(role, L"log") == 0) {
        log.WriteLog(argv[2]);
    } else if (wcscmp(role, L"log-force") == 0) {
        log.ForceLog(true);
        log.WriteLog(argv[2]);
    } else if (wcscmp(role, L"log-gbk") == 0) {
        SetThreadLocale(
            MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT));
        log.ForceLog(true);
        log.WriteLog(argv[2]);
    } else if (wcscmp(role, L"log2") == 0 && argc >= 4) {
        log.ForceLog(true);
        log.WriteLog2(L"%d|%s", _wtoi(argv[2]), argv[3]);
    } else {
        return 100;
    }
    return 0;
}
