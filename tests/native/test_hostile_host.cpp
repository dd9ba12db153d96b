// Host answers that no sound host gives, one named case per class of input that the
// host-boundary fuzzer showed to matter, each saying what the plug-in makes of the
// frame: left as it came, or its normal result (the whole-stream account).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <vector>

#include "host/tracks.h"
#include "plugin/get_filter_table.h"
#include "refhost/reference_host.h"
#include "tests/common/edits.h"
#include "tests/common/stream_oracle.h"

namespace {

using Sound = std::vector<int16_t>;

enum class Outcome { Unchanged, Normal };

struct HostileCase {
  const char* name;
  Edit edit;
  std::function<void(ReferenceHost&)> setUp;
  Outcome outcome;
  bool readsFrames;  // whether ReadFrameAudio is called at all
};

// 30 fps at 48000 Hz, 1600 samples per channel in every frame; 10 frames.
Edit TenFrames(int32_t channels = 2) { return NoiseEdit(48000, channels, 30, 1, 16000); }

void SetOffset(ReferenceHost& host, int32_t offsetMs) { host.trackValues()[TRACK_OFFSET_MS] = offsetMs; }

void SetFileRates(ReferenceHost& host, int32_t videoRate, int32_t videoScale, int32_t audioRate) {
  SetOffset(host, -100);
  host.fileInfo.videoRate = videoRate;
  host.fileInfo.videoScale = videoScale;
  host.fileInfo.audioRate = audioRate;
}

TEST(HostileHost, WhatTheFrameBecomes) {
  const HostileCase cases[] = {
      // Offsets outside the slider's -599..599 would make the gather grow with them
      // (over two million frames at 1 fps for INT_MAX ms): the frame is left alone.
      {"offset 600 ms, one past the slider", TenFrames(), [](ReferenceHost& h) { SetOffset(h, 600); },
       Outcome::Unchanged, false},
      {"offset -600 ms", TenFrames(), [](ReferenceHost& h) { SetOffset(h, -600); }, Outcome::Unchanged, false},
      {"offset INT_MIN ms", TenFrames(), [](ReferenceHost& h) { SetOffset(h, INT_MIN); }, Outcome::Unchanged,
       false},
      {"offset INT_MAX ms at 1 fps and 100 Hz", NoiseEdit(100, 1, 1, 1, 2000),
       [](ReferenceHost& h) { SetOffset(h, INT_MAX); }, Outcome::Unchanged, false},
      // The offsets at the slider's ends are shifted as usual.
      {"offset 599 ms", TenFrames(), [](ReferenceHost& h) { SetOffset(h, 599); }, Outcome::Normal, true},
      {"offset -599 ms", TenFrames(), [](ReferenceHost& h) { SetOffset(h, -599); }, Outcome::Normal, true},
      // File rates at the 32-bit limits whose gather buffer could not exist in 32 bits.
      {"FileInfo 1 fps at INT_MAX Hz", TenFrames(), [](ReferenceHost& h) { SetFileRates(h, 1, 1, INT_MAX); },
       Outcome::Unchanged, false},
      {"FileInfo 1/INT_MAX fps", TenFrames(), [](ReferenceHost& h) { SetFileRates(h, 1, INT_MAX, 48000); },
       Outcome::Unchanged, false},
      {"FileInfo all rates INT_MIN", TenFrames(),
       [](ReferenceHost& h) { SetFileRates(h, INT_MIN, INT_MIN, INT_MIN); }, Outcome::Unchanged, false},
      // More than two channels: the offset moves whole sample frames of every channel.
      {"three channels, offset -100 ms", TenFrames(3), [](ReferenceHost& h) { SetOffset(h, -100); },
       Outcome::Normal, true},
      {"six channels, offset 50 ms", TenFrames(6), [](ReferenceHost& h) { SetOffset(h, 50); }, Outcome::Normal,
       true},
      // Slider values out of range and selections at the limits reach the edge stage
      // as they are: its frame arithmetic does not wrap.
      {"frontFrames INT_MAX, selection from INT_MAX", TenFrames(),
       [](ReferenceHost& h) {
         h.trackValues()[TRACK_FRONT_FRAMES] = INT_MAX;
         h.hasSelection = true;
         h.selectionStart = INT_MAX;
         h.selectionEnd = INT_MAX;
       },
       Outcome::Normal, false},
      {"backFrames INT_MIN, selection to INT_MIN", TenFrames(),
       [](ReferenceHost& h) {
         h.trackValues()[TRACK_BACK_FRAMES] = INT_MIN;
         h.hasSelection = true;
         h.selectionStart = INT_MIN;
         h.selectionEnd = INT_MIN;
       },
       Outcome::Normal, false},
      {"reversed selection", TenFrames(),
       [](ReferenceHost& h) {
         h.hasSelection = true;
         h.selectionStart = 6;
         h.selectionEnd = 2;
       },
       Outcome::Normal, false},
  };
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.name);
    ReferenceHost host(GetFilterTable, c.edit);
    c.setUp(host);
    FilterSettings settings;
    settings.offsetMs = c.outcome == Outcome::Normal ? host.trackValues()[TRACK_OFFSET_MS] : 0;
    settings.frontFrames = host.trackValues()[TRACK_FRONT_FRAMES];
    settings.backFrames = host.trackValues()[TRACK_BACK_FRAMES];
    settings.hasSelection = host.hasSelection;
    settings.selectionStart = host.selectionStart;
    settings.selectionEnd = host.selectionEnd;
    for (int32_t frame : {0, 4, host.frameCount() - 1}) {
      SCOPED_TRACE(frame);
      host.calls.clear();
      Sound sound;
      EXPECT_EQ(host.ProcessFrame(frame, sound), 1);
      EXPECT_EQ(sound, OracleFrame(host.edit, settings, frame));
      EXPECT_EQ(host.CallsOf(HostService::ReadFrameAudio).empty(), !c.readsFrames);
      EXPECT_TRUE(host.faults.empty()) << host.faults.front();
    }
  }
}

// With more than two channels the edge stage knows two interleaved ones: a silenced
// frame has its first 2n values zeroed and the rest left as the offset stage made them.
TEST(HostileHost, ThreeChannelsSilenceOnlyTheFirstTwoPerSample) {
  ReferenceHost host(GetFilterTable, TenFrames(3));
  SetOffset(host, -100);
  host.hasSelection = true;
  host.selectionStart = 5;
  host.selectionEnd = 9;
  Sound sound;
  EXPECT_EQ(host.ProcessFrame(2, sound), 1);
  FilterSettings shiftOnly;
  shiftOnly.offsetMs = -100;
  Sound expected = OracleFrame(host.edit, shiftOnly, 2);
  std::fill(expected.begin(), expected.begin() + 2 * 1600, 0);
  EXPECT_EQ(sound, expected);
  EXPECT_TRUE(host.faults.empty()) << host.faults.front();
}

}  // namespace
