#pragma once
// Small edits for the tests: deterministic noise-like sound, so that any sample taken
// from the wrong place, channel or frame shows.
#include <cstdint>

#include "refhost/reference_host.h"

inline Edit NoiseEdit(int32_t audioRate, int32_t channels, int32_t videoRate, int32_t videoScale,
                      int64_t samplesPerChannel, uint32_t seed = 1) {
  Edit edit;
  edit.audioRate = audioRate;
  edit.channels = channels;
  edit.videoRate = videoRate;
  edit.videoScale = videoScale;
  edit.samples.resize(static_cast<size_t>(samplesPerChannel * channels));
  uint32_t state = seed;
  for (int16_t& sample : edit.samples) {
    state = state * 1664525u + 1013904223u;
    sample = static_cast<int16_t>(state >> 16);
  }
  return edit;
}

// A small mono edit at 8000 Hz and 25 fps, 320 samples in every frame, all `value`:
// for tests where the sound itself does not matter.
inline Edit SteadyEdit(int32_t frames, int16_t value = 1000) {
  Edit edit;
  edit.audioRate = 8000;
  edit.channels = 1;
  edit.videoRate = 25;
  edit.videoScale = 1;
  edit.samples.assign(static_cast<size_t>(frames) * 320, value);
  return edit;
}
