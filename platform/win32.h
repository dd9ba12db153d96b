#pragma once
// The few Win32 names that the plug-in uses: window and font handles, the message
// parameters, CreateWindowExA, CreateFontA, SendMessageA and DeleteObject.
//
// The Windows build takes them from the toolchain's own <windows.h>. Every other
// build takes them from our stand-in, which records each call for the native tests,
// so the plug-in's code never knows which one it runs on.

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/win32_standin.h"
#endif
