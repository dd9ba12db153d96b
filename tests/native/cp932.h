#pragma once
// UTF-8 to code page 932, through the C library's iconv.
#include <iconv.h>

#include <string>

inline std::string ToCodePage932(const std::string& utf8) {
  iconv_t converter = iconv_open("CP932", "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return "<no CP932 converter>";
  std::string out(utf8.size() * 2 + 4, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* outPtr = &out[0];
  size_t outLeft = out.size();
  const size_t converted = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
  iconv_close(converter);
  if (converted == static_cast<size_t>(-1)) return "<not representable in CP932>";
  out.resize(out.size() - outLeft);
  return out;
}
