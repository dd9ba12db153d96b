// The settings window's procedure: what it asks of Windows when the window opens and
// closes, and how a press becomes one pending request for the next FilterProc call.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/win32.h"
#include "plugin/get_filter_table.h"
#include "refhost/reference_host.h"
#include "selection/filter_wnd_proc.h"
#include "tests/common/edits.h"
#include "tests/common/expected_texts.h"
#include "tests/native/cp932.h"

namespace {

HWND FakeSettingsWindow() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7770)); }

std::vector<HostService> ServicesCalled(const ReferenceHost& host) {
  std::vector<HostService> services;
  for (const HostCall& call : host.calls) services.push_back(call.service);
  return services;
}

// A host whose edit has 200 frames of 320 mono samples, standing on frame 100, with a
// selection over the whole edit and both sliders at 3.
class SettingsWindow : public ::testing::Test {
 protected:
  SettingsWindow() : host(GetFilterTable, SteadyEdit(200)) {
    host.settingsWindow = FakeSettingsWindow();
    host.currentFrame = 100;
    host.hasSelection = true;
    host.selectionStart = 0;
    host.selectionEnd = 199;
    host.trackValues()[0] = 3;
    host.trackValues()[1] = 3;
    Win32StandinReset();
  }

  ~SettingsWindow() override {
    // The module's flags outlive the test: carry out anything still pending.
    std::vector<int16_t> audio;
    host.ProcessFrame(0, audio);
    EXPECT_TRUE(host.faults.empty());
    Win32StandinReset();
  }

  // Opens the window and returns the handles the plug-in got: start, end button, font.
  struct Handles { HWND start, end; HFONT font; };
  Handles Open() {
    Win32StandinReset();
    EXPECT_EQ(host.SendWindowMessage(MSG_WINDOW_INIT, 0, 0), 0);
    const std::vector<Win32Call>& calls = Win32StandinCalls();
    EXPECT_EQ(calls.size(), 5u);
    Handles handles{nullptr, nullptr, nullptr};
    if (calls.size() >= 3) {
      handles.start = reinterpret_cast<HWND>(calls[0].result);
      handles.end = reinterpret_cast<HWND>(calls[1].result);
      handles.font = reinterpret_cast<HFONT>(calls[2].result);
    }
    Win32StandinReset();
    host.calls.clear();
    return handles;
  }

  // Runs FilterProc on `frame` and returns the SetSelection calls it made.
  std::vector<HostCall> SelectionChangesOnFrame(int32_t frame) {
    host.calls.clear();
    std::vector<int16_t> audio;
    host.ProcessFrame(frame, audio);
    return host.CallsOf(HostService::SetSelection);
  }

  ReferenceHost host;
};

TEST_F(SettingsWindow, InitCreatesBothButtonsAndTheirFont) {
  EXPECT_EQ(host.SendWindowMessage(MSG_WINDOW_INIT, 0, 0), 0);
  EXPECT_TRUE(host.calls.empty());

  const std::vector<Win32Call>& calls = Win32StandinCalls();
  ASSERT_EQ(calls.size(), 5u);
  struct Button { const char* caption; int y; uintptr_t id; };
  const Button buttons[2] = {{kExpectedStartCaption, 100, 40001},
                             {kExpectedEndCaption, 130, 40002}};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(buttons[i].caption);
    const Win32Call& call = calls[i];
    ASSERT_EQ(call.function, Win32Function::CreateWindowExA);
    EXPECT_EQ(call.exStyle, 0u);
    EXPECT_EQ(call.className, "BUTTON");
    EXPECT_EQ(call.windowName, ToCodePage932(buttons[i].caption));
    EXPECT_EQ(call.windowName.size(), 22u);
    EXPECT_EQ(call.style, 0x50000000u);
    EXPECT_EQ(call.x, 10);
    EXPECT_EQ(call.y, buttons[i].y);
    EXPECT_EQ(call.width, 150);
    EXPECT_EQ(call.height, 20);
    EXPECT_EQ(call.parent, FakeSettingsWindow());
    EXPECT_EQ(reinterpret_cast<uintptr_t>(call.menu), buttons[i].id);
    EXPECT_EQ(call.instance, host.liveFilter()->instance);
    EXPECT_NE(call.instance, nullptr);
    EXPECT_EQ(call.param, nullptr);
  }

  const Win32Call& font = calls[2];
  ASSERT_EQ(font.function, Win32Function::CreateFontA);
  const int64_t fontArguments[13] = {12, 0, 0, 0, 500, 0, 0, 0, 128, 0, 0, 2, 0x30};
  for (int i = 0; i < 13; ++i) EXPECT_EQ(font.fontArguments[i], fontArguments[i]) << "argument " << i + 1;
  EXPECT_EQ(font.faceName, ToCodePage932(kExpectedFontFace));
  EXPECT_EQ(font.faceName, std::string("\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e"));

  for (int i = 0; i < 2; ++i) {
    const Win32Call& setFont = calls[3 + i];
    ASSERT_EQ(setFont.function, Win32Function::SendMessageA);
    EXPECT_EQ(setFont.window, reinterpret_cast<HWND>(calls[i].result));
    EXPECT_EQ(setFont.message, static_cast<UINT>(WM_SETFONT));
    EXPECT_EQ(setFont.wParam, font.result);
    EXPECT_EQ(setFont.lParam, 0);
  }
}

