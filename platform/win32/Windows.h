#pragma once
// <windows.h> for the Win32 backends, without the macros that clash with the
// platform layer's own names (min/max, and the A/W aliases of functions that
// the layer names after their Win32 models).

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#undef OutputDebugString
#undef GetPrivateProfileInt
#undef WritePrivateProfileString
