#pragma once
// Positions of this filter's three sliders in the host's trackValues array (and in
// the FilterTable's label, default, minimum and maximum arrays), in track order.

enum TrackIndex {
  TRACK_FRONT_FRAMES = 0,  // "前から": ramp-in frame = selection start + frontFrames - 1
  TRACK_BACK_FRAMES = 1,   // "後から": ramp-out frame = selection end - backFrames + 1
  TRACK_OFFSET_MS = 2,     // "音ずれ": sound offset in ms; positive delays the sound
  TRACK_COUNT = 3
};
