#include "app/vxcmdline.h"

#include "support/vxhandle.h"

#include <windows.h>
#include <shellapi.h>
#include <cwchar>

namespace {

bool isSameWord(const std::wstring& a, const wchar_t* b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

// Whether anything but blanks follows the program's name, which runs to its
// closing quote when it starts with one, else to the first blank. The usual
// start, the name alone, is then told without loading shell32.
bool HasArguments(const wchar_t* commandLine) {
    const wchar_t* p = commandLine;
    if (*p == L'"') {
        p = wcschr(p + 1, L'"');
        if (!p)
            return false;
        ++p;
    } else {
        p += wcscspn(p, L" \t");
    }
    return p[wcsspn(p, L" \t")] != L'\0';
}

} // namespace

tagCommandLine ParseCommandLine(const wchar_t* commandLine) {
    tagCommandLine out;
    int argc = 0;
    LPWSTR* argv =
        commandLine && HasArguments(commandLine) ? CommandLineToArgvW(commandLine, &argc) : nullptr;
    auto release = vx::scope_exit([&] { LocalFree(argv); });
    for (int i = 1; i < argc && out.unknown.empty(); ++i) {
        const std::wstring arg = argv[i];
        const std::wstring name =
            arg.size() > 1 && (arg[0] == L'/' || arg[0] == L'-') ? arg.substr(1) : std::wstring();
        const size_t eq = name.find(L'=');
        if (isSameWord(name, L"S"))
            out.silent = true;
        else if (eq != std::wstring::npos && isSameWord(name.substr(0, eq), L"log") &&
                 eq + 1 < name.size())
            out.logPath = name.substr(eq + 1);
        else
            out.unknown = arg;
    }
    return out;
}
