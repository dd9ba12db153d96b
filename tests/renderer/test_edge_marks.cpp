// The picture marks silence and ramps where the plug-in puts them: EdgeMarksFor,
// checked against what the plug-in does to a steady edit through the reference host.
#include <gtest/gtest.h>

#include <algorithm>

#include "host/tracks.h"
#include "plugin/get_filter_table.h"
#include "refhost/reference_host.h"
#include "renderer/render.h"
#include "tests/common/edits.h"

namespace {

enum class Shape { Unchanged, Silent, RampIn, RampOut };

// A steady value of 1000: a ramp-in frame starts at 0 and ends above it, a ramp-out
// frame starts above 0 and ends at it.
Shape ShapeOf(const std::vector<int16_t>& frame) {
  const bool allSteady = std::all_of(frame.begin(), frame.end(), [](int16_t v) { return v == 1000; });
  const bool allZero = std::all_of(frame.begin(), frame.end(), [](int16_t v) { return v == 0; });
  if (allSteady) return Shape::Unchanged;
  if (allZero) return Shape::Silent;
  return frame.front() == 0 ? Shape::RampIn : Shape::RampOut;
}

Shape MarkedShape(const EdgeMarks& marks, int32_t frame) {
  if (frame == marks.rampIn) return Shape::RampIn;
  if (frame == marks.rampOut) return Shape::RampOut;
  for (const EdgeMarks::Range& range : marks.silent) {
    if (frame >= range.first && frame <= range.last) return Shape::Silent;
  }
  return Shape::Unchanged;
}

struct MarksCase {
  bool selection;
  int32_t start, end, front, back;
};

// An edit of 30 frames (0..29).
const MarksCase kCases[] = {
    {false, 0, 0, 5, 5},   // no selection: nothing marked
    {true, 10, 20, 1, 1},  // ramps on the selection's own ends
    {true, 10, 20, 0, 0},  // ramps just outside it
    {true, 10, 20, 5, 3},  // silent frames inside the selection
    {true, 10, 20, 6, 6},  // both ramp frames on 15: the ramp-in wins
    {true, 10, 20, 8, 8},  // ramp-in after ramp-out: all silent
    {true, 0, 29, 0, 0},   // ramp frames outside the edit
    {true, 0, 29, 1, 1},   // ramps on the first and last frames
    {true, 3, 3, 1, 1},    // one-frame selection
    {true, 25, 29, 100, 0},
};

TEST(EdgeMarks, MatchWhatThePlugInDoes) {
  const Edit edit = SteadyEdit(30);
  for (const MarksCase& c : kCases) {
    SCOPED_TRACE(testing::Message() << "selection " << c.selection << " " << c.start << ".." << c.end
                                    << " front " << c.front << " back " << c.back);
    ReferenceHost host(GetFilterTable, edit);
    host.hasSelection = c.selection;
    host.selectionStart = c.start;
    host.selectionEnd = c.end;
    host.trackValues()[TRACK_FRONT_FRAMES] = c.front;
    host.trackValues()[TRACK_BACK_FRAMES] = c.back;
    const EdgeMarks marks =
        EdgeMarksFor(c.selection, c.start, c.end, c.front, c.back, host.frameCount());
    std::vector<int16_t> frame;
    for (int32_t f = 0; f < host.frameCount(); ++f) {
      host.ProcessFrame(f, frame);
      EXPECT_EQ(static_cast<int>(MarkedShape(marks, f)), static_cast<int>(ShapeOf(frame))) << "frame " << f;
    }
  }
}

}  // namespace
