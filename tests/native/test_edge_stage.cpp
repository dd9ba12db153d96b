// The edge stage: which frames are silenced or ramped for a selection, and the exact
// values of the two ramps.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "plugin/get_filter_table.h"
#include "refhost/reference_host.h"
#include "tests/common/exact_cases.h"

namespace {

using exact::EdgeSetup;
using Sound = std::vector<int16_t>;

// One FilterProc call on mono `sound` as frame `frame` of a 1000-frame edit.
Sound Shape(Sound sound, int32_t frame, const EdgeSetup& setup) {
  return exact::ShapeFrame(GetFilterTable, setup, frame, 1, std::move(sound));
}


TEST(EdgeRamps, ExactValues) { exact::CheckRampValues(GetFilterTable); }

TEST(EdgeRamps, DefaultRoundingWhateverTheHostSet) {
  exact::CheckUnderHostRoundingMode(GetFilterTable);
}

// What the stage makes of frames 0..30 around selection 10..20: '.' silent,
// 'i' ramp-in, 'o' ramp-out, '=' unchanged.
std::string Roles(int32_t start, int32_t end, int32_t front, int32_t back, bool hasSelection = true,
                  int32_t firstFrame = 0) {
  std::string roles;
  const Sound probe = {1000, 0, 0, 7};
  for (int32_t frame = firstFrame; frame < firstFrame + 31; ++frame) {
    const Sound shaped = Shape(probe, frame, {hasSelection, start, end, front, back});
    if (shaped == probe) roles += '=';
    else if (shaped == Sound{0, 0, 0, 0}) roles += '.';
    else if (shaped == Sound{0, 1, 2, 3}) roles += 'i';
    else if (shaped == Sound{750, 500, 250, 0}) roles += 'o';
    else roles += '?';
  }
  return roles;
}

TEST(EdgeFrames, SilenceAndRampsAroundTheSelection) {
  struct Case {
    const char* name;
    int32_t start, end, front, back;
    bool hasSelection;
    const char* roles;  // frames 0..30
  };
  const Case cases[] = {
      {"front 1, back 1", 10, 20, 1, 1, true, "..........i=========o.........."},
      {"front 0, back 0", 10, 20, 0, 0, true, ".........i===========o........."},
      {"front 5, back 3", 10, 20, 5, 3, true, "..............i===o............"},
      {"both ramps on one frame: ramp-in", 10, 20, 6, 6, true, "...............i..............."},
      {"ramp-in after ramp-out", 10, 20, 8, 8, true, "..............................."},
      {"starts at frame 0, front 0", 0, 20, 0, 1, true, "====================o.........."},
      {"ends on the last frame, back 0", 10, 30, 1, 0, true, "..........i===================="},
      {"no selection", 10, 20, 5, 3, false, "==============================="},
      {"reversed selection", 20, 10, 1, 1, true, "..............................."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Roles(c.start, c.end, c.front, c.back, c.hasSelection), c.roles);
  }
}

TEST(EdgeFrames, SelectionsAtThe32BitLimitsDoNotWrap) {
  struct Case {
    const char* name;
    int32_t start, end, front, back;
    const char* roles;
  };
  const Case cases[] = {
      // INT_MIN + 0 - 1 and INT_MAX - 0 + 1 lie outside 32 bits: everything passes.
      {"widest selection, sliders 0", INT_MIN, INT_MAX, 0, 0, "==============================="},
      // The ramp-in frame lies far past every frame: everything is silent.
      {"start at INT_MAX", INT_MAX, INT_MAX, 100, 0, "..............................."},
      {"end at INT_MIN", INT_MIN, INT_MIN, 0, 100, "..............................."},
      {"out-of-range sliders", 10, 20, -5, -5, "....i=====================o...."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Roles(c.start, c.end, c.front, c.back), c.roles);
  }
}

TEST(EdgeFrames, CurrentFramesAtThe32BitLimits) {
  const Sound probe = {1000, 0, 0, 7};
  EXPECT_EQ(Shape(probe, INT_MAX, {true, INT_MIN, INT_MAX, 0, 0}), probe);
  EXPECT_EQ(Shape(probe, INT_MIN, {true, INT_MIN, INT_MAX, 0, 0}), probe);
  EXPECT_EQ(Shape(probe, INT_MAX, {true, INT_MIN, INT_MAX, 0, 1}), (Sound{750, 500, 250, 0}));
  EXPECT_EQ(Shape(probe, INT_MIN, {true, INT_MIN, INT_MAX, 1, 0}), (Sound{0, 1, 2, 3}));
}

TEST(EdgeChannels, NeverShapesBeyondTheHostsValues) {
  // Silence through a selection that leaves every frame silent (ramp-in after ramp-out).
  struct Case {
    const char* name;
    int32_t channels;
    int32_t audioCount;
    Sound before;
    Sound after;
  };
  const Case cases[] = {
      {"mono: n values", 1, 3, {1, 2, 3}, {0, 0, 0}},
      {"stereo: 2n values", 2, 2, {1, 2, 3, 4}, {0, 0, 0, 0}},
      {"three channels: the first 2n values", 3, 2, {1, 2, 3, 4, 5, 6}, {0, 0, 0, 0, 5, 6}},
      {"no channels", 0, 4, {}, {}},
      {"negative channels", -1, 4, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ProcFields fields{15, 1000, c.audioCount, c.channels};
    EXPECT_EQ(exact::ShapeFrame(GetFilterTable, {true, 10, 20, 8, 8}, fields, c.before), c.after);
  }
}

TEST(EdgeChannels, NegativeSampleCountTouchesNothing) {
  for (int32_t frame : {5, 10, 15, 20}) {  // silent, ramp-in, unchanged, ramp-out
    SCOPED_TRACE(frame);
    const ProcFields fields{frame, 1000, -4, 2};
    EXPECT_EQ(exact::ShapeFrame(GetFilterTable, {true, 10, 20, 1, 1}, fields, {}), Sound());
  }
}

}  // namespace
