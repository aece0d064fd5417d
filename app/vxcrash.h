// The uninstaller's report and box for the crash handler, which lies below
// the report sender and the message box: the entry installs them with
// GetVxDump().SetHooks(SendCrashReport, ShowCrashBox).
#pragma once

// Starts the crash report to the vendor's API endpoint.
void SendCrashReport(const wchar_t* lpszReportName);
// The crash picture in a box owned by the main window, captioned with the
// application's name, that closes by itself after five seconds.
void ShowCrashBox();
