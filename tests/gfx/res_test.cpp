// The embedded pictures of the built executable, and the resource access
// functions on the test program itself (which carries no resources), on an
// updated copy of it and on copies of the built executable.
#include "gfx/vxres.h"
#include "tests/support/copyrun.h"
#include "tests/support/testutil.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>
#include <algorithm>
// GDI+'s headers use the min and max that NOMINMAX takes away.
using std::max;
using std::min;
#include <gdiplus.h>
#include <cstdint>
#include <string>
#include <vector>

using namespace vxtest;

namespace {

const WORD kLangZhCn = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);

struct Pixels {
    UINT w = 0, h = 0;
    std::vector<uint32_t> argb;
    uint32_t alpha(UINT x, UINT y) const { return argb[y * w + x] >> 24; }
    uint32_t at(UINT x, UINT y) const { return argb[y * w + x]; }
};

// Decodes an image file's bytes with GDI+ into 32-bit ARGB.
bool Decode(const std::string& bytes, Pixels& out) {
    using namespace Gdiplus;
    using namespace Gdiplus::DllExports;
    GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (GdiplusStartup(&token, &input, nullptr) != Ok)
        return false;
    bool ok = false;
    vx::com_ptr<IStream> stream(SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                                                  static_cast<UINT>(bytes.size())));
    GpBitmap* bitmap = nullptr;
    if (stream && GdipCreateBitmapFromStream(stream.get(), &bitmap) == Ok) {
        GdipGetImageWidth(bitmap, &out.w);
        GdipGetImageHeight(bitmap, &out.h);
        Rect all(0, 0, static_cast<INT>(out.w), static_cast<INT>(out.h));
        BitmapData data = {};
        if (GdipBitmapLockBits(bitmap, &all, ImageLockModeRead, PixelFormat32bppARGB, &data) ==
            Ok) {
            out.argb.resize(static_cast<size_t>(out.w) * out.h);
            for (UINT y = 0; y < out.h; ++y)
                memcpy(&out.argb[y * out.w], static_cast<BYTE*>(data.Scan0) + y * data.Stride,
                       out.w * 4);
            GdipBitmapUnlockBits(bitmap, &data);
            ok = true;
        }
        GdipDisposeImage(bitmap);
    }
    GdiplusShutdown(token);
    return ok;
}

uint32_t BigEndian(const std::string& b, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) << 24 |
           static_cast<unsigned char>(b[at + 1]) << 16 |
           static_cast<unsigned char>(b[at + 2]) << 8 | static_cast<unsigned char>(b[at + 3]);
}

// A resource of a module loaded as data, in one language (0: neutral).
std::string ModuleResource(HMODULE module, int id, const wchar_t* type, WORD lang) {
    HRSRC info = FindResourceExW(module, type, MAKEINTRESOURCEW(id), lang);
    HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    return data ? std::string(data, SizeofResource(module, info)) : std::string();
}

vx::unique_hmodule LoadAsData(const std::wstring& exe) {
    return vx::unique_hmodule(LoadLibraryExW(
        exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD lang, LONG_PTR param) {
    reinterpret_cast<std::vector<WORD>*>(param)->push_back(lang);
    return TRUE;
}

std::vector<WORD> Languages(HMODULE module, int id, const wchar_t* type) {
    std::vector<WORD> langs;
    EnumResourceLanguagesW(module, type, MAKEINTRESOURCEW(id), AddLanguage,
                           reinterpret_cast<LONG_PTR>(&langs));
    std::sort(langs.begin(), langs.end());
    return langs;
}

// The data resource the updated test program carries: odd length, zeros.
std::string Blob() {
    std::string b(1001, '\0');
    for (size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<char>((i * 7) % 251);
    return b;
}

// Runs the current test in the program copy, its output to log and *output.
int RunCapturing(const std::wstring& copy, const std::wstring& log, std::string* output) {
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    vx::unique_hfile out(
        CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr));
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    std::wstring cmd =
        L"\"" + copy + L"\" --gtest_filter=" + std::wstring(name.begin(), name.end());
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = out.get();
    PROCESS_INFORMATION pi = {};
    if (!out ||
        !CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, L"C:\\", &si, &pi))
        return -1;
    vx::unique_handle process(pi.hProcess), thread(pi.hThread);
    out.reset();
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.get(), 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.get(), &code);
    else
        TerminateProcess(process.get(), code);
    // Wine may close the child's handles a moment after the process ends:
    // read beside a writer that is still open.
    vx::unique_hfile in(CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    char buf[4096];
    DWORD got = 0;
    while (in && ReadFile(in.get(), buf, sizeof(buf), &got, nullptr) && got > 0)
        output->append(buf, got);
    return static_cast<int>(code);
}

const wchar_t kBlobType[] = L"VXDATA";
const int kBlobId = 4660;

} // namespace

