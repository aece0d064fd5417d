// The executable's embedded resources ("IMG" pictures and other data) as
// streams, copies and files; writing resources into another executable;
// whole-file reads and writes; the pixel width of a text.
//
// A resource is named by an integer identifier (only its low 16 bits count,
// as with MAKEINTRESOURCE) and a type string, and is looked up in the
// running executable's own module. Integer results are 1 for success and 0
// for failure unless stated.
#pragma once

#include "res/resource.h"
#include "support/vxapi.h"

#include <windows.h>
#include <objidl.h>
#include <cstddef>

// Identifiers of the executable's "IMG" pictures: see res/resource.h.
enum VxImageId {
    kImgButton = IDB_BUTTON,
    kImgClose = IDB_CLOSE,
    kImgProgress = IDB_PROGRESS,
    kImgEraser = IDB_ERASER,
    kImgCheckBox = IDB_CHECKBOX,
    kImgDialog = IDB_DIALOG,
    kImgCard = IDB_CARD,
    kImgMsgInfo = IDB_MSG_INFO,
    kImgMsgQuestion = IDB_MSG_QUESTION,
    kImgCrash = IDB_CRASH,
    kImgCancel = IDB_CANCEL,
    kImgUninstall = IDB_UNINSTALL,
};

// A stream over a private copy of the resource, positioned at 0; the
// caller releases it. Null when the resource is absent.
VX_CAPI IStream* VxResGetStream(int id, const wchar_t* type);
// Copies the whole resource into buffer, which holds VxResSize bytes. An
// absent resource leaves buffer untouched.
VX_CAPI int VxResGetBuff(int id, const wchar_t* type, void* buffer);
// The resource's size in bytes; 0 when absent.
VX_CAPI DWORD VxResSize(int id, const wchar_t* type);
// Writes the resource's bytes to path: 1 when both the resource was found
// and the file was written.
VX_CAPI int VxResSave(int id, const wchar_t* type, const wchar_t* path);

// Adds resource (type, id) in the neutral language to the executable file,
// or replaces it there; other languages of it stay. 0 when file is not an
// executable, size is negative or the update cannot be written.
VX_CAPI int VxResUpdate2(const wchar_t* file, int id, const wchar_t* type, const void* data,
                         int size);
// The same with the bytes of sourcePath.
VX_CAPI int VxResUpdate(const wchar_t* file, int id, const wchar_t* type,
                        const wchar_t* sourcePath);

// Reads at most *size bytes of path into buffer and sets *size to the count
// read. 0 when the file cannot be opened or read.
VX_CAPI int VxReadFile(const wchar_t* path, void* buffer, DWORD* size);
// Creates or truncates path and writes size bytes; 0 unless all were written.
VX_CAPI int VxWriteFile(const wchar_t* path, const void* data, DWORD size);

// Width in pixels of text drawn with font on the window's device context
// (the screen's when window is null); 0 without a device context.
VX_CAPI int VxGetStrWidth(const wchar_t* text, HWND window, HFONT font);

namespace vx {

// A new stream over a private copy of size bytes, positioned at 0; the
// stream frees its copy when released. Null when memory runs out.
IStream* CreateMemStream(const void* data, size_t size);

} // namespace vx
