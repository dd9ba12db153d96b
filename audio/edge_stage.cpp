// The edge stage: silence outside the ramp frames, straight ramps on them.
//
// With a selection, the ramp-in frame is selectionStart + frontFrames - 1 and the
// ramp-out frame selectionEnd - backFrames + 1. Every frame before the ramp-in frame
// and after the ramp-out frame is silent, to both ends of the edit; the ramp-in frame
// rises from 0 towards its last sample, the ramp-out frame falls from just under its
// first sample to 0; the frames between pass unchanged.

#include "audio/edge_stage.h"

#include <cstring>

#include "host/tracks.h"

namespace {

// How the stage sees a frame's buffer: 1 channel, or 2 interleaved channels for any
// other channel count (only the first 2 * samplesPerChannel values are shaped).
struct FrameLayout {
  int16_t* samples;
  int32_t samplesPerChannel;  // n, 0 when there is nothing to shape
  int channels;               // 1 or 2
};

// A frame the stage may touch: never more values than the host's
// audioCount * audioChannels. Zero or negative counts leave nothing to shape, and so
// does a count no 32-bit process could hold (2 GiB or more).
FrameLayout LayoutOf(const ProcInfo* info) {
  const int channels = info->audioChannels == 1 ? 1 : 2;
  if (info->audioData == nullptr || info->audioCount <= 0 || info->audioChannels <= 0 ||
      static_cast<int64_t>(info->audioCount) * channels * 2 > kLargestHostBufferBytes) {
    return {info->audioData, 0, channels};
  }
  return {info->audioData, info->audioCount, channels};
}

void Silence(const FrameLayout& frame) {
  std::memset(frame.samples, 0,
              static_cast<size_t>(frame.samplesPerChannel) * frame.channels * sizeof(int16_t));
}

// Value i of each channel becomes i * step, with an integer step: the channel's last
// value divided by n, truncated toward zero (7 over 4 samples gives 0, 1, 2, 3).
// |i * step| < |last value| for every i < n, so every value fits 16 bits, and a
// running total kept in 16-bit arithmetic (which wraps, unsigned) is exact; it lets
// the loop run eight values at a time.
void RampIn(const FrameLayout& frame) {
  const int32_t n = frame.samplesPerChannel;
  int16_t* values = frame.samples;
  if (frame.channels == 1) {
    const uint16_t step = static_cast<uint16_t>(values[n - 1] / n);
    uint16_t value = 0;
    for (int32_t i = 0; i < n; ++i, value = static_cast<uint16_t>(value + step)) {
      values[i] = static_cast<int16_t>(value);
    }
    return;
  }
  const uint16_t leftStep = static_cast<uint16_t>(values[2 * n - 2] / n);
  const uint16_t rightStep = static_cast<uint16_t>(values[2 * n - 1] / n);
  uint16_t left = 0;
  uint16_t right = 0;
  for (int32_t i = 0; i < n; ++i) {
    values[2 * i] = static_cast<int16_t>(left);
    values[2 * i + 1] = static_cast<int16_t>(right);
    left = static_cast<uint16_t>(left + leftStep);
    right = static_cast<uint16_t>(right + rightStep);
  }
}

// Value i of each channel becomes (n - 1 - i) * step, truncated toward zero, where the
// step is the channel's first value over n rounded to single precision and the
// product is formed in double precision (where it is exact). So 296 over 6 samples
// gives 246, 197, 147, 98, 49, 0: the single-precision step 49.33333206... makes
// 3 * step fall just short of 148. No product exceeds the first value's magnitude by
// a whole unit, so every truncated value fits 16 bits.
int16_t RampOutValue(int32_t k, float step) {
  return static_cast<int16_t>(static_cast<int32_t>(static_cast<double>(k) * static_cast<double>(step)));
}

void RampOut(const FrameLayout& frame) {
  const int32_t n = frame.samplesPerChannel;
  int16_t* values = frame.samples;
  const float samples = static_cast<float>(n);
  if (frame.channels == 1) {
    const float step = static_cast<float>(values[0]) / samples;
    for (int32_t i = 0; i < n; ++i) values[i] = RampOutValue(n - 1 - i, step);
    return;
  }
  const float leftStep = static_cast<float>(values[0]) / samples;
  const float rightStep = static_cast<float>(values[1]) / samples;
  for (int32_t i = 0; i < n; ++i) {
    values[2 * i] = RampOutValue(n - 1 - i, leftStep);
    values[2 * i + 1] = RampOutValue(n - 1 - i, rightStep);
  }
}

}  // namespace

void RunEdgeStage(FilterTable* filter, const ProcInfo* info) {
  int32_t selectionStart = 0;
  int32_t selectionEnd = 0;
  if (filter->hostFunctions->GetSelection(info->editHandle, &selectionStart, &selectionEnd) == 0) {
    return;  // no selection: the sound stays as the earlier stages left it
  }
  const int32_t* trackValues = filter->trackValues;
  // In 64 bits: no selection or slider value the host reports can overflow them.
  const int64_t rampInFrame =
      static_cast<int64_t>(selectionStart) + trackValues[TRACK_FRONT_FRAMES] - 1;
  const int64_t rampOutFrame =
      static_cast<int64_t>(selectionEnd) - trackValues[TRACK_BACK_FRAMES] + 1;
  const int64_t currentFrame = info->currentFrame;
  const FrameLayout frame = LayoutOf(info);
  if (frame.samplesPerChannel == 0) return;  // no values: nothing to read or write

  // The order matters: a frame that is both ramp frames gets the ramp-in, and when
  // the ramp-in frame lies after the ramp-out frame every frame is silent.
  if (currentFrame < rampInFrame || currentFrame > rampOutFrame) {
    Silence(frame);
  } else if (currentFrame == rampInFrame) {
    RampIn(frame);
  } else if (currentFrame == rampOutFrame) {
    RampOut(frame);
  }
}
