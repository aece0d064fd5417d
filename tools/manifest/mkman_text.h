// Text for vxmkman: UTF-16 names written out as UTF-8, files read whole,
// and the messages a verb gives on bad input.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// The exit codes of every verb.
enum MkmanExit { kExitFine = 0, kExitRefused = 1, kExitUsage = 2 };

// UTF-16 as UTF-8. A lone surrogate becomes U+FFFD, or with json set the
// escape "\uXXXX" (JSON strings also get '"', '\' and control characters
// escaped). Without json, control characters are written as "\uXXXX" too,
// so a name cannot break a line of the text output.
std::string ToUtf8(const std::wstring& text, bool json = false);

// Strict UTF-8 to UTF-16; false on any invalid sequence.
bool FromUtf8(const std::string& bytes, std::wstring& out);

// Writes text (UTF-16) to a stream as UTF-8.
void Print(FILE* f, const std::wstring& text);

// "vxmkman VERB: message" on stderr; returns kExitUsage for the caller to
// return.
int UsageError(const wchar_t* verb, const std::wstring& message);

// The whole file; false when it cannot be read.
bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>& out);

// A field of N characters as text: up to its terminator or its end.
template <size_t N> std::wstring FieldString(const wchar_t (&field)[N]) {
    size_t n = 0;
    while (n < N && field[n])
        ++n;
    return std::wstring(field, n);
}

// The bitness of a Windows program from its PE header; 0 when it is not
// there or not a program of either machine type.
int ProgramBits(const std::wstring& exe);

// True for "--help", "-h" and "/?".
bool isHelpArg(const wchar_t* arg);