TEST(EmbeddedImages, EveryPictureHasItsSizeAlphaAndStretchableMiddle) {
    // Columns (and for the dialog rows) that the split drawing stretches
    // must not vary, or the stretch smears them.
    struct Picture {
        int id;
        UINT w, h, frames, capH, capV;
    };
    const Picture pictures[] = {
        {kImgButton, 69, 21, 1, 2, 0},     {kImgButton + 1, 69, 21, 1, 2, 0},
        {kImgButton + 2, 69, 21, 1, 2, 0}, {kImgButton + 3, 69, 21, 1, 2, 0},
        {kImgButton + 4, 69, 21, 1, 2, 0}, {kImgClose, 38, 18, 1, 0, 0},
        {kImgClose + 1, 38, 18, 1, 0, 0},  {kImgClose + 2, 38, 18, 1, 0, 0},
        {kImgProgress, 279, 23, 1, 0, 0},  {kImgEraser, 137, 157, 1, 0, 0},
        {kImgDialog, 186, 150, 1, 3, 30},  {kImgCard, 437, 141, 1, 0, 0},
        {kImgMsgInfo, 32, 32, 1, 0, 0},    {kImgMsgQuestion, 32, 32, 1, 0, 0},
        {kImgCrash, 256, 80, 1, 0, 0},     {kImgCancel, 87, 29, 3, 8, 0},
        {kImgUninstall, 87, 29, 3, 8, 0},
    };
    vx::unique_hmodule exe = LoadAsData(BuiltUninstaller());
    ASSERT_TRUE(exe) << GetLastError();
    for (const Picture& p : pictures) {
        SCOPED_TRACE(p.id);
        std::string png = ModuleResource(exe.get(), p.id, L"IMG", kLangZhCn);
        ASSERT_GT(png.size(), 33u);
        // 8-bit RGBA: bit depth 8, colour type 6 in the header chunk.
        EXPECT_EQ(png.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0);
        EXPECT_EQ(BigEndian(png, 16), p.w);
        EXPECT_EQ(BigEndian(png, 20), p.h);
        EXPECT_EQ(png[24], 8);
        EXPECT_EQ(png[25], 6);

        Pixels px;
        ASSERT_TRUE(Decode(png, px));
        ASSERT_EQ(px.w, p.w);
        ASSERT_EQ(px.h, p.h);
        UINT fw = p.w / p.frames;
        for (UINT f = 0; f < p.frames; ++f) {
            SCOPED_TRACE(f);
            UINT x0 = f * fw;
            EXPECT_LT(px.alpha(x0, 0), 255u) << "corners are rounded or cut off";
            bool opaque = false;
            for (UINT y = 0; y < p.h; ++y) {
                for (UINT x = x0; x < x0 + fw; ++x)
                    opaque = opaque || px.alpha(x, y) == 255;
                for (UINT x = x0 + p.capH; p.capH && x < x0 + fw - p.capH; ++x)
                    ASSERT_EQ(px.at(x, y), px.at(x0 + p.capH, y)) << x << "," << y;
            }
            EXPECT_TRUE(opaque);
            for (UINT y = p.capV; p.capV && y < p.h - p.capV; ++y)
                for (UINT x = x0; x < x0 + fw; ++x)
                    ASSERT_EQ(px.at(x, y), px.at(x, p.capV)) << x << "," << y;
        }
    }
}

