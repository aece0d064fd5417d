// Files, folders, their sizes and versions.
#include "util/vxutil.h"

#include "support/vxhandle.h"

#include <objbase.h>
#include <oleauto.h>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

namespace {

using vx::com_ptr;

// Scripting.FileSystemObject.
const CLSID kFileSystemObject = {
    0x0D43FE01, 0xF093, 0x11CF, {0x89, 0x40, 0x00, 0xA0, 0xC9, 0x05, 0x42, 0x28}};

class Variant {
public:
    Variant() { VariantInit(&m_v); }
    ~Variant() { VariantClear(&m_v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* get() { return &m_v; }

private:
    VARIANT m_v;
};

HRESULT invoke(IDispatch* object, const wchar_t* name, WORD kind, VARIANT* args, UINT argCount,
               VARIANT* result) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    DISPPARAMS params = {args, nullptr, argCount, 0};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, result, nullptr,
                          nullptr);
}

// The size of a folder's contents as the scripting runtime counts it.
unsigned long long folderSize(const wchar_t* path) {
    com_ptr<IDispatch> fso;
    if (FAILED(CoCreateInstance(kFileSystemObject, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(fso.put()))))
        return 0;
    BSTR name = SysAllocString(path);
    if (!name)
        return 0;
    Variant arg;
    V_VT(arg.get()) = VT_BSTR;
    V_BSTR(arg.get()) = name;
    Variant folder;
    if (FAILED(invoke(fso.get(), L"GetFolder", DISPATCH_METHOD, arg.get(), 1, folder.get())) ||
        V_VT(folder.get()) != VT_DISPATCH || !V_DISPATCH(folder.get()))
        return 0;
    Variant size;
    if (FAILED(invoke(V_DISPATCH(folder.get()), L"Size", DISPATCH_PROPERTYGET, nullptr, 0,
                      size.get())) ||
        FAILED(VariantChangeType(size.get(), size.get(), 0, VT_R8)) || V_R8(size.get()) < 0)
        return 0;
    return static_cast<unsigned long long>(V_R8(size.get()));
}

} // namespace

int isDir(const wchar_t* path) {
    if (!path)
        return 0;
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

long long FileSize(const wchar_t* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!path || !GetFileAttributesExW(path, GetFileExInfoStandard, &data))
        return 0;
    ULARGE_INTEGER size;
    size.LowPart = data.nFileSizeLow;
    size.HighPart = data.nFileSizeHigh;
    return static_cast<long long>(size.QuadPart);
}

int FileTime(const wchar_t* path, SYSTEMTIME* created, SYSTEMTIME* written, SYSTEMTIME* accessed) {
    if (!path)
        return 0;
    vx::unique_hfile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    FILETIME times[3];
    if (!file || !GetFileTime(file.get(), &times[0], &times[2], &times[1]))
        return 0;
    SYSTEMTIME* outs[3] = {created, written, accessed};
    for (int i = 0; i < 3; ++i) {
        FILETIME local;
        if (outs[i] &&
            (!FileTimeToLocalFileTime(&times[i], &local) || !FileTimeToSystemTime(&local, outs[i])))
            return 0;
    }
    return 1;
}

int CreateFolder(const wchar_t* path) {
    return path && CreateDirectoryW(path, nullptr) ? 1 : 0;
}

int CreateDirTree(const wchar_t* path) {
    if (!path)
        return 0;
    if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES)
        return 1;
    const std::wstring text(path);
    size_t last = text.find_last_of(L'\\');
    if (last == std::wstring::npos)
        return 1;
    // Each folder is named by the text up to the end of its component, so
    // leading separators (a UNC name) stay as written.
    for (size_t start = 0; start <= last;) {
        size_t end = text.find(L'\\', start);
        if (end == std::wstring::npos || end > last)
            end = last;
        if (end > start) {
            std::wstring dir = text.substr(0, end);
            if (GetFileAttributesW(dir.c_str()) == INVALID_FILE_ATTRIBUTES)
                CreateDirectoryW(dir.c_str(), nullptr);
        }
        start = end + 1;
    }
    return 1;
}

