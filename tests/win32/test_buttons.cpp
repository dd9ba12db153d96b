// The two buttons as Windows itself sees them: a real settings window receives
// MSG_WINDOW_INIT through the table's window procedure, and the buttons, their font,
// a press and the window's end are read back through Win32.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "refhost/reference_host.h"
#include "tests/common/edits.h"
#include "tests/common/expected_texts.h"
#include "tests/win32/loaded_module.h"

namespace {

constexpr UINT kStartId = 40001;
constexpr UINT kEndId = 40002;

// The bytes Windows itself makes of a UTF-8 text in code page 932.
std::string ToCodePage932(const char* utf8) {
  const std::wstring wide = FromUtf8(utf8);
  const int length = WideCharToMultiByte(932, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(length > 0 ? length : 1), '\0');
  WideCharToMultiByte(932, 0, wide.c_str(), -1, &bytes[0], length, nullptr, nullptr);
  bytes.resize(bytes.size() - 1);  // drop the terminator
  return bytes;
}

// ---- Every WM_KILLFOCUS that reaches a button, seen through a subclass.

struct KillFocus { HWND window; WPARAM wParam; LPARAM lParam; };
std::vector<KillFocus> g_killFocus;
WNDPROC g_buttonProc[2] = {nullptr, nullptr};

LRESULT CALLBACK SpyOnButton(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const int which = GetDlgCtrlID(window) == static_cast<int>(kStartId) ? 0 : 1;
  if (message == WM_KILLFOCUS) g_killFocus.push_back({window, wParam, lParam});
  return CallWindowProcA(g_buttonProc[which], window, message, wParam, lParam);
}

LRESULT CALLBACK SettingsWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

// One settings window for the whole suite, opened as a host opens it.
class Buttons : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = SettingsWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "BrisdaleTestSettings";
    RegisterClassA(&windowClass);
    settings = CreateWindowExA(0, "BrisdaleTestSettings", "Brisdale", WS_OVERLAPPEDWINDOW, 0, 0,
                               320, 180, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    host.reset(new ReferenceHost(Plugin().getFilterTable, SteadyEdit(200)));
    host->settingsWindow = settings;
    host->SetModuleInstance(reinterpret_cast<HINSTANCE>(Plugin().module));
    host->hasSelection = true;
    host->selectionStart = 0;
    host->selectionEnd = 199;
    host->trackValues()[0] = 3;
    host->trackValues()[1] = 3;
    host->currentFrame = 100;
    initAnswer = host->SendWindowMessage(MSG_WINDOW_INIT, 0, 0);
    start = GetDlgItem(settings, static_cast<int>(kStartId));
    end = GetDlgItem(settings, static_cast<int>(kEndId));
  }
  static void TearDownTestSuite() {
    if (settings != nullptr) DestroyWindow(settings);
    host.reset();
  }

  static HWND settings;
  static HWND start;
  static HWND end;
  static std::unique_ptr<ReferenceHost> host;
  static int32_t initAnswer;
};

HWND Buttons::settings = nullptr;
HWND Buttons::start = nullptr;
HWND Buttons::end = nullptr;
std::unique_ptr<ReferenceHost> Buttons::host;
int32_t Buttons::initAnswer = -1;

TEST_F(Buttons, InitAddsTwoPushButtonsToTheSettingsWindow) {
  ASSERT_NE(settings, nullptr) << "no settings window: error " << GetLastError();
  EXPECT_EQ(initAnswer, 0);
  ASSERT_NE(start, nullptr);
  ASSERT_NE(end, nullptr);

  struct Expected { HWND button; UINT id; const char* caption; RECT rect; };
  const Expected buttons[2] = {{start, kStartId, kExpectedStartCaption, {10, 100, 160, 120}},
                               {end, kEndId, kExpectedEndCaption, {10, 130, 160, 150}}};
  for (const Expected& expected : buttons) {
    SCOPED_TRACE(expected.id);
    HWND button = expected.button;
    EXPECT_EQ(GetParent(button), settings);

    char className[64] = {};
    GetClassNameA(button, className, sizeof className);
    EXPECT_EQ(lstrcmpiA(className, "BUTTON"), 0) << className;

    char caption[64] = {};
    EXPECT_EQ(GetWindowTextA(button, caption, sizeof caption), 22);
    EXPECT_EQ(std::string(caption), ToCodePage932(expected.caption));
    EXPECT_TRUE(FromCodePage932(caption) == FromUtf8(expected.caption));

    // Exactly what was asked for: a plain push button, no tab stop, no extended style.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(button, GWL_STYLE)), 0x50000000u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(button, GWL_EXSTYLE)), 0u);

    EXPECT_EQ(GetDlgCtrlID(button), static_cast<int>(expected.id));
    EXPECT_EQ(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(button, GWLP_HINSTANCE)),
              reinterpret_cast<HINSTANCE>(Plugin().module));

    RECT rect{};
    GetWindowRect(button, &rect);
    MapWindowPoints(nullptr, settings, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, expected.rect.left);
    EXPECT_EQ(rect.top, expected.rect.top);
    EXPECT_EQ(rect.right, expected.rect.right);
    EXPECT_EQ(rect.bottom, expected.rect.bottom);
  }
  EXPECT_TRUE(host->faults.empty());
}