TEST(VxRes, AbsentResourcesGiveNothing) {
    // The test program links no resource script.
    ScratchDir dir(L"res-absent");
    unsigned char buf[4] = {1, 2, 3, 4};
    EXPECT_EQ(VxResSize(kImgDialog, L"IMG"), 0u);
    EXPECT_EQ(VxResGetStream(kImgDialog, L"IMG"), nullptr);
    EXPECT_EQ(VxResGetBuff(kImgDialog, L"IMG", buf), 0);
    EXPECT_EQ(buf[0] + buf[1] + buf[2] + buf[3], 10) << "buffer untouched";
    EXPECT_EQ(VxResSave(kImgDialog, L"IMG", (dir / L"x.png").c_str()), 0);
    EXPECT_FALSE(FileExists(dir / L"x.png"));
    EXPECT_EQ(VxResSize(kImgDialog, nullptr), 0u);
}

TEST(VxRes, ServesTheResourcesOfItsOwnModule) {
    if (!InScratchCopy()) {
        // Resources written into a copy of this program, read back by the copy.
        ScratchDir dir(L"res-own");
        std::wstring self = ModuleFile();
        std::wstring copy = dir / self.substr(self.find_last_of(L'\\') + 1);
        ASSERT_TRUE(CopyFileW(self.c_str(), copy.c_str(), FALSE));
        vx::unique_hmodule exe = LoadAsData(BuiltUninstaller());
        std::string png = ModuleResource(exe.get(), kImgDialog, L"IMG", kLangZhCn);
        ASSERT_FALSE(png.empty());
        ASSERT_EQ(VxResUpdate2(copy.c_str(), kImgDialog, L"IMG", png.data(),
                               static_cast<int>(png.size())),
                  1);
        std::string blob = Blob();
        ASSERT_EQ(VxResUpdate2(copy.c_str(), kBlobId, kBlobType, blob.data(),
                               static_cast<int>(blob.size())),
                  1);
        std::string output;
        EXPECT_EQ(RunCapturing(copy, dir / L"out.txt", &output), 0) << output;
        EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
        return;
    }
    std::string blob = Blob();
    DWORD size = VxResSize(kBlobId, kBlobType);
    ASSERT_EQ(size, blob.size());
    EXPECT_EQ(VxResSize(kBlobId + 0x10000, kBlobType), size) << "low 16 bits";
    std::string buf(size, '\0');
    ASSERT_EQ(VxResGetBuff(kBlobId + 0x30000, kBlobType, &buf[0]), 1);
    EXPECT_EQ(buf, blob);

    vx::com_ptr<IStream> stream(VxResGetStream(kBlobId, kBlobType));
    ASSERT_TRUE(stream);
    STATSTG st = {};
    ASSERT_EQ(stream.get()->Stat(&st, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(st.cbSize.QuadPart, size) << "exactly the resource, no slack";
    std::string read(size + 10, '\0');
    ULONG got = 0;
    stream.get()->Read(&read[0], size + 10, &got);
    read.resize(got);
    EXPECT_EQ(read, blob) << "from position 0";

    ScratchDir out(L"res-save");
    EXPECT_EQ(VxResSave(kBlobId, kBlobType, (out / L"blob.bin").c_str()), 1);
    EXPECT_EQ(ReadFileBytes(out / L"blob.bin"), blob);
    EXPECT_EQ(VxResSave(kBlobId, kBlobType, (out / L"no\\such\\blob.bin").c_str()), 0)
        << "a failed write is not a success";

    // A PNG resource decodes from its stream.
    vx::com_ptr<IStream> img(VxResGetStream(kImgDialog, L"IMG"));
    ASSERT_TRUE(img);
    std::string png(VxResSize(kImgDialog, L"IMG"), '\0');
    ASSERT_EQ(VxResGetBuff(kImgDialog, L"IMG", &png[0]), 1);
    Pixels px;
    ASSERT_TRUE(Decode(png, px));
    EXPECT_EQ(px.w, 186u);
    EXPECT_EQ(px.h, 150u);
}

TEST(VxRes, UpdatesCopiesOfTheUninstallerOnly) {
    ScratchDir dir(L"res-update");
    std::wstring copy = dir / L"vxUninstall.exe";
    ASSERT_TRUE(CopyFileW(BuiltUninstaller().c_str(), copy.c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(dir / L"new.png", "fresh picture bytes"));
    EXPECT_EQ(VxResUpdate(copy.c_str(), 60099, L"IMG", (dir / L"new.png").c_str()), 1);
    // Neutral language: the 2052 picture stays and a second one joins it.
    EXPECT_EQ(VxResUpdate2(copy.c_str(), kImgDialog + 0x10000, L"IMG", "ab", 2), 1);

    std::string before = ReadFileBytes(copy);
    EXPECT_EQ(VxResUpdate(copy.c_str(), 60099, L"IMG", (dir / L"missing.png").c_str()), 0);
    EXPECT_EQ(VxResUpdate2(copy.c_str(), 60099, L"IMG", "ab", -1), 0);
    EXPECT_EQ(ReadFileBytes(copy), before) << "failed updates leave the file";
    {
        vx::unique_hmodule exe = LoadAsData(copy);
        ASSERT_TRUE(exe);
        EXPECT_EQ(ModuleResource(exe.get(), 60099, L"IMG", 0), "fresh picture bytes");
        EXPECT_EQ(ModuleResource(exe.get(), kImgDialog, L"IMG", 0), "ab");
        EXPECT_EQ(Languages(exe.get(), kImgDialog, L"IMG"), (std::vector<WORD>{0, kLangZhCn}));
        EXPECT_EQ(ModuleResource(exe.get(), kImgCard, L"IMG", kLangZhCn).size(),
                  ModuleResource(LoadAsData(BuiltUninstaller()).get(), kImgCard, L"IMG", kLangZhCn)
                      .size());
    }

    for (const std::string& bytes : {std::string("MZ not a program"), std::string()}) {
        ASSERT_TRUE(WriteFileBytes(dir / L"notes.txt", bytes));
        EXPECT_EQ(VxResUpdate2((dir / L"notes.txt").c_str(), 1, L"IMG", "ab", 2), 0);
        EXPECT_EQ(ReadFileBytes(dir / L"notes.txt"), bytes);
    }
}

TEST(VxRes, ReadAndWriteWholeFiles) {
    ScratchDir dir(L"res-files");
    std::wstring path = dir / L"ten.bin";
    ASSERT_EQ(VxWriteFile(path.c_str(), "0123456789", 10), 1);
    ASSERT_EQ(VxWriteFile(path.c_str(), "\r\n\0x", 4), 1) << "truncates, untranslated";
    EXPECT_EQ(ReadFileBytes(path), std::string("\r\n\0x", 4));
    ASSERT_EQ(VxWriteFile(path.c_str(), "0123456789", 10), 1);

    char buf[32] = {};
    DWORD size = sizeof(buf);
    EXPECT_EQ(VxReadFile(path.c_str(), buf, &size), 1);
    EXPECT_EQ(size, 10u) << "more room than the file: the file's length";
    EXPECT_EQ(std::string(buf, size), "0123456789");
    size = 4;
    EXPECT_EQ(VxReadFile(path.c_str(), buf, &size), 1);
    EXPECT_EQ(size, 4u);
    size = 0;
    EXPECT_EQ(VxReadFile(path.c_str(), nullptr, &size), 1);
    EXPECT_EQ(size, 0u);
    size = 4;
    EXPECT_EQ(VxReadFile((dir / L"missing").c_str(), buf, &size), 0);
    EXPECT_EQ(VxWriteFile((dir / L"no\\such\\file").c_str(), "x", 1), 0);
}

TEST(VxRes, StringWidthFollowsTextAndFont) {
    auto font = [](int height) {
        return CreateFontW(-height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                           L"Tahoma");
    };
    HFONT small = font(12), large = font(36);
    int narrow = VxGetStrWidth(L"iiii", nullptr, small);
    int wide = VxGetStrWidth(L"WWWW", nullptr, small);
    EXPECT_GT(narrow, 0);
    EXPECT_GT(wide, narrow);
    EXPECT_GT(VxGetStrWidth(L"WWWW", nullptr, large), 2 * wide);
    EXPECT_EQ(VxGetStrWidth(L"", nullptr, small), 0);
    DeleteObject(small);
    DeleteObject(large);
}