unsigned long long GetPathUseSpace(const wchar_t* path) {
    if (!path || !path[0])
        return 0;
    if (wcslen(path) == 3) {
        ULARGE_INTEGER available, total;
        if (!GetDiskFreeSpaceExW(path, &available, &total, nullptr))
            return 0;
        return total.QuadPart - available.QuadPart;
    }
    HRESULT init = CoInitialize(nullptr);
    unsigned long long size = folderSize(path);
    if (SUCCEEDED(init))
        CoUninitialize();
    return size;
}

int GetFileVer(const wchar_t* path, wchar_t* out) {
    if (!out)
        return 0;
    out[0] = L'\0';
    DWORD ignored = 0;
    DWORD length = path ? GetFileVersionInfoSizeW(path, &ignored) : 0;
    if (length == 0)
        return 0;
    std::vector<BYTE> data(length);
    void* value = nullptr;
    UINT valueLength = 0;
    if (!GetFileVersionInfoW(path, 0, length, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", &value, &valueLength) || !value ||
        valueLength < sizeof(VS_FIXEDFILEINFO))
        return 0;
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
    _snwprintf(out, MAX_PATH, L"%d.%d.%d.%d", HIWORD(info->dwFileVersionMS),
               LOWORD(info->dwFileVersionMS), HIWORD(info->dwFileVersionLS),
               LOWORD(info->dwFileVersionLS));
    out[MAX_PATH - 1] = L'\0';
    return 1;
}

int CompVersion(const wchar_t* a, const wchar_t* b) {
    if (!a || !b || !a[0] || !b[0])
        return -2;
    const wchar_t* texts[2] = {a, b};
    long parts[2][4] = {};
    for (int t = 0; t < 2; ++t) {
        const wchar_t* p = texts[t];
        for (int i = 0; i < 4 && p; ++i) {
            parts[t][i] = wcstol(p, nullptr, 10);
            p = wcschr(p, L'.');
            if (p)
                ++p;
        }
    }
    for (int i = 0; i < 4; ++i)
        if (parts[0][i] != parts[1][i])
            return parts[0][i] > parts[1][i] ? 1 : -1;
    return 0;
}

long long StrToIntSize(const wchar_t* text) {
    if (!text)
        return 0;
    const wchar_t* space = wcschr(text, L' ');
    if (!space)
        return 0;
    unsigned long long unit = 0;
    bool giga = false, mega = false, kilo = false;
    for (const wchar_t* p = text; *p; ++p) {
        wint_t c = towupper(*p);
        giga = giga || c == L'G';
        mega = mega || c == L'M';
        kilo = kilo || c == L'K';
    }
    if (giga)
        unit = 1024ull * 1024 * 1024;
    else if (mega)
        unit = 1024ull * 1024;
    else if (kilo)
        unit = 1024;
    long long number = _wcstoi64(std::wstring(text, space).c_str(), nullptr, 10);
    // Unsigned so that an absurd number wraps instead of overflowing.
    return static_cast<long long>(static_cast<unsigned long long>(number) * unit);
}

void IntToStrSize(long long size, wchar_t* out) {
    if (!out)
        return;
    const long long kb = 1024, mb = kb * 1024, gb = mb * 1024;
    if (size > gb)
        _snwprintf(out, MAX_PATH, L"%4.2f GB", static_cast<double>(size) / gb);
    else if (size > mb)
        _snwprintf(out, MAX_PATH, L"%4.2f MB", static_cast<double>(size) / mb);
    else if (size > kb)
        _snwprintf(out, MAX_PATH, L"%4.2f KB", static_cast<double>(size) / kb);
    else
        _snwprintf(out, MAX_PATH, L"%d B", static_cast<int>(static_cast<DWORD>(size)));
    out[MAX_PATH - 1] = L'\0';
}
