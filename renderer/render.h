#pragma once
// `brisdale render`: an edit through the plug-in, as a host renders it.
//
// The input file becomes the reference host's edit. The host lays out the sliders
// and the selection, opens the settings window (MSG_WINDOW_INIT), carries out the
// button presses one by one, each on the frame it stands on, renders every frame in
// order into the output file, and closes the window (MSG_WINDOW_EXIT). The plug-in
// is reached through GetFilterTable and the host's calls only.

#include <cstdint>
#include <string>
#include <vector>

#include "renderer/options.h"

// Where the plug-in's edge rules put silence and ramps, from the selection and the
// slider values that the host holds after the presses.
struct EdgeMarks {
  bool hasSelection = false;
  int32_t selectionStart = 0;
  int32_t selectionEnd = 0;
  int32_t rampIn = -1;   // -1: no frame of the edit gets that ramp
  int32_t rampOut = -1;
  struct Range {
    int32_t first;
    int32_t last;  // inclusive
  };
  std::vector<Range> silent;  // within 0..frameCount-1, in frame order
};

EdgeMarks EdgeMarksFor(bool hasSelection, int32_t selectionStart, int32_t selectionEnd,
                       int32_t frontFrames, int32_t backFrames, int32_t frameCount);

struct RenderSummary {
  int32_t frameCount = 0;
  int32_t sampleRate = 0;
  int32_t channels = 0;
  int32_t trackValues[3] = {};  // the sliders after the presses, in track order
  EdgeMarks marks;
};

// Renders as the options say. On failure returns false with a one-line reason in
// error, and leaves no output file behind (nor a changed old one).
bool RunRender(const RenderOptions& options, RenderSummary& summary, std::string& error);
