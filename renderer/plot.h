#pragma once
// The picture of a render: the waveform before and after, one pair of lanes per
// channel, with the selection, the ramp frames and the silenced frames marked and
// frame numbers on the axis. A PNG drawn with cairo.

#include <cstdint>
#include <string>
#include <vector>

#include "renderer/render.h"

// The smallest and largest sample of each channel in each pixel column, gathered as
// the sound streams past.
class Envelope {
 public:
  // length: samples per channel of the whole sound; channels: 1 or 2.
  Envelope(int32_t columns, int64_t length, int32_t channels);
  void Add(const int16_t* interleaved, int64_t frames);

  int32_t columns() const { return columns_; }
  int32_t channels() const { return channels_; }
  int16_t Min(int32_t channel, int32_t column) const { return min_[Index(channel, column)]; }
  int16_t Max(int32_t channel, int32_t column) const { return max_[Index(channel, column)]; }
  bool Touched(int32_t column) const { return touched_[column] != 0; }

 private:
  size_t Index(int32_t channel, int32_t column) const {
    return static_cast<size_t>(column) * channels_ + channel;
  }
  int32_t columns_;
  int64_t length_;
  int32_t channels_;
  int64_t position_ = 0;  // samples per channel added so far
  std::vector<int16_t> min_;
  std::vector<int16_t> max_;
  std::vector<char> touched_;
};

constexpr int32_t kPlotColumns = 1500;  // width of the waveform area in pixels

struct PlotFrames {
  int32_t frameCount;
  std::vector<int64_t> frameStarts;  // frameCount + 1 entries: start of each frame, then the end
};

struct PlotText {
  std::string title;     // first line
  std::string settings;  // second line
};

// Draws the picture and writes it as PNG under a temporary name beside `path`; the
// caller commits it. Returns false with error set on failure.
class PendingFile;
bool WritePlot(const std::string& path, const PlotText& text, const PlotFrames& frames,
               const EdgeMarks& marks, const Envelope& before, const Envelope& after,
               PendingFile& file, std::string& error);