TEST_F(SettingsWindow, FailedCreationStillRunsEveryStepWithNullHandles) {
  Win32StandinFailCreation(true);
  EXPECT_EQ(host.SendWindowMessage(MSG_WINDOW_INIT, 0, 0), 0);
  const std::vector<Win32Call> init = Win32StandinCalls();
  ASSERT_EQ(init.size(), 5u);
  EXPECT_EQ(init[0].function, Win32Function::CreateWindowExA);
  EXPECT_EQ(init[1].function, Win32Function::CreateWindowExA);
  EXPECT_EQ(init[2].function, Win32Function::CreateFontA);
  for (int i = 3; i < 5; ++i) {
    EXPECT_EQ(init[i].function, Win32Function::SendMessageA);
    EXPECT_EQ(init[i].window, nullptr);
    EXPECT_EQ(init[i].message, static_cast<UINT>(WM_SETFONT));
    EXPECT_EQ(init[i].wParam, 0u);
  }

  // A press still records the request and asks the host; the focus message goes to null.
  Win32StandinReset();
  host.isFilterActiveAnswer = 0;
  EXPECT_EQ(host.Press(ID_SELECT_END), 0);
  ASSERT_EQ(Win32StandinCalls().size(), 1u);
  EXPECT_EQ(Win32StandinCalls()[0].window, nullptr);
  EXPECT_EQ(Win32StandinCalls()[0].message, static_cast<UINT>(WM_KILLFOCUS));
  EXPECT_EQ(SelectionChangesOnFrame(100).size(), 1u);

  Win32StandinReset();
  EXPECT_EQ(host.SendWindowMessage(MSG_WINDOW_EXIT, 0, 0), 0);
  ASSERT_EQ(Win32StandinCalls().size(), 1u);
  EXPECT_EQ(Win32StandinCalls()[0].function, Win32Function::DeleteObject);
  EXPECT_EQ(Win32StandinCalls()[0].object, nullptr);
}

// Any command carrying identifier 40001 or 40002 in its low 16 bits is a press,
// whatever its notification code and lParam.
TEST_F(SettingsWindow, PressSendsKillFocusSetsTheFlagAndAnswersIsFilterActive) {
  struct Case { WPARAM wParam; LPARAM lParam; bool start; };
  const Case cases[] = {
      {40001, 0, true},
      {(1u << 16) | 40001, 0x12345, true},
      {(0xFFFFu << 16) | 40001, -1, true},
      {40002, 0, false},
      {(5u << 16) | 40002, 77, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "wParam " << c.wParam << " lParam " << c.lParam);
    const Handles handles = Open();
    host.isFilterActiveAnswer = 0;  // no re-render: the request waits for FilterProc

    EXPECT_EQ(host.SendWindowMessage(WM_COMMAND, c.wParam, c.lParam), 0);

    const std::vector<Win32Call>& calls = Win32StandinCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].function, Win32Function::SendMessageA);
    EXPECT_EQ(calls[0].window, c.start ? handles.start : handles.end);
    EXPECT_EQ(calls[0].message, static_cast<UINT>(WM_KILLFOCUS));
    EXPECT_EQ(calls[0].wParam, 0u);
    EXPECT_EQ(calls[0].lParam, 0);
    ASSERT_EQ(ServicesCalled(host),
              (std::vector<HostService>{HostService::RefreshFilterWindow,
                                        HostService::IsFilterActive}));
    EXPECT_TRUE(host.calls[0].knownHandle);
    EXPECT_TRUE(host.calls[1].knownHandle);

    // The pending request is carried out relative to whatever frame comes next.
    const std::vector<HostCall> changes = SelectionChangesOnFrame(50);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].start, c.start ? 47 : 0);
    EXPECT_EQ(changes[0].end, c.start ? 199 : 53);
    host.selectionStart = 0;
    host.selectionEnd = 199;
  }
}

