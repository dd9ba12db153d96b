#include "platform/win32_standin.h"

namespace {

std::vector<Win32Call> s_calls;
bool s_failCreation = false;
uintptr_t s_lastHandle = 0x1000;  // handles count up from here, never null

std::string BytesOf(LPCSTR text) { return text ? std::string(text) : std::string(); }

uintptr_t NewHandle() { return s_failCreation ? 0 : (s_lastHandle += 0x10); }

}  // namespace

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
  Win32Call call{Win32Function::CreateWindowExA, NewHandle()};
  call.exStyle = exStyle;
  call.className = BytesOf(className);
  call.windowName = BytesOf(windowName);
  call.style = style;
  call.x = x;
  call.y = y;
  call.width = width;
  call.height = height;
  call.parent = parent;
  call.menu = menu;
  call.instance = instance;
  call.param = param;
  s_calls.push_back(call);
  return reinterpret_cast<HWND>(call.result);
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                  DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                  DWORD outPrecision, DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily,
                  LPCSTR faceName) {
  Win32Call call{Win32Function::CreateFontA, NewHandle()};
  const int64_t arguments[13] = {height,    width,        escapement,    orientation, weight,
                                 italic,    underline,    strikeOut,     charSet,     outPrecision,
                                 clipPrecision, quality, pitchAndFamily};
  for (int i = 0; i < 13; ++i) call.fontArguments[i] = arguments[i];
  call.faceName = BytesOf(faceName);
  s_calls.push_back(call);
  return reinterpret_cast<HFONT>(call.result);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Win32Call call{Win32Function::SendMessageA, 0};
  call.window = window;
  call.message = message;
  call.wParam = wParam;
  call.lParam = lParam;
  s_calls.push_back(call);
  return 0;
}

BOOL DeleteObject(HGDIOBJ object) {
  Win32Call call{Win32Function::DeleteObject, object != nullptr};
  call.object = object;
  s_calls.push_back(call);
  return object != nullptr;
}

const std::vector<Win32Call>& Win32StandinCalls() { return s_calls; }

void Win32StandinReset() {
  s_calls.clear();
  s_failCreation = false;
}

void Win32StandinFailCreation(bool fail) { s_failCreation = fail; }
