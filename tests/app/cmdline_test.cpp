// The uninstaller's switches, read from whole command lines.
#include "app/vxcmdline.h"

#include <gtest/gtest.h>

TEST(CommandLine, SwitchesAndWhatIsNotOne) {
    const struct {
        const wchar_t* line;
        bool silent;
        const wchar_t* log;
        const wchar_t* unknown;
    } cases[] = {
        {L"vxUninstall.exe", false, L"", L""},
        {L"\"C:\\Program Files\\Kelp\\vxUninstall.exe\" /S", true, L"", L""},
        {L"vxUninstall.exe -s", true, L"", L""},
        {L"vxUninstall.exe /LOG=C:\\x.log", false, L"C:\\x.log", L""},
        {L"vxUninstall.exe /S \"/log=C:\\日志 目录\\记录.log\"", true, L"C:\\日志 目录\\记录.log",
         L""},
        {L"vxUninstall.exe -Log=\"C:\\a b\\c.log\" /s", true, L"C:\\a b\\c.log", L""},
        {L"vxUninstall.exe /log=", false, L"", L"/log="},
        {L"vxUninstall.exe /S /x", true, L"", L"/x"},
        {L"vxUninstall.exe /silent", false, L"", L"/silent"},
        {L"vxUninstall.exe stray", false, L"", L"stray"},
        {L"vxUninstall.exe /", false, L"", L"/"},
        // Where the program's name ends: only blanks after it are no switch.
        {L"\"C:\\Program Files\\Kelp\\vxUninstall.exe\" \t ", false, L"", L""},
        {L"\"C:\\Program Files\\Kelp\\vxUninstall.exe\"/S", true, L"", L""},
        {L"C:\\Kelp\\vxUninstall.exe\t/S", true, L"", L""},
    };
    for (const auto& c : cases) {
        tagCommandLine cmd = ParseCommandLine(c.line);
        EXPECT_EQ(cmd.silent, c.silent) << c.line;
        EXPECT_EQ(cmd.logPath, c.log) << c.line;
        EXPECT_EQ(cmd.unknown, c.unknown) << c.line;
    }
}
