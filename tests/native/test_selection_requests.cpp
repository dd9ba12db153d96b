// The start and end request stages, driven as a host drives them: a press of the
// button (with IsFilterActive answering 0, so nothing is processed at once), then one
// FilterProc call with the record values of each case.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "plugin/get_filter_table.h"
#include "refhost/reference_host.h"
#include "selection/filter_wnd_proc.h"

namespace {

struct Outcome {
  std::vector<HostService> services;     // every host call of the FilterProc call
  std::vector<int32_t> savedAskedAbout;  // IsFrameSaved's frames
  std::vector<HostCall> selectionChanges;
  std::vector<HostCall> refreshes;
  int32_t sliders[2];  // frontFrames and backFrames afterwards
};

struct Request {
  bool start = false;
  bool end = false;
  int32_t currentFrame = 0;
  int32_t frameCount = 0;
  int32_t frontFrames = 0;
  int32_t backFrames = 0;
  bool hasSelection = true;
  int32_t selectionStart = 0;
  int32_t selectionEnd = 0;
  std::vector<int32_t> unsavedFrames;  // IsFrameSaved answers unsavedAnswer for these,
  int32_t unsavedAnswer = 0;           // 1 for every other frame
};

Outcome CarryOut(const Request& request) {
  ReferenceHost host(GetFilterTable, Edit{});
  host.trackValues()[0] = request.frontFrames;
  host.trackValues()[1] = request.backFrames;
  host.hasSelection = request.hasSelection;
  host.selectionStart = request.selectionStart;
  host.selectionEnd = request.selectionEnd;
  host.unsavedFrames.insert(request.unsavedFrames.begin(), request.unsavedFrames.end());
  host.unsavedAnswer = request.unsavedAnswer;
  host.isFilterActiveAnswer = 0;
  if (request.start) host.Press(ID_SELECT_START);
  if (request.end) host.Press(ID_SELECT_END);
  host.calls.clear();

  ProcFields fields;
  fields.currentFrame = request.currentFrame;
  fields.frameCount = request.frameCount;
  std::vector<int16_t> noSound;
  EXPECT_EQ(host.CallFilterProc(fields, noSound), 1);
  EXPECT_TRUE(host.faults.empty());

  Outcome outcome;
  for (const HostCall& call : host.calls) {
    outcome.services.push_back(call.service);
    EXPECT_TRUE(call.knownHandle) << HostServiceName(call.service);
    if (call.service == HostService::IsFrameSaved) outcome.savedAskedAbout.push_back(call.frame);
  }
  outcome.selectionChanges = host.CallsOf(HostService::SetSelection);
  outcome.refreshes = host.CallsOf(HostService::RefreshFilterWindow);
  outcome.sliders[0] = host.trackValues()[0];
  outcome.sliders[1] = host.trackValues()[1];
  return outcome;
}

constexpr int32_t kNotAsked = INT32_MIN;

struct Row {
  int32_t currentFrame;
  int32_t frameCount;
  int32_t slidersBefore;
  int32_t savedAnswer;  // what IsFrameSaved answers about the frame it is asked about
  int32_t askedAbout;   // kNotAsked: IsFrameSaved is not called
  int32_t newBoundary;
  int32_t slidersAfter;
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
  return out << "frame " << row.currentFrame << " of " << row.frameCount << ", slider "
             << row.slidersBefore << ", saved answer " << row.savedAnswer;
}

void ExpectRow(const Row& row, const Outcome& outcome, int track, bool start,
               int32_t keptBoundary) {
  const bool asked = row.askedAbout != kNotAsked;
  const bool raised = row.slidersAfter != row.slidersBefore;
  EXPECT_EQ(outcome.savedAskedAbout,
            asked ? std::vector<int32_t>{row.askedAbout} : std::vector<int32_t>{});
  EXPECT_EQ(outcome.sliders[track], row.slidersAfter);
  ASSERT_EQ(outcome.refreshes.size(), raised ? 1u : 0u);
  if (raised) {
    EXPECT_EQ(outcome.refreshes[0].trackValues[track], row.slidersAfter);
  }

  std::vector<HostService> expected;
  if (asked) expected.push_back(HostService::IsFrameSaved);
  if (raised) expected.push_back(HostService::RefreshFilterWindow);
  expected.insert(expected.end(), {HostService::GetSelection, HostService::SetSelection,
                                   HostService::GetSelection});
  EXPECT_EQ(outcome.services, expected);

  ASSERT_EQ(outcome.selectionChanges.size(), 1u);
  EXPECT_EQ(outcome.selectionChanges[0].start, start ? row.newBoundary : keptBoundary);
  EXPECT_EQ(outcome.selectionChanges[0].end, start ? keptBoundary : row.newBoundary);
}

TEST(StartRequest, WorkedNumbers) {
  // The selection's end lies far after the current frame and stays where it is.
  const Row rows[] = {
      // frame, count, front, answer, asked about, new start, front after
      {100, 1000, 3, 1, kNotAsked, 97, 3},
      {100, 1000, 1, 1, 99, 99, 1},
      {100, 1000, 1, 0, 99, 98, 2},
      {100, 1000, 1, 2, 99, 98, 2},  // only the answer 1 counts as saved
      {100, 1000, 0, 1, kNotAsked, 100, 0},
      {1, 1000, 3, 1, kNotAsked, 0, 3},
      {1, 1000, 1, 0, 0, 0, 2},
      {0, 1000, 1, 0, 0, 0, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row);
    Request request;
    request.start = true;
    request.currentFrame = row.currentFrame;
    request.frameCount = row.frameCount;
    request.frontFrames = row.slidersBefore;
    request.backFrames = 5;
    request.selectionStart = 20;
    request.selectionEnd = 900;
    if (row.askedAbout != kNotAsked) request.unsavedFrames = {row.askedAbout};
    request.unsavedAnswer = row.savedAnswer;
    const Outcome outcome = CarryOut(request);
    ExpectRow(row, outcome, 0, true, 900);
    EXPECT_EQ(outcome.sliders[1], 5);
  }
}

TEST(EndRequest, WorkedNumbers) {
  // The selection's start lies far before the current frame and stays where it is.
  const Row rows[] = {
      // frame, count, back, answer, asked about, new end, back after
      {100, 1000, 3, 1, kNotAsked, 103, 3},
      {100, 1000, 1, 1, 101, 101, 1},
      {100, 1000, 1, 0, 101, 102, 2},
      {100, 1000, 1, 2, 101, 102, 2},  // only the answer 1 counts as saved
      {100, 1000, 0, 1, kNotAsked, 100, 0},
      {198, 200, 3, 1, kNotAsked, 199, 3},
      {198, 200, 1, 0, 199, 199, 2},
      {199, 200, 1, 0, 199, 199, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row);
    Request request;
    request.end = true;
    request.currentFrame = row.currentFrame;
    request.frameCount = row.frameCount;
    request.frontFrames = 5;
    request.backFrames = row.slidersBefore;
    request.selectionStart = 10;
    request.selectionEnd = 150;
    if (row.askedAbout != kNotAsked) request.unsavedFrames = {row.askedAbout};
    request.unsavedAnswer = row.savedAnswer;
    const Outcome outcome = CarryOut(request);
    ExpectRow(row, outcome, 1, false, 10);
    EXPECT_EQ(outcome.sliders[0], 5);
  }
}

TEST(BothRequests, TheEndStageReadsTheStartJustSet) {
  Request request;
  request.start = request.end = true;
  request.currentFrame = 100;
  request.frameCount = 1000;
  request.frontFrames = request.backFrames = 3;
  request.selectionStart = 0;
  request.selectionEnd = 999;
  const Outcome outcome = CarryOut(request);
  EXPECT_EQ(outcome.services,
            (std::vector<HostService>{HostService::GetSelection, HostService::SetSelection,
                                      HostService::GetSelection, HostService::SetSelection,
                                      HostService::GetSelection}));
  ASSERT_EQ(outcome.selectionChanges.size(), 2u);
  EXPECT_EQ(outcome.selectionChanges[0].start, 97);
  EXPECT_EQ(outcome.selectionChanges[0].end, 999);
  EXPECT_EQ(outcome.selectionChanges[1].start, 97);
  EXPECT_EQ(outcome.selectionChanges[1].end, 103);
}

TEST(Requests, BoundaryPastTheOtherEndIsPassedOnUnchanged) {
  Request start;
  start.start = true;
  start.currentFrame = 100;
  start.frameCount = 1000;
  start.frontFrames = 3;
  start.selectionStart = 0;
  start.selectionEnd = 50;
  const Outcome startOutcome = CarryOut(start);
  ASSERT_EQ(startOutcome.selectionChanges.size(), 1u);
  EXPECT_EQ(startOutcome.selectionChanges[0].start, 97);
  EXPECT_EQ(startOutcome.selectionChanges[0].end, 50);

  Request end;
  end.end = true;
  end.currentFrame = 100;
  end.frameCount = 1000;
  end.backFrames = 3;
  end.selectionStart = 500;
  end.selectionEnd = 999;
  const Outcome endOutcome = CarryOut(end);
  ASSERT_EQ(endOutcome.selectionChanges.size(), 1u);
  EXPECT_EQ(endOutcome.selectionChanges[0].start, 500);
  EXPECT_EQ(endOutcome.selectionChanges[0].end, 103);
}

// Without a selection there is nothing to keep the other boundary from: no selection
// is set, but the request is still consumed and the slider still raised.
TEST(Requests, NoSelectionSetsNoSelection) {
  for (bool start : {true, false}) {
    SCOPED_TRACE(start ? "start request" : "end request");
    Request request;
    request.start = start;
    request.end = !start;
    request.currentFrame = 100;
    request.frameCount = 1000;
    request.frontFrames = request.backFrames = 1;
    request.hasSelection = false;
    request.unsavedFrames = {start ? 99 : 101};
    const Outcome outcome = CarryOut(request);
    EXPECT_EQ(outcome.services,
              (std::vector<HostService>{HostService::IsFrameSaved,
                                        HostService::RefreshFilterWindow,
                                        HostService::GetSelection, HostService::GetSelection}));
    EXPECT_EQ(outcome.savedAskedAbout, request.unsavedFrames);
    EXPECT_EQ(outcome.sliders[start ? 0 : 1], 2);
    EXPECT_EQ(outcome.sliders[start ? 1 : 0], 1);
  }
  // Both pending, no selection: both consumed, neither sets one.
  Request both;
  both.start = both.end = true;
  both.currentFrame = 100;
  both.frameCount = 1000;
  both.frontFrames = both.backFrames = 3;
  both.hasSelection = false;
  const Outcome outcome = CarryOut(both);
  EXPECT_EQ(outcome.services,
            (std::vector<HostService>{HostService::GetSelection, HostService::GetSelection,
                                      HostService::GetSelection}));
}

// Whatever the host hands over, the frame arithmetic neither overflows nor leaves the
// signed 32-bit range: results are held at the 32-bit limits.
TEST(Requests, ExtremeHostValuesStayInRange) {
  struct Case {
    const char* what;
    bool start;
    int32_t currentFrame, frameCount, slider;
    bool asked;          // IsFrameSaved is asked about askedAbout, and answers "not saved"
    int32_t askedAbout;
    int32_t newBoundary, sliderAfter;
  };
  const Case cases[] = {
      {"start, lowest frame", true, INT32_MIN, 1000, 100, false, 0, 0, 100},
      {"start, lowest frame, slider 1", true, INT32_MIN, 1000, 1, true, 0, 0, 2},
      {"start, highest frame, negative slider", true, INT32_MAX, 1000, -5, false, 0,
       INT32_MAX, -5},
      {"start, highest frame, lowest slider", true, INT32_MAX, 1000, INT32_MIN, false, 0,
       INT32_MAX, INT32_MIN},
      {"start, highest slider", true, 5, 1000, INT32_MAX, false, 0, 0, INT32_MAX},
      {"start, highest frame, slider 1", true, INT32_MAX, 1000, 1, true, INT32_MAX - 1,
       INT32_MAX - 2, 2},
      {"end, highest frame and count", false, INT32_MAX, INT32_MAX, 100, false, 0,
       INT32_MAX - 1, 100},
      {"end, highest frame and count, slider 1", false, INT32_MAX, INT32_MAX, 1, true,
       INT32_MAX - 1, INT32_MAX - 1, 2},
      {"end, highest frame, highest slider", false, INT32_MAX, 1000, INT32_MAX, false, 0,
       999, INT32_MAX},
      {"end, lowest count", false, 0, INT32_MIN, 3, false, 0, INT32_MIN, 3},
      {"end, lowest count, slider 1", false, 0, INT32_MIN, 1, true, INT32_MIN, INT32_MIN, 2},
      {"end, lowest frame, lowest slider", false, INT32_MIN, 1000, INT32_MIN, false, 0,
       INT32_MIN, INT32_MIN},
      {"end, negative frame", false, -10, 1000, 3, false, 0, -7, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Request request;
    request.start = c.start;
    request.end = !c.start;
    request.currentFrame = c.currentFrame;
    request.frameCount = c.frameCount;
    (c.start ? request.frontFrames : request.backFrames) = c.slider;
    request.selectionStart = 0;
    request.selectionEnd = 10;
    if (c.asked) request.unsavedFrames = {c.askedAbout};
    const Outcome outcome = CarryOut(request);
    EXPECT_EQ(outcome.savedAskedAbout, request.unsavedFrames);
    ASSERT_EQ(outcome.selectionChanges.size(), 1u);
    EXPECT_EQ(c.start ? outcome.selectionChanges[0].start : outcome.selectionChanges[0].end,
              c.newBoundary);
    EXPECT_EQ(outcome.sliders[c.start ? 0 : 1], c.sliderAfter);
  }
}

}  // namespace
