#pragma once
// Exact-value cases of the audio stages, run alike by the native tests and by the
// Windows test program against the real Brisdale.auf, so that the shipped 32-bit DLL
// is shown to give the native results bit for bit.
#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <cstdint>
#include <vector>

#include "refhost/reference_host.h"
#include "tests/common/allocation_watch.h"
#include "tests/common/edits.h"
#include "tests/common/stream_oracle.h"

namespace exact {

using Sound = std::vector<int16_t>;

// ---- Ramps ----------------------------------------------------------------------------

// The host's selection and sliders for one call of the edge stage.
struct EdgeSetup {
  bool hasSelection = true;
  int32_t selectionStart = 0;
  int32_t selectionEnd = 0;
  int32_t frontFrames = 0;
  int32_t backFrames = 0;
};

// One FilterProc call on `sound` with the given record values (no offset), through a
// reference host set up as `setup` says. Returns the sound after the call.
inline Sound ShapeFrame(GetFilterTableFn table, const EdgeSetup& setup, const ProcFields& fields,
                        Sound sound) {
  ReferenceHost host(table, SteadyEdit(40));
  host.hasSelection = setup.hasSelection;
  host.selectionStart = setup.selectionStart;
  host.selectionEnd = setup.selectionEnd;
  host.trackValues()[0] = setup.frontFrames;
  host.trackValues()[1] = setup.backFrames;
  EXPECT_EQ(host.CallFilterProc(fields, sound), 1);
  EXPECT_TRUE(host.faults.empty());
  return sound;
}

// `sound` as frame `frame` of a 1000-frame edit.
inline Sound ShapeFrame(GetFilterTableFn table, const EdgeSetup& setup, int32_t frame,
                        int32_t channels, Sound sound) {
  ProcFields fields;
  fields.currentFrame = frame;
  fields.frameCount = 1000;
  fields.audioChannels = channels;
  fields.audioCount = static_cast<int32_t>(sound.size()) / (channels > 0 ? channels : 1);
  return ShapeFrame(table, setup, fields, std::move(sound));
}

// With selection 10..20 and both sliders at 1, frame 10 is the ramp-in frame and
// frame 20 the ramp-out frame.
inline Sound ShapeAsRampFrame(GetFilterTableFn table, Sound sound, int32_t channels, bool rampIn) {
  return ShapeFrame(table, {true, 10, 20, 1, 1}, rampIn ? 10 : 20, channels, std::move(sound));
}

inline void CheckRampValues(GetFilterTableFn table) {
  struct Case {
    const char* name;
    bool rampIn;
    int32_t channels;
    Sound before;
    Sound after;
  };
  const Case cases[] = {
      {"out 1000 over 4", false, 1, {1000, 9, 9, 9}, {750, 500, 250, 0}},
      {"out 7 over 4", false, 1, {7, 9, 9, 9}, {5, 3, 1, 0}},
      {"out -7 over 4", false, 1, {-7, 9, 9, 9}, {-5, -3, -1, 0}},
      {"out 296 over 6: single-precision step", false, 1, {296, 1, 1, 1, 1, 1},
       {246, 197, 147, 98, 49, 0}},
      {"in 7 over 4: integer step", true, 1, {9, 9, 9, 7}, {0, 1, 2, 3}},
      {"in -7 over 4", true, 1, {9, 9, 9, -7}, {0, -1, -2, -3}},
      {"in 3 over 4: step 0", true, 1, {9, 9, 9, 3}, {0, 0, 0, 0}},
      {"in stereo 400 / -402", true, 2, {5, 5, 5, 5, 5, 5, 400, -402},
       {0, 0, 100, -100, 200, -200, 300, -300}},
      {"out stereo 1000 / -7", false, 2, {1000, -7, 5, 5, 5, 5, 5, 5},
       {750, -5, 500, -3, 250, -1, 0, 0}},
      {"in one sample", true, 1, {12345}, {0}},
      {"out one sample", false, 1, {-12345}, {0}},
      {"in one stereo sample", true, 2, {300, -300}, {0, 0}},
      {"out one stereo sample", false, 2, {300, -300}, {0, 0}},
      {"in no samples", true, 1, {}, {}},
      {"out no samples", false, 2, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ShapeAsRampFrame(table, c.before, c.channels, c.rampIn), c.after);
  }

  struct FullScale { bool rampIn; int16_t edge; int16_t end; };
  // Over 1600 samples; for the ramp-in `end` is the last value, for the ramp-out the first.
  const FullScale fullScale[] = {{true, 32767, 31980}, {true, -32768, -31980}, {true, 1599, 0},
                                 {true, -1599, 0},     {false, 32767, 32746},  {false, -32768, -32747}};
  for (const FullScale& c : fullScale) {
    SCOPED_TRACE(testing::Message() << (c.rampIn ? "in " : "out ") << c.edge << " over 1600");
    Sound sound(1600, 77);
    sound[c.rampIn ? 1599 : 0] = c.edge;
    const Sound shaped = ShapeAsRampFrame(table, sound, 1, c.rampIn);
    EXPECT_EQ(shaped[c.rampIn ? 1599 : 0], c.end);
    EXPECT_EQ(shaped[c.rampIn ? 0 : 1599], 0);
  }
}

// The host process owns the SSE control state. Under a host's round-up mode the
// single-precision step of 296 over 6 would round up and 3 * step reach 148; the
// plug-in must compute in the default mode and give the host its mode back.
inline void CheckUnderHostRoundingMode(GetFilterTableFn table) {
  const unsigned original = _mm_getcsr();
  const unsigned roundUp = (original & ~0x6000u) | 0x4000u;
  _mm_setcsr(roundUp);
  const Sound shaped = ShapeAsRampFrame(table, {296, 1, 1, 1, 1, 1}, 1, false);
  const unsigned after = _mm_getcsr();
  _mm_setcsr(original);
  EXPECT_EQ(shaped, (Sound{246, 197, 147, 98, 49, 0}));
  EXPECT_EQ(after, roundUp);
}

// ---- Shifts, gather counts and the gather buffer ------------------------------------

inline void CheckShifts(GetFilterTableFn table) {
  struct Case { int32_t audioRate, channels, offsetMs; int64_t shift; };
  const Case cases[] = {
      {44100, 1, -1, 44},      {44100, 2, 1, 44},       {48000, 1, 1, 48},
      {48000, 2, -1, 48},      {44100, 1, 599, 26415},  {44100, 2, -599, 26415},
      {48000, 1, -599, 28752}, {48000, 2, 599, 28752},  {44100, 2, -100, 4410},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.audioRate << " Hz, " << c.channels << " ch, "
                                    << c.offsetMs << " ms");
    // At 29.97 fps; frame 40 lies well inside a 3-second edit either way.
    ReferenceHost host(table, NoiseEdit(c.audioRate, c.channels, 30000, 1001, 3 * c.audioRate));
    host.trackValues()[2] = c.offsetMs;
    Sound sound;
    host.ProcessFrame(40, sound);
    const int64_t from = FrameStart(host.edit, 40) + (c.offsetMs < 0 ? c.shift : -c.shift);
    const auto first = host.edit.samples.begin() + static_cast<ptrdiff_t>(from * c.channels);
    EXPECT_TRUE(sound == Sound(first, first + static_cast<ptrdiff_t>(sound.size())));
    EXPECT_TRUE(host.faults.empty());
  }
}

