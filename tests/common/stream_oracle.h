#pragma once
// What the filter should make of an edit, computed from the whole stream at once
// instead of frame by frame through the host: the tests' independent account of the
// offset and edge rules.
//
//   offset: sample k of frame f is the edit's sample s(f) + k + d for a negative
//           offset and s(f) + k - d for a positive one, silence outside the edit,
//           with d = trunc(|offsetMs| * audioRate * 0.001f) samples per channel;
//   edges:  with a selection, frames before selectionStart + frontFrames - 1 and after
//           selectionEnd - backFrames + 1 are silent, and those two frames carry the
//           ramps (the ramp-in first when they coincide).
#include <cstdint>
#include <vector>

#include "refhost/reference_host.h"

struct FilterSettings {
  int32_t offsetMs = 0;
  int32_t frontFrames = 0;
  int32_t backFrames = 0;
  bool hasSelection = false;
  int32_t selectionStart = 0;
  int32_t selectionEnd = 0;
};

inline int64_t OracleShift(int32_t offsetMs, int32_t audioRate) {
  const int64_t magnitude = offsetMs < 0 ? -static_cast<int64_t>(offsetMs) : offsetMs;
  return static_cast<int64_t>(static_cast<double>(magnitude * audioRate) *
                              static_cast<double>(0.001f));
}

inline std::vector<int16_t> OracleShiftedFrame(const Edit& edit, int32_t offsetMs, int32_t frame) {
  const int channels = edit.channels;
  const int64_t length = FrameLength(edit, frame);
  const int64_t shift = OracleShift(offsetMs, edit.audioRate);
  const int64_t source = FrameStart(edit, frame) + (offsetMs < 0 ? shift : -shift);
  std::vector<int16_t> out(static_cast<size_t>(length * channels), 0);
  for (int64_t k = 0; k < length; ++k) {
    const int64_t position = source + k;
    if (position < 0 || position >= EditLength(edit)) continue;
    for (int c = 0; c < channels; ++c) {
      out[static_cast<size_t>(k * channels + c)] =
          edit.samples[static_cast<size_t>(position * channels + c)];
    }
  }
  return out;
}

inline void OracleShapeEdges(const FilterSettings& settings, int32_t frame, int channels,
                             std::vector<int16_t>& sound) {
  if (!settings.hasSelection) return;
  const int64_t rampIn = static_cast<int64_t>(settings.selectionStart) + settings.frontFrames - 1;
  const int64_t rampOut = static_cast<int64_t>(settings.selectionEnd) - settings.backFrames + 1;
  const int64_t n = static_cast<int64_t>(sound.size()) / channels;
  if (frame < rampIn || frame > rampOut) {
    sound.assign(sound.size(), 0);
  } else if (frame == rampIn && n > 0) {
    for (int c = 0; c < channels; ++c) {
      const int32_t step = sound[static_cast<size_t>((n - 1) * channels + c)] / static_cast<int32_t>(n);
      for (int64_t i = 0; i < n; ++i) {
        sound[static_cast<size_t>(i * channels + c)] = static_cast<int16_t>(i * step);
      }
    }
  } else if (frame == rampOut && n > 0) {
    for (int c = 0; c < channels; ++c) {
      const float step = static_cast<float>(sound[static_cast<size_t>(c)]) / static_cast<float>(n);
      for (int64_t i = 0; i < n; ++i) {
        sound[static_cast<size_t>(i * channels + c)] =
            static_cast<int16_t>(static_cast<double>(n - 1 - i) * static_cast<double>(step));
      }
    }
  }
}

// The filtered sound of one frame.
inline std::vector<int16_t> OracleFrame(const Edit& edit, const FilterSettings& settings,
                                        int32_t frame) {
  std::vector<int16_t> sound = settings.offsetMs != 0
                                   ? OracleShiftedFrame(edit, settings.offsetMs, frame)
                                   : FrameSound(edit, frame);
  OracleShapeEdges(settings, frame, edit.channels, sound);
  return sound;
}

// The whole filtered edit, frames end to end.
inline std::vector<int16_t> OracleRender(const Edit& edit, const FilterSettings& settings) {
  std::vector<int16_t> out;
  for (int32_t frame = 0; frame < FrameCount(edit); ++frame) {
    const std::vector<int16_t> sound = OracleFrame(edit, settings, frame);
    out.insert(out.end(), sound.begin(), sound.end());
  }
  return out;
}
