#include "tests/win32/loaded_module.h"

#include <cstdio>
#include <cstdlib>

const LoadedModule& Plugin() {
  static const LoadedModule loaded = [] {
    LoadedModule result{LoadLibraryA("Brisdale.auf"), nullptr};
    if (result.module == nullptr) {
      std::fprintf(stderr, "LoadLibraryA(\"Brisdale.auf\") failed: error %lu\n", GetLastError());
      std::exit(2);
    }
    result.getFilterTable = reinterpret_cast<GetFilterTableFn>(
        reinterpret_cast<void*>(GetProcAddress(result.module, "GetFilterTable")));
    if (result.getFilterTable == nullptr) {
      std::fprintf(stderr, "Brisdale.auf has no export GetFilterTable\n");
      std::exit(2);
    }
    return result;
  }();
  return loaded;
}

namespace {
std::wstring Decode(UINT codePage, const char* bytes) {
  const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, -1, nullptr, 0);
  if (length <= 0) return L"<undecodable>";
  std::wstring text(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, -1, &text[0], length);
  text.resize(static_cast<size_t>(length - 1));  // drop the terminator
  return text;
}
}  // namespace

std::wstring FromCodePage932(const char* bytes) { return Decode(932, bytes); }
std::wstring FromUtf8(const char* text) { return Decode(CP_UTF8, text); }