TEST_F(Buttons, BothButtonsShareTheCreatedFont) {
  ASSERT_NE(start, nullptr);
  const HFONT font = reinterpret_cast<HFONT>(SendMessageA(start, WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(end, WM_GETFONT, 0, 0)), font);
  EXPECT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT));

  LOGFONTA logFont{};
  ASSERT_EQ(GetObjectA(font, sizeof logFont, &logFont), static_cast<int>(sizeof logFont));
  EXPECT_EQ(logFont.lfHeight, 12);
  EXPECT_EQ(logFont.lfWidth, 0);
  EXPECT_EQ(logFont.lfEscapement, 0);
  EXPECT_EQ(logFont.lfOrientation, 0);
  EXPECT_EQ(logFont.lfWeight, 500);
  EXPECT_EQ(logFont.lfItalic, 0);
  EXPECT_EQ(logFont.lfUnderline, 0);
  EXPECT_EQ(logFont.lfStrikeOut, 0);
  EXPECT_EQ(logFont.lfCharSet, 128);
  EXPECT_EQ(logFont.lfOutPrecision, 0);
  EXPECT_EQ(logFont.lfClipPrecision, 0);
  EXPECT_EQ(logFont.lfQuality, 2);
  EXPECT_EQ(logFont.lfPitchAndFamily, 0x30);
  EXPECT_EQ(std::string(logFont.lfFaceName), ToCodePage932(kExpectedFontFace));
  EXPECT_EQ(std::strlen(logFont.lfFaceName), 15u);
  EXPECT_TRUE(FromCodePage932(logFont.lfFaceName) == FromUtf8(kExpectedFontFace));
}

TEST_F(Buttons, PressTakesTheFocusAwayAndAnswersIsFilterActive) {
  ASSERT_NE(start, nullptr);
  ASSERT_NE(end, nullptr);
  g_buttonProc[0] = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(start, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SpyOnButton)));
  g_buttonProc[1] = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(end, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SpyOnButton)));

  struct Case { UINT id; int32_t isFilterActive; };
  const Case cases[] = {{kStartId, 1}, {kEndId, 0}, {kEndId, 7}, {kStartId, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.id << ", IsFilterActive " << c.isFilterActive);
    g_killFocus.clear();
    host->calls.clear();
    host->selectionStart = 0;
    host->selectionEnd = 199;
    host->isFilterActiveAnswer = c.isFilterActive;

    EXPECT_EQ(host->Press(c.id), c.isFilterActive);

    ASSERT_EQ(g_killFocus.size(), 1u);
    EXPECT_EQ(g_killFocus[0].window, c.id == kStartId ? start : end);
    EXPECT_EQ(g_killFocus[0].wParam, 0u);
    EXPECT_EQ(g_killFocus[0].lParam, 0);
    ASSERT_GE(host->calls.size(), 2u);
    EXPECT_EQ(host->calls[0].service, HostService::RefreshFilterWindow);
    EXPECT_EQ(host->calls[1].service, HostService::IsFilterActive);

    // Carried out on frame 100 at once when the filter is on, else by the next call.
    if (c.isFilterActive == 0) {
      EXPECT_EQ(host->calls.size(), 2u);
      std::vector<int16_t> audio;
      host->ProcessFrame(100, audio);
    }
    const std::vector<HostCall> changes = host->CallsOf(HostService::SetSelection);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].start, c.id == kStartId ? 97 : 0);
    EXPECT_EQ(changes[0].end, c.id == kStartId ? 199 : 103);
  }
  SetWindowLongPtrA(start, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_buttonProc[0]));
  SetWindowLongPtrA(end, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_buttonProc[1]));
  EXPECT_TRUE(host->faults.empty());
}

// Last in the suite: the font goes, the buttons stay until the settings window ends.
TEST_F(Buttons, ExitDeletesTheFontAndLeavesTheButtons) {
  ASSERT_NE(start, nullptr);
  const HFONT font = reinterpret_cast<HFONT>(SendMessageA(start, WM_GETFONT, 0, 0));
  ASSERT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT));

  EXPECT_EQ(host->SendWindowMessage(MSG_WINDOW_EXIT, 0, 0), 0);

  EXPECT_EQ(GetObjectType(font), 0u);
  LOGFONTA logFont{};
  EXPECT_EQ(GetObjectA(font, sizeof logFont, &logFont), 0);
  EXPECT_TRUE(IsWindow(start));
  EXPECT_TRUE(IsWindow(end));
  EXPECT_EQ(GetParent(start), settings);
  EXPECT_TRUE(host->faults.empty());
}

}  // namespace
