// Everything the library offers other programs is exported from the
// executable under its own name.
#pragma once

#define VX_API __declspec(dllexport)