inline void CheckGatherCounts(GetFilterTableFn table) {
  struct Case { int32_t videoRate, videoScale, offsetMs; size_t reads; };
  const Case cases[] = {
      {24000, 1001, -599, 25}, {24, 1, 1, 25},   {25, 1, 599, 24},
      {30000, 1001, -599, 20}, {30, 1, 599, 20}, {50, 1, 220, 12},
      {60000, 1001, -150, 10}, {60, 1, 150, 10},
      // Where those frames span less than the shift, as many more as it needs.
      {50, 1, 221, 13},        {60, 1, 151, 11}, {60, 1, -599, 37}, {60000, 1001, 599, 37},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.videoRate << "/" << c.videoScale << ", " << c.offsetMs);
    ReferenceHost host(table, NoiseEdit(48000, 2, c.videoRate, c.videoScale, 48000 * 4));
    host.trackValues()[2] = c.offsetMs;
    Sound sound;
    host.ProcessFrame(host.frameCount() / 2, sound);
    EXPECT_EQ(host.CallsOf(HostService::ReadFrameAudio).size(), c.reads);
  }
}

inline void CheckGatherAllocations(GetFilterTableFn table, const AllocationWatch& watch) {
  struct Case { int32_t videoRate, videoScale, audioRate, channels; size_t bytes; };
  // Room for the gather count's frames at ceil(audioRate / frame rate) + 1 samples.
  const Case cases[] = {
      {30000, 1001, 48000, 2, 20 * 1603 * 4},  // 1601.6 samples per frame
      {30000, 1001, 44100, 1, 20 * 1473 * 2},  // 1471.47
      {24000, 1001, 48000, 2, 25 * 2003 * 4},  // 2002: 25 frames hold 50050
      {30, 1, 48000, 2, 20 * 1601 * 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.videoRate << "/" << c.videoScale << " " << c.audioRate);
    ReferenceHost host(table,
                       NoiseEdit(c.audioRate, c.channels, c.videoRate, c.videoScale, c.audioRate));
    host.trackValues()[2] = -100;
    Sound sound = FrameSound(host.edit, 3);
    ProcFields fields{3, host.frameCount(), FrameLength(host.edit, 3), c.channels};
    watch.arm(16 * 1024, false);
    host.CallFilterProc(fields, sound);
    const AllocationReport report = watch.disarm();
    EXPECT_EQ(report.allocations, 1);
    EXPECT_EQ(report.lastBytes, c.bytes);
    EXPECT_EQ(report.released, 1);
  }
}

