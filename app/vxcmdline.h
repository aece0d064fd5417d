// The uninstaller's switches: "/S" for a silent run, "/log=PATH" for a copy
// of the run's record; "-" may stand for "/", and case does not matter.
#pragma once

#include <string>

struct tagCommandLine {
    bool silent = false;
    std::wstring logPath;
    std::wstring unknown; // the first argument that is no known switch
};

// The switches of a whole command line (the program's name first, as
// GetCommandLineW gives it).
tagCommandLine ParseCommandLine(const wchar_t* commandLine);
