#pragma once
// The module's only export, for hosts that link the plug-in in (the native build).
// A Windows host finds it by name with GetProcAddress instead.

#include "host/filter_host.h"

extern "C" FilterTable* HOST_EXPORT_CALL GetFilterTable();
