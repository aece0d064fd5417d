// Privileges of this process's token, and kernel drivers loaded as services.
#include "util/vxutil.h"

#include "support/vxhandle.h"

using vx::unique_sc_handle;

int SetPrivilege(const wchar_t* privilege, int enable) {
    if (!privilege)
        return 0;
    vx::unique_handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()))
        return 0;
    TOKEN_PRIVILEGES tp = {};
    if (!LookupPrivilegeValueW(nullptr, privilege, &tp.Privileges[0].Luid))
        return 0;
    tp.PrivilegeCount = 1;
    // Turning a privilege off takes it out of the token for good.
    tp.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : SE_PRIVILEGE_REMOVED;
    // A token without the privilege is no error of the caller's: it asked,
    // and the system said what it could.
    AdjustTokenPrivileges(token.get(), FALSE, &tp, sizeof(tp), nullptr, nullptr);
    return 1;
}

int LoadDrv(const wchar_t* service, const wchar_t* driverPath) {
    if (!service || !*service || !driverPath || !*driverPath)
        return 0;
    unique_sc_handle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!scm)
        return 0;
    unique_sc_handle svc(CreateServiceW(scm.get(), service, service, SERVICE_ALL_ACCESS,
                                        SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
                                        SERVICE_ERROR_NORMAL, driverPath, nullptr, nullptr, nullptr,
                                        nullptr, nullptr));
    if (!svc && GetLastError() == ERROR_SERVICE_EXISTS)
        svc.reset(OpenServiceW(scm.get(), service, SERVICE_ALL_ACCESS));
    if (!svc)
        return 0;
    if (StartServiceW(svc.get(), 0, nullptr) || GetLastError() == ERROR_SERVICE_ALREADY_RUNNING)
        return 1;
    return 0;
}

int UnLoadDrv(const wchar_t* service) {
    if (!service || !*service)
        return 0;
    unique_sc_handle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!scm)
        return 0;
    unique_sc_handle svc(OpenServiceW(scm.get(), service, SERVICE_STOP | DELETE));
    if (!svc)
        return 0;
    // A driver that is not running needs no stop; it is deleted all the same.
    SERVICE_STATUS status = {};
    ControlService(svc.get(), SERVICE_CONTROL_STOP, &status);
    DeleteService(svc.get());
    return 1;
}
