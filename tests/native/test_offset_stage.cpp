// The offset stage: the shifted sound, the frames it reads through the host, its one
// allocation, and what it does when the host's answers are unusable.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "plugin/get_filter_table.h"
#include "refhost/reference_host.h"
#include "tests/common/exact_cases.h"
#include "tests/common/stream_oracle.h"
#include "tests/native/allocation_probe.h"
#include "tests/common/edits.h"

namespace {

using Sound = std::vector<int16_t>;

// 30 fps at 48000 Hz: 1600 samples per channel in every frame; 10 frames.
Edit TenFramesAt30() { return NoiseEdit(48000, 2, 30, 1, 16000); }

Sound Processed(ReferenceHost& host, int32_t frame) {
  Sound sound;
  EXPECT_EQ(host.ProcessFrame(frame, sound), 1);
  EXPECT_TRUE(host.faults.empty()) << host.faults.front();
  return sound;
}

// A stretch of the edit's sound: samples per channel `count` from sample `first` of
// frame `frame`, or silence when frame is -1.
struct Piece { int32_t frame, first, count; };

Sound Pieces(const Edit& edit, std::initializer_list<Piece> pieces) {
  Sound sound;
  for (const Piece& piece : pieces) {
    if (piece.frame < 0) {
      sound.insert(sound.end(), static_cast<size_t>(piece.count) * edit.channels, 0);
      continue;
    }
    const Sound frame = FrameSound(edit, piece.frame);
    sound.insert(sound.end(), frame.begin() + piece.first * edit.channels,
                 frame.begin() + (piece.first + piece.count) * edit.channels);
  }
  return sound;
}

TEST(OffsetSound, WholeFramesAt30Fps) {
  for (int32_t offsetMs : {-100, 100}) {
    ReferenceHost host(GetFilterTable, TenFramesAt30());
    host.trackValues()[2] = offsetMs;
    for (int32_t frame = 0; frame < 10; ++frame) {
      SCOPED_TRACE(testing::Message() << offsetMs << " ms, frame " << frame);
      // 100 ms is exactly 3 frames: the sound of frame f - 3 (later) or f + 3 (earlier).
      const int32_t source = offsetMs < 0 ? frame + 3 : frame - 3;
      const bool silent = source < 0 || source > 9;
      EXPECT_EQ(Processed(host, frame), silent ? Sound(3200, 0) : FrameSound(host.edit, source));
    }
  }
}

TEST(OffsetSound, HalfFramesAt30Fps) {
  const Edit edit = TenFramesAt30();
  struct Case { int32_t offsetMs, frame; Sound expected; };
  const Case cases[] = {
      {50, 0, Pieces(edit, {{-1, 0, 1600}})},
      {50, 1, Pieces(edit, {{-1, 0, 800}, {0, 0, 800}})},
      {50, 2, Pieces(edit, {{0, 800, 800}, {1, 0, 800}})},
      {50, 9, Pieces(edit, {{7, 800, 800}, {8, 0, 800}})},
      {-50, 0, Pieces(edit, {{1, 800, 800}, {2, 0, 800}})},
      {-50, 8, Pieces(edit, {{9, 800, 800}, {-1, 0, 800}})},
      {-50, 9, Pieces(edit, {{-1, 0, 1600}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.offsetMs << " ms, frame " << c.frame);
    ReferenceHost host(GetFilterTable, edit);
    host.trackValues()[2] = c.offsetMs;
    EXPECT_EQ(Processed(host, c.frame), c.expected);
  }
}

TEST(OffsetSound, ShiftInSamplesPerChannel) { exact::CheckShifts(GetFilterTable); }

TEST(OffsetReads, GatherCountsAcrossFrameRates) { exact::CheckGatherCounts(GetFilterTable); }

TEST(OffsetAllocation, OneBufferWithRoomForTheLongestFrames) {
  if (!AllocationProbeAvailable()) GTEST_SKIP() << "malloc belongs to the sanitizer";
  exact::CheckGatherAllocations(GetFilterTable, kAllocationProbe);
}

TEST(OffsetFailures, RefusedAllocationSwitchesTheOffsetOff) {
  if (!AllocationProbeAvailable()) GTEST_SKIP() << "malloc belongs to the sanitizer";
  exact::CheckRefusedAllocation(GetFilterTable, kAllocationProbe);
}

TEST(OffsetGolden, RendersMatchTheWholeStreamRuleAndTheirDigests) {
  for (const exact::GoldenRender& golden : exact::GoldenRenders()) {
    SCOPED_TRACE(golden.name);
    Edit edit;
    const Sound rendered = exact::Render(GetFilterTable, golden, &edit);
    EXPECT_TRUE(rendered == OracleRender(edit, golden.settings));
  }
  exact::CheckGoldenRenders(GetFilterTable);
}

TEST(OffsetReads, FramesReadInOrderWithSilentEdgeFrames) {
  struct Case { int32_t offsetMs, frame; std::vector<int32_t> framesRead; };
  const Case cases[] = {
      // Forward from frame 2: frames 2..9, then the last frame 12 more times as silence.
      {-100, 2, {2, 3, 4, 5, 6, 7, 8, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9}},
      // Up to frame 2: 17 frames before the edit, read as frame 0, then 0, 1, 2.
      {100, 2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offsetMs);
    ReferenceHost host(GetFilterTable, TenFramesAt30());
    host.trackValues()[2] = c.offsetMs;
    Processed(host, c.frame);
    ASSERT_GE(host.calls.size(), 2u);
    EXPECT_EQ(host.calls.front().service, HostService::GetFileInfo);
    EXPECT_EQ(host.calls.back().service, HostService::GetSelection);
    std::vector<int32_t> framesRead;
    for (const HostCall& call : host.CallsOf(HostService::ReadFrameAudio)) {
      framesRead.push_back(call.frame);
      EXPECT_TRUE(call.knownHandle);
    }
    EXPECT_EQ(framesRead, c.framesRead);
    EXPECT_EQ(host.calls.size(), c.framesRead.size() + 2);
  }
}

TEST(OffsetFailures, FileInfoNotGivenOrUnusable) {
  struct Case { const char* name; int32_t answer, videoRate, videoScale, audioRate; };
  const Case cases[] = {
      {"answer 0", 0, 30, 1, 48000},
      {"answer 2", 2, 30, 1, 48000},
      {"videoRate 0", 1, 0, 1, 48000},
      {"videoRate negative", 1, -30, 1, 48000},
      {"videoScale 0", 1, 30, 0, 48000},
      {"videoScale negative", 1, 30, -1, 48000},
      {"audioRate 0", 1, 30, 1, 0},
      {"audioRate negative", 1, 30, 1, -48000},
      {"a frame lasting 68 years", 1, 1, INT_MAX, 48000},
      {"frames of 2^31 samples", 1, 1, 1, INT_MAX},
      {"everything at the limits", 1, INT_MAX, INT_MAX, INT_MAX},
      {"frames shorter than a sample", 1, 1000, 1, 999},
      {"frames of a billionth of a sample", 1, INT_MAX, 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReferenceHost host(GetFilterTable, TenFramesAt30());
    host.trackValues()[2] = -100;
    host.getFileInfoAnswer = c.answer;
    host.fileInfo.videoRate = c.videoRate;
    host.fileInfo.videoScale = c.videoScale;
    host.fileInfo.audioRate = c.audioRate;
    ArmAllocationProbe(16 * 1024, false);
    const Sound sound = Processed(host, 4);
    const AllocationReport report = DisarmAllocationProbe();
    EXPECT_EQ(sound, FrameSound(host.edit, 4));
    EXPECT_EQ(host.trackValues()[2], -100);
    EXPECT_EQ(report.allocations, 0);
    ASSERT_EQ(host.calls.size(), 2u);
    EXPECT_EQ(host.calls[0].service, HostService::GetFileInfo);
    EXPECT_EQ(host.calls[1].service, HostService::GetSelection);
  }
}

TEST(OffsetFailures, UnworkableFramesAreLeftAloneWithoutAHostCall) {
  struct Case { const char* name; int32_t currentFrame, frameCount, audioChannels; };
  const Case cases[] = {
      {"frame before the edit", -1, 10, 2}, {"frame past the edit", 10, 10, 2},
      {"empty edit", 0, 0, 2},              {"no channels", 4, 10, 0},
      {"negative channels", 4, 10, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReferenceHost host(GetFilterTable, TenFramesAt30());
    host.trackValues()[2] = 100;
    Sound sound = FrameSound(host.edit, 4);
    const int32_t channels = c.audioChannels > 0 ? c.audioChannels : 1;
    sound.resize(sound.size() / 2 * static_cast<size_t>(channels));
    const Sound before = sound;
    ProcFields fields{c.currentFrame, c.frameCount, 1600, c.audioChannels};
    EXPECT_EQ(host.CallFilterProc(fields, sound), 1);
    EXPECT_EQ(sound, c.audioChannels > 0 ? before : Sound());
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].service, HostService::GetSelection);
    EXPECT_TRUE(host.faults.empty()) << host.faults.front();
  }
}

TEST(OffsetSecondRead, TheSecondReadDecides) {
  struct Case { int32_t movedTo; bool readsFrames; };
  for (const Case& c : {Case{100, true}, Case{0, false}, Case{-50, true}}) {
    SCOPED_TRACE(c.movedTo);
    ReferenceHost host(GetFilterTable, TenFramesAt30());
    host.trackValues()[2] = -100;
    // The slider moves while the host answers GetFileInfo, between the two reads.
    host.onServiceCall = [&host, &c](HostService service) {
      if (service == HostService::GetFileInfo) host.trackValues()[2] = c.movedTo;
    };
    const Sound sound = Processed(host, 5);
    FilterSettings settings;
    settings.offsetMs = c.movedTo;
    EXPECT_EQ(sound, OracleFrame(host.edit, settings, 5));
    EXPECT_EQ(host.CallsOf(HostService::ReadFrameAudio).empty(), !c.readsFrames);
  }
}

TEST(OffsetHostileLengths, LengthsNoFrameCanHaveCountAsEmpty) {
  for (int32_t answer : {0, -1, -1600, 1602, INT_MAX, INT_MIN}) {
    SCOPED_TRACE(answer);
    ReferenceHost host(GetFilterTable, TenFramesAt30());
    host.trackValues()[2] = answer % 2 == 0 ? 100 : -100;
    host.readLengthAnswer = [answer](int32_t, int32_t) { return answer; };
    EXPECT_EQ(Processed(host, 5), Sound(3200, 0));
  }
}

TEST(OffsetHostileLengths, ShortFramesLeaveTheMissingPartSilent) {
  ReferenceHost host(GetFilterTable, TenFramesAt30());
  host.trackValues()[2] = -50;
  // Every frame claims only its first 1000 samples: 24 frames of 1000 were gathered.
  host.readLengthAnswer = [](int32_t, int32_t natural) { return natural < 1000 ? natural : 1000; };
  const Sound sound = Processed(host, 0);
  // The copy starts 2400 samples in: frame 2's first 400 of its 1000, then frame 3's.
  EXPECT_EQ(sound, Pieces(host.edit, {{2, 400, 600}, {3, 0, 1000}}));
}

// Whole edits rendered frame by frame through the host, against the whole-stream rule.
TEST(OffsetDifferential, RenderedEditsMatchTheWholeStreamRule) {
  struct Rate { int32_t videoRate, videoScale; };
  const Rate rates[] = {{24000, 1001}, {25, 1}, {30000, 1001}, {30, 1}, {50, 1}, {60000, 1001}, {60, 1}};
  const int32_t audioRates[] = {44100, 48000, 22050};
  const int32_t offsets[] = {-599, -333, -150, -1, 1, 151, 220, 221, 599};
  uint32_t seed = 7;
  for (const Rate& rate : rates) {
    for (int32_t audioRate : audioRates) {
      for (int32_t channels : {1, 2}) {
        // About 1.7 s, so the last frame is short and both ends of the edit matter.
        const Edit edit =
            NoiseEdit(audioRate, channels, rate.videoRate, rate.videoScale, audioRate * 17 / 10 + 7, ++seed);
        for (int32_t offsetMs : offsets) {
          SCOPED_TRACE(testing::Message() << rate.videoRate << "/" << rate.videoScale << " fps, "
                                          << audioRate << " Hz, " << channels << " ch, "
                                          << offsetMs << " ms");
          FilterSettings settings;
          settings.offsetMs = offsetMs;
          settings.hasSelection = true;
          settings.selectionStart = 3 + (seed % 5);
          settings.selectionEnd = FrameCount(edit) - 4;
          settings.frontFrames = static_cast<int32_t>(seed % 4);
          settings.backFrames = static_cast<int32_t>((seed / 4) % 4);
          ReferenceHost host(GetFilterTable, edit);
          host.recordCalls = false;
          host.trackValues()[0] = settings.frontFrames;
          host.trackValues()[1] = settings.backFrames;
          host.trackValues()[2] = offsetMs;
          host.hasSelection = true;
          host.selectionStart = settings.selectionStart;
          host.selectionEnd = settings.selectionEnd;
          const Sound rendered = host.RenderEdit();
          EXPECT_TRUE(rendered == OracleRender(edit, settings));
          EXPECT_TRUE(host.faults.empty());
        }
      }
    }
  }
}

}  // namespace
