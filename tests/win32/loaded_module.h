#pragma once
// Brisdale.auf, loaded once for the whole test program the way a host loads it.
#include <windows.h>

#include <string>

#include "host/filter_host.h"

struct LoadedModule {
  HMODULE module;
  GetFilterTableFn getFilterTable;
};

const LoadedModule& Plugin();

// Code-page-932 bytes as the host shows them, decoded by Windows itself.
std::wstring FromCodePage932(const char* bytes);
// The tests' UTF-8 texts, decoded by Windows.
std::wstring FromUtf8(const char* text);
