// One press of the end button, from the window message to the sound the host renders
// afterwards: the editor stands on frame 500 with backFrames 3.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/win32.h"
#include "plugin/get_filter_table.h"
#include "refhost/reference_host.h"
#include "selection/filter_wnd_proc.h"

namespace {

// 600 frames of 320 mono samples (8000 Hz at 25 frames per second), never silent.
Edit SixHundredFrames() {
  Edit edit;
  edit.audioRate = 8000;
  edit.channels = 1;
  edit.videoRate = 25;
  edit.videoScale = 1;
  for (int i = 0; i < 320 * 600; ++i) edit.samples.push_back(static_cast<int16_t>(1000 + i % 50));
  return edit;
}

// The ramp-out a frame whose first sample is `first` gets: a single-precision step of
// first / n, then value i = trunc((n - 1 - i) * step), down to 0 on the last sample.
std::vector<int16_t> RampOut(int16_t first, int n) {
  const float step = static_cast<float>(first) / static_cast<float>(n);
  std::vector<int16_t> ramp;
  for (int i = 0; i < n; ++i) ramp.push_back(static_cast<int16_t>(static_cast<double>(n - 1 - i) * step));
  return ramp;
}

TEST(EndButton, PressOnFrame500MakesItTheLastFrameAtFullSound) {
  ReferenceHost host(GetFilterTable, SixHundredFrames());
  host.settingsWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7770));
  host.hasSelection = true;
  host.selectionStart = 0;
  host.selectionEnd = 599;
  host.trackValues()[1] = 3;  // backFrames
  host.currentFrame = 500;
  ASSERT_EQ(host.SendWindowMessage(MSG_WINDOW_INIT, 0, 0), 0);

  EXPECT_EQ(host.Press(ID_SELECT_END), 1);

  // The press asked for frame 500 again, and that call moved the selection's end.
  std::vector<HostService> services;
  for (const HostCall& call : host.calls) services.push_back(call.service);
  EXPECT_EQ(services,
            (std::vector<HostService>{HostService::RefreshFilterWindow, HostService::IsFilterActive,
                                      HostService::GetSelection, HostService::SetSelection,
                                      HostService::GetSelection}));
  EXPECT_TRUE(host.hasSelection);
  EXPECT_EQ(host.selectionStart, 0);
  EXPECT_EQ(host.selectionEnd, 503);
  EXPECT_EQ(host.trackValues()[1], 3);
  EXPECT_EQ(host.lastPreview, FrameSound(host.edit, 500));

  // Rendered afterwards: 500 keeps its sound, 501 ramps out, 502 and 503 are silent.
  std::vector<int16_t> audio;
  host.ProcessFrame(500, audio);
  EXPECT_EQ(audio, FrameSound(host.edit, 500));
  host.ProcessFrame(501, audio);
  const std::vector<int16_t> frame501 = FrameSound(host.edit, 501);
  EXPECT_EQ(audio, RampOut(frame501[0], static_cast<int>(frame501.size())));
  for (int32_t frame : {502, 503}) {
    host.ProcessFrame(frame, audio);
    EXPECT_EQ(audio, std::vector<int16_t>(320, 0)) << "frame " << frame;
  }
  EXPECT_EQ(host.selectionEnd, 503);

  host.SendWindowMessage(MSG_WINDOW_EXIT, 0, 0);
  EXPECT_TRUE(host.faults.empty());
}

}  // namespace
