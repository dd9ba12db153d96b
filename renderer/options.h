#pragma once
// The command line of `brisdale render`: what the user asked for, checked for form.
//
// Only the form is checked here. Whatever needs the input file or the plug-in (frame
// numbers inside the edit, slider values inside the table's ranges) is checked by the
// caller once those are known.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class Button { Start, End };

struct Press {
  Button button;
  int32_t frame;  // the frame the host stands on when the button is pressed
};

struct RenderOptions {
  std::string input;
  std::string output;
  int32_t videoRate = 30000;  // frame rate = videoRate / videoScale
  int32_t videoScale = 1001;
  // Slider positions; unset ones keep the table's defaults.
  std::optional<int32_t> offsetMs;
  std::optional<int32_t> frontFrames;
  std::optional<int32_t> backFrames;
  bool noSelection = false;
  std::optional<int32_t> selectionFirst;  // both set or both unset: the whole edit
  std::optional<int32_t> selectionLast;
  std::vector<Press> presses;             // in the order given
  std::vector<int32_t> unsavedFrames;
  std::string plotPath;                   // empty: no picture
  bool quiet = false;
};

// Parses the arguments that follow `render`. On failure returns false and sets error
// to a one-line message without the program's prefix.
bool ParseRenderOptions(const std::vector<std::string>& args, RenderOptions& options,
                        std::string& error);

// "N" or "N/D", both positive integers; false for anything else.
bool ParseFrameRate(const std::string& text, int32_t& rate, int32_t& scale);

// A whole decimal number that fits 32 bits, with an optional sign; nothing else.
bool ParseInt32(const std::string& text, int32_t& value);
