// Ten thousand mutated and truncated manifests through the reader and the
// code that uses its fields: nothing crashes, hangs, or touches memory past
// a field (records sit against an inaccessible page while they are used).
#include "tests/support/testutil.h"
#include "tools/manifest/manifest_writer.h"
#include "uninstall/clearscript.h"
#include "uninstall/manifest.h"
#include "uninstall/pathguard.h"

#include <gtest/gtest.h>
#include <cstring>
#include <random>

using namespace vxtest;

namespace {

// A T placed so that its last byte is the last byte of a page, followed by a
// page that faults on any access.
template <typename T> class Guarded {
public:
    Guarded() {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        m_page = si.dwPageSize;
        m_base = static_cast<char*>(
            VirtualAlloc(nullptr, 2 * m_page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(m_base + m_page, m_page, PAGE_NOACCESS, &old);
    }
    ~Guarded() { VirtualFree(m_base, 0, MEM_RELEASE); }
    T& get() { return *reinterpret_cast<T*>(m_base + m_page - sizeof(T)); }

private:
    char* m_base;
    DWORD m_page;
};

template <size_t N> void CheckField(const wchar_t (&f)[N]) {
    wchar_t shown[N + 1];
    CopyFieldForDisplay(f, shown, N + 1);
    ASSERT_LT(wcslen(shown), N + 1);
    if (const wchar_t* t = FieldText(f)) {
        wchar_t joined[MAX_PATH];
        JoinPath(joined, t, L"*.*");
        isFullyQualified(t);
    }
}

std::vector<unsigned char> Mutate(std::vector<unsigned char> b, std::mt19937& rng) {
    auto pick = [&](size_t n) {
        return n ? std::uniform_int_distribution<size_t>(0, n - 1)(rng) : 0;
    };
    const int counts[] = {0, 1, -1, 2, 1000, 0x7fffffff, int(0x80000000), 0x10000};
    switch (pick(5)) {
    case 0: // flip bytes
        for (size_t i = 0, n = 1 + pick(16); i < n && !b.empty(); ++i)
            b[pick(b.size())] ^= static_cast<unsigned char>(1 + pick(255));
        break;
    case 1: // truncate anywhere
        b.resize(pick(b.size() + 1));
        break;
    case 2: // overwrite a count-sized word at a record boundary or anywhere
        if (b.size() >= 4) {
            size_t at =
                pick(2) ? std::min<size_t>(760 + 524 * pick(4), b.size() - 4) : pick(b.size() - 3);
            int v = counts[pick(std::size(counts))];
            memcpy(&b[at], &v, 4);
        }
        break;
    case 3: // remove every terminator from a stretch (fields with no end)
        for (size_t i = pick(b.size()), n = pick(600); i + 1 < b.size() && n; i += 2, --n)
            if (b[i] == 0 && b[i + 1] == 0)
                b[i] = 'A';
        break;
    default: // append garbage
        for (size_t n = pick(1200); n; --n)
            b.push_back(static_cast<unsigned char>(pick(256)));
        break;
    }
    return b;
}

} // namespace

TEST(ManifestFuzz, TenThousandMutatedManifests) {
    ScratchDir dir(L"fuzz");
    std::wstring path = dir / L"vxUninstall.dat";
    std::mt19937 rng(20261207);
    const std::vector<std::vector<unsigned char>> bases = {
        BuildManifest(MakeManifestHeader(L"Key", L"产品", L"Group", L""),
                      {MakeManifestItem(0, L"C:\\vxtest\\never\\"), MakeManifestItem(1, L"C:\\x")},
                      {MakeManifestItem(1, L"C:\\s.lnk")}),
        BuildManifest(MakeManifestHeader(L"K", L"P", L"G", L"C:\\vxtest\\never\\"), {},
                      {MakeManifestItem(1, L"C:\\a.lnk"), MakeManifestItem(1, L"C:\\b.lnk")}),
        BuildManifest(MakeManifestHeader(std::wstring(100, L'k'), std::wstring(50, L'n'),
                                         std::wstring(30, L'g'), L""),
                      {MakeManifestItem(0, std::wstring(260, L'p'))}, {}),
    };
    Guarded<tagUninstallHeader> header;
    Guarded<tagUninstallItem> item;
    std::vector<tagUninstallItem> entries, shortcuts;

    for (int i = 0; i < 10000; ++i) {
        auto bytes = Mutate(bases[i % bases.size()], rng);
        if (i % 7 == 0)
            bytes = Mutate(bytes, rng);
        ASSERT_TRUE(WriteFileBytes(path, std::string(bytes.begin(), bytes.end())));
        memset(&header.get(), 0, sizeof(tagUninstallHeader));
        ASSERT_TRUE(ReadManifestFile(path.c_str(), header.get(), entries, shortcuts));

        // Every record the file did not hold in full is empty or dropped.
        size_t records = bytes.size() / sizeof(tagUninstallItem) + 2;
        ASSERT_LE(entries.size() + shortcuts.size(), records) << "case " << i;
        for (const auto& e : entries) {
            ASSERT_NE(e.szPath[0], L'\0') << "case " << i;
            ASSERT_NE(FieldText(e.szPath), nullptr) << "case " << i;
        }
        for (const auto& s : shortcuts)
            ASSERT_NE(FieldText(s.szPath), nullptr) << "case " << i;

        const tagUninstallHeader& h = header.get();
        CheckField(h.szUninstallKey);
        CheckField(h.szProductName);
        CheckField(h.szProgramGroup);
        CheckField(h.szInstallDir);
        for (const auto* list : {&entries, &shortcuts})
            for (const auto& e : *list) {
                item.get() = e;
                CheckField(item.get().szPath);
            }
        if (const wchar_t* d = FieldText(h.szInstallDir)) {
            std::string text;
            char script[1024];
            if (*d && BatchPath(d, 437, L"VX_FUZZ_DIR", text))
                FormatClearScript("C:\\x.exe", text.c_str(), 1, script, sizeof(script));
        }
        wchar_t shown[50];
        CopyFieldForDisplay(h.szProductName, shown, std::size(shown));
        ASSERT_LT(wcslen(shown), 50u);
    }
}
