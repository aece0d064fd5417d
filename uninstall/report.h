// Fire-and-forget reports to the vendor: one HTTP GET per report, on a
// thread of its own, carrying a type, a value, the per-user machine
// identifier and the tick count.
#pragma once

#include <cstddef>

// Handed from DoReport to the report thread, which frees it.
struct tagReportInfo {
    wchar_t szUrl[200];
    wchar_t szType[30];
    wchar_t szValue[100];
};

// The query an escaped value may take, terminator included.
const size_t kReportValueChars = 1024;
// The machine identifier: "VX", the tick count (up to 11 characters with a
// sign) and two five-digit numbers.
const size_t kUidChars = 24;

// Starts one report. Nothing happens without a URL (under 200 characters) or
// a type (under 30); a value of 100 or more characters is sent empty.
void DoReport(const wchar_t* lpszUrl, const wchar_t* lpszType, const wchar_t* lpszValue);
unsigned __stdcall ReportThread(void* lpParam);
// Waits until no report is on its way, at most timeoutMs; true when none is.
bool WaitForReports(unsigned timeoutMs);

// The machine identifier into out (kUidChars at least). With nPersist the
// one kept under HKCU\SOFTWARE\Tarnvel "UID" when it has exactly 20
// characters, else a fresh one, which is stored there.
void CreateUID(wchar_t* lpszOut, int nPersist);

// Escapes the text in place for a query, byte by byte of its UTF-8 form.
// Non-zero when escaped; 0 (text unchanged) when the result with its
// terminator would not fit kReportValueChars or the buffer's nChars.
int URLEncode(wchar_t* lpszText, size_t nChars);
