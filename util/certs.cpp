// Authenticode verification and the trusted root certificate stores.
#include "util/vxutil.h"

#include "support/vxhandle.h"

#include <wincrypt.h>
#include <softpub.h>
#include <wintrust.h>

namespace {

using unique_store = vx::unique_cert_store;
using unique_cert = vx::unique_cert_context;

using vx::unique_view;

} // namespace

int VerifySignature(const wchar_t* path) {
    if (!path || !*path)
        return 0;
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path;
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    LONG r = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return r == 0 ? 1 : 0;
}

int CertExists(const wchar_t* subject) {
    if (!subject)
        return 0;
    unique_store store(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                     CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_READONLY_FLAG,
                                     L"Root"));
    if (!store)
        return 0;
    unique_cert found(CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0,
                                                 CERT_FIND_SUBJECT_STR_W, subject, nullptr));
    return found ? 1 : 0;
}

int ImportCACert(const BYTE* der, DWORD length) {
    if (!der || length == 0)
        return 0;
    unique_cert cert(CertCreateCertificateContext(X509_ASN_ENCODING, der, length));
    if (!cert)
        return 0;
    unique_store store(
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                      CERT_SYSTEM_STORE_LOCAL_MACHINE | CERT_STORE_OPEN_EXISTING_FLAG, L"Root"));
    if (!store)
        return 0;
    if (CertAddCertificateContextToStore(store.get(), cert.get(), CERT_STORE_ADD_NEW, nullptr))
        return 1;
    if (GetLastError() != static_cast<DWORD>(CRYPT_E_EXISTS))
        return 0;
    return CertAddCertificateContextToStore(store.get(), cert.get(),
                                            CERT_STORE_ADD_REPLACE_EXISTING, nullptr)
               ? 1
               : 0;
}

int ImportCertFile(const wchar_t* path) {
    if (!path)
        return 0;
    vx::unique_hfile file(
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size;
    // A certificate is a few kilobytes; an empty or huge file is not one.
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart == 0 ||
        size.QuadPart > 1024 * 1024)
        return 0;
    vx::unique_handle mapping(
        CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping)
        return 0;
    unique_view view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view)
        return 0;
    return ImportCACert(static_cast<const BYTE*>(view.get()), static_cast<DWORD>(size.QuadPart));
}
