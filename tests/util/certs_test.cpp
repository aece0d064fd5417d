// Signature checks and the root certificate stores, with certificates the
// test makes itself and removes again.
#include "tests/support/testutil.h"
#include "util/vxutil.h"

#include <gtest/gtest.h>
#include <wincrypt.h>
#include <string>
#include <vector>

using namespace vxtest;

namespace {

using unique_store = vx::unique_cert_store;
using unique_cert = vx::unique_cert_context;

struct prov_traits {
    using type = HCRYPTPROV;
    static type invalid() { return 0; }
    static void close(type h) { CryptReleaseContext(h, 0); }
};
using unique_prov = vx::unique_any<prov_traits>;

struct key_traits {
    using type = HCRYPTKEY;
    static type invalid() { return 0; }
    static void close(type h) { CryptDestroyKey(h); }
};
using unique_key = vx::unique_any<key_traits>;

// A fresh self-signed certificate "CN=<subject>". Its key lives only in a
// verify context, so no key container is left behind.
unique_cert MakeCert(const std::wstring& subject) {
    std::wstring x500 = L"CN=" + subject;
    DWORD nameSize = 0;
    if (!CertStrToNameW(X509_ASN_ENCODING, x500.c_str(), CERT_X500_NAME_STR, nullptr, nullptr,
                        &nameSize, nullptr))
        return unique_cert();
    std::vector<BYTE> name(nameSize);
    unique_prov prov;
    unique_key key;
    if (!CertStrToNameW(X509_ASN_ENCODING, x500.c_str(), CERT_X500_NAME_STR, nullptr, name.data(),
                        &nameSize, nullptr) ||
        !CryptAcquireContextW(prov.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) ||
        !CryptGenKey(prov.get(), AT_SIGNATURE, 0, key.put()))
        return unique_cert();
    CERT_NAME_BLOB blob = {nameSize, name.data()};
    return unique_cert(CertCreateSelfSignCertificate(prov.get(), &blob, 0, nullptr, nullptr,
                                                     nullptr, nullptr, nullptr));
}

unique_store OpenRoot(DWORD location) {
    return unique_store(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, location, L"Root"));
}

// How many certificates whose subject contains text a system store holds.
int CountIn(DWORD location, const std::wstring& text) {
    unique_store store = OpenRoot(location | CERT_STORE_READONLY_FLAG);
    int n = 0;
    PCCERT_CONTEXT c = nullptr;
    while (store && (c = CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0,
                                                    CERT_FIND_SUBJECT_STR_W, text.c_str(), c)))
        ++n;
    return n;
}

// Removes every certificate whose subject contains text from a system store.
void RemoveFrom(DWORD location, const std::wstring& text) {
    unique_store store = OpenRoot(location);
    while (store) {
        PCCERT_CONTEXT c = CertFindCertificateInStore(
            store.get(), X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_STR_W, text.c_str(), nullptr);
        // The delete frees the context, also when it fails.
        if (!c || !CertDeleteCertificateFromStore(c))
            break;
    }
}

// A subject no other test or run uses.
std::wstring UniqueSubject(const wchar_t* what) {
    return std::wstring(L"VxTest ") + what + L" " + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(GetTickCount());
}

std::string Der(PCCERT_CONTEXT c) {
    return std::string(reinterpret_cast<const char*>(c->pbCertEncoded), c->cbCertEncoded);
}

const DWORD kMachine = CERT_SYSTEM_STORE_LOCAL_MACHINE;
const DWORD kUser = CERT_SYSTEM_STORE_CURRENT_USER;

} // namespace

