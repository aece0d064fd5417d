// Fire-and-forget reports to the vendor: one HTTP GET per report, on a
// thread of its own, carrying a type, a value, the per-user machine
// identifier and the tick count.
#pragma once

// Handed from DoReport to the report thread, which frees it.
struct tagReportInfo {
    wchar_t szUrl[200];
    wchar_t szType[30];
    wchar_t szValue[100];
};

// Starts one report. Nothing happens without a URL (under 200 characters) or
// a type (under 30); a value of 100 or more characters is sent empty.
void DoReport(const wchar_t* lpszUrl, const wchar_t* lpszType, const wchar_t* lpszValue);
unsigned __stdcall ReportThread(void* lpParam);
// Waits until no report is on its way, at most timeoutMs; true when none is.
bool WaitForReports(unsigned timeoutMs);
