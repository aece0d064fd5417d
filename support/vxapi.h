// Everything the library offers other programs is exported from the
// executable under its own name: classes with their C++ names, the free
// utility functions with plain C names, so GetProcAddress finds them as
// written.
#pragma once

#define VX_API __declspec(dllexport)

#ifdef __cplusplus
#define VX_CAPI extern "C" __declspec(dllexport)
#else
#define VX_CAPI __declspec(dllexport)
#endif
