#pragma once
// Native stand-in for the handful of Win32 window and GDI services the plug-in calls.
//
// It keeps the Win32 names, types and values, so the plug-in's source is the same on
// both builds. Each call is appended to a log with all of its arguments, and handles
// are fresh non-null values (or null, when creation is set to fail), so the native
// tests can check exactly what the plug-in asked of Windows.
// Not thread-safe: the plug-in's window procedure runs on one thread.

#include <cstdint>
#include <string>
#include <vector>

struct HWND__;
struct HFONT__;
struct HINSTANCE__;
struct HMENU__;
using HWND = HWND__*;
using HFONT = HFONT__*;
using HINSTANCE = HINSTANCE__*;
using HMENU = HMENU__*;
using HGDIOBJ = void*;
using LPVOID = void*;
using LPCSTR = const char*;
using BOOL = int;
using UINT = unsigned int;
using DWORD = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

#define WINAPI

constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_USER = 0x0400;

constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;

constexpr int FW_MEDIUM = 500;
constexpr DWORD SHIFTJIS_CHARSET = 128;
constexpr DWORD OUT_DEFAULT_PRECIS = 0;
constexpr DWORD CLIP_DEFAULT_PRECIS = 0;
constexpr DWORD PROOF_QUALITY = 2;
constexpr DWORD DEFAULT_PITCH = 0;
constexpr DWORD FF_MODERN = 0x30;

constexpr uint16_t LOWORD(uintptr_t value) { return static_cast<uint16_t>(value & 0xFFFF); }

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param);
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                  DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                  DWORD outPrecision, DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily,
                  LPCSTR faceName);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL DeleteObject(HGDIOBJ object);

// ---- The record of calls, for tests -------------------------------------------------

enum class Win32Function { CreateWindowExA, CreateFontA, SendMessageA, DeleteObject };

struct Win32Call {
  Win32Function function;
  uintptr_t result;  // the handle or value returned to the caller

  // CreateWindowExA
  DWORD exStyle = 0;
  std::string className;   // bytes as passed; empty for a null pointer
  std::string windowName;  // bytes as passed, code page 932 for the captions
  DWORD style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  HWND parent = nullptr;
  HMENU menu = nullptr;  // carries the control identifier for a child window
  HINSTANCE instance = nullptr;
  LPVOID param = nullptr;

  // CreateFontA: the 13 numeric arguments in order, then the face name's bytes
  int64_t fontArguments[13] = {};
  std::string faceName;

  // SendMessageA
  HWND window = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;

  // DeleteObject
  HGDIOBJ object = nullptr;
};

// Every call since the last reset, in order.
const std::vector<Win32Call>& Win32StandinCalls();
// Forgets the calls; creation succeeds again.
void Win32StandinReset();
// While set, CreateWindowExA and CreateFontA return null, as Windows does on failure.
void Win32StandinFailCreation(bool fail);
