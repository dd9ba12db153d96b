// The start and end request stages: they carry out a pending button press relative to
// the frame that this FilterProc call processes.
//
// A start request puts the selection's start frontFrames frames before the current
// frame, so the ramp-in frame (start + frontFrames - 1) is the frame just before it; an
// end request puts the end backFrames frames after it, so the ramp-out frame
// (end - backFrames + 1) is the frame just after it. The current frame then is the
// first, or the last, frame at full sound.
//
// Frame arithmetic is done in 64 bits and saturated into the signed 32-bit range, so
// no value the host hands over (a frame near the 32-bit limits, a slider out of its
// range) overflows; for in-range values the saturation never applies.

#include "selection/request_stages.h"

#include <cstdint>
#include <limits>

#include "host/tracks.h"
#include "selection/request_flags.h"

namespace {

int32_t SaturateToInt32(int64_t value) {
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

// Held at the edit's first frame.
int32_t NotBeforeFirstFrame(int64_t frame) { return SaturateToInt32(frame < 0 ? 0 : frame); }

// Held at the edit's last frame.
int32_t NotAfterLastFrame(int64_t frame, int32_t frameCount) {
  return SaturateToInt32(frame >= frameCount ? int64_t{frameCount} - 1 : frame);
}

// Raises a slider by one, in the host's live array, and lets the settings window show it.
void RaiseSliderByOne(FilterTable* filter, int track) {
  int32_t& slider = filter->trackValues[track];
  slider = SaturateToInt32(int64_t{slider} + 1);
  filter->hostFunctions->RefreshFilterWindow(filter);
}

}  // namespace

void RunStartRequestStage(FilterTable* filter, const ProcInfo* info) {
  startRequest = 0;  // first, so the request is carried out once whatever happens next
  HostFunctions* host = filter->hostFunctions;

  const int32_t frontFrames = filter->trackValues[TRACK_FRONT_FRAMES];
  int32_t newStart = NotBeforeFirstFrame(int64_t{info->currentFrame} - frontFrames);

  // With a one-frame ramp the ramp-in frame would be the new start itself. Unless that
  // frame is already saved, start one frame earlier and ramp over two frames instead,
  // which keeps the ramp-in frame just before the current frame.
  if (frontFrames == 1 && host->IsFrameSaved(info->editHandle, newStart) != 1) {
    newStart = NotBeforeFirstFrame(int64_t{newStart} - 1);
    RaiseSliderByOne(filter, TRACK_FRONT_FRAMES);
  }

  int32_t selectionStart = 0;
  int32_t selectionEnd = 0;
  // Without a selection there is no end to keep, so nothing is set.
  if (host->GetSelection(info->editHandle, &selectionStart, &selectionEnd) == 0) return;
  // The new start is not compared with the end: the host gets both as they are.
  host->SetSelection(info->editHandle, newStart, selectionEnd);
}

void RunEndRequestStage(FilterTable* filter, const ProcInfo* info) {
  endRequest = 0;  // first, so the request is carried out once whatever happens next
  HostFunctions* host = filter->hostFunctions;

  const int32_t backFrames = filter->trackValues[TRACK_BACK_FRAMES];
  const int32_t frameCount = info->frameCount;
  int32_t newEnd = NotAfterLastFrame(int64_t{info->currentFrame} + backFrames, frameCount);

  // With a one-frame ramp the ramp-out frame would be the new end itself. Unless that
  // frame is already saved, end one frame later and ramp over two frames instead,
  // which keeps the ramp-out frame just after the current frame.
  if (backFrames == 1 && host->IsFrameSaved(info->editHandle, newEnd) != 1) {
    newEnd = NotAfterLastFrame(int64_t{newEnd} + 1, frameCount);
    RaiseSliderByOne(filter, TRACK_BACK_FRAMES);
  }

  // Read afresh: a start that the start request stage of this call has just set is
  // the start to keep.
  int32_t selectionStart = 0;
  int32_t selectionEnd = 0;
  if (host->GetSelection(info->editHandle, &selectionStart, &selectionEnd) == 0) return;
  // The new end is not compared with the start: the host gets both as they are.
  host->SetSelection(info->editHandle, selectionStart, newEnd);
}