TEST(Signature, UnsignedAndMissingFilesDoNotVerify) {
    ScratchDir dir(L"certs");
    std::wstring copy = dir / L"unsigned.exe";
    ASSERT_TRUE(CopyFileW(BuiltUninstaller().c_str(), copy.c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(dir / L"text.exe", "not a program"));
    EXPECT_EQ(VerifySignature(copy.c_str()), 0) << "the built program carries no signature";
    EXPECT_EQ(VerifySignature((dir / L"text.exe").c_str()), 0);
    EXPECT_EQ(VerifySignature((dir / L"missing.exe").c_str()), 0);
    EXPECT_EQ(VerifySignature(L""), 0);
    EXPECT_EQ(VerifySignature(nullptr), 0);
    // The verification state is closed again: nothing keeps the file open.
    EXPECT_TRUE(DeleteFileW(copy.c_str())) << GetLastError();
}

TEST(Cert, ImportIntoTheMachineRootAndReplace) {
    std::wstring subject = UniqueSubject(L"Machine");
    unique_cert cert = MakeCert(subject);
    if (!cert)
        GTEST_SKIP() << "this system cannot make a self-signed certificate (error "
                     << GetLastError() << ")";
    RemoveFrom(kMachine, subject);
    auto cleanup = vx::scope_exit([&] { RemoveFrom(kMachine, subject); });
    ASSERT_EQ(CountIn(kMachine, subject), 0);

    EXPECT_EQ(ImportCACert(cert.get()->pbCertEncoded, cert.get()->cbCertEncoded), 1);
    EXPECT_EQ(CountIn(kMachine, subject), 1);
    EXPECT_EQ(ImportCACert(cert.get()->pbCertEncoded, cert.get()->cbCertEncoded), 1)
        << "a certificate already there is replaced";
    EXPECT_EQ(CountIn(kMachine, subject), 1) << "replaced, not added twice";

    EXPECT_EQ(ImportCACert(reinterpret_cast<const BYTE*>("junk"), 4), 0);
    EXPECT_EQ(ImportCACert(cert.get()->pbCertEncoded, 0), 0);
    EXPECT_EQ(ImportCACert(nullptr, 100), 0);
    std::string cut = Der(cert.get()).substr(0, cert.get()->cbCertEncoded / 2);
    EXPECT_EQ(ImportCACert(reinterpret_cast<const BYTE*>(cut.data()), DWORD(cut.size())), 0)
        << "half a certificate";
}

TEST(Cert, ImportFromAFile) {
    std::wstring subject = UniqueSubject(L"File");
    unique_cert cert = MakeCert(subject);
    if (!cert)
        GTEST_SKIP() << "this system cannot make a self-signed certificate";
    RemoveFrom(kMachine, subject);
    auto cleanup = vx::scope_exit([&] { RemoveFrom(kMachine, subject); });

    ScratchDir dir(L"certs");
    ASSERT_TRUE(WriteFileBytes(dir / L"root.cer", Der(cert.get())));
    ASSERT_TRUE(WriteFileBytes(dir / L"junk.cer", "not a certificate"));
    ASSERT_TRUE(WriteFileBytes(dir / L"empty.cer", ""));
    EXPECT_EQ(ImportCertFile((dir / L"root.cer").c_str()), 1);
    EXPECT_EQ(CountIn(kMachine, subject), 1);
    EXPECT_EQ(ImportCertFile((dir / L"root.cer").c_str()), 1) << "imported again: replaced";
    EXPECT_EQ(CountIn(kMachine, subject), 1);

    EXPECT_EQ(ImportCertFile((dir / L"junk.cer").c_str()), 0);
    EXPECT_EQ(ImportCertFile((dir / L"empty.cer").c_str()), 0);
    EXPECT_EQ(ImportCertFile((dir / L"missing.cer").c_str()), 0);
    EXPECT_EQ(ImportCertFile(dir.path().c_str()), 0) << "a folder";
    EXPECT_EQ(ImportCertFile(nullptr), 0);
}

TEST(Cert, ExistsLooksInTheUserRootBySubjectText) {
    std::wstring subject = UniqueSubject(L"User");
    unique_cert cert = MakeCert(subject);
    if (!cert)
        GTEST_SKIP() << "this system cannot make a self-signed certificate";
    RemoveFrom(kUser, subject);
    auto cleanup = vx::scope_exit([&] { RemoveFrom(kUser, subject); });
    EXPECT_EQ(CertExists(subject.c_str()), 0) << "not there yet";

    unique_store store = OpenRoot(kUser);
    ASSERT_TRUE(store);
    ASSERT_TRUE(
        CertAddCertificateContextToStore(store.get(), cert.get(), CERT_STORE_ADD_NEW, nullptr));
    store.reset();
    EXPECT_EQ(CertExists(subject.c_str()), 1);
    EXPECT_EQ(CertExists(subject.substr(3, 10).c_str()), 1) << "a part of the subject is enough";
    EXPECT_EQ(CertExists((subject + L" more").c_str()), 0);
    EXPECT_EQ(CertExists(nullptr), 0);
}
