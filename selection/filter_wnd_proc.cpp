// The settings window's procedure: adds the start and end buttons with their font,
// and turns a press into a pending request that the next FilterProc call carries out.
//
// A press never touches the sound or the selection: it only sets a flag and asks the
// host, through IsFilterActive's answer, to process the current frame again.
// No Win32 result is examined: a button or font that failed to be created stays a
// null handle, and messages sent to a null window have no effect.

#include "selection/filter_wnd_proc.h"

#include <cstdint>

#include "selection/request_flags.h"

namespace {

// Module-wide, null at load; overwritten by every MSG_WINDOW_INIT.
HWND startButton = nullptr;
HWND endButton = nullptr;
HFONT buttonFont = nullptr;  // created on MSG_WINDOW_INIT, deleted on MSG_WINDOW_EXIT

// Captions and face name, code page 932. Every byte is escaped, so no escape can
// swallow a following hex digit.
constexpr const char kStartCaption[] =  // "選択開始フレームを変更"
    "\x91\x49\x91\xf0\x8a\x4a\x8e\x6e\x83\x74\x83\x8c\x81\x5b\x83\x80\x82\xf0\x95\xcf\x8d\x58";
constexpr const char kEndCaption[] =  // "選択終了フレームを変更"
    "\x91\x49\x91\xf0\x8f\x49\x97\xb9\x83\x74\x83\x8c\x81\x5b\x83\x80\x82\xf0\x95\xcf\x8d\x58";
constexpr const char kFontFace[] =  // "ＭＳ Ｐゴシック"
    "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";
static_assert(sizeof kStartCaption == 23 && sizeof kEndCaption == 23, "11 double-byte characters");
static_assert(sizeof kFontFace == 16, "15 bytes before the terminator");

// Plain push buttons: no other style bit, so they take no tab stop.
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE;
constexpr int kButtonX = 10;
constexpr int kStartButtonY = 100;
constexpr int kEndButtonY = 130;
constexpr int kButtonWidth = 150;
constexpr int kButtonHeight = 20;

HWND CreateButton(HWND settingsWindow, const char* caption, int y, UINT controlId,
                  HINSTANCE instance) {
  // A child window's control identifier travels in the menu-handle argument.
  return CreateWindowExA(0, "BUTTON", caption, kButtonStyle, kButtonX, y, kButtonWidth,
                         kButtonHeight, settingsWindow,
                         reinterpret_cast<HMENU>(static_cast<uintptr_t>(controlId)), instance,
                         nullptr);
}

void AddButtons(HWND settingsWindow, const FilterTable* filter) {
  // The buttons belong to the module's instance, which the host fills into the live record.
  HINSTANCE instance = filter != nullptr ? filter->instance : nullptr;
  startButton = CreateButton(settingsWindow, kStartCaption, kStartButtonY, ID_SELECT_START, instance);
  endButton = CreateButton(settingsWindow, kEndCaption, kEndButtonY, ID_SELECT_END, instance);
  buttonFont = CreateFontA(12, 0, 0, 0, FW_MEDIUM, 0, 0, 0, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FF_MODERN | DEFAULT_PITCH,
                           kFontFace);
  // lParam 0: no redraw now; the window is about to be shown anyway.
  SendMessageA(startButton, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont), 0);
  SendMessageA(endButton, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont), 0);
}

int32_t PressButton(UINT controlId, FilterTable* filter) {
  // The button gives up the focus at once, so the keyboard goes back to the host.
  if (controlId == ID_SELECT_START) {
    SendMessageA(startButton, WM_KILLFOCUS, 0, 0);
    startRequest = 1;
  } else {
    SendMessageA(endButton, WM_KILLFOCUS, 0, 0);
    endRequest = 1;
  }
  if (filter == nullptr || filter->hostFunctions == nullptr) {
    return 0;  // not a live filter record: the request waits for the next FilterProc
  }
  filter->hostFunctions->RefreshFilterWindow(filter);
  // Nonzero while the filter is on: the host then processes the current frame again.
  return filter->hostFunctions->IsFilterActive(filter);
}

}  // namespace

int32_t HOST_CALL FilterWndProc(HWND window, UINT message, WPARAM wParam, LPARAM, void*,
                                FilterTable* filter) {
  switch (message) {
    case MSG_WINDOW_INIT:
      AddButtons(window, filter);
      return 0;
    case MSG_WINDOW_EXIT:
      // The buttons are child windows of the settings window and end with it; the
      // handle is kept, as nothing reads it before the next MSG_WINDOW_INIT.
      DeleteObject(buttonFont);
      return 0;
    case WM_COMMAND: {
      // Only the identifier counts: the notification code and lParam are not examined.
      const UINT controlId = LOWORD(wParam);
      if (controlId < ID_SELECT_START || controlId > ID_SELECT_END) return 0;
      return PressButton(controlId, filter);
    }
    default:
      return 0;
  }
}
