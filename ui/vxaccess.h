// What screen readers see of a skinned dialog: an MSAA IAccessible for its
// client area whose children are the dialog's accessible items (see
// CVxDlg::AccItems); UI Automation reads it through its MSAA bridge.
#pragma once

#include <windows.h>

class CVxDlg;

// The answer to WM_GETOBJECT for OBJID_CLIENT.
LRESULT AnswerGetObject(CVxDlg* dlg, WPARAM wParam);

// A default action a screen reader asked for, carried out on the window's
// thread: true when msg was one.
bool HandleAccessiblePress(CVxDlg* dlg, UINT msg, LPARAM lParam);