TEST_F(SettingsWindow, IsFilterActiveAnswerIsPassedOnAndNonzeroReprocessesTheFrame) {
  for (int32_t answer : {1, 7, -1}) {
    SCOPED_TRACE(answer);
    Open();
    host.isFilterActiveAnswer = answer;
    host.selectionStart = 0;
    host.selectionEnd = 199;
    EXPECT_EQ(host.Press(ID_SELECT_START), answer);
    // The host processed frame 100 again, and that call carried the request out.
    ASSERT_EQ(ServicesCalled(host),
              (std::vector<HostService>{HostService::RefreshFilterWindow,
                                        HostService::IsFilterActive, HostService::GetSelection,
                                        HostService::SetSelection, HostService::GetSelection}));
    EXPECT_EQ(host.calls[3].start, 97);
    EXPECT_EQ(host.calls[3].end, 199);
    EXPECT_TRUE(SelectionChangesOnFrame(100).empty());
  }
}

TEST_F(SettingsWindow, RepeatedPressesBeforeOneCallMakeOneRequest) {
  Open();
  host.isFilterActiveAnswer = 0;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(host.Press(ID_SELECT_START), 0);
  EXPECT_EQ(host.CallsOf(HostService::RefreshFilterWindow).size(), 3u);
  EXPECT_EQ(SelectionChangesOnFrame(100).size(), 1u);
  EXPECT_TRUE(SelectionChangesOnFrame(100).empty());
}

TEST_F(SettingsWindow, BothButtonsPendingAreCarriedOutStartFirst) {
  Open();
  host.isFilterActiveAnswer = 0;
  host.Press(ID_SELECT_END);
  host.Press(ID_SELECT_START);
  const std::vector<HostCall> changes = SelectionChangesOnFrame(100);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].start, 97);
  EXPECT_EQ(changes[0].end, 199);
  EXPECT_EQ(changes[1].start, 97);
  EXPECT_EQ(changes[1].end, 103);
}

TEST_F(SettingsWindow, OtherIdentifiersAreNotPresses) {
  const WPARAM commands[] = {40000, 40003, 0, 0xFFFF, (1u << 16) | 40000, (40001u << 16)};
  Open();
  for (WPARAM command : commands) {
    SCOPED_TRACE(command);
    EXPECT_EQ(host.SendWindowMessage(WM_COMMAND, command, 40001), 0);
    EXPECT_TRUE(Win32StandinCalls().empty());
    EXPECT_TRUE(host.calls.empty());
  }
  EXPECT_TRUE(SelectionChangesOnFrame(100).empty());
}

TEST_F(SettingsWindow, UnknownMessagesDoNothing) {
  const UINT messages[] = {0, WM_KILLFOCUS, WM_SETFONT, WM_USER + 102, WM_USER + 105, 0xFFFFFFFFu};
  Open();
  for (UINT message : messages) {
    SCOPED_TRACE(message);
    EXPECT_EQ(host.SendWindowMessage(message, ID_SELECT_START, ID_SELECT_END), 0);
    EXPECT_TRUE(Win32StandinCalls().empty());
    EXPECT_TRUE(host.calls.empty());
  }
  EXPECT_TRUE(SelectionChangesOnFrame(100).empty());
}

TEST_F(SettingsWindow, ExitDeletesTheFontOnlyAndLeavesButtonsAndRequests) {
  const Handles handles = Open();
  host.isFilterActiveAnswer = 0;
  host.Press(ID_SELECT_START);
  host.Press(ID_SELECT_END);
  Win32StandinReset();
  host.calls.clear();

  EXPECT_EQ(host.SendWindowMessage(MSG_WINDOW_EXIT, 0, 0), 0);
  ASSERT_EQ(Win32StandinCalls().size(), 1u);
  EXPECT_EQ(Win32StandinCalls()[0].function, Win32Function::DeleteObject);
  EXPECT_EQ(Win32StandinCalls()[0].object, static_cast<HGDIOBJ>(handles.font));
  EXPECT_TRUE(host.calls.empty());

  // Both requests survived the window's end.
  EXPECT_EQ(SelectionChangesOnFrame(100).size(), 2u);

  // The buttons' handles are kept: a later press still talks to the same button.
  Win32StandinReset();
  host.Press(ID_SELECT_END);
  ASSERT_EQ(Win32StandinCalls().size(), 1u);
  EXPECT_EQ(Win32StandinCalls()[0].window, handles.end);
}

TEST_F(SettingsWindow, ANewWindowGetsNewButtons) {
  const Handles first = Open();
  host.SendWindowMessage(MSG_WINDOW_EXIT, 0, 0);
  const Handles second = Open();
  EXPECT_NE(second.start, first.start);
  EXPECT_NE(second.font, first.font);
  host.isFilterActiveAnswer = 0;
  host.Press(ID_SELECT_START);
  ASSERT_EQ(Win32StandinCalls().size(), 1u);
  EXPECT_EQ(Win32StandinCalls()[0].window, second.start);
  host.SendWindowMessage(MSG_WINDOW_EXIT, 0, 0);
  ASSERT_EQ(Win32StandinCalls().size(), 2u);
  EXPECT_EQ(Win32StandinCalls()[1].object, static_cast<HGDIOBJ>(second.font));
}

}  // namespace
