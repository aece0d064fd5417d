// Signature checks and the root certificate stores, with certificates the
// test makes itself and removes again.
#include "tests/support/testutil.h"
#include "util/vxutil.h"

#include <gtest/gtest.h>
#include <wincrypt.h>
#include <string>

using namespace vxtest;

namespace {

struct Cert {
    PCCERT_CONTEXT ctx = nullptr;
    ~Cert() {
        if (ctx)
            CertFreeCertificateContext(ctx);
    }
};

// A fresh self-signed certificate "CN=<subject>".
bool MakeCert(const std::wstring& subject, Cert& out) {
    std::wstring x500 = L"CN=" + subject;
    BYTE name[256];
    DWORD nameSize = sizeof(name);
    if (!CertStrToNameW(X509_ASN_ENCODING, x500.c_str(), CERT_X500_NAME_STR, nullptr, name,
                        &nameSize, nullptr))
        return false;
    CERT_NAME_BLOB blob = {nameSize, name};
    out.ctx =
        CertCreateSelfSignCertificate(0, &blob, 0, nullptr, nullptr, nullptr, nullptr, nullptr);
    return out.ctx != nullptr;
}

// Removes every certificate whose subject contains text from a system store.
void RemoveFrom(DWORD location, const std::wstring& text) {
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, location, L"Root");
    if (!store)
        return;
    while (PCCERT_CONTEXT c = CertFindCertificateInStore(
               store, X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_STR_W, text.c_str(), nullptr))
        CertDeleteCertificateFromStore(c);
    CertCloseStore(store, 0);
}

bool InStore(DWORD location, const std::wstring& text) {
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, location | CERT_STORE_READONLY_FLAG, L"Root");
    if (!store)
        return false;
    PCCERT_CONTEXT c = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                  CERT_FIND_SUBJECT_STR_W, text.c_str(), nullptr);
    bool found = c != nullptr;
    if (c)
        CertFreeCertificateContext(c);
    CertCloseStore(store, 0);
    return found;
}

std::wstring UniqueSubject() {
    return L"VxTest Root " + std::to_wstring(GetCurrentProcessId());
}

} // namespace

TEST(Signature, UnsignedAndMissingFilesDoNotVerify) {
    ScratchDir dir(L"certs");
    std::wstring copy = dir / L"unsigned.exe";
    ASSERT_TRUE(CopyFileW(BuiltUninstaller().c_str(), copy.c_str(), FALSE));
    EXPECT_EQ(VerifySignature(copy.c_str()), 0);
    EXPECT_EQ(VerifySignature((dir / L"missing.exe").c_str()), 0);
    EXPECT_EQ(VerifySignature(nullptr), 0);
}

TEST(Cert, ImportIntoTheMachineRootAndReplace) {
    std::wstring subject = UniqueSubject();
    Cert cert;
    if (!MakeCert(subject, cert))
        GTEST_SKIP() << "this system cannot make a self-signed certificate (error "
                     << GetLastError() << ")";
    RemoveFrom(CERT_SYSTEM_STORE_LOCAL_MACHINE, subject);
    auto cleanup = vx::scope_exit([&] { RemoveFrom(CERT_SYSTEM_STORE_LOCAL_MACHINE, subject); });
    EXPECT_EQ(ImportCACert(cert.ctx->pbCertEncoded, cert.ctx->cbCertEncoded), 1);
    EXPECT_TRUE(InStore(CERT_SYSTEM_STORE_LOCAL_MACHINE, subject));
    EXPECT_EQ(ImportCACert(cert.ctx->pbCertEncoded, cert.ctx->cbCertEncoded), 1)
        << "an existing certificate is replaced";

    ScratchDir dir(L"certs");
    std::string der(reinterpret_cast<const char*>(cert.ctx->pbCertEncoded),
                    cert.ctx->cbCertEncoded);
    ASSERT_TRUE(WriteFileBytes(dir / L"root.cer", der));
    RemoveFrom(CERT_SYSTEM_STORE_LOCAL_MACHINE, subject);
    EXPECT_EQ(ImportCertFile((dir / L"root.cer").c_str()), 1);
    EXPECT_TRUE(InStore(CERT_SYSTEM_STORE_LOCAL_MACHINE, subject));

    ASSERT_TRUE(WriteFileBytes(dir / L"junk.cer", "not a certificate"));
    ASSERT_TRUE(WriteFileBytes(dir / L"empty.cer", ""));
    EXPECT_EQ(ImportCertFile((dir / L"junk.cer").c_str()), 0);
    EXPECT_EQ(ImportCertFile((dir / L"empty.cer").c_str()), 0);
    EXPECT_EQ(ImportCertFile((dir / L"missing.cer").c_str()), 0);
    EXPECT_EQ(ImportCACert(reinterpret_cast<const BYTE*>("junk"), 4), 0);
}

TEST(Cert, ExistsLooksInTheUserRootBySubjectText) {
    std::wstring subject = UniqueSubject() + L" User";
    Cert cert;
    if (!MakeCert(subject, cert))
        GTEST_SKIP() << "this system cannot make a self-signed certificate";
    RemoveFrom(CERT_SYSTEM_STORE_CURRENT_USER, subject);
    EXPECT_EQ(CertExists(subject.c_str()), 0);
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    ASSERT_NE(store, nullptr);
    bool added = CertAddCertificateContextToStore(store, cert.ctx, CERT_STORE_ADD_NEW, nullptr);
    CertCloseStore(store, 0);
    ASSERT_TRUE(added);
    auto cleanup = vx::scope_exit([&] { RemoveFrom(CERT_SYSTEM_STORE_CURRENT_USER, subject); });
    EXPECT_EQ(CertExists(subject.substr(3, 10).c_str()), 1) << "a part of the subject is enough";
    EXPECT_EQ(CertExists(L"VxTest No Such Subject"), 0);
}
