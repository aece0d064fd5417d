// Identifiers of the executable's resources, shared by vxUninstall.rc and
// the code. Plain macros: the resource compiler reads them too.
#pragma once

#define IDI_VXUNINSTALL 107

// "IMG" pictures (language 2052, RGBA PNG), sizes at 96 DPI.
#define IDB_BUTTON 60001       // 69 x 21, default push button, + state, five states
#define IDB_CLOSE 60006        // 38 x 18, message box close: normal, +1 hover, +2 pressed
#define IDB_PROGRESS 60026     // 279 x 23, pink progress strip
#define IDB_ERASER 60027       // 137 x 157, eraser of the progress page
#define IDB_CHECKBOX 60036     // check box, + state; not among this executable's pictures
#define IDB_DIALOG 60051       // 186 x 150, dialog background (3-pixel caps, 30-pixel bands)
#define IDB_CARD 60052         // 437 x 141, main window card
#define IDB_MSG_INFO 60056     // 32 x 32, message box with OK only
#define IDB_MSG_QUESTION 60057 // 32 x 32, message box with OK and Cancel
#define IDB_CRASH 60061        // 256 x 80, crash message
#define IDB_CANCEL 60073       // 87 x 29, three 29 x 29 state frames
#define IDB_UNINSTALL 60074    // 87 x 29, three 29 x 29 state frames