// A refused gather buffer: the offset goes to 0 and the slider is refreshed once; the
// edge stage still shapes the unshifted sound (frame 6 is the ramp-out frame).
inline void CheckRefusedAllocation(GetFilterTableFn table, const AllocationWatch& watch) {
  ReferenceHost host(table, NoiseEdit(48000, 2, 30, 1, 16000));
  host.trackValues()[2] = 100;
  host.hasSelection = true;
  host.selectionStart = 0;
  host.selectionEnd = 6;
  host.trackValues()[1] = 1;
  Sound sound;
  watch.arm(16 * 1024, true);
  host.ProcessFrame(6, sound);
  const AllocationReport report = watch.disarm();
  EXPECT_EQ(report.allocations, 1);
  EXPECT_EQ(host.trackValues()[2], 0);
  const std::vector<HostCall> refreshes = host.CallsOf(HostService::RefreshFilterWindow);
  ASSERT_EQ(refreshes.size(), 1u);
  EXPECT_EQ(refreshes[0].trackValues[2], 0);
  EXPECT_TRUE(refreshes[0].knownHandle);
  EXPECT_TRUE(host.CallsOf(HostService::ReadFrameAudio).empty());
  EXPECT_EQ(host.calls.back().service, HostService::GetSelection);

  Sound expected = FrameSound(host.edit, 6);
  FilterSettings edges;
  edges.hasSelection = true;
  edges.selectionEnd = 6;
  edges.backFrames = 1;
  OracleShapeEdges(edges, 6, 2, expected);
  EXPECT_TRUE(sound == expected);

  // From the next frame on the stage is off: no GetFileInfo any more.
  host.calls.clear();
  host.ProcessFrame(7, sound);
  EXPECT_TRUE(host.CallsOf(HostService::GetFileInfo).empty());
}

// ---- Whole edits --------------------------------------------------------------------

// FNV-1a over the samples' little-endian bytes.
inline uint64_t Digest(const Sound& sound) {
  uint64_t hash = 14695981039346656037ull;
  for (int16_t sample : sound) {
    const uint16_t bits = static_cast<uint16_t>(sample);
    for (int byte = 0; byte < 2; ++byte) {
      hash ^= (bits >> (8 * byte)) & 0xFF;
      hash *= 1099511628211ull;
    }
  }
  return hash;
}

struct GoldenRender {
  const char* name;
  int32_t audioRate, channels, videoRate, videoScale;
  int64_t samplesPerChannel;
  FilterSettings settings;
  uint64_t digest;  // of the rendered edit; the native tests check it against the oracle
};

inline std::vector<GoldenRender> GoldenRenders() {
  auto settings = [](int32_t offsetMs, int32_t front, int32_t back, int32_t start, int32_t end) {
    FilterSettings s;
    s.offsetMs = offsetMs;
    s.frontFrames = front;
    s.backFrames = back;
    s.hasSelection = true;
    s.selectionStart = start;
    s.selectionEnd = end;
    return s;
  };
  return {
      {"23.976 fps, 48000 Hz stereo, -599 ms", 48000, 2, 24000, 1001, 96007,
       settings(-599, 3, 2, 5, 40), 0x092805c26f451203ull},
      {"29.97 fps, 44100 Hz stereo, +599 ms", 44100, 2, 30000, 1001, 88211,
       settings(599, 1, 1, 10, 50), 0x845dead9ed973651ull},
      {"59.94 fps, 48000 Hz mono, +333 ms", 48000, 1, 60000, 1001, 100000,
       settings(333, 0, 4, 20, 100), 0x9f36c0ee1969e6d2ull},
  };
}

inline Sound Render(GetFilterTableFn table, const GoldenRender& golden, Edit* editOut = nullptr) {
  const Edit edit = NoiseEdit(golden.audioRate, golden.channels, golden.videoRate,
                              golden.videoScale, golden.samplesPerChannel, 99);
  ReferenceHost host(table, edit);
  host.recordCalls = false;
  host.trackValues()[0] = golden.settings.frontFrames;
  host.trackValues()[1] = golden.settings.backFrames;
  host.trackValues()[2] = golden.settings.offsetMs;
  host.hasSelection = golden.settings.hasSelection;
  host.selectionStart = golden.settings.selectionStart;
  host.selectionEnd = golden.settings.selectionEnd;
  const Sound rendered = host.RenderEdit();
  EXPECT_TRUE(host.faults.empty());
  if (editOut != nullptr) *editOut = edit;
  return rendered;
}

inline void CheckGoldenRenders(GetFilterTableFn table) {
  for (const GoldenRender& golden : GoldenRenders()) {
    SCOPED_TRACE(golden.name);
    const Sound rendered = Render(table, golden);
    EXPECT_EQ(Digest(rendered), golden.digest) << std::hex << Digest(rendered);
  }
}

}  // namespace exact
